// The cover's geometry for every service, stock and page count, and the cover's PDF as made
// in-process: its boxes, its keys, its refusals.

#include "book/BookSettings.h"
#include "book/CoverGeometry.h"
#include "book/CoverMaker.h"
#include "book/PaperSizes.h"
#include "book/PdfPageCount.h"
#include "book/SafeFile.h"
#include "gq/Error.h"
#include "report/FontManager.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

namespace gq::book
{
namespace
{

constexpr double kTolerance = 0.001; // inches

/// The published spine of each service, written out here apart from the table in the code so
/// that a slip in either shows.
double PublishedSpine(std::string_view service, std::string_view stock, int pages)
{
    if (service == "kdp")
        return pages * (stock == "white" ? 0.002252 : 0.0025);
    if (service == "ingramspark")
        return pages / (stock == "white" ? 440.0 : 430.0);
    return pages / 444.0 + 0.06;
}

int PublishedMinimum(std::string_view service)
{
    return service == "kdp" ? 79 : service == "ingramspark" ? 48 : 80;
}

/// The first page count whose spine takes text: the service's minimum, or where the spine
/// first leaves 0.05 in between clearances of 0.0625 in from each fold.
int TextFrom(std::string_view service, std::string_view stock)
{
    int pages = PublishedMinimum(service);
    while (PublishedSpine(service, stock, pages) < 0.125 + 0.05 - 1e-9)
        ++pages;
    return pages;
}

TEST(CoverGeometry, SizesAndFoldsFollowEachServicesFormula)
{
    for (std::string_view trim : {"6x9", "8.5x11"}) {
        const TPaper& paper = trim == "6x9" ? *FindPaper("6x9") : *FindPaper("letter");
        for (std::string_view service : kCoverServices)
            for (std::string_view stock : kCoverStocks)
                for (int pages : {24, 100, 300, 600}) {
                    SCOPED_TRACE(std::string(service) + " " + std::string(stock) + " " +
                                 std::to_string(pages) + " " + std::string(trim));
                    const TCoverGeometry g = CoverGeometry(paper, service, stock, pages);
                    const double spine = PublishedSpine(service, stock, pages);
                    EXPECT_NEAR(g.Spine, spine, kTolerance);
                    EXPECT_NEAR(g.Width(), 0.125 + paper.Width + spine + paper.Width + 0.125,
                                kTolerance);
                    EXPECT_NEAR(g.Height(), 0.125 + paper.Height + 0.125, kTolerance);
                    const TCoverRect t = g.Trim();
                    EXPECT_NEAR(t.Left, 0.125, kTolerance);
                    EXPECT_NEAR(t.Bottom, 0.125, kTolerance);
                    EXPECT_NEAR(t.Right, g.Width() - 0.125, kTolerance);
                    EXPECT_NEAR(t.Top, g.Height() - 0.125, kTolerance);
                    EXPECT_NEAR(g.SpineArea().Left, 0.125 + paper.Width, kTolerance);
                    EXPECT_NEAR(g.SpineArea().Right, 0.125 + paper.Width + spine, kTolerance);
                    EXPECT_EQ(g.SpineText, pages >= TextFrom(service, stock));
                }
    }
}

TEST(CoverGeometry, SpineTextStartsExactlyAtTheServicesMinimumOrWhereItFits)
{
    const TPaper& paper = *FindPaper("6x9");
    for (std::string_view service : kCoverServices)
        for (std::string_view stock : kCoverStocks) {
            SCOPED_TRACE(std::string(service) + " " + std::string(stock));
            const int from = TextFrom(service, stock);
            EXPECT_FALSE(CoverGeometry(paper, service, stock, from - 1).SpineText);
            const TCoverGeometry at = CoverGeometry(paper, service, stock, from);
            EXPECT_TRUE(at.SpineText);
            EXPECT_EQ(at.SpineTextFrom, from);
            EXPECT_GE(at.SpineTextArea().Width(), 0.05 - 1e-9);
            EXPECT_NEAR(at.SpineTextArea().Left - at.SpineArea().Left, 0.0625, 1e-9);
            EXPECT_NEAR(at.SpineArea().Right - at.SpineTextArea().Right, 0.0625, 1e-9);
        }
    // Where the published minimum leaves room, the text starts right at it.
    EXPECT_EQ(TextFrom("kdp", "white"), 79);
    EXPECT_EQ(TextFrom("lulu", "cream"), 80);
    // The summary says why a spine has no text.
    const TCoverGeometry narrow = CoverGeometry(paper, "ingramspark", "white", 60);
    EXPECT_FALSE(narrow.SpineText);
    EXPECT_NE(CoverSummary(narrow, "ingramspark").find("clear of each fold needs 77"),
              std::string::npos)
        << CoverSummary(narrow, "ingramspark");
    EXPECT_NE(CoverSummary(CoverGeometry(paper, "kdp", "white", 24), "kdp")
                  .find("spine text no (24 pages; kdp prints spine text from 79 pages)"),
              std::string::npos);
}

TEST(CoverGeometry, ZonesAndBarcodeBoxSitWhereTheyMust)
{
    for (const TPaper& paper : Papers()) {
        const TCoverGeometry g = CoverGeometry(paper, "kdp", "white", 120);
        const TCoverRect box = g.BarcodeBox();
        EXPECT_NEAR(box.Width(), 2.0, 1e-9);
        EXPECT_NEAR(box.Height(), 1.2, 1e-9);
        EXPECT_NEAR(g.SpineArea().Left - box.Right, 0.25, 1e-9) << paper.Name;
        EXPECT_NEAR(box.Bottom - g.Trim().Bottom, 0.25, 1e-9) << paper.Name;
        EXPECT_TRUE(g.BackSafe().Contains(box)) << paper.Name;
        EXPECT_NEAR(g.FrontSafe().Left - g.SpineArea().Right, 0.25, 1e-9);
        EXPECT_NEAR(g.Trim().Right - g.FrontSafe().Right, 0.25, 1e-9);
        EXPECT_NEAR(g.Trim().Top - g.BackSafe().Top, 0.25, 1e-9);
    }
}

TEST(CoverGeometry, RefusesUnknownServicesStocksAndPageCounts)
{
    const TPaper& paper = *FindPaper("6x9");
    auto message = [&](std::string_view service, std::string_view stock, int pages) {
        try {
            CoverGeometry(paper, service, stock, pages);
        } catch (const Error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_NE(message("createspace", "white", 100).find("\"createspace\""), std::string::npos);
    EXPECT_NE(message("createspace", "white", 100).find("kdp, ingramspark and lulu"),
              std::string::npos);
    EXPECT_NE(message("kdp", "glossy", 100).find("white and cream"), std::string::npos);
    EXPECT_NE(message("kdp", "white", 0).find("not 0"), std::string::npos);
    EXPECT_NE(message("kdp", "white", kMaxCoverPages + 1).find("page count"), std::string::npos);
    EXPECT_EQ(message("kdp", "white", kMaxCoverPages), "no error");
}

TEST(CoverTexts, IsbnNamesAndInsideLine)
{
    EXPECT_EQ(Isbn13Digits("0-306-40615-2"), "9780306406157");
    EXPECT_EQ(Isbn13Digits("978-0-306-40615-7"), "9780306406157");
    EXPECT_EQ(Isbn13Digits("080442957X"), "9780804429573");
    EXPECT_THROW(Isbn13Digits("978-0-306-40615-8"), Error);
    EXPECT_EQ(CoverPathFor("out/My Book.pdf"), "out/My Book-cover.pdf");
    EXPECT_EQ(CoverPathFor("book.PDF"), "book-cover.pdf");
    EXPECT_EQ(CoverPathFor("a.pdf/book"), "a.pdf/book-cover.pdf");
    EXPECT_EQ(GuidesPathFor("cover.pdf"), "cover-guides.pdf");
    EXPECT_EQ(InsideLine(200, 4), "200 puzzles in four levels, answers included");
    EXPECT_EQ(InsideLine(1, 1), "1 puzzle, answers included");
}

TCoverDesign SmallDesign()
{
    TCoverDesign design;
    design.Paper = "6x9";
    design.Pages = 120;
    design.Title = "Morning Puzzles";
    design.Author = "Rita Example";
    design.Isbn = "978-0-306-40615-7";
    design.Motif = std::string(81, '0');
    design.Motif[0] = '5';
    return design;
}

TEST(CoverDesign, BlurbLengthIsCountedInCharactersAndCappedAtOneThousand)
{
    TCoverDesign design = SmallDesign();
    design.Blurb = std::string(1000, 'a');
    EXPECT_NO_THROW(CheckCoverDesign(design));
    std::string accented;
    for (int i = 0; i < 1000; ++i)
        accented += "\xC3\xA9"; // 1000 characters in 2000 bytes
    design.Blurb = accented;
    EXPECT_NO_THROW(CheckCoverDesign(design));
    design.Blurb += "x";
    try {
        CheckCoverDesign(design);
        ADD_FAILURE() << "a blurb of 1001 characters was taken";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("1001 characters"), std::string::npos) << e.what();
    }
    design.Blurb = "\xE2\x82\xAC and \xE4\xB8\xAD"; // the euro fits the pages, the ideograph not
    EXPECT_THROW(CheckCoverDesign(design), Error);
    design.Blurb.clear();
    design.Accent = std::array<double, 4>{0, 1.5, 0, 0};
    EXPECT_THROW(CheckCoverDesign(design), Error);
}

TEST(CoverPdf, BoxesKeysAndRepeatableBytes)
{
    auto fonts = std::make_shared<report::TFontManager>();
    const pdf::TClock clock = [] { return pdf::TDateTime{2026, 3, 4, 5, 6, 7, 3, 0}; };
    TCoverDesign design = SmallDesign();
    design.PdfX = true;
    const std::string bytes = CoverPdf(design, false, fonts, clock);
    const TCoverGeometry g = CoverGeometry(*FindPaper("6x9"), "kdp", "white", 120);
    char media[96], trim[96];
    std::snprintf(media, sizeof media, "/MediaBox [0.0000 0.0000 %.4f %.4f]", g.Width() * 72,
                  g.Height() * 72);
    std::snprintf(trim, sizeof trim, "/TrimBox [9.0000 9.0000 %.4f %.4f]", (g.Width() - 0.125) * 72,
                  (g.Height() - 0.125) * 72);
    EXPECT_NE(bytes.find(media), std::string::npos) << media;
    EXPECT_NE(bytes.find(std::string(media).replace(1, 5, "Bleed")), std::string::npos);
    EXPECT_NE(bytes.find(trim), std::string::npos) << trim;
    for (const char* key : {"/GTS_PDFXVersion (PDF/X-1:2001)", "/OutputIntents", "/ID [<",
                            "/Trapped /False", "/FontFile2"})
        EXPECT_NE(bytes.find(key), std::string::npos) << key;
    EXPECT_EQ(CoverPdf(design, false, fonts, clock), bytes);

    design.PdfX = false;
    const std::string plain = CoverPdf(design, false, fonts, clock);
    EXPECT_EQ(plain.find("GTS_PDFX"), std::string::npos);
    EXPECT_EQ(plain.find("/OutputIntents"), std::string::npos);
}

TEST(CoverPdf, ABlurbTooLongForTheBackIsRefusedNotCut)
{
    TCoverDesign design = SmallDesign();
    design.Paper = "5.5x8.5";
    design.Blurb = std::string(900, '\n'); // 900 empty paragraphs: far too many lines
    EXPECT_THROW(CoverPdf(design, false, std::make_shared<report::TFontManager>()), Error);
    design.Blurb = std::string(990, 'w'); // one word wider than the back cover
    EXPECT_THROW(CoverPdf(design, false, std::make_shared<report::TFontManager>()), Error);
}

class CoverFiles : public ::testing::Test
{
  protected:
    testsupport::TTempFolder Folder{"gq-cover"};
    std::string Path(const std::string& name) const { return (Folder.Path() / name).string(); }
};

TEST_F(CoverFiles, WriteCoverKeepsAnExistingFileUnlessToldToReplaceIt)
{
    const std::string path = Path("cover.pdf");
    WriteNewFile(path, "mine", TFileAudience::Document, TReplace::Never);
    EXPECT_THROW(WriteCover(SmallDesign(), path, TReplace::Never, true), TFileExistsError);
    EXPECT_EQ(ReadWholeFile(path), "mine");
    EXPECT_FALSE(std::filesystem::exists(GuidesPathFor(path)));
    // A guides file in the way stops the cover too, before anything is written.
    const std::string other = Path("other.pdf");
    WriteNewFile(GuidesPathFor(other), "guides", TFileAudience::Document, TReplace::Never);
    EXPECT_THROW(WriteCover(SmallDesign(), other, TReplace::Never, true), TFileExistsError);
    EXPECT_FALSE(std::filesystem::exists(other));
    const std::string line = WriteCover(SmallDesign(), path, TReplace::Always, true);
    EXPECT_EQ(ReadWholeFile(path).substr(0, 8), "%PDF-1.3");
    EXPECT_EQ(ReadWholeFile(GuidesPathFor(path)).substr(0, 8), "%PDF-1.3");
    EXPECT_NE(line.find("spine text yes"), std::string::npos) << line;
}

TEST_F(CoverFiles, PageCountComesFromAnyPdfAndFailuresNameTheFile)
{
    const std::string cover = Path("c.pdf");
    WriteCover(SmallDesign(), cover, TReplace::Never);
    EXPECT_EQ(PdfPageCount(cover), 1);
    const std::string text = Path("notes.pdf");
    WriteNewFile(text, "just some notes\n", TFileAudience::Document, TReplace::Never);
    for (const std::string& bad : {text, Path("missing.pdf"), Folder.Path().string()}) {
        try {
            PdfPageCount(bad);
            ADD_FAILURE() << bad << " gave a page count";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace gq::book
