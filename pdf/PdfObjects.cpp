#include "pdf/PdfObjects.h"

#include "pdf/PdfFonts.h"

namespace gq::pdf
{

void TPDFCatalog::WriteToBuffer(TPdfWriteContext& out)
{
    out.BeginDictionary(Number);
    out.Line("/Type /Catalog");
    out.FormatLine("/Outlines %d 0 R", {out.OutlinesNumber});
    out.FormatLine("/Pages %d 0 R", {out.PagesNumber});
    if (out.PdfX) {
        // A registered printing condition: readers need no ICC profile in the file for it.
        out.Line("/OutputIntents [");
        out.Line("<< /Type /OutputIntent /S /GTS_PDFX");
        out.Line("/OutputConditionIdentifier (CGATS TR 001)");
        out.Line("/RegistryName (http://www.color.org)");
        out.Line("/OutputCondition (SWOP coated, web offset)");
        out.Line("/Info (CGATS TR 001 SWOP) >>");
        out.Line("]");
    }
    out.EndDictionary();
}

void TPDFOutlines::WriteToBuffer(TPdfWriteContext& out)
{
    out.BeginDictionary(Number);
    out.Line("/Type /Outlines");
    out.FormatLine("/Count %d", {0});
    out.EndDictionary();
}

void TPDFPages::WriteToBuffer(TPdfWriteContext& out)
{
    const auto& pages = out.PageList;
    out.BeginDictionary(Number);
    out.Line("/Type /Pages");
    out.FormatLine("/Count %d", {pages.size()});
    std::string kids;
    for (const auto& page : pages)
        kids += FormatPdf("%d 0 R ", {page->Number});
    if (!kids.empty())
        kids.pop_back();
    out.FormatLine("/Kids [ %s ] ", {kids});
    out.EndDictionary();
}

void TPDFProcSet::WriteToBuffer(TPdfWriteContext& out)
{
    out.BeginObject(Number);
    // Pictures are never drawn, so the image procedure sets are never needed.
    out.Line("[/PDF /Text]");
    out.EndObject();
}

TPDFPageContent::TPDFPageContent() : Content("2 J\r\n") {}

void TPDFPageContent::WriteToBuffer(TPdfWriteContext& out)
{
    out.BeginObject(Number);
    if (out.Compress && *out.Compress) {
        std::string filter = "FlateDecode";
        std::string packed = (*out.Compress)(Content, filter);
        out.Line("<<");
        out.FormatLine("/Length %d", {packed.size()});
        out.Line("/Filter [/" + filter + "]");
        out.Line(">>");
        out.Line("stream");
        out.Text(packed);
        out.Line(""); // binary data ends before the line end that /Length leaves out
    } else {
        out.FormatLine("<< /Length %d >>", {Content.size()});
        out.Line("stream");
        out.Text(Content);
    }
    out.Line("endstream");
    out.EndObject();
}

TPDFPage::TPDFPage() : Content(std::make_unique<TPDFPageContent>()) {}

void TPDFPage::WriteToBuffer(TPdfWriteContext& out)
{
    out.BeginDictionary(Number);
    out.Line("/Type /Page");
    out.FormatLine("/Parent %d 0 R", {out.PagesNumber});
    out.Line("/Resources <<");
    if (!out.FontList.empty()) {
        out.Line("/Font <<");
        for (const auto& font : out.FontList)
            out.FormatLine("/%s %d 0 R ", {font->ResourceName, font->Number});
        out.Line(">>");
    }
    out.FormatLine("/ProcSet %d 0 R", {out.ProcSetNumber});
    out.Line(">>");
    out.FormatLine("/MediaBox [0 0 %.4f %.4f]", {Width * 72.0, Height * 72.0});
    if (out.TrimBox)
        out.FormatLine("/TrimBox [0 0 %.4f %.4f]", {Width * 72.0, Height * 72.0});
    out.FormatLine("/Contents %d 0 R", {Number + 1});
    out.EndDictionary();
}

} // namespace gq::pdf
