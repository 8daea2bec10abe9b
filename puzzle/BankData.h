#pragma once

#include "puzzle/BankRecord.h"

#include <array>
#include <cstdint>
#include <span>

namespace gq::puzzle
{

/// The five lists tk0..tk4 compiled into the program, in stored order: each a run of packed
/// 32-byte records (see BankRecord). Generated at build time by gq-bankpack.
std::array<std::span<const std::uint8_t>, 5> BuiltInBankRecords();

/// The difficulty measure (DifficultyMeasure::Packed, puzzle/BankMeasure.h) of every entry of
/// the five lists, in the lists' order: one number per record of BuiltInBankRecords.
std::array<std::span<const std::uint32_t>, 5> BuiltInBankMeasures();

} // namespace gq::puzzle
