#include "pdf/RenderPDF.h"

#include "pdf/FontWidths.h"
#include "pdf/OperatorWriter.h"
#include "pdf/PdfError.h"
#include "pdf/RenderPDFDocument.h"
#include "pdf/StreamPlayer.h"
#include "report/FontFace.h"
#include "report/Rounding.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <numbers>
#include <sstream>

namespace gq::pdf
{

namespace
{

// Bezier control distance of a quarter circle of radius 1.
constexpr double kQuarterKappa = 4.0 / 3.0 * (std::numbers::sqrt2 - 1.0);

bool IsCourier(std::string_view base)
{
    return EqualsNoCase(base, "Courier") ||
           (base.size() > 8 && EqualsNoCase(base.substr(0, 8), "Courier-"));
}

std::string CreationDate(const TDateTime& t)
{
    auto two = [](int v) {
        std::string s = std::to_string(v);
        return s.size() < 2 ? "0" + s : s;
    };
    std::string year = std::to_string(t.Year);
    if (year.size() < 4)
        year.insert(0, 4 - year.size(), '0');
    return year + two(t.Month) + two(t.Day) + two(t.Hour) + two(t.Minute) + two(t.Second);
}

} // namespace

std::string_view EncodingName(TPDFFontEncoding encoding)
{
    switch (encoding) {
    case TPDFFontEncoding::feMacRomanEncoding:
        return "MacRomanEncoding";
    case TPDFFontEncoding::feMacExpertEncoding:
        return "MacExpertEncoding";
    case TPDFFontEncoding::feWinAnsiEncoding:
        return "WinAnsiEncoding";
    case TPDFFontEncoding::fePDFDocEncoding:
        return "PDFDocEncoding";
    case TPDFFontEncoding::feStandardEncoding:
        return "StandardEncoding";
    }
    return "WinAnsiEncoding";
}

namespace
{

// "%.3g" of i / 255 for every colour byte i, made once.
struct TColorParts
{
    TColorParts()
    {
        for (int i = 0; i < 256; ++i)
            Text[static_cast<std::size_t>(i)] = FormatGeneral3(i / 255.0);
    }
    std::array<std::string, 256> Text;
};

const TColorParts& ColorParts()
{
    static const TColorParts parts;
    return parts;
}

// Writes ColorText(color) to `out` (a std::string or a TOperatorWriter).
template <typename Out> void PutColor(Out& out, std::int32_t color)
{
    if (color < 0)
        color = 0;
    const auto& text = ColorParts().Text;
    out += text[static_cast<std::size_t>(color & 0xFF)];
    out += ' ';
    out += text[static_cast<std::size_t>((color >> 8) & 0xFF)];
    out += ' ';
    out += text[static_cast<std::size_t>((color >> 16) & 0xFF)];
}

// The operator line that paints the current path: fill and stroke, fill, stroke or nothing.
std::string_view PaintOperatorText(bool penClear, bool brushClear)
{
    if (!penClear && !brushClear)
        return "b\r\n";
    if (!brushClear)
        return "f\r\n";
    if (!penClear)
        return "S\r\n";
    return {};
}

} // namespace

namespace
{

std::uint8_t GrayLevel(std::int32_t color)
{
    if (color < 0)
        color = 0;
    const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    if (r == g && g == b)
        return static_cast<std::uint8_t>(r);
    return static_cast<std::uint8_t>(std::lround(0.299 * r + 0.587 * g + 0.114 * b));
}

} // namespace

std::string GrayText(std::int32_t color) { return ColorParts().Text[GrayLevel(color)]; }

std::string FileIdentifier(std::string_view bytes)
{
    std::string hex;
    for (std::uint64_t hash : {0xcbf29ce484222325ULL, 0x84222325cbf29ce4ULL}) {
        for (char c : bytes) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 0x100000001b3ULL;
        }
        for (int shift = 60; shift >= 0; shift -= 4)
            hex += "0123456789ABCDEF"[(hash >> shift) & 0xF];
    }
    return hex;
}

void TRenderPDF::PutColorOperator(TOperatorWriter& out, std::int32_t color, bool stroke) const
{
    if (PdfX) {
        out += ColorParts().Text[GrayLevel(color)];
        out += stroke ? " G\r\n" : " g\r\n";
        return;
    }
    PutColor(out, color);
    out += stroke ? " RG\r\n" : " rg\r\n";
}

std::string TRenderPDF::InfoString(const std::string& value) const
{
    bool ascii = true;
    for (char c : value)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!UnicodeDocInfo || ascii)
        return "(" + EscapePdfString(value) + ")";
    std::string hex = "<FEFF";
    for (char c : value) {
        char32_t code = report::Windows1252ToUnicode(static_cast<std::uint8_t>(c));
        for (int shift = 12; shift >= 0; shift -= 4)
            hex += "0123456789ABCDEF"[(code >> shift) & 0xF];
    }
    return hex + ">";
}

std::string ColorText(std::int32_t color)
{
    std::string out;
    PutColor(out, color);
    return out;
}

TRenderPDF::TRenderPDF() : m_engineFonts(std::make_unique<TEngineFontServices>())
{
    DisplayName = "Portable Document Format (PDF)";
    FileExtension = "*.pdf";
    FontServices = m_engineFonts.get();
}

void TRenderPDF::SetFontManager(std::shared_ptr<report::TFontManager> fonts)
{
    m_engineFonts->SetFontManager(std::move(fonts));
}

TRenderPDF::~TRenderPDF() = default;

std::string TRenderPDF::OutputNameFor(const std::string& fileName) const
{
    if (fileName.find('.') != std::string::npos)
        return fileName;
    std::size_t dot = FileExtension.find('.');
    if (dot == std::string::npos)
        return fileName;
    std::string extension = FileExtension.substr(dot);
    if (std::size_t semicolon = extension.find(';'); semicolon != std::string::npos)
        extension.resize(semicolon);
    return fileName + extension;
}

void TRenderPDF::RenderToFile(std::span<const std::uint8_t> input, const std::string& fileName)
{
    std::string name = OutputNameFor(fileName);
    OutputFileName = name;
    auto file = std::make_unique<std::ofstream>(name, std::ios::binary | std::ios::trunc);
    if (!file->is_open())
        throw TOutputFileError(
            "Cannot create the PDF file \"" + name + "\": " + std::strerror(errno) + ".", name);
    m_owned = std::move(file);
    m_output = m_owned.get();
    try {
        RenderStream(input);
    } catch (...) {
        m_doc.reset();
        CloseOutput();
        throw;
    }
    CloseOutput();
}

std::string TRenderPDF::RenderToString(std::span<const std::uint8_t> input)
{
    std::string document;
    m_capture = &document;
    try {
        RenderStream(input);
    } catch (...) {
        m_capture = nullptr;
        m_doc.reset();
        CloseOutput();
        throw;
    }
    m_capture = nullptr;
    CloseOutput();
    return document;
}

// ---------------------------------------------------------------------------------------------
// Document

void TRenderPDF::BeginDocument()
{
    m_doc = std::make_unique<TDocument>();
    m_doc->Catalog = std::make_unique<TPDFCatalog>(*this);
    m_doc->Pages = std::make_unique<TPDFPages>(*this);
    m_doc->PageList.push_back(std::make_unique<TPDFPage>(*this));
    m_doc->CurrentPage = m_doc->PageList.back().get();
    m_doc->Outlines = std::make_unique<TPDFOutlines>(*this);
    m_doc->ProcSet = std::make_unique<TPDFProcSet>(*this);
    m_doc->FontSize = 12;
    m_doc->FirstPagePending = true;
    m_active = &m_doc->CurrentPage->Content->Content;
}

void TRenderPDF::BeginPage()
{
    if (!m_doc)
        return;
    if (m_doc->FirstPagePending) {
        m_doc->FirstPagePending = false;
    } else {
        const TGraphicsCache& previous = m_doc->CurrentPage->Cache;
        auto page = std::make_unique<TPDFPage>(*this);
        page->Cache.RequestedTextColor = previous.RequestedTextColor;
        page->Cache.RequestedPenColor = previous.RequestedPenColor;
        page->Cache.RequestedBrushColor = previous.RequestedBrushColor;
        // Pages of a book look alike: room for as much as the last page held saves regrowing.
        page->Content->Content.reserve(m_doc->CurrentPage->Content->Content.size() + 256);
        m_doc->CurrentPage = page.get();
        m_doc->PageList.push_back(std::move(page));
    }
    m_doc->CurrentPage->Width = PageWidth;
    m_doc->CurrentPage->Height = PageHeight;
    m_active = &m_doc->CurrentPage->Content->Content;
}

void TRenderPDF::EndPage() {}

void TRenderPDF::WriteObject(TPDFObject& object)
{
    m_doc->XRef.push_back(m_doc->Body.size());
    m_active = &m_doc->Body;
    object.WriteToBuffer();
}

void TRenderPDF::WriteInfo(int number)
{
    m_doc->XRef.push_back(m_doc->Body.size());
    m_active = &m_doc->Body;
    WriteFormatLine("%d 0 obj", {number});
    WriteLine("<<");
    auto entry = [&](std::string_view key, const std::string& value) {
        if (!value.empty())
            WriteFormatLine("/%s %s", {key, InfoString(value)});
    };
    entry("Title", DocInfo.Title);
    entry("Author", DocInfo.Author);
    entry("Subject", DocInfo.Subject);
    entry("Keywords", DocInfo.KeyWords);
    entry("Creator", DocInfo.Creator);
    entry("Producer", DocInfo.Producer);
    TDateTime now = Clock ? Clock() : SystemClockNow();
    WriteFormatLine("/CreationDate (D:%s)", {CreationDate(now)});
    if (PdfX) {
        WriteFormatLine("/ModDate (D:%s)", {CreationDate(now)});
        WriteLine("/Trapped /False");
        WriteLine("/GTS_PDFXVersion (PDF/X-1:2001)");
        WriteLine("/GTS_PDFXConformance (PDF/X-1a:2001)");
    }
    WriteLine(">>");
    WriteLine("endobj");
    WriteLine("");
}

void TRenderPDF::WriteFile(std::string& bytes)
{
    if (m_capture) {
        m_capture->swap(bytes);
        return;
    }
    if (m_output) {
        m_output->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        m_output->flush();
        if (!*m_output)
            throw TOutputFileError("Cannot write the PDF file \"" + OutputFileName + "\".",
                                   OutputFileName);
        return;
    }
    std::ofstream file(OutputFileName, std::ios::binary | std::ios::trunc);
    if (!file.is_open())
        throw TOutputFileError("Cannot create the PDF file \"" + OutputFileName +
                                   "\": " + std::strerror(errno) + ".",
                               OutputFileName);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        throw TOutputFileError("Cannot write the PDF file \"" + OutputFileName + "\".",
                               OutputFileName);
}

void TRenderPDF::EndDocument()
{
    if (!m_doc)
        return;
    // Whatever happens, the document state and the output file are released.
    struct TRelease
    {
        TRenderPDF& Owner;
        ~TRelease()
        {
            Owner.m_doc.reset();
            Owner.CloseOutput();
        }
    } release{*this};

    TDocument& doc = *m_doc;
    doc.Catalog->Number = 1;
    doc.Outlines->Number = 2;
    doc.Pages->Number = 3;
    int number = 4;
    for (auto& page : doc.PageList) {
        page->Number = number++;
        page->Content->Number = number++;
    }
    doc.ProcSet->Number = number++;
    for (auto& font : doc.FontList) {
        font->AssignNumbers(number);
        number += font->ObjectCount();
    }
    int infoNumber = number;

    // The page contents make up nearly all of the file; the rest is a few hundred bytes per
    // object, plus the programs of embedded fonts.
    std::size_t estimate = 4096 + 1024 * doc.FontList.size();
    for (const auto& page : doc.PageList)
        estimate += page->Content->Content.size() + 512 + 16 * doc.FontList.size();
    for (const auto& font : doc.FontList)
        if (auto* trueType = dynamic_cast<TPDFFontTrueType*>(font.get());
            trueType && trueType->FontFile)
            estimate += trueType->FontFile->Data.size();
    doc.Body.reserve(estimate);
    doc.Body = "%PDF-1.3\r\n%\xE2\xE3\xCF\xD3\r\n\r\n";
    WriteObject(*doc.Catalog);
    WriteObject(*doc.Outlines);
    WriteObject(*doc.Pages);
    for (auto& page : doc.PageList) {
        WriteObject(*page);
        WriteObject(*page->Content);
    }
    WriteObject(*doc.ProcSet);
    for (auto& font : doc.FontList) {
        WriteObject(*font);
        if (auto* trueType = dynamic_cast<TPDFFontTrueType*>(font.get())) {
            WriteObject(*trueType->Descriptor);
            if (trueType->FontFile)
                WriteObject(*trueType->FontFile);
        }
    }
    WriteInfo(infoNumber);

    doc.XRefOffset = doc.Body.size();
    m_active = &doc.Body;
    int count = static_cast<int>(doc.XRef.size());
    WriteLine("xref");
    WriteFormatLine("0 %d", {count + 1});
    WriteLine("0000000000 65535 f");
    for (std::size_t offset : doc.XRef) {
        std::string digits = std::to_string(offset);
        digits.insert(0, digits.size() < 10 ? 10 - digits.size() : 0, '0');
        WriteFormatLine("%s 00000 n", {digits});
    }
    WriteLine("");
    WriteLine("trailer");
    WriteLine("<<");
    WriteFormatLine("/Size %d", {count + 1});
    WriteFormatLine("/Root %d 0 R", {doc.Catalog->Number});
    WriteFormatLine("/Info %d 0 R", {infoNumber});
    if (PdfX) {
        const std::string id = FileIdentifier(doc.Body);
        WriteFormatLine("/ID [<%s> <%s>]", {id, id});
    }
    WriteLine(">>");
    WriteLine("");
    WriteLine("startxref");
    WriteFormatLine("%d", {doc.XRefOffset});
    WriteLine("%%EOF");
    m_active = nullptr;

    m_lastFonts.clear();
    for (const auto& font : doc.FontList) {
        const auto* trueType = dynamic_cast<const TPDFFontTrueType*>(font.get());
        m_lastFonts.push_back({font->BaseFont, trueType && trueType->FontFile && EmbedFonts});
    }
    WriteFile(doc.Body);
}

// ---------------------------------------------------------------------------------------------
// Fonts

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
            m_doc->FontList.push_back(
                std::make_unique<TPDFFont>(*this, resource, baseFont, *widths));
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
            std::make_unique<TPDFFont>(*this, resource, fallback, *StandardFontWidths(fallback)));
        return m_doc->FontList.back().get();
    }

    auto trueType = std::make_unique<TPDFFontTrueType>(*this, resource, baseFont);
    int first = std::clamp(metrics->FirstChar, 0, 255);
    int last = std::clamp(metrics->LastChar, first, 255);
    trueType->FirstChar = first;
    trueType->LastChar = last;
    for (int code = first; code <= last; ++code) {
        std::size_t index = static_cast<std::size_t>(code - metrics->FirstChar);
        int width = index < metrics->Widths.size() ? metrics->Widths[index] : 0;
        trueType->Widths[static_cast<std::size_t>(code)] =
            static_cast<std::int16_t>(std::clamp(width, -32768, 32767));
    }
    trueType->Embeddable = metrics->Embeddable;
    TPDFFontDescriptor& d = *trueType->Descriptor;
    d.FontName = baseFont;
    d.Flags = 32 + (metrics->PanoseProportion == 9 ? 1 : 0) + (metrics->PanoseFamily == 3 ? 8 : 0) +
              (metrics->ItalicAngle != 0 ? 64 : 0);
    d.BoxLeft = metrics->BoxLeft;
    d.BoxTop = metrics->BoxTop;
    d.BoxRight = metrics->BoxRight;
    d.BoxBottom = metrics->BoxBottom;
    d.MissingWidth = trueType->Widths[32];
    d.ItalicAngle = metrics->ItalicAngle;
    d.CapHeight = metrics->Ascent;
    d.Ascent = metrics->Ascent;
    d.XHeight = report::RoundHalfEven(metrics->Ascent / 2.0);
    d.Descent = -metrics->Descent;
    d.Leading = metrics->InternalLeading + metrics->ExternalLeading;
    d.MaxWidth = metrics->MaxWidth;
    d.AvgWidth = metrics->AvgWidth;
    if (EmbedFonts && trueType->Embeddable && FontServices) {
        std::vector<std::uint8_t> program =
            FontServices->FontProgram(font.Name, font.Bold, font.Italic);
        if (!program.empty()) {
            trueType->FontFile = std::make_unique<TPDFFontFile>(*this);
            trueType->FontFile->Data = std::move(program);
            d.HasFontFile = true;
        }
    }
    m_doc->FontList.push_back(std::move(trueType));
    return m_doc->FontList.back().get();
}

void TRenderPDF::SelectFont(const TPlayerFont& font)
{
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
}

void TRenderPDF::EnsureFont()
{
    if (m_doc->CurrentFont)
        return;
    // Text before any font command: use the player's font, or the engine's default face.
    TPlayerFont font;
    font.Name = "Arial";
    font.Size = m_doc->FontSize;
    SelectFont(Player() ? Player()->Font() : font);
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

// ---------------------------------------------------------------------------------------------
// Page content

std::uint8_t TRenderPDF::PenStyle() const { return Player() ? Player()->Pen().Style : 0; }

std::uint8_t TRenderPDF::BrushStyle() const
{
    return Player() ? Player()->Brush().Style : kBrushClear;
}

std::int32_t TRenderPDF::PlayerPenColor() const { return Player() ? Player()->Pen().Color : 0; }

std::int32_t TRenderPDF::PlayerBrushColor() const
{
    return Player() ? Player()->Brush().Color : 0x00FFFFFF;
}

void TRenderPDF::PutPoint(TOperatorWriter& out, double x, double y) const
{
    out.Fixed4(x * 72.0);
    out.Put(' ');
    out.Fixed4((m_doc->CurrentPage->Height - y) * 72.0);
}

void TRenderPDF::EmitGraphicsState()
{
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
}

void TRenderPDF::EmitGraphicsState(TOperatorWriter& out)
{
    TGraphicsCache& c = m_doc->CurrentPage->Cache;
    std::uint8_t style = PenStyle();
    if (!c.DashValid || c.EmittedDash != style) {
        switch (style) {
        case 1:
            out += "[13 6] 0 d\r\n";
            break;
        case 2:
            out += "[2] 0 d\r\n";
            break;
        case 3:
            out += "[8 4 1 4] 0 d\r\n";
            break;
        case 4:
            out += "[10 3 2 2 2 3] 0 d\r\n";
            break;
        default:
            out += "[] 0 d\r\n";
            break;
        }
        c.EmittedDash = style;
        c.DashValid = true;
    }
    if (!c.PenColorValid || c.EmittedPenColor != c.RequestedPenColor) {
        PutColorOperator(out, c.RequestedPenColor, true);
        c.EmittedPenColor = c.RequestedPenColor;
        c.PenColorValid = true;
        c.TextColorValid = false;
    }
    if (!c.BrushColorValid || c.EmittedBrushColor != c.RequestedBrushColor) {
        PutColorOperator(out, c.RequestedBrushColor, false);
        c.EmittedBrushColor = c.RequestedBrushColor;
        c.BrushColorValid = true;
        c.TextColorValid = false;
    }
    if (!c.LineWidthValid || c.EmittedLineWidth != PenWidth) {
        out.Fixed4(PenWidth * 72.0);
        out += " w \r\n";
        c.EmittedLineWidth = PenWidth;
        c.LineWidthValid = true;
    }
}

void TRenderPDF::PaintOperator(bool penClear, bool brushClear)
{
    WriteText(PaintOperatorText(penClear, brushClear));
}

void TRenderPDF::TextLeft(const std::string& text, double x, double y)
{
    if (!m_doc)
        return;
    EnsureFont();
    TDocument& doc = *m_doc;
    TGraphicsCache& c = doc.CurrentPage->Cache;
    double height = doc.CurrentPage->Height;
    {
        TOperatorWriter out(ActiveBuffer());
        out += "BT\r\n";
        if (!c.TextColorValid || c.EmittedTextColor != c.RequestedTextColor) {
            PutColorOperator(out, c.RequestedTextColor, false);
            c.EmittedTextColor = c.RequestedTextColor;
            c.TextColorValid = true;
            c.PenColorValid = false;
            c.BrushColorValid = false;
        }
        out += '/';
        out += doc.CurrentFont->ResourceName;
        out += ' ';
        out.Integer(doc.FontSize, 4);
        out += " Tf\r\n";
        // The text is written after a blank; moving left by about a blank's width keeps X the
        // start of the visible text.
        double d = doc.FontSize * (doc.CurrentFontIsCourier ? 0.65 : 0.275) / 72.0;
        out.Fixed4((x - d) * 72.0);
        out += ' ';
        out.Fixed4((height - y) * 72.0);
        out += " Td\r\n";
        if (doc.Rotation != 0.0) {
            double theta = doc.Rotation * std::numbers::pi / 180.0;
            for (double v :
                 {std::cos(theta), std::sin(theta), -std::sin(theta), std::cos(theta), x * 72.0}) {
                out.Fixed4(v);
                out += ' ';
            }
            out.Fixed4((height - y) * 72.0);
            out += " Tm\r\n";
        }
        out += "( ";
        out.Escaped(text);
        out += " ) Tj\r\nET\r\n";
    }

    if (doc.Rotation == 0.0 && (doc.Underline || doc.StrikeOut)) {
        double saved = PenWidth;
        double w = TextWidth(text);
        if (doc.Underline) {
            PenWidth = (doc.FontSize + 1.0) * 0.0014;
            double lineY = y + 1.5 * PenWidth;
            DrawLineSegment(x, lineY, x + w, lineY);
        }
        if (doc.StrikeOut) {
            PenWidth = (doc.FontSize + 1.0) * 0.0006;
            double lineY = y - doc.FontSize / 72.0 * 0.22;
            DrawLineSegment(x, lineY, x + w, lineY);
        }
        PenWidth = saved;
    }
}

void TRenderPDF::DrawLineSegment(double x1, double y1, double x2, double y2)
{
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    PutPoint(out, x1, y1);
    out += " m\r\n";
    EmitGraphicsState(out);
    PutPoint(out, x2, y2);
    out += " l ";
    out += PaintOperatorText(PenStyle() == kPenClear, BrushStyle() == kBrushClear);
}

void TRenderPDF::TextCentred(const std::string& text, double x, double y)
{
    if (!m_doc)
        return;
    EnsureFont();
    double d = TextWidth(text) / 2.0;
    double theta = m_doc->Rotation;
    if (theta > 0.0 && theta < 360.0) {
        double r = theta * std::numbers::pi / 180.0;
        TextLeft(text, x - d * std::cos(r), y + d * std::sin(r));
    } else {
        TextLeft(text, x - d, y);
    }
}

void TRenderPDF::TextRight(const std::string& text, double x, double y)
{
    if (!m_doc)
        return;
    EnsureFont();
    double d = TextWidth(text);
    double theta = m_doc->Rotation;
    if (theta > 0.0 && theta < 360.0) {
        double r = theta * std::numbers::pi / 180.0;
        TextLeft(text, x - d * std::cos(r), y + d * std::sin(r));
    } else {
        TextLeft(text, x - d, y);
    }
}

void TRenderPDF::TextInWidth(const std::string& text, double x, double y, double)
{
    TextLeft(text, x, y);
}

void TRenderPDF::MovePen(double x, double y)
{
    if (!m_doc)
        return;
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    PutPoint(out, x, y);
    out += " m\r\n";
}

void TRenderPDF::LineToPoint(double x, double y)
{
    if (!m_doc)
        return;
    m_doc->CurrentPage->Cache.RequestedPenColor = PlayerPenColor();
    TOperatorWriter out(ActiveBuffer());
    EmitGraphicsState(out);
    PutPoint(out, x, y);
    out += " l ";
    out += PaintOperatorText(PenStyle() == kPenClear, true);
}

// ---------------------------------------------------------------------------------------------
// Shapes. Paths are built in PDF points; Y grows upwards there.

void TRenderPDF::DrawRectangle(double x1, double y1, double x2, double y2)
{
    if (!m_doc)
        return;
    TGraphicsCache& c = m_doc->CurrentPage->Cache;
    c.RequestedPenColor = PlayerPenColor();
    c.RequestedBrushColor = PlayerBrushColor();
    bool penClear = PenStyle() == kPenClear;
    bool brushClear = BrushStyle() == kBrushClear;
    if (penClear && brushClear)
        return;
    double height = m_doc->CurrentPage->Height;
    EmitGraphicsState();
    WriteFormat("%.4f %.4f %.4f %.4f re ",
                {x1 * 72.0, (height - y1) * 72.0, (x2 - x1) * 72.0, (y1 - y2) * 72.0});
    PaintOperator(penClear, brushClear);
}

void TRenderPDF::FillRectangle(const TDeviceRect& rect)
{
    if (!m_doc)
        return;
    double leftWaste = Player() ? Player()->Header().LeftWaste : 0.0;
    double topWaste = Player() ? Player()->Header().TopWaste : 0.0;
    double x1 = rect.Left / ResolutionX() + leftWaste;
    double y1 = rect.Top / ResolutionY() + topWaste;
    double x2 = rect.Right / ResolutionX() + leftWaste;
    double y2 = rect.Bottom / ResolutionY() + topWaste;
    m_doc->CurrentPage->Cache.RequestedBrushColor = PlayerBrushColor();
    bool brushClear = BrushStyle() == kBrushClear;
    if (brushClear)
        return;
    double height = m_doc->CurrentPage->Height;
    EmitGraphicsState();
    WriteFormat("%.4f %.4f %.4f %.4f re ",
                {x1 * 72.0, (height - y1) * 72.0, (x2 - x1) * 72.0, (y1 - y2) * 72.0});
    PaintOperator(true, brushClear);
}

void TRenderPDF::DrawEllipse(double x1, double y1, double x2, double y2)
{
    if (!m_doc)
        return;
    TGraphicsCache& c = m_doc->CurrentPage->Cache;
    c.RequestedPenColor = PlayerPenColor();
    c.RequestedBrushColor = PlayerBrushColor();
    EmitGraphicsState();
    double height = m_doc->CurrentPage->Height;
    double left = std::min(x1, x2) * 72.0, right = std::max(x1, x2) * 72.0;
    double top = (height - std::min(y1, y2)) * 72.0, bottom = (height - std::max(y1, y2)) * 72.0;
    // Frame mode 0 keeps the stroke inside the box, mode 2 outside it.
    double half = PenWidth * 72.0 / 2.0;
    double grow = FrameMode == 0 ? -half : FrameMode == 2 ? half : 0.0;
    left -= grow;
    right += grow;
    top += grow;
    bottom -= grow;
    double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    double rx = (right - left) / 2.0, ry = (top - bottom) / 2.0;
    double kx = rx * kQuarterKappa, ky = ry * kQuarterKappa;
    auto curve = [&](double ax, double ay, double bx, double by, double ex, double ey) {
        WriteFormatLine("%.4f %.4f %.4f %.4f %.4f %.4f c", {ax, ay, bx, by, ex, ey});
    };
    WriteFormatLine("%.4f %.4f m", {cx + rx, cy});
    curve(cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
    curve(cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
    curve(cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
    curve(cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
    WriteLine("h");
    PaintOperator(PenStyle() == kPenClear, BrushStyle() == kBrushClear);
}

void TRenderPDF::DrawRoundRect(double x1, double y1, double x2, double y2, double cornerWidth,
                               double cornerHeight)
{
    if (!m_doc)
        return;
    TGraphicsCache& c = m_doc->CurrentPage->Cache;
    c.RequestedPenColor = PlayerPenColor();
    c.RequestedBrushColor = PlayerBrushColor();
    EmitGraphicsState();
    double height = m_doc->CurrentPage->Height;
    double left = std::min(x1, x2) * 72.0, right = std::max(x1, x2) * 72.0;
    double top = (height - std::min(y1, y2)) * 72.0, bottom = (height - std::max(y1, y2)) * 72.0;
    double rx = std::clamp(std::fabs(cornerWidth) * 72.0 / 2.0, 0.0, (right - left) / 2.0);
    double ry = std::clamp(std::fabs(cornerHeight) * 72.0 / 2.0, 0.0, (top - bottom) / 2.0);
    if (!std::isfinite(rx))
        rx = 0.0;
    if (!std::isfinite(ry))
        ry = 0.0;
    double kx = rx * kQuarterKappa, ky = ry * kQuarterKappa;
    auto line = [&](double x, double y) { WriteFormatLine("%.4f %.4f l", {x, y}); };
    auto curve = [&](double ax, double ay, double bx, double by, double ex, double ey) {
        WriteFormatLine("%.4f %.4f %.4f %.4f %.4f %.4f c", {ax, ay, bx, by, ex, ey});
    };
    WriteFormatLine("%.4f %.4f m", {left + rx, top});
    line(right - rx, top);
    curve(right - rx + kx, top, right, top - ry + ky, right, top - ry);
    line(right, bottom + ry);
    curve(right, bottom + ry - ky, right - rx + kx, bottom, right - rx, bottom);
    line(left + rx, bottom);
    curve(left + rx - kx, bottom, left, bottom + ry - ky, left, bottom + ry);
    line(left, top - ry);
    curve(left, top - ry + ky, left + rx - kx, top, left + rx, top);
    WriteLine("h");
    PaintOperator(PenStyle() == kPenClear, BrushStyle() == kBrushClear);
}

void TRenderPDF::DrawArcShape(TArcKind kind, double x1, double y1, double x2, double y2, double x3,
                              double y3, double x4, double y4)
{
    if (!m_doc)
        return;
    TGraphicsCache& c = m_doc->CurrentPage->Cache;
    c.RequestedPenColor = PlayerPenColor();
    if (kind != TArcKind::Arc)
        c.RequestedBrushColor = PlayerBrushColor();
    EmitGraphicsState();
    WriteLine("% arc code");
    double height = m_doc->CurrentPage->Height;
    auto px = [](double x) { return x * 72.0; };
    auto py = [&](double y) { return (height - y) * 72.0; };
    double cx = (px(x1) + px(x2)) / 2.0, cy = (py(y1) + py(y2)) / 2.0;
    double rx = std::fabs(px(x2) - px(x1)) / 2.0, ry = std::fabs(py(y2) - py(y1)) / 2.0;
    // Angles of the start and end radials, measured on the unit circle the ellipse maps to;
    // the arc runs counter-clockwise as seen on the page.
    auto angle = [&](double x, double y) {
        double dx = px(x) - cx, dy = py(y) - cy;
        if (rx > 0.0)
            dx /= rx;
        if (ry > 0.0)
            dy /= ry;
        return std::atan2(dy, dx);
    };
    double a1 = angle(x3, y3);
    double a2 = angle(x4, y4);
    double sweep = a2 - a1;
    if (!(sweep > 0.0))
        sweep += 2.0 * std::numbers::pi;
    if (!std::isfinite(sweep) || sweep <= 0.0)
        sweep = 2.0 * std::numbers::pi;
    int parts =
        std::clamp(static_cast<int>(std::ceil(sweep / (std::numbers::pi / 2.0) - 1e-9)), 1, 4);
    double step = sweep / parts;
    double k = 4.0 / 3.0 * std::tan(step / 4.0);
    auto at = [&](double a) { return std::pair{cx + rx * std::cos(a), cy + ry * std::sin(a)}; };
    auto [sx, sy] = at(a1);
    WriteFormatLine("%.4f %.4f m", {sx, sy});
    for (int i = 0; i < parts; ++i) {
        double b0 = a1 + step * i, b1 = b0 + step;
        auto [p0x, p0y] = at(b0);
        auto [p1x, p1y] = at(b1);
        WriteFormatLine("%.4f %.4f %.4f %.4f %.4f %.4f c",
                        {p0x - k * rx * std::sin(b0), p0y + k * ry * std::cos(b0),
                         p1x + k * rx * std::sin(b1), p1y - k * ry * std::cos(b1), p1x, p1y});
    }
    bool penClear = PenStyle() == kPenClear;
    switch (kind) {
    case TArcKind::Arc:
        WriteLine(penClear ? "n" : "S");
        break;
    case TArcKind::Chord:
        WriteLine("h");
        PaintOperator(penClear, BrushStyle() == kBrushClear);
        break;
    case TArcKind::Pie:
        WriteFormatLine("%.4f %.4f l", {cx, cy});
        WriteLine("h");
        PaintOperator(penClear, BrushStyle() == kBrushClear);
        break;
    }
}

void TRenderPDF::DrawArc(double x1, double y1, double x2, double y2, double x3, double y3,
                         double x4, double y4)
{
    DrawArcShape(TArcKind::Arc, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TRenderPDF::DrawChord(double x1, double y1, double x2, double y2, double x3, double y3,
                           double x4, double y4)
{
    DrawArcShape(TArcKind::Chord, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TRenderPDF::DrawPie(double x1, double y1, double x2, double y2, double x3, double y3,
                         double x4, double y4)
{
    DrawArcShape(TArcKind::Pie, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TRenderPDF::PutPolyLines(TOperatorWriter& out, std::span<const TUnitPoint> points,
                              int lastIndex) const
{
    int last = std::min(lastIndex, static_cast<int>(points.size()) - 1);
    for (int i = 1; i <= last; ++i) {
        const TUnitPoint& p = points[static_cast<std::size_t>(i)];
        PutPoint(out, static_cast<double>(p.X) / report::kPolyUnitsPerInch,
                 static_cast<double>(p.Y) / report::kPolyUnitsPerInch);
        out += " l ";
        if (i % 4 == 0)
            out += "\r\n";
    }
}

void TRenderPDF::DrawPolyline(std::span<const TUnitPoint> points, int lastIndex)
{
    if (!m_doc || points.empty())
        return;
    m_doc->CurrentPage->Cache.RequestedPenColor = PlayerPenColor();
    EmitGraphicsState();
    TOperatorWriter out(ActiveBuffer());
    PutPolyLines(out, points, lastIndex);
    out += PaintOperatorText(PenStyle() == kPenClear, true);
}

void TRenderPDF::DrawPolygon(std::span<const TUnitPoint> points, int lastIndex)
{
    if (!m_doc || points.empty())
        return;
    TGraphicsCache& c = m_doc->CurrentPage->Cache;
    c.RequestedPenColor = PlayerPenColor();
    c.RequestedBrushColor = PlayerBrushColor();
    EmitGraphicsState();
    TOperatorWriter out(ActiveBuffer());
    PutPolyLines(out, points, lastIndex);
    out += "h ";
    out += PaintOperatorText(PenStyle() == kPenClear, BrushStyle() == kBrushClear);
}

void TRenderPDF::TextInRect(const TDeviceRect& rect, double x, double y, const std::string& text)
{
    if (!m_doc)
        return;
    TGraphicsCache& c = m_doc->CurrentPage->Cache;
    WriteLine(" q ");
    WriteFormatLine("%.4f w ", {0.0});
    c.LineWidthValid = false;
    if (!(PenStyle() == kPenClear && BrushStyle() == kBrushClear)) {
        double leftWaste = Player() ? Player()->Header().LeftWaste : 0.0;
        double topWaste = Player() ? Player()->Header().TopWaste : 0.0;
        double x1 = rect.Left / ResolutionX() + leftWaste;
        double y1 = rect.Top / ResolutionY() + topWaste;
        double x2 = rect.Right / ResolutionX() + leftWaste;
        double y2 = rect.Bottom / ResolutionY() + topWaste;
        double height = m_doc->CurrentPage->Height;
        WriteFormat("%.4f %.4f %.4f %.4f re ",
                    {x1 * 72.0, (height - y1) * 72.0, (x2 - x1) * 72.0, (y1 - y2) * 72.0});
        WriteLine("W n ");
    }
    TextLeft(text, x, y);
    WriteLine(" Q ");
    // The restore undoes whatever the text set inside; nothing emitted there can be relied on.
    c.TextColorValid = c.PenColorValid = c.BrushColorValid = false;
    c.LineWidthValid = c.DashValid = false;
}

} // namespace gq::pdf
