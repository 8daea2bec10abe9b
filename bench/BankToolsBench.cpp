// Speed of the bank tools: uniqueness checks (the goal is at least 20,000 per second on hard
// puzzles of 17-25 givens), grading and canonical forms; and of the program's side of the bank:
// unpacking an entry and the draws of a largest book from a volume.
#include "puzzle/PuzzleBank.h"
#include "tools/BankGenerator.h"
#include "tools/CanonicalForm.h"
#include "tools/Grader.h"
#include "tools/Solver.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{

using gq::tools::Candidate;
using gq::tools::Grid;

/// A fixed set of hard minimal puzzles with at most 25 givens: those that need tier 3 or more,
/// or that the grader cannot finish at all.
const std::vector<Grid>& HardPuzzles()
{
    static const std::vector<Grid> puzzles = [] {
        std::vector<Grid> out;
        for (std::uint64_t seed = 1; out.size() < 400; ++seed) {
            const Candidate c = gq::tools::MakeMinimalCandidate(seed);
            if (c.Givens <= 25 && (!c.Grade.Solved || c.Grade.Tier >= 3))
                out.push_back(c.Puzzle);
        }
        return out;
    }();
    return puzzles;
}

void BM_UniquenessCheck(benchmark::State& state)
{
    const auto& puzzles = HardPuzzles();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gq::tools::Solver::CountSolutions(puzzles[i], 2));
        i = (i + 1) % puzzles.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UniquenessCheck);

void BM_Grade(benchmark::State& state)
{
    const auto& puzzles = HardPuzzles();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gq::tools::Grader::Grade(puzzles[i]).Tier);
        i = (i + 1) % puzzles.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Grade);

void BM_CanonicalForm(benchmark::State& state)
{
    const auto& puzzles = HardPuzzles();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gq::tools::CanonicalForm(puzzles[i]));
        i = (i + 1) % puzzles.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CanonicalForm);

void BM_MinimalCandidate(benchmark::State& state)
{
    std::uint64_t seed = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(gq::tools::MakeMinimalCandidate(seed++).Givens);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MinimalCandidate);

void BM_UnpackEntry(benchmark::State& state)
{
    const gq::puzzle::TPuzzleBank& bank = gq::puzzle::TPuzzleBank::BuiltIn();
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(bank.Entry(4, i));
        i = (i + 1) % bank.Count(4);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UnpackEntry);

/// The entries of a largest book of one volume: the block's set-up and 800 draws without
/// repeats out of the block's 800.
void BM_LargestVolumeBookDraws(benchmark::State& state)
{
    const gq::puzzle::TPuzzleBank& bank = gq::puzzle::TPuzzleBank::BuiltIn();
    gq::puzzle::TRandom random(gq::puzzle::SequenceSeedSource(1));
    for (auto _ : state) {
        gq::puzzle::TBookDraw draw(bank, 3, 1);
        for (int i = 0; i < gq::puzzle::kMaxBookPuzzles; ++i)
            benchmark::DoNotOptimize(draw.Next(random));
    }
}
BENCHMARK(BM_LargestVolumeBookDraws)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
