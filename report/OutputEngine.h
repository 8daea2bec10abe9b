#pragma once

#include "report/DrawingTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace gq::report
{

class TBaseDevice;
class TFontManager;

/// The engine's current font: the report font fields plus what only the engine sets.
struct TEngineFont
{
    std::string Name = "Arial";
    TColor Color = clBlack;
    TFontPitch Pitch = TFontPitch::fpDefault;
    std::uint8_t CharSet = kDefaultCharSet;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    bool Superscript = false;
    bool Subscript = false;
    std::int16_t Rotation = 0; ///< degrees, counter-clockwise
    std::uint8_t Alignment = 0;
    int PixelHeight = 0; ///< character height in device pixels (scale included)

    bool operator==(const TEngineFont&) const = default;
};

/// The engine's current pen.
struct TEnginePen
{
    TColor Color = clBlack;
    TPenMode Mode = TPenMode::pmCopy;
    TPenStyle Style = TPenStyle::psSolid;
    int Width = 1; ///< device pixels

    bool operator==(const TEnginePen&) const = default;
};

/// The engine's current brush. An empty pattern means none.
struct TEngineBrush
{
    TColor Color = clBlack;
    TBrushStyle Style = TBrushStyle::bsClear;
    TPictureRef Pattern;
};

class TOutputEngine;
/// Event hook; the engine passes itself.
using TEngineEvent = std::function<void(TOutputEngine& sender)>;
/// Page-at-a-time print hook: print one page, return true while more pages follow.
using TEnginePageEvent = std::function<bool(TOutputEngine& sender)>;

/// The drawing model a report prints onto: job and page life cycle, current font, pen and brush,
/// text baseline, and the device that supplies resolution, page size and text widths.
///
/// All coordinate and length arguments and results are in engine units (inches while
/// UnitsFactor is 1, as during a report run). Page coordinates run from the top-left corner.
/// This base class records state only; TPageStreamWriter serialises every call.
///
/// Drawing outside a job throws gq::InternalError "internal error: Invalid method call.  Output
/// engine is not printing." (a caller's bug).
/// Font failures throw TFontError. Not thread-safe: one job runs on one thread.
class TOutputEngine
{
  public:
    /// fontManager supplies text metrics and widths; null makes the engine create its own when
    /// it first needs one. Share one manager between engines to share its width cache.
    explicit TOutputEngine(std::shared_ptr<TFontManager> fontManager = nullptr);
    virtual ~TOutputEngine();
    TOutputEngine(const TOutputEngine&) = delete;
    TOutputEngine& operator=(const TOutputEngine&) = delete;

    // ---- published properties ---------------------------------------------------------------
    const std::string& Title() const { return m_title; }
    void SetTitle(std::string title) { m_title = std::move(title); }

    /// Copy count; stored only, since the built-in device has no copies.
    int Copies() const { return m_copies; }
    void SetCopies(int n);

    TOrientation Orientation() const { return m_orientation; }
    /// Before a job: becomes pending and is applied at job start. During a job: written to the
    /// output at once and applied to the device when the next page begins. poDefault is ignored.
    void SetOrientation(TOrientation orientation);

    /// Percent; multiplies every X (Y) written. During a job a change is written to the output.
    double ScaleX() const { return m_scaleX; }
    void SetScaleX(double percent);
    double ScaleY() const { return m_scaleY; }
    void SetScaleY(double percent);

    /// Engine units per inch. A positive value also sets Units (1 unInch, 25.4 unMM, 2.54 unCM,
    /// 72 unPoint, else unUser); zero or negative values are ignored.
    double UnitsFactor() const { return m_unitsFactor; }
    void SetUnitsFactor(double factor);
    TPrintUnits Units() const { return m_units; }
    /// Sets UnitsFactor to 1, 25.4, 2.54 or 72; unUser keeps the factor.
    void SetUnits(TPrintUnits units);

    /// Only pages numbered within [FirstPage, LastPage] are output (default 1, 9999).
    int FirstPage() const { return m_firstPage; }
    void SetFirstPage(int page) { m_firstPage = page; }
    int LastPage() const { return m_lastPage; }
    void SetLastPage(int page) { m_lastPage = page; }

    TLineHeightMethod LineHeightMethod() const { return m_lineHeightMethod; }
    void SetLineHeightMethod(TLineHeightMethod method) { m_lineHeightMethod = method; }
    int LinesPerInch() const { return m_linesPerInch; }
    void SetLinesPerInch(int lines) { m_linesPerInch = lines; }

    TBKMode TextBKMode() const { return m_textBKMode; }
    void SetTextBKMode(TBKMode mode);
    /// Text background colour; the built-in device reports white.
    TColor BackgroundColor() const { return m_backgroundColor; }
    void SetBackgroundColor(TColor color);

    TAccuracyMethod AccuracyMethod() const { return m_accuracyMethod; }
    void SetAccuracyMethod(TAccuracyMethod method) { m_accuracyMethod = method; }

    /// Progress text pattern; see FormatStatus. Default "Printing page %p".
    const std::string& StatusFormat() const { return m_statusFormat; }
    void SetStatusFormat(std::string format) { m_statusFormat = std::move(format); }
    /// Lines shown by %0..%9.
    std::vector<std::string> StatusText;
    /// Receives the formatted status at each page when set (the front end's label).
    std::function<void(const std::string&)> StatusLabel;

    /// Page margins in units; kept for callers, no effect on output.
    double MarginLeft = 0, MarginRight = 0, MarginTop = 0, MarginBottom = 0;
    int TabShade = 0;

    /// Output file (smMemory, smFile); set by smTempFile to the file it made.
    const std::string& FileName() const { return m_fileName; }
    void SetFileName(std::string fileName) { m_fileName = std::move(fileName); }

    /// When set, lines are written one by one as drawn (a report run sets it).
    bool NoBufferLine = false;

    // ---- event hooks (none set by default) ----------------------------------------------------
    TEngineEvent OnPrint;         ///< fired by RunJob to print all pages
    TEnginePageEvent OnPrintPage; ///< used by RunJob when OnPrint is empty
    TEngineEvent OnBeforePrint;   ///< fired by StartJob before the output opens
    TEngineEvent OnAfterPrint;    ///< fired by FinishJob last
    TEngineEvent OnNewPage;
    TEngineEvent OnNewColumn;
    TEngineEvent OnPrintHeader;
    TEngineEvent OnPrintFooter;
    TEngineEvent OnEndOfSection;

    /// Called after every drawing call so a front end can let pending window messages through.
    /// Empty by default; an empty hook costs one test per call.
    std::function<void()> MessagePump;

    // ---- devices and fonts --------------------------------------------------------------------
    /// Gives the engine a device of its own, used instead of creating a built-in one at job
    /// start. Must not be changed during a job.
    void SetDevice(std::shared_ptr<TBaseDevice> device);
    /// The device in use during a job; null outside one.
    TBaseDevice* Device() const { return m_device.get(); }
    /// The font manager, created on first use when none was given.
    TFontManager& FontManager();

    // ---- job life cycle -----------------------------------------------------------------------
    /// Applies a pending orientation, StartJob, then OnPrint (or OnPrintPage with NextPage until
    /// it returns false), then FinishJob. FinishJob also runs when an error ends the job; the
    /// error then propagates.
    void RunJob();
    /// Throws gq::InternalError ("internal error: Invalid method call.  Output engine already
    /// printing.") during a job.
    void StartJob();
    void NextPage();
    void FinishJob();
    /// True from StartJob until FinishJob.
    bool Printing() const { return m_printing; }
    /// Absolute page number of the current page, 1-based (including pages not output).
    int CurrentPage() const { return m_currentPage; }
    /// Number of pages output so far in this job.
    int PagesOutput() const { return m_pagesOutput; }
    /// Whether the current page lies within [FirstPage, LastPage].
    bool PageIsOutput() const { return m_pageIsOutput; }

    // ---- page metrics (units) ------------------------------------------------------------------
    /// Printable width / DpiX + left waste + right waste; 8.5 inches before the first job.
    double PageWidth() const;
    double PageHeight() const;
    double LeftWaste() const;
    double RightWaste() const;
    double TopWaste() const;
    double BottomWaste() const;
    /// Device resolution; 300 until a job chooses a device.
    int DpiX() const { return m_dpiX; }
    int DpiY() const { return m_dpiY; }

    /// SetPaperSize(code, width, height): without a printer, width and height (units) become the
    /// job's page size when both are non-zero; the built-in device then makes its page that
    /// size too. The code is stored.
    void SetPaperSize(int code, double width, double height);
    int PaperSize() const { return m_paperSize; }
    /// Paper tray by name; written to the output during a job.
    void SelectBin(const std::string& name);

    // ---- fonts and text -------------------------------------------------------------------------
    /// Copies name, colour, pitch, character set, size and styles from font, then clears
    /// subscript and superscript and sets rotation 0. The whole change reaches the output once.
    void ApplyFont(const TFontSpec& font);
    /// Degrees, taken modulo 360.
    void SetFontRotation(int degrees);
    void SetFontSuperscript(bool on);
    void SetFontSubscript(bool on);
    void SetFontAlignment(std::uint8_t alignment);
    const TEngineFont& Font() const { return m_font; }
    /// Size in points as derived from the device pixel height (12 pt -> 12, 25 pt -> 24.96).
    double FontSize() const;
    /// FontSize / 72, in inches (not units).
    double FontHeight() const;

    /// Selects the current font on the device, updates Ascent, Descent, LineHeight and writes
    /// the line metrics to the output. Throws TFontError when the face cannot be loaded.
    void RefreshLineMetrics();
    /// RefreshLineMetrics, then CursorY = y + LineHeight - Descent.
    void SetBaselineFromTop(double y);
    double Ascent() const;
    double Descent() const;
    double LineHeight() const;
    /// For lhmUser; other methods recompute it at each RefreshLineMetrics.
    void SetLineHeight(double height);
    /// Baseline of the next text.
    double CursorY() const;
    void SetCursorY(double y);
    /// Current X after the last text primitive (end of a LeftText).
    double CursorX() const;

    /// Width of text in the current font.
    double MeasureText(const std::string& text);
    /// Drops trailing characters while text is not empty and wider than width.
    std::string TruncateText(std::string text, double width);

    /// Justifies text in the field [x, x + width] with margin at the baseline CursorY. pjLeft
    /// honours tab characters (tab stops every 0.5 inch from x + margin).
    void PrintJustified(const std::string& text, TPrintJustify justify, double x, double margin,
                        double width);
    /// Text primitives at the baseline CursorY: x is the centre, left end or right end.
    void CenterText(const std::string& text, double x);
    void LeftText(const std::string& text, double x);
    void RightText(const std::string& text, double x);
    void BlockText(const std::string& text, double x, double width);

    // ---- pens, brushes and shapes -------------------------------------------------------------
    /// widthCode >= 0: pixels; -10000..-1: |code| / 100 inch; below -10000: |code + 10000| /
    /// 10000 inch. Inches become pixels rounded half to even; 0 becomes 1.
    void SelectPen(TColor color, TPenStyle style, int widthCode, TPenMode mode);
    void SelectBrush(TColor color, TBrushStyle style, TPictureRef pattern = nullptr);
    const TEnginePen& Pen() const { return m_pen; }
    const TEngineBrush& Brush() const { return m_brush; }
    /// Pen width in device pixels for a SelectPen width code.
    int PenWidthPixels(int widthCode) const;

    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void Arc(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
             double y4);
    void Chord(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
               double y4);
    void Pie(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
             double y4);
    void Ellipse(double x1, double y1, double x2, double y2);
    void Rectangle(double x1, double y1, double x2, double y2);
    void RoundRect(double x1, double y1, double x2, double y2, double cornerWidth,
                   double cornerHeight);
    /// Device-pixel shapes.
    void FillRect(const TPixelRect& rect);
    void FrameRect(const TPixelRect& rect);
    void DrawFocusRect(const TPixelRect& rect);
    void Polygon(const std::vector<TPixelPoint>& points);
    void PolyLine(const std::vector<TPixelPoint>& points);
    void FloodFill(double x, double y, TColor color, std::uint8_t fillStyle);
    void TextRect(const TPixelRect& rect, double x, double y, const std::string& text);
    void Draw(double x, double y, const TPictureRef& picture);
    void StretchDraw(const TPixelRect& rect, const TPictureRef& picture);
    void BrushCopy(const TPixelRect& dest, const TPictureRef& picture, const TPixelRect& source,
                   TColor color);

    // ---- output marks -------------------------------------------------------------------------
    void MarkAllOutputs();
    void MarkPreviewOnly();
    void MarkPrinterOnly();
    TOutputMarks OutputMarks() const { return m_marks; }

    /// StatusFormat expanded: %% %, %0..%9 StatusText lines, %C/%S pass 1 of 1, %D %R %T device
    /// names ("Render" without a printer), %F FirstPage, %L LastPage, %N line break, %P page.
    /// Any other code gives "<ERROR-%x>". Letters in either case.
    std::string FormatStatus() const;

  protected:
    // Hooks for engine kinds that serialise the job. Each is called only during a job.
    virtual void OpenOutput() {}
    /// failed: the job is ending because of an error; the output is saved as far as it got.
    virtual void CloseOutput(bool failed) { (void)failed; }
    virtual void BeginPageOutput() {}
    virtual void EndPageOutput() {}
    /// The output may not hold back anything after this returns.
    virtual void FontChanged() {}
    virtual void PenChanged() {}
    virtual void BrushChanged() {}
    virtual void LineMetricsChanged() {}
    virtual void MarksChanged() {}
    virtual void OrientationWritten() {}
    virtual void BinSelected(const std::string& name) { (void)name; }
    virtual void ScaleXChanged() {}
    virtual void ScaleYChanged() {}
    virtual void TextBKModeChanged() {}
    virtual void BackgroundColorChanged() {}

    enum class TTextCommand : std::uint8_t
    {
        Center = 23,
        Left = 24,
        Right = 25,
        Block = 33
    };
    /// x and width in inches; the baseline is CursorYInches().
    virtual void TextOut(TTextCommand command, const std::string& text, double x, double width)
    {
        (void)command, (void)text, (void)x, (void)width;
    }
    virtual void LineOut(bool lineTo, double x, double y) { (void)lineTo, (void)x, (void)y; }
    enum class TShapeCommand : std::uint8_t
    {
        Arc = 1,
        Chord = 3,
        Ellipse = 7,
        Pie = 13,
        Rectangle = 18,
        RoundRect = 20
    };
    /// Points in inches; RoundRect carries the corner size in extra[0], extra[1].
    virtual void ShapeOut(TShapeCommand command, const double* coords, int count)
    {
        (void)command, (void)coords, (void)count;
    }
    enum class TRectCommand : std::uint8_t
    {
        Focus = 6,
        Fill = 8,
        Frame = 10
    };
    virtual void RectOut(TRectCommand command, const TPixelRect& rect)
    {
        (void)command, (void)rect;
    }
    virtual void PolyOut(bool polygon, const std::vector<TPixelPoint>& points)
    {
        (void)polygon, (void)points;
    }
    virtual void FloodFillOut(double x, double y, TColor color, std::uint8_t style)
    {
        (void)x, (void)y, (void)color, (void)style;
    }
    virtual void TextRectOut(const TPixelRect& rect, double x, double y, const std::string& text)
    {
        (void)rect, (void)x, (void)y, (void)text;
    }
    virtual void DrawOut(double x, double y, const TPictureRef& picture)
    {
        (void)x, (void)y, (void)picture;
    }
    virtual void StretchDrawOut(const TPixelRect& rect, const TPictureRef& picture)
    {
        (void)rect, (void)picture;
    }
    virtual void BrushCopyOut(const TPixelRect& dest, const TPictureRef& picture,
                              const TPixelRect& source, TColor color)
    {
        (void)dest, (void)picture, (void)source, (void)color;
    }

    /// True while font, pen and brush changes must not be written (ApplyFont copying, measuring).
    bool OutputHeld() const { return m_holdOutput > 0; }
    /// True when commands may be written: in a job, on a page that is output, not held.
    bool CanWrite() const { return m_printing && m_pageIsOutput && m_holdOutput == 0; }
    /// Goes up by one at every change of the current font.
    std::uint64_t FontVersion() const { return m_fontVersion; }
    /// Inch values of what the public API reports in units.
    double CursorYInches() const { return m_cursorY; }
    double AscentInches() const { return m_ascent; }
    double DescentInches() const { return m_descent; }
    double LineHeightInches() const { return m_lineHeight; }
    /// Current page size in inches (device metrics plus waste).
    double PageWidthInches() const { return m_pageWidth; }
    double PageHeightInches() const { return m_pageHeight; }
    /// Page size in inches as the job header records it (stored page, orientation applied).
    double JobPageWidth() const;
    double JobPageHeight() const;
    /// Converts device pixels to inches including the waste.
    double PixelXToInches(int x) const;
    double PixelYToInches(int y) const;
    /// Width of text in the current font, in device pixels.
    int MeasurePixels(const std::string& text);
    /// Throws unless printing.
    void RequirePrinting() const;
    void PumpMessages() const
    {
        if (MessagePump)
            MessagePump();
    }

  private:
    /// True when a text is written as a block of measured width rather than at its anchor:
    /// positioning accuracy, no rotation, at least one space and no control character.
    bool PositionsAsBlock(const std::string& text) const;
    struct TSelectedFont;
    void SetFontPoints(double points);
    void UpdatePixelHeight();
    void NotifyFont();
    void NotifyPen();
    void NotifyBrush();
    void ChooseDevice();
    void ReadPageMetrics();
    void BeginPage();
    void EndPage();
    void ApplyPendingOrientation();
    const TSelectedFont& SelectFont();
    TBaseDevice& MeasuringDevice();
    void EndJob(bool failed);
    void FireEvent(const TEngineEvent& event);
    double ToInches(double units) const { return units / m_unitsFactor; }
    double ToUnits(double inches) const { return inches * m_unitsFactor; }

    std::string m_title = "Grid Report";
    int m_copies = 1;
    TOrientation m_orientation = TOrientation::poPortrait;
    bool m_orientationPending = false;
    double m_scaleX = 100;
    double m_scaleY = 100;
    double m_unitsFactor = 1;
    TPrintUnits m_units = TPrintUnits::unInch;
    int m_firstPage = 1;
    int m_lastPage = 9999;
    TLineHeightMethod m_lineHeightMethod = TLineHeightMethod::lhmFont;
    int m_linesPerInch = 6;
    TBKMode m_textBKMode = TBKMode::bkTransparent;
    TColor m_backgroundColor = clWhite;
    TAccuracyMethod m_accuracyMethod = TAccuracyMethod::amAppearance;
    std::string m_statusFormat = "Printing page %p";
    std::string m_fileName;
    int m_paperSize = 1;
    std::string m_bin;

    std::shared_ptr<TFontManager> m_fontManager;
    std::shared_ptr<TBaseDevice> m_ownDevice;
    std::shared_ptr<TBaseDevice> m_device;        // in use during a job
    std::shared_ptr<TBaseDevice> m_measureDevice; // measures outside a job

    // Job state.
    bool m_printing = false;
    int m_currentPage = 0;
    int m_pagesOutput = 0;
    bool m_pageIsOutput = false;
    TOutputMarks m_marks = TOutputMarks::AllOutputs;
    int m_holdOutput = 0;
    int m_dpiX = 300;
    int m_dpiY = 300;
    double m_pageWidth = 8.5; // inches, from the device
    double m_pageHeight = 11;
    double m_wasteLeft = 0, m_wasteRight = 0, m_wasteTop = 0, m_wasteBottom = 0;
    double m_jobPageWidth = 8.5; // stored no-printer page, portrait
    double m_jobPageHeight = 11;

    // Font state.
    TEngineFont m_font;
    double m_fontPoints = 10; // requested size; the pixel height follows the resolution
    bool m_fontDirty = true;  // changed since last selected on the device
    std::uint64_t m_fontVersion = 1;
    std::vector<std::unique_ptr<TSelectedFont>> m_fontList; // most recently used first
    const TSelectedFont* m_selected = nullptr;
    double m_ascent = 0, m_descent = 0, m_lineHeight = 0;
    double m_cursorY = 0;
    double m_cursorX = 0;

    TEnginePen m_pen;
    TEngineBrush m_brush;
};

} // namespace gq::report
