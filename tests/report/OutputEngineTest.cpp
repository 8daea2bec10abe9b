#include "report/OutputEngine.h"

#include "report/FontManager.h"
#include "report/RenderDevice.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace gq::report
{
namespace
{

std::shared_ptr<TFontManager> SharedFonts()
{
    static auto fonts = std::make_shared<TFontManager>();
    return fonts;
}

// Records the texts the engine sends to its output.
class TRecordingEngine : public TOutputEngine
{
  public:
    TRecordingEngine() : TOutputEngine(SharedFonts()) {}

    struct Text
    {
        int command;
        std::string text;
        double x, width, y;
    };
    std::vector<Text> Texts;
    int PenChanges = 0;

  protected:
    void TextOut(TTextCommand command, const std::string& text, double x, double width) override
    {
        Texts.push_back({static_cast<int>(command), text, x, width, CursorYInches()});
    }
    void PenChanged() override { ++PenChanges; }
};

constexpr int kCenter = 23, kLeft = 24, kRight = 25, kBlock = 33;

TFontSpec Arial(double size)
{
    TFontSpec font;
    font.Size = size;
    return font;
}

TEST(OutputEngineTest, FontSizeBecomesDevicePixelsAndBack)
{
    struct Case
    {
        double points;
        int pixels;
        double fontHeight, fontSize, lineHeight;
    };
    // At 600 dpi: 12 pt is exactly 100 pixels; 25 pt is 208.33, rounded to 208 pixels, which
    // is 24.96 pt, so its line height under lhmFont is 0.416 inch, not 25 / 60.
    for (const Case& c : {Case{12, 100, 1.0 / 6, 12, 0.2}, Case{25, 208, 208.0 / 600, 24.96, 0.416},
                          Case{10, 83, 83.0 / 600, 9.96, 0.166}}) {
        TRecordingEngine engine;
        engine.StartJob();
        engine.ApplyFont(Arial(c.points));
        EXPECT_EQ(engine.Font().PixelHeight, c.pixels) << c.points;
        EXPECT_DOUBLE_EQ(engine.FontHeight(), c.fontHeight) << c.points;
        EXPECT_NEAR(engine.FontSize(), c.fontSize, 1e-12) << c.points;
        engine.RefreshLineMetrics();
        EXPECT_NEAR(engine.LineHeight(), c.lineHeight, 1e-12) << c.points;
        engine.FinishJob();
    }
}

TEST(OutputEngineTest, BaselineLiesLineHeightMinusDescentBelowTheTop)
{
    struct Case
    {
        double points;
        int ascent, descent; // Liberation Sans at the font's pixel height
        double lineHeight;
    };
    for (const Case& c : {Case{12, 91, 21, 0.2}, Case{25, 188, 44, 0.416}}) {
        TRecordingEngine engine;
        engine.StartJob();
        engine.ApplyFont(Arial(c.points));
        engine.SetBaselineFromTop(1.0);
        EXPECT_DOUBLE_EQ(engine.Ascent(), c.ascent / 600.0) << c.points;
        EXPECT_DOUBLE_EQ(engine.Descent(), c.descent / 600.0) << c.points;
        EXPECT_NEAR(engine.CursorY(), 1.0 + c.lineHeight - c.descent / 600.0, 1e-12) << c.points;
        engine.FinishJob();
    }
}

TEST(OutputEngineTest, LinesPerInchFixesTheLineHeightWhateverTheFont)
{
    TRecordingEngine engine;
    engine.SetLineHeightMethod(TLineHeightMethod::lhmLinesPerInch);
    engine.StartJob();
    for (double size : {8.0, 25.0, 72.0}) {
        engine.ApplyFont(Arial(size));
        engine.SetBaselineFromTop(0);
        EXPECT_DOUBLE_EQ(engine.LineHeight(), 1.0 / 6);
    }
    engine.SetLineHeightMethod(TLineHeightMethod::lhmUser);
    engine.SetLineHeight(0.3);
    engine.ApplyFont(Arial(40));
    engine.SetBaselineFromTop(0);
    EXPECT_DOUBLE_EQ(engine.LineHeight(), 0.3);
    engine.FinishJob();
}

TEST(OutputEngineTest, SuperscriptMetricsComeFromTheSmallerFontHalved)
{
    TRecordingEngine engine;
    engine.StartJob();
    engine.ApplyFont(Arial(12));
    engine.SetFontSuperscript(true);
    engine.RefreshLineMetrics();
    // 100 / 1.667 = 59.99 -> 60 pixels: ascent 54, descent 13 (rounded 12.7); halved.
    EXPECT_DOUBLE_EQ(engine.Ascent(), 54 / 1200.0);
    EXPECT_DOUBLE_EQ(engine.Descent(), 13 / 1200.0);
    engine.FinishJob();
}

TEST(OutputEngineTest, PenWidthCodes)
{
    struct Case
    {
        int code, pixels;
    };
    TRecordingEngine engine;
    engine.StartJob();
    for (const Case& c :
         {Case{10, 10}, Case{5, 5}, Case{0, 1}, Case{-1, 6}, Case{-50, 300}, Case{-10001, 1},
          Case{-10100, 6}, Case{-10025, 2}, Case{-10075, 4}, Case{-10125, 8}, Case{-10175, 10}}) {
        EXPECT_EQ(engine.PenWidthPixels(c.code), c.pixels) << c.code;
        engine.SelectPen(clBlack, TPenStyle::psSolid, c.code, TPenMode::pmCopy);
        EXPECT_EQ(engine.Pen().Width, c.pixels) << c.code;
    }
    engine.FinishJob();
}

TEST(OutputEngineTest, JustificationPlacesTheTextInItsField)
{
    struct Case
    {
        TPrintJustify justify;
        double margin;
        int command;
        double x, width;
    };
    for (const Case& c : {Case{TPrintJustify::pjCenter, 0, kCenter, 1.5, 0},
                          Case{TPrintJustify::pjRight, 0, kRight, 2.0, 0},
                          Case{TPrintJustify::pjLeft, 0, kLeft, 1.0, 0},
                          Case{TPrintJustify::pjLeft, 0.1, kLeft, 1.1, 0},
                          Case{TPrintJustify::pjRight, 0.1, kRight, 1.9, 0},
                          Case{TPrintJustify::pjBlock, 0.1, kBlock, 1.1, 0.8}}) {
        TRecordingEngine engine;
        engine.StartJob();
        engine.SetBaselineFromTop(2.0);
        engine.PrintJustified("7", c.justify, 1.0, c.margin, 1.0);
        ASSERT_EQ(engine.Texts.size(), 1u);
        EXPECT_EQ(engine.Texts[0].command, c.command);
        EXPECT_DOUBLE_EQ(engine.Texts[0].x, c.x);
        EXPECT_NEAR(engine.Texts[0].width, c.width, 1e-12);
        EXPECT_DOUBLE_EQ(engine.Texts[0].y, engine.CursorY());
        engine.FinishJob();
    }
}

TEST(OutputEngineTest, TabsAdvanceToTheNextHalfInchStopBeyondThePiece)
{
    struct Case
    {
        std::string text;
        std::vector<std::pair<std::string, double>> pieces;
    };
    // At 12 pt "ab" is 0.10 inch; five "W" are 5 x 566 x 100 / 600 = 472 pixels, 0.787 inch.
    const std::string wide(5, 'W');
    for (const Case& c :
         {Case{"ab\tcd", {{"ab", 0}, {"cd", 0.5}}}, Case{"\tx", {{"x", 0.5}}},
          Case{"a\t\tb", {{"a", 0}, {"b", 1.0}}}, Case{wide + "\tz", {{wide, 0}, {"z", 1.0}}}}) {
        TRecordingEngine engine;
        engine.StartJob();
        engine.ApplyFont(Arial(12));
        engine.SetBaselineFromTop(0);
        engine.PrintJustified(c.text, TPrintJustify::pjLeft, 0, 0, 8);
        ASSERT_EQ(engine.Texts.size(), c.pieces.size()) << c.text;
        for (std::size_t i = 0; i < c.pieces.size(); ++i) {
            EXPECT_EQ(engine.Texts[i].command, kLeft);
            EXPECT_EQ(engine.Texts[i].text, c.pieces[i].first);
            EXPECT_NEAR(engine.Texts[i].x, c.pieces[i].second, 1e-12) << c.text << " " << i;
        }
        engine.FinishJob();
    }
}

TEST(OutputEngineTest, APieceMustEndAThousandthBeforeAStopToUseIt)
{
    // One "A" of the fixed-pitch face is 0.6 em: 299 pixels (0.4983 inch) at a 498-pixel
    // font, 300 pixels (0.5 inch) at a 500-pixel one.
    struct Case
    {
        double points;
        double next;
    };
    for (const Case& c : {Case{59.76, 0.5}, Case{60, 1.0}}) {
        TRecordingEngine engine;
        engine.StartJob();
        TFontSpec mono;
        mono.Name = "Courier New";
        mono.Size = c.points;
        engine.ApplyFont(mono);
        engine.PrintJustified("A\tB", TPrintJustify::pjLeft, 2.0, 0.25, 8);
        ASSERT_EQ(engine.Texts.size(), 2u);
        EXPECT_NEAR(engine.Texts[1].x, 2.25 + c.next, 1e-12) << c.points;
        engine.FinishJob();
    }
}

TEST(OutputEngineTest, MeasureAndTruncate)
{
    TRecordingEngine engine;
    engine.ApplyFont(Arial(12)); // measuring needs no job
    engine.StartJob();
    engine.ApplyFont(Arial(12));
    EXPECT_DOUBLE_EQ(engine.MeasureText("AAA"), 200.0 / 600); // 3 x 400 x 100 / 600 pixels
    EXPECT_EQ(engine.TruncateText("AAAAA", 200.0 / 600), "AAA");
    EXPECT_EQ(engine.TruncateText("AAAAA", 199.0 / 600), "AA");
    EXPECT_EQ(engine.TruncateText("AAAAA", 0), "");
    EXPECT_EQ(engine.TruncateText("", 1), "");
    engine.FinishJob();
}

TEST(OutputEngineTest, CallsOutOfJobOrderAreBugs)
{
    TRecordingEngine engine;
    const std::string notPrinting = "internal error: Invalid method call.  Output engine is not printing.";
    auto expectMessage = [](auto&& call, const std::string& message) {
        try {
            call();
            ADD_FAILURE() << "no error, expected: " << message;
        } catch (const std::logic_error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    };
    expectMessage([&] { engine.MoveTo(0, 0); }, notPrinting);
    expectMessage([&] { engine.LineTo(1, 1); }, notPrinting);
    expectMessage([&] { engine.LeftText("x", 0); }, notPrinting);
    expectMessage([&] { engine.PrintJustified("x", TPrintJustify::pjCenter, 0, 0, 1); },
                  notPrinting);
    expectMessage([&] { engine.NextPage(); }, notPrinting);
    expectMessage([&] { engine.FinishJob(); }, notPrinting);
    engine.StartJob();
    expectMessage([&] { engine.StartJob(); },
                  "internal error: Invalid method call.  Output engine already printing.");
    engine.FinishJob();
    EXPECT_FALSE(engine.Printing());
}

TEST(OutputEngineTest, RunJobFinishesTheJobWhenPrintingFails)
{
    TRecordingEngine engine;
    std::vector<std::string> events;
    engine.OnBeforePrint = [&](TOutputEngine&) { events.push_back("before"); };
    engine.OnPrint = [&](TOutputEngine& e) {
        events.push_back("print");
        e.NextPage();
        throw gq::Error("disk on fire");
    };
    engine.OnNewPage = [&](TOutputEngine& e) {
        events.push_back("page " + std::to_string(e.CurrentPage()));
    };
    EXPECT_THROW(engine.RunJob(), gq::Error);
    EXPECT_FALSE(engine.Printing());
    EXPECT_EQ(engine.PagesOutput(), 2);
    EXPECT_EQ(events, (std::vector<std::string>{"before", "page 1", "print", "page 2"}));
    // The engine is usable again.
    engine.OnPrint = nullptr;
    engine.RunJob();
}

TEST(OutputEngineTest, RunJobDrivesOnPrintPageUntilItReturnsFalse)
{
    TRecordingEngine engine;
    int calls = 0;
    engine.OnPrintPage = [&](TOutputEngine&) { return ++calls < 3; };
    bool after = false;
    engine.OnAfterPrint = [&](TOutputEngine& e) {
        after = true;
        EXPECT_FALSE(e.Printing());
    };
    engine.RunJob();
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(engine.PagesOutput(), 3);
    EXPECT_TRUE(after);
}

TEST(OutputEngineTest, PagesOutsideTheRangeAreCountedButNotOutput)
{
    TRecordingEngine engine;
    engine.SetFirstPage(2);
    engine.SetLastPage(3);
    engine.StartJob();
    EXPECT_FALSE(engine.PageIsOutput());
    engine.LeftText("lost", 0);
    engine.NextPage();
    EXPECT_TRUE(engine.PageIsOutput());
    engine.LeftText("kept", 0);
    engine.NextPage();
    engine.NextPage();
    EXPECT_EQ(engine.CurrentPage(), 4);
    EXPECT_FALSE(engine.PageIsOutput());
    engine.FinishJob();
    EXPECT_EQ(engine.PagesOutput(), 2);
    ASSERT_EQ(engine.Texts.size(), 1u);
    EXPECT_EQ(engine.Texts[0].text, "kept");
}

TEST(OutputEngineTest, BuiltInDeviceGivesALetterPageAt600Dpi)
{
    TRecordingEngine engine;
    EXPECT_EQ(engine.DpiX(), 300);
    engine.SetCopies(2);
    engine.StartJob();
    EXPECT_EQ(engine.DpiX(), 600);
    EXPECT_EQ(engine.DpiY(), 600);
    EXPECT_DOUBLE_EQ(engine.PageWidth(), 8.5);
    EXPECT_DOUBLE_EQ(engine.PageHeight(), 11);
    EXPECT_EQ(engine.LeftWaste() + engine.RightWaste() + engine.TopWaste() + engine.BottomWaste(),
              0);
    EXPECT_EQ(engine.Copies(), 2);
    engine.FinishJob();

    engine.SetOrientation(TOrientation::poLandScape);
    engine.StartJob();
    EXPECT_DOUBLE_EQ(engine.PageWidth(), 11);
    EXPECT_DOUBLE_EQ(engine.PageHeight(), 8.5);
    engine.FinishJob();
}

// A 300-dpi device with unprintable margins that counts the fonts it creates.
class TCountingDevice : public TBaseDevice
{
  public:
    int Created = 0;
    int DpiX() const override { return 300; }
    int DpiY() const override { return 300; }
    int PageWidth() const override { return 2400; }
    int PageHeight() const override { return 3150; }
    int OffsetLeft() const override { return 30; }
    int OffsetTop() const override { return 60; }
    int OffsetRight() const override { return 120; }
    int OffsetBottom() const override { return 90; }
    void SetOrientation(TOrientation) override {}
    std::unique_ptr<TDeviceFont> CreateFont(const TEngineFont&, int createHeight) override
    {
        ++Created;
        auto font = std::make_unique<TDeviceFont>();
        font->Metrics.Ascent = -createHeight * 3 / 4;
        font->Metrics.Descent = -createHeight / 4;
        return font;
    }
    void SelectFont(const TDeviceFont&) override {}
    int TextWidth(const std::string& text) const override
    {
        return static_cast<int>(text.size()) * 10;
    }
    std::string DeviceName() const override { return "Counter"; }
    std::string DriverName() const override { return "Count"; }
    std::string PortName() const override { return "NUL"; }
};

TEST(OutputEngineTest, AnOwnDeviceGivesResolutionWasteAndFonts)
{
    auto device = std::make_shared<TCountingDevice>();
    TRecordingEngine engine;
    engine.SetDevice(device);
    engine.SetStatusFormat("%d %r %t");
    engine.StartJob();
    EXPECT_EQ(engine.DpiX(), 300);
    EXPECT_DOUBLE_EQ(engine.LeftWaste(), 0.1);
    EXPECT_DOUBLE_EQ(engine.TopWaste(), 0.2);
    EXPECT_DOUBLE_EQ(engine.RightWaste(), 0.4);
    EXPECT_DOUBLE_EQ(engine.BottomWaste(), 0.3);
    EXPECT_DOUBLE_EQ(engine.PageWidth(), 8 + 0.1 + 0.4);
    EXPECT_DOUBLE_EQ(engine.PageHeight(), 10.5 + 0.2 + 0.3);
    EXPECT_EQ(engine.FormatStatus(), "Counter Count NUL");

    // Created fonts are kept for the job: alternating between two creates each once.
    for (int i = 0; i < 6; ++i) {
        engine.ApplyFont(Arial(i % 2 ? 12 : 24));
        engine.SetBaselineFromTop(0);
    }
    EXPECT_EQ(device->Created, 2);
    EXPECT_DOUBLE_EQ(engine.Descent(), 12 / 300.0); // 12 pt at 300 dpi: 50 pixels, a quarter down
    EXPECT_DOUBLE_EQ(engine.MeasureText("abc"), 30 / 300.0);
    engine.FinishJob();

    // A new job starts with an empty list.
    engine.StartJob();
    engine.SetBaselineFromTop(0);
    EXPECT_EQ(device->Created, 3);
    engine.FinishJob();
}

TEST(OutputEngineTest, PositioningTurnsTextsWithSpacesIntoBlockTexts)
{
    TRecordingEngine engine;
    engine.SetAccuracyMethod(TAccuracyMethod::amPositioning);
    engine.StartJob();
    engine.ApplyFont(Arial(12));
    const double w = engine.MeasureText("A A");
    engine.LeftText("A A", 1);
    engine.CenterText("A A", 3);
    engine.RightText("A A", 5);
    engine.LeftText("AA", 1);
    engine.SetFontRotation(90);
    engine.LeftText("A A", 1);
    ASSERT_EQ(engine.Texts.size(), 5u);
    const double x[] = {1, 3 - w / 2, 5 - w};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(engine.Texts[i].command, kBlock) << i;
        EXPECT_NEAR(engine.Texts[i].x, x[i], 1e-12) << i;
        EXPECT_NEAR(engine.Texts[i].width, w, 1e-12) << i;
    }
    EXPECT_EQ(engine.Texts[3].command, kLeft);
    EXPECT_EQ(engine.Texts[4].command, kLeft);
    engine.FinishJob();
}

TEST(OutputEngineTest, UnitsAndTheirFactor)
{
    TRecordingEngine engine;
    struct Case
    {
        double factor;
        TPrintUnits units;
    };
    for (const Case& c : {Case{25.4, TPrintUnits::unMM}, Case{2.54, TPrintUnits::unCM},
                          Case{72, TPrintUnits::unPoint}, Case{3, TPrintUnits::unUser},
                          Case{1, TPrintUnits::unInch}}) {
        engine.SetUnitsFactor(c.factor);
        EXPECT_EQ(engine.Units(), c.units) << c.factor;
    }
    engine.SetUnitsFactor(0);
    engine.SetUnitsFactor(-2);
    EXPECT_EQ(engine.UnitsFactor(), 1);
    engine.SetUnits(TPrintUnits::unMM);
    EXPECT_EQ(engine.UnitsFactor(), 25.4);
    engine.SetUnitsFactor(7);
    engine.SetUnits(TPrintUnits::unUser);
    EXPECT_EQ(engine.UnitsFactor(), 7);

    // Coordinates are given in units.
    engine.SetUnits(TPrintUnits::unPoint);
    engine.StartJob();
    engine.PrintJustified("x", TPrintJustify::pjLeft, 36, 0, 72);
    EXPECT_DOUBLE_EQ(engine.Texts.at(0).x, 0.5);
    EXPECT_DOUBLE_EQ(engine.PageWidth(), 8.5 * 72);
    engine.FinishJob();
}

TEST(OutputEngineTest, StatusFormatCodes)
{
    TRecordingEngine engine;
    engine.StatusText = {"zero", "one"};
    engine.SetStatusFormat("%%|%0|%1|%9|%c%S|%d|%F-%l|%n|%x|%");
    EXPECT_EQ(engine.FormatStatus(), "%|zero|one||11|Render|1-9999|\n|<ERROR-%x>|%");
    std::vector<std::string> shown;
    engine.StatusLabel = [&](const std::string& text) { shown.push_back(text); };
    engine.SetStatusFormat("Printing page %p");
    engine.StartJob();
    engine.NextPage();
    engine.FinishJob();
    EXPECT_EQ(shown, (std::vector<std::string>{"Printing page 1", "Printing page 2"}));
}

TEST(OutputEngineTest, TheMessagePumpRunsAfterEveryDrawingCall)
{
    TRecordingEngine engine;
    int pumped = 0;
    engine.MessagePump = [&] { ++pumped; };
    engine.StartJob();
    engine.MoveTo(0, 0);
    engine.LineTo(1, 0);
    engine.PrintJustified("x", TPrintJustify::pjCenter, 0, 0, 1);
    engine.FinishJob();
    EXPECT_EQ(pumped, 3);
}

TEST(OutputEngineTest, PenChangesReachTheOutputOnlyWhenSomethingChanged)
{
    TRecordingEngine engine;
    engine.StartJob();
    engine.SelectPen(clBlack, TPenStyle::psSolid, 1, TPenMode::pmCopy); // the job's start pen
    EXPECT_EQ(engine.PenChanges, 0);
    engine.SelectPen(0x0000FF, TPenStyle::psDash, 10, TPenMode::pmXor);
    EXPECT_EQ(engine.PenChanges, 4);
    engine.FinishJob();
}

} // namespace
} // namespace gq::report
