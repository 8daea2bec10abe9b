// Print-ready books as the renderers of a print service see them: every mark half an inch inside
// the trim, every text clear of the grids and each label centred over its grid, the last page
// blank, and Ghostscript rendering every page without a word.
#include "MutoolTrace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using gq::test::RunCommand;

using gq::test::Box;
using gq::test::PageInk;
using gq::test::Segment;
using gq::test::TextRun;
using gq::test::TraceInk;

/// The frames of the grids on a page: every grid has four thick horizontal rules of one length
/// (its box lines), found top to bottom in fours.
std::vector<Box> GridFrames(const PageInk& page)
{
    // Thick horizontal strokes by their extent; a box's Y1 is the rule's centre less half.
    std::map<std::pair<long, long>, std::vector<Box>> byExtent;
    for (const Segment& segment : page.Segments)
        if (segment.Stroked && segment.Width >= 2 && segment.Y1 == segment.Y2) {
            const Box ink = segment.Ink();
            byExtent[{std::lround(ink.X1 * 100), std::lround(ink.X2 * 100)}].push_back(ink);
        }
    std::vector<Box> frames;
    for (auto& [extent, rules] : byExtent) {
        std::ranges::sort(rules, {}, &Box::Y1);
        EXPECT_EQ(rules.size() % 4, 0u);
        for (std::size_t i = 0; i + 3 < rules.size(); i += 4)
            frames.push_back({rules[i].X1, rules[i].Y1, rules[i].X2, rules[i + 3].Y2});
    }
    return frames;
}

class PrintReadyInkTest : public gq::test::CliFixture
{
  protected:
    std::string Book(const std::string& args, const std::string& name)
    {
        const gq::test::CliResult made =
            Cli("book --quiet --seed 5 --force " + args + " '" + (Dir / name).string() + "'",
                "SOURCE_DATE_EPOCH=1767225600");
        EXPECT_EQ(made.Exit, 0) << made.Err;
        return (Dir / name).string();
    }
};

// On every paper and layout: no mark closer than half an inch (36 pt) to a trim edge, nothing
// outside a grid closer than 4 pt to its frame, every "Sudoku #N" centred over its grid, and
// the last page without a mark.
TEST_F(PrintReadyInkTest, EveryMarkIsHalfAnInchInsideTheTrimAndClearOfTheGrids)
{
    const char* layouts[] = {"--per-page 1 --candidates", "--per-page 2", "--per-page 4",
                             "--large-print"};
    // Books of several levels (with level marks, contents and section pages) and answer pages
    // of six and nine grids.
    const char* extras[] = {
        "--paper 6x9 --per-page 2 --answers-per-page 6 --section easy:5 "
        "--section hard:4 --section extreme:3",
        "--paper 5.5x8.5 --per-page 4 --answers-per-page 9 --section "
        "very-easy:7 --section expert:6",
        "--paper 6x9 --large-print --section standard:2 --section hard:2",
        "--print-ready --paper 6x9 --pages 5 --per-page 4 --answers-per-page 9"};
    const char* papers[] = {"letter", "a4",   "a5",      "5.5x8.5", "6x9",
                            "7x10",   "8x10", "8.25x11", "6x9",     "5.5x8.5"};
    int labels = 0;
    for (int i = 0; i < 14; ++i) {
        const std::string args = (i < 10 ? std::string("--print-ready --pages 3 --level hard "
                                                       "--paper ") +
                                               papers[i] + " " + layouts[i < 8 ? i % 3 : 3]
                                         : std::string(extras[i - 10])) +
                                 " --title 'A Title Long Enough To Fill The Running Head Of "
                                 "Every Page' --author 'An Author' --volume 2 --publisher "
                                 "'House' --website 'www.house.example' --isbn 978-1-4028-9462-6";
        SCOPED_TRACE(args);
        const std::vector<PageInk> pages = TraceInk(Book(args, "ink.pdf"));
        ASSERT_GE(pages.size(), 24u);
        EXPECT_EQ(pages.size() % 2, 0u);
        for (std::size_t n = 0; n < pages.size(); ++n) {
            SCOPED_TRACE("page " + std::to_string(n + 1));
            const PageInk& page = pages[n];
            if (n + 1 == pages.size()) {
                EXPECT_TRUE(page.Texts.empty());
                EXPECT_TRUE(page.Segments.empty());
                continue;
            }
            const Box safe{36 - 0.01, 36 - 0.01, page.Width - 36 + 0.01, page.Height - 36 + 0.01};
            std::vector<Box> ink;
            for (const Segment& segment : page.Segments)
                ink.push_back(segment.Ink());
            for (const TextRun& run : page.Texts)
                if (!run.Text.empty())
                    ink.push_back(run.Ink);
            for (const Box& box : ink)
                EXPECT_TRUE(box.X1 >= safe.X1 && box.Y1 >= safe.Y1 && box.X2 <= safe.X2 &&
                            box.Y2 <= safe.Y2)
                    << box.X1 << " " << box.Y1 << " " << box.X2 << " " << box.Y2;

            const std::vector<Box> frames = GridFrames(page);
            for (const TextRun& run : page.Texts) {
                if (run.Text.empty())
                    continue;
                const double cx = (run.Ink.X1 + run.Ink.X2) / 2, cy = (run.Ink.Y1 + run.Ink.Y2) / 2;
                if (std::ranges::any_of(frames, [&](const Box& f) { return f.Contains(cx, cy); }))
                    continue; // a digit in its cell
                for (const Box& frame : frames)
                    EXPECT_GE(run.Ink.Distance(frame), 4 - 0.05) << run.Text;
                if (run.Text.rfind("Sudoku#", 0) != 0)
                    continue;
                // The label's grid is the nearest frame below it.
                const Box* below = nullptr;
                for (const Box& frame : frames)
                    if (frame.Y2 <= run.Ink.Y1 && frame.X1 <= cx && cx <= frame.X2 &&
                        (!below || frame.Y2 > below->Y2))
                        below = &frame;
                ASSERT_NE(below, nullptr) << run.Text;
                EXPECT_NEAR(cx, (below->X1 + below->X2) / 2, 1.0) << run.Text;
                ++labels;
            }
        }
    }
    EXPECT_GT(labels, 8 * 3);
}

// Ghostscript renders every page of a print-ready, a PDF/X and a large book without a message.
TEST_F(PrintReadyInkTest, GhostscriptRendersEveryPageSilently)
{
    for (const std::string& args :
         {std::string("--print-ready --paper 6x9 --per-page 1 --candidates --pages 4"),
          std::string("--pdfx --paper 5.5x8.5 --per-page 2 --pages 4 --title 'Caf\xC3\xA9'"),
          std::string("--print-ready --paper a4 --per-page 4 --pages 40")}) {
        SCOPED_TRACE(args);
        const std::string pdf = Book(args, "gs.pdf");
        const gq::test::CliResult rendered =
            RunCommand("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=nullpage '" + pdf + "'");
        EXPECT_EQ(rendered.Exit, 0) << rendered.Out;
        EXPECT_EQ(rendered.Out, "");
    }
}

} // namespace
