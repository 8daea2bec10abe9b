#pragma once

#include <string>
#include <string_view>

namespace gq::book
{

/// `utf8` in the pages' 8-bit encoding (Windows-1252, what the PDF fonts are set up for).
/// Throws gq::Error naming `what` ("the title", ...) and the first character that encoding
/// cannot hold, or the byte offset of text that is not UTF-8. Control characters are refused
/// too: they print as nothing.
std::string ToPageText(std::string_view utf8, std::string_view what);

/// Decodes the UTF-8 sequence at `at` and moves `at` past it. Malformed input (a bad lead or
/// continuation byte, a cut sequence, an overlong form, a surrogate, a value past U+10FFFF)
/// returns 0 and leaves `at` where it was; a NUL byte returns 0 and moves `at` on.
char32_t NextCodePoint(std::string_view text, std::size_t& at);

} // namespace gq::book
