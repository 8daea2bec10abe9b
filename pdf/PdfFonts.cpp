#include "pdf/PdfFonts.h"

#include "pdf/RenderPDF.h"

namespace gq::pdf
{

TPDFFont::TPDFFont(TRenderPDF& owner, std::string resourceName, std::string baseFont,
                   const TWidthTable& widths)
    : TPDFObject(owner), ResourceName(std::move(resourceName)), BaseFont(std::move(baseFont)),
      Widths(widths)
{}

long long TPDFFont::TextUnits(std::string_view text) const
{
    long long sum = 0;
    for (char c : text)
        sum += Widths[static_cast<unsigned char>(c)];
    return sum;
}

void TPDFFont::WriteHead()
{
    m_owner.WriteFormatLine("%d 0 obj", {Number});
    m_owner.WriteLine("<<");
    m_owner.WriteLine("/Type /Font");
    m_owner.WriteFormatLine("/Subtype /%s", {SubtypeName});
    m_owner.WriteFormatLine("/Name /%s", {ResourceName});
    m_owner.WriteFormatLine("/BaseFont /%s", {BaseFont});
    m_owner.WriteLine("/Encoding /" + std::string(EncodingName(m_owner.FontEncoding)));
}

void TPDFFont::WriteToBuffer()
{
    WriteHead();
    m_owner.WriteLine(">>");
    m_owner.WriteLine("endobj");
    m_owner.WriteLine("");
}

TPDFFontTrueType::TPDFFontTrueType(TRenderPDF& owner, std::string resourceName,
                                   std::string baseFont)
    : TPDFFont(owner, std::move(resourceName), std::move(baseFont), TWidthTable{}),
      Descriptor(std::make_unique<TPDFFontDescriptor>(owner))
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

void TPDFFontTrueType::WriteToBuffer()
{
    WriteHead();
    m_owner.WriteFormatLine("/FirstChar %d", {FirstChar});
    m_owner.WriteFormatLine("/LastChar %d", {LastChar});
    m_owner.WriteText("/Widths [");
    for (int code = FirstChar; code <= LastChar; ++code) {
        m_owner.WriteFormat("%d ", {Widths[static_cast<std::size_t>(code)]});
        if (code % 10 == 9)
            m_owner.WriteLine("");
    }
    m_owner.WriteLine("]");
    m_owner.WriteFormatLine("/FontDescriptor %d 0 R", {Descriptor->Number});
    m_owner.WriteLine(">>");
    m_owner.WriteLine("endobj");
    m_owner.WriteLine("");
}

void TPDFFontDescriptor::WriteToBuffer()
{
    m_owner.WriteFormatLine("%d 0 obj", {Number});
    m_owner.WriteLine("<<");
    m_owner.WriteLine("/Type /FontDescriptor");
    m_owner.WriteFormatLine("/FontName /%s", {FontName});
    m_owner.WriteFormatLine("/Flags %d", {Flags});
    m_owner.WriteFormatLine("/FontBBox [%d %d %d %d]", {BoxLeft, BoxBottom, BoxRight, BoxTop});
    m_owner.WriteFormatLine("/MissingWidth %d", {MissingWidth});
    m_owner.WriteFormatLine("/StemV %d", {StemV});
    m_owner.WriteFormatLine("/StemH %d", {StemH});
    m_owner.WriteFormatLine("/ItalicAngle %d", {ItalicAngle});
    m_owner.WriteFormatLine("/CapHeight %d", {CapHeight});
    m_owner.WriteFormatLine("/XHeight %d", {XHeight});
    m_owner.WriteFormatLine("/Ascent %d", {Ascent});
    m_owner.WriteFormatLine("/Descent %d", {Descent});
    m_owner.WriteFormatLine("/Leading %d", {Leading});
    m_owner.WriteFormatLine("/MaxWidth %d", {MaxWidth});
    m_owner.WriteFormatLine("/AvgWidth %d", {AvgWidth});
    if (m_owner.EmbedFonts && HasFontFile)
        m_owner.WriteFormatLine("/FontFile2 %d 0 R", {Number + 1});
    m_owner.WriteLine(">>");
    m_owner.WriteLine("endobj");
    m_owner.WriteLine("");
}

void TPDFFontFile::WriteToBuffer()
{
    m_owner.WriteFormatLine("%d 0 obj", {Number});
    m_owner.WriteFormatLine("<< /Length %d ", {Data.size()});
    m_owner.WriteFormatLine("/Length1 %d >>", {Data.size()});
    m_owner.WriteLine("stream");
    m_owner.WriteText(std::string_view(reinterpret_cast<const char*>(Data.data()), Data.size()));
    m_owner.WriteLine("");
    m_owner.WriteLine("endstream");
    m_owner.WriteLine("endobj");
    m_owner.WriteLine("");
}

} // namespace gq::pdf
