#include "book/BookLayout.h"

#include "book/Publisher.h"
#include "gq/Error.h"
#include "puzzle/Levels.h"
#include "report/RepItems.h"
#include "report/RepProject.h"

#include <cstdint>

namespace gq::book
{

using report::TRepHLine;
using report::TRepPage;
using report::TRepText;
using report::TRepVLine;

namespace
{

/// Grid positions of the four-per-page layout, also used by the answer pages: top left,
/// top right, bottom left, bottom right.
struct QuarterPosition
{
    double X0, Y0, TL, TT, LabelLeft, LabelTop;
};

constexpr double kQuarterCell = 0.4;
constexpr QuarterPosition kQuarters[4] = {
    {0.5, 0.79 + 0.8, 0.2, 0.82 + 0.8, 0.5, 1.2},
    {0.5 + 10 * kQuarterCell, 0.79 + 0.8, 0.2 + 10 * kQuarterCell, 0.82 + 0.8, 10 * 0.4 + 0.5, 1.2},
    {0.5, 0.79 + 1.2 + 10 * kQuarterCell, 0.2, 0.82 + 1.2 + 10 * kQuarterCell, 0.5, 5.6},
    {0.5 + 10 * kQuarterCell, 0.79 + 1.2 + 10 * kQuarterCell, 0.2 + 10 * kQuarterCell,
     0.82 + 1.2 + 10 * kQuarterCell, 10 * 0.4 + 0.5, 5.6},
};

GridBlock QuarterGrid(TRepPage& page, int position, std::string_view source)
{
    const QuarterPosition& at = kQuarters[position - 1];
    return {&page, at.X0, at.Y0, kQuarterCell, at.TL, at.TT, 18, source, false};
}

} // namespace

int RoundUp(double x)
{
    auto t = static_cast<std::int64_t>(x);
    return static_cast<int>(static_cast<double>(t) == x ? t : t + 1);
}

std::string CellText(std::string_view text, int x, int y)
{
    std::size_t position = static_cast<std::size_t>((x - 1) * 9 + y);
    if (position < 1 || position > text.size() || text[position - 1] == '0')
        return {};
    return std::string(1, text[position - 1]);
}

int BookPageCount(const TBookSettings& settings)
{
    int puzzles = static_cast<std::int16_t>(settings.PageCount) * settings.PuzzlesPerPage;
    return settings.PageCount + RoundUp(static_cast<double>(puzzles) / 4);
}

std::string BookTitle(const TBookSettings& settings)
{
    return std::string(puzzle::Levels().at(static_cast<std::size_t>(settings.LevelIndex)).Caption);
}

TBookLayout::TBookLayout(report::TRepProjectManager& project, puzzle::TQJ& QJ1,
                         const puzzle::TPuzzleBatch& batch, const TBookSettings& settings,
                         IBookProgress& progress)
    : m_project(project), m_qj(QJ1), m_batch(batch), m_progress(progress),
      m_perPage(settings.PuzzlesPerPage), m_pages(static_cast<std::int16_t>(settings.PageCount)),
      m_candidates(settings.Candidates), m_title(BookTitle(settings) + " by Gridquill")
{}

void TBookLayout::ShowProgress(int value)
{
    m_progress.SetProgress(value);
    m_progress.Repaint();
}

TRepPage& TBookLayout::SetUpPage(int number)
{
    auto* page =
        dynamic_cast<TRepPage*>(m_project.FindByPath("Report1.Page" + std::to_string(number)));
    if (!page)
        throw Error("the book's page " + std::to_string(number) + " is missing from its report");
    page->WasteFit = true;
    return *page;
}

void TBookLayout::AddText(TRepPage& page, std::string_view text, double left, double top, int size)
{
    auto* item = page.AddChildControl<TRepText>("TitleText");
    item->SetText(text);
    item->SetLeft(left);
    item->SetTop(top);
    item->Font().Size = size;
    item->Font().Name = "Arial";
}

void TBookLayout::AddPageTitle(TRepPage& page) { AddText(page, m_title, 5.4, 0.6, 12); }

void TBookLayout::AddLabel(TRepPage& page, int number, double left, double top, int size)
{
    AddText(page, "Sudoku #" + std::to_string(number), left, top, size);
}

void TBookLayout::AddGridBlock(const GridBlock& b)
{
    TRepPage& page = *b.Page;
    for (int i = 1; i <= 10; ++i) {
        auto* line = page.AddChildControl<TRepHLine>();
        line->SetLeft(b.X0);
        line->SetWidth(9 * b.C);
        line->SetLineWidth((i - 1) % 3 == 0 ? 10 : 5);
        line->SetTop(b.Y0 + (i - 1) * b.C);
    }
    for (int j = 1; j <= 10; ++j) {
        auto* line = page.AddChildControl<TRepVLine>();
        line->SetTop(b.Y0);
        line->SetHeight(9 * b.C);
        line->SetLineWidth((j - 1) % 3 == 0 ? 10 : 5);
        line->SetLeft(b.X0 + (j - 1) * b.C);
    }
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            auto* text = page.AddChildControl<TRepText>("TitleText");
            text->SetLeft(b.TL + (x - 1) * b.C);
            text->SetTop(b.TT + (y - 1) * b.C);
            text->Font().Size = b.S;
            text->SetFontJustify(report::TPrintJustify::pjCenter);
            std::string digit = CellText(b.Source, x, y);
            if (!b.Candidates || !digit.empty()) {
                text->SetText(digit);
            } else {
                text->Font().Size = 12;
                m_qj.LoadPuzzleString(b.Source);
                text->SetText(m_qj.GetCandidates(x, y));
            }
            text->SetWidth(1);
        }
}

void TBookLayout::LayoutPuzzlePages()
{
    const int Q = m_pages;
    const std::string_view footer = kPublisherWebAddress;
    if (m_perPage == 1) {
        for (int q = 1; q <= Q; ++q) {
            ShowProgress(q * 30 / Q);
            const std::string& puzzle = m_batch.Puzzles[q];
            TRepPage& page = SetUpPage(q);
            AddPageTitle(page);
            AddLabel(page, q, 2 * 0.84 + 1.5, 1.4, 28);
            AddGridBlock(
                {&page, 0.5, 0.79 + 1.2, 0.84, 0.46, 0.99 + 1.2, 25, puzzle, m_candidates});
            AddText(page, footer, 6 * 0.84 + 1.2, 9 * 0.84 + 0.8 + 1.2, 12);
        }
    } else if (m_perPage == 2) {
        constexpr double c = 0.48;
        for (int q = 1; q <= Q; ++q) {
            ShowProgress(q * 30 / Q);
            TRepPage& upper = SetUpPage(q);
            AddPageTitle(upper);
            AddLabel(upper, 2 * q - 1, 3.5, 1.0, 18);
            AddGridBlock({&upper, 2.0, 0.79 + 0.6, c, 2.0 - 0.25, 0.82 + 0.6, 20,
                          m_batch.Puzzles[2 * q - 1], false});
            TRepPage& lower = SetUpPage(q);
            AddLabel(lower, 2 * q, 3.5, 5.9, 18);
            AddGridBlock({&lower, 2.0, 0.79 + 0.7 + 10 * c, c, 2.0 - 0.25,
                          0.95 + 0.7 - 0.1 + 10 * c, 20, m_batch.Puzzles[2 * q], false});
            AddText(lower, footer, 3.3, 19 * c + 0.8 + 0.7, 12);
        }
    } else {
        for (int k = 1; k <= 4; ++k)
            for (int q = 1; q <= Q; ++q) {
                if (k == 1)
                    ShowProgress(q * 30 / Q);
                TRepPage& page = SetUpPage(q);
                if (k == 1)
                    AddPageTitle(page);
                const QuarterPosition& at = kQuarters[k - 1];
                AddLabel(page, 4 * q - 4 + k, at.LabelLeft, at.LabelTop, 18);
                AddGridBlock(QuarterGrid(page, k, m_batch.Puzzles[4 * q - 4 + k]));
                if (k == 4)
                    AddText(page, footer, 6.3, 1.2 + 8.5, 12);
            }
    }
}

void TBookLayout::LayoutAnswerPages()
{
    const int Q = m_pages;
    const int R = RoundUp(static_cast<double>(m_perPage * Q) / 4);
    for (int k = 1; k <= 4; ++k)
        for (int a = 1; a <= R; ++a) {
            if (k == 1)
                ShowProgress((Q + a) * 30 / Q);
            TRepPage& page = SetUpPage(Q + a);
            if (k == 1) {
                AddPageTitle(page);
                AddText(page, "Answers", 0.5, 0.6, 18);
            }
            const QuarterPosition& at = kQuarters[k - 1];
            int n = 4 * a - 4 + k;
            AddLabel(page, n, at.LabelLeft, at.LabelTop, 18);
            AddGridBlock(QuarterGrid(
                page, k, n <= puzzle::TPuzzleBatch::kCapacity ? m_batch.Solutions[n] : ""));
            if (k == 4)
                AddText(page, kPublisherWebAddress, 6.3, 1.2 + 8.5, 12);
        }
}

} // namespace gq::book
