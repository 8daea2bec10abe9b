#pragma once

#include "pdf/RenderBase.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QPointF>
#include <QString>

#include <span>
#include <string>

class QPainter;

namespace gq::app
{

/// A renderer that paints page-stream pages with QPainter, on screen, into images and onto
/// printers. Coordinates go from the stream's inches to the painter's units at `dotsPerInch`
/// units an inch; the caller may scale and move the painter before (a printer's paper). Texts are
/// set in the stream's fonts (the desktop's faces of those names), at their point sizes.
class TPagePainter final : public pdf::TRenderBase
{
  public:
    /// Paints into `painter`, which must stay active while pages are played.
    TPagePainter(QPainter& painter, double dotsPerInch);

    /// Plays page `page` (1-based) of the complete page stream `stream` onto the painter, the
    /// page's paper filled white first. Throws pdf::TPageStreamError for a malformed stream or
    /// a page it does not have.
    void PaintPage(std::span<const std::uint8_t> stream, int page);

    void BeginPage() override;
    void FontUpdated(const pdf::TPlayerFont& font) override;
    void PenUpdated(const pdf::TPlayerPen& pen) override;
    void BrushUpdated(const pdf::TPlayerBrush& brush) override;
    void TextLeft(const std::string& text, double x, double y) override;
    void TextCentred(const std::string& text, double x, double y) override;
    void TextRight(const std::string& text, double x, double y) override;
    void TextInWidth(const std::string& text, double x, double y, double width) override;
    void MovePen(double x, double y) override;
    void LineToPoint(double x, double y) override;
    void DrawRectangle(double x1, double y1, double x2, double y2) override;
    void FillRectangle(const pdf::TDeviceRect& rect) override;
    void DrawEllipse(double x1, double y1, double x2, double y2) override;
    void DrawPolyline(std::span<const pdf::TUnitPoint> points, int lastIndex) override;
    void DrawPolygon(std::span<const pdf::TUnitPoint> points, int lastIndex) override;

  private:
    QPointF At(double x, double y) const { return {x * m_dpi, y * m_dpi}; }
    QPen LinePen() const;
    /// Draws `text` with the point at `fraction` of its width (0 start, 0.5 middle, 1 end) at
    /// (x, y) on the baseline, along the font's rotation.
    void TextAnchored(const std::string& text, double x, double y, double fraction);

    QPainter& m_painter;
    double m_dpi;
    QFont m_font;
    QColor m_textColor = Qt::black;
    int m_rotation = 0;
    pdf::TPlayerPen m_pen;
    pdf::TPlayerBrush m_brush;
    QPointF m_position;
};

/// Stream text (Windows-1252) as a QString.
QString FromStreamText(const std::string& text);

/// A colour of the stream (0x00BBGGRR).
QColor StreamColor(std::int32_t color);

/// Page `page` of `stream` painted onto a white image of the page's size at `dotsPerInch`.
QImage PaintPageImage(std::span<const std::uint8_t> stream, int page, double pageWidth,
                      double pageHeight, double dotsPerInch);

} // namespace gq::app
