#pragma once

#include "book/BookSettings.h"
#include "puzzle/PuzzleBank.h"
#include "puzzle/PuzzleBatch.h"
#include "puzzle/Random.h"
#include "puzzle/TQJ.h"
#include "widgets/TPICSD33.h"

#include <cstdint>
#include <optional>
#include <string>

namespace gq::book
{

/// Makes the puzzles of a book: draws from the bank into the grid model, copies the result into
/// the grid control and stores puzzle and solution texts in the batch. Holds references only;
/// the bank, generator, model and control must outlive it.
class TPuzzleMaker
{
  public:
    TPuzzleMaker(const puzzle::TPuzzleBank& bank, puzzle::TRandom& random, puzzle::TQJ& QJ1,
                 widgets::TPICSD33& sd991);

    /// Fills batch entries 1..PageCount * PuzzlesPerPage for the settings' level, each from a
    /// different bank entry: from the level's whole list, or from the block of the settings'
    /// volume. Every other entry is left empty. Throws gq::Error when the level offers no such
    /// volume, when the list cannot give that many different entries, or when a bank entry
    /// cannot be read; the entries made before it stay.
    /// With sections, BuildSectionBatch's.
    void BuildPuzzleBatch(const TBookSettings& settings, puzzle::TPuzzleBatch& batch);

    /// Fills batch entries 1..BookPuzzleCount(settings) with the puzzles of the settings'
    /// sections, section after section, each from its level's list or the block of the settings'
    /// volume. Within a section the puzzles rise in difficulty (TBookDraw::NextByDifficulty), and
    /// no bank entry comes twice into the book, also where two levels share a list
    /// (TBookDraws). Throws gq::Error as BuildPuzzleBatch does.
    void BuildSectionBatch(const TBookSettings& settings, puzzle::TPuzzleBatch& batch);

    /// Make-one-puzzle handlers, one per LevelCode 1..5 (lists tk0..tk4).
    void nd1Click() { MakePuzzle(1); }
    void nd2Click() { MakePuzzle(2); }
    void nd3Click() { MakePuzzle(3); }
    void nd4Click() { MakePuzzle(4); }
    void nd5Click() { MakePuzzle(5); }
    /// Makes one puzzle of LevelCode 1..5 by the plain draw, which remembers nothing.
    void MakePuzzle(int levelCode);

    /// Clears the model's values and opens every cell of the grid control with an empty text.
    void ClearPuzzle();

    /// Copies the model into the grid control: givens as State 1 with their digit, other cells
    /// State 3 (with their candidate lists when showCandidates is set).
    void FillGridControl(bool showCandidates);

    /// The label text of the level whose puzzle was made last ("  Level:Gentle", ...).
    const std::string& ndtxt() const { return m_ndtxt; }

  private:
    /// Makes one puzzle, drawn by `draw` when given, else by the plain draw.
    void MakePuzzle(int levelCode, puzzle::TBookDraw* draw);

    /// Shows the model just loaded in the grid control, with the label of `levelCode`.
    void ShowPuzzle(int levelCode);

    const puzzle::TPuzzleBank& m_bank;
    puzzle::TRandom& m_random;
    puzzle::TQJ& m_qj;
    widgets::TPICSD33& m_sd;
    std::string m_ndtxt;
};

/// One puzzle of level `levelIndex` from the built-in bank, drawn as a book of one page draws
/// it: Puzzles[1] and Solutions[1] of the batch. The same `seed` gives the same puzzle; without
/// one the clock chooses.
puzzle::TPuzzleBatch DrawOnePuzzle(int levelIndex, std::optional<std::uint64_t> seed);

} // namespace gq::book
