#pragma once

#include <string>
#include <string_view>

namespace gq::book
{

/// The digits of an ISBN typed by a user: 13 digits (ISBN-13) or 10 (ISBN-10, whose last may
/// be 'X' or 'x' for ten), with hyphens or spaces between them allowed. Returns the digits
/// without separators ('X' upper case). Throws gq::Error naming the problem: a character that
/// is not a digit, a wrong number of digits, or a check digit that does not match the others
/// (saying which one it should be).
std::string IsbnDigits(std::string_view isbn);

} // namespace gq::book
