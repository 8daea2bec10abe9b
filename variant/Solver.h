#pragma once

#include "variant/Variants.h"

#include <cstdint>
#include <vector>

namespace gq::variant
{

class Random;

/// Counts the solutions of `givens` (CellCount() digits, 0 = open) on `shape`, stopping at
/// `limit`. The first solution found goes to `solution` when it is not null. Exact: constraint
/// propagation (singles, cage sums) with a fewest-candidates-first search.
int CountSolutions(const Shape& shape, const std::vector<int>& givens, int limit,
                   std::vector<int>* solution = nullptr);

/// A random complete grid for `shape` (its cages are ignored), or an empty vector when none was
/// found within `nodeLimit` search steps (an irregular layout may have no filling at all).
std::vector<int> RandomFilling(const Shape& shape, Random& random, long nodeLimit);

} // namespace gq::variant
