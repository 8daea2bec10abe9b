#pragma once

#include "solve/Geometry.h"
#include "solve/Rng.h"

namespace gq::solve
{

/// Exact Sudoku solver for uniqueness checks and grid generation: bitmask candidates, naked
/// singles propagated on every placement, hidden singles per unit, then branching on the open
/// cell with the fewest candidates. Stateless; safe to call from several threads.
class Solver
{
  public:
    /// Counts the solutions of `puzzle` (0 = open cell), stopping once `limit` (>= 1) are found.
    /// A grid whose givens clash, or holding a value above 9, has 0 solutions. When `solution`
    /// is given and at least one solution exists, the first one found is stored there.
    static int CountSolutions(const Grid& puzzle, int limit = 2, Grid* solution = nullptr);

    /// True when `puzzle` has exactly one solution.
    static bool IsUnique(const Grid& puzzle) { return CountSolutions(puzzle, 2) == 1; }

    /// Finds one solution, trying the candidates of each branch cell in random order, so that an
    /// empty grid yields a random full grid. Returns false when there is no solution.
    static bool RandomSolution(const Grid& puzzle, Rng& rng, Grid& out);
};

} // namespace gq::solve
