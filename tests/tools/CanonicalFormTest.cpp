#include "tools/CanonicalForm.h"

#include "support/ToolsGrid.h"
#include "tools/Rng.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace gq::tools
{
namespace
{

/// Short, so that tables of puzzles stay one per line.
constexpr auto& G = testsupport::GridFromText;

const char* const kPuzzles[] = {
    "000000700008070906709500000300060000000240100165000030901000200000350090000000000",
    "020071090006020080000000000000062010400000905030509024000000040018000300900830000",
    "000020100800004007013009050000003000006500000200600004000800700005001890390000000",
    "904000010000060042300420000080000060209600070000700000000007300038200700000590001",
};

/// One random symmetry move: rows inside a band, columns inside a stack, two bands, two
/// stacks, a transposition, or two digits exchanged.
void RandomMove(Grid& g, Rng& rng)
{
    const int kind = static_cast<int>(rng.Below(6));
    const int block = static_cast<int>(rng.Below(3));
    const int a = static_cast<int>(rng.Below(3));
    const int b = (a + 1 + static_cast<int>(rng.Below(2))) % 3;
    const Grid before = g;
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 9; ++c) {
            int sr = r, sc = c;
            if (kind == 0 && r / 3 == block && r % 3 == a)
                sr = 3 * block + b;
            else if (kind == 0 && r / 3 == block && r % 3 == b)
                sr = 3 * block + a;
            else if (kind == 1 && c / 3 == block && c % 3 == a)
                sc = 3 * block + b;
            else if (kind == 1 && c / 3 == block && c % 3 == b)
                sc = 3 * block + a;
            else if (kind == 2 && r / 3 == a)
                sr = 3 * b + r % 3;
            else if (kind == 2 && r / 3 == b)
                sr = 3 * a + r % 3;
            else if (kind == 3 && c / 3 == a)
                sc = 3 * b + c % 3;
            else if (kind == 3 && c / 3 == b)
                sc = 3 * a + c % 3;
            else if (kind == 4)
                std::swap(sr, sc);
            g[9 * r + c] = before[9 * sr + sc];
        }
    if (kind == 5)
        for (auto& v : g)
            v = v == a + 1   ? static_cast<std::uint8_t>(b + 1)
                : v == b + 1 ? static_cast<std::uint8_t>(a + 1)
                             : v;
}

/// The puzzle turned a quarter to the right.
Grid Rotated(const Grid& g)
{
    Grid out{};
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 9; ++c)
            out[9 * c + 8 - r] = g[9 * r + c];
    return out;
}

TEST(CanonicalFormTest, IsTheSameForEverySymmetryOfAPuzzle)
{
    Rng rng(42);
    for (const char* text : kPuzzles) {
        const Grid puzzle = G(text);
        const std::string form = CanonicalForm(puzzle);
        ASSERT_EQ(form.size(), 81u);
        EXPECT_EQ(std::count(form.begin(), form.end(), '.'), 81 - CountGivens(puzzle));
        Grid moved = puzzle;
        for (int trial = 0; trial < 30; ++trial) {
            for (int k = 0; k < 25; ++k)
                RandomMove(moved, rng);
            EXPECT_EQ(CanonicalForm(moved), form) << text << " trial " << trial;
        }
        EXPECT_EQ(CanonicalForm(Rotated(puzzle)), form) << text;
        Grid mirrored{};
        for (int i = 0; i < 81; ++i)
            mirrored[i] = puzzle[80 - i];
        EXPECT_EQ(CanonicalForm(mirrored), form) << text;
        // The form is itself a member of the class and so its own canonical form.
        Grid formGrid{};
        ASSERT_TRUE(ParsePuzzle(form, formGrid));
        EXPECT_EQ(CanonicalForm(formGrid), form);
    }
}

/// The canonical form by brute force: every one of the 2 x 1296 x 1296 arrangements is read
/// until it compares larger than the best so far.
std::string ExhaustiveForm(const Grid& puzzle)
{
    static constexpr int kPerms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                         {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    std::array<std::array<int, 9>, 1296> orders;
    for (int p = 0; p < 1296; ++p)
        for (int b = 0, rest = p / 6; b < 3; ++b, rest /= 6)
            for (int k = 0; k < 3; ++k)
                orders[p][3 * b + k] = 3 * kPerms[p % 6][b] + kPerms[rest % 6][k];
    std::array<std::uint8_t, 81> best;
    best.fill(0xFF);
    bool first = true;
    for (int t = 0; t < 2; ++t)
        for (const auto& rows : orders)
            for (const auto& cols : orders) {
                std::array<std::uint8_t, 81> out;
                std::uint8_t label[10] = {}, next = 0;
                bool larger = false, smaller = first;
                for (int i = 0; i < 81 && !larger; ++i) {
                    const int r = rows[i / 9], c = cols[i % 9];
                    const int d = t == 0 ? puzzle[9 * r + c] : puzzle[9 * c + r];
                    if (d != 0 && label[d] == 0)
                        label[d] = ++next;
                    out[i] = d == 0 ? 0xFF : label[d];
                    if (!smaller && out[i] != best[i])
                        (out[i] < best[i] ? smaller : larger) = true;
                }
                if (smaller && !larger)
                    best = out;
                first = false;
            }
    std::string text(81, '.');
    for (int i = 0; i < 81; ++i)
        if (best[i] != 0xFF)
            text[i] = static_cast<char>('0' + best[i]);
    return text;
}

TEST(CanonicalFormTest, MatchesAnExhaustiveSearch)
{
    for (const char* text : {kPuzzles[0], kPuzzles[3]}) {
        const Grid puzzle = G(text);
        EXPECT_EQ(CanonicalForm(puzzle), ExhaustiveForm(puzzle)) << text;
    }
    // Few givens leave many ties for the pruning to carry through.
    const Grid sparse =
        G("100000000000000020000300000000000000000040000000000000005000000000000000000000600");
    EXPECT_EQ(CanonicalForm(sparse), ExhaustiveForm(sparse));
}

TEST(CanonicalFormTest, SeparatesDistinctPuzzles)
{
    std::vector<std::string> forms;
    for (const char* text : kPuzzles)
        forms.push_back(CanonicalForm(G(text)));
    // Moving a single given to another cell of its row, or removing one, changes the class.
    const Grid puzzle = G(kPuzzles[0]);
    Grid nudged = puzzle;
    std::swap(nudged[6], nudged[7]);
    forms.push_back(CanonicalForm(nudged));
    Grid fewer = puzzle;
    fewer[6] = 0;
    forms.push_back(CanonicalForm(fewer));
    // Two givens of the same digit against two different digits in the same cells.
    Grid twoSame{}, twoDifferent{};
    twoSame[0] = twoSame[40] = 1;
    twoDifferent[0] = 1;
    twoDifferent[40] = 2;
    forms.push_back(CanonicalForm(twoSame));
    forms.push_back(CanonicalForm(twoDifferent));
    for (std::size_t i = 0; i < forms.size(); ++i)
        for (std::size_t j = i + 1; j < forms.size(); ++j)
            EXPECT_NE(forms[i], forms[j]) << i << " vs " << j;
}

TEST(CanonicalFormTest, HandlesEmptyAndFullGrids)
{
    EXPECT_EQ(CanonicalForm(Grid{}), std::string(81, '.'));
    const Grid full =
        G("843625791791483562625197834319748256568219347274356918152834679437962185986571423");
    const std::string form = CanonicalForm(full);
    EXPECT_EQ(form.find('.'), std::string::npos);
    EXPECT_EQ(form.substr(0, 9), "123456789"); // the first row is always read as 1..9
}

} // namespace
} // namespace gq::tools
