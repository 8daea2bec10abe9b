#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gq::puzzle
{

/// Techniques the bank's grader knows; a technique's order is its place 1..kTechniqueOrders in
/// the fixed list the grader tries them in (easiest first).
constexpr int kTechniqueOrders = 22;

/// Largest value of each count a measure holds. A grading step always removes at least one of
/// the 729 candidates (placing a digit removes the cell's last one), so no puzzle needs more
/// than 729 steps and no count is ever clipped.
constexpr int kMaxMeasureCount = 1023;

/// The difficulty of one bank entry as one number, harder puzzles higher:
///
///   bit 31 .. 25   zero
///   bit 24 .. 20   order 1..22 of the hardest technique the grader needed (0: no step needed)
///   bit 19 .. 10   steps made with that technique
///   bit  9 ..  0   steps made in all
///
/// So entries compare first by their hardest technique, then by how often it was needed, then
/// by the length of the whole solution path.
struct DifficultyMeasure
{
    int HardestOrder = 0;
    int HardestSteps = 0;
    int TotalSteps = 0;

    /// The packed number. Counts beyond kMaxMeasureCount are clipped to it; throws
    /// std::logic_error for an order outside 0..kTechniqueOrders or a negative count.
    std::uint32_t Packed() const;

    /// Unpacks a number made by Packed(). Throws gq::Error when bits above 24 are set.
    static DifficultyMeasure Unpack(std::uint32_t packed);

    bool operator==(const DifficultyMeasure&) const = default;
};

/// Reads one line of a measure file (puzzle/bank/tk0.measure ..): the three counts in the order
/// HardestOrder, HardestSteps, TotalSteps as decimal numbers separated by one blank, e.g.
/// "14 2 31". Throws gq::Error naming the fault: not three numbers, an order outside
/// 0..kTechniqueOrders, a count beyond kMaxMeasureCount, hardest steps missing (0 with an order,
/// or more than in all) or present without an order.
DifficultyMeasure ParseMeasureLine(std::string_view line);

/// The measure file line of `measure` (no line end), as ParseMeasureLine reads it.
std::string FormatMeasureLine(const DifficultyMeasure& measure);

} // namespace gq::puzzle
