#include "report/PageStreamWriter.h"

#include "report/FontManager.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace gq::report
{
namespace
{

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

std::shared_ptr<TFontManager> SharedFonts()
{
    static auto fonts = std::make_shared<TFontManager>();
    return fonts;
}

// ---- a small reader: walks the records and commands the writer produced -----------------------

struct Command
{
    std::uint8_t code;
    std::size_t offset; // of the code byte
    std::size_t size;   // including the code byte
};

struct PageRecord
{
    std::size_t offset;
    std::int32_t previous, next;
    std::uint16_t number;
    float width, height;
    std::vector<Command> commands; // after the page header, up to and including 82
};

struct Stream
{
    std::uint16_t pageCount = 0;
    std::size_t headerSize = 0;
    std::vector<PageRecord> pages;
};

class Walker
{
  public:
    explicit Walker(const Bytes& data) : m_data(data) {}

    Stream Walk()
    {
        Stream s;
        Expect(Byte() == 90, "job header code");
        Expect(Word() == 2017, "version");
        String();
        s.pageCount = Word();
        m_pos += 2 + 2 + 24 + 1 + 2 + 1 + 1 + 2 + 2 + 2 + 2;
        String();
        s.headerSize = m_pos;
        while (m_pos < m_data.size()) {
            PageRecord page;
            page.offset = m_pos;
            Expect(Byte() == 80, "page header code at " + std::to_string(page.offset));
            page.previous = Long();
            page.next = Long();
            page.number = Word();
            page.width = Single();
            page.height = Single();
            while (true) {
                Expect(m_pos < m_data.size(), "page ends without 82");
                const std::size_t at = m_pos;
                const std::uint8_t code = Byte();
                Operands(code);
                page.commands.push_back({code, at, m_pos - at});
                if (code == 82)
                    break;
            }
            s.pages.push_back(std::move(page));
        }
        return s;
    }

    std::uint8_t Byte() { return Take(1)[0]; }
    std::uint16_t Word()
    {
        std::uint16_t v;
        std::memcpy(&v, Take(2), 2);
        return v;
    }
    std::int32_t Long()
    {
        std::int32_t v;
        std::memcpy(&v, Take(4), 4);
        return v;
    }
    float Single()
    {
        float v;
        std::memcpy(&v, Take(4), 4);
        return v;
    }
    std::string String()
    {
        std::size_t length = Byte();
        if (length >= 0xC0)
            length = ((length - 0xC0) << 8) | Byte();
        const auto* p = Take(length);
        return std::string(reinterpret_cast<const char*>(p), length);
    }
    void Seek(std::size_t pos) { m_pos = pos; }

  private:
    const std::uint8_t* Take(std::size_t n)
    {
        Expect(m_pos + n <= m_data.size(), "read past the end at " + std::to_string(m_pos));
        const auto* p = m_data.data() + m_pos;
        m_pos += n;
        return p;
    }
    static void Expect(bool ok, const std::string& what)
    {
        if (!ok)
            throw std::runtime_error("malformed page stream: " + what);
    }
    void Graphic()
    {
        const std::uint8_t kind = Byte();
        const std::int32_t n = Long();
        if (kind < 128)
            Take(static_cast<std::size_t>(n));
    }
    // Operands per command: B Byte, W Word, L Long or Single, P Point, R Rect, S String,
    // G Graphic, N Word n and n + 1 Points, D Long n and n bytes, V the tail of a variable,
    // T a brush pattern.
    static const char* Layout(std::uint8_t code)
    {
        static const std::map<int, const char*> layouts = {
            {1, "PPPP"},  {2, "GRRL"}, {3, "PPPP"},  {5, "GP"},    {6, "R"},    {7, "PP"},
            {8, "R"},     {9, "PLL"},  {10, "R"},    {11, "P"},    {12, "P"},   {13, "PPPP"},
            {14, "N"},    {15, "N"},   {16, "GPLL"}, {17, "GPP"},  {18, "PP"},  {19, "PP"},
            {20, "PPLL"}, {21, "GR"},  {22, "RPS"},  {23, "LSL"},  {24, "LSL"}, {25, "LSL"},
            {26, "B"},    {27, "L"},   {28, "L"},    {29, "L"},    {30, "S"},   {31, "D"},
            {33, "LSLL"}, {34, "B"},   {35, "B"},    {36, "DSPP"}, {37, "SV"},  {41, "L"},
            {42, "B"},    {43, "T"},   {51, "S"},    {52, "L"},    {53, "B"},   {54, "LL"},
            {55, "B"},    {56, "B"},   {57, "B"},    {58, "B"},    {59, "B"},   {60, "B"},
            {61, "W"},    {62, "B"},   {63, "B"},    {71, "L"},    {72, "B"},   {73, "B"},
            {74, "L"},    {82, ""},    {83, "LLL"},  {84, ""},     {85, ""},    {86, ""},
            {87, "B"},    {88, "S"}};
        const auto it = layouts.find(code);
        Expect(it != layouts.end(), "unknown command " + std::to_string(code));
        return it->second;
    }

    void Operands(std::uint8_t code)
    {
        for (const char* op = Layout(code); *op; ++op) {
            // clang-format off
            switch (*op)
            {
            case 'B': Take(1); break;
            case 'W': Take(2); break;
            case 'L': Take(4); break;
            case 'P': Take(8); break;
            case 'R': Take(16); break;
            case 'S': String(); break;
            case 'G': Graphic(); break;
            case 'N': Take((Word() + 1u) * 8u); break;
            case 'D': Take(static_cast<std::size_t>(Long())); break;
            case 'V': { const std::uint8_t n = Byte(); Byte(); Take(n); break; }
            case 'T': if (Byte() == 1) Graphic(); break;
            }
            // clang-format on
        }
    }

    const Bytes& m_data;
    std::size_t m_pos = 0;
};

// Codes of the drawing commands of a page (the state dump left out).
std::vector<int> DrawingCodes(const PageRecord& page)
{
    std::vector<int> codes;
    bool inDump = true;
    for (const Command& c : page.commands) {
        if (inDump) {
            if (c.code == 27) // the background colour closes the dump (no variables here)
                inDump = false;
            continue;
        }
        codes.push_back(c.code);
    }
    return codes;
}

Bytes RunJob(const std::function<void(TPageStreamWriter&)>& draw,
             const std::function<void(TPageStreamWriter&)>& setUp = nullptr)
{
    TPageStreamWriter writer(SharedFonts());
    if (setUp)
        setUp(writer);
    writer.OnPrint = [&](TOutputEngine&) { draw(writer); };
    writer.RunJob();
    return writer.MemoryData();
}

template <typename T> void Append(Bytes& out, T value)
{
    std::uint8_t raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    out.insert(out.end(), raw, raw + sizeof(T));
}

Bytes Slice(const Bytes& data, std::size_t from, std::size_t size)
{
    return Bytes(data.begin() + static_cast<std::ptrdiff_t>(from),
                 data.begin() + static_cast<std::ptrdiff_t>(from + size));
}

// Sample width of command 54 computed from the face alone.
float SampleWidth(const std::string& name, bool bold, int pixelHeight)
{
    const std::string sample =
        "abcdefg hijklmnop qrstuv wxyz ABCDEFG HIJKLMNOP QRSTUV WXYZ 0123456789";
    auto face = SharedFonts()->Face(name, bold, false);
    long sum = 0;
    for (unsigned char c : sample)
        sum += face->AdvancePixels(c, 600);
    const int pixels = RoundHalfEven(static_cast<double>(sum) * pixelHeight / 600.0);
    return static_cast<float>(pixels / 600.0);
}

TFontSpec Arial(double size, bool bold = false)
{
    TFontSpec font;
    font.Size = size;
    font.Bold = bold;
    return font;
}

void Text(TOutputEngine& e, const TFontSpec& font, const std::string& text, double x = 1,
          double y = 1, TPrintJustify justify = TPrintJustify::pjLeft)
{
    e.ApplyFont(font);
    e.SetFontRotation(0);
    e.SetBaselineFromTop(y);
    e.PrintJustified(text, justify, x, 0, 1);
}

// ---- tests
// ---------------------------------------------------------------------------------------

const Bytes kThreePageHeader = {
    0x5A, 0xE1, 0x07,                                                   // 90, version 2017
    0x0B, 'G',  'r',  'i',  'd',  ' ',  'R',  'e',  'p', 'o', 'r', 't', // title
    0x03, 0x00,                                                         // page count
    0x01, 0x00, 0x0F, 0x27,                                             // first 1, last 9999
    0x00, 0x00, 0x08, 0x41, 0x00, 0x00, 0x30, 0x41,                     // 8.5 x 11 inches
    0,    0,    0,    0,    0,    0,    0,    0,    0,   0,   0,   0,   0, 0, 0, 0,
    0x00,                   // portrait
    0x09, 0x01,             // bin 265
    0x00, 0x00,             // collate, duplex
    0x01, 0x00, 0x01, 0x00, // copies 1, paper code 1
    0x00, 0x00, 0x00, 0x00, // paper size unknown
    0x00};                  // no output file name

TEST(PageStreamWriterTest, ThreePageJobHeaderAndPageChain)
{
    const Bytes data = RunJob(
        [](TPageStreamWriter& w) {
            w.NextPage();
            w.NextPage();
        },
        [](TPageStreamWriter& w) { w.SetCopies(2); });
    ASSERT_EQ(kThreePageHeader.size(), 59u);
    EXPECT_EQ(Slice(data, 0, 59), kThreePageHeader);
    EXPECT_EQ(data[15], 3);

    const Stream s = Walker(data).Walk();
    ASSERT_EQ(s.pages.size(), 3u);
    EXPECT_EQ(s.pages[0].offset, 59u);
    EXPECT_EQ(s.pages[0].previous, 0);
    for (std::size_t i = 0; i < 3; ++i) {
        const PageRecord& p = s.pages[i];
        EXPECT_EQ(p.number, i + 1);
        EXPECT_EQ(p.width, 8.5f);
        EXPECT_EQ(p.height, 11.0f);
        if (i > 0) {
            EXPECT_EQ(p.previous, static_cast<std::int32_t>(s.pages[i - 1].offset));
        }
        if (i < 2) {
            EXPECT_EQ(p.next, static_cast<std::int32_t>(s.pages[i + 1].offset));
        }
    }
    EXPECT_EQ(s.pages[2].next, 0);
    EXPECT_EQ(data.back(), 82);
}

TEST(PageStreamWriterTest, PaperSizeAndOrientationReachHeaderAndPages)
{
    struct Case
    {
        double width, height;
        TOrientation orientation;
        float headerWidth, headerHeight;
        std::uint8_t orientationByte;
    };
    for (const Case& c : {Case{0, 0, TOrientation::poLandScape, 11, 8.5f, 1},
                          Case{5, 7, TOrientation::poDefault, 5, 7, 0},
                          Case{5, 0, TOrientation::poDefault, 8.5f, 11, 0},
                          Case{5, 7, TOrientation::poLandScape, 7, 5, 1}}) {
        const Bytes data = RunJob([](TPageStreamWriter&) {},
                                  [&](TPageStreamWriter& w) {
                                      w.OnBeforePrint = [&](TOutputEngine& e) {
                                          e.SetPaperSize(256, c.width, c.height);
                                          e.SetOrientation(c.orientation);
                                      };
                                  });
        Walker header(data);
        header.Seek(21);
        EXPECT_EQ(header.Single(), c.headerWidth) << c.width;
        EXPECT_EQ(header.Single(), c.headerHeight) << c.width;
        EXPECT_EQ(data[45], c.orientationByte);
        const PageRecord page = Walker(data).Walk().pages.at(0);
        EXPECT_EQ(page.width, c.headerWidth);
        EXPECT_EQ(page.height, c.headerHeight);
    }
}

TEST(PageStreamWriterTest, AnEmptyPageIsTheStateDumpThenEndOfPage)
{
    const Bytes data = RunJob([](TPageStreamWriter&) {});
    Bytes page = {80};
    Append<std::int32_t>(page, 0);  // previous
    Append<std::int32_t>(page, 0);  // next
    Append<std::uint16_t>(page, 1); // page number
    Append<float>(page, 8.5f);
    Append<float>(page, 11.0f);
    page.insert(page.end(), {41, 0, 0, 0, 0, 42, 1, 43, 0}); // black clear brush, no pattern
    page.insert(page.end(), {51, 5,  'A', 'r', 'i', 'a', 'l', 52, 0, 0,  0, 0,  53, 0, 63, 1, 55,
                             0,  57, 0,   56,  0,   58,  0,   59, 0, 60, 0, 61, 0,  0, 62, 0, 54});
    Append<float>(page, static_cast<float>(83.0 / 600)); // 10 pt at 600 dpi is 83 pixels
    Append<float>(page, SampleWidth("Arial", false, 83));
    page.insert(page.end(), {71, 0, 0, 0, 0, 72, 4, 73, 0, 74});
    Append<float>(page, static_cast<float>(1.0 / 600));
    page.push_back(28);
    Append<float>(page, 100);
    page.push_back(29);
    Append<float>(page, 100);
    page.insert(page.end(), {26, 0, 27, 0xFF, 0xFF, 0xFF, 0x00, 82});
    EXPECT_EQ(Slice(data, 59, data.size() - 59), page);
}

TEST(PageStreamWriterTest, StringLengthEncodings)
{
    struct Case
    {
        std::size_t length;
        Bytes prefix;
    };
    for (const Case& c : {Case{0, {0x00}}, Case{191, {0xBF}}, Case{192, {0xC0, 0xC0}},
                          Case{300, {0xC1, 0x2C}}, Case{16383, {0xFF, 0xFF}}}) {
        const std::string text(c.length, 'x');
        const Bytes data = RunJob([&](TPageStreamWriter& w) { w.LeftText(text, 1); });
        const PageRecord page = Walker(data).Walk().pages.at(0);
        const Command& cmd = page.commands.at(page.commands.size() - 2);
        ASSERT_EQ(cmd.code, 24) << c.length;
        EXPECT_EQ(Slice(data, cmd.offset + 5, c.prefix.size()), c.prefix) << c.length;
        EXPECT_EQ(cmd.size, 1 + 4 + c.prefix.size() + c.length + 4);
    }
}

TEST(PageStreamWriterTest, ATextTooLongForTheFormatFailsAndTheFileStaysWhole)
{
    TPageStreamWriter writer(SharedFonts());
    writer.OnPrint = [](TOutputEngine& e) {
        e.LeftText("before", 1);
        e.LeftText(std::string(16384, 'y'), 1);
    };
    try {
        writer.RunJob();
        FAIL() << "no error";
    } catch (const gq::Error& e) {
        EXPECT_NE(std::string(e.what()).find("16384 bytes"), std::string::npos) << e.what();
    }
    const Bytes& data = writer.MemoryData();
    const Stream s = Walker(data).Walk();
    EXPECT_EQ(s.pageCount, 1);
    ASSERT_EQ(s.pages.size(), 1u);
    EXPECT_EQ(DrawingCodes(s.pages[0]), (std::vector<int>{24, 82}));
}

TEST(PageStreamWriterTest, FontCommandsOnlyForWhatChanged)
{
    TFontSpec red = Arial(25);
    red.Color = 0x0000FF;
    TFontSpec mono = Arial(25, true);
    mono.Name = "Courier New";
    struct Step
    {
        std::function<void(TOutputEngine&)> draw;
        std::vector<int> codes;
    };
    const std::vector<Step> steps = {
        {[](TOutputEngine& e) { Text(e, Arial(12), "1"); }, {54, 83, 24}},
        {[](TOutputEngine& e) { Text(e, Arial(12), "2"); }, {83, 24}},
        {[](TOutputEngine& e) { Text(e, Arial(25), "3", 1, 1, TPrintJustify::pjCenter); },
         {54, 83, 23}},
        {[](TOutputEngine& e) { Text(e, Arial(25, true), "4"); }, {55, 54, 83, 24}},
        {[=](TOutputEngine& e) { Text(e, mono, "5"); }, {51, 54, 83, 24}},
        {[=](TOutputEngine& e) { Text(e, red, "6"); }, {51, 52, 55, 54, 83, 24}},
        {[=](TOutputEngine& e) { Text(e, red, "7"); }, {83, 24}},
    };
    const Bytes data = RunJob([&](TPageStreamWriter& w) {
        for (const Step& s : steps)
            s.draw(w);
    });
    std::vector<int> expected;
    for (const Step& s : steps)
        expected.insert(expected.end(), s.codes.begin(), s.codes.end());
    expected.push_back(82);
    EXPECT_EQ(DrawingCodes(Walker(data).Walk().pages.at(0)), expected);
}

TEST(PageStreamWriterTest, RotationIsResetByApplyFontAndSetAgain)
{
    const Bytes data = RunJob([](TPageStreamWriter& w) {
        for (int i = 0; i < 2; ++i) {
            w.ApplyFont(Arial(10));
            w.SetFontRotation(450);
            w.SetBaselineFromTop(1);
            w.LeftText("r", 1);
        }
    });
    const PageRecord page = Walker(data).Walk().pages.at(0);
    EXPECT_EQ(DrawingCodes(page), (std::vector<int>{61, 83, 24, 61, 61, 83, 24, 82}));
    // 450 degrees is written as 90.
    const auto& rotate = page.commands.at(page.commands.size() - 8);
    ASSERT_EQ(rotate.code, 61);
    EXPECT_EQ(data[rotate.offset + 1], 90);
}

TEST(PageStreamWriterTest, TheHeightCommandCarriesTheSampleWidthInTheNewFont)
{
    const Bytes data = RunJob([](TPageStreamWriter& w) { Text(w, Arial(25, true), "x"); });
    const PageRecord page = Walker(data).Walk().pages.at(0);
    const auto it = std::find_if(page.commands.rbegin(), page.commands.rend(),
                                 [](const Command& c) { return c.code == 54; });
    ASSERT_NE(it, page.commands.rend());
    float height, sample;
    std::memcpy(&height, data.data() + it->offset + 1, 4);
    std::memcpy(&sample, data.data() + it->offset + 5, 4);
    EXPECT_EQ(height, static_cast<float>(208.0 / 600));
    EXPECT_EQ(sample, SampleWidth("Arial", true, 208));
}

TEST(PageStreamWriterTest, PenWidthOnlyWhenItChanges)
{
    auto line = [](TOutputEngine& e, int width) {
        e.SelectPen(clBlack, TPenStyle::psSolid, width, TPenMode::pmCopy);
        e.MoveTo(0.5, 1);
        e.LineTo(8, 1);
    };
    const Bytes data = RunJob([&](TPageStreamWriter& w) {
        for (int width : {10, 5, 10, 5})
            line(w, width);
        w.NextPage();
        for (int width : {10, 10, 10})
            line(w, width);
    });
    const Stream s = Walker(data).Walk();
    EXPECT_EQ(DrawingCodes(s.pages.at(0)),
              (std::vector<int>{74, 12, 11, 74, 12, 11, 74, 12, 11, 74, 12, 11, 82}));
    // The new page's dump already holds the 5-pixel pen.
    EXPECT_EQ(DrawingCodes(s.pages.at(1)), (std::vector<int>{74, 12, 11, 12, 11, 12, 11, 82}));
    const Command& width = s.pages[0].commands.at(s.pages[0].commands.size() - 13);
    ASSERT_EQ(width.code, 74);
    float inches;
    std::memcpy(&inches, data.data() + width.offset + 1, 4);
    EXPECT_EQ(inches, static_cast<float>(10.0 / 600));
    // MoveTo and LineTo carry the points in inches.
    Bytes move = {12};
    Append<float>(move, 0.5f);
    Append<float>(move, 1.0f);
    EXPECT_EQ(Slice(data, width.offset + 5, 9), move);
}

TEST(PageStreamWriterTest, AFullPenChangeWritesEachAttributeOnceInSettingOrder)
{
    const Bytes data = RunJob(
        [](TPageStreamWriter& w) { w.SelectPen(0x00FF00, TPenStyle::psDot, 3, TPenMode::pmXor); });
    EXPECT_EQ(DrawingCodes(Walker(data).Walk().pages.at(0)),
              (std::vector<int>{71, 72, 74, 73, 82}));
}

TEST(PageStreamWriterTest, PagesOutsideTheRangeLeaveNoRecord)
{
    const Bytes data = RunJob(
        [](TPageStreamWriter& w) {
            for (int i = 0; i < 4; ++i) {
                w.LeftText("page " + std::to_string(w.CurrentPage()), 1);
                if (i < 3)
                    w.NextPage();
            }
        },
        [](TPageStreamWriter& w) {
            w.SetFirstPage(2);
            w.SetLastPage(3);
        });
    const Stream s = Walker(data).Walk();
    EXPECT_EQ(s.pageCount, 2);
    ASSERT_EQ(s.pages.size(), 2u);
    EXPECT_EQ(s.pages[0].number, 1);
    EXPECT_EQ(s.pages[1].number, 2);
    EXPECT_EQ(s.pages[0].next, static_cast<std::int32_t>(s.pages[1].offset));
    // The last page output is followed by a skipped page: its forward link still ends the chain.
    EXPECT_EQ(s.pages[1].next, 0);
    Walker texts(data);
    texts.Seek(s.pages[1].commands.at(s.pages[1].commands.size() - 2).offset + 5);
    EXPECT_EQ(texts.String(), "page 3");
}

TEST(PageStreamWriterTest, ModeAndStateCommands)
{
    const Bytes data = RunJob([](TPageStreamWriter& w) {
        w.MarkAllOutputs(); // already so
        w.MarkPreviewOnly();
        w.MarkPreviewOnly();
        w.MarkPrinterOnly();
        w.MarkAllOutputs();
        w.SetOrientation(TOrientation::poLandScape);
        w.SelectBin("Tray 2");
        w.SetScaleX(50);
        w.SetTextBKMode(TBKMode::bkOpaque);
        w.SetBackgroundColor(0x123456);
        w.SelectBrush(0x00FF00, TBrushStyle::bsSolid);
        w.NextPage();
    });
    const Stream s = Walker(data).Walk();
    EXPECT_EQ(DrawingCodes(s.pages.at(0)),
              (std::vector<int>{84, 85, 86, 87, 88, 28, 26, 27, 41, 42, 82}));
    // The orientation change turns the next page.
    EXPECT_EQ(s.pages.at(1).width, 11.0f);
    EXPECT_EQ(s.pages.at(1).height, 8.5f);
}

TEST(PageStreamWriterTest, CoordinatesAreScaled)
{
    const Bytes data = RunJob([](TPageStreamWriter& w) {
        w.SetScaleX(50);
        w.SetScaleY(200);
        w.MoveTo(2, 3);
        w.SetCursorY(1);
        w.BlockText("b", 1, 4);
    });
    const PageRecord page = Walker(data).Walk().pages.at(0);
    Bytes expected = {12};
    Append<float>(expected, 1.0f);
    Append<float>(expected, 6.0f);
    expected.push_back(33);
    Append<float>(expected, 2.0f);
    expected.insert(expected.end(), {1, 'b'});
    Append<float>(expected, 0.5f);
    Append<float>(expected, 2.0f);
    const std::size_t move = page.commands.at(page.commands.size() - 3).offset;
    EXPECT_EQ(Slice(data, move, expected.size()), expected);
}

TEST(PageStreamWriterTest, APictureDrawnTwiceIsAReferenceTheSecondTime)
{
    auto picture = std::make_shared<TPicture>();
    picture->Kind = TGraphicKind::Bitmap;
    picture->Data = {1, 2, 3, 4, 5};
    const Bytes data = RunJob([&](TPageStreamWriter& w) {
        w.Draw(1, 1, picture);
        w.Draw(2, 2, picture);
    });
    const PageRecord page = Walker(data).Walk().pages.at(0);
    const Command first = page.commands.at(page.commands.size() - 3);
    const Command second = page.commands.at(page.commands.size() - 2);
    ASSERT_EQ(first.code, 5);
    ASSERT_EQ(second.code, 5);
    EXPECT_EQ(data[first.offset + 1], 1);
    EXPECT_EQ(data[second.offset + 1], 129);
    std::int32_t ref;
    std::memcpy(&ref, data.data() + second.offset + 2, 4);
    EXPECT_EQ(static_cast<std::size_t>(ref), first.offset + 2);
    EXPECT_EQ(data[static_cast<std::size_t>(ref)], 5); // the size field of the full copy
}

TEST(PageStreamWriterTest, PageHeadersReferToTheLatestVariableDefinition)
{
    const Bytes data = RunJob([](TPageStreamWriter& w) {
        w.DefineVariable("Total", 8, "12");
        w.DefineVariable("Total", 8, "345");
        EXPECT_THROW(w.DefineVariable("Big", 2, "abc"), gq::Error);
        w.NextPage();
    });
    const Stream s = Walker(data).Walk();
    ASSERT_EQ(s.pages.size(), 2u);
    // Page 2's dump ends with the reference: 37, "Total", 4, 254, Long offset.
    const Command& reference = s.pages[1].commands.at(s.pages[1].commands.size() - 2);
    ASSERT_EQ(reference.code, 37);
    Walker read(data);
    read.Seek(reference.offset + 1);
    EXPECT_EQ(read.String(), "Total");
    EXPECT_EQ(read.Byte(), 4);
    EXPECT_EQ(read.Byte(), 254);
    read.Seek(static_cast<std::size_t>(read.Long()));
    EXPECT_EQ(read.Byte(), 8);
    EXPECT_EQ(read.Byte(), 3);
    EXPECT_EQ(read.Byte(), '3');
    EXPECT_EQ(read.Byte(), '4');
    EXPECT_EQ(read.Byte(), '5');
}

TEST(PageStreamWriterTest, EveryCommandReadsBackWithItsOperands)
{
    auto picture = std::make_shared<TPicture>();
    picture->Kind = TGraphicKind::Icon;
    picture->Data = {9, 8, 7};
    auto pattern = std::make_shared<TPicture>();
    pattern->Data = {1};
    const TPixelRect rect{60, 120, 600, 900};
    const Bytes data = RunJob([&](TPageStreamWriter& w) {
        w.Arc(1, 1, 2, 2, 1, 1, 2, 2);
        w.BrushCopy(rect, picture, rect, clWhite);
        w.Chord(1, 1, 2, 2, 1, 1, 2, 2);
        w.Draw(1, 1, picture);
        w.DrawFocusRect(rect);
        w.Ellipse(1, 1, 2, 2);
        w.FillRect(rect);
        w.FloodFill(1, 1, clBlack, 1);
        w.FrameRect(rect);
        w.Pie(1, 1, 2, 2, 1, 1, 2, 2);
        w.Polygon({{0, 0}, {600, 0}, {600, 600}});
        w.PolyLine({{0, 0}, {600, 600}});
        w.PrintBitmap(1, 1, 2, 2, picture);
        w.PrintBitmapRect(1, 1, 2, 2, picture, true);
        w.Rectangle(1, 1, 2, 2);
        w.Rectangle2(1, 1, 2, 2);
        w.RoundRect(1, 1, 2, 2, 0.1, 0.1);
        w.StretchDraw(rect, picture);
        w.TextRect(rect, 1, 1, "boxed");
        w.SpecialText("special");
        w.RawData({1, 2, 3});
        w.SetDrawingMode(2);
        w.PrintImageRect(1, 1, 2, 2, {0xFF, 0xD8}, "JPEG");
        w.SelectBrush(clBlack, TBrushStyle::bsCross, pattern);
        w.SelectBrush(clBlack, TBrushStyle::bsCross, nullptr);
        w.SetScaleY(90);
    });
    // Changing ScaleY changes the font's pixel height, hence 29 and then 54.
    EXPECT_EQ(DrawingCodes(Walker(data).Walk().pages.at(0)),
              (std::vector<int>{1,  2,  3,  5,  6,  7,  8,  9,  10, 13, 14, 15, 34, 16, 34, 17,
                                18, 19, 20, 21, 22, 30, 31, 35, 34, 36, 42, 43, 43, 29, 54, 82}));
    // Device-pixel rectangles are written in inches: 60 / 600 = 0.1, 120 / 600 = 0.2, ...
    Walker read(data);
    const PageRecord page = Walker(data).Walk().pages.at(0);
    const auto it = std::find_if(page.commands.begin(), page.commands.end(),
                                 [](const Command& c) { return c.code == 8; });
    ASSERT_NE(it, page.commands.end());
    read.Seek(it->offset + 1);
    EXPECT_EQ(read.Single(), 0.1f);
    EXPECT_EQ(read.Single(), 0.2f);
    EXPECT_EQ(read.Single(), 1.0f);
    EXPECT_EQ(read.Single(), 1.5f);
}

// A job big enough to pass the 16384-byte buffer several times, with one write larger than it.
void LargeJob(TPageStreamWriter& w)
{
    for (int page = 0; page < 3; ++page) {
        if (page > 0)
            w.NextPage();
        for (int i = 0; i < 600; ++i) {
            w.SelectPen(clBlack, TPenStyle::psSolid, i % 2 ? 10 : 5, TPenMode::pmCopy);
            w.MoveTo(0.5, i / 100.0);
            w.LineTo(8, i / 100.0);
            Text(w, Arial(10 + i % 3), std::to_string(i), 1, i / 100.0, TPrintJustify::pjCenter);
        }
        w.RawData(Bytes(20000, static_cast<std::uint8_t>(page)));
    }
}

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(PageStreamWriterTest, EveryStreamModeWritesTheSameBytes)
{
    const Bytes memory = RunJob(LargeJob);
    ASSERT_GT(memory.size(), 3 * kStreamBufferSize);
    const Stream s = Walker(memory).Walk();
    EXPECT_EQ(s.pages.size(), 3u);

    const testsupport::TTempFolder scratch("gq-pagestream");
    const fs::path& folder = scratch.Path();
    {
        const fs::path path = folder / "memory.pgs";
        RunJob(LargeJob, [&](TPageStreamWriter& w) { w.SetFileName(path.string()); });
        EXPECT_EQ(ReadFile(path), memory);
        fs::remove(path);
    }
    {
        const fs::path path = folder / "direct.pgs";
        RunJob(LargeJob, [&](TPageStreamWriter& w) {
            w.SetStreamMode(TStreamMode::smFile);
            w.SetFileName(path.string());
        });
        EXPECT_EQ(ReadFile(path), memory);
        fs::remove(path);
    }
    {
        std::stringstream user;
        user << "stale bytes that the job must overwrite from the start";
        RunJob(LargeJob, [&](TPageStreamWriter& w) {
            w.SetStreamMode(TStreamMode::smUser);
            w.SetStream(&user);
        });
        const std::string text = user.str();
        EXPECT_EQ(Bytes(text.begin(), text.end()), memory);
    }
    {
        TPageStreamWriter writer(SharedFonts());
        writer.SetStreamMode(TStreamMode::smTempFile);
        writer.SetTempFolder(folder.string());
        writer.OnPrint = [&](TOutputEngine&) { LargeJob(writer); };
        writer.RunJob();
        const fs::path made = writer.FileName();
        EXPECT_EQ(made.parent_path(), folder);
        EXPECT_EQ(made.filename().string().substr(0, 2), "PS");
        EXPECT_EQ(ReadFile(made), memory);
        fs::remove(made);
    }
    {
        // Written at offsets, with the header's page count and each page's link patched in.
        const fs::path path = folder / "descriptor.pgs";
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        RunJob(LargeJob, [&](TPageStreamWriter& w) {
            w.SetStreamMode(TStreamMode::smDescriptor);
            w.SetStreamDescriptor(fd, path.string());
        });
        ::close(fd);
        EXPECT_EQ(ReadFile(path), memory);
    }
}

TEST(PageStreamWriterTest, MediumFailuresAreClearErrors)
{
    auto expectError = [](const std::function<void(TPageStreamWriter&)>& setUp,
                          const std::string& part) {
        TPageStreamWriter writer(SharedFonts());
        setUp(writer);
        try {
            writer.RunJob();
            ADD_FAILURE() << "no error, expected " << part;
        } catch (const gq::Error& e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
        EXPECT_FALSE(writer.Printing());
    };
    const std::string bad = "/nonexistent-folder/x/book.pgs";
    expectError(
        [&](TPageStreamWriter& w) {
            w.SetStreamMode(TStreamMode::smFile);
            w.SetFileName(bad);
        },
        bad);
    expectError([&](TPageStreamWriter& w) { w.SetFileName(bad); }, bad);
    expectError(
        [&](TPageStreamWriter& w) {
            w.SetStreamMode(TStreamMode::smTempFile);
            w.SetTempFolder("/nonexistent-folder");
        },
        "/nonexistent-folder");
    // A descriptor that cannot be written (opened for reading) names the file it stands for.
    const testsupport::TTempFolder scratch("gq-pagestream");
    const fs::path readOnly = scratch / "read-only.pgs";
    std::ofstream(readOnly).put('x');
    const int fd = ::open(readOnly.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    expectError(
        [&](TPageStreamWriter& w) {
            w.SetStreamMode(TStreamMode::smDescriptor);
            w.SetStreamDescriptor(fd, readOnly.string());
        },
        readOnly.string());
    ::close(fd);
}

TEST(PageStreamWriterTest, AMediumLeftUnsetIsABugThatEndsTheJob)
{
    auto expectBug = [](TStreamMode mode, const std::string& message) {
        TPageStreamWriter writer(SharedFonts());
        writer.SetStreamMode(mode);
        try {
            writer.RunJob();
            ADD_FAILURE() << "no error, expected " << message;
        } catch (const std::logic_error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_FALSE(writer.Printing());
    };
    expectBug(TStreamMode::smUser, "internal error: StreamMode is smUser but Stream is nil");
    expectBug(TStreamMode::smDescriptor,
              "internal error: StreamMode is smDescriptor but no descriptor is set");
    expectBug(TStreamMode::smFile,
              "internal error: Cannot create the page-stream file: no file name is set");
}

TEST(PageStreamWriterTest, ATitleTooLongForTheHeaderFailsBeforeTheJobStarts)
{
    const testsupport::TTempFolder scratch("gq-pagestream");
    const fs::path path = scratch / "title.pgs";
    TPageStreamWriter writer(SharedFonts());
    writer.SetStreamMode(TStreamMode::smFile);
    writer.SetFileName(path.string());
    writer.SetTitle(std::string(20000, 't'));
    EXPECT_THROW(writer.RunJob(), gq::Error);
    EXPECT_FALSE(writer.Printing());
    writer.SetTitle("Grid Report");
    writer.RunJob();
    EXPECT_EQ(Slice(ReadFile(path), 0, 15), Slice(kThreePageHeader, 0, 15));
}

// Document settings turn the header into version 2019 with the settings block after the
// output name; back at their defaults the header is 2017 again, byte for byte.
TEST(PageStreamWriterTest, DocumentSettingsEndTheJobHeaderOfVersion2019)
{
    TPageStreamWriter writer(SharedFonts());
    writer.SetCopies(2);
    writer.OnPrint = [&](TOutputEngine& e) {
        e.NextPage();
        e.NextPage();
    };
    writer.SetDocumentSettings({.PdfX = true, .Title = "Caf\xE9"});
    writer.RunJob();
    Bytes data = writer.MemoryData();
    Bytes expected = kThreePageHeader;
    expected[1] = 0xE3; // 2019
    // PDF/X, five Strings: the title, then an empty author, keywords, creator and producer.
    const Bytes block = {0x01, 0x05, 0x04, 'C', 'a', 'f', 0xE9, 0x00, 0x00, 0x00, 0x00};
    expected.insert(expected.end(), block.begin(), block.end());
    EXPECT_EQ(Slice(data, 0, expected.size()), expected);
    EXPECT_EQ(data[expected.size()], 80); // the first page follows at once

    writer.SetDocumentSettings({.Author = "A"}); // one setting is enough
    writer.RunJob();
    EXPECT_EQ(writer.MemoryData()[1], 0xE3);
    EXPECT_EQ(Slice(writer.MemoryData(), 59, 6), (Bytes{0x00, 0x05, 0x00, 0x01, 'A', 0x00}));

    writer.SetDocumentSettings(
        {.PrintReady = true, .Keywords = "k,w", .Creator = "C", .Producer = "P"});
    writer.RunJob();
    EXPECT_EQ(Slice(writer.MemoryData(), 59, 12),
              (Bytes{0x02, 0x05, 0x00, 0x00, 0x03, 'k', ',', 'w', 0x01, 'C', 0x01, 'P'}));

    writer.SetDocumentSettings({});
    writer.RunJob();
    EXPECT_EQ(Slice(writer.MemoryData(), 0, 59), kThreePageHeader);
    EXPECT_EQ(writer.MemoryData()[59], 80);
}

TEST(PageStreamWriterTest, ADocumentTextTooLongForTheHeaderFailsBeforeTheJobStarts)
{
    const testsupport::TTempFolder scratch("gq-pagestream");
    const fs::path path = scratch / "author.pgs";
    TPageStreamWriter writer(SharedFonts());
    writer.SetStreamMode(TStreamMode::smFile);
    writer.SetFileName(path.string());
    const std::string tooLong(16384, 'a');
    for (const TDocumentSettings& settings :
         {TDocumentSettings{.Author = tooLong}, TDocumentSettings{.Keywords = tooLong},
          TDocumentSettings{.Producer = tooLong}}) {
        writer.SetDocumentSettings(settings);
        try {
            writer.RunJob();
            ADD_FAILURE() << "a document text of 16384 bytes was written";
        } catch (const gq::Error& e) {
            EXPECT_NE(std::string(e.what()).find("16384 bytes"), std::string::npos) << e.what();
        }
        EXPECT_FALSE(writer.Printing());
        EXPECT_FALSE(fs::exists(path));
    }
}

// A page like the book's: a title, a grid of 10- and 5-pixel lines, centred digits.
void BookLikeJob(TPageStreamWriter& w)
{
    for (int page = 0; page < 2; ++page) {
        if (page > 0)
            w.NextPage();
        Text(w, Arial(25), "Very Easy Sudoku", 0.5, 0.4);
        for (int i = 0; i <= 9; ++i) {
            const int width = i % 3 == 0 ? 10 : 5;
            w.SelectPen(clBlack, TPenStyle::psSolid, width, TPenMode::pmCopy);
            w.MoveTo(0.5, 1.79 + i * 0.84);
            w.LineTo(8.06, 1.79 + i * 0.84);
            w.MoveTo(0.5 + i * 0.84, 1.79);
            w.LineTo(0.5 + i * 0.84, 9.35);
        }
        for (int cell = 0; cell < 9; ++cell)
            Text(w, Arial(25), std::to_string(cell + 1), 0.5 + cell * 0.84, 1.95 + cell * 0.84,
                 TPrintJustify::pjCenter);
        Text(w, Arial(12), "Page " + std::to_string(page + 1), 0.5, 10.3);
    }
}

TEST(PageStreamWriterTest, BookLikeJobMatchesTheGoldenFile)
{
    const Bytes data = RunJob(BookLikeJob);
    const fs::path golden = fs::path(GQ_TEST_DATA_DIR) / "pagestream" / "book-like.pgs";
    if (std::getenv("GQ_UPDATE_GOLDEN")) {
        fs::create_directories(golden.parent_path());
        std::ofstream(golden, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()),
                   static_cast<std::streamsize>(data.size()));
    }
    const Bytes expected = ReadFile(golden);
    if (data != expected) {
        std::ofstream("book-like.pgs.actual", std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()),
                   static_cast<std::streamsize>(data.size()));
        std::size_t at = 0;
        while (at < data.size() && at < expected.size() && data[at] == expected[at])
            ++at;
        FAIL() << "differs from " << golden << " at offset " << at
               << "; written book-like.pgs.actual";
    }
    const Stream s = Walker(data).Walk();
    EXPECT_EQ(s.pageCount, 2);
}

} // namespace
} // namespace gq::report
