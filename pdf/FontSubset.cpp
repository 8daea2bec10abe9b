#include "pdf/FontSubset.h"

#include "gq/SharedLibrary.h"

#include <hb-subset.h>

#include <algorithm>
#include <memory>

namespace gq::pdf
{

namespace
{

/// The functions of HarfBuzz's subsetter the embedded fonts need, from the library opened when a
/// print-ready book first asks for a subset: HarfBuzz and the libraries it loads would
/// otherwise cost every run, and most books embed no font.
struct THarfBuzz
{
    decltype(&hb_blob_create) BlobCreate = nullptr;
    decltype(&hb_blob_destroy) BlobDestroy = nullptr;
    decltype(&hb_blob_get_data) BlobData = nullptr;
    decltype(&hb_face_create) FaceCreate = nullptr;
    decltype(&hb_face_destroy) FaceDestroy = nullptr;
    decltype(&hb_face_get_glyph_count) GlyphCount = nullptr;
    decltype(&hb_face_reference_blob) FaceBlob = nullptr;
    decltype(&hb_set_add) SetAdd = nullptr;
    decltype(&hb_set_allocation_successful) SetAllocated = nullptr;
    decltype(&hb_subset_input_create_or_fail) InputCreate = nullptr;
    decltype(&hb_subset_input_destroy) InputDestroy = nullptr;
    decltype(&hb_subset_input_unicode_set) InputUnicodes = nullptr;
    decltype(&hb_subset_input_set) InputSet = nullptr;
    decltype(&hb_subset_input_set_flags) InputFlags = nullptr;
    decltype(&hb_subset_or_fail) Subset = nullptr;
};

const THarfBuzz& HarfBuzz()
{
    static const THarfBuzz hb = [] {
        static const TSharedLibrary library(GQ_HARFBUZZ_SUBSET_SONAME,
                                            "cannot make the embedded font subsets");
        THarfBuzz functions;
        library.Look("hb_blob_create", functions.BlobCreate);
        library.Look("hb_blob_destroy", functions.BlobDestroy);
        library.Look("hb_blob_get_data", functions.BlobData);
        library.Look("hb_face_create", functions.FaceCreate);
        library.Look("hb_face_destroy", functions.FaceDestroy);
        library.Look("hb_face_get_glyph_count", functions.GlyphCount);
        library.Look("hb_face_reference_blob", functions.FaceBlob);
        library.Look("hb_set_add", functions.SetAdd);
        library.Look("hb_set_allocation_successful", functions.SetAllocated);
        library.Look("hb_subset_input_create_or_fail", functions.InputCreate);
        library.Look("hb_subset_input_destroy", functions.InputDestroy);
        library.Look("hb_subset_input_unicode_set", functions.InputUnicodes);
        library.Look("hb_subset_input_set", functions.InputSet);
        library.Look("hb_subset_input_set_flags", functions.InputFlags);
        library.Look("hb_subset_or_fail", functions.Subset);
        return functions;
    }();
    return hb;
}

// Owning handles for the HarfBuzz objects: each is destroyed with its own function.
struct TBlobDelete
{
    void operator()(hb_blob_t* p) const { HarfBuzz().BlobDestroy(p); }
};
struct TFaceDelete
{
    void operator()(hb_face_t* p) const { HarfBuzz().FaceDestroy(p); }
};
struct TInputDelete
{
    void operator()(hb_subset_input_t* p) const { HarfBuzz().InputDestroy(p); }
};
using TBlob = std::unique_ptr<hb_blob_t, TBlobDelete>;
using TFace = std::unique_ptr<hb_face_t, TFaceDelete>;
using TInput = std::unique_ptr<hb_subset_input_t, TInputDelete>;

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
    const THarfBuzz& hb = HarfBuzz();
    TBlob blob(hb.BlobCreate(reinterpret_cast<const char*>(program.data()),
                             static_cast<unsigned>(program.size()), HB_MEMORY_MODE_READONLY,
                             nullptr, nullptr));
    TFace face(hb.FaceCreate(blob.get(), 0));
    // An unreadable file gives HarfBuzz's empty face, which has no glyphs at all.
    if (hb.GlyphCount(face.get()) == 0)
        return std::nullopt;
    TInput input(hb.InputCreate());
    if (!input)
        return std::nullopt;
    hb_set_t* wanted = hb.InputUnicodes(input.get());
    for (char32_t u : unicodes)
        hb.SetAdd(wanted, static_cast<hb_codepoint_t>(u));
    hb_set_t* dropped = hb.InputSet(input.get(), HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (hb_tag_t tag : kUnusedTables)
        hb.SetAdd(dropped, tag);
    hb.InputFlags(input.get(), HB_SUBSET_FLAGS_GLYPH_NAMES);
    if (!hb.SetAllocated(wanted) || !hb.SetAllocated(dropped))
        return std::nullopt;

    TFace subset(hb.Subset(face.get(), input.get()));
    if (!subset)
        return std::nullopt;
    TBlob bytes(hb.FaceBlob(subset.get()));
    unsigned length = 0;
    const char* data = hb.BlobData(bytes.get(), &length);
    if (!data || length == 0)
        return std::nullopt;
    return std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(data),
                                     reinterpret_cast<const std::uint8_t*>(data) + length);
}

void PrepareFontSubsets() noexcept
{
    try {
        HarfBuzz();
    } catch (...) {
        // SubsetFontProgram opens it again and says what is wrong.
    }
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
