// The difficulty measure of a bank entry: its packed number, its measure-file line, and how the
// bank and a book's draws use it.
#include "puzzle/BankMeasure.h"

#include "gq/Error.h"
#include "puzzle/PuzzleBank.h"
#include "support/PuzzleGrids.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace gq::puzzle
{
namespace
{

TEST(BankMeasureTest, PackedNumbersCompareByOrderThenHardestStepsThenAllSteps)
{
    // Each measure is harder than the one before it.
    const std::vector<DifficultyMeasure> rising = {
        {0, 0, 0}, {1, 1, 1},   {1, 1, 729}, {1, 2, 2},  {3, 1, 2},  {3, 729, 729},
        {4, 1, 1}, {21, 9, 70}, {22, 1, 1},  {22, 1, 2}, {22, 2, 2}, {22, 729, 729},
    };
    for (std::size_t i = 0; i + 1 < rising.size(); ++i)
        EXPECT_LT(rising[i].Packed(), rising[i + 1].Packed())
            << FormatMeasureLine(rising[i]) << " vs " << FormatMeasureLine(rising[i + 1]);
    for (const DifficultyMeasure& m : rising)
        EXPECT_EQ(DifficultyMeasure::Unpack(m.Packed()), m) << FormatMeasureLine(m);
    EXPECT_EQ(DifficultyMeasure({14, 2, 31}).Packed(), (14u << 20) | (2u << 10) | 31u);
}

TEST(BankMeasureTest, OutOfRangeMeasuresAreClippedOrRefused)
{
    // Counts beyond the field are held at its top, not wrapped into the next field.
    EXPECT_EQ(DifficultyMeasure({5, 2000, 5000}).Packed(),
              DifficultyMeasure({5, 1023, 1023}).Packed());
    EXPECT_THROW(DifficultyMeasure({23, 1, 1}).Packed(), std::logic_error);
    EXPECT_THROW(DifficultyMeasure({-1, 1, 1}).Packed(), std::logic_error);
    EXPECT_THROW(DifficultyMeasure({1, -1, 1}).Packed(), std::logic_error);
    EXPECT_THROW(DifficultyMeasure::Unpack(1u << 25), Error);
}

TEST(BankMeasureTest, ReadsMeasureLinesAndRefusesMalformedOnes)
{
    EXPECT_EQ(ParseMeasureLine("14 2 31"), (DifficultyMeasure{14, 2, 31}));
    EXPECT_EQ(ParseMeasureLine("0 0 0"), (DifficultyMeasure{}));
    EXPECT_EQ(ParseMeasureLine("22 1023 1023"), (DifficultyMeasure{22, 1023, 1023}));
    for (const DifficultyMeasure m : {DifficultyMeasure{3, 2, 11}, DifficultyMeasure{22, 5, 74}})
        EXPECT_EQ(ParseMeasureLine(FormatMeasureLine(m)), m);

    const char* bad[] = {
        "",         "14",       "14 2",   "14 2 31 4", "14  2 31",        " 14 2 31", "14 2 31 ",
        "14\t2 31", "14 2 -31", "-0 0 0", "+1 1 1",    "a b c",           "14 2 31x", "14 2 1024",
        "23 1 1",   "0 1 1",    "3 0 5",  "3 6 5",     "99999999999 1 1",
    };
    for (const char* line : bad) {
        try {
            ParseMeasureLine(line);
            ADD_FAILURE() << "accepted \"" << line << "\"";
        } catch (const Error& e) {
            // The message quotes the line, so a packer's file:line prefix points at the fault.
            EXPECT_NE(std::string(e.what()).find('"' + std::string(line) + '"'), std::string::npos)
                << e.what();
        }
    }
}

/// Five lists of `n` entries each (copies of one valid line).
std::array<std::vector<std::string_view>, TPuzzleBank::kListCount> Lines(const std::string& line,
                                                                         int n)
{
    std::array<std::vector<std::string_view>, TPuzzleBank::kListCount> lists;
    for (auto& list : lists)
        list.assign(n, line);
    return lists;
}

class MeasuredBankTest : public ::testing::Test
{
  protected:
    const std::string Line =
        testing::MakeBankLine(testing::PatternSolution(), std::string(81, '1'));
    static constexpr int kEntries = 12;
    std::array<std::vector<std::uint32_t>, TPuzzleBank::kListCount> Measures;

    /// A bank of kEntries entries per list whose entry i of every list measures `measure(i)`.
    template <typename Fn> TPuzzleBank Bank(Fn measure)
    {
        std::array<std::span<const std::uint32_t>, TPuzzleBank::kListCount> spans;
        for (int list = 0; list < TPuzzleBank::kListCount; ++list) {
            Measures[list].clear();
            for (int i = 0; i < kEntries; ++i)
                Measures[list].push_back(measure(i));
            spans[list] = Measures[list];
        }
        return TPuzzleBank(Lines(Line, kEntries), spans);
    }
};

TEST_F(MeasuredBankTest, MeasuresMustMatchTheListsAndAreZeroWithoutThem)
{
    const TPuzzleBank plain(Lines(Line, kEntries));
    EXPECT_EQ(plain.Difficulty(4, 0), 0u);
    EXPECT_THROW(plain.Difficulty(4, kEntries), std::out_of_range);

    const TPuzzleBank measured = Bank([](int i) { return static_cast<std::uint32_t>(100 + i); });
    EXPECT_EQ(measured.Difficulty(2, 7), 107u);
    EXPECT_THROW(measured.Difficulty(2, -1), std::out_of_range);

    Measures[3].pop_back();
    std::array<std::span<const std::uint32_t>, TPuzzleBank::kListCount> spans;
    for (int list = 0; list < TPuzzleBank::kListCount; ++list)
        spans[list] = Measures[list];
    try {
        TPuzzleBank(Lines(Line, kEntries), spans);
        ADD_FAILURE() << "accepted 11 measures for 12 entries";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "puzzle bank list tk3 holds 12 entries but 11 difficulty measures");
    }
}

TEST_F(MeasuredBankTest, DrawsBySectionComeEasiestFirstTiesByEntry)
{
    // Entries fall in difficulty as their index rises, in pairs of equal measure.
    const TPuzzleBank bank = Bank([](int i) { return static_cast<std::uint32_t>(50 - i / 2); });
    TRandom random(SequenceSeedSource(7));
    TBookDraw draw(bank, 3);
    const std::vector<int> entries = draw.NextByDifficulty(random, draw.Capacity());
    EXPECT_EQ(entries, (std::vector<int>{10, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1}));

    // The same seed draws the same entries in the same order.
    TRandom again(SequenceSeedSource(7));
    TBookDraw other(bank, 3);
    const std::vector<int> some = other.NextByDifficulty(again, 5);
    TRandom third(SequenceSeedSource(7));
    TBookDraw copy(bank, 3);
    EXPECT_EQ(copy.NextByDifficulty(third, 5), some);
    for (std::size_t i = 0; i + 1 < some.size(); ++i)
        EXPECT_LE(bank.Difficulty(2, some[i]), bank.Difficulty(2, some[i + 1]));
}

TEST_F(MeasuredBankTest, ASectionTooLargeForWhatIsLeftIsRefusedBeforeDrawing)
{
    const TPuzzleBank bank = Bank([](int) { return 1u; });
    TRandom random(SequenceSeedSource(3));
    TBookDraw draw(bank, 1);
    draw.NextByDifficulty(random, 4);
    ASSERT_EQ(draw.Remaining(), 7);
    try {
        draw.NextByDifficulty(random, 8);
        ADD_FAILURE() << "drew 8 of 7";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "list tk1 can give this book only 7 more different puzzles, not 8");
    }
    EXPECT_EQ(draw.Remaining(), 7) << "nothing may be drawn by a refused section";
    EXPECT_EQ(draw.NextByDifficulty(random, 7).size(), 7u);
}

// Easy and Standard both draw from tk1: a book with both must not hold one entry twice.
TEST_F(MeasuredBankTest, LevelsOnOneListShareTheirDrawAndNeverRepeatAnEntry)
{
    const TPuzzleBank bank = Bank([](int i) { return static_cast<std::uint32_t>(i); });
    TRandom random(SequenceSeedSource(11));
    TBookDraws draws(bank, 0);
    TBookDraw& easy = draws.For(1);
    TBookDraw& standard = draws.For(2);
    EXPECT_EQ(&easy, &standard);
    EXPECT_NE(&draws.For(0), &easy);
    EXPECT_NE(&draws.For(3), &draws.For(4));

    std::set<int> entries;
    for (int index : easy.NextByDifficulty(random, 6))
        entries.insert(index);
    EXPECT_EQ(standard.Remaining(), 5);
    for (int index : standard.NextByDifficulty(random, 5))
        EXPECT_TRUE(entries.insert(index).second) << "entry " << index << " drawn twice";
    EXPECT_THROW(standard.NextByDifficulty(random, 1), Error);
    EXPECT_THROW(draws.For(6), std::out_of_range);
}

TEST(BankMeasureBuiltInTest, VolumeDrawsAreTheLevelsOwnAndDisjoint)
{
    const TPuzzleBank& bank = TPuzzleBank::BuiltIn();
    TRandom random(SequenceSeedSource(19));
    TBookDraws draws(bank, 2);
    ASSERT_NE(&draws.For(1), &draws.For(2)) << "a volume's block belongs to one level";
    std::set<int> easy;
    for (int index : draws.For(1).NextByDifficulty(random, 400))
        easy.insert(index);
    for (int index : draws.For(2).NextByDifficulty(random, 400))
        EXPECT_EQ(easy.count(index), 0u) << "entry " << index;
    EXPECT_THROW(TBookDraws(bank, 99).For(1), Error);
}

TEST(BankMeasureBuiltInTest, TheBuiltInBankCarriesAMeasurePerEntryWithinItsListsTier)
{
    // Orders 1..3 are tier 1, 4..9 tier 2, 10..18 tier 3, 19..22 tier 4; tk1 needs hidden
    // singles (order 3).
    const int lowest[] = {1, 3, 4, 10, 19};
    const int highest[] = {3, 3, 9, 18, 22};
    const TPuzzleBank& bank = TPuzzleBank::BuiltIn();
    for (int list = 0; list < TPuzzleBank::kListCount; ++list)
        for (int i = 0; i < bank.Count(list); ++i) {
            const DifficultyMeasure m = DifficultyMeasure::Unpack(bank.Difficulty(list, i));
            ASSERT_GE(m.HardestOrder, lowest[list]) << "tk" << list << " entry " << i;
            ASSERT_LE(m.HardestOrder, highest[list]) << "tk" << list << " entry " << i;
            ASSERT_GE(m.HardestSteps, 1) << "tk" << list << " entry " << i;
            ASSERT_LE(m.HardestSteps, m.TotalSteps) << "tk" << list << " entry " << i;
        }
}

} // namespace
} // namespace gq::puzzle
