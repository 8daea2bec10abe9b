#include "tools/BankGenerator.h"

#include "gq/Error.h"
#include "puzzle/BankFile.h"
#include "tools/CanonicalForm.h"
#include "tools/Rng.h"
#include "tools/Solver.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <stdexcept>
#include <thread>

namespace gq::tools
{

namespace
{

constexpr std::uint64_t kDenseStream = 0x5EED0000DE45E000ull;
constexpr std::uint64_t kMinimalStream = 0x5EED00003141A000ull;

Grid RandomFullGrid(Rng& rng)
{
    Grid empty{};
    Grid full{};
    Solver::RandomSolution(empty, rng, full);
    return full;
}

void Finish(Candidate& c)
{
    c.Givens = CountGivens(c.Puzzle);
    c.Grade = Grader::Grade(c.Puzzle);
}

/// Appends one table cell " text |".
void AddCell(std::string& md, std::string_view text)
{
    md += ' ';
    md += text;
    md += " |";
}

std::string Fixed(double value, int decimals)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return buf;
}

} // namespace

const std::array<ListRequirements, 5>& BankLists()
{
    static const std::array<ListRequirements, 5> lists = {{
        {"tk0", "Very Easy", 1, 41, 51, false, true},
        {"tk1", "Easy, Standard (\"Gentle\")", 1, 22, 32, true, false},
        {"tk2", "Hard (\"Moderate\")", 2, 22, 30, false, false},
        {"tk3", "Expert (\"Tough\")", 3, 22, 30, false, false},
        {"tk4", "Extreme (\"Diabolical\")", 4, 21, 30, false, false},
    }};
    return lists;
}

bool Fits(const ListRequirements& list, int givens, const GradeResult& grade)
{
    if (!grade.Solved || grade.Tier > list.Tier || givens < list.MinGivens ||
        givens > list.MaxGivens)
        return false;
    // Tier 0 (nothing to do) never happens for a puzzle with open cells; treat it as tier 1.
    if (std::max(grade.Tier, 1) != list.Tier)
        return false;
    return !list.NeedsHiddenSingle || grade.Used(Technique::HiddenSingle);
}

Candidate MakeMinimalCandidate(std::uint64_t seed)
{
    Rng rng(seed);
    Candidate c;
    c.Solution = RandomFullGrid(rng);
    c.Puzzle = c.Solution;
    std::array<int, 81> order;
    std::iota(order.begin(), order.end(), 0);
    rng.Shuffle(order.begin(), order.end());
    for (int cell : order) {
        const std::uint8_t keep = c.Puzzle[cell];
        c.Puzzle[cell] = 0;
        if (!Solver::IsUnique(c.Puzzle))
            c.Puzzle[cell] = keep;
    }
    Finish(c);
    return c;
}

Candidate MakeDenseCandidate(std::uint64_t seed)
{
    Rng rng(seed);
    Candidate c;
    c.Solution = RandomFullGrid(rng);
    c.Puzzle = c.Solution;
    const double u = rng.Unit();
    const int target = 41 + static_cast<int>(u * u * 11.0);
    std::array<int, 81> order;
    std::iota(order.begin(), order.end(), 0);
    rng.Shuffle(order.begin(), order.end());
    int givens = 81;
    for (int cell : order) {
        if (givens == target)
            break;
        const std::uint8_t keep = c.Puzzle[cell];
        c.Puzzle[cell] = 0;
        if (Solver::IsUnique(c.Puzzle))
            --givens;
        else
            c.Puzzle[cell] = keep;
    }
    Finish(c);
    return c;
}

BankGenerator::BankGenerator(GeneratorOptions options) : m_options(options)
{
    if (m_options.Threads < 1)
        m_options.Threads = 1;
    if (m_options.BatchSize < 1)
        m_options.BatchSize = 1;
}

bool BankGenerator::Full(int first, int last) const
{
    for (int i = first; i <= last; ++i)
        if (static_cast<int>(m_lists[i].size()) < m_options.PerList)
            return false;
    return true;
}

template <typename Make>
void BankGenerator::Stream(std::uint64_t streamSeed, Make make, int first, int last,
                           const std::function<void(const std::array<int, 5>&)>& progress)
{
    const std::uint64_t seed = Rng::Derive(m_options.Seed, streamSeed);
    std::uint64_t next = 0;
    std::vector<Candidate> batch(m_options.BatchSize);
    while (!Full(first, last)) {
        // Candidate i of the batch is made from seed Derive(seed, next + i), whatever thread
        // makes it, so the batch is the same for every thread count.
        const int threads = m_options.Threads;
        std::array<bool, 5> open{};
        for (int i = 0; i < 5; ++i)
            open[i] = static_cast<int>(m_lists[i].size()) < m_options.PerList;
        // A list full before the batch stays full, so only candidates that fit an open list
        // need their canonical form.
        auto wanted = [&](const Candidate& c) {
            for (int i = 0; i < 5; ++i)
                if (open[i] && Fits(BankLists()[i], c.Givens, c.Grade))
                    return true;
            return false;
        };
        // Each thread takes the next candidate not yet taken, so none waits while another
        // still has a long row of slow candidates.
        std::atomic<int> taken{0};
        std::vector<std::thread> pool;
        for (int w = 0; w < threads; ++w)
            pool.emplace_back([&] {
                for (int i; (i = taken++) < m_options.BatchSize;) {
                    batch[i] = make(Rng::Derive(seed, next + i));
                    if (wanted(batch[i]))
                        batch[i].Form = CanonicalForm(batch[i].Puzzle);
                }
            });
        for (auto& t : pool)
            t.join();
        next += m_options.BatchSize;
        for (auto& c : batch)
            Offer(std::move(c));
        if (progress) {
            std::array<int, 5> counts;
            for (int i = 0; i < 5; ++i)
                counts[i] = static_cast<int>(m_lists[i].size());
            progress(counts);
        }
    }
}

void BankGenerator::Run(const std::function<void(const std::array<int, 5>&)>& progress)
{
    Stream(kDenseStream, MakeDenseCandidate, 0, 0, progress);
    Stream(kMinimalStream, MakeMinimalCandidate, 1, 4, progress);
}

void BankGenerator::Offer(Candidate&& c)
{
    const bool dense = c.Givens > 40;
    if (dense)
        ++m_denseMade;
    else {
        ++m_minimalMade;
        ++m_poolGivens[c.Givens];
        if (!c.Grade.Solved)
            ++m_poolTiers[5];
        else if (c.Grade.Tier <= 1 && !c.Grade.Used(Technique::HiddenSingle))
            ++m_poolTiers[0];
        else
            ++m_poolTiers[c.Grade.Tier];
    }
    const auto& lists = BankLists();
    for (int i = 0; i < 5; ++i) {
        if (static_cast<int>(m_lists[i].size()) >= m_options.PerList ||
            !Fits(lists[i], c.Givens, c.Grade))
            continue;
        if (c.Form.empty())
            throw gq::InternalError("BankGenerator::Offer got a fitting candidate "
                                   "without its canonical form");
        if (!m_forms.insert(c.Form).second) {
            ++m_duplicates;
            return;
        }
        m_lists[i].push_back(std::move(c));
        return;
    }
}

std::string BankGenerator::ListText(int index) const
{
    std::string text;
    for (const Candidate& c : m_lists[index]) {
        text += MakeBankLine(c.Puzzle, c.Solution);
        text += '\n';
    }
    return text;
}

std::string BankGenerator::MeasureText(int index) const
{
    std::vector<GradeResult> grades;
    for (const Candidate& c : m_lists[index])
        grades.push_back(c.Grade);
    return MeasureFileText(BankLists()[index].Name, grades);
}

std::string MeasureFileText(std::string_view listName, const std::vector<GradeResult>& grades)
{
    std::string text = "# " + std::string(listName) +
                       ".txt line for line: order of the hardest technique, steps made with it, "
                       "all steps. Written by gq-bankgen.\n";
    for (const GradeResult& grade : grades) {
        text += DifficultyLine(grade);
        text += '\n';
    }
    return text;
}

std::vector<GradeResult> GradeListFile(const std::string& path, int threads)
{
    const std::vector<puzzle::BankFileLine> lines = puzzle::ReadBankFile(path);
    std::vector<GradeResult> grades(lines.size());
    std::vector<std::string> faults(lines.size());
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < std::max(1, threads); ++w)
        workers.emplace_back([&] {
            for (std::size_t i; (i = next++) < lines.size();) {
                Grid puzzle{}, solution{};
                try {
                    ParseBankLine(lines[i].Text, puzzle, solution);
                } catch (const Error& e) {
                    faults[i] = e.what();
                    continue;
                }
                grades[i] = Grader::Grade(puzzle);
                if (!grades[i].Solved)
                    faults[i] = "the grader's techniques cannot finish this puzzle";
            }
        });
    for (auto& worker : workers)
        worker.join();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!faults[i].empty())
            throw Error(path + ":" + std::to_string(lines[i].Number) + ": " + faults[i]);
    return grades;
}

std::string BankGenerator::DifficultySection() const
{
    const auto& lists = BankLists();
    std::string md = "\n## Difficulty measure\n\n";
    md += "Each entry also carries a finer measure from the same grading: the order of the "
          "hardest technique it needed (1.." +
          std::to_string(kTechniqueCount) +
          ", the table above), then the steps made with that technique, then all steps. Entries "
          "compare on these three in turn, so within a list a puzzle that needed its hardest "
          "technique more often, or a longer path, counts as harder. `puzzle/bank/tk0.measure` "
          ".. `tk4.measure` hold the measures line for line with the lists (\"14 2 31\": order "
          "14, 2 steps with it, 31 in all); the program packs each into one number. A step "
          "always removes at least one of the 729 candidates, so no count exceeds 729. The "
          "sections of a book put their puzzles in ascending order of the measure (equal ones "
          "by entry), so the puzzles of a section never fall in difficulty.\n\n";
    md += "To re-grade the lists as they stand and rewrite only the measure files:\n\n"
          "```\nbuild/tools/gq-bankgen --measure --root .\n```\n\n";
    md += "| list | easiest | median | hardest | steps min | mean | max |\n"
          "|---|---|---|---|---|---|---|\n";
    for (int i = 0; i < 5; ++i) {
        std::vector<std::pair<std::uint32_t, const GradeResult*>> sorted;
        long sum = 0;
        int lo = 1 << 30, hi = 0;
        for (const Candidate& c : m_lists[i]) {
            sorted.emplace_back(PackedDifficulty(c.Grade), &c.Grade);
            sum += c.Grade.TotalSteps();
            lo = std::min(lo, c.Grade.TotalSteps());
            hi = std::max(hi, c.Grade.TotalSteps());
        }
        if (sorted.empty())
            continue;
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        md += "|";
        AddCell(md, lists[i].Name);
        for (std::size_t at : {std::size_t{0}, sorted.size() / 2, sorted.size() - 1})
            AddCell(md, DifficultyLine(*sorted[at].second));
        AddCell(md, std::to_string(lo));
        AddCell(md, Fixed(static_cast<double>(sum) / static_cast<double>(sorted.size()), 1));
        AddCell(md, std::to_string(hi));
        md += "\n";
    }
    return md;
}

std::string BankGenerator::Report(std::string_view timing) const
{
    const auto& lists = BankLists();
    std::string md;
    md += "# Puzzle bank: grading and statistics\n\n";
    md += "This file is written by `gq-bankgen` together with `puzzle/bank/tk0.txt` .. "
          "`tk4.txt` and their difficulty measures `tk0.measure` .. `tk4.measure`; do not edit "
          "it by hand. Regenerate with (from the source folder, after a "
          "Release build):\n\n";
    md += "```\nbuild/tools/gq-bankgen --seed " + std::to_string(m_options.Seed) + " --per-list " +
          std::to_string(m_options.PerList) + " --root .\n```\n\n";
    md += "The output depends on the seed only (not on the number of threads).\n\n";
    if (!timing.empty()) {
        md += timing;
        md += "\n\n";
    }

    md += "## How puzzles are graded\n\n";
    md += "The grader solves a puzzle the way a person would, with logical techniques only: no "
          "guessing, no trial and error, no forcing chains or nets. At every step it applies the "
          "first technique of the list below that makes progress (places a digit or removes a "
          "candidate) and then starts again from the top, so a harder technique is used only "
          "when every easier one is stuck. A puzzle's grade is the highest tier it needed. A "
          "puzzle that these techniques cannot finish is not used.\n\n";
    md += "| order | technique | tier |\n|---|---|---|\n";
    for (int t = 0; t < kTechniqueCount; ++t)
        md += "| " + std::to_string(t + 1) + " | " + std::string(NameOf(Technique(t))) + " | T" +
              std::to_string(TierOf(Technique(t))) + " |\n";
    md += "\nTiers:\n\n"
          "- **T1** singles: full house, naked single, hidden single.\n"
          "- **T2** locked candidates (pointing, claiming), naked and hidden pairs and triples.\n"
          "- **T3** X-Wing, Swordfish, Jellyfish, naked and hidden quads, XY-Wing, XYZ-Wing, "
          "and the short single-digit patterns skyscraper and 2-string kite.\n"
          "- **T4** chains: W-Wing, X-chains (one digit; this covers simple colouring), "
          "XY-chains (bivalue cells) and alternating inference chains mixing both kinds of "
          "strong link. The shortest chain that removes something is applied; a chain never "
          "uses a candidate twice and is limited to " +
          std::to_string(kMaxChainLinks) + " links.\n\n";
    md += "The order follows common rating scales (fish and wings below chains) and is fixed: "
          "changing it changes the grades and calls for a new bank.\n\n";

    md += "## Lists\n\n";
    md += "| list | levels | grade | givens allowed | entries | givens min | mean | max |\n"
          "|---|---|---|---|---|---|---|---|\n";
    for (int i = 0; i < 5; ++i) {
        const auto& list = m_lists[i];
        int lo = 81, hi = 0;
        long sum = 0;
        for (const Candidate& c : list) {
            lo = std::min(lo, c.Givens);
            hi = std::max(hi, c.Givens);
            sum += c.Givens;
        }
        const double mean = list.empty() ? 0.0 : static_cast<double>(sum) / list.size();
        md += "| " + std::string(lists[i].Name) + " | " + std::string(lists[i].Levels) + " | T" +
              std::to_string(lists[i].Tier) +
              (lists[i].NeedsHiddenSingle ? " (needs hidden singles)" : "") + " | " +
              std::to_string(lists[i].MinGivens) + "-" + std::to_string(lists[i].MaxGivens) +
              " | " + std::to_string(list.size()) + " | " + std::to_string(list.empty() ? 0 : lo) +
              " | " + Fixed(mean, 1) + " | " + std::to_string(hi) + " |\n";
    }
    md += "\nNo two entries of the whole bank are the same puzzle under any Sudoku symmetry "
          "(band and stack exchanges, row exchanges inside bands, column exchanges inside "
          "stacks, transposition, digit relabelling); the check compares canonical forms.\n\n";

    md += "### Tier histogram per list\n\n| list | T1 | T2 | T3 | T4 |\n|---|---|---|---|---|\n";
    for (int i = 0; i < 5; ++i) {
        std::array<int, 5> tiers{};
        for (const Candidate& c : m_lists[i])
            ++tiers[std::clamp(c.Grade.Tier, 1, 4)];
        md += "|";
        AddCell(md, lists[i].Name);
        for (int t = 1; t <= 4; ++t)
            AddCell(md, std::to_string(tiers[t]));
        md += "\n";
    }

    md += "\n### Givens per list\n\n| givens |";
    std::array<std::array<int, 82>, 5> givens{};
    for (int i = 0; i < 5; ++i) {
        AddCell(md, lists[i].Name);
        for (const Candidate& c : m_lists[i])
            ++givens[i][c.Givens];
    }
    md += "\n|---|---|---|---|---|---|\n";
    for (int g = 0; g <= 81; ++g) {
        if (std::all_of(givens.begin(), givens.end(), [g](const auto& n) { return n[g] == 0; }))
            continue;
        md += "|";
        AddCell(md, std::to_string(g));
        for (int i = 0; i < 5; ++i)
            AddCell(md, std::to_string(givens[i][g]));
        md += "\n";
    }

    md += "\n### Techniques needed\n\nPuzzles of each list that needed a technique at least "
          "once (and, in brackets, the steps made with it over the whole list):\n\n";
    md += "| technique |";
    for (int i = 0; i < 5; ++i)
        AddCell(md, lists[i].Name);
    md += "\n|---|---|---|---|---|---|\n";
    for (int t = 0; t < kTechniqueCount; ++t) {
        md += "| " + std::string(NameOf(Technique(t))) + " |";
        for (int i = 0; i < 5; ++i) {
            long puzzles = 0, steps = 0;
            for (const Candidate& c : m_lists[i]) {
                puzzles += c.Grade.Steps[t] > 0;
                steps += c.Grade.Steps[t];
            }
            AddCell(md, std::to_string(puzzles) + " (" + std::to_string(steps) + ")");
        }
        md += "\n";
    }
    {
        int longest = 0;
        long sum = 0, n = 0;
        for (const Candidate& c : m_lists[4]) {
            longest = std::max(longest, c.Grade.LongestChain);
            if (c.Grade.LongestChain > 0) {
                sum += c.Grade.LongestChain;
                ++n;
            }
        }
        md += "\nIn tk4 the longest chain a puzzle needed has " + std::to_string(longest) +
              " links; over the puzzles that used chains its mean is " +
              Fixed(n ? static_cast<double>(sum) / n : 0.0, 1) + " links.\n";
    }

    md += DifficultySection();

    md += "\n## Candidate pool\n\n";
    md += "tk0 was filled from " + std::to_string(m_denseMade) +
          " puzzles with 41-51 givens; tk1..tk4 from " + std::to_string(m_minimalMade) +
          " random minimal puzzles (no given can be removed). " + std::to_string(m_duplicates) +
          " fitting candidates were dropped as duplicates. Grades of the minimal puzzles:\n\n";
    md += "| naked singles only | T1 with hidden singles | T2 | T3 | T4 | not solved by T1-T4 |\n"
          "|---|---|---|---|---|---|\n|";
    for (long n : m_poolTiers)
        AddCell(md, std::to_string(n) + " (" +
                        Fixed(m_minimalMade ? 100.0 * n / m_minimalMade : 0.0, 1) + "%)");
    md += "\n\nGivens of the minimal puzzles:\n\n| givens | puzzles |\n|---|---|\n";
    for (int g = 0; g <= 81; ++g)
        if (m_poolGivens[g] > 0)
            md += "| " + std::to_string(g) + " | " + std::to_string(m_poolGivens[g]) + " |\n";
    return md;
}

} // namespace gq::tools
