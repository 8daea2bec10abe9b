#pragma once

// The renderer's own content-stream compressor: zlib's deflate, the /FlateDecode filter.

#include <string>
#include <string_view>

namespace gq::pdf
{

/// `content` compressed in the zlib format that /FlateDecode reads, at zlib's default level.
/// The same bytes always give the same result with the same zlib. Throws std::bad_alloc when
/// zlib has no memory, gq::InternalError when it fails otherwise.
std::string FlateCompress(std::string_view content);

} // namespace gq::pdf
