#include "puzzle/BankLine.h"

#include "gq/Error.h"

#include <stdexcept>

namespace gq::puzzle
{

namespace
{

/// Index of the k-th cell (0..8) of unit `unit`: rows 0..8, columns 9..17, boxes 18..26.
int CellOfUnit(int unit, int k)
{
    const int n = unit % 9;
    if (unit < 9)
        return 9 * n + k;
    if (unit < 18)
        return 9 * k + n;
    return 9 * (3 * (n / 3) + k / 3) + 3 * (n % 3) + k % 3;
}

} // namespace

std::string PrintableChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u > 32 && u < 127)
        return std::string("'") + c + "'";
    static const char* hex = "0123456789ABCDEF";
    return std::string("byte 0x") + hex[u >> 4] + hex[u & 15];
}

BankEntry ParseBankLine(std::string_view line)
{
    if (line.size() != 81)
        throw Error("a bank line has 81 characters, not " + std::to_string(line.size()));
    BankEntry entry;
    for (std::size_t i = 0; i < 81; ++i) {
        const char c = line[i];
        if (c >= '1' && c <= '9') {
            entry.Solution[i] = static_cast<std::uint8_t>(c - '0');
            entry.Given.set(i);
        } else if (c >= 'A' && c <= 'I') {
            entry.Solution[i] = static_cast<std::uint8_t>(c - 'A' + 1);
        } else {
            throw Error("a bank line holds " + PrintableChar(c) + " at position " +
                        std::to_string(i + 1) +
                        "; only 1-9 (a given) and A-I (an open cell) are allowed");
        }
    }
    static const char* const kUnitNames[] = {"row", "column", "box"};
    for (int unit = 0; unit < 27; ++unit) {
        std::array<bool, 10> seen{};
        for (int k = 0; k < 9; ++k) {
            const int digit = entry.Solution[CellOfUnit(unit, k)];
            if (seen[digit])
                throw Error("a bank line's solution holds the digit " + std::to_string(digit) +
                            " twice in " + kUnitNames[unit / 9] + " " +
                            std::to_string(unit % 9 + 1));
            seen[digit] = true;
        }
    }
    return entry;
}

std::string FormatBankLine(const BankEntry& entry)
{
    std::string line(81, ' ');
    for (std::size_t i = 0; i < 81; ++i) {
        const int digit = entry.Solution[i];
        if (digit < 1 || digit > 9)
            throw gq::InternalError("FormatBankLine called with the solution digit " +
                std::to_string(digit) + " at position " + std::to_string(i + 1));
        line[i] = static_cast<char>(entry.Given.test(i) ? '0' + digit : 'A' + digit - 1);
    }
    return line;
}

} // namespace gq::puzzle
