#pragma once

// Runs the gridquill-cli executable as a user would, in a fresh folder of its own.

#include "book/SafeFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace gq::test
{

namespace fs = std::filesystem;

struct CliResult
{
    int Exit = -1; ///< the exit status, or 128 + the signal that ended the program
    std::string Out;
    std::string Err;
};

/// Runs a shell command; its standard output and error, joined, go to Out.
inline CliResult RunCommand(const std::string& command)
{
    CliResult run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        run.Out.append(buffer, n);
    int status = pclose(pipe);
    run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class CliFixture : public ::testing::Test
{
  protected:
    testsupport::TTempFolder Folder{"gq-cli"};
    const fs::path Dir = Folder.Path();
    std::string Program = GQ_CLI_PATH;

    void SetUp() override
    {
        chmod(Dir.c_str(), 0755);
        fs::create_directory(Dir / "runtime");
        chmod((Dir / "runtime").c_str(), 0700);
    }

    /// Runs gridquill-cli with `args` in Dir, its private temporary folder inside Dir.
    /// `environment` is put before the command ("NAME=value ..."); `shell` runs first in the
    /// same shell ("ulimit -f 100;", "umask 0222;"), `wrapper` right before the program
    /// ("setpriv ..."). Standard error is captured; standard output too unless `args` redirects it.
    CliResult Cli(const std::string& args, const std::string& environment = "",
                  const std::string& shell = "", const std::string& wrapper = "")
    {
        // Each run its own error file, so that runs may go in parallel.
        char errors[] = "/tmp/gq-cli-stderr-XXXXXX";
        int fd = mkstemp(errors);
        if (fd >= 0)
            close(fd);
        std::string command = "cd '" + Dir.string() + "' && " + shell + " XDG_RUNTIME_DIR='" +
                              (Dir / "runtime").string() + "' " + environment + " " + wrapper +
                              " '" + Program + "' " + args + " 2>'" + errors + "'";
        CliResult result;
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            result.Out.append(buffer, n);
        int status = pclose(pipe);
        result.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.Err = book::ReadWholeFile(errors);
        fs::remove(errors);
        return result;
    }

    /// Files in Dir other than the private temporary folder.
    std::size_t UserFiles() const
    {
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(Dir))
            count += entry.path().filename() != "runtime";
        return count;
    }

    std::string Contents(const std::string& name) const
    {
        return book::ReadWholeFile((Dir / name).string());
    }

    static bool IsOneLine(const std::string& text)
    {
        return !text.empty() && text.find('\n') == text.size() - 1;
    }
};

} // namespace gq::test
