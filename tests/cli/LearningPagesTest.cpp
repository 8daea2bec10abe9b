// Hints, worked solutions and answer notes of a print-ready book, read back from the PDF:
// every step's sentence in order with a diagram beside it, a hint for every puzzle, a note
// under every answer, and every mark of the new pages half an inch inside the trim.
#include "MutoolTrace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using gq::test::PageInk;
using gq::test::RunCommand;
using gq::test::Segment;

class LearningPagesTest : public gq::test::CliFixture
{
  protected:
    std::string Book(const std::string& args)
    {
        const std::string pdf = (Dir / "learn.pdf").string();
        const gq::test::CliResult made =
            Cli("book --quiet --seed 5 --force " + args + " '" + pdf + "'",
                "SOURCE_DATE_EPOCH=1767225600");
        EXPECT_EQ(made.Exit, 0) << made.Err;
        return pdf;
    }
    static std::string PageText(const std::string& pdf, int page)
    {
        const std::string n = std::to_string(page);
        return RunCommand("pdftotext -raw -f " + n + " -l " + n + " '" + pdf + "' -").Out;
    }
};

/// The diagrams of a page: a step's grid has four thick box rules 2.2 in (158.4 pt) long.
int Diagrams(const PageInk& page)
{
    int rules = 0;
    for (const Segment& s : page.Segments)
        if (s.Stroked && s.Y1 == s.Y2 && s.Width >= 2 && s.Width < 3 &&
            std::abs(s.Length() - 158.4) < 1)
            ++rules;
    return rules / 4;
}

TEST_F(LearningPagesTest, FourSectionBookWorksEveryStepInOrderBesideItsDiagram)
{
    const std::string pdf = Book("--section easy:3 --section standard:3 --section hard:3 "
                                 "--section expert:3 --worked 4 --hints --answer-notes");
    const std::vector<PageInk> pages = gq::test::TraceInk(pdf);
    ASSERT_FALSE(pages.empty());
    const std::regex stepLine(R"(^(\d+)\. \S)");
    const std::regex heading(R"(Worked solution: Sudoku #(\d+)( - page \d+)?)");
    std::vector<int> worked;
    int expected = 0, sentences = 0, diagrams = 0, hints = 0, notes = 0, workedPages = 0;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const std::string text = PageText(pdf, static_cast<int>(p) + 1);
        std::smatch match;
        if (std::regex_search(text, match, heading)) {
            if (match[2].matched) { // a puzzle's first page: its steps count from 1 again
                worked.push_back(std::stoi(match[1]));
                expected = 1;
            }
            std::istringstream lines(text);
            int onPage = 0;
            for (std::string line; std::getline(lines, line);)
                if (std::smatch step; std::regex_search(line, step, stepLine)) {
                    EXPECT_EQ(std::stoi(step[1]), expected) << "page " << p + 1 << ": " << line;
                    expected = std::stoi(step[1]) + 1;
                    ++onPage;
                }
            EXPECT_GE(onPage, 2) << "several steps on page " << p + 1;
            // A diagram beside each step, or beside each run of up to six singles.
            EXPECT_GE(Diagrams(pages[p]), 1) << "page " << p + 1;
            EXPECT_LE(Diagrams(pages[p]), onPage) << "page " << p + 1;
            EXPECT_GE(Diagrams(pages[p]) * 6, onPage) << "page " << p + 1;
            ++workedPages;
            sentences += onPage;
            diagrams += Diagrams(pages[p]);
            // Half an inch (36 pt) inside the trim, text and strokes alike.
            for (const auto& run : pages[p].Texts)
                EXPECT_TRUE(run.Ink.X1 >= 36 && run.Ink.X2 <= pages[p].Width - 36 &&
                            run.Ink.Y1 >= 36 && run.Ink.Y2 <= pages[p].Height - 36)
                    << "page " << p + 1 << ": " << run.Text;
            for (const Segment& s : pages[p].Segments) {
                const gq::test::Box ink = s.Ink();
                EXPECT_TRUE(ink.X1 >= 36 && ink.X2 <= pages[p].Width - 36 && ink.Y1 >= 36 &&
                            ink.Y2 <= pages[p].Height - 36)
                    << "page " << p + 1;
            }
        }
        for (std::size_t at = text.find("#"); at != std::string::npos; at = text.find("#", at + 1))
            if (std::regex_search(text.substr(at, 6), std::regex(R"(^#\d+: )")))
                ++hints;
        for (std::size_t at = text.find("Hardest: "); at != std::string::npos;
             at = text.find("Hardest: ", at + 1))
            ++notes;
    }
    // The first puzzle of each section, worked through; a step's sentence beside each grid.
    EXPECT_EQ(worked, (std::vector<int>{1, 4, 7, 10}));
    EXPECT_GT(sentences, 4 * 20);
    EXPECT_GE(diagrams * 6, sentences);
    // Runs of singles share their diagram: a page holds a dozen steps or more on average.
    EXPECT_LE(workedPages * 12, sentences);
    EXPECT_EQ(hints, 12);
    EXPECT_EQ(notes, 12);
    // The sections open on right-hand pages and stand in the contents before the answers.
    const std::string contents = PageText(pdf, 4);
    EXPECT_LT(contents.find("Hints"), contents.find("Worked solutions"));
    EXPECT_LT(contents.find("Worked solutions"), contents.find("Answers"));
}

TEST_F(LearningPagesTest, PlainBookOfOneLevelNamesSinglesOnlyInItsHints)
{
    const std::string pdf = Book("--level easy --pages 2 --per-page 2 --hints --worked 2");
    const std::string text = RunCommand("pdftotext '" + pdf + "' -").Out;
    for (int n = 1; n <= 4; ++n)
        EXPECT_NE(text.find("#" + std::to_string(n) + ": singles only"), std::string::npos) << n;
    EXPECT_NE(text.find("Worked solution: Sudoku #2 - page 4"), std::string::npos);
    EXPECT_EQ(text.find("Worked solution: Sudoku #3"), std::string::npos);
}

} // namespace
