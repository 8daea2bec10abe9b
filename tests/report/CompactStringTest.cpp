// The 16-byte string of report names and texts: both sides of the in-place limit, copies and
// moves, and assigning a string its own text.

#include "report/CompactString.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace gq::report
{
namespace
{

TEST(CompactStringTest, KeepsEveryLengthAcrossTheInPlaceLimit)
{
    for (std::size_t size : {0, 1, 14, 15, 16, 17, 100}) {
        std::string text;
        for (std::size_t i = 0; i < size; ++i) {
            text += static_cast<char>('a' + i % 26);
        }
        TCompactString s(text);
        EXPECT_EQ(s.View(), text);
        EXPECT_EQ(s.Empty(), size == 0);
        TCompactString copy = s;
        s.Assign("x");
        EXPECT_EQ(copy.Str(), text);
        TCompactString moved = std::move(copy);
        EXPECT_EQ(moved.View(), text);
        EXPECT_TRUE(copy.Empty()); // NOLINT: a moved-from string is empty
        copy = moved;
        EXPECT_EQ(copy.View(), text);
    }
}

TEST(CompactStringTest, AssigningItsOwnTextOrAPartOfItKeepsTheText)
{
    TCompactString heap("a text long enough for the heap");
    heap.Assign(heap.View());
    EXPECT_EQ(heap.View(), "a text long enough for the heap");
    heap.Assign(heap.View().substr(2, 4));
    EXPECT_EQ(heap.View(), "text");
    heap.Assign(heap.View().substr(1));
    EXPECT_EQ(heap.View(), "ext");
    const TCompactString& alias = heap;
    heap = alias;
    EXPECT_EQ(heap.View(), "ext");
}

} // namespace
} // namespace gq::report
