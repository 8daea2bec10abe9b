// The puzzles of a book of several sections, each traced back to the bank entry it came from
// by canonical form (the shuffle disguises it under the Sudoku symmetries).
#include "book/PuzzleMaker.h"

#include "puzzle/BankMeasure.h"
#include "puzzle/Levels.h"
#include "tools/CanonicalForm.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace gq::book
{
namespace
{

struct BankPlace
{
    int List = -1;
    int Index = -1;
    bool operator<(const BankPlace& o) const
    {
        return List != o.List ? List < o.List : Index < o.Index;
    }
};

/// Canonical form of every entry of lists tk1..tk3 of the built-in bank, made once.
const std::unordered_map<std::string, BankPlace>& EntriesByForm()
{
    static const auto forms = [] {
        const puzzle::TPuzzleBank& bank = puzzle::TPuzzleBank::BuiltIn();
        std::vector<BankPlace> places;
        for (int list = 1; list <= 3; ++list)
            for (int i = 0; i < bank.Count(list); ++i)
                places.push_back({list, i});
        std::vector<std::string> texts(places.size());
        std::atomic<std::size_t> next{0};
        std::vector<std::thread> workers;
        for (unsigned w = 0; w < std::max(1u, std::thread::hardware_concurrency()); ++w)
            workers.emplace_back([&] {
                for (std::size_t k; (k = next++) < places.size();) {
                    tools::Grid puzzle{}, solution{};
                    tools::ParseBankLine(bank.Entry(places[k].List, places[k].Index), puzzle,
                                         solution);
                    texts[k] = tools::CanonicalForm(puzzle);
                }
            });
        for (auto& worker : workers)
            worker.join();
        std::unordered_map<std::string, BankPlace> map;
        for (std::size_t k = 0; k < places.size(); ++k)
            map.emplace(std::move(texts[k]), places[k]);
        return map;
    }();
    return forms;
}

class SectionBatchTest : public ::testing::Test
{
  protected:
    widgets::TPICSD33 Grid;

    /// The batch of `sections` made from the seed `seed`.
    std::unique_ptr<puzzle::TPuzzleBatch>
    Make(std::uint64_t seed, const std::vector<TSection>& sections, int volume = 0)
    {
        puzzle::TRandom random(puzzle::SequenceSeedSource(seed));
        puzzle::TQJ model(random);
        TPuzzleMaker maker(puzzle::TPuzzleBank::BuiltIn(), random, model, Grid);
        TBookSettings settings;
        settings.Sections = sections;
        settings.Volume = volume;
        auto batch = std::make_unique<puzzle::TPuzzleBatch>();
        maker.BuildSectionBatch(settings, *batch);
        return batch;
    }

    /// Checks that every section's puzzles come from its level's list, in ascending order of
    /// the bank's measure (equal ones by entry), and that no entry comes twice into the book.
    static void ExpectRisingAndDistinct(const puzzle::TPuzzleBatch& batch,
                                        const std::vector<TSection>& sections)
    {
        const puzzle::TPuzzleBank& bank = puzzle::TPuzzleBank::BuiltIn();
        std::set<BankPlace> seen;
        int number = 0;
        for (const TSection& section : sections) {
            SCOPED_TRACE(std::string(puzzle::Levels()[section.LevelIndex].Name));
            const int list = puzzle::LevelCodeOf(section.LevelIndex) - 1;
            BankPlace previous;
            for (int i = 0; i < section.Count; ++i) {
                ++number;
                tools::Grid grid{};
                ASSERT_TRUE(tools::ParsePuzzle(batch.Puzzles[number], grid)) << number;
                const auto at = EntriesByForm().find(tools::CanonicalForm(grid));
                ASSERT_NE(at, EntriesByForm().end()) << "puzzle " << number << " not in the bank";
                const BankPlace place = at->second;
                EXPECT_EQ(place.List, list) << "puzzle " << number;
                EXPECT_TRUE(seen.insert(place).second)
                    << "puzzle " << number << " repeats entry " << place.Index;
                if (i > 0) {
                    const std::uint32_t before = bank.Difficulty(list, previous.Index);
                    const std::uint32_t now = bank.Difficulty(list, place.Index);
                    EXPECT_TRUE(before < now || (before == now && previous.Index < place.Index))
                        << "puzzle " << number << " is easier than the one before it";
                }
                previous = place;
            }
        }
        EXPECT_TRUE(batch.Puzzles[number + 1].empty());
    }
};

const std::vector<TSection> kFourSections = {{1, 60}, {2, 60}, {3, 50}, {4, 30}};

TEST_F(SectionBatchTest, PuzzlesRiseInDifficultyWithinEachSectionAndNeverRepeat)
{
    const auto batch = Make(2027, kFourSections);
    ExpectRisingAndDistinct(*batch, kFourSections);
    // The measure orders more finely than the grade: a section of Hard puzzles (all tier 2)
    // rises from the easier hard techniques to the harder ones.
    const puzzle::TPuzzleBank& bank = puzzle::TPuzzleBank::BuiltIn();
    std::set<int> orders;
    for (int index = 0; index < bank.Count(2); index += 97)
        orders.insert(puzzle::DifficultyMeasure::Unpack(bank.Difficulty(2, index)).HardestOrder);
    EXPECT_GT(orders.size(), 2u);
}

TEST_F(SectionBatchTest, VolumeSectionsRiseAndNeverRepeat)
{
    // Standard before Easy: each draws from its own block of volume 3.
    const std::vector<TSection> sections = {{2, 300}, {1, 300}};
    ExpectRisingAndDistinct(*Make(5, sections, 3), sections);
}

TEST_F(SectionBatchTest, TheSameSeedMakesTheSameBook)
{
    const auto one = Make(99, kFourSections);
    const auto two = Make(99, kFourSections);
    EXPECT_EQ(one->Puzzles, two->Puzzles);
    EXPECT_EQ(one->Solutions, two->Solutions);
    EXPECT_NE(Make(100, kFourSections)->Puzzles, one->Puzzles);
}

} // namespace
} // namespace gq::book
