#pragma once

#include "pdf/PdfFormat.h"
#include "pdf/PdfOptions.h"

#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace gq::pdf
{

class TPDFPage;
class TPDFFont;

/// The encoding's PDF name, e.g. "WinAnsiEncoding".
std::string_view EncodingName(TPDFFontEncoding encoding);

/// What the document's objects need while they serialise themselves at the end of a document:
/// the file's bytes to append to, the writer's options and the numbers of the objects they
/// refer to. Made by the document writer once every object has its number; it refers to, and
/// does not own, the bytes, the compressor and the page and font lists, which must outlive it.
/// Every line written ends in CR LF.
class TPdfWriteContext
{
  public:
    explicit TPdfWriteContext(std::string& out) : m_out(out) {}

    /// Appends `text` as it is.
    void Text(std::string_view text) { m_out.append(text); }
    /// Appends `text` and a line end.
    void Line(std::string_view text)
    {
        m_out.append(text);
        m_out.append("\r\n", 2);
    }
    /// FormatPdf of `format`, appended.
    void Format(std::string_view format, std::initializer_list<TFormatArg> args)
    {
        AppendFormatPdf(m_out, format, args);
    }
    /// FormatPdf of `format` and a line end, appended.
    void FormatLine(std::string_view format, std::initializer_list<TFormatArg> args)
    {
        AppendFormatPdf(m_out, format, args);
        m_out.append("\r\n", 2);
    }
    /// "N 0 obj" of object `number`.
    void BeginObject(int number) { FormatLine("%d 0 obj", {number}); }
    /// "endobj" and the empty line after every object.
    void EndObject() { m_out.append("endobj\r\n\r\n"); }
    /// BeginObject and "<<": an object that is a dictionary.
    void BeginDictionary(int number)
    {
        BeginObject(number);
        Line("<<");
    }
    /// ">>" and EndObject.
    void EndDictionary()
    {
        Line(">>");
        EndObject();
    }

    /// PDF/X-1a:2001: the output intent in the catalog.
    bool PdfX = false;
    /// A /TrimBox equal to the /MediaBox on every page (PDF/X and print-ready documents).
    bool TrimBox = false;
    bool EmbedFonts = false;
    TPDFFontEncoding FontEncoding = TPDFFontEncoding::feWinAnsiEncoding;
    /// Compresses content streams; null writes them uncompressed.
    const TCompressEvent* Compress = nullptr;

    int OutlinesNumber = 0;
    int PagesNumber = 0;
    int ProcSetNumber = 0;
    std::span<const std::unique_ptr<TPDFPage>> PageList;
    std::span<const std::unique_ptr<TPDFFont>> FontList;

  private:
    std::string& m_out;
};

} // namespace gq::pdf
