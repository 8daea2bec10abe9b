// The grids of generated puzzle types: any size, boxes or irregular regions, shaded diagonals
// and killer cages, each drawn in the square a classic grid of the same layout takes.

#include "book/BookLayout.h"
#include "book/VariantBook.h"
#include "gq/Error.h"
#include "report/RenderDevice.h"
#include "report/RepItems.h"
#include "report/RepProject.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace gq::book
{

using report::TRepHLine;
using report::TRepPage;
using report::TRepText;
using report::TRepVLine;

namespace
{

/// The diagonals' shade: a light grey that leaves digits on it as legible as elsewhere.
constexpr report::TColor kDiagonalShade = 0x00D9D9D9;
/// Digits fill this share of their cell's height (points over points); killer digits less,
/// leaving the cage sum its corner.
constexpr double kDigitShare = 0.55;
constexpr double kKillerDigitShare = 0.45;
/// Killer digits sit at least this share of a cell below its centre, away from the sum.
constexpr double kKillerDigitDrop = 0.08;
/// Cage outlines run this share of a cell inside its edges; dashes and gaps as shares too.
constexpr double kCageInset = 0.12;
constexpr double kDashLength = 0.12;
constexpr double kDashGap = 0.08;
/// Cage sums: their size as a share of a cell, never under kSmallestSum points, and the room
/// between a sum and its outline or its cell's digit, inches (1 pt).
constexpr double kSumShare = 0.24;
constexpr int kSmallestSum = 6;
constexpr double kSumClearance = 1.0 / 72;
/// The face's digits are this wide, ems.
constexpr double kDigitAdvance = 0.556;

double Pixels(double inches) { return inches * report::TRenderDevice::kDpi; }

} // namespace

void TBookLayout::AddVariantGrid(const GridBlock& b, const variant::Puzzle& puzzle, bool answer)
{
    TRepPage& page = *b.Page;
    const TPageTransform& f = b.Frame;
    const variant::Shape& shape = puzzle.Grid;
    const int size = shape.Size;
    const double cell = 9 * b.C / size;
    auto at = [size](int row, int column) { return row * size + column; };

    // The diagonals' shade first, under the lines and digits: each cell filled by two strokes of
    // half its height, whose square caps reach its sides.
    if (shape.Diagonals)
        for (int row = 0; row < size; ++row)
            for (int column : {row, size - 1 - row})
                for (double share : {0.25, 0.75}) {
                    auto* stroke = page.AddChildControl<TRepHLine>();
                    stroke->SetLeft(f.X(b.X0 + (column + 0.25) * cell));
                    stroke->SetWidth(f.Length(cell / 2));
                    stroke->SetTop(f.Y(b.Y0 + (row + share) * cell));
                    stroke->SetLineWidth(Pixels(f.Length(cell / 2)));
                    stroke->SetColor(kDiagonalShade);
                }

    // Thin lines between all cells, then thick ones round the grid and wherever two cells of
    // different boxes or regions meet, joined into runs.
    const int thin = LineWidth(false, b.Large);
    const int thick = LineWidth(true, b.Large);
    auto hline = [&](int row, int from, int to, int width) {
        auto* line = page.AddChildControl<TRepHLine>();
        line->SetLeft(f.X(b.X0 + from * cell));
        line->SetWidth(f.Length((to - from) * cell));
        line->SetTop(f.Y(b.Y0 + row * cell));
        line->SetLineWidth(width);
    };
    auto vline = [&](int column, int from, int to, int width) {
        auto* line = page.AddChildControl<TRepVLine>();
        line->SetLeft(f.X(b.X0 + column * cell));
        line->SetTop(f.Y(b.Y0 + from * cell));
        line->SetHeight(f.Length((to - from) * cell));
        line->SetLineWidth(width);
    };
    for (int i = 1; i < size; ++i) {
        hline(i, 0, size, thin);
        vline(i, 0, size, thin);
    }
    for (int i = 1; i < size; ++i)
        for (int run = 0; run < size;) {
            // Between rows i - 1 and i, and between columns i - 1 and i.
            const bool h = shape.RegionOf(at(i - 1, run)) != shape.RegionOf(at(i, run));
            int end = run + 1;
            while (end < size &&
                   (shape.RegionOf(at(i - 1, end)) != shape.RegionOf(at(i, end))) == h)
                ++end;
            if (h)
                hline(i, run, end, thick);
            run = end;
        }
    for (int i = 1; i < size; ++i)
        for (int run = 0; run < size;) {
            const bool v = shape.RegionOf(at(run, i - 1)) != shape.RegionOf(at(run, i));
            int end = run + 1;
            while (end < size &&
                   (shape.RegionOf(at(end, i - 1)) != shape.RegionOf(at(end, i))) == v)
                ++end;
            if (v)
                vline(i, run, end, thick);
            run = end;
        }
    for (int edge : {0, size}) {
        hline(edge, 0, size, thick);
        vline(edge, 0, size, thick);
    }
    // An answer is the filled grid: its cages, which only lead to it, are left out, and its
    // digits take the whole cell.
    const bool cages = !shape.Cages.empty() && !answer;
    const TCellPlaces places = CellPlaces(b, cell, cages);
    if (cages)
        AddCages(b, puzzle, cell, places);

    // The digits, centred in their cells; the givens of an answer (and of a bold-givens book's
    // puzzles) bold.
    const int digitSize = places.DigitPoints;
    const bool boldGivens = answer ? m_printReady : m_boldGivens;
    const std::vector<int>& digits = answer ? puzzle.Solution : puzzle.Givens;
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column) {
            const int digit = digits[static_cast<std::size_t>(at(row, column))];
            if (digit == 0)
                continue;
            auto* text = page.AddChildControl<TRepText>("TitleText");
            text->SetText(std::string(1, variant::DigitChar(digit)));
            text->SetLeft(f.X(b.X0 + column * cell) + places.DigitX - 0.5);
            text->SetWidth(1);
            text->SetTop(f.Y(b.Y0 + row * cell) + places.DigitY - kDigitInkCentre * digitSize / 72);
            text->SetFontSize(digitSize);
            if (m_printReady)
                text->SetFontName(m_fontName);
            if (boldGivens && puzzle.Givens[static_cast<std::size_t>(at(row, column))] != 0) {
                report::TRepFont font = text->Font();
                font.Bold = true;
                text->SetFont(font);
            }
            text->SetFontJustify(report::TPrintJustify::pjCenter);
        }
}

TBookLayout::TCellPlaces TBookLayout::CellPlaces(const GridBlock& b, double cell, bool killer)
{
    const TPageTransform& f = b.Frame;
    const double side = f.Length(cell);
    TCellPlaces places;
    places.DigitX = side / 2;
    places.DigitY = side / 2;
    if (!killer) {
        places.DigitPoints = FontSize(static_cast<int>(side * 72 * kDigitShare), 1.0);
        return places;
    }
    // The sum in the corner inside the outline, the digit beside it: a cell too narrow for
    // both at the least sizes is refused rather than printed with a digit over a sum or a line.
    const double edge =
        f.Length(kCageInset * cell) + LineWidth(false, b.Large) / 2.0 / report::TRenderDevice::kDpi;
    places.SumPoints =
        std::max(FontSize(static_cast<int>(side * 72 * kSumShare), 1.0), kSmallestSum);
    m_smallestText = std::min(m_smallestText, places.SumPoints);
    places.SumLeft = places.SumTop = edge + kSumClearance;
    const double sumRight = places.SumLeft + 2 * kDigitAdvance * places.SumPoints / 72;
    const double room = side - edge - kSumClearance - (sumRight + kSumClearance);
    const int wanted = static_cast<int>(side * 72 * kKillerDigitShare);
    const int beside = std::min(wanted, static_cast<int>(room * 72 / kDigitAdvance));
    places.DigitY = side / 2 + f.Length(kKillerDigitDrop * cell);
    if (beside <= 0 || FontSize(beside, 1.0) != beside) {
        // The least cell that holds both: two sum digits and one digit of the least size
        // between the outlines, all clear of each other.
        const int least = FontSize(std::max(beside, 1), 1.0);
        const double share = 1 - 2 * kCageInset; // of a cell, between its outlines
        const double need = (side * share - room + kDigitAdvance * least / 72) / share;
        char sizes[64];
        std::snprintf(sizes, sizeof sizes, "%.2f in wide, not %.2f", std::ceil(need * 100) / 100,
                      std::floor(side * 100) / 100);
        throw Error(std::string("the killer cells of these pages are too small for a cage sum "
                                "beside a digit: they need to be ") +
                    sizes + "; put fewer puzzles or answers on a page or choose a larger paper");
    }
    places.DigitPoints = beside;
    places.DigitX = std::max(side / 2, sumRight + kSumClearance + kDigitAdvance * beside / 72 / 2);
    return places;
}

void TBookLayout::AddCages(const GridBlock& b, const variant::Puzzle& puzzle, double cell,
                           const TCellPlaces& places)
{
    TRepPage& page = *b.Page;
    const TPageTransform& f = b.Frame;
    const variant::Shape& shape = puzzle.Grid;
    const int size = shape.Size;
    std::vector<int> cageOf(static_cast<std::size_t>(shape.CellCount()), -1);
    for (std::size_t c = 0; c < shape.Cages.size(); ++c)
        for (int index : shape.Cages[c].Cells)
            cageOf[static_cast<std::size_t>(index)] = static_cast<int>(c);
    auto inCage = [&](int row, int column, int cage) {
        return row >= 0 && row < size && column >= 0 && column < size &&
               cageOf[static_cast<std::size_t>(row * size + column)] == cage;
    };
    const int pen = LineWidth(false, b.Large);
    const double halfPen = pen / 2.0 / report::TRenderDevice::kDpi / f.Scale; // layout inches
    const double inset = kCageInset * cell;
    // A dashed stroke from (x1, y1) to (x2, y2), layout inches, along one axis: dashes of
    // about kDashLength cells, one at each end, their square caps inside the stroke's ends.
    auto dashes = [&](double x1, double y1, double x2, double y2) {
        const double length = std::abs(x2 - x1) + std::abs(y2 - y1);
        const double dash = kDashLength * cell, gap = kDashGap * cell;
        const int count = std::max(1, static_cast<int>(std::lround((length + gap) / (dash + gap))));
        const double each = (length - (count - 1) * gap) / count;
        for (int i = 0; i < count; ++i) {
            const double from = i * (each + gap) + halfPen;
            const double to = from + each - 2 * halfPen;
            if (to <= from)
                continue;
            if (y1 == y2) {
                auto* line = page.AddChildControl<TRepHLine>();
                line->SetLeft(f.X(std::min(x1, x2) + from));
                line->SetWidth(f.Length(to - from));
                line->SetTop(f.Y(y1));
                line->SetLineWidth(pen);
            } else {
                auto* line = page.AddChildControl<TRepVLine>();
                line->SetLeft(f.X(x1));
                line->SetTop(f.Y(std::min(y1, y2) + from));
                line->SetHeight(f.Length(to - from));
                line->SetLineWidth(pen);
            }
        }
    };
    // Each cell edge that borders another cage gets a stroke `inset` inside it. Along the edge
    // it stops `inset` short of a corner where the cage turns away, meets its neighbour's stroke
    // where the cage goes straight on, and reaches `inset` past the corner where the cage turns
    // round it (an inner corner).
    const int directions[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}}; // (row, column) steps
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column) {
            const int cage = cageOf[static_cast<std::size_t>(row * size + column)];
            const double cx = b.X0 + (column + 0.5) * cell, cy = b.Y0 + (row + 0.5) * cell;
            for (const auto& d : directions) {
                if (inCage(row + d[0], column + d[1], cage))
                    continue;
                const int tr = d[1], tc = d[0]; // along the edge
                auto reach = [&](int sign) {
                    if (!inCage(row + sign * tr, column + sign * tc, cage))
                        return cell / 2 - inset;
                    if (!inCage(row + sign * tr + d[0], column + sign * tc + d[1], cage))
                        return cell / 2;
                    return cell / 2 + inset;
                };
                const double out = cell / 2 - inset;
                const double ex = cx + d[1] * out, ey = cy + d[0] * out;
                const double back = reach(-1), ahead = reach(1);
                dashes(ex - tc * back, ey - tr * back, ex + tc * ahead, ey + tr * ahead);
            }
        }
    // Each sum in the top-left cell of its cage (the first in reading order), inside the outline.
    for (const variant::Cage& cage : shape.Cages) {
        const int first = *std::ranges::min_element(cage.Cells);
        auto* text = page.AddChildControl<TRepText>("TitleText");
        text->SetText(std::to_string(cage.Sum));
        text->SetLeft(f.X(b.X0 + (first % size) * cell) + places.SumLeft);
        text->SetTop(f.Y(b.Y0 + (first / size) * cell) + places.SumTop);
        text->SetWidth(f.Length(cell / 2));
        text->SetFontSize(places.SumPoints);
        if (m_printReady)
            text->SetFontName(m_fontName);
        text->SetFontJustify(report::TPrintJustify::pjLeft);
    }
}

} // namespace gq::book
