#include "CoverCommand.h"

#include "book/BookMaker.h"
#include "book/CoverMaker.h"
#include "book/PaperSizes.h"
#include "book/PdfPageCount.h"
#include "book/PlanFile.h"
#include "book/PuzzleMaker.h"
#include "book/SafeFile.h"
#include "book/TerminalText.h"
#include "gq/Error.h"
#include "puzzle/Levels.h"

#include <charconv>
#include <iostream>
#include <vector>

namespace gq::cli
{

namespace
{

std::vector<std::string> Names(auto names) { return {names.begin(), names.end()}; }

/// "C,M,Y,K" in per cent, each 0..100, as fractions.
std::array<double, 4> ParseAccent(const std::string& text)
{
    std::array<double, 4> parts{};
    std::size_t at = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t comma = i < 3 ? text.find(',', at) : text.size();
        if (comma == std::string::npos)
            throw TCoverUsageError("--accent \"" + text + "\" is not C,M,Y,K (such as 0,60,100,0)");
        double value = -1;
        auto [end, error] = std::from_chars(text.data() + at, text.data() + comma, value);
        if (error != std::errc() || end != text.data() + comma || !(value >= 0 && value <= 100))
            throw TCoverUsageError("--accent \"" + text +
                                   "\": each of C,M,Y,K is a per cent from 0 to 100");
        parts[i] = value / 100;
        at = comma + 1;
    }
    return parts;
}

} // namespace

CLI::App* AddCoverCommand(CLI::App& app, TCoverOptions& o)
{
    auto* c = app.add_subcommand("cover", "make the full-wrap cover of a paperback as a PDF file");
    c->add_option("--plan", o.Plan, "take title, author, paper, page count ... from a plan file");
    c->add_option("--pages-from", o.PagesFrom, "take the page count from this PDF (the interior)");
    c->add_option("--page-count", o.PageCount, "the interior's page count")
        ->check(CLI::Range(book::kMinCoverPages, book::kMaxCoverPages));
    c->add_option("--paper", o.Paper, "trim size of the book (default letter)");
    c->add_option("--service", o.Service, "print service: kdp, ingramspark or lulu (default kdp)")
        ->check(CLI::IsMember(Names(book::kCoverServices)));
    c->add_option("--stock", o.Stock, "paper stock: white or cream (default white)")
        ->check(CLI::IsMember(Names(book::kCoverStocks)));
    c->add_option("--level", o.Level, "the level named on the front and of its puzzle");
    c->add_option("--title", o.Title, "the book's title");
    c->add_option("--author", o.Author, "the book's author");
    c->add_option("--publisher", o.Publisher, "the publisher, on the back cover");
    c->add_option("--isbn", o.Isbn, "the ISBN, drawn as an EAN-13 barcode on the back cover");
    c->add_option("--blurb", o.Blurb, "the back cover's text (at most 1000 characters)");
    c->add_option("--accent", o.Accent, "one accent colour C,M,Y,K in per cent (else gray only)");
    c->add_option("--seed", o.Seed, "draw the same front puzzle every time for the same seed");
    c->add_flag("--pdfx", o.PdfX, "write PDF/X-1a:2001");
    c->add_flag("--guides", o.Guides,
                "also write OUTPUT-guides.pdf with trim, folds and safe zones");
    c->add_flag("--force", o.Force, "replace OUTPUT (and its guides) when it exists");
    c->add_option("OUTPUT", o.Output, "the cover's PDF file (.pdf is added without a suffix)");
    return c;
}

void AddBookCoverOptions(CLI::App& book, book::TCoverChoice& choice)
{
    book.add_option("--cover", choice.Path, "also make the book's cover, into this PDF file");
    book.add_option("--service", choice.Service, "the cover's print service (with --cover)")
        ->check(CLI::IsMember(Names(book::kCoverServices)));
    book.add_option("--stock", choice.Stock, "the cover's paper stock (with --cover)")
        ->check(CLI::IsMember(Names(book::kCoverStocks)));
    book.add_option("--blurb", choice.Blurb, "the back cover's text (with --cover)");
}

book::TCoverChoice CoverChoiceOf(const CLI::App& bookCommand, book::TCoverChoice choice)
{
    const bool cover = bookCommand.get_option("--cover")->count() > 0;
    for (const char* name : {"--service", "--stock", "--blurb"})
        if (!cover && bookCommand.get_option(name)->count() > 0)
            throw TCoverUsageError(std::string(name) + " is a cover option: name the cover with "
                                                       "--cover FILE");
    if (cover && choice.Path.empty())
        throw TCoverUsageError("--cover is empty: name the cover's PDF file");
    choice.Make = cover;
    if (cover)
        choice.Path = book::PdfPathFor(choice.Path);
    return choice;
}

int RunCover(const TCoverOptions& o)
{
    if (o.Output.empty())
        throw TCoverUsageError("OUTPUT is required: name the cover's PDF file");
    if (!o.PagesFrom.empty() && o.PageCount)
        throw TCoverUsageError("--pages-from and --page-count both give the page count: use one");
    if (o.PagesFrom.empty() && !o.PageCount && o.Plan.empty())
        throw TCoverUsageError("the cover needs the book's page count: give --pages-from BOOK.pdf, "
                               "--page-count N or --plan FILE");
    book::TCoverDesign design;
    std::optional<std::uint64_t> planSeed;
    int levelIndex = o.Level.empty() ? 2 : puzzle::LevelIndexOfName(o.Level);
    if (levelIndex < 0)
        throw TCoverUsageError("--level: there is no level \"" + o.Level +
                               "\"; the levels are very-easy, easy, standard, hard, expert and "
                               "extreme");
    try {
        if (!o.Plan.empty()) {
            const book::TPlanFile plan = book::ReadPlanFile(o.Plan);
            book::TBookSettings settings = plan.Settings;
            planSeed = plan.Seed;
            if (!o.Paper.empty())
                settings.Paper = o.Paper;
            // Worked solutions take as many pages as their puzzles have steps: only the book
            // itself knows its page count then.
            if (settings.WorkedSolutions > 0 && o.PagesFrom.empty() && !o.PageCount)
                throw TCoverUsageError(
                    "the page count of " + o.Plan +
                    "'s book depends on its worked solutions: give "
                    "--pages-from BOOK.pdf, or make the cover with book --cover");
            design = book::CoverDesignOf(settings, book::BookPageCount(settings));
            if (settings.Sections.empty())
                levelIndex = o.Level.empty() ? settings.LevelIndex : levelIndex;
            else
                levelIndex = settings.Sections.front().LevelIndex;
        } else if (!o.Level.empty()) {
            std::string_view caption =
                puzzle::Levels()[static_cast<std::size_t>(levelIndex)].Caption;
            if (caption.ends_with(" Sudoku"))
                caption.remove_suffix(7);
            design.Levels.emplace_back(caption);
        }
    } catch (const Error& e) {
        throw TCoverUsageError(e.what());
    }
    auto given = [](const std::string& value, std::string& target) {
        if (!value.empty())
            target = value;
    };
    given(o.Paper, design.Paper);
    given(o.Service, design.Service);
    given(o.Stock, design.Stock);
    given(o.Title, design.Title);
    given(o.Author, design.Author);
    given(o.Publisher, design.Publisher);
    given(o.Isbn, design.Isbn);
    given(o.Blurb, design.Blurb);
    design.PdfX = design.PdfX || o.PdfX;
    if (!o.Accent.empty())
        design.Accent = ParseAccent(o.Accent);
    if (o.PageCount)
        design.Pages = *o.PageCount;
    else if (!o.PagesFrom.empty())
        design.Pages = book::PdfPageCount(o.PagesFrom);
    try {
        book::CheckCoverDesign(design);
    } catch (const Error& e) {
        throw TCoverUsageError(e.what());
    }
    design.Motif = book::DrawOnePuzzle(levelIndex, o.Seed ? o.Seed : planSeed).Puzzles[1];
    const std::string path = book::PdfPathFor(o.Output);
    const std::string summary = book::WriteCover(
        design, path, o.Force ? book::TReplace::Always : book::TReplace::Never, o.Guides);
    std::cout << book::TerminalText(path + ": " + summary +
                                    (o.Guides ? "; guides in " + book::GuidesPathFor(path) : ""))
              << '\n';
    return 0;
}

} // namespace gq::cli
