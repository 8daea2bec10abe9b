#include "solve/Sentences.h"

#include <algorithm>

namespace gq::solve
{

namespace
{

std::string Join(const std::vector<std::string>& parts, const char* separator = ", ")
{
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i ? separator : "") + parts[i];
    return text;
}

std::string Cells(const std::vector<int>& cells)
{
    std::vector<std::string> names;
    for (int c : cells)
        names.push_back(CellName(c));
    return Join(names);
}

std::string DigitSet(const std::vector<int>& digits)
{
    std::vector<std::string> parts;
    for (int d : digits)
        parts.push_back(std::to_string(d));
    return "{" + Join(parts, ",") + "}";
}

std::string MaskSet(std::uint16_t mask)
{
    std::vector<int> digits;
    for (int d = 1; d <= 9; ++d)
        if (mask & (1u << (d - 1)))
            digits.push_back(d);
    return DigitSet(digits);
}

/// "r1c5 {1,3}": a cell of the pattern with its candidates at the time.
std::string CellWithSet(const TStep& step, const TPattern& pattern, std::size_t i)
{
    return CellName(step.Cells.at(i)) + " " + MaskSet(pattern.Masks.at(i));
}

std::string Capital(std::string text)
{
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

/// "rows 1, 5" or "columns 2, 8, 9" for lines of one kind.
std::string Lines(const std::vector<int>& units)
{
    std::vector<std::string> numbers;
    for (int u : units)
        numbers.push_back(std::to_string(u % 9 + 1));
    return std::string(!units.empty() && units[0] < 9 ? "rows " : "columns ") + Join(numbers);
}

/// The eliminations as "r5c1 -7, r6c3 -2 -7" (each cell once, in the order found).
std::string Removed(const TStep& step)
{
    std::vector<int> order;
    for (const TCellDigit& e : step.Eliminate)
        if (std::find(order.begin(), order.end(), e.Cell) == order.end())
            order.push_back(e.Cell);
    std::vector<std::string> parts;
    for (int cell : order) {
        std::string part = CellName(cell);
        for (const TCellDigit& e : step.Eliminate)
            if (e.Cell == cell)
                part += " -" + std::to_string(e.Digit);
        parts.push_back(part);
    }
    return Join(parts);
}

std::string Digit(const TStep& step)
{
    return step.Digits.empty() ? "?" : std::to_string(step.Digits[0]);
}

/// "(7)r1c1 = (7)r1c5 - (2)r1c5": strong links "=", weak links "-".
std::string ChainText(const std::vector<int>& chain)
{
    std::string text;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        if (i)
            text += i % 2 ? " = " : " - ";
        text += "(" + std::to_string(chain[i] % 9 + 1) + ")" + CellName(chain[i] / 9);
    }
    return text;
}

std::string Candidate(int node)
{
    return CellName(node / 9) + " is " + std::to_string(node % 9 + 1);
}

std::string ChainSentence(const TStep& step, const TPattern& pattern)
{
    const std::vector<int>& chain = pattern.Chain;
    if (chain.size() < 2)
        return "A chain removes " + Removed(step);
    if (chain.front() == chain.back())
        return "The chain " + ChainText(chain) + " shows that " + Candidate(chain.front()) +
               ", so its other candidates go: " + Removed(step);
    return "The chain " + ChainText(chain) + " shows that " + Candidate(chain.front()) + " or " +
           Candidate(chain.back()) + ", so candidates that see both go: " + Removed(step);
}

} // namespace

std::string UnitName(int unit)
{
    static const char* const kinds[] = {"row ", "column ", "box "};
    return kinds[unit / 9] + std::to_string(unit % 9 + 1);
}

std::string Sentence(const TStep& step, const TPattern& pattern)
{
    const std::string unit = pattern.Unit >= 0 ? UnitName(pattern.Unit) : "";
    const std::string other = pattern.Other >= 0 ? UnitName(pattern.Other) : "";
    const std::string removed = Removed(step);
    switch (step.Kind) {
    case Technique::FullHouse:
        return Capital(unit) + " has one open cell left: " + CellName(step.Place.at(0).Cell) +
               " takes " + std::to_string(step.Place.at(0).Digit);
    case Technique::NakedSingle:
        return CellName(step.Place.at(0).Cell) + " can only hold " +
               std::to_string(step.Place.at(0).Digit);
    case Technique::HiddenSingle:
        return Capital(unit) + " has one place left for " + std::to_string(step.Place.at(0).Digit) +
               ": " + CellName(step.Place.at(0).Cell);
    case Technique::Pointing:
    case Technique::Claiming:
        return "In " + unit + ", " + Digit(step) + " fits only in " + other + " (" +
               Cells(step.Cells) + "), so " + Digit(step) + " goes from the rest of " + other +
               ": " + removed;
    case Technique::NakedPair:
    case Technique::NakedTriple:
    case Technique::NakedQuad:
        return "In " + unit + ", " + Cells(step.Cells) + " hold only " + DigitSet(step.Digits) +
               " between them, so these digits go from the other cells of " + unit + ": " + removed;
    case Technique::HiddenPair:
    case Technique::HiddenTriple:
    case Technique::HiddenQuad:
        return "In " + unit + ", " + DigitSet(step.Digits) + " fit only in " + Cells(step.Cells) +
               ", so these cells keep only " + DigitSet(step.Digits) + ": " + removed;
    case Technique::XWing:
    case Technique::Swordfish:
    case Technique::Jellyfish:
        return "In " + Lines(pattern.Bases) + ", " + Digit(step) + " fits only in " +
               Lines(pattern.Covers) + " (" + Cells(step.Cells) + "), so " + Digit(step) +
               " goes from the other cells of these " +
               (pattern.Covers.at(0) < 9 ? "rows" : "columns") + ": " + removed;
    case Technique::Skyscraper:
        // Cells: the two ends in one cross line, then the two free ends.
        return Capital(UnitName(pattern.Bases.at(0))) + " and " + UnitName(pattern.Bases.at(1)) +
               " hold " + Digit(step) + " in two cells each, and " + CellName(step.Cells.at(0)) +
               ", " + CellName(step.Cells.at(2)) + " are in one line, so " +
               CellName(step.Cells.at(1)) + " or " + CellName(step.Cells.at(3)) + " is " +
               Digit(step) + " and cells that see both lose it: " + removed;
    case Technique::TwoStringKite:
        return Capital(UnitName(pattern.Bases.at(0))) + " and " + UnitName(pattern.Bases.at(1)) +
               " hold " + Digit(step) + " in two cells each; " + CellName(step.Cells.at(1)) +
               " and " + CellName(step.Cells.at(2)) + " share " + other + ", so " +
               CellName(step.Cells.at(0)) + " or " + CellName(step.Cells.at(3)) + " is " +
               Digit(step) + " and cells that see both lose it: " + removed;
    case Technique::XYWing:
        return CellWithSet(step, pattern, 0) + " sees " + CellWithSet(step, pattern, 1) + " and " +
               CellWithSet(step, pattern, 2) + ": whichever digit " + CellName(step.Cells.at(0)) +
               " holds, one of the two wings is " + Digit(step) +
               ", so cells that see both wings lose " + Digit(step) + ": " + removed;
    case Technique::XYZWing:
        return CellWithSet(step, pattern, 0) + " sees " + CellWithSet(step, pattern, 1) + " and " +
               CellWithSet(step, pattern, 2) + ": one of the three is " + Digit(step) +
               ", so cells that see all three lose " + Digit(step) + ": " + removed;
    case Technique::WWing: {
        const int lost = step.Eliminate.empty() ? 0 : step.Eliminate[0].Digit;
        const int linked = step.Digits.size() == 2 ? step.Digits[0] + step.Digits[1] - lost : 0;
        return CellName(step.Cells.at(0)) + " and " + CellName(step.Cells.at(1)) +
               " both hold only " + DigitSet(step.Digits) + "; in " + unit + ", " +
               std::to_string(linked) + " fits only in " + CellName(step.Cells.at(2)) + " and " +
               CellName(step.Cells.at(3)) + ", which see them, so one of the pair is " +
               std::to_string(lost) + " and cells that see both lose it: " + removed;
    }
    case Technique::XChain:
    case Technique::XYChain:
    case Technique::AIC:
        return ChainSentence(step, pattern);
    }
    return removed;
}

} // namespace gq::solve
