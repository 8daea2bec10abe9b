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

} // namespace gq::book
