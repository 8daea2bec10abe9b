#pragma once

#include "variant/Variants.h"

#include <vector>

namespace gq::variant
{

/// The fixed facts of a shape, worked out once: units, each cell's peers, the cages and what
/// the 45 rule says about them.
struct Layout
{
    explicit Layout(const Shape& shape);

    /// A pair of units sharing two or more cells, split three ways (for intersections).
    struct Crossing
    {
        std::vector<int> Shared, FirstOnly, SecondOnly;
    };

    int Size;
    int CellCount;
    Mask All; ///< every digit of the grid
    std::vector<std::vector<int>> Units;
    std::vector<std::vector<int>> Peers; ///< the other cells of each cell's units and cage
    std::vector<Crossing> Crossings;
    std::vector<Cage> Cages;
    /// 45 rule, innies: the cells of a unit outside the cages lying wholly in it, as a cage
    /// (they are distinct, being in one unit). Kept up to kMaxInnieCells cells.
    std::vector<Cage> Innies;
    /// 45 rule: cells whose digit a unit and its cages fix outright (a single innie or outie),
    /// as (cell, digit).
    std::vector<std::pair<int, int>> Fixed;
};

/// A grid being solved: each cell's candidates and digit. Techniques return true when they
/// changed something; a contradiction (a cell with no candidate, a digit with no place) sets
/// Broken, after which the board means nothing.
class Board
{
  public:
    /// Places the givens (0 = open); Broken when two clash.
    Board(const Layout& layout, const std::vector<int>& givens);

    bool Broken() const { return m_broken; }
    int Open() const { return m_open; }
    int Value(int cell) const { return m_value[cell]; }
    Mask Candidates(int cell) const { return m_candidates[cell]; }
    const std::vector<int>& Values() const { return m_value; }

    /// Sets a digit and removes it from the cell's peers.
    void Place(int cell, int digit);
    /// Places every naked single, then every hidden single.
    bool Singles();
    /// Keeps in each cage cell only the digits of some assignment of the cage that fits its
    /// sum, its cells' candidates and no repeated digit. `innies` picks the 45-rule cages.
    bool CageCombinations(bool innies);
    /// 45 rule cells fixed outright.
    bool FixedByArea();
    /// Pointing and claiming: a digit of one unit confined to its crossing with another leaves
    /// the other unit's remaining cells.
    bool Intersections();
    /// Naked and hidden subsets of exactly `size` cells or digits within a unit.
    bool Subsets(int size);

  private:
    bool CageSweep(const std::vector<Cage>& cages, std::vector<Mask>& seen);
    void Remove(int cell, Mask digits, bool& changed);

    const Layout* m_layout;
    std::vector<Mask> m_candidates;
    std::vector<int> m_value;
    std::vector<Mask> m_cageSeen, m_innieSeen; ///< candidates when each cage was last swept
    int m_open;
    bool m_broken = false;
};

constexpr int kMaxInnieCells = 5;

} // namespace gq::variant
