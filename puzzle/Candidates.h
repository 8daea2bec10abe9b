#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace gq::puzzle
{

/// The digits that rule candidates out: for each cell, at CellIndex(row, col), the digit 1..9 of
/// a given, or 0 where the cell rules nothing out (an open cell).
using GivenDigits = std::array<std::uint8_t, 81>;

/// The candidate list of cell (row, col), rows and columns 1..9: the digits 1..9 in ascending
/// order, without separators, that no peer of the cell (another cell of its row, column or box)
/// holds in `givens`; empty when the peers hold all nine. A cell that holds a digit itself
/// yields every digit but its own (the pages never ask for one).
///
/// The one rule behind the candidates the pages print (TQJ::GetCandidates) and those the grid
/// control keeps in its open cells (TPICSD33::GetCellCandidates); each says which of its cells
/// are givens.
std::string CandidateList(const GivenDigits& givens, int row, int col);

} // namespace gq::puzzle
