#pragma once

#include "pdf/PdfOptions.h"
#include "pdf/RenderBase.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gq::report
{
class TFontManager;
}

namespace gq::pdf
{

class TEngineFontServices;
class TOperatorWriter;
class TPDFFont;
class TPDFObject;
class TPdfWriteContext;

/// The document information dictionary; empty entries are left out.
struct TPDFDocInfo
{
    std::string Title;
    std::string Author;
    std::string Subject;
    std::string KeyWords;
    std::string Creator = "Gridquill report engine";
    std::string Producer = "Gridquill PDF output";
};

/// A font of a finished document: its base font name and whether its program is in the file.
struct TDocumentFont
{
    std::string BaseFont;
    bool Embedded = false;
};

/// Renders a page stream into a PDF 1.3 file: uncompressed unless asked (or print-ready), every
/// line ending in CR LF, text in the standard Type 1 fonts (TrueType for other platform faces),
/// lines as stroked paths.
/// The pages' content is kept until the document ends; the file is then assembled and written
/// in one piece, or handed to RenderToSink's sink a piece at a time.
///
/// Its work falls in three files: RenderPDF.cpp draws the page content, PdfFontSelection.cpp
/// picks and creates the font resources, PdfDocumentWriter.cpp numbers the objects and writes
/// them, the cross-reference table, the trailer and the file.
///
/// Typical use (the book's is RenderToSink; the tests and the benchmark also call RenderToFile):
///   TRenderPDF pdf;                       // optionally: pdf.Clock = fixedClock;
///   pdf.EmbedFonts = true;
///   pdf.DocInfo.KeyWords = "...";
///   std::string bytes = pdf.RenderToString(streamBytes);
class TRenderPDF : public TRenderStream
{
  public:
    TRenderPDF();
    ~TRenderPDF() override;

    /// Compresses the page content streams (font programs stay as they are) with OnCompress,
    /// or with zlib's deflate (/FlateDecode) when OnCompress is empty. A stream whose document
    /// settings say print-ready is compressed whatever this says.
    bool UseCompression = false;
    bool EmbedFonts = false;
    TCompressEvent OnCompress;
    int ImageQuality = 90;
    int MetafileDPI = 300;
    TPDFFontEncoding FontEncoding = TPDFFontEncoding::feWinAnsiEncoding;
    TPDFDocInfo DocInfo;
    /// Writes PDF/X-1a:2001: colours as gray levels only ("g"/"G"), an output intent for
    /// CGATS TR 001 in the catalog, a /TrimBox equal to the /MediaBox on every page, the PDF/X
    /// keys, /ModDate and /Trapped in the information dictionary and an /ID in the trailer.
    /// The caller sets DocInfo.Title and sets the text in fonts that are embedded.
    /// A stream that carries document settings replaces PdfX, DocInfo.Title and DocInfo.Author
    /// (and DocInfo.KeyWords, Creator and Producer, when it has them) for its own document
    /// (ApplyDocumentSettings); these fields themselves stay as set.
    bool PdfX = false;
    /// DocInfo strings are Windows-1252 text, and those with bytes above 127 are written as
    /// UTF-16 text strings so that readers show those characters. Off: all bytes unchanged.
    bool UnicodeDocInfo = false;

    /// The fonts of the last document this renderer finished, in resource order.
    const std::vector<TDocumentFont>& LastDocumentFonts() const { return m_lastFonts; }

    /// Measures segmented texts and TrueType faces with the engine's font manager (shared, so
    /// its width caches serve both). Without this call a manager is made on first need; the
    /// book's pages, set in Arial, never need one.
    void SetFontManager(std::shared_ptr<report::TFontManager> fonts);

    /// Plays `input` (a complete page stream) into the PDF file `fileName`. A name without any
    /// "." gets the extension of FileExtension (".pdf"). The file is created (truncated) first
    /// and written when the document ends; a playback failure still writes the pages so far.
    /// Throws TOutputFileError naming the path when the file cannot be created or written, and
    /// TPageStreamError for a malformed stream. Kept for the PDF tests and the PDF benchmark; the
    /// book never calls it (see RenderToSink).
    void RenderToFile(std::span<const std::uint8_t> input, const std::string& fileName) override;

    /// Plays `input` and returns the PDF bytes, for callers that keep the document in memory.
    std::string RenderToString(std::span<const std::uint8_t> input);

    /// Plays `input` and hands the PDF bytes to `sink` in pieces, in order, as the document is
    /// written, freeing each page's content once it is out: the same bytes as RenderToString
    /// without the whole file, or the page contents beside it, ever in memory. The book writes
    /// them to the new file it puts in place only once complete. What `sink` throws ends the
    /// document and reaches the caller.
    void RenderToSink(std::span<const std::uint8_t> input,
                      const std::function<void(std::string_view)>& sink);

    /// The name RenderToFile writes to for `fileName` (RenderToFile's rule, checked by the tests).
    std::string OutputNameFor(const std::string& fileName) const;

    /// Keeps `settings` for the document that begins next.
    void ApplyDocumentSettings(const report::TDocumentSettings& settings) override;
    void BeginDocument() override;
    void BrushUpdated(const TPlayerBrush& brush) override;
    void PenUpdated(const TPlayerPen& pen) override;
    void EndDocument() override;
    void BeginPage() override;
    void EndPage() override;

    void FontUpdated(const TPlayerFont& font) override;
    void TextLeft(const std::string& text, double x, double y) override;
    void TextCentred(const std::string& text, double x, double y) override;
    void TextRight(const std::string& text, double x, double y) override;
    void TextInWidth(const std::string& text, double x, double y, double width) override;
    void MovePen(double x, double y) override;
    void LineToPoint(double x, double y) override;

    void DrawRectangle(double x1, double y1, double x2, double y2) override;
    void FillRectangle(const TDeviceRect& rect) override;
    void DrawEllipse(double x1, double y1, double x2, double y2) override;
    void DrawRoundRect(double x1, double y1, double x2, double y2, double cornerWidth,
                       double cornerHeight) override;
    void DrawArc(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                 double y4) override;
    void DrawChord(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                   double y4) override;
    void DrawPie(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                 double y4) override;
    void DrawPolyline(std::span<const TUnitPoint> points, int lastIndex) override;
    void DrawPolygon(std::span<const TUnitPoint> points, int lastIndex) override;
    void TextInRect(const TDeviceRect& rect, double x, double y, const std::string& text) override;

    /// Width of `text` in inches in the current font and size; 0 without a current font.
    double TextWidth(std::string_view text) const;

  private:
    struct TDocument;
    enum class TArcKind : std::uint8_t
    {
        Arc,
        Chord,
        Pie
    };

    void SelectFont(const TPlayerFont& font);
    void EnsureFont();
    TPDFFont* FindFont(std::string_view baseFont) const;
    TPDFFont* CreateFont(const TPlayerFont& font, const std::string& baseFont);
    /// Writes the dash, colours and line width the next path needs, where they differ from
    /// what the page's content has set already.
    void EmitGraphicsState(TOperatorWriter& out);
    /// Draws `text` with its end (fraction 1) or middle (0.5) at (x, y), along its rotation.
    void TextAnchored(const std::string& text, double x, double y, double fraction);
    void DrawLineSegment(double x1, double y1, double x2, double y2);
    /// `rect` in inches from the page's top-left corner.
    void DeviceRectInches(const TDeviceRect& rect, double& x1, double& y1, double& x2,
                          double& y2) const;
    /// A box in PDF points: Left < Right, Top > Bottom.
    struct TPageBox
    {
        double Left, Top, Right, Bottom;
    };
    /// The box between two corners given in inches.
    TPageBox PageBox(double x1, double y1, double x2, double y2) const;
    /// The next path is drawn with the current pen and, for `brush`, filled with the current
    /// brush: their colours become the requested ones.
    void RequestPenAndBrush(bool brush);
    /// Writes "re" of the rectangle between two corners given in inches.
    void PutRectangle(TOperatorWriter& out, double x1, double y1, double x2, double y2) const;
    void DrawArcShape(TArcKind kind, double x1, double y1, double x2, double y2, double x3,
                      double y3, double x4, double y4);
    /// PDF X of `inches` from the page's left edge.
    static double PageX(double inches) { return inches * 72.0; }
    /// PDF Y (upwards from the bottom) of `inches` down from the current page's top edge.
    double PageY(double inches) const;
    /// Writes "x y l " for the points 1..lastIndex of a polyline, a line break after every
    /// fourth.
    void PutPolyLines(TOperatorWriter& out, std::span<const TUnitPoint> points,
                      int lastIndex) const;
    std::uint8_t PenStyle() const;
    std::uint8_t BrushStyle() const;
    bool PenClear() const { return PenStyle() == kPenClear; }
    bool BrushClear() const { return BrushStyle() == kBrushClear; }
    void WriteObject(TPDFObject& object, TPdfWriteContext& context);
    /// The offset in the file of the next byte the document writes.
    std::size_t Offset() const;
    /// With a sink, hands it what the document has written so far once that is `least` bytes or
    /// more.
    void Flush(std::size_t least);
    void WriteInfo(int number);
    /// Hands the finished document `bytes` (taken, not copied, by RenderToString) to the output.
    void WriteFile(std::string& bytes);

    /// "/Title (...)" or, for UnicodeDocInfo text beyond ASCII, "/Title <FEFF...>".
    std::string InfoString(const std::string& value) const;

    std::unique_ptr<TDocument> m_doc;
    /// Settings of the stream being played, until BeginDocument takes them.
    std::optional<report::TDocumentSettings> m_streamSettings;
    std::string* m_capture = nullptr; ///< where RenderToString takes the document
    const std::function<void(std::string_view)>* m_sink = nullptr; ///< RenderToSink's
    std::unique_ptr<TEngineFontServices> m_engineFonts;
    std::vector<TDocumentFont> m_lastFonts;
};

/// The file identifier of a PDF: 32 hex digits hashed from its bytes (FNV-1a, two seeds).
std::string FileIdentifier(std::string_view bytes);

/// FileIdentifier of bytes that come in pieces: Add each in order, then Hex.
class TFileIdentifier
{
  public:
    void Add(std::string_view bytes);
    std::string Hex() const;

  private:
    std::uint64_t m_hashes[2] = {0xcbf29ce484222325ULL, 0x84222325cbf29ce4ULL};
};

/// A value of the information dictionary: a literal string for ASCII (or when `unicode` is
/// false), else UTF-16BE hex with a byte-order mark, of Windows-1252 `value`.
std::string InfoText(const std::string& value, bool unicode);

/// The digits of a PDF date ("YYYYMMDDHHmmSS") of `t`, with its zone ("Z", "+HH'mm'") when
/// `withZone` (PDF/X wants dates that say their zone).
std::string PdfDateText(const TDateTime& t, bool withZone);

} // namespace gq::pdf
