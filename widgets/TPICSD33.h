#pragma once

#include "puzzle/Candidates.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace gq::widgets
{

/// 32-bit colour 0x00BBGGRR.
using TColor = std::uint32_t;

constexpr TColor RGB(int r, int g, int b)
{
    return static_cast<TColor>(r) | static_cast<TColor>(g) << 8 | static_cast<TColor>(b) << 16;
}

/// A panel's display state: position and size in pixels, caption, colours, font.
class Tmousepanel
{
  public:
    virtual ~Tmousepanel() = default;

    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool Visible = true;
    std::string Caption;
    TColor Color = 0;
    TColor FontColor = 0;
    int FontSize = 8;

    std::function<void(Tmousepanel&)> OnMouseEnter;
    std::function<void(Tmousepanel&)> OnMouseLeave;

    /// Called by a view when the pointer enters or leaves; forwards to the events when assigned.
    void MouseEnter();
    void MouseLeave();
};

/// Cell state: a given, the state as constructed, an open cell.
enum TCellState : std::int32_t
{
    csGiven = 1,
    csInitial = 2,
    csOpen = 3
};

/// One cell of the grid control, 46 x 46 pixels, with nine 13 x 13 pencil-digit panels in keypad
/// order (1 2 3 on top).
class TPicNode : public Tmousepanel
{
  public:
    TPicNode();

    std::array<Tmousepanel, 10> Marks; ///< pencil-digit panels 1..9; index 0 is unused
    int Row = 0;
    int Col = 0;
    std::string Text;   ///< one digit for a given, a candidate list for an open cell, or empty
    bool Error = false; ///< marked as wrong
    std::int32_t State = csInitial;

    void setcolor(TColor color);
    void setFontSize(int size);
    void setFontColor(TColor color);
    void Hide();
    void Show();
    /// Shows panel n exactly when the digit n occurs in Text.
    void showhxs();
};

/// The 9 x 9 grid control. The book flow uses it as a store of cell states and texts; its layout
/// and display state follow the same rules a drawn control would show.
class TPICSD33
{
  public:
    TPICSD33();

    // Display settings (docs/names.md explains the short names). RefreshCells reads them; the
    // book never calls it, so none of them reaches a page.
    TColor UNFoucsColor1 = RGB(255, 255, 255); ///< background of odd-numbered boxes
    TColor UNFoucsColor2 = 16759739;           ///< background of even-numbered boxes
    int FONTSize1 = 25;                        ///< a given
    TColor FONTColor1 = 0;
    int FONTSize2 = 25; ///< a one-digit Text in a cell that is not a given
    TColor FONTColor2 = RGB(0, 0, 255);
    int FONTSize3 = 12; ///< pencil digits
    TColor FONTColor3 = 128;
    TColor errorcolor = 732916; ///< background of a cell with Error set

    // Settings the main window gives the control and no operation reads.
    TColor FoucsColor1 = 12043517;
    TColor FoucsColor2 = 14538713;
    int nd = 0;
    TColor highcolor = 11654065;
    bool autotranzt = false;

    int Width = 422;
    int Height = 422;
    TColor Color = 0;
    bool Enabled = true; ///< set by the book after filling the control; nothing reads it

    TPicNode& Cell(int row, int col) { return *Cells[row][col]; }
    const TPicNode& Cell(int row, int col) const { return *Cells[row][col]; }

    /// Cells indexed [row][col] from 1, owned by the control; index 0 is unused.
    std::array<std::array<std::unique_ptr<TPicNode>, 10>, 10> Cells;

    /// Places the cells: 46-pixel cells with 2-pixel gaps at the edge and between boxes.
    void LayoutCells();
    /// Sets every cell's colours, fonts, caption and pencil digits from State, Text and Error.
    void RefreshCells();
    /// Hides the pencil digits of every cell whose Text is not exactly one character.
    void HideMarks();
    /// Text of every State 1 cell, '0' for every other cell, in row-major order.
    std::string GetPuzzleString() const;
    /// Candidate list of cell (row, col) by puzzle::CandidateList: the digits 1..9 that no peer
    /// holds, where a cell outside State 3 whose Text is one digit 1..9 counts as a given (so
    /// such a cell itself yields every digit but its own). The book asks only for open cells.
    std::string GetCellCandidates(int row, int col) const;
    /// The digits of the cells that are not open (givens and filled cells holding one digit),
    /// 0 elsewhere: what GetCellCandidates reads.
    puzzle::GivenDigits FixedDigits() const;

    /// Sets the colours and fonts the main window's grid control uses.
    void ApplyMainWindowSettings();
};

} // namespace gq::widgets
