#pragma once

#include "pdf/Clock.h"
#include "pdf/PlayerState.h"
#include "report/PageStreamFormat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace gq::pdf
{

class TRenderBase;

/// The job header of a page stream.
struct TStreamHeader
{
    std::string Title;
    std::int16_t PageCount = 0;
    std::int16_t FirstPage = 0;
    std::int16_t LastPage = 0;
    double PaperWidth = 0.0; ///< inches
    double PaperHeight = 0.0;
    double LeftWaste = 0.0;
    double RightWaste = 0.0;
    double TopWaste = 0.0;
    double BottomWaste = 0.0;
    std::uint8_t Orientation = 0;
    std::uint16_t Bin = 0;
    std::uint8_t Collate = 0;
    std::uint8_t Duplex = 0;
    std::uint16_t Copies = 0;
    std::uint16_t PaperSize = 0;
    std::uint16_t PaperWidthCode = 0;
    std::uint16_t PaperLengthCode = 0;
    std::string OutputName;
    /// The document-settings block of streams from version kStreamVersionDocument on; nothing
    /// for older streams, which leave the renderer's own settings in force.
    std::optional<report::TDocumentSettings> Document;
};

/// What one page stream may make, so that a crafted stream cannot make a huge document or take
/// memory without end; playback stops as soon as a bound is passed. The books' streams make
/// about twice their size in PDF (at most 2.2 times; 7.3 MB for the largest book, a 1-page
/// print-ready book 185 KB with its fonts) and hold at most about 900 commands on a page. An
/// ellipse, the writer's most expansive command, makes 15 times its size.
///
/// Page content, all pages together: at most kOutputFloorBytes + kOutputPerStreamByte bytes
/// per byte of stream, and never more than kMaxOutputBytes (nine times the largest book).
inline constexpr std::uint64_t kOutputFloorBytes = 4u << 20;
inline constexpr std::uint64_t kOutputPerStreamByte = 16;
inline constexpr std::uint64_t kMaxOutputBytes = 64u << 20;
/// Commands on one page, its state dump included.
inline constexpr std::size_t kMaxCommandsPerPage = 100'000;

/// Whether `code`, the first byte of a file, opens a page stream's job header.
bool IsJobHeaderCode(std::uint8_t code);

/// Plays a page stream into a renderer, command by command, keeping the current font, pen,
/// brush and position, and hands each change to the renderer. The stream bytes and the renderer
/// are not owned and must outlive the player.
///
/// Stream layout: a job header (first byte 'Z' then the version Word, or 'Q' / 'Y' for older
/// versions), then page records: 'P', previous and next record offsets, page number, page size,
/// commands up to code 82. Every read is bounds-checked; a malformed stream, or one that would
/// make more than its size allows (kOutputPerStreamByte), throws TPageStreamError carrying the
/// byte offset.
class TStreamPlayer
{
  public:
    TStreamPlayer(std::span<const std::uint8_t> input, TRenderBase& renderer);
    ~TStreamPlayer();
    TStreamPlayer(const TStreamPlayer&) = delete;
    TStreamPlayer& operator=(const TStreamPlayer&) = delete;

    /// Reads the header, then BeginDocument, every page, EndDocument. The pages must be as the
    /// writer lays them out: the header's page count of them, numbered 1, 2, 3 ..., their
    /// previous and next offsets linking each to its neighbours (0 before the first and after
    /// the last), and nothing after the last page's end code; otherwise TPageStreamError.
    /// EndDocument runs also when a page fails; the failure is rethrown afterwards. A bad
    /// header throws before BeginDocument.
    void PlayAll();
    /// Plays page `pageNumber` alone between BeginDocument and EndDocument, found by following
    /// the next-page offsets. Throws TPageStreamError when there is no such page.
    void PlayPage(int pageNumber);

    const TStreamHeader& Header() const { return m_header; }
    std::uint16_t Version() const { return m_version; }
    int CurrentPage() const { return m_pageNumber; }
    const TPlayerFont& Font() const { return m_font; }
    const TPlayerPen& Pen() const { return m_pen; }
    const TPlayerBrush& Brush() const { return m_brush; }
    double CurrentX() const { return m_x; }
    double CurrentY() const { return m_y; }
    /// The value of a stream variable (names compared without regard to case), or nothing.
    const std::string* Variable(std::string_view name) const;

    /// Replaces text macros and variable references in `text`. Throws TPageStreamError (at the
    /// current offset) when the replacements do not come to an end.
    std::string ExpandMacros(std::string text) const;

  private:
    /// The reader over the stream and the stream's variables, kept out of this header.
    struct TState;

    void ReadHeader();
    /// Reads the code of a page record; throws TPageStreamError at it when it is another.
    void ReadPageCode();
    void PlayOnePage();
    /// Reads a page record's header, from its code through the page size.
    void ReadPageHeader();
    /// BeginPage, the page's commands through code 82, EndPage. Throws TPageStreamError when the
    /// page holds more than kMaxCommandsPerPage commands or the document's content passes
    /// m_outputLimit, as soon as it does.
    void PlayPageCommands();
    /// Throws TPageStreamError at `offset`: the content made passes m_outputLimit.
    [[noreturn]] void FailOutputLimit(std::size_t offset) const;
    /// Throws TPageStreamError at `offset`: page `page` follows the header's last page.
    [[noreturn]] void FailPageCount(int page, std::size_t offset) const;
    /// The header just read, of the record at `start`, is page `page`, and its previous-page
    /// offset is `previousStart`, where the page before it began (0 for page 1).
    void CheckPageHeader(int page, std::size_t start, std::size_t previousStart) const;
    /// Page `page` (at `start`), just played, is not the last: page + 1 follows at once, and
    /// its next-page offset says so.
    void CheckNextPage(int page, std::size_t start) const;
    /// Page `page` (at `start`), just played, is the last: its next-page offset is 0 and the
    /// stream ends with it.
    void CheckLastPageEnd(int page, std::size_t start) const;
    /// Reads the header, BeginDocument, runs `body`, EndDocument; when `body` throws, the
    /// document is still ended and the failure rethrown.
    template <class TBody> void PlayDocument(TBody&& body);
    /// Plays the command `code` whose code byte stands at `commandOffset`; the handlers below
    /// each take one family of commands and return whether `code` was theirs.
    void PlayCommand(report::TStreamCode code, std::size_t commandOffset);
    bool PlayShapeCommand(report::TStreamCode code);
    bool PlayTextCommand(report::TStreamCode code);
    bool PlayFontCommand(report::TStreamCode code);
    bool PlayPenCommand(report::TStreamCode code);
    bool PlayBrushCommand(report::TStreamCode code);
    bool PlayPictureCommand(report::TStreamCode code);
    /// Variables, drawing mode, line metrics and the commands that draw nothing.
    bool PlayStateCommand(report::TStreamCode code, std::size_t commandOffset);
    void PlayPolyCommand(report::TStreamCode code);
    /// The whole-font record (code 50).
    void PlayWholeFont();
    std::string ReadText();
    TPicture ReadGraphic();
    TDeviceRect ReadRect();
    void ReadVariable(std::size_t commandOffset);
    void PlayText(report::TStreamCode code, const std::string& text, double x, double y);
    void PlaySegmentedText(report::TStreamCode code, const std::string& text, double x, double y);
    void DrawPlainText(report::TStreamCode code, const std::string& text, double x, double y);

    /// Sets the font name, cut to the longest name a font may have, like SetFontField.
    void SetFontName(std::string name);
    /// Sets one field of the current font and tells the renderer, when the value changes.
    template <class T, class V> void SetFontField(T TPlayerFont::*field, V&& value)
    {
        if (m_font.*field != value) {
            m_font.*field = std::forward<V>(value);
            NotifyFont();
        }
    }
    void NotifyFont();
    void NotifyPen();
    /// Sets one field of the current pen and tells the renderer, when the value changes.
    template <class T> void SetPenField(T TPlayerPen::*field, T value)
    {
        if (m_pen.*field != value) {
            m_pen.*field = value;
            NotifyPen();
        }
    }
    void NotifyBrush();

    std::span<const std::uint8_t> m_input;
    TRenderBase& m_renderer;
    std::unique_ptr<TState> m_state;
    TStreamHeader m_header;
    std::uint16_t m_version = 0;
    TDateTime m_reportDate;
    std::size_t m_firstPagePosition = 0;
    /// The most page content this stream may make, and what the pages played so far made.
    std::uint64_t m_outputLimit = 0;
    std::uint64_t m_finishedOutput = 0;
    int m_pageNumber = 0;
    std::int32_t m_previousPage = 0;
    std::int32_t m_nextPage = 0;
    TPlayerFont m_font;
    TPlayerPen m_pen;
    TPlayerBrush m_brush;
    double m_x = 0.0;
    double m_y = 0.0;
    double m_lineMetrics[3] = {0.0, 0.0, 0.0};
};

} // namespace gq::pdf
