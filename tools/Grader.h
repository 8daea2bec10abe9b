#pragma once

#include "solve/Grade.h"
#include "tools/GridTables.h"

#include <cstdint>
#include <string>

namespace gq::tools
{

// The techniques and the grading come from the technique solver; the bank tools keep their names.
using solve::GradeResult;
using solve::kMaxChainLinks;
using solve::kTechniqueCount;
using solve::NameOf;
using solve::Technique;
using solve::TierOf;

/// The grade's difficulty measure packed into one number, in the bank's layout
/// (puzzle/BankMeasure.h): the hardest technique's order, then the steps made with it, then
/// all steps. A harder puzzle has a higher number.
std::uint32_t PackedDifficulty(const GradeResult& grade);

/// The same measure as one line of a bank measure file ("14 2 31"), without line end.
std::string DifficultyLine(const GradeResult& grade);

/// Human-style grader: solves with the techniques only (no guessing, no forcing chains or
/// nets) and reports the techniques and the tier a puzzle needs.
class Grader
{
  public:
    /// Grades `puzzle` (0 = open cell) using the techniques up to and including `last`
    /// (see solve::Grade).
    static GradeResult Grade(const Grid& puzzle, Technique last = Technique::AIC,
                             const Grid* solution = nullptr)
    {
        return solve::Grade(puzzle, last, solution);
    }
};

} // namespace gq::tools
