#pragma once

// Puzzle texts for tests: a reference solved grid, validity checks, givens and bank lines.

#include "puzzle/Grid.h"
#include "puzzle/TQJ.h"

#include <array>
#include <string>

namespace gq::puzzle::testing
{

/// The solved grid whose cell (row, col) holds ((row-1)*3 + (row-1)/3 + col - 1) mod 9 + 1.
inline std::string PatternSolution()
{
    std::string text;
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col)
            text += static_cast<char>('0' + ((row - 1) * 3 + (row - 1) / 3 + col - 1) % 9 + 1);
    return text;
}

/// True when an 81-digit text holds 1..9 once in every row, column and box.
inline bool IsValidSolution(const std::string& text)
{
    if (text.size() != 81)
        return false;
    for (int unit = 0; unit < 9; ++unit) {
        std::array<bool, 10> row{}, col{}, box{};
        for (int k = 0; k < 9; ++k) {
            int r = text[unit * 9 + k] - '0';
            int c = text[k * 9 + unit] - '0';
            int b = text[(unit / 3 * 3 + k / 3) * 9 + unit % 3 * 3 + k % 3] - '0';
            for (int d : {r, c, b})
                if (d < 1 || d > 9)
                    return false;
            if (row[r] || col[c] || box[b])
                return false;
            row[r] = col[c] = box[b] = true;
        }
    }
    return true;
}

/// The model's puzzle as a PuzzleString: the givens' digits, '0' elsewhere.
inline std::string GivensOf(const TQJ& model)
{
    std::string text;
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            const TNode& node = model.Node(row, col);
            text += node.Given ? static_cast<char>('0' + node.Value) : '0';
        }
    return text;
}

/// Givens per box 1..9 of a PuzzleString.
inline std::array<int, 10> GivensPerBox(const std::string& puzzle)
{
    std::array<int, 10> counts{};
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col)
            if (puzzle[CellIndex(row, col)] != '0')
                ++counts[BoxOf(row, col)];
    return counts;
}

/// A BankLine for a solution with givens where `mask` holds '1'.
inline std::string MakeBankLine(const std::string& solution, const std::string& mask)
{
    std::string line;
    for (int i = 0; i < 81; ++i)
        line += mask[i] == '1' ? solution[i] : static_cast<char>('A' + solution[i] - '1');
    return line;
}

} // namespace gq::puzzle::testing
