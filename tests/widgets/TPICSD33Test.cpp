#include "widgets/TPICSD33.h"

#include "puzzle/Grid.h"

#include <gtest/gtest.h>

#include <string>

namespace gq::widgets
{
namespace
{

TEST(TPICSD33Test, FreshControlHoldsNoGivens)
{
    TPICSD33 grid;
    EXPECT_EQ(grid.GetPuzzleString(), std::string(81, '0'));
    EXPECT_EQ(grid.Cell(3, 3).State, csInitial);
    EXPECT_EQ(grid.Cell(1, 4).Color, grid.UNFoucsColor2) << "even boxes take the second colour";
    EXPECT_EQ(grid.Cell(1, 1).Color, grid.UNFoucsColor1);
}

TEST(TPICSD33Test, LayoutLeavesGapsBetweenBoxes)
{
    TPICSD33 grid;
    const int edges[] = {2, 48, 94, 142, 188, 234, 282, 328, 374};
    for (int i = 1; i <= 9; ++i) {
        EXPECT_EQ(grid.Cell(1, i).Left, edges[i - 1]);
        EXPECT_EQ(grid.Cell(i, 1).Top, edges[i - 1]);
    }
    EXPECT_EQ(grid.Cell(4, 7).Left, 282);
    EXPECT_EQ(grid.Cell(4, 7).Top, 142);
    EXPECT_EQ(grid.Cell(4, 7).Marks[5].Left, 16);
    EXPECT_EQ(grid.Cell(4, 7).Marks[9].Top, 30);
}

TEST(TPICSD33Test, PuzzleStringCarriesOnlyGivens)
{
    TPICSD33 grid;
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            TPicNode& cell = grid.Cell(row, col);
            bool given = (row + col) % 3 == 0;
            cell.State = given ? csGiven : csOpen;
            cell.Text = given ? std::to_string((row + 2 * col) % 9 + 1) : "1234";
        }
    std::string puzzle = grid.GetPuzzleString();
    ASSERT_EQ(puzzle.size(), 81u);
    EXPECT_EQ(std::count(puzzle.begin(), puzzle.end(), '0'), 81 - 27);
    EXPECT_EQ(puzzle[0], '0');
    EXPECT_EQ(puzzle[1], '6') << "(1,2) holds (1 + 4) mod 9 + 1";
}

TEST(TPICSD33Test, CandidatesIgnoreOpenCellsButCountInitialOnes)
{
    TPICSD33 grid;
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col)
            grid.Cell(row, col).State = csOpen;
    grid.Cell(1, 1).State = csGiven;
    grid.Cell(1, 1).Text = "7";
    grid.Cell(1, 5).Text = "9"; // open: never a peer
    EXPECT_EQ(grid.GetCellCandidates(1, 2), "12345689");
    EXPECT_EQ(grid.GetCellCandidates(5, 5), "123456789");
    grid.Cell(9, 5).State = csInitial;
    grid.Cell(9, 5).Text = "3";
    EXPECT_EQ(grid.GetCellCandidates(5, 5), "12456789");
    grid.Cell(9, 5).Text = "34";
    EXPECT_EQ(grid.GetCellCandidates(5, 5), "123456789") << "only a one-digit Text is a given";
}

TEST(TPICSD33Test, CandidatesAreTheDigitsNoFilledPeerHolds)
{
    // A scattered pattern of filled cells; every cell's candidates are checked against a search
    // of the whole grid for peers (same row, column or box, not the cell itself).
    TPICSD33 grid;
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            TPicNode& cell = grid.Cell(row, col);
            const bool filled = (row * 7 + col * 5) % 4 == 0;
            cell.State = filled ? csGiven : csOpen;
            cell.Text = filled ? std::to_string((row * 3 + (row - 1) / 3 + col) % 9 + 1) : "1";
        }
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            const TPicNode& self = grid.Cell(row, col);
            std::string expected;
            for (char digit = '1'; digit <= '9'; ++digit) {
                bool held = false;
                for (int r = 1; r <= 9; ++r)
                    for (int c = 1; c <= 9; ++c)
                        held = held || (grid.Cell(r, c).State != csOpen &&
                                        puzzle::ArePeers(row, col, r, c) &&
                                        grid.Cell(r, c).Text[0] == digit);
                // A filled cell rules out only its own digit, as on the printed pages.
                if (self.State != csOpen)
                    held = self.Text[0] == digit;
                if (!held)
                    expected += digit;
            }
            EXPECT_EQ(grid.GetCellCandidates(row, col), expected) << row << "," << col;
        }
}

TEST(TPICSD33Test, MarksFollowTextOnRefreshAndHide)
{
    TPICSD33 grid;
    TPicNode& open = grid.Cell(2, 2);
    open.State = csOpen;
    open.Text = "258";
    TPicNode& empty = grid.Cell(3, 3);
    empty.State = csOpen;
    empty.Text = "";
    TPicNode& given = grid.Cell(4, 4);
    given.State = csGiven;
    given.Text = "6";
    grid.RefreshCells();
    for (int n = 1; n <= 9; ++n)
        EXPECT_EQ(open.Marks[n].Visible, n == 2 || n == 5 || n == 8) << n;
    EXPECT_EQ(given.Caption, "6");
    EXPECT_FALSE(given.Marks[6].Visible);
    EXPECT_EQ(given.FontSize, grid.FONTSize1);

    given.Show();
    grid.HideMarks();
    for (int n = 1; n <= 9; ++n) {
        EXPECT_FALSE(open.Marks[n].Visible);
        EXPECT_FALSE(empty.Marks[n].Visible);
        EXPECT_TRUE(given.Marks[n].Visible) << "one-character texts keep their marks";
    }
}

TEST(TPICSD33Test, MouseEventsReachAssignedHandlersOnly)
{
    TPicNode cell;
    cell.MouseEnter(); // nothing assigned: nothing happens
    int entered = 0;
    cell.OnMouseEnter = [&](Tmousepanel& sender) { entered += &sender == &cell; };
    cell.MouseEnter();
    cell.MouseLeave();
    EXPECT_EQ(entered, 1);
}

} // namespace
} // namespace gq::widgets
