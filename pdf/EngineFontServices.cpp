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
    double scale = static_cast<double>(kPdfEm) / f.UnitsPerEm();
    auto toPdf = [&](double units) { return report::RoundHalfEven(units * scale); };

    TTrueTypeMetrics m;
    m.FirstChar = 32;
    m.LastChar = 255;
    for (int code = m.FirstChar; code <= m.LastChar; ++code)
        m.Widths.push_back(toPdf(f.AdvanceUnits(static_cast<std::uint8_t>(code))));
    std::vector<std::uint8_t> data = f.FontData();
    if (auto os2 = ReadOs2Values(data, f.FaceIndex())) {
        m.Embeddable = EmbeddingAllowed(os2->FsType);
        m.PanoseFamily = os2->PanoseFamily;
        m.PanoseProportion = os2->PanoseProportion;
    } else {
        m.Embeddable = true;
    }
    m.BoxLeft = toPdf(f.BBox().XMin);
    m.BoxBottom = toPdf(f.BBox().YMin);
    m.BoxRight = toPdf(f.BBox().XMax);
    m.BoxTop = toPdf(f.BBox().YMax);
    m.ItalicAngle = report::RoundHalfEven(f.ItalicAngle());
    report::TTextMetrics tm = f.MetricsAt(kPdfEm);
    m.Ascent = tm.Ascent;
    m.Descent = tm.Descent;
    m.InternalLeading = tm.InternalLeading;
    m.ExternalLeading = tm.ExternalLeading;
    m.MaxWidth = tm.MaxCharWidth;
    m.AvgWidth = tm.AveCharWidth;
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
