// gridquill-cli: the command-line front end over the book engine.
#include "CoverCommand.h"
#include "ExplainCommand.h"
#include "VariantCommand.h"
#include "book/BookLayout.h"
#include "book/BookMaker.h"
#include "book/InterruptCleanup.h"
#include "book/Isbn.h"
#include "book/PaperSizes.h"
#include "book/PlanFile.h"
#include "book/PuzzleMaker.h"
#include "book/TerminalText.h"
#include "book/VariantBook.h"
#include "gq/Error.h"
#include "puzzle/Levels.h"
#include "puzzle/PuzzleBank.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

using namespace gq;
using book::TerminalText;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

/// A usage error found after parsing (a combination CLI11 cannot express).
struct UsageError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

/// Prints one line of failure on stderr.
void PrintError(std::string_view message)
{
    std::cerr << "gridquill-cli: " << TerminalText(message) << '\n';
}

/// Numbers are plain decimal digits: no sign, spaces, "0x" or octal. Leading zeros are dropped
/// here, so that the parser that follows cannot take "010" for an octal 8.
const CLI::Validator kDecimalNumber(
    [](std::string& text) -> std::string {
        if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
            return "must be a decimal number, not \"" + text + "\"";
        text.erase(0, std::min(text.find_first_not_of('0'), text.size() - 1));
        return {};
    },
    "");

/// A seed is a whole number that fits 64 bits.
const CLI::Validator kSeedCheck(
    [](std::string& text) -> std::string {
        std::uint64_t value = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size())
            return "the seed must be a whole number from 0 to 18446744073709551615";
        return {};
    },
    "SEED");

/// One --section: LEVEL:COUNT, a level's name and a whole number of puzzles. The section is
/// returned, or the problem (which the parser prefixes with the option's name).
std::variant<book::TSection, std::string> ParseSection(const std::string& text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos)
        return "\"" + text + "\" is not LEVEL:COUNT (such as easy:60 or killer/easy:40)";
    book::TSection section;
    // TYPE/LEVEL:COUNT names a puzzle type, generated on demand.
    const std::size_t slash = text.find('/');
    const std::size_t levelAt = slash < colon ? slash + 1 : 0;
    if (slash < colon) {
        section.Variant = text.substr(0, slash);
        try {
            book::BookVariant(section.Variant);
        } catch (const Error& e) {
            return "\"" + text + "\": " + e.what();
        }
    }
    section.LevelIndex = puzzle::LevelIndexOfName(text.substr(levelAt, colon - levelAt));
    if (section.LevelIndex < 0)
        return "\"" + text + "\": there is no level \"" + text.substr(levelAt, colon - levelAt) +
               "\"; the levels are very-easy, easy, standard, hard, expert and extreme";
    const std::string count = text.substr(colon + 1);
    auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), section.Count);
    if (count.empty() || error != std::errc() || end != count.data() + count.size() ||
        section.Count < 1 || section.Count > book::kMaxBookPuzzles)
        return "\"" + text + "\": the count must be a whole number from 1 to " +
               std::to_string(book::kMaxBookPuzzles);
    return section;
}

const CLI::Validator kSectionCheck(
    [](std::string& text) -> std::string {
        auto parsed = ParseSection(text);
        return std::holds_alternative<std::string>(parsed) ? std::get<std::string>(parsed)
                                                           : std::string();
    },
    "LEVEL:COUNT");

/// --paper takes one of the sizes the book engine offers.
const CLI::Validator kPaperCheck(
    [](std::string& text) -> std::string {
        if (book::FindPaper(text))
            return {};
        return "unknown paper size \"" + text + "\"; the sizes are " + book::PaperNameList();
    },
    "SIZE");

/// --title and --author must be printable in the pages' encoding and fit the title page.
CLI::Validator TitlePageCheck(std::string what, std::size_t limit)
{
    return CLI::Validator(
        [what, limit](std::string& text) -> std::string {
            try {
                book::CheckTitlePageText(text, what, limit);
            } catch (const Error& e) {
                return e.what();
            }
            return {};
        },
        "TEXT");
}

/// Refuses an ISBN the book would refuse (book::IsbnDigits); a blank one means none.
const CLI::Validator kIsbnCheck(
    [](std::string& text) -> std::string {
        if (book::IsBlankText(text))
            return {};
        try {
            book::IsbnDigits(text);
        } catch (const Error& e) {
            return e.what();
        }
        return {};
    },
    "ISBN");

/// A length or size for the success line: the shortest text that reads back as `value`.
std::string Number(double value)
{
    char buffer[32];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::to_string(value);
}

/// The success line after a print-ready book: what a print-on-demand check looks at.
std::string PrintReadySummary(const book::TBookFacts& facts)
{
    const book::TPaper* paper = book::FindPaper(facts.Paper);
    std::string line = (paper ? std::string(paper->Caption) : facts.Paper) + ", " +
                       std::to_string(facts.Pages) + " pages";
    if (facts.Sections > 0)
        line +=
            " in " + std::to_string(facts.Sections) + " section" + (facts.Sections == 1 ? "" : "s");
    std::string padding;
    if (facts.NotesPages > 0)
        padding = std::to_string(facts.NotesPages) + " notes page" +
                  (facts.NotesPages == 1 ? "" : "s") + " added";
    if (facts.BlankLastPage)
        padding += std::string(padding.empty() ? "" : ", ") + "last page blank";
    if (!padding.empty())
        line += " (" + padding + ")";
    char grid[16];
    std::snprintf(grid, sizeof grid, "%.2f", facts.GridInches);
    line += ", grids " + std::string(grid) + " in";
    line += ", inside margin " + Number(facts.InsideMargin) + " in, smallest text " +
            std::to_string(facts.SmallestText) + " pt, thinnest line " +
            Number(facts.ThinnestLine) + " pt, fonts embedded: ";
    for (std::size_t i = 0; i < facts.EmbeddedFonts.size(); ++i)
        line += (i > 0 ? ", " : "") + facts.EmbeddedFonts[i];
    if (facts.EmbeddedFonts.empty())
        line += "none";
    if (!facts.OtherFonts.empty())
        line += " (not embedded: " + std::to_string(facts.OtherFonts.size()) + ")";
    if (facts.PdfX)
        line += ", PDF/X-1a:2001";
    return line;
}

std::vector<std::string> LevelNames()
{
    std::vector<std::string> names;
    for (const auto& level : puzzle::Levels())
        names.emplace_back(level.Name);
    return names;
}

/// An OUTPUT must name something and be a name a book can have (book::PdfPathFor); the rest of
/// what it may be is the book code's to check.
void RequireOutputName(const std::string& output)
{
    if (output.empty())
        throw UsageError("OUTPUT is empty: name the PDF file to write");
    try {
        book::PdfPathFor(output);
    } catch (const Error& e) {
        throw UsageError(e.what());
    }
}

/// Adds the command line's advice to a refusal to replace a file.
[[noreturn]] void ExplainExisting(const book::TFileExistsError& error)
{
    throw Error(std::string(error.what()) + "; use --force to replace it");
}

/// Draws the book's progress as a bar on stderr; silent when disabled.
class TerminalProgress : public book::IBookProgress
{
  public:
    explicit TerminalProgress(bool enabled) : m_enabled(enabled) {}
    ~TerminalProgress() override { Finish(); }

    void SetProgress(int value) override
    {
        m_value = value;
        Draw();
    }
    void SetCaption(std::string_view caption) override
    {
        m_caption = caption;
        Draw();
    }
    void Repaint() override {}
    void Completed(const std::string&) override { Finish(); }

  private:
    void Draw()
    {
        if (!m_enabled)
            return;
        constexpr int width = 30;
        int filled = std::clamp(m_value, 0, 100) * width / 100;
        std::cerr << "\r[" << std::string(filled, '#') << std::string(width - filled, '.') << "] "
                  << std::to_string(m_value) << "% " << m_caption << "\x1b[K" << std::flush;
        m_drawn = true;
    }
    void Finish()
    {
        if (m_drawn)
            std::cerr << "\r\x1b[K" << std::flush;
        m_drawn = false;
    }

    bool m_enabled;
    bool m_drawn = false;
    int m_value = 0;
    std::string m_caption = "Create Sudoku Puzzles ...";
};

/// Prints a puzzle text as a 9 x 9 grid, '.' for an open cell.
void PrintGrid(std::ostream& out, const std::string& text)
{
    for (int row = 0; row < 9; ++row) {
        if (row > 0 && row % 3 == 0)
            out << "------+-------+------\n";
        for (int col = 0; col < 9; ++col) {
            if (col > 0 && col % 3 == 0)
                out << "| ";
            char c = text[row * 9 + col];
            out << (c == '0' ? '.' : c) << (col == 8 ? "" : " ");
        }
        out << '\n';
    }
}

struct Options
{
    int Pages = book::kDefaultPageCount;
    int PerPage = 1;
    std::string Level = "very-easy";
    bool Candidates = false;
    int Volume = 0;
    std::optional<std::uint64_t> Seed;
    bool Force = false;
    bool Quiet = false;
    std::string Output;
    std::string PageStream;
    std::string Paper = "letter";
    bool PrintReady = false;
    bool PdfX = false;
    bool BoldGivens = false;
    bool LargePrint = false;
    std::string Title;
    std::string Author;
    std::string Publisher;
    std::string Website;
    std::string Edition;
    std::string Isbn;
    std::vector<std::string> Sections; ///< LEVEL:COUNT each, checked by kSectionCheck
    int AnswersPerPage = 4;
    bool Hints = false;
    int Worked = 0;
    bool AnswerNotes = false;
    std::string Plan;         ///< --plan: the file the settings start from; empty: none
    std::string SavePlan;     ///< --save-plan: where the plan of the book made goes; empty: nowhere
    book::TCoverChoice Cover; ///< --cover and its options (the book's cover)
    cli::TCoverOptions CoverCommand; ///< the `cover` subcommand's options
    std::string Variant;             ///< puzzle --variant: empty for the classic bank puzzle
    std::set<std::string> Given;     ///< the book options the command line gave ("--pages", ...)
    bool Explain = false;            ///< puzzle --explain: print the steps that solve it
    bool Json = false;               ///< puzzle --explain --json: the steps as JSON only
    std::optional<std::string> Grid; ///< puzzle --explain --grid: the puzzle to explain
    bool IsGiven(const char* name) const { return Given.contains(name); }
};

book::TBookSettings SettingsOf(const Options& options)
{
    book::TBookSettings settings;
    settings.LevelIndex = puzzle::LevelIndexOfName(options.Level);
    settings.PageCount = options.Pages;
    settings.PuzzlesPerPage = options.PerPage;
    settings.Candidates = options.Candidates;
    settings.PdfPath = options.Output;
    settings.ReplaceExisting = options.Force;
    settings.Paper = options.Paper;
    settings.PrintReady = options.PrintReady;
    settings.PdfX = options.PdfX;
    settings.BoldGivens = options.BoldGivens;
    settings.LargePrint = options.LargePrint;
    settings.Title = options.Title;
    settings.Author = options.Author;
    settings.Volume = options.Volume;
    settings.Publisher = options.Publisher;
    settings.Website = options.Website;
    settings.Edition = options.Edition;
    settings.Isbn = options.Isbn;
    for (const std::string& text : options.Sections)
        settings.Sections.push_back(std::get<book::TSection>(ParseSection(text)));
    settings.AnswersPerPage = options.AnswersPerPage;
    settings.Hints = options.Hints;
    settings.WorkedSolutions = options.Worked;
    settings.AnswerNotes = options.AnswerNotes;
    settings.Cover = options.Cover;
    settings.Variant = options.Variant;
    return settings;
}

/// `plan` with every book option the command line gave (options.Given) taking the place of the
/// plan's value.
book::TBookSettings OverPlan(book::TBookSettings plan, const Options& options)
{
    const book::TBookSettings given = SettingsOf(options);
    using S = book::TBookSettings;
    auto take = [&](const char* name, auto S::*member) {
        if (options.IsGiven(name))
            plan.*member = given.*member;
    };
    take("--pages", &S::PageCount);
    take("--per-page", &S::PuzzlesPerPage);
    take("--level", &S::LevelIndex);
    take("--candidates", &S::Candidates);
    take("--volume", &S::Volume);
    take("--paper", &S::Paper);
    take("--print-ready", &S::PrintReady);
    take("--pdfx", &S::PdfX);
    take("--bold-givens", &S::BoldGivens);
    take("--large-print", &S::LargePrint);
    take("--title", &S::Title);
    take("--author", &S::Author);
    take("--publisher", &S::Publisher);
    take("--website", &S::Website);
    take("--edition", &S::Edition);
    take("--isbn", &S::Isbn);
    take("--section", &S::Sections);
    take("--answers-per-page", &S::AnswersPerPage);
    take("--hints", &S::Hints);
    take("--worked", &S::WorkedSolutions);
    take("--answer-notes", &S::AnswerNotes);
    take("--variant", &S::Variant);
    plan.PdfPath = given.PdfPath;
    plan.ReplaceExisting = given.ReplaceExisting;
    plan.Cover = given.Cover;
    return plan;
}

/// The plan file named by --plan; its problems are usage errors.
book::TPlanFile ReadPlan(const std::string& path)
{
    try {
        return book::ReadPlanFile(path);
    } catch (const Error& e) {
        throw UsageError(e.what());
    }
}

/// Refuses, as a usage error, settings the book code would refuse: asked here so that the
/// rules keep one home.
void CheckUsage(const book::TBookSettings& settings)
{
    try {
        book::CheckBookSettings(settings);
        // A volume of generated puzzles is only a number on its title page; the bank's
        // volumes are blocks of its lists, which must exist.
        if (settings.Volume > 0 && settings.Sections.empty() &&
            book::IsClassicName(settings.Variant))
            puzzle::TBookDraw(puzzle::TPuzzleBank::BuiltIn(), settings.LevelIndex, settings.Volume);
        for (const book::TSection& section : settings.Sections)
            if (settings.Volume > 0 && book::IsClassicName(section.Variant))
                puzzle::TBookDraw(puzzle::TPuzzleBank::BuiltIn(), section.LevelIndex,
                                  settings.Volume);
    } catch (const Error& e) {
        throw UsageError(e.what());
    }
}

/// Opens the --save-plan file and writes `plan` into it, to appear once the book is made.
/// Fails before any work: a file already there (without --force), a folder, a folder that
/// cannot take a new file, or the book's own name.
std::unique_ptr<book::TNewFile> StartPlanFile(const Options& options, const book::TPlanFile& plan)
{
    if (options.SavePlan.empty())
        return nullptr;
    if (options.SavePlan == book::PdfPathFor(*plan.Output))
        throw UsageError("--save-plan " + options.SavePlan + " is the book's own file name");
    book::CheckDocumentPath(options.SavePlan);
    struct stat info;
    if (!options.Force && lstat(options.SavePlan.c_str(), &info) == 0)
        ExplainExisting(book::TFileExistsError(options.SavePlan));
    auto file = std::make_unique<book::TNewFile>(options.SavePlan, book::TFileAudience::Document);
    file->Write(book::PlanText(plan));
    return file;
}

int RunBook(const Options& options)
{
    book::TPlanFile plan;
    if (!options.Plan.empty())
        plan = ReadPlan(options.Plan);
    const bool pagesGiven = options.IsGiven("--pages");
    if (const bool levelGiven = options.IsGiven("--level");
        (pagesGiven || levelGiven) &&
        (!options.Sections.empty() || !plan.Settings.Sections.empty()))
        throw UsageError(std::string(pagesGiven ? "--pages" : "--level") +
                         " cannot be combined with " +
                         (options.Sections.empty() ? "the sections of " + options.Plan
                                                   : std::string("--section")) +
                         ": the sections set the levels and the number of puzzles");
    const book::TBookSettings settings =
        options.Plan.empty() ? SettingsOf(options) : OverPlan(plan.Settings, options);
    CheckUsage(settings);
    if (options.IsGiven("OUTPUT"))
        plan.Output = options.Output;
    if (!plan.Output)
        throw UsageError("OUTPUT is required: name the PDF file to write (or give output in " +
                         options.Plan + ")");
    RequireOutputName(*plan.Output);

    // A book made without a seed takes one from the clock, so that its plan can name it.
    plan.Settings = settings;
    plan.Settings.PdfPath.clear();
    plan.Settings.ReplaceExisting = false;
    if (options.Seed || !plan.Seed)
        plan.Seed = options.Seed ? *options.Seed : puzzle::ClockSeed();
    std::unique_ptr<book::TNewFile> planFile = StartPlanFile(options, plan);

    book::TBookSettings run = settings;
    run.PdfPath = *plan.Output;
    book::TBookMaker maker;
    maker.SetSeedSource(puzzle::SequenceSeedSource(*plan.Seed));
    TerminalProgress progress(!options.Quiet && isatty(STDERR_FILENO));
    maker.DeleteOldPages();
    try {
        maker.BuildBook(run, progress);
    } catch (const book::TFileExistsError& error) {
        ExplainExisting(error);
    }
    // The plan appears only beside a finished book: a plan of a book that failed would name
    // settings that were never made into one.
    if (planFile) {
        try {
            planFile->Commit(options.Force ? book::TReplace::Always : book::TReplace::Never);
        } catch (const Error& e) {
            throw Error(book::PdfPathFor(*plan.Output) +
                        " was made, but its plan was not saved: " + e.what());
        }
    }
    std::string line =
        book::PdfPathFor(*plan.Output) + ": " +
        (settings.IsPrintReady() ? PrintReadySummary(maker.LastBookFacts())
                                 : std::to_string(book::BookPageCount(settings)) + " pages");
    if (!maker.PageStreamFallback().empty())
        line += "; page stream kept in " + maker.PageStreamPath() + " (" +
                maker.PageStreamFallback() + ")";
    std::cout << TerminalText(line) << '\n';
    if (const book::TBookFacts& facts = maker.LastBookFacts(); !facts.CoverPath.empty())
        std::cout << TerminalText(facts.CoverPath + ": " + facts.CoverSummary) << '\n';
    if (std::string warning = book::SmallGridWarning(maker.LastBookFacts()); !warning.empty())
        std::cerr << "gridquill-cli: warning: " << warning << '\n';
    return 0;
}

int RunRender(const Options& options)
{
    RequireOutputName(options.Output);
    try {
        std::cout << TerminalText(book::RenderPageStream(options.PageStream, options.Output,
                                                         options.Force ? book::TReplace::Always
                                                                       : book::TReplace::Never))
                  << '\n';
    } catch (const book::TFileExistsError& error) {
        ExplainExisting(error);
    }
    return 0;
}

int RunPuzzle(const Options& options)
{
    if (options.Grid && !options.Explain)
        throw UsageError("--grid works with --explain only");
    if (options.Json && !options.Explain && options.Variant.empty())
        throw UsageError("--json works with --explain or --variant only");
    if (options.Explain && !options.Variant.empty())
        throw UsageError("--explain explains the classic puzzles of the bank, not --variant ones");
    if (options.Grid) {
        solve::Grid givens{};
        if (auto fault = cli::GridFault(*options.Grid, givens))
            throw UsageError(*fault);
        if (!options.Json)
            PrintGrid(std::cout, *options.Grid);
        return cli::PrintExplanation(givens, options.Json, std::cout, std::cerr);
    }
    if (!options.Variant.empty()) {
        try {
            cli::RunVariantPuzzle(options.Variant, options.Level, options.Seed, options.Json,
                                  std::cout);
        } catch (const Error& e) {
            throw UsageError(e.what());
        }
        return 0;
    }
    int levelIndex = puzzle::LevelIndexOfName(options.Level);
    const puzzle::TPuzzleBatch batch = book::DrawOnePuzzle(levelIndex, options.Seed);

    if (options.Explain) {
        solve::Grid givens{};
        if (auto fault = cli::GridFault(batch.Puzzles[1], givens))
            throw std::runtime_error("the drawn puzzle cannot be explained: " + *fault);
        if (!options.Json) {
            std::cout << puzzle::Levels()[levelIndex].Caption << "\n\n";
            PrintGrid(std::cout, batch.Puzzles[1]);
        }
        return cli::PrintExplanation(givens, options.Json, std::cout, std::cerr);
    }
    std::cout << puzzle::Levels()[levelIndex].Caption << "\n\n";
    PrintGrid(std::cout, batch.Puzzles[1]);
    std::cout << "\nSolution:\n\n";
    PrintGrid(std::cout, batch.Solutions[1]);
    return 0;
}

/// What to say when memory ran out: how much the book, or the rendering, takes.
std::string OutOfMemory(const Options& options, bool book, bool render)
{
    if (book)
        return "not enough memory to make this book (about " +
               std::to_string(book::BookMemoryMegabytes(SettingsOf(options))) + " MB needed)";
    struct stat info;
    if (render && stat(options.PageStream.c_str(), &info) == 0)
        return "not enough memory to render " + options.PageStream + " (about " +
               std::to_string(
                   book::RenderMemoryMegabytes(static_cast<std::uint64_t>(info.st_size))) +
               " MB needed)";
    return "not enough memory";
}

/// Flushes standard output and says whether everything printed reached it (a full disk or a
/// closed descriptor shows only here).
bool StandardOutputWritten()
{
    errno = 0;
    std::cout.flush();
    bool written = std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!written)
        PrintError(std::string("cannot write to standard output: ") +
                   (errno != 0 ? std::strerror(errno) : "the write failed"));
    return written;
}

/// The subcommand named first on the command line, when it is none of `known`.
std::optional<std::string> UnknownCommand(int argc, char** argv,
                                          const std::vector<std::string>& known)
{
    if (argc < 2 || argv[1][0] == '-')
        return std::nullopt;
    for (const auto& name : known)
        if (name == argv[1])
            return std::nullopt;
    return std::string(argv[1]);
}

/// What is wrong with the arguments `command` was given beyond what the parser checks: an
/// option it does not have, a repeated option, one file too many, a missing one. Empty when
/// nothing is.
std::string ArgumentProblem(const CLI::App& command, std::string_view files)
{
    const std::string name = command.get_name();
    for (const std::string& extra : command.remaining()) {
        if (extra == "--")
            continue;
        if (extra == "--version")
            return "--version is an option of gridquill-cli, not of " + name +
                   ": use gridquill-cli --version";
        if (extra.size() > 1 && extra[0] == '-') {
            std::string problem = name + " has no option " + extra;
            if (extra.rfind("--", 0) != 0)
                problem += "; a file name starting with '-' goes after '--' (" + name + " -- " +
                           extra + ")";
            return problem;
        }
        return name + " " + std::string(files) + ": \"" + extra + "\" is one too many";
    }
    for (const CLI::Option* option : command.get_options())
        if (option->count() > 1 &&
            option->get_multi_option_policy() != CLI::MultiOptionPolicy::TakeAll)
            return option->get_name() + " was given twice";
    // A plan may name the file itself.
    const CLI::Option* plan = command.get_option_no_throw("--plan");
    for (const CLI::Option* option : command.get_options())
        if (option->get_positional() && option->count() == 0 && !(plan && plan->count() > 0))
            return option->get_name() + " is required";
    return {};
}

int Run(int argc, char** argv)
{
    CLI::App app{"Gridquill: printable Sudoku puzzle books", "gridquill-cli"};
    app.set_version_flag("--version", std::string("gridquill-cli ") + GQ_VERSION);
    app.require_subcommand(1, 1);

    Options options;
    const std::string levelHelp = "very-easy, easy, standard, hard, expert or extreme";

    // Unknown and repeated options are looked at after parsing (ArgumentProblem), which says
    // more than the parser would: an option may be given once, and so may a file name.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    auto* bookCommand = app.add_subcommand("book", "make a puzzle book as a PDF file");
    bookCommand
        ->add_option("--pages", options.Pages,
                     "puzzle pages, " + std::to_string(book::kMinPageCount) + "-" +
                         std::to_string(book::kMaxPageCount) + " (default " +
                         std::to_string(book::kDefaultPageCount) + ")")
        ->transform(kDecimalNumber)
        ->check(CLI::Range(book::kMinPageCount, book::kMaxPageCount));
    bookCommand
        ->add_option("--per-page", options.PerPage, "puzzles per page: 1, 2 or 4 (default 1)")
        ->transform(kDecimalNumber)
        ->check(CLI::IsMember(std::vector<int>(book::kPuzzlesPerPageChoices.begin(),
                                               book::kPuzzlesPerPageChoices.end())));
    bookCommand
        ->add_option("--level", options.Level, "level: " + levelHelp + " (default very-easy)")
        ->check(CLI::IsMember(LevelNames()));
    bookCommand->add_flag("--candidates", options.Candidates,
                          "print candidate digits in open cells (one puzzle per page only)");
    bookCommand
        ->add_option("--volume", options.Volume,
                     "volume N of the level, from 1: books with different volume numbers share "
                     "no puzzle (default: no volume)")
        ->transform(kDecimalNumber)
        ->check(CLI::Range(1, std::numeric_limits<int>::max()));
    bookCommand
        ->add_option("--seed", options.Seed, "make the same puzzles every time for the same seed")
        ->transform(kDecimalNumber)
        ->check(kSeedCheck);
    bookCommand
        ->add_option("--paper", options.Paper,
                     "page size: " + book::PaperNameList() + " (default letter)")
        ->check(kPaperCheck);
    bookCommand->add_flag(
        "--print-ready", options.PrintReady,
        "embedded fonts, mirrored margins, page numbers, title, copyright and rules pages, "
        "an even count of at least 24 pages");
    bookCommand->add_flag("--pdfx", options.PdfX, "write PDF/X-1a:2001 (implies --print-ready)");
    bookCommand->add_flag("--bold-givens", options.BoldGivens,
                          "set the givens of every puzzle in bold (implies --print-ready)");
    bookCommand->add_flag("--large-print", options.LargePrint,
                          "one puzzle per page, the grid as large as the page allows, large bold "
                          "givens and heavy lines (implies --print-ready and --bold-givens; not "
                          "with --per-page 2 or 4 or --candidates)");
    bookCommand->add_option("--title", options.Title, "the book's title (print-ready title page)")
        ->check(TitlePageCheck("the title", book::kMaxTitleLength));
    bookCommand->add_option("--author", options.Author, "the book's author")
        ->check(TitlePageCheck("the author", book::kMaxAuthorLength));
    bookCommand
        ->add_option("--publisher", options.Publisher,
                     "the publisher, on the title and copyright pages (default: none; a "
                     "print-ready book names no publisher unless given one)")
        ->check(TitlePageCheck("the publisher", book::kMaxPublisherLength));
    bookCommand
        ->add_option("--website", options.Website,
                     "a web address printed on the copyright page (default: none)")
        ->check(TitlePageCheck("the website", book::kMaxWebsiteLength));
    bookCommand
        ->add_option("--edition", options.Edition,
                     "an edition line for the copyright page, such as \"First edition\"")
        ->check(TitlePageCheck("the edition", book::kMaxEditionLength));
    bookCommand
        ->add_option("--isbn", options.Isbn,
                     "ISBN-13 or ISBN-10 (hyphens allowed) printed on the copyright page; the "
                     "check digit must match")
        ->check(kIsbnCheck);
    bookCommand->add_option("--variant", options.Variant,
                            "puzzle type, made on demand: classic (the default, from the bank), "
                            "x, jigsaw, killer, 6x6, 4x4 or 16x16 (each offers its own levels)");
    bookCommand
        ->add_option("--section", options.Sections,
                     "a section of COUNT puzzles of LEVEL, such as easy:60 or killer/easy:40 "
                     "(TYPE/LEVEL: a puzzle type); give it once per "
                     "section, up to " +
                         std::to_string(book::kMaxSections) + " levels and " +
                         std::to_string(book::kMaxBookPuzzles) +
                         " puzzles in all (implies --print-ready; not with --pages or --level)")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false)
        ->check(kSectionCheck);
    bookCommand
        ->add_option("--answers-per-page", options.AnswersPerPage,
                     "answers on an answer page: 4, 6 or 9 (default 4; 6 and 9 in print-ready "
                     "books)")
        ->transform(kDecimalNumber)
        ->check(CLI::IsMember(std::vector<int>(book::kAnswersPerPageChoices.begin(),
                                               book::kAnswersPerPageChoices.end())));
    bookCommand->add_flag("--hints", options.Hints,
                          "a \"Hints\" section before the answers: where to look first in each "
                          "puzzle (implies --print-ready)");
    bookCommand
        ->add_option("--worked", options.Worked,
                     "worked solutions, every step beside a diagram, for the first puzzle of N "
                     "sections or the first N puzzles of a book of one level, N 1 to " +
                         std::to_string(book::kMaxWorkedSolutions) + " (implies --print-ready)")
        ->transform(kDecimalNumber)
        ->check(CLI::Range(1, book::kMaxWorkedSolutions));
    bookCommand->add_flag("--answer-notes", options.AnswerNotes,
                          "each answer names its puzzle's hardest technique under the grid "
                          "(implies --print-ready)");
    bookCommand
        ->add_option("--plan", options.Plan,
                     "read the book's settings from a plan file (TOML, keyed by these "
                     "options' long names); options given beside it take the place of "
                     "the plan's values")
        ->type_name("FILE");
    bookCommand
        ->add_option("--save-plan", options.SavePlan,
                     "write the plan of the book made, its seed included, so that --plan FILE "
                     "makes it again")
        ->type_name("FILE");
    bookCommand->add_flag("--force", options.Force,
                          "replace OUTPUT, and the --save-plan file, when it exists");
    bookCommand->add_flag("--quiet", options.Quiet, "show no progress bar");
    bookCommand->add_option(
        "OUTPUT", options.Output,
        "the PDF file to write (.pdf is added to a file name without a suffix)");

    cli::AddBookCoverOptions(*bookCommand, options.Cover);

    auto* renderCommand = app.add_subcommand("render", "play a page-stream file into a PDF");
    renderCommand->add_flag("--force", options.Force, "replace OUTPUT when it exists");
    renderCommand->add_option("PAGESTREAM", options.PageStream, "the page-stream file to play");
    renderCommand->add_option("OUTPUT", options.Output, "the PDF file to write");

    auto* puzzleCommand =
        app.add_subcommand("puzzle", "draw one puzzle and print it with its solution");
    puzzleCommand->add_option("--level", options.Level, "level: " + levelHelp)
        ->check(CLI::IsMember(LevelNames()));
    puzzleCommand
        ->add_option("--seed", options.Seed, "make the same puzzle every time for the same seed")
        ->transform(kDecimalNumber)
        ->check(kSeedCheck);
    puzzleCommand->add_flag("--explain", options.Explain,
                            "print the steps that solve the puzzle, one technique each");
    puzzleCommand->add_flag("--json", options.Json,
                            "with --explain: the steps as a JSON array; with --variant: the "
                            "puzzle as one JSON object (docs/variant.schema.json)");
    puzzleCommand->add_option("--grid", options.Grid,
                              "with --explain: the puzzle to explain, 81 digits or dots");
    puzzleCommand->add_option("--variant", options.Variant,
                              "puzzle type, made on demand: classic, x, jigsaw, killer, 6x6, "
                              "4x4 or 16x16 (each offers its own levels)");

    auto* coverCommand = cli::AddCoverCommand(app, options.CoverCommand);

    const std::pair<CLI::App*, std::string_view> commands[] = {
        {bookCommand, "writes one file"},
        {coverCommand, "writes one file"},
        {renderCommand, "takes PAGESTREAM and OUTPUT"},
        {puzzleCommand, "takes no file"},
    };
    for (const auto& [command, files] : commands)
        command->allow_extras();

    if (auto unknown = UnknownCommand(argc, argv, {"book", "cover", "render", "puzzle"})) {
        PrintError("unknown command \"" + *unknown +
                   "\"; the commands are book, cover, render and puzzle (see --help)");
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        PrintError(std::string(e.what()) + " (see --help)");
        return kExitUsage;
    }
    for (const auto& [command, files] : commands) {
        if (!*command)
            continue;
        if (std::string problem = ArgumentProblem(*command, files); !problem.empty()) {
            PrintError(problem + " (see --help)");
            return kExitUsage;
        }
    }

    for (const CLI::Option* option : bookCommand->get_options())
        if (option->count() > 0)
            options.Given.insert(option->get_name());
    try {
        if (*bookCommand) {
            options.Cover = cli::CoverChoiceOf(*bookCommand, options.Cover);
            return RunBook(options);
        }
        if (*coverCommand) {
            try {
                return cli::RunCover(options.CoverCommand);
            } catch (const book::TFileExistsError& error) {
                ExplainExisting(error);
            }
        }
        if (*renderCommand)
            return RunRender(options);
        return RunPuzzle(options);
    } catch (const UsageError& e) {
        PrintError(e.what());
        return kExitUsage;
    } catch (const cli::TCoverUsageError& e) {
        PrintError(e.what());
        return kExitUsage;
    } catch (const std::bad_alloc&) {
        PrintError(OutOfMemory(options, bookCommand->parsed(), renderCommand->parsed()));
        return kExitFailure;
    } catch (const std::exception& e) {
        PrintError(e.what());
        return kExitFailure;
    }
}

} // namespace

int main(int argc, char** argv)
{
    gq::book::InstallInterruptCleanup();
    int status = Run(argc, argv);
    if (!StandardOutputWritten() && status == 0)
        status = kExitFailure;
    return status;
}
