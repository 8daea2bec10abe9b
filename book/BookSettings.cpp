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
    if (settings.Candidates && !CandidatesAllowed(settings.PuzzlesPerPage))
        throw Error("candidates are printed only with one puzzle per page, not with " +
                    std::to_string(settings.PuzzlesPerPage));
    if (settings.LargePrint && settings.PuzzlesPerPage != 1)
        throw Error("a large-print book has one puzzle per page, not " +
                    std::to_string(settings.PuzzlesPerPage));
    if (settings.LargePrint && settings.Candidates)
        throw Error("a large-print book prints no candidates: its digits fill the cells");
}

bool CandidatesAllowed(int puzzlesPerPage) { return puzzlesPerPage == 1; }

bool IsBlankText(std::string_view text)
{
    return text.find_first_not_of(' ') == std::string_view::npos;
}

TBookSettings WithoutBlankTexts(TBookSettings settings)
{
    for (std::string* text : {&settings.Title, &settings.Author, &settings.Publisher,
                              &settings.Website, &settings.Edition, &settings.Isbn})
        if (IsBlankText(*text))
            text->clear();
    return settings;
}

int BookMemoryMegabytes(const TBookSettings& settings)
{
    // The program itself takes about 8 MB; each puzzle, with its answer, about 70 KB of report
    // items, page stream and PDF.
    const int puzzles = std::max(settings.PageCount, 0) * std::max(settings.PuzzlesPerPage, 0);
    return 8 + (puzzles * 7 + 99) / 100;
}

int RenderMemoryMegabytes(std::uint64_t streamBytes)
{
    // About 6 MB for the program; the stream, the PDF made from it and the player's state take
    // about five times the stream.
    return 6 + static_cast<int>((streamBytes * 5 + (1u << 20) - 1) >> 20);
}

} // namespace gq::book
