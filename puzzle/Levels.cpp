#include "puzzle/Levels.h"

#include <stdexcept>

namespace gq::puzzle
{

const std::array<LevelInfo, kLevelCount>& Levels()
{
    static constexpr std::array<LevelInfo, kLevelCount> levels = {{
        {"Very Easy Sudoku", "very-easy", 1, "Create Sudoku:Very Easy", "  Level:Very Easy"},
        {"Easy Sudoku", "easy", 2, "Create Sudoku:Gentle", "  Level:Gentle"},
        {"Standard Sudoku", "standard", 2, "Create Sudoku:Gentle", "  Level:Gentle"},
        {"Hard Sudoku", "hard", 3, "Create Sudoku:Moderate", "  Level:Moderate"},
        {"Expert Sudoku", "expert", 4, "Create Sudoku:Tough", "  Level:Tough"},
        {"Extreme Sudoku", "extreme", 5, "Create Sudoku:Diabolical", "  Level:Diabolical"},
    }};
    return levels;
}

int LevelCodeOf(int levelIndex)
{
    if (levelIndex < 0 || levelIndex >= kLevelCount)
        throw std::out_of_range("level index " + std::to_string(levelIndex) + " is not 0..5");
    return Levels()[levelIndex].LevelCode;
}

int LevelIndexOfName(std::string_view name)
{
    for (int i = 0; i < kLevelCount; ++i)
        if (Levels()[i].Name == name)
            return i;
    return -1;
}

} // namespace gq::puzzle
