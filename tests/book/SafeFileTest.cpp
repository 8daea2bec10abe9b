#include "book/SafeFile.h"

#include "Interrupt.h"
#include "book/TempFolder.h"
#include "gq/Error.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace gq::book
{
namespace
{

namespace fs = std::filesystem;

class SafeFileTest : public testsupport::TTempFolderTest
{
  protected:
    static std::string Contents(const fs::path& path) { return ReadWholeFile(path.string()); }
    std::size_t EntryCount() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(Dir), fs::directory_iterator()));
    }
};

/// The folder PrivateTempFolder chooses, and the note it gives.
std::pair<std::string, std::string> Chosen(const char* runtimeDir, const char* tmpDir, uid_t uid)
{
    TPrivateFolder folder = PrivateTempFolder(runtimeDir, tmpDir, uid);
    return {folder.Path, folder.Fallback};
}

/// Whether `folder` is a directory (no link) of this user's that nobody else may use.
bool IsPrivateFolder(const std::string& folder)
{
    struct stat info;
    return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & 0777) == 0700;
}

TEST_F(SafeFileTest, PrivateFolderIsCreatedClosedAndReused)
{
    auto [folder, note] = Chosen(nullptr, Dir.c_str(), getuid());
    EXPECT_EQ(folder, (Dir / ("gridquill-" + std::to_string(getuid()))).string() + "/");
    EXPECT_EQ(note, "") << "the usual folder needs no word";
    EXPECT_TRUE(IsPrivateFolder(folder));
    EXPECT_EQ(Chosen("", Dir.c_str(), getuid()).first, folder)
        << "an existing private folder is reused";

    std::string runtime = (Dir / "runtime").string();
    fs::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    EXPECT_EQ(Chosen(runtime.c_str(), "/nonexistent", getuid()).first, runtime + "/");
}

TEST_F(SafeFileTest, APlantedOrOpenFolderIsLeftForAFreshPrivateOne)
{
    const std::string usual = (Dir / ("gridquill-" + std::to_string(getuid()))).string();
    fs::create_directory(Dir / "elsewhere");
    auto expectFallback = [&](uid_t uid, const std::string& why) {
        const std::string named = (Dir / ("gridquill-" + std::to_string(uid))).string();
        auto [folder, note] = Chosen(nullptr, Dir.c_str(), uid);
        EXPECT_EQ(folder.rfind(named + ".", 0), 0u) << folder;
        EXPECT_TRUE(IsPrivateFolder(folder)) << folder;
        EXPECT_NE(note.find(named + " " + why), std::string::npos) << note;
        EXPECT_NE(Chosen(nullptr, Dir.c_str(), uid).first, folder) << "a fresh folder each time";
    };
    fs::create_directory_symlink(Dir / "elsewhere", usual);
    expectFallback(getuid(), "is not a directory of its own");
    fs::remove(usual);
    std::ofstream(usual) << "a file in the way";
    expectFallback(getuid(), "is not a directory of its own");
    fs::remove(usual);

    fs::create_directory(usual);
    chmod(usual.c_str(), 0777);
    expectFallback(getuid(), "is open to other users");
    chmod(usual.c_str(), 0700);
    expectFallback(getuid() + 1, "belongs to another user");
    EXPECT_TRUE(fs::is_empty(Dir / "elsewhere")) << "nothing went through the link";
}

TEST_F(SafeFileTest, WithoutAnyUsableFolderTheMessageSaysHowToChooseOne)
{
    fs::create_directory(Dir / "runtime");
    chmod((Dir / "runtime").c_str(), 0777);
    try {
        PrivateTempFolder((Dir / "runtime").c_str(), (Dir / "absent").c_str(), getuid());
        FAIL() << "no folder can be used";
    } catch (const Error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find((Dir / "runtime").string() + " is open to other users"),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find((Dir / "absent").string()), std::string::npos) << message;
        EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;
        EXPECT_NE(message.find("set TMPDIR or XDG_RUNTIME_DIR"), std::string::npos) << message;
    }
}

TEST_F(SafeFileTest, ARuntimeFolderMustBeAbsoluteAndNoLinkEvenWithATrailingSlash)
{
    std::string runtime = (Dir / "runtime").string();
    fs::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    EXPECT_EQ(Chosen((runtime + "//").c_str(), "/nonexistent", getuid()).first, runtime + "/");
    EXPECT_EQ(Chosen("runtime", Dir.c_str(), getuid()).first,
              (Dir / ("gridquill-" + std::to_string(getuid()))).string() + "/")
        << "a relative folder is not used";
    fs::create_directory_symlink(runtime, Dir / "link");
    auto [folder, note] = Chosen((Dir / "link/").c_str(), Dir.c_str(), getuid());
    EXPECT_NE(folder, runtime + "/");
    EXPECT_TRUE(IsPrivateFolder(folder)) << folder;
    EXPECT_NE(note.find("link is not a directory of its own"), std::string::npos) << note;
}

TEST_F(SafeFileTest, ProgramsStartedAfterTheHandlersAreInstalledIgnoreNoSignal)
{
    // An ignored signal stays ignored across exec; a handled one is reset to the default.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstallInterruptCleanup();
        const std::string out = (Dir / "status").string();
        execl("/bin/sh", "sh", "-c", ("grep ^SigIgn /proc/self/status >'" + out + "'").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string line = Contents(Dir / "status");
    ASSERT_EQ(line.rfind("SigIgn:", 0), 0u) << line;
    const unsigned long long ignored = std::stoull(line.substr(7), nullptr, 16);
    for (int signal : {SIGPIPE, SIGXFSZ})
        EXPECT_EQ(ignored & (1ull << (signal - 1)), 0u) << "signal " << signal << ": " << line;
}

TEST_F(SafeFileTest, WritesPastTheFileSizeLimitOrToAClosedPipeFailWithAReason)
{
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstallInterruptCleanup();
        struct rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string message;
        try {
            WriteNewFile((Dir / "big.pdf").string(), std::string(8192, 'x'),
                         TFileAudience::Document, TReplace::Never);
        } catch (const Error& e) {
            message = e.what();
        }
        int ends[2];
        if (pipe(ends) != 0)
            _exit(2);
        close(ends[0]);
        const bool pipeFailed = write(ends[1], "x", 1) < 0 && errno == EPIPE;
        _exit(message.find("big.pdf: File too large") != std::string::npos && pipeFailed ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(fs::exists(Dir / "big.pdf"));
}

/// A new file, written with either kind of temporary file.
class NewFileTest : public SafeFileTest, public ::testing::WithParamInterface<bool>
{
  protected:
    bool Unnamed() const { return GetParam(); }
};

// The book plays its page stream from a mapping of the file it just wrote: every byte written,
// in order, and nothing for a file with nothing in it; the view outlives a move.
TEST_P(NewFileTest, MappedBackIsExactlyWhatWasWritten)
{
    TNewFile file((Dir / "stream.pgs").string(), TFileAudience::Private, Unnamed());
    EXPECT_EQ(file.MapBack().View(), "");
    std::string written;
    for (int i = 0; i < 3000; ++i) { // more than a page of the file
        const std::string part = "part " + std::to_string(i) + ";";
        file.Write(part);
        written += part;
    }
    file.Write(std::string_view("\0tail", 5));
    written.append("\0tail", 5);
    TMappedBytes mapped = file.MapBack();
    TMappedBytes moved = std::move(mapped);
    EXPECT_EQ(mapped.View(), "");
    EXPECT_EQ(moved.View(), written);
    EXPECT_EQ(moved.View(), file.ReadBack());
}

TEST_P(NewFileTest, NothingAppearsBeforeCommitAndNothingStaysWithoutIt)
{
    fs::path target = Dir / "book.pdf";
    {
        TNewFile file(target.string(), TFileAudience::Document, Unnamed());
        file.Write("half a book");
        EXPECT_EQ(file.ReadBack(), "half a book");
        EXPECT_FALSE(fs::exists(target));
        EXPECT_EQ(EntryCount(), Unnamed() ? 0u : 1u);
    }
    EXPECT_EQ(EntryCount(), 0u) << "an abandoned file is gone";

    TNewFile file(target.string(), TFileAudience::Document, Unnamed());
    file.Write("a whole book");
    file.Commit(TReplace::Never);
    EXPECT_EQ(Contents(target), "a whole book");
    EXPECT_EQ(EntryCount(), 1u);
    EXPECT_THROW(file.Write("more"), std::logic_error);
}

TEST_P(NewFileTest, ReplacingNeedsConsentAndKeepsOnlyPermissionBits)
{
    fs::path target = Dir / "book.pdf";
    std::ofstream(target) << "old book";
    chmod(target.c_str(), 06751);

    {
        TNewFile refused(target.string(), TFileAudience::Document, Unnamed());
        refused.Write("new book");
        EXPECT_THROW(refused.Commit(TReplace::Never), TFileExistsError);
        EXPECT_EQ(Contents(target), "old book");
    }

    TNewFile replacing(target.string(), TFileAudience::Document, Unnamed());
    replacing.Write("new book");
    replacing.Commit(TReplace::Always);
    EXPECT_EQ(Contents(target), "new book");
    struct stat info;
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0751u);

    WriteNewFile((Dir / "own.pgs").string(), "stream", TFileAudience::Private, TReplace::Always);
    ASSERT_EQ(stat((Dir / "own.pgs").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(EntryCount(), 2u);
}

TEST_P(NewFileTest, ALinkAtThePrivateStreamIsReplacedNotFollowed)
{
    fs::path victim = Dir / "victim";
    std::ofstream(victim) << "precious";
    fs::create_symlink(victim, Dir / "velmoraquill.pgs");
    WriteNewFile((Dir / "velmoraquill.pgs").string(), "stream", TFileAudience::Private,
                 TReplace::Always);
    EXPECT_EQ(Contents(victim), "precious");
    EXPECT_FALSE(fs::is_symlink(Dir / "velmoraquill.pgs"));
    EXPECT_EQ(Contents(Dir / "velmoraquill.pgs"), "stream");
}

TEST_P(NewFileTest, AnInterruptedProgramLeavesNoFile)
{
    fs::path target = Dir / "book.pdf";
    auto write = [&] {
        TNewFile file(target.string(), TFileAudience::Document, Unnamed());
        file.Write(std::string(1 << 20, 'x'));
        raise(SIGSTOP); // interrupted here, while the file is being written
        file.Commit(TReplace::Never);
    };
    EXPECT_TRUE(test::EndsByInterruptAtStop(write, SIGTERM, [&] {
        EXPECT_EQ(EntryCount(), Unnamed() ? 0u : 1u) << "stopped mid-write";
    }));
    EXPECT_EQ(EntryCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(UnnamedAndNamed, NewFileTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Unnamed" : "Named"; });

TEST_F(SafeFileTest, ErrorsNameTheUsersPathAndTheReason)
{
    try {
        TNewFile file((Dir / "missing" / "book.pdf").string(), TFileAudience::Document);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write " + (Dir / "missing" / "book.pdf").string() +
                                             ": the folder " + (Dir / "missing").string() +
                                             " does not exist");
    }
    EXPECT_THROW(CheckDocumentPath(Dir.string() + "/"), Error);
    EXPECT_THROW(CheckDocumentPath(Dir.string()), Error);
    EXPECT_THROW(CheckDocumentPath("/dev/null"), Error);
    EXPECT_THROW(CheckDocumentPath(""), Error);
    EXPECT_NO_THROW(CheckDocumentPath((Dir / "new.pdf").string()));
    EXPECT_THROW(ReadWholeFile((Dir / "absent").string()), Error);
}

TEST_F(SafeFileTest, TheFileNamesSuffixDecidesAboutPdf)
{
    const std::pair<const char*, const char*> cases[] = {
        {"book", "book.pdf"},
        {"book.PDF", "book.PDF"},
        {"my.books/out", "my.books/out.pdf"},
        {"/d/x.txt", "/d/x.txt"},
        {".hidden", ".hidden.pdf"},
        {"a.", "a.pdf"},
        {"d/book.", "d/book.pdf"},
        // Only 1 to 4 letters or digits after the last dot are a suffix.
        {"Hard Sudoku Vol. 3", "Hard Sudoku Vol. 3.pdf"},
        {"d/Vol.3", "d/Vol.3"},
        {"a.b c", "a.b c.pdf"},
        {"book.final", "book.final.pdf"},
        {"book.jpeg", "book.jpeg"},
        {"v1.2-draft", "v1.2-draft.pdf"},
    };
    for (const auto& [given, expected] : cases)
        EXPECT_EQ(PdfPathFor(given), expected) << given;
    // A name that is only the suffix names no book.
    for (const char* suffix : {".pdf", "d/.PDF"})
        EXPECT_THROW(PdfPathFor(suffix), Error) << suffix;
}

} // namespace
} // namespace gq::book
