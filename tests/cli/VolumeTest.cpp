// gridquill-cli book --volume: volumes of one level share no puzzle, and a volume beyond the
// level's last is refused.
#include "book/SafeFile.h"
#include "puzzle/PuzzleBank.h"
#include "support/PageStreamText.h"
#include "support/TempFolder.h"
#include "tools/CanonicalForm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

class VolumeTest : public ::testing::Test
{
  protected:
    gq::testsupport::TTempFolder Folder{"gq-volume"};
    const fs::path Dir = Folder.Path();

    void SetUp() override
    {
        fs::create_directory(Dir / "runtime");
        chmod((Dir / "runtime").c_str(), 0700);
    }

    /// Runs gridquill-cli in Dir with `args`; returns its exit status, and its stderr in `err`.
    int Cli(const std::string& args, std::string& err)
    {
        const std::string command = "cd '" + Dir.string() + "' && XDG_RUNTIME_DIR='" +
                                    (Dir / "runtime").string() + "' '" GQ_CLI_PATH "' " + args +
                                    " >/dev/null 2>err.txt";
        const int status = std::system(command.c_str());
        err = gq::book::ReadWholeFile((Dir / "err.txt").string());
        fs::remove(Dir / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    /// Canonical forms of the puzzles of the last book, a largest one, read from its page
    /// stream.
    std::set<std::string> FormsOfLastBook() const
    {
        const auto printed = gq::book::pagetext::PlayPageStream(
            gq::book::ReadWholeFile((Dir / "runtime" / "velmoraquill.pgs").string()));
        std::set<std::string> forms;
        for (const std::string& text : gq::book::pagetext::PrintedPuzzles(printed, 200, 4)) {
            gq::tools::Grid grid{};
            EXPECT_TRUE(gq::tools::ParsePuzzle(text, grid)) << text;
            forms.insert(gq::tools::CanonicalForm(grid));
        }
        return forms;
    }
};

TEST_F(VolumeTest, TwoVolumesOfALevelShareNoPuzzle)
{
    std::string err;
    const std::string book = "book --quiet --level hard --pages 200 --per-page 4 --seed 5 ";
    ASSERT_EQ(Cli(book + "--volume 1 one.pdf", err), 0) << err;
    const std::set<std::string> one = FormsOfLastBook();
    ASSERT_EQ(Cli(book + "--volume 2 two.pdf", err), 0) << err;
    const std::set<std::string> two = FormsOfLastBook();
    EXPECT_EQ(one.size(), 800u);
    EXPECT_EQ(two.size(), 800u);
    std::set<std::string> shared;
    std::set_intersection(one.begin(), one.end(), two.begin(), two.end(),
                          std::inserter(shared, shared.end()));
    EXPECT_TRUE(shared.empty()) << shared.size() << " puzzles in both volumes";
}

TEST_F(VolumeTest, AVolumePastTheLastIsRefused)
{
    const int volumes = gq::puzzle::VolumeCount(gq::puzzle::TPuzzleBank::BuiltIn(), 5);
    std::string err;
    ASSERT_EQ(Cli("book --quiet --level extreme --pages 1 --volume " + std::to_string(volumes) +
                      " last.pdf",
                  err),
              0)
        << err;
    EXPECT_EQ(
        Cli("book --quiet --level extreme --volume " + std::to_string(volumes + 1) + " past.pdf",
            err),
        1);
    EXPECT_EQ(err, "gridquill-cli: Extreme Sudoku offers " + std::to_string(volumes) +
                       " volumes; there is no volume " + std::to_string(volumes + 1) + "\n");
    EXPECT_FALSE(fs::exists(Dir / "past.pdf"));

    for (const char* bad : {"0", "-1", "two"}) {
        EXPECT_EQ(Cli(std::string("book --volume ") + bad + " bad.pdf", err), 2) << bad;
        EXPECT_EQ(err.rfind("gridquill-cli: ", 0), 0u) << err;
        EXPECT_NE(err.find("--volume"), std::string::npos) << err;
    }
    EXPECT_FALSE(fs::exists(Dir / "bad.pdf"));
}

} // namespace
