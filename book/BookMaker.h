#pragma once

#include "book/BookSettings.h"
#include "book/SafeFile.h"
#include "puzzle/PuzzleBank.h"
#include "puzzle/PuzzleBatch.h"
#include "puzzle/Random.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gq::book
{

/// What a book run tells its front end. Each front end (window, command line) implements it.
class IBookProgress
{
  public:
    virtual ~IBookProgress() = default;

    /// The progress bar's new value, 0..100.
    virtual void SetProgress(int value) = 0;
    /// The progress group's new caption ("Save file to disk,Please wait", "Done").
    virtual void SetCaption(std::string_view caption) = 0;
    /// Asked after progress changes that the user should see at once.
    virtual void Repaint() = 0;
    /// The book is written to `pdfPath`; returns once the front end is done with it (the
    /// desktop shows its completion dialog modally here).
    virtual void Completed(const std::string& pdfPath) = 0;
};

/// What a finished book is, as a print-on-demand upload check looks at it.
struct TBookFacts
{
    std::string Paper;          ///< the paper's name ("letter", "6x9", ...)
    double PageWidth = 0;       ///< inches
    double PageHeight = 0;      ///< inches
    int Pages = 0;              ///< all pages of the PDF
    int NotesPages = 0;         ///< of them, pages headed "Notes" (before sections and at the end)
    int Sections = 0;           ///< sections of a book of several levels; 0 for one level
    bool BlankLastPage = false; ///< the last page is left blank
    bool PrintReady = false;    ///< made with TBookSettings::PrintReady (or PdfX)
    bool PdfX = false;
    double InsideMargin = 0; ///< inches; 0 for a book without margins of its own
    int SmallestText = 0;    ///< points
    double ThinnestLine = 0; ///< points
    double GridInches = 0;   ///< width of the smallest puzzle grid on the page, inches
    std::vector<std::string> EmbeddedFonts; ///< base font names
    std::vector<std::string> OtherFonts;    ///< fonts the PDF names but does not hold
    std::string CoverPath;    ///< the cover made with the book; empty when none was asked for
    std::string CoverSummary; ///< the cover's size, spine width and spine text, one line
};

/// Makes books. Owns, for its whole life, the grid model, the grid control, the report project
/// with its page-stream engine and the PDF renderer, and the puzzle batch of the last book.
class TBookMaker
{
  public:
    /// The page stream goes to "velmoraquill.pgs" in the user's private temporary folder
    /// (PrivateTempFolder, book/TempFolder.h). Throws gq::Error when no folder can be made
    /// safe to use.
    TBookMaker();
    /// The page stream goes to `pageStreamPath`.
    explicit TBookMaker(std::string pageStreamPath);
    ~TBookMaker();

    TBookMaker(const TBookMaker&) = delete;
    TBookMaker& operator=(const TBookMaker&) = delete;

    /// Test seams for the file steps: `allowUnnamedFiles` false makes every new file a named
    /// temporary one; `beforeCommit`, when set, is called with a file's target just before the
    /// finished file is put in place.
    void SetFileSeams(bool allowUnnamedFiles, std::function<void(const std::string&)> beforeCommit);

    /// Replaces where the random generator takes its seeds (the clock by default).
    void SetSeedSource(puzzle::SeedSource source);

    /// Draws the puzzles from `bank` instead of the built-in bank (tests pin a small bank so
    /// that their books do not change when the built-in lists do). The bank must outlive the
    /// maker.
    void SetPuzzleBank(const puzzle::TPuzzleBank& bank);

    /// Called between drawing calls while the report runs (the desktop repaints there).
    /// Empty by default, and then it costs nothing.
    void SetMessagePump(std::function<void()> pump);

    const std::string& PageStreamPath() const;
    /// Why the page stream is not in the usual private folder, or "" when it is (see
    /// TPrivateFolder::Fallback).
    const std::string& PageStreamFallback() const;

    /// Frees pages "Report1.Page1".."Report1.Page200" left open by a failed run.
    void DeleteOldPages();

    /// Makes the whole book described by `settings` and writes it to PdfPathFor(settings.PdfPath).
    /// The page stream is written to a new file, read back from that file and rendered; once
    /// the PDF is in place the stream is put at PageStreamPath in one step, so a failed run
    /// leaves the last finished book's stream there. The PDF appears only once it is complete; an
    /// existing file there is replaced only with settings.ReplaceExisting (else TFileExistsError,
    /// checked before any work and again at the moment of creation). Throws gq::Error on any
    /// failure; nothing is left behind then. A blank title or author counts as none
    /// (WithoutBlankTexts).
    void BuildBook(const TBookSettings& settings, IBookProgress& progress);

    /// What the last book made is.
    const TBookFacts& LastBookFacts() const;

    /// Puzzles and solutions of the last book.
    const puzzle::TPuzzleBatch& PuzzleBatch() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

/// Grids narrower than this, inches, are hard to solve in; SmallGridWarning says so.
inline constexpr double kComfortableGridInches = 3.0;

/// One line warning that the puzzle grids of a print-ready book are under
/// kComfortableGridInches wide and naming the remedies; empty when they are not (or for a plain
/// book, whose pages the user chose as they are).
std::string SmallGridWarning(const TBookFacts& facts);

/// Pages of a book: the puzzle pages and its answer pages (four answers a page unless the
/// settings ask for 6 or 9), and for a print-ready book its front matter, contents and section
/// pages and notes pages (PlanBook).
int BookPageCount(const TBookSettings& settings);

/// Plays the page-stream file at `pageStreamPath` into a PDF at PdfPathFor(pdfPath), made as
/// BuildBook makes its PDF. Returns the PDF's path. Throws gq::Error naming what was wrong;
/// a stream that cannot be played is a pdf::TPageStreamError carrying `pageStreamPath`.
std::string RenderPageStream(const std::string& pageStreamPath, const std::string& pdfPath,
                             TReplace replace);

} // namespace gq::book
