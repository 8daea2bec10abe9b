// What reaches the terminal of user text: printable UTF-8 as it is, everything else escaped.
#include "book/TerminalText.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using gq::book::TerminalText;

TEST(TerminalText, EscapesControlsAndBrokenUtf8AndKeepsTheRest)
{
    const struct
    {
        std::string In, Shown;
    } cases[] = {
        {"book.pdf", "book.pdf"},
        {"Ana N\xC3\xBA\xC3\xB1"
         "ez \xE2\x82\xAC \xF0\x9F\x98\x80",
         "Ana N\xC3\xBA\xC3\xB1"
         "ez \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"a\x1b[2Jb", "a\\x1b[2Jb"},
        {"two\nlines\r", "two\\x0alines\\x0d"},
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"del\x7F", "del\\x7f"},
        {"c1 \xC2\x85 and \xC2\xA0", "c1 \\xc2\\x85 and \xC2\xA0"}, // NEL escaped, NBSP kept
        {"bad \xFF byte", "bad \\xff byte"},
        {"cut \xC3", "cut \\xc3"},
        {"overlong \xC0\xAF", "overlong \\xc0\\xaf"},
        {"surrogate \xED\xA0\x80", "surrogate \\xed\\xa0\\x80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TerminalText(c.In), c.Shown) << c.Shown;
}

} // namespace
