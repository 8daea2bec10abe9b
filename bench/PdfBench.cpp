// Plays a page stream into a PDF file the way the book does (fonts embedded, WinAnsi encoding)
// and prints the time per render. The stream is a .pgs file given on the command line (the
// book leaves the largest one in its runtime folder), or else one made here with the page-stream
// writer: 400 pages of four sudoku grids, 20 lines and 81 centred digits each.
//
// Usage: gq-bench-pdf [runs] [stream.pgs]

#include "pdf/RenderPDF.h"
#include "report/FontManager.h"
#include "report/PageStreamWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace
{

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(1);
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A book-sized stream: per page a heading, four grids (ten rules each way, thick every third)
// with a digit centred in every cell, and a page number.
Bytes MakeBookStream()
{
    using namespace gq::report;
    TPageStreamWriter writer(std::make_shared<TFontManager>());
    writer.OnPrint = [](TOutputEngine& e) {
        TFontSpec heading, digit, small;
        heading.Size = 25;
        digit.Size = 16;
        small.Size = 10;
        auto write = [&](const TFontSpec& font, const std::string& text, double x, double y,
                         double width, TPrintJustify justify) {
            e.MarkAllOutputs();
            e.ApplyFont(font);
            e.SetBaselineFromTop(y);
            e.PrintJustified(text, justify, x, 0, width);
        };
        for (int page = 1; page <= 400; ++page) {
            if (page > 1)
                e.NextPage();
            write(heading, "Sudoku", 0.5, 0.4, 7.5, TPrintJustify::pjLeft);
            for (int grid = 0; grid < 4; ++grid) {
                double x0 = grid % 2 == 0 ? 0.5 : 4.4, y0 = grid < 2 ? 1.2 : 5.8;
                for (int k = 0; k < 20; ++k) {
                    double at = (k % 10) * 0.4;
                    e.MarkAllOutputs();
                    e.SelectPen(clBlack, TPenStyle::psSolid, k % 3 == 0 ? 10 : 5, TPenMode::pmCopy);
                    e.MoveTo(k < 10 ? x0 : x0 + at, k < 10 ? y0 + at : y0);
                    e.LineTo(k < 10 ? x0 + 3.6 : x0 + at, k < 10 ? y0 + at : y0 + 3.6);
                }
                for (int cell = 0; cell < 81; ++cell)
                    write(digit, std::string(1, static_cast<char>('1' + (cell + page) % 9)),
                          x0 + cell % 9 * 0.4, y0 + cell / 9 * 0.4 + 0.05, 0.4,
                          TPrintJustify::pjCenter);
            }
            write(small, std::to_string(page), 0.5, 10.5, 7.5, TPrintJustify::pjLeft);
        }
    };
    writer.RunJob();
    return writer.MemoryData();
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const Bytes stream = argc > 2 ? ReadFile(argv[2]) : MakeBookStream();
    const std::string output =
        (std::filesystem::temp_directory_path() / "gq-bench-pdf.pdf").string();

    std::vector<double> seconds;
    std::uintmax_t size = 0;
    for (int run = 0; run <= runs; ++run) { // run 0 warms the caches and is not counted
        gq::pdf::TRenderPDF pdf;
        pdf.EmbedFonts = true;
        pdf.FontEncoding = gq::pdf::TPDFFontEncoding::feWinAnsiEncoding;
        pdf.DocInfo.KeyWords = "printable sudoku,pdf sudoku,sudoku";
        const auto start = std::chrono::steady_clock::now();
        pdf.RenderToFile(stream, output);
        const auto stop = std::chrono::steady_clock::now();
        if (run > 0)
            seconds.push_back(std::chrono::duration<double>(stop - start).count());
    }
    std::error_code ignored;
    size = std::filesystem::file_size(output, ignored);
    std::filesystem::remove(output, ignored);

    std::sort(seconds.begin(), seconds.end());
    std::printf("page stream: %zu bytes%s; PDF: %ju bytes\n", stream.size(),
                argc > 2 ? "" : " (made here)", size);
    std::printf("render to file over %d runs: best %.1f ms, median %.1f ms, worst %.1f ms\n", runs,
                seconds.front() * 1e3, seconds[seconds.size() / 2] * 1e3, seconds.back() * 1e3);
    return 0;
}
