#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace gq::puzzle
{

/// Bytes of one packed bank entry.
constexpr std::size_t kBankRecordSize = 32;

/// One BankLine packed into 32 bytes, the form in which the program carries its built-in bank.
/// Bits are numbered from the lowest bit of byte 0 upwards:
///
///   bit   0 ..  80   given mask: bit i set when cell i (row-major, from 0) holds a given
///   bit  81 .. 251   rows 1..9, 19 bits each: the row's solution digits, a permutation of
///                    1..9, as its rank in lexicographic order (0 = 123456789 .. 362879)
///   bit 252 .. 255   zero
using BankRecord = std::array<std::uint8_t, kBankRecordSize>;

/// Packs a BankLine (puzzle/BankLine.h). Throws gq::Error naming the fault when ParseBankLine
/// refuses the line.
BankRecord PackBankLine(std::string_view line);

/// The 81-character BankLine of a packed record. Throws gq::Error when a row's rank is out of
/// range or the unused bits are not zero.
std::string UnpackBankLine(std::span<const std::uint8_t, kBankRecordSize> record);

} // namespace gq::puzzle
