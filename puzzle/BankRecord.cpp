#include "puzzle/BankRecord.h"

#include "gq/Error.h"
#include "puzzle/BankLine.h"

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

} // namespace

BankRecord PackBankLine(std::string_view line)
{
    const BankEntry entry = ParseBankLine(line);
    BankRecord record{};
    for (int row = 0; row < 9; ++row) {
        // Lehmer code: for each place, how many unused digits are smaller than the one there.
        bool used[10] = {};
        std::uint32_t rank = 0;
        for (int col = 0; col < 9; ++col) {
            const int d = entry.Solution[9 * row + col];
            int smaller = 0;
            for (int e = 1; e < d; ++e)
                smaller += !used[e];
            used[d] = true;
            rank = rank * (9 - col) + smaller;
            if (entry.Given.test(9 * row + col))
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
    BankEntry entry;
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
            entry.Solution[9 * row + col] = static_cast<std::uint8_t>(d);
            entry.Given.set(9 * row + col, GetBits(record, 9 * row + col, 1) != 0);
        }
    }
    return FormatBankLine(entry);
}

} // namespace gq::puzzle
