#include "pdf/PdfObjects.h"

#include "pdf/RenderPDF.h"
#include "pdf/RenderPDFDocument.h"

namespace gq::pdf
{

void TPDFCatalog::WriteToBuffer()
{
    m_owner.WriteFormatLine("%d 0 obj", {Number});
    m_owner.WriteLine("<<");
    m_owner.WriteLine("/Type /Catalog");
    m_owner.WriteFormatLine("/Outlines %d 0 R", {m_owner.m_doc->Outlines->Number});
    m_owner.WriteFormatLine("/Pages %d 0 R", {m_owner.m_doc->Pages->Number});
    if (m_owner.PdfX) {
        // A registered printing condition: readers need no ICC profile in the file for it.
        m_owner.WriteLine("/OutputIntents [");
        m_owner.WriteLine("<< /Type /OutputIntent /S /GTS_PDFX");
        m_owner.WriteLine("/OutputConditionIdentifier (CGATS TR 001)");
        m_owner.WriteLine("/RegistryName (http://www.color.org)");
        m_owner.WriteLine("/OutputCondition (SWOP coated, web offset)");
        m_owner.WriteLine("/Info (CGATS TR 001 SWOP) >>");
        m_owner.WriteLine("]");
    }
    m_owner.WriteLine(">>");
    m_owner.WriteLine("endobj");
    m_owner.WriteLine("");
}

void TPDFOutlines::WriteToBuffer()
{
    m_owner.WriteFormatLine("%d 0 obj", {Number});
    m_owner.WriteLine("<<");
    m_owner.WriteLine("/Type /Outlines");
    m_owner.WriteFormatLine("/Count %d", {0});
    m_owner.WriteLine(">>");
    m_owner.WriteLine("endobj");
    m_owner.WriteLine("");
}

void TPDFPages::WriteToBuffer()
{
    const auto& pages = m_owner.m_doc->PageList;
    m_owner.WriteFormatLine("%d 0 obj", {Number});
    m_owner.WriteLine("<<");
    m_owner.WriteLine("/Type /Pages");
    m_owner.WriteFormatLine("/Count %d", {pages.size()});
    std::string kids;
    for (const auto& page : pages)
        kids += FormatPdf("%d 0 R ", {page->Number});
    if (!kids.empty())
        kids.pop_back();
    m_owner.WriteFormatLine("/Kids [ %s ] ", {kids});
    m_owner.WriteLine(">>");
    m_owner.WriteLine("endobj");
    m_owner.WriteLine("");
}

void TPDFProcSet::WriteToBuffer()
{
    m_owner.WriteFormatLine("%d 0 obj", {Number});
    // Pictures are never drawn, so the image procedure sets are never needed.
    m_owner.WriteLine("[/PDF /Text]");
    m_owner.WriteLine("endobj");
    m_owner.WriteLine("");
}

TPDFPageContent::TPDFPageContent(TRenderPDF& owner) : TPDFObject(owner), Content("2 J\r\n") {}

void TPDFPageContent::WriteToBuffer()
{
    m_owner.WriteFormatLine("%d 0 obj", {Number});
    if (m_owner.UseCompression && m_owner.OnCompress) {
        std::string filter = "FlateDecode";
        std::string packed = m_owner.OnCompress(Content, filter);
        m_owner.WriteLine("<<");
        m_owner.WriteFormatLine("/Length %d", {packed.size()});
        m_owner.WriteLine("/Filter [/" + filter + "]");
        m_owner.WriteLine(">>");
        m_owner.WriteLine("stream");
        m_owner.WriteText(packed);
    } else {
        m_owner.WriteFormatLine("<< /Length %d >>", {Content.size()});
        m_owner.WriteLine("stream");
        m_owner.WriteText(Content);
    }
    m_owner.WriteLine("endstream");
    m_owner.WriteLine("endobj");
    m_owner.WriteLine("");
}

TPDFPage::TPDFPage(TRenderPDF& owner)
    : TPDFObject(owner), Content(std::make_unique<TPDFPageContent>(owner))
{}

void TPDFPage::WriteToBuffer()
{
    const auto& doc = *m_owner.m_doc;
    m_owner.WriteFormatLine("%d 0 obj", {Number});
    m_owner.WriteLine("<<");
    m_owner.WriteLine("/Type /Page");
    m_owner.WriteFormatLine("/Parent %d 0 R", {doc.Pages->Number});
    m_owner.WriteLine("/Resources <<");
    if (!doc.FontList.empty()) {
        m_owner.WriteLine("/Font <<");
        for (const auto& font : doc.FontList)
            m_owner.WriteFormatLine("/%s %d 0 R ", {font->ResourceName, font->Number});
        m_owner.WriteLine(">>");
    }
    m_owner.WriteFormatLine("/ProcSet %d 0 R", {doc.ProcSet->Number});
    m_owner.WriteLine(">>");
    m_owner.WriteFormatLine("/MediaBox [0 0 %.4f %.4f]", {Width * 72.0, Height * 72.0});
    if (m_owner.PdfX)
        m_owner.WriteFormatLine("/TrimBox [0 0 %.4f %.4f]", {Width * 72.0, Height * 72.0});
    m_owner.WriteFormatLine("/Contents %d 0 R", {Number + 1});
    m_owner.WriteLine(">>");
    m_owner.WriteLine("endobj");
    m_owner.WriteLine("");
}

} // namespace gq::pdf
