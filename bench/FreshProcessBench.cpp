// Times books as a user makes them: `gridquill-cli book ...` started afresh each time, never back
// to back. Between two runs the benchmark does other work (it touches 256 MB, which leaves the
// processor caches cold, and pauses half a second). Each run writes a new file, as a run
// without --force does. Reports the median, fastest and slowest wall time and the largest peak
// resident size of the program, and whether the largest book meets its targets.
// Build Release and run: build/bench/gq-bench-fresh [runs] [path of gridquill-cli]
//
// Side by side: build/bench/gq-bench-fresh --side-by-side [rounds] [path of gridquill-cli]
// Each round runs, one after the other, `qqwing --generate 800 --difficulty any --one-line`
// (which only makes 800 puzzles), the largest plain book, the largest print-ready book and the
// default book, with the same other work between any two. The machine's speed then touches
// every program alike, so the ratios of the medians hold where absolute times do not. Prints
// the ratios, the peak memory, how many programs the largest book starts (execve, counted with
// strace when it is installed) and a verdict against the targets.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
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

struct Sample
{
    double Seconds = 0;
    double PeakMegabytes = 0;
    bool Failed = false;
};

// Starts `words` (found on PATH when `searchPath`) with its standard output thrown away, waits
// for it and measures it.
Sample RunOnce(const std::vector<std::string>& words, bool searchPath)
{
    std::vector<std::string> copy = words;
    std::vector<char*> argv;
    for (std::string& word : copy)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    Sample sample;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = searchPath
                            ? posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ)
                            : posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", argv[0], std::strerror(spawned));
        sample.Failed = true;
        return sample;
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    sample.Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sample.PeakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    sample.Failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    if (sample.Failed)
        std::fprintf(stderr, "%s failed\n", words[0].c_str());
    return sample;
}

// The words that make `scenario`'s book at `output`.
std::vector<std::string> BookWords(const std::string& program, const Scenario& scenario,
                                   const std::string& output)
{
    std::vector<std::string> words = {program, "book"};
    words.insert(words.end(), scenario.Options.begin(), scenario.Options.end());
    words.insert(words.end(), {"--quiet", output});
    return words;
}

void Add(Result& result, const Sample& sample)
{
    result.Failed = result.Failed || sample.Failed;
    result.Seconds.push_back(sample.Seconds);
    result.PeakMegabytes = std::max(result.PeakMegabytes, sample.PeakMegabytes);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

Result Run(const std::string& program, const Scenario& scenario, const std::string& output,
           int runs)
{
    Result result;
    for (int i = 0; i < runs && !result.Failed; ++i) {
        OtherWork();
        std::filesystem::remove(output);
        Add(result, RunOnce(BookWords(program, scenario, output), false));
    }
    std::sort(result.Seconds.begin(), result.Seconds.end());
    return result;
}

// How many programs `words` starts, itself included: successful execve calls seen by
// `strace -f`. -1 when strace is not installed or the count cannot be read.
int CountExecve(const std::vector<std::string>& words, const std::string& folder)
{
    const std::string trace = folder + "/execve.trace";
    std::vector<std::string> traced = {"strace", "-f", "-qq", "-e", "trace=execve", "-o", trace};
    traced.insert(traced.end(), words.begin(), words.end());
    const Sample sample = RunOnce(traced, true);
    if (sample.Failed)
        return -1;
    std::FILE* file = std::fopen(trace.c_str(), "r");
    if (file == nullptr)
        return -1;
    int count = 0;
    char line[4096];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        std::string_view text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.remove_suffix(1);
        if (text.find("execve(") != std::string_view::npos && text.ends_with(" = 0"))
            ++count;
    }
    std::fclose(file);
    return count;
}

// Side by side: alternates the puzzle maker and the books round by round; see the top.
int SideBySide(const std::string& program, int rounds)
{
    const Scenario largest = {"largest plain book", {"--pages", "200", "--per-page", "4"}, 0, 40};
    const Scenario printReady = {
        "largest print-ready book",
        {"--pages", "200", "--per-page", "4", "--print-ready", "--paper", "a4"},
        0,
        0};
    const Scenario defaultBook = {"default book", {}, 0.020, 0};
    const std::vector<std::string> puzzleMaker = {"qqwing",       "--generate", "800",
                                                  "--difficulty", "any",        "--one-line"};
    constexpr double kPlainRatioTarget = 0.05;
    constexpr double kPrintReadyRatioTarget = 1.2;

    char pattern[] = "/tmp/gq-bench-fresh-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    const std::string output = folder + "/book.pdf";
    std::printf("side by side, %d rounds: qqwing --generate 800 --difficulty any --one-line, "
                "then %s book ..., other work between runs\n",
                rounds, program.c_str());
    Result maker;
    Result plain;
    Result ready;
    Result small;
    for (int round = 0; round < rounds; ++round) {
        OtherWork();
        Add(maker, RunOnce(puzzleMaker, true));
        for (auto [scenario, result] : {std::pair{&largest, &plain}, std::pair{&printReady, &ready},
                                        std::pair{&defaultBook, &small}}) {
            OtherWork();
            std::filesystem::remove(output);
            Add(*result, RunOnce(BookWords(program, *scenario, output), false));
        }
        if (maker.Failed || plain.Failed || ready.Failed || small.Failed) {
            std::printf("a run failed: no verdict\n");
            std::filesystem::remove_all(folder);
            return 1;
        }
    }
    std::filesystem::remove(output);
    const int execs = CountExecve(BookWords(program, largest, output), folder);
    std::filesystem::remove_all(folder);

    const double makerMedian = Median(maker.Seconds);
    const double plainMedian = Median(plain.Seconds);
    const double readyMedian = Median(ready.Seconds);
    const double smallMedian = Median(small.Seconds);
    std::printf("%-28s %9s %9s %9s %11s\n", "program", "median", "fastest", "slowest",
                "peak memory");
    for (auto [name, result] :
         {std::pair{"qqwing --generate 800", &maker}, std::pair{largest.Name, &plain},
          std::pair{printReady.Name, &ready}, std::pair{defaultBook.Name, &small}}) {
        const auto [fastest, slowest] =
            std::minmax_element(result->Seconds.begin(), result->Seconds.end());
        std::printf("%-28s %6.0f ms %6.0f ms %6.0f ms %8.1f MB\n", name,
                    Median(result->Seconds) * 1000, *fastest * 1000, *slowest * 1000,
                    result->PeakMegabytes);
    }
    const double plainRatio = plainMedian / makerMedian;
    const double readyRatio = readyMedian / plainMedian;
    const bool ratioMet = plainRatio <= kPlainRatioTarget;
    const bool memoryMet = plain.PeakMegabytes < largest.TargetMegabytes;
    const bool readyMet = readyRatio <= kPrintReadyRatioTarget;
    const bool smallMet = smallMedian < defaultBook.TargetSeconds;
    const bool execMet = execs == 1;
    auto verdict = [](bool met) { return met ? "met" : "MISSED"; };
    std::printf("largest plain book / qqwing: %.3f (target <= %.2f): %s\n", plainRatio,
                kPlainRatioTarget, verdict(ratioMet));
    std::printf("largest plain book peak memory: %.1f MB (target < %.0f MB): %s\n",
                plain.PeakMegabytes, largest.TargetMegabytes, verdict(memoryMet));
    std::printf("largest print-ready / plain book: %.2fx (target <= %.1fx): %s\n", readyRatio,
                kPrintReadyRatioTarget, verdict(readyMet));
    std::printf("default book: %.1f ms (target < %.0f ms): %s\n", smallMedian * 1000,
                defaultBook.TargetSeconds * 1000, verdict(smallMet));
    if (execs < 0)
        std::printf("execve count: not measured (strace is not installed or failed)\n");
    else
        std::printf("execve calls of the largest book: %d (target 1): %s\n", execs,
                    verdict(execMet));
    const bool allMet = ratioMet && memoryMet && readyMet && smallMet && (execs < 0 || execMet);
    std::printf("verdict: %s\n", allMet ? "all targets met" : "targets MISSED");
    return allMet ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string_view(argv[1]) == "--side-by-side") {
        const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
        return SideBySide(argc > 3 ? argv[3] : GQ_CLI_PATH, rounds);
    }
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
