#include "book/BookSettings.h"

#include "gq/Error.h"
#include "puzzle/Levels.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace gq::book
{
namespace
{

/// The message CheckBookSettings gives for `settings`, or "" when it takes them.
std::string Refusal(const TBookSettings& settings)
{
    try {
        CheckBookSettings(settings);
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

TBookSettings With(const std::function<void(TBookSettings&)>& change)
{
    TBookSettings settings;
    change(settings);
    return settings;
}

TEST(BookSettingsTest, EveryValueInsideTheLimitsIsTaken)
{
    EXPECT_EQ(Refusal(TBookSettings{}), "");
    EXPECT_EQ(TBookSettings{}.PageCount, kDefaultPageCount);
    for (int pages : {kMinPageCount, kDefaultPageCount, kMaxPageCount})
        EXPECT_EQ(Refusal(With([&](auto& s) { s.PageCount = pages; })), "") << pages;
    for (int perPage : kPuzzlesPerPageChoices)
        EXPECT_EQ(Refusal(With([&](auto& s) { s.PuzzlesPerPage = perPage; })), "") << perPage;
    for (int level = 0; level < puzzle::kLevelCount; ++level)
        EXPECT_EQ(Refusal(With([&](auto& s) { s.LevelIndex = level; })), "") << level;
}

TEST(BookSettingsTest, ValuesJustOutsideTheLimitsAreRefusedByName)
{
    const struct
    {
        TBookSettings Settings;
        std::string Message;
    } cases[] = {
        {With([](auto& s) { s.PageCount = kMinPageCount - 1; }),
         "a book has 1 to 200 pages, not 0"},
        {With([](auto& s) { s.PageCount = kMaxPageCount + 1; }),
         "a book has 1 to 200 pages, not 201"},
        {With([](auto& s) { s.PuzzlesPerPage = 3; }), "a page holds 1, 2 or 4 puzzles, not 3"},
        {With([](auto& s) { s.PuzzlesPerPage = 0; }), "a page holds 1, 2 or 4 puzzles, not 0"},
        {With([](auto& s) { s.LevelIndex = -1; }), "there is no level -1"},
        {With([](auto& s) { s.LevelIndex = puzzle::kLevelCount; }), "there is no level 6"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Refusal(c.Settings), c.Message);
}

TEST(BookSettingsTest, CandidatesNeedOnePuzzlePerPage)
{
    EXPECT_EQ(Refusal(With([](auto& s) { s.Candidates = true; })), "");
    for (int perPage : {2, 4}) {
        EXPECT_FALSE(CandidatesAllowed(perPage)) << perPage;
        EXPECT_EQ(Refusal(With([&](auto& s) {
                      s.Candidates = true;
                      s.PuzzlesPerPage = perPage;
                  })),
                  "candidates are printed only with one puzzle per page, not with " +
                      std::to_string(perPage));
        EXPECT_EQ(Refusal(With([&](auto& s) { s.PuzzlesPerPage = perPage; })), "");
    }
    EXPECT_TRUE(CandidatesAllowed(1));
}

TEST(BookSettingsTest, ATitleOrAuthorOfSpacesOnlyIsNone)
{
    const struct
    {
        std::string Text;
        bool Blank;
    } cases[] = {{"", true}, {" ", true}, {"     ", true}, {" a ", false}, {"\t", false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsBlankText(c.Text), c.Blank) << '"' << c.Text << '"';

    TBookSettings settings = WithoutBlankTexts(With([](auto& s) {
        s.Title = "   ";
        s.Author = " A. Writer ";
    }));
    EXPECT_EQ(settings.Title, "");
    EXPECT_EQ(settings.Author, " A. Writer ") << "only a blank text changes";
}

TEST(BookSettingsTest, MemoryEstimatesCoverWhatBooksWereMeasuredToTake)
{
    // The least address space (prlimit --as) fresh runs were measured to need: (pages, per
    // page, print-ready) -> MB.
    const struct
    {
        int Pages, PerPage;
        bool PrintReady;
        int MeasuredMb;
    } books[] = {{1, 1, false, 13},   {20, 1, false, 13},  {200, 1, false, 16},
                 {200, 2, false, 19}, {200, 4, false, 25}, {200, 4, true, 44}};
    for (const auto& b : books) {
        int estimate = BookMemoryMegabytes(With([&](auto& s) {
            s.PageCount = b.Pages;
            s.PuzzlesPerPage = b.PerPage;
            s.PrintReady = b.PrintReady;
        }));
        EXPECT_GE(estimate, b.MeasuredMb) << b.Pages << " x " << b.PerPage;
        EXPECT_LE(estimate, b.MeasuredMb * 5 / 4) << b.Pages << " x " << b.PerPage;
    }
    // Rendering: a 500 KB stream took 8 MB, the largest book's 3.9 MB stream 25 MB.
    EXPECT_GE(RenderMemoryMegabytes(500'000), 8);
    EXPECT_GE(RenderMemoryMegabytes(3'900'000), 25);
    EXPECT_LE(RenderMemoryMegabytes(3'900'000), 32);
}

} // namespace
} // namespace gq::book
