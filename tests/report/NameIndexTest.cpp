// The name index on its own: case-blind comparison and hash at every length the word-wise code
// treats apart, probing and deletion inside clusters, and the number hints.

#include "report/NameIndex.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

namespace gq::report
{
namespace
{

struct TNamed
{
    std::string Text;
    std::string_view NameView() const { return Text; }
};

std::string Flip(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// Lengths 0..20 cross the byte-wise (< 4), two-word (4..7) and eight-byte (>= 8) paths, and a
// difference in any one position must be seen, including one hidden by the overlapping loads.
TEST(NameIndexTest, SameNameAndHashIgnoreCaseOnlyAtEveryLength)
{
    const std::string letters = "aBcDeFgHiJkLmNoPqRsTu";
    for (std::size_t size = 0; size <= 20; ++size) {
        const std::string name = letters.substr(0, size);
        EXPECT_TRUE(SameName(name, Flip(name))) << name;
        EXPECT_EQ(NameHash(name), NameHash(Flip(name))) << name;
        for (std::size_t at = 0; at < size; ++at) {
            std::string other = name;
            other[at] = '_';
            EXPECT_FALSE(SameName(name, other)) << name << " / " << other;
            other[at] = '0';
            EXPECT_FALSE(SameName(Flip(name), other)) << name << " / " << other;
        }
        EXPECT_FALSE(SameName(name, name + "x"));
    }
    // Folding is for letters only: '@' and '`' differ by the case bit but are not the same name.
    EXPECT_FALSE(SameName("ab@d", "ab`d"));
    EXPECT_FALSE(SameName("[", "{"));
}

// All items share one hash, so every lookup and erase walks one cluster that wraps around the
// end of the table; the table must agree with a plain map after each step.
TEST(NameIndexTest, FindsEveryLiveItemThroughEraseInsideOneCluster)
{
    std::vector<TNamed> items(12);
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i].Text = "Item" + std::to_string(i);
    }
    TNameIndex<TNamed> index;
    std::map<std::string, TNamed*> live;
    constexpr std::uint32_t kHash = 15; // the last slot of the smallest table
    for (TNamed& item : items) {
        index.Insert(&item, kHash);
        live[item.Text] = &item;
    }
    std::mt19937 random(5);
    while (!live.empty()) {
        auto it = live.begin();
        std::advance(it, static_cast<std::ptrdiff_t>(random() % live.size()));
        EXPECT_TRUE(index.Erase(it->second, kHash));
        EXPECT_FALSE(index.Erase(it->second, kHash));
        EXPECT_EQ(index.Find(it->first, kHash), nullptr);
        live.erase(it);
        for (const auto& [name, item] : live) {
            ASSERT_EQ(index.Find(Flip(name), kHash), item) << name;
        }
        EXPECT_EQ(index.Count(), live.size());
    }
}

TEST(NameIndexTest, GrowsAndReservesWithoutLosingItems)
{
    std::vector<TNamed> items(1000);
    TNameIndex<TNamed> index;
    index.Reserve(10);
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i].Text = "Cell" + std::to_string(i);
        index.Insert(&items[i], NameHash(items[i].Text));
    }
    index.Reserve(2000);
    for (const TNamed& item : items) {
        ASSERT_EQ(index.Find(Flip(item.Text), NameHash(item.Text)), &item) << item.Text;
    }
    EXPECT_EQ(index.Find("Cell1000", NameHash("Cell1000")), nullptr);
}

TEST(NameIndexTest, NumberHintsStartAtOneAndComeDownForFreedNames)
{
    TNumberHints hints;
    hints.Lower("Text3"); // nothing to lower yet
    EXPECT_EQ(hints.For("Text"), 1);
    hints.For("Text") = 40;
    hints.For("Text1") = 9;
    EXPECT_EQ(hints.For("TEXT"), 40); // the base is matched ignoring case

    hints.Lower("text12"); // base "text" with 12, base "text1" with 2
    EXPECT_EQ(hints.For("Text"), 12);
    EXPECT_EQ(hints.For("Text1"), 2);
    hints.Lower("Text30"); // above the hint: no change
    EXPECT_EQ(hints.For("Text"), 12);
    hints.Lower("Text05");    // a leading zero is never a generated number
    hints.Lower("Text10000"); // nor are more than four digits
    EXPECT_EQ(hints.For("Text"), 12);
    EXPECT_EQ(hints.For("Text1"), 2);
}

} // namespace
} // namespace gq::report
