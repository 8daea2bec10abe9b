#pragma once

// How a found pattern is told to people. Private to the solver.

#include "solve/Explain.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gq::solve
{

/// What a technique found, beyond the cells and digits of its step: the units it is about and,
/// for chains, the candidates of the chain in order.
struct TPattern
{
    int Unit = -1;           ///< the unit of the pattern (0..26), -1 when none
    int Other = -1;          ///< a second unit: the line of pointing, the box of claiming, ...
    std::vector<int> Bases;  ///< fish: the base lines; single-digit patterns: their two lines
    std::vector<int> Covers; ///< fish: the lines whose other cells lose the digit
    std::vector<int> Chain;  ///< chains: candidates (cell * 9 + digit - 1), first one false
    std::vector<std::uint16_t> Masks; ///< candidates of each step cell (bit d-1: digit d)
};

/// "row 3", "column 5", "box 4" for unit 0..26 (rows, columns, boxes).
std::string UnitName(int unit);

/// The sentence for people telling why `step` holds.
std::string Sentence(const TStep& step, const TPattern& pattern);

} // namespace gq::solve
