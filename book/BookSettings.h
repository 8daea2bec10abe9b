#pragma once

#include <string>

namespace gq::book
{

/// What a book run reads from its front end when it starts.
struct TBookSettings
{
    int LevelIndex = 0;           ///< 0..5: Very Easy, Easy, Standard, Hard, Expert, Extreme
    int PageCount = 20;           ///< puzzle pages, 1..200
    int PuzzlesPerPage = 1;       ///< 1, 2 or 4
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

    /// True for a print-ready book: PrintReady or PdfX.
    bool IsPrintReady() const { return PrintReady || PdfX; }
};

} // namespace gq::book
