#pragma once

#include "book/BookMaker.h"
#include "book/BookSettings.h"
#include "book/LearningAids.h"
#include "book/PageGeometry.h"
#include "puzzle/PuzzleBatch.h"
#include "puzzle/TQJ.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gq::report
{
class TFontManager;
class TPageStreamWriter;
class TRepPage;
class TRepProjectManager;
class TRepText;
} // namespace gq::report

namespace gq::variant
{
struct Puzzle;
}

namespace gq::book
{

struct TVariantBatch;

/// Where a digit's ink centre lies below the top of its text item, as a share of its size.
inline constexpr double kDigitInkCentre = 0.634;

/// RoundUp(x) for x >= 0: x truncated toward zero, plus one when that lost a fraction.
int RoundUp(double x);

/// The character at position (x - 1) * 9 + y of `text` (from 1), or "" where it is '0' or the
/// text is too short. x is the printed grid's column, y its row.
std::string CellText(std::string_view text, int x, int y);

/// The page title's level text: the caption of the chosen level ("Hard Sudoku", ...); for a book
/// of several levels, from its first section's to its last's ("Easy to Expert Sudoku").
std::string BookTitle(const TBookSettings& settings);

/// The face of a plain book's text (set as Helvetica in the PDF) and the face a print-ready
/// book's text is set in, measured and embedded (Debian's fonts-liberation).
inline constexpr std::string_view kPlainFace = "Arial";
inline constexpr std::string_view kPrintReadyFace = "Liberation Sans";

/// The fewest pages a print-ready book has.
inline constexpr int kMinPrintReadyPages = 24;

/// One run of puzzle pages: a section of a book of several levels, or all the puzzles of a
/// single-level book (which has no section title page).
struct TSectionPlan
{
    int LevelIndex = 0;      ///< index into puzzle::Levels()
    int FirstPuzzle = 1;     ///< the number of its first puzzle; numbers run on through the book
    int Count = 0;           ///< its puzzles
    int TitlePage = 0;       ///< its title page, always a right-hand (odd) page; 0: none
    int FirstPuzzlePage = 0; ///< the page of its first puzzle
    int PuzzlePages = 0;     ///< RoundUp(Count / puzzles per page)
    std::string Variant;     ///< its puzzle type; empty or "classic": the bank's
};

/// The pages of a book, in print order: front matter, the contents page, for each section a title
/// page and its puzzle pages, answer pages, notes pages, the blank last page.
struct TBookPlan
{
    int FrontPages = 0;    ///< title, copyright and "How to play" pages (print-ready only)
    int ContentsPages = 0; ///< 1 in a book of several levels, after "How to play"
    /// Section title pages, and the notes pages put before a section title page or the first
    /// answer page that would otherwise fall on a left-hand (even) page.
    int SectionPages = 0;
    int PuzzlePages = 0; ///< Q: every section's puzzle pages
    int HintPages = 0;   ///< the "Hints" section, on a right-hand page after the puzzles
    int WorkedPages = 0; ///< the "Worked solutions" section, on a right-hand page after that
    int FirstHintPage = 0;
    int FirstWorkedPage = 0;
    int AnswerPages = 0; ///< R = RoundUp(puzzles / AnswersPerPage)
    int NotesPages = 0;  ///< with BlankPages, pad a print-ready book to an even count of >= 24
    int BlankPages = 0;  ///< 1 for a print-ready book: its last page is left blank
    int PerPage = 1;     ///< puzzles on a full puzzle page
    int AnswersPerPage = 4;
    int FirstAnswerPage = 0;
    std::vector<TSectionPlan> Sections; ///< one for a single-level book
    std::vector<int> InnerNotesPages;   ///< the notes pages among SectionPages, ascending
    bool Sectioned = false;             ///< a book of several levels: section and contents pages

    int Total() const
    {
        return FrontPages + ContentsPages + SectionPages + PuzzlePages + HintPages + WorkedPages +
               AnswerPages + NotesPages + BlankPages;
    }
    /// All puzzles of the book.
    int Puzzles() const;
    /// The page of puzzle `n` (1..Puzzles()), or 0 for any other number.
    int PageOfPuzzle(int n) const;
    /// The section of puzzle `n`, or nullptr for a number outside the book.
    const TSectionPlan* SectionOfPuzzle(int n) const;
    /// The first of the notes pages that pad the end of the book.
    int FirstNotesPage() const { return FirstAnswerPage + AnswerPages; }
};

/// Hint lines on a page of the "Hints" section.
inline constexpr int kHintLinesPerPage = 36;

/// The plan of the book `settings` describe. A book of several levels puts every section title
/// page and the first answer page on a right-hand page, with a notes page before it where needed.
/// Hints and `workedPages` pages of worked solutions stand between the puzzles and the
/// answers, each section and the answers after them opening on a right-hand page.
TBookPlan PlanBook(const TBookSettings& settings, int workedPages = 0);

/// The first line of a section title page: "Section 2 - Standard", or with a puzzle type
/// "Section 2 - Standard Killer".
std::string SectionHeading(int sectionNumber, int levelIndex, std::string_view variant = {});
/// What the puzzles of a level ask of a solver, in one sentence.
std::string_view LevelDemands(int levelIndex);

/// A level mark: kLevelMarks small squares in a row, the first LevelIndex + 1 filled.
inline constexpr int kLevelMarks = 6;

/// The paper and transform of the book `settings` describe. Throws gq::Error naming the valid
/// sizes when settings.Paper is none of them.
TPageGeometry BookGeometry(const TBookSettings& settings);
/// The same for a book of `pageCount` pages (0: as PlanBook(settings) counts them).
TPageGeometry BookGeometry(const TBookSettings& settings, int pageCount);

/// One book resolved from its settings once: its pages planned, its paper and geometry chosen
/// and every text of its pages and of its document in page encoding. The layouts, the document
/// settings and the success line read it rather than working it out from the settings again.
struct TBookDescription
{
    TBookSettings Settings; ///< as given, with blank texts made empty (WithoutBlankTexts)
    TBookPlan Plan;
    TPageGeometry Geometry;
    std::string Title;         ///< the title page's title: --title, else the level's title
    std::string DocumentTitle; ///< the PDF's /Title: --title, else a print-ready book's Title
    std::string Author;        ///< these five: empty when not given
    std::string Publisher;
    std::string Website;
    std::string Edition;
    std::string Isbn;
    std::string RunningHead; ///< Title, with " - Volume N" for a volume
};

/// The description of the book `settings` describe, without checking them. Throws gq::Error for
/// an unknown paper size or a text the pages cannot print.
TBookDescription ResolveBook(const TBookSettings& settings, int workedPages = 0);

/// The description of the book `settings` describe, once CheckBookSettings and
/// CheckPrintSettings accept them (their errors are thrown).
TBookDescription DescribeBook(const TBookSettings& settings);

/// The longest title and author a title page takes, in characters.
inline constexpr std::size_t kMaxTitleLength = 120;
inline constexpr std::size_t kMaxAuthorLength = 80;
/// The longest publisher, website and edition the copyright page takes, in characters.
inline constexpr std::size_t kMaxPublisherLength = 80;
inline constexpr std::size_t kMaxWebsiteLength = 80;
inline constexpr std::size_t kMaxEditionLength = 80;

/// Throws gq::Error naming `what` ("the title") when `text` (UTF-8) holds a character the pages
/// cannot print or is longer than `limit` characters.
void CheckTitlePageText(std::string_view text, std::string_view what, std::size_t limit);

/// Throws gq::Error when the paper size is unknown, when the title, author, publisher, website
/// or edition holds a character the pages cannot print (naming it) or is longer than its
/// kMax*Length, or when the ISBN is not one (IsbnDigits).
void CheckPrintSettings(const TBookSettings& settings);

/// Width in inches of a text in the pages' face at a size in points.
using TTextMeasure = std::function<double(const std::string& text, int size)>;

/// Measures texts in kPrintReadyFace with `fonts` at the engine's 600 dpi, as the engine
/// measures them. `fonts` must outlive the result.
TTextMeasure PrintReadyMeasure(report::TFontManager& fonts);

/// Throws gq::Error when kPrintReadyFace is not installed (only the real face may be embedded;
/// a stand-in would change every width).
void RequirePrintReadyFace(report::TFontManager& fonts);

/// Throws gq::Error when the bold member of kPrintReadyFace is missing: every print-ready book
/// sets the givens of its answers in it.
void RequirePrintReadyBoldFace(report::TFontManager& fonts);

/// The parameters of one printed grid, in layout inches (S in points).
struct GridBlock
{
    report::TRepPage* Page = nullptr;
    double X0 = 0;
    double Y0 = 0;
    double C = 0;  ///< cell size
    double TL = 0; ///< Left of the text items of grid column 1
    double TT = 0; ///< Top of the text items of grid row 1
    int S = 0;
    std::string_view Source; ///< the PuzzleString or SolutionString printed
    bool Candidates = false;
    TPageTransform Frame{}; ///< maps the layout inches onto the page
    /// Cells whose character here (same positions as Source) is not '0' are set bold: the
    /// puzzle's givens. Empty: nothing bold.
    std::string_view Bold = {};
    bool Large = false; ///< a large-print grid: heavy box and cell lines
};

/// Where one candidate digit stands in its cell, page inches: a text item centred in
/// [Left, Left + Width] with its top at Top.
struct TCandidatePlace
{
    double Left = 0;
    double Top = 0;
    double Width = 0;
};

/// The place of candidate `digit` (1..9) in the 3 x 3 mini-grid of a cell whose lines' centres
/// are at `cellLeft`, `cellTop` and `cell` apart, all page inches: digit d in row (d - 1) / 3
/// and column (d - 1) % 3 of the cell less `inset` on every side, a text of `size` points
/// centred in its part.
TCandidatePlace CandidatePlace(double cellLeft, double cellTop, double cell, double inset,
                               int digit, int size);

/// The puzzle grid of a large-print page, page inches: its outer lines' centres, the top of
/// the "Sudoku #" label above it, and the size of its digits, points.
struct TLargePrintGrid
{
    double Left = 0;
    double Top = 0;
    double Cell = 0;
    double LabelTop = 0;
    int DigitSize = 0;
};

/// Type sizes (points) and pen widths (device pixels at 600 dpi) of large print.
inline constexpr int kLargePrintLabelSize = 20;
inline constexpr int kLargePrintSmallestDigit = 20;
inline constexpr int kLargePrintSmallestLabel = 14;
inline constexpr int kLargePrintThickLine = 25; // 3 pt
inline constexpr int kLargePrintThinLine = 9;   // 1.08 pt

/// The grid of large-print page `pageNumber`: as large as the text block allows below the
/// running head and the label and inside the margins, centred across the block.
/// With `marked`, room for a level mark is left under the label.
TLargePrintGrid LargePrintGrid(const TPageGeometry& geometry, int pageNumber, bool marked = false);

/// `text` broken greedily at spaces into lines no wider than `width`, as `wide` measures them;
/// a word wider than that alone is broken between characters.
std::vector<std::string> BreakLines(std::string_view text, double width,
                                    const std::function<double(const std::string&)>& wide);

/// Sets the page-stream engine up as every book's report runs on it: title "Grid Report",
/// portrait, units and scale 1:1.
void ConfigureBookEngine(report::TPageStreamWriter& writer);

/// Gives "Report1" of `project` pages 1..pageCount, each going on to the next. Throws
/// gq::InternalError when the project's report or pages are not named as a new project's.
void AddBookPages(report::TRepProjectManager& project, int pageCount);

/// The explanations `book` teaches with (none without hints, worked solutions or answer
/// notes). The worked solutions' pages depend on the text block, whose inside margin depends on
/// the page count: `book` is planned again until the count holds (both only grow, so this
/// ends).
TLearningAids PlanLearningAids(TBookDescription& book, const puzzle::TPuzzleBatch& batch,
                               const TTextMeasure& measure);

/// Fills the pages of a book's report: front matter, puzzle pages in the chosen layout, answer
/// pages, notes pages. Pages "Report1.Page1".."Report1.Page<PlanBook(settings).Total()>" must
/// exist. Every position comes from the layout tables in BookLayout.cpp and goes through the
/// page's transform (TPageGeometry).
class TBookLayout
{
  public:
    /// Lays out the book `book` describes.
    TBookLayout(report::TRepProjectManager& project, puzzle::TQJ& QJ1,
                const puzzle::TPuzzleBatch& batch, const TBookDescription& book,
                IBookProgress& progress);
    /// Lays out the book `settings` describe (ResolveBook: not checked). Throws gq::Error for
    /// an unknown paper size or a text the pages cannot print.
    TBookLayout(report::TRepProjectManager& project, puzzle::TQJ& QJ1,
                const puzzle::TPuzzleBatch& batch, const TBookSettings& settings,
                IBookProgress& progress);
    ~TBookLayout();
    TBookLayout(const TBookLayout&) = delete;
    TBookLayout& operator=(const TBookLayout&) = delete;

    /// One puzzle page: its number, its first puzzle and how many grids it holds (the last page
    /// of a section may hold fewer than a full page).
    struct TPuzzleSlot
    {
        int Number;
        int FirstPuzzle;
        int Grids;
    };

    /// Measures texts for the title and "How to play" pages of a print-ready book; without it
    /// a width of 0.6 em per character is assumed.
    void SetTextMeasure(TTextMeasure measure) { m_measure = std::move(measure); }

    /// The title, copyright and "How to play" pages (print-ready books only). The copyright
    /// year is `year`'s.
    void LayoutFrontMatter(int year);
    void LayoutPuzzlePages();
    void LayoutAnswerPages();
    /// Pages headed "Notes" that pad a print-ready book, and its blank last page.
    void LayoutNotesPages();
    /// Every page of the book, in the order above, with the learning pages after the puzzles.
    void LayoutBook(int year);
    /// Page `number` alone, as LayoutBook lays it out: a book laid out page by page, each page
    /// once, holds the same items page for page. Throws gq::InternalError for a page the
    /// book does not have.
    void LayoutPage(int number, int year);
    /// Finds what stands on each page and gives every page the book lays out its paper size
    /// before any is laid out: a report run reads the first page's paper as it starts.
    void PreparePages();

    /// The explained puzzles the hints, worked solutions and answer notes read; without them
    /// none is laid out. `aids` must outlive the layout.
    void SetLearningAids(const TLearningAids* aids, bool answerNotes)
    {
        m_aids = aids;
        m_answerNotes = answerNotes;
    }
    /// The generated puzzles of a book with puzzle types: the puzzle and answer grids of those
    /// numbers are drawn from them (AddVariantGrid). `variants` must outlive the layout.
    void SetVariantPuzzles(const TVariantBatch* variants) { m_variants = variants; }
    /// The grid of `puzzle` in the square of `block` (9 x block.C wide): its givens, or with
    /// `answer` its solution with the givens bold in a print-ready book; boxes or regions in
    /// thick lines, X diagonals shaded, killer cages dashed and inset with their sums (on
    /// puzzle pages: an answer is the filled grid).
    void AddVariantGrid(const GridBlock& block, const variant::Puzzle& puzzle, bool answer);

    /// The "Hints" and "Worked solutions" sections the plan has room for.
    void LayoutLearningPages();
    /// The pages the worked solutions of `aids` take on `geometry`, texts measured by
    /// `measure` (0.6 em a character without one).
    static int WorkedPageCount(const TLearningAids& aids, const TPageGeometry& geometry,
                               const TTextMeasure& measure);

    /// Adds the 20 lines and 81 text items of one grid.
    void AddGridBlock(const GridBlock& block);
    /// The page title of a plain book; in a print-ready one the running head (RunningHead) on
    /// the outside edge of page `number`: flush right with `right` on an odd page, flush left
    /// with `left` on an even one (layout inches: the outer edges of the page's grids).
    void AddPageTitle(report::TRepPage& page, const TPageTransform& frame, int number, double left,
                      double right);
    /// The running head of a print-ready book: its title, with " - Volume N" for a volume.
    const std::string& RunningHead() const { return m_runningHead; }

    const TBookPlan& Plan() const { return m_plan; }
    const TPageGeometry& Geometry() const { return m_geometry; }
    /// The smallest font size, points, and the thinnest line, device pixels, laid out so far.
    int SmallestText() const { return m_smallestText; }
    int ThinnestLine() const { return m_thinnestLine; }
    /// The width, inches on the page, of the smallest puzzle grid laid out so far (0: none).
    double SmallestGrid() const { return m_smallestGrid; }

  private:
    /// What LayoutPage lays out on a page, and which one of its kind it is.
    enum class TPageKind : std::uint8_t
    {
        None,
        Title,
        Copyright,
        Rules,
        Contents,
        Section,
        Puzzle,
        LargePrint,
        Hints,
        Worked,
        Answers,
        Notes,
        Blank
    };
    struct TPageJob
    {
        TPageKind Kind = TPageKind::None;
        int Index = 0;
    };
    /// Finds what stands on each page, once.
    void PlanPageJobs();
    /// LayoutPage for every page of these kinds, in page order.
    void LayoutPagesOf(std::initializer_list<TPageKind> kinds, int year);
    /// The puzzle pages, found once.
    const std::vector<TPuzzleSlot>& Slots();
    struct TWorkedSheets;
    /// The worked solutions paginated, once.
    const TWorkedSheets& WorkedSheets();
    void LayoutTitlePage();
    void LayoutCopyrightPage(int year);
    void LayoutRulesPage();
    /// "Volume N", or "" for a book without a volume.
    std::string VolumeLine() const;
    /// Puzzle page `q` (0-based among the puzzle pages).
    void LayoutPuzzlePage(std::size_t q);
    void LayoutLargePrintPage(std::size_t q);
    void LayoutHintPage(int p);
    void LayoutWorkedPage(std::size_t p);
    /// Answer page `a` (from 1).
    void LayoutAnswerPage(int a);
    void LayoutNotesPage(int number);
    /// Looks the page up by its full name, sets its WasteFit and its paper size.
    report::TRepPage& SetUpPage(int number);
    report::TRepText& AddText(report::TRepPage& page, const TPageTransform& frame,
                              std::string_view text, double left, double top, int size);
    void AddPageNumber(report::TRepPage& page, int number);
    /// The label of `grid`: a plain book's at (left, top) as always; a print-ready book's
    /// centred over the grid, clear of its frame, with the level mark of puzzle `number` under
    /// it in a book of several levels. `fit`: shrink it to the grid's width; `ceiling`: the
    /// foot of what stands above, page inches, which a marked label keeps clear of.
    void AddGridLabel(const GridBlock& grid, const std::string& text, double left, double top,
                      int size, int number, bool fit = false, double ceiling = 0);
    /// A print-ready label of `points` (page points) centred over `grid`, clear of its frame;
    /// with `levelIndex` >= 0 the level's mark stands between them.
    void AddCentredLabel(const GridBlock& grid, const std::string& text, int points,
                         int levelIndex = -1);
    /// `text` centred under `grid`, clear of its frame, at `points` or smaller to fit its width.
    void AddAnswerNote(const GridBlock& grid, const std::string& text, int points);
    /// The level mark of `levelIndex`, page inches: centred on `centre`, its foot at `foot`,
    /// squares sized for a label of `points`.
    void AddLevelMark(report::TRepPage& page, double centre, double foot, int points,
                      int levelIndex);
    /// The level of puzzle `number` for its mark: -1 in a single-level book or outside it.
    int MarkLevel(int number) const;
    /// The contents page of a book of several levels.
    void LayoutContentsPage();
    /// The title page of section `index` (0-based) of a book of several levels.
    void LayoutSectionPage(std::size_t index);
    /// A plain page's footer at (left, top), or a print-ready page's number.
    void AddFooter(report::TRepPage& page, const TPageTransform& frame, double left, double top,
                   int size, int number);
    /// Centred lines of `text` wrapped to the text block, from layout top `top`; returns the
    /// layout top below the last line.
    double AddWrapped(report::TRepPage& page, const TPageTransform& frame, std::string_view text,
                      double top, int size, bool centred);
    int FontSize(int points);
    /// `points` of the Letter layouts at `scale`, no smaller than a book of this kind allows.
    int FontSize(int points, double scale);
    int LineWidth(bool thick, bool large = false);
    /// The puzzle pages of a large-print book.
    void LayoutLargePrintPages();
    /// The candidates of the open cell (x, y) of `b`, each digit at its own place in the cell.
    void AddCandidates(const GridBlock& b, int x, int y, int size);
    /// The size of an answer label above a grid `width` wide whose top line's centre is `gap`
    /// below the label's top (page inches): large print sets it at kLargePrintSmallestLabel
    /// where that fits, else at the layout's `scaled` size.
    int AnswerLabelSize(const std::string& label, int scaled, double width, double gap,
                        bool marked);
    double Measure(const std::string& text, int size) const;
    /// `text` broken greedily at spaces into lines no wider than `width` inches at `points`;
    /// a word wider than that alone is broken between characters.
    std::vector<std::string> WrapLines(std::string_view text, int points, double width) const;
    /// One diagram of a worked solution: the grid before `step` at (left, top), page inches,
    /// with the step's cells shaded and its placements made, and `sentences` beside it, each
    /// starting a line.
    void AddWorkedStep(report::TRepPage& page, const solve::Grid& givens, const solve::Grid& grid,
                       const solve::Candidates& candidates, const solve::TStep& step,
                       const std::vector<std::string>& sentences, double left, double top,
                       double textWidth);
    std::string AnswerLabel(int number) const;
    /// Puzzle `number`'s grid: a generated puzzle's (AddVariantGrid) or the classic block.
    void AddPuzzleGrid(const GridBlock& block, int number, bool answer);
    /// Where the digit and a killer sum stand in a variant grid's cell, page inches from its
    /// top-left corner: the digit's ink centre, the sum's text item's top-left.
    struct TCellPlaces
    {
        int DigitPoints = 0;
        double DigitX = 0, DigitY = 0;
        int SumPoints = 0;
        double SumLeft = 0, SumTop = 0;
    };
    /// The places of a grid of `block` whose cells are `cell` wide, layout inches: the digit
    /// centred; in a killer grid the sum in the corner inside the cage outline and the digit
    /// beside it, clear of it. Throws gq::Error, naming the cell size needed, when a killer
    /// cell is too narrow for both at the book's least text size.
    TCellPlaces CellPlaces(const GridBlock& block, double cell, bool killer);
    /// The cage outlines and sums of a killer grid of `block`, cells `cell` wide.
    void AddCages(const GridBlock& block, const variant::Puzzle& puzzle, double cell,
                  const TCellPlaces& places);
    void ShowProgress(int value);

    report::TRepProjectManager& m_project;
    puzzle::TQJ& m_qj;
    const puzzle::TPuzzleBatch& m_batch;
    IBookProgress& m_progress;
    int m_perPage;
    int m_pages;
    bool m_candidates;
    std::string m_title;
    TBookPlan m_plan;
    TPageGeometry m_geometry;
    bool m_printReady;
    bool m_boldGivens; ///< the puzzle pages' givens are bold
    bool m_largePrint;
    std::string m_fontName;
    std::string m_bookTitle;   ///< the title page's title, page text
    std::string m_bookAuthor;  ///< page text
    std::string m_runningHead; ///< page text
    int m_volume;
    std::string m_publisher; ///< page text, empty for none; likewise the next three
    std::string m_website;
    std::string m_edition;
    std::string m_isbn;
    TBookSettings m_settings;
    TTextMeasure m_measure;
    const TLearningAids* m_aids = nullptr;
    const TVariantBatch* m_variants = nullptr;
    bool m_answerNotes = false;
    int m_smallestText = 1000;
    int m_thinnestLine = 1000;
    double m_smallestGrid = 0;
    std::vector<TPageJob> m_jobs;     ///< by page number; empty until the first LayoutPage
    std::vector<TPuzzleSlot> m_slots; ///< empty until first asked for
    std::unique_ptr<TWorkedSheets> m_worked;
    std::vector<report::TRepPage*> m_pageItems; ///< by page number, found once
};

} // namespace gq::book
