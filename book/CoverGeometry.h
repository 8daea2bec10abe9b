#pragma once

#include "book/PaperSizes.h"

#include <span>
#include <string>
#include <string_view>

namespace gq::book
{

/// Bleed on the outer edges of a cover, inches: the background runs this far past the trim.
inline constexpr double kCoverBleed = 0.125;
/// Every text and mark of a cover's design stays this far inside the trim and the spine folds.
inline constexpr double kCoverSafeMargin = 0.25;
/// Spine text stays this far clear of each spine fold.
inline constexpr double kSpineTextClearance = 0.0625;
/// The narrowest band spine text is set in, between its clearances from the folds, inches
/// (glyphs about 3.5 pt high).
inline constexpr double kMinSpineTextBand = 0.05;
/// The white barcode box at the bottom right of the back cover, and its distance from the
/// spine fold and the bottom trim.
inline constexpr double kBarcodeBoxWidth = 2.0;
inline constexpr double kBarcodeBoxHeight = 1.2;
inline constexpr double kBarcodeBoxInset = 0.25;
/// Page counts a cover can be made for.
inline constexpr int kMinCoverPages = 1;
inline constexpr int kMaxCoverPages = 2000;

/// How one print-on-demand service computes the spine of a paperback on one paper stock:
/// PerPage x pages + Allowance inches, and the fewest pages that may carry spine text.
struct TSpineFigures
{
    std::string_view Service; ///< one of kCoverServices (book/BookSettings.h)
    std::string_view Stock;   ///< one of kCoverStocks
    double PerPage;           ///< inches per page
    double Allowance;         ///< inches added for the cover's wrap
    int MinSpineTextPages;
};

/// Every service and stock, in the order of kCoverServices and kCoverStocks.
std::span<const TSpineFigures> SpineFigures();

/// The figures of `service` on `stock`. Throws gq::Error naming the unknown service or stock and
/// listing the known ones.
const TSpineFigures& FindSpineFigures(std::string_view service, std::string_view stock);

/// A rectangle on the cover, inches from its bottom left corner (the bleed's corner).
struct TCoverRect
{
    double Left = 0, Bottom = 0, Right = 0, Top = 0;
    double Width() const { return Right - Left; }
    double Height() const { return Top - Bottom; }
    bool Contains(const TCoverRect& other) const
    {
        return other.Left >= Left && other.Right <= Right && other.Bottom >= Bottom &&
               other.Top <= Top;
    }
};

/// Where everything of a full-wrap cover lies: back cover | spine | front cover, with bleed
/// on the outer edges.
struct TCoverGeometry
{
    double TrimWidth = 0;  ///< of one cover (the book's page), inches
    double TrimHeight = 0; ///< inches
    double Spine = 0;      ///< inches
    int Pages = 0;
    /// The page count reaches the service's minimum for spine text, and the spine is wide enough
    /// to hold text kSpineTextClearance clear of each fold (kMinSpineTextBand between them).
    bool SpineText = false;
    int MinSpineTextPages = 0; ///< the service's minimum for spine text
    /// The fewest pages whose spine takes text: the service's minimum, or more where its spine
    /// is still narrower than the clearances and kMinSpineTextBand.
    int SpineTextFrom = 0;

    double Width() const { return 2 * kCoverBleed + 2 * TrimWidth + Spine; }
    double Height() const { return 2 * kCoverBleed + TrimHeight; }
    /// The whole cover without bleed (the PDF's /TrimBox).
    TCoverRect Trim() const;
    /// The spine between its folds.
    TCoverRect SpineArea() const;
    /// Where the design of the back and the front covers may go (the safe zones).
    TCoverRect BackSafe() const;
    TCoverRect FrontSafe() const;
    /// Where spine text may go: kSpineTextClearance inside the folds, kCoverSafeMargin inside
    /// the top and bottom trim.
    TCoverRect SpineTextArea() const;
    /// The white barcode box.
    TCoverRect BarcodeBox() const;
};

/// The cover of a book of `pages` pages of `paper` for `service` on `stock`. Throws gq::Error
/// for an unknown service or stock, or a page count outside kMinCoverPages..kMaxCoverPages.
TCoverGeometry CoverGeometry(const TPaper& paper, std::string_view service, std::string_view stock,
                             int pages);

} // namespace gq::book
