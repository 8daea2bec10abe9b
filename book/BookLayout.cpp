#include "book/BookLayout.h"

#include "book/Isbn.h"
#include "book/Publisher.h"
#include "book/TextEncoding.h"
#include "book/VariantBook.h"
#include "gq/Error.h"
#include "puzzle/Levels.h"
#include "report/FontManager.h"
#include "report/PageStreamWriter.h"
#include "report/RenderDevice.h"
#include "report/RepItems.h"
#include "report/RepProject.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <tuple>

namespace gq::book
{

using report::TRepHLine;
using report::TRepPage;
using report::TRepText;
using report::TRepVLine;

namespace
{

// ---- The layout tables: where every item goes, in inches on a Letter page (the transform of
// each page maps them onto the book's paper). Sizes are points, before scaling.

struct TextSpot
{
    double Left, Top;
    int Size;
};

/// One grid of a layout with its "Sudoku #" label.
struct GridSpot
{
    double X0, Y0, C, TL, TT;
    int S;
    TextSpot Label;
};

/// A page layout: its grids in the order they are filled (row by row), the footer, and how many
/// grids a row holds.
struct PageLayout
{
    std::array<GridSpot, 9> Grids;
    int GridCount;
    TextSpot Footer;
    int Columns = 2;
};

constexpr TextSpot kPageTitle{5.4, 0.6, 12};
constexpr TextSpot kHeading{0.5, 0.6, 18}; // "Answers", "Notes"
constexpr double kPairCell = 0.48;
constexpr double kQuarterCell = 0.4;

constexpr PageLayout kOnePerPage{
    {{{0.5, 0.79 + 1.2, 0.84, 0.46, 0.99 + 1.2, 25, {2 * 0.84 + 1.5, 1.4, 28}}}},
    1,
    {6 * 0.84 + 1.2, 9 * 0.84 + 0.8 + 1.2, 12},
    1};

constexpr PageLayout kTwoPerPage{
    {{{2.0, 0.79 + 0.6, kPairCell, 2.0 - 0.25, 0.82 + 0.6, 20, {3.5, 1.0, 18}},
      {2.0,
       0.79 + 0.7 + 10 * kPairCell,
       kPairCell,
       2.0 - 0.25,
       0.95 + 0.7 - 0.1 + 10 * kPairCell,
       20,
       {3.5, 5.9, 18}}}},
    2,
    {3.3, 19 * kPairCell + 0.8 + 0.7, 12},
    1};

/// Four per page: top left, top right, bottom left, bottom right. The answer pages use it too.
constexpr PageLayout kFourPerPage{
    {{{0.5, 0.79 + 0.8, kQuarterCell, 0.2, 0.82 + 0.8, 18, {0.5, 1.2, 18}},
      {0.5 + 10 * kQuarterCell,
       0.79 + 0.8,
       kQuarterCell,
       0.2 + 10 * kQuarterCell,
       0.82 + 0.8,
       18,
       {10 * 0.4 + 0.5, 1.2, 18}},
      {0.5,
       0.79 + 1.2 + 10 * kQuarterCell,
       kQuarterCell,
       0.2,
       0.82 + 1.2 + 10 * kQuarterCell,
       18,
       {0.5, 5.6, 18}},
      {0.5 + 10 * kQuarterCell,
       0.79 + 1.2 + 10 * kQuarterCell,
       kQuarterCell,
       0.2 + 10 * kQuarterCell,
       0.82 + 1.2 + 10 * kQuarterCell,
       18,
       {10 * 0.4 + 0.5, 5.6, 18}}}},
    4,
    {6.3, 1.2 + 8.5, 12}};

// Answer pages of six (2 x 3) and nine (3 x 3) grids, print-ready books only. The rows leave room
// above each grid for its label and level mark at the smallest paper's scale; the labels are
// set smaller still where they would be wider than their grid.
constexpr double kSixCell = 0.29;
constexpr double kSixRowPitch = 9 * kSixCell + 0.62;
constexpr double kSixLeft = 1.15, kSixRight = 8.6 - kSixLeft - 9 * kSixCell;

constexpr GridSpot SixAnswer(int k)
{
    const double x0 = k % 2 == 0 ? kSixLeft : kSixRight;
    const double y0 = 1.45 + (k / 2) * kSixRowPitch;
    return {x0, y0, kSixCell, x0 - 0.5 + kSixCell / 2, y0 + 0.03, 14, {x0, y0 - 0.35, 14}};
}

constexpr PageLayout kSixAnswers{
    {SixAnswer(0), SixAnswer(1), SixAnswer(2), SixAnswer(3), SixAnswer(4), SixAnswer(5)},
    6,
    {6.3, 1.2 + 8.5, 12},
    2};

constexpr double kNineCell = 0.25;
constexpr double kNineColumnPitch = 9 * kNineCell + 0.425;
constexpr double kNineRowPitch = 9 * kNineCell + 0.6;

constexpr GridSpot NineAnswer(int k)
{
    const double x0 = 0.5 + (k % 3) * kNineColumnPitch;
    const double y0 = 1.45 + (k / 3) * kNineRowPitch;
    return {x0, y0, kNineCell, x0 - 0.5 + kNineCell / 2, y0 + 0.02, 12, {x0, y0 - 0.3, 12}};
}

constexpr PageLayout kNineAnswers{{NineAnswer(0), NineAnswer(1), NineAnswer(2), NineAnswer(3),
                                   NineAnswer(4), NineAnswer(5), NineAnswer(6), NineAnswer(7),
                                   NineAnswer(8)},
                                  9,
                                  {6.3, 1.2 + 8.5, 12},
                                  3};

// Print-ready pages only.
constexpr double kBlockLeft = TPageGeometry::kDesignLeft; // centred texts use the whole block
constexpr double kBlockWidth = TPageGeometry::kDesignWidth;
constexpr TextSpot kTitlePageTitle{kBlockLeft, 3.2, 36}; // Left/width: the block, centred
constexpr int kTitlePageSmallestTitle = 20;
constexpr TextSpot kTitlePageAuthor{kBlockLeft, 0.9, 20}; // Top: below the title
constexpr TextSpot kTitlePageVolume{kBlockLeft, 0.5, 18}; // Top: below the author
constexpr TextSpot kTitlePagePublisher{kBlockLeft, 9.3, 16};
constexpr TextSpot kCopyrightText{0.5, 1.0, 11}; // Top of the first line
constexpr double kCopyrightParagraphGap = 0.12;
/// The running head: its size, and the smallest it shrinks to before a long title is cut.
constexpr int kRunningHeadSmallest = 8;
constexpr TextSpot kRulesHeading{0.5, 0.8, 24};
constexpr TextSpot kRulesText{0.5, 1.8, 14}; // Top of the first line
constexpr double kRulesParagraphGap = 0.25;
constexpr TextSpot kContentsEntry{0.5, 1.8, 14}; // Top of the first line
constexpr double kContentsLineGap = 0.45;
constexpr double kContentsMarkCentre = 4.9;              // the level marks' column
constexpr TextSpot kSectionHeading{kBlockLeft, 3.2, 28}; // centred across the block
constexpr double kSectionGap = 0.3;
constexpr double kNotesFirstLine = 1.5; // ruled lines of a notes page: Top of the first,
constexpr double kNotesLineGap = 0.45;  // the distance between them,
constexpr int kNotesLines = 20;         // their number,
constexpr double kNotesLineLeft = 0.5;  // where they start
constexpr double kNotesLineWidth = 7.6; // and how long they are

/// The page number's box: below the text block, in the bottom margin (page inches).
constexpr double kPageNumberDrop = 0.1;
constexpr int kPageNumberSize = 9;

/// How far below its top a print-ready label's lowest ink can reach, as a share of its size: the
/// engine sets the baseline a little below the face's ascent, and descenders hang below it.
constexpr double kLabelLineHeight = 1.25;
/// The least room between a print-ready grid's frame and any text, inches (4 pt).
constexpr double kGridClearance = 4.0 / 72;
/// The answer notes' size, points on a Letter page.
constexpr int kAnswerNoteSize = 9;

/// Nothing printed in a print-ready book is smaller than this (points).
constexpr int kMinPrintReadyText = 7;
/// Pen widths in device pixels (600 dpi): box and cell lines of a plain book (1.2 and
/// 0.6 pt), and of a print-ready one (2.04 and 0.84 pt).
constexpr int kThickLine = 10;
constexpr int kThinLine = 5;
constexpr int kPrintReadyThickLine = 17;
constexpr int kPrintReadyThinLine = 7;

/// Candidate digits keep this far (inches) inside the lines of their cell, beyond the half
/// width of the heaviest line a cell has: the digits of a full list never touch a line.
constexpr double kCandidateClearance = 1.0 / 72;

/// Large print, page inches: the room between the running head and the label.
constexpr double kLargePrintHeadGap = 0.1;
/// Large-print digits fill this share of their cell's height (points over points).
constexpr double kLargePrintDigitShare = 0.6;
/// Where the baseline of a text of kPrintReadyFace stands below its top, in ems.
constexpr double kBaseline = 1.2 - 0.212;

/// Half the width of a pen of `pixels` device pixels, inches.
double HalfPen(int pixels) { return pixels / 2.0 / report::TRenderDevice::kDpi; }

const PageLayout& PuzzleLayout(int perPage)
{
    return perPage == 1 ? kOnePerPage : perPage == 2 ? kTwoPerPage : kFourPerPage;
}

const PageLayout& AnswerLayout(int answersPerPage)
{
    return answersPerPage == 9 ? kNineAnswers : answersPerPage == 6 ? kSixAnswers : kFourPerPage;
}

// ---- Level marks: a row of kLevelMarks small squares drawn with lines, centred under a label.

/// The side of a mark square, device pixels, for a label of `points`: four tenths of the
/// label's size, no less than three of the thinnest print-ready pens.
int MarkSidePixels(int points)
{
    return std::max(21,
                    static_cast<int>(std::lround(0.4 * points / 72 * report::TRenderDevice::kDpi)));
}

/// How much room a level mark takes above a grid under a label of `points`, inches: the squares
/// and the gap between them and the label.
double MarkRoom(int points)
{
    const double side = MarkSidePixels(points) / static_cast<double>(report::TRenderDevice::kDpi);
    return side + side / 3;
}

/// What stands above grid `k` (from 1) of `layout`, page inches: the foot of the grid above, or
/// of the text `top` at the head of the page.
double Ceiling(const PageLayout& layout, int k, const TPageTransform& frame, const TextSpot& top)
{
    if (k <= layout.Columns)
        return frame.Y(top.Top) + std::lround(top.Size * frame.Scale) / 60.0;
    const GridSpot& above = layout.Grids[static_cast<std::size_t>(k - 1 - layout.Columns)];
    return frame.Y(above.Y0 + 9 * above.C) + HalfPen(kPrintReadyThickLine);
}

/// The left and right outer edges of a layout's grids, inches: where the running head aligns.
std::pair<double, double> GridSpan(const PageLayout& layout)
{
    double left = layout.Grids[0].X0;
    double right = left;
    for (int k = 0; k < layout.GridCount; ++k) {
        const GridSpot& grid = layout.Grids[static_cast<std::size_t>(k)];
        left = std::min(left, grid.X0);
        right = std::max(right, grid.X0 + 9 * grid.C);
    }
    return {left, right};
}

std::vector<std::string> RulesText(bool candidates, const std::vector<std::string>& types)
{
    if (!types.empty()) {
        // A book of puzzle types: the grid's own rule for each type, then the common advice.
        std::vector<std::string> rules = {
            "Fill in the empty cells so that every row, every column and every box holds each "
            "digit of its grid exactly once."};
        rules.insert(rules.end(), types.begin(), types.end());
        rules.push_back("The digits printed at the start are given and stay as they are. Each "
                        "puzzle has one solution, and it can be found by reasoning alone: no "
                        "guessing is needed.");
        rules.push_back("The answers are at the back of the book, under the puzzle's number.");
        return rules;
    }
    std::vector<std::string> rules = {
        "Fill in the empty cells so that every row, every column and every 3 x 3 box holds each "
        "of the digits 1 to 9 exactly once.",
        "The digits printed at the start are given and stay as they are. Each puzzle has one "
        "solution, and it can be found by reasoning alone: no guessing is needed.",
        "Start where a row, column or box has few empty cells, and look for the one place a "
        "digit can still go.",
        "The answers are at the back of the book, under the puzzle's number and page."};
    if (candidates)
        rules.insert(rules.begin() + 2,
                     "The small digits in an empty cell are its candidates: the digits that the "
                     "givens still allow there.");
    return rules;
}

} // namespace

std::vector<std::string> BreakLines(std::string_view text, double width,
                                    const std::function<double(const std::string&)>& wide)
{
    // Greedy by words; a word wider than the line on its own is broken between characters.
    std::vector<std::string> lines(1);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        std::string word(text.substr(at, end == std::string_view::npos ? end : end - at));
        at = end == std::string_view::npos ? text.size() : end + 1;
        std::string longer = lines.back().empty() ? word : lines.back() + " " + word;
        if (wide(longer) <= width) {
            lines.back() = std::move(longer);
            continue;
        }
        if (!lines.back().empty())
            lines.emplace_back();
        for (char c : word) {
            if (!lines.back().empty() && wide(lines.back() + c) > width)
                lines.emplace_back();
            lines.back() += c;
        }
    }
    return lines;
}

int RoundUp(double x)
{
    auto t = static_cast<std::int64_t>(x);
    return static_cast<int>(static_cast<double>(t) == x ? t : t + 1);
}

std::string CellText(std::string_view text, int x, int y)
{
    std::size_t position = static_cast<std::size_t>((x - 1) * 9 + y);
    if (position < 1 || position > text.size() || text[position - 1] == '0')
        return {};
    return std::string(1, text[position - 1]);
}

TBookPlan PlanBook(const TBookSettings& settings, int workedPages)
{
    TBookPlan plan;
    plan.PerPage = settings.PuzzlesPerPage;
    plan.AnswersPerPage = settings.AnswersPerPage;
    if (settings.IsPrintReady())
        plan.FrontPages = 3; // title, copyright, "How to play"
    if (settings.Sections.empty()) {
        plan.PuzzlePages = static_cast<std::int16_t>(settings.PageCount);
        plan.Sections.push_back({settings.LevelIndex, 1, plan.PuzzlePages * plan.PerPage, 0,
                                 plan.FrontPages + 1, plan.PuzzlePages, settings.Variant});
        plan.FirstAnswerPage = plan.FrontPages + plan.PuzzlePages + 1;
    } else {
        plan.Sectioned = true;
        plan.ContentsPages = 1;
        int page = plan.FrontPages + plan.ContentsPages + 1;
        // A section title page and the first answer page open on a right-hand page; a notes
        // page fills the left-hand page before them where needed.
        auto toRightHand = [&plan, &page] {
            if (page % 2 == 0) {
                plan.InnerNotesPages.push_back(page++);
                ++plan.SectionPages;
            }
        };
        int first = 1;
        for (const TSection& section : settings.Sections) {
            toRightHand();
            TSectionPlan run;
            run.LevelIndex = section.LevelIndex;
            run.FirstPuzzle = first;
            run.Count = section.Count;
            run.Variant = section.Variant;
            run.TitlePage = page++;
            ++plan.SectionPages;
            run.FirstPuzzlePage = page;
            run.PuzzlePages = (section.Count + plan.PerPage - 1) / plan.PerPage;
            page += run.PuzzlePages;
            plan.PuzzlePages += run.PuzzlePages;
            first += section.Count;
            plan.Sections.push_back(run);
        }
        toRightHand();
        plan.FirstAnswerPage = page;
    }
    const int hintPages =
        settings.Hints ? RoundUp(static_cast<double>(plan.Puzzles()) / kHintLinesPerPage) : 0;
    if (hintPages > 0 || workedPages > 0) {
        // The learning sections open on right-hand pages after the puzzles, and the answers
        // after them; a notes page fills a left-hand page before each where needed.
        int page = plan.FirstAnswerPage;
        auto toRightHand = [&plan, &page] {
            if (page % 2 == 0) {
                plan.InnerNotesPages.push_back(page++);
                ++plan.SectionPages;
            }
        };
        for (auto [count, first, pages] :
             {std::tuple{hintPages, &plan.FirstHintPage, &plan.HintPages},
              std::tuple{workedPages, &plan.FirstWorkedPage, &plan.WorkedPages}}) {
            if (count == 0)
                continue;
            toRightHand();
            *first = page;
            *pages = count;
            page += count;
        }
        toRightHand();
        plan.FirstAnswerPage = page;
    }
    plan.AnswerPages = RoundUp(static_cast<double>(plan.Puzzles()) / plan.AnswersPerPage);
    if (settings.IsPrintReady()) {
        // The last page stays blank (printers put their barcode there); notes pages fill up to
        // an even count of at least kMinPrintReadyPages, so at most one page is ever blank.
        plan.BlankPages = 1;
        int body = plan.Total();
        int total = std::max(kMinPrintReadyPages, body + body % 2);
        plan.NotesPages = total - body;
    }
    return plan;
}

int TBookPlan::Puzzles() const
{
    int puzzles = 0;
    for (const TSectionPlan& section : Sections)
        puzzles += section.Count;
    return puzzles;
}

const TSectionPlan* TBookPlan::SectionOfPuzzle(int n) const
{
    for (const TSectionPlan& section : Sections)
        if (n >= section.FirstPuzzle && n < section.FirstPuzzle + section.Count)
            return &section;
    return nullptr;
}

int TBookPlan::PageOfPuzzle(int n) const
{
    const TSectionPlan* section = SectionOfPuzzle(n);
    return section ? section->FirstPuzzlePage + (n - section->FirstPuzzle) / PerPage : 0;
}

std::string SectionHeading(int sectionNumber, int levelIndex, std::string_view variant)
{
    std::string level = VariantLevelCaption(variant, levelIndex);
    constexpr std::string_view suffix = " Sudoku";
    if (level.ends_with(suffix))
        level.resize(level.size() - suffix.size());
    return "Section " + std::to_string(sectionNumber) + " - " + level;
}

std::string_view LevelDemands(int levelIndex)
{
    // The grader's tiers: the three gentlest levels need singles only, then each level asks
    // for the next kind of reasoning.
    switch (levelIndex) {
    case 0:
    case 1:
    case 2:
        return "Singles solve every puzzle here: find the one cell left for a digit in a row, "
               "column or box, or the one digit left for a cell.";
    case 3:
        return "These puzzles need more than singles: locked candidates, and naked and hidden "
               "pairs and triples.";
    case 4:
        return "These puzzles call for patterns across the grid: X-Wings, Swordfish and "
               "XY-Wings.";
    default:
        return "These puzzles call for chains: follow linked candidates from cell to cell to "
               "rule digits out.";
    }
}

int BookPageCount(const TBookSettings& settings) { return PlanBook(settings).Total(); }

void CheckTitlePageText(std::string_view text, std::string_view what, std::size_t limit)
{
    if (ToPageText(text, what).size() > limit)
        throw Error(std::string(what) + " is longer than " + std::to_string(limit) + " characters");
}

void CheckPrintSettings(const TBookSettings& settings)
{
    BookGeometry(settings);
    CheckTitlePageText(settings.Title, "the title", kMaxTitleLength);
    CheckTitlePageText(settings.Author, "the author", kMaxAuthorLength);
    CheckTitlePageText(settings.Publisher, "the publisher", kMaxPublisherLength);
    CheckTitlePageText(settings.Website, "the website", kMaxWebsiteLength);
    CheckTitlePageText(settings.Edition, "the edition", kMaxEditionLength);
    if (!settings.Isbn.empty())
        IsbnDigits(settings.Isbn);
}

TPageGeometry BookGeometry(const TBookSettings& settings) { return BookGeometry(settings, 0); }

TPageGeometry BookGeometry(const TBookSettings& settings, int pageCount)
{
    const TPaper* paper = FindPaper(settings.Paper);
    if (!paper)
        throw Error("there is no paper size \"" + settings.Paper + "\"; the sizes are " +
                    PaperNameList());
    if (settings.IsPrintReady())
        return TPageGeometry::PrintReady(*paper,
                                         pageCount > 0 ? pageCount : PlanBook(settings).Total());
    return TPageGeometry::Plain(*paper);
}

TTextMeasure PrintReadyMeasure(report::TFontManager& fonts)
{
    return [&fonts](const std::string& text, int size) {
        constexpr int dpi = report::TRenderDevice::kDpi;
        const int pixels = static_cast<int>(std::lround(dpi * size / 72.0));
        return fonts.TextWidth(text, std::string(kPrintReadyFace), report::kDefaultCharSet, false,
                               false, report::TFontPitch::fpDefault, pixels) /
               static_cast<double>(dpi);
    };
}

void RequirePrintReadyFace(report::TFontManager& fonts)
{
    if (fonts.Match(std::string(kPrintReadyFace), false, false).Family != kPrintReadyFace)
        throw Error("print-ready books are set in " + std::string(kPrintReadyFace) +
                    ", which is not installed (Debian package fonts-liberation)");
}

void RequirePrintReadyBoldFace(report::TFontManager& fonts)
{
    // fontconfig answers a bold request with the regular face when there is no bold one (to be
    // made bold by smearing): only a face that is itself bold will do.
    const std::string face(kPrintReadyFace);
    const report::TFontMatch match = fonts.Match(face, true, false);
    if (match.Family != kPrintReadyFace || match.Embolden ||
        !fonts.Face(face, true, false)->IsBold())
        throw Error("print-ready books set their givens in " + face +
                    " Bold, which is not installed (Debian package fonts-liberation)");
}

TCandidatePlace CandidatePlace(double cellLeft, double cellTop, double cell, double inset,
                               int digit, int size)
{
    const double part = (cell - 2 * inset) / 3;
    const int row = (digit - 1) / 3, column = (digit - 1) % 3;
    return {cellLeft + inset + column * part,
            cellTop + inset + row * part + (part - size / 60.0) / 2, part};
}

TLargePrintGrid LargePrintGrid(const TPageGeometry& geometry, int pageNumber, bool marked)
{
    const TMargins& margins = geometry.Margins();
    const double blockTop = margins.Top;
    const double blockBottom = geometry.PageHeight() - margins.Bottom;
    const double half = HalfPen(kLargePrintThickLine);
    // From the block's top: the running head, a gap, the label, its clearance, the grid.
    const double aboveLabel = kPageTitle.Size / 60.0 + kLargePrintHeadGap;
    const double label = kLargePrintLabelSize * kLabelLineHeight / 72 + kGridClearance +
                         (marked ? MarkRoom(kLargePrintLabelSize) : 0);
    const double tall = blockBottom - blockTop - aboveLabel - label - 2 * half;
    const double side = std::min(geometry.BlockWidth() - 2 * half, tall);
    TLargePrintGrid grid;
    grid.Cell = side / 9;
    grid.Left = geometry.BlockLeft(pageNumber) + (geometry.BlockWidth() - side) / 2;
    // The label and grid stand together in the middle of the room below the head.
    grid.LabelTop = blockTop + aboveLabel + (tall - side) / 2;
    grid.Top = grid.LabelTop + label + half;
    grid.DigitSize = std::max(kLargePrintSmallestDigit,
                              static_cast<int>(grid.Cell * 72 * kLargePrintDigitShare));
    return grid;
}

std::string BookTitle(const TBookSettings& settings)
{
    if (settings.Sections.empty())
        return VariantLevelCaption(settings.Variant, settings.LevelIndex);
    // A book of several levels: "Easy to Expert Sudoku", from its first section to its last.
    const int first = settings.Sections.front().LevelIndex;
    const int last = settings.Sections.back().LevelIndex;
    // Sections of one puzzle type name it: "Easy to Standard Killer Sudoku".
    const std::string& type = settings.Sections.front().Variant;
    const bool oneType = std::ranges::all_of(settings.Sections, [&type](const TSection& s) {
        return IsClassicName(s.Variant) ? IsClassicName(type) : s.Variant == type;
    });
    const std::string named = oneType ? type : std::string();
    if (first == last)
        return VariantLevelCaption(named, first);
    const std::string from = SectionHeading(1, first);
    return from.substr(from.find(" - ") + 3) + " to " + VariantLevelCaption(named, last);
}

TBookDescription ResolveBook(const TBookSettings& givenSettings, int workedPages)
{
    const TBookSettings settings = WithoutBlankTexts(givenSettings);
    const TBookPlan plan = PlanBook(settings, workedPages);
    TBookDescription book{
        settings,
        plan,
        BookGeometry(settings, plan.Total()),
        ToPageText(settings.Title.empty() ? BookTitle(settings) : settings.Title, "the title"),
        ToPageText(settings.Title, "the title"),
        ToPageText(settings.Author, "the author"),
        ToPageText(settings.Publisher, "the publisher"),
        ToPageText(settings.Website, "the website"),
        ToPageText(settings.Edition, "the edition"),
        ToPageText(settings.Isbn, "the ISBN"),
        {}};
    if (book.DocumentTitle.empty() && settings.IsPrintReady())
        book.DocumentTitle = book.Title;
    book.RunningHead = book.Title;
    if (settings.Volume > 0)
        book.RunningHead += " - Volume " + std::to_string(settings.Volume);
    return book;
}

TBookDescription DescribeBook(const TBookSettings& givenSettings)
{
    const TBookSettings settings = WithoutBlankTexts(givenSettings);
    CheckBookSettings(settings);
    CheckPrintSettings(settings);
    return ResolveBook(settings);
}

TBookLayout::TBookLayout(report::TRepProjectManager& project, puzzle::TQJ& QJ1,
                         const puzzle::TPuzzleBatch& batch, const TBookSettings& settings,
                         IBookProgress& progress)
    : TBookLayout(project, QJ1, batch, ResolveBook(settings), progress)
{}

TBookLayout::TBookLayout(report::TRepProjectManager& project, puzzle::TQJ& QJ1,
                         const puzzle::TPuzzleBatch& batch, const TBookDescription& book,
                         IBookProgress& progress)
    : m_project(project), m_qj(QJ1), m_batch(batch), m_progress(progress),
      m_perPage(book.Settings.PuzzlesPerPage), m_pages(book.Plan.PuzzlePages),
      m_candidates(book.Settings.Candidates), m_title(BookTitle(book.Settings) + " by Gridquill"),
      m_plan(book.Plan), m_geometry(book.Geometry), m_printReady(m_geometry.PrintReady()),
      m_boldGivens(book.Settings.HasBoldGivens()), m_largePrint(book.Settings.LargePrint),
      m_fontName(m_printReady ? kPrintReadyFace : kPlainFace), m_bookTitle(book.Title),
      m_bookAuthor(book.Author), m_runningHead(book.RunningHead), m_volume(book.Settings.Volume),
      m_publisher(book.Publisher), m_website(book.Website), m_edition(book.Edition),
      m_isbn(book.Isbn), m_settings(book.Settings)
{}

void TBookLayout::ShowProgress(int value)
{
    m_progress.SetProgress(value);
    m_progress.Repaint();
}

TRepPage& TBookLayout::SetUpPage(int number)
{
    const auto at = static_cast<std::size_t>(std::max(number, 0));
    if (at >= m_pageItems.size())
        m_pageItems.resize(at + 1, nullptr);
    TRepPage*& page = m_pageItems[at];
    if (!page)
        page =
            dynamic_cast<TRepPage*>(m_project.FindByPath("Report1.Page" + std::to_string(number)));
    if (!page)
        throw gq::InternalError("the book's page " + std::to_string(number) +
                                " is missing from its report");
    page->WasteFit = true;
    // Every page carries its size, so the engine never keeps the size of an earlier book.
    page->SetPageWidth(m_geometry.PageWidth());
    page->SetPageHeight(m_geometry.PageHeight());
    page->PaperSize = 256;
    return *page;
}

int TBookLayout::FontSize(int points) { return FontSize(points, m_geometry.Scale()); }

int TBookLayout::FontSize(int points, double scale)
{
    int size = static_cast<int>(std::lround(points * scale));
    size = std::max(size, m_printReady ? kMinPrintReadyText : 1);
    m_smallestText = std::min(m_smallestText, size);
    return size;
}

int TBookLayout::LineWidth(bool thick, bool large)
{
    int width = large          ? (thick ? kLargePrintThickLine : kLargePrintThinLine)
                : m_printReady ? (thick ? kPrintReadyThickLine : kPrintReadyThinLine)
                               : (thick ? kThickLine : kThinLine);
    m_thinnestLine = std::min(m_thinnestLine, width);
    return width;
}

double TBookLayout::Measure(const std::string& text, int size) const
{
    if (m_measure)
        return m_measure(text, size);
    return 0.6 * static_cast<double>(text.size()) * size / 72;
}

TRepText& TBookLayout::AddText(TRepPage& page, const TPageTransform& frame, std::string_view text,
                               double left, double top, int size)
{
    auto* item = page.AddChildControl<TRepText>("TitleText");
    item->SetText(text);
    item->SetLeft(frame.X(left));
    item->SetTop(frame.Y(top));
    item->SetFontSize(FontSize(size, frame.Scale));
    item->SetFontName(m_fontName);
    return *item;
}

void TBookLayout::AddPageTitle(TRepPage& page, const TPageTransform& frame, int number, double left,
                               double right)
{
    if (!m_printReady) {
        AddText(page, frame, m_title, kPageTitle.Left, kPageTitle.Top, kPageTitle.Size);
        return;
    }
    // A title too wide for the grids' span shrinks, and below kRunningHeadSmallest it is cut
    // at a word with "...", so the head never runs past the grids into the gutter.
    const double width = frame.Length(right - left);
    int size = kPageTitle.Size;
    auto fits = [&](const std::string& text) {
        return Measure(text, static_cast<int>(std::lround(size * frame.Scale))) <= width;
    };
    while (size > kRunningHeadSmallest && !fits(m_runningHead))
        --size;
    std::string head = m_runningHead;
    while (!fits(head) && head.size() > 3) {
        std::size_t cut = head.find_last_of(' ', head.size() - 4);
        head = head.substr(0, cut == std::string::npos || cut == 0 ? head.size() - 4 : cut) + "...";
    }
    const bool oddPage = number % 2 == 1;
    TRepText& item = AddText(page, frame, head, left, kPageTitle.Top, size);
    item.SetWidth(width);
    item.SetFontJustify(oddPage ? report::TPrintJustify::pjRight : report::TPrintJustify::pjLeft);
}

void TBookLayout::AddFooter(TRepPage& page, const TPageTransform& frame, double left, double top,
                            int size, int number)
{
    // A plain book's footer is our web address; a print-ready book carries its page number
    // instead, and no address the user did not give.
    if (m_printReady)
        AddPageNumber(page, number);
    else
        AddText(page, frame, kPublisherWebAddress, left, top, size);
}

void TBookLayout::AddPageNumber(TRepPage& page, int number)
{
    if (!m_printReady)
        return;
    auto* item = page.AddChildControl<TRepText>("TitleText");
    item->SetText(std::to_string(number));
    item->SetLeft(m_geometry.BlockLeft(number) + m_geometry.BlockWidth() / 2 - 0.5);
    item->SetTop(m_geometry.PageHeight() - m_geometry.Margins().Bottom + kPageNumberDrop);
    item->SetFontSize(kPageNumberSize);
    item->SetFontName(m_fontName);
    item->SetFontJustify(report::TPrintJustify::pjCenter);
    item->SetWidth(1);
    m_smallestText = std::min(m_smallestText, kPageNumberSize);
}

void TBookLayout::AddGridBlock(const GridBlock& b)
{
    TRepPage& page = *b.Page;
    const TPageTransform& f = b.Frame;
    for (int i = 1; i <= 10; ++i) {
        auto* line = page.AddChildControl<TRepHLine>();
        line->SetLeft(f.X(b.X0));
        line->SetWidth(f.Length(9 * b.C));
        line->SetLineWidth(LineWidth((i - 1) % 3 == 0, b.Large));
        line->SetTop(f.Y(b.Y0 + (i - 1) * b.C));
    }
    for (int j = 1; j <= 10; ++j) {
        auto* line = page.AddChildControl<TRepVLine>();
        line->SetTop(f.Y(b.Y0));
        line->SetHeight(f.Length(9 * b.C));
        line->SetLineWidth(LineWidth((j - 1) % 3 == 0, b.Large));
        line->SetLeft(f.X(b.X0 + (j - 1) * b.C));
    }
    const int digitSize = FontSize(b.S, f.Scale);
    // Candidates are rounded down: a full list of nine must stay inside its cell.
    const int candidateSize = std::max(static_cast<int>(std::floor(12 * f.Scale + 1e-9)),
                                       m_printReady ? kMinPrintReadyText : 1);
    // The digits' two fonts, made once a grid: each text takes its font in one step.
    report::TRepFont regular = report::TRepFont::Default();
    regular.Size = digitSize;
    if (m_printReady)
        regular.Name = m_fontName;
    report::TRepFont bold = regular;
    bold.Bold = true;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            std::string digit = CellText(b.Source, x, y);
            // A print-ready book sets each candidate at its own place: see AddCandidates.
            if (b.Candidates && digit.empty() && m_printReady) {
                AddCandidates(b, x, y, candidateSize);
                continue;
            }
            auto* text = page.AddChildControl<TRepText>("TitleText");
            text->SetLeft(f.X(b.TL + (x - 1) * b.C));
            text->SetTop(f.Y(b.TT + (y - 1) * b.C));
            text->SetFont(CellText(b.Bold, x, y).empty() ? regular : bold);
            text->SetFontJustify(report::TPrintJustify::pjCenter);
            if (!b.Candidates || !digit.empty()) {
                text->SetText(digit);
            } else {
                text->SetFontSize(candidateSize);
                m_smallestText = std::min(m_smallestText, candidateSize);
                m_qj.LoadPuzzleString(b.Source);
                text->SetText(m_qj.GetCandidates(x, y));
            }
            text->SetWidth(f.Length(1));
        }
}

void TBookLayout::AddPuzzleGrid(const GridBlock& block, int number, bool answer)
{
    const variant::Puzzle* puzzle = m_variants ? m_variants->Find(number) : nullptr;
    if (puzzle)
        AddVariantGrid(block, *puzzle, answer);
    else
        AddGridBlock(block);
}

void TBookLayout::AddGridLabel(const GridBlock& grid, const std::string& text, double left,
                               double top, int size, int number, bool fit, double ceiling)
{
    TRepPage& page = *grid.Page;
    const TPageTransform& frame = grid.Frame;
    if (!m_printReady) {
        AddText(page, frame, text, left, top, size);
        return;
    }
    int points = FontSize(size, frame.Scale);
    while (fit && points > kMinPrintReadyText && Measure(text, points) > frame.Length(9 * grid.C))
        --points;
    // A level mark takes room above the grid: the label shrinks to keep clear of what is above.
    const int level = MarkLevel(number);
    const double foot = frame.Y(grid.Y0) - HalfPen(LineWidth(true, grid.Large)) - kGridClearance;
    while (level >= 0 && points > kMinPrintReadyText &&
           foot - MarkRoom(points) - points * kLabelLineHeight / 72 < ceiling + kGridClearance)
        --points;
    AddCentredLabel(grid, text, points, level);
}

int TBookLayout::MarkLevel(int number) const
{
    const TSectionPlan* section = m_plan.Sectioned ? m_plan.SectionOfPuzzle(number) : nullptr;
    return section ? section->LevelIndex : -1;
}

void TBookLayout::AddCentredLabel(const GridBlock& grid, const std::string& text, int points,
                                  int levelIndex)
{
    // Centred over the grid, its lowest ink kGridClearance above the outer half of the frame,
    // or above the level mark that stands there.
    const TPageTransform& frame = grid.Frame;
    double foot = frame.Y(grid.Y0) - HalfPen(LineWidth(true, grid.Large)) - kGridClearance;
    if (levelIndex >= 0) {
        AddLevelMark(*grid.Page, frame.X(grid.X0) + frame.Length(9 * grid.C) / 2, foot, points,
                     levelIndex);
        foot -= MarkRoom(points);
    }
    auto* item = grid.Page->AddChildControl<TRepText>("TitleText");
    item->SetText(text);
    item->SetLeft(frame.X(grid.X0));
    item->SetWidth(frame.Length(9 * grid.C));
    item->SetTop(foot - points * kLabelLineHeight / 72);
    item->SetFontSize(points);
    item->SetFontName(m_fontName);
    item->SetFontJustify(report::TPrintJustify::pjCenter);
    m_smallestText = std::min(m_smallestText, points);
}

void TBookLayout::AddAnswerNote(const GridBlock& grid, const std::string& text, int points)
{
    const TPageTransform& frame = grid.Frame;
    const double width = frame.Length(9 * grid.C);
    while (points > kMinPrintReadyText && Measure(text, points) > width)
        --points;
    auto* item = grid.Page->AddChildControl<TRepText>("TitleText");
    item->SetText(text);
    item->SetLeft(frame.X(grid.X0));
    item->SetWidth(width);
    item->SetTop(frame.Y(grid.Y0 + 9 * grid.C) + HalfPen(LineWidth(true, grid.Large)) +
                 kGridClearance);
    item->SetFontSize(points);
    item->SetFontName(m_fontName);
    item->SetFontJustify(report::TPrintJustify::pjCenter);
    m_smallestText = std::min(m_smallestText, points);
}

void TBookLayout::AddLevelMark(TRepPage& page, double centre, double foot, int points,
                               int levelIndex)
{
    // Filled squares are rows of short strokes whose square caps close the gaps between them
    // (pens under 2 pt, so nothing takes them for a grid's box line); empty ones are outlines
    // in the thinnest print-ready pen.
    constexpr double dpi = report::TRenderDevice::kDpi;
    const int wanted = MarkSidePixels(points);
    const int rows = (wanted + 15) / 16;
    const int pen = wanted / rows;
    const int sidePixels = rows * pen;
    const double side = sidePixels / dpi;
    const double gap = side / 2;
    const double top = foot - side;
    double left = centre - (kLevelMarks * side + (kLevelMarks - 1) * gap) / 2;
    const int outline = LineWidth(false);
    const double inset = outline / 2.0 / dpi;
    for (int i = 0; i < kLevelMarks; ++i, left += side + gap) {
        if (i <= levelIndex) {
            for (int r = 0; r < rows; ++r) {
                auto* line = page.AddChildControl<TRepHLine>();
                line->SetLeft(left + pen / 2.0 / dpi);
                line->SetWidth(side - pen / dpi);
                line->SetLineWidth(pen);
                line->SetTop(top + (r + 0.5) * pen / dpi);
            }
            m_thinnestLine = std::min(m_thinnestLine, pen);
            continue;
        }
        for (double y : {top + inset, foot - inset}) {
            auto* line = page.AddChildControl<TRepHLine>();
            line->SetLeft(left + inset);
            line->SetWidth(side - 2 * inset);
            line->SetLineWidth(outline);
            line->SetTop(y);
        }
        for (double x : {left + inset, left + side - inset}) {
            auto* line = page.AddChildControl<TRepVLine>();
            line->SetLeft(x);
            line->SetTop(top + inset);
            line->SetHeight(side - 2 * inset);
            line->SetLineWidth(outline);
        }
    }
}

void TBookLayout::AddCandidates(const GridBlock& b, int x, int y, int size)
{
    const TPageTransform& f = b.Frame;
    const double cell = f.Length(b.C);
    // Every candidate keeps clear of the heaviest line a cell can have; the type shrinks, to
    // no less than the smallest print-ready text, until a digit fits its part of the cell.
    const double inset = HalfPen(LineWidth(true, b.Large)) + kCandidateClearance;
    const double part = (cell - 2 * inset) / 3;
    while (size > kMinPrintReadyText && (size / 60.0 > part || Measure("8", size) > part))
        --size;
    m_smallestText = std::min(m_smallestText, size);
    m_qj.LoadPuzzleString(b.Source);
    for (char digit : m_qj.GetCandidates(x, y)) {
        const TCandidatePlace place = CandidatePlace(
            f.X(b.X0 + (x - 1) * b.C), f.Y(b.Y0 + (y - 1) * b.C), cell, inset, digit - '0', size);
        auto* text = b.Page->AddChildControl<TRepText>("TitleText");
        text->SetText(std::string(1, digit));
        text->SetLeft(place.Left);
        text->SetTop(place.Top);
        text->SetWidth(place.Width);
        text->SetFontSize(size);
        text->SetFontName(m_fontName);
        text->SetFontJustify(report::TPrintJustify::pjCenter);
    }
}

std::vector<std::string> TBookLayout::WrapLines(std::string_view text, int points,
                                                double width) const
{
    return BreakLines(text, width,
                      [this, points](const std::string& t) { return Measure(t, points); });
}

double TBookLayout::AddWrapped(TRepPage& page, const TPageTransform& frame, std::string_view text,
                               double top, int size, bool centred)
{
    const int points = FontSize(size, frame.Scale);
    const std::vector<std::string> lines =
        WrapLines(text, points, frame.Length(kBlockWidth) * 0.98);
    const double step = size / 60.0 * 1.15;
    for (const std::string& line : lines) {
        TRepText& item =
            AddText(page, frame, line, centred ? kBlockLeft : kRulesText.Left, top, size);
        if (centred) {
            item.SetFontJustify(report::TPrintJustify::pjCenter);
            item.SetWidth(frame.Length(kBlockWidth));
        }
        top += step;
    }
    return top;
}

void TBookLayout::LayoutFrontMatter(int year)
{
    LayoutPagesOf({TPageKind::Title, TPageKind::Copyright, TPageKind::Rules, TPageKind::Contents},
                  year);
}

std::string TBookLayout::VolumeLine() const
{
    return m_volume > 0 ? "Volume " + std::to_string(m_volume) : "";
}

void TBookLayout::LayoutTitlePage()
{
    // Page 1: the title page. The title is set as large as fits on one line, down to
    // kTitlePageSmallestTitle; a longer one is wrapped at that size.
    TRepPage& titlePage = SetUpPage(1);
    const TPageTransform titleFrame = m_geometry.Frame(1);
    int titleSize = kTitlePageTitle.Size;
    while (titleSize > kTitlePageSmallestTitle &&
           Measure(m_bookTitle, static_cast<int>(std::lround(titleSize * titleFrame.Scale))) >
               titleFrame.Length(kBlockWidth) * 0.98)
        titleSize -= 2;
    double top =
        AddWrapped(titlePage, titleFrame, m_bookTitle, kTitlePageTitle.Top, titleSize, true);
    if (!m_bookAuthor.empty())
        top = AddWrapped(titlePage, titleFrame, "by " + m_bookAuthor,
                         top + kTitlePageAuthor.Top - kTitlePageAuthor.Size / 60.0,
                         kTitlePageAuthor.Size, true);
    const std::string volume = VolumeLine();
    if (!volume.empty())
        AddWrapped(titlePage, titleFrame, volume,
                   top + kTitlePageVolume.Top - kTitlePageVolume.Size / 60.0, kTitlePageVolume.Size,
                   true);
    // The imprint only when the user names a publisher: the book is theirs, not ours.
    if (!m_publisher.empty())
        AddWrapped(titlePage, titleFrame, m_publisher, kTitlePagePublisher.Top,
                   kTitlePagePublisher.Size, true);
}

void TBookLayout::LayoutCopyrightPage(int year)
{
    // Page 2, the back of the title page: copyright and the book's particulars.
    TRepPage& copyrightPage = SetUpPage(2);
    const TPageTransform copyrightFrame = m_geometry.Frame(2);
    std::string holder = m_bookAuthor.empty() ? m_publisher : m_bookAuthor;
    std::string notice = "Copyright \xA9 " + std::to_string(year);
    if (!holder.empty())
        notice += " " + holder;
    if (notice.back() != '.')
        notice += '.';
    notice += " All rights reserved.";
    std::vector<std::string> particulars = {notice};
    if (!m_edition.empty())
        particulars.push_back(m_edition);
    if (!m_isbn.empty())
        particulars.push_back("ISBN " + m_isbn);
    if (const std::string volume = VolumeLine(); !volume.empty())
        particulars.push_back(volume);
    if (!m_website.empty())
        particulars.push_back(m_website);
    if (!m_publisher.empty())
        particulars.push_back("Printed by " + m_publisher);
    double top = kCopyrightText.Top;
    for (const std::string& paragraph : particulars)
        top =
            AddWrapped(copyrightPage, copyrightFrame, paragraph, top, kCopyrightText.Size, false) +
            kCopyrightParagraphGap;
}

void TBookLayout::LayoutRulesPage()
{
    // Page 3: the rules.
    TRepPage& rulesPage = SetUpPage(3);
    const TPageTransform rulesFrame = m_geometry.Frame(3);
    AddText(rulesPage, rulesFrame, "How to play", kRulesHeading.Left, kRulesHeading.Top,
            kRulesHeading.Size);
    double top = kRulesText.Top;
    for (const std::string& paragraph : RulesText(m_candidates, VariantRulesOf(m_settings)))
        top = AddWrapped(rulesPage, rulesFrame, paragraph, top, kRulesText.Size, false) +
              kRulesParagraphGap;
}

void TBookLayout::LayoutContentsPage()
{
    const int number = m_plan.FrontPages + 1;
    TRepPage& page = SetUpPage(number);
    const TPageTransform frame = m_geometry.Frame(number);
    AddText(page, frame, "Contents", kRulesHeading.Left, kRulesHeading.Top, kRulesHeading.Size);
    // One line per section with its mark, then the answers; each page number flush right with
    // the text block.
    const int points = FontSize(kContentsEntry.Size, frame.Scale);
    double top = kContentsEntry.Top;
    auto entry = [&](const std::string& text, int pageNumber, int levelIndex) {
        AddText(page, frame, text, kContentsEntry.Left, top, kContentsEntry.Size);
        TRepText& item =
            AddText(page, frame, std::to_string(pageNumber), kBlockLeft, top, kContentsEntry.Size);
        item.SetWidth(frame.Length(kBlockWidth) * 0.98); // clear of the margin when rounded
        item.SetFontJustify(report::TPrintJustify::pjRight);
        if (levelIndex >= 0)
            AddLevelMark(page, frame.X(kContentsMarkCentre), frame.Y(top) + kBaseline * points / 72,
                         points, levelIndex);
        top += kContentsLineGap;
    };
    for (std::size_t i = 0; i < m_plan.Sections.size(); ++i) {
        const TSectionPlan& section = m_plan.Sections[i];
        entry(SectionHeading(static_cast<int>(i) + 1, section.LevelIndex, section.Variant),
              section.TitlePage, section.LevelIndex);
    }
    if (m_plan.HintPages > 0)
        entry("Hints", m_plan.FirstHintPage, -1);
    if (m_plan.WorkedPages > 0)
        entry("Worked solutions", m_plan.FirstWorkedPage, -1);
    entry("Answers", m_plan.FirstAnswerPage, -1);
    std::string key = "The six small squares under each puzzle's number show its level: the "
                      "filled ones count";
    for (int level = 0; level < puzzle::kLevelCount; ++level) {
        std::string name = SectionHeading(1, level).substr(std::string_view("Section 1 - ").size());
        std::ranges::transform(name, name.begin(), [](unsigned char c) { return std::tolower(c); });
        key += (level == 0                         ? " "
                : level + 1 == puzzle::kLevelCount ? " and "
                                                   : ", ") +
               std::to_string(level + 1) + " for " + name;
    }
    AddWrapped(page, frame, key + ".", top + kRulesParagraphGap, kRulesText.Size, false);
    AddPageNumber(page, number);
}

void TBookLayout::LayoutSectionPage(std::size_t index)
{
    const TSectionPlan& section = m_plan.Sections[index];
    const int number = section.TitlePage;
    TRepPage& page = SetUpPage(number);
    const TPageTransform frame = m_geometry.Frame(number);
    double top =
        AddWrapped(page, frame,
                   SectionHeading(static_cast<int>(index) + 1, section.LevelIndex, section.Variant),
                   kSectionHeading.Top, kSectionHeading.Size, true);
    const int points = FontSize(kSectionHeading.Size, frame.Scale);
    top += kSectionGap;
    AddLevelMark(page, frame.X(kBlockLeft + kBlockWidth / 2),
                 frame.Y(top) + MarkRoom(points) * 0.75, points, section.LevelIndex);
    top += MarkRoom(points) / frame.Scale + kSectionGap;
    top = AddWrapped(page, frame, LevelDemands(section.LevelIndex), top, kRulesText.Size, true);
    const int last = section.FirstPuzzle + section.Count - 1;
    AddWrapped(page, frame,
               section.Count == 1 ? "Puzzle #" + std::to_string(last)
                                  : "Puzzles #" + std::to_string(section.FirstPuzzle) + " to #" +
                                        std::to_string(last),
               top + kSectionGap, kRulesText.Size, true);
    AddPageNumber(page, number);
}

std::string TBookLayout::AnswerLabel(int number) const
{
    std::string label = "Sudoku #" + std::to_string(number);
    if (const int page = m_plan.PageOfPuzzle(number); m_printReady && page > 0)
        label += " - page " + std::to_string(page);
    return label;
}

namespace
{

std::vector<TBookLayout::TPuzzleSlot> PuzzleSlots(const TBookPlan& plan)
{
    std::vector<TBookLayout::TPuzzleSlot> pages;
    for (const TSectionPlan& section : plan.Sections)
        for (int q = 0; q < section.PuzzlePages; ++q) {
            const int first = section.FirstPuzzle + q * plan.PerPage;
            pages.push_back({section.FirstPuzzlePage + q, first,
                             std::min(plan.PerPage, section.FirstPuzzle + section.Count - first)});
        }
    return pages;
}

} // namespace

const std::vector<TBookLayout::TPuzzleSlot>& TBookLayout::Slots()
{
    if (m_slots.empty())
        m_slots = PuzzleSlots(m_plan);
    return m_slots;
}

void TBookLayout::LayoutPuzzlePages()
{
    LayoutPagesOf({TPageKind::Section, TPageKind::Puzzle, TPageKind::LargePrint}, 0);
}

void TBookLayout::LayoutPuzzlePage(std::size_t q)
{
    const TPuzzleSlot& slot = Slots()[q];
    const int Q = static_cast<int>(Slots().size());
    ShowProgress(static_cast<int>(q + 1) * 30 / Q);
    const PageLayout& layout = PuzzleLayout(m_perPage);
    const auto span = GridSpan(layout);
    const int number = slot.Number;
    const TPageTransform frame = m_geometry.Frame(number);
    // The title, each label with its grid in table order, and the footer.
    for (int k = 1; k <= std::min(layout.GridCount, slot.Grids); ++k) {
        const GridSpot& at = layout.Grids[static_cast<std::size_t>(k - 1)];
        const int n = slot.FirstPuzzle + k - 1;
        const double gridWidth = frame.Length(9 * at.C);
        if (m_smallestGrid == 0 || gridWidth < m_smallestGrid)
            m_smallestGrid = gridWidth;
        TRepPage& page = SetUpPage(number);
        if (k == 1)
            AddPageTitle(page, frame, number, span.first, span.second);
        const std::string_view puzzle = m_batch.Puzzles[n];
        const GridBlock grid{&page,
                             at.X0,
                             at.Y0,
                             at.C,
                             at.TL,
                             at.TT,
                             at.S,
                             puzzle,
                             m_perPage == 1 && m_candidates,
                             frame,
                             m_boldGivens ? puzzle : std::string_view(),
                             false};
        AddGridLabel(grid, "Sudoku #" + std::to_string(n), at.Label.Left, at.Label.Top,
                     at.Label.Size, n, false, Ceiling(layout, k, frame, kPageTitle));
        AddPuzzleGrid(grid, n, false);
        if (k == slot.Grids)
            AddFooter(page, frame, layout.Footer.Left, layout.Footer.Top, layout.Footer.Size,
                      number);
    }
}

void TBookLayout::LayoutAnswerPages() { LayoutPagesOf({TPageKind::Answers}, 0); }

void TBookLayout::LayoutAnswerPage(int a)
{
    const int Q = m_pages;
    const int R = m_plan.AnswerPages;
    const int perPage = m_plan.AnswersPerPage;
    const PageLayout& layout = AnswerLayout(perPage);
    const auto span = GridSpan(layout);
    // A single-level book of four answers a page draws the grids of its last page whether it
    // has those puzzles or not, as it always has; other layouts draw the answers there are.
    // A book with puzzle types draws only the answers there are.
    const int last =
        !m_plan.Sectioned && perPage == 4 && !(m_variants && !m_variants->Puzzles.empty())
            ? R * perPage
            : m_plan.Puzzles();
    // Answer notes are set at kAnswerNoteSize scaled, no smaller than print-ready text.
    auto noteSize = [this](const TPageTransform& frame) {
        return m_answerNotes && m_aids ? FontSize(kAnswerNoteSize, frame.Scale) : 0;
    };
    auto noteRoom = [&noteSize](const TPageTransform& frame) {
        const int points = noteSize(frame);
        return points > 0 ? kGridClearance + points * kLabelLineHeight / 72 : 0.0;
    };
    ShowProgress((Q + a) * 30 / Q);
    for (int k = 1; k <= layout.GridCount; ++k) {
        const int number = m_plan.FirstAnswerPage + a - 1;
        const TPageTransform frame = m_geometry.Frame(number);
        const int n = perPage * (a - 1) + k;
        if (n > last)
            continue;
        TRepPage& page = SetUpPage(number);
        if (k == 1) {
            AddPageTitle(page, frame, number, span.first, span.second);
            AddText(page, frame, "Answers", kHeading.Left, kHeading.Top, kHeading.Size);
        }
        const GridSpot& at = layout.Grids[static_cast<std::size_t>(k - 1)];
        const bool stored = n <= puzzle::TPuzzleBatch::kCapacity;
        // An answer note stands under the grid above: a label keeps clear of it too.
        const double noted = k > layout.Columns ? noteRoom(frame) : 0;
        // The givens of every print-ready answer are bold, the digits solved regular.
        const GridBlock grid{&page,
                             at.X0,
                             at.Y0,
                             at.C,
                             at.TL,
                             at.TT,
                             at.S,
                             stored ? std::string_view(m_batch.Solutions[n]) : std::string_view(),
                             false,
                             frame,
                             m_printReady && stored ? std::string_view(m_batch.Puzzles[n])
                                                    : std::string_view(),
                             false};
        if (m_largePrint) {
            // Large print: the label as large as the room up to the heading or the grid
            // above allows.
            const double half = HalfPen(kPrintReadyThickLine);
            const int columns = layout.Columns;
            const double ceiling =
                k <= columns ? frame.Y(kHeading.Top) + FontSize(kHeading.Size) / 60.0
                             : frame.Y(layout.Grids[static_cast<std::size_t>(k - 1 - columns)].Y0 +
                                       9 * at.C) +
                                   half + noted;
            const double foot = frame.Y(at.Y0) - half - kGridClearance;
            const std::string label = AnswerLabel(n);
            const int level = MarkLevel(n);
            const int size = AnswerLabelSize(label, FontSize(at.Label.Size), frame.Length(9 * at.C),
                                             foot - ceiling - kGridClearance, level >= 0);
            AddCentredLabel(grid, label, size, level);
        } else {
            AddGridLabel(grid, AnswerLabel(n), at.Label.Left, at.Label.Top, at.Label.Size, n,
                         perPage != 4, Ceiling(layout, k, frame, kHeading) + noted);
        }
        AddPuzzleGrid(grid, n, true);
        if (noteSize(frame) > 0 && static_cast<std::size_t>(n) < m_aids->Explanations.size())
            AddAnswerNote(grid, AnswerNote(m_aids->Explanations[static_cast<std::size_t>(n)]),
                          noteSize(frame));
        if (k == std::min(layout.GridCount, last - perPage * (a - 1)))
            AddFooter(page, frame, layout.Footer.Left, layout.Footer.Top, layout.Footer.Size,
                      number);
    }
}

int TBookLayout::AnswerLabelSize(const std::string& label, int scaled, double width, double room,
                                 bool marked)
{
    int size = kLargePrintSmallestLabel;
    auto tall = [marked](int points) {
        return points * kLabelLineHeight / 72 + (marked ? MarkRoom(points) : 0);
    };
    while (size > scaled && (Measure(label, size) > width || tall(size) > room))
        --size;
    return std::max(size, scaled);
}

void TBookLayout::LayoutLargePrintPage(std::size_t q)
{
    const int Q = static_cast<int>(Slots().size());
    ShowProgress(static_cast<int>(q + 1) * 30 / Q);
    const int number = Slots()[q].Number;
    const int n = Slots()[q].FirstPuzzle;
    const int level = MarkLevel(n);
    const TLargePrintGrid grid = LargePrintGrid(m_geometry, number, level >= 0);
    // Page inches, but for the running head, whose layout top lands on the block's top.
    TPageTransform frame;
    frame.OffsetY = m_geometry.Margins().Top - kPageTitle.Top;
    auto top = [&frame](double pageTop) { return pageTop - frame.OffsetY; };
    const double side = 9 * grid.Cell;
    if (m_smallestGrid == 0 || side < m_smallestGrid)
        m_smallestGrid = side;
    TRepPage& page = SetUpPage(number);
    AddPageTitle(page, frame, number, grid.Left, grid.Left + side);
    // Digits centred in their cells, in text items an inch wide.
    const double textLeft = grid.Left + grid.Cell / 2 - 0.5;
    const double textTop = grid.Top + grid.Cell / 2 - kDigitInkCentre * grid.DigitSize / 72;
    const GridBlock block{&page,    grid.Left,    top(grid.Top),      grid.Cell,
                          textLeft, top(textTop), grid.DigitSize,     m_batch.Puzzles[n],
                          false,    frame,        m_batch.Puzzles[n], true};
    AddCentredLabel(block, "Sudoku #" + std::to_string(n), kLargePrintLabelSize, level);
    AddPuzzleGrid(block, n, false);
    AddPageNumber(page, number);
}

void ConfigureBookEngine(report::TPageStreamWriter& writer)
{
    writer.SetTitle("Grid Report");
    writer.SetStatusFormat("Printing page %p");
    writer.SetCopies(2);
    writer.SetOrientation(report::TOrientation::poPortrait);
    writer.SetUnitsFactor(1);
    writer.SetScaleX(100);
    writer.SetScaleY(100);
}

void AddBookPages(report::TRepProjectManager& project, int pageCount)
{
    auto* report = dynamic_cast<report::TRepReport*>(project.FindByPath("Report1"));
    if (!report)
        throw gq::InternalError("the new report project has no Report1");
    for (int n = 2; n <= pageCount; ++n)
        report->AddPage();
    for (int n = 1; n < pageCount; ++n) {
        auto* page =
            dynamic_cast<report::TRepPage*>(project.FindByPath("Report1.Page" + std::to_string(n)));
        auto* next = dynamic_cast<report::TRepPage*>(
            project.FindByPath("Report1.Page" + std::to_string(n + 1)));
        if (!page || !next)
            throw gq::InternalError("the book's pages are not numbered 1 to " +
                                    std::to_string(pageCount));
        page->SetGotoPage(next);
    }
}

TLearningAids PlanLearningAids(TBookDescription& book, const puzzle::TPuzzleBatch& batch,
                               const TTextMeasure& measure)
{
    if (!book.Settings.HasLearningAids())
        return {};
    TLearningAids aids = ExplainBook(book.Settings, book.Plan, batch);
    for (int worked = TBookLayout::WorkedPageCount(aids, book.Geometry, measure);
         worked != book.Plan.WorkedPages;
         worked = TBookLayout::WorkedPageCount(aids, book.Geometry, measure))
        book = ResolveBook(book.Settings, worked);
    return aids;
}

void TBookLayout::LayoutBook(int year)
{
    for (int number = 1; number <= m_plan.Total(); ++number)
        LayoutPage(number, year);
}

void TBookLayout::PreparePages()
{
    if (m_jobs.empty())
        PlanPageJobs();
    for (std::size_t number = 1; number < m_jobs.size(); ++number)
        if (m_jobs[number].Kind != TPageKind::None)
            SetUpPage(static_cast<int>(number));
}

void TBookLayout::PlanPageJobs()
{
    m_jobs.assign(static_cast<std::size_t>(m_plan.Total()) + 1, {});
    auto set = [this](int number, TPageKind kind, int index) {
        if (number >= 1 && number <= m_plan.Total())
            m_jobs[static_cast<std::size_t>(number)] = {kind, index};
    };
    if (m_printReady) {
        set(1, TPageKind::Title, 0);
        set(2, TPageKind::Copyright, 0);
        set(3, TPageKind::Rules, 0);
        if (m_plan.Sectioned)
            set(m_plan.FrontPages + 1, TPageKind::Contents, 0);
    }
    for (std::size_t i = 0; i < m_plan.Sections.size(); ++i)
        if (m_plan.Sections[i].TitlePage > 0)
            set(m_plan.Sections[i].TitlePage, TPageKind::Section, static_cast<int>(i));
    for (std::size_t q = 0; q < Slots().size(); ++q)
        set(Slots()[q].Number, m_largePrint ? TPageKind::LargePrint : TPageKind::Puzzle,
            static_cast<int>(q));
    if (m_aids) {
        for (int p = 0; p < m_plan.HintPages; ++p)
            set(m_plan.FirstHintPage + p, TPageKind::Hints, p);
        for (int p = 0; p < m_plan.WorkedPages; ++p)
            set(m_plan.FirstWorkedPage + p, TPageKind::Worked, p);
    }
    for (int a = 1; a <= m_plan.AnswerPages; ++a)
        set(m_plan.FirstAnswerPage + a - 1, TPageKind::Answers, a);
    for (const int number : m_plan.InnerNotesPages)
        set(number, TPageKind::Notes, 0);
    const int firstNotes = m_plan.FirstNotesPage();
    for (int number = firstNotes; number < firstNotes + m_plan.NotesPages; ++number)
        set(number, TPageKind::Notes, 0);
    for (int blank = 0; blank < m_plan.BlankPages; ++blank)
        set(firstNotes + m_plan.NotesPages + blank, TPageKind::Blank, 0);
}

void TBookLayout::LayoutPagesOf(std::initializer_list<TPageKind> kinds, int year)
{
    if (m_jobs.empty())
        PlanPageJobs();
    for (std::size_t number = 1; number < m_jobs.size(); ++number)
        if (std::ranges::find(kinds, m_jobs[number].Kind) != kinds.end())
            LayoutPage(static_cast<int>(number), year);
}

void TBookLayout::LayoutPage(int number, int year)
{
    if (m_jobs.empty())
        PlanPageJobs();
    if (number < 1 || static_cast<std::size_t>(number) >= m_jobs.size())
        throw gq::InternalError("the book has no page " + std::to_string(number) + " to lay out");
    const TPageJob job = m_jobs[static_cast<std::size_t>(number)];
    switch (job.Kind) {
    case TPageKind::None:
        break;
    case TPageKind::Title:
        LayoutTitlePage();
        break;
    case TPageKind::Copyright:
        LayoutCopyrightPage(year);
        break;
    case TPageKind::Rules:
        LayoutRulesPage();
        break;
    case TPageKind::Contents:
        LayoutContentsPage();
        break;
    case TPageKind::Section:
        LayoutSectionPage(static_cast<std::size_t>(job.Index));
        break;
    case TPageKind::Puzzle:
        LayoutPuzzlePage(static_cast<std::size_t>(job.Index));
        break;
    case TPageKind::LargePrint:
        LayoutLargePrintPage(static_cast<std::size_t>(job.Index));
        break;
    case TPageKind::Hints:
        LayoutHintPage(job.Index);
        break;
    case TPageKind::Worked:
        LayoutWorkedPage(static_cast<std::size_t>(job.Index));
        break;
    case TPageKind::Answers:
        LayoutAnswerPage(job.Index);
        break;
    case TPageKind::Notes:
        LayoutNotesPage(number);
        break;
    case TPageKind::Blank:
        SetUpPage(number); // sized like the others, nothing printed on it
        break;
    }
}

void TBookLayout::LayoutNotesPages() { LayoutPagesOf({TPageKind::Notes, TPageKind::Blank}, 0); }

void TBookLayout::LayoutNotesPage(int number)
{
    const TPageTransform frame = m_geometry.Frame(number);
    TRepPage& page = SetUpPage(number);
    AddPageTitle(page, frame, number, kNotesLineLeft, kNotesLineLeft + kNotesLineWidth);
    AddText(page, frame, "Notes", kHeading.Left, kHeading.Top, kHeading.Size);
    for (int i = 0; i < kNotesLines; ++i) {
        auto* line = page.AddChildControl<TRepHLine>();
        line->SetLeft(frame.X(kNotesLineLeft));
        line->SetWidth(frame.Length(kNotesLineWidth));
        line->SetLineWidth(LineWidth(false));
        line->SetTop(frame.Y(kNotesFirstLine + i * kNotesLineGap));
    }
    AddPageNumber(page, number);
}

} // namespace gq::book

// ---- Hints and worked solutions.

namespace gq::book
{

namespace
{

constexpr TextSpot kHintLine{0.5, 1.3, 11}; // Top of the first line
constexpr double kHintLineGap = 0.25;

// Worked solutions are laid out in page inches, so that no paper makes them smaller.
constexpr double kDiagram = 2.2;        // side of a step's grid: 3 x 3 candidates of 7 pt fit
constexpr double kDiagramGap = 0.12;    // between a grid and its sentence
constexpr double kStepColumnGap = 0.25; // between two columns of steps
constexpr double kStepRowGap = 0.2;     // between two rows of steps
constexpr double kLeastStepText = 1.0;  // the narrowest column a sentence is set in
constexpr int kStepTextSize = 8;
constexpr int kStepDigitSize = 11;
constexpr int kWorkedHeadingSize = 14;
constexpr double kWorkedHeadingTop = 0.3; // below the text block's top
constexpr double kWorkedFirstRow = 0.7;   // likewise
constexpr std::uint32_t kShade = 0xD9D9D9;

double TextLineStep(int points) { return points / 60.0 * 1.15; }

/// One step (or the closing line) of a worked solution on its page: its row's top below the
/// text block's top, and its column.
struct TWorkedBox
{
    int Step = 0;  ///< index into the steps; Steps.size() for the line that logic stops
    int Count = 1; ///< steps the box shows: a run of singles shares one diagram
    double Top = 0;
    int Column = 0;
};

/// Singles in a row that share one diagram: each is one placement, and a diagram per placement
/// would spend a page on every two or three of them.
constexpr int kSinglesPerDiagram = 6;

bool IsSingle(const solve::TStep& step) { return solve::TierOf(step.Kind) == 1; }

/// The boxes of a worked solution, in order, before they are placed: (first step, count). A
/// step past the singles has a box of its own; the line that logic stops, when it does, too.
std::vector<std::pair<int, int>> WorkedBoxes(const solve::TExplanation& explanation)
{
    std::vector<std::pair<int, int>> boxes;
    const int steps = static_cast<int>(explanation.Steps.size());
    for (int i = 0; i < steps;) {
        int count = 1;
        if (IsSingle(explanation.Steps[static_cast<std::size_t>(i)]))
            while (count < kSinglesPerDiagram && i + count < steps &&
                   IsSingle(explanation.Steps[static_cast<std::size_t>(i + count)]))
                ++count;
        boxes.emplace_back(i, count);
        i += count;
    }
    if (!explanation.Solved)
        boxes.emplace_back(steps, 1);
    return boxes;
}

struct TWorkedPage
{
    int Puzzle = 0;
    std::vector<TWorkedBox> Boxes;
};

struct TWorkedColumns
{
    int Count = 1;
    double Width = 0;     ///< of one column
    double TextWidth = 0; ///< of its sentences
};

TWorkedColumns WorkedColumns(const TPageGeometry& geometry)
{
    TWorkedColumns columns;
    // The grids' outer lines stand half a pen inside the text block.
    const double block = geometry.BlockWidth() - 2 * HalfPen(kPrintReadyThickLine);
    columns.Count =
        std::max(1, static_cast<int>((block + kStepColumnGap) /
                                     (kDiagram + kDiagramGap + kLeastStepText + kStepColumnGap)));
    columns.Width = (block - (columns.Count - 1) * kStepColumnGap) / columns.Count;
    columns.TextWidth = columns.Width - kDiagram - kDiagramGap;
    return columns;
}

/// The pages of the worked solutions: each puzzle opens a page; its steps fill rows of
/// columns, a row as tall as its tallest grid or sentence.
std::vector<TWorkedPage>
PaginateWorked(const TLearningAids& aids, const TPageGeometry& geometry,
               const std::function<std::size_t(const std::string&, double)>& lineCount)
{
    const TWorkedColumns columns = WorkedColumns(geometry);
    const double bottom =
        geometry.PageHeight() - geometry.Margins().Bottom - geometry.Margins().Top;
    std::vector<TWorkedPage> pages;
    for (const int number : aids.Worked) {
        const solve::TExplanation& explanation =
            aids.Explanations.at(static_cast<std::size_t>(number));
        const std::vector<std::pair<int, int>> boxes = WorkedBoxes(explanation);
        const std::size_t items = boxes.size();
        pages.push_back({number, {}});
        double top = kWorkedFirstRow;
        for (std::size_t first = 0; first < items; first += columns.Count) {
            double tall = 0;
            for (std::size_t i = first; i < std::min(items, first + columns.Count); ++i) {
                const auto [step, count] = boxes[i];
                const bool stop = step == static_cast<int>(explanation.Steps.size());
                double lines = 0;
                for (int k = step; k < step + count; ++k) {
                    const std::string text =
                        stop ? std::string(kLogicStops)
                             : StepSentence(k, explanation.Steps[static_cast<std::size_t>(k)]);
                    lines += static_cast<double>(lineCount(text, columns.TextWidth)) *
                             TextLineStep(kStepTextSize);
                }
                tall = std::max(tall, stop ? lines : std::max(kDiagram, lines));
            }
            if (top + tall > bottom && !pages.back().Boxes.empty()) {
                pages.push_back({number, {}});
                top = kWorkedFirstRow;
            }
            for (std::size_t i = first; i < std::min(items, first + columns.Count); ++i)
                pages.back().Boxes.push_back(
                    {boxes[i].first, boxes[i].second, top, static_cast<int>(i - first)});
            top += tall + kStepRowGap;
        }
    }
    return pages;
}

/// The text the grid of a step prints: PrintedGrid undone.
std::string PrintedText(const solve::Grid& grid)
{
    std::string text(81, '0');
    for (int r = 1; r <= 9; ++r)
        for (int c = 1; c <= 9; ++c)
            text[static_cast<std::size_t>((c - 1) * 9 + r - 1)] =
                static_cast<char>('0' + grid[static_cast<std::size_t>((r - 1) * 9 + c - 1)]);
    return text;
}

} // namespace

int TBookLayout::WorkedPageCount(const TLearningAids& aids, const TPageGeometry& geometry,
                                 const TTextMeasure& measure)
{
    auto lineCount = [&measure](const std::string& text, double width) {
        return BreakLines(text, width,
                          [&measure](const std::string& t) {
                              return measure
                                         ? measure(t, kStepTextSize)
                                         : 0.6 * static_cast<double>(t.size()) * kStepTextSize / 72;
                          })
            .size();
    };
    return static_cast<int>(PaginateWorked(aids, geometry, lineCount).size());
}

void TBookLayout::LayoutLearningPages() { LayoutPagesOf({TPageKind::Hints, TPageKind::Worked}, 0); }

void TBookLayout::LayoutHintPage(int p)
{
    const int puzzles = m_plan.Puzzles();
    const int number = m_plan.FirstHintPage + p;
    const TPageTransform frame = m_geometry.Frame(number);
    TRepPage& page = SetUpPage(number);
    AddPageTitle(page, frame, number, kNotesLineLeft, kNotesLineLeft + kNotesLineWidth);
    AddText(page, frame, p == 0 ? "Hints" : "Hints (continued)", kHeading.Left, kHeading.Top,
            kHeading.Size);
    for (int line = 0; line < kHintLinesPerPage; ++line) {
        const int n = p * kHintLinesPerPage + line + 1;
        if (n > puzzles)
            break;
        const auto at = static_cast<std::size_t>(n);
        const std::string text =
            at < m_aids->Explanations.size() ? HintLine(n, m_aids->Explanations[at]) : "";
        AddText(page, frame, text, kHintLine.Left, kHintLine.Top + line * kHintLineGap,
                kHintLine.Size);
    }
    AddPageNumber(page, number);
}

/// The worked solutions paginated once for the layout.
struct TBookLayout::TWorkedSheets
{
    std::vector<TWorkedPage> Pages;
};

const TBookLayout::TWorkedSheets& TBookLayout::WorkedSheets()
{
    if (m_worked)
        return *m_worked;
    auto lineCount = [this](const std::string& text, double width) {
        return WrapLines(text, kStepTextSize, width).size();
    };
    auto sheets = std::make_unique<TWorkedSheets>();
    sheets->Pages = PaginateWorked(*m_aids, m_geometry, lineCount);
    if (static_cast<int>(sheets->Pages.size()) != m_plan.WorkedPages)
        throw gq::InternalError(
            "the worked solutions take " + std::to_string(sheets->Pages.size()) +
            " pages, but the book planned " + std::to_string(m_plan.WorkedPages));
    m_worked = std::move(sheets);
    return *m_worked;
}

TBookLayout::~TBookLayout() = default;

void TBookLayout::LayoutWorkedPage(std::size_t p)
{
    const std::vector<TWorkedPage>& pages = WorkedSheets().Pages;
    const TWorkedColumns columns = WorkedColumns(m_geometry);
    // A puzzle whose solution runs on from the page before is "continued".
    const int lastPuzzle = p > 0 ? pages[p - 1].Puzzle : 0;
    const TWorkedPage& sheet = pages[p];
    const int number = m_plan.FirstWorkedPage + static_cast<int>(p);
    TRepPage& page = SetUpPage(number);
    const double left = m_geometry.BlockLeft(number) + HalfPen(kPrintReadyThickLine);
    const double right =
        m_geometry.BlockLeft(number) + m_geometry.BlockWidth() - HalfPen(kPrintReadyThickLine);
    const double blockTop = m_geometry.Margins().Top;
    // Page inches, but for the running head, whose layout top lands on the block's top.
    TPageTransform headFrame;
    headFrame.OffsetY = blockTop - kPageTitle.Top;
    AddPageTitle(page, headFrame, number, left, right);
    const std::string heading =
        "Worked solution: Sudoku #" + std::to_string(sheet.Puzzle) +
        (sheet.Puzzle == lastPuzzle
             ? " (continued)"
             : " - page " + std::to_string(m_plan.PageOfPuzzle(sheet.Puzzle)));
    AddText(page, TPageTransform{}, heading, left, blockTop + kWorkedHeadingTop,
            kWorkedHeadingSize);

    const solve::TExplanation& explanation =
        m_aids->Explanations.at(static_cast<std::size_t>(sheet.Puzzle));
    const solve::Grid givens = PrintedGrid(m_batch.Puzzles[static_cast<std::size_t>(sheet.Puzzle)]);
    // The state before the page's first step: the steps before it replayed.
    solve::Grid grid = givens;
    solve::Candidates candidates = solve::StartingCandidates(givens);
    const int firstStep = sheet.Boxes.empty() ? 0 : sheet.Boxes.front().Step;
    for (int i = 0; i < firstStep; ++i)
        solve::Apply(explanation.Steps[static_cast<std::size_t>(i)], grid, candidates);
    for (const TWorkedBox& box : sheet.Boxes) {
        const double x = left + box.Column * (columns.Width + kStepColumnGap);
        const double top = blockTop + box.Top;
        if (box.Step == static_cast<int>(explanation.Steps.size())) {
            double lineTop = top;
            for (const std::string& line : WrapLines(kLogicStops, kStepTextSize, columns.Width))
                AddText(page, TPageTransform{}, line, x, lineTop, kStepTextSize),
                    lineTop += TextLineStep(kStepTextSize);
            continue;
        }
        // A run of singles is drawn as one step: all its cells shaded, all its placements.
        solve::TStep shown = explanation.Steps[static_cast<std::size_t>(box.Step)];
        std::vector<std::string> sentences;
        for (int k = box.Step; k < box.Step + box.Count; ++k) {
            const solve::TStep& step = explanation.Steps[static_cast<std::size_t>(k)];
            sentences.push_back(StepSentence(k, step));
            if (k > box.Step) {
                shown.Cells.insert(shown.Cells.end(), step.Cells.begin(), step.Cells.end());
                shown.Place.insert(shown.Place.end(), step.Place.begin(), step.Place.end());
            }
        }
        AddWorkedStep(page, givens, grid, candidates, shown, sentences, x, top, columns.TextWidth);
        for (int k = box.Step; k < box.Step + box.Count; ++k)
            solve::Apply(explanation.Steps[static_cast<std::size_t>(k)], grid, candidates);
    }
    AddPageNumber(page, number);
}

void TBookLayout::AddWorkedStep(TRepPage& page, const solve::Grid& givens, const solve::Grid& grid,
                                const solve::Candidates& candidates, const solve::TStep& step,
                                const std::vector<std::string>& sentences, double left, double top,
                                double textWidth)
{
    constexpr double dpi = report::TRenderDevice::kDpi;
    const double cell = kDiagram / 9;
    auto cellLeft = [&](int c) { return left + (c % 9) * cell; };
    auto cellTop = [&](int c) { return top + (c / 9) * cell; };
    // The step's cells shaded first, so that lines and digits stand on the gray: rows of
    // strokes whose square caps close the gaps between them.
    std::vector<int> shaded = step.Cells;
    for (const solve::TCellDigit& place : step.Place)
        shaded.push_back(place.Cell);
    std::ranges::sort(shaded);
    shaded.erase(std::unique(shaded.begin(), shaded.end()), shaded.end());
    const int strips = 4;
    const int pen = static_cast<int>(cell * dpi) / strips;
    for (const int c : shaded) {
        for (int r = 0; r < strips; ++r) {
            auto* line = page.AddChildControl<TRepHLine>();
            line->SetLeft(cellLeft(c) + pen / 2.0 / dpi);
            line->SetWidth(cell - pen / dpi);
            line->SetLineWidth(pen);
            line->SetColor(kShade);
            line->SetTop(cellTop(c) + (r + 0.5) * pen / dpi);
        }
    }
    // The grid after the step's placements; givens bold.
    solve::Grid after = grid;
    for (const solve::TCellDigit& place : step.Place)
        after[static_cast<std::size_t>(place.Cell)] = static_cast<std::uint8_t>(place.Digit);
    const std::string source = PrintedText(after);
    const std::string bold = PrintedText(givens);
    const GridBlock block{&page,
                          left,
                          top,
                          cell,
                          left + cell / 2 - 0.5,
                          top + cell / 2 - kDigitInkCentre * kStepDigitSize / 72,
                          kStepDigitSize,
                          source,
                          false,
                          TPageTransform{},
                          bold,
                          false};
    AddGridBlock(block);
    // Candidates where the step needs them: in its cells and where it removes some, each digit
    // at its own place, the removed ones struck through.
    if (!step.Eliminate.empty()) {
        std::vector<int> shown = step.Cells;
        for (const solve::TCellDigit& gone : step.Eliminate)
            shown.push_back(gone.Cell);
        std::ranges::sort(shown);
        shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
        const double inset = HalfPen(kPrintReadyThickLine);
        const double part = (cell - 2 * inset) / 3;
        const int size = FontSize(kMinPrintReadyText, 1);
        for (const int c : shown) {
            if (grid[static_cast<std::size_t>(c)] != 0)
                continue;
            for (int d = 1; d <= 9; ++d) {
                if ((candidates[static_cast<std::size_t>(c)] & (1u << d)) == 0)
                    continue;
                const double x = cellLeft(c) + inset + ((d - 1) % 3) * part;
                const double centre = cellTop(c) + inset + ((d - 1) / 3 + 0.5) * part;
                auto* text = page.AddChildControl<TRepText>("TitleText");
                text->SetText(std::string(1, static_cast<char>('0' + d)));
                text->SetLeft(x);
                text->SetTop(centre - kDigitInkCentre * size / 72);
                text->SetWidth(part);
                text->SetFontSize(size);
                text->SetFontName(m_fontName);
                text->SetFontJustify(report::TPrintJustify::pjCenter);
                if (std::ranges::find(step.Eliminate, solve::TCellDigit{c, d}) !=
                    step.Eliminate.end()) {
                    auto* strike = page.AddChildControl<TRepHLine>();
                    strike->SetLeft(x + part * 0.15);
                    strike->SetWidth(part * 0.7);
                    strike->SetLineWidth(LineWidth(false));
                    strike->SetTop(centre);
                }
            }
        }
    }
    double lineTop = top;
    for (const std::string& sentence : sentences)
        for (const std::string& line : WrapLines(sentence, kStepTextSize, textWidth)) {
            AddText(page, TPageTransform{}, line, left + kDiagram + kDiagramGap, lineTop,
                    kStepTextSize);
            lineTop += TextLineStep(kStepTextSize);
        }
}

} // namespace gq::book
