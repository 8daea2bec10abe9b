#include "puzzle/Candidates.h"

#include "puzzle/Grid.h"

namespace gq::puzzle
{

std::string CandidateList(const GivenDigits& givens, int row, int col)
{
    // seen[0] collects the open cells; a digit above 9 (outside the contract) rules nothing out.
    std::array<bool, 256> seen{};
    if (const int own = givens[CellIndex(row, col)]; own >= 1 && own <= 9) {
        seen[own] = true;
    } else {
        for (int r = 1; r <= 9; ++r)
            for (int c = 1; c <= 9; ++c)
                if (ArePeers(row, col, r, c))
                    seen[givens[CellIndex(r, c)]] = true;
    }
    std::string result;
    for (int digit = 1; digit <= 9; ++digit)
        if (!seen[digit])
            result += static_cast<char>('0' + digit);
    return result;
}

} // namespace gq::puzzle
