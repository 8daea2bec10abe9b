#include "pdf/OperatorWriter.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>

namespace gq::pdf
{
namespace
{

TEST(OperatorWriter, WritesWhatFormatPdfWrites)
{
    std::string out = "2 J\r\n";
    {
        TOperatorWriter w(out);
        w += "BT\r\n/F1 ";
        w.Integer(12, 4);
        w += " Tf\r\n";
        w.Fixed4(68.7);
        w += ' ';
        w.Fixed4(-0.00004);
        w += " Td\r\n( ";
        w.Escaped("a(b)\\");
        w += " ) Tj\r\n";
        w.Fixed4(std::numeric_limits<double>::quiet_NaN());
        w += ' ';
        w.Fixed4(1e20); // beyond the fast conversion
        w += ' ';
        w.Fixed4(0.03125); // an exact tie
        w += ' ';
        w.Integer(-7, 4);
    }
    EXPECT_EQ(out, "2 J\r\n" +
                       FormatPdf("BT\r\n/F1 %.4d Tf\r\n%.4f %.4f Td\r\n( %s ) Tj\r\n%.4f %.4f %.4f "
                                 "%.4d",
                                 {12, 68.7, -0.00004, EscapePdfString("a(b)\\"),
                                  std::numeric_limits<double>::quiet_NaN(), 1e20, 0.03125, -7}));
}

// A writer whose scope an exception leaves drops its bytes and lets the exception through (its
// flush could throw in turn, which would end the program); one made and finished while another
// exception is on its way writes as usual.
TEST(OperatorWriter, AnExceptionLeavingTheScopeDropsTheUnflushedBytes)
{
    std::string out;
    struct TWritesWhileUnwinding
    {
        std::string& Out;
        ~TWritesWhileUnwinding()
        {
            TOperatorWriter w(Out);
            w += "cleanup";
        }
    };
    EXPECT_THROW(
        {
            TWritesWhileUnwinding cleanup{out};
            TOperatorWriter w(out);
            w += "half a page";
            throw std::runtime_error("no more memory");
        },
        std::runtime_error);
    EXPECT_EQ(out, "cleanup");
}

TEST(OperatorWriter, KeepsOrderAcrossFullBuffersAndLongPieces)
{
    // Pieces of every length around the buffer's size, numbers falling on its end, and an
    // escaped text far longer than the buffer: the result is the plain concatenation.
    std::string out;
    std::string expected;
    {
        TOperatorWriter w(out);
        for (int length = 0; length < 600; length += 7) {
            std::string piece(static_cast<std::size_t>(length),
                              static_cast<char>('a' + length % 26));
            w += piece;
            expected += piece;
            w.Fixed4(length * 1.25);
            AppendFixed4(expected, length * 1.25);
            w.Integer(length, 4);
            AppendInteger(expected, length, 4);
            w += ';';
            expected += ';';
        }
        std::string text(1000, '(');
        w.Escaped(text);
        expected += EscapePdfString(text);
        w.Flush();
        EXPECT_EQ(out, expected);
        w += "tail";
        expected += "tail";
    }
    EXPECT_EQ(out, expected);
}

} // namespace
} // namespace gq::pdf
