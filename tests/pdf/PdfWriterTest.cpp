#include "pdf/RenderPDF.h"

#include "PdfTestSupport.h"
#include "pdf/PdfError.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace gq::pdf
{
namespace
{

using test::FixedDate;
using test::Lines;
using test::OnePage;
using test::PageContent;
using test::TCode;
using test::XRefOffsets;

// One black 12-point Arial text "7" at X 1 in, Y 2 in on a Letter page.
std::vector<std::uint8_t> OneCharacterStream()
{
    auto b = OnePage(12.0f);
    b.LineMetrics();
    b.Text(TCode::LeftText, 2.0f, "7", 1.0f);
    b.EndPage();
    return b.Bytes;
}

std::string Render(TRenderPDF& pdf, const std::vector<std::uint8_t>& stream)
{
    pdf.Clock = FixedDate;
    return pdf.RenderToString(stream);
}

// `pages` Letter pages of 400 texts each: a document of some 2 MB, written in several pieces.
std::vector<std::uint8_t> ManyPagesStream(int pages)
{
    test::TStreamBuilder b;
    b.JobHeader(pages);
    for (int page = 1; page <= pages; ++page) {
        b.PageHeader(page);
        b.StateDump(12.0f);
        b.LineMetrics();
        for (int i = 0; i < 400; ++i)
            b.Text(TCode::LeftText, 0.5f + (i % 40) * 0.25f, std::to_string(page * 1000 + i),
                   0.5f + static_cast<float>(i / 40) * 0.7f);
        b.EndPage();
    }
    return b.Bytes;
}

TEST(PdfWriter, ASinkGetsTheDocumentsBytesInPiecesInOrder)
{
    const std::vector<std::uint8_t> stream = ManyPagesStream(60);
    // Plain, compressed (on the helper thread), and PDF/X with its identifier over every byte.
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        auto renderer = [kind] {
            auto pdf = std::make_unique<TRenderPDF>();
            pdf->Clock = FixedDate;
            pdf->UseCompression = kind == 1;
            pdf->PdfX = kind == 2;
            pdf->DocInfo.Title = "T";
            return pdf;
        };
        const std::string whole = renderer()->RenderToString(stream);
        std::string pieces;
        int count = 0;
        renderer()->RenderToSink(stream, [&](std::string_view bytes) {
            pieces.append(bytes);
            ++count;
        });
        EXPECT_EQ(pieces, whole);
        if (kind != 1) { // compressed, the document is one piece
            EXPECT_GT(count, 4) << "the file never sits in memory whole";
        }
        test::ExpectWellFormed(pieces);
    }
    // What the sink throws ends the document and reaches the caller; the renderer is ready for
    // the next one.
    TRenderPDF pdf;
    int calls = 0;
    EXPECT_THROW(pdf.RenderToSink(stream,
                                  [&](std::string_view) {
                                      if (++calls == 2)
                                          throw std::runtime_error("disk full");
                                  }),
                 std::runtime_error);
    EXPECT_EQ(calls, 2);
    pdf.Clock = FixedDate;
    TRenderPDF fresh;
    fresh.Clock = FixedDate;
    EXPECT_EQ(pdf.RenderToString(OneCharacterStream()), fresh.RenderToString(OneCharacterStream()));
}

TEST(PdfWriter, OnePageDocumentHasTheKnownByteOffsets)
{
    TRenderPDF pdf;
    pdf.FontEncoding = TPDFFontEncoding::fePDFDocEncoding;
    std::string out = Render(pdf, OneCharacterStream());

    EXPECT_EQ(XRefOffsets(out), (std::vector<std::size_t>{19, 93, 147, 216, 384, 507, 540, 657}));
    EXPECT_EQ(PageContent(out, 0).size(), 67u);
    EXPECT_TRUE(out.starts_with("%PDF-1.3\r\n%\xE2\xE3\xCF\xD3\r\n\r\n1 0 obj\r\n"));
    EXPECT_EQ(out.substr(19, 74), "1 0 obj\r\n<<\r\n/Type /Catalog\r\n/Outlines 2 0 R\r\n"
                                  "/Pages 3 0 R\r\n>>\r\nendobj\r\n\r\n");
    test::ExpectWellFormed(out);
    test::ExpectGolden(out, "one-page.pdf");
}

TEST(PdfWriter, PageTreeAndPageObjectOfAOnePageDocument)
{
    TRenderPDF pdf;
    std::string out = Render(pdf, OneCharacterStream());
    EXPECT_NE(out.find("/Count 1\r\n/Kids [ 4 0 R ] \r\n"), std::string::npos);
    EXPECT_NE(out.find("/Font <<\r\n/F1 7 0 R \r\n>>\r\n/ProcSet 6 0 R\r\n>>\r\n"
                       "/MediaBox [0 0 612.0000 792.0000]\r\n/Contents 5 0 R\r\n"),
              std::string::npos);
    EXPECT_EQ(out.find("/XObject"), std::string::npos);
    EXPECT_NE(out.find("6 0 obj\r\n[/PDF /Text]\r\nendobj\r\n"), std::string::npos);
    // The default encoding is the one PDF allows for a Type 1 font's encoding name.
    EXPECT_NE(out.find("/BaseFont /Helvetica\r\n/Encoding /WinAnsiEncoding\r\n"),
              std::string::npos);
    EXPECT_NE(out.find("/CreationDate (D:20260102030405)\r\n"), std::string::npos);
    EXPECT_NE(out.find("trailer\r\n<<\r\n/Size 9\r\n/Root 1 0 R\r\n/Info 8 0 R\r\n>>\r\n"),
              std::string::npos);
}

TEST(PdfWriter, ThreePagesWithTwoFontsFollowTheObjectOrder)
{
    test::TStreamBuilder b;
    b.JobHeader(3);
    for (int page = 1; page <= 3; ++page) {
        b.PageHeader(page);
        b.StateDump(12.0f);
        b.Text(TCode::LeftText, 1.0f, "Title", 1.0f);
        if (page == 2) {
            b.Code(TCode::FontBold), b.Byte(1); // bold
            b.Text(TCode::LeftText, 2.0f, "Bold", 1.0f);
            b.Code(TCode::FontBold), b.Byte(0);
        }
        b.EndPage();
    }
    TRenderPDF pdf;
    std::string out = Render(pdf, b.Bytes);
    test::ExpectWellFormed(out);
    // N = 3: pages 4..9, procedure set 10, fonts 11 and 12, information 13, /Size 14.
    EXPECT_EQ(XRefOffsets(out).size(), 13u);
    EXPECT_NE(out.find("/Kids [ 4 0 R 6 0 R 8 0 R ] \r\n"), std::string::npos);
    EXPECT_NE(out.find("11 0 obj\r\n<<\r\n/Type /Font\r\n/Subtype /Type1\r\n/Name /F1\r\n"
                       "/BaseFont /Helvetica\r\n"),
              std::string::npos);
    EXPECT_NE(out.find("/Name /F2\r\n/BaseFont /Helvetica-Bold\r\n"), std::string::npos);
    // Every page lists every font, also page 1 that uses only F1.
    std::size_t page4 = out.find("4 0 obj\r\n");
    EXPECT_NE(out.find("/F1 11 0 R \r\n/F2 12 0 R \r\n", page4), std::string::npos);
    EXPECT_NE(out.find("/Info 13 0 R"), std::string::npos);
}

TEST(PdfWriter, InformationValuesAreEscaped)
{
    TRenderPDF pdf;
    pdf.DocInfo.Title = "a(b)c\\d";
    pdf.DocInfo.KeyWords = "printable sudoku,pdf sudoku";
    pdf.DocInfo.Creator = "";
    pdf.DocInfo.Producer = "gridquill.example";
    std::string out = Render(pdf, OneCharacterStream());
    EXPECT_NE(out.find("<<\r\n/Title (a\\(b\\)c\\\\d)\r\n/Keywords (printable sudoku,pdf "
                       "sudoku)\r\n/Producer (gridquill.example)\r\n/CreationDate (D:"),
              std::string::npos);
}

TEST(PdfWriter, DefaultClockHonoursSourceDateEpoch)
{
    ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    TDateTime t = SystemClockNow();
    ::unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ((std::array{t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second}),
              (std::array{2023, 11, 14, 22, 13, 20}));
    EXPECT_EQ(t.UtcOffsetMinutes, 0);

    TRenderPDF pdf; // no clock pinned: the default clock reads the variable
    ::setenv("SOURCE_DATE_EPOCH", "0", 1);
    std::string out = pdf.RenderToString(OneCharacterStream());
    ::unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_NE(out.find("/CreationDate (D:19700101000000)"), std::string::npos);
}

TEST(PdfWriter, TheLocalClockKnowsItsTimeZone)
{
    const char* saved = std::getenv("TZ");
    const std::string before = saved ? saved : "";
    ::setenv("TZ", "<+0530>-5:30", 1);
    ::tzset();
    const TDateTime t = SystemClockNow();
    if (saved)
        ::setenv("TZ", before.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    EXPECT_EQ(t.UtcOffsetMinutes, 330);
}

// The first content stream of a compressed document, as its /Length gives it, inflated.
std::string InflatedFirstContent(const std::string& pdf)
{
    const std::size_t dict = pdf.find("/Filter [/FlateDecode]\r\n>>\r\nstream\r\n");
    const std::size_t lengthAt = pdf.rfind("/Length ", dict);
    if (dict == std::string::npos || lengthAt == std::string::npos)
        return "(no compressed stream)";
    const std::size_t length = std::stoul(pdf.substr(lengthAt + 8));
    const std::size_t data = pdf.find("stream\r\n", dict) + 8;
    if (pdf.compare(data + length, 11, "\r\nendstream") != 0)
        return "(the stream does not end where /Length says)";
    std::string plain(1 << 16, '\0');
    uLongf plainSize = plain.size();
    if (uncompress(reinterpret_cast<Bytef*>(plain.data()), &plainSize,
                   reinterpret_cast<const Bytef*>(pdf.data() + data), length) != Z_OK)
        return "(does not inflate)";
    plain.resize(plainSize);
    return plain;
}

// Asked for compression without a compressor of its own, or for a print-ready stream, the
// renderer deflates the page contents with zlib; a compressor of the caller's still comes first.
TEST(PdfWriter, ContentStreamsAreDeflatedWhenAskedOrPrintReady)
{
    TRenderPDF pdf;
    const std::string plain = Render(pdf, OneCharacterStream());
    EXPECT_EQ(plain.find("/Filter"), std::string::npos);
    const std::string content = PageContent(plain, 0);
    ASSERT_FALSE(content.empty());

    pdf.UseCompression = true;
    const std::string packed = Render(pdf, OneCharacterStream());
    EXPECT_EQ(InflatedFirstContent(packed), content);
    test::ExpectWellFormed(packed);

    pdf.UseCompression = false;
    test::TStreamBuilder ready;
    ready.DocumentJobHeader(1, 0x02, {});
    ready.PageHeader(1);
    ready.StateDump(12.0f);
    ready.LineMetrics();
    ready.Text(TCode::LeftText, 2.0f, "7", 1.0f);
    ready.EndPage();
    const std::string readyPdf = Render(pdf, ready.Bytes);
    EXPECT_NE(InflatedFirstContent(readyPdf).find("0 g\r\n"), std::string::npos);
    test::ExpectWellFormed(readyPdf);

    pdf.UseCompression = true;
    pdf.OnCompress = [](std::string_view bytes, std::string& filter) {
        filter = "ASCIIHexDecode";
        return "<" + std::to_string(bytes.size()) + ">";
    };
    const std::string custom = Render(pdf, OneCharacterStream());
    EXPECT_NE(custom.find("/Filter [/ASCIIHexDecode]\r\n>>\r\nstream\r\n<" +
                          std::to_string(content.size()) + ">\r\nendstream"),
              std::string::npos);
}

TEST(PdfWriter, OneRendererWritesDocumentsOneAfterAnother)
{
    TRenderPDF pdf;
    std::string first = Render(pdf, OneCharacterStream());
    std::string second = Render(pdf, OneCharacterStream());
    EXPECT_EQ(first, second);
}

class PdfFile : public ::testing::Test
{
  protected:
    testsupport::TTempFolder m_folder{"gq-pdf"};
    const std::filesystem::path m_dir = m_folder.Path();
};

TEST_F(PdfFile, NameWithoutDotGetsTheExtension)
{
    TRenderPDF pdf;
    pdf.Clock = FixedDate;
    pdf.RenderToFile(OneCharacterStream(), (m_dir / "book").string());
    EXPECT_TRUE(std::filesystem::exists(m_dir / "book.pdf"));

    // A dot in a folder name counts: the name is used as it stands.
    std::filesystem::create_directories(m_dir / "v1.2");
    pdf.RenderToFile(OneCharacterStream(), (m_dir / "v1.2" / "book").string());
    EXPECT_TRUE(std::filesystem::exists(m_dir / "v1.2" / "book"));

    pdf.FileExtension = "*.pdf;*.PDF";
    EXPECT_EQ(pdf.OutputNameFor("x"), "x.pdf");
    pdf.FileExtension = "*";
    EXPECT_EQ(pdf.OutputNameFor("x"), "x");
}

TEST_F(PdfFile, WrittenFileEqualsTheMemoryDocument)
{
    TRenderPDF pdf;
    pdf.Clock = FixedDate;
    std::string path = (m_dir / "a.pdf").string();
    pdf.RenderToFile(OneCharacterStream(), path);
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, pdf.RenderToString(OneCharacterStream()));
}

TEST_F(PdfFile, UncreatableFileNamesThePath)
{
    TRenderPDF pdf;
    std::string path = (m_dir / "missing" / "book.pdf").string();
    try {
        pdf.RenderToFile(OneCharacterStream(), path);
        FAIL() << "no error";
    } catch (const TOutputFileError& e) {
        EXPECT_EQ(e.Path, path);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
}

TEST_F(PdfFile, BadHeaderLeavesAnEmptyFile)
{
    TRenderPDF pdf;
    std::string path = (m_dir / "bad.pdf").string();
    std::vector<std::uint8_t> stream = {'X', 1, 2, 3};
    EXPECT_THROW(pdf.RenderToFile(stream, path), TPageStreamError);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(PdfFile, FailureInAPageStillWritesTheDocument)
{
    auto b = OnePage(12.0f);
    b.Text(TCode::LeftText, 2.0f, "kept", 1.0f);
    b.Byte(4 + 200); // not a command
    TRenderPDF pdf;
    std::string path = (m_dir / "partial.pdf").string();
    EXPECT_THROW(pdf.RenderToFile(b.Bytes, path), TPageStreamError);
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    test::ExpectWellFormed(bytes);
    EXPECT_NE(PageContent(bytes, 0).find("( kept ) Tj"), std::string::npos);
}

} // namespace
} // namespace gq::pdf
