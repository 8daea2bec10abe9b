// What every run guarantees, tried as a user would: parallel runs, races for one name,
// interruptions, size limits, permissions, odd names and odd input.
#include "CliRunner.h"

#include "book/BookSettings.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <future>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;
using gq::test::CliResult;
using RunGuaranteesTest = gq::test::CliFixture;

const std::string kEpoch = "SOURCE_DATE_EPOCH=1700000000";

/// Whether anything in `folder` has a temporary name.
bool HoldsTemporaryFiles(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(".gq-", 0) == 0)
            return true;
    return false;
}

TEST_F(RunGuaranteesTest, ParallelRunsEachMakeTheBookOfTheirOwnSeed)
{
    constexpr int kRuns = 8;
    // Each seed's book and stream, made alone first.
    std::map<int, std::string> books;
    std::vector<std::string> streams;
    for (int seed = 1; seed <= kRuns; ++seed) {
        std::string name = "alone" + std::to_string(seed) + ".pdf";
        ASSERT_EQ(
            Cli("book --quiet --pages 3 --seed " + std::to_string(seed) + " " + name, kEpoch).Exit,
            0);
        books[seed] = Contents(name);
        streams.push_back(Contents("runtime/velmoraquill.pgs"));
    }
    for (int round = 0; round < 3; ++round) {
        std::vector<std::future<CliResult>> runs;
        for (int seed = 1; seed <= kRuns; ++seed)
            runs.push_back(std::async(std::launch::async, [&, seed] {
                return Cli("book --quiet --pages 3 --seed " + std::to_string(seed) + " par" +
                               std::to_string(seed) + ".pdf --force",
                           kEpoch);
            }));
        for (int seed = 1; seed <= kRuns; ++seed) {
            CliResult result = runs[static_cast<std::size_t>(seed - 1)].get();
            ASSERT_EQ(result.Exit, 0) << "round " << round << ": " << result.Err;
            EXPECT_EQ(Contents("par" + std::to_string(seed) + ".pdf"), books[seed])
                << "round " << round << ", seed " << seed;
        }
        std::string left = Contents("runtime/velmoraquill.pgs");
        EXPECT_NE(std::find(streams.begin(), streams.end(), left), streams.end())
            << "the stream left behind is one whole book";
        EXPECT_FALSE(HoldsTemporaryFiles(Dir) || HoldsTemporaryFiles(Dir / "runtime"));
    }
}

TEST_F(RunGuaranteesTest, OfRunsRacingForOneNewNameExactlyOneWins)
{
    std::vector<std::future<CliResult>> runs;
    for (int seed = 1; seed <= 4; ++seed)
        runs.push_back(std::async(std::launch::async, [&, seed] {
            return Cli("book --quiet --pages 2 --seed " + std::to_string(seed) + " same.pdf");
        }));
    int winners = 0;
    for (auto& run : runs) {
        CliResult result = run.get();
        if (result.Exit == 0)
            ++winners;
        else {
            EXPECT_EQ(result.Exit, 1);
            EXPECT_NE(result.Err.find("same.pdf already exists; use --force"), std::string::npos)
                << result.Err;
        }
    }
    EXPECT_EQ(winners, 1);
    EXPECT_EQ(UserFiles(), 1u);
}

TEST_F(RunGuaranteesTest, SizeLimitsAreWriteErrorsThatNameTheUsersFileAndLeaveNothing)
{
    // 50 KiB does not hold the page stream (100 KiB); 150 KiB holds it but not the PDF
    // (185 KiB).
    CliResult stream = Cli("book --quiet big.pdf", "", "", "prlimit --fsize=51200");
    EXPECT_EQ(stream.Exit, 1) << stream.Err;
    EXPECT_NE(stream.Err.find("velmoraquill.pgs: File too large"), std::string::npos) << stream.Err;
    for (const auto& entry : fs::directory_iterator(Dir / "runtime"))
        EXPECT_EQ(entry.path().filename(), "font-matches") << "no partial stream is left";

    CliResult pdf = Cli("book --quiet big.pdf", "", "", "prlimit --fsize=153600");
    EXPECT_EQ(pdf.Exit, 1) << pdf.Err;
    EXPECT_EQ(pdf.Err, "gridquill-cli: Cannot write big.pdf: File too large\n");
    EXPECT_EQ(UserFiles(), 0u);
    EXPECT_FALSE(HoldsTemporaryFiles(Dir / "runtime"));
}

TEST_F(RunGuaranteesTest, NumbersAreDecimalOnly)
{
    CliResult leadingZero = Cli("book --quiet --pages 010 --per-page 01 ten.pdf");
    ASSERT_EQ(leadingZero.Exit, 0) << leadingZero.Err;
    EXPECT_EQ(leadingZero.Out, "ten.pdf: 13 pages\n") << "010 is ten, not eight";
    EXPECT_EQ(Cli("book --quiet --pages 09 nine.pdf").Out, "nine.pdf: 12 pages\n");

    for (const char* value : {"0x10", "-5", "+5", "' 5'", "''", "1e1", "5.0"}) {
        CliResult result = Cli(std::string("book --pages ") + value + " bad.pdf");
        EXPECT_EQ(result.Exit, 2) << value << ": " << result.Err;
        EXPECT_TRUE(IsOneLine(result.Err)) << result.Err;
    }
    EXPECT_EQ(Cli("book --per-page '' bad.pdf").Exit, 2);
    EXPECT_EQ(Cli("book --seed 0x1 bad.pdf").Exit, 2);
    EXPECT_FALSE(fs::exists(Dir / "bad.pdf"));
}

TEST_F(RunGuaranteesTest, OutputMustNameAFile)
{
    fs::create_directory(Dir / "adir");
    CliResult empty = Cli("book ''");
    EXPECT_EQ(empty.Exit, 2) << empty.Err;
    for (const std::string name : {"adir/", "adir", "/dev/null"}) {
        CliResult result = Cli("book --quiet " + name);
        EXPECT_EQ(result.Exit, 1) << name;
        EXPECT_NE(result.Err.find(name), std::string::npos) << result.Err;
        EXPECT_TRUE(IsOneLine(result.Err)) << result.Err;
    }
    EXPECT_TRUE(fs::is_empty(Dir / "adir"));
    EXPECT_FALSE(fs::exists("/dev/null.pdf"));
    EXPECT_EQ(UserFiles(), 1u);

    // The final name may use all the length the file system allows.
    std::string longName = std::string(251, 'n') + ".pdf";
    CliResult result = Cli("book --quiet --pages 1 " + longName);
    EXPECT_EQ(result.Exit, 0) << result.Err;
    EXPECT_TRUE(fs::exists(Dir / longName));

    // The file name's suffix decides, not a dot in a folder name.
    fs::create_directory(Dir / "my.books");
    EXPECT_EQ(Cli("book --quiet --pages 1 my.books/out").Out, "my.books/out.pdf: 2 pages\n");
}

TEST_F(RunGuaranteesTest, ReplacedFilesKeepTheirPermissionsButNoSpecialBits)
{
    std::ofstream(Dir / "setid.pdf") << "old";
    fs::permissions(Dir / "setid.pdf", static_cast<fs::perms>(06755));
    ASSERT_EQ(Cli("book --quiet --pages 1 --force setid.pdf").Exit, 0);
    EXPECT_EQ(fs::status(Dir / "setid.pdf").permissions(), static_cast<fs::perms>(0755));

    std::ofstream(Dir / "real.pdf") << "old";
    fs::permissions(Dir / "real.pdf", static_cast<fs::perms>(04711));
    fs::create_symlink("real.pdf", Dir / "link.pdf");
    ASSERT_EQ(Cli("book --quiet --pages 1 --force link.pdf").Exit, 0);
    EXPECT_EQ(fs::symlink_status(Dir / "link.pdf").permissions(), static_cast<fs::perms>(0711));

    ASSERT_EQ(Cli("book --quiet --pages 1 fresh.pdf", "", "umask 027;").Exit, 0);
    EXPECT_EQ(fs::status(Dir / "fresh.pdf").permissions(), static_cast<fs::perms>(0640));
}

TEST_F(RunGuaranteesTest, AnOrdinaryUserReplacesTheirReadOnlyFileAndWritesUnderUmask0222)
{
    // Root ignores permissions, so the run switches to an ordinary user where it can.
    std::string asUser;
    if (geteuid() == 0) {
        if (system("command -v setpriv >/dev/null") != 0)
            GTEST_SKIP() << "running as root without setpriv: cannot switch to an ordinary user";
        asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups";
        ASSERT_EQ(chown(Dir.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown((Dir / "runtime").c_str(), 65534, 65534), 0);
        // The build folder may be closed to that user: run a copy of the program.
        fs::create_directory(Dir / "bin");
        fs::copy_file(Program, Dir / "bin" / "gridquill-cli");
        Program = (Dir / "bin" / "gridquill-cli").string();
    }
    CliResult made = Cli("book --quiet --pages 1 ro.pdf", "", "", asUser);
    ASSERT_EQ(made.Exit, 0) << made.Err;
    ASSERT_EQ(chmod((Dir / "ro.pdf").c_str(), 0444), 0);
    CliResult forced = Cli("book --quiet --pages 2 --force ro.pdf", "", "", asUser);
    EXPECT_EQ(forced.Exit, 0) << forced.Err;
    EXPECT_EQ(forced.Out, "ro.pdf: 3 pages\n");
    EXPECT_EQ(fs::status(Dir / "ro.pdf").permissions(), static_cast<fs::perms>(0444));

    CliResult masked = Cli("book --quiet --pages 1 masked.pdf", "", "umask 0222;", asUser);
    EXPECT_EQ(masked.Exit, 0) << masked.Err;
    EXPECT_EQ(fs::status(Dir / "masked.pdf").permissions(), static_cast<fs::perms>(0444));
    EXPECT_FALSE(HoldsTemporaryFiles(Dir));
}

TEST_F(RunGuaranteesTest, RenderRefusesWhatIsNoPageStreamAtOnce)
{
    ASSERT_EQ(mkfifo((Dir / "fifo").c_str(), 0600), 0);
    fs::create_directory(Dir / "folder");
    {
        std::ofstream(Dir / "huge.pgs").put('Z');
    }
    fs::resize_file(Dir / "huge.pgs", (64u << 20) + 1); // sparse: costs no disk
    std::ofstream(Dir / "text.pgs") << "hello";
    const std::map<std::string, std::string> expected = {
        {"fifo", "is not a regular file"},
        {"/dev/zero", "is not a regular file"},
        {"folder", "is a folder"},
        {"huge.pgs", "at most 64 MiB"},
        {"text.pgs", "does not begin with a job header"},
    };
    for (const auto& [input, message] : expected) {
        CliResult result = Cli("render " + input + " out.pdf", "", "", "timeout 60");
        EXPECT_EQ(result.Exit, 1) << input;
        EXPECT_EQ(result.Err.rfind("gridquill-cli: " + input, 0), 0u) << result.Err;
        EXPECT_NE(result.Err.find(message), std::string::npos) << result.Err;
    }
    EXPECT_FALSE(fs::exists(Dir / "out.pdf"));
}

TEST_F(RunGuaranteesTest, StandardOutputFailuresAreFailures)
{
    CliResult full = Cli("puzzle >/dev/full");
    EXPECT_EQ(full.Exit, 1);
    EXPECT_EQ(full.Err,
              "gridquill-cli: cannot write to standard output: No space left on device\n");
    CliResult closed = Cli("book --quiet --pages 1 shut.pdf >&-");
    EXPECT_EQ(closed.Exit, 1);
    EXPECT_NE(closed.Err.find("standard output"), std::string::npos) << closed.Err;
}

/// Runs gridquill-cli with `args` in `dir`, its standard output a pipe that nobody reads any
/// more, as in `gridquill-cli ... | true`. Standard error goes to `errors`.
int RunIntoClosedPipe(const fs::path& dir, const std::vector<std::string>& args,
                      const fs::path& errors)
{
    int ends[2];
    if (pipe(ends) != 0)
        return -1;
    close(ends[0]);
    pid_t child = fork();
    if (child == 0) {
        std::signal(SIGPIPE, SIG_DFL); // as a shell starts a program
        int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err < 0 || chdir(dir.c_str()) != 0 || dup2(ends[1], 1) < 0 || dup2(err, 2) < 0)
            _exit(126);
        setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(GQ_CLI_PATH)};
        for (const auto& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(GQ_CLI_PATH, argv.data());
        _exit(127);
    }
    close(ends[1]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(RunGuaranteesTest, AClosedPipeOnStandardOutputIsAWriteFailure)
{
    const fs::path errors = Folder.Path().parent_path() / ("err-" + Dir.filename().string());
    EXPECT_EQ(RunIntoClosedPipe(Dir, {"book", "--quiet", "--pages", "3", "x.pdf"}, errors), 1)
        << "not ended by SIGPIPE";
    EXPECT_EQ(gq::book::ReadWholeFile(errors.string()),
              "gridquill-cli: cannot write to standard output: Broken pipe\n");
    EXPECT_EQ(Contents("x.pdf").rfind("%PDF-1.3", 0), 0u) << "the book is written all the same";
    fs::remove(errors);
}

TEST_F(RunGuaranteesTest, AnotherUsersFolderInTheWayDoesNotBlockBooks)
{
    // Somebody else made $TMPDIR/gridquill-<uid> first (here: a file, which is no folder
    // either): the stream goes to a fresh private folder beside it, named in the success line.
    fs::create_directory(Dir / "tmp");
    const fs::path usual = Dir / "tmp" / ("gridquill-" + std::to_string(geteuid()));
    std::ofstream(usual) << "in the way";
    const std::string tmp = "XDG_RUNTIME_DIR= TMPDIR='" + (Dir / "tmp").string() + "'";
    CliResult result = Cli("book --quiet --pages 1 b.pdf", tmp);
    ASSERT_EQ(result.Exit, 0) << result.Err;
    const std::string prefix = "b.pdf: 2 pages; page stream kept in ";
    ASSERT_EQ(result.Out.rfind(prefix, 0), 0u) << result.Out;
    EXPECT_TRUE(IsOneLine(result.Out)) << result.Out;
    const std::string stream =
        result.Out.substr(prefix.size(), result.Out.find(' ', prefix.size()) - prefix.size());
    EXPECT_EQ(stream.rfind(usual.string() + ".", 0), 0u) << stream;
    EXPECT_TRUE(fs::exists(stream)) << stream;
    EXPECT_EQ(fs::status(fs::path(stream).parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_NE(result.Out.find("(the temporary folder " + usual.string() +
                              " is not a directory of its own)"),
              std::string::npos)
        << result.Out;

    // When no folder can be made at all, the message says how to choose one.
    CliResult nowhere = Cli("book --quiet --pages 1 c.pdf",
                            "XDG_RUNTIME_DIR= TMPDIR='" + (Dir / "absent").string() + "'");
    EXPECT_EQ(nowhere.Exit, 1);
    EXPECT_TRUE(IsOneLine(nowhere.Err)) << nowhere.Err;
    EXPECT_NE(nowhere.Err.find("set TMPDIR or XDG_RUNTIME_DIR"), std::string::npos) << nowhere.Err;
    EXPECT_FALSE(fs::exists(Dir / "c.pdf"));
}

TEST_F(RunGuaranteesTest, RunningOutOfMemoryIsSaidInWords)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
#endif
    // 20 MB of address space start the program but do not hold the largest book (25 MB).
    CliResult book =
        Cli("book --quiet --pages 200 --per-page 4 big.pdf", "", "", "prlimit --as=20971520");
    EXPECT_EQ(book.Exit, 1);
    EXPECT_EQ(book.Err, "gridquill-cli: not enough memory to make this book (about " +
                            std::to_string(gq::book::BookMemoryMegabytes([] {
                                gq::book::TBookSettings settings;
                                settings.PageCount = 200;
                                settings.PuzzlesPerPage = 4;
                                return settings;
                            }())) +
                            " MB needed)\n");
    EXPECT_EQ(UserFiles(), 0u);

    ASSERT_EQ(Cli("book --quiet --pages 200 --per-page 4 big.pdf").Exit, 0);
    fs::copy_file(Dir / "runtime" / "velmoraquill.pgs", Dir / "big.pgs");
    // 20 MB start the program but do not render the largest book.
    CliResult render = Cli("render big.pgs again.pdf", "", "", "prlimit --as=20971520");
    EXPECT_EQ(render.Exit, 1);
    EXPECT_NE(render.Err.find("not enough memory to render big.pgs (about "), std::string::npos)
        << render.Err;
    EXPECT_FALSE(fs::exists(Dir / "again.pdf"));
}

TEST_F(RunGuaranteesTest, EnvironmentIsCheckedNotGuessed)
{
    for (const char* epoch : {"abc", "-1", "1.5", "253402300800", " 5"}) {
        CliResult result =
            Cli("book --quiet --pages 1 e.pdf", std::string("SOURCE_DATE_EPOCH='") + epoch + "'");
        EXPECT_EQ(result.Exit, 1) << epoch;
        EXPECT_NE(result.Err.find("SOURCE_DATE_EPOCH"), std::string::npos) << result.Err;
    }
    EXPECT_FALSE(fs::exists(Dir / "e.pdf"));

    // A relative runtime folder is not used: the stream goes to $TMPDIR/gridquill-<uid>.
    fs::create_directory(Dir / "tmp");
    CliResult relative = Cli("book --quiet --pages 1 r.pdf",
                             "XDG_RUNTIME_DIR=runtime TMPDIR='" + (Dir / "tmp").string() + "'");
    EXPECT_EQ(relative.Exit, 0) << relative.Err;
    EXPECT_TRUE(
        fs::exists(Dir / "tmp" / ("gridquill-" + std::to_string(geteuid())) / "velmoraquill.pgs"));

    // A link to a private folder is not used, with or without a trailing slash: the stream
    // goes to a fresh private folder, and the success line says where and why.
    fs::create_directory_symlink(Dir / "runtime", Dir / "link");
    fs::remove(Dir / "runtime" / "velmoraquill.pgs");
    for (const char* link : {"link", "link/"}) {
        CliResult linked =
            Cli("book --quiet --pages 1 --force l.pdf",
                "XDG_RUNTIME_DIR='" + (Dir / link).string() + "' TMPDIR='" + Dir.string() + "'");
        EXPECT_EQ(linked.Exit, 0) << link << ": " << linked.Err;
        EXPECT_NE(linked.Out.find("is not a directory of its own"), std::string::npos)
            << linked.Out;
        EXPECT_NE(linked.Out.find("; page stream kept in " + Dir.string() + "/gridquill-"),
                  std::string::npos)
            << linked.Out;
    }
    EXPECT_FALSE(fs::exists(Dir / "runtime" / "velmoraquill.pgs"));

    CliResult unknown = Cli("bok out.pdf");
    EXPECT_EQ(unknown.Exit, 2);
    EXPECT_NE(unknown.Err.find("\"bok\"; the commands are book, cover, render and puzzle"),
              std::string::npos)
        << unknown.Err;
}

} // namespace
