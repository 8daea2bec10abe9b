#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gq::report
{

/// A string in 16 bytes, for the names and texts that every report item carries: up to 15
/// characters are kept in place, a longer text on the heap.
///
///   bytes 0..14   the characters (in place), or the heap pointer (0..7) and size (8..11)
///   byte  15      the size when in place (0..15), kHeap when on the heap
class TCompactString
{
  public:
    TCompactString() = default;
    explicit TCompactString(std::string_view text) { Assign(text); }
    TCompactString(const TCompactString& other) { Assign(other.View()); }
    TCompactString& operator=(const TCompactString& other);
    TCompactString(TCompactString&& other) noexcept;
    TCompactString& operator=(TCompactString&& other) noexcept;
    ~TCompactString() { Release(); }

    /// Replaces the text. Throws std::length_error beyond 4 GiB.
    void Assign(std::string_view text);

    std::string_view View() const;
    std::string Str() const { return std::string(View()); }
    bool Empty() const { return m_bytes[kTag] == 0; }

    bool operator==(std::string_view text) const { return View() == text; }

  private:
    static constexpr std::size_t kInline = 15;
    static constexpr std::size_t kTag = 15;
    static constexpr unsigned char kHeap = 0xFF;

    bool OnHeap() const { return static_cast<unsigned char>(m_bytes[kTag]) == kHeap; }
    void Release();

    char m_bytes[16] = {};
};

static_assert(sizeof(TCompactString) == 16);

} // namespace gq::report
