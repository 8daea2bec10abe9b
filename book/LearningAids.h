#pragma once

#include "solve/Explain.h"

#include <string>
#include <string_view>
#include <vector>

namespace gq::puzzle
{
struct TPuzzleBatch;
}

namespace gq::book
{

struct TBookPlan;
struct TBookSettings;

/// The steps of the puzzles a book teaches with: every puzzle's explanation when it has hints
/// or answer notes, the worked puzzles' otherwise.
struct TLearningAids
{
    /// Indexed by puzzle number (entry 0 unused); an entry not explained has no steps.
    std::vector<solve::TExplanation> Explanations;
    std::vector<int> Worked; ///< the numbers of the worked puzzles, in book order
};

/// The grid the solver reads from a PuzzleString (or SolutionString), as the book prints it:
/// row r of the text is printed as column r, so solver cell (r, c) is text character
/// (c - 1) * 9 + r. Step sentences then name rows and columns as the reader sees them.
solve::Grid PrintedGrid(std::string_view puzzleString);

/// The puzzles a book of `worked` worked solutions works through: the first puzzle of each of
/// its first `worked` sections, or its first `worked` puzzles in a book of one level.
std::vector<int> WorkedPuzzles(const TBookPlan& plan, int worked);

/// The explanations a book of `settings` and `plan` needs of the puzzles of `batch`: all of
/// them with hints or answer notes, else only the worked puzzles'.
TLearningAids ExplainBook(const TBookSettings& settings, const TBookPlan& plan,
                          const puzzle::TPuzzleBatch& batch);

/// One line of the "Hints" section for puzzle `number`: where the first step that singles
/// cannot make stands and what it removes, or "singles only".
std::string HintLine(int number, const solve::TExplanation& explanation);

/// What an answer says under its grid: the hardest technique its puzzle needs.
std::string AnswerNote(const solve::TExplanation& explanation);

/// The sentence a worked solution prints for step `index` (from 0): "3. " and its text.
std::string StepSentence(int index, const solve::TStep& step);

/// The line after the last step of a puzzle that logic alone does not finish.
inline constexpr std::string_view kLogicStops =
    "No step of the techniques in this book is left here.";

} // namespace gq::book
