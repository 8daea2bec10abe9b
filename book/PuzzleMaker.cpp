#include "book/PuzzleMaker.h"
#include "book/VariantBook.h"

#include "gq/Error.h"
#include "puzzle/Candidates.h"
#include "puzzle/Levels.h"

#include <cstdint>
#include <string>

namespace gq::book
{

namespace
{

/// Label text of each LevelCode's handler, taken from the first level that uses the code.
std::string_view LabelTextOf(int levelCode)
{
    for (const auto& level : puzzle::Levels())
        if (level.LevelCode == levelCode)
            return level.LabelText;
    return {};
}

} // namespace

TPuzzleMaker::TPuzzleMaker(const puzzle::TPuzzleBank& bank, puzzle::TRandom& random,
                           puzzle::TQJ& QJ1, widgets::TPICSD33& sd991)
    : m_bank(bank), m_random(random), m_qj(QJ1), m_sd(sd991)
{}

void TPuzzleMaker::BuildPuzzleBatch(const TBookSettings& settings, puzzle::TPuzzleBatch& batch)
{
    if (!settings.Sections.empty()) {
        BuildSectionBatch(settings, batch);
        return;
    }
    batch.Clear();
    if (HasVariants(settings))
        return; // generated on demand (MakeVariantBatch), not drawn from the bank
    int code = puzzle::LevelCodeOf(settings.LevelIndex);
    puzzle::TBookDraw draw(m_bank, settings.LevelIndex, settings.Volume);
    int count = static_cast<std::int16_t>(settings.PageCount) * settings.PuzzlesPerPage;
    if (count <= 0)
        return;
    if (count > draw.Capacity())
        throw Error("the bank can give a book of " +
                    std::string(puzzle::Levels()[settings.LevelIndex].Caption) + " only " +
                    std::to_string(draw.Capacity()) + " different puzzles, not " +
                    std::to_string(count));
    for (int i = 1; i <= count; ++i) {
        MakePuzzle(code, &draw);
        batch.Puzzles[i] = m_sd.GetPuzzleString();
        batch.Solutions[i] = m_qj.GetSolutionString();
    }
}

void TPuzzleMaker::BuildSectionBatch(const TBookSettings& settings, puzzle::TPuzzleBatch& batch)
{
    batch.Clear();
    // Levels on one list share a draw, so no entry comes into the book twice.
    puzzle::TBookDraws draws(m_bank, settings.Volume);
    int number = 0;
    for (const TSection& section : settings.Sections) {
        if (!IsClassicName(section.Variant)) {
            number += section.Count; // generated on demand (MakeVariantBatch)
            continue;
        }
        puzzle::TBookDraw& draw = draws.For(section.LevelIndex);
        if (section.Count > draw.Remaining())
            throw Error("the bank can give a book of " +
                        std::string(puzzle::Levels()[section.LevelIndex].Caption) + " only " +
                        std::to_string(draw.Remaining()) +
                        (draw.Remaining() < draw.Capacity() ? " more" : "") +
                        " different puzzles, not " + std::to_string(section.Count));
        const int code = puzzle::LevelCodeOf(section.LevelIndex);
        // Easiest first, so a section's puzzles never fall in difficulty.
        for (int index : draw.NextByDifficulty(m_random, section.Count)) {
            ClearPuzzle();
            m_qj.LoadBankLine(m_bank.Entry(draw.List(), index));
            ShowPuzzle(code);
            ++number;
            batch.Puzzles[number] = m_sd.GetPuzzleString();
            batch.Solutions[number] = m_qj.GetSolutionString();
        }
    }
}

void TPuzzleMaker::MakePuzzle(int levelCode) { MakePuzzle(levelCode, nullptr); }

void TPuzzleMaker::MakePuzzle(int levelCode, puzzle::TBookDraw* draw)
{
    ClearPuzzle();
    if (draw)
        draw->Pick(m_random, m_qj);
    else
        puzzle::PickBankPuzzle(m_bank, levelCode - 1, m_random, m_qj);
    ShowPuzzle(levelCode);
}

void TPuzzleMaker::ShowPuzzle(int levelCode)
{
    m_ndtxt = LabelTextOf(levelCode);
    FillGridControl(true);
    m_sd.HideMarks();
}

void TPuzzleMaker::ClearPuzzle()
{
    m_qj.ClearValues();
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            widgets::TPicNode& cell = m_sd.Cell(row, col);
            cell.State = widgets::csOpen;
            cell.Text.clear();
        }
}

void TPuzzleMaker::FillGridControl(bool showCandidates)
{
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            const puzzle::TNode& node = m_qj.Node(row, col);
            widgets::TPicNode& cell = m_sd.Cell(row, col);
            if (node.Given) {
                cell.State = widgets::csGiven;
                cell.Text = std::to_string(node.Value);
            } else {
                cell.State = widgets::csOpen;
                if (showCandidates)
                    cell.Text = "123456789";
            }
            cell.Error = false;
        }
    if (showCandidates) {
        // Filling open cells changes no fixed digit: the grid's digits are read once.
        const puzzle::GivenDigits fixed = m_sd.FixedDigits();
        for (int row = 1; row <= 9; ++row)
            for (int col = 1; col <= 9; ++col)
                if (m_sd.Cell(row, col).State == widgets::csOpen)
                    m_sd.Cell(row, col).Text = puzzle::CandidateList(fixed, row, col);
    }
    m_sd.Enabled = true;
}

puzzle::TPuzzleBatch DrawOnePuzzle(int levelIndex, std::optional<std::uint64_t> seed)
{
    puzzle::TRandom random;
    if (seed)
        random.SetSeedSource(puzzle::SequenceSeedSource(*seed));
    puzzle::TQJ model(random);
    widgets::TPICSD33 grid;
    TPuzzleMaker maker(puzzle::TPuzzleBank::BuiltIn(), random, model, grid);
    TBookSettings settings;
    settings.LevelIndex = levelIndex;
    settings.PageCount = 1;
    settings.PuzzlesPerPage = 1;
    puzzle::TPuzzleBatch batch;
    maker.BuildPuzzleBatch(settings, batch);
    return batch;
}

} // namespace gq::book
