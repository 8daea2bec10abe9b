#pragma once

// One writer per content-stream operator, so that drawing code reads as drawing and the number
// format and the separators of the page content live here. Operands are PDF points (Y up).
// Numbers are written "%.4f"; an operator ends its line with CR LF unless it takes a TOpEnd.

#include "pdf/OperatorWriter.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace gq::pdf
{

/// What follows an operator that may share its line with the next one.
enum class TOpEnd : std::uint8_t
{
    Line,  ///< CR LF
    Space, ///< one blank, the line goes on
};

namespace detail
{
inline void PutEnd(TOperatorWriter& out, TOpEnd end)
{
    out += end == TOpEnd::Line ? std::string_view("\r\n") : std::string_view(" ");
}
inline void PutNumbers(TOperatorWriter& out, std::initializer_list<double> values)
{
    for (double v : values) {
        out.Fixed4(v);
        out += ' ';
    }
}
} // namespace detail

/// "x y m": begins a path at (x, y).
inline void WriteOperator_m(TOperatorWriter& out, double x, double y)
{
    detail::PutNumbers(out, {x, y});
    out += "m\r\n";
}

/// "x y l": a line from the current point to (x, y).
inline void WriteOperator_l(TOperatorWriter& out, double x, double y, TOpEnd end)
{
    detail::PutNumbers(out, {x, y});
    out += 'l';
    detail::PutEnd(out, end);
}

/// "x1 y1 x2 y2 x3 y3 c": a Bezier curve through two control points to (x3, y3).
inline void WriteOperator_c(TOperatorWriter& out, double x1, double y1, double x2, double y2,
                            double x3, double y3)
{
    detail::PutNumbers(out, {x1, y1, x2, y2, x3, y3});
    out += "c\r\n";
}

/// "x y w h re ": a rectangle; the painting operator follows on the same line.
inline void WriteOperator_re(TOperatorWriter& out, double x, double y, double width, double height)
{
    detail::PutNumbers(out, {x, y, width, height});
    out += "re ";
}

/// "h": closes the current path.
inline void WriteOperator_h(TOperatorWriter& out, TOpEnd end)
{
    out += 'h';
    detail::PutEnd(out, end);
}

/// Paints the current path: "b" (fill and stroke), "f" (fill), "S" (stroke), or, when both
/// are clear, nothing at all (the path stays open for the next one).
inline void WritePaintOperator(TOperatorWriter& out, bool penClear, bool brushClear)
{
    if (!penClear && !brushClear)
        out += "b\r\n";
    else if (!brushClear)
        out += "f\r\n";
    else if (!penClear)
        out += "S\r\n";
}

/// "S", or "n" (end the path unpainted) for a clear pen.
inline void WriteStrokeOrEnd(TOperatorWriter& out, bool penClear)
{
    out += penClear ? "n\r\n" : "S\r\n";
}

/// "x w ": the line width in points.
inline void WriteOperator_w(TOperatorWriter& out, double width)
{
    out.Fixed4(width);
    out += " w \r\n";
}

/// "[...] 0 d": the dash pattern of a pen style (1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot;
/// every other style solid).
void WriteOperator_d(TOperatorWriter& out, std::uint8_t penStyle);

/// "r g b rg" / "r g b RG", or for `gray` "k g" / "k G": the fill or stroke colour of a
/// 0x00BBGGRR colour.
void WriteColorOperator(TOperatorWriter& out, std::int32_t color, bool stroke, bool gray);

/// "BT": begins a text object.
inline void WriteOperator_BT(TOperatorWriter& out) { out += "BT\r\n"; }
/// "ET": ends a text object.
inline void WriteOperator_ET(TOperatorWriter& out) { out += "ET\r\n"; }

/// "/F1 0012 Tf": the font resource and its size in whole points, four digits at least.
inline void WriteOperator_Tf(TOperatorWriter& out, std::string_view resource, int size)
{
    out += '/';
    out += resource;
    out += ' ';
    out.Integer(size, 4);
    out += " Tf\r\n";
}

/// "x y Td": moves to the start of the next text.
inline void WriteOperator_Td(TOperatorWriter& out, double x, double y)
{
    detail::PutNumbers(out, {x, y});
    out += "Td\r\n";
}

/// "a b c d e f Tm": the text matrix.
inline void WriteOperator_Tm(TOperatorWriter& out, double a, double b, double c, double d, double e,
                             double f)
{
    detail::PutNumbers(out, {a, b, c, d, e, f});
    out += "Tm\r\n";
}

/// "( text ) Tj": shows `text` (Windows-1252 bytes), escaped, between blanks.
inline void WriteOperator_Tj(TOperatorWriter& out, std::string_view text)
{
    out += "( ";
    out.Escaped(text);
    out += " ) Tj\r\n";
}

/// " q ": saves the graphics state.
inline void WriteOperator_q(TOperatorWriter& out) { out += " q \r\n"; }
/// " Q ": restores the graphics state.
inline void WriteOperator_Q(TOperatorWriter& out) { out += " Q \r\n"; }
/// "W n ": clips to the current path and ends it.
inline void WriteOperator_W_n(TOperatorWriter& out) { out += "W n \r\n"; }

/// "% text": a comment line.
inline void WriteComment(TOperatorWriter& out, std::string_view text)
{
    out += "% ";
    out += text;
    out += "\r\n";
}

/// "r g b" of a 0x00BBGGRR colour, each byte / 255 with at most three significant digits; a
/// negative colour is black.
std::string ColorText(std::int32_t color);

/// The gray level of a 0x00BBGGRR colour as "%.3g" text: the byte itself for a gray, else the
/// luminance 0.299 R + 0.587 G + 0.114 B rounded to a byte; a negative colour is black.
std::string GrayText(std::int32_t color);

} // namespace gq::pdf
