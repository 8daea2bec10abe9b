#include "report/CompactString.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace gq::report
{

TCompactString& TCompactString::operator=(const TCompactString& other)
{
    if (this != &other) {
        Assign(other.View());
    }
    return *this;
}

TCompactString::TCompactString(TCompactString&& other) noexcept
{
    std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
    std::memset(other.m_bytes, 0, sizeof other.m_bytes);
}

TCompactString& TCompactString::operator=(TCompactString&& other) noexcept
{
    if (this != &other) {
        Release();
        std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
        std::memset(other.m_bytes, 0, sizeof other.m_bytes);
    }
    return *this;
}

void TCompactString::Release()
{
    if (OnHeap()) {
        char* data;
        std::memcpy(&data, m_bytes, sizeof data);
        delete[] data;
    }
    std::memset(m_bytes, 0, sizeof m_bytes);
}

void TCompactString::Assign(std::string_view text)
{
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("report text longer than 4 GiB");
    }
    // `text` may point into this string: build the new value before releasing the old one.
    if (text.size() <= kInline) {
        char bytes[sizeof m_bytes] = {};
        std::memcpy(bytes, text.data(), text.size());
        bytes[kTag] = static_cast<char>(text.size());
        Release();
        std::memcpy(m_bytes, bytes, sizeof m_bytes);
        return;
    }
    char* data = new char[text.size()];
    std::memcpy(data, text.data(), text.size());
    const auto size = static_cast<std::uint32_t>(text.size());
    Release();
    std::memcpy(m_bytes, &data, sizeof data);
    std::memcpy(m_bytes + sizeof data, &size, sizeof size);
    m_bytes[kTag] = static_cast<char>(kHeap);
}

std::string_view TCompactString::View() const
{
    if (!OnHeap()) {
        return {m_bytes, static_cast<std::size_t>(m_bytes[kTag])};
    }
    const char* data;
    std::uint32_t size;
    std::memcpy(&data, m_bytes, sizeof data);
    std::memcpy(&size, m_bytes + sizeof data, sizeof size);
    return {data, size};
}

} // namespace gq::report
