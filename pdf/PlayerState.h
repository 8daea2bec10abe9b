#pragma once

#include "report/PageStreamFormat.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace gq::pdf
{

/// A picture read from a page stream. `Kind` is 1 bitmap, 2 metafile, 3 icon, 4 other (the
/// reference flag 128 removed); `Data` is its saved form, a view into the played stream.
struct TPicture
{
    std::uint8_t Kind = 0;
    std::span<const std::uint8_t> Data;
};

/// A rectangle in whole device units of the renderer (72 per inch for PDF), measured from the
/// page's left and top waste.
struct TDeviceRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

/// A polygon or polyline point in whole units of 1 / report::kPolyUnitsPerInch inch from the
/// page's top-left corner.
struct TUnitPoint
{
    int X = 0;
    int Y = 0;
};

/// The longest font name the player keeps, in bytes; longer names are cut.
inline constexpr std::size_t kMaxFontName = 60;

/// The font as the player keeps it from the stream's font commands. Colour is 0x00BBGGRR.
struct TPlayerFont
{
    std::string Name;
    std::int32_t Color = 0;
    report::TFontPitch Pitch = report::TFontPitch::fpDefault;
    std::uint8_t Charset = 1;
    int Size = 0; ///< whole points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    bool Superscript = false;
    bool Subscript = false;
    std::int16_t Rotation = 0; ///< degrees
    std::uint8_t Alignment = 0;
    double Height = 0.0;      ///< inches, as last read
    double SampleWidth = 0.0; ///< inches, as last read
};

/// Pen styles: 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 clear.
inline constexpr std::uint8_t kPenClear = 5;
/// Brush styles: 0 solid, 1 clear.
inline constexpr std::uint8_t kBrushClear = 1;

struct TPlayerPen
{
    std::int32_t Color = 0;
    std::uint8_t Mode = 4;
    std::uint8_t Style = 0;
    std::int32_t Width = 1;
};

struct TPlayerBrush
{
    std::int32_t Color = 0x00FFFFFF;
    std::uint8_t Style = kBrushClear;
    bool HasPattern = false;
    TPicture Pattern;
};

} // namespace gq::pdf
