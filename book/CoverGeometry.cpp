#include "book/CoverGeometry.h"

#include "book/BookSettings.h"
#include "gq/Error.h"

#include <array>

namespace gq::book
{

namespace
{

// The one table of spine figures. Each line names where its figures were published:
//
// kdp: 0.002252 in/page on white, 0.0025 in/page on cream, no allowance; spine text from 79
//   pages. Pages quoting the service's figures:
//   https://publishing.co.uk/guides/spine-width-calculator/
//   https://kdpprintcover.com/blog/how-to-calculate-kdp-spine-width
//   https://bookcoverslab.com/kdp-cover-size-calculator/quick-reference
// ingramspark: 440 pages per inch on 50 lb white, 430 on 50 lb creme; spine text from 48 pages.
//   https://www.erelisdesign.com/post/book-spine-width-explained (pages per inch)
//   https://bookcoverslab.com/nl/ingramspark-cover-creator (spine text minimum)
//   The service's own generator gives the exact template; these are the figures quoted for it.
// lulu: (pages / 444) + 0.06 in for perfect-bound paperbacks, the same formula on either stock;
//   spine text from 80 pages.
//   https://help.api.lulu.com/en/support/solutions/articles/64000254616-how-is-spine-width-calculated-
//   https://connect.lulu.com/en/discussion/343028/spine-for-books-with-80-130-pages-for-retail-partners
constexpr std::array<TSpineFigures, 6> kSpineFigures = {{
    {"kdp", "white", 0.002252, 0.0, 79},
    {"kdp", "cream", 0.0025, 0.0, 79},
    {"ingramspark", "white", 1.0 / 440, 0.0, 48},
    {"ingramspark", "cream", 1.0 / 430, 0.0, 48},
    {"lulu", "white", 1.0 / 444, 0.06, 80},
    {"lulu", "cream", 1.0 / 444, 0.06, 80},
}};

std::string NameList(std::span<const std::string_view> names)
{
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i)
        list += std::string(i == 0                  ? ""
                            : i + 1 == names.size() ? " and "
                                                    : ", ") +
                std::string(names[i]);
    return list;
}

} // namespace

std::span<const TSpineFigures> SpineFigures() { return kSpineFigures; }

const TSpineFigures& FindSpineFigures(std::string_view service, std::string_view stock)
{
    bool serviceKnown = false;
    for (const TSpineFigures& figures : kSpineFigures) {
        serviceKnown = serviceKnown || figures.Service == service;
        if (figures.Service == service && figures.Stock == stock)
            return figures;
    }
    if (!serviceKnown)
        throw Error("unknown print service \"" + std::string(service) + "\"; the services are " +
                    NameList(kCoverServices));
    throw Error("unknown paper stock \"" + std::string(stock) + "\"; the stocks are " +
                NameList(kCoverStocks));
}

TCoverRect TCoverGeometry::Trim() const
{
    return {kCoverBleed, kCoverBleed, Width() - kCoverBleed, Height() - kCoverBleed};
}

TCoverRect TCoverGeometry::SpineArea() const
{
    const double left = kCoverBleed + TrimWidth;
    return {left, kCoverBleed, left + Spine, Height() - kCoverBleed};
}

TCoverRect TCoverGeometry::BackSafe() const
{
    const TCoverRect trim = Trim();
    return {trim.Left + kCoverSafeMargin, trim.Bottom + kCoverSafeMargin,
            SpineArea().Left - kCoverSafeMargin, trim.Top - kCoverSafeMargin};
}

TCoverRect TCoverGeometry::FrontSafe() const
{
    const TCoverRect trim = Trim();
    return {SpineArea().Right + kCoverSafeMargin, trim.Bottom + kCoverSafeMargin,
            trim.Right - kCoverSafeMargin, trim.Top - kCoverSafeMargin};
}

TCoverRect TCoverGeometry::SpineTextArea() const
{
    const TCoverRect spine = SpineArea();
    return {spine.Left + kSpineTextClearance, spine.Bottom + kCoverSafeMargin,
            spine.Right - kSpineTextClearance, spine.Top - kCoverSafeMargin};
}

TCoverRect TCoverGeometry::BarcodeBox() const
{
    const double right = SpineArea().Left - kBarcodeBoxInset;
    const double bottom = kCoverBleed + kBarcodeBoxInset;
    return {right - kBarcodeBoxWidth, bottom, right, bottom + kBarcodeBoxHeight};
}

TCoverGeometry CoverGeometry(const TPaper& paper, std::string_view service, std::string_view stock,
                             int pages)
{
    const TSpineFigures& figures = FindSpineFigures(service, stock);
    if (pages < kMinCoverPages || pages > kMaxCoverPages)
        throw Error("a cover needs a page count from " + std::to_string(kMinCoverPages) + " to " +
                    std::to_string(kMaxCoverPages) + ", not " + std::to_string(pages));
    TCoverGeometry geometry;
    geometry.TrimWidth = paper.Width;
    geometry.TrimHeight = paper.Height;
    geometry.Spine = pages * figures.PerPage + figures.Allowance;
    geometry.Pages = pages;
    geometry.MinSpineTextPages = figures.MinSpineTextPages;
    // A service's minimum may leave a spine too narrow for text clear of both folds; the text
    // then starts where the spine is wide enough.
    auto roomy = [&](int count) {
        return count * figures.PerPage + figures.Allowance - 2 * kSpineTextClearance >=
               kMinSpineTextBand - 1e-9;
    };
    geometry.SpineTextFrom = figures.MinSpineTextPages;
    while (!roomy(geometry.SpineTextFrom))
        ++geometry.SpineTextFrom;
    geometry.SpineText = pages >= geometry.SpineTextFrom;
    return geometry;
}

} // namespace gq::book
