// TRenderPDF, the fonts: which PDF font a player font becomes, the font resources of the
// document, and text widths in the current font.

#include "pdf/RenderPDF.h"

#include "pdf/FontServices.h"
#include "pdf/FontWidths.h"
#include "pdf/RenderPDFDocument.h"
#include "report/Rounding.h"

#include <algorithm>

namespace gq::pdf
{

namespace
{

bool IsCourier(std::string_view base)
{
    return EqualsNoCase(base, "Courier") ||
           (base.size() > 8 && EqualsNoCase(base.substr(0, 8), "Courier-"));
}

// The descriptor's flags: always nonsymbolic (the text is set in WinAnsiEncoding, reaching the
// glyphs through the face's Unicode cmap), with FixedPitch, Serif, Script and Italic as the face
// describes itself.
int DescriptorFlags(const TTrueTypeMetrics& m)
{
    constexpr int kFixedPitch = 1, kSerif = 2, kScript = 8, kNonsymbolic = 32, kItalic = 64;
    constexpr std::uint8_t kLatinText = 2, kScriptFamily = 3, kMonospaced = 9;
    const bool serif =
        m.PanoseFamily == kLatinText && m.PanoseSerifStyle >= 2 && m.PanoseSerifStyle <= 10;
    return kNonsymbolic + (m.PanoseProportion == kMonospaced || m.FixedPitch ? kFixedPitch : 0) +
           (serif ? kSerif : 0) + (m.PanoseFamily == kScriptFamily ? kScript : 0) +
           (m.ItalicAngle != 0 ? kItalic : 0);
}

// Estimated vertical stem width, thousandths of the em, of a face of weight class 100..900:
// linear from 10 at the lightest to about 230 at the heaviest, 96 for regular and 169 for bold.
int StemWidthOfWeight(int weightClass)
{
    return report::RoundHalfEven(10.0 + 220.0 * (weightClass - 50) / 900.0);
}

} // namespace

std::unique_ptr<TPDFFontTrueType> MakeTrueTypeFont(std::string resource, std::string baseFont,
                                                   const TTrueTypeMetrics& metrics,
                                                   std::vector<std::uint8_t> program)
{
    auto trueType = std::make_unique<TPDFFontTrueType>(std::move(resource), std::move(baseFont));
    int first = std::clamp(metrics.FirstChar, 0, 255);
    int last = std::clamp(metrics.LastChar, first, 255);
    trueType->FirstChar = first;
    trueType->LastChar = last;
    for (int code = first; code <= last; ++code) {
        std::size_t index = static_cast<std::size_t>(code - metrics.FirstChar);
        int width = index < metrics.Widths.size() ? metrics.Widths[index] : 0;
        trueType->Widths[static_cast<std::size_t>(code)] =
            static_cast<std::int16_t>(std::clamp(width, -32768, 32767));
    }
    trueType->Embeddable = metrics.Embeddable;
    TPDFFontDescriptor& d = *trueType->Descriptor;
    d.FontName = trueType->BaseFont;
    d.Flags = DescriptorFlags(metrics);
    d.BoxLeft = metrics.BoxLeft;
    d.BoxTop = metrics.BoxTop;
    d.BoxRight = metrics.BoxRight;
    d.BoxBottom = metrics.BoxBottom;
    d.MissingWidth = trueType->Widths[32];
    d.ItalicAngle = metrics.ItalicAngle;
    // A face that does not state its capital and x heights gets estimates from its ascent; one
    // without a weight class the usual regular stem.
    d.CapHeight = metrics.CapHeight.value_or(metrics.Ascent);
    d.Ascent = metrics.Ascent;
    d.XHeight = metrics.XHeight.value_or(report::RoundHalfEven(metrics.Ascent / 2.0));
    d.Descent = -metrics.Descent;
    if (metrics.WeightClass)
        d.StemV = StemWidthOfWeight(*metrics.WeightClass);
    d.Leading = metrics.InternalLeading + metrics.ExternalLeading;
    d.MaxWidth = metrics.MaxWidth;
    d.AvgWidth = metrics.AvgWidth;
    if (trueType->Embeddable && !program.empty()) {
        trueType->FontFile = std::make_unique<TPDFFontFile>();
        trueType->FontFile->Data = std::move(program);
        d.HasFontFile = true;
    }
    return trueType;
}

TPDFFont* TRenderPDF::FindFont(std::string_view baseFont) const
{
    for (const auto& font : m_doc->FontList)
        if (EqualsNoCase(font->BaseFont, baseFont))
            return font.get();
    return nullptr;
}

TPDFFont* TRenderPDF::CreateFont(const TPlayerFont& font, const std::string& baseFont)
{
    std::string resource = FormatPdf("F%d", {m_doc->FontList.size() + 1});
    if (const TWidthTable* widths = StandardFontWidths(baseFont)) {
        bool symbolTrueType = baseFont == "Symbol" && FontServices &&
                              FontServices->IsTrueType("Symbol", false, false);
        if (!symbolTrueType) {
            m_doc->FontList.push_back(std::make_unique<TPDFFont>(resource, baseFont, *widths));
            return m_doc->FontList.back().get();
        }
    }

    std::optional<TTrueTypeMetrics> metrics;
    if (FontServices)
        metrics = FontServices->MeasureTrueType(font.Name, font.Bold, font.Italic);
    if (!metrics) {
        // The face cannot be measured: set the text in Helvetica instead.
        std::string fallback = HelveticaName(font.Bold, font.Italic);
        if (TPDFFont* existing = FindFont(fallback))
            return existing;
        m_doc->FontList.push_back(
            std::make_unique<TPDFFont>(resource, fallback, *StandardFontWidths(fallback)));
        return m_doc->FontList.back().get();
    }

    std::vector<std::uint8_t> program;
    if (EmbedFonts && metrics->Embeddable && FontServices)
        program = FontServices->FontProgram(font.Name, font.Bold, font.Italic);
    auto trueType = MakeTrueTypeFont(resource, baseFont, *metrics, std::move(program));
    m_doc->FontList.push_back(std::move(trueType));
    return m_doc->FontList.back().get();
}

void TRenderPDF::SelectFont(const TPlayerFont& font)
{
    // The choice depends on the name and style alone, and each font is made once a document.
    for (const TDocument::TFontChoice& choice : m_doc->RecentFonts)
        if (choice.Font && choice.Bold == font.Bold && choice.Italic == font.Italic &&
            choice.Name == font.Name) {
            m_doc->CurrentFont = choice.Font;
            m_doc->CurrentFontIsCourier = choice.Courier;
            return;
        }
    std::string base = StandardBaseFontName(font.Name, font.Bold, font.Italic);
    if (base.empty()) {
        if (FontServices && FontServices->IsTrueType(font.Name, font.Bold, font.Italic))
            base = TrueTypeBaseFontName(font.Name, font.Bold, font.Italic);
        else
            base = HelveticaName(font.Bold, font.Italic);
    }
    TPDFFont* found = FindFont(base);
    m_doc->CurrentFont = found ? found : CreateFont(font, base);
    m_doc->CurrentFontIsCourier = IsCourier(m_doc->CurrentFont->BaseFont);
    TDocument::TFontChoice& kept =
        m_doc->RecentFonts[m_doc->NextRecentFont++ % m_doc->RecentFonts.size()];
    kept = {font.Name, font.Bold, font.Italic, m_doc->CurrentFont, m_doc->CurrentFontIsCourier};
}

void TRenderPDF::EnsureFont()
{
    if (m_doc->CurrentFont)
        return;
    // Text before any font command: the engine's default face.
    TPlayerFont font;
    font.Name = "Arial";
    font.Size = m_doc->FontSize;
    SelectFont(font);
}

void TRenderPDF::FontUpdated(const TPlayerFont& font)
{
    if (!m_doc)
        return;
    SelectFont(font);
    m_doc->Underline = font.Underline;
    m_doc->StrikeOut = font.StrikeOut;
    m_doc->FontSize = font.Size;
    m_doc->CurrentPage->Cache.RequestedTextColor = font.Color;
    m_doc->Rotation = font.Rotation;
}

double TRenderPDF::TextWidth(std::string_view text) const
{
    if (!m_doc || !m_doc->CurrentFont)
        return 0.0;
    return static_cast<double>(m_doc->CurrentFont->TextUnits(text)) / 1000.0 * m_doc->FontSize /
           72.0;
}

} // namespace gq::pdf
