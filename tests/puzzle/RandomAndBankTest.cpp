#include "puzzle/PuzzleBank.h"

#include "gq/Error.h"
#include "puzzle/BankFile.h"
#include "puzzle/Levels.h"
#include "puzzle/Random.h"
#include "puzzle/TQJ.h"
#include "support/PuzzleGrids.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace gq::puzzle
{
namespace
{

TEST(RandomTest, IsTheLinearCongruentialGenerator)
{
    TRandom random(SequenceSeedSource(0));
    random.SetState(0);
    EXPECT_EQ(random.Random(1000), 0) << "state 1 maps to 0";
    EXPECT_EQ(random.State(), 1u);
    EXPECT_EQ(random.Random(1000), 31) << "state 134775814";
    EXPECT_EQ(random.State(), 134775814u);

    random.SetState(0xFFFFFFFFu);
    random.Random(2);
    EXPECT_EQ(random.State(), 0xFFFFFFFFu * 134775813u + 1u) << "wraps modulo 2^32";

    random.SetState(0x7FFFFFFFu);
    for (int i = 0; i < 10000; ++i) {
        int value = random.Random(7);
        ASSERT_GE(value, 0);
        ASSERT_LT(value, 7);
    }
}

TEST(RandomTest, RandomizeTakesTheNextSeedOfItsSource)
{
    TRandom a(SequenceSeedSource(99));
    TRandom b(SequenceSeedSource(99));
    TRandom c(SequenceSeedSource(100));
    std::vector<std::uint32_t> seedsA, seedsB, seedsC;
    for (int i = 0; i < 5; ++i) {
        a.Randomize();
        b.Randomize();
        c.Randomize();
        seedsA.push_back(a.State());
        seedsB.push_back(b.State());
        seedsC.push_back(c.State());
    }
    EXPECT_EQ(seedsA, seedsB);
    EXPECT_NE(seedsA, seedsC);
    EXPECT_EQ(std::set<std::uint32_t>(seedsA.begin(), seedsA.end()).size(), 5u);

    TRandom clock; // the default source must at least work
    clock.Randomize();
    EXPECT_GE(clock.Random(10), 0);
}

TEST(PuzzleBankTest, DrawNeverTakesTheLastEntryAndDoublesTheOneBefore)
{
    constexpr int n = 10;
    constexpr int draws = 200000;
    TRandom random(SequenceSeedSource(7));
    std::vector<int> counts(n + 1);
    for (int i = 0; i < draws; ++i) {
        random.Randomize();
        int k = DrawBankEntry(random, n);
        ASSERT_GE(k, 1);
        ASSERT_LE(k, n - 1);
        ++counts[k];
    }
    EXPECT_EQ(counts[n], 0);
    const double expected = double(draws) / n;
    for (int k = 1; k <= n - 2; ++k)
        EXPECT_NEAR(counts[k], expected, expected * 0.05) << "entry " << k;
    EXPECT_NEAR(counts[n - 1], 2 * expected, 2 * expected * 0.05);
}

TEST(PuzzleBankTest, ListsOfFewerThanTwoEntriesAreRefused)
{
    const std::string_view line = "A";
    std::array<std::vector<std::string_view>, 5> lists;
    for (auto& list : lists)
        list = {line, line};
    EXPECT_NO_THROW(TPuzzleBank{lists});

    lists[3] = {line};
    try {
        TPuzzleBank bank(lists);
        FAIL() << "a one-entry list must be refused";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("tk3"), std::string::npos) << e.what();
    }
    lists[3].clear();
    EXPECT_THROW(TPuzzleBank{lists}, Error);
}

TEST(PuzzleBankTest, PickReadsTheDrawnEntryOfTheChosenList)
{
    // Five lists of distinguishable solved grids: digit relabelling can change the values, but
    // the number of givens tells the entries apart.
    std::string solution = testing::PatternSolution();
    std::vector<std::string> storage;
    for (int givens = 1; givens <= 15; ++givens) {
        std::string mask(81, '0');
        for (int i = 0; i < givens; ++i)
            mask[i * 5] = '1';
        storage.push_back(testing::MakeBankLine(solution, mask));
    }
    std::array<std::vector<std::string_view>, 5> lists;
    for (int list = 0; list < 5; ++list)
        for (int entry = 0; entry < 3; ++entry)
            lists[list].push_back(storage[list * 3 + entry]);
    TPuzzleBank bank(lists);

    TRandom random(SequenceSeedSource(3));
    TQJ model(random);
    std::map<int, int> givenCounts;
    for (int i = 0; i < 300; ++i) {
        PickBankPuzzle(bank, 4, random, model);
        std::string givens = testing::GivensOf(model);
        ++givenCounts[81 - static_cast<int>(std::count(givens.begin(), givens.end(), '0'))];
        ASSERT_TRUE(testing::IsValidSolution(model.GetSolutionString()));
    }
    // List tk4 holds entries with 13, 14 and 15 givens; the last is never drawn.
    EXPECT_EQ(givenCounts.size(), 2u);
    EXPECT_GT(givenCounts[13], 50);
    EXPECT_GT(givenCounts[14], givenCounts[13]);
}

TEST(PuzzleBankTest, BuiltInListsAreTheBankFilesInOrder)
{
    // The lists are packed in from puzzle/bank and unpacked on each draw; their quality is
    // checked by the bank tests.
    const TPuzzleBank& bank = TPuzzleBank::BuiltIn();
    for (int list = 0; list < TPuzzleBank::kListCount; ++list) {
        const auto lines = ReadBankFile(std::string(GQ_SOURCE_DIR) + "/puzzle/bank/tk" +
                                        std::to_string(list) + ".txt");
        ASSERT_EQ(bank.Count(list), static_cast<int>(lines.size())) << "tk" << list;
        EXPECT_GE(bank.Count(list), 10000) << "tk" << list;
        for (std::size_t i = 0; i < lines.size(); ++i)
            ASSERT_EQ(bank.Entry(list, static_cast<int>(i)), lines[i].Text)
                << "tk" << list << " line " << lines[i].Number;
    }
    EXPECT_THROW(bank.Entry(0, bank.Count(0)), std::out_of_range);
    EXPECT_THROW(bank.Entry(0, -1), std::out_of_range);
}

TEST(LevelsTest, SixLevelsMapOntoFiveLists)
{
    const int expected[] = {1, 2, 2, 3, 4, 5};
    for (int i = 0; i < kLevelCount; ++i) {
        EXPECT_EQ(LevelCodeOf(i), expected[i]);
        EXPECT_EQ(LevelIndexOfName(Levels()[i].Name), i);
    }
    EXPECT_EQ(Levels()[1].LabelText, Levels()[2].LabelText);
    EXPECT_EQ(Levels()[0].Caption, "Very Easy Sudoku");
    EXPECT_EQ(Levels()[5].LabelText, "  Level:Diabolical");
    EXPECT_THROW(LevelCodeOf(6), std::out_of_range);
    EXPECT_EQ(LevelIndexOfName("Hard"), -1);
}

} // namespace
} // namespace gq::puzzle
