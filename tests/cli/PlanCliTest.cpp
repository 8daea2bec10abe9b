#include "CliRunner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace
{

namespace fs = std::filesystem;
using Result = gq::test::CliResult;
using PlanCliTest = gq::test::CliFixture;

const std::string kEpoch = "SOURCE_DATE_EPOCH=1700000000";

TEST_F(PlanCliTest, ASavedPlanMakesTheSameBookAgain)
{
    // No seed given: the one taken from the clock goes into the plan.
    Result first = Cli("book --quiet --pages 2 --level hard --per-page 2 --save-plan plain.toml "
                       "a.pdf",
                       kEpoch);
    ASSERT_EQ(first.Exit, 0) << first.Err;
    const std::string plain = Contents("plain.toml");
    EXPECT_NE(plain.find("\nseed = "), std::string::npos) << plain;
    EXPECT_NE(plain.find("\noutput = \"a.pdf\"\n"), std::string::npos) << plain;
    ASSERT_EQ(Cli("book --quiet --plan plain.toml b.pdf", kEpoch).Exit, 0);
    EXPECT_EQ(Contents("a.pdf"), Contents("b.pdf"));

    // A print-ready book of several levels, every text of its front matter set.
    Result sectioned = Cli("book --quiet --seed 7 --paper 6x9 --per-page 2 --answers-per-page 6 "
                           "--volume 2 --title 'Four \"Roads\"' --author 'R. Quill' "
                           "--publisher 'Harbour Lane Press' --isbn 978-0-306-40615-7 "
                           "--section easy:4 --section hard:2 --section very-easy:2 "
                           "--save-plan four.toml c.pdf",
                           kEpoch);
    ASSERT_EQ(sectioned.Exit, 0) << sectioned.Err;
    const std::string four = Contents("four.toml");
    EXPECT_NE(four.find("\nseed = 7\n"), std::string::npos) << four;
    EXPECT_EQ(four.find("\npages = "), std::string::npos) << "sections set the pages";
    Result again = Cli("book --quiet --plan four.toml d.pdf", kEpoch);
    ASSERT_EQ(again.Exit, 0) << again.Err;
    EXPECT_EQ(Contents("c.pdf"), Contents("d.pdf"));
}

TEST_F(PlanCliTest, OptionsAndOutputBesideThePlanWin)
{
    std::ofstream(Dir / "p.toml") << "pages = 2\nlevel = \"expert\"\nseed = 3\n"
                                     "output = \"from-plan.pdf\"\n";
    Result planned = Cli("book --quiet --plan p.toml");
    ASSERT_EQ(planned.Exit, 0) << planned.Err;
    EXPECT_EQ(planned.Out, "from-plan.pdf: 3 pages\n");

    Result more = Cli("book --quiet --plan p.toml --pages 3 more.pdf");
    ASSERT_EQ(more.Exit, 0) << more.Err;
    EXPECT_EQ(more.Out, "more.pdf: 4 pages\n");

    // The same plan with the command line's seed is another book.
    ASSERT_EQ(Cli("book --quiet --plan p.toml --seed 3 same.pdf", kEpoch).Exit, 0);
    ASSERT_EQ(Cli("book --quiet --plan p.toml other.pdf", kEpoch).Exit, 0);
    ASSERT_EQ(Cli("book --quiet --plan p.toml --seed 4 new.pdf", kEpoch).Exit, 0);
    EXPECT_EQ(Contents("same.pdf"), Contents("other.pdf"));
    EXPECT_NE(Contents("same.pdf"), Contents("new.pdf"));

    // Sections from the plan refuse --level beside them, as --section does.
    std::ofstream(Dir / "s.toml") << "[[section]]\nlevel = \"easy\"\npuzzles = 2\n";
    Result level = Cli("book --plan s.toml --level hard x.pdf");
    EXPECT_EQ(level.Exit, 2);
    EXPECT_NE(level.Err.find("--level cannot be combined with the sections of s.toml"),
              std::string::npos)
        << level.Err;
    Result noOutput = Cli("book --plan s.toml");
    EXPECT_EQ(noOutput.Exit, 2);
    EXPECT_NE(noOutput.Err.find("OUTPUT is required"), std::string::npos) << noOutput.Err;
    EXPECT_FALSE(fs::exists(Dir / "x.pdf"));
}

TEST_F(PlanCliTest, ABadPlanWritesNothing)
{
    const struct
    {
        const char* Plan;
        const char* Message;
    } cases[] = {
        {"pages = 2\nlevel = \"hardest\"\n",
         "gridquill-cli: bad.toml:2:9: level: there is no level \"hardest\";"},
        {"pages = 2\ncolour = 3\n", "gridquill-cli: bad.toml:2:1: colour: unknown key;"},
        {"pages = [2\n", "gridquill-cli: bad.toml:"},
        {"candidates = true\nper-page = 4\n", "gridquill-cli: bad.toml:2:12: per-page: "},
    };
    for (const auto& bad : cases) {
        std::ofstream(Dir / "bad.toml") << bad.Plan;
        Result result = Cli("book --quiet --plan bad.toml --save-plan saved.toml out.pdf");
        EXPECT_EQ(result.Exit, 2) << bad.Plan;
        EXPECT_EQ(result.Err.rfind(bad.Message, 0), 0u) << result.Err;
        EXPECT_TRUE(IsOneLine(result.Err)) << result.Err;
        EXPECT_EQ(UserFiles(), 1u) << bad.Plan;
    }
    Result missing = Cli("book --plan none.toml out.pdf");
    EXPECT_EQ(missing.Exit, 2);
    EXPECT_NE(missing.Err.find("none.toml"), std::string::npos) << missing.Err;
}

TEST_F(PlanCliTest, ThePlanAppearsOnlyBesideAFinishedBook)
{
    // A plan already there is kept without --force, and nothing is made.
    std::ofstream(Dir / "kept.toml") << "pages = 1\n";
    Result kept = Cli("book --quiet --pages 1 --save-plan kept.toml out.pdf");
    EXPECT_EQ(kept.Exit, 1);
    EXPECT_NE(kept.Err.find("kept.toml already exists; use --force"), std::string::npos)
        << kept.Err;
    EXPECT_EQ(Contents("kept.toml"), "pages = 1\n");
    EXPECT_FALSE(fs::exists(Dir / "out.pdf"));

    // A book that fails leaves no plan.
    std::ofstream(Dir / "taken.pdf") << "mine";
    Result failed = Cli("book --quiet --pages 1 --save-plan new.toml taken.pdf");
    EXPECT_EQ(failed.Exit, 1);
    EXPECT_FALSE(fs::exists(Dir / "new.toml"));
    EXPECT_EQ(Contents("taken.pdf"), "mine");

    // A folder that cannot take the plan fails before any work.
    Result folder = Cli("book --quiet --pages 1 --save-plan no/such/plan.toml out.pdf");
    EXPECT_EQ(folder.Exit, 1);
    EXPECT_NE(folder.Err.find("no/such/plan.toml"), std::string::npos) << folder.Err;
    EXPECT_FALSE(fs::exists(Dir / "out.pdf"));

    Result same = Cli("book --quiet --pages 1 --save-plan out.pdf out");
    EXPECT_EQ(same.Exit, 2);
    EXPECT_FALSE(fs::exists(Dir / "out.pdf"));

    ASSERT_EQ(Cli("book --quiet --force --pages 1 --save-plan kept.toml out.pdf").Exit, 0);
    EXPECT_NE(Contents("kept.toml"), "pages = 1\n");
}

} // namespace
