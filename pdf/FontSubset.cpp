#include "pdf/FontSubset.h"

#include <hb-subset.h>

#include <algorithm>
#include <memory>

namespace gq::pdf
{

namespace
{

// Owning handles for the HarfBuzz objects: each is destroyed with its own function.
template <typename T, void (*Destroy)(T*)> struct THbDelete
{
    void operator()(T* p) const { Destroy(p); }
};
using TBlob = std::unique_ptr<hb_blob_t, THbDelete<hb_blob_t, hb_blob_destroy>>;
using TFace = std::unique_ptr<hb_face_t, THbDelete<hb_face_t, hb_face_destroy>>;
using TInput =
    std::unique_ptr<hb_subset_input_t, THbDelete<hb_subset_input_t, hb_subset_input_destroy>>;

// Tables a PDF reader never consults: shaping and layout data. Dropping them keeps the subset
// small; the outlines, metrics, cmap, names and hinting stay.
constexpr hb_tag_t kUnusedTables[] = {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'),
                                      HB_TAG('G', 'D', 'E', 'F'), HB_TAG('k', 'e', 'r', 'n'),
                                      HB_TAG('J', 'S', 'T', 'F'), HB_TAG('B', 'A', 'S', 'E'),
                                      HB_TAG('D', 'S', 'I', 'G'), HB_TAG('h', 'd', 'm', 'x'),
                                      HB_TAG('L', 'T', 'S', 'H'), HB_TAG('V', 'D', 'M', 'X')};

} // namespace

std::optional<std::vector<std::uint8_t>> SubsetFontProgram(std::span<const std::uint8_t> program,
                                                           std::span<const char32_t> unicodes)
{
    if (program.empty())
        return std::nullopt;
    TBlob blob(hb_blob_create(reinterpret_cast<const char*>(program.data()),
                              static_cast<unsigned>(program.size()), HB_MEMORY_MODE_READONLY,
                              nullptr, nullptr));
    TFace face(hb_face_create(blob.get(), 0));
    // An unreadable file gives HarfBuzz's empty face, which has no glyphs at all.
    if (hb_face_get_glyph_count(face.get()) == 0)
        return std::nullopt;
    TInput input(hb_subset_input_create_or_fail());
    if (!input)
        return std::nullopt;
    hb_set_t* wanted = hb_subset_input_unicode_set(input.get());
    for (char32_t u : unicodes)
        hb_set_add(wanted, static_cast<hb_codepoint_t>(u));
    hb_set_t* dropped = hb_subset_input_set(input.get(), HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (hb_tag_t tag : kUnusedTables)
        hb_set_add(dropped, tag);
    hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_GLYPH_NAMES);
    if (!hb_set_allocation_successful(wanted) || !hb_set_allocation_successful(dropped))
        return std::nullopt;

    TFace subset(hb_subset_or_fail(face.get(), input.get()));
    if (!subset)
        return std::nullopt;
    TBlob bytes(hb_face_reference_blob(subset.get()));
    unsigned length = 0;
    const char* data = hb_blob_get_data(bytes.get(), &length);
    if (!data || length == 0)
        return std::nullopt;
    return std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(data),
                                     reinterpret_cast<const std::uint8_t*>(data) + length);
}

std::string SubsetTag(std::string_view baseFont, std::span<const char32_t> unicodes)
{
    std::vector<char32_t> sorted(unicodes.begin(), unicodes.end());
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());

    // 64-bit FNV-1a over the name, a separator and each code point's four bytes.
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    auto mix = [&hash](std::uint8_t byte) {
        hash ^= byte;
        hash *= 0x100000001B3ULL;
    };
    for (char c : baseFont)
        mix(static_cast<std::uint8_t>(c));
    mix(0);
    for (char32_t u : sorted)
        for (int shift = 24; shift >= 0; shift -= 8)
            mix(static_cast<std::uint8_t>(u >> shift));

    std::string tag(6, 'A');
    for (char& letter : tag) {
        letter = static_cast<char>('A' + hash % 26);
        hash /= 26;
    }
    return tag;
}

} // namespace gq::pdf
