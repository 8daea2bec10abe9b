#include "pdf/Flate.h"

#include "gq/Error.h"

#include <zlib.h>

#include <new>

namespace gq::pdf
{

std::string FlateCompress(std::string_view content)
{
    // compress2 takes its lengths as uLong: a page content stream is far below its range.
    uLongf packedSize = compressBound(static_cast<uLong>(content.size()));
    std::string packed(packedSize, '\0');
    const int result = compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                                 reinterpret_cast<const Bytef*>(content.data()),
                                 static_cast<uLong>(content.size()), Z_DEFAULT_COMPRESSION);
    if (result == Z_MEM_ERROR)
        throw std::bad_alloc();
    if (result != Z_OK)
        throw InternalError("zlib could not compress a content stream (code " +
                            std::to_string(result) + ")");
    packed.resize(packedSize);
    return packed;
}

} // namespace gq::pdf
