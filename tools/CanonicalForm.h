#pragma once

#include "tools/GridTables.h"

#include <string>

namespace gq::tools
{

/// Canonical form of a puzzle under every Sudoku symmetry: exchanging bands, exchanging stacks,
/// exchanging rows inside a band, exchanging columns inside a stack, transposing, and
/// relabelling the digits (rotations and mirror images follow from these). Two puzzles are the
/// same puzzle under these moves exactly when their canonical forms are equal.
///
/// The form is the smallest of the 2 x 1296 x 1296 arrangements (grid or transpose, row order,
/// column order), each read in row-major order with its digits renamed 1, 2, 3, ... in order of
/// first appearance and open cells ordered after every digit. It is written as 81 characters,
/// '.' for an open cell. The search fixes the output rows one at a time and drops an
/// arrangement as soon as its prefix is larger than the best found so far.
std::string CanonicalForm(const Grid& puzzle);

} // namespace gq::tools
