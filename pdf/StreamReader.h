#pragma once

#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace gq::pdf
{

/// Bounds-checked little-endian reader over a page stream held in memory. The bytes are not
/// owned and must outlive the reader. Every read that would pass the end throws TPageStreamError
/// with the offset of the failed read.
class TStreamReader
{
  public:
    explicit TStreamReader(std::span<const std::uint8_t> bytes);

    std::size_t Position() const { return m_pos; }
    std::size_t Size() const { return m_bytes.size(); }
    bool AtEnd() const { return m_pos >= m_bytes.size(); }

    /// Moves to `position`; throws TPageStreamError when it lies beyond the end.
    void Seek(std::size_t position);

    std::uint8_t ReadByte()
    {
        Require(1);
        return m_bytes[m_pos++];
    }
    std::uint16_t ReadWord()
    {
        Require(2);
        auto v = static_cast<std::uint16_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }
    std::int16_t ReadSignedWord() { return static_cast<std::int16_t>(ReadWord()); }
    std::int32_t ReadLong()
    {
        Require(4);
        std::uint32_t v = static_cast<std::uint32_t>(m_bytes[m_pos]) |
                          (static_cast<std::uint32_t>(m_bytes[m_pos + 1]) << 8) |
                          (static_cast<std::uint32_t>(m_bytes[m_pos + 2]) << 16) |
                          (static_cast<std::uint32_t>(m_bytes[m_pos + 3]) << 24);
        m_pos += 4;
        return static_cast<std::int32_t>(v);
    }
    /// A single-precision float, widened to double.
    double ReadSingle()
    {
        return static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(ReadLong())));
    }
    /// A Long holding the byte count of what follows; throws TPageStreamError "negative `what`
    /// size N" at the Long's offset when it is negative.
    std::size_t ReadSize(std::string_view what);
    /// A length-prefixed text: one byte L < 192, or 0xC0 + (L >> 8) and L & 0xFF.
    std::string ReadString();
    /// `count` raw bytes, as a view into the stream.
    std::span<const std::uint8_t> ReadBytes(std::size_t count);
    /// Skips `count` bytes.
    void Skip(std::size_t count);

    /// Throws TPageStreamError: `problem` (a phrase, see TPageStreamError) at the current
    /// position.
    [[noreturn]] void Fail(const std::string& problem) const;
    /// Throws TPageStreamError: `problem` at `offset`.
    [[noreturn]] static void FailAt(const std::string& problem, std::size_t offset);

  private:
    void Require(std::size_t count) const
    {
        if (count > m_bytes.size() - m_pos)
            FailShort(count);
    }
    [[noreturn]] void FailShort(std::size_t count) const;

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

} // namespace gq::pdf
