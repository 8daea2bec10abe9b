#include "solve/Solver.h"

#include <bit>

namespace gq::solve
{

namespace
{

/// Search state: candidates per cell and the set of placed cells (a placed cell holds exactly
/// its digit's bit, and that bit is gone from all its peers).
struct State
{
    std::array<DigitMask, 81> Cand;
    std::uint64_t Placed[2];
    int Remaining;

    bool IsPlaced(int cell) const { return (Placed[cell >> 6] >> (cell & 63)) & 1u; }
    void MarkPlaced(int cell) { Placed[cell >> 6] |= std::uint64_t{1} << (cell & 63); }
};

/// Places `bit` in `cell` and propagates naked singles. False on a contradiction.
bool Place(State& s, int cell, DigitMask bit)
{
    const GridTables& t = Tables();
    struct Item
    {
        std::uint8_t Cell;
        DigitMask Bit;
    };
    Item stack[96];
    int top = 0;
    stack[top++] = {static_cast<std::uint8_t>(cell), bit};
    while (top > 0) {
        const Item it = stack[--top];
        const int c = it.Cell;
        if (s.IsPlaced(c)) {
            if (s.Cand[c] != it.Bit)
                return false;
            continue;
        }
        if (!(s.Cand[c] & it.Bit))
            return false;
        s.Cand[c] = it.Bit;
        s.MarkPlaced(c);
        --s.Remaining;
        for (std::uint8_t p : t.Peers[c]) {
            DigitMask& m = s.Cand[p];
            if (!(m & it.Bit))
                continue;
            if (s.IsPlaced(p))
                return false;
            m ^= it.Bit;
            if (m == 0)
                return false;
            if (std::has_single_bit(m)) {
                if (top >= 96)
                    return false; // cannot happen: each cell becomes single at most once
                stack[top++] = {p, m};
            }
        }
    }
    return true;
}

/// Places every hidden single until none is left. False on a contradiction.
bool HiddenSingles(State& s)
{
    const GridTables& t = Tables();
    bool progress = true;
    while (progress && s.Remaining > 0) {
        progress = false;
        for (const auto& unit : t.Units) {
            DigitMask once = 0, twice = 0, placed = 0;
            for (std::uint8_t c : unit) {
                const DigitMask m = s.Cand[c];
                twice |= once & m;
                once |= m;
                if (s.IsPlaced(c))
                    placed |= m;
            }
            if (once != kAllDigits)
                return false;
            DigitMask hidden = once & ~twice & ~placed;
            while (hidden) {
                const DigitMask bit = hidden & -hidden;
                hidden ^= bit;
                int where = -1;
                for (std::uint8_t c : unit)
                    if (s.Cand[c] & bit) {
                        where = c;
                        break;
                    }
                if (where < 0 || !Place(s, where, bit))
                    return false;
                progress = true;
            }
        }
    }
    return true;
}

bool Init(const Grid& puzzle, State& s)
{
    s.Cand.fill(kAllDigits);
    s.Placed[0] = s.Placed[1] = 0;
    s.Remaining = 81;
    for (int cell = 0; cell < 81; ++cell) {
        const int v = puzzle[cell];
        if (v > 9)
            return false;
        if (v != 0 && !Place(s, cell, DigitBit(v)))
            return false;
    }
    return true;
}

void Store(const State& s, Grid* out)
{
    if (!out)
        return;
    for (int cell = 0; cell < 81; ++cell)
        (*out)[cell] = static_cast<std::uint8_t>(std::countr_zero(s.Cand[cell]) + 1);
}

int BranchCell(const State& s)
{
    int best = -1, bestCount = 10;
    for (int cell = 0; cell < 81; ++cell) {
        if (s.IsPlaced(cell))
            continue;
        const int n = std::popcount(s.Cand[cell]);
        if (n < bestCount) {
            best = cell;
            bestCount = n;
            if (n == 2)
                break;
        }
    }
    return best;
}

void Count(State& s, int limit, int& count, Grid* solution)
{
    if (!HiddenSingles(s))
        return;
    if (s.Remaining == 0) {
        if (count++ == 0)
            Store(s, solution);
        return;
    }
    const int cell = BranchCell(s);
    DigitMask m = s.Cand[cell];
    while (m && count < limit) {
        const DigitMask bit = m & -m;
        m ^= bit;
        State next = s;
        if (Place(next, cell, bit))
            Count(next, limit, count, solution);
    }
}

bool RandomSearch(State& s, Rng& rng, Grid& out)
{
    if (!HiddenSingles(s))
        return false;
    if (s.Remaining == 0) {
        Store(s, &out);
        return true;
    }
    const int cell = BranchCell(s);
    DigitMask bits[9];
    int n = 0;
    for (DigitMask m = s.Cand[cell]; m; m &= m - 1)
        bits[n++] = m & -m;
    rng.Shuffle(bits, bits + n);
    for (int i = 0; i < n; ++i) {
        State next = s;
        if (Place(next, cell, bits[i]) && RandomSearch(next, rng, out))
            return true;
    }
    return false;
}

} // namespace

int Solver::CountSolutions(const Grid& puzzle, int limit, Grid* solution)
{
    State s;
    if (!Init(puzzle, s))
        return 0;
    int count = 0;
    Count(s, limit < 1 ? 1 : limit, count, solution);
    return count;
}

bool Solver::RandomSolution(const Grid& puzzle, Rng& rng, Grid& out)
{
    State s;
    if (!Init(puzzle, s))
        return false;
    return RandomSearch(s, rng, out);
}

} // namespace gq::solve
