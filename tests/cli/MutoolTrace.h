#pragma once

// What `mutool trace` says a PDF draws, page by page: the glyphs of every text item and every
// path segment, in PDF points (y up).

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace gq::test
{

/// A rectangle in PDF points, y up.
struct Box
{
    double X1, Y1, X2, Y2;

    double Distance(const Box& other) const
    {
        const double dx = std::max({0.0, other.X1 - X2, X1 - other.X2});
        const double dy = std::max({0.0, other.Y1 - Y2, Y1 - other.Y2});
        return std::hypot(dx, dy);
    }
    bool Contains(double x, double y) const { return x >= X1 && x <= X2 && y >= Y1 && y <= Y2; }
};

/// One text item as drawn: its characters (spaces dropped) and the box of their glyphs.
struct TextRun
{
    std::string Text;
    Box Ink{1e9, 1e9, -1e9, -1e9};
};

/// One straight piece of a path: from (X1, Y1) to (X2, Y2), stroked with a pen of Width, or
/// the edge of a filled area.
struct Segment
{
    double X1, Y1, X2, Y2, Width;
    bool Stroked;

    double Length() const { return std::hypot(X2 - X1, Y2 - Y1); }
    /// What it inks: square caps reach half a width past each end.
    Box Ink() const
    {
        const double half = Width / 2;
        return {std::min(X1, X2) - half, std::min(Y1, Y2) - half, std::max(X1, X2) + half,
                std::max(Y1, Y2) + half};
    }
};

struct PageInk
{
    double Width = 0, Height = 0;
    std::vector<TextRun> Texts;
    std::vector<Segment> Segments;
};

/// The value of attribute `name` in one line of `mutool trace` output, or "".
inline std::string TraceAttribute(const std::string& line, const std::string& name)
{
    const std::size_t at = line.find(" " + name + "=\"");
    if (at == std::string::npos)
        return {};
    const std::size_t from = at + name.size() + 3;
    return line.substr(from, line.find('"', from) - from);
}

/// Every page's ink as `mutool trace` reports it. Glyph boxes run from the pen position by the
/// advance and from the descent to the ascent of the face (0.212 and 0.905 em), in the
/// direction of the text.
inline std::vector<PageInk> TraceInk(const std::string& pdf)
{
    const CliResult trace = RunCommand("mutool trace '" + pdf + "'");
    EXPECT_EQ(trace.Exit, 0) << trace.Out.substr(0, 400);
    auto number = [](const std::string& line, const std::string& name) {
        return std::stod(TraceAttribute(line, name));
    };
    std::vector<PageInk> pages;
    std::istringstream lines(trace.Out);
    double lineWidth = 0, lastX = 0, lastY = 0;
    double trm[4] = {0, 0, 0, 0}; // the text rendering matrix: advance (a b), ascent (c d)
    bool stroking = false;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t open = line.find('<');
        if (open == std::string::npos)
            continue;
        const std::string tag =
            line.substr(open + 1, line.find_first_of(" />", open + 1) - open - 1);
        if (tag == "page") {
            std::istringstream box(TraceAttribute(line, "mediabox"));
            double x0, y0;
            pages.emplace_back();
            box >> x0 >> y0 >> pages.back().Width >> pages.back().Height;
        } else if (pages.empty()) {
            continue;
        } else if (tag == "stroke_path" || tag == "fill_path") {
            stroking = tag == "stroke_path";
            lineWidth = stroking ? number(line, "linewidth") : 0;
        } else if (tag == "moveto" || tag == "lineto") {
            const double x = number(line, "x"), y = number(line, "y");
            if (tag == "lineto")
                pages.back().Segments.push_back({lastX, lastY, x, y, lineWidth, stroking});
            lastX = x, lastY = y;
        } else if (tag == "fill_text") {
            pages.back().Texts.emplace_back();
        } else if (tag == "span") {
            std::istringstream matrix(TraceAttribute(line, "trm"));
            matrix >> trm[0] >> trm[1] >> trm[2] >> trm[3];
        } else if (tag == "g" && !pages.back().Texts.empty()) {
            const std::string glyph = TraceAttribute(line, "glyph");
            if (glyph == "space" || glyph == "uni00A0")
                continue;
            TextRun& run = pages.back().Texts.back();
            run.Text += TraceAttribute(line, "unicode");
            const double x = number(line, "x"), y = number(line, "y");
            const double advance = number(line, "adv");
            // The glyph's box in text space, turned and scaled by the matrix (rotated text too).
            for (double u : {0.0, advance})
                for (double v : {-0.212, 0.905}) {
                    const double px = x + u * trm[0] + v * trm[2];
                    const double py = y + u * trm[1] + v * trm[3];
                    run.Ink = {std::min(run.Ink.X1, px), std::min(run.Ink.Y1, py),
                               std::max(run.Ink.X2, px), std::max(run.Ink.Y2, py)};
                }
        }
    }
    return pages;
}

} // namespace gq::test
