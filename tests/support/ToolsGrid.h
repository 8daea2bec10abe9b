#pragma once

// Grids of the bank tools written as text in tests.

#include "tools/GridTables.h"

#include <gtest/gtest.h>

#include <string_view>

namespace gq::testsupport
{

/// The grid an 81-character puzzle text describes ('0' or '.' for an open cell, as ParsePuzzle
/// reads it). A text that does not parse fails the test and gives an empty grid.
inline tools::Grid GridFromText(std::string_view text)
{
    tools::Grid grid{};
    EXPECT_TRUE(tools::ParsePuzzle(text, grid)) << text;
    return grid;
}

} // namespace gq::testsupport
