#include "book/PlanFile.h"

#include "book/SafeFile.h"
#include "book/TempFolder.h"
#include "gq/Error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace gq::book
{
namespace
{

/// A plan with every key set away from its default, sections included.
TPlanFile FullPlan()
{
    TPlanFile plan;
    TBookSettings& s = plan.Settings;
    s.Title = "Sudoku \"Café\" \\ Road";
    s.Author = "R. Quill";
    s.Publisher = "Harbour Lane Press";
    s.Website = "https://example.org/books";
    s.Edition = "First edition";
    s.Isbn = "978-0-306-40615-7";
    s.Paper = "6x9";
    s.PuzzlesPerPage = 2;
    s.AnswersPerPage = 6;
    s.Volume = 2;
    s.PrintReady = true;
    s.BoldGivens = true;
    s.Sections = {{1, 60}, {3, 40}, {0, 10}, {4, 20}};
    s.Hints = true;
    s.WorkedSolutions = 3;
    s.AnswerNotes = true;
    plan.Seed = 7;
    plan.Output = "puzzles/road book.pdf";
    return plan;
}

TEST(PlanFileTest, WrittenPlansReadBackAsTheSameSettings)
{
    const TPlanFile full = FullPlan();
    EXPECT_EQ(ParsePlan(PlanText(full), "full.toml"), full);

    // A plain one-level book: pages and level are written, sections are not.
    TPlanFile plain;
    plain.Settings.LevelIndex = 5;
    plain.Settings.PageCount = kMaxPageCount;
    plain.Settings.PuzzlesPerPage = 1;
    plain.Settings.Candidates = true;
    plain.Seed = 18446744073709551615ull; // beyond a TOML integer: written as text
    const std::string text = PlanText(plain);
    EXPECT_NE(text.find("seed = \"18446744073709551615\""), std::string::npos) << text;
    EXPECT_NE(text.find("level = \"extreme\""), std::string::npos) << text;
    EXPECT_EQ(ParsePlan(text, "plain.toml"), plain);

    // Without a seed or output the plan says nothing of them.
    EXPECT_EQ(ParsePlan(PlanText(TPlanFile{}), "default.toml"), TPlanFile{});
}

TEST(PlanFileTest, AnEmptyPlanIsTheDefaultBookAndKeysMayComeInAnyOrder)
{
    EXPECT_EQ(ParsePlan("", "empty.toml"), TPlanFile{});
    const TPlanFile plan = ParsePlan(R"(large-print = true
answers-per-page = 9
seed = "12"
level = "hard"
pages = 3
)",
                                     "any.toml");
    EXPECT_TRUE(plan.Settings.LargePrint);
    EXPECT_EQ(plan.Settings.AnswersPerPage, 9); // taken: large print makes the book print-ready
    EXPECT_EQ(plan.Settings.LevelIndex, 3);
    EXPECT_EQ(plan.Settings.PageCount, 3);
    EXPECT_EQ(plan.Seed, 12u);
}

struct TBadPlan
{
    const char* Name;
    std::string Text;
    int Line;
    int Column;
    const char* Key;
    const char* Reason; ///< a part of the message after the key
};

TEST(PlanFileTest, MalformedPlansNameTheirLineColumnAndKey)
{
    const TBadPlan cases[] = {
        {"unknown key", "title = \"A\"\ncolour = \"red\"\n", 2, 1, "colour", "unknown key"},
        {"text for a number", "pages = \"20\"\n", 1, 9, "pages", "must be a whole number"},
        {"number for a text", "title = 5\n", 1, 9, "title", "must be text in quotes"},
        {"text for a flag", "pdfx = \"yes\"\n", 1, 8, "pdfx", "must be true or false"},
        {"decimal pages", "pages = 2.5\n", 1, 9, "pages", "not a decimal number"},
        {"too many pages", "pages = 201\n", 1, 9, "pages", "1 to 200 pages, not 201"},
        {"no pages", "pages = 0\n", 1, 9, "pages", "not 0"},
        {"huge pages", "pages = 99999999999\n", 1, 9, "pages", "far out of range"},
        {"three per page", "per-page = 3\n", 1, 12, "per-page", "1, 2 or 4 puzzles, not 3"},
        {"five answers", "answers-per-page = 5\n", 1, 20, "answers-per-page", "4, 6 or 9"},
        {"bad level", "level = \"tricky\"\n", 1, 9, "level", "no level \"tricky\""},
        {"bad paper", "paper = \"a3\"\n", 1, 9, "paper", "no paper size \"a3\""},
        {"bad ISBN", "isbn = \"978-0-306-40615-8\"\n", 1, 8, "isbn", "check digit"},
        {"long title", ("title = \"" + std::string(121, 'x') + "\"\n"), 1, 9, "title", "120"},
        {"volume 0", "volume = 0\n", 1, 10, "volume", "from 1"},
        {"seven worked solutions", "worked = 7\n", 1, 10, "worked", "0 to 6"},
        {"text for hints", "hints = \"yes\"\n", 1, 9, "hints", "must be true or false"},
        {"volume beyond the bank", "volume = 100000\n", 1, 10, "volume", "volume"},
        {"negative seed", "seed = -1\n", 1, 8, "seed", "from 0 to"},
        {"seed text", "seed = \"0x10\"\n", 1, 8, "seed", "from 0 to"},
        {"empty output", "output = \"\"\n", 1, 10, "output", "is empty"},
        {"syntax error", "title = \"A\"\npages = = 3\n", 2, 9, "", ""},
        {"unclosed text", "title = \"A\n", 1, 11, "", ""},
        {"duplicate section level",
         "[[section]]\nlevel = \"easy\"\npuzzles = 5\n[[section]]\nlevel = \"easy\"\npuzzles = "
         "6\n",
         5, 9, "section.level", "two sections"},
        {"too many puzzles",
         "[[section]]\nlevel = \"easy\"\npuzzles = 500\n[[section]]\nlevel = \"hard\"\npuzzles = "
         "301\n",
         6, 11, "section.puzzles", "more than 800"},
        {"empty section", "[[section]]\nlevel = \"easy\"\npuzzles = 0\n", 3, 11, "section.puzzles",
         "at least 1"},
        {"section without puzzles", "[[section]]\nlevel = \"easy\"\n", 1, 1, "section.puzzles",
         "missing"},
        {"unknown section key", "[[section]]\nlevel = \"easy\"\ncount = 4\n", 3, 1, "section.count",
         "unknown key"},
        {"section as a value", "section = \"easy:60\"\n", 1, 11, "section", "[[section]]"},
        {"pages beside sections", "pages = 10\n[[section]]\nlevel = \"easy\"\npuzzles = 4\n", 1, 1,
         "pages", "cannot be combined"},
        // Rules between keys are blamed on the key that breaks them, in file order.
        {"candidates with two a page", "candidates = true\nper-page = 2\n", 2, 12, "per-page",
         "candidates"},
        {"six answers in a plain book", "paper = \"a4\"\nanswers-per-page = 6\n", 2, 20,
         "answers-per-page", "print-ready"},
        {"large print with four a page", "per-page = 4\nlarge-print = true\n", 2, 15, "large-print",
         "one puzzle per page"},
    };
    for (const TBadPlan& bad : cases) {
        SCOPED_TRACE(bad.Name);
        try {
            ParsePlan(bad.Text, "book.toml");
            ADD_FAILURE() << "taken";
        } catch (const TPlanFileError& e) {
            const std::string where =
                "book.toml:" + std::to_string(bad.Line) + ":" + std::to_string(bad.Column) + ": ";
            const std::string message = e.what();
            EXPECT_EQ(message.substr(0, where.size()), where) << message;
            EXPECT_EQ(e.Key(), bad.Key) << message;
            if (*bad.Key) {
                EXPECT_EQ(message.substr(where.size(), e.Key().size() + 2), e.Key() + ": ")
                    << message;
            }
            EXPECT_NE(message.find(bad.Reason), std::string::npos) << message;
        }
    }
}

TEST(PlanFileTest, FilesAreWrittenWholeAndNeverOverAFileUnasked)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("gq-plan-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
         std::to_string(reinterpret_cast<std::uintptr_t>(&folder)));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "book.toml").string();

    WritePlanFile(FullPlan(), path, TReplace::Never);
    EXPECT_EQ(ReadPlanFile(path), FullPlan());
    EXPECT_THROW(WritePlanFile(TPlanFile{}, path, TReplace::Never), TFileExistsError);
    EXPECT_EQ(ReadPlanFile(path), FullPlan());
    WritePlanFile(TPlanFile{}, path, TReplace::Always);
    EXPECT_EQ(ReadPlanFile(path), TPlanFile{});

    // A missing file names its path; a bad one its path, line and column.
    try {
        ReadPlanFile((folder / "none.toml").string());
        ADD_FAILURE() << "read";
    } catch (const TPlanFileError&) {
        ADD_FAILURE() << "a missing file is no syntax error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("none.toml"), std::string::npos) << e.what();
    }
    std::ofstream(path) << "\n\npaper = \"quarto\"\n";
    try {
        ReadPlanFile(path);
        ADD_FAILURE() << "read";
    } catch (const TPlanFileError& e) {
        EXPECT_EQ(e.Path(), path);
        EXPECT_EQ(e.Line(), 3);
        EXPECT_EQ(e.Column(), 9);
    }
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace gq::book
