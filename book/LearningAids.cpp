#include "book/LearningAids.h"

#include "book/BookLayout.h"
#include "puzzle/PuzzleBatch.h"

#include <algorithm>

namespace gq::book
{

solve::Grid PrintedGrid(std::string_view puzzleString)
{
    solve::Grid grid{};
    for (int r = 1; r <= 9; ++r)
        for (int c = 1; c <= 9; ++c) {
            const auto at = static_cast<std::size_t>((c - 1) * 9 + r - 1);
            const char ch = at < puzzleString.size() ? puzzleString[at] : '0';
            grid[static_cast<std::size_t>((r - 1) * 9 + c - 1)] =
                ch >= '1' && ch <= '9' ? static_cast<std::uint8_t>(ch - '0') : 0;
        }
    return grid;
}

std::vector<int> WorkedPuzzles(const TBookPlan& plan, int worked)
{
    std::vector<int> numbers;
    if (plan.Sectioned) {
        for (const TSectionPlan& section : plan.Sections)
            if (static_cast<int>(numbers.size()) < worked)
                numbers.push_back(section.FirstPuzzle);
        return numbers;
    }
    for (int n = 1; n <= std::min(worked, plan.Puzzles()); ++n)
        numbers.push_back(n);
    return numbers;
}

TLearningAids ExplainBook(const TBookSettings& settings, const TBookPlan& plan,
                          const puzzle::TPuzzleBatch& batch)
{
    TLearningAids aids;
    const int puzzles = std::min(plan.Puzzles(), puzzle::TPuzzleBatch::kCapacity);
    aids.Explanations.resize(static_cast<std::size_t>(puzzles) + 1);
    aids.Worked = WorkedPuzzles(plan, settings.WorkedSolutions);
    auto explain = [&](int n) {
        aids.Explanations[static_cast<std::size_t>(n)] =
            solve::Explain(PrintedGrid(batch.Puzzles[static_cast<std::size_t>(n)]));
    };
    if (settings.Hints || settings.AnswerNotes) {
        for (int n = 1; n <= puzzles; ++n)
            explain(n);
    } else {
        for (const int n : aids.Worked)
            explain(n);
    }
    return aids;
}

namespace
{

/// "a" or "an" before a technique's name as it is said ("an X-Wing", "an AIC").
std::string WithArticle(std::string_view name)
{
    const bool vowel =
        !name.empty() && std::string_view("AEIOUX").find(name[0]) != std::string_view::npos;
    return (vowel ? "an " : "a ") + std::string(name);
}

std::string Plural(std::size_t count, std::string_view word)
{
    return std::to_string(count) + " " + std::string(word) + (count == 1 ? "" : "s");
}

} // namespace

std::string HintLine(int number, const solve::TExplanation& explanation)
{
    const std::string head = "#" + std::to_string(number) + ": ";
    const auto step = std::ranges::find_if(
        explanation.Steps, [](const solve::TStep& s) { return solve::TierOf(s.Kind) > 1; });
    if (step == explanation.Steps.end())
        return head +
               (explanation.Solved ? "singles only" : "singles, then no technique of this book");
    // Where to look: the step's unit, else the cells its pattern is made of (a fish, a wing,
    // a chain), the first few of them.
    std::string line = head + WithArticle(solve::NameOf(step->Kind));
    if (!step->Unit.empty()) {
        line += " in " + step->Unit;
    } else if (!step->Cells.empty()) {
        constexpr std::size_t kNamed = 4;
        line += " on ";
        for (std::size_t i = 0; i < std::min(kNamed, step->Cells.size()); ++i)
            line += (i == 0 ? "" : ", ") + solve::CellName(step->Cells[i]);
        if (step->Cells.size() > kNamed)
            line += " and " + Plural(step->Cells.size() - kNamed, "more cell");
    }
    // What it does: every step past the singles removes candidates; its first removal is named.
    if (!step->Eliminate.empty()) {
        const solve::TCellDigit& first = step->Eliminate.front();
        line += " removes " + std::to_string(first.Digit) + " from " + solve::CellName(first.Cell);
        if (step->Eliminate.size() > 1)
            line += " (and " + std::to_string(step->Eliminate.size() - 1) + " more)";
    } else if (!step->Place.empty()) {
        const solve::TCellDigit& first = step->Place.front();
        line += " places " + std::to_string(first.Digit) + " at " + solve::CellName(first.Cell);
    }
    return line;
}

std::string AnswerNote(const solve::TExplanation& explanation)
{
    if (!explanation.Hardest)
        return {};
    std::string note = "Hardest: " + std::string(solve::NameOf(*explanation.Hardest));
    if (!explanation.Solved)
        note += ", then beyond this book";
    return note;
}

std::string StepSentence(int index, const solve::TStep& step)
{
    return std::to_string(index + 1) + ". " + step.Text;
}

} // namespace gq::book
