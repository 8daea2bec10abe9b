#pragma once

#include "variant/Variants.h"

#include <cstdint>

namespace gq::variant
{

/// Makes a fresh puzzle of `variant` at `tier`: one solution, solvable by hand at exactly that
/// tier without guessing. The same seed gives the same puzzle. Throws gq::Error when the
/// variant does not offer the tier (naming those it does), gq::InternalError when no puzzle
/// came of the attempts allowed.
Puzzle Generate(const VariantInfo& variant, Tier tier, std::uint64_t seed);

/// Random irregular regions for a size x size grid with boxes of boxRows x boxColumns: each
/// region one piece of `size` cells. Exposed for the tests.
std::vector<int> RandomRegions(int size, int boxRows, int boxColumns, class Random& random);

/// Random cages over a solution: connected, no digit twice, one to five cells each.
std::vector<Cage> RandomCages(const Shape& shape, const std::vector<int>& solution,
                              class Random& random);

} // namespace gq::variant
