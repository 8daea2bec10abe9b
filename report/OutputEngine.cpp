#include "report/OutputEngine.h"

#include "gq/Error.h"
#include "report/FontManager.h"
#include "report/RenderDevice.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>

namespace gq::report
{

namespace
{

constexpr double kTabWidth = 0.5;           // inches between tab stops
constexpr double kTabClearance = 0.001;     // added to a piece's end before finding the next stop
constexpr double kSuperscriptRatio = 1.667; // font height over super-/subscript height

bool SameCreatedFont(const TEngineFont& a, const TEngineFont& b)
{
    return a.PixelHeight == b.PixelHeight && a.Bold == b.Bold && a.Italic == b.Italic &&
           a.Underline == b.Underline && a.StrikeOut == b.StrikeOut && a.Rotation == b.Rotation &&
           a.Superscript == b.Superscript && a.Subscript == b.Subscript && a.CharSet == b.CharSet &&
           a.Pitch == b.Pitch && a.Name == b.Name;
}

template <typename T> bool Assign(T& target, const T& value)
{
    if (target == value)
        return false;
    target = value;
    return true;
}

} // namespace

struct TOutputEngine::TSelectedFont
{
    TEngineFont Key;
    std::unique_ptr<TDeviceFont> Font;
};

TOutputEngine::TOutputEngine(std::shared_ptr<TFontManager> fontManager)
    : m_fontManager(std::move(fontManager))
{
    UpdatePixelHeight();
}

TOutputEngine::~TOutputEngine() = default;

// ---- properties
// ----------------------------------------------------------------------------------

void TOutputEngine::SetCopies(int n)
{
    // Without a printer the count is only stored; no page is repeated in the output.
    m_copies = n;
}

void TOutputEngine::SetOrientation(TOrientation orientation)
{
    if (orientation == TOrientation::poDefault)
        return;
    m_orientation = orientation;
    m_orientationPending = true;
    if (CanWrite())
        OrientationWritten();
}

void TOutputEngine::SetScaleX(double percent)
{
    m_scaleX = percent;
    if (CanWrite())
        ScaleXChanged();
}

void TOutputEngine::SetScaleY(double percent)
{
    m_scaleY = percent;
    if (CanWrite())
        ScaleYChanged();
    UpdatePixelHeight();
    NotifyFont();
}

void TOutputEngine::SetUnitsFactor(double factor)
{
    if (!(factor > 0))
        return;
    m_unitsFactor = factor;
    m_units = UnitsOfFactor(factor);
}

void TOutputEngine::SetUnits(TPrintUnits units)
{
    m_units = units;
    if (units != TPrintUnits::unUser)
        m_unitsFactor = UnitsPerInch(units);
}

void TOutputEngine::SetTextBKMode(TBKMode mode)
{
    m_textBKMode = mode;
    if (CanWrite())
        TextBKModeChanged();
}

void TOutputEngine::SetBackgroundColor(TColor color)
{
    m_backgroundColor = color;
    if (CanWrite())
        BackgroundColorChanged();
}

void TOutputEngine::SetDevice(std::shared_ptr<TBaseDevice> device)
{
    if (m_printing)
        throw gq::InternalError("TOutputEngine::SetDevice during a job");
    m_ownDevice = std::move(device);
    m_measureDevice.reset();
    m_fontList.clear();
    m_selected = nullptr;
    m_fontDirty = true;
}

TFontManager& TOutputEngine::FontManager()
{
    if (!m_fontManager)
        m_fontManager = std::make_shared<TFontManager>();
    return *m_fontManager;
}

// ---- job life cycle
// ------------------------------------------------------------------------------

void TOutputEngine::RunJob()
{
    try {
        StartJob();
        if (OnPrint)
            OnPrint(*this);
        else if (OnPrintPage) {
            while (OnPrintPage(*this))
                NextPage();
        }
    } catch (...) {
        // The job ends with the first error; the output is closed as far as it got and the
        // error, not a follow-on one, reaches the caller.
        if (m_printing) {
            try {
                EndJob(true);
            } catch (...) {
            }
        }
        throw;
    }
    EndJob(false);
}

void TOutputEngine::StartJob()
{
    if (m_printing)
        throw gq::InternalError("Invalid method call.  Output engine already printing.");
    m_currentPage = 0;
    m_pagesOutput = 0;
    m_pageIsOutput = false;
    m_marks = TOutputMarks::AllOutputs;

    FireEvent(OnBeforePrint);
    ApplyPendingOrientation();

    OpenOutput();
    m_printing = true;
    try {
        ChooseDevice();
        m_brush = TEngineBrush{};
        m_pen = TEnginePen{};
        BeginPage();
    } catch (...) {
        try {
            EndJob(true);
        } catch (...) {
        }
        throw;
    }
}

void TOutputEngine::NextPage()
{
    RequirePrinting();
    FireEvent(OnPrintFooter);
    EndPage();
    ApplyPendingOrientation();
    ReadPageMetrics();
    BeginPage();
}

void TOutputEngine::FinishJob()
{
    RequirePrinting();
    EndJob(false);
}

void TOutputEngine::EndJob(bool failed)
{
    struct Leave
    {
        TOutputEngine& e;
        ~Leave()
        {
            e.m_printing = false;
            e.m_pageIsOutput = false;
            e.m_device.reset();
            e.m_fontList.clear();
            e.m_selected = nullptr;
            e.m_fontDirty = true;
        }
    };
    {
        Leave leave{*this};
        if (!failed)
            FireEvent(OnPrintFooter);
        EndPage();
        CloseOutput(failed);
    }
    if (!failed)
        FireEvent(OnAfterPrint);
}

void TOutputEngine::ChooseDevice()
{
    if (m_ownDevice)
        m_device = m_ownDevice;
    else {
        FontManager();
        auto render = std::make_shared<TRenderDevice>(m_fontManager);
        render->SetPageSize(m_jobPageWidth, m_jobPageHeight);
        m_device = std::move(render);
    }
    m_device->SetOrientation(m_orientation);
    m_orientationPending = false;
    m_dpiX = m_device->DpiX();
    m_dpiY = m_device->DpiY();
    m_fontList.clear();
    m_selected = nullptr;
    m_fontDirty = true;
    UpdatePixelHeight();
    ReadPageMetrics();
}

void TOutputEngine::ReadPageMetrics()
{
    if (!m_device)
        return;
    m_wasteLeft = static_cast<double>(m_device->OffsetLeft()) / m_dpiX;
    m_wasteRight = static_cast<double>(m_device->OffsetRight()) / m_dpiX;
    m_wasteTop = static_cast<double>(m_device->OffsetTop()) / m_dpiY;
    m_wasteBottom = static_cast<double>(m_device->OffsetBottom()) / m_dpiY;
    m_pageWidth = static_cast<double>(m_device->PageWidth()) / m_dpiX + m_wasteLeft + m_wasteRight;
    m_pageHeight =
        static_cast<double>(m_device->PageHeight()) / m_dpiY + m_wasteTop + m_wasteBottom;
}

void TOutputEngine::ApplyPendingOrientation()
{
    if (!m_orientationPending || !m_device)
        return;
    m_device->SetOrientation(m_orientation);
    m_orientationPending = false;
}

void TOutputEngine::BeginPage()
{
    ++m_currentPage;
    m_pageIsOutput = m_currentPage >= m_firstPage && m_currentPage <= m_lastPage;
    if (m_pageIsOutput) {
        ++m_pagesOutput;
        BeginPageOutput();
    }
    if (StatusLabel)
        StatusLabel(FormatStatus());
    FireEvent(OnNewPage);
    FireEvent(OnPrintHeader);
}

void TOutputEngine::EndPage()
{
    if (m_pageIsOutput)
        EndPageOutput();
    m_pageIsOutput = false;
}

void TOutputEngine::FireEvent(const TEngineEvent& event)
{
    if (event)
        event(*this);
}

void TOutputEngine::RequirePrinting() const
{
    if (!m_printing)
        throw gq::InternalError("Invalid method call.  Output engine is not printing.");
}

// ---- page metrics
// --------------------------------------------------------------------------------

double TOutputEngine::PageWidth() const { return ToUnits(m_pageWidth); }
double TOutputEngine::PageHeight() const { return ToUnits(m_pageHeight); }
double TOutputEngine::LeftWaste() const { return ToUnits(m_wasteLeft); }
double TOutputEngine::RightWaste() const { return ToUnits(m_wasteRight); }
double TOutputEngine::TopWaste() const { return ToUnits(m_wasteTop); }
double TOutputEngine::BottomWaste() const { return ToUnits(m_wasteBottom); }

double TOutputEngine::JobPageWidth() const
{
    return m_orientation == TOrientation::poLandScape ? m_jobPageHeight : m_jobPageWidth;
}

double TOutputEngine::JobPageHeight() const
{
    return m_orientation == TOrientation::poLandScape ? m_jobPageWidth : m_jobPageHeight;
}

double TOutputEngine::PixelXToInches(int x) const
{
    return static_cast<double>(x) / m_dpiX + m_wasteLeft;
}

double TOutputEngine::PixelYToInches(int y) const
{
    return static_cast<double>(y) / m_dpiY + m_wasteTop;
}

void TOutputEngine::SetPaperSize(int code, double width, double height)
{
    m_paperSize = code;
    if (width != 0 && height != 0) {
        m_jobPageWidth = ToInches(width);
        m_jobPageHeight = ToInches(height);
        if (auto* render = dynamic_cast<TRenderDevice*>(m_device.get());
            render && m_device != m_ownDevice)
            render->SetPageSize(m_jobPageWidth, m_jobPageHeight);
    }
}

void TOutputEngine::SelectBin(const std::string& name)
{
    m_bin = name;
    if (CanWrite())
        BinSelected(name);
}

// ---- fonts
// ---------------------------------------------------------------------------------------

void TOutputEngine::UpdatePixelHeight()
{
    const int height = RoundHalfEven(m_dpiY * m_fontPoints / 72.0 * m_scaleY / 100.0);
    if (Assign(m_font.PixelHeight, height)) {
        m_fontDirty = true;
        ++m_fontVersion;
    }
}

void TOutputEngine::SetFontPoints(double points)
{
    m_fontPoints = points;
    UpdatePixelHeight();
}

double TOutputEngine::FontHeight() const
{
    return static_cast<double>(m_font.PixelHeight) / m_dpiY;
}

double TOutputEngine::FontSize() const { return FontHeight() * 72.0; }

void TOutputEngine::NotifyFont()
{
    if (CanWrite())
        FontChanged();
}

void TOutputEngine::ApplyFont(const TFontSpec& font)
{
    ++m_holdOutput;
    bool changed = false;
    changed |= Assign(m_font.Name, font.Name);
    changed |= Assign(m_font.Color, font.Color);
    changed |= Assign(m_font.Pitch, font.Pitch);
    changed |= Assign(m_font.CharSet, font.CharSet);
    changed |= Assign(m_font.Bold, font.Bold);
    changed |= Assign(m_font.Underline, font.Underline);
    changed |= Assign(m_font.Italic, font.Italic);
    changed |= Assign(m_font.StrikeOut, font.StrikeOut);
    if (changed) {
        m_fontDirty = true;
        ++m_fontVersion;
    }
    SetFontPoints(font.Size);
    --m_holdOutput;
    SetFontSubscript(false);
    SetFontSuperscript(false);
    SetFontRotation(0);
}

void TOutputEngine::SetFontRotation(int degrees)
{
    int normal = degrees % 360;
    if (normal < 0)
        normal += 360;
    if (Assign(m_font.Rotation, static_cast<std::int16_t>(normal))) {
        m_fontDirty = true;
        ++m_fontVersion;
    }
    NotifyFont();
}

void TOutputEngine::SetFontSuperscript(bool on)
{
    if (Assign(m_font.Superscript, on)) {
        m_fontDirty = true;
        ++m_fontVersion;
    }
    NotifyFont();
}

void TOutputEngine::SetFontSubscript(bool on)
{
    if (Assign(m_font.Subscript, on)) {
        m_fontDirty = true;
        ++m_fontVersion;
    }
    NotifyFont();
}

void TOutputEngine::SetFontAlignment(std::uint8_t alignment)
{
    if (Assign(m_font.Alignment, alignment))
        ++m_fontVersion; // not part of the created font
    NotifyFont();
}

TBaseDevice& TOutputEngine::MeasuringDevice()
{
    if (m_device)
        return *m_device;
    if (m_ownDevice)
        return *m_ownDevice;
    if (!m_measureDevice) {
        FontManager();
        m_measureDevice = std::make_shared<TRenderDevice>(m_fontManager);
    }
    return *m_measureDevice;
}

const TOutputEngine::TSelectedFont& TOutputEngine::SelectFont()
{
    if (!m_fontDirty && m_selected)
        return *m_selected;
    TBaseDevice& device = MeasuringDevice();
    auto it = std::find_if(m_fontList.begin(), m_fontList.end(),
                           [&](const auto& entry) { return SameCreatedFont(entry->Key, m_font); });
    if (it == m_fontList.end()) {
        double height = static_cast<double>(m_dpiY) * FontHeight();
        if (m_font.Superscript || m_font.Subscript)
            height /= kSuperscriptRatio;
        auto entry = std::make_unique<TSelectedFont>();
        entry->Key = m_font;
        entry->Font = device.CreateFont(m_font, -RoundHalfEven(height));
        m_fontList.insert(m_fontList.begin(), std::move(entry));
    } else if (it != m_fontList.begin())
        std::rotate(m_fontList.begin(), it, it + 1);
    device.SelectFont(*m_fontList.front()->Font);
    m_selected = m_fontList.front().get();
    m_fontDirty = false;
    return *m_selected;
}

void TOutputEngine::RefreshLineMetrics()
{
    const TSelectedFont& selected = SelectFont();
    double divisor = m_dpiY * m_scaleY / 100.0;
    if (m_font.Superscript || m_font.Subscript)
        divisor *= 2;
    m_ascent = selected.Font->Metrics.Ascent / divisor;
    m_descent = selected.Font->Metrics.Descent / divisor;
    switch (m_lineHeightMethod) {
    case TLineHeightMethod::lhmLinesPerInch:
        if (m_linesPerInch > 0)
            m_lineHeight = 1.0 / m_linesPerInch;
        break;
    case TLineHeightMethod::lhmFont:
        m_lineHeight = FontSize() / 60.0;
        break;
    case TLineHeightMethod::lhmUser:
        break;
    }
    if (CanWrite())
        LineMetricsChanged();
}

void TOutputEngine::SetBaselineFromTop(double y)
{
    RefreshLineMetrics();
    m_cursorY = ToInches(y) + m_lineHeight - m_descent;
}

double TOutputEngine::Ascent() const { return ToUnits(m_ascent); }
double TOutputEngine::Descent() const { return ToUnits(m_descent); }
double TOutputEngine::LineHeight() const { return ToUnits(m_lineHeight); }
void TOutputEngine::SetLineHeight(double height) { m_lineHeight = ToInches(height); }
double TOutputEngine::CursorY() const { return ToUnits(m_cursorY); }
void TOutputEngine::SetCursorY(double y) { m_cursorY = ToInches(y); }
double TOutputEngine::CursorX() const { return ToUnits(m_cursorX); }

int TOutputEngine::MeasurePixels(const std::string& text)
{
    SelectFont();
    return MeasuringDevice().TextWidth(text);
}

double TOutputEngine::MeasureText(const std::string& text)
{
    const double inches = MeasurePixels(text) * m_scaleX / (m_dpiX * 100.0);
    return ToUnits(inches);
}

std::string TOutputEngine::TruncateText(std::string text, double width)
{
    while (!text.empty() && MeasureText(text) > width)
        text.pop_back();
    return text;
}

// ---- texts
// ---------------------------------------------------------------------------------------

void TOutputEngine::PrintJustified(const std::string& text, TPrintJustify justify, double x,
                                   double margin, double width)
{
    switch (justify) {
    case TPrintJustify::pjCenter:
        CenterText(text, x + width / 2);
        return;
    case TPrintJustify::pjRight:
        RightText(text, x + width - margin);
        return;
    case TPrintJustify::pjBlock:
        BlockText(text, x + margin, width - 2 * margin);
        return;
    case TPrintJustify::pjLeft:
        break;
    }
    if (text.find('\t') == std::string::npos) {
        LeftText(text, x + margin);
        return;
    }
    RequirePrinting();
    // Pieces between tabs: each starts at the first tab stop (every 0.5 inch from the left
    // edge) beyond the end of the previous piece.
    const double start = ToInches(x + margin);
    double position = start;
    std::size_t from = 0;
    while (true) {
        const std::size_t tab = text.find('\t', from);
        const std::string piece =
            text.substr(from, tab == std::string::npos ? std::string::npos : tab - from);
        if (!piece.empty())
            LeftText(piece, ToUnits(position));
        else
            m_cursorX = position;
        if (tab == std::string::npos)
            break;
        const double end = m_cursorX + kTabClearance;
        const double stops = std::floor((end - start) / kTabWidth) + 1;
        position = start + std::max(stops, 1.0) * kTabWidth;
        from = tab + 1;
    }
}

bool TOutputEngine::PositionsAsBlock(const std::string& text) const
{
    return m_accuracyMethod == TAccuracyMethod::amPositioning && m_font.Rotation == 0 &&
           text.find(' ') != std::string::npos &&
           std::none_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x20; });
}

void TOutputEngine::CenterText(const std::string& text, double x)
{
    RequirePrinting();
    double xi = ToInches(x);
    if (PositionsAsBlock(text)) {
        const double w = ToInches(MeasureText(text)) * 10000.0 / (m_scaleX * m_scaleX);
        if (CanWrite())
            TextOut(TTextCommand::Block, text, xi - w / 2, w);
        m_cursorX = xi + w / 2;
    } else {
        if (CanWrite())
            TextOut(TTextCommand::Center, text, xi, 0);
        m_cursorX = xi;
    }
    PumpMessages();
}

void TOutputEngine::LeftText(const std::string& text, double x)
{
    RequirePrinting();
    const double xi = ToInches(x);
    const double w = ToInches(MeasureText(text));
    if (PositionsAsBlock(text)) {
        if (CanWrite())
            TextOut(TTextCommand::Block, text, xi, w * 10000.0 / (m_scaleX * m_scaleX));
    } else if (CanWrite())
        TextOut(TTextCommand::Left, text, xi, 0);
    m_cursorX = xi + w;
    PumpMessages();
}

void TOutputEngine::RightText(const std::string& text, double x)
{
    RequirePrinting();
    const double xi = ToInches(x);
    if (PositionsAsBlock(text)) {
        const double w = ToInches(MeasureText(text)) * 10000.0 / (m_scaleX * m_scaleX);
        if (CanWrite())
            TextOut(TTextCommand::Block, text, xi - w, w);
    } else if (CanWrite())
        TextOut(TTextCommand::Right, text, xi, 0);
    m_cursorX = xi;
    PumpMessages();
}

void TOutputEngine::BlockText(const std::string& text, double x, double width)
{
    RequirePrinting();
    const double xi = ToInches(x);
    const double wi = ToInches(width);
    if (CanWrite())
        TextOut(TTextCommand::Block, text, xi, wi);
    m_cursorX = xi + wi;
    PumpMessages();
}

// ---- pens, brushes, shapes -------------------------------------------------------------------

int TOutputEngine::PenWidthPixels(int widthCode) const
{
    if (widthCode >= 0)
        return widthCode == 0 ? 1 : widthCode;
    // Keep the arithmetic exact until the one rounding: pixels = amount / divisor inches.
    double amount;
    double divisor;
    if (widthCode >= -10000) {
        amount = -static_cast<double>(widthCode);
        divisor = 100;
    } else {
        amount = -(static_cast<double>(widthCode) + 10000);
        divisor = 10000;
    }
    const int pixels = RoundHalfEven(amount * m_dpiX * m_scaleX / (divisor * 100.0));
    return pixels == 0 ? 1 : pixels;
}

void TOutputEngine::NotifyPen()
{
    if (CanWrite())
        PenChanged();
}

void TOutputEngine::NotifyBrush()
{
    if (CanWrite())
        BrushChanged();
}

void TOutputEngine::SelectPen(TColor color, TPenStyle style, int widthCode, TPenMode mode)
{
    const int width = PenWidthPixels(widthCode);
    if (Assign(m_pen.Color, color))
        NotifyPen();
    if (Assign(m_pen.Mode, mode))
        NotifyPen();
    if (Assign(m_pen.Width, width))
        NotifyPen();
    if (Assign(m_pen.Style, style))
        NotifyPen();
}

void TOutputEngine::SelectBrush(TColor color, TBrushStyle style, TPictureRef pattern)
{
    if (Assign(m_brush.Color, color))
        NotifyBrush();
    if (Assign(m_brush.Style, style))
        NotifyBrush();
    if (m_brush.Pattern != pattern) {
        m_brush.Pattern = std::move(pattern);
        NotifyBrush();
    }
}

void TOutputEngine::MoveTo(double x, double y)
{
    RequirePrinting();
    if (CanWrite())
        LineOut(false, ToInches(x), ToInches(y));
    PumpMessages();
}

void TOutputEngine::LineTo(double x, double y)
{
    RequirePrinting();
    if (CanWrite())
        LineOut(true, ToInches(x), ToInches(y));
    PumpMessages();
}

void TOutputEngine::Arc(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                        double y4)
{
    RequirePrinting();
    const double c[8] = {ToInches(x1), ToInches(y1), ToInches(x2), ToInches(y2),
                         ToInches(x3), ToInches(y3), ToInches(x4), ToInches(y4)};
    if (CanWrite())
        ShapeOut(TShapeCommand::Arc, c, 8);
    PumpMessages();
}

void TOutputEngine::Chord(double x1, double y1, double x2, double y2, double x3, double y3,
                          double x4, double y4)
{
    RequirePrinting();
    const double c[8] = {ToInches(x1), ToInches(y1), ToInches(x2), ToInches(y2),
                         ToInches(x3), ToInches(y3), ToInches(x4), ToInches(y4)};
    if (CanWrite())
        ShapeOut(TShapeCommand::Chord, c, 8);
    PumpMessages();
}

void TOutputEngine::Pie(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                        double y4)
{
    RequirePrinting();
    const double c[8] = {ToInches(x1), ToInches(y1), ToInches(x2), ToInches(y2),
                         ToInches(x3), ToInches(y3), ToInches(x4), ToInches(y4)};
    if (CanWrite())
        ShapeOut(TShapeCommand::Pie, c, 8);
    PumpMessages();
}

void TOutputEngine::Ellipse(double x1, double y1, double x2, double y2)
{
    RequirePrinting();
    const double c[4] = {ToInches(x1), ToInches(y1), ToInches(x2), ToInches(y2)};
    if (CanWrite())
        ShapeOut(TShapeCommand::Ellipse, c, 4);
    PumpMessages();
}

void TOutputEngine::Rectangle(double x1, double y1, double x2, double y2)
{
    RequirePrinting();
    const double c[4] = {ToInches(x1), ToInches(y1), ToInches(x2), ToInches(y2)};
    if (CanWrite())
        ShapeOut(TShapeCommand::Rectangle, c, 4);
    PumpMessages();
}

void TOutputEngine::RoundRect(double x1, double y1, double x2, double y2, double cornerWidth,
                              double cornerHeight)
{
    RequirePrinting();
    const double c[6] = {ToInches(x1), ToInches(y1),          ToInches(x2),
                         ToInches(y2), ToInches(cornerWidth), ToInches(cornerHeight)};
    if (CanWrite())
        ShapeOut(TShapeCommand::RoundRect, c, 6);
    PumpMessages();
}

void TOutputEngine::FillRect(const TPixelRect& rect)
{
    RequirePrinting();
    if (CanWrite())
        RectOut(TRectCommand::Fill, rect);
    PumpMessages();
}

void TOutputEngine::FrameRect(const TPixelRect& rect)
{
    RequirePrinting();
    if (CanWrite())
        RectOut(TRectCommand::Frame, rect);
    PumpMessages();
}

void TOutputEngine::DrawFocusRect(const TPixelRect& rect)
{
    RequirePrinting();
    if (CanWrite())
        RectOut(TRectCommand::Focus, rect);
    PumpMessages();
}

void TOutputEngine::Polygon(const std::vector<TPixelPoint>& points)
{
    RequirePrinting();
    if (CanWrite() && !points.empty())
        PolyOut(true, points);
    PumpMessages();
}

void TOutputEngine::PolyLine(const std::vector<TPixelPoint>& points)
{
    RequirePrinting();
    if (CanWrite() && !points.empty())
        PolyOut(false, points);
    PumpMessages();
}

void TOutputEngine::FloodFill(double x, double y, TColor color, std::uint8_t fillStyle)
{
    RequirePrinting();
    if (CanWrite())
        FloodFillOut(ToInches(x), ToInches(y), color, fillStyle);
    PumpMessages();
}

void TOutputEngine::TextRect(const TPixelRect& rect, double x, double y, const std::string& text)
{
    RequirePrinting();
    if (CanWrite())
        TextRectOut(rect, ToInches(x), ToInches(y), text);
    PumpMessages();
}

void TOutputEngine::Draw(double x, double y, const TPictureRef& picture)
{
    RequirePrinting();
    if (CanWrite() && picture)
        DrawOut(ToInches(x), ToInches(y), picture);
    PumpMessages();
}

void TOutputEngine::StretchDraw(const TPixelRect& rect, const TPictureRef& picture)
{
    RequirePrinting();
    if (CanWrite() && picture)
        StretchDrawOut(rect, picture);
    PumpMessages();
}

void TOutputEngine::BrushCopy(const TPixelRect& dest, const TPictureRef& picture,
                              const TPixelRect& source, TColor color)
{
    RequirePrinting();
    if (CanWrite() && picture)
        BrushCopyOut(dest, picture, source, color);
    PumpMessages();
}

// ---- output marks ------------------------------------------------------------------------------

void TOutputEngine::MarkAllOutputs()
{
    if (Assign(m_marks, TOutputMarks::AllOutputs) && CanWrite())
        MarksChanged();
}

void TOutputEngine::MarkPreviewOnly()
{
    if (Assign(m_marks, TOutputMarks::PreviewOnly) && CanWrite())
        MarksChanged();
}

void TOutputEngine::MarkPrinterOnly()
{
    if (Assign(m_marks, TOutputMarks::PrinterOnly) && CanWrite())
        MarksChanged();
}

// ---- status
// --------------------------------------------------------------------------------------

std::string TOutputEngine::FormatStatus() const
{
    std::string out;
    const std::string& f = m_statusFormat;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%' || i + 1 >= f.size()) {
            out += f[i];
            continue;
        }
        const char code = f[++i];
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(code)));
        if (code == '%')
            out += '%';
        else if (code >= '0' && code <= '9') {
            const std::size_t line = static_cast<std::size_t>(code - '0');
            if (line < StatusText.size())
                out += StatusText[line];
        } else if (upper == 'C' || upper == 'S')
            out += '1';
        else if (upper == 'D')
            out += m_device ? m_device->DeviceName() : "Render";
        else if (upper == 'R')
            out += m_device ? m_device->DriverName() : "Render";
        else if (upper == 'T')
            out += m_device ? m_device->PortName() : "Render";
        else if (upper == 'F')
            out += std::to_string(m_firstPage);
        else if (upper == 'L')
            out += std::to_string(m_lastPage);
        else if (upper == 'N')
            out += '\n';
        else if (upper == 'P')
            out += std::to_string(m_currentPage);
        else {
            out += "<ERROR-%";
            out += code;
            out += '>';
        }
    }
    return out;
}

} // namespace gq::report
