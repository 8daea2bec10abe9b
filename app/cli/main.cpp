// gridquill-cli: the command-line front end.
#include "book/PuzzleMaker.h"
#include "gq/Error.h"
#include "puzzle/Levels.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <iostream>
#include <optional>
#include <string>

namespace
{

using namespace gq;

std::string LevelNames()
{
    std::string names;
    for (const auto& level : puzzle::Levels())
        names += (names.empty() ? "" : ", ") + std::string(level.Name);
    return names;
}

/// Prints a puzzle text as a 9 x 9 grid, '.' for an open cell.
void PrintGrid(std::ostream& out, const std::string& text)
{
    for (int row = 0; row < 9; ++row)
    {
        if (row > 0 && row % 3 == 0)
            out << "------+-------+------\n";
        for (int col = 0; col < 9; ++col)
        {
            if (col > 0 && col % 3 == 0)
                out << "| ";
            char c = text[row * 9 + col];
            out << (c == '0' ? '.' : c) << (col == 8 ? "" : " ");
        }
        out << '\n';
    }
}

int RunPuzzle(const std::string& levelName, std::optional<std::uint64_t> seed)
{
    int levelIndex = puzzle::LevelIndexOfName(levelName);
    puzzle::TRandom random;
    if (seed)
        random.SetSeedSource(puzzle::SequenceSeedSource(*seed));
    puzzle::TQJ model(random);
    widgets::TPICSD33 grid;
    grid.ApplyMainWindowSettings();
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
    CLI::App app{"Gridquill: printable Sudoku puzzle books", "gridquill-cli"};
    app.set_version_flag("--version", std::string("gridquill-cli ") + GQ_VERSION);
    app.require_subcommand(1);

    std::string level = "very-easy";
    std::optional<std::uint64_t> seed;
    auto* puzzleCommand = app.add_subcommand("puzzle", "draw one puzzle and print it with its solution");
    puzzleCommand->add_option("--level", level, "one of: " + LevelNames())
        ->check(CLI::IsMember([] {
            std::vector<std::string> names;
            for (const auto& info : puzzle::Levels())
                names.emplace_back(info.Name);
            return names;
        }()));
    puzzleCommand->add_option("--seed", seed, "make the same puzzle every time for the same seed");

    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& e)
    {
        int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }

    try
    {
        if (*puzzleCommand)
            return RunPuzzle(level, seed);
    }
    catch (const std::exception& e)
    {
        std::cerr << "gridquill-cli: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
