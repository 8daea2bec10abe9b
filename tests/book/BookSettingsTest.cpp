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

} // namespace
} // namespace gq::book
