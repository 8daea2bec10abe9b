#pragma once

#include "book/CoverGeometry.h"
#include "book/SafeFile.h"
#include "pdf/Clock.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gq::report
{
class TFontManager;
}

namespace gq::book
{

/// The longest blurb a back cover takes, in characters.
inline constexpr std::size_t kMaxBlurbCharacters = 1000;

/// What a cover shows and what it is made for. Texts are UTF-8.
struct TCoverDesign
{
    std::string Paper = "letter"; ///< a name of Papers()
    std::string Service = "kdp";  ///< one of kCoverServices
    std::string Stock = "white";  ///< one of kCoverStocks
    int Pages = 0;                ///< pages of the book's interior
    std::string Title;            ///< empty: "Sudoku"
    std::string Author;
    std::string Publisher;
    std::string Isbn; ///< as typed; empty: the barcode box stays empty
    std::string Blurb;
    int Volume = 0;
    std::vector<std::string> Levels; ///< the levels' captions, in the book's order
    std::string Inside;              ///< what is inside: "200 puzzles in four levels, ..."
    std::string Motif;               ///< a PuzzleString ('0' open) drawn on the front; may be empty
    bool PdfX = false;
    /// A DeviceCMYK accent colour (each 0..1) for the title band and the spine; gray only
    /// without one.
    std::optional<std::array<double, 4>> Accent;
};

struct TBookSettings;

/// The cover of the book `settings` describe when it has `pages` pages: its paper, title (the
/// title page's), author, publisher, ISBN, volume and levels, what is inside, and the service,
/// stock and blurb of settings.Cover. The motif is left empty (the book's puzzles are not drawn
/// yet).
TCoverDesign CoverDesignOf(const TBookSettings& settings, int pages);

/// Throws gq::Error naming what a cover cannot be made of: an unknown paper, service or stock,
/// a page count out of range, a text the pages' encoding cannot hold, a blurb longer than
/// kMaxBlurbCharacters characters, an ISBN IsbnDigits refuses, or an accent outside 0..1.
void CheckCoverDesign(const TCoverDesign& design);

/// The cover's PDF. With `guides`, the trim, the spine folds, the bleed edge and the safe zones
/// are drawn over it. Throws gq::Error as CheckCoverDesign does, when the blurb or the title does
/// not fit, or when the face is missing.
std::string CoverPdf(const TCoverDesign& design, bool guides,
                     std::shared_ptr<report::TFontManager> fonts, const pdf::TClock& clock = {});

/// One line about a cover: its size, the spine and whether it carries text, and why.
std::string CoverSummary(const TCoverGeometry& geometry, std::string_view service);

/// Writes the cover to `path` (and with `guides` its guides to GuidesPathFor(path)), each file
/// appearing only complete; an existing file is replaced only with TReplace::Always (else
/// TFileExistsError, checked before any work). Returns the summary line (CoverSummary).
std::string WriteCover(const TCoverDesign& design, const std::string& path, TReplace replace,
                       bool guides = false, bool allowUnnamedFiles = true);

/// "NAME-cover.pdf" beside the book at `bookPath` ("NAME.pdf").
std::string CoverPathFor(const std::string& bookPath);

/// "NAME-guides.pdf" beside the cover at `coverPath` ("NAME.pdf").
std::string GuidesPathFor(const std::string& coverPath);

/// The 13 digits of the EAN-13 barcode of an ISBN as typed (an ISBN-10 becomes its 978 form).
/// Throws gq::Error as IsbnDigits does.
std::string Isbn13Digits(std::string_view isbn);

/// What a book holds, as its back cover says it: "200 puzzles in four levels, answers
/// included" (`levels` 1: "... in one level" is left out).
std::string InsideLine(int puzzles, int levels);

} // namespace gq::book
