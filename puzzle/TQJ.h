#pragma once

#include "puzzle/Random.h"

#include <array>
#include <string>
#include <string_view>

namespace gq::puzzle
{

/// One cell of the grid model.
struct TNode
{
    int Row = 0;        ///< the cell's own row 1..9 once a bank entry was read, else 0
    int Col = 0;        ///< the cell's own column, likewise
    int Value = 0;      ///< digit 1..9, or 0 for none
    bool Given = false; ///< the digit is a clue of the puzzle
};

/// The raw draws of one shuffle move, before the adjustments that make x and y (and the two
/// digits) differ: kind 1..7, x 1..3, y 1..2, and for kind 7 the digits d1, d2 1..9.
struct ShuffleMove
{
    int Kind = 1;
    int X = 1;
    int Y = 1;
    int D1 = 1;
    int D2 = 1;
};

/// The grid model: the one puzzle being made. Cells never change identity; moves exchange their
/// contents. Uses the generator it was given for `Shuffle` (which must outlive the model).
class TQJ
{
  public:
    explicit TQJ(TRandom& random);

    /// Cells indexed [row][col] from 1; index 0 is unused.
    std::array<std::array<TNode, 10>, 10> Nodes{};

    TNode& Node(int row, int col) { return Nodes[row][col]; }
    const TNode& Node(int row, int col) const { return Nodes[row][col]; }

    /// Sets every Value to 0; Given, Row and Col stay.
    void ClearValues();

    /// Reads a PuzzleString ('1'..'9' given, '0' open) after trimming characters <= ' ' from both
    /// ends. Any other length only clears the values. Throws gq::Error on a character that is not
    /// a decimal digit; cells read before it keep their new contents.
    void LoadPuzzleString(std::string_view text);

    /// The 81 values as digits in row-major order, or "" when any value is outside 1..9.
    std::string GetSolutionString() const;

    /// Reads a BankLine (ParseBankLine, puzzle/BankLine.h: 81 characters, '1'..'9' a given,
    /// 'A'..'I' an open cell whose solution is 1..9), sets every cell's Row and Col, then
    /// shuffles by 200 moves. Throws gq::Error naming the fault when the line is refused; the
    /// cells are then left as they were and no shuffle takes place.
    void LoadBankLine(std::string_view text);

    /// Reseeds the generator, then applies `moves` random symmetry moves (none when below 1).
    void Shuffle(int moves);

    /// Makes the draws of one move in their fixed order: Random(7), Random(3), Random(2), and for
    /// kind 7 Random(9) twice.
    static ShuffleMove DrawShuffleMove(TRandom& random);

    /// Applies one move given by its raw draws.
    void ApplyShuffleMove(const ShuffleMove& move);

    /// Candidate list of cell (row, col) by CandidateList (puzzle/Candidates.h): the digits 1..9,
    /// ascending, that no given peer holds; for a given cell every digit but its own. Only cells
    /// with Given set and a Value 1..9 rule digits out; open cells' values are ignored.
    std::string GetCandidates(int row, int col) const;

  private:
    void SwapCells(int row1, int col1, int row2, int col2);

    TRandom& m_random;
};

} // namespace gq::puzzle
