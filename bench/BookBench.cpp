// Times whole book runs, from settings to finished PDF, and reports for each the first run in a
// fresh process (what one command-line run costs, font set-up included), the median of the runs
// after it, and the peak memory. Every scenario runs in a child process of its own, so that its
// peak resident size is its own.
// Build Release and run: build/bench/gq-bench-book [runs]
#include "book/BookMaker.h"
#include "book/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

using namespace gq;

struct Scenario
{
    const char* Name;
    book::TBookSettings Settings;
    double TargetSeconds;
};

struct QuietProgress : book::IBookProgress
{
    void SetProgress(int) override {}
    void SetCaption(std::string_view) override {}
    void Repaint() override {}
    void Completed(const std::string&) override {}
};

struct Timing
{
    double First = 0;  ///< seconds of the first run
    double Median = 0; ///< median seconds of the runs after it
};

/// Runs one scenario `runs` + 1 times in this process.
Timing TimeRuns(book::TBookSettings settings, int runs, const std::string& folder)
{
    settings.PdfPath = folder + "/bench.pdf";
    book::TBookMaker maker(folder + "/velmoraquill.pgs");
    QuietProgress progress;
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        // Each run makes a new file, as a user's run without --force does.
        std::remove(settings.PdfPath.c_str());
        auto start = std::chrono::steady_clock::now();
        maker.DeleteOldPages();
        maker.BuildBook(settings, progress);
        times.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    Timing timing{times.front(), 0};
    times.erase(times.begin());
    std::sort(times.begin(), times.end());
    timing.Median = times[times.size() / 2];
    return timing;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    auto settings = [](int pages, int perPage, bool candidates) {
        book::TBookSettings s;
        s.PageCount = pages;
        s.PuzzlesPerPage = perPage;
        s.Candidates = candidates;
        s.LevelIndex = 5;
        return s;
    };
    book::TBookSettings printReady = settings(200, 4, false);
    printReady.Paper = "a4";
    printReady.PrintReady = true;
    const Scenario scenarios[] = {
        {"default book (20 pages, 1 per page)", settings(20, 1, false), 0.020},
        {"200 pages, 1 per page, candidates", settings(200, 1, true), 0.060},
        {"largest book (200 pages, 4 per page)", settings(200, 4, false), 0.200},
        {"largest print-ready A4 book", printReady, 0.0},
    };
    // The print-ready book against the plain one of the same size: target under 1.5 times.
    constexpr std::size_t kLargest = 2, kLargestPrintReady = 3;
    constexpr double kPrintReadyTarget = 1.5;
    std::vector<Timing> timings(std::size(scenarios));

    char pattern[] = "/tmp/gq-bench-XXXXXX";
    std::string folder = mkdtemp(pattern);
    std::printf("%-40s %11s %11s %13s %10s\n", "scenario", "first run", "median", "peak memory",
                "target");
    int failures = 0;
    for (std::size_t i = 0; i < std::size(scenarios); ++i) {
        const Scenario& scenario = scenarios[i];
        int channel[2];
        if (pipe(channel) != 0)
            return 1;
        pid_t child = fork();
        if (child == 0) {
            close(channel[0]);
            Timing timing = TimeRuns(scenario.Settings, runs, folder);
            if (write(channel[1], &timing, sizeof timing) != sizeof timing)
                _exit(1);
            _exit(0);
        }
        close(channel[1]);
        Timing timing;
        ssize_t got = read(channel[0], &timing, sizeof timing);
        close(channel[0]);
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        if (got != sizeof timing || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::printf("%-40s failed\n", scenario.Name);
            ++failures;
            continue;
        }
        timings[i] = timing;
        double megabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
        std::string target =
            scenario.TargetSeconds > 0
                ? "< " + std::to_string(static_cast<int>(scenario.TargetSeconds * 1000)) + " ms"
                : "";
        std::printf("%-40s %8.1f ms %8.1f ms %10.1f MB %10s\n", scenario.Name, timing.First * 1000,
                    timing.Median * 1000, megabytes, target.c_str());
    }
    if (failures == 0) {
        const double first = timings[kLargestPrintReady].First / timings[kLargest].First;
        const double median = timings[kLargestPrintReady].Median / timings[kLargest].Median;
        std::printf("print-ready / plain largest book: first run %.2fx, median %.2fx "
                    "(target < %.1fx): %s\n",
                    first, median, kPrintReadyTarget,
                    median < kPrintReadyTarget ? "met" : "MISSED");
    }
    std::filesystem::remove_all(folder);
    return failures == 0 ? 0 : 1;
}
