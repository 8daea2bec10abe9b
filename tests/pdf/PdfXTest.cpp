// PDF/X-1a output of the PDF writer: gray operators in place of RGB ones, the output intent,
// trim boxes, the PDF/X keys and the file identifier; and information strings beyond ASCII.
#include "pdf/RenderPDF.h"

#include "PdfTestSupport.h"
#include "pdf/PdfOperators.h"

#include <gtest/gtest.h>

namespace gq::pdf
{
namespace
{

using test::OnePage;
using test::PageContent;
using test::TCode;

std::string OneTextPdf(bool pdfx)
{
    auto b = OnePage(12.0f);
    b.LineMetrics();
    b.Text(TCode::LeftText, 2.0f, "7", 1.0f);
    b.EndPage();
    TRenderPDF pdf;
    pdf.Clock = test::FixedDate;
    pdf.PdfX = pdfx;
    pdf.DocInfo.Title = "T";
    return pdf.RenderToString(b.Bytes);
}

TEST(PdfX, GrayLevelsOfColours)
{
    EXPECT_EQ(GrayText(0), "0");
    EXPECT_EQ(GrayText(-5), "0");
    EXPECT_EQ(GrayText(0x00FFFFFF), "1");
    EXPECT_EQ(GrayText(0x00808080), "0.502");
    EXPECT_EQ(GrayText(0x000000FF), "0.298"); // red: 0.299 x 255 = 76.2 -> 76
    EXPECT_EQ(GrayText(0x00FF0000), "0.114"); // blue: 29.07 -> 29
}

TEST(PdfX, TextIsGrayAndTheDocumentCarriesThePdfxParts)
{
    const std::string plain = OneTextPdf(false);
    const std::string x = OneTextPdf(true);
    EXPECT_NE(PageContent(plain, 0).find("0 0 0 rg"), std::string::npos);
    EXPECT_EQ(PageContent(x, 0), "2 J\r\nBT\r\n0 g\r\n/F1 0012 Tf\r\n68.7000 648.0000 Td\r\n"
                                 "( 7 ) Tj\r\nET\r\n");
    for (const char* part :
         {"/Pages 3 0 R\r\n/OutputIntents [\r\n<< /Type /OutputIntent /S /GTS_PDFX\r\n",
          "/MediaBox [0 0 612.0000 792.0000]\r\n/TrimBox [0 0 612.0000 792.0000]\r\n",
          "/CreationDate (D:20260102030405Z)\r\n/ModDate (D:20260102030405Z)\r\n/Trapped /False\r\n"
          "/GTS_PDFXVersion (PDF/X-1:2001)\r\n/GTS_PDFXConformance (PDF/X-1a:2001)\r\n>>"})
        EXPECT_NE(x.find(part), std::string::npos) << part;
    for (const char* part : {"/OutputIntents", "/TrimBox", "/GTS_", "/ID ["})
        EXPECT_EQ(plain.find(part), std::string::npos) << part;
    test::ExpectWellFormed(x);
}

TEST(PdfX, TheFileIdentifierFollowsTheBytes)
{
    const std::string x = OneTextPdf(true);
    const std::size_t at = x.find("/ID [<");
    ASSERT_NE(at, std::string::npos);
    const std::string id = x.substr(at + 6, 32);
    EXPECT_EQ(x.substr(at, 77), "/ID [<" + id + "> <" + id + ">]\r\n");
    EXPECT_EQ(id, FileIdentifier(x.substr(0, at))); // every byte before it
    EXPECT_EQ(OneTextPdf(true), x);                 // the same document, the same identifier
    EXPECT_NE(FileIdentifier("a"), FileIdentifier("b"));
    EXPECT_EQ(FileIdentifier("").size(), 32u);
}

TEST(PdfX, InformationBeyondAsciiIsWrittenAsUtf16WhenAsked)
{
    auto b = OnePage(12.0f);
    b.EndPage();
    TRenderPDF pdf;
    pdf.Clock = test::FixedDate;
    pdf.DocInfo.Title = "Caf\xE9 \x80";
    pdf.DocInfo.Author = "(plain)";
    std::string bytes = pdf.RenderToString(b.Bytes);
    EXPECT_NE(bytes.find("/Title (Caf\xE9 \x80)\r\n"), std::string::npos); // unchanged bytes
    pdf.UnicodeDocInfo = true;
    bytes = pdf.RenderToString(b.Bytes);
    EXPECT_NE(bytes.find("/Title <FEFF00430061006600E9002020AC>\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("/Author (\\(plain\\))\r\n"), std::string::npos);
}

// A stream's settings replace the renderer's PdfX, title, author and keywords for that document
// alone: the next stream without settings is made with the renderer's own again.
TEST(PdfX, AStreamsDocumentSettingsHoldForItsOwnDocumentOnly)
{
    auto page = [](test::TStreamBuilder& b) {
        b.PageHeader(1);
        b.StateDump(12.0f);
        b.LineMetrics();
        b.Text(TCode::LeftText, 2.0f, "7", 1.0f);
        b.EndPage();
    };
    test::TStreamBuilder x, plainTitled, old;
    x.DocumentJobHeader(1, 0x01, {"Caf\xE9", "", "k,w"});
    plainTitled.DocumentJobHeader(1, 0x00, {"S", "A"});
    old.JobHeader(1);
    for (auto* b : {&x, &plainTitled, &old})
        page(*b);

    TRenderPDF pdf;
    pdf.Clock = test::FixedDate;
    pdf.UnicodeDocInfo = true;
    pdf.DocInfo.Title = "Own";
    pdf.DocInfo.Author = "Self";
    pdf.DocInfo.KeyWords = "own";
    const std::string fromX = pdf.RenderToString(x.Bytes);
    EXPECT_EQ(fromX, [&] {
        TRenderPDF configured; // the same document made by configuring the renderer
        configured.Clock = test::FixedDate;
        configured.UnicodeDocInfo = true;
        configured.PdfX = true;
        configured.DocInfo.Title = "Caf\xE9";
        configured.DocInfo.KeyWords = "k,w";
        return configured.RenderToString(old.Bytes);
    }());
    EXPECT_NE(fromX.find("/Title <FEFF00430061006600E9>\r\n"), std::string::npos);
    EXPECT_EQ(fromX.find("/Author"), std::string::npos); // empty in the stream: left out
    EXPECT_FALSE(pdf.PdfX);
    EXPECT_EQ(pdf.DocInfo.Title, "Own");

    const std::string own = pdf.RenderToString(old.Bytes);
    EXPECT_EQ(own.find("/GTS_"), std::string::npos);
    EXPECT_NE(own.find("/Title (Own)\r\n/Author (Self)\r\n"), std::string::npos);

    // The stream turns PDF/X off for its document as well as on.
    pdf.PdfX = true;
    const std::string titled = pdf.RenderToString(plainTitled.Bytes);
    EXPECT_EQ(titled.find("/GTS_"), std::string::npos);
    EXPECT_EQ(titled.find("/TrimBox"), std::string::npos);
    EXPECT_NE(titled.find("0 0 0 rg"), std::string::npos);
    EXPECT_NE(titled.find("/Title (S)\r\n/Author (A)\r\n"), std::string::npos);
    EXPECT_NE(titled.find("/Keywords (own)\r\n"), std::string::npos); // none in the stream
    EXPECT_NE(pdf.RenderToString(old.Bytes).find("/GTS_PDFXVersion"), std::string::npos);
}

// PDF/X dates say their time zone: Z for UTC, the offset otherwise.
TEST(PdfX, DatesCarryTheirTimeZone)
{
    auto b = OnePage(12.0f);
    b.EndPage();
    TRenderPDF pdf;
    pdf.PdfX = true;
    pdf.DocInfo.Title = "T";
    for (const auto& [offset, zone] : std::initializer_list<std::pair<int, const char*>>{
             {0, "Z"}, {60, "+01'00'"}, {-330, "-05'30'"}, {345, "+05'45'"}}) {
        pdf.Clock = [offset] {
            TDateTime t = test::FixedDate();
            t.UtcOffsetMinutes = offset;
            return t;
        };
        const std::string bytes = pdf.RenderToString(b.Bytes);
        const std::string date = std::string("(D:20260102030405") + zone + ")\r\n";
        EXPECT_NE(bytes.find("/CreationDate " + date + "/ModDate " + date), std::string::npos)
            << zone;
    }
    pdf.PdfX = false; // other documents keep their date as it was
    EXPECT_NE(pdf.RenderToString(b.Bytes).find("/CreationDate (D:20260102030405)\r\n"),
              std::string::npos);
}

// A print-ready stream is made gray with trim boxes like PDF/X, but without PDF/X's own parts;
// with both flags the document is the PDF/X one.
TEST(PdfX, APrintReadyStreamIsGrayWithTrimBoxes)
{
    auto make = [](std::uint8_t flags) {
        test::TStreamBuilder b;
        b.DocumentJobHeader(2, flags, {"T"});
        for (int number = 1; number <= 2; ++number) {
            b.PageHeader(number);
            b.StateDump(12.0f);
            b.LineMetrics();
            b.Text(TCode::LeftText, 2.0f, "7", 1.0f);
            b.EndPage();
        }
        TRenderPDF pdf;
        pdf.Clock = test::FixedDate;
        // Print-ready contents are compressed: a compressor that keeps them readable here.
        pdf.OnCompress = [](std::string_view content, std::string&) {
            return std::string(content);
        };
        return pdf.RenderToString(b.Bytes);
    };
    const std::string ready = make(0x02);
    const std::string x = make(0x01);
    for (int page = 0; page < 2; ++page)
        // A filtered stream's data is followed by a line end of its own before "endstream".
        EXPECT_EQ(PageContent(ready, page), PageContent(x, page) + "\r\n") << page;
    EXPECT_EQ(ready.find(" rg"), std::string::npos);
    const std::string boxes =
        "/MediaBox [0 0 612.0000 792.0000]\r\n/TrimBox [0 0 612.0000 792.0000]\r\n";
    std::size_t trimBoxes = 0;
    for (std::size_t at = ready.find(boxes); at != std::string::npos;
         at = ready.find(boxes, at + 1))
        ++trimBoxes;
    EXPECT_EQ(trimBoxes, 2u); // one on every page
    for (const char* part : {"/OutputIntents", "/GTS_", "/ModDate", "/ID ["})
        EXPECT_EQ(ready.find(part), std::string::npos) << part;
    test::ExpectWellFormed(ready);
    const std::string both = make(0x03);
    for (const char* part : {"/OutputIntents", "/GTS_PDFXVersion", "/TrimBox"})
        EXPECT_NE(both.find(part), std::string::npos) << part;
}

} // namespace
} // namespace gq::pdf
