#include "pdf/PdfOperators.h"

#include "pdf/PdfFormat.h"

#include <array>
#include <cmath>

namespace gq::pdf
{

namespace
{

// "%.3g" of i / 255 for every colour byte i, made once.
struct TColorParts
{
    TColorParts()
    {
        for (int i = 0; i < 256; ++i)
            Text[static_cast<std::size_t>(i)] = FormatGeneral3(i / 255.0);
    }
    std::array<std::string, 256> Text;
};

const std::string& ColorPart(int byte)
{
    static const TColorParts parts;
    return parts.Text[static_cast<std::size_t>(byte & 0xFF)];
}

// Writes ColorText(color) to `out` (a std::string or a TOperatorWriter).
template <typename Out> void PutColor(Out& out, std::int32_t color)
{
    if (color < 0)
        color = 0;
    out += ColorPart(color);
    out += ' ';
    out += ColorPart(color >> 8);
    out += ' ';
    out += ColorPart(color >> 16);
}

std::uint8_t GrayLevel(std::int32_t color)
{
    if (color < 0)
        color = 0;
    const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    if (r == g && g == b)
        return static_cast<std::uint8_t>(r);
    return static_cast<std::uint8_t>(std::lround(0.299 * r + 0.587 * g + 0.114 * b));
}

} // namespace

void WriteOperator_d(TOperatorWriter& out, std::uint8_t penStyle)
{
    switch (penStyle) {
    case 1:
        out += "[13 6] 0 d\r\n";
        break;
    case 2:
        out += "[2] 0 d\r\n";
        break;
    case 3:
        out += "[8 4 1 4] 0 d\r\n";
        break;
    case 4:
        out += "[10 3 2 2 2 3] 0 d\r\n";
        break;
    default:
        out += "[] 0 d\r\n";
        break;
    }
}

void WriteColorOperator(TOperatorWriter& out, std::int32_t color, bool stroke, bool gray)
{
    if (gray) {
        out += ColorPart(GrayLevel(color));
        out += stroke ? " G\r\n" : " g\r\n";
        return;
    }
    PutColor(out, color);
    out += stroke ? " RG\r\n" : " rg\r\n";
}

std::string ColorText(std::int32_t color)
{
    std::string out;
    PutColor(out, color);
    return out;
}

std::string GrayText(std::int32_t color) { return ColorPart(GrayLevel(color)); }

} // namespace gq::pdf
