#pragma once

#include "puzzle/BankRecord.h"
#include "puzzle/Random.h"

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gq::puzzle
{

class TQJ;

/// The five read-only ordered lists tk0..tk4 of BankLine entries; list i serves LevelCode i + 1.
/// A bank holds either text lines or packed records (the built-in bank); either way the views
/// must outlive the bank (the built-in lists live for the whole program). It may also carry the
/// difficulty measure of every entry (puzzle/BankMeasure.h); the built-in bank does.
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

    /// Either bank with the packed difficulty measures of its entries, list by list in entry
    /// order. Throws gq::Error as above, and when a list's measures are not one per entry.
    TPuzzleBank(std::array<std::vector<std::string_view>, kListCount> lines,
                std::array<std::span<const std::uint32_t>, kListCount> measures);
    TPuzzleBank(std::array<std::span<const std::uint8_t>, kListCount> records,
                std::array<std::span<const std::uint32_t>, kListCount> measures);

    /// The bank compiled into the program.
    static const TPuzzleBank& BuiltIn();

    /// Number of entries of list `list` (0..4).
    int Count(int list) const;

    /// The BankLine of entry `index` (0..Count - 1) of list `list`, in stored order. Throws
    /// std::out_of_range for an index outside the list, gq::Error for a damaged packed record.
    std::string Entry(int list, int index) const;

    /// The packed difficulty measure (DifficultyMeasure::Packed) of entry `index` of list
    /// `list`: a harder entry has a higher number. 0 for every entry of a bank made without
    /// measures, so that all its entries count as equally hard. Throws std::out_of_range as
    /// Entry does.
    std::uint32_t Difficulty(int list, int index) const;

  private:
    void CheckCounts() const;
    void CheckMeasures() const;
    void CheckIndex(int list, int index) const;

    std::array<std::vector<std::string_view>, kListCount> m_lines;
    std::array<std::span<const std::uint8_t>, kListCount> m_records;
    std::array<std::span<const std::uint32_t>, kListCount> m_measures; ///< empty: none
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

    /// How many different entries the draw can still give.
    int Remaining() const { return Capacity() - m_given; }

    /// The list (0..4) the draw takes its entries from.
    int List() const { return m_list; }

    /// Reseeds the generator and draws, again and again until the entry is new to this book.
    /// Returns its index in the list (from 0). Throws gq::Error once every entry the draw can
    /// give has been given.
    int Next(TRandom& random);

    /// Reads the next entry into `model` with LoadBankLine (which shuffles it).
    void Pick(TRandom& random, TQJ& model);

    /// Draws `count` entries with Next and returns their indices from the easiest to the
    /// hardest: ascending by the bank's Difficulty, equal ones by index, so the order depends
    /// only on which entries were drawn. Throws gq::Error as Next does, before drawing anything
    /// when `count` exceeds Remaining().
    std::vector<int> NextByDifficulty(TRandom& random, int count);

  private:
    const TPuzzleBank& m_bank;
    int m_list;
    std::vector<int> m_block; ///< list indices of the volume's block; empty: the whole list
    std::vector<bool> m_used; ///< per drawable position: already in this book
    int m_given = 0;
};

/// The draws of one book of several levels, one TBookDraw per set of entries the levels draw
/// from, shared by the levels that draw from the same set, so a book never holds one entry
/// twice. From the whole lists (volume 0) the levels on one list (Easy and Standard) share its
/// draw; a volume's block belongs to one level alone (see VolumeCount), so there every level
/// has a draw of its own. Holds a reference to the bank.
class TBookDraws
{
  public:
    /// `volume` as for TBookDraw; nothing is checked until a draw is made.
    TBookDraws(const TPuzzleBank& bank, int volume) : m_bank(bank), m_volume(volume) {}

    /// The draw of level `levelIndex` (0..5), made on first use. Throws as TBookDraw's
    /// constructor does.
    TBookDraw& For(int levelIndex);

  private:
    const TPuzzleBank& m_bank;
    int m_volume;
    std::map<int, TBookDraw> m_draws; ///< by the set of entries drawn from
};

} // namespace gq::puzzle
