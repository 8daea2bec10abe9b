// Times whole book runs, from settings to finished PDF, and reports the median wall time and
// the peak memory of each. Every scenario runs in a child process of its own, so that its peak
// resident size is its own. Build Release and run: build/bench/gq-bench-book [runs]
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

/// Runs one scenario `runs` times in this process; returns the median wall time in seconds.
double MedianSeconds(book::TBookSettings settings, int runs, const std::string& folder)
{
    settings.PdfPath = folder + "/bench.pdf";
    book::TBookMaker maker(folder + "/velmoraquill.pgs");
    QuietProgress progress;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
    {
        auto start = std::chrono::steady_clock::now();
        maker.DeleteOldPages();
        maker.BuildBook(settings, progress);
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
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
    const Scenario scenarios[] = {
        {"default book (20 pages, 1 per page)", settings(20, 1, false), 0.050},
        {"200 pages, 1 per page, candidates", settings(200, 1, true), 0.0},
        {"largest book (200 pages, 4 per page)", settings(200, 4, false), 0.500},
    };

    char pattern[] = "/tmp/gq-bench-XXXXXX";
    std::string folder = mkdtemp(pattern);
    std::printf("%-40s %12s %14s %10s\n", "scenario", "median", "peak memory", "target");
    int failures = 0;
    for (const Scenario& scenario : scenarios)
    {
        int channel[2];
        if (pipe(channel) != 0)
            return 1;
        pid_t child = fork();
        if (child == 0)
        {
            close(channel[0]);
            double seconds = MedianSeconds(scenario.Settings, runs, folder);
            if (write(channel[1], &seconds, sizeof seconds) != sizeof seconds)
                _exit(1);
            _exit(0);
        }
        close(channel[1]);
        double seconds = -1;
        ssize_t got = read(channel[0], &seconds, sizeof seconds);
        close(channel[0]);
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        if (got != sizeof seconds || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        {
            std::printf("%-40s failed\n", scenario.Name);
            ++failures;
            continue;
        }
        double megabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
        std::string target = scenario.TargetSeconds > 0 ? "< " + std::to_string(static_cast<int>(scenario.TargetSeconds * 1000)) + " ms" : "";
        std::printf("%-40s %9.1f ms %11.1f MB %10s\n", scenario.Name, seconds * 1000, megabytes, target.c_str());
    }
    std::filesystem::remove_all(folder);
    return failures == 0 ? 0 : 1;
}
