#pragma once

#include "book/BookMaker.h"
#include "book/BookSettings.h"
#include "puzzle/PuzzleBatch.h"
#include "puzzle/TQJ.h"

#include <string>
#include <string_view>

namespace gq::report
{
class TRepPage;
class TRepProjectManager;
} // namespace gq::report

namespace gq::book
{

/// RoundUp(x) for x >= 0: x truncated toward zero, plus one when that lost a fraction.
int RoundUp(double x);

/// The character at position (x - 1) * 9 + y of `text` (from 1), or "" where it is '0' or the
/// text is too short. x is the printed grid's column, y its row.
std::string CellText(std::string_view text, int x, int y);

/// The page title's level text: the caption of the chosen level ("Hard Sudoku", ...).
std::string BookTitle(const TBookSettings& settings);

/// The parameters of one printed grid, in inches (S in points).
struct GridBlock
{
    report::TRepPage* Page = nullptr;
    double X0 = 0;
    double Y0 = 0;
    double C = 0;  ///< cell size
    double TL = 0; ///< Left of the text items of grid column 1
    double TT = 0; ///< Top of the text items of grid row 1
    int S = 0;
    std::string_view Source; ///< the PuzzleString or SolutionString printed
    bool Candidates = false;
};

/// Fills the pages of a book's report: puzzle pages in the chosen layout, then answer pages.
/// The pages "Report1.Page1".."Report1.Page<Q + R>" must exist.
class TBookLayout
{
  public:
    TBookLayout(report::TRepProjectManager& project, puzzle::TQJ& QJ1,
                const puzzle::TPuzzleBatch& batch, const TBookSettings& settings,
                IBookProgress& progress);

    void LayoutPuzzlePages();
    void LayoutAnswerPages();

    /// Adds the 20 lines and 81 text items of one grid.
    void AddGridBlock(const GridBlock& block);
    void AddPageTitle(report::TRepPage& page);

  private:
    /// Looks the page up by its full name and sets its WasteFit.
    report::TRepPage& SetUpPage(int number);
    void AddText(report::TRepPage& page, std::string_view text, double left, double top, int size);
    void AddLabel(report::TRepPage& page, int number, double left, double top, int size);
    void ShowProgress(int value);

    report::TRepProjectManager& m_project;
    puzzle::TQJ& m_qj;
    const puzzle::TPuzzleBatch& m_batch;
    IBookProgress& m_progress;
    int m_perPage;
    int m_pages;
    bool m_candidates;
    std::string m_title;
};

} // namespace gq::book
