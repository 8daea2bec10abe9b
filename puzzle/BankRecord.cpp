#include "puzzle/BankRecord.h"

#include "gq/Error.h"

namespace gq::puzzle
{

namespace
{

constexpr int kMaskBits = 81;
constexpr int kRankBits = 19;
constexpr int kUsedBits = kMaskBits + 9 * kRankBits;
constexpr std::uint32_t kPermutations = 362880; // 9!

void SetBits(BankRecord& record, int first, int count, std::uint32_t value)
{
    for (int k = 0; k < count; ++k)
        if (value & (1u << k))
            record[(first + k) / 8] |= static_cast<std::uint8_t>(1u << ((first + k) % 8));
}

/// Bits first .. first + count - 1 (count <= 25) as a number, the first the lowest.
std::uint32_t GetBits(std::span<const std::uint8_t, kBankRecordSize> record, int first, int count)
{
    const int byte = first / 8;
    std::uint32_t window = 0;
    for (int k = 0; k < 4 && byte + k < static_cast<int>(kBankRecordSize); ++k)
        window |= static_cast<std::uint32_t>(record[byte + k]) << (8 * k);
    return (window >> (first % 8)) & ((1u << count) - 1);
}

/// Digit 1..9 of a BankLine character, or 0 when it is none; `given` tells which kind it was.
int DigitOf(char c, bool& given)
{
    given = c >= '1' && c <= '9';
    if (given)
        return c - '0';
    if (c >= 'A' && c <= 'I')
        return c - 'A' + 1;
    return 0;
}

} // namespace

BankRecord PackBankLine(std::string_view line)
{
    if (line.size() != 81)
        throw Error("a bank line has 81 characters, not " + std::to_string(line.size()));
    BankRecord record{};
    for (int row = 0; row < 9; ++row) {
        // Lehmer code: for each place, how many unused digits are smaller than the one there.
        bool used[10] = {};
        std::uint32_t rank = 0;
        for (int col = 0; col < 9; ++col) {
            bool given = false;
            const int d = DigitOf(line[9 * row + col], given);
            if (d == 0)
                throw Error("a bank line holds '" + std::string(1, line[9 * row + col]) +
                            "' at position " + std::to_string(9 * row + col + 1) +
                            "; only 1-9 and A-I are allowed");
            if (used[d])
                throw Error("row " + std::to_string(row + 1) + " of a bank line holds the digit " +
                            std::to_string(d) + " twice");
            int smaller = 0;
            for (int e = 1; e < d; ++e)
                smaller += !used[e];
            used[d] = true;
            rank = rank * (9 - col) + smaller;
            if (given)
                SetBits(record, 9 * row + col, 1, 1);
        }
        SetBits(record, kMaskBits + kRankBits * row, kRankBits, rank);
    }
    return record;
}

std::string UnpackBankLine(std::span<const std::uint8_t, kBankRecordSize> record)
{
    if (GetBits(record, kUsedBits, 8 * kBankRecordSize - kUsedBits) != 0)
        throw Error("a packed bank entry has unused bits set");
    std::string line(81, ' ');
    for (int row = 0; row < 9; ++row) {
        std::uint32_t rank = GetBits(record, kMaskBits + kRankBits * row, kRankBits);
        if (rank >= kPermutations)
            throw Error("a packed bank entry holds the row rank " + std::to_string(rank) +
                        ", beyond the 362880 orders of nine digits");
        // Undo the Lehmer code: place values 8!, 7!, ... 0!.
        int places[9];
        for (int col = 8, radix = 1; col >= 0; --col, ++radix) {
            places[col] = static_cast<int>(rank % radix);
            rank /= radix;
        }
        bool used[10] = {};
        for (int col = 0; col < 9; ++col) {
            int d = 1;
            for (int skip = places[col];; ++d)
                if (!used[d] && skip-- == 0)
                    break;
            used[d] = true;
            const bool given = GetBits(record, 9 * row + col, 1) != 0;
            line[9 * row + col] = static_cast<char>(given ? '0' + d : 'A' + d - 1);
        }
    }
    return line;
}

} // namespace gq::puzzle
