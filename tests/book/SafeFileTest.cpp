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

#include <sys/stat.h>
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

TEST_F(SafeFileTest, PrivateFolderIsCreatedClosedAndReused)
{
    std::string folder = PrivateTempFolder(nullptr, Dir.c_str(), getuid());
    EXPECT_EQ(folder, (Dir / ("gridquill-" + std::to_string(getuid()))).string() + "/");
    struct stat info;
    ASSERT_EQ(lstat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(PrivateTempFolder("", Dir.c_str(), getuid()), folder)
        << "an existing private folder is reused";

    std::string runtime = (Dir / "runtime").string();
    fs::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    EXPECT_EQ(PrivateTempFolder(runtime.c_str(), "/nonexistent", getuid()), runtime + "/");
}

TEST_F(SafeFileTest, PlantedOrOpenFoldersAreRefused)
{
    std::string expected = (Dir / ("gridquill-" + std::to_string(getuid()))).string();
    fs::create_directory(Dir / "elsewhere");
    fs::create_directory_symlink(Dir / "elsewhere", expected);
    EXPECT_THROW(PrivateTempFolder(nullptr, Dir.c_str(), getuid()), Error) << "a planted link";
    fs::remove(expected);

    fs::create_directory(expected);
    chmod(expected.c_str(), 0777);
    EXPECT_THROW(PrivateTempFolder(nullptr, Dir.c_str(), getuid()), Error) << "open to others";
    chmod(expected.c_str(), 0700);
    EXPECT_THROW(PrivateTempFolder(nullptr, Dir.c_str(), getuid() + 1), Error) << "someone else's";
}

TEST_F(SafeFileTest, ARuntimeFolderMustBeAbsoluteAndNoLinkEvenWithATrailingSlash)
{
    std::string runtime = (Dir / "runtime").string();
    fs::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    EXPECT_EQ(PrivateTempFolder((runtime + "//").c_str(), "/nonexistent", getuid()), runtime + "/");
    EXPECT_EQ(PrivateTempFolder("runtime", Dir.c_str(), getuid()),
              (Dir / ("gridquill-" + std::to_string(getuid()))).string() + "/")
        << "a relative folder is not used";
    fs::create_directory_symlink(runtime, Dir / "link");
    EXPECT_THROW(PrivateTempFolder((Dir / "link/").c_str(), nullptr, getuid()), Error);
}

/// A new file, written with either kind of temporary file.
class NewFileTest : public SafeFileTest, public ::testing::WithParamInterface<bool>
{
  protected:
    bool Unnamed() const { return GetParam(); }
};

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
        {"book", "book.pdf"},     {"book.PDF", "book.PDF"},   {"my.books/out", "my.books/out.pdf"},
        {"/d/x.txt", "/d/x.txt"}, {".hidden", ".hidden.pdf"}, {"a.", "a..pdf"},
    };
    for (const auto& [given, expected] : cases)
        EXPECT_EQ(PdfPathFor(given), expected) << given;
}

} // namespace
} // namespace gq::book
