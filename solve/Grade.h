#pragma once

#include "solve/Explain.h"
#include "solve/Geometry.h"

#include <array>

namespace gq::solve
{

/// Longest chain (in links, strong and weak) the chain techniques look for.
constexpr int kMaxChainLinks = 24;

/// Outcome of grading one puzzle.
struct GradeResult
{
    bool Solved = false;                      ///< the techniques allowed finished the puzzle
    int Tier = 0;                             ///< highest tier used (0 when no step was needed)
    Technique Hardest = Technique::FullHouse; ///< latest technique in the order that was used
    std::array<int, kTechniqueCount> Steps{}; ///< how many grading rounds each technique made
    int LongestChain = 0; ///< links in the longest chain used (0 without chains)
    int UnsoundSteps = 0; ///< steps that removed a digit of the supplied solution (a bug)
    Technique FirstUnsound = Technique::FullHouse; ///< technique of the first such step

    bool Used(Technique t) const { return Steps[static_cast<int>(t)] > 0; }

    /// Rounds made with all techniques.
    int TotalSteps() const;

    /// Place 1..kTechniqueCount of `Hardest` in the order; 0 when no step was made.
    int HardestOrder() const;
};

/// Grades `puzzle` (0 = open cell) using the techniques up to and including `last`, without
/// recording steps. A grading round applies one technique once: the singles place every single
/// they find in one sweep, the other techniques one pattern. When `solution` is given every
/// elimination and placement is checked against it and violations are counted in
/// `UnsoundSteps`. A puzzle whose givens clash is not solved.
GradeResult Grade(const Grid& puzzle, Technique last = Technique::AIC,
                  const Grid* solution = nullptr);

} // namespace gq::solve
