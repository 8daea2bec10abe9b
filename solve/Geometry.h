#pragma once

#include <array>
#include <cstdint>

namespace gq::solve
{

/// A Sudoku grid in row-major order: cell index = 9 * (row - 1) + (col - 1), each entry a digit
/// 1..9 or 0 for an open cell.
using Grid = std::array<std::uint8_t, 81>;

/// Candidate set of one cell as the solvers keep it: bit d-1 set when digit d is still possible.
///   bit:  8 7 6 5 4 3 2 1 0
///   digit 9 8 7 6 5 4 3 2 1
using DigitMask = std::uint16_t;

constexpr DigitMask kAllDigits = 0x1FF;

constexpr DigitMask DigitBit(int digit) { return static_cast<DigitMask>(1u << (digit - 1)); }

/// Fixed geometry of the grid, computed once.
///   units 0..8 rows, 9..17 columns, 18..26 boxes (each listing its 9 cells in row-major order);
///   peers: the 20 other cells sharing a row, column or box with a cell.
struct GridTables
{
    std::array<std::array<std::uint8_t, 9>, 27> Units;
    std::array<std::array<std::uint8_t, 20>, 81> Peers;
    std::array<std::array<std::uint8_t, 3>, 81> UnitsOfCell; ///< row, column and box unit
    std::array<std::uint8_t, 81> RowOf;
    std::array<std::uint8_t, 81> ColOf;
    std::array<std::uint8_t, 81> BoxOf;
};

/// The tables, built on first use (thread-safe).
const GridTables& Tables();

/// True when the two (different or equal) cells share a row, column or box.
inline bool Sees(int a, int b)
{
    const GridTables& t = Tables();
    return t.RowOf[a] == t.RowOf[b] || t.ColOf[a] == t.ColOf[b] || t.BoxOf[a] == t.BoxOf[b];
}

} // namespace gq::solve
