#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gq::book
{

/// Puzzle pages a book may have, and the count a new book starts with. Every front end offers
/// exactly this range; TBookMaker::BuildBook refuses anything outside it.
inline constexpr int kMinPageCount = 1;
inline constexpr int kMaxPageCount = 200;
inline constexpr int kDefaultPageCount = 20;

/// Puzzles a page may hold, in the order the front ends offer them.
inline constexpr std::array<int, 3> kPuzzlesPerPageChoices = {1, 2, 4};

/// A book of several levels has at most this many sections, and at most kMaxBookPuzzles puzzles.
inline constexpr int kMaxSections = 6;
inline constexpr int kMaxBookPuzzles = 800;

/// Answers an answer page may hold; 4 is the default and the only choice of a plain book.
inline constexpr std::array<int, 3> kAnswersPerPageChoices = {4, 6, 9};

/// One section of a book of several levels: Count puzzles of one level.
struct TSection
{
    int LevelIndex = 0; ///< index into puzzle::Levels()
    int Count = 0;      ///< at least 1
    /// The puzzle type (a variant::FindVariant name); empty or "classic": the bank's classic
    /// puzzles.
    std::string Variant = {};
    bool operator==(const TSection&) const = default;
};

/// Print-on-demand services a cover can be made for, and the paper stocks they print on.
inline constexpr std::array<std::string_view, 3> kCoverServices = {"kdp", "ingramspark", "lulu"};
inline constexpr std::array<std::string_view, 2> kCoverStocks = {"white", "cream"};

/// A full-wrap cover made with the book, for one service and paper stock.
struct TCoverChoice
{
    bool Make = false;           ///< make the cover after the book
    std::string Path;            ///< where; empty: "NAME-cover.pdf" beside the book
    std::string Service = "kdp"; ///< one of kCoverServices
    std::string Stock = "white"; ///< one of kCoverStocks
    std::string Blurb;           ///< UTF-8 text of the back cover; may be empty
    bool operator==(const TCoverChoice&) const = default;
};

/// Worked solutions a book may have: one for the first puzzle of each of up to this many
/// sections (or the first puzzles of a book of one level).
inline constexpr int kMaxWorkedSolutions = 6;

/// File name of the page stream in the user's private temporary folder (PrivateTempFolder,
/// book/TempFolder.h; the window falls back to the current folder when no folder can be made).
inline constexpr std::string_view kPageStreamName = "velmoraquill.pgs";
/// The record of the font files fontconfig picked, beside the page stream.
inline constexpr std::string_view kFontMatchRecordName = "font-matches";

/// What a book run reads from its front end when it starts.
struct TBookSettings
{
    int LevelIndex = 0; ///< index into puzzle::Levels(): Very Easy .. Extreme
    /// Puzzle pages, kMinPageCount..kMaxPageCount.
    int PageCount = kDefaultPageCount;
    int PuzzlesPerPage = 1;       ///< one of kPuzzlesPerPageChoices
    bool Candidates = false;      ///< print candidate digits (one puzzle per page only)
    std::string PdfPath;          ///< where the book is written (".pdf" added without a suffix)
    bool ReplaceExisting = false; ///< replace a file already at PdfPath (else fail)
    std::string Paper = "letter"; ///< a size of Papers() (book/PaperSizes.h)
    /// Made to pass a print-on-demand interior check: embedded fonts, mirrored margins, page
    /// numbers, title and "How to play" pages, notes pages up to an even count of at least 24.
    bool PrintReady = false;
    bool PdfX = false;  ///< PDF/X-1a:2001 output; implies PrintReady
    std::string Title;  ///< UTF-8; the title page's and the PDF's title (empty: the level's)
    std::string Author; ///< UTF-8; on the title page and in the PDF; may be empty
    int Volume = 0;     ///< 0: no volume; N >= 1: volume N
    /// UTF-8, print-ready books only; empty: none. The publisher stands on the title page and
    /// the copyright page, the website and edition on the copyright page. Without a publisher
    /// and website a book names no publisher at all.
    std::string Publisher;
    std::string Website;
    std::string Edition;
    std::string Isbn; ///< as typed (IsbnDigits, book/Isbn.h, must accept it); empty: none
    /// Givens of every puzzle in the bold face; implies PrintReady (the answer pages of every
    /// print-ready book set givens bold either way).
    bool BoldGivens = false;
    /// One puzzle per page, the grid as large as the margins allow, large bold digits and heavy
    /// lines; implies PrintReady and BoldGivens, refuses candidates and 2 or 4 puzzles a page.
    bool LargePrint = false;
    /// A book of several levels, in this order; empty: one level (LevelIndex, PageCount). With
    /// sections, LevelIndex and PageCount are not used, and the book is print-ready.
    std::vector<TSection> Sections;
    int AnswersPerPage = 4; ///< one of kAnswersPerPageChoices; not 4 only in print-ready books
    /// A "Hints" section before the answers: where to look first in each puzzle. Implies
    /// PrintReady.
    bool Hints = false;
    /// 0..kMaxWorkedSolutions puzzles solved step by step in a "Worked solutions" section.
    /// Not 0 implies PrintReady.
    int WorkedSolutions = 0;
    /// Each answer names its puzzle's hardest technique under the grid. Implies PrintReady.
    bool AnswerNotes = false;
    TCoverChoice Cover; ///< the cover made with the book (Cover.Make)
    /// The puzzle type of a book of one level (a variant::FindVariant name), generated on
    /// demand; empty or "classic": the bank's classic book. Sections name their own.
    std::string Variant = {};

    bool operator==(const TBookSettings&) const = default;

    /// True for a print-ready book: PrintReady, PdfX, BoldGivens, LargePrint, sections, hints,
    /// worked solutions or answer notes.
    bool IsPrintReady() const
    {
        return PrintReady || PdfX || BoldGivens || LargePrint || !Sections.empty() ||
               HasLearningAids();
    }
    /// True when the book explains its puzzles: hints, worked solutions or answer notes.
    bool HasLearningAids() const { return Hints || WorkedSolutions > 0 || AnswerNotes; }
    /// True when the givens of the puzzle pages are set bold: BoldGivens or LargePrint.
    bool HasBoldGivens() const { return BoldGivens || LargePrint; }
};

/// Throws gq::Error naming the first of the page count, puzzles per page and level that is out
/// of its range, candidates asked for where CandidatesAllowed says no, large print with
/// more than one puzzle a page or with candidates, sections that break SectionRules, or an
/// answers-per-page choice that is not offered (or not 4 in a plain book). Paper and title page
/// are CheckPrintSettings' (book/BookLayout.h).
void CheckBookSettings(const TBookSettings& settings);

/// Whether candidate digits can be printed with `puzzlesPerPage` puzzles on a page: only a
/// page of one puzzle has cells large enough.
bool CandidatesAllowed(int puzzlesPerPage);

/// Throws gq::Error unless `sections` are 1 to kMaxSections sections of different, existing
/// levels with at least one puzzle each and at most kMaxBookPuzzles in all.
void CheckSections(const std::vector<TSection>& sections);

/// The puzzles of a book: the sections' counts, or PageCount x PuzzlesPerPage.
int BookPuzzleCount(const TBookSettings& settings);

/// True for a title, author, publisher, website, edition or ISBN that is empty or only spaces:
/// the book has none then.
bool IsBlankText(std::string_view text);

/// `settings` with every blank (IsBlankText) text of the title and copyright pages made empty.
TBookSettings WithoutBlankTexts(TBookSettings settings);

/// About how much memory (address space), in MB, making the book `settings` describe takes at
/// its peak (measured for fresh runs: 13 MB for one page, 25 MB for 800 puzzles, 44 MB for 800
/// in a print-ready book).
int BookMemoryMegabytes(const TBookSettings& settings);

/// About how much memory, in MB, rendering a page stream of `streamBytes` takes at its peak.
int RenderMemoryMegabytes(std::uint64_t streamBytes);

} // namespace gq::book
