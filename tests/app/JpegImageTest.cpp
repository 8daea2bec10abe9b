#include "app/desktop/JpegImage.h"
#include "app/desktop/SamplePages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace
{

using namespace gq::app;

using Bytes = std::vector<unsigned char>;

/// Encodes `pixels` (rows of `components` bytes per pixel, 3 = RGB, 1 = grey) at quality 100.
Bytes Encode(int width, int height, int components, const Bytes& pixels, bool progressive)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<unsigned char*>(pixels.data()) +
                    static_cast<std::size_t>(info.next_scanline) * width * components;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes bytes(out, out + size);
    std::free(out);
    return bytes;
}

/// Colour of the 16 x 16 block holding pixel (x, y).
QRgb BlockColour(int x, int y)
{
    static const QRgb kColours[] = {0xffd02020, 0xff20b040, 0xff2040d0, 0xffffffff,
                                    0xff000000, 0xff808080, 0xfff0c000, 0xff00c0c0};
    return kColours[((y / 16) * 4 + x / 16) % 8];
}

Bytes BlockPicture(int width, int height)
{
    Bytes pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QRgb colour = BlockColour(x, y);
            pixels.insert(pixels.end(), {static_cast<unsigned char>(qRed(colour)),
                                         static_cast<unsigned char>(qGreen(colour)),
                                         static_cast<unsigned char>(qBlue(colour))});
        }
    return pixels;
}

void ExpectNear(QRgb actual, QRgb expected, int x, int y)
{
    EXPECT_NEAR(qRed(actual), qRed(expected), 8) << "red at " << x << "," << y;
    EXPECT_NEAR(qGreen(actual), qGreen(expected), 8) << "green at " << x << "," << y;
    EXPECT_NEAR(qBlue(actual), qBlue(expected), 8) << "blue at " << x << "," << y;
}

struct TSizeCase
{
    int Width;
    int Height;
    bool Progressive;
};

void PrintTo(const TSizeCase& c, std::ostream* out)
{
    *out << c.Width << " x " << c.Height << (c.Progressive ? " progressive" : " baseline");
}

class JpegColourTest : public testing::TestWithParam<TSizeCase>
{};

// Widths that are not a multiple of 4 catch rows written without the image's line padding.
TEST_P(JpegColourTest, DecodesEveryBlockToItsColour)
{
    const auto [width, height, progressive] = GetParam();
    const QImage image =
        DecodeJpeg(Encode(width, height, 3, BlockPicture(width, height), progressive));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    ASSERT_EQ(image.width(), width);
    ASSERT_EQ(image.height(), height);
    for (int y = 8; y + 8 <= height; y += 16)
        for (int x = 8; x + 8 <= width; x += 16)
            ExpectNear(image.pixel(x, y), BlockColour(x, y), x, y);
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegColourTest,
                         testing::Values(TSizeCase{64, 32, false}, TSizeCase{50, 33, false},
                                         TSizeCase{409, 37, false}, TSizeCase{50, 33, true}),
                         [](const testing::TestParamInfo<TSizeCase>& info) {
                             return std::to_string(info.param.Width) + "x" +
                                    std::to_string(info.param.Height) +
                                    (info.param.Progressive ? "Progressive" : "Baseline");
                         });

TEST(JpegImage, GreyPictureBecomesRgb)
{
    Bytes grey;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 30; ++x)
            grey.push_back(x < 15 ? 40 : 200);
    const QImage image = DecodeJpeg(Encode(30, 16, 1, grey, false));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    ExpectNear(image.pixel(4, 8), qRgb(40, 40, 40), 4, 8);
    ExpectNear(image.pixel(25, 8), qRgb(200, 200, 200), 25, 8);
}

TEST(JpegImage, DamagedDataGivesNullImage)
{
    const Bytes good = Encode(64, 32, 3, BlockPicture(64, 32), false);
    const struct
    {
        const char* Name;
        Bytes Data;
    } cases[] = {
        {"empty", {}},
        {"not a JPEG", Bytes(200, 0x41)},
        {"header only", Bytes(good.begin(), good.begin() + 300)},
        {"truncated", Bytes(good.begin(), good.begin() + static_cast<long>(good.size() / 2))},
        {"end marker missing", Bytes(good.begin(), good.end() - 2)},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(DecodeJpeg(c.Data).isNull()) << c.Name;
    EXPECT_FALSE(DecodeJpeg(good).isNull());
}

// The built-in pictures are the committed files, byte for byte, and decode at their sizes.
TEST(SamplePages, BuiltInPicturesAreTheCommittedFiles)
{
    const struct
    {
        TSamplePage Page;
        const char* File;
        int Height;
    } pages[] = {
        {TSamplePage::OnePerPage, "one-per-page.jpg", 527},
        {TSamplePage::OnePerPageCandidates, "one-per-page-candidates.jpg", 527},
        {TSamplePage::TwoPerPage, "two-per-page.jpg", 499},
        {TSamplePage::FourPerPage, "four-per-page.jpg", 527},
    };
    int present = 0;
    for (const auto& page : pages) {
        std::ifstream file(std::string(GQ_SOURCE_DIR "/app/desktop/pictures/") + page.File,
                           std::ios::binary);
        const auto embedded = SamplePageJpeg(page.Page);
        if (!file) {
            EXPECT_TRUE(embedded.empty()) << page.File;
            continue;
        }
        ++present;
        const Bytes onDisk{std::istreambuf_iterator<char>(file), {}};
        EXPECT_EQ(Bytes(embedded.begin(), embedded.end()), onDisk) << page.File;
        const QImage image = DecodeJpeg(embedded);
        EXPECT_EQ(image.width(), 409) << page.File;
        EXPECT_EQ(image.height(), page.Height) << page.File;
    }
    if (present == 0)
        GTEST_SKIP() << "the sample-page pictures are not made yet";
}

} // namespace
