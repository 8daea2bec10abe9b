#include "pdf/SfntTables.h"

#include <cstring>

namespace gq::pdf
{

namespace
{

/*  Font file layout (big-endian):
      collection:  'ttcf'  version(4)  numFonts(4)  offset[numFonts](4 each) -> offset tables
      offset table: sfntVersion(4) numTables(2) searchRange(2) entrySelector(2) rangeShift(2)
                    then numTables records: tag(4) checksum(4) offset(4) length(4)          */

struct TTable
{
    std::uint32_t Tag = 0;
    std::uint32_t Checksum = 0;
    std::uint32_t Offset = 0;
    std::uint32_t Length = 0;
};

bool Has(std::span<const std::uint8_t> f, std::size_t at, std::size_t n)
{
    return at <= f.size() && n <= f.size() - at;
}

std::uint32_t U32(std::span<const std::uint8_t> f, std::size_t at)
{
    return (std::uint32_t{f[at]} << 24) | (std::uint32_t{f[at + 1]} << 16) |
           (std::uint32_t{f[at + 2]} << 8) | f[at + 3];
}

std::uint16_t U16(std::span<const std::uint8_t> f, std::size_t at)
{
    return static_cast<std::uint16_t>((f[at] << 8) | f[at + 1]);
}

constexpr std::uint32_t Tag(const char (&s)[5])
{
    return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
           (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}

// Offset of the offset table of face `faceIndex`, or nothing.
std::optional<std::size_t> FaceOffset(std::span<const std::uint8_t> f, int faceIndex)
{
    if (!Has(f, 0, 12))
        return std::nullopt;
    if (U32(f, 0) != Tag("ttcf"))
        return faceIndex == 0 ? std::optional<std::size_t>(0) : std::nullopt;
    std::uint32_t count = U32(f, 8);
    if (faceIndex < 0 || static_cast<std::uint32_t>(faceIndex) >= count ||
        !Has(f, 12 + 4 * static_cast<std::size_t>(faceIndex), 4))
        return std::nullopt;
    return U32(f, 12 + 4 * static_cast<std::size_t>(faceIndex));
}

std::optional<std::vector<TTable>> Tables(std::span<const std::uint8_t> f, std::size_t at)
{
    if (!Has(f, at, 12))
        return std::nullopt;
    std::uint16_t count = U16(f, at + 4);
    if (!Has(f, at + 12, std::size_t{count} * 16))
        return std::nullopt;
    std::vector<TTable> tables;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t r = at + 12 + i * 16;
        TTable t{U32(f, r), U32(f, r + 4), U32(f, r + 8), U32(f, r + 12)};
        if (!Has(f, t.Offset, t.Length))
            return std::nullopt;
        tables.push_back(t);
    }
    return tables;
}

} // namespace

bool EmbeddingAllowed(std::uint16_t fsType)
{
    return (fsType & 0x0002) == 0 && (fsType & 0x0200) == 0;
}

std::optional<TFaceTables> ReadFaceTables(std::span<const std::uint8_t> file, int faceIndex)
{
    auto at = FaceOffset(file, faceIndex);
    if (!at)
        return std::nullopt;
    auto tables = Tables(file, *at);
    if (!tables)
        return std::nullopt;
    auto s16 = [&](std::size_t pos) { return static_cast<std::int16_t>(U16(file, pos)); };
    TFaceTables found;
    for (const TTable& t : *tables) {
        const std::size_t o = t.Offset;
        if (t.Tag == Tag("head") && t.Length >= 54) {
            found.Head =
                THeadValues{U16(file, o + 18), s16(o + 36), s16(o + 38), s16(o + 40), s16(o + 42)};
        } else if (t.Tag == Tag("hhea") && t.Length >= 36) {
            found.Hhea = THheaValues{s16(o + 4), s16(o + 6), s16(o + 8)};
        } else if (t.Tag == Tag("post") && t.Length >= 32) {
            auto angle = static_cast<std::int32_t>(U32(file, o + 4));
            found.Post = TPostValues{angle / 65536.0, U32(file, o + 12) != 0};
        } else if (t.Tag == Tag("OS/2") && t.Length >= 42) {
            // The oldest tables end before the typographic metrics; sxHeight and sCapHeight
            // came with version 2.
            TOs2Values v;
            v.WeightClass = U16(file, o + 4);
            v.FsType = U16(file, o + 8);
            v.PanoseFamily = file[o + 32];
            v.PanoseSerifStyle = file[o + 33];
            v.PanoseProportion = file[o + 35];
            if (t.Length >= 72) {
                v.TypoAscender = s16(o + 68);
                v.TypoDescender = s16(o + 70);
            }
            if (U16(file, o) >= 2 && t.Length >= 96) {
                if (std::int16_t x = s16(o + 86); x != 0)
                    v.XHeight = x;
                if (std::int16_t cap = s16(o + 88); cap != 0)
                    v.CapHeight = cap;
            }
            found.Os2 = v;
        }
    }
    return found;
}

std::vector<std::uint8_t> ExtractFontProgram(std::span<const std::uint8_t> file, int faceIndex)
{
    auto at = FaceOffset(file, faceIndex);
    if (!at)
        return {};
    if (*at == 0)
        return std::vector<std::uint8_t>(file.begin(), file.end());
    auto tables = Tables(file, *at);
    if (!tables)
        return {};
    std::vector<std::uint8_t> out(file.begin() + static_cast<std::ptrdiff_t>(*at),
                                  file.begin() + static_cast<std::ptrdiff_t>(*at + 12));
    std::size_t dataStart = 12 + tables->size() * 16;
    out.resize(dataStart);
    std::size_t next = dataStart;
    for (std::size_t i = 0; i < tables->size(); ++i) {
        const TTable& t = (*tables)[i];
        std::size_t record = 12 + i * 16;
        auto put32 = [&](std::size_t pos, std::uint32_t v) {
            out[pos] = static_cast<std::uint8_t>(v >> 24);
            out[pos + 1] = static_cast<std::uint8_t>(v >> 16);
            out[pos + 2] = static_cast<std::uint8_t>(v >> 8);
            out[pos + 3] = static_cast<std::uint8_t>(v);
        };
        put32(record, t.Tag);
        put32(record + 4, t.Checksum);
        put32(record + 8, static_cast<std::uint32_t>(next));
        put32(record + 12, t.Length);
        out.insert(out.end(), file.begin() + t.Offset, file.begin() + t.Offset + t.Length);
        while (out.size() % 4 != 0)
            out.push_back(0);
        next = out.size();
    }
    return out;
}

} // namespace gq::pdf
