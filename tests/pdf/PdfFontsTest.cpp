#include "pdf/PdfFonts.h"

#include "PdfTestSupport.h"
#include "pdf/FontServices.h"
#include "pdf/FontWidths.h"
#include "pdf/RenderPDF.h"

#include <gtest/gtest.h>
#include <hb.h>

#include <map>
#include <regex>

namespace gq::pdf
{
namespace
{

using namespace std::string_literals;

using test::TCode;
using test::TStreamBuilder;

TEST(PdfFonts, FaceNamesMapToTheStandardFonts)
{
    struct TCase
    {
        const char* Face;
        bool Bold, Italic;
        const char* Base;
    };
    const TCase cases[] = {
        {"Arial", false, false, "Helvetica"},
        {"aRIAL", true, false, "Helvetica-Bold"},
        {"Arial", false, true, "Helvetica-Oblique"},
        {"ARIAL", true, true, "Helvetica-BoldOblique"},
        {"Courier", false, false, "Courier"},
        {"courier new", true, true, "Courier-BoldOblique"},
        {"Times New Roman", false, false, "Times-Roman"},
        {"TimesRoman", true, false, "Times-Bold"},
        {"Times New Roman", false, true, "Times-Italic"},
        {"timesroman", true, true, "Times-BoldItalic"},
        {"Symbol", true, true, "Symbol"},
        {"zapfdingbats", false, true, "ZapfDingbats"},
        {"Helvetica", false, false, ""}, // not in the table: the platform decides
    };
    for (const auto& c : cases)
        EXPECT_EQ(StandardBaseFontName(c.Face, c.Bold, c.Italic), c.Base) << c.Face;
    EXPECT_EQ(TrueTypeBaseFontName("DejaVu Sans Mono", true, true), "DejaVuSansMono,BoldItalic");
    EXPECT_EQ(TrueTypeBaseFontName("My Face", false, true), "MyFace,Italic");
}

TEST(PdfFonts, StandardWidthTables)
{
    struct TCase
    {
        const char* Base;
        int Code;
        int Width;
    };
    const TCase cases[] = {
        {"Helvetica", 0, 278},
        {"Helvetica", '1', 556},
        {"Helvetica-Oblique", 64, 1015},
        {"Helvetica-BoldOblique", 'W', 944},
        {"Courier-Bold", 0, 600},
        {"Courier", 255, 600},
        {"Times-Roman", 'A', 722},
        {"Times-Roman", ' ', 250},
        {"Times-Bold", 'W', 1000},
        {"Times-Italic", 'm', 722},
        {"Times-BoldItalic", '@', 832},
        {"Times-Roman", 0x80, 500},
        {"Symbol", 'a', 631},
        {"Symbol", 0xA5, 713},
        {"ZapfDingbats", '!', 974},
        {"ZapfDingbats", 0xD6, 1016},
    };
    for (const auto& c : cases) {
        const TWidthTable* table = StandardFontWidths(c.Base);
        ASSERT_NE(table, nullptr) << c.Base;
        EXPECT_EQ((*table)[c.Code], c.Width) << c.Base << " code " << c.Code;
    }
    for (const char* base : {"Helvetica", "Helvetica-Bold", "Courier", "Times-Roman",
                             "Times-BoldItalic", "Symbol", "ZapfDingbats"})
        for (int code = 1; code <= 31; ++code)
            EXPECT_EQ((*StandardFontWidths(base))[code], 0) << base << " code " << code;
    EXPECT_EQ(StandardFontWidths("Arial"), nullptr);
}

TEST(PdfFonts, TextWidthInHelvetica)
{
    TStandardFontServices fonts;
    TPlayerFont font;
    font.Name = "Arial";
    font.Size = 12;
    EXPECT_NEAR(fonts.TextWidth(font, "123"), 0.278, 1e-12);
}

std::string Render(const std::vector<std::uint8_t>& stream, TRenderPDF& pdf)
{
    pdf.Clock = test::FixedDate;
    return pdf.RenderToString(stream);
}

std::string RenderBody(void (*draw)(TStreamBuilder&), bool embed = false)
{
    TStreamBuilder b = test::OnePage(12);
    draw(b);
    b.EndPage();
    TRenderPDF pdf;
    pdf.EmbedFonts = embed;
    return Render(b.Bytes, pdf);
}

TEST(PdfFonts, UnderlineTakesNoPartInTheMapping)
{
    std::string out = RenderBody([](TStreamBuilder& b) {
        b.Code(TCode::FontUnderline), b.Byte(1);
        b.Text(TCode::LeftText, 1, "u", 1);
    });
    EXPECT_NE(out.find("/Font <<\r\n/F1 7 0 R \r\n>>"), std::string::npos);
}

TEST(PdfFonts, AnIntermediateStateStillMakesAFont)
{
    // The new name arrives while the style is still bold: that state gets a font too.
    std::string out = RenderBody([](TStreamBuilder& b) {
        b.Code(TCode::FontBold), b.Byte(1);
        b.Text(TCode::LeftText, 1, "b", 1);
        b.Code(TCode::FontName), b.String("Times New Roman");
        b.Code(TCode::FontBold), b.Byte(0);
        b.Text(TCode::LeftText, 2, "t", 1);
    });
    EXPECT_NE(out.find("/F1 7 0 R \r\n/F2 8 0 R \r\n/F3 9 0 R \r\n/F4 10 0 R \r\n"),
              std::string::npos);
    std::size_t pos = 0;
    for (const char* base : {"Helvetica", "Helvetica-Bold", "Times-Bold", "Times-Roman"}) {
        pos = out.find(std::string("/BaseFont /") + base + "\r\n", pos);
        EXPECT_NE(pos, std::string::npos) << base;
    }
    test::ExpectWellFormed(out);
}

TEST(PdfFonts, StandardFontsAreNeverEmbedded)
{
    std::string out =
        RenderBody([](TStreamBuilder& b) { b.Text(TCode::LeftText, 1, "x", 1); }, true);
    EXPECT_EQ(out.find("/FontDescriptor"), std::string::npos);
    EXPECT_EQ(out.find("/FontFile2"), std::string::npos);
}

// Platform fonts with one TrueType face, "My Face", and a TrueType "Symbol".
class TFakeFonts : public TFontServices
{
  public:
    bool Embeddable = true;
    int Measured = 0;

    double TextWidth(const TPlayerFont& font, std::string_view text) override
    {
        return static_cast<double>(text.size()) * font.Size / 72.0 / 2.0;
    }
    bool IsTrueType(const std::string& face, bool, bool) override
    {
        return face == "My Face" || face == "Symbol";
    }
    std::optional<TTrueTypeMetrics> MeasureTrueType(const std::string&, bool, bool) override
    {
        ++Measured;
        TTrueTypeMetrics m;
        m.FirstChar = 32;
        m.LastChar = 41;
        for (int code = 32; code <= 41; ++code)
            m.Widths.push_back(code * 10);
        m.Embeddable = Embeddable;
        m.PanoseFamily = 3;
        m.PanoseProportion = 9;
        m.BoxLeft = -50, m.BoxBottom = -210, m.BoxRight = 1000, m.BoxTop = 900;
        m.ItalicAngle = -12;
        m.Ascent = 905, m.Descent = 211;
        m.InternalLeading = 116, m.ExternalLeading = 33;
        m.MaxWidth = 1100, m.AvgWidth = 441;
        return m;
    }
    std::vector<std::uint8_t> FontProgram(const std::string&, bool, bool) override
    {
        return {0, 1, 0, 0, 'f', 'o', 'n', 't'};
    }
};

std::string RenderTrueType(TFakeFonts& fonts, bool embed, const char* face = "My Face")
{
    TStreamBuilder b = test::OnePage(12);
    b.Code(TCode::FontName), b.String(face);
    b.Code(TCode::FontBold), b.Byte(1);
    b.Text(TCode::LeftText, 1, "()", 1);
    b.EndPage();
    TRenderPDF pdf;
    pdf.FontServices = &fonts;
    pdf.EmbedFonts = embed;
    return Render(b.Bytes, pdf);
}

TEST(PdfFonts, TrueTypeFaceWithItsDescriptorAndProgram)
{
    TFakeFonts fonts;
    std::string out = RenderTrueType(fonts, true);
    test::ExpectWellFormed(out);
    // F1 Helvetica (dump), F2 "MyFace" (new name, regular), F3 "MyFace,Bold".
    EXPECT_NE(out.find("/F1 7 0 R \r\n/F2 8 0 R \r\n/F3 11 0 R \r\n"), std::string::npos);
    EXPECT_NE(out.find("8 0 obj\r\n<<\r\n/Type /Font\r\n/Subtype /TrueType\r\n/Name /F2\r\n"
                       "/BaseFont /MyFace\r\n/Encoding /WinAnsiEncoding\r\n/FirstChar 32\r\n"
                       "/LastChar 41\r\n/Widths [320 330 340 350 360 370 380 390 \r\n400 410 ]\r\n"
                       "/FontDescriptor 9 0 R\r\n>>\r\nendobj\r\n"),
              std::string::npos);
    EXPECT_NE(out.find("9 0 obj\r\n<<\r\n/Type /FontDescriptor\r\n/FontName /MyFace\r\n"
                       "/Flags 105\r\n/FontBBox [-50 -210 1000 900]\r\n/MissingWidth 320\r\n"
                       "/StemV 80\r\n/StemH 80\r\n/ItalicAngle -12\r\n/CapHeight 905\r\n"
                       "/XHeight 452\r\n/Ascent 905\r\n/Descent -211\r\n/Leading 149\r\n"
                       "/MaxWidth 1100\r\n/AvgWidth 441\r\n/FontFile2 10 0 R\r\n>>\r\n"),
              std::string::npos);
    EXPECT_NE(out.find("10 0 obj\r\n<< /Length 8 \r\n/Length1 8 >>\r\nstream\r\n"),
              std::string::npos);
    EXPECT_NE(out.find("/BaseFont /MyFace,Bold\r\n"), std::string::npos);
    EXPECT_NE(out.find("/Info 14 0 R"), std::string::npos);
    // Each TrueType resource is measured once, when it is created.
    EXPECT_EQ(fonts.Measured, 2);
}

TEST(PdfFonts, TrueTypeFaceWithoutEmbedding)
{
    TFakeFonts fonts;
    std::string plain = RenderTrueType(fonts, false);
    EXPECT_NE(plain.find("/FontDescriptor 9 0 R"), std::string::npos);
    EXPECT_EQ(plain.find("/FontFile2"), std::string::npos);
    test::ExpectWellFormed(plain);

    fonts.Embeddable = false;
    std::string refused = RenderTrueType(fonts, true);
    EXPECT_EQ(refused.find("/FontFile2"), std::string::npos);
    EXPECT_EQ(refused.find("/Length1"), std::string::npos);
}

TEST(PdfFonts, AProgramThatCannotBeSubsetIsEmbeddedWholeAndUntagged)
{
    TFakeFonts fonts;
    std::string out = RenderTrueType(fonts, true);
    EXPECT_NE(out.find("/Length1 8 >>\r\nstream\r\n\0\1\0\0font\r\nendstream"s), std::string::npos);
    EXPECT_EQ(out.find("+MyFace"), std::string::npos);
}

// The embedded programs of a document in object order: the bytes after each "/Length1 N".
std::vector<std::string> FontPrograms(const std::string& pdf)
{
    std::vector<std::string> programs;
    const std::regex head("/Length1 (\\d+) >>\r\nstream\r\n");
    for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), head); it != std::sregex_iterator();
         ++it) {
        const auto at = static_cast<std::size_t>(it->position() + it->length());
        programs.push_back(pdf.substr(at, std::stoul((*it)[1])));
    }
    return programs;
}

unsigned GlyphCount(const std::string& program)
{
    hb_blob_t* blob = hb_blob_create(program.data(), static_cast<unsigned>(program.size()),
                                     HB_MEMORY_MODE_READONLY, nullptr, nullptr);
    hb_face_t* face = hb_face_create(blob, 0);
    const unsigned count = hb_face_get_glyph_count(face);
    hb_face_destroy(face);
    hb_blob_destroy(blob);
    return count;
}

TEST(PdfFonts, EachEmbeddedFaceIsItsOwnTaggedSubsetWithItsTablesFigures)
{
    auto render = [](const char* boldText) {
        TStreamBuilder b = test::OnePage(12);
        b.Code(TCode::FontName), b.String("Liberation Sans");
        b.Text(TCode::LeftText, 1, "Sudoku 12", 1);
        b.Code(TCode::FontBold), b.Byte(1);
        b.Text(TCode::LeftText, 2, boldText, 1);
        b.EndPage();
        TRenderPDF pdf;
        pdf.EmbedFonts = true;
        std::string out = Render(b.Bytes, pdf);
        // The document's font list names the faces, without the tags.
        const auto& fonts = pdf.LastDocumentFonts();
        EXPECT_EQ(fonts.size(), 3u);
        EXPECT_TRUE(fonts.size() == 3 && fonts[1].BaseFont == "LiberationSans" &&
                    fonts[1].Embedded && fonts[2].BaseFont == "LiberationSans,Bold" &&
                    fonts[2].Embedded);
        return out;
    };
    const std::string out = render("12");
    test::ExpectWellFormed(out);

    std::smatch regular, bold;
    ASSERT_TRUE(
        std::regex_search(out, regular, std::regex("/BaseFont /([A-Z]{6})\\+LiberationSans\r\n")));
    ASSERT_TRUE(std::regex_search(out, bold,
                                  std::regex("/BaseFont /([A-Z]{6})\\+LiberationSans,Bold\r\n")));
    EXPECT_NE(regular[1], bold[1]);
    EXPECT_NE(out.find("/FontName /" + regular[1].str() +
                       "+LiberationSans\r\n/Flags 32\r\n"
                       "/FontBBox [-203 -303 1050 910]\r\n/MissingWidth 278\r\n/StemV 96\r\n"
                       "/StemH 80\r\n/ItalicAngle 0\r\n/CapHeight 688\r\n/XHeight 528\r\n"
                       "/Ascent 905\r\n/Descent -212\r\n"),
              std::string::npos);
    EXPECT_NE(out.find("/FontName /" + bold[1].str() +
                       "+LiberationSans,Bold\r\n/Flags 32\r\n"
                       "/FontBBox [-184 -303 1062 1033]\r\n/MissingWidth 278\r\n/StemV 169\r\n"),
              std::string::npos);

    // Regular: the blank, S u d o k, 1 2 and .notdef. Bold: the blank, 1 2 and .notdef.
    const auto programs = FontPrograms(out);
    ASSERT_EQ(programs.size(), 2u);
    EXPECT_EQ(GlyphCount(programs[0]), 9u);
    EXPECT_EQ(GlyphCount(programs[1]), 4u);

    // The same document gives the same bytes; other bold text another bold subset and tag.
    EXPECT_EQ(render("12"), out);
    const std::string other = render("13");
    EXPECT_NE(other.find("+LiberationSans,Bold\r\n"), std::string::npos);
    EXPECT_EQ(other.find(bold[1].str() + "+LiberationSans,Bold"), std::string::npos);
    EXPECT_NE(other.find(regular[1].str() + "+LiberationSans\r\n"), std::string::npos);
}

TEST(PdfFonts, SymbolIsTrueTypeWhenThePlatformSaysSo)
{
    TFakeFonts fonts;
    std::string out = RenderTrueType(fonts, false, "Symbol");
    EXPECT_NE(out.find("/Subtype /TrueType\r\n/Name /F2\r\n/BaseFont /Symbol\r\n"),
              std::string::npos);
}

} // namespace
} // namespace gq::pdf
