// Books of generated puzzle types read back from their PDFs with `mutool trace`: every digit in
// its cell, box and region borders thick exactly where two regions meet, the X diagonals
// shaded, killer cages outlined inside their cells with their sums in their first cell clear of
// every line, and answers that are the generator's solutions for the book's seed.
#include "MutoolTrace.h"

#include "book/VariantBook.h"
#include "puzzle/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace
{

using gq::test::Box;
using gq::test::PageInk;
using gq::test::Segment;
using gq::test::TextRun;
using gq::test::TraceInk;

constexpr std::uint64_t kSeed = 11;

/// The puzzles the book of `settings` holds when made with kSeed.
gq::book::TVariantBatch ExpectedPuzzles(const gq::book::TBookSettings& settings)
{
    gq::puzzle::TRandom random(gq::puzzle::SequenceSeedSource(kSeed));
    return gq::book::MakeVariantBatch(settings, random);
}

bool IsRule(const Segment& s) { return s.Stroked && s.Width >= 1.1 && s.Width <= 3.5; }

/// The frame of the one grid on a page: the extent of its box and border rules.
Box FrameOf(const PageInk& page)
{
    Box frame{1e9, 1e9, -1e9, -1e9};
    for (const Segment& s : page.Segments)
        if (IsRule(s) && s.Length() > 100)
            frame = {std::min({frame.X1, s.X1, s.X2}), std::min({frame.Y1, s.Y1, s.Y2}),
                     std::max({frame.X2, s.X1, s.X2}), std::max({frame.Y2, s.Y1, s.Y2})};
    return frame;
}

struct Grid
{
    Box Frame;
    int Size;
    double Cell() const { return (Frame.X2 - Frame.X1) / Size; }
    /// The cell (row * Size + column) under a point, or -1 outside the grid.
    int CellAt(double x, double y) const
    {
        if (!Frame.Contains(x, y))
            return -1;
        const int column = std::min(Size - 1, static_cast<int>((x - Frame.X1) / Cell()));
        const int row = std::min(Size - 1, static_cast<int>((Frame.Y2 - y) / Cell()));
        return row * Size + column;
    }
    double Left(int cell) const { return Frame.X1 + (cell % Size) * Cell(); }
    double Top(int cell) const { return Frame.Y2 - (cell / Size) * Cell(); }
};

/// A killer sum stands in the upper left of its cell, a digit about its middle.
bool IsSum(const Grid& grid, const TextRun& run, int cell)
{
    const double cx = (run.Ink.X1 + run.Ink.X2) / 2, cy = (run.Ink.Y1 + run.Ink.Y2) / 2;
    return cx - grid.Left(cell) < 0.4 * grid.Cell() && grid.Top(cell) - cy < 0.4 * grid.Cell();
}

/// The digits read from a page's grid, 0 where a cell is empty; a cell written twice is -1.
std::vector<int> ReadDigits(const Grid& grid, const PageInk& page, bool killer)
{
    std::vector<int> digits(static_cast<std::size_t>(grid.Size * grid.Size), 0);
    for (const TextRun& run : page.Texts) {
        const int cell = grid.CellAt((run.Ink.X1 + run.Ink.X2) / 2, (run.Ink.Y1 + run.Ink.Y2) / 2);
        if (cell < 0 || run.Text.empty() || (killer && IsSum(grid, run, cell)))
            continue;
        int& digit = digits[static_cast<std::size_t>(cell)];
        const char c = run.Text.size() == 1 ? run.Text[0] : '?';
        const int value = c >= '1' && c <= '9' ? c - '0' : c >= 'A' && c <= 'G' ? c - 'A' + 10 : -1;
        digit = digit == 0 ? value : -1;
    }
    return digits;
}

/// True when a thick rule covers the point (x, y) along its length.
bool ThickRuleAt(const PageInk& page, double x, double y, double thickest)
{
    return std::ranges::any_of(page.Segments, [&](const Segment& s) {
        if (!IsRule(s) || s.Width < thickest - 0.01)
            return false;
        const Box ink = s.Ink();
        return ink.Contains(x, y) && std::min(ink.X2 - ink.X1, ink.Y2 - ink.Y1) < 4;
    });
}

/// Texts of digits smaller than the page's largest single characters (killer sums, page
/// numbers) touch none of those (the grids' digits).
void ExpectSumsClearOfDigits(const PageInk& page)
{
    double tallest = 0;
    for (const TextRun& run : page.Texts)
        if (run.Text.size() == 1)
            tallest = std::max(tallest, run.Ink.Y2 - run.Ink.Y1);
    for (const TextRun& sum : page.Texts)
        if (!sum.Text.empty() && sum.Ink.Y2 - sum.Ink.Y1 <= 0.8 * tallest &&
            std::isdigit(static_cast<unsigned char>(sum.Text[0])))
            for (const TextRun& digit : page.Texts)
                if (digit.Text.size() == 1 && digit.Ink.Y2 - digit.Ink.Y1 > 0.8 * tallest) {
                    EXPECT_GT(sum.Ink.Distance(digit.Ink), 0) << sum.Text << " " << digit.Text;
                }
}

class VariantBookTest : public gq::test::CliFixture
{
  protected:
    std::string Book(const std::string& args, const std::string& name)
    {
        const gq::test::CliResult made =
            Cli("book --quiet --force --seed " + std::to_string(kSeed) + " " + args + " '" +
                    (Dir / name).string() + "'",
                "SOURCE_DATE_EPOCH=1767225600");
        EXPECT_EQ(made.Exit, 0) << made.Err;
        return (Dir / name).string();
    }
};

// A plain book of two puzzles, one a page, for every type: the puzzle pages show the givens of
// the generator's puzzles for the seed and their answers the solutions (killer answers without
// their cages); borders are thick
// exactly between regions; X shades its diagonals and nothing else; killer outlines each cage
// inside its cells and sets its sum in its first cell, clear of every line.
TEST_F(VariantBookTest, EveryTypeReadsBackAsTheGeneratorMadeIt)
{
    for (const char* type : {"x", "jigsaw", "killer", "6x6", "4x4", "16x16"}) {
        SCOPED_TRACE(type);
        gq::book::TBookSettings settings;
        settings.Variant = type;
        settings.LevelIndex = 1; // easy
        settings.PageCount = 2;
        const gq::book::TVariantBatch expected = ExpectedPuzzles(settings);
        ASSERT_EQ(expected.Puzzles.size(), 3u);
        const std::vector<PageInk> pages =
            TraceInk(Book(std::string("--variant ") + type + " --level easy --pages 2", "v.pdf"));
        ASSERT_EQ(pages.size(), 3u); // two puzzle pages, one page of answers
        for (int n = 1; n <= 2; ++n) {
            SCOPED_TRACE("puzzle " + std::to_string(n));
            const gq::variant::Puzzle& puzzle = *expected.Find(n);
            const gq::variant::Shape& shape = puzzle.Grid;
            const PageInk& page = pages[static_cast<std::size_t>(n - 1)];
            const Grid grid{FrameOf(page), shape.Size};
            ASSERT_GT(grid.Cell(), 10);
            const bool killer = !shape.Cages.empty();
            EXPECT_EQ(ReadDigits(grid, page, killer), puzzle.Givens);

            // Region borders: an edge between two cells is covered by a thick rule exactly when
            // they lie in different boxes or regions.
            double thickest = 0;
            for (const Segment& s : page.Segments)
                if (IsRule(s))
                    thickest = std::max(thickest, s.Width);
            int borders = 0;
            for (int row = 0; row < shape.Size; ++row)
                for (int column = 0; column + 1 < shape.Size; ++column) {
                    const int a = row * shape.Size + column;
                    // Right edge of a (vertical), and bottom edge of the cell (column, row).
                    const double x = grid.Left(a) + grid.Cell(), y = grid.Top(a) - grid.Cell() / 2;
                    EXPECT_EQ(ThickRuleAt(page, x, y, thickest),
                              shape.RegionOf(a) != shape.RegionOf(a + 1))
                        << "r" << row + 1 << "c" << column + 1 << " right";
                    const int t = column * shape.Size + row; // transposed: (column, row)
                    const double bx = grid.Left(t) + grid.Cell() / 2;
                    const double by = grid.Top(t) - grid.Cell();
                    EXPECT_EQ(ThickRuleAt(page, bx, by, thickest),
                              shape.RegionOf(t) != shape.RegionOf(t + shape.Size))
                        << "r" << column + 1 << "c" << row + 1 << " bottom";
                    borders += shape.RegionOf(a) != shape.RegionOf(a + 1);
                }
            EXPECT_GT(borders, 0);

            // The shade: wide strokes over the diagonal cells' centres, none elsewhere.
            for (int cell = 0; cell < shape.CellCount(); ++cell) {
                const double cx = grid.Left(cell) + grid.Cell() / 2;
                const double cy = grid.Top(cell) - grid.Cell() / 4;
                const bool shaded = std::ranges::any_of(page.Segments, [&](const Segment& s) {
                    return s.Stroked && s.Width > 4 && s.Ink().Contains(cx, cy);
                });
                const int row = cell / shape.Size, column = cell % shape.Size;
                EXPECT_EQ(shaded, shape.Diagonals && (row == column || row + column == 8))
                    << "cell " << cell;
            }

            if (!killer)
                continue;
            // Cages: each sum in its cage's first cell, clear of every line; every edge between
            // cages has a thin stroke running along it a little inside each of its two cells,
            // and no edge inside a cage has one.
            std::vector<int> sums(static_cast<std::size_t>(shape.CellCount()), 0);
            for (const TextRun& run : page.Texts) {
                const double cx = (run.Ink.X1 + run.Ink.X2) / 2, cy = (run.Ink.Y1 + run.Ink.Y2) / 2;
                const int cell = grid.CellAt(cx, cy);
                if (cell < 0 || !IsSum(grid, run, cell))
                    continue;
                sums[static_cast<std::size_t>(cell)] = std::stoi(run.Text);
                for (const Segment& s : page.Segments) {
                    if (s.Stroked && s.Width < 4) {
                        EXPECT_GT(run.Ink.Distance(s.Ink()), 0.3) << run.Text;
                    }
                }
                EXPECT_GE(run.Ink.Y2 - run.Ink.Y1, 6 * (0.905 + 0.212) - 0.01) << "under 6 pt";
            }
            std::vector<int> cageOf(static_cast<std::size_t>(shape.CellCount()));
            std::vector<int> expectedSums(static_cast<std::size_t>(shape.CellCount()), 0);
            for (std::size_t c = 0; c < shape.Cages.size(); ++c) {
                for (int cell : shape.Cages[c].Cells)
                    cageOf[static_cast<std::size_t>(cell)] = static_cast<int>(c);
                expectedSums[static_cast<std::size_t>(
                    *std::ranges::min_element(shape.Cages[c].Cells))] = shape.Cages[c].Sum;
            }
            EXPECT_EQ(sums, expectedSums);
            auto dashedNear = [&](double x, double y, bool vertical) {
                // A thin stroke parallel to the edge through (x, y), 1 to 20 % of a cell off it.
                return std::ranges::any_of(page.Segments, [&](const Segment& s) {
                    if (!s.Stroked || IsRule(s) || s.Width > 1.1)
                        return false;
                    const double off = vertical ? std::abs(s.X1 - x) : std::abs(s.Y1 - y);
                    // Near the edge's middle: the strokes of a neighbouring edge that turn round
                    // an inner corner reach only 0.38 cells into it.
                    const double near = 0.3 * grid.Cell();
                    const bool along = vertical ? s.X1 == s.X2 && std::abs(s.Y1 - y) < near &&
                                                      std::abs(s.Y2 - y) < near
                                                : s.Y1 == s.Y2 && std::abs(s.X1 - x) < near &&
                                                      std::abs(s.X2 - x) < near;
                    return along && off > 0.01 * grid.Cell() && off < 0.2 * grid.Cell();
                });
            };
            for (int row = 0; row < shape.Size; ++row)
                for (int column = 0; column + 1 < shape.Size; ++column) {
                    const int a = row * shape.Size + column;
                    const bool apart = cageOf[static_cast<std::size_t>(a)] !=
                                       cageOf[static_cast<std::size_t>(a + 1)];
                    EXPECT_EQ(
                        dashedNear(grid.Left(a) + grid.Cell(), grid.Top(a) - grid.Cell() / 2, true),
                        apart)
                        << "cage edge r" << row + 1 << "c" << column + 1;
                }
        }
        // The answers: the solutions, in reading order on the answer page.
        const PageInk& answers = pages[2];
        std::vector<int> solutions;
        for (int n = 1; n <= 2; ++n) {
            const auto& solution = expected.Find(n)->Solution;
            solutions.insert(solutions.end(), solution.begin(), solution.end());
        }
        // Every text of one digit or letter there is a solution's, in order: an answer is the
        // filled grid, without the cages and their sums.
        std::vector<int> read;
        for (const TextRun& run : answers.Texts)
            if (run.Text.size() == 1) {
                const char c = run.Text[0];
                if ((c >= '1' && c <= '9') || (c >= 'A' && c <= 'G'))
                    read.push_back(c <= '9' ? c - '0' : c - 'A' + 10);
            }
        EXPECT_EQ(read, solutions);
    }
}

// The same seed makes the same book; another seed another.
TEST_F(VariantBookTest, TheSeedFixesTheBook)
{
    const std::string a = Book("--variant jigsaw --level standard --pages 2 --per-page 2", "a.pdf");
    const std::string b = Book("--variant jigsaw --level standard --pages 2 --per-page 2", "b.pdf");
    EXPECT_EQ(gq::book::ReadWholeFile(a), gq::book::ReadWholeFile(b));
    const gq::test::CliResult other =
        Cli("book --quiet --seed 12 --variant jigsaw --level standard --pages 2 --per-page 2 "
            "c.pdf",
            "SOURCE_DATE_EPOCH=1767225600");
    ASSERT_EQ(other.Exit, 0) << other.Err;
    EXPECT_NE(gq::book::ReadWholeFile(a), gq::book::ReadWholeFile((Dir / "c.pdf").string()));
}

// Print-ready books of every type, four a page on small paper and as sections: every mark
// half an inch inside the trim, the page count even and at least 24, the last page blank, and
// in a book of sections the answer pages opening on a right-hand page.
TEST_F(VariantBookTest, PrintReadyRulesHoldForEveryType)
{
    const std::string sections = "--section killer/standard:3 --section 4x4/easy:5 --section "
                                 "16x16/easy:2 --section easy:2 --per-page 2 --paper 6x9";
    for (const std::string& args :
         {std::string("--print-ready --variant killer --level easy --pages 2 --per-page 2 "
                      "--paper 6x9"),
          std::string("--print-ready --variant 16x16 --level easy --pages 1 --per-page 4 "
                      "--paper 5.5x8.5"),
          std::string("--large-print --variant 6x6 --level easy --pages 2 --paper 6x9"),
          std::string("--print-ready --variant x --level hard --pages 2 --per-page 2 "
                      "--answers-per-page 9"),
          sections}) {
        SCOPED_TRACE(args);
        const std::vector<PageInk> pages = TraceInk(Book(args, "pr.pdf"));
        ASSERT_GE(pages.size(), 24u);
        EXPECT_EQ(pages.size() % 2, 0u);
        EXPECT_TRUE(pages.back().Texts.empty() && pages.back().Segments.empty());
        bool answersFound = false;
        for (std::size_t n = 0; n + 1 < pages.size(); ++n) {
            const PageInk& page = pages[n];
            const Box safe{36 - 0.01, 36 - 0.01, page.Width - 36 + 0.01, page.Height - 36 + 0.01};
            for (const Segment& s : page.Segments) {
                const Box ink = s.Ink();
                EXPECT_TRUE(safe.Contains(ink.X1, ink.Y1) && safe.Contains(ink.X2, ink.Y2))
                    << "page " << n + 1;
            }
            for (const TextRun& run : page.Texts) {
                if (run.Text.empty())
                    continue;
                EXPECT_TRUE(safe.Contains(run.Ink.X1, run.Ink.Y1) &&
                            safe.Contains(run.Ink.X2, run.Ink.Y2))
                    << "page " << n + 1 << " " << run.Text;
                // The first page headed "Answers" with grids (the contents page names it too).
                const bool grids = std::ranges::any_of(
                    page.Segments, [](const Segment& s) { return s.Length() > 100; });
                if (run.Text == "Answers" && grids && !answersFound) {
                    answersFound = true;
                    if (args == sections) {
                        EXPECT_EQ(n % 2, 0u) << "the answers start on page " << n + 1;
                    }
                }
            }
        }
        EXPECT_TRUE(answersFound);
        if (args.find("killer") != std::string::npos)
            for (const PageInk& page : pages)
                ExpectSumsClearOfDigits(page);
    }
}

// "How to play" explains each type of the book, and the titles name the type.
TEST_F(VariantBookTest, HowToPlayExplainsTheTypesOfTheBook)
{
    const std::vector<PageInk> pages =
        TraceInk(Book("--section killer/easy:2 --section x/easy:2 --section 4x4/easy:2", "h.pdf"));
    ASSERT_GE(pages.size(), 4u);
    std::string rules, contents;
    for (const TextRun& run : pages[2].Texts)
        rules += run.Text;
    for (const TextRun& run : pages[3].Texts)
        contents += run.Text;
    for (const char* expected : {"KillerSudoku:", "XSudoku:", "4x4Sudoku:", "cages"})
        EXPECT_NE(rules.find(expected), std::string::npos) << expected << " in " << rules;
    EXPECT_EQ(rules.find("Jigsaw"), std::string::npos);
    EXPECT_NE(contents.find("EasyKiller"), std::string::npos) << contents;
    EXPECT_NE(contents.find("Easy4x4"), std::string::npos) << contents;
}

// What a book of types cannot have is refused before any file is made, naming why.
TEST_F(VariantBookTest, RefusalsNameTheReason)
{
    const std::pair<std::string, std::string> cases[] = {
        {"--variant killer --per-page 1 --candidates", "candidates explain classic 9 x 9"},
        {"--variant x --hints", "hints explain classic 9 x 9"},
        {"--variant 6x6 --level easy --worked 1", "worked solutions explain classic 9 x 9"},
        {"--section jigsaw/easy:3 --answer-notes", "answer notes explain classic 9 x 9"},
        {"--variant killer --level hard", "killer puzzles come at the levels very-easy, easy"},
        {"--variant sudoku", "there is no puzzle type \"sudoku\""},
        {"--section cube/easy:3", "there is no puzzle type \"cube\""},
        {"--section 4x4/easy:3 --section 4x4/easy:2", "the 4x4 puzzles of level easy have two"},
        {"--variant x --section easy:3", "names the puzzle type in each section"},
        // 7 pt sums beside 7 pt digits do not fit cells a quarter inch wide.
        {"--print-ready --variant killer --paper 6x9 --per-page 4",
         "killer cells of these pages are too small for a cage sum beside a digit"}};
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args);
        const gq::test::CliResult run = Cli("book " + args + " refused.pdf");
        EXPECT_NE(run.Exit, 0);
        EXPECT_NE(run.Err.find(message), std::string::npos) << run.Err;
        EXPECT_FALSE(gq::test::fs::exists(Dir / "refused.pdf"));
    }
    // A type and a classic section of one level, and two types of one level, are different.
    EXPECT_EQ(Cli("book --quiet --section easy:2 --section x/easy:2 --section killer/easy:2 "
                  "ok.pdf")
                  .Exit,
              0);
}

} // namespace
