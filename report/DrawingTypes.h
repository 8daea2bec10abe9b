#pragma once

// Value types shared by the report items, the output engine, the page-stream writer and the
// page-stream reader. Enumerator values are the bytes the page stream carries, so their order
// is fixed.

#include "report/PageStreamFormat.h"
#include "report/Rounding.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gq::report
{

/// A length in inches. Page coordinates run from the top-left corner, X right, Y down.
using TRepUnits = double;

/// 32-bit colour 0x00BBGGRR; 0 is black.
using TColor = std::uint32_t;
inline constexpr TColor clBlack = 0x00000000;
inline constexpr TColor clWhite = 0x00FFFFFF;

/// Character-set numbers as fonts carry them.
inline constexpr std::uint8_t kAnsiCharSet = 0;
inline constexpr std::uint8_t kDefaultCharSet = 1;

enum class TOrientation : std::uint8_t
{
    poPortrait = 0,
    poLandScape = 1,
    poDefault = 2
};

/// Pen styles, in the order the page stream writes them (command 73).
enum class TPenStyle : std::uint8_t
{
    psSolid = 0,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame
};

/// Raster operation of the pen (command 72); pmCopy (4) is the plain one.
enum class TPenMode : std::uint8_t
{
    pmBlack = 0,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

/// Brush fill styles (command 42); bsClear (1) paints nothing.
enum class TBrushStyle : std::uint8_t
{
    bsSolid = 0,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

/// How a text sits in its horizontal field [X, X + Width].
enum class TPrintJustify : std::uint8_t
{
    pjCenter = 0,
    pjLeft,
    pjRight,
    pjBlock
};

/// Engine length units: a length in units is inches x the factor (1, 25.4, 2.54, 72, user).
enum class TPrintUnits : std::uint8_t
{
    unInch = 0,
    unMM,
    unCM,
    unPoint,
    unUser
};

/// Units per inch of `units` (1, 25.4, 2.54, 72); 0 for unUser, whose factor is the caller's.
inline double UnitsPerInch(TPrintUnits units)
{
    switch (units) {
    case TPrintUnits::unInch:
        return 1;
    case TPrintUnits::unMM:
        return 25.4;
    case TPrintUnits::unCM:
        return 2.54;
    case TPrintUnits::unPoint:
        return 72;
    case TPrintUnits::unUser:
        break;
    }
    return 0;
}

/// The unit whose factor is exactly `factor`, or unUser.
inline TPrintUnits UnitsOfFactor(double factor)
{
    for (TPrintUnits units :
         {TPrintUnits::unInch, TPrintUnits::unMM, TPrintUnits::unCM, TPrintUnits::unPoint})
        if (UnitsPerInch(units) == factor)
            return units;
    return TPrintUnits::unUser;
}

enum class TLineHeightMethod : std::uint8_t
{
    lhmLinesPerInch = 0,
    lhmFont,
    lhmUser
};

/// Text background mode (command 26).
enum class TBKMode : std::uint8_t
{
    bkTransparent = 0,
    bkOpaque = 1
};

enum class TAccuracyMethod : std::uint8_t
{
    amPositioning = 0,
    amAppearance
};

/// Where a page-stream writer puts its bytes.
enum class TStreamMode : std::uint8_t
{
    smMemory = 0, ///< built in memory, saved to FileName when the job finishes
    smFile,       ///< written straight to FileName
    smUser,       ///< written to a caller-supplied stream
    smTempFile,   ///< written to a new "PS…" file in the temporary folder
    smDescriptor  ///< written to a caller's open file descriptor, from its start
};

/// Destinations that the following output is meant for (commands 84, 85, 86).
enum class TOutputMarks : std::uint8_t
{
    AllOutputs = 0,
    PreviewOnly,
    PrinterOnly
};

/// A font as the engine takes it. The report's font object converts to this record.
struct TFontSpec
{
    std::string Name = "Arial";
    TColor Color = clBlack;
    TFontPitch Pitch = TFontPitch::fpDefault;
    std::uint8_t CharSet = kDefaultCharSet;
    double Size = 10; ///< points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    bool operator==(const TFontSpec&) const = default;
};

/// Kind byte of a picture in the page stream.
enum class TGraphicKind : std::uint8_t
{
    Bitmap = 1,
    Metafile = 2,
    Icon = 3,
    Other = 4
};

/// A picture in its saved form, opaque to the engine. Pictures are passed as shared pointers:
/// the second time the same object is drawn in a job, the stream refers back to the first copy.
struct TPicture
{
    TGraphicKind Kind = TGraphicKind::Bitmap;
    std::vector<std::uint8_t> Data;
};
using TPictureRef = std::shared_ptr<const TPicture>;

/// A rectangle in device pixels (right and bottom exclusive, as the device counts them).
struct TPixelRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

/// A point in device pixels.
struct TPixelPoint
{
    int X = 0;
    int Y = 0;
};

} // namespace gq::report
