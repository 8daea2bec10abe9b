#include "pdf/PdfFormat.h"

#include "pdf/Clock.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <locale>
#include <random>
#include <stdexcept>
#include <vector>

namespace gq::pdf
{
namespace
{

// A locale whose decimal separator is a comma and whose thousands are grouped.
struct TCommaPunct : std::numpunct<char>
{
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

class PdfFormat : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_saved = std::locale::global(std::locale(std::locale::classic(), new TCommaPunct));
    }
    void TearDown() override { std::locale::global(m_saved); }
    std::locale m_saved;
};

TEST_F(PdfFormat, ConversionsIgnoreTheLocale)
{
    struct TCase
    {
        std::string Format;
        TFormatArg Arg;
        std::string Expected;
    };
    const TCase cases[] = {
        {"%d 0 obj", 12, "12 0 obj"},
        {"%d", -3, "-3"},
        {"%d", 1234567, "1234567"},
        {"%.4f", 68.7, "68.7000"},
        {"%.4f", 1234567.0, "1234567.0000"},
        {"%.4f", -0.5, "-0.5000"},
        {"%.4f", 0.00005, "0.0001"}, // 0.00005 lies just above the half as a double
        {"%.4f", 1.0 / 0.0, "0.0000"},
        {"%.3g", 0.0, "0"},
        {"%.3g", 1.0, "1"},
        {"%.3g", 0.5, "0.5"},
        {"%.3g", 128.0 / 255.0, "0.502"},
        {"%.3g", 1.0 / 255.0, "0.00392"},
        {"%.4d", 12, "0012"},
        {"%.4d", 12345, "12345"},
        {"%.4d", -7, "-0007"},
        {"/%s", "F1", "/F1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatPdf(c.Format, {c.Arg}), c.Expected) << c.Format;
    EXPECT_EQ(FormatPdf("100%%", {}), "100%");
    EXPECT_EQ(FormatPdf("/MediaBox [0 0 %.4f %.4f]", {612.0, 792.0}),
              "/MediaBox [0 0 612.0000 792.0000]");
}

TEST_F(PdfFormat, MismatchedArgumentsAreProgrammingErrors)
{
    EXPECT_THROW(FormatPdf("%d", {}), std::logic_error);
    EXPECT_THROW(FormatPdf("%d", {1, 2}), std::logic_error);
    EXPECT_THROW(FormatPdf("%s", {1}), std::logic_error);
    EXPECT_THROW(FormatPdf("%x", {1}), std::logic_error);
}

// The conversions the writers must reproduce: std::to_chars, non-finite values as 0.
std::string Reference(double value, std::chars_format fmt, int precision)
{
    if (!std::isfinite(value))
        value = 0.0;
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, fmt, precision);
    EXPECT_EQ(ec, std::errc());
    return std::string(buffer, end);
}

std::string ReferenceInteger(long long value, int minDigits)
{
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    std::string digits = std::to_string(magnitude);
    if (static_cast<int>(digits.size()) < minDigits)
        digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

// Values that test a fixed-point writer hard: exact and near rounding halves at the fourth
// decimal, both signs, zero and negative zero, tiny and huge magnitudes, non-finite values, the
// coordinates a page produces, and random doubles spread over many orders of magnitude.
std::vector<double> HardReals()
{
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1e-300,
                                  -1e-300,
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::max(),
                                  -std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(),
                                  0.00005,
                                  -0.00005,
                                  0.00004999999999,
                                  0.00015,
                                  0.03125,
                                  -0.03125,
                                  0.96875,
                                  429496.7295,
                                  429496.72955,
                                  429496.7296,
                                  1e6 + 0.00005,
                                  1e15,
                                  1e20,
                                  -123456789.98765};
    for (int k = 0; k < 4096; ++k) {
        // k / 2^n has at most n binary digits after the point: exact ties at the 4th decimal.
        for (double scale : {16.0, 32.0, 64.0, 128.0, 1024.0}) {
            values.push_back(k / scale);
            values.push_back(-k / scale);
        }
        double half = (k + 0.5) / 10000.0;
        for (double v : {half, std::nextafter(half, 0.0), std::nextafter(half, 1.0)}) {
            values.push_back(v);
            values.push_back(-v);
            values.push_back(v + 611.0);
        }
        values.push_back(k / 72.0 * 72.0);
        values.push_back((11.0 - k / 600.0) * 72.0);
    }
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-12, 12);
    for (int i = 0; i < 200000; ++i)
        values.push_back(std::ldexp(mantissa(random), exponent(random) * 3));
    return values;
}

TEST(PdfNumberWriters, Fixed4MatchesTheGeneralConversion)
{
    std::string out;
    int failures = 0;
    for (double v : HardReals()) {
        out.assign("x");
        AppendFixed4(out, v);
        std::string expected = "x" + Reference(v, std::chars_format::fixed, 4);
        if (out != expected && ++failures <= 10)
            ADD_FAILURE() << "value " << std::hexfloat << v << ": " << out << " != " << expected;
        ASSERT_EQ(FormatFixed4(v), expected.substr(1));
    }
    EXPECT_EQ(failures, 0);
}

TEST(PdfNumberWriters, General3MatchesTheGeneralConversion)
{
    std::string out;
    for (double v : HardReals()) {
        out.clear();
        AppendGeneral3(out, v);
        ASSERT_EQ(out, Reference(v, std::chars_format::general, 3)) << v;
    }
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(FormatGeneral3(i / 255.0), Reference(i / 255.0, std::chars_format::general, 3));
}

TEST(PdfNumberWriters, IntegersMatchTheGeneralConversion)
{
    std::vector<long long> values = {0,
                                     1,
                                     -1,
                                     9,
                                     10,
                                     999,
                                     1000,
                                     9999,
                                     10000,
                                     -9999,
                                     -10000,
                                     std::numeric_limits<long long>::max(),
                                     std::numeric_limits<long long>::min(),
                                     std::numeric_limits<int>::min()};
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i)
        values.push_back(static_cast<long long>(random()) >> (i % 64));
    for (long long v : values) {
        for (int minDigits : {1, 4, 12}) {
            std::string out = "x";
            AppendInteger(out, v, minDigits);
            ASSERT_EQ(out, "x" + ReferenceInteger(v, minDigits)) << v << " " << minDigits;
        }
        EXPECT_EQ(FormatPdf("%d|%.4d", {v, v}),
                  ReferenceInteger(v, 1) + "|" + ReferenceInteger(v, 4));
    }
}

TEST(PdfNumberWriters, AppendingFormatKeepsWhatIsThere)
{
    std::string out = "q ";
    AppendFormatPdf(out, "%.4f %.4f %s%%", {1.5, -2, "m"});
    EXPECT_EQ(out, "q 1.5000 -2.0000 m%");
    AppendEscapedPdfString(out, "(a\\)");
    EXPECT_EQ(out, "q 1.5000 -2.0000 m%\\(a\\\\\\)");
}

TEST(PdfEscape, ParenthesesAndBackslashesOnly)
{
    EXPECT_EQ(EscapePdfString("a(b)c\\d"), "a\\(b\\)c\\\\d");
    EXPECT_EQ(EscapePdfString("\xE4\x80 %"), "\xE4\x80 %");
}

TEST(Clock, EpochSecondsBecomeACalendarReading)
{
    struct TCase
    {
        long long Seconds;
        std::array<int, 7> Expected; // year, month, day, hour, minute, second, weekday
    };
    const TCase cases[] = {
        {0, {1970, 1, 1, 0, 0, 0, 4}},
        {951782400, {2000, 2, 29, 0, 0, 0, 2}},
        {1700000000, {2023, 11, 14, 22, 13, 20, 2}},
        {253402300799, {9999, 12, 31, 23, 59, 59, 5}},
    };
    for (const auto& c : cases) {
        TDateTime t = DateTimeFromEpoch(c.Seconds);
        EXPECT_EQ((std::array{t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, t.WeekDay}),
                  c.Expected)
            << c.Seconds;
    }
}

} // namespace
} // namespace gq::pdf
