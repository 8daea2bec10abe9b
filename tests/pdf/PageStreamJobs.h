#pragma once

// Small report jobs run through the engine's page-stream writer: the round-trip tests play them
// into PDF, and they seed the player's fuzz corpus (tests/data/pagestream-corpus/).

#include "report/FontManager.h"
#include "report/PageStreamWriter.h"

#include <functional>
#include <memory>
#include <string>
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

/// Runs `pages` pages drawn by `draw(engine, page)` and returns the page-stream bytes.
inline std::vector<std::uint8_t>
RunJob(int pages, const std::function<void(report::TPageStreamWriter&, int)>& draw)
{
    report::TPageStreamWriter writer(SharedFonts());
    writer.NoBufferLine = true;
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

} // namespace gq::pdf::test
