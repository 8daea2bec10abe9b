#include "VariantCommand.h"

#include "gq/Error.h"
#include "variant/Generator.h"

#include <chrono>
#include <random>

namespace gq::cli
{

namespace
{

using namespace gq::variant;

std::string CellName(const Shape& shape, int cell)
{
    return "r" + std::to_string(cell / shape.Size + 1) + "c" +
           std::to_string(cell % shape.Size + 1);
}

/// `size` rows of `size` numbers, as JSON.
void JsonRows(std::ostream& out, const Shape& shape, const std::vector<int>& values)
{
    out << '[';
    for (int row = 0; row < shape.Size; ++row) {
        out << (row ? ",[" : "[");
        for (int column = 0; column < shape.Size; ++column)
            out << (column ? "," : "") << values[row * shape.Size + column];
        out << ']';
    }
    out << ']';
}

void PrintJson(std::ostream& out, const Puzzle& puzzle)
{
    const Shape& shape = puzzle.Grid;
    out << "{\"variant\":\"" << puzzle.Variant->Name << "\",\"level\":\"" << TierName(puzzle.Level)
        << "\",\"seed\":" << puzzle.Seed << ",\"size\":" << shape.Size << ",\"box\":["
        << shape.BoxRows << ',' << shape.BoxColumns << "],\"grid\":";
    JsonRows(out, shape, puzzle.Givens);
    out << ",\"solution\":";
    JsonRows(out, shape, puzzle.Solution);
    if (!shape.Regions.empty()) {
        std::vector<int> numbers(shape.Regions);
        for (int& region : numbers)
            ++region;
        out << ",\"regions\":";
        JsonRows(out, shape, numbers);
    }
    out << ",\"diagonals\":" << (shape.Diagonals ? "true" : "false");
    if (!shape.Cages.empty()) {
        out << ",\"cages\":[";
        for (std::size_t c = 0; c < shape.Cages.size(); ++c) {
            out << (c ? "," : "") << "{\"cells\":[";
            for (std::size_t i = 0; i < shape.Cages[c].Cells.size(); ++i)
                out << (i ? "," : "") << '"' << CellName(shape, shape.Cages[c].Cells[i]) << '"';
            out << "],\"sum\":" << shape.Cages[c].Sum << '}';
        }
        out << ']';
    }
    out << "}\n";
}

/// One row of digits per line, a space between cells and a wider gap between boxes ('.' for
/// an open cell; 10-16 as A-G).
void PrintGrid(std::ostream& out, const Shape& shape, const std::vector<int>& values)
{
    for (int row = 0; row < shape.Size; ++row) {
        if (row > 0 && row % shape.BoxRows == 0 && shape.Regions.empty())
            out << '\n';
        for (int column = 0; column < shape.Size; ++column) {
            if (column > 0)
                out << (column % shape.BoxColumns == 0 && shape.Regions.empty() ? "  " : " ");
            out << DigitChar(values[row * shape.Size + column]);
        }
        out << '\n';
    }
}

void PrintText(std::ostream& out, const Puzzle& puzzle)
{
    const Shape& shape = puzzle.Grid;
    std::string level(TierName(puzzle.Level));
    out << puzzle.Variant->Name << " sudoku, " << level << " (seed " << puzzle.Seed << ")\n\n";
    PrintGrid(out, shape, puzzle.Givens);
    if (!shape.Regions.empty()) {
        out << "\nRegions:\n\n";
        std::vector<int> numbers(shape.Regions);
        for (int& region : numbers)
            ++region;
        PrintGrid(out, shape, numbers);
    }
    if (shape.Diagonals)
        out << "\nBoth main diagonals hold every digit once.\n";
    if (!shape.Cages.empty()) {
        out << "\nCages (sum: cells):\n";
        for (const Cage& cage : shape.Cages) {
            out << "  " << cage.Sum << ':';
            for (int cell : cage.Cells)
                out << ' ' << CellName(shape, cell);
            out << '\n';
        }
    }
    out << "\nSolution:\n\n";
    PrintGrid(out, shape, puzzle.Solution);
}

} // namespace

void RunVariantPuzzle(const std::string& variant, const std::string& level,
                      std::optional<std::uint64_t> seed, bool json, std::ostream& out)
{
    const VariantInfo* info = FindVariant(variant);
    if (!info)
        throw Error("there is no variant \"" + variant + "\"; the variants are " +
                    VariantNameList());
    Tier tier;
    if (!TierOfName(level, tier))
        throw Error("there is no level \"" + level + "\"; " + std::string(info->Name) +
                    " puzzles come at the levels " + info->TierList());
    if (!info->Offers(tier))
        throw Error(std::string(info->Name) + " puzzles come at the levels " + info->TierList() +
                    ", not " + level);
    if (!seed) {
        std::random_device device;
        seed =
            (std::uint64_t{device()} << 32 | device()) ^
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
    const Puzzle puzzle = Generate(*info, tier, *seed);
    if (json)
        PrintJson(out, puzzle);
    else
        PrintText(out, puzzle);
}

} // namespace gq::cli
