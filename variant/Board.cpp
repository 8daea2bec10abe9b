#include "variant/Board.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <set>

namespace gq::variant
{

namespace
{

Mask Bit(int digit) { return Mask{1} << (digit - 1); }

int CellsOf(const std::vector<Cage>& cages)
{
    int cells = 0;
    for (const Cage& cage : cages)
        cells += static_cast<int>(cage.Cells.size());
    return cells;
}

/// Every assignment of distinct digits from `candidates` to the cells from `at` on that brings
/// the sum to `target`; each digit used by one is added to `feasible`. Returns whether any was.
bool Assign(const Mask* candidates, int count, int at, Mask used, int sum, int target, int size,
            Mask* feasible)
{
    if (at == count)
        return sum == target;
    const int left = count - at;
    // The least and most that `left` distinct digits can add.
    if (sum + left * (left + 1) / 2 > target || sum + left * (2 * size - left + 1) / 2 < target)
        return false;
    bool any = false;
    for (Mask options = candidates[at] & ~used; options != 0; options &= options - 1) {
        const int digit = std::countr_zero(options) + 1;
        if (sum + digit > target)
            break;
        if (Assign(candidates, count, at + 1, used | Bit(digit), sum + digit, target, size,
                   feasible)) {
            feasible[at] |= Bit(digit);
            any = true;
        }
    }
    return any;
}

} // namespace

Layout::Layout(const Shape& shape)
    : Size(shape.Size), CellCount(shape.CellCount()), All((Mask{1} << shape.Size) - 1),
      Units(shape.Units()), Peers(static_cast<std::size_t>(CellCount)), Cages(shape.Cages)
{
    std::vector<std::set<int>> peers(static_cast<std::size_t>(CellCount));
    auto link = [&](const std::vector<int>& cells) {
        for (int a : cells)
            for (int b : cells)
                if (a != b)
                    peers[a].insert(b);
    };
    for (const auto& unit : Units)
        link(unit);
    for (const Cage& cage : Cages)
        link(cage.Cells);
    for (int cell = 0; cell < CellCount; ++cell)
        Peers[cell].assign(peers[cell].begin(), peers[cell].end());

    for (std::size_t a = 0; a < Units.size(); ++a)
        for (std::size_t b = a + 1; b < Units.size(); ++b) {
            Crossing crossing;
            for (int cell : Units[a])
                (std::count(Units[b].begin(), Units[b].end(), cell) ? crossing.Shared
                                                                    : crossing.FirstOnly)
                    .push_back(cell);
            if (crossing.Shared.size() < 2)
                continue;
            for (int cell : Units[b])
                if (!std::count(crossing.Shared.begin(), crossing.Shared.end(), cell))
                    crossing.SecondOnly.push_back(cell);
            Crossings.push_back(std::move(crossing));
        }

    if (Cages.empty())
        return;
    std::vector<int> cageOf(static_cast<std::size_t>(CellCount));
    for (std::size_t c = 0; c < Cages.size(); ++c)
        for (int cell : Cages[c].Cells)
            cageOf[cell] = static_cast<int>(c);
    const int unitTotal = Size * (Size + 1) / 2;
    for (const auto& unit : Units) {
        std::vector<char> inUnit(static_cast<std::size_t>(CellCount), 0);
        for (int cell : unit)
            inUnit[cell] = 1;
        std::set<int> touching;
        for (int cell : unit)
            touching.insert(cageOf[cell]);
        int insideSum = 0, touchingSum = 0;
        std::vector<int> innies, outies;
        for (int c : touching) {
            const Cage& cage = Cages[c];
            const bool inside = std::all_of(cage.Cells.begin(), cage.Cells.end(),
                                            [&](int cell) { return inUnit[cell] != 0; });
            touchingSum += cage.Sum;
            if (inside)
                insideSum += cage.Sum;
            for (int cell : cage.Cells)
                (inUnit[cell] ? innies : outies).push_back(cell);
            if (inside)
                innies.resize(innies.size() - cage.Cells.size());
        }
        if (innies.size() == 1)
            Fixed.emplace_back(innies[0], unitTotal - insideSum);
        else if (innies.size() >= 2 && innies.size() <= kMaxInnieCells)
            Innies.push_back({innies, unitTotal - insideSum});
        if (outies.size() == 1)
            Fixed.emplace_back(outies[0], touchingSum - unitTotal);
    }
}

Board::Board(const Layout& layout, const std::vector<int>& givens)
    : m_layout(&layout), m_candidates(static_cast<std::size_t>(layout.CellCount), layout.All),
      m_value(static_cast<std::size_t>(layout.CellCount), 0),
      m_cageSeen(static_cast<std::size_t>(CellsOf(layout.Cages)), 0),
      m_innieSeen(static_cast<std::size_t>(CellsOf(layout.Innies)), 0), m_open(layout.CellCount)
{
    for (int cell = 0; cell < layout.CellCount && !m_broken; ++cell)
        if (givens[cell] != 0) {
            if ((m_candidates[cell] & Bit(givens[cell])) == 0 || m_value[cell] != 0)
                m_broken = true;
            else
                Place(cell, givens[cell]);
        }
}

void Board::Place(int cell, int digit)
{
    m_value[cell] = digit;
    m_candidates[cell] = Bit(digit);
    --m_open;
    for (int peer : m_layout->Peers[cell]) {
        if ((m_candidates[peer] & Bit(digit)) == 0)
            continue;
        m_candidates[peer] &= ~Bit(digit);
        if (m_candidates[peer] == 0)
            m_broken = true;
    }
}

void Board::Remove(int cell, Mask digits, bool& changed)
{
    if (m_value[cell] != 0 || (m_candidates[cell] & digits) == 0)
        return;
    m_candidates[cell] &= ~digits;
    changed = true;
    if (m_candidates[cell] == 0)
        m_broken = true;
}

bool Board::Singles()
{
    bool changed = false;
    for (int cell = 0; cell < m_layout->CellCount && !m_broken; ++cell)
        if (m_value[cell] == 0 && std::has_single_bit(m_candidates[cell])) {
            Place(cell, std::countr_zero(m_candidates[cell]) + 1);
            changed = true;
        }
    for (const auto& unit : m_layout->Units) {
        if (m_broken)
            return changed;
        Mask once = 0, twice = 0, placed = 0;
        for (int cell : unit) {
            twice |= once & m_candidates[cell];
            once |= m_candidates[cell];
            if (m_value[cell] != 0)
                placed |= m_candidates[cell];
        }
        if (once != m_layout->All) {
            m_broken = true;
            return changed;
        }
        for (Mask hidden = once & ~twice & ~placed; hidden != 0; hidden &= hidden - 1)
            for (int cell : unit)
                if (m_value[cell] == 0 && (m_candidates[cell] & hidden & -hidden)) {
                    Place(cell, std::countr_zero(hidden) + 1);
                    changed = true;
                    break;
                }
    }
    return changed;
}

bool Board::CageSweep(const std::vector<Cage>& cages, std::vector<Mask>& seen)
{
    bool changed = false;
    std::size_t at = 0;
    Mask candidates[kMaxSize], feasible[kMaxSize];
    for (const Cage& cage : cages) {
        const int count = static_cast<int>(cage.Cells.size());
        bool same = true;
        for (int i = 0; i < count; ++i) {
            candidates[i] = m_candidates[cage.Cells[i]];
            feasible[i] = 0;
            same = same && seen[at + i] == candidates[i];
        }
        if (!same) {
            if (!Assign(candidates, count, 0, 0, 0, cage.Sum, m_layout->Size, feasible)) {
                m_broken = true;
                return changed;
            }
            for (int i = 0; i < count; ++i) {
                Remove(cage.Cells[i], ~feasible[i], changed);
                seen[at + i] = m_candidates[cage.Cells[i]];
            }
        }
        at += static_cast<std::size_t>(count);
    }
    return changed;
}

bool Board::CageCombinations(bool innies)
{
    return innies ? CageSweep(m_layout->Innies, m_innieSeen)
                  : CageSweep(m_layout->Cages, m_cageSeen);
}

bool Board::FixedByArea()
{
    bool changed = false;
    for (const auto& [cell, digit] : m_layout->Fixed) {
        if (m_value[cell] != 0)
            continue;
        if (digit < 1 || digit > m_layout->Size || (m_candidates[cell] & Bit(digit)) == 0) {
            m_broken = true;
            return changed;
        }
        Place(cell, digit);
        changed = true;
    }
    return changed;
}

bool Board::Intersections()
{
    bool changed = false;
    auto orOf = [this](const std::vector<int>& cells) {
        Mask any = 0;
        for (int cell : cells)
            any |= m_candidates[cell];
        return any;
    };
    for (const Layout::Crossing& crossing : m_layout->Crossings) {
        const Mask shared = orOf(crossing.Shared);
        const Mask first = orOf(crossing.FirstOnly), second = orOf(crossing.SecondOnly);
        if (Mask confined = shared & ~first & second)
            for (int cell : crossing.SecondOnly)
                Remove(cell, confined, changed);
        if (Mask confined = shared & ~second & first)
            for (int cell : crossing.FirstOnly)
                Remove(cell, confined, changed);
        if (m_broken)
            return changed;
    }
    return changed;
}

bool Board::Subsets(int size)
{
    bool changed = false;
    const int n = m_layout->Size;
    for (const auto& unit : m_layout->Units) {
        // Naked: `size` open cells whose candidates together are `size` digits.
        std::vector<int> open;
        for (int cell : unit)
            if (m_value[cell] == 0 && std::popcount(m_candidates[cell]) <= size)
                open.push_back(cell);
        const int m = static_cast<int>(open.size());
        std::vector<int> pick(static_cast<std::size_t>(size));
        auto naked = [&](auto& self, int depth, int from, Mask together) -> void {
            if (depth == size) {
                if (std::popcount(together) != size)
                    return;
                for (int cell : unit)
                    if (std::find(pick.begin(), pick.end(), cell) == pick.end())
                        Remove(cell, together, changed);
                return;
            }
            for (int i = from; i < m && !changed; ++i) {
                const Mask next = together | m_candidates[open[i]];
                if (std::popcount(next) > size)
                    continue;
                pick[depth] = open[i];
                self(self, depth + 1, i + 1, next);
            }
        };
        if (m > size)
            naked(naked, 0, 0, 0);
        if (changed)
            return true;

        // Hidden: `size` digits whose places in the unit are together `size` cells.
        std::vector<Mask> places(static_cast<std::size_t>(n), 0); // bit i: unit cell i
        std::vector<int> digits;
        for (int d = 1; d <= n; ++d) {
            bool placed = false;
            for (int i = 0; i < n; ++i)
                if (m_candidates[unit[i]] & Bit(d)) {
                    places[d - 1] |= Mask{1} << i;
                    placed = placed || m_value[unit[i]] != 0;
                }
            if (!placed && std::popcount(places[d - 1]) <= size)
                digits.push_back(d);
        }
        const int k = static_cast<int>(digits.size());
        auto hidden = [&](auto& self, int depth, int from, Mask cells, Mask chosen) -> void {
            if (depth == size) {
                if (std::popcount(cells) != size)
                    return;
                for (Mask c = cells; c != 0; c &= c - 1)
                    Remove(unit[std::countr_zero(c)], ~chosen, changed);
                return;
            }
            for (int i = from; i < k && !changed; ++i) {
                const Mask next = cells | places[digits[i] - 1];
                if (std::popcount(next) > size)
                    continue;
                self(self, depth + 1, i + 1, next, chosen | Bit(digits[i]));
            }
        };
        if (k >= size)
            hidden(hidden, 0, 0, 0, 0);
        if (changed || m_broken)
            return true;
    }
    return changed;
}

} // namespace gq::variant
