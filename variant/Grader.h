#pragma once

#include "variant/Variants.h"

#include <vector>

namespace gq::variant
{

struct Layout;

/// The techniques a solver by hand needs, in the order they are tried (simplest first). A
/// puzzle's rank is that of the hardest step it needed.
enum class Technique
{
    None = 0,
    Singles = 1,       ///< naked and hidden singles; in killer also cage-sum combinations
    Intersections = 2, ///< pointing and claiming; in killer also the 45 rule (innies, outies)
    Pairs = 3,         ///< naked and hidden pairs
    Triples = 4,       ///< naked and hidden triples
};

/// Share of the cells given, in percent, at or above which a singles-only puzzle is very easy
/// (below it, easy).
constexpr int kVeryEasyGivenPercent = 50;

struct Grade
{
    bool Solved = false; ///< the techniques up to the limit finished it (so it has one solution)
    Technique Hardest = Technique::None;
    Tier Level = Tier::VeryEasy; ///< meaningful when Solved
};

/// The technique a tier needs at most (and, above easy, at least).
Technique TechniqueOf(Tier tier);

/// Solves `givens` by hand, simplest technique first, up to `limit`; never guesses.
Grade GradePuzzle(const Shape& shape, const std::vector<int>& givens,
                  Technique limit = Technique::Triples);

/// The same with the shape's layout worked out already (the generator grades many times).
Grade GradePuzzle(const Layout& layout, const std::vector<int>& givens, Technique limit);

} // namespace gq::variant
