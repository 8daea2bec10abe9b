#include "pdf/PdfFonts.h"

#include "pdf/FontSubset.h"
#include "report/FontFace.h"

namespace gq::pdf
{

TPDFFont::TPDFFont(std::string resourceName, std::string baseFont, const TWidthTable& widths)
    : ResourceName(std::move(resourceName)), BaseFont(std::move(baseFont)), Widths(widths)
{}

long long TPDFFont::TextUnits(std::string_view text) const
{
    long long sum = 0;
    for (char c : text)
        sum += Widths[static_cast<unsigned char>(c)];
    return sum;
}

void TPDFFont::NoteShown(std::string_view text)
{
    for (char c : text)
        ShownCodes.set(static_cast<unsigned char>(c));
}

std::string TPDFFont::PdfBaseFont() const
{
    return SubsetTag.empty() ? BaseFont : SubsetTag + "+" + BaseFont;
}

void TPDFFont::WriteHead(TPdfWriteContext& out)
{
    out.BeginDictionary(Number);
    out.Line("/Type /Font");
    out.FormatLine("/Subtype /%s", {SubtypeName});
    out.FormatLine("/Name /%s", {ResourceName});
    out.FormatLine("/BaseFont /%s", {PdfBaseFont()});
    out.Line("/Encoding /" + std::string(EncodingName(out.FontEncoding)));
}

void TPDFFont::WriteToBuffer(TPdfWriteContext& out)
{
    WriteHead(out);
    out.EndDictionary();
}

TPDFFontTrueType::TPDFFontTrueType(std::string resourceName, std::string baseFont)
    : TPDFFont(std::move(resourceName), std::move(baseFont), TWidthTable{}),
      Descriptor(std::make_unique<TPDFFontDescriptor>())
{
    SubtypeName = "TrueType";
}

void TPDFFontTrueType::AssignNumbers(int first)
{
    Number = first;
    Descriptor->Number = first + 1;
    if (FontFile)
        FontFile->Number = first + 2;
}

void TPDFFontTrueType::SubsetFontFile()
{
    if (!FontFile)
        return;
    // The text is WinAnsiEncoding: each code reaches its glyph through the character it stands
    // for, so the subset keeps the glyphs of those characters.
    std::vector<char32_t> unicodes;
    for (std::size_t code = 0; code < ShownCodes.size(); ++code)
        if (ShownCodes[code])
            unicodes.push_back(report::Windows1252ToUnicode(static_cast<std::uint8_t>(code)));
    std::optional<std::vector<std::uint8_t>> subset = SubsetFontProgram(FontFile->Data, unicodes);
    if (!subset)
        return;
    FontFile->Data = std::move(*subset);
    SubsetTag = pdf::SubsetTag(BaseFont, unicodes);
    Descriptor->FontName = PdfBaseFont();
}

void TPDFFontTrueType::WriteToBuffer(TPdfWriteContext& out)
{
    WriteHead(out);
    out.FormatLine("/FirstChar %d", {FirstChar});
    out.FormatLine("/LastChar %d", {LastChar});
    out.Text("/Widths [");
    for (int code = FirstChar; code <= LastChar; ++code) {
        out.Format("%d ", {Widths[static_cast<std::size_t>(code)]});
        if (code % 10 == 9)
            out.Line("");
    }
    out.Line("]");
    out.FormatLine("/FontDescriptor %d 0 R", {Descriptor->Number});
    out.EndDictionary();
}

void TPDFFontDescriptor::WriteToBuffer(TPdfWriteContext& out)
{
    out.BeginDictionary(Number);
    out.Line("/Type /FontDescriptor");
    out.FormatLine("/FontName /%s", {FontName});
    out.FormatLine("/Flags %d", {Flags});
    out.FormatLine("/FontBBox [%d %d %d %d]", {BoxLeft, BoxBottom, BoxRight, BoxTop});
    out.FormatLine("/MissingWidth %d", {MissingWidth});
    out.FormatLine("/StemV %d", {StemV});
    out.FormatLine("/StemH %d", {StemH});
    out.FormatLine("/ItalicAngle %d", {ItalicAngle});
    out.FormatLine("/CapHeight %d", {CapHeight});
    out.FormatLine("/XHeight %d", {XHeight});
    out.FormatLine("/Ascent %d", {Ascent});
    out.FormatLine("/Descent %d", {Descent});
    out.FormatLine("/Leading %d", {Leading});
    out.FormatLine("/MaxWidth %d", {MaxWidth});
    out.FormatLine("/AvgWidth %d", {AvgWidth});
    if (out.EmbedFonts && HasFontFile)
        out.FormatLine("/FontFile2 %d 0 R", {Number + 1});
    out.EndDictionary();
}

void TPDFFontFile::WriteToBuffer(TPdfWriteContext& out)
{
    out.BeginObject(Number);
    out.FormatLine("<< /Length %d ", {Data.size()});
    out.FormatLine("/Length1 %d >>", {Data.size()});
    out.Line("stream");
    out.Text(std::string_view(reinterpret_cast<const char*>(Data.data()), Data.size()));
    out.Line("");
    out.Line("endstream");
    out.EndObject();
}

} // namespace gq::pdf
