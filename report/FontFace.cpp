#include "report/FontFace.h"

#include "report/DrawingTypes.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ERRORS_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <algorithm>
#include <fstream>
#include <iterator>

namespace gq::report
{

namespace
{

// Code points of Windows-1252 bytes 0x80..0x9F; 0 marks the unassigned ones.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string FreeTypeMessage(FT_Error error)
{
    const char* text = FT_Error_String(error);
    return text ? text : "FreeType error " + std::to_string(error);
}

} // namespace

char32_t Windows1252ToUnicode(std::uint8_t code)
{
    if (code >= 0x80 && code <= 0x9F && kHighControls[code - 0x80] != 0)
        return kHighControls[code - 0x80];
    return code;
}

std::shared_ptr<const TFontFace> TFontFace::Load(const std::string& requestedName,
                                                 const std::string& path, int index)
{
    FT_Library library = nullptr;
    if (FT_Error error = FT_Init_FreeType(&library))
        throw TFontError(requestedName, "Cannot load font \"" + requestedName +
                                            "\": FreeType failed to start (" +
                                            FreeTypeMessage(error) + ")");
    FT_Face ft = nullptr;
    FT_Error error = FT_New_Face(library, path.c_str(), index, &ft);
    if (error) {
        FT_Done_FreeType(library);
        throw TFontError(requestedName, "Cannot load font \"" + requestedName + "\" from \"" +
                                            path + "\": " + FreeTypeMessage(error));
    }
    struct Guard
    {
        FT_Library lib;
        FT_Face face;
        ~Guard()
        {
            FT_Done_Face(face);
            FT_Done_FreeType(lib);
        }
    } guard{library, ft};

    if (!FT_IS_SCALABLE(ft) || ft->units_per_EM == 0)
        throw TFontError(requestedName, "Cannot use font \"" + requestedName + "\" from \"" + path +
                                            "\": it is not a scalable font");

    std::shared_ptr<TFontFace> face(new TFontFace);
    face->m_requestedName = requestedName;
    face->m_familyName = ft->family_name ? ft->family_name : "";
    face->m_styleName = ft->style_name ? ft->style_name : "";
    const char* psName = FT_Get_Postscript_Name(ft);
    face->m_postScriptName = psName ? psName : "";
    face->m_filePath = path;
    face->m_faceIndex = index;
    face->m_unitsPerEm = ft->units_per_EM;
    face->m_bbox = {static_cast<int>(ft->bbox.xMin), static_cast<int>(ft->bbox.yMin),
                    static_cast<int>(ft->bbox.xMax), static_cast<int>(ft->bbox.yMax)};
    face->m_fixedPitch = FT_IS_FIXED_WIDTH(ft);
    face->m_bold = (ft->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    face->m_italic = (ft->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    face->m_ascender = ft->ascender;
    face->m_descender = ft->descender;
    face->m_lineGap = std::max(0, ft->height - ft->ascender + ft->descender);
    face->m_maxAdvance = ft->max_advance_width;
    face->m_winAscent = ft->ascender;
    face->m_winDescent = -ft->descender;
    face->m_weight = face->m_bold ? 700 : 400;

    if (auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA))) {
        face->m_ascender = hhea->Ascender;
        face->m_descender = hhea->Descender;
        face->m_lineGap = hhea->Line_Gap;
        face->m_winAscent = hhea->Ascender;
        face->m_winDescent = -hhea->Descender;
    }
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
        os2 && os2->version != 0xFFFF) {
        face->m_winAscent = os2->usWinAscent;
        face->m_winDescent = os2->usWinDescent;
        face->m_avgCharWidth = os2->xAvgCharWidth;
        face->m_weight = os2->usWeightClass;
        if (os2->version >= 2)
            face->m_capHeight = os2->sCapHeight;
    }
    if (auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(ft, FT_SFNT_POST)))
        face->m_italicAngle = static_cast<double>(post->italicAngle) / 65536.0;
    FT_ULong glyfLength = 0;
    face->m_trueType = FT_Load_Sfnt_Table(ft, TTAG_glyf, 0, nullptr, &glyfLength) == 0;

    FT_Select_Charmap(ft, FT_ENCODING_UNICODE);
    for (int code = 0; code < 256; ++code) {
        FT_UInt glyph =
            FT_Get_Char_Index(ft, Windows1252ToUnicode(static_cast<std::uint8_t>(code)));
        FT_Fixed advance = 0;
        if (FT_Get_Advance(ft, glyph, FT_LOAD_NO_SCALE, &advance) != 0)
            advance = 0;
        face->m_glyphs[code] = static_cast<std::uint16_t>(glyph);
        face->m_advances[code] = static_cast<int>(advance);
    }
    if (face->m_avgCharWidth == 0)
        face->m_avgCharWidth = face->m_advances['x'];
    return face;
}

int TFontFace::AdvancePixels(std::uint8_t code, int pixelHeight) const
{
    return RoundHalfEven(static_cast<double>(m_advances[code]) * pixelHeight / m_unitsPerEm);
}

TTextMetrics TFontFace::MetricsAt(int pixelHeight) const
{
    const double scale = static_cast<double>(pixelHeight) / m_unitsPerEm;
    TTextMetrics m;
    m.Ascent = RoundHalfEven(m_winAscent * scale);
    m.Descent = RoundHalfEven(m_winDescent * scale);
    m.Height = m.Ascent + m.Descent;
    m.InternalLeading = m.Height - pixelHeight;
    // Extra line spacing the face asks for beyond its win extent.
    const int hheaLine = m_ascender - m_descender + m_lineGap;
    m.ExternalLeading = std::max(0, RoundHalfEven((hheaLine - m_winAscent - m_winDescent) * scale));
    m.AveCharWidth = RoundHalfEven(m_avgCharWidth * scale);
    m.MaxCharWidth = RoundHalfEven(m_maxAdvance * scale);
    m.VariablePitch = !m_fixedPitch;
    return m;
}

std::vector<std::uint8_t> TFontFace::FontData() const
{
    auto fail = [this] {
        return TFontError(m_requestedName, "Cannot read font file \"" + m_filePath +
                                               "\" of font \"" + m_requestedName + "\"");
    };
    // Read in one piece: a font program is some hundreds of KB.
    std::ifstream in(m_filePath, std::ios::binary | std::ios::ate);
    if (!in)
        throw fail();
    const std::streamoff size = in.tellg();
    if (size < 0)
        throw fail();
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(size)))
        throw fail();
    return data;
}

} // namespace gq::report
