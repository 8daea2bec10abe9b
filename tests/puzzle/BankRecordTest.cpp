#include "puzzle/BankRecord.h"

#include "gq/Error.h"
#include "puzzle/BankFile.h"
#include "support/PuzzleGrids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace gq::puzzle
{
namespace
{

/// The message of the gq::Error that `action` throws, or "" when it throws none.
template <typename Action> std::string ErrorOf(Action action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return {};
}

TEST(BankRecordTest, PacksAndUnpacksEveryMaskAndRowOrder)
{
    const std::string solution = testing::PatternSolution();
    // No givens, every given, and a scattered mask; with rows in ascending and descending
    // order, the lowest and highest ranks.
    std::string reversed = solution;
    for (int row = 0; row < 9; ++row)
        std::reverse(reversed.begin() + 9 * row, reversed.begin() + 9 * row + 9);
    std::string scattered(81, '0');
    for (int i = 0; i < 81; i += 7)
        scattered[i] = '1';
    for (const std::string& grid : {solution, reversed})
        for (const std::string& mask : {std::string(81, '0'), std::string(81, '1'), scattered}) {
            const std::string line = testing::MakeBankLine(grid, mask);
            EXPECT_EQ(UnpackBankLine(PackBankLine(line)), line);
        }

    // The layout: a given in cell 0 is bit 0; row 1 in order 123456789 is rank 0.
    std::string first(81, '0');
    first[0] = '1';
    const BankRecord record = PackBankLine(testing::MakeBankLine(solution, first));
    EXPECT_EQ(record[0], 0x01);
    EXPECT_EQ(record[10] & 0xFE, 0) << "bits 81..87 hold the low bits of row 1's rank 0";
    EXPECT_EQ(record[31] & 0xF0, 0) << "the last four bits are unused";
}

TEST(BankRecordTest, RefusesLinesAndRecordsItCannotRepresent)
{
    const std::string line =
        testing::MakeBankLine(testing::PatternSolution(), std::string(81, '1'));
    EXPECT_NE(ErrorOf([&] { PackBankLine(line.substr(0, 80)); }).find("80"), std::string::npos);
    std::string lower = line;
    lower[40] = 'c';
    EXPECT_NE(ErrorOf([&] { PackBankLine(lower); }).find("position 41"), std::string::npos);
    std::string repeated = line;
    repeated[9] = repeated[10];
    EXPECT_NE(ErrorOf([&] { PackBankLine(repeated); }).find("row 2"), std::string::npos);

    BankRecord record = PackBankLine(line);
    record[31] |= 0x80;
    EXPECT_NE(ErrorOf([&] { UnpackBankLine(record); }).find("unused bits"), std::string::npos);
    record = PackBankLine(line);
    for (int bit = 81; bit < 81 + 19; ++bit) // row 1's rank: all ones is beyond 9! - 1
        record[bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
    EXPECT_NE(ErrorOf([&] { UnpackBankLine(record); }).find("rank"), std::string::npos);
}

TEST(BankFileTest, SkipsBlankAndCommentLinesAndStripsBlanks)
{
    const std::string path = ::testing::TempDir() + "gq-bankfile-" + std::to_string(getpid());
    std::ofstream(path) << "# comment\nABC\n\n   \n  DEF \t\r\n   # indented comment\nGHI";
    const auto lines = ReadBankFile(path);
    std::filesystem::remove(path);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Text, "ABC");
    EXPECT_EQ(lines[0].Number, 2);
    EXPECT_EQ(lines[1].Text, "DEF");
    EXPECT_EQ(lines[1].Number, 5);
    EXPECT_EQ(lines[2].Number, 7);
    EXPECT_NE(ErrorOf([&] { ReadBankFile(path); }).find(path), std::string::npos);
}

} // namespace
} // namespace gq::puzzle
