#pragma once

#include "tools/GridTables.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace gq::tools
{

/// The logical techniques of the grader, in the fixed order in which they are tried: at every
/// step the first technique of this list that makes progress is applied, then the search starts
/// again from the top. Each technique belongs to a tier (see `TierOf`); a puzzle's grade is the
/// highest tier it needs.
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

/// Longest chain (in links, strong and weak) the chain techniques look for.
constexpr int kMaxChainLinks = 24;

/// Tier 1..4 of a technique.
int TierOf(Technique t);

/// Display name of a technique ("Hidden Single", "X-Wing", ...).
std::string_view NameOf(Technique t);

/// Outcome of grading one puzzle.
struct GradeResult
{
    bool Solved = false;                      ///< the techniques allowed finished the puzzle
    int Tier = 0;                             ///< highest tier used (0 when no step was needed)
    Technique Hardest = Technique::FullHouse; ///< latest technique in the order that was used
    std::array<int, kTechniqueCount> Steps{}; ///< how many steps each technique made
    int LongestChain = 0; ///< links in the longest chain used (0 without chains)
    int UnsoundSteps = 0; ///< steps that removed a digit of the supplied solution (a bug)
    Technique FirstUnsound = Technique::FullHouse; ///< technique of the first such step

    bool Used(Technique t) const { return Steps[static_cast<int>(t)] > 0; }

    /// Steps made with all techniques.
    int TotalSteps() const;

    /// Place 1..kTechniqueCount of `Hardest` in the order; 0 when no step was made.
    int HardestOrder() const;
};

/// The grade's difficulty measure packed into one number, in the bank's layout
/// (puzzle/BankMeasure.h): the hardest technique's order, then the steps made with it, then
/// all steps. A harder puzzle has a higher number.
std::uint32_t PackedDifficulty(const GradeResult& grade);

/// The same measure as one line of a bank measure file ("14 2 31"), without line end.
std::string DifficultyLine(const GradeResult& grade);

/// Human-style grader: solves with the techniques above only (no guessing, no forcing chains or
/// nets) and reports the techniques and the tier a puzzle needs.
class Grader
{
  public:
    /// Grades `puzzle` (0 = open cell) using the techniques up to and including `last`.
    /// When `solution` is given every elimination and placement is checked against it and
    /// violations are counted in `UnsoundSteps`. A puzzle whose givens clash is not solved.
    static GradeResult Grade(const Grid& puzzle, Technique last = Technique::AIC,
                             const Grid* solution = nullptr);
};

} // namespace gq::tools
