#pragma once

#include "tools/Grader.h"
#include "tools/GridTables.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace gq::tools
{

/// What one bank list accepts.
struct ListRequirements
{
    std::string_view Name;   ///< "tk0" .. "tk4"
    std::string_view Levels; ///< level names that draw from the list
    int Tier;                ///< required grade
    int MinGivens;
    int MaxGivens;
    bool NeedsHiddenSingle; ///< tier 1 that naked singles alone cannot finish
    bool Dense;             ///< made by removing givens down to a target count, not to minimal
};

/// The five lists in order tk0..tk4.
const std::array<ListRequirements, 5>& BankLists();

/// True when a puzzle with `givens` givens and grade `grade` belongs in `list`.
bool Fits(const ListRequirements& list, int givens, const GradeResult& grade);

/// One generated puzzle with its solution and grade.
struct Candidate
{
    Grid Puzzle{};
    Grid Solution{};
    GradeResult Grade;
    int Givens = 0;
    std::string Form; ///< canonical form, set by the generator once the puzzle fits a list
};

/// A random minimal puzzle (no given can be removed without losing uniqueness), graded.
Candidate MakeMinimalCandidate(std::uint64_t seed);

/// A random puzzle with a target of 41..51 givens (mean near 44), graded: givens are removed
/// in random order while the solution stays unique, until the target count is reached.
Candidate MakeDenseCandidate(std::uint64_t seed);

/// The measure file of list `listName` ("tk0" ..; puzzle/bank/tk0.measure ..): a comment line,
/// then DifficultyLine of each grade, in the list's order, each line ending in '\n'.
std::string MeasureFileText(std::string_view listName, const std::vector<GradeResult>& grades);

/// Grades every entry of the bank list file `path` (read with puzzle::ReadBankFile), on
/// `threads` threads, and returns the grades in the file's order. Throws gq::Error naming the
/// file and line of an entry that is no BankLine or that the grader cannot finish.
std::vector<GradeResult> GradeListFile(const std::string& path, int threads);

/// Settings of a generator run. The lists depend on `Seed` and `PerList` only; the pool
/// statistics of the report also on `BatchSize`; nothing on `Threads`.
struct GeneratorOptions
{
    std::uint64_t Seed = 20261209;
    int PerList = 500;
    int Threads = 2;
    int BatchSize = 512; ///< candidates made in parallel before they are sorted into lists
};

/// Makes the five lists: candidates are generated in numbered batches (candidate i from seed
/// Derive(seed, i)), possibly on several threads, and then offered to the lists strictly in
/// candidate order, so the result depends on the seed only. A candidate joins the first list it
/// fits that is not yet full, unless a puzzle equal to it under some symmetry (see
/// CanonicalForm) is already in the bank.
class BankGenerator
{
  public:
    explicit BankGenerator(GeneratorOptions options);

    /// Generates until every list holds `PerList` entries. `progress`, when set, is called
    /// after each batch with the number of entries per list.
    void Run(const std::function<void(const std::array<int, 5>&)>& progress = {});

    /// Entries of list `index` (0..4) in bank order.
    const std::vector<Candidate>& List(int index) const { return m_lists[index]; }

    /// The list as bank lines, one per line, each ending in '\n'.
    std::string ListText(int index) const;

    /// The difficulty measures of list `index`, as MeasureFileText writes them.
    std::string MeasureText(int index) const;

    /// The grading notes and statistics in Markdown; `timing`, when not empty, is printed as a
    /// paragraph of its own under the regenerate command (how long the run took).
    std::string Report(std::string_view timing = {}) const;

  private:
    void Offer(Candidate&& c);
    template <typename Make>
    void Stream(std::uint64_t streamSeed, Make make, int first, int last,
                const std::function<void(const std::array<int, 5>&)>& progress);
    bool Full(int first, int last) const;
    std::string DifficultySection() const;

    GeneratorOptions m_options;
    std::array<std::vector<Candidate>, 5> m_lists;
    std::unordered_set<std::string> m_forms; // canonical forms in the bank
    // Statistics of the candidate pool of minimal puzzles.
    long m_minimalMade = 0;
    long m_denseMade = 0;
    long m_duplicates = 0;
    std::array<long, 6> m_poolTiers{}; // 0 naked singles only, 1 tier 1, 2..4 tiers, 5 unsolved
    std::array<long, 82> m_poolGivens{};
};

} // namespace gq::tools
