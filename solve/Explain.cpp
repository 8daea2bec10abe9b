#include "solve/Explain.h"

#include "solve/Engine.h"
#include "solve/Geometry.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace gq::solve
{

namespace
{

struct TechniqueInfo
{
    std::string_view Name;
    std::string_view Key;
    int Tier;
};

constexpr std::array<TechniqueInfo, kTechniqueCount> kInfo = {{
    {"Full House", "full-house", 1},
    {"Naked Single", "naked-single", 1},
    {"Hidden Single", "hidden-single", 1},
    {"Pointing", "pointing", 2},
    {"Claiming", "claiming", 2},
    {"Naked Pair", "naked-pair", 2},
    {"Hidden Pair", "hidden-pair", 2},
    {"Naked Triple", "naked-triple", 2},
    {"Hidden Triple", "hidden-triple", 2},
    {"X-Wing", "x-wing", 3},
    {"Skyscraper", "skyscraper", 3},
    {"2-String Kite", "2-string-kite", 3},
    {"Swordfish", "swordfish", 3},
    {"XY-Wing", "xy-wing", 3},
    {"XYZ-Wing", "xyz-wing", 3},
    {"Naked Quad", "naked-quad", 3},
    {"Jellyfish", "jellyfish", 3},
    {"Hidden Quad", "hidden-quad", 3},
    {"W-Wing", "w-wing", 4},
    {"X-Chain", "x-chain", 4},
    {"XY-Chain", "xy-chain", 4},
    {"Alternating Inference Chain", "alternating-inference-chain", 4},
}};

const TechniqueInfo& Info(Technique t) { return kInfo.at(static_cast<std::size_t>(t)); }

} // namespace

int TierOf(Technique t) { return Info(t).Tier; }

std::string_view NameOf(Technique t) { return Info(t).Name; }

std::string_view KeyOf(Technique t) { return Info(t).Key; }

std::optional<Technique> TechniqueFromKey(std::string_view key)
{
    for (int t = 0; t < kTechniqueCount; ++t)
        if (kInfo[t].Key == key)
            return static_cast<Technique>(t);
    return std::nullopt;
}

std::string CellName(int cell)
{
    if (cell < 0 || cell > 80)
        throw std::out_of_range("cell index " + std::to_string(cell) + " outside 0..80");
    return "r" + std::to_string(cell / 9 + 1) + "c" + std::to_string(cell % 9 + 1);
}

std::string Summary(const TStep& step)
{
    std::string line;
    for (const TCellDigit& p : step.Place)
        line += (line.empty() ? "" : ", ") + CellName(p.Cell) + " = " + std::to_string(p.Digit);
    // Eliminations grouped by digit, digits ascending, cells in the order found.
    for (int d = 1; d <= 9; ++d) {
        std::string cells;
        for (const TCellDigit& e : step.Eliminate)
            if (e.Digit == d)
                cells += (cells.empty() ? "" : ", ") + CellName(e.Cell);
        if (!cells.empty())
            line += (line.empty() ? "" : "; ") + cells + " -" + std::to_string(d);
    }
    std::string name(NameOf(step.Kind));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    line += "  " + name;
    if (step.Place.empty() && !step.Digits.empty()) {
        line += " {";
        for (std::size_t i = 0; i < step.Digits.size(); ++i)
            line += (i ? "," : "") + std::to_string(step.Digits[i]);
        line += "}";
    }
    if (!step.Unit.empty())
        line += " (" + step.Unit + ")";
    return line;
}

TExplanation Explain(const Grid& givens)
{
    TExplanation explanation;
    const GradeResult grade = RunTechniques(givens, Technique::AIC, nullptr, &explanation.Steps);
    explanation.Solved = grade.Solved;
    explanation.Tier = grade.Tier;
    if (grade.TotalSteps() > 0)
        explanation.Hardest = grade.Hardest;
    return explanation;
}

Candidates StartingCandidates(const Grid& givens)
{
    Candidates candidates{};
    for (int cell = 0; cell < 81; ++cell) {
        if (givens[cell] != 0)
            continue;
        std::uint16_t mask = 0x3FE; // digits 1..9 at bits 1..9
        for (std::uint8_t peer : Tables().Peers[cell])
            if (givens[peer] >= 1 && givens[peer] <= 9)
                mask &= static_cast<std::uint16_t>(~(1u << givens[peer]));
        candidates[cell] = mask;
    }
    return candidates;
}

void Apply(const TStep& step, Grid& grid, Candidates& candidates)
{
    for (const TCellDigit& p : step.Place) {
        grid.at(static_cast<std::size_t>(p.Cell)) = static_cast<std::uint8_t>(p.Digit);
        candidates[p.Cell] = 0;
        for (std::uint8_t peer : Tables().Peers[p.Cell])
            candidates[peer] &= static_cast<std::uint16_t>(~(1u << p.Digit));
    }
    for (const TCellDigit& e : step.Eliminate)
        candidates.at(static_cast<std::size_t>(e.Cell)) &=
            static_cast<std::uint16_t>(~(1u << e.Digit));
}

} // namespace gq::solve
