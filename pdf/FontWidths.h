#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace gq::pdf
{

/// Advance widths of one font in thousandths of the em, indexed by byte value.
using TWidthTable = std::array<std::int16_t, 256>;

/// The widths of a standard Type 1 base font ("Helvetica", "Times-BoldItalic", "Courier-Oblique",
/// "Symbol", "ZapfDingbats", ...), compared exactly; nullptr for any other name. Codes 1..31 hold
/// 0 and code 0 the width of the blank. Text fonts are laid out in Windows code page 1252;
/// Symbol and ZapfDingbats in their own built-in encodings.
const TWidthTable* StandardFontWidths(std::string_view baseFontName);

/// The standard base font for a face name of the fixed table (Courier, Courier New, Times New
/// Roman, TimesRoman, Symbol, Arial, ZapfDingbats; any letter case) with the style, or the empty
/// text when the face is not in the table.
std::string StandardBaseFontName(std::string_view face, bool bold, bool italic);

/// "Helvetica" with the style suffix: the fall-back for faces that are neither in the table nor
/// TrueType.
std::string HelveticaName(bool bold, bool italic);

/// The base font name of a TrueType face: the face with its blanks removed, then ",BoldItalic",
/// ",Bold" or ",Italic" by style.
std::string TrueTypeBaseFontName(std::string_view face, bool bold, bool italic);

/// Compares two texts without regard to ASCII letter case.
bool EqualsNoCase(std::string_view a, std::string_view b);

} // namespace gq::pdf
