#include "puzzle/Candidates.h"
#include "puzzle/Grid.h"
#include "puzzle/TQJ.h"

#include <gtest/gtest.h>

#include <string>

namespace gq::puzzle
{
namespace
{

std::string WithGivens(std::initializer_list<std::pair<int, char>> givens)
{
    std::string text(81, '0');
    for (auto [index, digit] : givens)
        text[index] = digit;
    return text;
}

GivenDigits DigitsOf(const std::string& puzzle)
{
    GivenDigits givens{};
    for (std::size_t i = 0; i < givens.size(); ++i)
        givens[i] = static_cast<std::uint8_t>(puzzle.at(i) - '0');
    return givens;
}

// Grids as PuzzleStrings ('0' open), nine characters a row.
struct CandidateCase
{
    const char* Name;
    std::string Puzzle;
    int Row;
    int Col;
    const char* Expected;
};

const std::string kEmpty(81, '0');
// Row 1 holds 1..4 and 6..9, open at column 5.
const std::string kRowOfEight = "123406789" + std::string(72, '0');
// The same with a 5 at (2,6): in the box of (1,5), not in its row or column.
const std::string kNoneLeft = "123406789" + std::string("000005000") + std::string(63, '0');
// A 7 at (1,1) only.
const std::string kOneSeven = "7" + std::string(80, '0');

TEST(CandidatesTest, CandidateListTable)
{
    const CandidateCase cases[] = {
        {"no given anywhere", kEmpty, 5, 5, "123456789"},
        {"same row and box", kOneSeven, 1, 2, "12345689"},
        {"same row only", kOneSeven, 1, 9, "12345689"},
        {"same column only", kOneSeven, 5, 1, "12345689"},
        {"same box only", kOneSeven, 2, 3, "12345689"},
        {"no peer given", kOneSeven, 5, 5, "123456789"},
        {"a filled cell: every digit but its own", kOneSeven, 1, 1, "12345689"},
        {"full house", kRowOfEight, 1, 5, "5"},
        {"row and box both hold 1, 2, 3: ruled out once", kRowOfEight, 2, 2, "456789"},
        {"no candidate left", kNoneLeft, 1, 5, ""},
        {"a filled cell among full peers", kNoneLeft, 2, 6, "12346789"},
    };
    for (const CandidateCase& c : cases)
        EXPECT_EQ(CandidateList(DigitsOf(c.Puzzle), c.Row, c.Col), c.Expected) << c.Name;
}

TEST(CandidatesTest, ModelAsksTheSharedRuleWithItsGivens)
{
    // Every cell of a scattered puzzle: the model's list is CandidateList of its givens.
    std::string puzzle(81, '0');
    for (int i = 0; i < 81; i += 4)
        puzzle[i] = static_cast<char>('1' + (i * 7) % 9);
    TRandom random;
    TQJ model(random);
    model.LoadPuzzleString(puzzle);
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col)
            EXPECT_EQ(model.GetCandidates(row, col), CandidateList(DigitsOf(puzzle), row, col))
                << row << "," << col;
}

TEST(CandidatesTest, OnlyGivenPeersRuleDigitsOut)
{
    TRandom random;
    TQJ model(random);
    model.LoadPuzzleString(WithGivens({{0, '7'}}));

    EXPECT_EQ(model.GetCandidates(5, 5), "123456789") << "no given among its peers";
    for (auto [row, col] : {std::pair{1, 2}, {1, 9}, {5, 1}, {2, 3}})
        EXPECT_EQ(model.GetCandidates(row, col), "12345689") << row << "," << col;
    EXPECT_EQ(model.GetCandidates(1, 1), "12345689") << "a given yields the other eight digits";
}

TEST(CandidatesTest, DuplicatesAndFullCoverage)
{
    TRandom random;
    TQJ model(random);
    // Row 1 holds 1..4 and 6..9 at columns 1..4, 6..9; (5,5) is open.
    model.LoadPuzzleString(WithGivens(
        {{0, '1'}, {1, '2'}, {2, '3'}, {3, '4'}, {5, '6'}, {6, '7'}, {7, '8'}, {8, '9'}}));
    EXPECT_EQ(model.GetCandidates(1, 5), "5");
    // A 5 in (2,6): same box as (1,5), and no other shared line. Now nothing is left.
    model.LoadPuzzleString(WithGivens({{0, '1'},
                                       {1, '2'},
                                       {2, '3'},
                                       {3, '4'},
                                       {5, '6'},
                                       {6, '7'},
                                       {7, '8'},
                                       {8, '9'},
                                       {14, '5'}}));
    EXPECT_EQ(model.GetCandidates(1, 5), "");
    // A given in both the row and the box of (1,2) rules its digit out once.
    EXPECT_EQ(model.GetCandidates(2, 2), "46789");

    // Open cells' values are ignored whatever they hold.
    model.LoadPuzzleString(WithGivens({{40, '5'}}));
    model.Node(5, 6).Value = 3;
    EXPECT_EQ(model.GetCandidates(5, 4), "12346789");
}

} // namespace
} // namespace gq::puzzle
