#include "variant/Solver.h"

#include "variant/Board.h"
#include "variant/Random.h"

#include <bit>

namespace gq::variant
{

namespace
{

struct Search
{
    int Limit;
    std::vector<int>* Solution;
    Random* Shuffle; ///< null: digits in order
    long NodesLeft;
    int Found = 0;

    void Run(Board& board, bool cages)
    {
        if (--NodesLeft < 0)
            return;
        while (!board.Broken() && (board.Singles() || (cages && board.CageCombinations(false))))
            ;
        if (board.Broken())
            return;
        if (board.Open() == 0) {
            if (Found++ == 0 && Solution)
                *Solution = board.Values();
            return;
        }
        int best = -1, fewest = kMaxSize + 1;
        for (int cell = 0; cell < static_cast<int>(board.Values().size()); ++cell)
            if (board.Value(cell) == 0) {
                const int count = std::popcount(board.Candidates(cell));
                if (count < fewest) {
                    fewest = count;
                    best = cell;
                }
            }
        int digits[kMaxSize], count = 0;
        for (Mask m = board.Candidates(best); m != 0; m &= m - 1)
            digits[count++] = std::countr_zero(m) + 1;
        if (Shuffle)
            Shuffle->Shuffle(digits, digits + count);
        for (int i = 0; i < count && Found < Limit && NodesLeft >= 0; ++i) {
            Board next = board;
            next.Place(best, digits[i]);
            Run(next, cages);
        }
    }
};

} // namespace

int CountSolutions(const Shape& shape, const std::vector<int>& givens, int limit,
                   std::vector<int>* solution)
{
    const Layout layout(shape);
    Board board(layout, givens);
    Search search{limit, solution, nullptr, 1L << 60};
    search.Run(board, !layout.Cages.empty());
    return search.Found;
}

std::vector<int> RandomFilling(const Shape& shape, Random& random, long nodeLimit)
{
    Shape plain = shape;
    plain.Cages.clear();
    const Layout layout(plain);
    Board board(layout, std::vector<int>(static_cast<std::size_t>(layout.CellCount), 0));
    std::vector<int> solution;
    Search search{1, &solution, &random, nodeLimit};
    search.Run(board, false);
    return solution;
}

} // namespace gq::variant
