#pragma once

// Property types of the report items that the output engine does not share: the length
// tolerance of their setters, display and page-chain modes, line-width units, printer settings
// and fill styles.

#include "report/DrawingTypes.h"

#include <cmath>
#include <cstdint>

namespace gq::report
{

/// Two lengths closer than this (inches) count as equal; a setter given such a value does nothing.
inline constexpr TRepUnits kUnitsEpsilon = 0.0001;

/// True when `a` and `b` differ by at most 0.0001 inch.
inline bool UnitsEqual(TRepUnits a, TRepUnits b) { return std::fabs(a - b) <= kUnitsEpsilon; }

/// Which outputs a control is printed on. doParent inherits the parent's choice (all outputs for
/// a control placed on a page).
enum class TDisplayOn : std::uint8_t
{
    doParent = 0,
    doAll,
    doPreviewOnly,
    doPrinterOnly
};

/// When a page's GotoPage is followed by the page loop.
enum class TGotoMode : std::uint8_t
{
    gmGotoDone = 0, ///< follow GotoPage once the page is finished, otherwise print it again
    gmGotoNotDone,  ///< follow GotoPage while the page is not finished, stop when it is
    gmCallEach      ///< visit GotoPage after every printing, come back while not finished
};

/// Unit of a line item's LineWidth.
enum class TLineWidthType : std::uint8_t
{
    wtPoints = 0, ///< 1/72 inch
    wtPixels      ///< output-device pixels
};

/// Fill style of items that paint an area (none of the items here does).
enum class TFillStyle : std::uint8_t
{
    fsSolid = 0,
    fsClear,
    fsHorizontal,
    fsVertical,
    fsFDiagonal,
    fsBDiagonal,
    fsCross,
    fsDiagCross,
    fsBitmap,
    fsNone
};

} // namespace gq::report
