#include "RuleChecker.h"
#include "variant/Board.h"
#include "variant/Generator.h"
#include "variant/Grader.h"
#include "variant/Random.h"
#include "variant/Solver.h"

#include "gq/Error.h"

#include <gtest/gtest.h>

#include <string>

namespace gq::variant
{
namespace
{

/// A grid from text, one character a cell: '.' or '0' open, 1-9 then A-G.
std::vector<int> G(const std::string& text)
{
    std::vector<int> grid;
    for (char ch : text)
        grid.push_back(ch == '.' ? 0 : ch <= '9' ? ch - '0' : ch - 'A' + 10);
    return grid;
}

Shape Boxes(int size, int rows, int columns)
{
    Shape shape;
    shape.Size = size;
    shape.BoxRows = rows;
    shape.BoxColumns = columns;
    return shape;
}

TEST(VariantShapeTest, UnitsFollowBoxesRegionsAndDiagonals)
{
    Shape six = Boxes(6, 2, 3); // boxes of two rows by three columns
    EXPECT_EQ(six.RegionOf(0), 0);
    EXPECT_EQ(six.RegionOf(3), 1);     // r1c4
    EXPECT_EQ(six.RegionOf(2 * 6), 2); // r3c1
    EXPECT_EQ(six.RegionOf(35), 5);
    EXPECT_EQ(six.Units().size(), 18u);

    Shape x = Boxes(9, 3, 3);
    x.Diagonals = true;
    const auto units = x.Units();
    ASSERT_EQ(units.size(), 29u);
    EXPECT_EQ(units[27], (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80}));
    EXPECT_EQ(units[28], (std::vector<int>{8, 16, 24, 32, 40, 48, 56, 64, 72}));
}

TEST(VariantShapeTest, ValidateRefusesBrokenRegionsAndCages)
{
    Shape four = Boxes(4, 2, 2);
    EXPECT_NO_THROW(four.Validate());
    // Region 0 in two pieces (the top-left and bottom-right corners swapped with region 3).
    four.Regions = {3, 0, 1, 1, 0, 0, 1, 1, 2, 2, 3, 3, 2, 2, 3, 0};
    EXPECT_THROW(four.Validate(), InternalError);
    four.Regions = {0, 0, 1, 1, 0, 0, 1, 1, 2, 2, 3, 3, 2, 2, 3, 3};
    EXPECT_NO_THROW(four.Validate());

    Shape killer = Boxes(4, 2, 2);
    for (int cell = 0; cell < 16; ++cell)
        killer.Cages.push_back({{cell}, 1 + cell % 4});
    EXPECT_NO_THROW(killer.Validate());
    killer.Cages[0].Sum = 5; // one cell of a 4 x 4 grid holds 4 at most
    EXPECT_THROW(killer.Validate(), InternalError);
    killer.Cages[0].Sum = 1;
    killer.Cages[1].Cells.push_back(0); // cell 0 in two cages
    EXPECT_THROW(killer.Validate(), InternalError);
    killer.Cages[1].Cells = {1};
    killer.Cages[2].Cells = {2, 8}; // not one piece
    EXPECT_THROW(killer.Validate(), InternalError);
}

TEST(VariantSolverTest, CountsSolutionsUpToTwo)
{
    const Shape four = Boxes(4, 2, 2);
    std::vector<int> solution;
    EXPECT_EQ(CountSolutions(four, G("1234341221434321"), 2, &solution), 1);
    EXPECT_EQ(solution, G("1234341221434321"));
    EXPECT_EQ(CountSolutions(four, std::vector<int>(16, 0), 2), 2);
    // Opened in a rectangle 1/2 over two boxes (r1c1, r1c2, r3c1, r3c2): they can swap.
    EXPECT_EQ(CountSolutions(four, G("..343412..434321"), 2), 2);
    EXPECT_EQ(CountSolutions(four, G("11.............."), 2), 0); // clash in a row
    EXPECT_EQ(CountSolutions(four, G("1....1.........."), 2), 0); // clash in a box

    Shape x = Boxes(4, 2, 2);
    x.Diagonals = true;
    EXPECT_EQ(CountSolutions(x, G("1234341221434321"), 2), 0); // 1, 4, 4, 1 on the diagonal
    EXPECT_EQ(CountSolutions(x, G("1234341243212143"), 2), 1);

    // Killer with no givens: cages pin the grid down.
    Shape killer = Boxes(4, 2, 2);
    const auto full = G("1234341221434321");
    killer.Cages = {{{0, 1}, 3},  {{2, 3}, 7},  {{4, 8}, 5},   {{5, 6}, 5},
                    {{7, 11}, 5}, {{9, 10}, 5}, {{12, 13}, 7}, {{14, 15}, 3}};
    EXPECT_NO_THROW(killer.Validate());
    // The product's solver and the rule checker agree on how many grids fit the cages.
    const std::vector<int> open(16, 0);
    EXPECT_EQ(CountSolutions(killer, open, 2), test::RuleChecker(killer).Count(open, 2));
    EXPECT_EQ(CountSolutions(killer, full, 2), 1);
    // The same cages with every given but one wrong digit: nothing fits.
    auto wrong = full;
    wrong[0] = 2, wrong[1] = 1, wrong[4] = 4;
    EXPECT_EQ(CountSolutions(killer, wrong, 2), 0);
}

TEST(VariantGraderTest, TechniquesAndTiers)
{
    const Shape classic = Boxes(9, 3, 3);
    // One open cell: a naked single; most of the grid given, so very easy.
    auto grid =
        G("534678912672195348198342567859761423426853791713924856961537284287419635345286179");
    grid[0] = 0;
    Grade grade = GradePuzzle(classic, grid);
    EXPECT_TRUE(grade.Solved);
    EXPECT_EQ(grade.Hardest, Technique::Singles);
    EXPECT_EQ(grade.Level, Tier::VeryEasy);
    // Four holes in one box: singles finish it.
    auto box = grid;
    box[1] = box[9] = box[10] = box[2] = 0;
    EXPECT_TRUE(GradePuzzle(classic, box).Solved);
    // An empty grid has many solutions: never finished by hand, and no guess is taken.
    EXPECT_FALSE(GradePuzzle(classic, std::vector<int>(81, 0)).Solved);
}

TEST(VariantGraderTest, FortyFiveRuleFindsInniesAndOuties)
{
    // Row 1 of a 4 x 4 grid: cage {r1c1, r1c2} and cage {r1c3, r1c4, r2c4}: 10 - (r1c1 + r1c2)
    // ... the second cage sticks out by one cell, whose digit is the cages' total minus 10.
    Shape killer = Boxes(4, 2, 2);
    killer.Cages = {{{0, 1}, 3}, {{2, 3, 7}, 9}, {{4, 5}, 7},   {{6}, 1},
                    {{8, 9}, 6}, {{10, 11}, 4},  {{12, 13}, 4}, {{14, 15}, 6}};
    const Layout layout(killer);
    bool found = false;
    for (const auto& [cell, digit] : layout.Fixed)
        found = found || (cell == 7 && digit == 2);
    EXPECT_TRUE(found) << "r2c4 = 3 + 9 - 10";
    Board board(layout, std::vector<int>(16, 0));
    EXPECT_TRUE(board.FixedByArea());
    EXPECT_EQ(board.Value(7), 2);
}

TEST(VariantGeneratorTest, SeedsAndRefusals)
{
    const VariantInfo& killer = *FindVariant("killer");
    const Puzzle a = Generate(killer, Tier::Easy, 42);
    const Puzzle b = Generate(killer, Tier::Easy, 42);
    const Puzzle c = Generate(killer, Tier::Easy, 43);
    EXPECT_EQ(a.Givens, b.Givens);
    EXPECT_EQ(a.Solution, b.Solution);
    ASSERT_EQ(a.Grid.Cages.size(), b.Grid.Cages.size());
    EXPECT_NE(a.Solution, c.Solution);

    try {
        Generate(*FindVariant("4x4"), Tier::Hard, 1);
        FAIL() << "4x4 hard was made";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("very-easy or easy, not hard"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(FindVariant("sudoku"), nullptr);
    Tier tier;
    EXPECT_FALSE(TierOfName("medium", tier));
    ASSERT_TRUE(TierOfName("expert", tier));
    EXPECT_EQ(tier, Tier::Expert);
    EXPECT_EQ((std::string{DigitChar(0), DigitChar(9), DigitChar(10), DigitChar(16)}), ".9AG");
}

TEST(VariantGeneratorTest, RegionsAndCagesKeepTheirRules)
{
    Random random(5);
    for (int round = 0; round < 20; ++round) {
        Shape jigsaw = Boxes(9, 3, 3);
        jigsaw.Regions = RandomRegions(9, 3, 3, random);
        EXPECT_NO_THROW(jigsaw.Validate());
        int moved = 0;
        for (int cell = 0; cell < 81; ++cell)
            moved += jigsaw.Regions[cell] != Boxes(9, 3, 3).RegionOf(cell);
        EXPECT_GT(moved, 10) << "the regions are still nearly the boxes";
    }
    const auto solution =
        G("534678912672195348198342567859761423426853791713924856961537284287419635345286179");
    for (int round = 0; round < 20; ++round) {
        Shape killer = Boxes(9, 3, 3);
        killer.Cages = RandomCages(killer, solution, random);
        EXPECT_NO_THROW(killer.Validate());
        for (const Cage& cage : killer.Cages) {
            Mask digits = 0;
            int sum = 0;
            for (int cell : cage.Cells) {
                EXPECT_FALSE(digits & (1u << solution[cell])) << "a digit twice in a cage";
                digits |= 1u << solution[cell];
                sum += solution[cell];
            }
            EXPECT_EQ(sum, cage.Sum);
            EXPECT_LE(cage.Cells.size(), 5u);
        }
    }
}

} // namespace
} // namespace gq::variant
