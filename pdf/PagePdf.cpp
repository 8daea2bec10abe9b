#include "pdf/PagePdf.h"

#include "gq/Error.h"
#include "pdf/EngineFontServices.h"
#include "pdf/Flate.h"
#include "pdf/FontWidths.h"
#include "pdf/PdfFonts.h"
#include "pdf/PdfObjects.h"
#include "pdf/RenderPDF.h"

#include <cmath>
#include <numbers>

namespace gq::pdf
{

struct TPagePdf::Impl
{
    TPdfBox Media;
    TPdfBox Trim;
    TEngineFontServices FontServices;
    std::vector<std::unique_ptr<TPDFFont>> Fonts;
    std::string Content = "2 J\r\n";

    TPDFFontTrueType& Font(int index) const
    {
        return static_cast<TPDFFontTrueType&>(*Fonts.at(static_cast<std::size_t>(index)));
    }
    void Numbers(std::initializer_list<double> values)
    {
        for (double value : values) {
            AppendFixed4(Content, value);
            Content += ' ';
        }
    }
    void Color(const TPdfColor& color, bool stroke)
    {
        if (color.Cmyk) {
            Numbers({color.C, color.M, color.Y, color.K});
            Content += stroke ? "K\r\n" : "k\r\n";
        } else {
            Numbers({color.Gray});
            Content += stroke ? "G\r\n" : "g\r\n";
        }
    }
};

TPagePdf::TPagePdf(TPdfBox media, TPdfBox trim, std::shared_ptr<report::TFontManager> fonts)
    : m_impl(std::make_unique<Impl>(
          Impl{media, trim, TEngineFontServices(std::move(fonts)), {}, "2 J\r\n"}))
{}

TPagePdf::~TPagePdf() = default;

int TPagePdf::AddFont(const std::string& face, bool bold)
{
    Impl& m = *m_impl;
    std::optional<TTrueTypeMetrics> metrics;
    if (m.FontServices.IsTrueType(face, bold, false))
        metrics = m.FontServices.MeasureTrueType(face, bold, false);
    std::vector<std::uint8_t> program;
    if (metrics && metrics->Embeddable)
        program = m.FontServices.FontProgram(face, bold, false);
    if (program.empty())
        throw Error("the font " + face + (bold ? " Bold" : "") +
                    " is not installed as a TrueType face that may be embedded");
    const int index = static_cast<int>(m.Fonts.size());
    m.Fonts.push_back(MakeTrueTypeFont(FormatPdf("F%d", {index + 1}),
                                       TrueTypeBaseFontName(face, bold, false), *metrics,
                                       std::move(program)));
    return index;
}

double TPagePdf::TextWidth(int font, double size, std::string_view text) const
{
    return static_cast<double>(m_impl->Font(font).TextUnits(text)) * size / 1000.0;
}

double TPagePdf::Ascent(int font, double size) const
{
    return m_impl->Font(font).Descriptor->BoxTop * size / 1000.0;
}

double TPagePdf::Descent(int font, double size) const
{
    return -m_impl->Font(font).Descriptor->BoxBottom * size / 1000.0;
}

void TPagePdf::SetFill(const TPdfColor& color) { m_impl->Color(color, false); }

void TPagePdf::SetStroke(const TPdfColor& color, double width)
{
    m_impl->Color(color, true);
    m_impl->Numbers({width});
    m_impl->Content += "w\r\n";
}

void TPagePdf::FillRect(double x, double y, double width, double height)
{
    m_impl->Numbers({x, y, width, height});
    m_impl->Content += "re f\r\n";
}

void TPagePdf::StrokeRect(double x, double y, double width, double height)
{
    m_impl->Numbers({x, y, width, height});
    m_impl->Content += "re S\r\n";
}

void TPagePdf::Line(double x1, double y1, double x2, double y2)
{
    m_impl->Numbers({x1, y1});
    m_impl->Content += "m ";
    m_impl->Numbers({x2, y2});
    m_impl->Content += "l S\r\n";
}

void TPagePdf::Text(int font, double size, double x, double y, std::string_view text,
                    double degrees)
{
    Impl& m = *m_impl;
    TPDFFontTrueType& pdfFont = m.Font(font);
    pdfFont.NoteShown(text);
    const double radians = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);
    m.Content += "BT\r\n/" + pdfFont.ResourceName + " ";
    AppendFixed4(m.Content, size);
    m.Content += " Tf\r\n";
    m.Numbers({c, s, -s, c, x, y});
    m.Content += "Tm\r\n(";
    AppendEscapedPdfString(m.Content, text);
    m.Content += ") Tj\r\nET\r\n";
}

std::string TPagePdf::Finish(const TPagePdfInfo& info)
{
    Impl& m = *m_impl;
    for (auto& font : m.Fonts)
        static_cast<TPDFFontTrueType&>(*font).SubsetFontFile();

    // Objects: 1 catalog, 2 outlines, 3 pages, 4 page, 5 content, 6 procedure set, the fonts
    // and their descriptors and programs, the information dictionary last.
    TPDFCatalog catalog;
    TPDFOutlines outlines;
    TPDFProcSet procSet;
    TPDFPageContent content;
    content.Content = std::move(m.Content);
    catalog.Number = 1;
    outlines.Number = 2;
    content.Number = 5;
    procSet.Number = 6;
    int number = 7;
    for (auto& font : m.Fonts) {
        font->AssignNumbers(number);
        number += font->ObjectCount();
    }
    const int infoNumber = number;

    std::string body = "%PDF-1.3\r\n%\xE2\xE3\xCF\xD3\r\n\r\n";
    std::vector<std::size_t> offsets;
    TPdfWriteContext out(body);
    out.PdfX = info.PdfX;
    out.EmbedFonts = true;
    const TCompressEvent flate = [](std::string_view text, std::string&) {
        return FlateCompress(text);
    };
    out.Compress = &flate;
    out.OutlinesNumber = 2;
    out.PagesNumber = 3;
    out.ProcSetNumber = 6;
    out.FontList = m.Fonts;
    auto write = [&](TPDFObject& object) {
        offsets.push_back(body.size());
        object.WriteToBuffer(out);
    };
    auto box = [&](std::string_view name, const TPdfBox& b) {
        out.FormatLine("/%s [%.4f %.4f %.4f %.4f]", {name, b.Left, b.Bottom, b.Right, b.Top});
    };
    write(catalog);
    write(outlines);
    offsets.push_back(body.size());
    out.BeginDictionary(3);
    out.Line("/Type /Pages");
    out.Line("/Count 1");
    out.Line("/Kids [ 4 0 R ]");
    out.EndDictionary();
    offsets.push_back(body.size());
    out.BeginDictionary(4);
    out.Line("/Type /Page");
    out.Line("/Parent 3 0 R");
    out.Line("/Resources <<");
    out.Line("/Font <<");
    for (const auto& font : m.Fonts)
        out.FormatLine("/%s %d 0 R ", {font->ResourceName, font->Number});
    out.Line(">>");
    out.Line("/ProcSet 6 0 R");
    out.Line(">>");
    box("MediaBox", m.Media);
    box("BleedBox", m.Media);
    box("TrimBox", m.Trim);
    out.Line("/Contents 5 0 R");
    out.EndDictionary();
    write(content);
    write(procSet);
    for (auto& font : m.Fonts) {
        auto& trueType = static_cast<TPDFFontTrueType&>(*font);
        write(trueType);
        write(*trueType.Descriptor);
        if (trueType.FontFile)
            write(*trueType.FontFile);
    }

    offsets.push_back(body.size());
    out.BeginDictionary(infoNumber);
    for (const auto& [key, value] :
         {std::pair<const char*, const std::string&>{"Title", info.Title},
          {"Author", info.Author},
          {"Creator", info.Creator},
          {"Producer", info.Producer}})
        if (!value.empty())
            out.FormatLine("/%s %s", {key, InfoText(value, true)});
    const std::string date = PdfDateText(info.Clock ? info.Clock() : SystemClockNow(), info.PdfX);
    out.FormatLine("/CreationDate (D:%s)", {date});
    if (info.PdfX) {
        out.FormatLine("/ModDate (D:%s)", {date});
        out.Line("/Trapped /False");
        out.Line("/GTS_PDFXVersion (PDF/X-1:2001)");
        out.Line("/GTS_PDFXConformance (PDF/X-1a:2001)");
    }
    out.EndDictionary();

    const std::size_t xref = body.size();
    out.Line("xref");
    out.FormatLine("0 %d", {offsets.size() + 1});
    out.Line("0000000000 65535 f");
    for (std::size_t offset : offsets) {
        std::string digits = std::to_string(offset);
        digits.insert(0, digits.size() < 10 ? 10 - digits.size() : 0, '0');
        out.FormatLine("%s 00000 n", {digits});
    }
    out.Line("");
    out.Line("trailer");
    out.Line("<<");
    out.FormatLine("/Size %d", {offsets.size() + 1});
    out.Line("/Root 1 0 R");
    out.FormatLine("/Info %d 0 R", {infoNumber});
    if (info.PdfX) {
        const std::string id = FileIdentifier(body);
        out.FormatLine("/ID [<%s> <%s>]", {id, id});
    }
    out.Line(">>");
    out.Line("");
    out.Line("startxref");
    out.FormatLine("%d", {xref});
    out.Line("%%EOF");
    return body;
}

} // namespace gq::pdf
