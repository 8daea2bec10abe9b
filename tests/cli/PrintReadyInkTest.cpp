// Print-ready books as the renderers of a print service see them: every mark half an inch inside
// the trim, every text clear of the grids and each label centred over its grid, the last page
// blank, and Ghostscript rendering every page without a word.
#include "CliRunner.h"

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

/// A rectangle in PDF points, y up.
struct Box
{
    double X1, Y1, X2, Y2;

    double Distance(const Box& other) const
    {
        const double dx = std::max({0.0, other.X1 - X2, X1 - other.X2});
        const double dy = std::max({0.0, other.Y1 - Y2, Y1 - other.Y2});
        return std::hypot(dx, dy);
    }
    bool Contains(double x, double y) const { return x >= X1 && x <= X2 && y >= Y1 && y <= Y2; }
};

/// One text item as drawn: its characters (spaces dropped) and the box of their glyphs.
struct TextRun
{
    std::string Text;
    Box Ink{1e9, 1e9, -1e9, -1e9};
};

/// A horizontal rule: where it runs and how thick it is.
struct Rule
{
    double X1, X2, Y, Width;
};

struct PageInk
{
    double Width = 0, Height = 0;
    std::vector<TextRun> Texts;
    std::vector<Box> Strokes; ///< every stroked segment, widened by half its line and its caps
    std::vector<Rule> Rules;  ///< the horizontal ones among them
};

/// The value of attribute `name` in one line of `mutool trace` output.
std::string Attribute(const std::string& line, const std::string& name)
{
    const std::size_t at = line.find(" " + name + "=\"");
    if (at == std::string::npos)
        return {};
    const std::size_t from = at + name.size() + 3;
    return line.substr(from, line.find('"', from) - from);
}

double Number(const std::string& line, const std::string& name)
{
    return std::stod(Attribute(line, name));
}

/// Every page's ink as `mutool trace` reports it. Glyph boxes run from the pen position by the
/// advance and from the descent to the ascent of the face (0.212 and 0.905 em).
std::vector<PageInk> TraceInk(const std::string& pdf)
{
    const gq::test::CliResult trace = RunCommand("mutool trace '" + pdf + "'");
    EXPECT_EQ(trace.Exit, 0) << trace.Out.substr(0, 400);
    std::vector<PageInk> pages;
    std::istringstream lines(trace.Out);
    double lineWidth = 0, size = 0, lastX = 0, lastY = 0;
    bool stroking = false;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t open = line.find('<');
        if (open == std::string::npos)
            continue;
        const std::string tag =
            line.substr(open + 1, line.find_first_of(" />", open + 1) - open - 1);
        if (tag == "page") {
            std::istringstream box(Attribute(line, "mediabox"));
            double x0, y0;
            pages.emplace_back();
            box >> x0 >> y0 >> pages.back().Width >> pages.back().Height;
        } else if (pages.empty()) {
            continue;
        } else if (tag == "stroke_path" || tag == "fill_path") {
            stroking = tag == "stroke_path";
            lineWidth = stroking ? Number(line, "linewidth") : 0;
        } else if (tag == "moveto" || tag == "lineto") {
            const double x = Number(line, "x"), y = Number(line, "y");
            if (tag == "lineto") {
                const double half = lineWidth / 2; // square caps reach half a width past the end
                pages.back().Strokes.push_back(
                    {std::min(x, lastX) - half, std::min(y, lastY) - half,
                     std::max(x, lastX) + half, std::max(y, lastY) + half});
                if (stroking && y == lastY)
                    pages.back().Rules.push_back(
                        {std::min(x, lastX), std::max(x, lastX), y, lineWidth});
            }
            lastX = x, lastY = y;
        } else if (tag == "fill_text") {
            pages.back().Texts.emplace_back();
        } else if (tag == "span") {
            size = std::stod(Attribute(line, "trm"));
        } else if (tag == "g" && !pages.back().Texts.empty()) {
            const std::string glyph = Attribute(line, "glyph");
            if (glyph == "space" || glyph == "uni00A0")
                continue;
            TextRun& run = pages.back().Texts.back();
            run.Text += Attribute(line, "unicode");
            const double x = Number(line, "x"), y = Number(line, "y");
            const double advance = Number(line, "adv") * size;
            run.Ink = {std::min(run.Ink.X1, x), std::min(run.Ink.Y1, y - 0.212 * size),
                       std::max(run.Ink.X2, x + advance), std::max(run.Ink.Y2, y + 0.905 * size)};
        }
    }
    return pages;
}

/// The frames of the grids on a page: every grid has four thick horizontal rules of one length
/// (its box lines), found top to bottom in fours.
std::vector<Box> GridFrames(const PageInk& page)
{
    std::map<std::pair<long, long>, std::vector<Rule>> byExtent;
    for (const Rule& rule : page.Rules)
        if (rule.Width >= 2)
            byExtent[{std::lround(rule.X1 * 100), std::lround(rule.X2 * 100)}].push_back(rule);
    std::vector<Box> frames;
    for (auto& [extent, rules] : byExtent) {
        std::ranges::sort(rules, {}, &Rule::Y);
        EXPECT_EQ(rules.size() % 4, 0u);
        for (std::size_t i = 0; i + 3 < rules.size(); i += 4) {
            const double half = rules[i].Width / 2;
            frames.push_back(
                {rules[i].X1 - half, rules[i].Y - half, rules[i].X2 + half, rules[i + 3].Y + half});
        }
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
    const char* extras[] = {"--paper 6x9 --per-page 2 --answers-per-page 6 --section easy:5 "
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
                EXPECT_TRUE(page.Strokes.empty());
                continue;
            }
            const Box safe{36 - 0.01, 36 - 0.01, page.Width - 36 + 0.01, page.Height - 36 + 0.01};
            std::vector<Box> ink = page.Strokes;
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
