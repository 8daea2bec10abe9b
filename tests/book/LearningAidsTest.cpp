#include "book/LearningAids.h"

#include "book/BookLayout.h"

#include <gtest/gtest.h>

#include <string>

namespace gq::book
{
namespace
{

using solve::Technique;

solve::TStep Step(Technique kind, std::string unit, std::vector<int> cells,
                  std::vector<solve::TCellDigit> place, std::vector<solve::TCellDigit> eliminate)
{
    solve::TStep step;
    step.Kind = kind;
    step.Unit = std::move(unit);
    step.Cells = std::move(cells);
    step.Place = std::move(place);
    step.Eliminate = std::move(eliminate);
    return step;
}

// The book prints the first nine characters of a puzzle as its first column: the solver reads
// the grid as printed, so that "r1c2" in a hint is the cell the reader sees there.
TEST(LearningAidsTest, TheSolverReadsTheGridAsPrinted)
{
    std::string text(81, '0');
    text[1] = '5'; // second character: column 1, row 2 on the page
    text[9] = '7'; // tenth character: column 2, row 1
    const solve::Grid grid = PrintedGrid(text);
    EXPECT_EQ(grid[9], 5); // r2c1
    EXPECT_EQ(grid[1], 7); // r1c2
    EXPECT_EQ(grid[0], 0);
    // A short or foreign text leaves the cells it lacks open.
    EXPECT_EQ(PrintedGrid("12").at(80), 0);
    EXPECT_EQ(PrintedGrid("x2")[0], 0);
}

TEST(LearningAidsTest, HintsNameTheFirstStepPastTheSingles)
{
    solve::TExplanation singles;
    singles.Steps = {Step(Technique::HiddenSingle, "row 3", {20}, {{20, 7}}, {})};
    singles.Solved = true;
    EXPECT_EQ(HintLine(4, singles), "#4: singles only");
    singles.Solved = false;
    EXPECT_EQ(HintLine(4, singles), "#4: singles, then no technique of this book");

    // In a unit: the unit, and the first removal with how many more.
    solve::TExplanation pair;
    pair.Steps = {Step(Technique::NakedSingle, "", {0}, {{0, 1}}, {}),
                  Step(Technique::NakedPair, "box 4", {27, 28}, {}, {{36, 7}, {45, 2}, {46, 7}}),
                  Step(Technique::XWing, "", {1, 2, 3, 4}, {}, {{5, 3}})};
    pair.Solved = true;
    EXPECT_EQ(HintLine(37, pair), "#37: a Naked Pair in box 4 removes 7 from r5c1 (and 2 more)");

    // Across units: the pattern's first cells, an article that reads right.
    solve::TExplanation fish;
    fish.Steps = {Step(Technique::XWing, "", {0, 8, 72, 80, 9, 17}, {}, {{40, 3}})};
    EXPECT_EQ(HintLine(2, fish),
              "#2: an X-Wing on r1c1, r1c9, r9c1, r9c9 and 2 more cells removes 3 from r5c5");
}

TEST(LearningAidsTest, AnswerNotesNameTheHardestTechnique)
{
    solve::TExplanation explanation;
    EXPECT_EQ(AnswerNote(explanation), "");
    explanation.Hardest = Technique::Swordfish;
    explanation.Solved = true;
    EXPECT_EQ(AnswerNote(explanation), "Hardest: Swordfish");
    explanation.Solved = false;
    EXPECT_EQ(AnswerNote(explanation), "Hardest: Swordfish, then beyond this book");
}

TEST(LearningAidsTest, WorkedPuzzlesAreTheFirstOfEachSectionOrOfTheBook)
{
    TBookSettings sections;
    sections.Sections = {{0, 5}, {2, 7}, {4, 3}};
    const TBookPlan sectioned = PlanBook(sections);
    EXPECT_EQ(WorkedPuzzles(sectioned, 2), (std::vector<int>{1, 6}));
    EXPECT_EQ(WorkedPuzzles(sectioned, 6), (std::vector<int>{1, 6, 13}));

    TBookSettings one;
    one.PageCount = 2;
    one.PuzzlesPerPage = 1;
    EXPECT_EQ(WorkedPuzzles(PlanBook(one), 6), (std::vector<int>{1, 2}));
    EXPECT_TRUE(WorkedPuzzles(PlanBook(one), 0).empty());
}

} // namespace
} // namespace gq::book
