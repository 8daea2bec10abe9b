#pragma once

// The page-stream format, defined once for its writer (report/PageStreamWriter), its player
// (pdf/StreamPlayer) and the tests that build streams by hand. The layout of every record is
// drawn in docs/page-stream.md.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace gq::report
{

/// Code byte that opens each command and record of a page stream. A renumbered code changes
/// the file format: writer, player and tests all name the codes through this enum.
enum class TStreamCode : std::uint8_t
{
    Arc = 1,
    BrushCopy = 2,
    Chord = 3,
    CopyRect = 4, ///< never written; the player passes it over
    Draw = 5,
    FocusRect = 6,
    Ellipse = 7,
    FillRect = 8,
    FloodFill = 9,
    FrameRect = 10,
    LineTo = 11,
    MoveTo = 12,
    Pie = 13,
    Polygon = 14,
    PolyLine = 15,
    PrintBitmap = 16,
    PrintBitmapRect = 17,
    Rectangle = 18,
    Rectangle2 = 19,
    RoundRect = 20,
    StretchDraw = 21,
    TextRect = 22,
    CenterText = 23,
    LeftText = 24,
    RightText = 25,
    TextBKMode = 26,
    BKColor = 27,
    ScaleX = 28,
    ScaleY = 29,
    SpecialText = 30,
    RawData = 31,
    PrintText = 32, ///< never written; played like BlockText
    BlockText = 33,
    Transparency = 34,
    DrawingMode = 35,
    EncodedImage = 36,
    Variable = 37,
    Brush = 40, ///< never written: colour, style and pattern in one record
    BrushColor = 41,
    BrushStyle = 42,
    BrushBitmap = 43,
    Font = 50, ///< never written: a whole font in one record
    FontName = 51,
    FontColor = 52,
    FontPitch = 53,
    FontHeight = 54,
    FontBold = 55,
    FontUnderline = 56,
    FontItalic = 57,
    FontStrikeout = 58,
    FontSuperscript = 59,
    FontSubscript = 60,
    FontRotation = 61,
    FontAlign = 62,
    FontCharset = 63,
    Pen = 70, ///< never written: a whole pen in one record
    PenColor = 71,
    PenMode = 72,
    PenStyle = 73,
    PenWidth = 74,
    PageHeader = 80,
    JobHeaderQ = 81, ///< 'Q': job header of version 1101, no version Word
    EndPage = 82,
    ResetLineHeight = 83,
    AllowPreviewOnly = 84,
    AllowPrinterOnly = 85,
    AllowAll = 86,
    Orientation = 87,
    Bin = 88,
    JobHeaderY = 89, ///< 'Y': job header of version 2009, no version Word
    JobHeader = 90   ///< 'Z': job header followed by the version Word
};

/// The code as the byte the stream carries.
constexpr std::uint8_t CodeByte(TStreamCode code) { return static_cast<std::uint8_t>(code); }

/// Version this build writes after TStreamCode::JobHeader when the document settings are the
/// defaults; so a plain book's stream is what it has always been.
inline constexpr std::uint16_t kStreamVersion = 2017;
/// Version this build writes when some document setting differs from its default. It adds the
/// document-settings block at the end of the job header (after the output name): a flags Byte
/// (TDocumentFlag), a Byte count of the Strings that follow, and those Strings in the order of
/// TDocumentString. Being above kStreamVersionFontCharset it also implies that version's record.
inline constexpr std::uint16_t kStreamVersionDocument = 2019;
/// Versions that imply a header without its version Word ('Q' and 'Y').
inline constexpr std::uint16_t kStreamVersionQ = 1101;
inline constexpr std::uint16_t kStreamVersionY = 2009;
/// From this version on the job header carries bin, collate and duplex, a page header its page
/// size, and a font height its sample width.
inline constexpr std::uint16_t kStreamVersionPageSize = 2000;
/// From this version on the whole-font record (TStreamCode::Font) carries a character set.
inline constexpr std::uint16_t kStreamVersionFontCharset = 2018;

/// Bits of the document-settings block's flags Byte. A reader refuses bits it does not know:
/// each one changes how the document is made, and dropping one would make another document.
enum class TDocumentFlag : std::uint8_t
{
    PdfX = 0x01,      ///< the document is PDF/X-1a:2001
    PrintReady = 0x02 ///< the document goes to a printer: gray only, trim boxes, compressed
};
/// Every flag bit this build knows.
inline constexpr std::uint8_t kKnownDocumentFlags =
    static_cast<std::uint8_t>(TDocumentFlag::PdfX) |
    static_cast<std::uint8_t>(TDocumentFlag::PrintReady);

/// Position of each String of the document-settings block. A later version appends new ones
/// (a subject) after these; a reader skips Strings beyond those it knows, and leaves those a
/// shorter block lacks empty (an earlier build wrote only the title and the author).
enum class TDocumentString : std::uint8_t
{
    Title = 0,
    Author = 1,
    Keywords = 2,
    Creator = 3,
    Producer = 4
};
/// Strings of the block this build writes.
inline constexpr std::uint8_t kDocumentStringCount = 5;

/// The settings of the document made from a page stream, carried in the job header from
/// kStreamVersionDocument on. Texts are 8-bit page text (Windows-1252) like every String, at most
/// 16383 bytes each; empty means the entry is absent from the document.
struct TDocumentSettings
{
    bool PdfX = false;
    std::string Title{};
    std::string Author{};
    /// The document goes to a printer (TDocumentFlag::PrintReady).
    bool PrintReady = false;
    /// Keywords of the document information; empty keeps the renderer's own.
    std::string Keywords{};
    /// The program that made the document, and the one that wrote the PDF (information
    /// dictionary's /Creator and /Producer); empty keeps the renderer's own.
    std::string Creator{};
    std::string Producer{};

    bool operator==(const TDocumentSettings&) const = default;
    /// Whether every setting is its default, so that the stream needs no settings block.
    bool IsDefault() const { return *this == TDocumentSettings{}; }
    /// Whether the document is set in gray levels only, with a trim box on every page: both
    /// PDF/X and every print-ready document are.
    bool GrayWithTrimBox() const { return PdfX || PrintReady; }
    /// The flags Byte of the block.
    std::uint8_t Flags() const
    {
        return static_cast<std::uint8_t>(
            (PdfX ? static_cast<std::uint8_t>(TDocumentFlag::PdfX) : 0) |
            (PrintReady ? static_cast<std::uint8_t>(TDocumentFlag::PrintReady) : 0));
    }
};

/// Whole units per inch of polygon and polyline points once the player has read them.
inline constexpr int kPolyUnitsPerInch = 1248;

/// Text macros. In every String the player reads, a marker byte opens a macro:
///
///   0xFD "$PGCM" d d                 macro number dd: a date, a page number, a renderer text
///   0xFD "$PGCV" [0xFC name 0xFB]    the value of a stream variable
///
/// The engine never writes a macro: a 0xFD in a text (the letter y-acute in Windows-1252) is
/// written as kEscapedMarker, the macro that stands for the marker byte itself. The player
/// puts the byte back and never reads a marker at or before it again, so a text prints as
/// given.
inline constexpr char kMacroMarker = '\xFD';
/// The macro number of a literal marker byte.
inline constexpr int kLiteralMarkerMacro = 99;
inline constexpr std::string_view kEscapedMarker = "\xFD$PGCM99";

/// The size of `text` once every marker byte is escaped.
inline std::size_t EscapedSize(std::string_view text)
{
    const auto markers =
        static_cast<std::size_t>(std::count(text.begin(), text.end(), kMacroMarker));
    return text.size() + markers * (kEscapedMarker.size() - 1);
}

/// `text` with every marker byte written as kEscapedMarker.
inline std::string EscapeMacroMarkers(std::string_view text)
{
    std::string escaped;
    escaped.reserve(EscapedSize(text));
    for (char c : text) {
        if (c == kMacroMarker)
            escaped += kEscapedMarker;
        else
            escaped += c;
    }
    return escaped;
}

/// Font pitch, the operand of TStreamCode::FontPitch.
enum class TFontPitch : std::uint8_t
{
    fpDefault = 0,
    fpVariable = 1,
    fpFixed = 2
};

} // namespace gq::report
