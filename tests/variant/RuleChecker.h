#pragma once

// A plain backtracking solver written from the rules alone (rows, columns, boxes or regions,
// diagonals, cages), independent of the product's solver: it shares no code with it and uses
// no candidate masks or propagation, only "may this digit go here?".

#include "variant/Variants.h"

#include <vector>

namespace gq::test
{

class RuleChecker
{
  public:
    explicit RuleChecker(const variant::Shape& shape) : m_shape(shape), m_n(shape.Size)
    {
        m_cageOf.assign(static_cast<std::size_t>(m_n * m_n), -1);
        for (std::size_t c = 0; c < shape.Cages.size(); ++c)
            for (int cell : shape.Cages[c].Cells)
                m_cageOf[cell] = static_cast<int>(c);
        // Cells that may not share a digit: same row, column, box or region, or diagonal.
        m_peers.resize(m_cageOf.size());
        m_units.resize(static_cast<std::size_t>(3 * m_n + (shape.Diagonals ? 2 : 0)));
        for (int cell = 0; cell < m_n * m_n; ++cell) {
            const int r = cell / m_n, c = cell % m_n;
            m_units[r].push_back(cell);
            m_units[m_n + c].push_back(cell);
            m_units[2 * m_n + Region(cell)].push_back(cell);
            if (shape.Diagonals && r == c)
                m_units[3 * m_n].push_back(cell);
            if (shape.Diagonals && r + c == m_n - 1)
                m_units[3 * m_n + 1].push_back(cell);
        }
        for (int a = 0; a < m_n * m_n; ++a)
            for (int b = 0; b < m_n * m_n; ++b) {
                const int ra = a / m_n, ca = a % m_n, rb = b / m_n, cb = b % m_n;
                const bool diagonal =
                    shape.Diagonals &&
                    ((ra == ca && rb == cb) || (ra + ca == m_n - 1 && rb + cb == m_n - 1));
                if (a != b && (ra == rb || ca == cb || Region(a) == Region(b) || diagonal))
                    m_peers[a].push_back(b);
            }
    }

    /// Solutions of `grid` (0 = open), counted up to `limit`; the first goes to `first`.
    int Count(std::vector<int> grid, int limit, std::vector<int>* first = nullptr)
    {
        for (int cell = 0; cell < m_n * m_n; ++cell)
            if (grid[cell] != 0) {
                const int digit = grid[cell];
                grid[cell] = 0;
                if (!Allowed(grid, cell, digit))
                    return 0;
                grid[cell] = digit;
            }
        int found = 0;
        Search(grid, limit, found, first);
        return found;
    }

  private:
    int Region(int cell) const
    {
        if (!m_shape.Regions.empty())
            return m_shape.Regions[cell];
        const int row = cell / m_n, column = cell % m_n;
        return row / m_shape.BoxRows * (m_n / m_shape.BoxColumns) + column / m_shape.BoxColumns;
    }

    bool Allowed(const std::vector<int>& grid, int cell, int digit) const
    {
        for (int other : m_peers[cell])
            if (grid[other] == digit)
                return false;
        if (m_cageOf[cell] < 0)
            return true;
        const variant::Cage& cage = m_shape.Cages[m_cageOf[cell]];
        int sum = digit, open = 0;
        std::vector<bool> used(static_cast<std::size_t>(m_n + 1), false);
        used[digit] = true;
        for (int other : cage.Cells) {
            if (other == cell)
                continue;
            if (grid[other] == digit)
                return false;
            sum += grid[other];
            open += grid[other] == 0;
            used[grid[other]] = true;
        }
        // The open cells take distinct unused digits: the sum left must lie between the
        // smallest and the largest such digits can make.
        int least = 0, most = 0;
        for (int d = 1, k = 0; d <= m_n && k < open; ++d)
            if (!used[d])
                least += d, ++k;
        for (int d = m_n, k = 0; d >= 1 && k < open; --d)
            if (!used[d])
                most += d, ++k;
        return cage.Sum - sum >= least && cage.Sum - sum <= most;
    }

    /// Branches on the most constrained choice: an open cell with the fewest digits allowed,
    /// or a digit with the fewest places left in a row, column, region or diagonal.
    void Search(std::vector<int>& grid, int limit, int& found, std::vector<int>* first)
    {
        const int cells = m_n * m_n;
        std::vector<char> allowed(static_cast<std::size_t>(cells * (m_n + 1)), 0);
        int best = -1, fewest = m_n + 1;
        for (int cell = 0; cell < cells; ++cell) {
            if (grid[cell] != 0)
                continue;
            int count = 0;
            for (int digit = 1; digit <= m_n; ++digit)
                count += allowed[cell * (m_n + 1) + digit] = Allowed(grid, cell, digit);
            if (count < fewest) {
                fewest = count;
                best = cell;
            }
        }
        if (best < 0) {
            if (found++ == 0 && first)
                *first = grid;
            return;
        }
        if (fewest == 0)
            return;
        std::vector<std::pair<int, int>> choices; // (cell, digit)
        for (int digit = 1; digit <= m_n; ++digit)
            choices.emplace_back(best, digit);
        std::erase_if(choices, [&](auto c) { return !allowed[c.first * (m_n + 1) + c.second]; });
        for (const auto& unit : m_units)
            for (int digit = 1; digit <= m_n && choices.size() > 1; ++digit) {
                std::vector<std::pair<int, int>> places;
                bool placed = false;
                for (int cell : unit) {
                    placed = placed || grid[cell] == digit;
                    if (grid[cell] == 0 && allowed[cell * (m_n + 1) + digit])
                        places.emplace_back(cell, digit);
                }
                if (placed)
                    continue;
                if (places.empty())
                    return; // the digit has nowhere to go in this unit
                if (places.size() < choices.size())
                    choices = std::move(places);
            }
        for (const auto& [cell, digit] : choices) {
            if (found >= limit)
                return;
            grid[cell] = digit;
            Search(grid, limit, found, first);
            grid[cell] = 0;
        }
    }

    const variant::Shape& m_shape;
    int m_n;
    std::vector<int> m_cageOf;
    std::vector<std::vector<int>> m_peers;
    std::vector<std::vector<int>> m_units; ///< rows, columns, regions, diagonals
};

} // namespace gq::test
