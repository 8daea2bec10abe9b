#pragma once

// The option types of the PDF renderer that its callers set: the font encoding and the content
// stream compressor.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace gq::pdf
{

/// Encoding named in the font dictionaries.
enum class TPDFFontEncoding : std::uint8_t
{
    feMacRomanEncoding,
    feMacExpertEncoding,
    feWinAnsiEncoding,
    fePDFDocEncoding,
    feStandardEncoding
};

/// Compresses a content stream: gets the bytes, returns the compressed bytes and may change
/// `filter` (preset "FlateDecode").
using TCompressEvent = std::function<std::string(std::string_view content, std::string& filter)>;

} // namespace gq::pdf
