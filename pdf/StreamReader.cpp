#include "pdf/StreamReader.h"

#include "pdf/PdfError.h"

#include <cstring>

namespace gq::pdf
{

TStreamReader::TStreamReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

void TStreamReader::FailAt(const std::string& problem, std::size_t offset)
{
    throw TPageStreamError(problem, offset);
}

void TStreamReader::Fail(const std::string& problem) const { FailAt(problem, m_pos); }

void TStreamReader::FailShort(std::size_t count) const
{
    const std::size_t left = m_bytes.size() - m_pos;
    Fail("the stream ends unexpectedly: " + std::to_string(count) +
         (count == 1 ? " byte" : " bytes") + " needed, " + std::to_string(left) + " left");
}

void TStreamReader::Seek(std::size_t position)
{
    if (position > m_bytes.size())
        Fail("an offset points to byte " + std::to_string(position) +
             ", beyond the end of the stream (" + std::to_string(m_bytes.size()) + " bytes)");
    m_pos = position;
}

std::size_t TStreamReader::ReadSize(std::string_view what)
{
    const std::size_t offset = m_pos;
    const std::int32_t size = ReadLong();
    if (size < 0)
        FailAt("negative " + std::string(what) + " size " + std::to_string(size), offset);
    return static_cast<std::size_t>(size);
}

std::string TStreamReader::ReadString()
{
    std::size_t length = ReadByte();
    if (length >= 0xC0)
        length = ((length - 0xC0) << 8) | ReadByte();
    auto bytes = ReadBytes(length);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::span<const std::uint8_t> TStreamReader::ReadBytes(std::size_t count)
{
    Require(count);
    auto view = m_bytes.subspan(m_pos, count);
    m_pos += count;
    return view;
}

void TStreamReader::Skip(std::size_t count)
{
    Require(count);
    m_pos += count;
}

} // namespace gq::pdf
