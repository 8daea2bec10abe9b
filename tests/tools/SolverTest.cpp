#include "tools/Solver.h"

#include "gq/Error.h"
#include "support/ToolsGrid.h"

#include <gtest/gtest.h>

namespace gq::tools
{
namespace
{

/// Short, so that tables of puzzles stay one per line.
constexpr auto& G = testsupport::GridFromText;

constexpr const char* kPuzzle =
    "000000700008070906709500000300060000000240100165000030901000200000350090000000000";
constexpr const char* kSolved =
    "843625791791483562625197834319748256568219347274356918152834679437962185986571423";

struct CountCase
{
    const char* Name;
    const char* Puzzle;
    int Expected; // solutions counted with limit 2
};

TEST(SolverTest, CountsSolutionsUpToTwo)
{
    const CountCase cases[] = {
        {"unique puzzle", kPuzzle, 1},
        {"solved grid", kSolved, 1},
        // Cell (1,9) can only be 9, but column 9 already holds a 9: no duplicate, no solution.
        {"no solution",
         "123456780000000009000000000000000000000000000000000000000000000000000000000000000", 0},
        {"duplicate given in a row",
         "110000000000000000000000000000000000000000000000000000000000000000000000000000000", 0},
        {"duplicate given in a box",
         "100000000010000000000000000000000000000000000000000000000000000000000000000000000", 0},
        // The solved grid with a rectangle 9/8 over two boxes opened: exactly two solutions.
        {"two solutions",
         "843625791791483562625197834310740256560210347274356918152834679437962185986571423", 2},
        {"empty grid",
         "000000000000000000000000000000000000000000000000000000000000000000000000000000000", 2},
    };
    for (const CountCase& c : cases)
        EXPECT_EQ(Solver::CountSolutions(G(c.Puzzle), 2), c.Expected) << c.Name;
}

TEST(SolverTest, ReportsTheSolutionAndHonoursTheLimit)
{
    Grid solution{};
    ASSERT_EQ(Solver::CountSolutions(G(kSolved), 1, &solution), 1);
    EXPECT_EQ(PuzzleText(solution), kSolved);

    const Grid twoWays =
        G("843625791791483562625197834310740256560210347274356918152834679437962185986571423");
    EXPECT_EQ(Solver::CountSolutions(twoWays, 1), 1);
    EXPECT_EQ(Solver::CountSolutions(twoWays, 5), 2);
    EXPECT_FALSE(Solver::IsUnique(twoWays));

    const Grid puzzle = G(kPuzzle);
    ASSERT_EQ(Solver::CountSolutions(puzzle, 2, &solution), 1);
    for (int i = 0; i < 81; ++i) {
        if (puzzle[i] != 0) {
            EXPECT_EQ(solution[i], puzzle[i]) << "cell " << i;
        }
    }
    EXPECT_EQ(Solver::CountSolutions(solution, 2), 1); // the solution is a valid full grid
}

TEST(SolverTest, RejectsValuesAboveNine)
{
    Grid g{};
    g[40] = 10;
    EXPECT_EQ(Solver::CountSolutions(g, 2), 0);
}

TEST(SolverTest, RandomSolutionIsValidAndRepeatsForTheSameSeed)
{
    Grid empty{}, a{}, b{}, c{};
    Rng r1(7), r2(7), r3(8);
    ASSERT_TRUE(Solver::RandomSolution(empty, r1, a));
    ASSERT_TRUE(Solver::RandomSolution(empty, r2, b));
    ASSERT_TRUE(Solver::RandomSolution(empty, r3, c));
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    for (const Grid& g : {a, c}) {
        EXPECT_EQ(Solver::CountSolutions(g, 2), 1);
        EXPECT_EQ(CountGivens(g), 81);
    }
    Grid none{};
    EXPECT_FALSE(Solver::RandomSolution(
        G("123456780000000009000000000000000000000000000000000000000000000000000000000000000"), r1,
        none));
}

TEST(SolverTest, ParsesBankLines)
{
    Grid puzzle{}, solution{};
    ParseBankLine(
        "H4362579A7I14835F262E197H34319G4H2565682A9347274C5F91815B834F794C79621H5I8657142C", puzzle,
        solution);
    EXPECT_EQ(PuzzleText(solution), kSolved);
    EXPECT_EQ(CountGivens(puzzle), 64);
    EXPECT_EQ(MakeBankLine(puzzle, solution),
              "H4362579A7I14835F262E197H34319G4H2565682A9347274C5F91815B834F794C79621H5I8657142C");
    // Lower-case letters, '0', a short line: not bank lines.
    EXPECT_THROW(ParseBankLine(std::string(81, 'a'), puzzle, solution), Error);
    EXPECT_THROW(ParseBankLine(std::string(81, '0'), puzzle, solution), Error);
    EXPECT_THROW(ParseBankLine(std::string(80, 'A'), puzzle, solution), Error);
    EXPECT_THROW(ParseBankLine(std::string(81, 'J'), puzzle, solution), Error);
}

} // namespace
} // namespace gq::tools
