#include "book/CoverMaker.h"

#include "book/BookLayout.h"
#include "book/BookSettings.h"
#include "book/Isbn.h"
#include "book/PaperSizes.h"
#include "book/TextEncoding.h"
#include "gq/Error.h"
#include "gq/SharedLibrary.h"
#include "pdf/PagePdf.h"
#include "puzzle/Levels.h"
#include "report/FontManager.h"

#include <zint.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include <sys/stat.h>

namespace gq::book
{

namespace
{

constexpr double kPt = 72.0; // points per inch
constexpr int kMinBlurbSize = 7;
constexpr int kBlurbSize = 10;

using pdf::TPdfColor;

/// The few functions of zint a barcode needs, from the library opened on first use.
struct TZint
{
    decltype(&ZBarcode_Create) Create = nullptr;
    decltype(&ZBarcode_Delete) Delete = nullptr;
    decltype(&ZBarcode_Encode) Encode = nullptr;
    decltype(&ZBarcode_Buffer_Vector) BufferVector = nullptr;
};

const TZint& Zint()
{
    static const TZint zint = [] {
        static const TSharedLibrary library(GQ_ZINT_SONAME, "cannot make the ISBN barcode");
        TZint functions;
        library.Look("ZBarcode_Create", functions.Create);
        library.Look("ZBarcode_Delete", functions.Delete);
        library.Look("ZBarcode_Encode", functions.Encode);
        library.Look("ZBarcode_Buffer_Vector", functions.BufferVector);
        return functions;
    }();
    return zint;
}

const TPaper& PaperOf(const TCoverDesign& design)
{
    const TPaper* paper = FindPaper(design.Paper);
    if (!paper)
        throw Error("unknown paper size \"" + design.Paper + "\"; the sizes are " +
                    PaperNameList());
    return *paper;
}

std::size_t CharacterCount(std::string_view utf8)
{
    std::size_t count = 0;
    for (char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

/// The blurb's paragraphs in the pages' encoding; a line break starts a new paragraph.
std::vector<std::string> BlurbParagraphs(const std::string& blurb)
{
    std::vector<std::string> paragraphs;
    std::size_t start = 0;
    while (start <= blurb.size()) {
        std::size_t end = blurb.find('\n', start);
        if (end == std::string::npos)
            end = blurb.size();
        std::string_view line(blurb.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        paragraphs.push_back(ToPageText(line, "the blurb"));
        start = end + 1;
    }
    return paragraphs;
}

/// `text` broken at blanks into lines no wider than `width` points; a word wider than that
/// stands alone on its line (the caller checks widths).
std::vector<std::string> Wrap(const pdf::TPagePdf& page, int font, double size,
                              std::string_view text, double width)
{
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t blank = std::min(text.find(' ', at), text.size());
        const std::string_view word = text.substr(at, blank - at);
        at = blank + 1;
        if (word.empty())
            continue;
        const std::string joined =
            line.empty() ? std::string(word) : line + " " + std::string(word);
        if (!line.empty() && page.TextWidth(font, size, joined) > width) {
            lines.push_back(line);
            line = std::string(word);
        } else {
            line = joined;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

double WidestLine(const pdf::TPagePdf& page, int font, double size,
                  const std::vector<std::string>& lines)
{
    double widest = 0;
    for (const std::string& line : lines)
        widest = std::max(widest, page.TextWidth(font, size, line));
    return widest;
}

/// Draws the cover on `page`.
class TCoverDrawing
{
  public:
    TCoverDrawing(pdf::TPagePdf& page, const TCoverDesign& design, const TCoverGeometry& geometry)
        : m_page(page), m_design(design), m_g(geometry)
    {
        m_regular = page.AddFont(std::string(kPrintReadyFace), false);
        m_bold = page.AddFont(std::string(kPrintReadyFace), true);
        m_ink = TPdfColor::Grey(0.1);
        if (design.Accent) {
            const auto& a = *design.Accent;
            m_accent = TPdfColor::Process(a[0], a[1], a[2], a[3]);
        } else {
            m_accent = TPdfColor::Grey(0.25);
        }
    }

    void Draw()
    {
        Background();
        Front();
        Spine();
        Back();
    }

    void Guides()
    {
        const TCoverRect trim = m_g.Trim();
        m_page.SetStroke(TPdfColor::Process(0, 1, 1, 0), 0.5); // trim and folds
        Frame(trim);
        const TCoverRect spine = m_g.SpineArea();
        m_page.Line(spine.Left * kPt, 0, spine.Left * kPt, m_g.Height() * kPt);
        m_page.Line(spine.Right * kPt, 0, spine.Right * kPt, m_g.Height() * kPt);
        m_page.SetStroke(TPdfColor::Process(1, 0, 0, 0), 0.5); // safe zones
        Frame(m_g.BackSafe());
        Frame(m_g.FrontSafe());
        if (m_g.SpineText)
            Frame(m_g.SpineTextArea());
        m_page.SetStroke(TPdfColor::Process(0, 0, 1, 0), 0.5); // bleed edge
        Frame({0, 0, m_g.Width(), m_g.Height()});
    }

  private:
    void Frame(const TCoverRect& r)
    {
        m_page.StrokeRect(r.Left * kPt, r.Bottom * kPt, r.Width() * kPt, r.Height() * kPt);
    }
    void Fill(const TCoverRect& r)
    {
        m_page.FillRect(r.Left * kPt, r.Bottom * kPt, r.Width() * kPt, r.Height() * kPt);
    }
    /// `text` centred on `x` (points) with its baseline at `y`.
    void Centred(int font, double size, double x, double y, const std::string& text)
    {
        m_page.Text(font, size, x - m_page.TextWidth(font, size, text) / 2, y, text);
    }
    /// The largest size up to `size` at which `text` fits `width` points.
    double Fitting(int font, double size, const std::string& text, double width) const
    {
        const double wide = m_page.TextWidth(font, size, text);
        return wide > width ? size * width / wide : size;
    }

    void Background()
    {
        // The background runs into the bleed on every side; the spine is the accent.
        m_page.SetFill(TPdfColor::Grey(0.94));
        Fill({0, 0, m_g.Width(), m_g.Height()});
        const TCoverRect spine = m_g.SpineArea();
        m_page.SetFill(m_accent);
        Fill({spine.Left, 0, spine.Right, m_g.Height()});
    }

    void Front()
    {
        const TCoverRect safe = m_g.FrontSafe();
        const double centre = (safe.Left + safe.Right) / 2 * kPt;
        const double width = safe.Width() * kPt;
        double top = safe.Top * kPt;

        // The title band: the title in white on the accent, up to three lines.
        const std::string title = ToPageText(
            m_design.Title.empty() ? std::string("Sudoku") : m_design.Title, "the title");
        double size = std::min(40.0, width / 8);
        std::vector<std::string> lines;
        for (;; size -= 1) {
            lines = Wrap(m_page, m_bold, size, title, width - 0.3 * kPt);
            if ((lines.size() <= 3 &&
                 WidestLine(m_page, m_bold, size, lines) <= width - 0.3 * kPt) ||
                size <= 12)
                break;
        }
        if (WidestLine(m_page, m_bold, size, lines) > width - 0.3 * kPt)
            throw Error("the title does not fit the front cover of a " + m_design.Paper + " book");
        const double leading = size * 1.15;
        const double band = leading * static_cast<double>(lines.size()) + 0.3 * kPt;
        m_page.SetFill(m_accent);
        m_page.FillRect(safe.Left * kPt, top - band, width, band);
        m_page.SetFill(TPdfColor::Grey(1));
        double y = top - 0.15 * kPt - m_page.Ascent(m_bold, size);
        for (const std::string& line : lines) {
            Centred(m_bold, size, centre, y, line);
            y -= leading;
        }
        top -= band + 0.2 * kPt;

        // Volume and levels under the band.
        m_page.SetFill(m_ink);
        std::string levels;
        for (std::size_t i = 0; i < m_design.Levels.size(); ++i)
            levels += (i > 0 ? " \xB7 " : "") + ToPageText(m_design.Levels[i], "a level");
        std::string subtitle =
            m_design.Volume > 0 ? "Volume " + std::to_string(m_design.Volume) : "";
        if (!levels.empty())
            subtitle += (subtitle.empty() ? "" : " \x97 ") + levels;
        if (!subtitle.empty()) {
            const double subSize = Fitting(m_regular, 16, subtitle, width);
            top -= m_page.Ascent(m_regular, subSize);
            Centred(m_regular, subSize, centre, top, subtitle);
            top -= m_page.Descent(m_regular, subSize) + 0.2 * kPt;
        }

        // The author at the foot of the front.
        double bottom = safe.Bottom * kPt;
        if (!m_design.Author.empty()) {
            const std::string author = ToPageText(m_design.Author, "the author");
            const double authorSize = Fitting(m_regular, 20, author, width);
            bottom += m_page.Descent(m_regular, authorSize);
            Centred(m_regular, authorSize, centre, bottom, author);
            bottom += m_page.Ascent(m_regular, authorSize) + 0.25 * kPt;
        }
        Motif(centre, bottom, top, width);
    }

    /// The puzzle drawn large between `bottom` and `top`: white cells, the givens set bold.
    void Motif(double centre, double bottom, double top, double width)
    {
        if (m_design.Motif.size() != 81)
            return;
        const double side = std::min(width * 0.9, top - bottom);
        if (side < 1.0 * kPt)
            return;
        const double cell = side / 9;
        const double left = centre - side / 2;
        const double base = bottom + (top - bottom - side) / 2;
        m_page.SetFill(TPdfColor::Grey(1));
        m_page.FillRect(left, base, side, side);
        for (int i = 0; i <= 9; ++i) {
            m_page.SetStroke(m_ink, i % 3 == 0 ? 2.0 : 0.6);
            m_page.Line(left + i * cell, base, left + i * cell, base + side);
            m_page.Line(left, base + i * cell, left + side, base + i * cell);
        }
        m_page.SetFill(m_ink);
        const double digitSize = cell * 0.62;
        for (int i = 0; i < 81; ++i) {
            const char digit = m_design.Motif[static_cast<std::size_t>(i)];
            if (digit < '1' || digit > '9')
                continue;
            const double x = left + (i % 9 + 0.5) * cell;
            const double y =
                base + (8 - i / 9 + 0.5) * cell - m_page.Ascent(m_bold, digitSize) * 0.36;
            Centred(m_bold, digitSize, x, y, std::string(1, digit));
        }
    }

    void Spine()
    {
        if (!m_g.SpineText)
            return;
        const TCoverRect area = m_g.SpineTextArea();
        std::string text = ToPageText(
            m_design.Title.empty() ? std::string("Sudoku") : m_design.Title, "the title");
        if (!m_design.Author.empty())
            text += "   " + ToPageText(m_design.Author, "the author");
        // The glyphs' whole height fits between the clearances; the text the spine's length.
        const double unit = m_page.Ascent(m_bold, 1) + m_page.Descent(m_bold, 1);
        double size = std::min(14.0, area.Width() * kPt / unit);
        size = Fitting(m_bold, size, text, area.Height() * kPt);
        const double length = m_page.TextWidth(m_bold, size, text);
        // Turned to read top to bottom: the baseline runs down the spine, the glyphs' tops
        // face the front cover, and the glyphs are centred between the folds.
        const double centreX = (area.Left + area.Right) / 2 * kPt;
        const double x = centreX - (m_page.Ascent(m_bold, size) - m_page.Descent(m_bold, size)) / 2;
        const double y = (area.Bottom + area.Top) / 2 * kPt + length / 2;
        m_page.SetFill(TPdfColor::Grey(1));
        m_page.Text(m_bold, size, x, y, text, -90);
    }

    void Back()
    {
        const TCoverRect safe = m_g.BackSafe();
        const TCoverRect barcode = m_g.BarcodeBox();
        const double left = safe.Left * kPt;
        const double width = safe.Width() * kPt;
        double top = safe.Top * kPt;
        const double floor = (barcode.Top + 0.2) * kPt;

        std::string inside = ToPageText(m_design.Inside, "what is inside");
        const double insideSize = Fitting(m_bold, 12, inside, width);
        const double insideHeight = inside.empty() ? 0 : insideSize * 1.6;

        if (!m_design.Blurb.empty()) {
            const std::vector<std::string> paragraphs = BlurbParagraphs(m_design.Blurb);
            for (int size = kBlurbSize; size >= kMinBlurbSize; --size) {
                std::vector<std::string> lines;
                for (const std::string& paragraph : paragraphs) {
                    std::vector<std::string> wrapped =
                        Wrap(m_page, m_regular, size, paragraph, width);
                    if (wrapped.empty())
                        wrapped.emplace_back();
                    lines.insert(lines.end(), wrapped.begin(), wrapped.end());
                }
                const double leading = size * 1.3;
                const double needed = leading * static_cast<double>(lines.size()) + insideHeight;
                if (needed <= top - floor && WidestLine(m_page, m_regular, size, lines) <= width) {
                    m_page.SetFill(m_ink);
                    double y = top - m_page.Ascent(m_regular, size);
                    for (const std::string& line : lines) {
                        m_page.Text(m_regular, size, left, y, line);
                        y -= leading;
                    }
                    top = y + leading - m_page.Descent(m_regular, size) - 0.15 * kPt;
                    break;
                }
                if (size == kMinBlurbSize)
                    throw Error("the blurb does not fit the back cover of a " + m_design.Paper +
                                " book: shorten it");
            }
        }
        if (!inside.empty()) {
            m_page.SetFill(m_ink);
            m_page.Text(m_bold, insideSize, left,
                        top - m_page.Ascent(m_bold, insideSize) - 0.1 * kPt, inside);
        }
        if (!m_design.Publisher.empty()) {
            const std::string publisher = ToPageText(m_design.Publisher, "the publisher");
            const double room = (barcode.Left - 0.2) * kPt - left;
            if (room > 0.5 * kPt) {
                const double size = Fitting(m_regular, 10, publisher, room);
                m_page.SetFill(m_ink);
                m_page.Text(m_regular, size, left,
                            safe.Bottom * kPt + m_page.Descent(m_regular, size), publisher);
            }
        }
        m_page.SetFill(TPdfColor::Grey(1));
        Fill(barcode);
        if (!m_design.Isbn.empty())
            Barcode(barcode, Isbn13Digits(m_design.Isbn));
    }

    /// The EAN-13 symbol of `digits`, as zint lays out its bars, with "ISBN ..." above and the
    /// digits below in the cover's face.
    void Barcode(const TCoverRect& box, const std::string& digits)
    {
        const TZint& zint = Zint();
        std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(zint.Create(),
                                                                        zint.Delete);
        if (!symbol)
            throw std::bad_alloc();
        symbol->symbology = BARCODE_EANX;
        symbol->show_hrt = 0;
        const auto* data = reinterpret_cast<const unsigned char*>(digits.data());
        if (zint.Encode(symbol.get(), data, static_cast<int>(digits.size())) >= ZINT_ERROR ||
            zint.BufferVector(symbol.get(), 0) >= ZINT_ERROR || !symbol->vector)
            throw Error("cannot make the barcode of ISBN " + digits + ": " + symbol->errtxt);
        double minX = std::numeric_limits<double>::max(), maxX = -minX;
        double minY = minX, maxY = -minX;
        for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next) {
            minX = std::min<double>(minX, r->x);
            maxX = std::max<double>(maxX, r->x + r->width);
            minY = std::min<double>(minY, r->y);
            maxY = std::max<double>(maxY, r->y + r->height);
        }
        if (maxX <= minX || maxY <= minY)
            throw InternalError("the barcode of ISBN " + digits + " has no bars");
        // Bars 1.5 in wide (about 115 % of the nominal symbol): quiet zones of 0.25 in each side.
        const double barsWidth = 1.5 * kPt;
        const double scale = barsWidth / (maxX - minX);
        const double left = (box.Left + box.Right) / 2 * kPt - barsWidth / 2;
        const double digitSize = 9;
        const double barsBottom = box.Bottom * kPt + 0.1 * kPt + digitSize * 1.1;
        const double barsHeight = box.Height() * kPt - 0.2 * kPt - digitSize * 1.1 - 10;
        const double yScale = barsHeight / (maxY - minY);
        m_page.SetFill(TPdfColor::Grey(0));
        for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next)
            m_page.FillRect(left + (r->x - minX) * scale,
                            barsBottom + (maxY - r->y - r->height) * yScale, r->width * scale,
                            r->height * yScale);
        const double centre = (box.Left + box.Right) / 2 * kPt;
        Centred(m_regular, 8, centre, barsBottom + barsHeight + 3, "ISBN " + digits);
        Centred(m_regular, digitSize, centre, box.Bottom * kPt + 0.1 * kPt + 2,
                digits.substr(0, 1) + " " + digits.substr(1, 6) + " " + digits.substr(7));
    }

    pdf::TPagePdf& m_page;
    const TCoverDesign& m_design;
    const TCoverGeometry& m_g;
    int m_regular = 0;
    int m_bold = 0;
    TPdfColor m_ink;
    TPdfColor m_accent;
};

} // namespace

TCoverDesign CoverDesignOf(const TBookSettings& settings, int pages)
{
    const TBookDescription book = DescribeBook(settings);
    TCoverDesign design;
    design.Paper = book.Settings.Paper;
    design.Service = book.Settings.Cover.Service;
    design.Stock = book.Settings.Cover.Stock;
    design.Blurb = book.Settings.Cover.Blurb;
    design.Pages = pages;
    design.Title = book.Title;
    design.Author = book.Author;
    design.Publisher = book.Publisher;
    design.Isbn = book.Isbn;
    design.Volume = book.Settings.Volume;
    design.PdfX = book.Settings.PdfX;
    std::vector<int> levels;
    for (const TSection& section : book.Settings.Sections)
        levels.push_back(section.LevelIndex);
    if (levels.empty())
        levels.push_back(book.Settings.LevelIndex);
    for (int level : levels) {
        std::string_view caption = puzzle::Levels().at(static_cast<std::size_t>(level)).Caption;
        constexpr std::string_view kSuffix = " Sudoku";
        if (caption.ends_with(kSuffix))
            caption.remove_suffix(kSuffix.size());
        design.Levels.emplace_back(caption);
    }
    design.Inside = InsideLine(BookPuzzleCount(book.Settings), static_cast<int>(levels.size()));
    return design;
}

void CheckCoverDesign(const TCoverDesign& design)
{
    CoverGeometry(PaperOf(design), design.Service, design.Stock, design.Pages);
    ToPageText(design.Title, "the title");
    ToPageText(design.Author, "the author");
    ToPageText(design.Publisher, "the publisher");
    if (!design.Isbn.empty())
        Isbn13Digits(design.Isbn);
    if (const std::size_t count = CharacterCount(design.Blurb); count > kMaxBlurbCharacters)
        throw Error("the blurb is " + std::to_string(count) + " characters long; a back cover " +
                    "takes at most " + std::to_string(kMaxBlurbCharacters));
    BlurbParagraphs(design.Blurb);
    if (design.Accent)
        for (double part : *design.Accent)
            if (!(part >= 0 && part <= 1))
                throw Error("each part of the accent colour must lie from 0 to 1");
}

std::string CoverPdf(const TCoverDesign& design, bool guides,
                     std::shared_ptr<report::TFontManager> fonts, const pdf::TClock& clock)
{
    CheckCoverDesign(design);
    const TCoverGeometry g =
        CoverGeometry(PaperOf(design), design.Service, design.Stock, design.Pages);
    const TCoverRect trim = g.Trim();
    pdf::TPagePdf page({0, 0, g.Width() * kPt, g.Height() * kPt},
                       {trim.Left * kPt, trim.Bottom * kPt, trim.Right * kPt, trim.Top * kPt},
                       std::move(fonts));
    TCoverDrawing drawing(page, design, g);
    drawing.Draw();
    if (guides)
        drawing.Guides();
    pdf::TPagePdfInfo info;
    info.Title =
        ToPageText(design.Title.empty() ? std::string("Sudoku") : design.Title, "the title") +
        " (cover)";
    info.Author = ToPageText(design.Author, "the author");
    info.Creator = "Gridquill " GQ_VERSION;
    info.Producer = "Gridquill";
    info.PdfX = design.PdfX;
    info.Clock = clock;
    return page.Finish(info);
}

std::string CoverSummary(const TCoverGeometry& g, std::string_view service)
{
    char line[256];
    std::snprintf(line, sizeof line, "cover %.4f x %.4f in, spine %.4f in, ", g.Width(), g.Height(),
                  g.Spine);
    const std::string pages = std::to_string(g.Pages) + " pages";
    const std::string minimum = std::string(service) + " prints spine text from " +
                                std::to_string(g.MinSpineTextPages) + " pages";
    if (g.SpineText)
        return line + ("spine text yes (" + pages + "; " + minimum + ")");
    if (g.Pages < g.MinSpineTextPages)
        return line + ("spine text no (" + pages + "; " + minimum + ")");
    return line + ("spine text no (" + pages + "; " + minimum +
                   ", but text 0.0625 in clear of each fold needs " +
                   std::to_string(g.SpineTextFrom) + ")");
}

std::string WriteCover(const TCoverDesign& design, const std::string& path, TReplace replace,
                       bool guides, bool allowUnnamedFiles)
{
    CheckCoverDesign(design);
    const std::string guidesPath = GuidesPathFor(path);
    for (const std::string& target : guides ? std::vector{path, guidesPath} : std::vector{path}) {
        CheckDocumentPath(target);
        struct stat info;
        if (replace == TReplace::Never && lstat(target.c_str(), &info) == 0)
            throw TFileExistsError(target);
    }
    auto fonts = std::make_shared<report::TFontManager>();
    TNewFile cover(path, TFileAudience::Document, allowUnnamedFiles);
    cover.Write(CoverPdf(design, false, fonts));
    std::unique_ptr<TNewFile> guideFile;
    if (guides) {
        guideFile =
            std::make_unique<TNewFile>(guidesPath, TFileAudience::Document, allowUnnamedFiles);
        guideFile->Write(CoverPdf(design, true, fonts));
    }
    cover.Commit(replace);
    if (guideFile)
        guideFile->Commit(replace);
    return CoverSummary(CoverGeometry(PaperOf(design), design.Service, design.Stock, design.Pages),
                        design.Service);
}

namespace
{
std::string WithSuffix(const std::string& path, std::string_view suffix)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string stem = path;
    if (stem.size() >= nameStart + 4) {
        std::string tail = stem.substr(stem.size() - 4);
        std::transform(tail.begin(), tail.end(), tail.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (tail == ".pdf")
            stem.resize(stem.size() - 4);
    }
    return stem + std::string(suffix) + ".pdf";
}
} // namespace

std::string CoverPathFor(const std::string& bookPath) { return WithSuffix(bookPath, "-cover"); }

std::string GuidesPathFor(const std::string& coverPath) { return WithSuffix(coverPath, "-guides"); }

std::string Isbn13Digits(std::string_view isbn)
{
    std::string digits = IsbnDigits(isbn);
    if (digits.size() == 13)
        return digits;
    digits = "978" + digits.substr(0, 9);
    int sum = 0;
    for (std::size_t i = 0; i < 12; ++i)
        sum += (digits[i] - '0') * (i % 2 == 0 ? 1 : 3);
    return digits + static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string InsideLine(int puzzles, int levels)
{
    static const char* const kCounts[] = {"one", "two", "three", "four", "five", "six"};
    std::string line = std::to_string(puzzles) + (puzzles == 1 ? " puzzle" : " puzzles");
    if (levels > 1)
        line += " in " + (levels <= 6 ? std::string(kCounts[levels - 1]) : std::to_string(levels)) +
                " levels";
    return line + ", answers included";
}

} // namespace gq::book
