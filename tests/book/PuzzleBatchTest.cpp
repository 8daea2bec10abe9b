#include "book/PuzzleMaker.h"

#include "gq/Error.h"
#include "puzzle/Grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace gq::book
{
namespace
{

class PuzzleBatchTest : public ::testing::Test
{
  protected:
    puzzle::TRandom Random{puzzle::SequenceSeedSource(1234)};
    puzzle::TQJ Model{Random};
    widgets::TPICSD33 Grid;
    std::unique_ptr<puzzle::TPuzzleBatch> Batch = std::make_unique<puzzle::TPuzzleBatch>();

    TPuzzleMaker MakerFor(const puzzle::TPuzzleBank& bank) { return {bank, Random, Model, Grid}; }

    static TBookSettings Settings(int level, int pages, int perPage)
    {
        TBookSettings settings;
        settings.LevelIndex = level;
        settings.PageCount = pages;
        settings.PuzzlesPerPage = perPage;
        return settings;
    }
};

TEST_F(PuzzleBatchTest, EveryPuzzleMatchesItsSolutionAndLaterEntriesStayEmpty)
{
    TPuzzleMaker maker = MakerFor(puzzle::TPuzzleBank::BuiltIn());
    maker.BuildPuzzleBatch(Settings(5, 200, 4), *Batch);
    std::set<std::string> distinct;
    for (int i = 1; i <= 800; ++i) {
        const std::string& puzzle = Batch->Puzzles[i];
        const std::string& solution = Batch->Solutions[i];
        ASSERT_EQ(puzzle.size(), 81u) << i;
        ASSERT_EQ(solution.size(), 81u) << i;
        for (int k = 0; k < 81; ++k) {
            ASSERT_TRUE(puzzle[k] >= '0' && puzzle[k] <= '9');
            ASSERT_TRUE(solution[k] >= '1' && solution[k] <= '9');
            if (puzzle[k] != '0') {
                ASSERT_EQ(puzzle[k], solution[k]) << "puzzle " << i << " cell " << k + 1;
            }
        }
        distinct.insert(puzzle);
    }
    EXPECT_EQ(distinct.size(), 800u);
    EXPECT_TRUE(Batch->Puzzles[801].empty());
    EXPECT_EQ(maker.ndtxt(), "  Level:Diabolical");

    maker.BuildPuzzleBatch(Settings(0, 20, 4), *Batch);
    EXPECT_EQ(Batch->Puzzles[80].size(), 81u);
    for (int i = 81; i <= puzzle::TPuzzleBatch::kCapacity; ++i) {
        ASSERT_TRUE(Batch->Puzzles[i].empty()) << i;
        ASSERT_TRUE(Batch->Solutions[i].empty()) << i;
    }
}

TEST_F(PuzzleBatchTest, GridControlAndModelAgreeOnCandidates)
{
    TPuzzleMaker maker = MakerFor(puzzle::TPuzzleBank::BuiltIn());
    for (int level = 0; level < 6; ++level)
        for (int round = 0; round < 20; ++round) {
            maker.BuildPuzzleBatch(Settings(level, 1, 1), *Batch);
            // The grid control holds the batch's last puzzle with its candidate texts.
            puzzle::TQJ reader(Random);
            reader.LoadPuzzleString(Batch->Puzzles[1]);
            for (int row = 1; row <= 9; ++row)
                for (int col = 1; col <= 9; ++col) {
                    const widgets::TPicNode& cell = Grid.Cell(row, col);
                    if (cell.State != widgets::csOpen)
                        continue;
                    ASSERT_EQ(cell.Text, reader.GetCandidates(row, col)) << row << "," << col;
                    ASSERT_EQ(Grid.GetCellCandidates(row, col), cell.Text);
                    EXPECT_NE(cell.Text.find(Batch->Solutions[1][puzzle::CellIndex(row, col)]),
                              std::string::npos)
                        << "the solution digit is always a candidate";
                }
        }
}

TEST_F(PuzzleBatchTest, EasyAndStandardDrawFromTheSameList)
{
    // Each list's entries have a given count of their own (5 + list index), so the count of
    // givens in a made puzzle names the list it came from.
    std::string solution =
        "123456789456789123789123456234567891567891234891234567345678912678912345912345678";
    std::vector<std::string> storage;
    for (int list = 0; list < 5; ++list) {
        std::string line;
        for (int k = 0; k < 81; ++k)
            line += k < 5 + list ? solution[k] : static_cast<char>('A' + solution[k] - '1');
        storage.push_back(line);
    }
    std::array<std::vector<std::string_view>, 5> lists;
    for (int list = 0; list < 5; ++list)
        lists[list] = {storage[list], storage[list], storage[list]};
    puzzle::TPuzzleBank bank(lists);
    TPuzzleMaker maker = MakerFor(bank);

    auto givensOfLevel = [&](int level) {
        maker.BuildPuzzleBatch(Settings(level, 1, 1), *Batch);
        const std::string& puzzle = Batch->Puzzles[1];
        return 81 - static_cast<int>(std::count(puzzle.begin(), puzzle.end(), '0'));
    };
    EXPECT_EQ(givensOfLevel(0), 5);
    EXPECT_EQ(givensOfLevel(1), 6);
    EXPECT_EQ(givensOfLevel(2), 6);
    EXPECT_EQ(givensOfLevel(5), 9);
}

/// A bank whose lists hold `n` entries told apart by their number of givens: entry k (from 0)
/// has k + 1 givens.
struct CountedBank
{
    explicit CountedBank(int n)
    {
        const std::string solution =
            "123456789456789123789123456234567891567891234891234567345678912678912345912345678";
        for (int k = 0; k < n; ++k) {
            std::string line;
            for (int i = 0; i < 81; ++i)
                line += i <= k ? solution[i] : static_cast<char>('A' + solution[i] - '1');
            Storage.push_back(line);
        }
        std::array<std::vector<std::string_view>, 5> lists;
        for (auto& list : lists)
            list.assign(Storage.begin(), Storage.end());
        Bank = std::make_unique<puzzle::TPuzzleBank>(lists);
    }
    std::vector<std::string> Storage;
    std::unique_ptr<puzzle::TPuzzleBank> Bank;
};

int GivensOf(const std::string& puzzle)
{
    return 81 - static_cast<int>(std::count(puzzle.begin(), puzzle.end(), '0'));
}

TEST_F(PuzzleBatchTest, ABookNeverHoldsOneEntryTwice)
{
    // Nine entries of which the draw can take eight: a book of eight takes each once.
    CountedBank counted(9);
    TPuzzleMaker maker = MakerFor(*counted.Bank);
    for (int round = 0; round < 10; ++round) {
        maker.BuildPuzzleBatch(Settings(3, 2, 4), *Batch);
        std::set<int> givens;
        for (int i = 1; i <= 8; ++i)
            givens.insert(GivensOf(Batch->Puzzles[i]));
        EXPECT_EQ(givens, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    }
    // One more puzzle than the list can give different entries is refused before any draw.
    try {
        maker.BuildPuzzleBatch(Settings(3, 9, 1), *Batch);
        FAIL() << "a book of 9 from 8 drawable entries was made";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("only 8 different puzzles"), std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(Batch->Puzzles[1].empty());
}

TEST_F(PuzzleBatchTest, AVolumeBeyondTheLastIsRefused)
{
    TPuzzleMaker maker = MakerFor(puzzle::TPuzzleBank::BuiltIn());
    TBookSettings settings = Settings(1, 1, 1);
    const int volumes = puzzle::VolumeCount(puzzle::TPuzzleBank::BuiltIn(), 1);
    settings.Volume = volumes;
    maker.BuildPuzzleBatch(settings, *Batch);
    EXPECT_EQ(Batch->Puzzles[1].size(), 81u);
    settings.Volume = volumes + 1;
    try {
        maker.BuildPuzzleBatch(settings, *Batch);
        FAIL() << "volume " << settings.Volume << " was accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Easy Sudoku offers " + std::to_string(volumes) +
                                             " volumes"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(Batch->Puzzles[1].empty()) << "the batch was emptied before the refusal";
}

TEST_F(PuzzleBatchTest, MalformedBankEntryStopsTheBatch)
{
    std::array<std::vector<std::string_view>, 5> lists;
    for (auto& list : lists)
        list = {"not a bank line", "not a bank line"};
    puzzle::TPuzzleBank bank(lists);
    TPuzzleMaker maker = MakerFor(bank);
    EXPECT_THROW(maker.BuildPuzzleBatch(Settings(0, 1, 1), *Batch), Error);
    EXPECT_TRUE(Batch->Puzzles[1].empty());
}

} // namespace
} // namespace gq::book
