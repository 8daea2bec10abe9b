#include "variant/Grader.h"

#include "variant/Board.h"

#include <algorithm>

namespace gq::variant
{

Technique TechniqueOf(Tier tier)
{
    switch (tier) {
    case Tier::VeryEasy:
    case Tier::Easy:
        return Technique::Singles;
    case Tier::Standard:
        return Technique::Intersections;
    case Tier::Hard:
        return Technique::Pairs;
    case Tier::Expert:
    case Tier::Extreme:
        return Technique::Triples;
    }
    return Technique::Triples;
}

Grade GradePuzzle(const Shape& shape, const std::vector<int>& givens, Technique limit)
{
    return GradePuzzle(Layout(shape), givens, limit);
}

Grade GradePuzzle(const Layout& layout, const std::vector<int>& givens, Technique limit)
{
    Grade grade;
    Board board(layout, givens);
    const bool cages = !layout.Cages.empty();
    auto step = [&](Technique technique, bool progress) {
        if (progress)
            grade.Hardest = std::max(grade.Hardest, technique);
        return progress;
    };
    while (!board.Broken() && board.Open() > 0) {
        if (step(Technique::Singles, board.Singles() || (cages && board.CageCombinations(false))))
            continue;
        if (limit >= Technique::Intersections &&
            step(Technique::Intersections,
                 board.Intersections() ||
                     (cages && (board.FixedByArea() || board.CageCombinations(true)))))
            continue;
        if (limit >= Technique::Pairs && step(Technique::Pairs, board.Subsets(2)))
            continue;
        if (limit >= Technique::Triples && step(Technique::Triples, board.Subsets(3)))
            continue;
        break;
    }
    grade.Solved = !board.Broken() && board.Open() == 0;
    if (!grade.Solved)
        return grade;
    switch (grade.Hardest) {
    case Technique::None:
    case Technique::Singles: {
        const long given = std::count_if(givens.begin(), givens.end(), [](int d) { return d; });
        grade.Level = given * 100 >= static_cast<long>(layout.CellCount) * kVeryEasyGivenPercent
                          ? Tier::VeryEasy
                          : Tier::Easy;
        break;
    }
    case Technique::Intersections:
        grade.Level = Tier::Standard;
        break;
    case Technique::Pairs:
        grade.Level = Tier::Hard;
        break;
    case Technique::Triples:
        grade.Level = Tier::Expert;
        break;
    }
    return grade;
}

} // namespace gq::variant
