#include "report/Rounding.h"

#include <gtest/gtest.h>

#include <limits>

namespace gq::report
{
namespace
{

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(2.5001), 3);
}

TEST(RoundHalfEven, IsDefinedForEveryDouble)
{
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::infinity()), kMax);
    EXPECT_EQ(RoundHalfEven(-std::numeric_limits<double>::infinity()), kMin);
    EXPECT_EQ(RoundHalfEven(1e300), kMax);
    EXPECT_EQ(RoundHalfEven(-1e300), kMin);
    EXPECT_EQ(RoundHalfEven(static_cast<double>(kMax) - 0.4), kMax);
    EXPECT_EQ(RoundHalfEven(static_cast<double>(kMax) - 1.0), kMax - 1);
    EXPECT_EQ(RoundHalfEven(static_cast<double>(kMin) + 1.0), kMin + 1);
}

} // namespace
} // namespace gq::report
