// gq-bankgen: makes the five puzzle bank lists and their grading notes.
//
//   gq-bankgen [--seed N] [--per-list N] [--threads N] [--root DIR]
//   gq-bankgen --measure [--threads N] [--root DIR]
//
// Writes DIR/puzzle/bank/tk0.txt .. tk4.txt, their difficulty measures tk0.measure ..
// tk4.measure and DIR/docs/bank.md (DIR defaults to "."). The candidates are made on --threads
// threads, by default one per core. With --measure it leaves the lists and docs/bank.md alone:
// it re-grades the entries of the lists as they stand and writes only the measure files.

#include "tools/BankGenerator.h"

#include "gq/Error.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

namespace
{

std::uint64_t ParseNumber(const std::string& option, const std::string& text, std::uint64_t max)
{
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > max)
        throw gq::Error("Option " + option + " needs a whole number up to " + std::to_string(max) +
                        ", not \"" + text + "\".");
    return value;
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        throw gq::Error("Cannot write \"" + path + "\".");
}

int Main(int argc, char** argv)
{
    gq::tools::GeneratorOptions options;
    options.Threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::string root = ".";
    bool measureOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << "usage: gq-bankgen [--seed N] [--per-list N] [--threads N] [--root DIR]\n"
                         "       gq-bankgen --measure [--threads N] [--root DIR]\n";
            return 0;
        }
        if (arg == "--measure") {
            measureOnly = true;
            continue;
        }
        if (i + 1 >= argc)
            throw gq::Error("Unknown option or missing value: \"" + arg + "\".");
        const std::string value = argv[++i];
        if (arg == "--seed")
            options.Seed = ParseNumber(arg, value, UINT64_MAX);
        else if (arg == "--per-list")
            options.PerList = static_cast<int>(ParseNumber(arg, value, 100000));
        else if (arg == "--threads")
            options.Threads = static_cast<int>(ParseNumber(arg, value, 64));
        else if (arg == "--root")
            root = value;
        else
            throw gq::Error("Unknown option \"" + arg + "\".");
    }
    if (options.PerList < 1)
        throw gq::Error("Option --per-list needs at least 1.");

    const auto start = std::chrono::steady_clock::now();
    const auto listPath = [&](int i, const char* ext) {
        return root + "/puzzle/bank/tk" + std::to_string(i) + ext;
    };
    if (measureOnly) {
        for (int i = 0; i < 5; ++i)
            WriteFile(listPath(i, ".measure"),
                      gq::tools::MeasureFileText(
                          gq::tools::BankLists()[i].Name,
                          gq::tools::GradeListFile(listPath(i, ".txt"), options.Threads)));
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("measures written in %.0f s on %d threads\n", seconds, options.Threads);
        return 0;
    }
    gq::tools::BankGenerator generator(options);
    generator.Run([](const std::array<int, 5>& counts) {
        std::cerr << "lists:";
        for (int n : counts)
            std::cerr << ' ' << n;
        std::cerr << '\n';
    });
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", seconds);
    const std::string timing = "This bank took " + std::string(buf) + " s of wall time on " +
                               std::to_string(options.Threads) + " threads (" +
                               std::to_string(std::thread::hardware_concurrency()) +
                               " cores) to generate.";
    for (int i = 0; i < 5; ++i) {
        WriteFile(listPath(i, ".txt"), generator.ListText(i));
        WriteFile(listPath(i, ".measure"), generator.MeasureText(i));
    }
    WriteFile(root + "/docs/bank.md", generator.Report(timing));
    std::cout << "bank generated in " << buf << " s\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Main(argc, argv);
    } catch (const gq::Error& e) {
        std::cerr << "gq-bankgen: " << e.what() << '\n';
        return 1;
    }
}
