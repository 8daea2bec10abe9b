#include "book/SafeFile.h"
#include "book/TempFolder.h"

#include "gq/Error.h"

#include <gtest/gtest.h>

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

class SafeFileTest : public ::testing::Test
{
  protected:
    fs::path Dir;

    void SetUp() override
    {
        char pattern[] = "/tmp/gq-safefile-XXXXXX";
        Dir = mkdtemp(pattern);
    }
    void TearDown() override { fs::remove_all(Dir); }

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

TEST_F(SafeFileTest, ReplacementHappensOnlyWhenTheWriterSucceeds)
{
    fs::path target = Dir / "book.pdf";
    std::ofstream(target) << "old book";

    EXPECT_THROW(ReplaceFileSafely(target.string(),
                                   [](const std::string& temp) {
                                       std::ofstream(temp) << "half a book";
                                       throw Error("render failed");
                                   }),
                 Error);
    EXPECT_EQ(Contents(target), "old book");
    EXPECT_EQ(EntryCount(), 1u) << "the temporary file is gone";

    std::string usedPath;
    ReplaceFileSafely(target.string(), [&](const std::string& temp) {
        usedPath = temp;
        std::ofstream(temp) << "new book";
    });
    EXPECT_EQ(Contents(target), "new book");
    EXPECT_EQ(fs::path(usedPath).parent_path(), Dir) << "written beside the target";
    EXPECT_EQ(fs::path(usedPath).extension(), ".pdf");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(SafeFileTest, MissingOrUnwritableFoldersAreNamed)
{
    try {
        ReplaceFileSafely((Dir / "missing" / "book.pdf").string(), [](const std::string&) {});
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("missing"), std::string::npos) << e.what();
    }
    if (geteuid() != 0) // root writes anywhere
    {
        fs::create_directory(Dir / "locked");
        chmod((Dir / "locked").c_str(), 0500);
        EXPECT_THROW(
            ReplaceFileSafely((Dir / "locked" / "b.pdf").string(), [](const std::string&) {}),
            Error);
    }
}

TEST_F(SafeFileTest, WritingRefusesToFollowALink)
{
    fs::path victim = Dir / "victim";
    std::ofstream(victim) << "precious";
    fs::create_symlink(victim, Dir / "velmoraquill.pgs");
    EXPECT_THROW(WriteFileNoFollow((Dir / "velmoraquill.pgs").string(), "stream"), Error);
    EXPECT_EQ(Contents(victim), "precious");

    WriteFileNoFollow((Dir / "plain").string(), std::string("a\0b", 3));
    EXPECT_EQ(Contents(Dir / "plain"), std::string("a\0b", 3));
    EXPECT_THROW(ReadWholeFile((Dir / "absent").string()), Error);
}

} // namespace
} // namespace gq::book
