#include "book/BookSettings.h"
#include "book/VariantBook.h"

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
    if (!settings.Sections.empty())
        CheckSections(settings.Sections);
    if (std::ranges::find(kAnswersPerPageChoices, settings.AnswersPerPage) ==
        kAnswersPerPageChoices.end())
        throw Error("an answer page holds 4, 6 or 9 answers, not " +
                    std::to_string(settings.AnswersPerPage));
    if (settings.WorkedSolutions < 0 || settings.WorkedSolutions > kMaxWorkedSolutions)
        throw Error("a book has 0 to " + std::to_string(kMaxWorkedSolutions) +
                    " worked solutions, not " + std::to_string(settings.WorkedSolutions));
    if (settings.Cover.Make) {
        if (std::ranges::find(kCoverServices, settings.Cover.Service) == kCoverServices.end())
            throw Error("there is no cover service \"" + settings.Cover.Service +
                        "\"; the services are kdp, ingramspark and lulu");
        if (std::ranges::find(kCoverStocks, settings.Cover.Stock) == kCoverStocks.end())
            throw Error("there is no paper stock \"" + settings.Cover.Stock +
                        "\"; the stocks are white and cream");
    }
    CheckVariantSettings(settings);
    if (settings.AnswersPerPage != 4 && !settings.IsPrintReady())
        throw Error("answer pages of " + std::to_string(settings.AnswersPerPage) +
                    " answers are made only in print-ready books");
}

void CheckSections(const std::vector<TSection>& sections)
{
    if (sections.empty() || sections.size() > static_cast<std::size_t>(kMaxSections))
        throw Error("a book has 1 to " + std::to_string(kMaxSections) + " sections, not " +
                    std::to_string(sections.size()));
    int puzzles = 0;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const TSection& section = sections[i];
        if (section.LevelIndex < 0 || section.LevelIndex >= puzzle::kLevelCount)
            throw Error("there is no level " + std::to_string(section.LevelIndex));
        const std::string name(puzzle::Levels()[static_cast<std::size_t>(section.LevelIndex)].Name);
        if (section.Count < 1)
            throw Error("the " + name + " section has " + std::to_string(section.Count) +
                        " puzzles; a section has at least 1");
        BookVariant(section.Variant); // an unknown type is named before anything else
        const std::string type = IsClassicName(section.Variant) ? "classic" : section.Variant;
        for (std::size_t j = 0; j < i; ++j)
            if (sections[j].LevelIndex == section.LevelIndex &&
                IsClassicName(sections[j].Variant) == IsClassicName(section.Variant) &&
                (IsClassicName(section.Variant) || sections[j].Variant == section.Variant))
                throw Error(IsClassicName(section.Variant)
                                ? "the level " + name + " has two sections; a level may have one"
                                : "the " + type + " puzzles of level " + name +
                                      " have two sections; they may have one");
        puzzles += std::min(section.Count, kMaxBookPuzzles + 1);
        if (puzzles > kMaxBookPuzzles)
            throw Error("the sections hold more than " + std::to_string(kMaxBookPuzzles) +
                        " puzzles");
    }
}

int BookPuzzleCount(const TBookSettings& settings)
{
    if (settings.Sections.empty())
        return std::max(settings.PageCount, 0) * std::max(settings.PuzzlesPerPage, 0);
    int puzzles = 0;
    for (const TSection& section : settings.Sections)
        puzzles += std::max(section.Count, 0);
    return puzzles;
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
    // Address space, which is what a limit counts: the program itself takes about 12 MB; each
    // puzzle, with its answer, about 16.5 KB of page stream and page content (the report items
    // of one page at a time are a few hundred KB). A print-ready book also loads HarfBuzz and
    // its libraries and compresses on a second thread: about 20 MB more.
    const int puzzles = BookPuzzleCount(settings);
    return 12 + (puzzles * 33 + 1999) / 2000 + (settings.IsPrintReady() ? 20 : 0);
}

int RenderMemoryMegabytes(std::uint64_t streamBytes)
{
    // Address space: about 6 MB for the program; the stream, the page contents made from it
    // and the player's state take about five times the stream.
    return 6 + static_cast<int>((streamBytes * 5 + (1u << 20) - 1) >> 20);
}

} // namespace gq::book
