// Re-checks the shipped bank (puzzle/bank/tk0.txt .. tk4.txt, with the difficulty measures
// tk0.measure .. tk4.measure and the measures packed into the program). Built twice:
// tools_BankTest checks every entry, tools_BankSampleTest (for the sanitizer pass) every
// GQ_BANK_STRIDE-th.
#include "gq/Error.h"
#include "puzzle/BankFile.h"
#include "puzzle/PuzzleBank.h"
#include "tools/BankGenerator.h"
#include "tools/CanonicalForm.h"
#include "tools/Grader.h"
#include "tools/Solver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#ifndef GQ_BANK_STRIDE
#define GQ_BANK_STRIDE 1
#define GQ_BANK_SUITE BankTest
#else
#define GQ_BANK_SUITE BankSampleTest
#endif

namespace gq::tools
{
namespace
{

/// The fewest entries a list may hold.
constexpr std::size_t kMinEntries = 10000;

struct Entry
{
    int List;
    int Index; // place in the list, from 0
    int Line;  // line number in the file, from 1
    std::string Text;
    std::string Measure; // the measure file's line for the entry
    std::vector<std::string> Faults;
    std::string Form;
};

std::vector<Entry> ReadList(int list)
{
    std::vector<Entry> entries;
    const std::string path =
        std::string(GQ_SOURCE_DIR "/puzzle/bank/tk") + std::to_string(list) + ".txt";
    for (puzzle::BankFileLine& line : puzzle::ReadBankFile(path))
        entries.push_back({list, static_cast<int>(entries.size()), line.Number,
                           std::move(line.Text), {}, {}, {}});
    const std::vector<puzzle::BankFileLine> measures =
        puzzle::ReadBankFile(path.substr(0, path.size() - 4) + ".measure");
    EXPECT_EQ(measures.size(), entries.size()) << "tk" << list << ".measure";
    for (std::size_t i = 0; i < entries.size() && i < measures.size(); ++i)
        entries[i].Measure = measures[i].Text;
    return entries;
}

std::string Where(const Entry& e)
{
    return "tk" + std::to_string(e.List) + ".txt line " + std::to_string(e.Line);
}

/// Checks one entry on its own: format, unique solution spelt by its letters, givens and grade
/// of its list, sound grading steps. Sets its canonical form.
void Check(Entry& e)
{
    const ListRequirements& wanted = BankLists()[e.List];
    Grid puzzle{}, solution{};
    try {
        ParseBankLine(e.Text, puzzle, solution);
    } catch (const Error& error) {
        e.Faults.push_back(error.what());
        return;
    }
    Grid solved{};
    if (Solver::CountSolutions(puzzle, 2, &solved) != 1) {
        e.Faults.push_back("solution not unique");
        return;
    }
    if (solved != solution)
        e.Faults.push_back("letters do not spell the solution");

    const int givens = CountGivens(puzzle);
    if (givens < wanted.MinGivens || givens > wanted.MaxGivens)
        e.Faults.push_back(std::to_string(givens) + " givens");

    const GradeResult grade = Grader::Grade(puzzle, Technique::AIC, &solution);
    if (!Fits(wanted, givens, grade))
        e.Faults.push_back("graded T" + std::to_string(grade.Tier) +
                           (grade.Solved ? "" : " (not solved)") +
                           (grade.Used(Technique::HiddenSingle) ? "" : " without hidden singles"));
    // The recorded difficulty measure is the grader's, in the file and in the program, and its
    // hardest technique lies in the list's tier.
    if (DifficultyLine(grade) != e.Measure)
        e.Faults.push_back("measure \"" + e.Measure + "\" recorded, \"" + DifficultyLine(grade) +
                           "\" graded");
    if (puzzle::TPuzzleBank::BuiltIn().Difficulty(e.List, e.Index) != PackedDifficulty(grade))
        e.Faults.push_back("the program's packed measure differs from the grader's");
    if (grade.HardestOrder() == 0 || TierOf(Technique(grade.HardestOrder() - 1)) != wanted.Tier)
        e.Faults.push_back("hardest technique order " + std::to_string(grade.HardestOrder()) +
                           " outside tier " + std::to_string(wanted.Tier));
    // Soundness of every technique used: no step removed a digit of the solution.
    if (grade.UnsoundSteps != 0)
        e.Faults.push_back(std::to_string(grade.UnsoundSteps) + " unsound steps, first by " +
                           std::string(NameOf(grade.FirstUnsound)));
    e.Form = CanonicalForm(puzzle);
}

TEST(GQ_BANK_SUITE, EveryEntryIsAValidGradedPuzzleAndNoneRepeatsUnderAnySymmetry)
{
    std::vector<Entry> entries;
    for (int list = 0; list < 5; ++list) {
        std::vector<Entry> all = ReadList(list);
        EXPECT_GE(all.size(), kMinEntries) << "tk" << list;
        for (std::size_t i = 0; i < all.size(); i += GQ_BANK_STRIDE)
            entries.push_back(std::move(all[i]));
    }

    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (unsigned w = 0; w < std::max(1u, std::thread::hardware_concurrency()); ++w)
        workers.emplace_back([&] {
            for (std::size_t i; (i = next++) < entries.size();)
                Check(entries[i]);
        });
    for (auto& worker : workers)
        worker.join();

    std::unordered_map<std::string, const Entry*> forms;
    std::vector<std::string> failures;
    for (const Entry& e : entries) {
        for (const std::string& fault : e.Faults)
            failures.push_back(Where(e) + ": " + fault);
        if (e.Form.empty())
            continue;
        const auto [at, inserted] = forms.emplace(e.Form, &e);
        if (!inserted)
            failures.push_back(Where(e) + ": same puzzle as " + Where(*at->second));
    }
    for (std::size_t i = 0; i < failures.size() && i < 20; ++i)
        ADD_FAILURE() << failures[i];
    EXPECT_TRUE(failures.empty()) << failures.size() << " bad entries";
}

} // namespace
} // namespace gq::tools
