#include "book/PageGeometry.h"

#include <algorithm>

namespace gq::book
{

double InsideMargin(int pageCount)
{
    if (pageCount <= 150)
        return 0.375;
    if (pageCount <= 300)
        return 0.5;
    if (pageCount <= 500)
        return 0.625;
    if (pageCount <= 700)
        return 0.75;
    return 0.875;
}

TPageGeometry TPageGeometry::Plain(const TPaper& paper)
{
    TPageGeometry geometry;
    geometry.m_paper = &paper;
    geometry.m_scale = std::min(paper.Width / 8.5, paper.Height / 11);
    return geometry;
}

TPageGeometry TPageGeometry::PrintReady(const TPaper& paper, int pageCount)
{
    TPageGeometry geometry;
    geometry.m_paper = &paper;
    geometry.m_printReady = true;
    geometry.m_margins = {std::max(kSafeMargin, InsideMargin(pageCount)), kOutsideMargin,
                          kTopMargin, kBottomMargin};
    const double height = paper.Height - kTopMargin - kBottomMargin;
    geometry.m_scale = std::min(geometry.BlockWidth() / kDesignWidth, height / kDesignHeight);
    return geometry;
}

double TPageGeometry::BlockWidth() const
{
    return PageWidth() - m_margins.Inside - m_margins.Outside;
}

double TPageGeometry::BlockLeft(int pageNumber) const
{
    return pageNumber % 2 == 1 ? m_margins.Inside : m_margins.Outside;
}

TPageTransform TPageGeometry::Frame(int pageNumber) const
{
    TPageTransform frame;
    frame.Scale = m_scale;
    if (!m_printReady) {
        frame.OffsetX = (PageWidth() - 8.5 * m_scale) / 2;
        frame.OffsetY = (PageHeight() - 11 * m_scale) / 2;
        return frame;
    }
    const double height = PageHeight() - m_margins.Top - m_margins.Bottom;
    frame.OriginX = kDesignLeft;
    frame.OriginY = kDesignTop;
    frame.OffsetX = BlockLeft(pageNumber) + (BlockWidth() - kDesignWidth * m_scale) / 2;
    frame.OffsetY = m_margins.Top + (height - kDesignHeight * m_scale) / 2;
    return frame;
}

} // namespace gq::book
