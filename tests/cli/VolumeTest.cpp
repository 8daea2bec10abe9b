// gridquill-cli book --volume: volumes of one level share no puzzle, and a volume beyond the
// level's last is refused.
#include "CliRunner.h"
#include "puzzle/PuzzleBank.h"
#include "support/PageStreamText.h"
#include "tools/CanonicalForm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>

namespace
{

namespace fs = std::filesystem;

class VolumeTest : public gq::test::CliFixture
{
  protected:
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
    const std::string book = "book --quiet --level hard --pages 200 --per-page 4 --seed 5 ";
    ASSERT_EQ(Cli(book + "--volume 1 one.pdf").Exit, 0);
    const std::set<std::string> one = FormsOfLastBook();
    ASSERT_EQ(Cli(book + "--volume 2 two.pdf").Exit, 0);
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
    gq::test::CliResult last = Cli("book --quiet --level extreme --pages 1 --volume " +
                                   std::to_string(volumes) + " last.pdf");
    ASSERT_EQ(last.Exit, 0) << last.Err;
    gq::test::CliResult past =
        Cli("book --quiet --level extreme --volume " + std::to_string(volumes + 1) + " past.pdf");
    EXPECT_EQ(past.Exit, 2) << "a usage error, like every number out of its range";
    EXPECT_EQ(past.Err, "gridquill-cli: Extreme Sudoku offers " + std::to_string(volumes) +
                            " volumes; there is no volume " + std::to_string(volumes + 1) + "\n");
    EXPECT_FALSE(fs::exists(Dir / "past.pdf"));

    for (const char* bad : {"0", "-1", "two"}) {
        gq::test::CliResult result = Cli(std::string("book --volume ") + bad + " bad.pdf");
        EXPECT_EQ(result.Exit, 2) << bad;
        EXPECT_EQ(result.Err.rfind("gridquill-cli: ", 0), 0u) << result.Err;
        EXPECT_NE(result.Err.find("--volume"), std::string::npos) << result.Err;
    }
    EXPECT_FALSE(fs::exists(Dir / "bad.pdf"));
}

} // namespace
