// Paper sizes, the page plan and the layout transform of print-ready books: every mark inside
// the mirrored margins, nothing below 7 pt, lines at least 0.75 pt, page numbers in place.
#include "book/BookLayout.h"
#include "book/Isbn.h"
#include "book/PageGeometry.h"
#include "book/TextEncoding.h"
#include "gq/Error.h"
#include "puzzle/Random.h"
#include "report/FontManager.h"
#include "report/RepItems.h"
#include "report/RepProject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace gq::book
{
namespace
{

TEST(PrintRulesTest, InsideMarginFollowsThePageCount)
{
    const std::pair<int, double> table[] = {{24, 0.375},  {150, 0.375}, {151, 0.5},  {300, 0.5},
                                            {301, 0.625}, {500, 0.625}, {501, 0.75}, {700, 0.75},
                                            {701, 0.875}, {828, 0.875}};
    for (auto [pages, margin] : table)
        EXPECT_EQ(InsideMargin(pages), margin) << pages;
}

TEST(PrintRulesTest, PrintReadyBooksAreEvenWithAtLeast24PagesAndFrontMatter)
{
    struct Case
    {
        int Pages, PerPage;
        bool PrintReady;
        int Front, Notes, Total;
    };
    // Print-ready books end on one blank page, counted before the notes pages pad them.
    const Case cases[] = {
        {20, 1, false, 0, 0, 25},  // a plain book: no front matter, no notes, no blank page
        {1, 1, true, 3, 18, 24},   // 3 + 1 + 1 + blank padded to 24
        {21, 1, true, 3, 1, 32},   // 3 + 21 + 6 = 30, + blank = 31: one notes page
        {20, 1, true, 3, 1, 30},   // 3 + 20 + 5 = 28, + blank = 29: one notes page
        {200, 4, true, 3, 0, 404}, // 3 + 200 + 200 = 403, + blank = 404: already even
        {7, 2, true, 3, 9, 24},    // 3 + 7 + 4 = 14, + blank
    };
    for (const Case& c : cases) {
        TBookSettings settings;
        settings.PageCount = c.Pages;
        settings.PuzzlesPerPage = c.PerPage;
        settings.PrintReady = c.PrintReady;
        TBookPlan plan = PlanBook(settings);
        EXPECT_EQ(plan.FrontPages, c.Front) << c.Pages;
        EXPECT_EQ(plan.NotesPages, c.Notes) << c.Pages;
        EXPECT_EQ(plan.BlankPages, c.PrintReady ? 1 : 0) << c.Pages;
        EXPECT_EQ(plan.Total(), c.Total) << c.Pages;
        EXPECT_EQ(BookPageCount(settings), c.Total);
    }
    TBookSettings pdfx;
    pdfx.PdfX = true; // implies print-ready
    EXPECT_EQ(PlanBook(pdfx).FrontPages, 3);
}

TEST(PageGeometryTest, LetterWithoutPrintReadyIsTheIdentity)
{
    TPageTransform frame = TPageGeometry::Plain(DefaultPaper()).Frame(3);
    for (double v : {0.0, 0.46, 0.79 + 1.2, 7.4, 10.62, 1.0 / 3}) {
        EXPECT_EQ(frame.X(v), v);
        EXPECT_EQ(frame.Y(v), v);
        EXPECT_EQ(frame.Length(v), v);
    }
}

TEST(PageGeometryTest, PlainBooksScaleTheLetterPageToFitAndCentreIt)
{
    const TPageGeometry a5 = TPageGeometry::Plain(*FindPaper("a5"));
    EXPECT_NEAR(a5.Scale(), (148 / 25.4) / 8.5, 1e-12);
    TPageTransform frame = a5.Frame(1);
    EXPECT_NEAR(frame.X(0) + frame.X(8.5), a5.PageWidth(), 1e-12);
    EXPECT_NEAR(frame.Y(0) + frame.Y(11), a5.PageHeight(), 1e-12);
}

TEST(PageGeometryTest, PrintReadyMarginsAreMirrored)
{
    // Every margin is at least half an inch, the inside one too in a thin book.
    for (const TPaper& paper : Papers()) {
        const TMargins thin = TPageGeometry::PrintReady(paper, 24).Margins();
        EXPECT_EQ(thin.Inside, 0.5) << paper.Name;
        EXPECT_GE(std::min({thin.Outside, thin.Top, thin.Bottom}), 0.5) << paper.Name;
    }
    const TPageGeometry g = TPageGeometry::PrintReady(*FindPaper("6x9"), 320);
    EXPECT_EQ(g.Margins().Inside, 0.625);
    EXPECT_EQ(g.BlockLeft(1), 0.625); // right-hand page: binding on the left
    EXPECT_EQ(g.BlockLeft(2), TPageGeometry::kOutsideMargin);
    const TPageTransform odd = g.Frame(5), even = g.Frame(6);
    const double designRight = TPageGeometry::kDesignLeft + TPageGeometry::kDesignWidth;
    EXPECT_GE(odd.X(TPageGeometry::kDesignLeft), 0.625 - 1e-12);
    EXPECT_NEAR(g.PageWidth() - even.X(designRight), odd.X(TPageGeometry::kDesignLeft), 1e-12);
}

TEST(PaperSizesTest, NamesAndUnknownSizes)
{
    EXPECT_EQ(DefaultPaper().Name, "letter");
    EXPECT_EQ(FindPaper("A4"), nullptr);
    EXPECT_EQ(PaperNameList(), "letter, a4, a5, 5.5x8.5, 6x9, 7x10, 8x10, 8.25x11");
    TBookSettings settings;
    settings.Paper = "b5";
    try {
        CheckPrintSettings(settings);
        FAIL() << "b5 accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("\"b5\"; the sizes are letter, a4"), std::string::npos)
            << e.what();
    }
}

TEST(TextEncodingTest, PageTextIsWindows1252OrRefusedByCharacter)
{
    EXPECT_EQ(ToPageText("Caf\xC3\xA9 \xE2\x82\xAC 5", "t"), "Caf\xE9 \x80 5");
    EXPECT_EQ(ToPageText("", "t"), "");
    auto refused = [](std::string_view text) {
        try {
            ToPageText(text, "the title");
        } catch (const Error& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_NE(refused("\xE6\x97\xA5").find("\"\xE6\x97\xA5\" (U+65E5)"), std::string::npos);
    EXPECT_NE(refused("a\x01").find("U+0001"), std::string::npos);
    EXPECT_NE(refused("ab\xFF").find("not valid UTF-8 text (at byte 2)"), std::string::npos);
    EXPECT_NE(refused("\xC0\xAF").find("not valid UTF-8"), std::string::npos); // overlong '/'
    EXPECT_NE(refused("\xC2\x81").find("U+0081"), std::string::npos); // no glyph in the encoding
    EXPECT_NO_THROW(CheckTitlePageText(std::string(kMaxTitleLength - 1, 'a') + "\xC3\xA9", "t",
                                       kMaxTitleLength)); // 120 characters, 121 bytes
    EXPECT_THROW(CheckTitlePageText(std::string(kMaxTitleLength + 1, 'a'), "t", kMaxTitleLength),
                 Error);
}

struct NullProgress : IBookProgress
{
    void SetProgress(int) override {}
    void SetCaption(std::string_view) override {}
    void Repaint() override {}
    void Completed(const std::string&) override {}
};

/// A print-ready book of `settings` laid out in full, its texts measured in the embedded face.
struct LaidOutBook
{
    /// Every puzzle of the book is `puzzle` with the answer `solution`.
    explicit LaidOutBook(TBookSettings bookSettings, int year = 2026,
                         const std::string& puzzle = std::string(40, '0') + std::string(41, '5'),
                         const std::string& solution = std::string(81, '7'))
        : settings(std::move(bookSettings)), batch(std::make_unique<puzzle::TPuzzleBatch>()),
          qj(random), measure(PrintReadyMeasure(fonts))
    {
        for (int i = 1; i <= BookPuzzleCount(settings); ++i) {
            batch->Puzzles[i] = puzzle;
            batch->Solutions[i] = solution;
        }
        project.NewProject();
        auto* report = dynamic_cast<report::TRepReport*>(project.Manager()->FindByPath("Report1"));
        plan = PlanBook(settings);
        for (int n = 2; n <= plan.Total(); ++n)
            report->AddPage();
        layout = std::make_unique<TBookLayout>(*project.Manager(), qj, *batch, settings, progress);
        layout->SetTextMeasure(measure);
        layout->LayoutFrontMatter(year);
        layout->LayoutPuzzlePages();
        layout->LayoutAnswerPages();
        layout->LayoutNotesPages();
    }

    report::TRepPage& Page(int n)
    {
        return *dynamic_cast<report::TRepPage*>(
            project.Manager()->FindByPath("Report1.Page" + std::to_string(n)));
    }

    /// The texts of page `n` in drawing order, empty ones left out.
    std::vector<report::TRepText*> Texts(int n)
    {
        std::vector<report::TRepText*> texts;
        for (auto* child : Page(n).Children())
            if (auto* text = dynamic_cast<report::TRepText*>(child); text && !text->Text().empty())
                texts.push_back(text);
        return texts;
    }

    TBookSettings settings;
    std::unique_ptr<puzzle::TPuzzleBatch> batch;
    puzzle::TRandom random;
    puzzle::TQJ qj;
    report::TRepProject project;
    report::TFontManager fonts;
    TTextMeasure measure;
    NullProgress progress;
    TBookPlan plan;
    std::unique_ptr<TBookLayout> layout;
};

/// Lays out a whole print-ready book and checks every item of every page against the margins,
/// measuring texts in the face the book embeds.
class PrintReadyLayoutTest : public ::testing::TestWithParam<std::tuple<std::string, int>>
{};

/// Every text (measured in the embedded face) and every line of every page of `book` lies inside
/// the page's margins; the page number stands centred in the bottom margin.
void ExpectEveryMarkInsideTheMargins(LaidOutBook& book)
{
    const TBookLayout& layout = *book.layout;
    const TBookPlan& plan = book.plan;
    const TTextMeasure& measure = book.measure;
    EXPECT_GE(layout.SmallestText(), 7);
    EXPECT_GE(layout.ThinnestLine() * 72.0 / 600, 0.75);

    const TPageGeometry& g = layout.Geometry();
    const TMargins& m = g.Margins();
    for (int n = 1; n <= plan.Total(); ++n) {
        SCOPED_TRACE("page " + std::to_string(n));
        report::TRepPage* page = &book.Page(n);
        EXPECT_EQ(page->PageWidth(), g.PageWidth());
        const double left = g.BlockLeft(n), right = left + g.BlockWidth();
        bool numbered = false;
        if (n == plan.Total()) {
            EXPECT_TRUE(page->Children().empty()); // the blank last page
            continue;
        }
        ASSERT_FALSE(page->Children().empty());
        for (auto* child : page->Children()) {
            double x1, x2, y1, y2;
            if (auto* text = dynamic_cast<report::TRepText*>(child)) {
                if (text->Text().empty())
                    continue;
                EXPECT_GE(text->Font().Size, 7) << text->Text();
                EXPECT_EQ(text->Font().Name, "Liberation Sans");
                const double w = measure(text->Text(), text->Font().Size);
                const bool centred = text->FontJustify() == report::TPrintJustify::pjCenter;
                const bool flushRight = text->FontJustify() == report::TPrintJustify::pjRight;
                x1 = centred      ? text->Left() + text->Width() / 2 - w / 2
                     : flushRight ? text->Left() + text->Width() - w
                                  : text->Left();
                x2 = x1 + w;
                y1 = text->Top();
                y2 = text->Top() + text->Font().Size / 60.0;
                if (text->Text() == std::to_string(n) && y1 > g.PageHeight() - m.Bottom) {
                    numbered = true;
                    EXPECT_LE(y2, g.PageHeight() - TPageGeometry::kSafeMargin);
                    EXPECT_NEAR((x1 + x2) / 2, (left + right) / 2, 1e-9);
                    continue;
                }
            } else if (auto* line = dynamic_cast<report::TRepLine*>(child)) {
                const double half = line->LineWidth() / 600.0 / 2;
                EXPECT_GE(line->LineWidth(), 7);
                x1 = line->Left() - half, x2 = line->Left() + line->Width() + half;
                y1 = line->Top() - half, y2 = line->Top() + line->Height() + half;
            } else {
                ADD_FAILURE() << "unexpected item";
                continue;
            }
            EXPECT_GE(x1, left - 1e-9);
            EXPECT_LE(x2, right + 1e-9);
            EXPECT_GE(y1, m.Top - 1e-9);
            EXPECT_LE(y2, g.PageHeight() - m.Bottom + 1e-9);
        }
        EXPECT_EQ(numbered, n > plan.FrontPages);
    }
}

TEST_P(PrintReadyLayoutTest, EveryMarkStaysInsideTheMargins)
{
    const auto& [paper, perPage] = GetParam();
    TBookSettings settings;
    settings.Paper = paper;
    settings.PrintReady = true;
    settings.PageCount = 3;
    settings.PuzzlesPerPage = perPage;
    settings.Candidates = perPage == 1;
    settings.Title = "A Rather Long Title To Wrap, " + std::string(90, 'W'); // and to break
    settings.Author = "Somebody";
    settings.Volume = 12;
    settings.Publisher = "A Publishing House With A Fairly Long Name, " + std::string(30, 'P');
    settings.Website = "www." + std::string(70, 'w') + ".example";
    settings.Edition = "First edition, " + std::string(60, 'E');
    settings.Isbn = "978-1-4028-9462-6";
    LaidOutBook book(settings);
    ExpectEveryMarkInsideTheMargins(book);
    // Large print, with bold givens, on the same paper.
    settings.Candidates = false;
    settings.PuzzlesPerPage = 1;
    settings.LargePrint = true;
    LaidOutBook large(settings);
    ExpectEveryMarkInsideTheMargins(large);
}

/// A print-ready book of `pages` puzzle pages on `paper`.
TBookSettings PrintReadyOn(const std::string& paper, int pages, int perPage)
{
    TBookSettings settings;
    settings.Paper = paper;
    settings.PrintReady = true;
    settings.PageCount = pages;
    settings.PuzzlesPerPage = perPage;
    return settings;
}

/// Every text of the book, page by page, joined by newlines.
std::string BookText(LaidOutBook& book)
{
    std::string all;
    for (int n = 1; n <= book.plan.Total(); ++n)
        for (auto* text : book.Texts(n))
            all += text->Text() + "\n";
    return all;
}

bool HasText(LaidOutBook& book, int n, std::string_view wanted)
{
    for (auto* text : book.Texts(n))
        if (text->Text() == wanted)
            return true;
    return false;
}

TEST(ImprintTest, RunningHeadIsTheTitleOnTheOutsideEdgeAlignedWithTheGrids)
{
    for (int perPage : {1, 2, 4}) {
        SCOPED_TRACE("per page " + std::to_string(perPage));
        TBookSettings settings = PrintReadyOn("6x9", 3, perPage);
        settings.LevelIndex = 3;
        settings.Volume = 2;
        LaidOutBook book(settings);
        const TPageGeometry& g = book.layout->Geometry();
        EXPECT_EQ(book.layout->RunningHead(), "Hard Sudoku - Volume 2"); // the level's title
        const int lastAnswerPage =
            book.plan.FrontPages + book.plan.PuzzlePages + book.plan.AnswerPages;
        for (int n = book.plan.FrontPages + 1; n <= lastAnswerPage; ++n) {
            SCOPED_TRACE("page " + std::to_string(n));
            const std::vector<report::TRepText*> texts = book.Texts(n);
            ASSERT_FALSE(texts.empty());
            const report::TRepText& head = *texts.front();
            EXPECT_EQ(head.Text(), "Hard Sudoku - Volume 2");
            // The grids' outer edges: the leftmost and rightmost vertical lines of the page.
            double gridLeft = g.PageWidth(), gridRight = 0;
            for (auto* child : book.Page(n).Children())
                if (auto* line = dynamic_cast<report::TRepLine*>(child))
                    if (line->Height() > 0) {
                        gridLeft = std::min(gridLeft, line->Left());
                        gridRight = std::max(gridRight, line->Left());
                    }
            if (n % 2 == 1) {
                EXPECT_EQ(head.FontJustify(), report::TPrintJustify::pjRight);
                EXPECT_NEAR(head.Left() + head.Width(), gridRight, 1e-9);
                EXPECT_GT(head.Left() + head.Width(), g.PageWidth() / 2);
            } else {
                EXPECT_EQ(head.FontJustify(), report::TPrintJustify::pjLeft);
                EXPECT_NEAR(head.Left(), gridLeft, 1e-9);
                EXPECT_LT(head.Left(), g.PageWidth() / 2);
            }
        }
    }
}

TEST(ImprintTest, ATooLongTitleShrinksAndIsCutInsideTheGrids)
{
    TBookSettings settings = PrintReadyOn("5.5x8.5", 1, 2);
    settings.Title = "The Very Long Title Of A Book " + std::string(88, 'T'); // 118 characters
    LaidOutBook book(settings);
    const report::TRepText& head = *book.Texts(book.plan.FrontPages + 1).front();
    EXPECT_EQ(head.Text().substr(0, 20), "The Very Long Title ");
    EXPECT_EQ(head.Text().substr(head.Text().size() - 3), "...");
    EXPECT_LE(book.measure(head.Text(), head.Font().Size), head.Width() + 1e-9);
    EXPECT_GE(head.Font().Size, 7);
}

TEST(ImprintTest, WithoutAPublisherNoVendorNameOrAddressAppears)
{
    TBookSettings settings = PrintReadyOn("letter", 2, 4);
    settings.Title = "Puzzles for Travellers";
    settings.Author = "Ana N\xC3\xBA\xC3\xB1"
                      "ez";
    LaidOutBook book(settings);
    std::string all = BookText(book);
    std::ranges::transform(all, all.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_EQ(all.find("velmora"), std::string::npos);
    EXPECT_EQ(all.find("gridquill"), std::string::npos);
    EXPECT_EQ(all.find("printed by"), std::string::npos);
    // The title page: title, author, no volume.
    EXPECT_TRUE(HasText(book, 1, "Puzzles for Travellers"));
    EXPECT_TRUE(HasText(book, 1,
                        "by Ana N\xFA\xF1"
                        "ez"));
    EXPECT_EQ(book.Texts(1).size(), 2u);
    // The copyright page names the author; "How to play" follows it.
    EXPECT_TRUE(HasText(book, 2,
                        "Copyright \xA9 2026 Ana N\xFA\xF1"
                        "ez. All rights reserved."));
    EXPECT_EQ(book.Texts(2).size(), 1u);
    EXPECT_EQ(book.Texts(3).front()->Text(), "How to play");
}

TEST(ImprintTest, TheCopyrightPageCarriesWhatTheUserGave)
{
    TBookSettings settings = PrintReadyOn("6x9", 1, 1);
    settings.Volume = 3;
    settings.Publisher = "Harbour Books Ltd.";
    settings.Website = "harbourbooks.example";
    settings.Edition = "Second edition, 2027";
    settings.Isbn = "0-306-40615-2";
    LaidOutBook book(settings, 2031);
    // No author: the publisher holds the copyright, with one full stop after "Ltd.".
    const std::vector<std::string> expected = {
        "Copyright \xA9 2031 Harbour Books Ltd. All rights reserved.",
        "Second edition, 2027",
        "ISBN 0-306-40615-2",
        "Volume 3",
        "harbourbooks.example",
        "Printed by Harbour Books Ltd."};
    std::vector<std::string> got;
    for (auto* text : book.Texts(2))
        got.push_back(text->Text());
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(HasText(book, 1, "Volume 3"));
    EXPECT_TRUE(HasText(book, 1, "Harbour Books Ltd."));
    EXPECT_FALSE(HasText(book, 1, "harbourbooks.example"));
}

TEST(ImprintTest, PublisherWebsiteEditionAndIsbnAreCheckedLikeTheTitle)
{
    auto problem = [](auto change) {
        TBookSettings settings;
        change(settings);
        try {
            CheckPrintSettings(settings);
        } catch (const Error& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_NE(problem([](TBookSettings& s) { s.Publisher = "\xE6\x97\xA5"; }).find("the publisher"),
              std::string::npos);
    EXPECT_NE(problem([](TBookSettings& s) {
                  s.Website = std::string(81, 'w');
              }).find("the website is longer than 80"),
              std::string::npos);
    EXPECT_NE(problem([](TBookSettings& s) { s.Edition = "a\x01"; }).find("the edition"),
              std::string::npos);
    EXPECT_NE(problem([](TBookSettings& s) { s.Isbn = "978-1-4028-9462-7"; }).find("check digit"),
              std::string::npos);
    EXPECT_EQ(problem([](TBookSettings& s) { s.Isbn = "978-1-4028-9462-6"; }), "accepted");
    // Blank texts are none at all.
    TBookSettings blank = WithoutBlankTexts([] {
        TBookSettings s;
        s.Publisher = s.Website = s.Edition = s.Isbn = "   ";
        return s;
    }());
    EXPECT_TRUE(blank.Publisher.empty() && blank.Website.empty() && blank.Edition.empty() &&
                blank.Isbn.empty());
}

TEST(IsbnTest, CheckDigitsLengthsAndCharacters)
{
    struct Case
    {
        const char* Isbn;
        const char* Digits; ///< nullptr: refused with a message holding Problem
        const char* Problem;
    };
    const Case cases[] = {
        {"978-1-4028-9462-6", "9781402894626", nullptr},
        {"9780306406157", "9780306406157", nullptr},
        {"979-10-90636-07-1", "9791090636071", nullptr},
        {"0-306-40615-2", "0306406152", nullptr},
        {"0-8044-2957-X", "080442957X", nullptr}, // check digit ten
        {"080442957x", "080442957X", nullptr},
        {"978 0 306 40615 7", "9780306406157", nullptr},
        {"978-1-4028-9462-7", nullptr, "has the check digit 7 where its other digits call for 6"},
        {"0-306-40615-3", nullptr, "has the check digit 3 where its other digits call for 2"},
        {"0-8044-2957-1", nullptr, "call for X"},
        {"978-1-4028-9462", nullptr, "has 12 digits; an ISBN has 13 (or 10)"},
        {"97814028946260", nullptr, "has 14 digits"},
        {"", nullptr, "has 0 digits"},
        {"978-1-4O28-9462-6", nullptr, "holds 'O'"},
        {"978030640615X", nullptr, "holds 'X'"}, // X ends only an ISBN-10
        {"08044X2957", nullptr, "holds 'X'"},
        {"ISBN 9780306406157", nullptr, "holds 'I'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Isbn);
        if (c.Digits) {
            EXPECT_EQ(IsbnDigits(c.Isbn), c.Digits);
            continue;
        }
        try {
            IsbnDigits(c.Isbn);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.Problem), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(std::string("\"") + c.Isbn + "\""),
                      std::string::npos);
        }
    }
}

// ---- bold givens, candidates in a mini-grid, large print

const std::string kPuzzle =
    "530070000600195000098000060800060003400803001700020006060000280000419005000080079";
const std::string kSolution =
    "534678912672195348198342567859761423426853791713924856961537284287419635345286179";

/// The grid lines of a page of one grid: vertical lines by Left, horizontal ones by Top.
struct PageGrid
{
    std::vector<report::TRepLine*> Columns, Rows;
    double Left() const { return Columns.front()->Left(); }
    double Top() const { return Rows.front()->Top(); }
    double Side() const { return Columns.back()->Left() - Columns.front()->Left(); }
    /// Half the pen of a line, inches.
    static double Half(const report::TRepLine* line) { return line->LineWidth() / 1200.0; }
};

PageGrid GridOf(LaidOutBook& book, int n)
{
    PageGrid grid;
    for (auto* child : book.Page(n).Children())
        if (auto* line = dynamic_cast<report::TRepLine*>(child))
            (line->Height() > 0 ? grid.Columns : grid.Rows).push_back(line);
    std::ranges::sort(grid.Columns, {}, &report::TRepLine::Left);
    std::ranges::sort(grid.Rows, {}, &report::TRepLine::Top);
    return grid;
}

/// The grid digits of page `n` in drawing order: one-character digit texts larger than the
/// page number (9 pt).
std::vector<report::TRepText*> GridDigits(LaidOutBook& book, int n, int smallest = 10)
{
    std::vector<report::TRepText*> digits;
    for (auto* text : book.Texts(n))
        if (text->Text().size() == 1 && std::isdigit(static_cast<unsigned char>(text->Text()[0])) &&
            text->Font().Size >= smallest)
            digits.push_back(text);
    return digits;
}

int Givens(const std::string& puzzle)
{
    return static_cast<int>(std::ranges::count_if(puzzle, [](char c) { return c != '0'; }));
}

TEST(BookSettingsTest, BoldGivensAndLargePrintImplyPrintReadyAndLargePrintRefusesClashes)
{
    TBookSettings bold;
    bold.BoldGivens = true;
    EXPECT_TRUE(bold.IsPrintReady());
    EXPECT_TRUE(bold.HasBoldGivens());
    EXPECT_EQ(PlanBook(bold).FrontPages, 3);
    TBookSettings large;
    large.LargePrint = true;
    EXPECT_TRUE(large.IsPrintReady());
    EXPECT_TRUE(large.HasBoldGivens());
    EXPECT_NO_THROW(CheckBookSettings(large));
    EXPECT_FALSE(TBookSettings{}.HasBoldGivens());

    auto problem = [](auto change) {
        TBookSettings settings;
        settings.LargePrint = true;
        change(settings);
        try {
            CheckBookSettings(settings);
        } catch (const Error& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    for (int perPage : {2, 4})
        EXPECT_EQ(problem([perPage](TBookSettings& s) { s.PuzzlesPerPage = perPage; }),
                  "a large-print book has one puzzle per page, not " + std::to_string(perPage));
    EXPECT_NE(problem([](TBookSettings& s) { s.Candidates = true; }).find("no candidates"),
              std::string::npos);
}

TEST(PrintedCandidatesTest, CandidatePlaceFollowsTheDigitsFromTopLeftToBottomRight)
{
    // A cell 0.5 in square at (1, 2) less 0.05 in: parts of 0.4 / 3 in.
    const double part = 0.4 / 3;
    const TCandidatePlace one = CandidatePlace(1, 2, 0.5, 0.05, 1, 6); // 0.1 in tall
    EXPECT_NEAR(one.Left, 1.05, 1e-12);
    EXPECT_NEAR(one.Width, part, 1e-12);
    EXPECT_NEAR(one.Top, 2.05 + (part - 0.1) / 2, 1e-12);
    const TCandidatePlace three = CandidatePlace(1, 2, 0.5, 0.05, 3, 6);
    EXPECT_NEAR(three.Left, 1.05 + 2 * part, 1e-12); // top right
    EXPECT_NEAR(three.Top, one.Top, 1e-12);
    const TCandidatePlace seven = CandidatePlace(1, 2, 0.5, 0.05, 7, 6);
    EXPECT_NEAR(seven.Left, 1.05, 1e-12); // bottom left
    EXPECT_NEAR(seven.Top, one.Top + 2 * part, 1e-12);
    const TCandidatePlace five = CandidatePlace(1, 2, 0.5, 0.05, 5, 6);
    EXPECT_NEAR(five.Left + five.Width / 2, 1.25, 1e-12); // the middle of the cell
    EXPECT_NEAR(five.Top + 0.05, 2.25, 1e-12);
}

// On every paper, each candidate digit stands in its own part of its cell, its glyph box (the
// digit's advance by the text item's height) at least 1 pt inside the cell's lines, the half
// pen of a box line included; the cell shows exactly the digits the model gives it.
TEST(PrintedCandidatesTest, EachCandidateStandsInItsPlaceClearOfTheLinesOnEveryPaper)
{
    for (const TPaper& paper : Papers()) {
        SCOPED_TRACE(std::string(paper.Name));
        TBookSettings settings = PrintReadyOn(std::string(paper.Name), 1, 1);
        settings.Candidates = true;
        LaidOutBook book(settings, 2026, kPuzzle, kSolution);
        const int n = book.plan.FrontPages + 1;
        const PageGrid grid = GridOf(book, n);
        ASSERT_EQ(grid.Columns.size(), 10u);
        ASSERT_EQ(grid.Rows.size(), 10u);
        EXPECT_GE(book.layout->SmallestText(), 7);
        const int digitSize = static_cast<int>(std::lround(25 * book.layout->Geometry().Scale()));
        std::map<std::pair<int, int>, std::string> shown; // (column, row) -> candidates
        constexpr double point = 1.0 / 72;
        for (auto* text : GridDigits(book, n, 1)) {
            if (text->Font().Size >= digitSize || text->Top() > grid.Rows.back()->Top())
                continue; // a given, or the page number
            const std::string& digit = text->Text();
            const int d = digit[0] - '0';
            const double size = text->Font().Size;
            const double w = book.measure(digit, text->Font().Size);
            const double centre = text->Left() + text->Width() / 2;
            const double x1 = centre - w / 2, x2 = centre + w / 2;
            const double y1 = text->Top(), y2 = text->Top() + size / 60;
            int c = 0, r = 0;
            while (c < 8 && grid.Columns[static_cast<std::size_t>(c + 1)]->Left() <= centre)
                ++c;
            while (r < 8 && grid.Rows[static_cast<std::size_t>(r + 1)]->Top() <= (y1 + y2) / 2)
                ++r;
            const auto* left = grid.Columns[static_cast<std::size_t>(c)];
            const auto* right = grid.Columns[static_cast<std::size_t>(c + 1)];
            const auto* top = grid.Rows[static_cast<std::size_t>(r)];
            const auto* bottom = grid.Rows[static_cast<std::size_t>(r + 1)];
            SCOPED_TRACE("digit " + digit + " in column " + std::to_string(c + 1) + ", row " +
                         std::to_string(r + 1));
            EXPECT_GE(size, 7);
            EXPECT_GE(x1, left->Left() + PageGrid::Half(left) + point - 1e-9);
            EXPECT_LE(x2, right->Left() - PageGrid::Half(right) - point + 1e-9);
            EXPECT_GE(y1, top->Top() + PageGrid::Half(top) + point - 1e-9);
            EXPECT_LE(y2, bottom->Top() - PageGrid::Half(bottom) - point + 1e-9);
            // Its place: row (d - 1) / 3, column (d - 1) % 3 of the cell's thirds.
            const double cell = right->Left() - left->Left();
            EXPECT_EQ(static_cast<int>((centre - left->Left()) / (cell / 3)), (d - 1) % 3);
            EXPECT_EQ(static_cast<int>(((y1 + y2) / 2 - top->Top()) / (cell / 3)), (d - 1) / 3);
            shown[{c + 1, r + 1}] += digit;
        }
        book.qj.LoadPuzzleString(kPuzzle);
        int full = 0;
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y) {
                const std::string expected =
                    CellText(kPuzzle, x, y).empty() ? book.qj.GetCandidates(x, y) : "";
                EXPECT_EQ(shown[std::pair(x, y)], expected) << "cell " << x << ", " << y;
                full = std::max(full, static_cast<int>(expected.size()));
            }
        EXPECT_GE(full, 4); // the puzzle gives some cells several candidates
    }
}

// Answer pages of every print-ready book print the givens bold and the solved digits regular;
// the puzzle pages print their givens bold only with BoldGivens. A plain book has no bold.
TEST(BoldGivensTest, AnswersSetGivensBoldAndPuzzlePagesOnlyWhenAsked)
{
    for (int kind = 0; kind < 3; ++kind) {
        const bool printReady = kind > 0, boldGivens = kind == 2;
        SCOPED_TRACE(kind);
        TBookSettings settings = PrintReadyOn("6x9", 4, 1);
        settings.PrintReady = printReady;
        settings.BoldGivens = boldGivens;
        LaidOutBook book(settings, 2026, kPuzzle, kSolution);
        const int puzzlePage = book.plan.FrontPages + 1;
        const std::vector<report::TRepText*> givens = GridDigits(book, puzzlePage);
        EXPECT_EQ(static_cast<int>(givens.size()), Givens(kPuzzle));
        for (auto* text : givens)
            EXPECT_EQ(text->Font().Bold, boldGivens) << text->Text();
        // One answer page, four grids of 81 digits drawn column by column.
        const std::vector<report::TRepText*> answers =
            GridDigits(book, book.plan.FrontPages + book.plan.PuzzlePages + 1);
        ASSERT_EQ(answers.size(), 4u * 81);
        for (std::size_t i = 0; i < answers.size(); ++i) {
            const int x = static_cast<int>(i % 81 / 9) + 1, y = static_cast<int>(i % 9) + 1;
            EXPECT_EQ(answers[i]->Text(), CellText(kSolution, x, y));
            EXPECT_EQ(answers[i]->Font().Bold, printReady && !CellText(kPuzzle, x, y).empty())
                << "cell " << x << ", " << y;
            EXPECT_EQ(answers[i]->Font().Name, printReady ? "Liberation Sans" : "Arial");
        }
    }
}

// On every paper a large-print page holds one grid as large as the block allows below the
// running head and the label, with bold givens of 20 pt or more, 3 pt box lines, cell lines of
// 1 pt or more and a label of 14 pt or more centred over the grid.
TEST(LargePrintTest, OneGridAsLargeAsThePageAllowsWithLargeBoldDigitsAndHeavyLines)
{
    constexpr double point = 1.0 / 72;
    for (const TPaper& paper : Papers()) {
        SCOPED_TRACE(std::string(paper.Name));
        TBookSettings settings = PrintReadyOn(std::string(paper.Name), 2, 1);
        settings.PrintReady = false;
        settings.LargePrint = true;
        LaidOutBook book(settings, 2026, kPuzzle, kSolution);
        const TPageGeometry& g = book.layout->Geometry();
        ASSERT_TRUE(g.PrintReady());
        const double blockBottom = g.PageHeight() - g.Margins().Bottom;
        for (int n = book.plan.FrontPages + 1; n <= book.plan.FrontPages + 2; ++n) {
            SCOPED_TRACE("page " + std::to_string(n));
            const PageGrid grid = GridOf(book, n);
            ASSERT_EQ(grid.Columns.size(), 10u);
            ASSERT_EQ(grid.Rows.size(), 10u);
            for (std::size_t i = 0; i < 10; ++i)
                for (const auto* line : {grid.Columns[i], grid.Rows[i]})
                    EXPECT_GE(line->LineWidth() * 72 / 600, i % 3 == 0 ? 3.0 : 1.0) << i;
            const double half = PageGrid::Half(grid.Columns.front());
            const double side = grid.Side();
            EXPECT_NEAR(grid.Rows.back()->Top() - grid.Top(), side, 1e-9); // square
            EXPECT_NEAR(grid.Left() + side / 2, g.BlockLeft(n) + g.BlockWidth() / 2, 1e-9);
            const bool fullWidth = std::abs(side + 2 * half - g.BlockWidth()) < 1e-9;
            const std::vector<report::TRepText*> texts = book.Texts(n);
            ASSERT_GE(texts.size(), 3u);
            const report::TRepText& head = *texts[0];
            const report::TRepText& label = *texts[1];
            EXPECT_EQ(label.Text(), "Sudoku #" + std::to_string(n - book.plan.FrontPages));
            EXPECT_NEAR(head.Top(), g.Margins().Top, 1e-9);
            EXPECT_GE(label.Font().Size, 14);
            EXPECT_EQ(label.FontJustify(), report::TPrintJustify::pjCenter);
            EXPECT_NEAR(label.Left() + label.Width() / 2, grid.Left() + side / 2, 1e-9);
            EXPECT_GE(label.Top(), head.Top() + head.Font().Size / 60.0);
            const double labelBottom = label.Top() + label.Font().Size / 60.0;
            EXPECT_LE(labelBottom + 4 * point, grid.Top() - half + 1e-9);
            // Either the block's width or the room below the label is used up.
            const bool fullHeight = std::abs(grid.Top() + side + half - blockBottom) < 1e-9 &&
                                    std::abs(grid.Top() - half - 4 * point - labelBottom) < 1e-9;
            EXPECT_TRUE(fullWidth || fullHeight) << side;
            if (paper.Name == "6x9") {
                EXPECT_GE(side, 4.75);
            }
            // Givens: bold, 20 pt or more, each inside its cell's lines.
            const std::vector<report::TRepText*> digits = GridDigits(book, n);
            EXPECT_EQ(static_cast<int>(digits.size()), Givens(kPuzzle));
            const double cell = side / 9;
            for (auto* text : digits) {
                EXPECT_TRUE(text->Font().Bold);
                EXPECT_GE(text->Font().Size, 20);
                const double centre = text->Left() + text->Width() / 2;
                const int c = static_cast<int>((centre - grid.Left()) / cell);
                const int r = static_cast<int>((text->Top() - grid.Top()) / cell);
                EXPECT_NEAR(centre, grid.Left() + (c + 0.5) * cell, 1e-9);
                EXPECT_GE(text->Top(), grid.Top() + r * cell + half);
                EXPECT_LE(text->Top() + text->Font().Size / 60.0,
                          grid.Top() + (r + 1) * cell - half);
                EXPECT_EQ(text->Text(), CellText(kPuzzle, c + 1, r + 1));
            }
        }
        EXPECT_NEAR(book.layout->SmallestGrid(), GridOf(book, book.plan.FrontPages + 1).Side(),
                    1e-12);
        // The answers: four grids a page (the last two empty here), their labels 14 pt where
        // they fit (here they do).
        const int answerPage = book.plan.FrontPages + book.plan.PuzzlePages + 1;
        int labels = 0;
        for (auto* text : book.Texts(answerPage))
            if (text->Text().rfind("Sudoku #", 0) == 0) {
                ++labels;
                EXPECT_GE(text->Font().Size, 14) << text->Text();
            }
        EXPECT_EQ(labels, 4);
    }
}

// ---- books of several levels

/// Sections of the given levels and counts, `perPage` puzzles a page, `answers` a page.
TBookSettings Sectioned(std::vector<TSection> sections, int perPage, int answers,
                        const std::string& paper = "6x9")
{
    TBookSettings settings;
    settings.Paper = paper;
    settings.Sections = std::move(sections);
    settings.PuzzlesPerPage = perPage;
    settings.AnswersPerPage = answers;
    return settings;
}

const std::vector<TSection> kFourSections = {{1, 20}, {2, 20}, {3, 12}, {4, 8}};

TEST(SectionPlanTest, SectionTitlePagesAndAnswersOpenOnRightHandPages)
{
    // 3 front pages, contents 4, section 1 title 5 and puzzles 6-15, notes 16, section 2 title
    // 17 and puzzles 18-27, notes 28, section 3 title 29 and puzzles 30-35, notes 36, section
    // 4 title 37 and puzzles 38-41, notes 42, answers from 43.
    TBookSettings settings = Sectioned(kFourSections, 2, 6);
    EXPECT_TRUE(settings.IsPrintReady());
    TBookPlan plan = PlanBook(settings);
    EXPECT_TRUE(plan.Sectioned);
    EXPECT_EQ(plan.FrontPages, 3);
    EXPECT_EQ(plan.ContentsPages, 1);
    ASSERT_EQ(plan.Sections.size(), 4u);
    const int titles[] = {5, 17, 29, 37}, firsts[] = {1, 21, 41, 53}, pages[] = {10, 10, 6, 4};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(plan.Sections[i].TitlePage, titles[i]) << i;
        EXPECT_EQ(plan.Sections[i].FirstPuzzle, firsts[i]) << i;
        EXPECT_EQ(plan.Sections[i].PuzzlePages, pages[i]) << i;
        EXPECT_EQ(plan.Sections[i].FirstPuzzlePage, titles[i] + 1) << i;
    }
    EXPECT_EQ(plan.InnerNotesPages, (std::vector<int>{16, 28, 36, 42}));
    EXPECT_EQ(plan.SectionPages, 8);
    EXPECT_EQ(plan.PuzzlePages, 30);
    EXPECT_EQ(plan.FirstAnswerPage, 43);
    EXPECT_EQ(plan.AnswerPages, 10); // 60 answers, 6 a page
    EXPECT_EQ(plan.NotesPages, 1);   // 52 pages and the blank one: one notes page evens them
    EXPECT_EQ(plan.Total(), 54);
    EXPECT_EQ(BookPageCount(settings), 54);
    // Puzzle numbers run on through the sections.
    EXPECT_EQ(plan.PageOfPuzzle(1), 6);
    EXPECT_EQ(plan.PageOfPuzzle(20), 15);
    EXPECT_EQ(plan.PageOfPuzzle(21), 18);
    EXPECT_EQ(plan.PageOfPuzzle(60), 41);
    EXPECT_EQ(plan.PageOfPuzzle(61), 0);
    EXPECT_EQ(plan.SectionOfPuzzle(41)->LevelIndex, 3);
    EXPECT_EQ(plan.SectionOfPuzzle(0), nullptr);

    // Nine answers a page: 7 answer pages, 43-49, and the blank page makes 50 without notes.
    settings.AnswersPerPage = 9;
    plan = PlanBook(settings);
    EXPECT_EQ(plan.AnswerPages, 7);
    EXPECT_EQ(plan.NotesPages, 0);
    EXPECT_EQ(plan.Total(), 50);
}

TEST(SectionPlanTest, PartPagesOddCountsAndSmallBooks)
{
    // Four a page: 5 puzzles take two pages, the second holding one. Titles 5 and 9 (5 + 1 + 2
    // = 8 is even: a notes page), answers 13 (9 + 1 + 2 = 12: a notes page).
    TBookPlan plan = PlanBook(Sectioned({{0, 5}, {5, 5}}, 4, 4));
    EXPECT_EQ(plan.Sections[0].TitlePage, 5);
    EXPECT_EQ(plan.Sections[1].TitlePage, 9);
    EXPECT_EQ(plan.Sections[1].PuzzlePages, 2);
    EXPECT_EQ(plan.PageOfPuzzle(5), 7);
    EXPECT_EQ(plan.PageOfPuzzle(6), 10);
    EXPECT_EQ(plan.InnerNotesPages, (std::vector<int>{8, 12}));
    EXPECT_EQ(plan.FirstAnswerPage, 13);
    EXPECT_EQ(plan.AnswerPages, 3);
    EXPECT_EQ(plan.Total(), 24); // padded to the least print-ready book
    // One puzzle a page, odd counts: no notes page needed where the pages fall right.
    plan = PlanBook(Sectioned({{2, 1}, {3, 2}}, 1, 9));
    EXPECT_EQ(plan.Sections[0].TitlePage, 5);
    EXPECT_EQ(plan.Sections[1].TitlePage, 7);
    EXPECT_EQ(plan.InnerNotesPages, std::vector<int>{10}); // 7 + 1 + 2 = 10 is even
    EXPECT_EQ(plan.FirstAnswerPage, 11);
    EXPECT_EQ(plan.Total() % 2, 0);
    // A single-level book has one run of puzzles and no contents or section pages.
    TBookSettings single = PrintReadyOn("6x9", 7, 2);
    single.AnswersPerPage = 9;
    plan = PlanBook(single);
    EXPECT_FALSE(plan.Sectioned);
    EXPECT_EQ(plan.ContentsPages + plan.SectionPages, 0);
    EXPECT_EQ(plan.FirstAnswerPage, 11);
    EXPECT_EQ(plan.AnswerPages, 2); // 14 answers, 9 a page
    EXPECT_EQ(plan.PageOfPuzzle(14), 10);
}

TEST(SectionPlanTest, HeadingsAndDemandsFollowTheLevels)
{
    EXPECT_EQ(SectionHeading(2, 2), "Section 2 - Standard");
    EXPECT_EQ(SectionHeading(1, 0), "Section 1 - Very Easy");
    EXPECT_NE(LevelDemands(1).find("Singles"), std::string_view::npos);
    EXPECT_NE(LevelDemands(3).find("pairs and triples"), std::string_view::npos);
    EXPECT_NE(LevelDemands(4).find("X-Wing"), std::string_view::npos);
    EXPECT_NE(LevelDemands(5).find("chains"), std::string_view::npos);
}

class SectionedLayoutTest : public ::testing::TestWithParam<std::tuple<std::string, int, int>>
{};

// A book of several levels on every paper, puzzle layout and answer layout keeps every mark,
// level marks included, inside the margins.
TEST_P(SectionedLayoutTest, EveryMarkStaysInsideTheMargins)
{
    const auto& [paper, perPage, answers] = GetParam();
    TBookSettings settings = Sectioned({{0, 3}, {5, 5}, {2, 2}}, perPage, answers, paper);
    settings.Title = "Mixed Levels";
    LaidOutBook book(settings, 2026, kPuzzle, kSolution);
    ExpectEveryMarkInsideTheMargins(book);
}

/// Every item of page `n` of `book`, one line each: class, bounds, text, font size and pen.
std::vector<std::string> PageItems(LaidOutBook& book, int n)
{
    std::vector<std::string> items;
    const report::TRepPage& page = book.Page(n);
    items.push_back(std::to_string(page.PageWidth()) + " x " + std::to_string(page.PageHeight()));
    for (const report::TRepComponent* child : page.Children()) {
        std::string line(child->ClassName());
        if (const report::TRepControl* control = child->AsControl())
            line += " " + std::to_string(control->Left()) + " " + std::to_string(control->Top()) +
                    " " + std::to_string(control->Width()) + " " +
                    std::to_string(control->Height()) + " \"" + control->Text() + "\"";
        if (const auto* text = dynamic_cast<const report::TRepText*>(child))
            line += " " + text->Font().Name + " " + std::to_string(text->Font().Size) +
                    (text->Font().Bold ? " bold " : " ") +
                    std::to_string(static_cast<int>(text->FontJustify()));
        if (const report::TRepControl* control = child->AsControl())
            line += " pen " + std::to_string(control->LineWidth());
        items.push_back(line);
    }
    return items;
}

// The book is laid out one page at a time as it prints, each page emptied once it has printed:
// every page, of every kind, must hold what the whole book laid out at once holds, in any order.
TEST(PageByPageLayoutTest, EachPageAloneHoldsWhatTheWholeBookHolds)
{
    TBookSettings settings = Sectioned({{0, 3}, {5, 5}, {2, 2}}, 2, 6, "6x9");
    settings.Title = "Mixed Levels";
    settings.Volume = 2;
    settings.Isbn = "978-3-16-148410-0";
    LaidOutBook whole(settings, 2026, kPuzzle, kSolution);
    LaidOutBook alone(settings, 2026, kPuzzle, kSolution);
    for (int n = 1; n <= alone.plan.Total(); ++n)
        alone.Page(n).FreeOwnedItems();
    // Backwards, so that no page can lean on one laid out before it.
    for (int n = alone.plan.Total(); n >= 1; --n) {
        SCOPED_TRACE("page " + std::to_string(n));
        alone.layout->LayoutPage(n, 2026);
        EXPECT_EQ(PageItems(alone, n), PageItems(whole, n));
        alone.Page(n).FreeOwnedItems();
    }
    EXPECT_EQ(alone.layout->SmallestText(), whole.layout->SmallestText());
    EXPECT_EQ(alone.layout->ThinnestLine(), whole.layout->ThinnestLine());
    EXPECT_EQ(alone.layout->SmallestGrid(), whole.layout->SmallestGrid());
    EXPECT_THROW(alone.layout->LayoutPage(alone.plan.Total() + 1, 2026), InternalError);
}

INSTANTIATE_TEST_SUITE_P(Papers, SectionedLayoutTest,
                         ::testing::Combine(::testing::Values("letter", "5.5x8.5", "6x9", "a5"),
                                            ::testing::Values(1, 2, 4), ::testing::Values(6, 9)),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param);
                             std::erase(name, '.');
                             return name + "_" + std::to_string(std::get<1>(info.param)) + "_" +
                                    std::to_string(std::get<2>(info.param));
                         });

/// The level marks of a page: per label (by its text), the filled and the empty squares drawn
/// between it and its grid, and whether every mark line keeps 4 pt from the grid's frame.
struct Marks
{
    int Filled = 0, Empty = 0;
    bool Clear = true;
};

std::map<std::string, Marks> MarksOf(LaidOutBook& book, int n)
{
    std::vector<report::TRepText*> labels;
    for (auto* text : book.Texts(n))
        if (text->Text().rfind("Sudoku #", 0) == 0)
            labels.push_back(text);
    std::vector<report::TRepLine*> frames, small;
    for (auto* child : book.Page(n).Children())
        if (auto* line = dynamic_cast<report::TRepLine*>(child)) {
            if (std::max(line->Width(), line->Height()) < 0.25)
                small.push_back(line);
            else if (line->Height() == 0)
                frames.push_back(line);
        }
    std::map<std::string, Marks> marks;
    std::map<std::string, std::set<long>> filledLefts;
    for (auto* line : small) {
        // The label just above the line and across it.
        report::TRepText* owner = nullptr;
        for (auto* label : labels)
            if (label->Top() < line->Top() && label->Left() <= line->Left() &&
                line->Left() <= label->Left() + label->Width() &&
                (!owner || label->Top() > owner->Top()))
                owner = label;
        if (!owner) {
            ADD_FAILURE() << "a mark without a label on page " << n;
            continue;
        }
        Marks& m = marks[owner->Text()];
        EXPECT_GE(line->Top() - line->LineWidth() / 1200.0,
                  owner->Top() + owner->Font().Size * 1.25 / 72 - 1e-9)
            << owner->Text();
        if (line->LineWidth() > 7)
            filledLefts[owner->Text()].insert(std::lround(line->Left() * 6000));
        else if (line->Height() > 0)
            ++m.Empty; // counted twice: both sides
        const double foot = line->Top() + line->Height() + line->LineWidth() / 1200.0;
        for (auto* frame : frames)
            if (frame->Top() > line->Top() && frame->Left() <= line->Left() &&
                line->Left() <= frame->Left() + frame->Width() &&
                frame->Top() - frame->LineWidth() / 1200.0 - foot < 4.0 / 72 - 1e-9)
                m.Clear = false;
    }
    for (auto& [label, m] : marks) {
        m.Empty /= 2;
        m.Filled = static_cast<int>(filledLefts[label].size());
    }
    return marks;
}

// Every puzzle and answer label of a book of several levels has its level's mark under it:
// filled squares for the level's rank, empty ones for the rest, 4 pt clear of the grid.
TEST(LevelMarkTest, EveryLabelCarriesItsLevelsMarkClearOfTheGrid)
{
    for (int answers : {4, 6, 9}) {
        SCOPED_TRACE(answers);
        TBookSettings settings = Sectioned({{0, 2}, {3, 3}, {5, 1}}, 2, answers);
        LaidOutBook book(settings, 2026, kPuzzle, kSolution);
        const TBookPlan& plan = book.plan;
        int labelled = 0;
        for (int n = plan.FrontPages + 1; n < plan.Total(); ++n) {
            if (n == plan.FrontPages + 1 ||
                std::ranges::any_of(plan.Sections,
                                    [n](const TSectionPlan& s) { return s.TitlePage == n; }))
                continue; // the contents and section pages show marks without labels
            for (const auto& [label, m] : MarksOf(book, n)) {
                int number = 0;
                ASSERT_EQ(std::sscanf(label.c_str(), "Sudoku #%d", &number), 1) << label;
                const int level = plan.SectionOfPuzzle(number)->LevelIndex;
                EXPECT_EQ(m.Filled, level + 1) << label;
                EXPECT_EQ(m.Empty, 5 - level) << label;
                EXPECT_TRUE(m.Clear) << label;
                ++labelled;
            }
        }
        EXPECT_EQ(labelled, 2 * 6); // every puzzle's label and every answer's
    }
    // A single-level book carries no marks.
    LaidOutBook single(PrintReadyOn("6x9", 2, 2), 2026, kPuzzle, kSolution);
    for (int n = 1; n <= single.plan.Total(); ++n)
        EXPECT_TRUE(MarksOf(single, n).empty()) << n;
}

// The contents page lists each section's title page and the first answer page, which carry
// those numbers and those headings; the answers of six and nine a page come in puzzle order
// with the puzzle's page, and no grid is drawn for an answer the book does not have.
TEST(SectionPagesTest, ContentsSectionPagesAndAnswerLabelsAgree)
{
    TBookSettings settings = Sectioned(kFourSections, 2, 9);
    LaidOutBook book(settings, 2026, kPuzzle, kSolution);
    const TBookPlan& plan = book.plan;
    std::vector<std::string> contents;
    for (auto* text : book.Texts(4))
        contents.push_back(text->Text());
    ASSERT_GE(contents.size(), 11u);
    EXPECT_EQ(contents[0], "Contents");
    EXPECT_EQ(book.layout->RunningHead(), "Easy to Expert Sudoku");
    const char* headings[] = {"Section 1 - Easy", "Section 2 - Standard", "Section 3 - Hard",
                              "Section 4 - Expert"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(contents[1 + 2 * i], headings[i]);
        EXPECT_EQ(contents[2 + 2 * i], std::to_string(plan.Sections[i].TitlePage));
        EXPECT_EQ(book.Texts(plan.Sections[i].TitlePage).front()->Text(), headings[i]);
        EXPECT_TRUE(
            HasText(book, plan.Sections[i].TitlePage, std::to_string(plan.Sections[i].TitlePage)));
    }
    EXPECT_EQ(contents[9], "Answers");
    EXPECT_EQ(contents[10], "43");
    std::string all;
    for (const std::string& line : contents)
        all += line + " ";
    EXPECT_NE(all.find("show its level"), std::string::npos) << all;
    EXPECT_NE(all.find("1 for very easy"), std::string::npos) << all;
    EXPECT_NE(all.find("6 for extreme"), std::string::npos) << all;
    EXPECT_TRUE(HasText(book, 17, "Puzzles #21 to #40"));
    for (int notes : plan.InnerNotesPages)
        EXPECT_TRUE(HasText(book, notes, "Notes")) << notes;

    int expected = 1;
    const PageGrid firstGrid = GridOf(book, plan.FirstAnswerPage);
    for (int a = 0; a < plan.AnswerPages; ++a) {
        const int n = plan.FirstAnswerPage + a;
        EXPECT_TRUE(HasText(book, n, "Answers"));
        int grids = 0;
        for (auto* child : book.Page(n).Children())
            if (auto* line = dynamic_cast<report::TRepLine*>(child))
                grids += line->Height() > 0.25 ? 1 : 0;
        EXPECT_EQ(grids, 10 * std::min(9, 60 - 9 * a)) << "page " << n;
        for (auto* text : book.Texts(n)) {
            if (text->Text().rfind("Sudoku #", 0) != 0)
                continue;
            EXPECT_EQ(text->Text(), "Sudoku #" + std::to_string(expected) + " - page " +
                                        std::to_string(plan.PageOfPuzzle(expected)));
            EXPECT_GE(text->Font().Size, 7);
            EXPECT_LE(book.measure(text->Text(), text->Font().Size), text->Width() + 1e-9);
            ++expected;
        }
    }
    EXPECT_EQ(expected, 61);
    ASSERT_FALSE(firstGrid.Columns.empty());
    // The answers' givens are bold, the solved digits regular.
    const std::vector<report::TRepText*> digits = GridDigits(book, plan.FirstAnswerPage, 7);
    ASSERT_EQ(digits.size(), 9u * 81);
    for (std::size_t i = 0; i < 81; ++i) {
        const int x = static_cast<int>(i / 9) + 1, y = static_cast<int>(i % 9) + 1;
        EXPECT_EQ(digits[i]->Text(), CellText(kSolution, x, y));
        EXPECT_EQ(digits[i]->Font().Bold, !CellText(kPuzzle, x, y).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Papers, PrintReadyLayoutTest,
                         ::testing::Combine(::testing::Values("letter", "a5", "5.5x8.5", "6x9",
                                                              "8.25x11"),
                                            ::testing::Values(1, 2, 4)),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param);
                             std::erase(name, '.');
                             return name + "_" + std::to_string(std::get<1>(info.param));
                         });

} // namespace
} // namespace gq::book
