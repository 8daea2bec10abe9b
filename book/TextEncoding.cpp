#include "book/TextEncoding.h"

#include "gq/Error.h"
#include "report/FontFace.h"

#include <cstdint>
#include <cstdio>

namespace gq::book
{

namespace
{

std::string CodePointName(char32_t c)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(c));
    return hex;
}

} // namespace

char32_t NextCodePoint(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<std::uint8_t>(text[at]);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || at + static_cast<std::size_t>(length) > text.size())
        return 0;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    at += static_cast<std::size_t>(length);
    return c;
}

std::string ToPageText(std::string_view utf8, std::string_view what)
{
    std::string out;
    std::size_t at = 0;
    while (at < utf8.size()) {
        const std::size_t start = at;
        const char32_t c = NextCodePoint(utf8, at);
        if (at == start)
            throw Error(std::string(what) + " is not valid UTF-8 text (at byte " +
                        std::to_string(start) + ")");
        int code = -1;
        for (int b = 0x20; b < 0x100 && code < 0; ++b)
            if (b != 0x7F && report::Windows1252ToUnicode(static_cast<std::uint8_t>(b)) == c)
                code = b;
        // The five unassigned bytes map to themselves: they are no printable character.
        if (code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D)
            code = -1;
        if (code < 0)
            throw Error(std::string(what) + " holds the character \"" +
                        std::string(utf8.substr(start, at - start)) + "\" (" + CodePointName(c) +
                        "), which the book's font encoding cannot print; use Latin letters");
        out += static_cast<char>(code);
    }
    return out;
}

} // namespace gq::book
