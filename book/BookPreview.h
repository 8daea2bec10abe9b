#pragma once

#include "book/BookSettings.h"
#include "puzzle/Random.h"

#include <cstdint>
#include <memory>
#include <string>

namespace gq::book
{

/// A few pages of a book, as a page stream held in memory, for a window to show what the
/// settings make without writing a PDF.
struct TPreview
{
    std::string Stream;      ///< a complete page stream, played as the book's is
    int Pages = 0;           ///< pages in Stream
    int FirstPuzzlePage = 0; ///< the page of the first puzzle (1-based)
    double PageWidth = 0;    ///< inches
    double PageHeight = 0;   ///< inches
    TBookSettings Settings;  ///< the settings of the small book Stream holds
};

/// At most this many puzzle pages (per section) go into a preview.
inline constexpr int kPreviewPuzzlePages = 2;

/// The settings of the small book a preview of `settings` shows: the same level, layout,
/// paper, texts and print-ready choices, but at most kPreviewPuzzlePages puzzle pages (per
/// section), no cover and no PDF path.
TBookSettings PreviewSettings(const TBookSettings& settings);

/// Makes previews. Owns the puzzle and report machinery a book run needs, so that previews
/// made one after another reuse it. Not thread-safe: one preview at a time per maker (a
/// window keeps its maker on one worker thread).
class TBookPreviewMaker
{
  public:
    TBookPreviewMaker();
    ~TBookPreviewMaker();
    TBookPreviewMaker(const TBookPreviewMaker&) = delete;
    TBookPreviewMaker& operator=(const TBookPreviewMaker&) = delete;

    /// Replaces where the random generator takes its seeds (the clock by default); a fixed
    /// source makes the same preview for the same settings.
    void SetSeedSource(puzzle::SeedSource source);

    /// The preview of `settings` (PreviewSettings). Throws gq::Error, with the book code's
    /// message, for settings a book would refuse.
    TPreview Make(const TBookSettings& settings);
    /// The whole book `settings` describe as a page stream in memory (for printing): the same
    /// pages BuildBook would write, without its PDF. Throws gq::Error as Make does.
    TPreview MakeBook(const TBookSettings& settings);

  private:
    TPreview MakeStream(const TBookSettings& settings);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace gq::book
