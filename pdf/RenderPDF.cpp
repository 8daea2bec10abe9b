// TRenderPDF, the page content: text, lines and shapes as content-stream operators, with the
// graphics state each needs written only where it changes.

#include "pdf/RenderPDF.h"

#include "pdf/FontSubset.h"

#include "pdf/EngineFontServices.h"
#include "pdf/OperatorWriter.h"
#include "pdf/PdfOperators.h"
#include "pdf/RenderPDFDocument.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <system_error>
#include <utility>

namespace gq::pdf
{

namespace
{

// Bezier control distance of a quarter circle of radius 1.
constexpr double kQuarterKappa = 4.0 / 3.0 * (std::numbers::sqrt2 - 1.0);

} // namespace

TRenderPDF::TRenderPDF() : m_engineFonts(std::make_unique<TEngineFontServices>())
{
    DisplayName = "Portable Document Format (PDF)";
    FileExtension = "*.pdf";
    FontServices = m_engineFonts.get();
}

void TRenderPDF::SetFontManager(std::shared_ptr<report::TFontManager> fonts)
{
    m_engineFonts->SetFontManager(std::move(fonts));
}

TRenderPDF::~TRenderPDF() = default;

void TRenderPDF::ApplyDocumentSettings(const report::TDocumentSettings& settings)
{
    m_streamSettings = settings;
}

void TRenderPDF::BeginDocument()
{
    m_doc = std::make_unique<TDocument>();
    // The stream's settings hold for this document only; the next stream without any gets the
    // renderer's own again.
    if (m_streamSettings)
        m_doc->Settings = *std::exchange(m_streamSettings, std::nullopt);
    else
        m_doc->Settings = {.PdfX = PdfX, .Title = DocInfo.Title, .Author = DocInfo.Author};
    m_doc->Catalog = std::make_unique<TPDFCatalog>();
    m_doc->Pages = std::make_unique<TPDFPages>();
    m_doc->PageList.push_back(std::make_unique<TPDFPage>());
    m_doc->CurrentPage = m_doc->PageList.back().get();
    m_doc->Outlines = std::make_unique<TPDFOutlines>();
    m_doc->ProcSet = std::make_unique<TPDFProcSet>();
    m_doc->FontSize = 12;
    m_doc->FirstPagePending = true;
    m_active = &m_doc->CurrentPage->Content->Content;
    if ((UseCompression || m_doc->Settings.PrintReady) && !OnCompress)
        m_doc->Flate = std::make_unique<TBackgroundFlate>();
    if (EmbedFonts && m_doc->Settings.PrintReady) {
        try {
            m_doc->SubsetterOpening = std::async(std::launch::async, PrepareFontSubsets);
        } catch (const std::system_error&) {
            // No thread: the subsetter opens when the fonts are cut down.
        }
    }
}

void TRenderPDF::BeginPage()
{
    if (!m_doc)
        return;
    if (m_doc->FirstPagePending) {
        m_doc->FirstPagePending = false;
    } else {
        // The page before is finished: it can be compressed while this one is drawn.
        if (m_doc->Flate)
            m_doc->Flate->Submit(m_doc->CurrentPage->Content->Content);
        const TGraphicsCache& previous = m_doc->CurrentPage->Cache;
        auto page = std::make_unique<TPDFPage>();
        page->Cache.RequestedTextColor = previous.RequestedTextColor;
        page->Cache.RequestedPenColor = previous.RequestedPenColor;
        page->Cache.RequestedBrushColor = previous.RequestedBrushColor;
        // Pages of a book look alike: room for as much as the last page held saves regrowing.
        page->Content->Content.reserve(m_doc->CurrentPage->Content->Content.size() + 256);
        m_doc->CurrentPage = page.get();
        m_doc->PageList.push_back(std::move(page));
    }
    m_doc->CurrentPage->Width = PageWidth;
    m_doc->CurrentPage->Height = PageHeight;
    m_active = &m_doc->CurrentPage->Content->Content;
}

void TRenderPDF::EndPage() {}

void TRenderPDF::PenUpdated(const TPlayerPen& pen)
{
    if (m_doc)
        m_doc->Pen = pen;
}

void TRenderPDF::BrushUpdated(const TPlayerBrush& brush)
{
    if (m_doc)
        m_doc->Brush = brush;
}

std::uint8_t TRenderPDF::PenStyle() const { return m_doc->Pen.Style; }

std::uint8_t TRenderPDF::BrushStyle() const { return m_doc->Brush.Style; }

double TRenderPDF::PageY(double inches) const
{
    return (m_doc->CurrentPage->Height - inches) * 72.0;
}

TRenderPDF::TPageBox TRenderPDF::PageBox(double x1, double y1, double x2, double y2) const
{
    return {PageX(std::min(x1, x2)), PageY(std::min(y1, y2)), PageX(std::max(x1, x2)),
            PageY(std::max(y1, y2))};
}

void TRenderPDF::RequestPenAndBrush(bool brush)
{
    TGraphicsCache& c = m_doc->CurrentPage->Cache;
    c.RequestedPenColor = m_doc->Pen.Color;
    if (brush)
        c.RequestedBrushColor = m_doc->Brush.Color;
}

void TRenderPDF::PutRectangle(TOperatorWriter& out, double x1, double y1, double x2,
                              double y2) const
{
    WriteOperator_re(out, PageX(x1), PageY(y1), (x2 - x1) * 72.0, (y1 - y2) * 72.0);
}

void TRenderPDF::DeviceRectInches(const TDeviceRect& rect, double& x1, double& y1, double& x2,
                                  double& y2) const
{
    x1 = rect.Left / ResolutionX() + LeftWaste;
    y1 = rect.Top / ResolutionY() + TopWaste;
    x2 = rect.Right / ResolutionX() + LeftWaste;
    y2 = rect.Bottom / ResolutionY() + TopWaste;
}

void TRenderPDF::EmitGraphicsState(TOperatorWriter& out)
{
    TGraphicsCache& c = m_doc->CurrentPage->Cache;
    std::uint8_t style = PenStyle();
    if (!c.DashValid || c.EmittedDash != style) {
        WriteOperator_d(out, style);
        c.EmittedDash = style;
        c.DashValid = true;
    }
    if (!c.PenColorValid || c.EmittedPenColor != c.RequestedPenColor) {
        WriteColorOperator(out, c.RequestedPenColor, true, m_doc->Settings.GrayWithTrimBox());
        c.EmittedPenColor = c.RequestedPenColor;
        c.PenColorValid = true;
        c.TextColorValid = false;
    }
    if (!c.BrushColorValid || c.EmittedBrushColor != c.RequestedBrushColor) {
        WriteColorOperator(out, c.RequestedBrushColor, false, m_doc->Settings.GrayWithTrimBox());
        c.EmittedBrushColor = c.RequestedBrushColor;
        c.BrushColorValid = true;
        c.TextColorValid = false;
    }
    if (!c.LineWidthValid || c.EmittedLineWidth != PenWidth) {
        WriteOperator_w(out, PenWidth * 72.0);
        c.EmittedLineWidth = PenWidth;
        c.LineWidthValid = true;
    }
}

void TRenderPDF::TextLeft(const std::string& text, double x, double y)
{
    if (!m_doc)
        return;
    EnsureFont();
    TDocument& doc = *m_doc;
    TGraphicsCache& c = doc.CurrentPage->Cache;
    double height = doc.CurrentPage->Height;
    {
        TOperatorWriter out(ActiveBuffer());
        WriteOperator_BT(out);
        if (!c.TextColorValid || c.EmittedTextColor != c.RequestedTextColor) {
            WriteColorOperator(out, c.RequestedTextColor, false, m_doc->Settings.GrayWithTrimBox());
            c.EmittedTextColor = c.RequestedTextColor;
            c.TextColorValid = true;
            c.PenColorValid = false;
            c.BrushColorValid = false;
        }
        WriteOperator_Tf(out, doc.CurrentFont->ResourceName, doc.FontSize);
        // The text is written after a blank; moving left by about a blank's width keeps X the
        // start of the visible text.
        double d = doc.FontSize * (doc.CurrentFontIsCourier ? 0.65 : 0.275) / 72.0;
        WriteOperator_Td(out, (x - d) * 72.0, (height - y) * 72.0);
        if (doc.Rotation != 0.0) {
            double theta = doc.Rotation * std::numbers::pi / 180.0;
            WriteOperator_Tm(out, std::cos(theta), std::sin(theta), -std::sin(theta),
                             std::cos(theta), x * 72.0, (height - y) * 72.0);
        }
        WriteOperator_Tj(out, text);
        WriteOperator_ET(out);
        // Tj shows the text between blanks.
        doc.CurrentFont->NoteShown(" ");
        doc.CurrentFont->NoteShown(text);
    }

    if (doc.Rotation == 0.0 && (doc.Underline || doc.StrikeOut)) {
        double saved = PenWidth;
        double w = TextWidth(text);
        if (doc.Underline) {
            PenWidth = (doc.FontSize + 1.0) * 0.0014;
            double lineY = y + 1.5 * PenWidth;
            DrawLineSegment(x, lineY, x + w, lineY);
        }
        if (doc.StrikeOut) {
            PenWidth = (doc.FontSize + 1.0) * 0.0006;
            double lineY = y - doc.FontSize / 72.0 * 0.22;
            DrawLineSegment(x, lineY, x + w, lineY);
        }
        PenWidth = saved;
    }
}

void TRenderPDF::DrawLineSegment(double x1, double y1, double x2, double y2)
{
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    WriteOperator_m(out, PageX(x1), PageY(y1));
    EmitGraphicsState(out);
    WriteOperator_l(out, PageX(x2), PageY(y2), TOpEnd::Space);
    WritePaintOperator(out, PenClear(), BrushClear());
}

void TRenderPDF::TextAnchored(const std::string& text, double x, double y, double fraction)
{
    if (!m_doc)
        return;
    EnsureFont();
    double d = TextWidth(text) * fraction;
    double theta = m_doc->Rotation;
    if (theta > 0.0 && theta < 360.0) {
        double r = theta * std::numbers::pi / 180.0;
        TextLeft(text, x - d * std::cos(r), y + d * std::sin(r));
    } else {
        TextLeft(text, x - d, y);
    }
}

void TRenderPDF::TextCentred(const std::string& text, double x, double y)
{
    TextAnchored(text, x, y, 0.5);
}

void TRenderPDF::TextRight(const std::string& text, double x, double y)
{
    TextAnchored(text, x, y, 1.0);
}

void TRenderPDF::TextInWidth(const std::string& text, double x, double y, double)
{
    TextLeft(text, x, y);
}

void TRenderPDF::MovePen(double x, double y)
{
    if (!m_doc)
        return;
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    WriteOperator_m(out, PageX(x), PageY(y));
}

void TRenderPDF::LineToPoint(double x, double y)
{
    if (!m_doc)
        return;
    RequestPenAndBrush(false);
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    WriteOperator_l(out, PageX(x), PageY(y), TOpEnd::Space);
    WritePaintOperator(out, PenClear(), true);
}

// ---------------------------------------------------------------------------------------------
// Shapes. Paths are built in PDF points; Y grows upwards there.

void TRenderPDF::DrawRectangle(double x1, double y1, double x2, double y2)
{
    if (!m_doc)
        return;
    RequestPenAndBrush(true);
    if (PenClear() && BrushClear())
        return;
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    PutRectangle(out, x1, y1, x2, y2);
    WritePaintOperator(out, PenClear(), BrushClear());
}

void TRenderPDF::FillRectangle(const TDeviceRect& rect)
{
    if (!m_doc)
        return;
    m_doc->CurrentPage->Cache.RequestedBrushColor = m_doc->Brush.Color;
    if (BrushClear())
        return;
    double x1, y1, x2, y2;
    DeviceRectInches(rect, x1, y1, x2, y2);
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    PutRectangle(out, x1, y1, x2, y2);
    WritePaintOperator(out, true, false);
}

void TRenderPDF::DrawEllipse(double x1, double y1, double x2, double y2)
{
    if (!m_doc)
        return;
    RequestPenAndBrush(true);
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    auto [left, top, right, bottom] = PageBox(x1, y1, x2, y2);
    // Frame mode 0 keeps the stroke inside the box, mode 2 outside it.
    double half = PenWidth * 72.0 / 2.0;
    double grow = FrameMode == 0 ? -half : FrameMode == 2 ? half : 0.0;
    left -= grow;
    right += grow;
    top += grow;
    bottom -= grow;
    double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    double rx = (right - left) / 2.0, ry = (top - bottom) / 2.0;
    double kx = rx * kQuarterKappa, ky = ry * kQuarterKappa;
    WriteOperator_m(out, cx + rx, cy);
    WriteOperator_c(out, cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
    WriteOperator_c(out, cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
    WriteOperator_c(out, cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
    WriteOperator_c(out, cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
    WriteOperator_h(out, TOpEnd::Line);
    WritePaintOperator(out, PenClear(), BrushClear());
}

void TRenderPDF::DrawRoundRect(double x1, double y1, double x2, double y2, double cornerWidth,
                               double cornerHeight)
{
    if (!m_doc)
        return;
    RequestPenAndBrush(true);
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    auto [left, top, right, bottom] = PageBox(x1, y1, x2, y2);
    double rx = std::clamp(std::fabs(cornerWidth) * 72.0 / 2.0, 0.0, (right - left) / 2.0);
    double ry = std::clamp(std::fabs(cornerHeight) * 72.0 / 2.0, 0.0, (top - bottom) / 2.0);
    if (!std::isfinite(rx))
        rx = 0.0;
    if (!std::isfinite(ry))
        ry = 0.0;
    double kx = rx * kQuarterKappa, ky = ry * kQuarterKappa;
    WriteOperator_m(out, left + rx, top);
    WriteOperator_l(out, right - rx, top, TOpEnd::Line);
    WriteOperator_c(out, right - rx + kx, top, right, top - ry + ky, right, top - ry);
    WriteOperator_l(out, right, bottom + ry, TOpEnd::Line);
    WriteOperator_c(out, right, bottom + ry - ky, right - rx + kx, bottom, right - rx, bottom);
    WriteOperator_l(out, left + rx, bottom, TOpEnd::Line);
    WriteOperator_c(out, left + rx - kx, bottom, left, bottom + ry - ky, left, bottom + ry);
    WriteOperator_l(out, left, top - ry, TOpEnd::Line);
    WriteOperator_c(out, left, top - ry + ky, left + rx - kx, top, left + rx, top);
    WriteOperator_h(out, TOpEnd::Line);
    WritePaintOperator(out, PenClear(), BrushClear());
}

void TRenderPDF::DrawArcShape(TArcKind kind, double x1, double y1, double x2, double y2, double x3,
                              double y3, double x4, double y4)
{
    if (!m_doc)
        return;
    RequestPenAndBrush(kind != TArcKind::Arc);
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    WriteComment(out, "arc code");
    double cx = (PageX(x1) + PageX(x2)) / 2.0, cy = (PageY(y1) + PageY(y2)) / 2.0;
    double rx = std::fabs(PageX(x2) - PageX(x1)) / 2.0, ry = std::fabs(PageY(y2) - PageY(y1)) / 2.0;
    // Angles of the start and end radials, measured on the unit circle the ellipse maps to;
    // the arc runs counter-clockwise as seen on the page.
    auto angle = [&](double x, double y) {
        double dx = PageX(x) - cx, dy = PageY(y) - cy;
        if (rx > 0.0)
            dx /= rx;
        if (ry > 0.0)
            dy /= ry;
        return std::atan2(dy, dx);
    };
    double a1 = angle(x3, y3);
    double a2 = angle(x4, y4);
    double sweep = a2 - a1;
    if (!(sweep > 0.0))
        sweep += 2.0 * std::numbers::pi;
    if (!std::isfinite(sweep) || sweep <= 0.0)
        sweep = 2.0 * std::numbers::pi;
    int parts =
        std::clamp(static_cast<int>(std::ceil(sweep / (std::numbers::pi / 2.0) - 1e-9)), 1, 4);
    double step = sweep / parts;
    double k = 4.0 / 3.0 * std::tan(step / 4.0);
    auto at = [&](double a) { return std::pair{cx + rx * std::cos(a), cy + ry * std::sin(a)}; };
    auto [sx, sy] = at(a1);
    WriteOperator_m(out, sx, sy);
    for (int i = 0; i < parts; ++i) {
        double b0 = a1 + step * i, b1 = b0 + step;
        auto [p0x, p0y] = at(b0);
        auto [p1x, p1y] = at(b1);
        WriteOperator_c(out, p0x - k * rx * std::sin(b0), p0y + k * ry * std::cos(b0),
                        p1x + k * rx * std::sin(b1), p1y - k * ry * std::cos(b1), p1x, p1y);
    }
    switch (kind) {
    case TArcKind::Arc:
        WriteStrokeOrEnd(out, PenClear());
        break;
    case TArcKind::Chord:
        WriteOperator_h(out, TOpEnd::Line);
        WritePaintOperator(out, PenClear(), BrushClear());
        break;
    case TArcKind::Pie:
        WriteOperator_l(out, cx, cy, TOpEnd::Line);
        WriteOperator_h(out, TOpEnd::Line);
        WritePaintOperator(out, PenClear(), BrushClear());
        break;
    }
}

void TRenderPDF::DrawArc(double x1, double y1, double x2, double y2, double x3, double y3,
                         double x4, double y4)
{
    DrawArcShape(TArcKind::Arc, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TRenderPDF::DrawChord(double x1, double y1, double x2, double y2, double x3, double y3,
                           double x4, double y4)
{
    DrawArcShape(TArcKind::Chord, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TRenderPDF::DrawPie(double x1, double y1, double x2, double y2, double x3, double y3,
                         double x4, double y4)
{
    DrawArcShape(TArcKind::Pie, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TRenderPDF::PutPolyLines(TOperatorWriter& out, std::span<const TUnitPoint> points,
                              int lastIndex) const
{
    int last = std::min(lastIndex, static_cast<int>(points.size()) - 1);
    for (int i = 1; i <= last; ++i) {
        const TUnitPoint& p = points[static_cast<std::size_t>(i)];
        WriteOperator_l(out, PageX(static_cast<double>(p.X) / report::kPolyUnitsPerInch),
                        PageY(static_cast<double>(p.Y) / report::kPolyUnitsPerInch), TOpEnd::Space);
        if (i % 4 == 0)
            out += "\r\n";
    }
}

void TRenderPDF::DrawPolyline(std::span<const TUnitPoint> points, int lastIndex)
{
    if (!m_doc || points.empty())
        return;
    RequestPenAndBrush(false);
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    PutPolyLines(out, points, lastIndex);
    WritePaintOperator(out, PenClear(), true);
}

void TRenderPDF::DrawPolygon(std::span<const TUnitPoint> points, int lastIndex)
{
    if (!m_doc || points.empty())
        return;
    RequestPenAndBrush(true);
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    PutPolyLines(out, points, lastIndex);
    WriteOperator_h(out, TOpEnd::Space);
    WritePaintOperator(out, PenClear(), BrushClear());
}

void TRenderPDF::TextInRect(const TDeviceRect& rect, double x, double y, const std::string& text)
{
    if (!m_doc)
        return;
    TGraphicsCache& c = m_doc->CurrentPage->Cache;
    {
        TOperatorWriter out(ActiveBuffer());
        WriteOperator_q(out);
        WriteOperator_w(out, 0.0);
        c.LineWidthValid = false;
        if (!(PenClear() && BrushClear())) {
            double x1, y1, x2, y2;
            DeviceRectInches(rect, x1, y1, x2, y2);
            PutRectangle(out, x1, y1, x2, y2);
            WriteOperator_W_n(out);
        }
    }
    TextLeft(text, x, y);
    {
        TOperatorWriter out(ActiveBuffer());
        WriteOperator_Q(out);
    }
    // The restore undoes whatever the text set inside; nothing emitted there can be relied on.
    c.TextColorValid = c.PenColorValid = c.BrushColorValid = false;
    c.LineWidthValid = c.DashValid = false;
}

} // namespace gq::pdf
