#pragma once

#include <string>
#include <string_view>

namespace gq::book
{

/// `text` as it may be shown on a terminal: control characters (C0, DEL and C1) and bytes that
/// are not UTF-8 are written as "\x1b", so that user text can neither drive the terminal nor
/// break a message into lines. Other UTF-8 text stays as it is.
std::string TerminalText(std::string_view text);

} // namespace gq::book
