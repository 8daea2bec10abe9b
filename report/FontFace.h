#pragma once

#include "gq/Error.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gq::report
{

/// A font face that could not be found or loaded. FaceName is the name the caller asked for.
class TFontError : public gq::Error
{
  public:
    TFontError(std::string faceName, const std::string& message)
        : gq::Error(message), m_faceName(std::move(faceName))
    {}
    const std::string& FaceName() const { return m_faceName; }

  private:
    std::string m_faceName;
};

/// Unicode code point of a Windows-1252 byte. The five unassigned bytes (0x81, 0x8D, 0x8F, 0x90,
/// 0x9D) and the control codes map to the code point of the same number.
char32_t Windows1252ToUnicode(std::uint8_t code);

/// Text metrics of a face at one pixel height, in device pixels, as the classic Windows font
/// service reports them: Ascent and Descent from the OS/2 winAscent/winDescent scaled to the
/// em and rounded, InternalLeading = Ascent + Descent - em.
struct TTextMetrics
{
    int Height = 0; ///< Ascent + Descent
    int Ascent = 0;
    int Descent = 0;
    int InternalLeading = 0;
    int ExternalLeading = 0;
    int AveCharWidth = 0;
    int MaxCharWidth = 0;
    bool VariablePitch = true; ///< bit 0 of the pitch-and-family byte
};

/// One face of a font file, read completely at load time: names, design metrics in font units,
/// and for each of the 256 Windows-1252 codes its glyph and advance width. Immutable after
/// Load, so it may be shared between threads. No FreeType object outlives Load.
///
/// Also what a PDF writer needs for a TrueType font: file path and bytes, units per em, bbox,
/// ascender/descender, cap height, italic angle, weight and flags.
class TFontFace
{
  public:
    struct TBBox
    {
        int XMin = 0, YMin = 0, XMax = 0, YMax = 0;
    };

    /// Loads face index `index` of the file at path. requestedName is the name the caller asked
    /// for (kept for messages). Throws TFontError naming requestedName and path when FreeType
    /// cannot open the file or the face is not scalable.
    static std::shared_ptr<const TFontFace> Load(const std::string& requestedName,
                                                 const std::string& path, int index);

    const std::string& RequestedName() const { return m_requestedName; }
    const std::string& FamilyName() const { return m_familyName; }
    const std::string& StyleName() const { return m_styleName; }
    /// PostScript name, e.g. "LiberationSans-Bold"; empty when the face has none.
    const std::string& PostScriptName() const { return m_postScriptName; }
    const std::string& FilePath() const { return m_filePath; }
    int FaceIndex() const { return m_faceIndex; }

    int UnitsPerEm() const { return m_unitsPerEm; }
    /// OS/2 winAscent / winDescent (positive, font units); hhea values when there is no OS/2.
    int WinAscent() const { return m_winAscent; }
    int WinDescent() const { return m_winDescent; }
    /// hhea ascender (positive) and descender (negative) and line gap, font units.
    int Ascender() const { return m_ascender; }
    int Descender() const { return m_descender; }
    int LineGap() const { return m_lineGap; }
    /// OS/2 capital height, font units; 0 when the table does not give it.
    int CapHeight() const { return m_capHeight; }
    /// OS/2 xAvgCharWidth, font units.
    int AvgCharWidth() const { return m_avgCharWidth; }
    /// Head table bounding box of all glyphs, font units.
    const TBBox& BBox() const { return m_bbox; }
    /// Post table italic angle, degrees (negative leans right).
    double ItalicAngle() const { return m_italicAngle; }
    /// OS/2 usWeightClass (400 regular, 700 bold).
    int Weight() const { return m_weight; }
    bool IsBold() const { return m_bold; }
    bool IsItalic() const { return m_italic; }
    bool IsFixedPitch() const { return m_fixedPitch; }
    /// True for a TrueType-outline font (a 'glyf' table), which a PDF can embed as FontFile2.
    bool IsTrueType() const { return m_trueType; }

    /// Glyph index of a Windows-1252 code (0, the missing glyph, when the face lacks it).
    std::uint16_t GlyphIndex(std::uint8_t code) const { return m_glyphs[code]; }
    /// Advance width of a Windows-1252 code in font units.
    int AdvanceUnits(std::uint8_t code) const { return m_advances[code]; }
    /// Advance width in pixels at an em of pixelHeight, rounded half to even.
    int AdvancePixels(std::uint8_t code, int pixelHeight) const;
    /// Metrics at an em of pixelHeight device pixels (pixelHeight > 0).
    TTextMetrics MetricsAt(int pixelHeight) const;

    /// The whole font file (the collection for a .ttc). Throws TFontError when it cannot be read.
    std::vector<std::uint8_t> FontData() const;

  private:
    TFontFace() = default;

    std::string m_requestedName, m_familyName, m_styleName, m_postScriptName, m_filePath;
    int m_faceIndex = 0;
    int m_unitsPerEm = 1000;
    int m_winAscent = 0, m_winDescent = 0;
    int m_ascender = 0, m_descender = 0, m_lineGap = 0;
    int m_capHeight = 0, m_avgCharWidth = 0, m_maxAdvance = 0;
    TBBox m_bbox;
    double m_italicAngle = 0;
    int m_weight = 400;
    bool m_bold = false, m_italic = false, m_fixedPitch = false, m_trueType = false;
    std::array<std::uint16_t, 256> m_glyphs{};
    std::array<int, 256> m_advances{};
};

} // namespace gq::report
