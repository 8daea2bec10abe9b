#include "solve/Engine.h"

#include "solve/Sentences.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace gq::solve
{

namespace
{

int Digit(DigitMask bit) { return std::countr_zero(bit) + 1; }

/// Calls fn(indices, count) for every n-element combination of 0..size-1 until fn returns true.
template <typename Fn> bool ForCombos(int size, int n, Fn&& fn)
{
    int idx[4];
    for (int i = 0; i < n; ++i)
        idx[i] = i;
    if (n > size)
        return false;
    while (true) {
        if (fn(idx))
            return true;
        int i = n - 1;
        while (i >= 0 && idx[i] == size - n + i)
            --i;
        if (i < 0)
            return false;
        ++idx[i];
        for (int j = i + 1; j < n; ++j)
            idx[j] = idx[j - 1] + 1;
    }
}

/// Candidate grid of the grader. Placed cells have no candidates.
class Board
{
  public:
    Board(const Grid& puzzle, const Grid* solution, std::vector<TStep>* record)
        : m_solution(solution), m_record(record)
    {
        m_cand.fill(kAllDigits);
        m_value.fill(0);
        for (int cell = 0; cell < 81; ++cell) {
            const int v = puzzle[cell];
            if (v == 0)
                continue;
            if (v > 9 || !(m_cand[cell] & DigitBit(v))) {
                m_broken = true;
                return;
            }
            Assign(cell, v);
        }
    }

    GradeResult Run(Technique last)
    {
        GradeResult result;
        if (m_broken)
            return result;
        while (m_open > 0 && !m_broken) {
            bool progress = false;
            for (int t = 0; t <= static_cast<int>(last) && !progress; ++t) {
                m_current = static_cast<Technique>(t);
                m_chainLinks = 0;
                if (m_record)
                    BeginStep();
                if (Try(m_current)) {
                    if (m_record && m_current > Technique::HiddenSingle)
                        EndStep();
                    progress = true;
                    ++result.Steps[t];
                    result.Tier = std::max(result.Tier, TierOf(m_current));
                    if (t > static_cast<int>(result.Hardest))
                        result.Hardest = m_current;
                    result.LongestChain = std::max(result.LongestChain, m_chainLinks);
                }
            }
            if (!progress)
                break;
        }
        result.Solved = m_open == 0 && !m_broken;
        result.UnsoundSteps = m_unsound;
        result.FirstUnsound = m_firstUnsound;
        return result;
    }

  private:
    // ---- basic operations ----------------------------------------------------------------

    void Assign(int cell, int digit)
    {
        const DigitMask bit = DigitBit(digit);
        m_value[cell] = static_cast<std::uint8_t>(digit);
        m_cand[cell] = 0;
        --m_open;
        for (std::uint8_t p : Tables().Peers[cell]) {
            if (m_value[p] == digit)
                m_broken = true;
            m_cand[p] &= ~bit;
        }
    }

    void NoteUnsound()
    {
        if (m_unsound++ == 0)
            m_firstUnsound = m_current;
    }

    /// Places a digit found by the current technique in `unit` (-1: by the cell alone).
    void Place(int cell, int digit, int unit)
    {
        if (m_value[cell] != 0 || !(m_cand[cell] & DigitBit(digit))) {
            m_broken = true;
            return;
        }
        if (m_record)
            RecordPlacement(cell, digit, unit);
        if (m_solution && (*m_solution)[cell] != digit)
            NoteUnsound();
        Assign(cell, digit);
    }

    /// Removes `bits` from a cell's candidates; true when something was removed.
    bool Eliminate(int cell, DigitMask bits)
    {
        const DigitMask hit = m_cand[cell] & bits;
        if (!hit)
            return false;
        if (m_solution && (hit & DigitBit((*m_solution)[cell])))
            NoteUnsound();
        if (m_record)
            for (DigitMask m = hit; m; m &= m - 1)
                m_step.Eliminate.push_back({cell, Digit(static_cast<DigitMask>(m & -m))});
        m_cand[cell] &= ~hit;
        if (m_cand[cell] == 0)
            m_broken = true;
        return true;
    }

    // ---- recording steps (only when explaining) --------------------------------------------

    void BeginStep()
    {
        m_step = TStep{};
        m_pattern = TPattern{};
    }

    /// Describes the pattern the current technique is about to use.
    void Note(std::vector<int> cells, DigitMask digits, int unit = -1, int other = -1)
    {
        if (!m_record)
            return;
        m_step.Cells = std::move(cells);
        m_step.Digits.clear();
        for (int d = 1; d <= 9; ++d)
            if (digits & DigitBit(d))
                m_step.Digits.push_back(d);
        m_pattern.Unit = unit;
        m_pattern.Other = other;
        m_pattern.Masks.clear();
        for (int c : m_step.Cells)
            m_pattern.Masks.push_back(m_cand[c]);
    }

    /// The cells of `unit` holding `bit` among their candidates.
    std::vector<int> CellsWith(int unit, DigitMask bit) const
    {
        std::vector<int> cells;
        for (std::uint8_t c : Tables().Units[unit])
            if (m_cand[c] & bit)
                cells.push_back(c);
        return cells;
    }

    void RecordPlacement(int cell, int digit, int unit)
    {
        TStep step;
        step.Kind = m_current;
        step.Cells = {cell};
        step.Digits = {digit};
        step.Place = {{cell, digit}};
        TPattern pattern;
        pattern.Unit = unit;
        if (unit >= 0)
            step.Unit = UnitName(unit);
        step.Text = Sentence(step, pattern);
        m_record->push_back(std::move(step));
    }

    void EndStep()
    {
        m_step.Kind = m_current;
        if (m_pattern.Unit >= 0)
            m_step.Unit = UnitName(m_pattern.Unit);
        m_step.Text = Sentence(m_step, m_pattern);
        m_record->push_back(std::move(m_step));
    }

    /// Positions (bit i = i-th cell of the unit) of a digit in a unit.
    DigitMask Positions(int unit, DigitMask bit) const
    {
        DigitMask pos = 0;
        const auto& cells = Tables().Units[unit];
        for (int i = 0; i < 9; ++i)
            if (m_cand[cells[i]] & bit)
                pos |= static_cast<DigitMask>(1u << i);
        return pos;
    }

    bool Try(Technique t)
    {
        switch (t) {
        case Technique::FullHouse:
            return FullHouse();
        case Technique::NakedSingle:
            return NakedSingles();
        case Technique::HiddenSingle:
            return HiddenSingles();
        case Technique::Pointing:
            return Pointing();
        case Technique::Claiming:
            return Claiming();
        case Technique::NakedPair:
            return NakedSubset(2);
        case Technique::HiddenPair:
            return HiddenSubset(2);
        case Technique::NakedTriple:
            return NakedSubset(3);
        case Technique::HiddenTriple:
            return HiddenSubset(3);
        case Technique::XWing:
            return Fish(2);
        case Technique::Skyscraper:
            return Skyscraper();
        case Technique::TwoStringKite:
            return TwoStringKite();
        case Technique::Swordfish:
            return Fish(3);
        case Technique::XYWing:
            return XYWing();
        case Technique::XYZWing:
            return XYZWing();
        case Technique::NakedQuad:
            return NakedSubset(4);
        case Technique::Jellyfish:
            return Fish(4);
        case Technique::HiddenQuad:
            return HiddenSubset(4);
        case Technique::WWing:
            return WWing();
        case Technique::XChain:
            return Chain(/*cellStrong*/ false, /*unitStrong*/ true, /*cellWeak*/ false);
        case Technique::XYChain:
            return Chain(true, false, false);
        case Technique::AIC:
            return Chain(true, true, true);
        }
        return false;
    }

    // ---- tier 1 --------------------------------------------------------------------------

    bool FullHouse()
    {
        bool any = false;
        for (const auto& unit : Tables().Units) {
            int open = -1, count = 0;
            for (std::uint8_t c : unit)
                if (m_value[c] == 0) {
                    open = c;
                    ++count;
                }
            if (count == 1 && std::has_single_bit(m_cand[open])) {
                Place(open, Digit(m_cand[open]), static_cast<int>(&unit - Tables().Units.data()));
                any = true;
            }
        }
        return any;
    }

    bool NakedSingles()
    {
        bool any = false;
        for (int cell = 0; cell < 81; ++cell)
            if (m_value[cell] == 0 && std::has_single_bit(m_cand[cell])) {
                Place(cell, Digit(m_cand[cell]), -1);
                any = true;
            }
        return any;
    }

    bool HiddenSingles()
    {
        bool any = false;
        const GridTables& t = Tables();
        for (int u = 0; u < 27; ++u)
            for (int d = 1; d <= 9; ++d) {
                const DigitMask pos = Positions(u, DigitBit(d));
                if (std::has_single_bit(pos)) {
                    Place(t.Units[u][std::countr_zero(pos)], d, u);
                    any = true;
                }
            }
        return any;
    }

    // ---- tier 2 --------------------------------------------------------------------------

    bool Pointing()
    {
        const GridTables& t = Tables();
        for (int b = 0; b < 9; ++b)
            for (int d = 1; d <= 9; ++d) {
                const DigitMask bit = DigitBit(d);
                int rows = 0, cols = 0, n = 0;
                for (std::uint8_t c : t.Units[18 + b])
                    if (m_cand[c] & bit) {
                        rows |= 1 << t.RowOf[c];
                        cols |= 1 << t.ColOf[c];
                        ++n;
                    }
                if (n < 2)
                    continue;
                bool any = false;
                if (m_record) {
                    const bool oneRow = std::has_single_bit(static_cast<unsigned>(rows));
                    Note(CellsWith(18 + b, bit), bit, 18 + b,
                         oneRow ? std::countr_zero(static_cast<unsigned>(rows))
                                : 9 + std::countr_zero(static_cast<unsigned>(cols)));
                }
                if (std::has_single_bit(static_cast<unsigned>(rows)))
                    for (std::uint8_t c : t.Units[std::countr_zero(static_cast<unsigned>(rows))])
                        if (t.BoxOf[c] != b)
                            any |= Eliminate(c, bit);
                if (std::has_single_bit(static_cast<unsigned>(cols)))
                    for (std::uint8_t c :
                         t.Units[9 + std::countr_zero(static_cast<unsigned>(cols))])
                        if (t.BoxOf[c] != b)
                            any |= Eliminate(c, bit);
                if (any)
                    return true;
            }
        return false;
    }

    bool Claiming()
    {
        const GridTables& t = Tables();
        for (int u = 0; u < 18; ++u)
            for (int d = 1; d <= 9; ++d) {
                const DigitMask bit = DigitBit(d);
                int boxes = 0, n = 0;
                for (std::uint8_t c : t.Units[u])
                    if (m_cand[c] & bit) {
                        boxes |= 1 << t.BoxOf[c];
                        ++n;
                    }
                if (n < 2 || !std::has_single_bit(static_cast<unsigned>(boxes)))
                    continue;
                bool any = false;
                if (m_record)
                    Note(CellsWith(u, bit), bit, u,
                         18 + std::countr_zero(static_cast<unsigned>(boxes)));
                for (std::uint8_t c :
                     t.Units[18 + std::countr_zero(static_cast<unsigned>(boxes))]) {
                    const bool inLine = u < 9 ? t.RowOf[c] == u : t.ColOf[c] == u - 9;
                    if (!inLine)
                        any |= Eliminate(c, bit);
                }
                if (any)
                    return true;
            }
        return false;
    }

    bool NakedSubset(int n)
    {
        const GridTables& t = Tables();
        for (int u = 0; u < 27; ++u) {
            int cells[9], count = 0;
            for (std::uint8_t c : t.Units[u]) {
                const int k = std::popcount(m_cand[c]);
                if (k >= 2 && k <= n)
                    cells[count++] = c;
            }
            const bool found = ForCombos(count, n, [&](const int* idx) {
                DigitMask all = 0;
                for (int i = 0; i < n; ++i)
                    all |= m_cand[cells[idx[i]]];
                if (std::popcount(all) != n)
                    return false;
                if (m_record) {
                    std::vector<int> members;
                    for (int i = 0; i < n; ++i)
                        members.push_back(cells[idx[i]]);
                    Note(std::move(members), all, u);
                }
                bool any = false;
                for (std::uint8_t c : t.Units[u]) {
                    bool member = false;
                    for (int i = 0; i < n; ++i)
                        member |= cells[idx[i]] == c;
                    if (!member)
                        any |= Eliminate(c, all);
                }
                return any;
            });
            if (found)
                return true;
        }
        return false;
    }

    bool HiddenSubset(int n)
    {
        const GridTables& t = Tables();
        for (int u = 0; u < 27; ++u) {
            DigitMask pos[9];
            int digits[9], count = 0;
            for (int d = 1; d <= 9; ++d) {
                const DigitMask p = Positions(u, DigitBit(d));
                const int k = std::popcount(p);
                if (k >= 2 && k <= n) {
                    pos[count] = p;
                    digits[count++] = d;
                }
            }
            const bool found = ForCombos(count, n, [&](const int* idx) {
                DigitMask where = 0, keep = 0;
                for (int i = 0; i < n; ++i) {
                    where |= pos[idx[i]];
                    keep |= DigitBit(digits[idx[i]]);
                }
                if (std::popcount(where) != n)
                    return false;
                if (m_record) {
                    std::vector<int> members;
                    for (int i = 0; i < 9; ++i)
                        if (where & (1u << i))
                            members.push_back(t.Units[u][i]);
                    Note(std::move(members), keep, u);
                }
                bool any = false;
                for (int i = 0; i < 9; ++i)
                    if (where & (1u << i))
                        any |= Eliminate(t.Units[u][i], static_cast<DigitMask>(~keep & kAllDigits));
                return any;
            });
            if (found)
                return true;
        }
        return false;
    }

    // ---- tier 3 --------------------------------------------------------------------------

    /// X-Wing (n = 2), Swordfish (3), Jellyfish (4), with rows or columns as base lines.
    bool Fish(int n)
    {
        const GridTables& t = Tables();
        for (int d = 1; d <= 9; ++d) {
            const DigitMask bit = DigitBit(d);
            for (int orient = 0; orient < 2; ++orient) {
                const int baseUnit = orient == 0 ? 0 : 9;
                const int coverUnit = orient == 0 ? 9 : 0;
                DigitMask cover[9];
                int lines[9], count = 0;
                for (int i = 0; i < 9; ++i) {
                    const DigitMask p = Positions(baseUnit + i, bit);
                    const int k = std::popcount(p);
                    if (k >= 2 && k <= n) {
                        cover[count] = p;
                        lines[count++] = i;
                    }
                }
                const bool found = ForCombos(count, n, [&](const int* idx) {
                    DigitMask all = 0;
                    int baseSet = 0;
                    for (int i = 0; i < n; ++i) {
                        all |= cover[idx[i]];
                        baseSet |= 1 << lines[idx[i]];
                    }
                    if (std::popcount(all) != n)
                        return false;
                    if (m_record) {
                        std::vector<int> members;
                        m_pattern.Bases.clear();
                        m_pattern.Covers.clear();
                        for (int k = 0; k < 9; ++k)
                            if (baseSet & (1 << k)) {
                                m_pattern.Bases.push_back(baseUnit + k);
                                for (int c : CellsWith(baseUnit + k, bit))
                                    members.push_back(c);
                            }
                        for (int j = 0; j < 9; ++j)
                            if (all & (1u << j))
                                m_pattern.Covers.push_back(coverUnit + j);
                        std::sort(members.begin(), members.end());
                        Note(std::move(members), bit);
                    }
                    bool any = false;
                    for (int j = 0; j < 9; ++j)
                        if (all & (1u << j))
                            for (int k = 0; k < 9; ++k)
                                if (!(baseSet & (1 << k)))
                                    any |= Eliminate(t.Units[coverUnit + j][k], bit);
                    return any;
                });
                if (found)
                    return true;
            }
        }
        return false;
    }

    struct Link
    {
        int A, B;
        int Unit;
    };

    /// Strong links of a digit in rows (units 0..8) or columns (9..17).
    std::vector<Link> LineLinks(DigitMask bit, int firstUnit) const
    {
        std::vector<Link> links;
        for (int u = firstUnit; u < firstUnit + 9; ++u) {
            const DigitMask p = Positions(u, bit);
            if (std::popcount(p) == 2) {
                const auto& cells = Tables().Units[u];
                links.push_back({cells[std::countr_zero(p)], cells[15 - std::countl_zero(p)], u});
            }
        }
        return links;
    }

    /// Removes `bit` from every cell that sees both `a` and `b` (other than a and b).
    bool EliminateSeenByBoth(int a, int b, DigitMask bit)
    {
        bool any = false;
        for (std::uint8_t c : Tables().Peers[a])
            if (c != b && Sees(c, b))
                any |= Eliminate(c, bit);
        return any;
    }

    bool Skyscraper()
    {
        const GridTables& t = Tables();
        for (int d = 1; d <= 9; ++d) {
            const DigitMask bit = DigitBit(d);
            for (int orient = 0; orient < 2; ++orient) {
                const auto links = LineLinks(bit, orient == 0 ? 0 : 9);
                // Ends lie in the same cross line when their column (for row links) or row
                // (for column links) agrees.
                auto cross = [&](int cell) { return orient == 0 ? t.ColOf[cell] : t.RowOf[cell]; };
                for (std::size_t i = 0; i < links.size(); ++i)
                    for (std::size_t j = i + 1; j < links.size(); ++j)
                        for (int flip = 0; flip < 4; ++flip) {
                            const int a1 = flip & 1 ? links[i].B : links[i].A;
                            const int b1 = flip & 1 ? links[i].A : links[i].B;
                            const int a2 = flip & 2 ? links[j].B : links[j].A;
                            const int b2 = flip & 2 ? links[j].A : links[j].B;
                            if (cross(a1) != cross(a2) || cross(b1) == cross(b2))
                                continue;
                            if (m_record) {
                                Note({a1, b1, a2, b2}, bit);
                                m_pattern.Bases = {links[i].Unit, links[j].Unit};
                            }
                            if (EliminateSeenByBoth(b1, b2, bit))
                                return true;
                        }
            }
        }
        return false;
    }

    bool TwoStringKite()
    {
        const GridTables& t = Tables();
        for (int d = 1; d <= 9; ++d) {
            const DigitMask bit = DigitBit(d);
            const auto rows = LineLinks(bit, 0);
            const auto cols = LineLinks(bit, 9);
            for (const Link& r : rows)
                for (const Link& c : cols)
                    for (int flip = 0; flip < 4; ++flip) {
                        const int ra = flip & 1 ? r.B : r.A, rb = flip & 1 ? r.A : r.B;
                        const int ca = flip & 2 ? c.B : c.A, cb = flip & 2 ? c.A : c.B;
                        if (ra == ca || rb == cb || ra == cb || rb == ca ||
                            t.BoxOf[ra] != t.BoxOf[ca])
                            continue;
                        if (m_record) {
                            Note({rb, ra, ca, cb}, bit, -1, 18 + t.BoxOf[ra]);
                            m_pattern.Bases = {r.Unit, c.Unit};
                        }
                        if (EliminateSeenByBoth(rb, cb, bit))
                            return true;
                    }
        }
        return false;
    }

    bool XYWing()
    {
        const GridTables& t = Tables();
        for (int pivot = 0; pivot < 81; ++pivot) {
            const DigitMask pm = m_cand[pivot];
            if (std::popcount(pm) != 2)
                continue;
            for (int i = 0; i < 20; ++i) {
                const int p1 = t.Peers[pivot][i];
                const DigitMask m1 = m_cand[p1];
                if (std::popcount(m1) != 2 || std::popcount(static_cast<DigitMask>(m1 & pm)) != 1)
                    continue;
                for (int j = i + 1; j < 20; ++j) {
                    const int p2 = t.Peers[pivot][j];
                    const DigitMask m2 = m_cand[p2];
                    if (std::popcount(m2) != 2)
                        continue;
                    const DigitMask z = m1 & m2 & ~pm;
                    if (!z || (m1 | m2 | pm) != (pm | z) || (m1 & pm) == (m2 & pm))
                        continue;
                    if (m_record)
                        Note({pivot, p1, p2}, z);
                    if (EliminateSeenByBoth(p1, p2, z))
                        return true;
                }
            }
        }
        return false;
    }

    bool XYZWing()
    {
        const GridTables& t = Tables();
        for (int pivot = 0; pivot < 81; ++pivot) {
            const DigitMask pm = m_cand[pivot];
            if (std::popcount(pm) != 3)
                continue;
            for (int i = 0; i < 20; ++i) {
                const int p1 = t.Peers[pivot][i];
                const DigitMask m1 = m_cand[p1];
                if (std::popcount(m1) != 2 || (m1 & ~pm))
                    continue;
                for (int j = i + 1; j < 20; ++j) {
                    const int p2 = t.Peers[pivot][j];
                    const DigitMask m2 = m_cand[p2];
                    if (std::popcount(m2) != 2 || (m2 & ~pm) || m1 == m2)
                        continue;
                    const DigitMask z = m1 & m2;
                    if (m_record)
                        Note({pivot, p1, p2}, z);
                    bool any = false;
                    for (std::uint8_t c : t.Peers[pivot])
                        if (c != p1 && c != p2 && Sees(c, p1) && Sees(c, p2))
                            any |= Eliminate(c, z);
                    if (any)
                        return true;
                }
            }
        }
        return false;
    }

    // ---- tier 4 --------------------------------------------------------------------------

    bool WWing()
    {
        const GridTables& t = Tables();
        for (int c1 = 0; c1 < 81; ++c1) {
            const DigitMask m = m_cand[c1];
            if (std::popcount(m) != 2)
                continue;
            for (int c2 = c1 + 1; c2 < 81; ++c2) {
                if (m_cand[c2] != m || Sees(c1, c2))
                    continue;
                for (int k = 0; k < 2; ++k) {
                    // A strong link on `a` whose ends see c1 and c2 forces `b` into c1 or c2.
                    const DigitMask a = k == 0 ? (m & -m) : (m & (m - 1));
                    const DigitMask b = m & ~a;
                    for (int u = 0; u < 27; ++u) {
                        const DigitMask p = Positions(u, a);
                        if (std::popcount(p) != 2)
                            continue;
                        const int e1 = t.Units[u][std::countr_zero(p)];
                        const int e2 = t.Units[u][15 - std::countl_zero(p)];
                        if (e1 == c1 || e1 == c2 || e2 == c1 || e2 == c2)
                            continue;
                        if (!((Sees(e1, c1) && Sees(e2, c2)) || (Sees(e1, c2) && Sees(e2, c1))))
                            continue;
                        if (m_record)
                            Note({c1, c2, e1, e2}, static_cast<DigitMask>(a | b), u);
                        if (EliminateSeenByBoth(c1, c2, b))
                            return true;
                    }
                }
            }
        }
        return false;
    }

    /// Alternating inference chains, searched breadth-first from every candidate A under the
    /// assumption "A is false": a strong link leads from a false candidate to a true one, a weak
    /// link from a true candidate to a false one. Reaching "Y is true" proves that A or Y is
    /// true, so any candidate weakly linked to both is removed; reaching "A is true" proves A.
    /// The link kinds allowed select the family: X-chains use strong links inside a unit (one
    /// digit), XY-chains strong links inside bivalue cells, AICs both plus in-cell weak links.
    /// The shortest chain that removes something is applied.
    bool Chain(bool cellStrong, bool unitStrong, bool cellWeak)
    {
        const GridTables& t = Tables();
        // Digit positions per unit, to find strong links quickly.
        std::array<std::array<DigitMask, 9>, 27> pos;
        for (int u = 0; u < 27; ++u)
            for (int d = 0; d < 9; ++d)
                pos[u][d] = Positions(u, static_cast<DigitMask>(1u << d));

        auto strongOf = [&](int node, int* out) {
            const int cell = node / 9, d = node % 9;
            int n = 0;
            if (cellStrong && std::popcount(m_cand[cell]) == 2)
                out[n++] =
                    cell * 9 + std::countr_zero(static_cast<DigitMask>(m_cand[cell] & ~(1u << d)));
            if (unitStrong)
                for (std::uint8_t u : t.UnitsOfCell[cell])
                    if (std::popcount(pos[u][d]) == 2) {
                        const DigitMask p = pos[u][d];
                        const int a = t.Units[u][std::countr_zero(p)];
                        const int b = t.Units[u][15 - std::countl_zero(p)];
                        out[n++] = (a == cell ? b : a) * 9 + d;
                    }
            return n;
        };
        auto weakOf = [&](int node, int* out) {
            const int cell = node / 9, d = node % 9;
            int n = 0;
            if (cellWeak)
                for (DigitMask m = m_cand[cell] & ~(1u << d); m; m &= m - 1)
                    out[n++] = cell * 9 + std::countr_zero(m);
            for (std::uint8_t p : t.Peers[cell])
                if (m_cand[p] & (1u << d))
                    out[n++] = p * 9 + d;
            return n;
        };
        auto weakLinked = [&](int x, int y) {
            if (x == y)
                return false;
            if (x / 9 == y / 9)
                return cellWeak;
            return x % 9 == y % 9 && Sees(x / 9, y / 9);
        };

        int bestLinks = kMaxChainLinks + 1;
        std::vector<int> bestElims; // node ids
        std::vector<int> bestChain; // node ids from the start, when recording
        std::vector<int> elims;
        // seen[state] == stamp marks the states reached from the current start.
        std::array<std::uint16_t, 729 * 2> seen{};
        std::uint16_t stamp = 0;
        std::array<int, 729 * 2> queue;
        std::array<std::uint8_t, 729 * 2> depth;
        std::array<int, 729 * 2> parent;
        int nbr[32];
        // A chain is used only when no candidate occurs in it twice (its two ends may be the
        // same candidate: "A false => A true").
        auto simple = [&](int endState) {
            std::array<std::uint16_t, 729> mark{};
            const bool loop = endState / 2 == queue[0] / 2;
            for (int s = loop ? parent[endState] : endState;; s = parent[s]) {
                if (mark[s / 2]++)
                    return false;
                if (s == queue[0])
                    return true;
            }
        };

        for (int start = 0; start < 729; ++start) {
            const int sc = start / 9, sd = start % 9;
            if (!(m_cand[sc] & (1u << sd)))
                continue;
            if (cellStrong && !unitStrong && std::popcount(m_cand[sc]) != 2)
                continue;
            ++stamp;
            int head = 0, tail = 0;
            queue[tail++] = start * 2; // state = node * 2 + (1 if true)
            seen[start * 2] = stamp;
            depth[start * 2] = 0;
            bool done = false;
            while (head < tail && !done) {
                const int state = queue[head++];
                const int node = state / 2;
                const int links = depth[state] + 1;
                if (links >= bestLinks)
                    break;
                if ((state & 1) == 0) {
                    const int n = strongOf(node, nbr);
                    for (int i = 0; i < n && !done; ++i) {
                        const int next = nbr[i] * 2 + 1;
                        if (seen[next] == stamp)
                            continue;
                        seen[next] = stamp;
                        depth[next] = static_cast<std::uint8_t>(links);
                        parent[next] = state;
                        queue[tail++] = next;
                        // "start false => nbr true": collect what this proves.
                        elims.clear();
                        if (nbr[i] == start) {
                            for (DigitMask m = m_cand[sc] & ~(1u << sd); m; m &= m - 1)
                                elims.push_back(sc * 9 + std::countr_zero(m));
                        } else {
                            int w[32];
                            const int k = weakOf(nbr[i], w);
                            for (int j = 0; j < k; ++j)
                                if (w[j] != start && weakLinked(w[j], start))
                                    elims.push_back(w[j]);
                        }
                        if (!elims.empty() && simple(next)) {
                            bestLinks = links;
                            bestElims = elims;
                            done = true;
                            if (m_record) {
                                bestChain.clear();
                                for (int st = next;; st = parent[st]) {
                                    bestChain.push_back(st / 2);
                                    if (st == queue[0])
                                        break;
                                }
                                std::reverse(bestChain.begin(), bestChain.end());
                            }
                        }
                    }
                } else {
                    const int n = weakOf(node, nbr);
                    for (int i = 0; i < n; ++i) {
                        const int next = nbr[i] * 2;
                        if (seen[next] == stamp)
                            continue;
                        seen[next] = stamp;
                        depth[next] = static_cast<std::uint8_t>(links);
                        parent[next] = state;
                        queue[tail++] = next;
                    }
                }
            }
        }
        if (bestElims.empty())
            return false;
        if (m_record) {
            std::vector<int> cells;
            DigitMask digits = 0;
            for (int node : bestChain) {
                if (std::find(cells.begin(), cells.end(), node / 9) == cells.end())
                    cells.push_back(node / 9);
                digits |= static_cast<DigitMask>(1u << (node % 9));
            }
            Note(std::move(cells), digits);
            m_pattern.Chain = std::move(bestChain);
        }
        bool any = false;
        for (int node : bestElims)
            any |= Eliminate(node / 9, static_cast<DigitMask>(1u << (node % 9)));
        m_chainLinks = bestLinks;
        return any;
    }

    std::array<DigitMask, 81> m_cand;
    Grid m_value;
    const Grid* m_solution;
    std::vector<TStep>* m_record;
    TStep m_step;
    TPattern m_pattern;
    int m_open = 81;
    int m_unsound = 0;
    int m_chainLinks = 0;
    bool m_broken = false;
    Technique m_current = Technique::FullHouse;
    Technique m_firstUnsound = Technique::FullHouse;
};

} // namespace

int GradeResult::TotalSteps() const
{
    int total = 0;
    for (int n : Steps)
        total += n;
    return total;
}

int GradeResult::HardestOrder() const
{
    return TotalSteps() == 0 ? 0 : static_cast<int>(Hardest) + 1;
}

GradeResult Grade(const Grid& puzzle, Technique last, const Grid* solution)
{
    return RunTechniques(puzzle, last, solution, nullptr);
}

GradeResult RunTechniques(const Grid& puzzle, Technique last, const Grid* solution,
                          std::vector<TStep>* record)
{
    Board board(puzzle, solution, record);
    return board.Run(last);
}

} // namespace gq::solve
