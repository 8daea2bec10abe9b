// Covers made by gridquill-cli, checked with the readers a print-on-demand service uses:
// poppler's pdfinfo, mutool trace, zbarimg on a 600 dpi rendering, qpdf and ghostscript.
#include "MutoolTrace.h"

#include "book/CoverGeometry.h"
#include "book/PaperSizes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using gq::test::Box;
using gq::test::CliResult;
using gq::test::RunCommand;

constexpr double kPt = 72.0;
constexpr double kTolerance = 0.001 * kPt; // 0.001 in, in points

class CoverCliTest : public gq::test::CliFixture
{
  protected:
    CliResult Cover(const std::string& args)
    {
        return Cli("cover " + args, "SOURCE_DATE_EPOCH=1767225600");
    }
    std::string Path(const std::string& name) const { return (Dir / name).string(); }

    /// The four numbers of a box line of `pdfinfo -box` (read once per file).
    std::array<double, 4> PdfInfoBox(const std::string& pdf, const std::string& name)
    {
        if (m_infoOf != pdf) {
            const CliResult run = RunCommand("pdfinfo -box '" + pdf + "'");
            EXPECT_EQ(run.Exit, 0) << run.Out;
            m_info = run;
            m_infoOf = pdf;
        }
        const CliResult& info = m_info;
        std::smatch match;
        const std::regex line(name + ":\\s+([0-9.]+)\\s+([0-9.]+)\\s+([0-9.]+)\\s+([0-9.]+)");
        std::array<double, 4> box{-1, -1, -1, -1};
        if (std::regex_search(info.Out, match, line))
            for (std::size_t i = 0; i < 4; ++i)
                box[i] = std::stod(match[i + 1]);
        return box;
    }

  private:
    std::string m_infoOf;
    CliResult m_info;
};

/// The spine's fill as the trace reports it: the fill edge along the page's foot that is not
/// the page's own (the background), from fold to fold.
std::pair<double, double> SpineFolds(const gq::test::PageInk& page)
{
    for (const auto& s : page.Segments)
        if (!s.Stroked && s.Y1 == 0 && s.Y2 == 0 && std::abs(s.X2 - s.X1) < page.Width / 2)
            return {std::min(s.X1, s.X2), std::max(s.X1, s.X2)};
    return {-1, -1};
}

TEST_F(CoverCliTest, BoxesAndSpineMatchTheFormulaForEachServiceAndStock)
{
    struct Case
    {
        const char* Service;
        const char* Stock;
        int Pages;
        const char* Paper;
    };
    // One actual file per service and stock; the in-process tests cover every combination.
    const Case cases[] = {{"kdp", "white", 24, "6x9"},
                          {"kdp", "cream", 300, "letter"},
                          {"ingramspark", "white", 100, "letter"},
                          {"ingramspark", "cream", 600, "6x9"},
                          {"lulu", "white", 300, "6x9"},
                          {"lulu", "cream", 100, "letter"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Service) + " " + c.Stock + " " + std::to_string(c.Pages));
        const std::string pdf = Path(std::string(c.Service) + c.Stock + ".pdf");
        const CliResult run = Cover("--page-count " + std::to_string(c.Pages) + " --paper " +
                                    c.Paper + " --service " + c.Service + " --stock " + c.Stock +
                                    " --title 'Quiet Hours' --author 'Ines Sample' '" + pdf + "'");
        ASSERT_EQ(run.Exit, 0) << run.Err;
        const gq::book::TPaper& paper = *gq::book::FindPaper(c.Paper);
        const gq::book::TCoverGeometry g =
            gq::book::CoverGeometry(paper, c.Service, c.Stock, c.Pages);
        const auto media = PdfInfoBox(pdf, "MediaBox");
        const auto bleed = PdfInfoBox(pdf, "BleedBox");
        const auto trim = PdfInfoBox(pdf, "TrimBox");
        EXPECT_NEAR(media[2], g.Width() * kPt, kTolerance);
        EXPECT_NEAR(media[3], g.Height() * kPt, kTolerance);
        EXPECT_EQ(bleed, media);
        EXPECT_NEAR(trim[0], 0.125 * kPt, kTolerance);
        EXPECT_NEAR(trim[1], 0.125 * kPt, kTolerance);
        EXPECT_NEAR(trim[2], (g.Width() - 0.125) * kPt, kTolerance);
        EXPECT_NEAR(trim[3], (g.Height() - 0.125) * kPt, kTolerance);
        const auto pages = gq::test::TraceInk(pdf);
        ASSERT_EQ(pages.size(), 1u);
        const auto [left, right] = SpineFolds(pages[0]);
        EXPECT_NEAR(left, (0.125 + paper.Width) * kPt, kTolerance);
        EXPECT_NEAR(right, (0.125 + paper.Width + g.Spine) * kPt, kTolerance);
        // The success line says the size, the spine and whether it carries text.
        char size[64];
        std::snprintf(size, sizeof size, "cover %.4f x %.4f in, spine %.4f in", g.Width(),
                      g.Height(), g.Spine);
        EXPECT_NE(run.Out.find(size), std::string::npos) << run.Out;
        EXPECT_NE(run.Out.find(g.SpineText ? "spine text yes" : "spine text no"), std::string::npos)
            << run.Out;
    }
}

TEST_F(CoverCliTest, SpineTextFromTheMinimumAndEveryMarkInsideTheSafeZone)
{
    for (int pages : {78, 79}) {
        SCOPED_TRACE(pages);
        const std::string pdf = Path("c" + std::to_string(pages) + ".pdf");
        const CliResult run =
            Cover("--page-count " + std::to_string(pages) +
                  " --paper 6x9 --title 'A Rather Long Title For A Small Book Of Puzzles' "
                  "--author 'Ines Sample' --publisher 'Tiny Press' --isbn 9780306406157 "
                  "--level hard --accent 0,60,100,0 --blurb '" +
                  std::string(60, 'x') + " words words words.' '" + pdf + "'");
        ASSERT_EQ(run.Exit, 0) << run.Err;
        const gq::book::TCoverGeometry g =
            gq::book::CoverGeometry(*gq::book::FindPaper("6x9"), "kdp", "white", pages);
        auto box = [](const gq::book::TCoverRect& r) {
            return Box{r.Left * kPt - 0.01, r.Bottom * kPt - 0.01, r.Right * kPt + 0.01,
                       r.Top * kPt + 0.01};
        };
        auto inside = [](const Box& zone, const Box& ink) {
            return ink.X1 >= zone.X1 && ink.X2 <= zone.X2 && ink.Y1 >= zone.Y1 && ink.Y2 <= zone.Y2;
        };
        const Box back = box(g.BackSafe()), front = box(g.FrontSafe());
        const Box spine = box(g.SpineTextArea());
        const auto page = gq::test::TraceInk(pdf).at(0);
        // Gray and the one accent in DeviceCMYK: nothing is painted in RGB.
        const std::string trace = RunCommand("mutool trace '" + pdf + "'").Out;
        EXPECT_EQ(trace.find("colorspace=\"DeviceRGB\""), std::string::npos);
        EXPECT_NE(trace.find("colorspace=\"DeviceCMYK\" color=\"0 .6 1 0\""), std::string::npos);
        int spineTexts = 0;
        for (const auto& text : page.Texts) {
            const bool onSpine = inside(spine, text.Ink);
            spineTexts += onSpine;
            EXPECT_TRUE(onSpine || inside(back, text.Ink) || inside(front, text.Ink))
                << text.Text << " at " << text.Ink.X1 << "," << text.Ink.Y1;
        }
        EXPECT_EQ(spineTexts, pages >= 79 ? 1 : 0);
        // Marks: every path inside a safe zone, save the background's fills, which reach the
        // page's edge.
        for (const auto& s : page.Segments) {
            const bool edge = s.Y1 <= 0.01 || s.Y2 <= 0.01 || s.Y1 >= page.Height - 0.01 ||
                              s.Y2 >= page.Height - 0.01 || s.X1 <= 0.01 ||
                              s.X1 >= page.Width - 0.01;
            if (!s.Stroked && edge)
                continue;
            EXPECT_TRUE(inside(back, s.Ink()) || inside(front, s.Ink()))
                << s.X1 << "," << s.Y1 << " - " << s.X2 << "," << s.Y2;
        }
    }
}

TEST_F(CoverCliTest, BarcodeDecodesAndOutsideReadersFindTheFileClean)
{
    const std::string pdf = Path("isbn.pdf");
    const CliResult run = Cover("--page-count 120 --paper 5.5x8.5 --isbn 0-306-40615-2 --pdfx "
                                "--title 'Quiet Hours' '" +
                                pdf + "'");
    ASSERT_EQ(run.Exit, 0) << run.Err;
    // Only the barcode box is rendered: the whole cover at 600 dpi takes seconds.
    const auto g = gq::book::CoverGeometry(*gq::book::FindPaper("5.5x8.5"), "kdp", "white", 120);
    const gq::book::TCoverRect box = g.BarcodeBox();
    const std::string crop = " -x " + std::to_string(int((box.Left - 0.1) * 600)) + " -y " +
                             std::to_string(int((g.Height() - box.Top - 0.1) * 600)) + " -W " +
                             std::to_string(int((box.Width() + 0.2) * 600)) + " -H " +
                             std::to_string(int((box.Height() + 0.2) * 600));
    ASSERT_EQ(RunCommand("pdftoppm -r 600" + crop + " -png -singlefile '" + pdf + "' '" +
                         Path("page") + "'")
                  .Exit,
              0);
    const CliResult read = RunCommand("zbarimg --raw -q '" + Path("page.png") + "'");
    // zbarimg may chatter on standard error (joined here); the symbols are the lines of digits.
    std::istringstream lines(read.Out);
    std::vector<std::string> symbols;
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
            symbols.push_back(line);
    EXPECT_EQ(symbols, std::vector<std::string>{"9780306406157"}) << read.Out;
    const CliResult check = RunCommand("qpdf --check '" + pdf + "'");
    EXPECT_EQ(check.Exit, 0) << check.Out;
    const CliResult gs = RunCommand("gs -q -dNOPAUSE -dBATCH -sDEVICE=nullpage '" + pdf + "'");
    EXPECT_EQ(gs.Exit, 0);
    EXPECT_EQ(gs.Out, "");
    const CliResult fonts = RunCommand("pdffonts '" + pdf + "'");
    // Every font embedded as a subset: each TrueType line says "yes yes" (emb, sub).
    EXPECT_EQ(std::regex_search(fonts.Out, std::regex("TrueType +WinAnsi +(no|yes no)")), false)
        << fonts.Out;
    EXPECT_NE(fonts.Out.find("LiberationSans,Bold"), std::string::npos) << fonts.Out;
    const std::string bytes = Contents("isbn.pdf");
    for (const char* key :
         {"/GTS_PDFXVersion (PDF/X-1:2001)", "/OutputIntents", "/TrimBox", "/BleedBox"})
        EXPECT_NE(bytes.find(key), std::string::npos) << key;
    const CliResult info = RunCommand("pdfinfo '" + pdf + "'");
    EXPECT_NE(info.Out.find("PDF/X-1:2001"), std::string::npos) << info.Out;
}

TEST_F(CoverCliTest, BookCoverMatchesTheBooksPageCount)
{
    const CliResult run =
        Cli("book --quiet --seed 5 --pages 30 --paper 6x9 --print-ready "
            "--title 'Thirty Days' --worked 2 --service lulu --stock cream --cover "
            "side.pdf --save-plan plan.toml book.pdf",
            "SOURCE_DATE_EPOCH=1767225600");
    ASSERT_EQ(run.Exit, 0) << run.Err;
    const CliResult info = RunCommand("pdfinfo '" + Path("book.pdf") + "'");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(info.Out, match, std::regex("Pages:\\s+([0-9]+)")));
    const int pages = std::stoi(match[1]);
    const auto g = gq::book::CoverGeometry(*gq::book::FindPaper("6x9"), "lulu", "cream", pages);
    EXPECT_NEAR(PdfInfoBox(Path("side.pdf"), "MediaBox")[2], g.Width() * kPt, kTolerance);
    EXPECT_NE(run.Out.find(Path("side.pdf").substr(Dir.string().size() + 1) + ": cover"),
              std::string::npos)
        << run.Out;
    // --pages-from reads the same count from the book itself.
    const CliResult again = Cover("--pages-from book.pdf --paper 6x9 --service lulu --stock "
                                  "cream again.pdf");
    ASSERT_EQ(again.Exit, 0) << again.Err;
    EXPECT_EQ(PdfInfoBox(Path("again.pdf"), "MediaBox"), PdfInfoBox(Path("side.pdf"), "MediaBox"));
    // qpdf, zint and HarfBuzz are opened only when needed, and toml++ is compiled in: loading
    // them with every run would slow every book down.
    const std::string libraries = RunCommand("ldd '" GQ_CLI_PATH "'").Out;
    for (const char* library : {"libqpdf", "libzint", "libharfbuzz", "libtomlplusplus"})
        EXPECT_EQ(libraries.find(library), std::string::npos) << library << " in\n" << libraries;
    // A plan of a book with worked solutions cannot know its page count (the steps of its
    // puzzles decide it): the cover asks for the book; with it, the plan gives the rest.
    const CliResult unknown = Cover("--plan plan.toml --service lulu --stock cream planned.pdf");
    EXPECT_EQ(unknown.Exit, 2);
    EXPECT_NE(unknown.Err.find("depends on its worked solutions"), std::string::npos)
        << unknown.Err;
    const CliResult planned =
        Cover("--plan plan.toml --pages-from book.pdf --service lulu --stock cream planned.pdf");
    ASSERT_EQ(planned.Exit, 0) << planned.Err;
    EXPECT_EQ(PdfInfoBox(Path("planned.pdf"), "MediaBox"),
              PdfInfoBox(Path("side.pdf"), "MediaBox"));
    // Without worked solutions the plan's own page count is the book's.
    ASSERT_EQ(Cli("book --quiet --seed 5 --pages 30 --paper 6x9 --print-ready --save-plan "
                  "plain.toml plain.pdf")
                  .Exit,
              0);
    const CliResult plain = Cover("--plan plain.toml --service kdp --stock white plain-cover.pdf");
    ASSERT_EQ(plain.Exit, 0) << plain.Err;
    const CliResult plainFrom =
        Cover("--pages-from plain.pdf --paper 6x9 --service kdp --stock white from.pdf");
    ASSERT_EQ(plainFrom.Exit, 0) << plainFrom.Err;
    EXPECT_EQ(PdfInfoBox(Path("plain-cover.pdf"), "MediaBox"),
              PdfInfoBox(Path("from.pdf"), "MediaBox"));
    // An empty cover name is refused.
    ASSERT_EQ(Cli("book --quiet --pages 2 --cover '' b2.pdf").Exit, 2);
}

TEST_F(CoverCliTest, FailuresNameTheProblemAndLeaveFilesAlone)
{
    Folder.Path();
    {
        std::ofstream(Dir / "notes.pdf") << "plain text\n";
        std::ofstream(Dir / "mine.pdf") << "mine";
    }
    CliResult run = Cover("--pages-from notes.pdf out.pdf");
    EXPECT_EQ(run.Exit, 1);
    EXPECT_NE(run.Err.find("notes.pdf"), std::string::npos) << run.Err;
    run = Cover("--page-count 100 --blurb '" + std::string(1001, 'a') + "' out.pdf");
    EXPECT_EQ(run.Exit, 2);
    EXPECT_NE(run.Err.find("1001 characters"), std::string::npos) << run.Err;
    run = Cover("out.pdf");
    EXPECT_EQ(run.Exit, 2);
    EXPECT_NE(run.Err.find("--pages-from"), std::string::npos) << run.Err;
    run = Cover("--page-count 100 --service nowhere out.pdf");
    EXPECT_EQ(run.Exit, 2);
    run = Cover("--page-count 100 --accent 0,200,0,0 out.pdf");
    EXPECT_EQ(run.Exit, 2);
    EXPECT_NE(run.Err.find("--accent"), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(Dir / "out.pdf"));
    run = Cover("--page-count 100 mine.pdf");
    EXPECT_EQ(run.Exit, 1);
    EXPECT_NE(run.Err.find("--force"), std::string::npos) << run.Err;
    EXPECT_EQ(Contents("mine.pdf"), "mine");
    run = Cli("book --quiet --pages 2 --service lulu b.pdf");
    EXPECT_EQ(run.Exit, 2);
    EXPECT_NE(run.Err.find("--cover"), std::string::npos) << run.Err;
    // A cover already there stops the book before any work: neither file is written.
    run = Cli("book --quiet --pages 2 --cover mine.pdf b.pdf");
    EXPECT_EQ(run.Exit, 1);
    EXPECT_FALSE(fs::exists(Dir / "b.pdf"));
    EXPECT_EQ(Contents("mine.pdf"), "mine");
}

// The front's puzzle is drawn afresh for each cover, and again the same for the same seed.
TEST_F(CoverCliTest, TheSameSeedMakesTheSameCover)
{
    auto bytes = [this](const std::string& name) {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    for (const char* name : {"a.pdf", "b.pdf"})
        ASSERT_EQ(Cover(std::string("--page-count 120 --paper 6x9 --seed 42 ") + name).Exit, 0);
    ASSERT_EQ(Cover("--page-count 120 --paper 6x9 --seed 43 c.pdf").Exit, 0);
    EXPECT_EQ(bytes("a.pdf"), bytes("b.pdf"));
    EXPECT_NE(bytes("a.pdf"), bytes("c.pdf"));
}

TEST_F(CoverCliTest, GuidesGoToTheirOwnFile)
{
    const CliResult run = Cover("--page-count 200 --paper 6x9 --guides c.pdf");
    ASSERT_EQ(run.Exit, 0) << run.Err;
    EXPECT_NE(run.Out.find("guides in c-guides.pdf"), std::string::npos) << run.Out;
    const auto plain = gq::test::TraceInk(Path("c.pdf")).at(0);
    const auto guides = gq::test::TraceInk(Path("c-guides.pdf")).at(0);
    auto stroked = [](const gq::test::PageInk& page) {
        int count = 0;
        for (const auto& s : page.Segments)
            count += s.Stroked;
        return count;
    };
    // Trim, two safe zones, the spine text's zone and the bleed edge (rectangles, whose closing
    // side the trace does not list), and the two folds.
    EXPECT_EQ(stroked(guides) - stroked(plain), 5 * 3 + 2);
}

} // namespace
