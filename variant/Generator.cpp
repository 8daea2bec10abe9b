#include "variant/Generator.h"

#include "gq/Error.h"
#include "variant/Board.h"
#include "variant/Grader.h"
#include "variant/Random.h"
#include "variant/Solver.h"

#include <algorithm>
#include <bit>
#include <numeric>

namespace gq::variant
{

namespace
{

constexpr int kMaxAttempts = 5000;
constexpr long kFillNodeLimit = 2000;
/// Removal orders tried on one filled grid before making another.
constexpr int kOrdersPerGrid = 4;

/// The orthogonal neighbours of a cell.
int Neighbours(int cell, int size, int out[4])
{
    const int row = cell / size, column = cell % size;
    int count = 0;
    if (row > 0)
        out[count++] = cell - size;
    if (row + 1 < size)
        out[count++] = cell + size;
    if (column > 0)
        out[count++] = cell - 1;
    if (column + 1 < size)
        out[count++] = cell + 1;
    return count;
}

bool RegionConnected(const std::vector<int>& regions, int size, int region)
{
    std::vector<int> cells;
    for (int cell = 0; cell < size * size; ++cell)
        if (regions[cell] == region)
            cells.push_back(cell);
    std::vector<char> seen(regions.size(), 0);
    std::vector<int> stack{cells.front()};
    seen[cells.front()] = 1;
    std::size_t reached = 0;
    while (!stack.empty()) {
        const int cell = stack.back();
        stack.pop_back();
        ++reached;
        int next[4];
        for (int i = 0, n = Neighbours(cell, size, next); i < n; ++i)
            if (regions[next[i]] == region && !seen[next[i]]) {
                seen[next[i]] = 1;
                stack.push_back(next[i]);
            }
    }
    return reached == cells.size();
}

/// Opens cells of the puzzle's solution one by one in a random order, keeping each opening
/// only while the puzzle stays solvable by the tier's techniques (which also keeps its solution
/// unique). True when the result grades at exactly the tier.
bool TryOpen(Puzzle& puzzle, const Layout& layout, Tier tier, Random& random)
{
    const Shape& shape = puzzle.Grid;
    const Technique limit = TechniqueOf(tier);
    const int cells = shape.CellCount();
    const int floor = tier == Tier::VeryEasy ? (cells * kVeryEasyGivenPercent + 99) / 100 : 0;
    std::vector<int>& givens = puzzle.Givens;
    givens = puzzle.Solution;
    std::vector<int> order(static_cast<std::size_t>(cells));
    std::iota(order.begin(), order.end(), 0);
    random.Shuffle(order.begin(), order.end());
    int given = cells;
    for (int cell : order) {
        if (given <= floor)
            break;
        givens[cell] = 0;
        // A cell its peers' givens force (a naked single) leaves the puzzle as solvable as
        // before, without grading it again.
        Mask seen = 0;
        for (int peer : layout.Peers[cell])
            if (givens[peer] != 0)
                seen |= Mask{1} << (givens[peer] - 1);
        if (std::popcount(seen) == shape.Size - 1 || GradePuzzle(layout, givens, limit).Solved)
            --given;
        else
            givens[cell] = puzzle.Solution[cell];
    }
    const Grade grade = GradePuzzle(layout, givens, Technique::Triples);
    if (!grade.Solved || grade.Level != tier)
        return false;
    if (CountSolutions(shape, givens, 2) != 1)
        throw InternalError("a graded " + std::string(puzzle.Variant->Name) +
                            " puzzle has more than one solution");
    return true;
}

} // namespace

std::vector<int> RandomRegions(int size, int boxRows, int boxColumns, Random& random)
{
    Shape boxes;
    boxes.Size = size;
    boxes.BoxRows = boxRows;
    boxes.BoxColumns = boxColumns;
    std::vector<int> regions(static_cast<std::size_t>(size * size));
    for (int cell = 0; cell < size * size; ++cell)
        regions[cell] = boxes.RegionOf(cell);
    // Trade neighbouring cells across region borders, keeping every region one piece: sizes
    // stay N, and after enough trades little of the boxes is left.
    for (int trades = 0, tries = 0; trades < 4 * size * size && tries < 100 * size * size;
         ++tries) {
        const int a = random.Below(size * size);
        int next[4];
        const int b = next[random.Below(Neighbours(a, size, next))];
        const int regionA = regions[a], regionB = regions[b];
        if (regionA == regionB)
            continue;
        // Trading a and b alone only swaps them; give a to B and take another of B's border
        // cells next to A, so that the border moves.
        std::vector<int> offers;
        for (int cell = 0; cell < size * size; ++cell) {
            if (regions[cell] != regionB || cell == b)
                continue;
            int around[4];
            for (int i = 0, n = Neighbours(cell, size, around); i < n; ++i)
                if (regions[around[i]] == regionA && around[i] != a) {
                    offers.push_back(cell);
                    break;
                }
        }
        if (offers.empty())
            continue;
        const int c = offers[random.Below(static_cast<int>(offers.size()))];
        regions[a] = regionB;
        regions[c] = regionA;
        if (RegionConnected(regions, size, regionA) && RegionConnected(regions, size, regionB)) {
            ++trades;
        } else {
            regions[a] = regionA;
            regions[c] = regionB;
        }
    }
    return regions;
}

std::vector<Cage> RandomCages(const Shape& shape, const std::vector<int>& solution, Random& random)
{
    const int cells = shape.CellCount();
    std::vector<int> cageOf(static_cast<std::size_t>(cells), -1), order(cells);
    std::iota(order.begin(), order.end(), 0);
    random.Shuffle(order.begin(), order.end());
    static constexpr int kSizes[] = {2, 2, 2, 3, 3, 3, 4, 4, 5};
    std::vector<Cage> cages;
    for (int start : order) {
        if (cageOf[start] >= 0)
            continue;
        const int id = static_cast<int>(cages.size());
        Cage cage{{start}, solution[start]};
        cageOf[start] = id;
        Mask digits = Mask{1} << (solution[start] - 1);
        const int want = kSizes[random.Below(static_cast<int>(std::size(kSizes)))];
        while (static_cast<int>(cage.Cells.size()) < want) {
            std::vector<int> grow;
            for (int cell : cage.Cells) {
                int next[4];
                for (int i = 0, n = Neighbours(cell, shape.Size, next); i < n; ++i)
                    if (cageOf[next[i]] < 0 && !(digits & (Mask{1} << (solution[next[i]] - 1))))
                        grow.push_back(next[i]);
            }
            if (grow.empty())
                break;
            const int cell = grow[random.Below(static_cast<int>(grow.size()))];
            cageOf[cell] = id;
            digits |= Mask{1} << (solution[cell] - 1);
            cage.Cells.push_back(cell);
            cage.Sum += solution[cell];
        }
        std::sort(cage.Cells.begin(), cage.Cells.end());
        cages.push_back(std::move(cage));
    }
    // Reading order of their first cells, so that a printed list reads top to bottom.
    std::sort(cages.begin(), cages.end(),
              [](const Cage& a, const Cage& b) { return a.Cells.front() < b.Cells.front(); });
    return cages;
}

Puzzle Generate(const VariantInfo& variant, Tier tier, std::uint64_t seed)
{
    if (!variant.Offers(tier))
        throw Error(std::string(variant.Name) + " puzzles come at the levels " +
                    variant.TierList() + ", not " + std::string(TierName(tier)));
    Random random(seed);
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        Puzzle puzzle;
        puzzle.Variant = &variant;
        puzzle.Level = tier;
        puzzle.Seed = seed;
        Shape& shape = puzzle.Grid;
        shape.Size = variant.Size;
        shape.BoxRows = variant.BoxRows;
        shape.BoxColumns = variant.BoxColumns;
        shape.Diagonals = variant.Type == Kind::X;
        if (variant.Type == Kind::Jigsaw)
            shape.Regions = RandomRegions(shape.Size, shape.BoxRows, shape.BoxColumns, random);
        puzzle.Solution = RandomFilling(shape, random, kFillNodeLimit);
        if (puzzle.Solution.empty())
            continue;
        if (variant.Type == Kind::Killer)
            shape.Cages = RandomCages(shape, puzzle.Solution, random);
        const Layout layout(shape);
        for (int order = 0; order < kOrdersPerGrid; ++order) {
            if (TryOpen(puzzle, layout, tier, random))
                return puzzle;
        }
    }
    throw InternalError("no " + std::string(variant.Name) + " puzzle at " +
                        std::string(TierName(tier)) + " came of " + std::to_string(kMaxAttempts) +
                        " attempts");
}

} // namespace gq::variant
