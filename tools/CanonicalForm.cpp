#include "tools/CanonicalForm.h"

#include <cstdint>

namespace gq::tools
{

namespace
{

constexpr std::uint8_t kOpen = 0xFF;

constexpr int kPerms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};

class CanonicalSearch
{
  public:
    explicit CanonicalSearch(const Grid& puzzle) : m_puzzle(puzzle) {}

    std::string Run()
    {
        Labels labels{};
        for (int r = 0; r < 3; ++r) {
            m_rows[0] = r;
            FirstRow(0, labels, m_updates != 0 ? 0 : -1);
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
        if (const int d = m_puzzle[cell]; d != 0) {
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

    /// Chooses the column order of stack `stack` while reading output row 0.
    void FirstRow(int stack, Labels labels, int order)
    {
        if (stack == 3) {
            NextRow(1, labels, order);
            return;
        }
        const int entryUpdates = m_updates;
        for (const auto& perm : kPerms) {
            Labels l = labels;
            int o = Refresh(order, entryUpdates);
            bool ok = true;
            for (int k = 0; k < 3 && ok; ++k) {
                m_cols[3 * stack + k] = 3 * stack + perm[k];
                ok = Emit(3 * stack + k, 9 * m_rows[0] + m_cols[3 * stack + k], l, o);
            }
            if (ok)
                FirstRow(stack + 1, l, o);
        }
    }

    /// Chooses the source row of output row `row` (1..8) among the unused rows of its band.
    void NextRow(int row, const Labels& labels, int order)
    {
        if (row == 9) {
            if (order < 0) {
                m_best = m_out;
                ++m_updates;
            }
            return;
        }
        const int band = row / 3;
        const int entryUpdates = m_updates;
        for (int r = 3 * band; r < 3 * band + 3; ++r) {
            bool used = false;
            for (int k = 3 * band; k < row; ++k)
                used |= m_rows[k] == r;
            if (used)
                continue;
            m_rows[row] = r;
            Labels l = labels;
            int o = Refresh(order, entryUpdates);
            bool ok = true;
            for (int c = 0; c < 9 && ok; ++c)
                ok = Emit(9 * row + c, 9 * r + m_cols[c], l, o);
            if (ok)
                NextRow(row + 1, l, o);
        }
    }

    const Grid& m_puzzle;
    int m_rows[9] = {};
    int m_cols[9] = {};
    std::array<std::uint8_t, 81> m_out{};
    std::array<std::uint8_t, 81> m_best{};
    int m_updates = 0; ///< how often m_best was replaced
};

} // namespace

std::string CanonicalForm(const Grid& puzzle) { return CanonicalSearch(puzzle).Run(); }

} // namespace gq::tools
