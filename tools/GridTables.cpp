#include "tools/GridTables.h"

#include "puzzle/BankLine.h"

namespace gq::tools
{

bool ParsePuzzle(std::string_view text, Grid& out)
{
    if (text.size() != 81)
        return false;
    for (int i = 0; i < 81; ++i) {
        const char c = text[i];
        if (c >= '1' && c <= '9')
            out[i] = static_cast<std::uint8_t>(c - '0');
        else if (c == '0' || c == '.')
            out[i] = 0;
        else
            return false;
    }
    return true;
}

void ParseBankLine(std::string_view line, Grid& puzzle, Grid& solution)
{
    const puzzle::BankEntry entry = puzzle::ParseBankLine(line);
    solution = entry.Solution;
    for (std::size_t i = 0; i < 81; ++i)
        puzzle[i] = entry.Given.test(i) ? entry.Solution[i] : 0;
}

std::string MakeBankLine(const Grid& puzzle, const Grid& solution)
{
    puzzle::BankEntry entry;
    entry.Solution = solution;
    for (std::size_t i = 0; i < 81; ++i)
        entry.Given.set(i, puzzle[i] != 0);
    return puzzle::FormatBankLine(entry);
}

std::string PuzzleText(const Grid& grid)
{
    std::string text(81, '0');
    for (int i = 0; i < 81; ++i)
        text[i] = static_cast<char>('0' + grid[i]);
    return text;
}

int CountGivens(const Grid& grid)
{
    int n = 0;
    for (std::uint8_t v : grid)
        n += v != 0;
    return n;
}

} // namespace gq::tools
