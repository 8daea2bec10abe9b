// gridquill-cli: the command-line front end over the book engine.
#include "app/HugePageHeap.h"
#include "book/BookMaker.h"
#include "book/PuzzleMaker.h"
#include "gq/Error.h"
#include "puzzle/Levels.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{

using namespace gq;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

/// A usage error found after parsing (a combination CLI11 cannot express).
struct UsageError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

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

std::vector<std::string> LevelNames()
{
    std::vector<std::string> names;
    for (const auto& level : puzzle::Levels())
        names.emplace_back(level.Name);
    return names;
}

/// The renderer's rule: a name without any '.' gets ".pdf".
std::string WithPdfExtension(std::string path)
{
    if (path.find('.') == std::string::npos)
        path += ".pdf";
    return path;
}

void RefuseExisting(const std::string& path, bool force)
{
    std::error_code error;
    if (!force && std::filesystem::exists(std::filesystem::symlink_status(path, error)))
        throw Error(path + " already exists; use --force to replace it");
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
    int Pages = 20;
    int PerPage = 1;
    std::string Level = "very-easy";
    bool Candidates = false;
    int Volume = 0;
    std::optional<std::uint64_t> Seed;
    bool Force = false;
    bool Quiet = false;
    std::string Output;
    std::string PageStream;
};

int RunBook(const Options& options)
{
    if (options.Candidates && options.PerPage != 1)
        throw UsageError("--candidates needs one puzzle per page (--per-page 1)");

    book::TBookSettings settings;
    settings.LevelIndex = puzzle::LevelIndexOfName(options.Level);
    settings.PageCount = options.Pages;
    settings.PuzzlesPerPage = options.PerPage;
    settings.Candidates = options.Candidates;
    settings.Volume = options.Volume;
    settings.PdfPath = WithPdfExtension(options.Output);
    RefuseExisting(settings.PdfPath, options.Force);

    book::TBookMaker maker;
    if (options.Seed)
        maker.SetSeedSource(puzzle::SequenceSeedSource(*options.Seed));
    TerminalProgress progress(!options.Quiet && isatty(STDERR_FILENO));
    maker.DeleteOldPages();
    maker.BuildBook(settings, progress);
    std::cout << settings.PdfPath << ": " << book::BookPageCount(settings) << " pages\n";
    return 0;
}

int RunRender(const Options& options)
{
    std::string output = WithPdfExtension(options.Output);
    RefuseExisting(output, options.Force);
    book::RenderPageStream(options.PageStream, output);
    std::cout << output << '\n';
    return 0;
}

int RunPuzzle(const Options& options)
{
    int levelIndex = puzzle::LevelIndexOfName(options.Level);
    puzzle::TRandom random;
    if (options.Seed)
        random.SetSeedSource(puzzle::SequenceSeedSource(*options.Seed));
    puzzle::TQJ model(random);
    widgets::TPICSD33 grid;
    book::TPuzzleMaker maker(puzzle::TPuzzleBank::BuiltIn(), random, model, grid);

    book::TBookSettings settings;
    settings.LevelIndex = levelIndex;
    settings.PageCount = 1;
    settings.PuzzlesPerPage = 1;
    puzzle::TPuzzleBatch batch;
    maker.BuildPuzzleBatch(settings, batch);

    std::cout << puzzle::Levels()[levelIndex].Caption << "\n\n";
    PrintGrid(std::cout, batch.Puzzles[1]);
    std::cout << "\nSolution:\n\n";
    PrintGrid(std::cout, batch.Solutions[1]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    gq::app::PreferHugePageHeap(argv);
    CLI::App app{"Gridquill: printable Sudoku puzzle books", "gridquill-cli"};
    app.set_version_flag("--version", std::string("gridquill-cli ") + GQ_VERSION);
    app.require_subcommand(1, 1);

    Options options;
    const std::string levelHelp = "very-easy, easy, standard, hard, expert or extreme";

    auto* bookCommand = app.add_subcommand("book", "make a puzzle book as a PDF file");
    bookCommand->add_option("--pages", options.Pages, "puzzle pages, 1-200 (default 20)")
        ->check(CLI::Range(1, 200));
    bookCommand
        ->add_option("--per-page", options.PerPage, "puzzles per page: 1, 2 or 4 (default 1)")
        ->check(CLI::IsMember({1, 2, 4}));
    bookCommand
        ->add_option("--level", options.Level, "level: " + levelHelp + " (default very-easy)")
        ->check(CLI::IsMember(LevelNames()));
    bookCommand->add_flag("--candidates", options.Candidates,
                          "print candidate digits in open cells (one puzzle per page only)");
    bookCommand
        ->add_option("--volume", options.Volume,
                     "volume N of the level, from 1: books with different volume numbers share "
                     "no puzzle (default: no volume)")
        ->check(CLI::Range(1, std::numeric_limits<int>::max()));
    bookCommand
        ->add_option("--seed", options.Seed, "make the same puzzles every time for the same seed")
        ->check(kSeedCheck);
    bookCommand->add_flag("--force", options.Force, "replace OUTPUT when it exists");
    bookCommand->add_flag("--quiet", options.Quiet, "show no progress bar");
    bookCommand
        ->add_option("OUTPUT", options.Output,
                     "the PDF file to write (.pdf is added to a name without '.')")
        ->required();

    auto* renderCommand = app.add_subcommand("render", "play a page-stream file into a PDF");
    renderCommand->add_flag("--force", options.Force, "replace OUTPUT when it exists");
    renderCommand->add_option("PAGESTREAM", options.PageStream, "the page-stream file to play")
        ->required();
    renderCommand->add_option("OUTPUT", options.Output, "the PDF file to write")->required();

    auto* puzzleCommand =
        app.add_subcommand("puzzle", "draw one puzzle and print it with its solution");
    puzzleCommand->add_option("--level", options.Level, "level: " + levelHelp)
        ->check(CLI::IsMember(LevelNames()));
    puzzleCommand
        ->add_option("--seed", options.Seed, "make the same puzzle every time for the same seed")
        ->check(kSeedCheck);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "gridquill-cli: " << e.what() << " (see --help)\n";
        return kExitUsage;
    }

    try {
        if (*bookCommand)
            return RunBook(options);
        if (*renderCommand)
            return RunRender(options);
        return RunPuzzle(options);
    } catch (const UsageError& e) {
        std::cerr << "gridquill-cli: " << e.what() << '\n';
        return kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << "gridquill-cli: " << e.what() << '\n';
        return kExitFailure;
    }
}
