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
