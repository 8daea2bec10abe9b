#pragma once

#include "puzzle/BankRecord.h"
#include "puzzle/Random.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gq::puzzle
{

class TQJ;

/// The five read-only ordered lists tk0..tk4 of BankLine entries; list i serves LevelCode i + 1.
/// A bank holds either text lines or packed records (the built-in bank); either way the views
/// must outlive the bank (the built-in lists live for the whole program).
class TPuzzleBank
{
  public:
    static constexpr int kListCount = 5;

    /// Lists of BankLine texts. Throws gq::Error naming the list when any list holds fewer
    /// than two entries: the draw never takes a list's last entry, so such a list has nothing
    /// it can draw.
    explicit TPuzzleBank(std::array<std::vector<std::string_view>, kListCount> lines);

    /// Lists of packed records, kBankRecordSize bytes each. Throws gq::Error as above, and when
    /// a list's size is not a whole number of records.
    explicit TPuzzleBank(std::array<std::span<const std::uint8_t>, kListCount> records);

    /// The bank compiled into the program.
    static const TPuzzleBank& BuiltIn();

    /// Number of entries of list `list` (0..4).
    int Count(int list) const;

    /// The BankLine of entry `index` (0..Count - 1) of list `list`, in stored order. Throws
    /// std::out_of_range for an index outside the list, gq::Error for a damaged packed record.
    std::string Entry(int list, int index) const;

  private:
    void CheckCounts() const;

    std::array<std::vector<std::string_view>, kListCount> m_lines;
    std::array<std::span<const std::uint8_t>, kListCount> m_records;
    bool m_packed = false;
};

/// The entry number 1..n that a draw of list with n entries takes: Random(n) + 1, with n itself
/// replaced by n - 1 (so the last entry is never drawn and the one before it twice as often).
int DrawBankEntry(TRandom& random, int n);

/// Reseeds the generator, draws an entry of list `listIndex` (0..4) and reads it into `model`
/// with LoadBankLine (which shuffles it).
void PickBankPuzzle(const TPuzzleBank& bank, int listIndex, TRandom& random, TQJ& model);

/// Puzzles of the largest book: 200 pages of 4.
constexpr int kMaxBookPuzzles = 800;

/// Entries of one volume's block: the largest book's puzzles and one more, because the draw
/// never takes the last entry of what it draws from.
constexpr int kVolumeBlockSize = kMaxBookPuzzles + 1;

/// Volumes that level `levelIndex` (0..5) offers. Each list is split, in the order of a fixed
/// seeded permutation, into whole blocks of kVolumeBlockSize entries; the levels that share a
/// list take its blocks in turn (Easy blocks 0, 2, 4, ..., Standard blocks 1, 3, 5, ...), so
/// no two volumes of any levels share an entry. Throws std::out_of_range for a bad level.
int VolumeCount(const TPuzzleBank& bank, int levelIndex);

/// The draws of one book from one level's list: the bank's draw (DrawBankEntry, as
/// PickBankPuzzle makes it) from the whole list, or from the block of one volume, drawn again
/// whenever it takes an entry this book already holds. So a book never holds one entry twice. Holds a reference to the bank.
class TBookDraw
{
  public:
    /// `volume` 0 draws from the whole list of level `levelIndex` (0..5); volume N >= 1 from
    /// the block of volume N. Throws gq::Error when the volume is negative or beyond the
    /// level's last volume (the message says how many the level offers), std::out_of_range for
    /// a bad level.
    TBookDraw(const TPuzzleBank& bank, int levelIndex, int volume = 0);

    /// How many different entries the draw can give: one less than it draws from.
    int Capacity() const { return static_cast<int>(m_used.size()) - 1; }

    /// Reseeds the generator and draws, again and again until the entry is new to this book.
    /// Returns its index in the list (from 0). Throws gq::Error once every entry the draw can
    /// give has been given.
    int Next(TRandom& random);

    /// Reads the next entry into `model` with LoadBankLine (which shuffles it).
    void Pick(TRandom& random, TQJ& model);

  private:
    const TPuzzleBank& m_bank;
    int m_list;
    std::vector<int> m_block; ///< list indices of the volume's block; empty: the whole list
    std::vector<bool> m_used; ///< per drawable position: already in this book
    int m_given = 0;
};

} // namespace gq::puzzle
