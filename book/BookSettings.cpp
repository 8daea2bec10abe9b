#include "book/BookSettings.h"

#include "gq/Error.h"
#include "puzzle/Levels.h"

#include <algorithm>

namespace gq::book
{

void CheckBookSettings(const TBookSettings& settings)
{
    if (settings.PageCount < kMinPageCount || settings.PageCount > kMaxPageCount)
        throw Error("a book has " + std::to_string(kMinPageCount) + " to " +
                    std::to_string(kMaxPageCount) + " pages, not " +
                    std::to_string(settings.PageCount));
    if (std::ranges::find(kPuzzlesPerPageChoices, settings.PuzzlesPerPage) ==
        kPuzzlesPerPageChoices.end())
        throw Error("a page holds 1, 2 or 4 puzzles, not " +
                    std::to_string(settings.PuzzlesPerPage));
    if (settings.LevelIndex < 0 || settings.LevelIndex >= puzzle::kLevelCount)
        throw Error("there is no level " + std::to_string(settings.LevelIndex));
}

bool CandidatesAllowed(int) { return true; }
bool IsBlankText(std::string_view) { return false; }
TBookSettings WithoutBlankTexts(TBookSettings settings) { return settings; }
int BookMemoryMegabytes(const TBookSettings&) { return 0; }
int RenderMemoryMegabytes(std::uint64_t) { return 0; }

} // namespace gq::book
