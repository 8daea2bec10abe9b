#include "pdf/StreamReader.h"

#include "pdf/PdfError.h"

#include <bit>
#include <cstring>

namespace gq::pdf
{

TStreamReader::TStreamReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

void TStreamReader::FailAt(const std::string& message, std::size_t offset)
{
    throw TPageStreamError(message, offset);
}

void TStreamReader::Fail(const std::string& message) const { FailAt(message, m_pos); }

void TStreamReader::Require(std::size_t count) const
{
    if (count > m_bytes.size() - m_pos)
        Fail("The page stream ends unexpectedly at byte offset " + std::to_string(m_pos) + " (" +
             std::to_string(count) + " more bytes needed).");
}

void TStreamReader::Seek(std::size_t position)
{
    if (position > m_bytes.size())
        Fail("The page stream refers to byte offset " + std::to_string(position) +
             ", beyond its end.");
    m_pos = position;
}

std::uint8_t TStreamReader::ReadByte()
{
    Require(1);
    return m_bytes[m_pos++];
}

std::uint16_t TStreamReader::ReadWord()
{
    Require(2);
    std::uint16_t v = static_cast<std::uint16_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

std::int16_t TStreamReader::ReadSignedWord() { return static_cast<std::int16_t>(ReadWord()); }

std::int32_t TStreamReader::ReadLong()
{
    Require(4);
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | m_bytes[m_pos + i];
    m_pos += 4;
    return static_cast<std::int32_t>(v);
}

double TStreamReader::ReadSingle()
{
    std::uint32_t bits = static_cast<std::uint32_t>(ReadLong());
    return static_cast<double>(std::bit_cast<float>(bits));
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
