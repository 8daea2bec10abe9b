#pragma once

// Reads the texts a page stream prints back into puzzle texts, as a reader of the printed book
// sees them. Shared by the book-run and command-line tests.

#include "pdf/RenderBase.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace gq::book::pagetext
{

/// One text the page stream prints: left-aligned at x or centred on x, on baseline y, in a
/// font of `Size` points.
struct PrintedText
{
    std::string Text;
    double X;
    double Y;
    bool Centred;
    int Size;
};

/// A renderer that keeps the texts of every page.
class TextCollector : public pdf::TRenderBase
{
  public:
    std::vector<std::vector<PrintedText>> Pages;
    void BeginPage() override { Pages.emplace_back(); }
    void FontUpdated(const pdf::TPlayerFont& font) override { m_size = font.Size; }
    void TextLeft(const std::string& text, double x, double y) override
    {
        Pages.back().push_back({text, x, y, false, m_size});
    }
    void TextCentred(const std::string& text, double x, double y) override
    {
        Pages.back().push_back({text, x, y, true, m_size});
    }

  private:
    int m_size = 0;
};

/// Where a layout prints a grid's text items: the Left of column 1 and the Top of row 1.
struct GridPlace
{
    double TL, TT, C;
};

const std::array<GridPlace, 4> kQuarters = {
    {{0.2, 1.62, 0.4}, {4.2, 1.62, 0.4}, {0.2, 6.02, 0.4}, {4.2, 6.02, 0.4}}};

std::vector<GridPlace> PuzzlePlaces(int perPage)
{
    if (perPage == 1)
        return {{0.46, 2.19, 0.84}};
    if (perPage == 2)
        return {{1.75, 1.42, 0.48}, {1.75, 6.35, 0.48}};
    return {kQuarters.begin(), kQuarters.end()};
}

/// Rebuilds the 81-character text of the grid at `place` from the centred one-digit texts of a
/// page: grid column x, row y holds text position (x - 1) * 9 + y. Open cells give '0', and so
/// do candidate lists, which are set in 12-point type.
std::string GridText(const std::vector<PrintedText>& page, const GridPlace& place)
{
    std::string text(81, '0');
    for (const PrintedText& printed : page) {
        if (!printed.Centred || printed.Text.size() != 1 || printed.Size == 12)
            continue;
        double column = (printed.X - 0.5 - place.TL) / place.C;
        double row = (printed.Y - place.TT) / place.C; // the baseline lies below the item's top
        int x = static_cast<int>(std::lround(column)) + 1;
        int y = static_cast<int>(std::floor(row)) + 1;
        if (std::fabs(column - std::lround(column)) > 0.01 || x < 1 || x > 9 || y < 1 || y > 9)
            continue;
        text[(x - 1) * 9 + y - 1] = printed.Text[0];
    }
    return text;
}

std::vector<std::string> LabelsOf(const std::vector<PrintedText>& page)
{
    std::vector<std::string> labels;
    for (const PrintedText& printed : page)
        if (printed.Text.rfind("Sudoku #", 0) == 0)
            labels.push_back(printed.Text);
    return labels;
}

/// Plays a page stream and returns its pages' texts.
inline std::vector<std::vector<PrintedText>> PlayPageStream(const std::string& stream)
{
    TextCollector collector;
    collector.RenderStream({reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size()});
    return collector.Pages;
}

/// The puzzle texts of the first `pages` pages of a book with `perPage` puzzles per page, in
/// book order.
inline std::vector<std::string> PrintedPuzzles(const std::vector<std::vector<PrintedText>>& printed,
                                               int pages, int perPage)
{
    std::vector<std::string> puzzles;
    for (int q = 0; q < pages && q < static_cast<int>(printed.size()); ++q)
        for (const GridPlace& place : PuzzlePlaces(perPage))
            puzzles.push_back(GridText(printed[q], place));
    return puzzles;
}

} // namespace gq::book::pagetext
