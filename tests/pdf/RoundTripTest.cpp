// Page streams written by the engine, played into PDF and checked by real PDF readers.

#include "pdf/RenderPDF.h"

#include "PageStreamJobs.h"
#include "PdfTestSupport.h"
#include "pdf/PdfFormat.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace gq::pdf
{
namespace
{

struct TRun
{
    int Status = -1;
    std::string Output;
};

TRun RunTool(const std::string& command)
{
    TRun run;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.Output.append(buffer.data(), n);
    int status = ::pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The value after `label` on its line of a "label   value" listing.
std::string Field(const std::string& listing, const std::string& label)
{
    std::size_t pos = listing.find("\n" + label);
    if (pos == std::string::npos)
        pos = listing.starts_with(label) ? 0 : std::string::npos;
    else
        ++pos;
    if (pos == std::string::npos)
        return "";
    pos = listing.find_first_not_of(' ', pos + label.size());
    return listing.substr(pos, listing.find('\n', pos) - pos);
}

class RoundTrip : public ::testing::Test
{
  protected:
    std::string Write(const std::vector<std::uint8_t>& stream, bool embed = true)
    {
        TRenderPDF pdf;
        pdf.SetFontManager(test::SharedFonts());
        pdf.EmbedFonts = embed;
        pdf.DocInfo.KeyWords = "printable sudoku,pdf sudoku,sudoku,sudoko";
        std::string path = (m_dir / "out.pdf").string();
        pdf.RenderToFile(stream, path);
        return path;
    }

    testsupport::TTempFolder m_folder{"gq-roundtrip"};
    const std::filesystem::path m_dir = m_folder.Path();
};

TEST_F(RoundTrip, BookPagesPassThePdfReaders)
{
    std::string path = Write(test::RunJob(2, test::DrawPuzzlePage));
    std::string quoted = "'" + path + "'";

    TRun check = RunTool("qpdf --check " + quoted);
    EXPECT_EQ(check.Status, 0) << check.Output;
    EXPECT_NE(check.Output.find("No syntax or stream encoding errors found"), std::string::npos)
        << check.Output;

    TRun info = RunTool("pdfinfo " + quoted);
    EXPECT_EQ(info.Status, 0) << info.Output;
    EXPECT_EQ(Field(info.Output, "Pages:"), "2") << info.Output;
    EXPECT_EQ(Field(info.Output, "Page size:"), "612 x 792 pts (letter)") << info.Output;
    EXPECT_EQ(Field(info.Output, "Keywords:"), "printable sudoku,pdf sudoku,sudoku,sudoko");

    TRun text = RunTool("pdftotext " + quoted + " -");
    EXPECT_EQ(text.Status, 0) << text.Output;
    EXPECT_NE(text.Output.find("Sudoku Puzzles"), std::string::npos) << text.Output;
    EXPECT_NE(text.Output.find("Page 2"), std::string::npos) << text.Output;

    TRun fonts = RunTool("pdffonts " + quoted);
    EXPECT_EQ(fonts.Status, 0) << fonts.Output;
    EXPECT_NE(fonts.Output.find("Helvetica "), std::string::npos) << fonts.Output;
    EXPECT_EQ(fonts.Output.find("TrueType"), std::string::npos) << fonts.Output;
}

TEST_F(RoundTrip, TheWriterAndThePdfAgreeOnThePage)
{
    // The first text of a page stream made by the engine: Arial 20 at X 1 in.
    std::vector<std::uint8_t> stream = test::RunJob(1, test::DrawPuzzlePage);
    TRenderPDF pdf;
    pdf.Clock = test::FixedDate;
    std::string out = pdf.RenderToString(stream);
    test::ExpectWellFormed(out);
    std::string content = test::PageContent(out, 0);
    EXPECT_NE(content.find("/F1 0020 Tf\r\n66.5000 "), std::string::npos) << content;
    // Thick and thin grid lines: 10 / 600 in and 5 / 600 in.
    EXPECT_NE(content.find("1.2000 w \r\n"), std::string::npos);
    EXPECT_NE(content.find("0.6000 w \r\n"), std::string::npos);
    EXPECT_NE(content.find("/F1 0025 Tf"), std::string::npos);
    EXPECT_NE(content.find("/F1 0010 Tf"), std::string::npos);
}

TEST_F(RoundTrip, ATrueTypeFaceIsEmbedded)
{
    std::string path = Write(test::RunJob(1, [](report::TPageStreamWriter& e, int) {
        e.ApplyFont(test::Font(14, "DejaVu Sans"));
        e.SetBaselineFromTop(1);
        e.CenterText("Embedded face", 4.25);
        e.ApplyFont(test::Font(14, "No Such Face Anywhere"));
        e.SetBaselineFromTop(2);
        e.LeftText("Fallback face", 1);
    }));
    std::string quoted = "'" + path + "'";
    TRun check = RunTool("qpdf --check " + quoted);
    EXPECT_EQ(check.Status, 0) << check.Output;
    TRun fonts = RunTool("pdffonts " + quoted);
    EXPECT_NE(fonts.Output.find("DejaVuSans"), std::string::npos) << fonts.Output;
    EXPECT_NE(fonts.Output.find("TrueType"), std::string::npos) << fonts.Output;
    EXPECT_NE(fonts.Output.find("yes"), std::string::npos) << fonts.Output; // embedded
    TRun text = RunTool("pdftotext " + quoted + " -");
    EXPECT_NE(text.Output.find("Embedded face"), std::string::npos) << text.Output;
    EXPECT_NE(text.Output.find("Fallback face"), std::string::npos) << text.Output;
}

TEST_F(RoundTrip, SegmentedTextsAreMeasuredWithTheEngineFonts)
{
    std::vector<std::uint8_t> stream = test::RunJob(1, [](report::TPageStreamWriter& e, int) {
        e.ApplyFont(test::Font(12));
        e.SetBaselineFromTop(1);
        e.LeftText("\x01"
                   "B1\x04"
                   "Bold\x01"
                   "B0\x04"
                   " plain",
                   1);
    });
    TRenderPDF pdf;
    pdf.SetFontManager(test::SharedFonts());
    std::string content = test::PageContent(pdf.RenderToString(stream), 0);
    // "Bold" is set in Helvetica-Bold, then " plain" in Helvetica, each by itself.
    EXPECT_NE(content.find("/F2 0012 Tf"), std::string::npos) << content;
    EXPECT_NE(content.find("( Bold ) Tj"), std::string::npos);
    EXPECT_NE(content.find("(  plain ) Tj"), std::string::npos);
    // " plain" starts where the engine's Arial Bold "Bold" ends.
    double bold =
        static_cast<double>(test::SharedFonts()
                                ->Handler("Arial", 1, true, false, report::TFontPitch::fpDefault)
                                .TextUnits("Bold")) /
        600.0 * 12 / 72;
    EXPECT_NE(content.find(FormatFixed4((1 + bold - 12 * 0.275 / 72) * 72) + " "),
              std::string::npos)
        << content;
}

} // namespace
} // namespace gq::pdf

namespace gq::pdf
{
namespace
{

// Every corpus job plays into a PDF that qpdf accepts. With GQ_WRITE_PAGESTREAM_CORPUS set to a
// folder, the jobs are also written there as the player's seed corpus.
TEST_F(RoundTrip, CorpusJobsPlayIntoValidDocuments)
{
    const char* corpus = std::getenv("GQ_WRITE_PAGESTREAM_CORPUS");
    for (const auto& [name, stream] : test::CorpusJobs()) {
        if (corpus)
            std::ofstream(std::string(corpus) + "/" + name + ".pgs", std::ios::binary)
                .write(reinterpret_cast<const char*>(stream.data()),
                       static_cast<std::streamsize>(stream.size()));
        std::string path = Write(stream);
        TRun check = RunTool("qpdf --check '" + path + "'");
        EXPECT_EQ(check.Status, 0) << name << "\n" << check.Output;
        if (name == "misc") {
            // The engine's texts are data: what looks like a macro or a variable is printed
            // as written (0xFD, 0xFC and 0xFB are y-acute, u-umlaut and u-circumflex).
            TRun text = RunTool("pdftotext '" + path + "' -");
            EXPECT_NE(text.Output.find("Variable: ý$PGCVüTitleû."), std::string::npos)
                << text.Output;
            EXPECT_NE(text.Output.find("Page ý$PGCM11 of ý$PGCM10, printed"), std::string::npos)
                << text.Output;
        }
    }
}

} // namespace
} // namespace gq::pdf
