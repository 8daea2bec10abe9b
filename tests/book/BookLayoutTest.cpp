#include "book/BookLayout.h"

#include "book/Publisher.h"
#include "gq/Error.h"
#include "report/RepItems.h"
#include "report/RepProject.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace gq::book
{
namespace
{

using report::TRepControl;
using report::TRepHLine;
using report::TRepPage;
using report::TRepText;
using report::TRepVLine;

/// Records the progress a layout reports.
struct RecordingProgress : IBookProgress
{
    std::vector<int> Values;
    void SetProgress(int value) override { Values.push_back(value); }
    void SetCaption(std::string_view) override {}
    void Repaint() override {}
    void Completed(const std::string&) override {}
};

/// Lays out a whole book of distinguishable puzzles and keeps its report open for inspection.
class BookLayoutTest : public ::testing::Test
{
  protected:
    puzzle::TRandom Random;
    puzzle::TQJ QJ1{Random};
    report::TRepProject Project;
    std::unique_ptr<puzzle::TPuzzleBatch> Batch = std::make_unique<puzzle::TPuzzleBatch>();
    RecordingProgress Progress;

    void Lay(int pages, int perPage, bool candidates, int puzzles = -1)
    {
        TBookSettings settings;
        settings.PageCount = pages;
        settings.PuzzlesPerPage = perPage;
        settings.Candidates = candidates;
        settings.LevelIndex = 3;
        if (puzzles < 0)
            puzzles = pages * perPage;
        for (int i = 1; i <= puzzles; ++i) {
            if (Batch->Puzzles[i].empty())
                Batch->Puzzles[i] = PuzzleNumbered(i);
            Batch->Solutions[i] =
                Batch->Solutions[i].empty() ? SolutionNumbered(i) : Batch->Solutions[i];
        }
        Project.NewProject();
        auto* report = dynamic_cast<report::TRepReport*>(Project.Manager()->FindByPath("Report1"));
        for (int n = 2; n <= BookPageCount(settings); ++n)
            report->AddPage();
        TBookLayout layout(*Project.Manager(), QJ1, *Batch, settings, Progress);
        layout.LayoutPuzzlePages();
        layout.LayoutAnswerPages();
    }

    /// A puzzle whose first cell holds its number's last digit (1..9) and nothing else.
    static std::string PuzzleNumbered(int n)
    {
        return std::string(1, static_cast<char>('1' + (n - 1) % 9)) + std::string(80, '0');
    }
    static std::string SolutionNumbered(int n)
    {
        return std::string(81, static_cast<char>('1' + (n - 1) % 9));
    }

    TRepPage& Page(int n)
    {
        return *dynamic_cast<TRepPage*>(
            Project.Manager()->FindByPath("Report1.Page" + std::to_string(n)));
    }
    static TRepText& Text(TRepPage& page, int index)
    {
        return *dynamic_cast<TRepText*>(page.Child(index));
    }
    static std::vector<std::string> Labels(TRepPage& page)
    {
        std::vector<std::string> labels;
        for (auto* child : page.Children())
            if (auto* text = dynamic_cast<TRepText*>(child);
                text && text->Text().rfind("Sudoku #", 0) == 0)
                labels.push_back(text->Text());
        return labels;
    }
};

TEST(BookHelpersTest, RoundUpCellTextAndPageCount)
{
    EXPECT_EQ(RoundUp(20.0 / 4), 5);
    EXPECT_EQ(RoundUp(21.0 / 4), 6);
    EXPECT_EQ(RoundUp(0.25), 1);
    EXPECT_EQ(RoundUp(0), 0);

    std::string text(81, '0');
    text[11] = '7'; // position 12
    EXPECT_EQ(CellText(text, 2, 3), "7");
    EXPECT_EQ(CellText(text, 3, 2), "");
    EXPECT_EQ(CellText("", 9, 9), "") << "an empty solution prints nothing";

    const int table[][3] = {{1, 1, 2},   {1, 7, 9},   {1, 20, 25},  {2, 7, 11},
                            {2, 20, 30}, {4, 20, 40}, {4, 200, 400}};
    for (auto [per, q, pages] : table) {
        TBookSettings settings;
        settings.PuzzlesPerPage = per;
        settings.PageCount = q;
        EXPECT_EQ(BookPageCount(settings), pages) << per << " per page, " << q << " pages";
    }
}

TEST_F(BookLayoutTest, OnePerPagePlacesTitleLabelGridAndFooter)
{
    Batch->Puzzles[1] = std::string(81, '0');
    Batch->Puzzles[1][11] = '7';
    Lay(1, 1, false);
    TRepPage& page = Page(1);
    ASSERT_EQ(page.ChildCount(), 1 + 1 + 20 + 81 + 1);
    EXPECT_TRUE(page.WasteFit);

    TRepText& title = Text(page, 0);
    EXPECT_EQ(title.Text(), "Hard Sudoku by Gridquill");
    EXPECT_DOUBLE_EQ(title.Left(), 5.4);
    EXPECT_DOUBLE_EQ(title.Top(), 0.6);
    EXPECT_EQ(title.Font().Size, 12);
    EXPECT_EQ(title.Font().Name, "Arial");
    EXPECT_EQ(Text(page, 1).Text(), "Sudoku #1");
    EXPECT_NEAR(Text(page, 1).Left(), 3.18, 1e-9);
    EXPECT_EQ(Text(page, 1).Font().Size, 28);

    // Thick lines at 1.99, 4.51, 7.03, 9.55 from the top and 0.5, 3.02, 5.54, 8.06 from the left.
    const double thick[] = {1.99, 4.51, 7.03, 9.55};
    const double thickLeft[] = {0.5, 3.02, 5.54, 8.06};
    for (int k = 0; k < 4; ++k) {
        auto* h = dynamic_cast<TRepHLine*>(page.Child(2 + 3 * k));
        auto* v = dynamic_cast<TRepVLine*>(page.Child(12 + 3 * k));
        ASSERT_TRUE(h && v);
        EXPECT_NEAR(h->Top(), thick[k], 1e-9);
        EXPECT_NEAR(h->Width(), 7.56, 1e-9);
        EXPECT_EQ(h->LineWidth(), 10);
        EXPECT_NEAR(v->Left(), thickLeft[k], 1e-9);
        EXPECT_NEAR(v->Height(), 7.56, 1e-9);
    }
    EXPECT_EQ(dynamic_cast<TRepHLine*>(page.Child(3))->LineWidth(), 5);

    // Text position 12 (row 2, column 3 of the text) prints in grid column 2, row 3.
    TRepText& seven = Text(page, 22 + 9 + 2);
    EXPECT_EQ(seven.Text(), "7");
    EXPECT_NEAR(seven.Left(), 1.3, 1e-9);
    EXPECT_NEAR(seven.Top(), 3.87, 1e-9);
    EXPECT_EQ(seven.Font().Size, 25);
    EXPECT_EQ(seven.FontJustify(), report::TPrintJustify::pjCenter);
    EXPECT_DOUBLE_EQ(seven.Width(), 1.0);
    EXPECT_EQ(Text(page, 22).Text(), "") << "open cells still get a text item";

    TRepText& footer = Text(page, 103);
    EXPECT_EQ(footer.Text(), kPublisherWebAddress);
    EXPECT_NEAR(footer.Left(), 6.24, 1e-9);
    EXPECT_NEAR(footer.Top(), 9.56, 1e-9);
}

TEST_F(BookLayoutTest, CandidatesFillOpenCellsInSmallType)
{
    Batch->Puzzles[1] = std::string(81, '0');
    Batch->Puzzles[1][0] = '7';
    Lay(1, 1, true);
    TRepPage& page = Page(1);
    EXPECT_EQ(Text(page, 22).Text(), "7");
    EXPECT_EQ(Text(page, 22).Font().Size, 25);
    EXPECT_EQ(Text(page, 22 + 1).Text(), "12345689") << "same column of the text's first row";
    EXPECT_EQ(Text(page, 22 + 4 * 9 + 4).Text(), "123456789") << "no given among its peers";
    EXPECT_EQ(Text(page, 22 + 4 * 9 + 4).Font().Size, 12);
    EXPECT_NEAR(Text(page, 22 + 4 * 9 + 4).Left(), 0.46 + 4 * 0.84, 1e-9);
}

TEST_F(BookLayoutTest, TwoAndFourPerPageCarryTheirPuzzlesInReadingOrder)
{
    Lay(3, 2, true);
    EXPECT_EQ(Labels(Page(3)), (std::vector<std::string>{"Sudoku #5", "Sudoku #6"}));
    TRepPage& page3 = Page(3);
    EXPECT_NEAR(Text(page3, 1).Top(), 1.0, 1e-9);
    EXPECT_NEAR(Text(page3, 1 + 101 + 1).Top(), 5.9, 1e-9);
    EXPECT_EQ(Text(page3, page3.ChildCount() - 1).Text(), kPublisherWebAddress);
    EXPECT_NEAR(Text(page3, page3.ChildCount() - 1).Top(), 10.62, 1e-9);
    for (auto* child : page3.Children())
        if (auto* text = dynamic_cast<TRepText*>(child); text && text->Font().Size == 12) {
            EXPECT_TRUE(text->Text().size() != 9) << "two per page never prints candidates";
        }

    Lay(2, 4, false);
    TRepPage& page2 = Page(2);
    EXPECT_EQ(Labels(page2),
              (std::vector<std::string>{"Sudoku #5", "Sudoku #6", "Sudoku #7", "Sudoku #8"}));
    // Top-right grid: its first cell at (4.2, 1.62), its last at (7.4, 4.82).
    const int topRightTexts = 1 + 102 + 1 + 20;
    EXPECT_NEAR(Text(page2, topRightTexts).Left(), 4.2, 1e-9);
    EXPECT_NEAR(Text(page2, topRightTexts).Top(), 1.62, 1e-9);
    EXPECT_EQ(Text(page2, topRightTexts).Text(), "6") << "puzzle 6's first cell";
    EXPECT_NEAR(Text(page2, topRightTexts + 80).Left(), 7.4, 1e-9);
    EXPECT_NEAR(Text(page2, topRightTexts + 80).Top(), 4.82, 1e-9);
    EXPECT_NEAR(Text(page2, page2.ChildCount() - 1).Top(), 9.7, 1e-9);
}

TEST_F(BookLayoutTest, AnswerPagesShowFourSolutionsAndEmptyGridsBeyondTheBook)
{
    Lay(7, 2, false);
    TRepPage& last = Page(11);
    EXPECT_EQ(Text(last, 1).Text(), "Answers");
    EXPECT_EQ(Labels(last),
              (std::vector<std::string>{"Sudoku #13", "Sudoku #14", "Sudoku #15", "Sudoku #16"}));
    const int topLeftTexts = 2 + 1 + 20;
    EXPECT_EQ(Text(last, topLeftTexts).Text(), "4") << "solution 13 is all 4s";
    const int bottomRightTexts = 2 + 3 * 102 + 1 + 20;
    EXPECT_EQ(Text(last, bottomRightTexts + 80).Text(), "") << "answer 16 does not exist";
    EXPECT_NEAR(Text(last, bottomRightTexts + 80).Left(), 7.4, 1e-9);
    EXPECT_NEAR(Text(last, bottomRightTexts + 80).Top(), 9.22, 1e-9);
    EXPECT_EQ(Text(last, bottomRightTexts + 80).Font().Size, 18);
}

TEST_F(BookLayoutTest, ProgressFollowsThePageNumber)
{
    Lay(20, 1, false);
    std::vector<int> expected;
    for (int q = 1; q <= 20; ++q)
        expected.push_back(q * 30 / 20);
    for (int a = 1; a <= 5; ++a)
        expected.push_back((20 + a) * 30 / 20);
    EXPECT_EQ(Progress.Values, expected);
    EXPECT_EQ(Progress.Values.back(), 37);
}

TEST_F(BookLayoutTest, EveryItemStaysInsideThePrintableArea)
{
    for (int per : {1, 2, 4}) {
        Lay(3, per, per == 1);
        TBookSettings settings;
        settings.PageCount = 3;
        settings.PuzzlesPerPage = per;
        for (int n = 1; n <= BookPageCount(settings); ++n)
            for (auto* child : Page(n).Children()) {
                auto* control = dynamic_cast<TRepControl*>(child);
                ASSERT_TRUE(control);
                EXPECT_GE(control->Left(), 0.2 - 1e-9);
                EXPECT_LE(control->Left() + control->Width(), 8.4 + 1e-9)
                    << per << " per page, page " << n;
                EXPECT_GE(control->Top(), 0.6 - 1e-9);
                EXPECT_LE(control->Top() + control->Height(), 10.82 + 1e-9)
                    << per << " per page, page " << n;
            }
    }
}

} // namespace
} // namespace gq::book

namespace gq::book
{
namespace
{

// A book is resolved once into the texts, plan and paper every later step reads.
TEST(DescribeBookTest, ResolvesTextsPlanAndPaperOnce)
{
    TBookSettings plain;
    const TBookDescription plainBook = DescribeBook(plain);
    EXPECT_EQ(plainBook.Title, "Very Easy Sudoku");
    EXPECT_EQ(plainBook.DocumentTitle, ""); // a plain book names no title it was not given
    EXPECT_FALSE(plainBook.Geometry.PrintReady());
    EXPECT_EQ(plainBook.Plan.Total(), BookPageCount(plain));

    TBookSettings publisher;
    publisher.PrintReady = true;
    publisher.Paper = "6x9";
    publisher.Title = "Caf\xC3\xA9 Puzzles";
    publisher.Author = "   "; // blank: none
    publisher.Volume = 3;
    publisher.Isbn = "978-1-4028-9462-6";
    const TBookDescription book = DescribeBook(publisher);
    EXPECT_EQ(book.Title, "Caf\xE9 Puzzles"); // page encoding
    EXPECT_EQ(book.DocumentTitle, book.Title);
    EXPECT_EQ(book.RunningHead, "Caf\xE9 Puzzles - Volume 3");
    EXPECT_EQ(book.Author, "");
    EXPECT_EQ(book.Settings.Author, "");
    EXPECT_EQ(book.Isbn, "978-1-4028-9462-6");
    EXPECT_TRUE(book.Geometry.PrintReady());
    EXPECT_EQ(book.Geometry.Paper().Name, "6x9");
    EXPECT_EQ(book.Plan.Total(), BookPageCount(publisher));

    TBookSettings untitled;
    untitled.PdfX = true;
    untitled.LevelIndex = 3;
    EXPECT_EQ(DescribeBook(untitled).DocumentTitle, "Hard Sudoku");

    // Describing checks the settings; resolving alone does not.
    TBookSettings wrong = publisher;
    wrong.Isbn = "978-1-4028-9462-7";
    EXPECT_THROW(DescribeBook(wrong), Error);
    EXPECT_NO_THROW(ResolveBook(wrong));
    wrong = publisher;
    wrong.Paper = "b5";
    EXPECT_THROW(ResolveBook(wrong), Error);
}

} // namespace
} // namespace gq::book
