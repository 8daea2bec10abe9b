#pragma once

// Small report jobs run through the engine's page-stream writer: the round-trip tests play them
// into PDF, and they seed the player's fuzz corpus (tests/data/pagestream-corpus/).

#include "report/FontManager.h"
#include "report/PageStreamWriter.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace gq::pdf::test
{

inline std::shared_ptr<report::TFontManager> SharedFonts()
{
    static auto fonts = std::make_shared<report::TFontManager>();
    return fonts;
}

inline report::TFontSpec Font(double size, const char* name = "Arial")
{
    report::TFontSpec font;
    font.Name = name;
    font.Size = size;
    return font;
}

/// Runs `pages` pages drawn by `draw(engine, page)` and returns the page-stream bytes; the
/// header carries `document` (a version 2019 header unless it is all defaults).
inline std::vector<std::uint8_t>
RunJob(int pages, const std::function<void(report::TPageStreamWriter&, int)>& draw,
       report::TDocumentSettings document = {})
{
    report::TPageStreamWriter writer(SharedFonts());
    writer.NoBufferLine = true;
    writer.SetDocumentSettings(std::move(document));
    writer.StartJob();
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.NextPage();
        draw(writer, page);
    }
    writer.FinishJob();
    return writer.MemoryData();
}

/// A puzzle page as the book draws it: a title, a 9 x 9 grid of thin and thick lines, digits
/// centred in their cells, and a footer.
inline void DrawPuzzlePage(report::TPageStreamWriter& e, int page)
{
    e.ApplyFont(Font(20));
    e.SetBaselineFromTop(0.5);
    e.LeftText("Sudoku Puzzles", 1.0);
    const double left = 1.0, top = 1.5, cell = 0.7;
    for (int i = 0; i <= 9; ++i) {
        int width = i % 3 == 0 ? 10 : 5;
        e.SelectPen(report::clBlack, report::TPenStyle::psSolid, width, report::TPenMode::pmCopy);
        e.MoveTo(left + i * cell, top);
        e.LineTo(left + i * cell, top + 9 * cell);
        e.MoveTo(left, top + i * cell);
        e.LineTo(left + 9 * cell, top + i * cell);
    }
    e.ApplyFont(Font(25));
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 9; ++c)
            if ((r * 9 + c + page) % 4 == 0) {
                e.SetBaselineFromTop(top + r * cell + 0.1);
                e.CenterText(std::string(1, static_cast<char>('1' + (r + c) % 9)),
                             left + c * cell + cell / 2);
            }
    e.ApplyFont(Font(10));
    e.SetBaselineFromTop(10.2);
    e.LeftText("Page " + std::to_string(page), 1.0);
}

/// Fonts of every kind and style, colours, rotation and the other font commands.
inline void DrawFontPage(report::TPageStreamWriter& e, int)
{
    double y = 0.5;
    auto next = [&] {
        y += 0.4;
        e.SetBaselineFromTop(y);
    };
    for (const char* face : {"Arial", "Courier New", "Times New Roman", "Symbol", "ZapfDingbats",
                             "DejaVu Sans", "No Such Face"}) {
        report::TFontSpec font = Font(12, face);
        for (int style = 0; style < 4; ++style) {
            font.Bold = style & 1;
            font.Italic = style & 2;
            e.ApplyFont(font);
            next();
            e.LeftText(std::string(face) + " (style) \\ " + std::to_string(style), 1);
        }
    }
    report::TFontSpec font = Font(14);
    font.Underline = true;
    font.Color = 0x000000FF;
    e.ApplyFont(font);
    next();
    e.CenterText("underlined red", 4.25);
    font.Underline = false;
    font.StrikeOut = true;
    font.Color = 0x00FF8000;
    e.ApplyFont(font);
    next();
    e.RightText("struck out", 7.5);
    e.ApplyFont(Font(16));
    e.SetFontRotation(90);
    e.SetBaselineFromTop(8);
    e.LeftText("rotated", 0.5);
    e.SetFontRotation(0);
    e.SetFontSuperscript(true);
    e.LeftText("super", 2);
    e.SetFontSuperscript(false);
    e.SetFontSubscript(true);
    e.LeftText("sub", 3);
    e.SetFontSubscript(false);
    e.SetFontAlignment(1);
    e.BlockText("block text of some width", 1, 3);
    e.PrintJustified("a\tb\tc", report::TPrintJustify::pjLeft, 1, 0.1, 4);
    e.LeftText(std::string(300, 'x'), 0.5);
    e.LeftText(std::string(191, 'y'), 0.5);
    e.LeftText(std::string(192, 'z'), 0.5);
    e.LeftText("\xC4\xD6\xDC\xE4\xF6\xFC\xDF \x80 \x93quoted\x94", 1);
}

/// Every shape, pen style and brush the engine can write.
inline void DrawShapePage(report::TPageStreamWriter& e, int)
{
    auto pattern = std::make_shared<report::TPicture>();
    pattern->Data = {1, 2, 3, 4, 5, 6, 7, 8};
    int style = 0;
    for (auto pen : {report::TPenStyle::psSolid, report::TPenStyle::psDash,
                     report::TPenStyle::psDot, report::TPenStyle::psDashDot,
                     report::TPenStyle::psDashDotDot, report::TPenStyle::psClear}) {
        e.SelectPen(0x00112233 * (style + 1), pen, style * 3 + 1, report::TPenMode::pmCopy);
        e.SelectBrush(0x00336699,
                      style % 2 ? report::TBrushStyle::bsSolid : report::TBrushStyle::bsClear);
        double x = 0.5 + style * 1.2;
        e.Rectangle(x, 0.5, x + 1, 1.2);
        e.Ellipse(x, 1.5, x + 1, 2.2);
        e.RoundRect(x, 2.5, x + 1, 3.2, 0.2, 0.3);
        e.Arc(x, 3.5, x + 1, 4.2, x + 1, 3.8, x, 3.8);
        e.Chord(x, 4.5, x + 1, 5.2, x + 1, 4.8, x + 0.5, 4.5);
        e.Pie(x, 5.5, x + 1, 6.2, x + 1, 5.8, x + 0.5, 6.2);
        e.Rectangle2(x, 6.5, x + 1, 6.9);
        ++style;
    }
    e.SelectBrush(0x0000FF00, report::TBrushStyle::bsSolid, pattern);
    e.FillRect({300, 4300, 900, 4600});
    e.FrameRect({1000, 4300, 1600, 4600});
    e.DrawFocusRect({1700, 4300, 2300, 4600});
    e.SelectBrush(0x00FFFFFF, report::TBrushStyle::bsClear);
    e.Polygon({{300, 5000}, {900, 5000}, {600, 5500}});
    e.PolyLine(
        {{1000, 5000}, {1300, 5500}, {1600, 5000}, {1900, 5500}, {2200, 5000}, {2500, 5500}});
    e.FloodFill(2, 8, 0x00FF0000, 1);
    e.SelectPen(0, report::TPenStyle::psSolid, 2, report::TPenMode::pmCopy);
    e.TextRect({3000, 5000, 4000, 5600}, 5.1, 8.6, "clipped text");
}

/// Pictures (each drawn twice, so that the stream refers back to the first copy), variables and
/// the commands that draw nothing. Its texts hold macro and variable markers, which the writer
/// escapes; the seed corpus's misc.pgs holds them unescaped, so that fuzzing reaches the
/// player's macro expansion too.
inline void DrawMiscPage(report::TPageStreamWriter& e, int page)
{
    auto bitmap = std::make_shared<report::TPicture>();
    bitmap->Kind = report::TGraphicKind::Bitmap;
    bitmap->Data = {'B', 'M', 0, 1, 2, 3, 4, 5, 6, 7};
    auto metafile = std::make_shared<report::TPicture>();
    metafile->Kind = report::TGraphicKind::Metafile;
    metafile->Data = {0xD7, 0xCD, 0xC6, 0x9A};
    for (int i = 0; i < 2; ++i) {
        e.Draw(1, 1 + i, bitmap);
        e.StretchDraw({100, 100, 400, 300}, metafile);
        e.PrintBitmap(2, 2 + i, 1.5, 1.5, bitmap, i == 1);
        e.PrintBitmapRect(3, 3, 4, 4 + i, metafile);
        e.BrushCopy({0, 0, 50, 50}, bitmap, {0, 0, 10, 10}, 0x00FFFFFF);
    }
    e.PrintImageRect(1, 5, 2, 6, {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F'}, "JPEG");
    e.DefineVariable("Title", 16, "Puzzle " + std::to_string(page));
    e.DefineVariable("Empty", 4, "");
    e.SpecialText("special");
    e.RawData({0x1B, '@', 0x0C});
    e.SetDrawingMode(2);
    e.MarkPreviewOnly();
    e.MarkPrinterOnly();
    e.MarkAllOutputs();
    e.SelectBin("Upper tray");
    e.SetTextBKMode(report::TBKMode::bkOpaque);
    e.SetBackgroundColor(0x00C0C0C0);
    e.SetScaleX(100);
    e.SetScaleY(100);
    e.ApplyFont(Font(12));
    e.SetBaselineFromTop(7);
    e.LeftText("Page \xFD$PGCM11 of \xFD$PGCM10, printed \xFD$PGCM02 by \xFD$PGCM13", 1);
    e.SetBaselineFromTop(8);
    e.LeftText("Variable: \xFD$PGCV\xFCTitle\xFB.", 1);
    e.SetBaselineFromTop(9);
    e.CenterText("\x01"
                 "B1\x02"
                 "C255\x04"
                 "red bold\x01"
                 "r\x04 then plain \x01"
                 "Z20\x04"
                 "big",
                 4.25);
}

/// The named jobs of the player's seed corpus.
inline std::vector<std::pair<std::string, std::vector<std::uint8_t>>> CorpusJobs()
{
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> jobs;
    jobs.emplace_back("book-one-page", RunJob(1, DrawPuzzlePage));
    jobs.emplace_back("book-three-pages", RunJob(3, DrawPuzzlePage));
    jobs.emplace_back("fonts", RunJob(1, DrawFontPage));
    jobs.emplace_back("shapes", RunJob(1, DrawShapePage));
    jobs.emplace_back("misc", RunJob(2, DrawMiscPage));
    jobs.emplace_back("empty-pages", RunJob(2, [](report::TPageStreamWriter&, int) {}));
    jobs.emplace_back("document-settings",
                      RunJob(2, DrawPuzzlePage, {.PdfX = true, .Title = "Puzzles at Caf\xE9 Nord", .Author = "A. Writer"}));
    return jobs;
}

} // namespace gq::pdf::test
