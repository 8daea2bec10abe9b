#include "puzzle/PuzzleBank.h"

#include "gq/Error.h"
#include "puzzle/BankData.h"
#include "puzzle/Levels.h"
#include "puzzle/TQJ.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace gq::puzzle
{

namespace
{

/// Seed of the fixed permutation that splits list i into volume blocks: kVolumeSeed + i.
constexpr std::uint64_t kVolumeSeed = 0x766F6C756D650000ull;

/// The levels sharing the list of `levelIndex`, and the place of `levelIndex` among them.
struct ListShare
{
    int Levels = 0;
    int Place = 0;
};

ListShare ShareOf(int levelIndex)
{
    const int code = LevelCodeOf(levelIndex);
    ListShare share;
    for (int i = 0; i < kLevelCount; ++i)
        if (Levels()[i].LevelCode == code) {
            if (i < levelIndex)
                ++share.Place;
            ++share.Levels;
        }
    return share;
}

/// The fixed order in which list `list` of `count` entries is cut into volume blocks: a
/// Fisher-Yates shuffle driven by a seed sequence of its own, the same on every platform.
std::vector<int> VolumeOrder(int list, int count)
{
    std::vector<int> order(count);
    for (int i = 0; i < count; ++i)
        order[i] = i;
    SeedSource source = SequenceSeedSource(kVolumeSeed + static_cast<std::uint64_t>(list));
    for (int i = count - 1; i > 0; --i) {
        const auto j = static_cast<int>(
            (static_cast<std::uint64_t>(source()) * static_cast<std::uint64_t>(i + 1)) >> 32);
        std::swap(order[i], order[j]);
    }
    return order;
}

std::string VolumesText(int count)
{
    if (count == 0)
        return "no volumes";
    return std::to_string(count) + (count == 1 ? " volume" : " volumes");
}

} // namespace

TPuzzleBank::TPuzzleBank(std::array<std::vector<std::string_view>, kListCount> lines)
    : m_lines(std::move(lines))
{
    CheckCounts();
}

TPuzzleBank::TPuzzleBank(std::array<std::span<const std::uint8_t>, kListCount> records)
    : m_records(records), m_packed(true)
{
    for (int i = 0; i < kListCount; ++i)
        if (m_records[i].size() % kBankRecordSize != 0)
            throw Error("puzzle bank list tk" + std::to_string(i) + " holds " +
                        std::to_string(m_records[i].size()) + " bytes, not a whole number of " +
                        std::to_string(kBankRecordSize) + "-byte entries");
    CheckCounts();
}

TPuzzleBank::TPuzzleBank(std::array<std::vector<std::string_view>, kListCount> lines,
                         std::array<std::span<const std::uint32_t>, kListCount> measures)
    : TPuzzleBank(std::move(lines))
{
    m_measures = measures;
    CheckMeasures();
}

TPuzzleBank::TPuzzleBank(std::array<std::span<const std::uint8_t>, kListCount> records,
                         std::array<std::span<const std::uint32_t>, kListCount> measures)
    : TPuzzleBank(records)
{
    m_measures = measures;
    CheckMeasures();
}

void TPuzzleBank::CheckMeasures() const
{
    for (int i = 0; i < kListCount; ++i)
        if (m_measures[i].size() != static_cast<std::size_t>(Count(i)))
            throw Error("puzzle bank list tk" + std::to_string(i) + " holds " +
                        std::to_string(Count(i)) + " entries but " +
                        std::to_string(m_measures[i].size()) + " difficulty measures");
}

void TPuzzleBank::CheckCounts() const
{
    for (int i = 0; i < kListCount; ++i)
        if (Count(i) < 2)
            throw Error("puzzle bank list tk" + std::to_string(i) + " holds " +
                        std::to_string(Count(i)) +
                        " entries; at least two are needed to draw from it");
}

const TPuzzleBank& TPuzzleBank::BuiltIn()
{
    static const TPuzzleBank bank(BuiltInBankRecords(), BuiltInBankMeasures());
    return bank;
}

int TPuzzleBank::Count(int list) const
{
    if (m_packed)
        return static_cast<int>(m_records.at(list).size() / kBankRecordSize);
    return static_cast<int>(m_lines.at(list).size());
}

void TPuzzleBank::CheckIndex(int list, int index) const
{
    if (index < 0 || index >= Count(list))
        throw std::out_of_range("entry " + std::to_string(index) + " of puzzle bank list tk" +
                                std::to_string(list) + ", which holds " +
                                std::to_string(Count(list)));
}

std::string TPuzzleBank::Entry(int list, int index) const
{
    CheckIndex(list, index);
    if (!m_packed)
        return std::string(m_lines[list][index]);
    return UnpackBankLine(
        m_records[list].subspan(index * kBankRecordSize).first<kBankRecordSize>());
}

std::uint32_t TPuzzleBank::Difficulty(int list, int index) const
{
    CheckIndex(list, index);
    return m_measures[list].empty() ? 0 : m_measures[list][index];
}

int DrawBankEntry(TRandom& random, int n)
{
    int k = random.Random(n) + 1;
    if (k == n)
        k = n - 1;
    return k;
}

void PickBankPuzzle(const TPuzzleBank& bank, int listIndex, TRandom& random, TQJ& model)
{
    random.Randomize();
    int k = DrawBankEntry(random, bank.Count(listIndex));
    model.LoadBankLine(bank.Entry(listIndex, k - 1));
}

int VolumeCount(const TPuzzleBank& bank, int levelIndex)
{
    const ListShare share = ShareOf(levelIndex);
    const int blocks = bank.Count(LevelCodeOf(levelIndex) - 1) / kVolumeBlockSize;
    return blocks > share.Place ? (blocks - share.Place + share.Levels - 1) / share.Levels : 0;
}

TBookDraw::TBookDraw(const TPuzzleBank& bank, int levelIndex, int volume)
    : m_bank(bank), m_list(LevelCodeOf(levelIndex) - 1)
{
    const std::string_view caption = Levels()[levelIndex].Caption;
    if (volume < 0)
        throw Error("volumes are numbered from 1; there is no volume " + std::to_string(volume) +
                    " of " + std::string(caption));
    if (volume == 0) {
        m_used.assign(bank.Count(m_list), false);
        return;
    }
    const int volumes = VolumeCount(bank, levelIndex);
    if (volume > volumes)
        throw Error(std::string(caption) + " offers " + VolumesText(volumes) +
                    "; there is no volume " + std::to_string(volume));
    const ListShare share = ShareOf(levelIndex);
    const int block = (volume - 1) * share.Levels + share.Place;
    const std::vector<int> order = VolumeOrder(m_list, bank.Count(m_list));
    m_block.assign(order.begin() + block * kVolumeBlockSize,
                   order.begin() + (block + 1) * kVolumeBlockSize);
    m_used.assign(kVolumeBlockSize, false);
}

int TBookDraw::Next(TRandom& random)
{
    if (m_given >= Capacity())
        throw Error("list tk" + std::to_string(m_list) + " can give a book only " +
                    std::to_string(Capacity()) + " different puzzles");
    for (;;) {
        random.Randomize();
        const int k = DrawBankEntry(random, static_cast<int>(m_used.size()));
        if (m_used[k - 1])
            continue;
        m_used[k - 1] = true;
        ++m_given;
        return m_block.empty() ? k - 1 : m_block[k - 1];
    }
}

void TBookDraw::Pick(TRandom& random, TQJ& model)
{
    model.LoadBankLine(m_bank.Entry(m_list, Next(random)));
}

std::vector<int> TBookDraw::NextByDifficulty(TRandom& random, int count)
{
    if (count > Remaining())
        throw Error("list tk" + std::to_string(m_list) + " can give this book only " +
                    std::to_string(Remaining()) + " more different puzzles, not " +
                    std::to_string(count));
    std::vector<std::pair<std::uint32_t, int>> drawn;
    for (int i = 0; i < count; ++i) {
        const int index = Next(random);
        drawn.emplace_back(m_bank.Difficulty(m_list, index), index);
    }
    std::sort(drawn.begin(), drawn.end());
    std::vector<int> entries;
    for (const auto& [difficulty, index] : drawn)
        entries.push_back(index);
    return entries;
}

TBookDraw& TBookDraws::For(int levelIndex)
{
    // Levels on one list share its whole-list draw (keys 0..4); a volume's block is the
    // level's own (keys from kListCount up).
    const int list = LevelCodeOf(levelIndex) - 1; // throws for a bad level
    const int key = m_volume == 0 ? list : TPuzzleBank::kListCount + levelIndex;
    return m_draws.try_emplace(key, m_bank, levelIndex, m_volume).first->second;
}

} // namespace gq::puzzle
