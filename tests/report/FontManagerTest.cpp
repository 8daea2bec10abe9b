#include "report/FontManager.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace gq::report
{
namespace
{

TFontManager& Fonts()
{
    static TFontManager manager;
    return manager;
}

std::string FileNameOf(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

TEST(FontManagerTest, ArialResolvesToLiberationSansInEveryStyle)
{
    struct Case
    {
        bool bold, italic;
        const char* file;
    };
    for (const Case& c : {Case{false, false, "LiberationSans-Regular.ttf"},
                          Case{true, false, "LiberationSans-Bold.ttf"},
                          Case{false, true, "LiberationSans-Italic.ttf"},
                          Case{true, true, "LiberationSans-BoldItalic.ttf"}}) {
        auto face = Fonts().Face("Arial", c.bold, c.italic);
        EXPECT_EQ(FileNameOf(face->FilePath()), c.file) << c.bold << c.italic;
        EXPECT_EQ(face->FamilyName(), "Liberation Sans");
        EXPECT_EQ(face->RequestedName(), "Arial");
        EXPECT_EQ(face->IsBold(), c.bold);
        EXPECT_EQ(face->IsItalic(), c.italic);
    }
}

TEST(FontManagerTest, MetricsFollowTheWinExtentScaledToTheEm)
{
    // Liberation Sans: 2048 units per em, winAscent 1854, winDescent 434.
    auto face = Fonts().Face("Arial", false, false);
    ASSERT_EQ(face->UnitsPerEm(), 2048);
    ASSERT_EQ(face->WinAscent(), 1854);
    ASSERT_EQ(face->WinDescent(), 434);
    struct Case
    {
        int em, ascent, descent, leading;
    };
    for (const Case& c : {Case{100, 91, 21, 12}, Case{208, 188, 44, 24}, Case{83, 75, 18, 10},
                          Case{600, 543, 127, 70}}) {
        const TTextMetrics m = face->MetricsAt(c.em);
        EXPECT_EQ(m.Ascent, c.ascent) << c.em;
        EXPECT_EQ(m.Descent, c.descent) << c.em;
        EXPECT_EQ(m.InternalLeading, c.leading) << c.em;
        EXPECT_EQ(m.Height, c.ascent + c.descent);
        EXPECT_TRUE(m.VariablePitch);
    }
}

TEST(FontManagerTest, WidthsAreWindows1252AdvancesAtA600PixelEm)
{
    auto face = Fonts().Face("Arial", false, false);
    EXPECT_EQ(face->AdvancePixels('A', 600), 400);
    EXPECT_EQ(face->AdvancePixels('a', 600), 334);
    EXPECT_EQ(face->AdvancePixels(' ', 600), 167);
    EXPECT_EQ(face->AdvancePixels('0', 600), 334);
    // 0x80 is the euro sign in Windows-1252: a real glyph, not the missing one.
    EXPECT_NE(face->GlyphIndex(0x80), 0);
    EXPECT_EQ(face->AdvancePixels(0x80, 600), 334);
    EXPECT_EQ(face->GlyphIndex('A'), face->GlyphIndex(static_cast<std::uint8_t>('A')));
}

TEST(FontManagerTest, CodePageMapping)
{
    EXPECT_EQ(Windows1252ToUnicode('A'), U'A');
    EXPECT_EQ(Windows1252ToUnicode(0x80), U'\u20AC');
    EXPECT_EQ(Windows1252ToUnicode(0x81), 0x81u); // unassigned byte keeps its number
    EXPECT_EQ(Windows1252ToUnicode(0x9F), U'\u0178');
    EXPECT_EQ(Windows1252ToUnicode(0xE9), U'\u00E9');
}

TEST(FontManagerTest, TextWidthSumsTheTableAndRoundsHalvesToEven)
{
    const TFontHandler& arial = Fonts().Handler("Arial", 1, false, false, TFontPitch::fpDefault);
    EXPECT_EQ(arial.TextUnits("AAa"), 400 + 400 + 334);
    EXPECT_EQ(arial.TextWidth("AAA", 100), 200);
    EXPECT_EQ(arial.TextWidth("AAA", -100), 200); // a character height counts as its size
    // A space at 900 pixels is 167 x 900 / 600 = 250.5 pixels: the even neighbour wins.
    EXPECT_EQ(arial.TextWidth(" ", 900), 250);
    // 167 x 300 / 600 = 83.5 rounds up to the even 84.
    EXPECT_EQ(arial.TextWidth(" ", 300), 84);
    EXPECT_EQ(arial.TextWidth("", 100), 0);
}

TEST(FontManagerTest, FixedPitchFontsMeasureEveryCharacterAsAnA)
{
    auto face = Fonts().Face("Courier New", false, false);
    EXPECT_EQ(FileNameOf(face->FilePath()), "LiberationMono-Regular.ttf");
    EXPECT_TRUE(face->IsFixedPitch());
    EXPECT_FALSE(face->MetricsAt(100).VariablePitch);
    const TFontHandler& mono = Fonts().Handler("Courier New", 1, false, false, TFontPitch::fpFixed);
    ASSERT_NE(dynamic_cast<const TNonProportionalFontHandler*>(&mono), nullptr);
    const int a = face->AdvancePixels('A', 600);
    EXPECT_EQ(mono.TextUnits("iW ."), 4 * a);
}

TEST(FontManagerTest, HandlersAreCachedPerNameCharSetStyleAndPitch)
{
    TFontManager fonts;
    const TFontHandler& first = fonts.Handler("Arial", 1, false, false, TFontPitch::fpDefault);
    EXPECT_EQ(&fonts.Handler("Arial", 1, false, false, TFontPitch::fpDefault), &first);
    EXPECT_EQ(fonts.HandlerCount(), 1u);
    EXPECT_NE(&fonts.Handler("Arial", 1, true, false, TFontPitch::fpDefault), &first);
    fonts.Handler("Arial", 0, false, false, TFontPitch::fpDefault);
    fonts.Handler("Arial", 1, false, false, TFontPitch::fpVariable);
    EXPECT_EQ(fonts.HandlerCount(), 4u);
    // Bold widths differ from regular ones.
    EXPECT_NE(fonts.TextWidth("Sudoku", "Arial", 1, true, false, TFontPitch::fpDefault, 100),
              fonts.TextWidth("Sudoku", "Arial", 1, false, false, TFontPitch::fpDefault, 100));
}

TEST(FontManagerTest, SeveralThreadsMeasureThroughOneManager)
{
    TFontManager fonts;
    const int expected = TFontManager().TextWidth("Very Easy Sudoku", "Arial", 1, false, false,
                                                  TFontPitch::fpDefault, 208);
    std::vector<std::thread> threads;
    std::vector<int> results(4);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i)
                results[t] = fonts.TextWidth("Very Easy Sudoku", "Arial", 1, t % 2 == 0, false,
                                             TFontPitch::fpDefault, 208);
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(results[1], expected);
    EXPECT_EQ(results[3], expected);
    EXPECT_EQ(fonts.HandlerCount(), 2u);
}

TEST(FontManagerTest, AnUnknownFamilyIsSubstitutedNotRefused)
{
    // Like the platform font mapper, a family nobody has still gives a usable face.
    auto face = Fonts().Face("No Such Family Anywhere", false, false);
    EXPECT_FALSE(face->FamilyName().empty());
    EXPECT_EQ(face->RequestedName(), "No Such Family Anywhere");
    EXPECT_GT(face->MetricsAt(100).Ascent, 0);
}

TEST(FontManagerTest, AFileThatCannotBeLoadedIsAnErrorNamingTheFace)
{
    const testsupport::TTempFolder scratch("gq-fonts");
    const auto path = scratch / "not-a-font.ttf";
    std::ofstream(path) << "this is not a font";
    for (const std::string& file : {path.string(), std::string("/nonexistent/font.ttf")}) {
        try {
            TFontFace::Load("Broken Face", file, 0);
            FAIL() << "no error for " << file;
        } catch (const TFontError& e) {
            EXPECT_EQ(e.FaceName(), "Broken Face");
            EXPECT_NE(std::string(e.what()).find("\"Broken Face\""), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
        }
    }
}

TEST(FontManagerTest, FaceDataForEmbedding)
{
    auto face = Fonts().Face("Arial", false, false);
    EXPECT_TRUE(face->IsTrueType());
    EXPECT_EQ(face->PostScriptName(), "LiberationSans");
    EXPECT_EQ(face->Weight(), 400);
    EXPECT_EQ(face->ItalicAngle(), 0.0);
    EXPECT_LT(face->BBox().YMin, 0);
    EXPECT_GT(face->BBox().YMax, face->WinAscent() / 2);
    EXPECT_GT(face->CapHeight(), 0);
    const auto data = face->FontData();
    EXPECT_EQ(data.size(), std::filesystem::file_size(face->FilePath()));
    ASSERT_GE(data.size(), 4u);
    EXPECT_EQ(data[0], 0x00);
    EXPECT_EQ(data[1], 0x01); // TrueType sfnt version 1.0
    EXPECT_LT(Fonts().Face("Arial", false, true)->ItalicAngle(), 0.0);
}

} // namespace
} // namespace gq::report
