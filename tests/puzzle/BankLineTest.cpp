#include "puzzle/BankLine.h"

#include "gq/Error.h"
#include "support/PuzzleGrids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace gq::puzzle
{
namespace
{

/// The message of the gq::Error that ParseBankLine throws for `line`, or "" when it throws none.
std::string FaultOf(std::string_view line)
{
    try {
        ParseBankLine(line);
    } catch (const Error& e) {
        return e.what();
    }
    return {};
}

// The pattern solution with every third cell given.
std::string ValidLine()
{
    std::string mask(81, '0');
    for (int i = 0; i < 81; i += 3)
        mask[i] = '1';
    return testing::MakeBankLine(testing::PatternSolution(), mask);
}

TEST(BankLineTest, ReadsGivensAndLettersIntoSolutionAndMask)
{
    const std::string line = ValidLine();
    const BankEntry entry = ParseBankLine(line);
    const std::string solution = testing::PatternSolution();
    for (std::size_t i = 0; i < 81; ++i) {
        EXPECT_EQ(entry.Solution[i], solution[i] - '0') << i;
        EXPECT_EQ(entry.Given.test(i), i % 3 == 0) << i;
    }
    EXPECT_EQ(FormatBankLine(entry), line);
    // Every letter and every digit in every place of a row: the pattern grid, all open.
    EXPECT_EQ(FormatBankLine(ParseBankLine(testing::MakeBankLine(solution, std::string(81, '0')))),
              testing::MakeBankLine(solution, std::string(81, '0')));
}

TEST(BankLineTest, RefusesEveryOtherForm)
{
    const std::string line = ValidLine(); // starts "1BC4EF7HI"
    struct Case
    {
        const char* Name;
        std::string Line;
        const char* Fault; ///< a part of the message
    };
    std::string zero = line;
    zero[1] = '0';
    std::string lower = line;
    lower[40] = static_cast<char>(lower[40] - 'A' + 'a');
    std::string dot = line;
    dot[1] = '.';
    // Rows 1 and 4 exchanged: every row and column still holds 1..9, box 1 does not. So a
    // given contradicts the solution the line spells even though no row or column shows it.
    std::string rowsAcrossBands = line;
    std::swap_ranges(rowsAcrossBands.begin(), rowsAcrossBands.begin() + 9,
                     rowsAcrossBands.begin() + 27);
    std::string repeatedInRow = line;
    repeatedInRow[9] = repeatedInRow[10];
    // Rows 1 and 2 each hold 1..9, but (1,1) and (2,1) no longer differ: column 1 repeats.
    std::string repeatedInColumn = line;
    repeatedInColumn.replace(9, 9, line.substr(0, 9));
    const Case cases[] = {
        {"80 characters", line.substr(0, 80), "not 80"},
        {"82 characters", line + "A", "not 82"},
        {"trailing CR", line + "\r", "not 82"},
        {"94 characters starting with '0'", "0" + line + "123456789ABC", "not 94"},
        {"empty", "", "not 0"},
        {"'0' for an open cell", zero, "'0' at position 2"},
        {"'.' for an open cell", dot, "'.' at position 2"},
        {"lower-case letter", lower, "at position 41"},
        {"letter beyond I", line.substr(0, 80) + "J", "'J' at position 81"},
        {"control byte", line.substr(0, 80) + "\t", "byte 0x09 at position 81"},
        {"digit twice in a row", repeatedInRow, "twice in row 2"},
        {"digit twice in a column", repeatedInColumn, "twice in column 1"},
        {"digit twice in a box", rowsAcrossBands, "twice in box 1"},
    };
    for (const Case& c : cases)
        EXPECT_NE(FaultOf(c.Line).find(c.Fault), std::string::npos)
            << c.Name << ": " << FaultOf(c.Line);
}

TEST(BankLineTest, FormatRefusesADigitOutsideOneToNine)
{
    BankEntry entry = ParseBankLine(ValidLine());
    entry.Solution[80] = 0;
    try {
        FormatBankLine(entry);
        FAIL() << "no error";
    } catch (const std::logic_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("internal error:", 0), 0u) << e.what();
    }
}

} // namespace
} // namespace gq::puzzle
