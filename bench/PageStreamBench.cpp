// Runs a report the size of the largest book straight into the page-stream writer: 400 pages of
// four 9 x 9 grids, each grid 20 lines and 81 centred digits, plus a title and a footer per
// page (about 160,000 texts and lines). Prints the time per job and the stream size.
//
// Usage: page_stream_bench [runs] [file]   (file: also save the stream there, as the book does)

#include "report/FontManager.h"
#include "report/PageStreamWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace gq::report;

namespace
{

constexpr int kPages = 400;

struct TJobCounts
{
    long texts = 0;
    long lines = 0;
};

void Text(TOutputEngine& e, const TFontSpec& font, const std::string& text, double left, double top,
          double width, TPrintJustify justify, TJobCounts& counts)
{
    e.MarkAllOutputs();
    e.ApplyFont(font);
    e.SetFontRotation(0);
    e.SetBaselineFromTop(top);
    e.PrintJustified(text, justify, left, 0, width);
    ++counts.texts;
}

void Line(TOutputEngine& e, int width, double x1, double y1, double x2, double y2,
          TJobCounts& counts)
{
    e.MarkAllOutputs();
    e.SelectPen(clBlack, TPenStyle::psSolid, width, TPenMode::pmCopy);
    e.MoveTo(x1, y1);
    e.LineTo(x2, y2);
    ++counts.lines;
}

TJobCounts PrintBook(TOutputEngine& e)
{
    TJobCounts counts;
    TFontSpec title;
    title.Size = 25;
    TFontSpec digit;
    digit.Size = 16;
    TFontSpec footer;
    footer.Size = 10;
    const std::string digits[10] = {"", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    for (int page = 1; page <= kPages; ++page) {
        if (page > 1)
            e.NextPage();
        Text(e, title, "Very Easy Sudoku", 0.5, 0.4, 7.5, TPrintJustify::pjLeft, counts);
        for (int grid = 0; grid < 4; ++grid) {
            const double left = 0.5 + (grid % 2) * 3.9;
            const double top = 1.2 + (grid / 2) * 4.6;
            const double cell = 0.4;
            for (int i = 0; i <= 9; ++i) {
                const int width = i % 3 == 0 ? 10 : 5;
                Line(e, width, left, top + i * cell, left + 9 * cell, top + i * cell, counts);
                Line(e, width, left + i * cell, top, left + i * cell, top + 9 * cell, counts);
            }
            for (int r = 0; r < 9; ++r)
                for (int c = 0; c < 9; ++c)
                    Text(e, digit, digits[(r * 3 + r / 3 + c + page) % 9 + 1], left + c * cell,
                         top + r * cell + 0.05, cell, TPrintJustify::pjCenter, counts);
        }
        Text(e, footer, "Page " + std::to_string(page), 0.5, 10.5, 7.5, TPrintJustify::pjLeft,
             counts);
    }
    return counts;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string file = argc > 2 ? argv[2] : "";
    const auto coldStart = std::chrono::steady_clock::now();
    auto fonts = std::make_shared<TFontManager>();

    double cold = 0;
    std::vector<double> seconds;
    TJobCounts counts;
    std::size_t size = 0;
    for (int run = 0; run <= runs; ++run) // run 0 fills the font caches
    {
        TPageStreamWriter writer(fonts);
        writer.SetFileName(file);
        writer.OnPrint = [&](TOutputEngine& e) { counts = PrintBook(e); };
        const auto start = std::chrono::steady_clock::now();
        writer.RunJob();
        const auto stop = std::chrono::steady_clock::now();
        size = writer.MemoryData().size();
        if (run > 0)
            seconds.push_back(std::chrono::duration<double>(stop - start).count());
        else
            cold = std::chrono::duration<double>(stop - coldStart).count();
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("page stream: %d pages, %ld texts, %ld lines, %zu bytes%s\n", kPages, counts.texts,
                counts.lines, size, file.empty() ? "" : (" (saved to " + file + ")").c_str());
    std::printf("first job, including font service start-up and face loading: %.1f ms\n",
                cold * 1e3);
    std::printf("time per job over %d runs: best %.1f ms, median %.1f ms, worst %.1f ms\n", runs,
                seconds.front() * 1e3, seconds[seconds.size() / 2] * 1e3, seconds.back() * 1e3);
    return 0;
}
