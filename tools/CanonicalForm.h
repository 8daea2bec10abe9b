#pragma once

#include "tools/GridTables.h"

#include <string>

namespace gq::tools
{

/// Canonical form of a puzzle under the moves of the program's shuffle: row exchanges inside a
/// band, column exchanges inside a stack and relabelling of the digits (bands and stacks are
/// never exchanged and the grid is never transposed). Two puzzles are the same puzzle under
/// these moves exactly when their canonical forms are equal.
///
/// The form is the smallest of the 6^3 x 6^3 row/column arrangements, each read in row-major
/// order with its digits renamed 1, 2, 3, ... in order of first appearance and open cells
/// ordered after every digit. It is written as 81 characters, '.' for an open cell. The search
/// fixes the output rows one at a time and drops an arrangement as soon as its prefix is larger
/// than the best found so far.
std::string CanonicalForm(const Grid& puzzle);

} // namespace gq::tools
