// TRenderPDF, the document: object numbers, the objects, the cross-reference table, the trailer
// and the file they go to.

#include "pdf/RenderPDF.h"

#include "pdf/Flate.h"
#include "pdf/PdfError.h"
#include "pdf/RenderPDFDocument.h"
#include "report/FontFace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace gq::pdf
{

namespace
{

/// The pieces RenderToSink hands on: large enough that writing them costs little, small enough
/// to stay in the processor's caches.
constexpr std::size_t kSinkPiece = 256 * 1024;

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

/// The time zone of a PDF date: "Z" for UTC, else "+HH'mm'" or "-HH'mm'".
std::string DateZone(const TDateTime& t)
{
    if (t.UtcOffsetMinutes == 0)
        return "Z";
    const int minutes = t.UtcOffsetMinutes < 0 ? -t.UtcOffsetMinutes : t.UtcOffsetMinutes;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d'%02d'", t.UtcOffsetMinutes < 0 ? '-' : '+',
                  minutes / 60 % 100, minutes % 60);
    return zone;
}

[[noreturn]] void FailCreate(const std::string& name, int error)
{
    throw TOutputFileError(
        "Cannot create the PDF file \"" + name + "\": " + std::strerror(error) + ".", name);
}

[[noreturn]] void FailWrite(const std::string& name)
{
    throw TOutputFileError("Cannot write the PDF file \"" + name + "\".", name);
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

void TFileIdentifier::Add(std::string_view bytes)
{
    for (std::uint64_t& hash : m_hashes)
        for (char c : bytes) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 0x100000001b3ULL;
        }
}

std::string TFileIdentifier::Hex() const
{
    std::string hex;
    for (std::uint64_t hash : m_hashes)
        for (int shift = 60; shift >= 0; shift -= 4)
            hex += "0123456789ABCDEF"[(hash >> shift) & 0xF];
    return hex;
}

std::string FileIdentifier(std::string_view bytes)
{
    TFileIdentifier identifier;
    identifier.Add(bytes);
    return identifier.Hex();
}

std::string InfoText(const std::string& value, bool unicode)
{
    bool ascii = true;
    for (char c : value)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!unicode || ascii)
        return "(" + EscapePdfString(value) + ")";
    std::string hex = "<FEFF";
    for (char c : value) {
        char32_t code = report::Windows1252ToUnicode(static_cast<std::uint8_t>(c));
        for (int shift = 12; shift >= 0; shift -= 4)
            hex += "0123456789ABCDEF"[(code >> shift) & 0xF];
    }
    return hex + ">";
}

std::string PdfDateText(const TDateTime& t, bool withZone)
{
    return CreationDate(t) + (withZone ? DateZone(t) : "");
}

std::string TRenderPDF::InfoString(const std::string& value) const
{
    return InfoText(value, UnicodeDocInfo);
}

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
        FailCreate(name, errno);
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

void TRenderPDF::RenderToSink(std::span<const std::uint8_t> input,
                              const std::function<void(std::string_view)>& sink)
{
    m_sink = &sink;
    try {
        RenderStream(input);
    } catch (...) {
        m_sink = nullptr;
        m_doc.reset();
        CloseOutput();
        throw;
    }
    m_sink = nullptr;
    CloseOutput();
}

std::size_t TRenderPDF::Offset() const { return m_doc->Written + m_doc->Body.size(); }

void TRenderPDF::Flush(std::size_t least)
{
    TDocument& doc = *m_doc;
    if (!m_sink || doc.Body.empty() || doc.Body.size() < least)
        return;
    if (doc.Settings.PdfX)
        doc.WrittenBytes.Add(doc.Body);
    (*m_sink)(doc.Body);
    doc.Written += doc.Body.size();
    doc.Body.clear();
}

void TRenderPDF::WriteObject(TPDFObject& object, TPdfWriteContext& context)
{
    m_doc->XRef.push_back(Offset());
    object.WriteToBuffer(context);
}

void TRenderPDF::WriteInfo(int number)
{
    m_doc->XRef.push_back(Offset());
    TPdfWriteContext out(m_doc->Body);
    out.BeginDictionary(number);
    auto entry = [&](std::string_view key, const std::string& value) {
        if (!value.empty())
            out.FormatLine("/%s %s", {key, InfoString(value)});
    };
    const report::TDocumentSettings& settings = m_doc->Settings;
    entry("Title", settings.Title);
    entry("Author", settings.Author);
    entry("Subject", DocInfo.Subject);
    entry("Keywords", settings.Keywords.empty() ? DocInfo.KeyWords : settings.Keywords);
    entry("Creator", settings.Creator.empty() ? DocInfo.Creator : settings.Creator);
    entry("Producer", settings.Producer.empty() ? DocInfo.Producer : settings.Producer);
    TDateTime now = Clock ? Clock() : SystemClockNow();
    // PDF/X wants dates that say their time zone; other documents keep the date they always had.
    const std::string date = PdfDateText(now, settings.PdfX);
    out.FormatLine("/CreationDate (D:%s)", {date});
    if (settings.PdfX) {
        out.FormatLine("/ModDate (D:%s)", {date});
        out.Line("/Trapped /False");
        out.Line("/GTS_PDFXVersion (PDF/X-1:2001)");
        out.Line("/GTS_PDFXConformance (PDF/X-1a:2001)");
    }
    out.EndDictionary();
}

void TRenderPDF::WriteFile(std::string& bytes)
{
    if (m_sink) {
        (*m_sink)(bytes);
        return;
    }
    if (m_capture) {
        m_capture->swap(bytes);
        return;
    }
    if (m_output) {
        m_output->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        m_output->flush();
        if (!*m_output)
            FailWrite(OutputFileName);
        return;
    }
    std::ofstream file(OutputFileName, std::ios::binary | std::ios::trunc);
    if (!file.is_open())
        FailCreate(OutputFileName, errno);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        FailWrite(OutputFileName);
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
    // The last page is finished too: the helper goes on with the pages while this thread cuts
    // the fonts down, then the pages not compressed yet are shared out between the two.
    if (doc.Flate)
        doc.Flate->Submit(doc.CurrentPage->Content->Content);
    // Every page is made, so each embedded font knows the glyphs it needs.
    if (doc.SubsetterOpening.valid())
        doc.SubsetterOpening.wait();
    if (EmbedFonts)
        for (auto& font : doc.FontList)
            if (auto* trueType = dynamic_cast<TPDFFontTrueType*>(font.get()))
                trueType->SubsetFontFile();
    if (doc.Flate)
        doc.Flate->CompressRest();
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
    // Written to a sink, the body holds a piece at a time.
    doc.Body.reserve(m_sink ? std::min(estimate, kSinkPiece + (kSinkPiece >> 2)) : estimate);
    doc.Body = "%PDF-1.3\r\n%\xE2\xE3\xCF\xD3\r\n\r\n";

    TPdfWriteContext context(doc.Body);
    context.PdfX = doc.Settings.PdfX;
    context.TrimBox = doc.Settings.GrayWithTrimBox();
    context.EmbedFonts = EmbedFonts;
    context.FontEncoding = FontEncoding;
    // Print-ready documents are compressed, with the caller's compressor or else zlib's.
    const TCompressEvent flate = [&doc](std::string_view content, std::string&) {
        return doc.Flate ? doc.Flate->Take(content) : FlateCompress(content);
    };
    const TCompressEvent& compressor = OnCompress ? OnCompress : flate;
    context.Compress = UseCompression || doc.Settings.PrintReady ? &compressor : nullptr;
    context.OutlinesNumber = doc.Outlines->Number;
    context.PagesNumber = doc.Pages->Number;
    context.ProcSetNumber = doc.ProcSet->Number;
    context.PageList = doc.PageList;
    context.FontList = doc.FontList;
    WriteObject(*doc.Catalog, context);
    WriteObject(*doc.Outlines, context);
    WriteObject(*doc.Pages, context);
    for (auto& page : doc.PageList) {
        WriteObject(*page, context);
        WriteObject(*page->Content, context);
        if (m_sink) {
            // Out of memory once written: nothing reads a page's content again.
            std::string().swap(page->Content->Content);
            Flush(kSinkPiece);
        }
    }
    WriteObject(*doc.ProcSet, context);
    for (auto& font : doc.FontList) {
        WriteObject(*font, context);
        if (auto* trueType = dynamic_cast<TPDFFontTrueType*>(font.get())) {
            WriteObject(*trueType->Descriptor, context);
            if (trueType->FontFile)
                WriteObject(*trueType->FontFile, context);
        }
    }
    WriteInfo(infoNumber);

    Flush(kSinkPiece);
    doc.XRefOffset = Offset();
    TPdfWriteContext& out = context;
    int count = static_cast<int>(doc.XRef.size());
    out.Line("xref");
    out.FormatLine("0 %d", {count + 1});
    out.Line("0000000000 65535 f");
    for (std::size_t offset : doc.XRef) {
        std::string digits = std::to_string(offset);
        digits.insert(0, digits.size() < 10 ? 10 - digits.size() : 0, '0');
        out.FormatLine("%s 00000 n", {digits});
    }
    out.Line("");
    out.Line("trailer");
    out.Line("<<");
    out.FormatLine("/Size %d", {count + 1});
    out.FormatLine("/Root %d 0 R", {doc.Catalog->Number});
    out.FormatLine("/Info %d 0 R", {infoNumber});
    if (doc.Settings.PdfX) {
        TFileIdentifier identifier = doc.WrittenBytes;
        identifier.Add(doc.Body);
        const std::string id = identifier.Hex();
        out.FormatLine("/ID [<%s> <%s>]", {id, id});
    }
    out.Line(">>");
    out.Line("");
    out.Line("startxref");
    out.FormatLine("%d", {doc.XRefOffset});
    out.Line("%%EOF");
    m_active = nullptr;

    m_lastFonts.clear();
    for (const auto& font : doc.FontList) {
        const auto* trueType = dynamic_cast<const TPDFFontTrueType*>(font.get());
        m_lastFonts.push_back({font->BaseFont, trueType && trueType->FontFile && EmbedFonts});
    }
    WriteFile(doc.Body);
}

} // namespace gq::pdf
