#include "pdf/RenderPDF.h"

#include "PdfTestSupport.h"
#include "pdf/PdfFormat.h"
#include "pdf/PdfOperators.h"

#include <gtest/gtest.h>

namespace gq::pdf
{
namespace
{

using Lines = std::vector<std::string>;
using test::TCode;
using test::TStreamBuilder;

// Page content of a one-page stream whose body `draw` writes after the state dump.
template <typename F> std::string Content(float sizePt, F draw, TRenderPDF* renderer = nullptr)
{
    TStreamBuilder b = test::OnePage(sizePt);
    draw(b);
    b.EndPage();
    TRenderPDF local;
    TRenderPDF& pdf = renderer ? *renderer : local;
    pdf.Clock = test::FixedDate;
    return test::PageContent(pdf.RenderToString(b.Bytes), 0);
}

template <typename F> Lines ContentLines(float sizePt, F draw)
{
    return test::Lines(Content(sizePt, draw));
}

TEST(PdfContent, FirstTextOfAPage)
{
    auto lines = ContentLines(12, [](TStreamBuilder& b) { b.Text(TCode::LeftText, 2, "7", 1); });
    EXPECT_EQ(lines, (Lines{"2 J", "BT", "0 0 0 rg", "/F1 0012 Tf", "68.7000 648.0000 Td",
                            "( 7 ) Tj", "ET"}));
}

TEST(PdfContent, CentredDigitMovesLeftByHalfItsWidthAndTheBlank)
{
    auto lines =
        ContentLines(25, [](TStreamBuilder& b) { b.Text(TCode::CenterText, 2.25f, "5", 1.5f); });
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[3], "/F1 0025 Tf");
    EXPECT_EQ(lines[4], "94.1750 630.0000 Td");
    EXPECT_EQ(lines[5], "( 5 ) Tj");
}

TEST(PdfContent, RightTextEndsAtX)
{
    // "10" in Helvetica 12 is 2 x 556 / 1000 x 12 / 72 in wide.
    auto lines = ContentLines(12, [](TStreamBuilder& b) { b.Text(TCode::RightText, 2, "10", 3); });
    double x = (3.0 - 2 * 0.556 * 12 / 72 - 12 * 0.275 / 72) * 72;
    EXPECT_EQ(lines[4], FormatFixed4(x) + " 648.0000 Td");
}

TEST(PdfContent, LinesWriteTheirStateOnceAndOnlyChangesAfterwards)
{
    auto lines = ContentLines(12, [](TStreamBuilder& b) {
        b.Text(TCode::LeftText, 2, "7", 1);
        b.PenWidth(10.0f / 600.0f);
        b.MoveTo(1, 1);
        b.LineTo(2, 1);
        b.PenWidth(5.0f / 600.0f);
        b.MoveTo(1, 2);
        b.LineTo(2, 2);
    });
    Lines tail(lines.begin() + 7, lines.end());
    EXPECT_EQ(tail, (Lines{"[] 0 d", "0 0 0 RG", "1 1 1 rg", "1.2000 w ", "72.0000 720.0000 m",
                           "144.0000 720.0000 l S", "0.6000 w ", "72.0000 648.0000 m",
                           "144.0000 648.0000 l S"}));
}

TEST(PdfContent, TextColourIsRewrittenOnlyAfterPathsTouchedTheFillColour)
{
    auto lines = ContentLines(12, [](TStreamBuilder& b) {
        b.Text(TCode::LeftText, 1, "a", 1);
        b.Text(TCode::LeftText, 2, "b", 1); // same colour: no rg
        b.MoveTo(1, 3);
        b.LineTo(2, 3);                     // its fill colour spoils the text colour
        b.Text(TCode::LeftText, 4, "c", 1); // so the colour is written again
        b.MoveTo(1, 5);
        b.LineTo(2, 5); // and the text's rg makes the path write RG and rg again
    });
    EXPECT_EQ(lines, (Lines{"2 J",
                            "BT",
                            "0 0 0 rg",
                            "/F1 0012 Tf",
                            "68.7000 720.0000 Td",
                            "( a ) Tj",
                            "ET",
                            "BT",
                            "/F1 0012 Tf",
                            "68.7000 648.0000 Td",
                            "( b ) Tj",
                            "ET",
                            "[] 0 d",
                            "0 0 0 RG",
                            "1 1 1 rg",
                            "0.1200 w ",
                            "72.0000 576.0000 m",
                            "144.0000 576.0000 l S",
                            "BT",
                            "0 0 0 rg",
                            "/F1 0012 Tf",
                            "68.7000 504.0000 Td",
                            "( c ) Tj",
                            "ET",
                            "0 0 0 RG",
                            "1 1 1 rg",
                            "72.0000 432.0000 m",
                            "144.0000 432.0000 l S"}));
}

TEST(PdfContent, ColourOfTheFontAndColourText)
{
    EXPECT_EQ(ColorText(0), "0 0 0");
    EXPECT_EQ(ColorText(0x00FFFFFF), "1 1 1");
    EXPECT_EQ(ColorText(0x000080FF), "1 0.502 0");
    EXPECT_EQ(ColorText(-5), "0 0 0");
    auto lines = ContentLines(12, [](TStreamBuilder& b) {
        b.Code(TCode::FontColor), b.Long(0x000000FF);
        b.Text(TCode::LeftText, 2, "red", 1);
    });
    EXPECT_EQ(lines[2], "1 0 0 rg");
}

TEST(PdfContent, SpecialCharactersAreEscaped)
{
    auto lines =
        ContentLines(12, [](TStreamBuilder& b) { b.Text(TCode::LeftText, 2, "a(b)c\\", 1); });
    EXPECT_EQ(lines[5], "( a\\(b\\)c\\\\ ) Tj");
}

TEST(PdfContent, UnderlineIsALineBelowTheBaseline)
{
    auto lines = ContentLines(10, [](TStreamBuilder& b) {
        b.Code(TCode::FontUnderline), b.Byte(1);
        b.Text(TCode::LeftText, 2, "ab", 1);
    });
    // Width of "ab": (556 + 556) / 1000 x 10 / 72 in; the line lies 0.0231 in below Y.
    double w = 1.112 * 10 / 72;
    EXPECT_EQ(Lines(lines.begin() + 7, lines.end()),
              (Lines{"[] 0 d", "0 0 0 RG", "1 1 1 rg", "1.1088 w ", "72.0000 646.3368 m",
                     FormatFixed4((1 + w) * 72) + " 646.3368 l S"}));
}

TEST(PdfContent, StrikeoutFollowsUnderlineAndThePenWidthIsRestored)
{
    auto content = Content(10, [](TStreamBuilder& b) {
        b.Code(TCode::FontUnderline), b.Byte(1);
        b.Code(TCode::FontStrikeout), b.Byte(1);
        b.Text(TCode::LeftText, 2, "x", 1);
        b.MoveTo(1, 3);
        b.LineTo(2, 3);
    });
    std::size_t under = content.find("1.1088 w ");
    std::size_t strike = content.find("0.4752 w ");   // 11 x 0.0006 x 72
    std::size_t restored = content.find("0.1200 w "); // the stream's 1 / 600 in
    EXPECT_NE(under, std::string::npos);
    EXPECT_LT(under, strike);
    EXPECT_LT(strike, restored);
    EXPECT_NE(restored, std::string::npos);
}

TEST(PdfContent, PenWidthsComeFromSingles)
{
    auto content = Content(12, [](TStreamBuilder& b) {
        b.PenWidth(0.02f);
        b.MoveTo(1, 1);
        b.LineTo(2, 1);
    });
    EXPECT_NE(content.find("\r\n1.4400 w \r\n"), std::string::npos);
}

TEST(PdfContent, ClearPenLeavesThePathOpen)
{
    auto content = Content(12, [](TStreamBuilder& b) {
        b.Code(TCode::PenStyle), b.Byte(5);
        b.MoveTo(1, 1);
        b.LineTo(2, 1);
        b.MoveTo(1, 2);
        b.LineTo(2, 2);
    });
    EXPECT_NE(content.find("144.0000 720.0000 l 72.0000 648.0000 m\r\n"), std::string::npos);
}

TEST(PdfContent, DashesFollowThePenStyle)
{
    auto content = Content(12, [](TStreamBuilder& b) {
        for (std::uint8_t style : {1, 2, 3, 4, 0}) {
            b.Code(TCode::PenStyle), b.Byte(style);
            b.MoveTo(1, 1);
            b.LineTo(2, 1);
        }
    });
    std::size_t pos = 0;
    for (const char* dash :
         {"[13 6] 0 d", "[2] 0 d", "[8 4 1 4] 0 d", "[10 3 2 2 2 3] 0 d", "[] 0 d"}) {
        pos = content.find(std::string(dash) + "\r\n", pos);
        ASSERT_NE(pos, std::string::npos) << dash;
    }
}

TEST(PdfContent, RotatedTextGetsATextMatrix)
{
    auto lines = ContentLines(12, [](TStreamBuilder& b) {
        b.Code(TCode::FontRotation), b.Word(90);
        b.Text(TCode::LeftText, 2, "up", 1);
    });
    EXPECT_EQ(lines[5], "0.0000 1.0000 -1.0000 0.0000 72.0000 648.0000 Tm");
}

TEST(PdfContent, CourierStartsFurtherLeft)
{
    auto lines = ContentLines(12, [](TStreamBuilder& b) {
        b.Code(TCode::FontName), b.String("Courier New");
        b.Text(TCode::LeftText, 2, "c", 1);
    });
    EXPECT_EQ(lines[3], "/F2 0012 Tf");
    EXPECT_EQ(lines[4], "64.2000 648.0000 Td");
}

TEST(PdfContent, ShapesAreClosedPathsWithThePaintingOperator)
{
    auto content = Content(12, [](TStreamBuilder& b) {
        b.Code(TCode::BrushStyle), b.Byte(0); // solid brush: fill and stroke
        b.Code(TCode::BrushColor), b.Long(0x0000FF00);
        b.Code(TCode::Rectangle), b.Single(1), b.Single(1), b.Single(2), b.Single(2);
        b.Code(TCode::Ellipse), b.Single(1), b.Single(1), b.Single(2), b.Single(3);
        b.Code(TCode::Pie);
        for (float v : {1.f, 1.f, 3.f, 3.f, 3.f, 2.f, 2.f, 1.f})
            b.Single(v);
        b.Code(TCode::Polygon), b.Word(2);
        for (float v : {1.f, 1.f, 2.f, 1.f, 2.f, 2.f})
            b.Single(v);
    });
    EXPECT_NE(content.find("0 1 0 rg\r\n"), std::string::npos);
    EXPECT_NE(content.find("72.0000 720.0000 72.0000 -72.0000 re b\r\n"), std::string::npos);
    EXPECT_NE(content.find("% arc code\r\n"), std::string::npos);
    EXPECT_NE(content.find(" l h b\r\n"), std::string::npos);
    std::size_t curves = 0;
    for (std::size_t p = content.find(" c\r\n"); p != std::string::npos;
         p = content.find(" c\r\n", p + 1))
        ++curves;
    EXPECT_EQ(curves, 4u + 1u); // the ellipse's quarters and the pie's quarter arc
}

TEST(PdfContent, TextInARectangleIsClippedInsideSaveAndRestore)
{
    auto lines = ContentLines(12, [](TStreamBuilder& b) {
        b.Code(TCode::PenStyle), b.Byte(0);
        b.Code(TCode::TextRect);
        for (float v : {1.f, 1.f, 2.f, 2.f, 1.f, 1.5f})
            b.Single(v);
        b.String("in");
    });
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[1], " q ");
    EXPECT_EQ(lines[2], "0.0000 w ");
    EXPECT_EQ(lines[3], "72.0000 720.0000 72.0000 -72.0000 re W n ");
    EXPECT_EQ(lines.back(), " Q ");
}

TEST(PdfContent, PicturesAreReadButNotDrawn)
{
    auto lines = ContentLines(12, [](TStreamBuilder& b) {
        b.Code(TCode::Draw), b.Byte(1), b.Long(3), b.Byte(1), b.Byte(2), b.Byte(3);
        b.Single(1), b.Single(1);
        b.Text(TCode::LeftText, 2, "7", 1);
    });
    EXPECT_EQ(lines.size(), 7u);
}

} // namespace
} // namespace gq::pdf
