#include "pdf/PdfOperators.h"

#include "pdf/PdfWriteContext.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace gq::pdf
{
namespace
{

using namespace std::string_literals;

// The operators as a page shows them: a dashed, coloured frame, a closed curve, a text and a
// clipped, saved state. The line breaks are CR LF in the file.
TEST(PdfOperators, WriteTheContentAsThePageSaysIt)
{
    std::string content;
    {
        TOperatorWriter out(content);
        WriteOperator_d(out, 1);
        WriteColorOperator(out, 0x000080FF, true, false);
        WriteColorOperator(out, 0x000080FF, false, true);
        WriteOperator_w(out, 0.12);
        WriteOperator_re(out, 72, 720, 144, -36);
        WritePaintOperator(out, false, false);
        WriteOperator_m(out, 10, 20.5);
        WriteOperator_l(out, 30, 20.5, TOpEnd::Space);
        WriteOperator_l(out, 30, 40, TOpEnd::Line);
        WriteOperator_c(out, 1, 2, 3, 4, 5, 6);
        WriteOperator_h(out, TOpEnd::Space);
        WritePaintOperator(out, true, false);
        WritePaintOperator(out, true, true); // nothing to paint: nothing written
        WriteStrokeOrEnd(out, true);
        WriteOperator_q(out);
        WriteOperator_W_n(out);
        WriteOperator_BT(out);
        WriteOperator_Tf(out, "F2", 9);
        WriteOperator_Td(out, 52.2, -0.00004);
        WriteOperator_Tm(out, 0, 1, -1, 0, 72, 144);
        WriteOperator_Tj(out, "a(b)\\");
        WriteOperator_ET(out);
        WriteOperator_Q(out);
        WriteComment(out, "arc code");
    }
    constexpr std::string_view kExpected = R"([13 6] 0 d
1 0.502 0 RG
0.592 g
0.1200 w 
72.0000 720.0000 144.0000 -36.0000 re b
10.0000 20.5000 m
30.0000 20.5000 l 30.0000 40.0000 l
1.0000 2.0000 3.0000 4.0000 5.0000 6.0000 c
h f
n
 q 
W n 
BT
/F2 0009 Tf
52.2000 -0.0000 Td
0.0000 1.0000 -1.0000 0.0000 72.0000 144.0000 Tm
( a\(b\)\\ ) Tj
ET
 Q 
% arc code
)";
    std::string expected;
    for (char c : kExpected)
        expected += c == '\n' ? "\r\n"s : std::string(1, c);
    EXPECT_EQ(content, expected);
}

TEST(PdfOperators, EveryPenStyleHasItsDash)
{
    std::string content;
    {
        TOperatorWriter out(content);
        for (std::uint8_t style = 0; style <= 6; ++style)
            WriteOperator_d(out, style);
    }
    EXPECT_EQ(content, "[] 0 d\r\n[13 6] 0 d\r\n[2] 0 d\r\n[8 4 1 4] 0 d\r\n[10 3 2 2 2 3] 0 d\r\n"
                       "[] 0 d\r\n[] 0 d\r\n");
}

TEST(PdfWriteContext, FramesObjectsAndDictionaries)
{
    std::string bytes;
    TPdfWriteContext out(bytes);
    out.BeginDictionary(7);
    out.FormatLine("/Count %d", {3});
    out.EndDictionary();
    out.BeginObject(8);
    out.Line("[/PDF /Text]");
    out.EndObject();
    EXPECT_EQ(bytes, "7 0 obj\r\n<<\r\n/Count 3\r\n>>\r\nendobj\r\n\r\n"
                     "8 0 obj\r\n[/PDF /Text]\r\nendobj\r\n\r\n");
}

} // namespace
} // namespace gq::pdf
