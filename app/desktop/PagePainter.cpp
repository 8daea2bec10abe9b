#include "app/desktop/PagePainter.h"

#include "report/PageStreamFormat.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPolygonF>

#include <array>
#include <cmath>

namespace gq::app
{
namespace
{

/// The characters of Windows-1252 at 0x80..0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

Qt::PenStyle PenStyleOf(std::uint8_t style)
{
    switch (style) {
    case 1:
        return Qt::DashLine;
    case 2:
        return Qt::DotLine;
    case 3:
        return Qt::DashDotLine;
    case 4:
        return Qt::DashDotDotLine;
    case pdf::kPenClear:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

} // namespace

QString FromStreamText(const std::string& text)
{
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        result += byte >= 0x80 && byte < 0xA0 ? QChar(kWindows1252High[byte - 0x80])
                                              : QChar(static_cast<char16_t>(byte));
    }
    return result;
}

QColor StreamColor(std::int32_t color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

TPagePainter::TPagePainter(QPainter& painter, double dotsPerInch)
    : m_painter(painter), m_dpi(dotsPerInch)
{
    DisplayName = "Painter";
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::TextAntialiasing);
}

void TPagePainter::PaintPage(std::span<const std::uint8_t> stream, int page)
{
    m_input = stream;
    RenderPages(page);
}

void TPagePainter::BeginPage()
{
    m_painter.fillRect(QRectF(At(0, 0), At(PageWidth, PageHeight)), Qt::white);
}

void TPagePainter::FontUpdated(const pdf::TPlayerFont& font)
{
    m_font = QFont(QString::fromStdString(font.Name));
    m_font.setStyleHint(QFont::SansSerif);
    // Whole points of the page, at this renderer's dots per inch whatever the device's own.
    const double deviceDpi = m_painter.device() ? m_painter.device()->logicalDpiY() : 72.0;
    m_font.setPointSizeF(std::max(1, font.Size) * m_dpi / deviceDpi);
    m_font.setBold(font.Bold);
    m_font.setItalic(font.Italic);
    m_font.setUnderline(font.Underline);
    m_font.setStrikeOut(font.StrikeOut);
    m_font.setHintingPreference(QFont::PreferNoHinting);
    m_font.setKerning(false);
    m_textColor = StreamColor(font.Color);
    m_rotation = font.Rotation;
}

void TPagePainter::PenUpdated(const pdf::TPlayerPen& pen) { m_pen = pen; }

void TPagePainter::BrushUpdated(const pdf::TPlayerBrush& brush) { m_brush = brush; }

QPen TPagePainter::LinePen() const
{
    QPen pen(StreamColor(m_pen.Color), std::max(PenWidth * m_dpi, 0.0), PenStyleOf(m_pen.Style),
             Qt::FlatCap, Qt::MiterJoin);
    return pen;
}

void TPagePainter::TextAnchored(const std::string& text, double x, double y, double fraction)
{
    const QString shown = FromStreamText(text);
    m_painter.save();
    m_painter.setFont(m_font);
    m_painter.setPen(m_textColor);
    const double width = QFontMetricsF(m_font, m_painter.device()).horizontalAdvance(shown);
    m_painter.translate(At(x, y));
    if (m_rotation % 360 != 0)
        m_painter.rotate(-m_rotation);
    m_painter.drawText(QPointF(-width * fraction, 0), shown);
    m_painter.restore();
}

void TPagePainter::TextLeft(const std::string& text, double x, double y)
{
    TextAnchored(text, x, y, 0.0);
}

void TPagePainter::TextCentred(const std::string& text, double x, double y)
{
    TextAnchored(text, x, y, 0.5);
}

void TPagePainter::TextRight(const std::string& text, double x, double y)
{
    TextAnchored(text, x, y, 1.0);
}

void TPagePainter::TextInWidth(const std::string& text, double x, double y, double)
{
    TextAnchored(text, x, y, 0.0);
}

void TPagePainter::MovePen(double x, double y) { m_position = At(x, y); }

void TPagePainter::LineToPoint(double x, double y)
{
    const QPointF to = At(x, y);
    if (m_pen.Style != pdf::kPenClear) {
        m_painter.setPen(LinePen());
        m_painter.drawLine(m_position, to);
    }
    m_position = to;
}

void TPagePainter::DrawRectangle(double x1, double y1, double x2, double y2)
{
    m_painter.setPen(LinePen());
    m_painter.setBrush(m_brush.Style == pdf::kBrushClear ? QBrush(Qt::NoBrush)
                                                         : QBrush(StreamColor(m_brush.Color)));
    m_painter.drawRect(QRectF(At(x1, y1), At(x2, y2)).normalized());
}

void TPagePainter::FillRectangle(const pdf::TDeviceRect& rect)
{
    if (m_brush.Style == pdf::kBrushClear)
        return;
    const QRectF area(
        At(rect.Left / ResolutionX() + LeftWaste, rect.Top / ResolutionY() + TopWaste),
        At(rect.Right / ResolutionX() + LeftWaste, rect.Bottom / ResolutionY() + TopWaste));
    m_painter.fillRect(area.normalized(), StreamColor(m_brush.Color));
}

void TPagePainter::DrawEllipse(double x1, double y1, double x2, double y2)
{
    m_painter.setPen(LinePen());
    m_painter.setBrush(m_brush.Style == pdf::kBrushClear ? QBrush(Qt::NoBrush)
                                                         : QBrush(StreamColor(m_brush.Color)));
    m_painter.drawEllipse(QRectF(At(x1, y1), At(x2, y2)).normalized());
}

namespace
{

QPolygonF PolygonOf(std::span<const pdf::TUnitPoint> points, int lastIndex, double dpi)
{
    QPolygonF polygon;
    const double scale = dpi / report::kPolyUnitsPerInch;
    for (int i = 0; i <= lastIndex && i < static_cast<int>(points.size()); ++i)
        polygon << QPointF(points[static_cast<std::size_t>(i)].X * scale,
                           points[static_cast<std::size_t>(i)].Y * scale);
    return polygon;
}

} // namespace

void TPagePainter::DrawPolyline(std::span<const pdf::TUnitPoint> points, int lastIndex)
{
    m_painter.setPen(LinePen());
    m_painter.drawPolyline(PolygonOf(points, lastIndex, m_dpi));
}

void TPagePainter::DrawPolygon(std::span<const pdf::TUnitPoint> points, int lastIndex)
{
    m_painter.setPen(LinePen());
    m_painter.setBrush(m_brush.Style == pdf::kBrushClear ? QBrush(Qt::NoBrush)
                                                         : QBrush(StreamColor(m_brush.Color)));
    m_painter.drawPolygon(PolygonOf(points, lastIndex, m_dpi));
}

QImage PaintPageImage(std::span<const std::uint8_t> stream, int page, double pageWidth,
                      double pageHeight, double dotsPerInch)
{
    QImage image(static_cast<int>(std::lround(pageWidth * dotsPerInch)),
                 static_cast<int>(std::lround(pageHeight * dotsPerInch)), QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = static_cast<int>(std::lround(dotsPerInch / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    TPagePainter renderer(painter, dotsPerInch);
    renderer.PaintPage(stream, page);
    return image;
}

} // namespace gq::app
