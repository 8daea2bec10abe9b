#include "report/NameIndex.h"

#include <charconv>
#include <cstring>
#include <unordered_map>

namespace gq::report
{

namespace
{

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    const std::size_t size = a.size();
    const char* p = a.data();
    const char* q = b.data();
    // Names found in an index are mostly spelled alike: compare whole words first.
    if (size >= 8) {
        bool equal = true;
        for (std::size_t i = 0; equal && i + 8 <= size; i += 8) {
            equal = std::memcmp(p + i, q + i, 8) == 0;
        }
        if (equal && std::memcmp(p + size - 8, q + size - 8, 8) == 0) {
            return true;
        }
    } else if (size >= 4) {
        if (std::memcmp(p, q, 4) == 0 && std::memcmp(p + size - 4, q + size - 4, 4) == 0) {
            return true;
        }
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (p[i] != q[i] && FoldCase(p[i]) != FoldCase(q[i])) {
            return false;
        }
    }
    return true;
}

// Eight bytes at a time. OR-ing 0x20 into every byte gives both cases of a letter the same bits
// (it also merges a few other pairs such as '@' and '`', which only costs an extra comparison on
// a collision).
std::uint32_t NameHash(std::string_view name)
{
    constexpr std::uint64_t kFold = 0x2020202020202020ULL;
    auto mix = [](std::uint64_t h) {
        h *= 0xBF58476D1CE4E5B9ULL;
        return h ^ (h >> 31);
    };
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ name.size();
    const char* p = name.data();
    const std::size_t size = name.size();
    if (size >= 8) {
        std::size_t at = 0;
        for (; at + 8 <= size; at += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + at, 8);
            h = mix(h ^ (word | kFold));
        }
        if (at < size) { // the last eight bytes, overlapping the previous word
            std::uint64_t word;
            std::memcpy(&word, p + size - 8, 8);
            h = mix(h ^ (word | kFold));
        }
    } else if (size >= 4) { // two four-byte loads, overlapping when size < 8
        std::uint32_t low;
        std::uint32_t high;
        std::memcpy(&low, p, 4);
        std::memcpy(&high, p + size - 4, 4);
        const std::uint64_t word = low | (static_cast<std::uint64_t>(high) << 32);
        h = mix(h ^ (word | kFold));
    } else {
        std::uint64_t word = 0;
        for (std::size_t i = 0; i < size; ++i) {
            word |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
        }
        h = mix(h ^ (word | kFold));
    }
    h = mix(h);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

// ---------------------------------------------------------------------------------------------
// TNumberHints

namespace
{

// Both take string_view keys, so a lookup needs no string of its own.
struct TFoldHash
{
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return NameHash(name); }
};

struct TFoldEqual
{
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return SameName(a, b); }
};

} // namespace

struct TNumberHints::TTable
{
    /// Base (first spelling seen) -> first number that may be free.
    std::unordered_map<std::string, int, TFoldHash, TFoldEqual> Next;
    /// The entry used last (entries are never erased, so it stays valid).
    std::pair<const std::string, int>* Last = nullptr;
};

TNumberHints::TNumberHints() = default;
TNumberHints::~TNumberHints() = default;
TNumberHints::TNumberHints(TNumberHints&&) noexcept = default;
TNumberHints& TNumberHints::operator=(TNumberHints&&) noexcept = default;

int& TNumberHints::For(std::string_view base)
{
    if (m_table == nullptr) {
        m_table = std::make_unique<TTable>();
    }
    // Controls are mostly added in runs of one class: try the base used last before hashing.
    auto*& last = m_table->Last;
    if (last == nullptr || !SameName(last->first, base)) {
        auto found = m_table->Next.find(base);
        if (found == m_table->Next.end()) {
            found = m_table->Next.emplace(std::string(base), 1).first;
        }
        last = &*found;
    }
    return last->second;
}

void TNumberHints::Lower(std::string_view name)
{
    if (m_table == nullptr) {
        return;
    }
    std::size_t digitsStart = name.size();
    while (digitsStart > 0 && name[digitsStart - 1] >= '0' && name[digitsStart - 1] <= '9') {
        --digitsStart;
    }
    for (std::size_t split = digitsStart; split < name.size(); ++split) {
        std::string_view digits = name.substr(split);
        if (digits[0] == '0' || digits.size() > 4) {
            continue; // never a candidate: numbers are written without leading zeros, up to 9999
        }
        int number = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), number);
        auto hint = m_table->Next.find(name.substr(0, split));
        if (hint != m_table->Next.end() && number < hint->second) {
            hint->second = number;
        }
    }
}

} // namespace gq::report
