// Generated puzzles of every variant and offered tier, checked from outside the engine: the
// rule checker (tests/variant/RuleChecker.h) finds exactly one solution, the engine's own; the
// grader gives back the tier asked for and cannot finish the puzzle with the techniques of the
// tier below; no two puzzles of a run are the same.
//
// A fixed sample by default (a few seconds). With GQ_FULL_SWEEP=1 in the environment, the full
// sweep: 1,000 puzzles per variant and tier, 100 for 16x16.
#include "RuleChecker.h"
#include "variant/Generator.h"
#include "variant/Grader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

namespace gq::variant
{
namespace
{

bool FullSweep()
{
    const char* value = std::getenv("GQ_FULL_SWEEP");
    return value && std::string(value) == "1";
}

/// The whole puzzle as text: givens, regions and cages.
std::string Key(const Puzzle& puzzle)
{
    std::string key;
    for (int digit : puzzle.Givens)
        key += DigitChar(digit);
    for (int region : puzzle.Grid.Regions)
        key += DigitChar(region + 1);
    for (const Cage& cage : puzzle.Grid.Cages) {
        key += '|' + std::to_string(cage.Sum);
        for (int cell : cage.Cells)
            key += ',' + std::to_string(cell);
    }
    return key;
}

class VariantSweepTest : public ::testing::TestWithParam<const char*>
{};

TEST_P(VariantSweepTest, EveryPuzzleUniqueGradedAndFresh)
{
    const VariantInfo& variant = *FindVariant(GetParam());
    const bool large = variant.Size == 16;
    const int count = FullSweep() ? (large ? 100 : 1000) : (large ? 2 : 6);
    for (Tier tier : variant.Tiers) {
        std::set<std::string> seen;
        int repeats = 0;
        for (int seed = 1; seed <= count; ++seed) {
            const Puzzle puzzle = Generate(variant, tier, static_cast<std::uint64_t>(seed));
            const std::string where = std::string(variant.Name) + "/" +
                                      std::string(TierName(tier)) + " seed " + std::to_string(seed);
            ASSERT_NO_THROW(puzzle.Grid.Validate()) << where;

            test::RuleChecker checker(puzzle.Grid);
            std::vector<int> solution;
            ASSERT_EQ(checker.Count(puzzle.Givens, 2, &solution), 1) << where;
            ASSERT_EQ(solution, puzzle.Solution) << where;

            const Grade grade = GradePuzzle(puzzle.Grid, puzzle.Givens);
            ASSERT_TRUE(grade.Solved) << where;
            ASSERT_EQ(grade.Level, tier) << where;
            if (TechniqueOf(tier) > Technique::Singles) {
                const auto below = static_cast<Technique>(static_cast<int>(TechniqueOf(tier)) - 1);
                ASSERT_FALSE(GradePuzzle(puzzle.Grid, puzzle.Givens, below).Solved)
                    << where << ": solvable with the tier below's techniques";
            }
            repeats += !seen.insert(Key(puzzle)).second;
        }
        // A 4 x 4 grid allows only some tens of thousands of easy puzzles, so a long run meets a
        // few again (a book skips those); any other variant must never repeat.
        const int allowed = variant.Size == 4 ? count / 50 : 0;
        EXPECT_LE(repeats, allowed) << variant.Name << "/" << TierName(tier) << ": repeats";
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, VariantSweepTest,
                         ::testing::Values("classic", "x", "jigsaw", "killer", "6x6", "4x4",
                                           "16x16"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return name[0] >= '0' && name[0] <= '9' ? "g" + name : name;
                         });

} // namespace
} // namespace gq::variant
