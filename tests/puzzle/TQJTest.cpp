#include "puzzle/TQJ.h"

#include "gq/Error.h"
#include "puzzle/Grid.h"
#include "support/PuzzleGrids.h"

#include <gtest/gtest.h>

#include <string>

namespace gq::puzzle
{
namespace
{

using testing::GivensOf;
using testing::GivensPerBox;
using testing::IsValidSolution;
using testing::MakeBankLine;
using testing::PatternSolution;

/// A seed source that returns the same seed every time and counts its calls.
struct CountingSeeds
{
    int Calls = 0;
    SeedSource Source(std::uint32_t seed)
    {
        return [this, seed] {
            ++Calls;
            return seed;
        };
    }
};

class TQJTest : public ::testing::Test
{
  protected:
    TRandom Random{SequenceSeedSource(42)};
    TQJ Model{Random};

    /// Loads a full solution with every cell a given.
    void LoadSolved(const std::string& solution) { Model.LoadPuzzleString(solution); }
};

TEST(BoxOfTest, NumbersBoxesBandByBand)
{
    EXPECT_EQ(BoxOf(1, 1), 1);
    EXPECT_EQ(BoxOf(1, 9), 3);
    EXPECT_EQ(BoxOf(5, 5), 5);
    EXPECT_EQ(BoxOf(7, 1), 7);
    EXPECT_EQ(BoxOf(4, 6), 5);
    EXPECT_EQ(BoxOf(9, 9), 9);
    EXPECT_EQ(BoxOf(3, 4), 2);
    EXPECT_EQ(BoxOf(6, 7), 6);
}

TEST_F(TQJTest, FreshOrClearedModelHasNoSolution)
{
    EXPECT_EQ(Model.GetSolutionString(), "");

    LoadSolved(PatternSolution());
    EXPECT_EQ(Model.GetSolutionString(), PatternSolution());
    Model.ClearValues();
    EXPECT_EQ(Model.GetSolutionString(), "");
    EXPECT_TRUE(Model.Node(9, 9).Given) << "ClearValues keeps the Given flags";
}

TEST_F(TQJTest, LoadPuzzleStringTrimsBlanksAndLineBreaks)
{
    std::string puzzle = PatternSolution();
    puzzle[0] = '0';
    Model.LoadPuzzleString("  \t" + puzzle + "\r\n");
    EXPECT_FALSE(Model.Node(1, 1).Given);
    EXPECT_EQ(Model.Node(1, 1).Value, 0);
    EXPECT_TRUE(Model.Node(1, 2).Given);
    EXPECT_EQ(Model.Node(1, 2).Value, 2);
    EXPECT_EQ(GivensOf(Model), puzzle);
    EXPECT_EQ(Model.GetSolutionString(), "") << "an open cell holds no solution digit";
}

TEST_F(TQJTest, LoadPuzzleStringOfWrongLengthOnlyClearsValues)
{
    LoadSolved(PatternSolution());
    Model.LoadPuzzleString(PatternSolution().substr(0, 80));
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            EXPECT_EQ(Model.Node(row, col).Value, 0);
            EXPECT_TRUE(Model.Node(row, col).Given);
        }
}

TEST_F(TQJTest, LoadPuzzleStringRejectsNonDigitsNamingThePosition)
{
    std::string puzzle = PatternSolution();
    puzzle[10] = 'x';
    try {
        Model.LoadPuzzleString(puzzle);
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("position 11"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Model.Node(2, 1).Value, 4) << "cells before the bad one keep their new contents";
}

TEST_F(TQJTest, LoadBankLineReadsAValidSolvedGrid)
{
    std::string mask(81, '0');
    for (int i = 0; i < 81; i += 3)
        mask[i] = '1';
    std::string line = MakeBankLine(PatternSolution(), mask);
    Model.LoadBankLine(line);

    EXPECT_TRUE(IsValidSolution(Model.GetSolutionString()));
    std::string givens = GivensOf(Model);
    EXPECT_EQ(std::count_if(givens.begin(), givens.end(), [](char c) { return c != '0'; }), 27);
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            EXPECT_EQ(Model.Node(row, col).Row, row);
            EXPECT_EQ(Model.Node(row, col).Col, col);
            if (Model.Node(row, col).Given) {
                EXPECT_EQ(givens[CellIndex(row, col)],
                          Model.GetSolutionString()[CellIndex(row, col)]);
            }
        }
}

TEST_F(TQJTest, LoadBankLineRejectsMalformedLinesWithoutShuffling)
{
    CountingSeeds seeds;
    Random.SetSeedSource(seeds.Source(1));
    std::string line = MakeBankLine(PatternSolution(), std::string(81, '1'));

    std::string lower = line;
    lower[5] = 'c';
    EXPECT_THROW(Model.LoadBankLine(lower), Error) << "lower-case letters are not open cells";
    EXPECT_THROW(Model.LoadBankLine(line.substr(0, 80)), Error);
    EXPECT_THROW(Model.LoadBankLine(line.substr(0, 40) + "J" + line.substr(41)), Error);
    // A longer line and a '0' were once read as far as 81 characters, the '0' as a given 0.
    EXPECT_THROW(Model.LoadBankLine("0" + line + "123456789ABC"), Error);
    EXPECT_THROW(Model.LoadBankLine(line + "\r"), Error);
    EXPECT_EQ(seeds.Calls, 0) << "no shuffle after a failed read";
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            EXPECT_EQ(Model.Node(row, col).Value, 0) << "a refused line changes no cell";
            EXPECT_EQ(Model.Node(row, col).Row, 0);
        }
}

// Draws are given raw, as Random yields them plus one; the move adjusts y and d2 itself.
struct ShuffleExample
{
    ShuffleMove Move;
    std::string Name;
};

TEST_F(TQJTest, WorkedShuffleMovesExchangeTheRightLines)
{
    const std::string grid = PatternSolution();
    auto apply = [&](ShuffleMove move) {
        LoadSolved(grid);
        Model.ApplyShuffleMove(move);
        return Model.GetSolutionString();
    };
    auto swapColumns = [](std::string text, int a, int b) {
        for (int row = 0; row < 9; ++row)
            std::swap(text[row * 9 + a - 1], text[row * 9 + b - 1]);
        return text;
    };
    auto swapRows = [](std::string text, int a, int b) {
        for (int col = 0; col < 9; ++col)
            std::swap(text[(a - 1) * 9 + col], text[(b - 1) * 9 + col]);
        return text;
    };

    std::string columns46 = apply({2, 1, 2});
    EXPECT_EQ(columns46.substr(0, 27), "123654789456987123789321456");
    EXPECT_EQ(columns46, swapColumns(grid, 4, 6));
    EXPECT_EQ(apply({3, 3, 2}), swapColumns(grid, 9, 8));
    std::string rows64 = apply({5, 3, 1});
    EXPECT_EQ(rows64.substr(27, 27), "891234567567891234234567891");
    EXPECT_EQ(apply({4, 2, 1}), swapRows(grid, 2, 1));
    EXPECT_EQ(apply({1, 3, 1}), swapColumns(grid, 3, 1));
    EXPECT_EQ(apply({6, 2, 2}), swapRows(grid, 8, 9)) << "x 2, y 2 becomes y 3";

    std::string digits91 = apply({7, 1, 1, 9, 9});
    EXPECT_EQ(digits91.substr(0, 18), "923456781456781923");
    std::string digits45 = apply({7, 1, 1, 4, 4});
    for (int i = 0; i < 81; ++i)
        EXPECT_EQ(digits45[i], grid[i] == '4' ? '5' : grid[i] == '5' ? '4' : grid[i]);
    std::string digits27 = apply({7, 3, 2, 2, 7});
    for (int i = 0; i < 81; ++i)
        EXPECT_EQ(digits27[i], grid[i] == '2' ? '7' : grid[i] == '7' ? '2' : grid[i]);
}

TEST_F(TQJTest, MovesStayInsideTheirStackOrBand)
{
    const std::string grid = PatternSolution();
    for (int x = 1; x <= 3; ++x)
        for (int y = 1; y <= 2; ++y) {
            LoadSolved(grid);
            Model.ApplyShuffleMove({1, x, y});
            std::string afterColumns = Model.GetSolutionString();
            LoadSolved(grid);
            Model.ApplyShuffleMove({6, x, y});
            std::string afterRows = Model.GetSolutionString();
            for (int row = 1; row <= 9; ++row)
                for (int col = 1; col <= 9; ++col) {
                    int i = CellIndex(row, col);
                    if (col >= 4) {
                        EXPECT_EQ(afterColumns[i], grid[i]) << "kind 1 touched column " << col;
                    }
                    if (row <= 6) {
                        EXPECT_EQ(afterRows[i], grid[i]) << "kind 6 touched row " << row;
                    }
                }
            EXPECT_NE(afterColumns, grid) << "x and y always name two different columns";
            EXPECT_NE(afterRows, grid);
        }
}

TEST_F(TQJTest, DrawsComeInFixedOrder)
{
    // Find seeds whose first move is a digit exchange and one that is not, and check every
    // draw against an independent LCG.
    auto lcg = [](std::uint32_t& state, int n) {
        state = state * 134775813u + 1u;
        return static_cast<int>((std::uint64_t{state} * static_cast<std::uint32_t>(n)) >> 32);
    };
    int digitMoves = 0;
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        TRandom random(SequenceSeedSource(0));
        random.SetState(seed);
        ShuffleMove move = TQJ::DrawShuffleMove(random);
        std::uint32_t state = seed;
        EXPECT_EQ(move.Kind, lcg(state, 7) + 1);
        EXPECT_EQ(move.X, lcg(state, 3) + 1);
        EXPECT_EQ(move.Y, lcg(state, 2) + 1);
        if (move.Kind == 7) {
            ++digitMoves;
            EXPECT_EQ(move.D1, lcg(state, 9) + 1);
            EXPECT_EQ(move.D2, lcg(state, 9) + 1);
        }
        EXPECT_EQ(random.State(), state) << "seed " << seed;
    }
    EXPECT_GT(digitMoves, 0);
}

TEST_F(TQJTest, ShuffleReseedsEvenWithoutMoves)
{
    CountingSeeds seeds;
    Random.SetSeedSource(seeds.Source(7));
    LoadSolved(PatternSolution());
    Model.Shuffle(0);
    Model.Shuffle(-3);
    EXPECT_EQ(seeds.Calls, 2);
    EXPECT_EQ(Model.GetSolutionString(), PatternSolution());
    Model.Shuffle(1);
    EXPECT_EQ(seeds.Calls, 3);
}

TEST_F(TQJTest, ShufflesKeepPuzzlesValidAndGivensPerBox)
{
    // A puzzle with an irregular pattern of givens, so that box counts differ.
    std::string mask(81, '0');
    for (int i = 0; i < 81; ++i)
        if ((i * 7 + i / 9) % 5 < 2)
            mask[i] = '1';
    std::string bankLine = MakeBankLine(PatternSolution(), mask);
    std::string puzzle;
    for (int i = 0; i < 81; ++i)
        puzzle += mask[i] == '1' ? PatternSolution()[i] : '0';
    const auto boxesBefore = GivensPerBox(puzzle);

    Random.SetSeedSource(SequenceSeedSource(2026));
    std::string previous;
    for (int run = 0; run < 3000; ++run) {
        Model.LoadBankLine(bankLine);
        std::string solution = Model.GetSolutionString();
        std::string givens = GivensOf(Model);
        ASSERT_TRUE(IsValidSolution(solution)) << "run " << run;
        for (int i = 0; i < 81; ++i)
            if (givens[i] != '0') {
                ASSERT_EQ(givens[i], solution[i]) << "run " << run;
            }
        ASSERT_EQ(GivensPerBox(givens), boxesBefore) << "run " << run;
        EXPECT_NE(givens, previous) << "fresh seeds give a different puzzle";
        previous = givens;
    }
}

} // namespace
} // namespace gq::puzzle
