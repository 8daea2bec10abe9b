#include "pdf/PdfFormat.h"

#include "pdf/Clock.h"

#include <gtest/gtest.h>

#include <locale>
#include <stdexcept>

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
