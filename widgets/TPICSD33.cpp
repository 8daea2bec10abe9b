#include "widgets/TPICSD33.h"

#include "puzzle/Candidates.h"
#include "puzzle/Grid.h"

namespace gq::widgets
{

using puzzle::BoxOf;

void Tmousepanel::MouseEnter()
{
    if (OnMouseEnter)
        OnMouseEnter(*this);
}

void Tmousepanel::MouseLeave()
{
    if (OnMouseLeave)
        OnMouseLeave(*this);
}

TPicNode::TPicNode()
{
    Width = 46;
    Height = 46;
    Caption.assign(1, ' ');
    for (int n = 1; n <= 9; ++n) {
        Tmousepanel& mark = Marks[n];
        mark.Width = 13;
        mark.Height = 13;
        mark.FontColor = 128;
        mark.Caption = std::string(1, static_cast<char>('0' + n));
        mark.Left = 2 + 14 * ((n - 1) % 3);
        mark.Top = 2 + 14 * ((n - 1) / 3);
    }
}

void TPicNode::setcolor(TColor color)
{
    for (int n = 1; n <= 9; ++n)
        Marks[n].Color = color;
}

void TPicNode::setFontSize(int size)
{
    for (int n = 1; n <= 9; ++n)
        Marks[n].FontSize = size;
}

void TPicNode::setFontColor(TColor color)
{
    for (int n = 1; n <= 9; ++n)
        Marks[n].FontColor = color;
}

void TPicNode::Hide()
{
    for (int n = 1; n <= 9; ++n)
        Marks[n].Visible = false;
}

void TPicNode::Show()
{
    for (int n = 1; n <= 9; ++n)
        Marks[n].Visible = true;
}

void TPicNode::showhxs()
{
    for (int n = 1; n <= 9; ++n)
        Marks[n].Visible = Text.find(static_cast<char>('0' + n)) != std::string::npos;
}

TPICSD33::TPICSD33()
{
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            auto cell = std::make_unique<TPicNode>();
            cell->Error = false;
            cell->State = csInitial;
            cell->Row = row;
            cell->Col = col;
            cell->Color = BoxOf(row, col) % 2 == 0 ? UNFoucsColor2 : UNFoucsColor1;
            Cells[row][col] = std::move(cell);
        }
    LayoutCells();
    RefreshCells();
}

void TPICSD33::ApplyMainWindowSettings()
{
    FoucsColor1 = 12043517;
    UNFoucsColor1 = RGB(255, 255, 255);
    FoucsColor2 = 16747403;
    UNFoucsColor2 = 16747403;
    FONTSize1 = 20;
    FONTSize2 = 20;
    FONTSize3 = 10;
    FONTColor1 = 0;
    FONTColor2 = RGB(0, 0, 255);
    FONTColor3 = 13238272;
    nd = 0;
    errorcolor = 239;
    highcolor = 9813909;
    autotranzt = true;
}

void TPICSD33::LayoutCells()
{
    auto edge = [](int index) {
        return (index - 1) * 46 + 2 + (index > 3 ? 2 : 0) + (index > 6 ? 2 : 0);
    };
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            TPicNode& cell = Cell(row, col);
            cell.Width = 46;
            cell.Height = 46;
            cell.Left = edge(col);
            cell.Top = edge(row);
            cell.Row = row;
            cell.Col = col;
        }
}

void TPICSD33::RefreshCells()
{
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            TPicNode& cell = Cell(row, col);
            if (cell.Error)
                cell.Color = errorcolor;
            else
                cell.setcolor(BoxOf(row, col) % 2 == 0 ? UNFoucsColor2 : UNFoucsColor1);

            if (cell.State == csGiven) {
                cell.Hide();
                cell.Caption = cell.Text;
                cell.FontSize = FONTSize1;
                cell.FontColor = FONTColor1;
            } else if (cell.Text.size() == 1) {
                cell.Hide();
                cell.Caption = cell.Text;
                cell.FontSize = FONTSize2;
                cell.FontColor = FONTColor2;
            } else {
                cell.Caption.clear();
                cell.setFontSize(FONTSize3);
                cell.setFontColor(FONTColor3);
                cell.showhxs();
            }
        }
}

void TPICSD33::HideMarks()
{
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col)
            if (Cell(row, col).Text.size() != 1)
                Cell(row, col).Hide();
}

std::string TPICSD33::GetPuzzleString() const
{
    std::string result;
    result.reserve(81);
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            const TPicNode& cell = Cell(row, col);
            if (cell.State == csGiven)
                result += cell.Text;
            else
                result += '0';
        }
    return result;
}

puzzle::GivenDigits TPICSD33::FixedDigits() const
{
    puzzle::GivenDigits givens{};
    for (int r = 1; r <= 9; ++r)
        for (int c = 1; c <= 9; ++c)
            if (const TPicNode& cell = Cell(r, c); cell.State != csOpen && cell.Text.size() == 1 &&
                                                   cell.Text[0] >= '1' && cell.Text[0] <= '9')
                givens[puzzle::CellIndex(r, c)] = static_cast<std::uint8_t>(cell.Text[0] - '0');
    return givens;
}

std::string TPICSD33::GetCellCandidates(int row, int col) const
{
    return puzzle::CandidateList(FixedDigits(), row, col);
}

} // namespace gq::widgets
