// Checks the explained steps over the shipped bank with a checker of its own that knows only the
// rules of Sudoku and each entry's solution: every placement is the solution's digit, no
// elimination removes the solution's digit or a candidate already gone, every single is a
// single in the state before it, and the steps in order reach the solution. Also checks that
// explaining grades each entry as the bank recorded it (its list's tier and hardest technique).
// By default a fixed sample (every 30th entry: 2,000 over the five lists); with GQ_FULL_SWEEP=1
// in the environment every entry of the bank.
#include "puzzle/BankFile.h"
#include "puzzle/BankLine.h"
#include "solve/Explain.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace gq::solve
{
namespace
{

constexpr int kListTier[5] = {1, 1, 2, 3, 4};

struct Entry
{
    int List = 0;
    int Line = 0;
    Grid Givens{};
    Grid Solution{};
    int HardestOrder = 0; // first field of the entry's measure line
    std::vector<std::string> Faults;
};

bool FullSweep()
{
    const char* value = std::getenv("GQ_FULL_SWEEP");
    return value && std::string(value) == "1";
}

std::vector<Entry> ReadSample(std::size_t stride)
{
    std::vector<Entry> entries;
    for (int list = 0; list < 5; ++list) {
        const std::string path =
            std::string(GQ_SOURCE_DIR "/puzzle/bank/tk") + std::to_string(list) + ".txt";
        const auto lines = puzzle::ReadBankFile(path);
        const auto measures = puzzle::ReadBankFile(path.substr(0, path.size() - 4) + ".measure");
        EXPECT_EQ(lines.size(), measures.size());
        for (std::size_t i = 0; i < lines.size() && i < measures.size(); i += stride) {
            const puzzle::BankEntry bank = puzzle::ParseBankLine(lines[i].Text);
            Entry e;
            e.List = list;
            e.Line = lines[i].Number;
            e.Solution = bank.Solution;
            for (int c = 0; c < 81; ++c)
                e.Givens[c] = bank.Given.test(c) ? bank.Solution[c] : 0;
            std::istringstream(measures[i].Text) >> e.HardestOrder;
            entries.push_back(std::move(e));
        }
    }
    return entries;
}

// ---- the test's own view of the rules --------------------------------------------------------

int RowOf(int c) { return c / 9; }
int ColOf(int c) { return c % 9; }
int BoxOf(int c) { return c / 27 * 3 + c % 9 / 3; }
bool Peers(int a, int b)
{
    return a != b && (RowOf(a) == RowOf(b) || ColOf(a) == ColOf(b) || BoxOf(a) == BoxOf(b));
}

/// The cells of "row 3", "column 5" or "box 4"; empty for anything else.
std::vector<int> UnitCells(const std::string& unit)
{
    std::vector<int> cells;
    const auto space = unit.find(' ');
    if (space == std::string::npos)
        return cells;
    const std::string kind = unit.substr(0, space);
    const int n = std::atoi(unit.c_str() + space + 1) - 1;
    for (int c = 0; c < 81; ++c)
        if ((kind == "row" && RowOf(c) == n) || (kind == "column" && ColOf(c) == n) ||
            (kind == "box" && BoxOf(c) == n))
            cells.push_back(c);
    return cells;
}

/// The state the replay rule gives: the grid and per cell the digits still possible.
struct State
{
    Grid Values{};
    std::array<std::array<bool, 10>, 81> Possible{};

    explicit State(const Grid& givens) : Values(givens)
    {
        for (int c = 0; c < 81; ++c)
            for (int d = 1; d <= 9; ++d) {
                bool free = givens[c] == 0;
                for (int p = 0; p < 81; ++p)
                    free = free && !(Peers(c, p) && givens[p] == d);
                Possible[c][d] = free;
            }
    }
};

void CheckSingle(const TStep& step, const State& s, std::vector<std::string>& faults)
{
    if (step.Place.size() != 1 || !step.Eliminate.empty()) {
        faults.push_back("a single that is not one placement");
        return;
    }
    const int cell = step.Place[0].Cell, digit = step.Place[0].Digit;
    if (s.Values[cell] != 0 || !s.Possible[cell][digit]) {
        faults.push_back(CellName(cell) + " = " + std::to_string(digit) + " was not possible");
        return;
    }
    const std::vector<int> unit = UnitCells(step.Unit);
    switch (step.Kind) {
    case Technique::FullHouse: {
        int open = 0;
        for (int c : unit)
            open += s.Values[c] == 0;
        if (open != 1 || std::find(unit.begin(), unit.end(), cell) == unit.end())
            faults.push_back("full house " + CellName(cell) + " with " + std::to_string(open) +
                             " open cells in '" + step.Unit + "'");
        break;
    }
    case Technique::NakedSingle:
        for (int d = 1; d <= 9; ++d)
            if (d != digit && s.Possible[cell][d])
                faults.push_back("naked single " + CellName(cell) + " also holds " +
                                 std::to_string(d));
        break;
    case Technique::HiddenSingle: {
        int places = 0;
        for (int c : unit)
            places += s.Values[c] == 0 && s.Possible[c][digit];
        if (places != 1 || std::find(unit.begin(), unit.end(), cell) == unit.end())
            faults.push_back("hidden single " + CellName(cell) + " with " + std::to_string(places) +
                             " places in '" + step.Unit + "'");
        break;
    }
    default:
        faults.push_back("a placement by " + std::string(NameOf(step.Kind)));
    }
}

void Check(Entry& e)
{
    const TExplanation x = Explain(e.Givens);
    auto& faults = e.Faults;
    State s(e.Givens);
    Grid libGrid = e.Givens;
    Candidates libCandidates = StartingCandidates(e.Givens);
    for (const TStep& step : x.Steps) {
        if (step.Text.empty())
            faults.push_back("a step without a sentence");
        if (TierOf(step.Kind) == 1)
            CheckSingle(step, s, faults);
        else if (!step.Place.empty() || step.Eliminate.empty())
            faults.push_back(std::string(NameOf(step.Kind)) + " without eliminations only");
        for (const TCellDigit& p : step.Place) {
            if (e.Solution[p.Cell] != p.Digit)
                faults.push_back("placed " + std::to_string(p.Digit) + " at " + CellName(p.Cell));
            s.Values[p.Cell] = static_cast<std::uint8_t>(p.Digit);
            s.Possible[p.Cell].fill(false);
            for (int c = 0; c < 81; ++c)
                if (Peers(c, p.Cell))
                    s.Possible[c][p.Digit] = false;
        }
        for (const TCellDigit& r : step.Eliminate) {
            if (e.Solution[r.Cell] == r.Digit)
                faults.push_back(std::string(NameOf(step.Kind)) + " removed the solution's " +
                                 std::to_string(r.Digit) + " from " + CellName(r.Cell));
            if (!s.Possible[r.Cell][r.Digit])
                faults.push_back(std::string(NameOf(step.Kind)) + " removed " +
                                 std::to_string(r.Digit) + " from " + CellName(r.Cell) +
                                 " where it was gone");
            s.Possible[r.Cell][r.Digit] = false;
        }
        Apply(step, libGrid, libCandidates);
        if (!faults.empty())
            return;
    }
    if (s.Values != e.Solution || !x.Solved)
        faults.push_back("the steps do not reach the solution");
    // The library's replay agrees with the test's.
    if (libGrid != s.Values)
        faults.push_back("Apply fills other cells than the replay rule");
    for (int c = 0; c < 81; ++c)
        for (int d = 1; d <= 9; ++d)
            if (((libCandidates[c] >> d) & 1) != s.Possible[c][d]) {
                faults.push_back("Apply leaves other candidates than the replay rule");
                return;
            }
    // Graded as the bank recorded it.
    if (x.Tier != kListTier[e.List] || !x.Hardest ||
        static_cast<int>(*x.Hardest) + 1 != e.HardestOrder)
        faults.push_back("explained as tier " + std::to_string(x.Tier) + ", hardest order " +
                         std::to_string(x.Hardest ? static_cast<int>(*x.Hardest) + 1 : 0) +
                         "; the bank records order " + std::to_string(e.HardestOrder));
}

TEST(SoundnessTest, EveryStepFollowsFromTheRulesAndTheBankGradesAgree)
{
    std::vector<Entry> entries = ReadSample(FullSweep() ? 1 : 30);
    ASSERT_GE(entries.size(), FullSweep() ? 60000u : 2000u);
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (unsigned w = 0; w < std::max(1u, std::thread::hardware_concurrency()); ++w)
        workers.emplace_back([&] {
            for (std::size_t i; (i = next++) < entries.size();)
                Check(entries[i]);
        });
    for (auto& worker : workers)
        worker.join();
    int bad = 0;
    for (const Entry& e : entries)
        if (!e.Faults.empty() && ++bad <= 20)
            ADD_FAILURE() << "tk" << e.List << ".txt line " << e.Line << ": " << e.Faults[0];
    EXPECT_EQ(bad, 0) << "of " << entries.size() << " entries";
}

} // namespace
} // namespace gq::solve
