#pragma once

// The technique engine behind grading and explaining. Private to the solver.

#include "solve/Grade.h"

#include <vector>

namespace gq::solve
{

/// Runs the techniques up to `last` on `puzzle` (see Grade). When `record` is given every
/// placement becomes a step of its own and every other round one step with its eliminations,
/// each with its sentence, appended in order.
GradeResult RunTechniques(const Grid& puzzle, Technique last, const Grid* solution,
                          std::vector<TStep>* record);

} // namespace gq::solve
