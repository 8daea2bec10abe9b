#include "pdf/Flate.h"

#include "gq/Error.h"

#include <zlib.h>

#include <new>

namespace gq::pdf
{

namespace
{

[[noreturn]] void Fail(int result)
{
    if (result == Z_MEM_ERROR)
        throw std::bad_alloc();
    throw InternalError("zlib could not compress a content stream (code " +
                        std::to_string(result) + ")");
}

/// One deflate stream per thread, reset for each content stream: setting one up takes some
/// 256 KiB of tables, which a book of 400 pages would otherwise take from the system and give
/// back 400 times. A reset stream compresses exactly as a new one does.
class TDeflater
{
  public:
    TDeflater()
    {
        const int result = deflateInit(&m_stream, Z_DEFAULT_COMPRESSION);
        if (result != Z_OK)
            Fail(result);
    }
    ~TDeflater() { deflateEnd(&m_stream); }
    TDeflater(const TDeflater&) = delete;
    TDeflater& operator=(const TDeflater&) = delete;

    std::string Compress(std::string_view content)
    {
        int result = deflateReset(&m_stream);
        if (result != Z_OK)
            Fail(result);
        // One call with room for the worst case, in a buffer kept for the next stream: the
        // result is a fifth of that room, and is copied out at its own size. A page content
        // stream is far below the range of zlib's lengths.
        const std::size_t bound = deflateBound(&m_stream, static_cast<uLong>(content.size()));
        if (m_room.size() < bound)
            m_room.resize(bound);
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
        m_stream.avail_in = static_cast<uInt>(content.size());
        m_stream.next_out = reinterpret_cast<Bytef*>(m_room.data());
        m_stream.avail_out = static_cast<uInt>(bound);
        result = deflate(&m_stream, Z_FINISH);
        if (result != Z_STREAM_END)
            Fail(result == Z_OK ? Z_BUF_ERROR : result);
        return std::string(m_room.data(), m_stream.total_out);
    }

  private:
    z_stream m_stream{};
    std::string m_room;
};

} // namespace

std::string FlateCompress(std::string_view content)
{
    thread_local TDeflater deflater;
    return deflater.Compress(content);
}

} // namespace gq::pdf
