#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

namespace gq::puzzle
{

/// One puzzle-bank entry: its full solution and which cells the puzzle gives.
struct BankEntry
{
    /// The solution digit 1..9 of every cell in row-major order (CellIndex in puzzle/Grid.h).
    std::array<std::uint8_t, 81> Solution{};
    /// Bit i set: cell i is a given (its digit is printed); clear: the cell is open.
    std::bitset<81> Given;
};

/// Reads a BankLine, the one form every bank file holds and the bank generator writes:
///
///   exactly 81 characters, row-major;
///   '1'..'9'  a given, the digit itself;
///   'A'..'I'  an open cell whose solution digit is the letter's place (A = 1 .. I = 9).
///
/// Nothing else is a BankLine: no '0' or '.', no lower-case letters, no blanks and no line end
/// (ReadBankFile strips those from a file's lines before they get here). The 81 digits must form
/// a solved grid, each row, column and box holding 1..9 once, so no given contradicts the
/// solution. Throws gq::Error naming the first fault: the length, the position and character,
/// or the row, column or box and the repeated digit.
BankEntry ParseBankLine(std::string_view line);

/// The BankLine of `entry`. Throws std::logic_error ("internal error: ...") when a solution digit
/// is outside 1..9.
std::string FormatBankLine(const BankEntry& entry);

/// How a message names one character of a puzzle or bank text: "'x'" when printable, else
/// "byte 0xNN".
std::string PrintableChar(char c);

} // namespace gq::puzzle
