#include "ExplainCommand.h"

#include "solve/Solver.h"

#include <nlohmann/json.hpp>

namespace gq::cli
{

namespace
{

/// The first clash of two equal givens in a row, column or box, as "two 5s in row 1 (r1c2,
/// r1c7)"; empty when the givens keep the rules.
std::string FirstClash(const solve::Grid& givens)
{
    static const char* const kinds[] = {"row", "column", "box"};
    for (int a = 0; a < 81; ++a)
        for (int b = a + 1; b < 81; ++b) {
            if (givens[a] == 0 || givens[a] != givens[b])
                continue;
            const int unitsA[3] = {a / 9, a % 9, a / 27 * 3 + a % 9 / 3};
            const int unitsB[3] = {b / 9, b % 9, b / 27 * 3 + b % 9 / 3};
            for (int k = 0; k < 3; ++k)
                if (unitsA[k] == unitsB[k])
                    return "two " + std::to_string(givens[a]) + "s in " + kinds[k] + " " +
                           std::to_string(unitsA[k] + 1) + " (" + solve::CellName(a) + ", " +
                           solve::CellName(b) + ")";
        }
    return {};
}

nlohmann::json CellDigits(const std::vector<solve::TCellDigit>& list)
{
    nlohmann::json array = nlohmann::json::array();
    for (const solve::TCellDigit& cd : list)
        array.push_back({{"cell", solve::CellName(cd.Cell)}, {"digit", cd.Digit}});
    return array;
}

} // namespace

std::optional<std::string> GridFault(std::string_view text, solve::Grid& givens)
{
    if (text.size() != 81)
        return "--grid must be 81 digits or dots, one per cell row by row; it has " +
               std::to_string(text.size()) + " characters";
    for (std::size_t i = 0; i < 81; ++i) {
        const char c = text[i];
        if (c >= '1' && c <= '9')
            givens[i] = static_cast<std::uint8_t>(c - '0');
        else if (c == '0' || c == '.')
            givens[i] = 0;
        else
            return "--grid holds '" + std::string(1, c) + "' for " +
                   solve::CellName(static_cast<int>(i)) +
                   "; only digits 1-9 and 0 or . are allowed";
    }
    if (const std::string clash = FirstClash(givens); !clash.empty())
        return "--grid breaks the rules: " + clash;
    const int solutions = solve::Solver::CountSolutions(givens, 2);
    if (solutions == 0)
        return "--grid has no solution";
    if (solutions > 1)
        return "--grid has more than one solution";
    return std::nullopt;
}

int PrintExplanation(const solve::Grid& givens, bool json, std::ostream& out, std::ostream& err)
{
    const solve::TExplanation explanation = solve::Explain(givens);
    if (json) {
        nlohmann::json steps = nlohmann::json::array();
        for (const solve::TStep& step : explanation.Steps) {
            nlohmann::json cells = nlohmann::json::array();
            for (int c : step.Cells)
                cells.push_back(solve::CellName(c));
            steps.push_back({{"technique", solve::KeyOf(step.Kind)},
                             {"unit", step.Unit},
                             {"cells", cells},
                             {"digits", step.Digits},
                             {"place", CellDigits(step.Place)},
                             {"eliminate", CellDigits(step.Eliminate)},
                             {"text", step.Text}});
        }
        out << steps.dump(1) << '\n';
    } else {
        out << '\n';
        for (std::size_t i = 0; i < explanation.Steps.size(); ++i)
            out << i + 1 << ". " << solve::Summary(explanation.Steps[i]) << '\n';
    }
    if (explanation.Solved)
        return 0;
    (json ? err : out) << "no logical step left\n";
    return 1;
}

} // namespace gq::cli
