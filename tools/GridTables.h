#pragma once

#include "solve/Geometry.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace gq::tools
{

// The grid, its candidate masks and its geometry come from the technique solver.
using solve::DigitBit;
using solve::DigitMask;
using solve::Grid;
using solve::GridTables;
using solve::kAllDigits;
using solve::Sees;
using solve::Tables;

/// Reads an 81-character puzzle text: '1'..'9' a given, '0' or '.' an open cell.
/// Returns false (and leaves `out` unspecified) for any other length or character.
bool ParsePuzzle(std::string_view text, Grid& out);

/// Reads a bank line with the bank's own reader (puzzle::ParseBankLine, puzzle/BankLine.h:
/// exactly 81 characters, '1'..'9' a given, 'A'..'I' an open cell whose solution digit is the
/// letter's place, the digits a solved grid). Fills the puzzle (open cells 0) and the full
/// solution. Throws gq::Error naming the fault.
void ParseBankLine(std::string_view line, Grid& puzzle, Grid& solution);

/// The bank line of a puzzle and its solution, written by puzzle::FormatBankLine. The givens
/// must agree with the solution; a solution digit outside 1..9 throws std::logic_error.
std::string MakeBankLine(const Grid& puzzle, const Grid& solution);

/// The puzzle as 81 characters '1'..'9' with '0' for open cells.
std::string PuzzleText(const Grid& grid);

/// Number of givens (non-zero cells).
int CountGivens(const Grid& grid);

} // namespace gq::tools
