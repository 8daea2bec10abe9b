// Times the variant generator on one core: for every variant and the tiers it offers, makes
// puzzles from consecutive seeds and prints the median and 95th percentile per puzzle against
// the targets (median under 10 ms and p95 under 100 ms; 16x16 median under 100 ms).
//
// gq-bench-variant [PUZZLES_PER_ROW] [VARIANT]   (default 200 puzzles, 20 for 16x16)
#include "variant/Generator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    using namespace gq::variant;
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const std::string only = argc > 2 ? argv[2] : "";
    std::printf("%-8s %-10s %7s %10s %10s  %s\n", "variant", "level", "puzzles", "median ms",
                "p95 ms", "target");
    bool allMet = true;
    for (const VariantInfo& variant : AllVariants()) {
        if (!only.empty() && variant.Name != only)
            continue;
        const bool large = variant.Size == 16;
        const int n = large ? std::max(1, count / 10) : count;
        for (Tier tier : variant.Tiers) {
            std::vector<double> times;
            for (int seed = 1; seed <= n; ++seed) {
                const auto start = std::chrono::steady_clock::now();
                Generate(variant, tier, static_cast<std::uint64_t>(seed));
                times.push_back(std::chrono::duration<double, std::milli>(
                                    std::chrono::steady_clock::now() - start)
                                    .count());
            }
            std::sort(times.begin(), times.end());
            const double median = times[times.size() / 2];
            const double p95 = times[std::min(times.size() - 1, times.size() * 95 / 100)];
            const bool met = large ? median < 100 : median < 10 && p95 < 100;
            allMet = allMet && met;
            std::printf("%-8s %-10s %7d %10.2f %10.2f  %s\n", std::string(variant.Name).c_str(),
                        std::string(TierName(tier)).c_str(), n, median, p95,
                        met ? "met" : "MISSED");
            std::fflush(stdout);
        }
    }
    return allMet ? 0 : 1;
}
