// Explaining one puzzle (all steps with their sentences): median and 95th percentile per bank
// list over a fixed sample of each list. Prints one line per list.
#include "puzzle/BankFile.h"
#include "puzzle/BankLine.h"
#include "solve/Explain.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::string root = argc > 1 ? argv[1] : GQ_SOURCE_DIR;
    const std::size_t perList = 1000;
    for (int list = 0; list < 5; ++list) {
        const auto lines =
            gq::puzzle::ReadBankFile(root + "/puzzle/bank/tk" + std::to_string(list) + ".txt");
        const std::size_t stride = std::max<std::size_t>(1, lines.size() / perList);
        std::vector<double> millis;
        std::size_t steps = 0;
        for (std::size_t i = 0; i < lines.size(); i += stride) {
            const gq::puzzle::BankEntry entry = gq::puzzle::ParseBankLine(lines[i].Text);
            gq::solve::Grid givens{};
            for (int c = 0; c < 81; ++c)
                givens[c] = entry.Given.test(c) ? entry.Solution[c] : 0;
            const auto start = std::chrono::steady_clock::now();
            const gq::solve::TExplanation x = gq::solve::Explain(givens);
            const auto end = std::chrono::steady_clock::now();
            millis.push_back(std::chrono::duration<double, std::milli>(end - start).count());
            steps += x.Steps.size();
        }
        std::sort(millis.begin(), millis.end());
        std::printf("tk%d: %zu puzzles, median %.3f ms, p95 %.3f ms, %.1f steps each\n", list,
                    millis.size(), millis[millis.size() / 2], millis[millis.size() * 95 / 100],
                    static_cast<double>(steps) / static_cast<double>(millis.size()));
    }
    return 0;
}
