#include "book/TerminalText.h"

#include "book/TextEncoding.h"

namespace gq::book
{

std::string TerminalText(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        // Malformed input decodes as 0, like NUL, and is escaped a byte at a time.
        const char32_t c = NextCodePoint(text, at);
        if (at == start)
            ++at;
        if (c >= 0x20 && c != 0x7F && (c < 0x80 || c >= 0xA0)) {
            shown.append(text.substr(start, at - start));
            continue;
        }
        for (std::size_t i = start; i < at; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xF];
        }
    }
    return shown;
}

} // namespace gq::book
