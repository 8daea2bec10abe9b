#pragma once

#include <array>
#include <string_view>

namespace gq::puzzle
{

/// One of the six levels the user chooses from, by item index 0..5.
struct LevelInfo
{
    std::string_view Caption;   ///< item caption, also the book's title: "Very Easy Sudoku", ...
    std::string_view Name;      ///< command-line name: "very-easy", ...
    int LevelCode;              ///< 1..5; draws from bank list tk(LevelCode - 1)
    std::string_view Hint;      ///< hint of the level's make-one-puzzle button
    std::string_view LabelText; ///< text the make-one-puzzle handler shows
};

constexpr int kLevelCount = 6;

/// The six levels in item order.
const std::array<LevelInfo, kLevelCount>& Levels();

/// LevelCode of item index 0..5 (0 -> 1, 1 -> 2, 2 -> 2, 3 -> 3, 4 -> 4, 5 -> 5).
/// Throws std::out_of_range for any other index.
int LevelCodeOf(int levelIndex);

/// Item index of a command-line level name, or -1 when there is none such.
int LevelIndexOfName(std::string_view name);

} // namespace gq::puzzle
