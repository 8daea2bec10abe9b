#include "tools/CanonicalForm.h"

#include <cstdint>

namespace gq::tools
{

namespace
{

constexpr std::uint8_t kOpen = 0xFF;

constexpr int kPerms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};

/// Branch and bound over the arrangements of the full group. Output row 0 picks the source row
/// (of the grid or of its transpose) and the whole column arrangement: the order of the stacks
/// and the order of the columns inside each. Every later output row picks a source row: the two
/// left in the current band, or, at a band's first row, any row of a band not used yet.
class CanonicalSearch
{
  public:
    explicit CanonicalSearch(const Grid& puzzle)
    {
        for (int r = 0; r < 9; ++r)
            for (int c = 0; c < 9; ++c) {
                m_sources[0][9 * r + c] = puzzle[9 * r + c];
                m_sources[1][9 * c + r] = puzzle[9 * r + c];
            }
    }

    std::string Run()
    {
        for (int t = 0; t < 2; ++t) {
            m_grid = &m_sources[t];
            for (int r = 0; r < 9; ++r) {
                m_rows[0] = r;
                FirstRow(0, 0, Labels{}, m_updates != 0 ? 0 : -1);
            }
        }
        std::string text(81, '.');
        for (int i = 0; i < 81; ++i)
            if (m_best[i] != kOpen)
                text[i] = static_cast<char>('0' + m_best[i]);
        return text;
    }

  private:
    struct Labels
    {
        std::uint8_t Of[10];
        std::uint8_t Next;
    };

    /// A frame's prefix order against the best: once the best has been replaced below the frame,
    /// the new best starts with the frame's prefix, so the prefix now compares equal.
    int Refresh(int order, int entryUpdates) const { return m_updates != entryUpdates ? 0 : order; }

    /// Appends the key of source cell `cell` at position `pos`; `order` is -1 while the prefix
    /// is smaller than the best, 0 while equal. Returns false when the prefix became larger.
    bool Emit(int pos, int cell, Labels& labels, int& order)
    {
        std::uint8_t key = kOpen;
        if (const int d = (*m_grid)[cell]; d != 0) {
            if (labels.Of[d] == 0)
                labels.Of[d] = ++labels.Next;
            key = labels.Of[d];
        }
        m_out[pos] = key;
        if (order == 0) {
            if (key > m_best[pos])
                return false;
            if (key < m_best[pos])
                order = -1;
        }
        return true;
    }

    /// Chooses the source stack and its column order for output stack `slot` while reading
    /// output row 0; `usedStacks` has bit s set for each source stack already placed.
    void FirstRow(int slot, int usedStacks, Labels labels, int order)
    {
        if (slot == 3) {
            NextRow(1, 1 << (m_rows[0] / 3), labels, order);
            return;
        }
        const int entryUpdates = m_updates;
        for (int stack = 0; stack < 3; ++stack) {
            if (usedStacks & (1 << stack))
                continue;
            for (const auto& perm : kPerms) {
                Labels l = labels;
                int o = Refresh(order, entryUpdates);
                bool ok = true;
                for (int k = 0; k < 3 && ok; ++k) {
                    m_cols[3 * slot + k] = 3 * stack + perm[k];
                    ok = Emit(3 * slot + k, 9 * m_rows[0] + m_cols[3 * slot + k], l, o);
                }
                if (ok)
                    FirstRow(slot + 1, usedStacks | (1 << stack), l, o);
            }
        }
    }

    /// Chooses the source row of output row `row` (1..8); `usedBands` has bit b set for each
    /// source band already placed.
    void NextRow(int row, int usedBands, const Labels& labels, int order)
    {
        if (row == 9) {
            if (order < 0) {
                m_best = m_out;
                ++m_updates;
            }
            return;
        }
        const int entryUpdates = m_updates;
        for (int r = 0; r < 9; ++r) {
            const int band = r / 3;
            if (row % 3 == 0) {
                if (usedBands & (1 << band))
                    continue;
            } else {
                bool open = band == m_rows[row - 1] / 3;
                for (int k = row - row % 3; k < row && open; ++k)
                    open = m_rows[k] != r;
                if (!open)
                    continue;
            }
            m_rows[row] = r;
            Labels l = labels;
            int o = Refresh(order, entryUpdates);
            bool ok = true;
            for (int c = 0; c < 9 && ok; ++c)
                ok = Emit(9 * row + c, 9 * r + m_cols[c], l, o);
            if (ok)
                NextRow(row + 1, usedBands | (1 << band), l, o);
        }
    }

    Grid m_sources[2]{}; ///< the puzzle and its transpose
    const Grid* m_grid = nullptr;
    int m_rows[9] = {};
    int m_cols[9] = {};
    std::array<std::uint8_t, 81> m_out{};
    std::array<std::uint8_t, 81> m_best{};
    int m_updates = 0; ///< how often m_best was replaced
};

} // namespace

std::string CanonicalForm(const Grid& puzzle) { return CanonicalSearch(puzzle).Run(); }

} // namespace gq::tools
