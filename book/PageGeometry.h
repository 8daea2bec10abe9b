#pragma once

#include "book/PaperSizes.h"

namespace gq::book
{

/// Margins of a print-ready page, inches. Inside is the binding edge: the left of an odd
/// (right-hand) page, the right of an even one.
struct TMargins
{
    double Inside = 0;
    double Outside = 0;
    double Top = 0;
    double Bottom = 0;
};

/// The inside margin (gutter) a print-ready book of `pageCount` pages needs, inches: up to 150
/// pages 0.375, 151-300 0.5, 301-500 0.625, 501-700 0.75, more 0.875.
double InsideMargin(int pageCount);

/// Where a layout position lands on one page: x' = OffsetX + (x - OriginX) x Scale, likewise
/// for y. The layouts place their items in inches on a Letter page; this maps them.
struct TPageTransform
{
    double Scale = 1;
    double OffsetX = 0;
    double OffsetY = 0;
    double OriginX = 0;
    double OriginY = 0;

    double X(double x) const { return OffsetX + (x - OriginX) * Scale; }
    double Y(double y) const { return OffsetY + (y - OriginY) * Scale; }
    double Length(double length) const { return length * Scale; }
};

/// The paper of a book and how its layouts are mapped onto it.
///
/// A plain book scales the whole Letter page uniformly to fit the paper and centres it; on
/// Letter that is the identity, so those books stay what they always were. A print-ready book
/// fits the area the layouts actually mark (kDesign*) into the page less mirrored margins, so
/// every mark stays inside them:
///
///     odd page (right-hand)             even page (left-hand)
///     +--------------------+            +--------------------+
///     |in |  text block |out|           |out|  text block |in |
///     |   |             |   |           |   |             |   |
///     |   |    page no. |   |           |   |    page no. |   |
///     +--------------------+            +--------------------+
class TPageGeometry
{
  public:
    /// The marked area of every layout in Letter inches: grids, labels, titles and footers.
    static constexpr double kDesignLeft = 0.45;
    static constexpr double kDesignTop = 0.55;
    static constexpr double kDesignWidth = 7.7;
    static constexpr double kDesignHeight = 10.32;

    /// No mark of a print-ready page comes closer than this to a trim edge (print-on-demand
    /// services ask for 0.5 in); the inside margin is never less either.
    static constexpr double kSafeMargin = 0.5;
    /// Outside, top and bottom margins of a print-ready page; the page number stands in the
    /// bottom one, its foot above kSafeMargin.
    static constexpr double kOutsideMargin = kSafeMargin;
    static constexpr double kTopMargin = kSafeMargin;
    static constexpr double kBottomMargin = 0.8;

    /// The Letter layouts scaled to fit `paper` and centred, no margins of their own.
    static TPageGeometry Plain(const TPaper& paper);
    /// Mirrored margins for a book of `pageCount` pages (inside margin the larger of
    /// kSafeMargin and InsideMargin).
    static TPageGeometry PrintReady(const TPaper& paper, int pageCount);

    const TPaper& Paper() const { return *m_paper; }
    double PageWidth() const { return m_paper->Width; }
    double PageHeight() const { return m_paper->Height; }
    /// The factor applied to every length and font size of the layouts.
    double Scale() const { return m_scale; }
    bool PrintReady() const { return m_printReady; }
    const TMargins& Margins() const { return m_margins; }

    /// The transform of page `pageNumber` (1 = first page of the PDF, a right-hand page).
    TPageTransform Frame(int pageNumber) const;
    /// Left edge and width of the text block of page `pageNumber`, inches.
    double BlockLeft(int pageNumber) const;
    double BlockWidth() const;

  private:
    TPageGeometry() = default;

    const TPaper* m_paper = nullptr;
    TMargins m_margins;
    double m_scale = 1;
    bool m_printReady = false;
};

} // namespace gq::book
