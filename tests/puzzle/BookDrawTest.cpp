#include "puzzle/PuzzleBank.h"

#include "gq/Error.h"
#include "puzzle/Levels.h"
#include "support/PuzzleGrids.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace gq::puzzle
{
namespace
{

/// Every entry a draw gives until it can give no more, in order.
std::vector<int> DrawAll(TBookDraw& draw, TRandom& random)
{
    std::vector<int> entries;
    for (int i = 0; i < draw.Capacity(); ++i)
        entries.push_back(draw.Next(random));
    return entries;
}

/// A bank whose five lists hold `n` copies of one line each.
TPuzzleBank SmallBank(const std::string& line, int n)
{
    std::array<std::vector<std::string_view>, TPuzzleBank::kListCount> lists;
    for (auto& list : lists)
        list.assign(n, line);
    return TPuzzleBank(lists);
}

TEST(BookDrawTest, GivesEveryDrawableEntryOnceThenRefuses)
{
    const std::string line =
        testing::MakeBankLine(testing::PatternSolution(), std::string(81, '1'));
    const TPuzzleBank bank = SmallBank(line, 12);
    TRandom random(SequenceSeedSource(5));
    TBookDraw draw(bank, 3);
    ASSERT_EQ(draw.Capacity(), 11) << "the last entry is never drawn";
    const std::vector<int> entries = DrawAll(draw, random);
    EXPECT_EQ(std::set<int>(entries.begin(), entries.end()).size(), 11u);
    EXPECT_EQ(*std::max_element(entries.begin(), entries.end()), 10);
    EXPECT_THROW(draw.Next(random), Error);
}

// With nothing drawn yet, a book's draw from the whole list takes the entry a single
// PickBankPuzzle draw (Randomize, then DrawBankEntry) takes from the same seed.
TEST(BookDrawTest, FirstDrawMatchesAPlainBankDrawFromTheSameSeed)
{
    const TPuzzleBank& bank = TPuzzleBank::BuiltIn();
    for (std::uint64_t seed = 0; seed < 20; ++seed) {
        TRandom bookRandom(SequenceSeedSource(seed));
        TRandom plainRandom(SequenceSeedSource(seed));
        TBookDraw draw(bank, 5);
        plainRandom.Randomize();
        EXPECT_EQ(draw.Next(bookRandom), DrawBankEntry(plainRandom, bank.Count(4)) - 1);
    }
}

TEST(BookDrawTest, VolumesOfAllLevelsShareNoEntryAndFillTheLargestBook)
{
    const TPuzzleBank& bank = TPuzzleBank::BuiltIn();
    TRandom random(SequenceSeedSource(11));
    std::array<std::set<int>, TPuzzleBank::kListCount> taken;
    for (int level = 0; level < kLevelCount; ++level) {
        const int list = LevelCodeOf(level) - 1;
        const int volumes = VolumeCount(bank, level);
        EXPECT_GE(volumes, 6) << Levels()[level].Caption;
        for (int volume = 1; volume <= volumes; ++volume) {
            TBookDraw draw(bank, level, volume);
            ASSERT_EQ(draw.Capacity(), kMaxBookPuzzles);
            for (int entry : DrawAll(draw, random)) {
                ASSERT_GE(entry, 0);
                ASSERT_LT(entry, bank.Count(list));
                EXPECT_TRUE(taken[list].insert(entry).second)
                    << Levels()[level].Caption << " volume " << volume << " entry " << entry;
            }
        }
    }
    // Easy and Standard take the blocks of their shared list in turn, so between them they
    // use every whole block.
    EXPECT_EQ(VolumeCount(bank, 1) + VolumeCount(bank, 2), bank.Count(1) / kVolumeBlockSize);
    EXPECT_EQ(VolumeCount(bank, 3), bank.Count(2) / kVolumeBlockSize);
}

TEST(BookDrawTest, AVolumeIsTheSameEntriesForEverySeed)
{
    const TPuzzleBank& bank = TPuzzleBank::BuiltIn();
    TRandom one(SequenceSeedSource(1));
    TRandom two(SequenceSeedSource(2));
    TBookDraw first(bank, 4, 3);
    TBookDraw second(bank, 4, 3);
    std::vector<int> a = DrawAll(first, one);
    std::vector<int> b = DrawAll(second, two);
    EXPECT_NE(a, b) << "the seed changes the order";
    EXPECT_EQ(std::set<int>(a.begin(), a.end()), std::set<int>(b.begin(), b.end()));
}

TEST(BookDrawTest, RefusesVolumesTheLevelDoesNotOffer)
{
    const TPuzzleBank& bank = TPuzzleBank::BuiltIn();
    const int volumes = VolumeCount(bank, 3);
    try {
        TBookDraw draw(bank, 3, volumes + 1);
        FAIL() << "volume " << volumes + 1 << " was accepted";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Hard Sudoku offers " + std::to_string(volumes) +
                                             " volumes; there is no volume " +
                                             std::to_string(volumes + 1));
    }
    EXPECT_THROW(TBookDraw(bank, 3, -1), Error);
    EXPECT_THROW(TBookDraw(bank, 6, 1), std::out_of_range);

    // A list too short for one block offers no volume at all.
    const TPuzzleBank small =
        SmallBank(testing::MakeBankLine(testing::PatternSolution(), std::string(81, '1')),
                  kVolumeBlockSize - 1);
    EXPECT_EQ(VolumeCount(small, 0), 0);
    try {
        TBookDraw draw(small, 0, 1);
        FAIL() << "a list without a whole block offered a volume";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("offers no volumes"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace gq::puzzle
