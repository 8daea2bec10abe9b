#include "tools/GridTables.h"

#include "puzzle/BankLine.h"

namespace gq::tools
{

namespace
{

GridTables BuildTables()
{
    GridTables t{};
    for (int cell = 0; cell < 81; ++cell) {
        t.RowOf[cell] = static_cast<std::uint8_t>(cell / 9);
        t.ColOf[cell] = static_cast<std::uint8_t>(cell % 9);
        t.BoxOf[cell] = static_cast<std::uint8_t>(3 * (cell / 27) + (cell % 9) / 3);
    }
    std::array<int, 27> fill{};
    for (int cell = 0; cell < 81; ++cell) {
        const int units[3] = {t.RowOf[cell], 9 + t.ColOf[cell], 18 + t.BoxOf[cell]};
        for (int k = 0; k < 3; ++k) {
            t.Units[units[k]][fill[units[k]]++] = static_cast<std::uint8_t>(cell);
            t.UnitsOfCell[cell][k] = static_cast<std::uint8_t>(units[k]);
        }
    }
    for (int cell = 0; cell < 81; ++cell) {
        int n = 0;
        for (int other = 0; other < 81; ++other) {
            if (other != cell &&
                (t.RowOf[cell] == t.RowOf[other] || t.ColOf[cell] == t.ColOf[other] ||
                 t.BoxOf[cell] == t.BoxOf[other]))
                t.Peers[cell][n++] = static_cast<std::uint8_t>(other);
        }
    }
    return t;
}

} // namespace

const GridTables& Tables()
{
    static const GridTables tables = BuildTables();
    return tables;
}

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
