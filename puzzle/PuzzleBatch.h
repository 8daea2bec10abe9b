#pragma once

#include <array>
#include <string>

namespace gq::puzzle
{

/// The puzzles of the current book: entry i of both arrays (1..2000) belongs to puzzle i.
/// Puzzles hold PuzzleStrings, Solutions the matching SolutionStrings; unused entries are empty.
struct TPuzzleBatch
{
    static constexpr int kCapacity = 2000;

    std::array<std::string, kCapacity + 1> Puzzles; ///< index 0 is unused
    std::array<std::string, kCapacity + 1> Solutions;

    /// Empties every entry.
    void Clear()
    {
        for (auto& text : Puzzles)
            text.clear();
        for (auto& text : Solutions)
            text.clear();
    }
};

} // namespace gq::puzzle
