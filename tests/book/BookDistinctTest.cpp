// The largest book at every list holds 800 different puzzles, as a reader sees them: the givens
// read back from the page stream, compared under every Sudoku symmetry.
#include "book/BookMaker.h"

#include "book/SafeFile.h"
#include "support/PageStreamText.h"
#include "support/TempFolder.h"
#include "tools/CanonicalForm.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace gq::book
{
namespace
{

namespace fs = std::filesystem;

struct QuietProgress : IBookProgress
{
    void SetProgress(int) override {}
    void SetCaption(std::string_view) override {}
    void Repaint() override {}
    void Completed(const std::string&) override {}
};

TEST(BookDistinctTest, TheLargestBookOfEveryListHoldsOnlyDifferentPuzzles)
{
    const testsupport::TTempFolder dir("gq-distinct");
    TBookMaker maker((dir / kPageStreamName).string());
    maker.SetSeedSource(puzzle::SequenceSeedSource(2026));
    QuietProgress progress;
    // One level per list: Very Easy, Easy, Hard, Expert, Extreme.
    for (int level : {0, 1, 3, 4, 5}) {
        SCOPED_TRACE("level " + std::to_string(level));
        TBookSettings settings;
        settings.LevelIndex = level;
        settings.PageCount = 200;
        settings.PuzzlesPerPage = 4;
        settings.PdfPath = (dir / "book.pdf").string();
        settings.ReplaceExisting = true;
        maker.DeleteOldPages();
        maker.BuildBook(settings, progress);

        const auto printed = pagetext::PlayPageStream(ReadWholeFile(maker.PageStreamPath()));
        const auto puzzles = pagetext::PrintedPuzzles(printed, 200, 4);
        ASSERT_EQ(puzzles.size(), 800u);
        std::set<std::string> forms;
        for (const std::string& text : puzzles) {
            tools::Grid grid{};
            ASSERT_TRUE(tools::ParsePuzzle(text, grid)) << text;
            ASSERT_GE(tools::CountGivens(grid), 21) << text;
            forms.insert(tools::CanonicalForm(grid));
        }
        EXPECT_EQ(forms.size(), 800u);
    }
}

} // namespace
} // namespace gq::book
