#include "pdf/StreamPlayer.h"

#include "PageStreamJobs.h"
#include "PdfTestSupport.h"
#include "pdf/PdfError.h"
#include "pdf/PdfFormat.h"
#include "pdf/RenderBase.h"

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <stdexcept>

namespace gq::pdf
{
namespace
{

using Calls = std::vector<std::string>;
using test::TCode;
using test::TStreamBuilder;

std::string Num(double v) { return FormatGeneral3(v); }

// Writes every renderer call as a short text.
class TRecorder : public TRenderBase
{
  public:
    Calls Log;
    bool LogFonts = false;

    TRecorder() { Clock = test::FixedDate; }

    void ApplyDocumentSettings(const report::TDocumentSettings& d) override
    {
        Log.push_back(std::string("Document") + (d.PdfX ? " X" : "") +
                      (d.PrintReady ? " P" : "") + " [" + d.Title + "] [" + d.Author + "]" +
                      (d.Keywords.empty() ? "" : " [" + d.Keywords + "]"));
    }
    void BeginDocument() override { Log.push_back("BeginDocument"); }
    void EndDocument() override { Log.push_back("EndDocument"); }
    void BeginPage() override
    {
        Log.push_back("BeginPage " + Num(PageWidth) + "x" + Num(PageHeight));
    }
    void EndPage() override { Log.push_back("EndPage"); }
    void FontUpdated(const TPlayerFont& f) override
    {
        if (LogFonts)
            Log.push_back("Font " + f.Name + " " + std::to_string(f.Size) + (f.Bold ? " B" : "") +
                          (f.Italic ? " I" : "") + (f.Underline ? " U" : "") +
                          (f.StrikeOut ? " K" : ""));
    }
    void TextLeft(const std::string& t, double x, double y) override
    {
        Log.push_back("Left " + t + " " + Num(x) + " " + Num(y));
    }
    void TextCentred(const std::string& t, double x, double y) override
    {
        Log.push_back("Centred " + t + " " + Num(x) + " " + Num(y));
    }
    void TextRight(const std::string& t, double x, double y) override
    {
        Log.push_back("Right " + t + " " + Num(x) + " " + Num(y));
    }
    void TextInWidth(const std::string& t, double x, double y, double w) override
    {
        Log.push_back("Width [" + t + "] " + Num(x) + " " + Num(y) + " " + Num(w));
    }
    void MovePen(double x, double y) override { Log.push_back("Move " + Num(x) + " " + Num(y)); }
    void LineToPoint(double x, double y) override
    {
        Log.push_back("Line " + Num(x) + " " + Num(y));
    }
    void DrawGraphicAt(const TPicture& p, double, double) override
    {
        Log.push_back("Graphic " + std::string(p.Data.begin(), p.Data.end()));
    }
    void DrawPolyline(std::span<const TUnitPoint> points, int last) override
    {
        Log.push_back("Polyline " + std::to_string(last) + " " + std::to_string(points[1].X));
    }
};

// Plays `bytes`; returns the calls, or the calls and the error text after " ! ".
Calls Play(const std::vector<std::uint8_t>& bytes, TRecorder& r)
{
    try {
        r.RenderStream(bytes);
    } catch (const TPageStreamError& e) {
        r.Log.push_back(std::string("! ") + e.what() + " @" + std::to_string(e.Offset));
    }
    return r.Log;
}

Calls Play(const std::vector<std::uint8_t>& bytes)
{
    TRecorder r;
    return Play(bytes, r);
}

TStreamBuilder Page(int pageCount = 1)
{
    TStreamBuilder b;
    b.JobHeader(pageCount);
    b.PageHeader(1);
    b.StateDump(12);
    return b;
}

TEST(StreamPlayer, PlaysTextsAndLinesInStreamOrder)
{
    auto b = Page();
    b.Text(TCode::LeftText, 2, "left", 1);
    b.Text(TCode::CenterText, 2.5f, "mid", 1.5f);
    b.Text(TCode::RightText, 3, "right", 2);
    b.Text(TCode::LeftText, 3, "", 2); // empty: no call
    b.Code(TCode::BlockText), b.Single(4), b.String(""), b.Single(1),
        b.Single(0); // called also when empty
    b.Code(TCode::BlockText), b.Single(5), b.String("blk"), b.Single(1), b.Single(2.5f);
    b.MoveTo(1, 1);
    b.LineTo(2, 1);
    b.LineTo(2, 2);
    b.EndPage();
    EXPECT_EQ(Play(b.Bytes),
              (Calls{"BeginDocument", "BeginPage 8.5x11", "Left left 1 2", "Centred mid 1.5 2.5",
                     "Right right 2 3", "Width [] 1 4 0", "Width [blk] 1 5 2.5", "Move 1 1",
                     "Line 2 1", "Move 2 1", "Line 2 2", "EndPage", "EndDocument"}));
}

TEST(StreamPlayer, LineWithoutMoveStartsAtTheLastPointAcrossPages)
{
    TStreamBuilder b;
    b.JobHeader(2);
    b.PageHeader(1);
    b.LineTo(1, 2); // from (0, 0)
    b.EndPage();
    b.PageHeader(2, 11, 8.5f);
    b.LineTo(3, 4); // from (1, 2)
    b.EndPage();
    EXPECT_EQ(Play(b.Bytes),
              (Calls{"BeginDocument", "BeginPage 8.5x11", "Move 0 0", "Line 1 2", "EndPage",
                     "BeginPage 11x8.5", "Move 1 2", "Line 3 4", "EndPage", "EndDocument"}));
}

// Three empty pages as the writer lays them out: the 59-byte job header, then records of 20
// bytes at 59, 79 and 99, the stream ending at 119.
TStreamBuilder ThreePages()
{
    TStreamBuilder b;
    b.JobHeader(3);
    for (int page = 1; page <= 3; ++page)
        b.PageHeader(page), b.EndPage();
    return b;
}

void PatchWord(TStreamBuilder& b, std::size_t at, std::uint16_t v)
{
    b.Bytes[at] = static_cast<std::uint8_t>(v & 0xFF);
    b.Bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

TEST(StreamPlayer, PagesMustAgreeWithTheHeaderAndTheirChain)
{
    constexpr std::size_t kCountAt = 15, kPage1 = 59, kPage2 = 79, kPage3 = 99, kEnd = 119;
    EXPECT_EQ(Play(ThreePages().Bytes).size(), 8u) << "three pages between Begin/EndDocument";

    struct TCase
    {
        const char* What;
        std::function<void(TStreamBuilder&)> Damage;
        std::size_t Offset;
        const char* Message;
    };
    const TCase cases[] = {
        {"count 1", [](auto& b) { PatchWord(b, kCountAt, 1); }, kPage2,
         "the job header says the stream holds 1 page, but page 2 follows"},
        {"count 0", [](auto& b) { PatchWord(b, kCountAt, 0); }, kPage1,
         "the job header says the stream holds 0 pages, but page 1 follows"},
        {"count -1", [](auto& b) { PatchWord(b, kCountAt, 0xFFFF); }, kEnd,
         "the job header says the stream holds 65535 pages, but it ends after page 3"},
        {"count 24", [](auto& b) { PatchWord(b, kCountAt, 24); }, kEnd,
         "the job header says the stream holds 24 pages, but it ends after page 3"},
        {"page 3 numbered 25", [](auto& b) { PatchWord(b, kPage3 + 9, 25); }, kPage3 + 9,
         "page 3 is numbered 25"},
        {"page 1 numbered 0", [](auto& b) { PatchWord(b, kPage1 + 9, 0); }, kPage1 + 9,
         "page 1 is numbered 0"},
        {"previous of page 1", [](auto& b) { b.PatchLong(kPage1 + 1, 59); }, kPage1 + 1,
         "page 1's previous-page offset is 59, not 0"},
        {"previous of page 3", [](auto& b) { b.PatchLong(kPage3 + 1, kPage1); }, kPage3 + 1,
         "page 3's previous-page offset is 59, but page 2 begins at byte offset 79"},
        {"next of page 1", [](auto& b) { b.PatchLong(kPage1 + 5, kPage3); }, kPage1 + 5,
         "page 1's next-page offset is 99, but page 2 begins at byte offset 79"},
        {"next of page 3", [](auto& b) { b.PatchLong(kPage3 + 5, kPage3); }, kPage3 + 5,
         "page 3 is the last page, but its next-page offset is 99, not 0"},
        {"one byte after the end", [](auto& b) { b.Byte(0); }, kEnd,
         "1 byte follows the end of the last page"},
        {"64 KiB of zeros after the end", [](auto& b) { b.Bytes.resize(kEnd + 65536); }, kEnd,
         "65536 bytes follow the end of the last page"},
        {"a fourth page the header leaves out", [](auto& b) { b.PageHeader(4), b.EndPage(); }, kEnd,
         "the job header says the stream holds 3 pages, but page 4 follows"},
    };
    for (const TCase& c : cases) {
        TStreamBuilder b = ThreePages();
        c.Damage(b);
        TRecorder r;
        try {
            r.RenderStream(b.Bytes);
            ADD_FAILURE() << c.What << ": played";
        } catch (const TPageStreamError& e) {
            EXPECT_EQ(e.Offset, c.Offset) << c.What;
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos)
                << c.What << ": " << e.what();
        }
    }
}

TEST(StreamPlayer, FontSizesRoundHalvesToEven)
{
    for (auto [height, size] : {std::pair{0.1666f, 12}, {0.1875f, 14}, {0.3125f, 22}}) {
        auto b = Page();
        b.FontHeight(height);
        b.EndPage();
        TRecorder r;
        r.LogFonts = true;
        Calls calls = Play(b.Bytes, r);
        EXPECT_EQ(calls[calls.size() - 3], "Font Arial " + std::to_string(size)) << height;
    }
}

TEST(StreamPlayer, FontNotificationsShowEveryIntermediateState)
{
    TStreamBuilder b;
    b.JobHeader(1);
    b.PageHeader(1);
    b.Code(TCode::FontName), b.String("Arial");
    b.Code(TCode::FontBold), b.Byte(1);
    b.Code(TCode::FontBold), b.Byte(1); // no change: no notification
    b.Code(TCode::FontName), b.String("Times New Roman");
    b.Code(TCode::FontBold), b.Byte(0);
    b.Code(TCode::FontAlign), b.Byte(0); // always notifies
    b.FontHeight(10.0f / 72.0f);
    // Code 50 switches styles on only.
    b.Code(TCode::Font), b.String("Arial"), b.Long(0), b.Byte(0), b.Single(12.0f / 72.0f);
    b.Byte(0), b.Byte(1), b.Byte(1), b.Byte(0), b.Word(0);
    b.EndPage();
    TRecorder r;
    r.LogFonts = true;
    EXPECT_EQ(Play(b.Bytes, r),
              (Calls{"BeginDocument", "BeginPage 8.5x11", "Font Arial 0", "Font Arial 0 B",
                     "Font Times New Roman 0 B", "Font Times New Roman 0", "Font Times New Roman 0",
                     "Font Times New Roman 10", "Font Arial 10", "Font Arial 12", "Font Arial 12 I",
                     "Font Arial 12 I K", "EndPage", "EndDocument"}));
}

TEST(StreamPlayer, OlderVersionsReadTheirShorterRecords)
{
    TStreamBuilder b;
    b.Code(TCode::JobHeaderQ); // version 1101: no title, no bin/collate/duplex, orientation in the
                               // page
    b.Word(1);                 // page count
    b.Word(1), b.Word(9999);
    for (int i = 0; i < 6; ++i)
        b.Single(0);
    b.Byte(0);
    b.Word(1), b.Word(1), b.Word(0), b.Word(0);
    b.String("");
    b.Code(TCode::PageHeader), b.Long(0), b.Long(0), b.Word(1), b.Byte(0);
    b.Code(TCode::FontHeight), b.Single(0.25f); // no sample width before version 2000
    b.Text(TCode::LeftText, 1, "old", 1);
    b.Code(TCode::EndPage);
    EXPECT_EQ(Play(b.Bytes),
              (Calls{"BeginDocument", "BeginPage 0x0", "Left old 1 1", "EndPage", "EndDocument"}));
}

// The settings block reaches the renderer between the header and BeginDocument; Strings beyond
// the title, author and keywords (a later version's) are passed over, fewer leave the rest
// empty (an earlier build's block of two Strings reads as before).
TEST(StreamPlayer, DocumentSettingsReachTheRendererBeforeTheDocumentBegins)
{
    struct Case
    {
        std::uint8_t Flags;
        std::vector<std::string_view> Strings;
        std::string Call;
    };
    for (const Case& c :
         {Case{1, {"T", "A"}, "Document X [T] [A]"},
          Case{3, {"T", "A", "k,w"}, "Document X P [T] [A] [k,w]"},
          Case{2, {"T", "A", "k", "later"}, "Document P [T] [A] [k]"},
          Case{1, {"Only"}, "Document X [Only] []"}, Case{0, {}, "Document [] []"}}) {
        TStreamBuilder b;
        b.DocumentJobHeader(1, c.Flags, c.Strings);
        b.PageHeader(1);
        b.Text(TCode::LeftText, 1, "p", 1);
        b.EndPage();
        EXPECT_EQ(Play(b.Bytes), (Calls{c.Call, "BeginDocument", "BeginPage 8.5x11", "Left p 1 1",
                                        "EndPage", "EndDocument"}));
    }
    // A 2017 stream carries none: the renderer is not asked.
    auto plain = Page();
    plain.EndPage();
    EXPECT_EQ(Play(plain.Bytes).front(), "BeginDocument");
}

TEST(StreamPlayer, AnUnknownDocumentFlagOrACutBlockFailsBeforeTheDocument)
{
    TStreamBuilder unknown;
    unknown.DocumentJobHeader(1, 0x05, {"T"});
    EXPECT_EQ(Play(unknown.Bytes),
              (Calls{"! page stream error at byte offset 59: unknown document-settings flags 5; "
                     "this program knows only flags 1 (PDF/X) and 2 (print-ready) @59"}));

    TStreamBuilder cut;
    cut.DocumentJobHeader(1, 0x01, {"Title"});
    cut.Bytes.resize(cut.Bytes.size() - 2); // the title's last bytes and everything after
    Calls calls = Play(cut.Bytes);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].find("ends unexpectedly"), std::string::npos) << calls[0];
}

// What the engine's writer puts in the header, the player reads back; without settings the
// header stays version 2017 and the renderer is not asked.
TEST(StreamPlayer, DocumentSettingsRoundTripThroughTheWriter)
{
    report::TPageStreamWriter writer(test::SharedFonts());
    for (const report::TDocumentSettings& settings :
         {report::TDocumentSettings{.PdfX = true,
                                    .Title = "Caf\xE9 (Nord) \xFD$PGCM10",
                                    .Author = "A. Writer \xFD$PGCV"},
          report::TDocumentSettings{.Author = "Someone"},
          report::TDocumentSettings{
              .Title = "T", .PrintReady = true, .Keywords = "printable sudoku,sudoku"},
          report::TDocumentSettings{}}) {
        writer.SetDocumentSettings(settings);
        writer.StartJob();
        writer.LeftText("x", 1);
        writer.FinishJob();
        TRecorder r;
        TStreamPlayer player(writer.MemoryData(), r);
        player.PlayAll();
        if (settings.IsDefault()) {
            EXPECT_EQ(player.Version(), report::kStreamVersion);
            EXPECT_FALSE(player.Header().Document.has_value());
            EXPECT_EQ(r.Log.front(), "BeginDocument");
        } else {
            EXPECT_EQ(player.Version(), report::kStreamVersionDocument);
            EXPECT_EQ(player.Header().Document, settings);
            EXPECT_EQ(r.Log.at(1), "BeginDocument");
        }
        EXPECT_EQ(r.Log.at(r.Log.size() - 3).rfind("Left x 1 ", 0), 0u); // the page follows
    }
}

TEST(StreamPlayer, MalformedStreamsFailWithTheirOffset)
{
    // A bad first byte fails before the document begins.
    EXPECT_EQ(Play({'A', 0, 0}),
              (Calls{"! page stream error at byte offset 0: unexpected header code 65; a page "
                     "stream begins with 'Z', 'Y' or 'Q' @0"}));

    auto noPage = Page();
    noPage.Bytes[59] = 81; // the page record's code byte
    // EndDocument runs before the failure reaches the caller.
    EXPECT_EQ(Play(noPage.Bytes),
              (Calls{"BeginDocument", "EndDocument",
                     "! page stream error at byte offset 59: unexpected code 81 where a page "
                     "record begins (80) @59"}));

    auto unknown = Page();
    std::size_t at = unknown.Bytes.size();
    unknown.Byte(44);
    auto calls = Play(unknown.Bytes);
    EXPECT_EQ(calls[calls.size() - 2], "EndDocument");
    EXPECT_EQ(calls.back(), "! page stream error at byte offset " + std::to_string(at) +
                                ": unknown command code 44 @" + std::to_string(at));

    auto truncated = Page();
    truncated.Code(TCode::LeftText), truncated.Single(1), truncated.Byte(10),
        truncated.Bytes.push_back('x');
    calls = Play(truncated.Bytes);
    EXPECT_EQ(calls[calls.size() - 2], "EndDocument");
    EXPECT_NE(calls.back().find(": the stream ends unexpectedly: 10 bytes needed, 1 left @"),
              std::string::npos)
        << calls.back();

    // Every size field is checked the same way, at the offset of the size itself.
    auto negativeSize = [](auto writeBefore, const char* what) {
        auto b = Page();
        writeBefore(b);
        const std::size_t sizeAt = b.Bytes.size();
        b.Long(-1);
        auto played = Play(b.Bytes);
        EXPECT_EQ(played.back(), "! page stream error at byte offset " + std::to_string(sizeAt) +
                                     ": negative " + what + " size -1 @" + std::to_string(sizeAt));
    };
    negativeSize([](TStreamBuilder& b) { b.Code(TCode::RawData); }, "raw-data");
    negativeSize([](TStreamBuilder& b) { b.Code(TCode::EncodedImage); }, "image");
    negativeSize([](TStreamBuilder& b) { b.Code(TCode::Draw), b.Byte(1); }, "picture");
}

// One form for every message: where in which file, then what is wrong.
TEST(StreamPlayer, ErrorsSayWhereAndWhatInOneForm)
{
    const TPageStreamError error("unknown command code 44", 80);
    EXPECT_STREQ(error.what(), "page stream error at byte offset 80: unknown command code 44");
    const TPageStreamError named = error.InFile("saved/book.pgs");
    EXPECT_STREQ(named.what(),
                 "saved/book.pgs: page stream error at byte offset 80: unknown command code 44");
    EXPECT_EQ(named.Offset, 80u);
    EXPECT_EQ(named.Problem, error.Problem);
    EXPECT_EQ(named.Path, "saved/book.pgs");
}

TEST(StreamPlayer, TextMacrosAndVariables)
{
    auto b = Page(2);
    auto macro = [](const char* nn) { return std::string("\xFD$PGCM") + nn; };
    b.Text(TCode::LeftText, 1, "p" + macro("11") + "/" + macro("10"), 1);
    b.Text(TCode::LeftText, 1, macro("02") + " " + macro("07") + " " + macro("13"), 1);
    b.Text(TCode::LeftText, 1, "[" + macro("16") + macro("17") + macro("40") + "]", 1);
    std::size_t valueAt = b.Bytes.size() + 1 + 6; // after the code and the String "Title"
    b.Code(TCode::Variable), b.String("Title"), b.Byte(8), b.Byte(3);
    for (char c : std::string("abc\0\0\0\0\0", 8))
        b.Byte(static_cast<std::uint8_t>(c));
    b.Code(TCode::Variable), b.String("Copy"), b.Byte(4), b.Byte(254),
        b.Long(static_cast<std::int32_t>(valueAt));
    b.Text(TCode::LeftText, 1,
           "<\xFD$PGCV\xFCtitle\xFB|\xFD$PGCV\xFC"
           "COPY\xFB|\xFD$PGCV\xFCnone\xFB>",
           1);
    b.EndPage();
    b.PageHeader(2), b.EndPage();
    TRecorder r;
    r.Macros = {"first"};
    Calls calls = Play(b.Bytes, r);
    EXPECT_EQ(Calls(calls.begin() + 2, calls.begin() + 6),
              (Calls{"Left p1/2 1 1", "Left 01/02/26 03:04 Render 1 1", "Left [first] 1 1",
                     "Left <abc|abc|> 1 1"}))
        << calls.back();
}

TEST(StreamPlayer, ReferencesMustPointBackwards)
{
    // A variable that refers to itself.
    auto self = Page();
    std::size_t at = self.Bytes.size();
    self.Code(TCode::Variable), self.String("v"), self.Byte(4), self.Byte(254),
        self.Long(static_cast<std::int32_t>(at + 3));
    self.EndPage();
    EXPECT_NE(Play(self.Bytes).back().find("is not an earlier value"), std::string::npos);

    // A picture reference to the earlier picture works; one that points forward does not.
    auto pictures = Page();
    std::size_t sizeField = pictures.Bytes.size() + 2;
    pictures.Code(TCode::Draw), pictures.Byte(1), pictures.Long(2), pictures.Byte('o'),
        pictures.Byte('k');
    pictures.Single(0), pictures.Single(0);
    pictures.Code(TCode::Draw), pictures.Byte(129),
        pictures.Long(static_cast<std::int32_t>(sizeField));
    pictures.Single(0), pictures.Single(0);
    std::size_t forward = pictures.Bytes.size();
    pictures.Code(TCode::Draw), pictures.Byte(129),
        pictures.Long(static_cast<std::int32_t>(forward + 1));
    pictures.Single(0), pictures.Single(0);
    pictures.EndPage();
    Calls calls = Play(pictures.Bytes);
    EXPECT_EQ(calls[2], "Graphic ok");
    EXPECT_EQ(calls[3], "Graphic ok");
    EXPECT_NE(calls.back().find("is not an earlier picture @" + std::to_string(forward + 1)),
              std::string::npos)
        << calls.back();
}

TEST(StreamPlayer, MacrosThatNeverEndAreAnError)
{
    auto b = Page();
    b.Text(TCode::LeftText, 1, "\xFD$PGCM16", 1);
    b.EndPage();
    TRecorder r;
    r.Macros = {"again \xFD$PGCM16"};
    EXPECT_NE(Play(b.Bytes, r).back().find("do not come to an end"), std::string::npos);
}

TEST(StreamPlayer, AReplacementCanCompleteAMarkerBeforeIt)
{
    auto b = Page();
    b.Text(TCode::LeftText, 1, "[\xFD$PGC\xFD$PGCM16]", 1); // macro 16 gives "M08": first page, 1
    b.Text(TCode::LeftText, 1, "a\xFD$PGCVb", 1);           // a variable marker without a name
    b.EndPage();
    TRecorder r;
    r.Macros = {"M08"};
    Calls calls = Play(b.Bytes, r);
    EXPECT_EQ(Calls(calls.begin() + 2, calls.begin() + 4), (Calls{"Left [1] 1 1", "Left ab 1 1"}));
}

// Texts handed to the engine are data: whatever they hold that looks like a macro or a variable
// reference, written by the engine's writer and played back, they come out exactly as given.
TEST(StreamPlayer, WriterTextsPlayBackExactlyAsGiven)
{
    std::vector<std::string> texts;
    for (int n = 0; n <= 35; ++n)
        texts.push_back("m" + std::to_string(n) + " \xFD$PGCM" + (n < 10 ? "0" : "") +
                        std::to_string(n) + " end");
    for (const char* text : {
             "\xFD$PGCM40",                  // a number that gives nothing
             "\xFD$PGCM99",                  // the escape itself, typed by a user
             "\xFD$PGCM99\xFD$PGCM99 twice", //
             "\xFD$PGCV\xFCTitle\xFB!",      // a variable reference
             "\xFD$PGCV\xFCTitle no close",  //
             "\xFD$PGCV without a name",     //
             "Sudoku \xFD",                  // a lone marker at the end
             "\xFD\xFD$PGCM10",              //
             "\xFD$PGC\xFD$PGCM16",          // a value that would complete a marker
             "\xFD\xFD\xFD",                 //
             "Sudoku \xFD$PGCM10",           //
         })
        texts.push_back(text);

    auto stream = test::RunJob(1, [&](report::TPageStreamWriter& e, int) {
        e.DefineVariable("Title", 8, "VALUE");
        e.ApplyFont(test::Font(12));
        for (const std::string& text : texts)
            e.LeftText(text, 1);
    });
    struct TTexts : TRenderBase
    {
        std::vector<std::string> Seen;
        void TextLeft(const std::string& text, double, double) override { Seen.push_back(text); }
    } played;
    played.Macros = {"M08"}; // macro 16 would make "\xFD$PGCM08" of the text before it
    played.RenderStream(stream);
    EXPECT_EQ(played.Seen, texts);
}

TEST(StreamPlayer, EscapedTextsMustFitAString)
{
    // 2048 marker bytes take 16384 bytes once escaped: one more than a String holds.
    for (std::size_t markers : {2047u, 2048u}) {
        report::TPageStreamWriter writer(test::SharedFonts());
        writer.StartJob();
        writer.ApplyFont(test::Font(12));
        const std::string text(markers, '\xFD');
        if (markers == 2047u) {
            EXPECT_NO_THROW(writer.LeftText(text, 1));
        } else {
            try {
                writer.LeftText(text, 1);
                ADD_FAILURE() << "no error";
            } catch (const gq::Error& e) {
                EXPECT_NE(std::string(e.what()).find("16384 bytes once"), std::string::npos)
                    << e.what();
            }
        }
        writer.FinishJob();
    }
}

TEST(StreamPlayer, SegmentedTextsAreDrawnRunByRun)
{
    auto b = Page();
    // "Hi" in bold, then " you" regular, centred at X 2.
    b.Text(TCode::CenterText, 1,
           "\x01"
           "B1\x04Hi\x01"
           "B0\x04 you",
           2);
    b.EndPage();
    TRecorder r;
    r.LogFonts = true;
    Calls calls = Play(b.Bytes, r);
    // Helvetica-Bold "Hi" = 1000 units, Helvetica " you" = 278 + 500 + 556 + 556 = 1890 units.
    double hi = 1.0 * 12 / 72, you = 1.89 * 12 / 72;
    double x = 2 - (hi + you) / 2;
    Calls tail(calls.end() - 6, calls.end());
    EXPECT_EQ(tail, (Calls{"Font Arial 12 B", "Left Hi " + Num(x) + " 1", "Font Arial 12",
                           "Left  you " + Num(x + hi) + " 1", "EndPage", "EndDocument"}));
}

TEST(StreamPlayer, PayloadsOfCommandsThatDrawNothingArePassedOver)
{
    auto b = Page();
    b.Code(TCode::RawData), b.Long(3), b.Byte(24), b.Byte(24), b.Byte(24); // raw data
    b.Code(TCode::BrushCopy), b.Byte(1), b.Long(1), b.Byte(0);             // brush copy: picture,
    for (int i = 0; i < 8; ++i)                                            // two rectangles, colour
        b.Single(1);
    b.Long(0);
    b.Code(TCode::FloodFill), b.Single(1), b.Single(1), b.Long(0), b.Long(0);
    b.Code(TCode::PolyLine), b.Word(1), b.Single(0), b.Single(0), b.Single(1), b.Single(0.5f);
    b.Code(TCode::AllowPreviewOnly), b.Code(TCode::AllowAll);
    b.Code(TCode::Orientation), b.Byte(1), b.Code(TCode::Bin), b.String("tray");
    b.Text(TCode::LeftText, 1, "after", 1);
    b.EndPage();
    Calls calls = Play(b.Bytes);
    EXPECT_EQ(Calls(calls.begin() + 2, calls.end() - 2),
              (Calls{"Move 0 0", "Polyline 1 1248", "Left after 1 1"}));
}

TEST(StreamPlayer, OnePageAloneFollowsTheNextPageOffsets)
{
    TStreamBuilder b;
    b.JobHeader(3);
    for (int page = 1; page <= 3; ++page) {
        b.PageHeader(page);
        b.Text(TCode::LeftText, 1, "page" + std::to_string(page), 1);
        b.EndPage();
    }
    TRecorder r;
    r.RenderStream(b.Bytes);
    r.Log.clear();
    r.RenderPages(2);
    EXPECT_EQ(r.Log, (Calls{"BeginDocument", "BeginPage 8.5x11", "Left page2 1 1", "EndPage",
                            "EndDocument"}));

    // A next-page offset that points back at its own record cannot loop.
    b.PatchLong(59 + 5, 59);
    TRecorder looped;
    EXPECT_THROW(looped.RenderStream(b.Bytes), TPageStreamError) << "the chain is broken";
    EXPECT_THROW(looped.RenderPages(3), TPageStreamError);
}

// The renderer learns pen, brush and the header's waste from the player's calls alone.
TEST(StreamPlayer, HandsPenBrushAndWasteToTheRenderer)
{
    struct TStateRecorder : TRenderBase
    {
        double LeftAtBegin = -1.0, TopAtBegin = -1.0;
        TPlayerBrush Brush;
        TPlayerPen Pen;
        TDeviceRect Filled;
        void BeginDocument() override { LeftAtBegin = LeftWaste, TopAtBegin = TopWaste; }
        void BrushUpdated(const TPlayerBrush& brush) override { Brush = brush; }
        void PenUpdated(const TPlayerPen& pen) override { Pen = pen; }
        void FillRectangle(const TDeviceRect& rect) override { Filled = rect; }
    } renderer;

    auto b = Page();
    auto patchSingle = [&](std::size_t at, float v) {
        b.PatchLong(at, static_cast<std::int32_t>(std::bit_cast<std::uint32_t>(v)));
    };
    constexpr std::size_t kLeftWasteAt = 29, kTopWasteAt = 37; // behind the 12-byte title
    patchSingle(kLeftWasteAt, 0.5f);
    patchSingle(kTopWasteAt, 0.25f);
    b.Code(TCode::BrushColor), b.Long(0x0000FF);
    b.Code(TCode::BrushStyle), b.Byte(0);
    b.Code(TCode::PenColor), b.Long(0x00FF00);
    b.Code(TCode::PenStyle), b.Byte(2);
    b.Code(TCode::FillRect), b.Single(1), b.Single(1), b.Single(2), b.Single(2);
    b.EndPage();
    renderer.RenderStream(b.Bytes);

    EXPECT_EQ(renderer.LeftAtBegin, 0.5);
    EXPECT_EQ(renderer.TopAtBegin, 0.25);
    EXPECT_EQ(renderer.Brush.Color, 0x0000FF);
    EXPECT_EQ(renderer.Brush.Style, 0);
    EXPECT_EQ(renderer.Pen.Color, 0x00FF00);
    EXPECT_EQ(renderer.Pen.Style, 2);
    // 72 units per inch from the waste: (1 - 0.5, 1 - 0.25) to (2 - 0.5, 2 - 0.25) inches.
    EXPECT_EQ(renderer.Filled.Left, 36);
    EXPECT_EQ(renderer.Filled.Top, 54);
    EXPECT_EQ(renderer.Filled.Right, 108);
    EXPECT_EQ(renderer.Filled.Bottom, 126);
}

} // namespace
} // namespace gq::pdf
