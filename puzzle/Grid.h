#pragma once

namespace gq::puzzle
{

/// Rows and columns run 1..9 from the top left; boxes 1..9 run left to right, band by band.
/// In an 81-character puzzle text cell (row, col) is character (row - 1) * 9 + col, from 1.
constexpr int BoxOf(int row, int col) { return 3 * ((row - 1) / 3) + (col - 1) / 3 + 1; }

/// Zero-based index of cell (row, col) in an 81-character text.
constexpr int CellIndex(int row, int col) { return (row - 1) * 9 + (col - 1); }

/// True when two distinct cells share a row, a column or a box.
constexpr bool ArePeers(int row1, int col1, int row2, int col2)
{
    if (row1 == row2 && col1 == col2)
        return false;
    return row1 == row2 || col1 == col2 || BoxOf(row1, col1) == BoxOf(row2, col2);
}

} // namespace gq::puzzle
