#include "pdf/EngineFontServices.h"

#include "pdf/RenderBase.h"
#include "pdf/SfntTables.h"
#include "report/FontManager.h"
#include "report/Rounding.h"

#include <cmath>

namespace gq::pdf
{

namespace
{

// Widths and metrics of the font layer are in pixels at an em of this many pixels.
constexpr int kEngineEm = 600;
// The descriptor wants thousandths of the em.
constexpr int kPdfEm = 1000;

std::string Squeezed(std::string_view name)
{
    std::string out;
    for (char c : name)
        if (c != ' ')
            out += static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
    return out;
}

// A pitch byte beyond the known values measures as the default pitch.
report::TFontPitch EnginePitch(report::TFontPitch pitch)
{
    switch (pitch) {
    case report::TFontPitch::fpVariable:
    case report::TFontPitch::fpFixed:
        return pitch;
    default:
        return report::TFontPitch::fpDefault;
    }
}

} // namespace

TEngineFontServices::TEngineFontServices(std::shared_ptr<report::TFontManager> fonts)
    : m_fonts(std::move(fonts))
{}

TEngineFontServices::~TEngineFontServices() = default;

report::TFontManager& TEngineFontServices::Fonts()
{
    if (!m_fonts)
        m_fonts = std::make_shared<report::TFontManager>();
    return *m_fonts;
}

double TEngineFontServices::TextWidth(const TPlayerFont& font, std::string_view text)
{
    const report::TFontHandler& handler =
        Fonts().Handler(font.Name, font.Charset, font.Bold, font.Italic, EnginePitch(font.Pitch));
    std::int64_t units = handler.TextUnits(std::string(text));
    return static_cast<double>(units) / kEngineEm * font.Size / 72.0;
}

bool TEngineFontServices::IsTrueType(const std::string& face, bool bold, bool italic)
{
    if (face.empty())
        return false;
    std::string key = face + (bold ? "|B" : "|") + (italic ? "I" : "");
    if (auto it = m_trueType.find(key); it != m_trueType.end())
        return it->second;
    report::TFontMatch match = Fonts().Match(face, bold, italic);
    bool trueType =
        Squeezed(match.Family) == Squeezed(face) && Fonts().Face(face, bold, italic)->IsTrueType();
    m_trueType.emplace(std::move(key), trueType);
    return trueType;
}

std::optional<TTrueTypeMetrics> TEngineFontServices::MeasureTrueType(const std::string& face,
                                                                     bool bold, bool italic)
{
    // Reading the font file for its OS/2 table is the expensive part; do it once per face.
    std::string key = face + (bold ? "|B" : "|") + (italic ? "I" : "");
    if (auto it = m_metrics.find(key); it != m_metrics.end())
        return it->second;
    auto measured = Measure(face, bold, italic);
    m_metrics.emplace(std::move(key), measured);
    return measured;
}

std::optional<TTrueTypeMetrics> TEngineFontServices::Measure(const std::string& face, bool bold,
                                                             bool italic)
{
    auto loaded = Fonts().Face(face, bold, italic);
    if (!loaded || !loaded->IsTrueType() || loaded->UnitsPerEm() <= 0)
        return std::nullopt;
    const report::TFontFace& f = *loaded;
    const double scale = static_cast<double>(kPdfEm) / f.UnitsPerEm();
    auto toPdf = [&](double units) { return report::RoundHalfEven(units * scale); };

    TTrueTypeMetrics m;
    m.FirstChar = 32;
    m.LastChar = 255;
    for (int code = m.FirstChar; code <= m.LastChar; ++code)
        m.Widths.push_back(toPdf(f.AdvanceUnits(static_cast<std::uint8_t>(code))));
    report::TTextMetrics tm = f.MetricsAt(kPdfEm);
    m.InternalLeading = tm.InternalLeading;
    m.ExternalLeading = tm.ExternalLeading;
    m.MaxWidth = tm.MaxCharWidth;
    m.AvgWidth = tm.AveCharWidth;

    // The descriptor's values come from the face's own tables, scaled from its em; the font
    // layer's figures stand in only for a table the face lacks.
    std::vector<std::uint8_t> data = f.FontData();
    TFaceTables tables = ReadFaceTables(data, f.FaceIndex()).value_or(TFaceTables{});
    if (const auto& head = tables.Head) {
        m.BoxLeft = toPdf(head->XMin);
        m.BoxBottom = toPdf(head->YMin);
        m.BoxRight = toPdf(head->XMax);
        m.BoxTop = toPdf(head->YMax);
    } else {
        m.BoxLeft = toPdf(f.BBox().XMin);
        m.BoxBottom = toPdf(f.BBox().YMin);
        m.BoxRight = toPdf(f.BBox().XMax);
        m.BoxTop = toPdf(f.BBox().YMax);
    }
    m.ItalicAngle = report::RoundHalfEven(tables.Post ? tables.Post->ItalicAngle : f.ItalicAngle());
    m.FixedPitch = tables.Post ? tables.Post->FixedPitch : f.IsFixedPitch();
    // Ascent and Descent from hhea: the face's line extents, which reach the tops of accented
    // capitals where the typographic ascender stops short of them (Liberation Sans: 905 against
    // 728). The typographic values serve a face without hhea.
    if (const auto& hhea = tables.Hhea) {
        m.Ascent = toPdf(hhea->Ascender);
        m.Descent = toPdf(-hhea->Descender);
    } else if (tables.Os2 && tables.Os2->TypoAscender && tables.Os2->TypoDescender) {
        m.Ascent = toPdf(*tables.Os2->TypoAscender);
        m.Descent = toPdf(-*tables.Os2->TypoDescender);
    } else {
        m.Ascent = tm.Ascent;
        m.Descent = tm.Descent;
    }
    if (const auto& os2 = tables.Os2) {
        m.Embeddable = EmbeddingAllowed(os2->FsType);
        m.PanoseFamily = os2->PanoseFamily;
        m.PanoseSerifStyle = os2->PanoseSerifStyle;
        m.PanoseProportion = os2->PanoseProportion;
        if (os2->CapHeight)
            m.CapHeight = toPdf(*os2->CapHeight);
        if (os2->XHeight)
            m.XHeight = toPdf(*os2->XHeight);
        if (os2->WeightClass >= 1 && os2->WeightClass <= 1000)
            m.WeightClass = os2->WeightClass;
    } else {
        m.Embeddable = true;
    }
    return m;
}

std::vector<std::uint8_t> TEngineFontServices::FontProgram(const std::string& face, bool bold,
                                                           bool italic)
{
    auto loaded = Fonts().Face(face, bold, italic);
    if (!loaded || !loaded->IsTrueType())
        return {};
    return ExtractFontProgram(loaded->FontData(), loaded->FaceIndex());
}

} // namespace gq::pdf
