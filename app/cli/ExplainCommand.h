#pragma once

// `gridquill-cli puzzle --explain`: the steps a person takes to solve one puzzle.

#include "solve/Explain.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace gq::cli
{

/// Reads a puzzle given on the command line: 81 characters, '1'..'9' a given, '0' or '.' an open
/// cell. Returns the reason it cannot be explained ("--grid has more than one solution", ...), or
/// nothing and fills `givens` when it is a proper puzzle with exactly one solution.
std::optional<std::string> GridFault(std::string_view text, solve::Grid& givens);

/// Prints the steps that solve `givens`: one line each ("1. r3c5 = 7  hidden single (row 3)"),
/// or with `json` only a JSON array of the steps (docs/explain.schema.json). When logic stops
/// before the solution, the text ends with "no logical step left" (with `json` that line goes to
/// `err`). Returns 0 when the steps solve the puzzle, 1 when they stop.
int PrintExplanation(const solve::Grid& givens, bool json, std::ostream& out, std::ostream& err);

} // namespace gq::cli
