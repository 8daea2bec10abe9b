// The solver's names, cell names, replay rule and line format, and how it treats grids that are
// solved, broken or beyond its techniques.
#include "solve/Explain.h"
#include "solve/Sentences.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace gq::solve
{
namespace
{

Grid FromText(std::string_view text)
{
    Grid grid{};
    for (std::size_t i = 0; i < 81 && i < text.size(); ++i)
        grid[i] = text[i] == '.' ? 0 : static_cast<std::uint8_t>(text[i] - '0');
    return grid;
}

TEST(ExplainTest, TechniqueKeysAreUniqueLowercaseAndReadBack)
{
    std::set<std::string_view> keys;
    for (int t = 0; t < kTechniqueCount; ++t) {
        const auto kind = static_cast<Technique>(t);
        const std::string_view key = KeyOf(kind);
        EXPECT_TRUE(keys.insert(key).second) << key;
        for (char c : key)
            EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') << key;
        EXPECT_EQ(TechniqueFromKey(key), kind);
        // Tiers never fall along the order.
        if (t > 0) {
            EXPECT_GE(TierOf(kind), TierOf(static_cast<Technique>(t - 1)));
        }
    }
    EXPECT_EQ(TechniqueFromKey("pointing-pair"), std::nullopt);
    EXPECT_EQ(KeyOf(Technique::TwoStringKite), "2-string-kite");
}

TEST(ExplainTest, CellAndUnitNamesCoverTheGridAndRefuseOutside)
{
    EXPECT_EQ(CellName(0), "r1c1");
    EXPECT_EQ(CellName(22), "r3c5");
    EXPECT_EQ(CellName(80), "r9c9");
    EXPECT_THROW(CellName(81), std::out_of_range);
    EXPECT_THROW(CellName(-1), std::out_of_range);
    EXPECT_EQ(UnitName(2), "row 3");
    EXPECT_EQ(UnitName(13), "column 5");
    EXPECT_EQ(UnitName(21), "box 4");
}

TEST(ExplainTest, StartingCandidatesAndApplyFollowTheReplayRule)
{
    Grid grid = FromText("5" + std::string(80, '.'));
    Candidates c = StartingCandidates(grid);
    EXPECT_EQ(c[0], 0);                 // a filled cell holds none
    EXPECT_EQ(c[1], 0x3FE & ~(1 << 5)); // its row peer lost 5, bit 0 never set
    EXPECT_EQ(c[40], 0x3FE);            // r5c5 sees nothing
    TStep place;
    place.Place = {{40, 7}};
    place.Eliminate = {{80, 3}};
    Apply(place, grid, c);
    EXPECT_EQ(grid[40], 7);
    EXPECT_EQ(c[40], 0);
    EXPECT_FALSE(c[44] & (1 << 7)); // r5c9 sees r5c5
    EXPECT_TRUE(c[44] & (1 << 3));
    EXPECT_FALSE(c[80] & (1 << 3));
    EXPECT_TRUE(c[80] & (1 << 7)); // r9c9 does not see r5c5
}

TEST(ExplainTest, SummaryLinesGroupEliminationsByDigit)
{
    TStep single;
    single.Kind = Technique::HiddenSingle;
    single.Unit = "row 3";
    single.Digits = {7};
    single.Place = {{22, 7}};
    EXPECT_EQ(Summary(single), "r3c5 = 7  hidden single (row 3)");
    TStep pair;
    pair.Kind = Technique::NakedPair;
    pair.Unit = "box 4";
    pair.Digits = {2, 7};
    pair.Eliminate = {{36, 7}, {47, 7}, {36, 2}};
    EXPECT_EQ(Summary(pair), "r5c1 -2; r5c1, r6c3 -7  naked pair {2,7} (box 4)");
}

TEST(ExplainTest, SolvedBrokenAndStuckGrids)
{
    const std::string solved =
        "534678912672195348198342567859761423426853791713924856961537284287419635345286179";
    const TExplanation none = Explain(FromText(solved));
    EXPECT_TRUE(none.Solved);
    EXPECT_TRUE(none.Steps.empty());
    EXPECT_EQ(none.Tier, 0);
    EXPECT_FALSE(none.Hardest);

    // One open cell: a full house whose sentence names the row and the digit.
    std::string one = solved;
    one[22] = '.';
    const TExplanation last = Explain(FromText(one));
    ASSERT_EQ(last.Steps.size(), 1u);
    EXPECT_EQ(last.Steps[0].Kind, Technique::FullHouse);
    EXPECT_EQ(last.Steps[0].Text, "Row 3 has one open cell left: r3c5 takes 4");
    EXPECT_EQ(last.Hardest, Technique::FullHouse);

    std::string clash(81, '.');
    clash[0] = clash[1] = '4';
    const TExplanation broken = Explain(FromText(clash));
    EXPECT_FALSE(broken.Solved);
    EXPECT_TRUE(broken.Steps.empty());

    // Needs guessing: stops with steps that are all placements or eliminations.
    const TExplanation stuck = Explain(FromText(
        "8..........36......7..9.2...5...7.......457.....1...3...1....68..85...1..9....4.."));
    EXPECT_FALSE(stuck.Solved);
    for (const TStep& step : stuck.Steps)
        EXPECT_FALSE(step.Place.empty() && step.Eliminate.empty()) << step.Text;
}

} // namespace
} // namespace gq::solve
