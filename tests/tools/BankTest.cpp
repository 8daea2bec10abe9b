// Re-checks every entry of the shipped bank (puzzle/bank/tk0.txt .. tk4.txt).
#include "tools/BankGenerator.h"
#include "tools/CanonicalForm.h"
#include "tools/Grader.h"
#include "tools/Solver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace gq::tools
{
namespace
{

struct Entry
{
    int List;
    int Line; // line number in the file, from 1
    std::string Text;
};

/// Reads a list the way the program embeds it: blank lines and '#' lines are skipped, and
/// surrounding blanks are stripped.
std::vector<Entry> ReadList(int list)
{
    const std::string path =
        std::string(GQ_SOURCE_DIR "/puzzle/bank/tk") + std::to_string(list) + ".txt";
    std::ifstream in(path);
    EXPECT_TRUE(in) << "cannot open " << path;
    std::vector<Entry> entries;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        const auto last = line.find_last_not_of(" \t\r");
        entries.push_back({list, number, line.substr(first, last - first + 1)});
    }
    return entries;
}

std::string Where(const Entry& e)
{
    return "tk" + std::to_string(e.List) + ".txt line " + std::to_string(e.Line);
}

TEST(BankTest, EveryEntryIsAValidGradedPuzzleAndNoneRepeats)
{
    const auto& lists = BankLists();
    std::map<std::string, std::string> forms; // canonical form -> where it was seen
    std::vector<std::string> failures;
    auto fail = [&](const Entry& e, const std::string& what) {
        failures.push_back(Where(e) + ": " + what);
    };
    for (int list = 0; list < 5; ++list) {
        const std::vector<Entry> entries = ReadList(list);
        EXPECT_EQ(entries.size(), 500u) << "tk" << list;
        for (const Entry& e : entries) {
            Grid puzzle{}, solution{};
            if (!ParseBankLine(e.Text, puzzle, solution)) {
                fail(e, "not 81 characters of 1-9 and A-I");
                continue;
            }
            Grid solved{};
            if (Solver::CountSolutions(puzzle, 2, &solved) != 1) {
                fail(e, "solution not unique");
                continue;
            }
            if (solved != solution)
                fail(e, "letters do not spell the solution");

            const int givens = CountGivens(puzzle);
            if (givens < lists[list].MinGivens || givens > lists[list].MaxGivens)
                fail(e, std::to_string(givens) + " givens");

            const GradeResult grade = Grader::Grade(puzzle, Technique::AIC, &solution);
            if (!Fits(lists[list], givens, grade))
                fail(e, "graded T" + std::to_string(grade.Tier) +
                            (grade.Solved ? "" : " (not solved)") +
                            (grade.Used(Technique::HiddenSingle) ? "" : " without hidden singles"));
            // Soundness of every technique used: no step removed a digit of the solution.
            if (grade.UnsoundSteps != 0)
                fail(e, std::to_string(grade.UnsoundSteps) + " unsound steps, first by " +
                            std::string(NameOf(grade.FirstUnsound)));

            const auto [at, inserted] = forms.emplace(CanonicalForm(puzzle), Where(e));
            if (!inserted)
                fail(e, "same puzzle as " + at->second);
        }
    }
    for (std::size_t i = 0; i < failures.size() && i < 20; ++i)
        ADD_FAILURE() << failures[i];
    EXPECT_TRUE(failures.empty()) << failures.size() << " bad entries";
}

} // namespace
} // namespace gq::tools
