#pragma once

#include "pdf/Clock.h"
#include "pdf/PlayerState.h"
#include "report/PageStreamFormat.h"

#include <cstdint>
#include <fstream>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gq::pdf
{

class TFontServices;
class TStandardFontServices;

/// Base of every renderer a page stream is played into. The player calls the drawing
/// operations in stream order with coordinates in inches from the page's top-left corner, Y
/// downwards; text Y values are baselines. The base operations draw nothing.
class TRenderBase
{
  public:
    TRenderBase();
    virtual ~TRenderBase();
    TRenderBase(const TRenderBase&) = delete;
    TRenderBase& operator=(const TRenderBase&) = delete;

    bool Active = true;
    std::string DisplayName = "Renderer";
    /// A filter pattern such as "*.pdf"; RenderToFile takes the extension from it (the book,
    /// which never calls RenderToFile, does not depend on it).
    std::string FileExtension;
    /// Texts of the macros 16..35 of the page stream's text macros, in order.
    std::vector<std::string> Macros;
    /// Source of the report date of the date macros (and, for PDF, the creation date).
    TClock Clock = SystemClockNow;
    /// Font services for segmented texts and TrueType faces; never null while playing. The
    /// renderer does not own them; they must outlive every playback.
    TFontServices* FontServices = nullptr;

    // State set by the player during playback.
    double PageWidth = 0.0;  ///< inches, from the page header
    double PageHeight = 0.0; ///< inches, from the page header
    double LeftWaste = 0.0;  ///< inches, from the job header
    double TopWaste = 0.0;   ///< inches, from the job header
    double PenWidth = 0.0;   ///< inches, from the pen-width command
    std::uint8_t FrameMode = 0;
    std::string OutputFileName;

    virtual void DrawArc(double x1, double y1, double x2, double y2, double x3, double y3,
                         double x4, double y4);
    /// The current brush has changed to `brush`.
    virtual void BrushUpdated(const TPlayerBrush& brush);
    virtual void DrawChord(double x1, double y1, double x2, double y2, double x3, double y3,
                           double x4, double y4);
    virtual void TextCentred(const std::string& text, double x, double y);
    virtual void DrawEllipse(double x1, double y1, double x2, double y2);
    virtual void FontUpdated(const TPlayerFont& font);
    virtual void TextLeft(const std::string& text, double x, double y);
    virtual void LineToPoint(double x, double y);
    virtual void MovePen(double x, double y);
    virtual void DrawPie(double x1, double y1, double x2, double y2, double x3, double y3,
                         double x4, double y4);
    /// `points` holds indexes 0..lastIndex.
    virtual void DrawPolyline(std::span<const TUnitPoint> points, int lastIndex);
    virtual void DrawPolygon(std::span<const TUnitPoint> points, int lastIndex);
    virtual void TextRight(const std::string& text, double x, double y);
    /// The current pen has changed to `pen` (its width in PenWidth).
    virtual void PenUpdated(const TPlayerPen& pen);
    virtual void DrawEncodedImage(std::span<const std::uint8_t> data, const std::string& kind,
                                  double x1, double y1, double x2, double y2);
    virtual void DrawBitmap(const TPicture& picture, double x1, double y1, double x2, double y2);
    virtual void DrawBitmapRect(const TPicture& picture, double x1, double y1, double x2,
                                double y2);
    virtual void DrawStretched(const TDeviceRect& rect, const TPicture& picture);
    virtual void DrawGraphicAt(const TPicture& picture, double x, double y);
    virtual void TextInWidth(const std::string& text, double x, double y, double width);
    virtual void DrawRectangle(double x1, double y1, double x2, double y2);
    virtual void FillRectangle(const TDeviceRect& rect);
    virtual void TextInRect(const TDeviceRect& rect, double x, double y, const std::string& text);
    virtual void DrawRoundRect(double x1, double y1, double x2, double y2, double cornerWidth,
                               double cornerHeight);
    /// The document settings a page stream carries (versions from kStreamVersionDocument on),
    /// handed over after the job header is read and before BeginDocument; they hold for that one
    /// document, over the renderer's own settings. Not called for older streams. The base
    /// ignores them.
    virtual void ApplyDocumentSettings(const report::TDocumentSettings& settings);
    virtual void BeginDocument();
    virtual void EndDocument();
    virtual void BeginPage();
    virtual void EndPage();
    /// Bytes of drawing the current page holds so far; the player bounds a document's size
    /// by it. None in the base.
    virtual std::size_t PageContentSize() const { return 0; }
    /// Device units per inch of rectangle payloads.
    virtual double ResolutionX() const;
    virtual double ResolutionY() const;

    /// Plays every page of `input` (a complete page stream held by the caller). Throws
    /// TPageStreamError for a malformed stream; EndDocument has run by then when the header was
    /// readable.
    virtual void RenderStream(std::span<const std::uint8_t> input);
    /// Plays page `page` alone, or every page for 0, of the stream given to RenderStream.
    virtual void RenderPages(int page);
    /// Stores the file name and plays `input`. Kept for the PDF tests and the PDF benchmark,
    /// which write straight to a file; the book never calls it: it plays the stream into memory
    /// (TRenderPDF::RenderToString) and puts the finished file in place itself.
    virtual void RenderToFile(std::span<const std::uint8_t> input, const std::string& fileName);

    /// Round(ResolutionX x (x - left waste)), clamped to the int range.
    virtual int DeviceX(double x) const;
    /// Round(ResolutionY x (y - top waste)), clamped to the int range.
    virtual int DeviceY(double y) const;

  protected:
    std::span<const std::uint8_t> m_input;

  private:
    std::unique_ptr<TStandardFontServices> m_standardFonts;
};

/// A renderer that writes text to a byte stream. Drawing goes to the active buffer; the output
/// stream receives the finished document. A file created by RenderToFile is owned here.
class TRenderStream : public TRenderBase
{
  public:
    /// Closes and frees an owned output file and forgets the output and active streams.
    void CloseOutput();

    /// Sends the finished document to `stream` (not owned) instead of a file.
    void SetOutputStream(std::ostream* stream) { m_output = stream; }

    /// The size of the active buffer.
    std::size_t PageContentSize() const override { return m_active ? m_active->size() : 0; }

  protected:
    /// The buffer drawing writes to; without one, a scratch buffer whose bytes are dropped.
    std::string& ActiveBuffer()
    {
        if (m_active)
            return *m_active;
        m_discard.clear();
        return m_discard;
    }

    /// Where drawing writes; null drops it.
    std::string* m_active = nullptr;
    std::ostream* m_output = nullptr;
    std::unique_ptr<std::ofstream> m_owned;

  private:
    std::string m_discard;
};

} // namespace gq::pdf
