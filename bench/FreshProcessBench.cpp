// Times books as a user makes them: `gridquill-cli book ...` started afresh each time, never back
// to back. Between two runs the benchmark does other work (it touches 256 MB, which leaves the
// processor caches cold, and pauses half a second). Each run writes a new file, as a run
// without --force does. Reports the median, fastest and slowest wall time and the largest peak
// resident size of the program, and whether the largest book meets its targets.
// Build Release and run: build/bench/gq-bench-fresh [runs] [path of gridquill-cli]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{

struct Scenario
{
    const char* Name;
    std::vector<std::string> Options;
    double TargetSeconds; ///< 0: no target
    double TargetMegabytes;
};

struct Result
{
    std::vector<double> Seconds;
    double PeakMegabytes = 0;
    bool Failed = false;
};

// Work another program might do between two books: fill 256 MB and let it go. It runs in a
// child of its own: the peak memory a program reports after exec counts its parent's.
void OtherWork()
{
    const pid_t worker = fork();
    if (worker == 0) {
        std::vector<char> memory(std::size_t{256} << 20);
        for (std::size_t i = 0; i < memory.size(); i += 4096)
            memory[i] = static_cast<char>(i);
        _exit(memory[4096] == 1 ? 0 : 1);
    }
    if (worker > 0)
        waitpid(worker, nullptr, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

Result Run(const std::string& program, const Scenario& scenario, const std::string& output,
           int runs)
{
    Result result;
    for (int i = 0; i < runs && !result.Failed; ++i) {
        OtherWork();
        std::filesystem::remove(output);
        std::vector<std::string> words = {program, "book"};
        words.insert(words.end(), scenario.Options.begin(), scenario.Options.end());
        words.insert(words.end(), {"--quiet", output});
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        const auto start = std::chrono::steady_clock::now();
        pid_t child = 0;
        const int spawned =
            posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(spawned));
            result.Failed = true;
            break;
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        result.Seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        result.PeakMegabytes =
            std::max(result.PeakMegabytes, static_cast<double>(usage.ru_maxrss) / 1024.0);
        result.Failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    }
    std::sort(result.Seconds.begin(), result.Seconds.end());
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::string program = argc > 2 ? argv[2] : GQ_CLI_PATH;
    const Scenario scenarios[] = {
        {"default book (20 pages, 1 per page)", {}, 0, 0},
        {"200 pages, 1 per page, candidates", {"--pages", "200", "--candidates"}, 0, 0},
        {"largest book (200 pages, 4 per page)", {"--pages", "200", "--per-page", "4"}, 0.200, 80},
    };
    char pattern[] = "/tmp/gq-bench-fresh-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    std::printf("%s, %d runs each, other work between runs\n", program.c_str(), runs);
    std::printf("%-38s %9s %9s %9s %11s  %s\n", "scenario", "median", "fastest", "slowest",
                "peak memory", "target");
    bool allMet = true;
    for (const Scenario& scenario : scenarios) {
        Result result = Run(program, scenario, folder + "/book.pdf", runs);
        if (result.Failed || result.Seconds.empty()) {
            std::printf("%-38s failed\n", scenario.Name);
            allMet = false;
            continue;
        }
        const double median = result.Seconds[result.Seconds.size() / 2];
        std::string verdict;
        if (scenario.TargetSeconds > 0) {
            const bool met =
                median < scenario.TargetSeconds && result.PeakMegabytes < scenario.TargetMegabytes;
            allMet = allMet && met;
            verdict = "< " + std::to_string(static_cast<int>(scenario.TargetSeconds * 1000)) +
                      " ms, < " + std::to_string(static_cast<int>(scenario.TargetMegabytes)) +
                      " MB: " + (met ? "met" : "MISSED");
        }
        std::printf("%-38s %6.0f ms %6.0f ms %6.0f ms %8.1f MB  %s\n", scenario.Name, median * 1000,
                    result.Seconds.front() * 1000, result.Seconds.back() * 1000,
                    result.PeakMegabytes, verdict.c_str());
    }
    std::filesystem::remove_all(folder);
    return allMet ? 0 : 1;
}
