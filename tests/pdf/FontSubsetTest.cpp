#include "pdf/FontSubset.h"

#include "pdf/EngineFontServices.h"
#include "pdf/SfntTables.h"
#include "report/FontFace.h"
#include "report/FontManager.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <hb.h>

#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace gq::pdf
{
namespace
{

using TBytes = std::vector<std::uint8_t>;

// The installed Liberation Sans faces, read once.
const TBytes& FaceFile(bool bold)
{
    static report::TFontManager fonts;
    static const TBytes regular = fonts.Face("Liberation Sans", false, false)->FontData();
    static const TBytes boldFace = fonts.Face("Liberation Sans", true, false)->FontData();
    return bold ? boldFace : regular;
}

std::vector<char32_t> Characters(std::u32string_view text)
{
    return std::vector<char32_t>(text.begin(), text.end());
}

// A font program as HarfBuzz reads it: glyph count, cmap lookups and advances.
class THbFont
{
  public:
    explicit THbFont(const TBytes& program)
    {
        hb_blob_t* blob = hb_blob_create(reinterpret_cast<const char*>(program.data()),
                                         static_cast<unsigned>(program.size()),
                                         HB_MEMORY_MODE_DUPLICATE, nullptr, nullptr);
        m_face = hb_face_create(blob, 0);
        hb_blob_destroy(blob);
        m_font = hb_font_create(m_face);
    }
    ~THbFont()
    {
        hb_font_destroy(m_font);
        hb_face_destroy(m_face);
    }
    THbFont(const THbFont&) = delete;
    THbFont& operator=(const THbFont&) = delete;

    unsigned GlyphCount() const { return hb_face_get_glyph_count(m_face); }
    /// The glyph of `c`, or nothing when the cmap lacks it.
    std::optional<hb_codepoint_t> Glyph(char32_t c) const
    {
        hb_codepoint_t glyph = 0;
        if (!hb_font_get_nominal_glyph(m_font, c, &glyph))
            return std::nullopt;
        return glyph;
    }
    int Advance(char32_t c) const
    {
        auto glyph = Glyph(c);
        return glyph ? hb_font_get_glyph_h_advance(m_font, *glyph) : -1;
    }

  private:
    hb_face_t* m_face = nullptr;
    hb_font_t* m_font = nullptr;
};

TEST(FontSubset, HoldsExactlyTheRequestedGlyphsPlusNotdef)
{
    const std::u32string_view wanted = U" 0123456789Sudoku#";
    auto subset = SubsetFontProgram(FaceFile(false), Characters(wanted));
    ASSERT_TRUE(subset);
    THbFont original(FaceFile(false)), cut(*subset);
    // 18 characters, "u" twice: 17 glyphs and .notdef.
    EXPECT_EQ(cut.GlyphCount(), 18u);
    EXPECT_LT(subset->size(), FaceFile(false).size() / 4);
    std::set<hb_codepoint_t> glyphs;
    for (char32_t c : wanted) {
        auto glyph = cut.Glyph(c);
        ASSERT_TRUE(glyph) << static_cast<int>(c);
        EXPECT_NE(*glyph, 0u) << static_cast<int>(c);
        glyphs.insert(*glyph);
        EXPECT_EQ(cut.Advance(c), original.Advance(c)) << static_cast<int>(c);
    }
    EXPECT_EQ(glyphs.size(), 17u);
    for (char32_t absent : {U'A', U'z', U'\u00E9'})
        EXPECT_FALSE(cut.Glyph(absent)) << static_cast<int>(absent);
}

TEST(FontSubset, ReadsBackThroughFreeTypeWithTheFaceWidths)
{
    auto subset = SubsetFontProgram(FaceFile(true), Characters(U"Caf\u00E9 1-9"));
    ASSERT_TRUE(subset);
    testsupport::TTempFolder folder;
    const std::string path = (folder / "subset.ttf").string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(subset->data()),
               static_cast<std::streamsize>(subset->size()));
    auto cut = report::TFontFace::Load("subset", path, 0);
    report::TFontManager fonts;
    auto whole = fonts.Face("Liberation Sans", true, false);
    EXPECT_EQ(cut->UnitsPerEm(), whole->UnitsPerEm());
    EXPECT_TRUE(cut->IsTrueType());
    for (int code : {int{'C'}, int{'a'}, int{'f'}, 0xE9, int{' '}, int{'1'}, int{'-'}, int{'9'}}) {
        const auto byte = static_cast<std::uint8_t>(code);
        EXPECT_NE(cut->GlyphIndex(byte), 0) << code;
        EXPECT_EQ(cut->AdvanceUnits(byte), whole->AdvanceUnits(byte)) << code;
    }
    EXPECT_EQ(cut->GlyphIndex('2'), 0);
}

TEST(FontSubset, SameInputSameBytesAndEmptyInputOnlyNotdef)
{
    const auto text = Characters(U"Notes 42");
    EXPECT_EQ(SubsetFontProgram(FaceFile(false), text), SubsetFontProgram(FaceFile(false), text));
    auto none = SubsetFontProgram(FaceFile(false), {});
    ASSERT_TRUE(none);
    EXPECT_EQ(THbFont(*none).GlyphCount(), 1u);
}

TEST(FontSubset, WhatIsNotAFontCannotBeSubset)
{
    const auto text = Characters(U"abc");
    EXPECT_FALSE(SubsetFontProgram({}, text));
    EXPECT_FALSE(SubsetFontProgram(TBytes{0, 1, 0, 0, 'f', 'o', 'n', 't'}, text));
    TBytes cut(FaceFile(false).begin(), FaceFile(false).begin() + 400);
    EXPECT_FALSE(SubsetFontProgram(cut, text));
}

TEST(FontSubset, TagsAreSixCapitalsOfTheFaceAndItsCharacters)
{
    const auto digits = Characters(U" 0123456789");
    const std::string tag = SubsetTag("LiberationSans", digits);
    ASSERT_EQ(tag.size(), 6u);
    for (char c : tag)
        EXPECT_TRUE(c >= 'A' && c <= 'Z') << tag;
    // Order and repeats do not matter; the characters and the face do.
    EXPECT_EQ(SubsetTag("LiberationSans", Characters(U"9876543210  ")), tag);
    EXPECT_NE(SubsetTag("LiberationSans", Characters(U" 012345678")), tag);
    EXPECT_NE(SubsetTag("LiberationSans", Characters(U" 0123456789a")), tag);
    EXPECT_NE(SubsetTag("LiberationSans,Bold", digits), tag);
    EXPECT_NE(SubsetTag("LiberationSans", {}), SubsetTag("LiberationSans,Bold", {}));
}

// The descriptor's figures as the face's own tables give them, for Liberation Sans (2048 units
// per em): sCapHeight 1409, sxHeight 1082, hhea 1854 / -434, head box -416 -621 2151 1864.
TEST(FontTables, LiberationSansFromItsTables)
{
    auto tables = ReadFaceTables(FaceFile(false), 0);
    ASSERT_TRUE(tables && tables->Head && tables->Hhea && tables->Os2 && tables->Post);
    EXPECT_EQ(tables->Head->UnitsPerEm, 2048);
    EXPECT_EQ(tables->Head->XMin, -416);
    EXPECT_EQ(tables->Head->YMax, 1864);
    EXPECT_EQ(tables->Hhea->Ascender, 1854);
    EXPECT_EQ(tables->Hhea->Descender, -434);
    EXPECT_EQ(tables->Os2->CapHeight, 1409);
    EXPECT_EQ(tables->Os2->XHeight, 1082);
    EXPECT_EQ(tables->Os2->WeightClass, 400);
    EXPECT_EQ(tables->Os2->TypoAscender, 1491);
    EXPECT_EQ(tables->Post->ItalicAngle, 0.0);
    EXPECT_FALSE(tables->Post->FixedPitch);

    TEngineFontServices services;
    struct TCase
    {
        bool Bold, Italic;
        int Left, Bottom, Right, Top, Angle, Weight;
    };
    for (const TCase& c : {TCase{false, false, -203, -303, 1050, 910, 0, 400},
                           TCase{true, false, -184, -303, 1062, 1033, 0, 700},
                           TCase{false, true, -272, -303, 1062, 1014, -12, 400}}) {
        SCOPED_TRACE(std::to_string(c.Bold) + std::to_string(c.Italic));
        auto m = services.MeasureTrueType("Liberation Sans", c.Bold, c.Italic);
        ASSERT_TRUE(m);
        EXPECT_EQ(m->CapHeight, 688);
        EXPECT_EQ(m->XHeight, 528);
        EXPECT_EQ(m->Ascent, 905);
        EXPECT_EQ(m->Descent, 212);
        EXPECT_EQ(m->BoxLeft, c.Left);
        EXPECT_EQ(m->BoxBottom, c.Bottom);
        EXPECT_EQ(m->BoxRight, c.Right);
        EXPECT_EQ(m->BoxTop, c.Top);
        EXPECT_EQ(m->ItalicAngle, c.Angle);
        EXPECT_EQ(m->WeightClass, c.Weight);
        EXPECT_TRUE(m->Embeddable);
    }
}

// A font file of one face with the given tables (tag, contents), laid out by hand.
TBytes FontFileWith(const std::vector<std::pair<std::string, TBytes>>& tables)
{
    TBytes out = {0, 1, 0, 0, 0, static_cast<std::uint8_t>(tables.size()), 0, 0, 0, 0, 0, 0};
    std::size_t offset = 12 + 16 * tables.size();
    auto put32 = [&out](std::size_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    for (const auto& [tag, data] : tables) {
        out.insert(out.end(), tag.begin(), tag.end());
        put32(0);
        put32(offset);
        put32(data.size());
        offset += data.size();
    }
    for (const auto& table : tables)
        out.insert(out.end(), table.second.begin(), table.second.end());
    return out;
}

TEST(FontTables, OldOrShortTablesLeaveOutWhatTheyCannotHold)
{
    // OS/2 version 1, 86 bytes: typographic metrics, no cap or x height. An OS/2 of 42 bytes:
    // permissions and PANOSE only. A 20-byte head is too short to read.
    TBytes os2v1(86, 0);
    os2v1[1] = 1;
    os2v1[8] = 0x00, os2v1[9] = 0x02;   // restricted licence
    os2v1[32] = 3;                      // script
    os2v1[68] = 0x05, os2v1[69] = 0xD3; // typo ascender 1491
    os2v1[70] = 0xFE, os2v1[71] = 0x51; // typo descender -431
    auto v1 = ReadFaceTables(FontFileWith({{"OS/2", os2v1}, {"head", TBytes(20, 0)}}), 0);
    ASSERT_TRUE(v1 && v1->Os2);
    EXPECT_FALSE(v1->Head);
    EXPECT_FALSE(v1->Os2->CapHeight);
    EXPECT_FALSE(v1->Os2->XHeight);
    EXPECT_EQ(v1->Os2->TypoAscender, 1491);
    EXPECT_EQ(v1->Os2->TypoDescender, -431);
    EXPECT_EQ(v1->Os2->PanoseFamily, 3);
    EXPECT_FALSE(EmbeddingAllowed(v1->Os2->FsType));

    auto shortest = ReadFaceTables(FontFileWith({{"OS/2", TBytes(42, 0)}}), 0);
    ASSERT_TRUE(shortest && shortest->Os2);
    EXPECT_FALSE(shortest->Os2->TypoAscender);

    // A version 2 table stating a zero cap height states none.
    TBytes os2v2(96, 0);
    os2v2[1] = 2;
    os2v2[86] = 0x04, os2v2[87] = 0x3A; // x height 1082
    auto v2 = ReadFaceTables(FontFileWith({{"OS/2", os2v2}}), 0);
    ASSERT_TRUE(v2 && v2->Os2);
    EXPECT_EQ(v2->Os2->XHeight, 1082);
    EXPECT_FALSE(v2->Os2->CapHeight);

    // A table that reaches past the end of the file makes the file unreadable.
    TBytes broken = FontFileWith({{"OS/2", os2v2}});
    broken.resize(broken.size() - 1);
    EXPECT_FALSE(ReadFaceTables(broken, 0));
    EXPECT_FALSE(ReadFaceTables(FaceFile(false), 1));
}

} // namespace
} // namespace gq::pdf
