// Print-ready books made by gridquill-cli, checked with the readers a print-on-demand service
// uses (poppler's pdfinfo, pdffonts and pdftotext, qpdf), and every grid read back from the PDF.
#include "MutoolTrace.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <numeric>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

struct Outcome
{
    int Exit = -1;
    std::string Out;
};

/// Runs a shell command and returns its exit code and standard output (stderr joined).
Outcome Shell(const std::string& command)
{
    const gq::test::CliResult run = gq::test::RunCommand(command);
    return {run.Exit, run.Out};
}

class PrintReadyCliTest : public gq::test::CliFixture
{
  protected:
    /// A book with a fixed seed and date; standard error is joined to the output.
    Outcome Book(const std::string& args, const std::string& name)
    {
        gq::test::CliResult result = Cli("book --quiet --seed 11 " + args + " '" + Path(name) + "'",
                                         "SOURCE_DATE_EPOCH=1767225600");
        return {result.Exit, result.Out + result.Err};
    }
    std::string Path(const std::string& name) const { return (Dir / name).string(); }
};

/// The lines of `text` that start with `prefix`, each without it.
std::vector<std::string> LinesAfter(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> found;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(prefix, 0) == 0)
            found.push_back(line.substr(prefix.size()));
    return found;
}

/// pdfinfo's "Page N <what>:" values by page number ("size", "MediaBox", "TrimBox").
std::map<int, std::string> PageValues(const std::string& info, const std::string& what)
{
    std::map<int, std::string> values;
    for (const std::string& rest : LinesAfter(info, "Page ")) {
        std::istringstream words(rest);
        int page = 0;
        std::string key;
        if (words >> page >> key && key == what + ":") {
            std::string value;
            std::getline(words >> std::ws, value);
            values[page] = value;
        }
    }
    return values;
}

int PageCount(const std::string& pdf)
{
    auto lines = LinesAfter(Shell("pdfinfo '" + pdf + "'").Out, "Pages:");
    return lines.empty() ? -1 : std::stoi(lines.front());
}

std::string PageText(const std::string& pdf, int page)
{
    return Shell("pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) +
                 " '" + pdf + "' -")
        .Out;
}

struct PaperCase
{
    std::string Paper;
    double WidthPt, HeightPt; // the page at 600 dpi
    std::string Args;
};

// ---- reading the grids back from the PDF's own content streams

struct Text
{
    double X, Y; // PDF points of the text's start (after the leading blank) and baseline
    int Size;
    std::string Value;
};

struct Grid
{
    double Left, Right, Top, Bottom; // PDF points, Y upwards
    std::string Label;
    std::string Cells = std::string(81, '0'); // row-major as printed
    int Page = 0;
};

struct PdfPage
{
    std::vector<Text> Texts;
    std::vector<Grid> Grids;
};

/// `packed` inflated; "(does not inflate)" when it is no zlib data.
std::string Inflate(std::string_view packed)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return "(does not inflate)";
    std::string plain;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    int result = Z_OK;
    while (result == Z_OK) {
        char buffer[16384];
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        result = inflate(&z, Z_NO_FLUSH);
        plain.append(buffer, sizeof buffer - z.avail_out);
    }
    inflateEnd(&z);
    return result == Z_STREAM_END ? plain : "(does not inflate)";
}

/// The page content streams of a book, in file order: "<< /Length N >>" as they stand, or
/// "<<\r\n/Length N\r\n/Filter [/FlateDecode]\r\n>>" inflated. The font program's dictionary
/// also has /Length1 and is passed over.
std::vector<std::string> ContentStreams(const std::string& bytes)
{
    std::vector<std::string> streams;
    const std::string plainHead = "<< /Length ", plainTail = " >>\r\nstream\r\n";
    const std::string packedHead = "<<\r\n/Length ",
                      packedTail = "\r\n/Filter [/FlateDecode]\r\n>>\r\nstream\r\n";
    for (std::size_t at = bytes.find("/Length "); at != std::string::npos;
         at = bytes.find("/Length ", at + 1)) {
        const bool plain = bytes.compare(at - 3, plainHead.size(), plainHead) == 0;
        if (!plain && bytes.compare(at - 4, packedHead.size(), packedHead) != 0)
            continue;
        const std::size_t digits = at + 8;
        const std::size_t end = bytes.find_first_not_of("0123456789", digits);
        const std::string& tail = plain ? plainTail : packedTail;
        if (end == digits || bytes.compare(end, tail.size(), tail) != 0)
            continue;
        const std::string data =
            bytes.substr(end + tail.size(), std::stoul(bytes.substr(digits, end - digits)));
        streams.push_back(plain ? data : Inflate(data));
    }
    return streams;
}

std::vector<PdfPage> ReadPages(const std::string& bytes)
{
    std::vector<PdfPage> pages;
    for (const std::string& stream : ContentStreams(bytes)) {
        std::istringstream content(stream);
        PdfPage page;
        std::map<std::pair<long, long>, std::vector<double>> verticals; // (y1, y2) -> xs
        int size = 0;
        double x = 0, y = 0, mx = 0, my = 0;
        std::string line;
        while (std::getline(content, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::istringstream words(line);
            std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
            if (w.size() == 3 && w[2] == "Tf")
                size = std::stoi(w[1]);
            else if (w.size() == 3 && w[2] == "Td")
                x = std::stod(w[0]), y = std::stod(w[1]);
            else if (line.size() >= 7 && line.rfind(" ) Tj") == line.size() - 5)
                page.Texts.push_back({x + 0.275 * size, y, size, line.substr(2, line.size() - 7)});
            else if (w.size() == 3 && w[2] == "m")
                mx = std::stod(w[0]), my = std::stod(w[1]);
            else if (w.size() >= 3 && w[2] == "l" && std::stod(w[0]) == mx) {
                const double y2 = std::stod(w[1]);
                verticals[{std::lround(std::max(my, y2) * 10), std::lround(std::min(my, y2) * 10)}]
                    .push_back(mx);
            }
        }
        for (auto& [extent, xs] : verticals) {
            if (extent.first - extent.second < 360)
                continue; // the small squares of level marks, not a grid
            std::sort(xs.begin(), xs.end());
            for (std::size_t i = 0; i + 9 < xs.size(); i += 10)
                page.Grids.push_back({xs[i],
                                      xs[i + 9],
                                      extent.first / 10.0,
                                      extent.second / 10.0,
                                      {},
                                      std::string(81, '0'),
                                      0});
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

/// Fills each grid's cells and label from the page's texts: digits in the grid's largest size
/// (smaller ones are candidates) and the "Sudoku #" text just above it.
void ReadGrids(PdfPage& page, int number)
{
    for (Grid& grid : page.Grids) {
        grid.Page = number;
        const double cell = (grid.Right - grid.Left) / 9;
        int digitSize = 0;
        for (const Text& t : page.Texts)
            if (t.X > grid.Left && t.X < grid.Right && t.Y < grid.Top && t.Y > grid.Bottom)
                digitSize = std::max(digitSize, t.Size);
        double labelY = 1e9;
        for (const Text& t : page.Texts) {
            if (t.Value.rfind("Sudoku #", 0) == 0 && t.Y > grid.Top && t.Y < labelY &&
                t.X >= grid.Left - 1 && t.X < grid.Right) {
                labelY = t.Y;
                grid.Label = t.Value;
            }
            if (t.Size != digitSize || t.Value.size() != 1 || t.Value[0] < '1' || t.Value[0] > '9')
                continue;
            const double centre = t.X + 0.556 * t.Size / 2;
            const int col = static_cast<int>((centre - grid.Left) / cell);
            const int row = static_cast<int>((grid.Top - t.Y) / cell);
            if (col >= 0 && col < 9 && row >= 0 && row < 9)
                grid.Cells[static_cast<std::size_t>(row * 9 + col)] = t.Value[0];
        }
    }
}

bool IsSolution(const std::string& cells)
{
    for (int i = 0; i < 9; ++i) {
        std::set<char> row, col, box;
        for (int j = 0; j < 9; ++j) {
            row.insert(cells[static_cast<std::size_t>(i * 9 + j)]);
            col.insert(cells[static_cast<std::size_t>(j * 9 + i)]);
            box.insert(
                cells[static_cast<std::size_t>((i / 3 * 3 + j / 3) * 9 + i % 3 * 3 + j % 3)]);
        }
        if (row.size() != 9 || col.size() != 9 || box.size() != 9 || row.count('0'))
            return false;
    }
    return true;
}

TEST_F(PrintReadyCliTest, BooksPassTheReadersAtEveryPaperAndLayout)
{
    const std::vector<PaperCase> cases = {
        {"6x9", 432, 648, "--pages 19 --per-page 1 --candidates"},
        {"a4", 595.32, 841.92, "--pages 7 --per-page 2"},
        {"5.5x8.5", 396, 612, "--pages 9 --per-page 4"},
        {"letter", 612, 792, "--pages 3 --per-page 1"},
    };
    for (const PaperCase& c : cases) {
        SCOPED_TRACE(c.Paper);
        const std::string name = c.Paper + ".pdf";
        Outcome made =
            Book(c.Args + " --paper " + c.Paper +
                     " --print-ready --title 'Puzzles at Caf\xC3\xA9 Nord' --author 'A. Writer'",
                 name);
        ASSERT_EQ(made.Exit, 0) << made.Out;
        const std::string pdf = Path(name);
        const int pages = PageCount(pdf);
        EXPECT_GE(pages, 24);
        EXPECT_EQ(pages % 2, 0);
        EXPECT_NE(made.Out.find(std::to_string(pages) + " pages"), std::string::npos) << made.Out;
        EXPECT_NE(made.Out.find("last page blank), grids "), std::string::npos) << made.Out;
        EXPECT_NE(made.Out.find("inside margin 0.5 in"), std::string::npos) << made.Out;
        EXPECT_NE(made.Out.find("fonts embedded: LiberationSans"), std::string::npos) << made.Out;

        // Every page has the paper's size.
        std::string sizes =
            Shell("pdfinfo -f 1 -l " + std::to_string(pages) + " '" + pdf + "'").Out;
        const auto pageSizes = PageValues(sizes, "size");
        for (const auto& [page, size] : pageSizes) {
            double width = 0, height = 0;
            ASSERT_EQ(std::sscanf(size.c_str(), "%lf x %lf", &width, &height), 2) << size;
            EXPECT_NEAR(width, c.WidthPt, 0.01) << "page " << page;
            EXPECT_NEAR(height, c.HeightPt, 0.01) << "page " << page;
        }
        EXPECT_EQ(static_cast<int>(pageSizes.size()), pages);

        // Every font is embedded as a subset with its tag, and the file is sound.
        std::string fonts = Shell("pdffonts '" + pdf + "'").Out;
        std::istringstream rows(fonts);
        std::string row;
        int fontRows = 0;
        for (int i = 0; std::getline(rows, row); ++i)
            if (i >= 2) {
                ++fontRows;
                EXPECT_NE(row.find(" yes yes "), std::string::npos) << row;
                EXPECT_TRUE(std::regex_search(row, std::regex("^[A-Z]{6}\\+LiberationSans")))
                    << row;
            }
        EXPECT_GE(fontRows, 1);
        // The subset still has every digit: page numbers and answers read back.
        const std::string all = Shell("pdftotext '" + pdf + "' -").Out;
        for (char digit = '0'; digit <= '9'; ++digit)
            EXPECT_NE(all.find(digit), std::string::npos) << digit;
        Outcome check = Shell("qpdf --check '" + pdf + "'");
        EXPECT_EQ(check.Exit, 0) << check.Out;

        // Title page, rules, page numbers, notes.
        std::string title = PageText(pdf, 1);
        EXPECT_NE(title.find("Puzzles at Caf\xC3\xA9 Nord"), std::string::npos) << title;
        EXPECT_NE(title.find("by A. Writer"), std::string::npos) << title;
        EXPECT_NE(PageText(pdf, 2).find("Copyright"), std::string::npos);
        EXPECT_NE(PageText(pdf, 3).find("How to play"), std::string::npos);
        for (int page : {4, 5, pages - 1}) {
            std::string text = PageText(pdf, page);
            std::istringstream lines(text);
            bool found = false;
            for (std::string line; std::getline(lines, line);) {
                std::istringstream words(line);
                std::string only, more;
                found =
                    found || (words >> only && only == std::to_string(page) && !(words >> more));
            }
            EXPECT_TRUE(found) << "page " << page << ":\n" << text;
        }
        if (made.Out.find("notes page") != std::string::npos) {
            EXPECT_NE(PageText(pdf, pages - 1).find("Notes"), std::string::npos);
        }
        EXPECT_EQ(PageText(pdf, pages).find_first_not_of(" \n\f"), std::string::npos);
        std::string info = Shell("pdfinfo '" + pdf + "'").Out;
        EXPECT_NE(info.find("Puzzles at Caf\xC3\xA9 Nord"), std::string::npos) << info;
        EXPECT_NE(info.find("A. Writer"), std::string::npos) << info;
    }
}

TEST_F(PrintReadyCliTest, EveryAnswerSolvesItsPuzzleInATrimmedBook)
{
    for (int perPage : {1, 2, 4}) {
        SCOPED_TRACE(perPage);
        const std::string name = "grids" + std::to_string(perPage) + ".pdf";
        Outcome made = Book("--pages 5 --per-page " + std::to_string(perPage) +
                                " --paper 6x9 --print-ready --level hard",
                            name);
        ASSERT_EQ(made.Exit, 0) << made.Out;
        std::vector<PdfPage> pages = ReadPages(gq::book::ReadWholeFile(Path(name)));
        std::map<int, Grid> puzzles, answers;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            ReadGrids(pages[i], static_cast<int>(i) + 1);
            for (const Grid& grid : pages[i].Grids) {
                int n = 0, page = 0;
                const int read = std::sscanf(grid.Label.c_str(), "Sudoku #%d - page %d", &n, &page);
                ASSERT_GE(read, 1) << "page " << i + 1 << " label '" << grid.Label << "'";
                if (read == 2) {
                    answers[n] = grid;
                    EXPECT_EQ(page, 3 + (n - 1) / perPage + 1) << "answer " << n;
                } else if (n <= 5 * perPage) {
                    puzzles[n] = grid;
                }
            }
        }
        ASSERT_EQ(static_cast<int>(puzzles.size()), 5 * perPage);
        ASSERT_EQ(answers.size(), puzzles.size());
        for (const auto& [n, puzzle] : puzzles) {
            const Grid& answer = answers.at(n);
            EXPECT_EQ(puzzle.Page, 3 + (n - 1) / perPage + 1);
            EXPECT_TRUE(IsSolution(answer.Cells)) << "answer " << n << ": " << answer.Cells;
            int givens = 0;
            for (std::size_t i = 0; i < 81; ++i)
                if (puzzle.Cells[i] != '0') {
                    ++givens;
                    EXPECT_EQ(puzzle.Cells[i], answer.Cells[i]) << "puzzle " << n << " cell " << i;
                }
            EXPECT_GE(givens, 17) << "puzzle " << n;
            EXPECT_LT(givens, 81) << "puzzle " << n;
        }
    }
}

TEST_F(PrintReadyCliTest, PdfxBooksAreGrayWithOutputIntentTrimBoxesAndAnIdentifier)
{
    Outcome made = Book("--pages 30 --per-page 1 --paper 8x10 --pdfx", "x.pdf");
    ASSERT_EQ(made.Exit, 0) << made.Out;
    EXPECT_NE(made.Out.find("PDF/X-1a:2001"), std::string::npos) << made.Out;
    EXPECT_NE(made.Out.find("inside margin 0.5 in"), std::string::npos) << made.Out;
    const std::string bytes = gq::book::ReadWholeFile(Path("x.pdf"));
    EXPECT_EQ(bytes.rfind("%PDF-1.3\r\n", 0), 0u);
    std::string contents;
    for (const std::string& stream : ContentStreams(bytes))
        contents += stream;
    EXPECT_EQ(contents.find(" rg\r\n"), std::string::npos);
    EXPECT_EQ(contents.find(" RG\r\n"), std::string::npos);
    EXPECT_NE(contents.find("\r\n0 g\r\n"), std::string::npos);
    EXPECT_NE(contents.find("\r\n0 G\r\n"), std::string::npos);
    for (const char* key :
         {"/S /GTS_PDFX", "/OutputConditionIdentifier (CGATS TR 001)",
          "/RegistryName (http://www.color.org)", "/GTS_PDFXVersion (PDF/X-1:2001)",
          "/GTS_PDFXConformance (PDF/X-1a:2001)", "/Trapped /False", "/Title (Very Easy Sudoku)",
          "/ModDate (D:20260101000000Z)", "/CreationDate (D:20260101000000Z)"})
        EXPECT_NE(bytes.find(key), std::string::npos) << key;
    const std::string trailer = bytes.substr(bytes.rfind("trailer\r\n"));
    const std::size_t id = trailer.find("/ID [<");
    ASSERT_NE(id, std::string::npos) << trailer;
    const std::string hex = trailer.substr(id + 6, 32);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;
    EXPECT_EQ(trailer.substr(id, 77), "/ID [<" + hex + "> <" + hex + ">]\r\n");
    const int pages = PageCount(Path("x.pdf"));
    std::string boxes =
        Shell("pdfinfo -box -f 1 -l " + std::to_string(pages) + " '" + Path("x.pdf") + "'").Out;
    const auto medias = PageValues(boxes, "MediaBox"), trims = PageValues(boxes, "TrimBox");
    EXPECT_EQ(static_cast<int>(medias.size()), pages);
    EXPECT_EQ(trims, medias);
    EXPECT_NE(medias.at(1).find("576.00   720.00"), std::string::npos) << medias.at(1);
    Outcome check = Shell("qpdf --check '" + Path("x.pdf") + "'");
    EXPECT_EQ(check.Exit, 0) << check.Out;
    std::string fonts = Shell("pdffonts '" + Path("x.pdf") + "'").Out;
    EXPECT_EQ(fonts.find(" no  no  no "), std::string::npos) << fonts;
}

// Print-ready books, PDF/X or not, are gray only with a trim box on every page, their page
// contents deflated (the font program is not) into a file that readers take without a complaint.
TEST_F(PrintReadyCliTest, PrintReadyBooksAreCompressedGrayAndTrimmed)
{
    for (const std::string& args : {std::string("--print-ready --per-page 1 --candidates"),
                                    std::string("--print-ready --pdfx --per-page 2 --paper 6x9")}) {
        SCOPED_TRACE(args);
        Outcome made = Book("--force --pages 6 --level hard " + args, "c.pdf");
        ASSERT_EQ(made.Exit, 0) << made.Out;
        const std::string pdf = Path("c.pdf");
        const std::string bytes = gq::book::ReadWholeFile(pdf);
        const int pages = PageCount(pdf);
        ASSERT_GE(pages, 24);
        const std::vector<std::string> streams = ContentStreams(bytes);
        EXPECT_EQ(static_cast<int>(streams.size()), pages);
        for (const std::string& stream : streams)
            EXPECT_EQ(stream.rfind("2 J\r\n", 0), 0u) << stream.substr(0, 40);
        // Every content stream is compressed; the font program is not.
        int packed = 0;
        for (std::size_t at = bytes.find("/Filter [/FlateDecode]"); at != std::string::npos;
             at = bytes.find("/Filter [/FlateDecode]", at + 1))
            ++packed;
        EXPECT_EQ(packed, pages);
        const std::size_t font = bytes.find("/Length1 ");
        ASSERT_NE(font, std::string::npos);
        EXPECT_EQ(bytes.compare(bytes.find("stream\r\n", font) + 8, 4, "\0\1\0\0", 4), 0);
        EXPECT_NE(bytes.find("/Keywords (printable sudoku,pdf sudoku,sudoku)"), std::string::npos);

        Outcome check = Shell("qpdf --check '" + pdf + "'");
        EXPECT_EQ(check.Exit, 0) << check.Out;
        EXPECT_NE(check.Out.find("No syntax or stream encoding errors found"), std::string::npos)
            << check.Out;
        Outcome qdf = Shell("rm -f '" + Path("c.qdf") + "'; qpdf --qdf --object-streams=disable '" +
                            pdf + "' '" + Path("c.qdf") + "'");
        ASSERT_EQ(qdf.Exit, 0) << qdf.Out;
        const std::string expanded = gq::book::ReadWholeFile(Path("c.qdf"));
        for (const char* rgb : {" rg\n", " RG\n", " rg\r", " RG\r"})
            EXPECT_EQ(expanded.find(rgb), std::string::npos) << rgb;
        EXPECT_NE(expanded.find("\n0 g"), std::string::npos);
        const std::string boxes =
            Shell("pdfinfo -box -f 1 -l " + std::to_string(pages) + " '" + pdf + "'").Out;
        const auto medias = PageValues(boxes, "MediaBox"), trims = PageValues(boxes, "TrimBox");
        EXPECT_EQ(static_cast<int>(medias.size()), pages);
        EXPECT_EQ(trims, medias);
        const std::string text = PageText(pdf, 4); // after the title, copyright and rules pages
        EXPECT_NE(text.find("Sudoku #1"), std::string::npos) << text;
    }
}

// "render" of the stream a PDF/X book left behind makes that book again, byte for byte: PDF/X,
// title and author travel in the stream.
TEST_F(PrintReadyCliTest, RenderingTheStreamOfAPdfxBookGivesTheSameBook)
{
    Outcome made =
        Book("--pages 3 --per-page 2 --print-ready --pdfx --title T --author A", "book.pdf");
    ASSERT_EQ(made.Exit, 0) << made.Out;
    gq::test::CliResult rendered =
        Cli("render runtime/velmoraquill.pgs '" + Path("again.pdf") + "'",
            "SOURCE_DATE_EPOCH=1767225600");
    ASSERT_EQ(rendered.Exit, 0) << rendered.Out << rendered.Err;
    const std::string book = gq::book::ReadWholeFile(Path("book.pdf"));
    for (const char* key : {"/GTS_PDFXVersion", "/TrimBox", "/Title (T)", "/Author (A)"})
        EXPECT_NE(book.find(key), std::string::npos) << key;
    EXPECT_TRUE(book == gq::book::ReadWholeFile(Path("again.pdf")));
}

TEST_F(PrintReadyCliTest, TheGutterGrowsWithThePageCount)
{
    // 200 pages of four puzzles: 3 + 200 + 200 pages and the blank last page.
    Outcome made = Book("--pages 200 --per-page 4 --paper a4 --print-ready", "big.pdf");
    ASSERT_EQ(made.Exit, 0) << made.Out;
    EXPECT_NE(made.Out.find("404 pages (last page blank), grids "), std::string::npos) << made.Out;
    EXPECT_NE(made.Out.find(" in, inside margin 0.625 in"), std::string::npos) << made.Out;
    EXPECT_NE(PageText(Path("big.pdf"), 403).find("Sudoku #800 - page 203"), std::string::npos);
}

std::string Lower(std::string text)
{
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

TEST_F(PrintReadyCliTest, TheTitleHeadsEveryGridPageAndNoVendorIsNamed)
{
    for (const std::string& args :
         {std::string("--pages 5 --per-page 2 --level hard --paper 6x9 --volume 3"),
          std::string("--pages 9 --per-page 4 --paper 5.5x8.5 --title 'Sudoku for Travellers' "
                      "--author 'Ana N\xC3\xBA\xC3\xB1"
                      "ez'")}) {
        SCOPED_TRACE(args);
        Outcome made = Book(args + " --print-ready --force", "head.pdf");
        ASSERT_EQ(made.Exit, 0) << made.Out;
        const std::string pdf = Path("head.pdf");
        const bool volume = args.find("--volume") != std::string::npos;
        const std::string head = volume ? "Hard Sudoku - Volume 3" : "Sudoku for Travellers";
        const int perPage = volume ? 2 : 4, puzzlePages = volume ? 5 : 9;
        const int gridPages = puzzlePages + (puzzlePages * perPage + 3) / 4;
        for (int page = 4; page < 4 + gridPages; ++page) {
            // The head is the page's first line, pushed right on a right-hand (odd) page.
            std::istringstream lines(PageText(pdf, page));
            std::string first;
            while (std::getline(lines, first) && first.find_first_not_of(' ') == std::string::npos)
                ;
            const std::size_t at = first.find(head);
            EXPECT_NE(at, std::string::npos) << "page " << page << ": " << first;
            if (page % 2 == 1)
                EXPECT_GT(at, 4u) << "page " << page << ": " << first;
            else
                EXPECT_LT(at, 4u) << "page " << page << ": " << first;
        }
        const std::string all = Lower(Shell("pdftotext '" + pdf + "' -").Out);
        EXPECT_EQ(all.find("velmora"), std::string::npos);
        EXPECT_EQ(all.find("gridquill"), std::string::npos);
        EXPECT_EQ(all.find("printed by"), std::string::npos);
        // Nor anywhere in the file: the information dictionary names the program only.
        EXPECT_EQ(Lower(gq::book::ReadWholeFile(pdf)).find("velmora"), std::string::npos);
        const std::string info = Shell("pdfinfo '" + pdf + "'").Out;
        auto field = [&info](const std::string& key) {
            const std::size_t at = info.find("\n" + key);
            if (at == std::string::npos)
                return std::string();
            std::string value = info.substr(at + 1 + key.size());
            value = value.substr(0, value.find('\n'));
            return value.substr(std::min(value.find_first_not_of(' '), value.size()));
        };
        EXPECT_EQ(field("Creator:").rfind("Gridquill ", 0), 0u) << info;
        EXPECT_EQ(field("Producer:"), "Gridquill") << info;
        const std::string title = PageText(pdf, 1);
        EXPECT_EQ(title.find("Volume 3") != std::string::npos, volume) << title;
    }
}

TEST_F(PrintReadyCliTest, TheCopyrightPageShowsTheIsbnEditionAndPublisher)
{
    Outcome made = Book("--print-ready --pages 2 --paper 6x9 --title 'Travel Sudoku' --author "
                        "'A. Writer' --isbn 978-1-4028-9462-6 --edition 'First edition' "
                        "--publisher 'Harbour Books' --website harbourbooks.example --volume 2",
                        "sellable.pdf"); // SOURCE_DATE_EPOCH: 2026
    ASSERT_EQ(made.Exit, 0) << made.Out;
    const std::string pdf = Path("sellable.pdf");
    const std::string copyright = PageText(pdf, 2);
    for (const char* line :
         {"Copyright \xC2\xA9 2026 A. Writer. All rights reserved.", "First edition",
          "ISBN 978-1-4028-9462-6", "Volume 2", "harbourbooks.example", "Printed by Harbour Books"})
        EXPECT_NE(copyright.find(line), std::string::npos) << line << " in\n" << copyright;
    const std::string title = PageText(pdf, 1);
    EXPECT_NE(title.find("Harbour Books"), std::string::npos) << title;
    EXPECT_EQ(title.find("harbourbooks.example"), std::string::npos) << title;
    EXPECT_NE(PageText(pdf, 3).find("How to play"), std::string::npos);
}

TEST_F(PrintReadyCliTest, AnIsbnWithAWrongCheckDigitIsAUsageError)
{
    Outcome wrong = Book("--print-ready --isbn 978-1-4028-9462-5", "bad.pdf");
    EXPECT_EQ(wrong.Exit, 2);
    EXPECT_NE(wrong.Out.find("the ISBN \"978-1-4028-9462-5\" has the check digit 5 where its "
                             "other digits call for 6"),
              std::string::npos)
        << wrong.Out;
    Outcome shortIsbn = Book("--print-ready --isbn 0-306-4061", "bad.pdf");
    EXPECT_EQ(shortIsbn.Exit, 2);
    EXPECT_NE(shortIsbn.Out.find("has 8 digits"), std::string::npos) << shortIsbn.Out;
    EXPECT_FALSE(fs::exists(Dir / "bad.pdf"));
}

TEST_F(PrintReadyCliTest, BadValuesAreUsageErrorsNamingWhatWasWrong)
{
    Outcome paper = Book("--paper b5", "bad.pdf");
    EXPECT_EQ(paper.Exit, 2);
    EXPECT_NE(paper.Out.find("letter, a4, a5, 5.5x8.5, 6x9, 7x10, 8x10, 8.25x11"),
              std::string::npos)
        << paper.Out;
    Outcome title = Book("--print-ready --title 'Sudoku \xE6\x97\xA5\xE6\x9C\xAC'", "bad.pdf");
    EXPECT_EQ(title.Exit, 2);
    EXPECT_NE(title.Out.find("\xE6\x97\xA5"), std::string::npos) << title.Out;
    EXPECT_NE(title.Out.find("U+65E5"), std::string::npos) << title.Out;
    Outcome author = Book("--author \"$(printf '\\377')\"", "bad.pdf");
    EXPECT_EQ(author.Exit, 2);
    EXPECT_NE(author.Out.find("the author is not valid UTF-8"), std::string::npos) << author.Out;
    EXPECT_FALSE(fs::exists(Dir / "bad.pdf"));
}

// ---- bold givens, candidates in their places, large print

/// A word of `pdftotext -bbox`: its box in points from the page's top left.
struct Word
{
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    std::string Text;
};

std::vector<Word> Words(const std::string& pdf, int page)
{
    std::vector<Word> words;
    std::istringstream lines(Shell("pdftotext -bbox -f " + std::to_string(page) + " -l " +
                                   std::to_string(page) + " '" + pdf + "' -")
                                 .Out);
    for (std::string line; std::getline(lines, line);) {
        Word word;
        char text[64];
        if (std::sscanf(line.c_str(),
                        " <word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">%63[^<]",
                        &word.X1, &word.Y1, &word.X2, &word.Y2, text) == 5) {
            word.Text = text;
            words.push_back(word);
        }
    }
    return words;
}

/// Whether pdffonts lists the bold face, embedded.
bool EmbedsBold(const std::string& pdf)
{
    std::istringstream rows(Shell("pdffonts '" + pdf + "'").Out);
    for (std::string row; std::getline(rows, row);)
        if (row.find("LiberationSans") != std::string::npos &&
            row.find("Bold") != std::string::npos && row.find(" yes ") != std::string::npos)
            return true;
    return false;
}

/// Whether the content of page `page` (from 1) of the PDF `bytes` sets text in the bold face:
/// selects the font resource ("/F2") whose dictionary names a bold base font.
bool SetsBoldOn(const std::string& bytes, int page)
{
    std::string bold;
    for (std::size_t at = bytes.find("/Name /F"); at != std::string::npos && bold.empty();
         at = bytes.find("/Name /F", at + 1)) {
        const std::size_t base = bytes.find("/BaseFont /", at);
        const std::size_t end = bytes.find_first_of("\r\n", base);
        if (base != std::string::npos && base - at < 40 &&
            bytes.substr(base, end - base).find("Bold") != std::string::npos)
            bold = bytes.substr(at + 6, bytes.find_first_of("\r\n ", at + 6) - at - 6);
    }
    const std::vector<std::string> streams = ContentStreams(bytes);
    return !bold.empty() && page >= 1 && page <= static_cast<int>(streams.size()) &&
           streams[static_cast<std::size_t>(page - 1)].find("\r\n" + bold + " ") !=
               std::string::npos;
}

// On the narrowest paper, every candidate word pdftotext finds lies inside its cell less 1 pt
// and the half pen of the cell's lines (box lines 2.04 pt, cell lines 0.84 pt), and a single
// digit d stands in row (d - 1) / 3 and column (d - 1) % 3 of the cell's thirds.
TEST_F(PrintReadyCliTest, CandidatesStandInTheirPlacesClearOfTheLinesOnTheSmallestPaper)
{
    Outcome made =
        Book("--pages 2 --candidates --level hard --paper 5.5x8.5 --print-ready", "candidates.pdf");
    ASSERT_EQ(made.Exit, 0) << made.Out;
    const std::string pdf = Path("candidates.pdf");
    const std::vector<PdfPage> pages = ReadPages(gq::book::ReadWholeFile(pdf));
    ASSERT_GE(pages.size(), 4u);
    ASSERT_EQ(pages[3].Grids.size(), 1u);
    const Grid& grid = pages[3].Grids.front();
    const double cell = (grid.Right - grid.Left) / 9, top = 612 - grid.Top;
    const std::vector<Word> words = Words(pdf, 4);
    auto inGrid = [&](const Word& w) {
        const double x = (w.X1 + w.X2) / 2, y = (w.Y1 + w.Y2) / 2;
        return x > grid.Left && x < grid.Right && y > top && y < top + 9 * cell;
    };
    double tallest = 0;
    for (const Word& w : words)
        if (inGrid(w))
            tallest = std::max(tallest, w.Y2 - w.Y1);
    auto half = [](int line) { return line % 3 == 0 ? 1.02 : 0.42; };
    int candidates = 0;
    for (const Word& w : words) {
        if (!inGrid(w) || w.Y2 - w.Y1 > 0.8 * tallest)
            continue; // a given
        ++candidates;
        const double x = (w.X1 + w.X2) / 2, y = (w.Y1 + w.Y2) / 2;
        const int col = static_cast<int>((x - grid.Left) / cell);
        const int row = static_cast<int>((y - top) / cell);
        const double left = grid.Left + col * cell, upper = top + row * cell;
        SCOPED_TRACE("\"" + w.Text + "\" in column " + std::to_string(col + 1) + ", row " +
                     std::to_string(row + 1));
        EXPECT_GE(w.Y2 - w.Y1, 7 * 1.1); // 7 pt or more
        EXPECT_GE(w.X1, left + half(col) + 1 - 0.01);
        EXPECT_LE(w.X2, left + cell - half(col + 1) - 1 + 0.01);
        EXPECT_GE(w.Y1, upper + half(row) + 1 - 0.01);
        EXPECT_LE(w.Y2, upper + cell - half(row + 1) - 1 + 0.01);
        ASSERT_EQ(w.Text.size(), 1u); // one word a digit
        const int d = w.Text[0] - '0';
        EXPECT_EQ(static_cast<int>((x - left) / (cell / 3)), (d - 1) % 3);
        EXPECT_EQ(static_cast<int>((y - upper) / (cell / 3)), (d - 1) / 3);
    }
    EXPECT_GT(candidates, 50);
}

TEST_F(PrintReadyCliTest, BoldGivensImplyPrintReadyAndAnswersAlwaysSetGivensBold)
{
    for (const std::string option : {"--print-ready", "--bold-givens"}) {
        SCOPED_TRACE(option);
        Outcome made = Book(option + " --force --pages 2 --paper 6x9", "bold.pdf");
        ASSERT_EQ(made.Exit, 0) << made.Out;
        EXPECT_NE(made.Out.find("24 pages"), std::string::npos) << made.Out;
        const std::string pdf = Path("bold.pdf");
        EXPECT_TRUE(EmbedsBold(pdf));
        const std::string bytes = gq::book::ReadWholeFile(pdf);
        EXPECT_EQ(SetsBoldOn(bytes, 4), option == "--bold-givens"); // the first puzzle page
        EXPECT_TRUE(SetsBoldOn(bytes, 6));                          // the answer page
        EXPECT_FALSE(SetsBoldOn(bytes, 3));                         // "How to play"
    }
}

TEST_F(PrintReadyCliTest, LargePrintBooksHaveOneLargeGridOfBoldGivensAPage)
{
    Outcome made = Book("--large-print --pages 3 --paper 6x9 --level hard", "large.pdf");
    ASSERT_EQ(made.Exit, 0) << made.Out;
    EXPECT_NE(made.Out.find("24 pages"), std::string::npos) << made.Out;
    const std::string pdf = Path("large.pdf");
    const std::string bytes = gq::book::ReadWholeFile(pdf);
    std::vector<PdfPage> pages = ReadPages(bytes);
    ASSERT_GE(pages.size(), 7u);
    std::map<int, Grid> puzzles, answers;
    for (int page = 4; page <= 7; ++page) {
        SCOPED_TRACE("page " + std::to_string(page));
        PdfPage& content = pages[static_cast<std::size_t>(page - 1)];
        ReadGrids(content, page);
        for (const Grid& grid : content.Grids) {
            int n = 0, on = 0;
            if (std::sscanf(grid.Label.c_str(), "Sudoku #%d - page %d", &n, &on) == 2)
                answers[n] = grid;
            else if (page < 7)
                puzzles[n] = grid;
        }
        if (page == 7)
            continue;
        ASSERT_EQ(content.Grids.size(), 1u);
        const Grid& grid = content.Grids.front();
        EXPECT_GE(grid.Right - grid.Left, 4.75 * 72);
        EXPECT_EQ(grid.Label, "Sudoku #" + std::to_string(page - 3));
        EXPECT_TRUE(SetsBoldOn(bytes, page));
        for (const Text& t : content.Texts) {
            const bool inGrid =
                t.X > grid.Left && t.X < grid.Right && t.Y < grid.Top && t.Y > grid.Bottom;
            if (inGrid || t.Value.rfind("Sudoku #", 0) == 0) {
                EXPECT_GE(t.Size, inGrid ? 20 : 14) << t.Value;
            }
        }
    }
    EXPECT_TRUE(EmbedsBold(pdf));
    ASSERT_EQ(puzzles.size(), 3u);
    ASSERT_EQ(answers.size(), 3u);
    for (const auto& [n, puzzle] : puzzles) {
        EXPECT_TRUE(IsSolution(answers.at(n).Cells)) << n;
        for (std::size_t i = 0; i < 81; ++i) {
            if (puzzle.Cells[i] != '0') {
                EXPECT_EQ(puzzle.Cells[i], answers.at(n).Cells[i]) << n << " cell " << i;
            }
        }
    }
    // Box lines of 3 pt and cell lines of 1.08 pt.
    std::string contents;
    for (const std::string& stream : ContentStreams(bytes))
        contents += stream;
    EXPECT_NE(contents.find("\r\n3.0000 w"), std::string::npos);
    EXPECT_NE(contents.find("\r\n1.0800 w"), std::string::npos);
}

TEST_F(PrintReadyCliTest, LargePrintWithMorePuzzlesAPageOrCandidatesIsAUsageError)
{
    Outcome two = Book("--large-print --per-page 2", "bad.pdf");
    EXPECT_EQ(two.Exit, 2);
    EXPECT_NE(two.Out.find("a large-print book has one puzzle per page, not 2"), std::string::npos)
        << two.Out;
    Outcome candidates = Book("--large-print --candidates", "bad.pdf");
    EXPECT_EQ(candidates.Exit, 2);
    EXPECT_NE(candidates.Out.find("a large-print book prints no candidates"), std::string::npos)
        << candidates.Out;
    EXPECT_FALSE(fs::exists(Dir / "bad.pdf"));
}

// Where only the regular face is installed, a print-ready book is refused before any work,
// naming the bold face; a plain book, which needs no bold, is still made.
TEST_F(PrintReadyCliTest, AMissingBoldFaceIsNamedAndNoBookIsWritten)
{
    const std::string regular = Shell("fc-match -f '%{file}' 'Liberation Sans:style=Regular'").Out;
    ASSERT_NE(regular.find("LiberationSans-Regular"), std::string::npos) << regular;
    fs::create_directory(Dir / "fonts");
    fs::copy_file(regular, Dir / "fonts" / "LiberationSans-Regular.ttf");
    {
        std::ofstream conf(Dir / "fonts.conf");
        conf << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
             << "<fontconfig><dir>" << (Dir / "fonts").string() << "</dir><cachedir>"
             << (Dir / "fontcache").string() << "</cachedir></fontconfig>\n";
    }
    const std::string environment =
        "FONTCONFIG_FILE='" + (Dir / "fonts.conf").string() + "' SOURCE_DATE_EPOCH=1767225600";
    gq::test::CliResult refused =
        Cli("book --quiet --bold-givens '" + Path("b.pdf") + "'", environment);
    EXPECT_EQ(refused.Exit, 1);
    EXPECT_NE(refused.Err.find("Liberation Sans Bold, which is not installed"), std::string::npos)
        << refused.Err;
    EXPECT_FALSE(fs::exists(Dir / "b.pdf"));
    gq::test::CliResult plain = Cli("book --quiet --pages 1 '" + Path("p.pdf") + "'", environment);
    EXPECT_EQ(plain.Exit, 0) << plain.Err;
}

/// A short stroke of a level mark as `mutool trace` reports it, PDF points (y up).
/// The stroked segments under 10 pt long of every page.
std::vector<std::vector<gq::test::Segment>> ShortStrokes(const std::string& pdf)
{
    std::vector<std::vector<gq::test::Segment>> pages;
    for (const gq::test::PageInk& page : gq::test::TraceInk(pdf)) {
        pages.emplace_back();
        for (const gq::test::Segment& segment : page.Segments)
            if (segment.Stroked && segment.Length() < 10)
                pages.back().push_back(segment);
    }
    return pages;
}

// A book of four levels, two puzzles a page and six answers a page, read back with pdftotext and
// mutool: each section's title page is a right-hand page whose number the contents page gives,
// as it gives the answers' first page; the puzzles are numbered on through the sections, each
// label carries its level's mark, and every answer solves its puzzle.
TEST_F(PrintReadyCliTest, ABookOfSectionsReadsBackAsItsContentsSay)
{
    Outcome made = Book("--paper 6x9 --per-page 2 --answers-per-page 6 --section easy:20 "
                        "--section standard:20 --section hard:12 --section expert:8",
                        "sections.pdf");
    ASSERT_EQ(made.Exit, 0) << made.Out;
    EXPECT_NE(made.Out.find(" pages in 4 sections ("), std::string::npos) << made.Out;
    const std::string pdf = Path("sections.pdf");
    const int pages = PageCount(pdf);
    EXPECT_EQ(pages % 2, 0);

    // The contents, read back: "Section 1 - Easy   5", ..., "Answers   43".
    const std::string contents = PageText(pdf, 4);
    EXPECT_NE(contents.find("Contents"), std::string::npos) << contents;
    std::vector<std::pair<std::string, int>> entries;
    const std::regex entry(R"(^\s*(Section \d - [A-Za-z ]+?|Answers)\s+(\d+)\s*$)");
    std::istringstream lines(contents);
    for (std::string line; std::getline(lines, line);)
        if (std::smatch m; std::regex_match(line, m, entry))
            entries.emplace_back(m[1], std::stoi(m[2]));
    ASSERT_EQ(entries.size(), 5u) << contents;
    const std::vector<std::string> headings = {"Section 1 - Easy", "Section 2 - Standard",
                                               "Section 3 - Hard", "Section 4 - Expert", "Answers"};
    auto printedNumber = [&](int page) {
        std::istringstream text(PageText(pdf, page));
        int last = -1;
        for (std::string line; std::getline(text, line);)
            if (std::regex_match(line, std::regex(R"(\s*\d+\s*)")))
                last = std::stoi(line);
        return last;
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& [heading, page] = entries[i];
        EXPECT_EQ(heading, headings[i]);
        const std::string text = PageText(pdf, page);
        EXPECT_NE(text.find(heading), std::string::npos) << "page " << page << ":\n" << text;
        EXPECT_EQ(printedNumber(page), page) << heading;
        if (i < 4) {
            EXPECT_EQ(page % 2, 1) << heading; // a right-hand page
        } else {
            EXPECT_NE(text.find("Sudoku #1 - page"), std::string::npos) << text;
        }
    }

    // Puzzles 1..60 in order, on the pages after their section's title, their answers labelled
    // with those pages and solving them.
    std::vector<PdfPage> read = ReadPages(gq::book::ReadWholeFile(pdf));
    ASSERT_EQ(static_cast<int>(read.size()), pages);
    const std::vector<std::vector<gq::test::Segment>> strokes = ShortStrokes(pdf);
    ASSERT_EQ(static_cast<int>(strokes.size()), pages);
    std::map<int, Grid> puzzles, answers;
    std::vector<int> order;
    int marked = 0;
    for (std::size_t i = 0; i < read.size(); ++i) {
        ReadGrids(read[i], static_cast<int>(i) + 1);
        for (const Grid& grid : read[i].Grids) {
            int n = 0, page = 0;
            const int got = std::sscanf(grid.Label.c_str(), "Sudoku #%d - page %d", &n, &page);
            ASSERT_GE(got, 1) << "page " << i + 1 << " label '" << grid.Label << "'";
            if (got == 2) {
                answers[n] = grid;
                EXPECT_EQ(page, puzzles.count(n) ? puzzles[n].Page : -1) << "answer " << n;
            } else {
                puzzles[n] = grid;
                order.push_back(n);
            }
            // The level mark between the label and the grid: filled squares (rows of strokes
            // heavier than the outlines) for the level's rank, outlined squares for the rest.
            std::set<long> filled;
            int sides = 0;
            for (const gq::test::Segment& s : strokes[i]) {
                if (s.Y1 <= grid.Top || s.Y1 > grid.Top + 24 || s.X1 < grid.Left ||
                    s.X2 > grid.Right)
                    continue;
                if (s.Width > 1.0 && s.Y1 == s.Y2)
                    filled.insert(std::lround(s.X1 * 10));
                else if (s.Width <= 1.0 && s.X1 == s.X2)
                    ++sides;
            }
            const int rank = n <= 20 ? 2 : n <= 40 ? 3 : n <= 52 ? 4 : 5;
            EXPECT_EQ(static_cast<int>(filled.size()), rank) << grid.Label;
            EXPECT_EQ(sides, 2 * (6 - rank)) << grid.Label;
            ++marked;
        }
    }
    // Numbered on through the book: 1..60, each on the page of the one before it or later.
    std::ranges::sort(order);
    std::vector<int> expected(60);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(order, expected);
    for (int n = 2; n <= 60 && puzzles.count(n) && puzzles.count(n - 1); ++n)
        EXPECT_GE(puzzles[n].Page, puzzles[n - 1].Page) << n;
    EXPECT_EQ(marked, 120);
    ASSERT_EQ(answers.size(), 60u);
    for (const auto& [n, puzzle] : puzzles) {
        const Grid& answer = answers.at(n);
        EXPECT_GT(puzzle.Page, entries[n <= 20 ? 0 : n <= 40 ? 1 : n <= 52 ? 2 : 3].second);
        EXPECT_GE(answer.Page, entries[4].second);
        EXPECT_TRUE(IsSolution(answer.Cells)) << "answer " << n << ": " << answer.Cells;
        for (std::size_t i = 0; i < 81; ++i) {
            if (puzzle.Cells[i] != '0') {
                EXPECT_EQ(puzzle.Cells[i], answer.Cells[i]) << "puzzle " << n << " cell " << i;
            }
        }
    }
}

} // namespace
