#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gq::solve
{

/// A Sudoku grid in row-major order: cell = (row - 1) * 9 + (col - 1); 0 is an open cell.
using Grid = std::array<std::uint8_t, 81>;

/// Candidates of every cell: bit d (1..9), that is `1u << d`, set while digit d is still possible
/// there; bit 0 is never set.
using Candidates = std::array<std::uint16_t, 81>;

/// The human techniques, in the fixed order in which they are tried: at every step the first
/// technique of this list that makes progress is applied, then the search starts from the top.
enum class Technique : std::uint8_t
{
    // Tier 1: singles
    FullHouse,
    NakedSingle,
    HiddenSingle,
    // Tier 2: intersections and small subsets
    Pointing,
    Claiming,
    NakedPair,
    HiddenPair,
    NakedTriple,
    HiddenTriple,
    // Tier 3: fish, quads, wings and short single-digit patterns
    XWing,
    Skyscraper,
    TwoStringKite,
    Swordfish,
    XYWing,
    XYZWing,
    NakedQuad,
    Jellyfish,
    HiddenQuad,
    // Tier 4: chains
    WWing,
    XChain,
    XYChain,
    AIC,
};

constexpr int kTechniqueCount = static_cast<int>(Technique::AIC) + 1;

/// Tier 1..4 of a technique, as the bank grades puzzles.
int TierOf(Technique t);

/// Display name of a technique ("Hidden Single", "X-Wing", ...).
std::string_view NameOf(Technique t);

/// Machine name of a technique: lowercase words joined by hyphens ("hidden-single", "x-wing").
std::string_view KeyOf(Technique t);

/// The technique whose `KeyOf` is `key`, if any.
std::optional<Technique> TechniqueFromKey(std::string_view key);

/// "r3c5" for cell index 20 (0..80); throws std::out_of_range outside 0..80.
std::string CellName(int cell);

/// One digit at one cell.
struct TCellDigit
{
    int Cell = 0;
    int Digit = 0;
    bool operator==(const TCellDigit&) const = default;
};

/// One logical step.
struct TStep
{
    Technique Kind = Technique::FullHouse;
    std::string Unit;                  ///< "row 3", "column 5", "box 4"; "" when no single unit
    std::vector<int> Cells;            ///< the cells the pattern is made of (shaded in diagrams)
    std::vector<int> Digits;           ///< the digits the pattern is about, ascending
    std::vector<TCellDigit> Place;     ///< placements (singles)
    std::vector<TCellDigit> Eliminate; ///< candidate eliminations
    std::string Text; ///< the sentence for people: "Row 3 has one place left for 7: r3c5"
};

/// The steps that solve a puzzle, or that lead to where logic stops.
struct TExplanation
{
    std::vector<TStep> Steps;         ///< in order, to the solution or where logic stops
    bool Solved = false;              ///< false: no logical step left after the last step
    int Tier = 0;                     ///< highest tier used, 0 when no step was needed
    std::optional<Technique> Hardest; ///< the latest technique in the order that was used
};

/// One line for a list of steps, without its number: what the step does, then the technique,
/// its digits and its unit: "r3c5 = 7  hidden single (row 3)",
/// "r5c1, r6c3 -7  naked pair {2,7} (box 4)". Eliminations are grouped by digit, ascending:
/// "r1c1, r1c2 -3; r1c2 -5".
std::string Summary(const TStep& step);

/// Explains `givens` with the grader's techniques, in the grader's order. Givens that clash
/// give no steps and Solved = false.
TExplanation Explain(const Grid& givens);

/// The candidates of the givens: every open cell holds the digits none of its peers holds;
/// a filled cell holds none.
Candidates StartingCandidates(const Grid& givens);

/// Applies `step` to the state before it: a placement fills its cell and removes its digit from
/// the cell's candidates and from its peers; an elimination removes its digit from its cell.
/// The state before step k is StartingCandidates(givens) with steps 0..k-1 applied.
void Apply(const TStep& step, Grid& grid, Candidates& candidates);

} // namespace gq::solve
