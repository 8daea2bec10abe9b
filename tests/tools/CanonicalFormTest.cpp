#include "tools/CanonicalForm.h"

#include "tools/Rng.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace gq::tools
{
namespace
{

Grid G(const char* text)
{
    Grid g{};
    EXPECT_TRUE(ParsePuzzle(text, g)) << text;
    return g;
}

const char* const kPuzzles[] = {
    "000000700008070906709500000300060000000240100165000030901000200000350090000000000",
    "020071090006020080000000000000062010400000905030509024000000040018000300900830000",
    "000020100800004007013009050000003000006500000200600004000800700005001890390000000",
    "904000010000060042300420000080000060209600070000700000000007300038200700000590001",
};

/// One random move of the program's shuffle: rows inside a band, columns inside a stack, or two
/// digits exchanged.
void RandomMove(Grid& g, Rng& rng)
{
    const int kind = static_cast<int>(rng.Below(3));
    const int block = static_cast<int>(rng.Below(3));
    const int a = 3 * block + static_cast<int>(rng.Below(3));
    int b = 3 * block + static_cast<int>(rng.Below(3));
    if (b == a)
        b = 3 * block + (a - 3 * block + 1) % 3;
    if (kind == 0)
        for (int c = 0; c < 9; ++c)
            std::swap(g[9 * a + c], g[9 * b + c]);
    else if (kind == 1)
        for (int r = 0; r < 9; ++r)
            std::swap(g[9 * r + a], g[9 * r + b]);
    else
        for (auto& v : g)
            v = v == a + 1   ? static_cast<std::uint8_t>(b + 1)
                : v == b + 1 ? static_cast<std::uint8_t>(a + 1)
                             : v;
}

TEST(CanonicalFormTest, IsTheSameForEveryShuffleOfAPuzzle)
{
    Rng rng(42);
    for (const char* text : kPuzzles) {
        const Grid puzzle = G(text);
        const std::string form = CanonicalForm(puzzle);
        ASSERT_EQ(form.size(), 81u);
        EXPECT_EQ(std::count(form.begin(), form.end(), '.'), 81 - CountGivens(puzzle));
        Grid moved = puzzle;
        for (int trial = 0; trial < 40; ++trial) {
            for (int k = 0; k < 25; ++k)
                RandomMove(moved, rng);
            EXPECT_EQ(CanonicalForm(moved), form) << text << " trial " << trial;
        }
        // The form is itself a member of the class and so its own canonical form.
        Grid formGrid{};
        ASSERT_TRUE(ParsePuzzle(form, formGrid));
        EXPECT_EQ(CanonicalForm(formGrid), form);
    }
}

/// The canonical form by brute force: every one of the 6^3 x 6^3 arrangements, read in full.
std::string ExhaustiveForm(const Grid& puzzle)
{
    static constexpr int kPerms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                         {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    std::array<std::uint8_t, 81> best;
    best.fill(0xFF);
    bool first = true;
    for (int rp = 0; rp < 216; ++rp)
        for (int cp = 0; cp < 216; ++cp) {
            int rows[9], cols[9];
            for (int b = 0, r = rp, c = cp; b < 3; ++b, r /= 6, c /= 6)
                for (int k = 0; k < 3; ++k) {
                    rows[3 * b + k] = 3 * b + kPerms[r % 6][k];
                    cols[3 * b + k] = 3 * b + kPerms[c % 6][k];
                }
            std::array<std::uint8_t, 81> out;
            std::uint8_t label[10] = {}, next = 0;
            for (int i = 0; i < 81; ++i) {
                const int d = puzzle[9 * rows[i / 9] + cols[i % 9]];
                if (d != 0 && label[d] == 0)
                    label[d] = ++next;
                out[i] = d == 0 ? 0xFF : label[d];
            }
            if (first || out < best)
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
    for (const char* text : {kPuzzles[0], kPuzzles[1]}) {
        const Grid puzzle = G(text);
        EXPECT_EQ(CanonicalForm(puzzle), ExhaustiveForm(puzzle)) << text;
    }
    // Few givens leave many ties for the pruning to carry through.
    const Grid sparse =
        G("100000000000000020000300000000000000000040000000000000005000000000000000000000600");
    EXPECT_EQ(CanonicalForm(sparse), ExhaustiveForm(sparse));
}

TEST(CanonicalFormTest, SeparatesPuzzlesTheShuffleCannotReach)
{
    std::vector<std::string> forms;
    for (const char* text : kPuzzles)
        forms.push_back(CanonicalForm(G(text)));
    for (std::size_t i = 0; i < forms.size(); ++i)
        for (std::size_t j = i + 1; j < forms.size(); ++j)
            EXPECT_NE(forms[i], forms[j]) << i << " vs " << j;

    // Transposing and exchanging bands are not shuffle moves.
    const Grid puzzle = G(kPuzzles[0]);
    Grid transposed{}, bandsSwapped{};
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 9; ++c) {
            transposed[9 * c + r] = puzzle[9 * r + c];
            bandsSwapped[9 * ((r + 3) % 9) + c] = puzzle[9 * r + c];
        }
    EXPECT_NE(CanonicalForm(transposed), forms[0]);
    EXPECT_NE(CanonicalForm(bandsSwapped), forms[0]);

    // Moving a single given to another cell of its row changes the class.
    Grid nudged = puzzle;
    std::swap(nudged[6], nudged[7]);
    EXPECT_NE(CanonicalForm(nudged), forms[0]);
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
