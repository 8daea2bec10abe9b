// Paper sizes, the page plan and the layout transform of print-ready books: every mark inside
// the mirrored margins, nothing below 7 pt, lines at least 0.75 pt, page numbers in place.
#include "book/BookLayout.h"
#include "book/PageGeometry.h"
#include "book/TextEncoding.h"
#include "gq/Error.h"
#include "puzzle/Random.h"
#include "report/FontManager.h"
#include "report/RepItems.h"
#include "report/RepProject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

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
    const Case cases[] = {
        {20, 1, false, 0, 0, 25},  // a plain book: no front matter, no notes
        {1, 1, true, 2, 20, 24},   // 2 + 1 + 1 pages padded to 24
        {21, 1, true, 2, 1, 30},   // 2 + 21 + 6 = 29: one notes page makes it even
        {20, 1, true, 2, 1, 28},   // 2 + 20 + 5 = 27
        {200, 4, true, 2, 0, 402}, // already even
        {7, 2, true, 2, 11, 24},   // 2 + 7 + 4 = 13
    };
    for (const Case& c : cases) {
        TBookSettings settings;
        settings.PageCount = c.Pages;
        settings.PuzzlesPerPage = c.PerPage;
        settings.PrintReady = c.PrintReady;
        TBookPlan plan = PlanBook(settings);
        EXPECT_EQ(plan.FrontPages, c.Front) << c.Pages;
        EXPECT_EQ(plan.NotesPages, c.Notes) << c.Pages;
        EXPECT_EQ(plan.Total(), c.Total) << c.Pages;
        EXPECT_EQ(BookPageCount(settings), c.Total);
    }
    TBookSettings pdfx;
    pdfx.PdfX = true; // implies print-ready
    EXPECT_EQ(PlanBook(pdfx).FrontPages, 2);
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

/// Lays out a whole print-ready book and checks every item of every page against the margins,
/// measuring texts in the face the book embeds.
class PrintReadyLayoutTest : public ::testing::TestWithParam<std::tuple<std::string, int>>
{};

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
    auto batch = std::make_unique<puzzle::TPuzzleBatch>();
    for (int i = 1; i <= 12; ++i) {
        batch->Puzzles[i] = std::string(40, '0') + std::string(41, '5');
        batch->Solutions[i] = std::string(81, '7');
    }
    puzzle::TRandom random;
    puzzle::TQJ qj(random);
    report::TRepProject project;
    project.NewProject();
    auto* report = dynamic_cast<report::TRepReport*>(project.Manager()->FindByPath("Report1"));
    const TBookPlan plan = PlanBook(settings);
    for (int n = 2; n <= plan.Total(); ++n)
        report->AddPage();
    NullProgress progress;
    TBookLayout layout(*project.Manager(), qj, *batch, settings, progress);
    report::TFontManager fonts;
    const TTextMeasure measure = PrintReadyMeasure(fonts);
    layout.SetTextMeasure(measure);
    layout.LayoutFrontMatter();
    layout.LayoutPuzzlePages();
    layout.LayoutAnswerPages();
    layout.LayoutNotesPages();
    EXPECT_GE(layout.SmallestText(), 7);
    EXPECT_GE(layout.ThinnestLine() * 72.0 / 600, 0.75);

    const TPageGeometry& g = layout.Geometry();
    const TMargins& m = g.Margins();
    for (int n = 1; n <= plan.Total(); ++n) {
        SCOPED_TRACE("page " + std::to_string(n));
        auto* page = dynamic_cast<report::TRepPage*>(
            project.Manager()->FindByPath("Report1.Page" + std::to_string(n)));
        ASSERT_TRUE(page);
        EXPECT_EQ(page->PageWidth(), g.PageWidth());
        const double left = g.BlockLeft(n), right = left + g.BlockWidth();
        bool numbered = false;
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
                x1 = centred ? text->Left() + text->Width() / 2 - w / 2 : text->Left();
                x2 = x1 + w;
                y1 = text->Top();
                y2 = text->Top() + text->Font().Size / 60.0;
                if (text->Text() == std::to_string(n) && y1 > g.PageHeight() - m.Bottom) {
                    numbered = true;
                    EXPECT_LE(y2, g.PageHeight() - 0.25);
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
