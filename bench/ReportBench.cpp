// Builds a report the way the book builder does (pages looked up by path, items added with
// AddChildControl and set property by property), runs it into the page-stream writer (in
// memory) and closes the project. Prints the time of each phase for several sizes, so growth that
// is not linear in the pages or in the items per page shows up as a rising time per item.
//
// Usage: gq_report_bench [pages items-per-page]   (default: a table of sizes up to 400 x 400)

#include "report/PageStreamWriter.h"
#include "report/RepItems.h"
#include "report/RepProject.h"
#include "report/ReportRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace
{

using namespace gq::report;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// One page: a title, then grids of 20 lines and 81 centred digits until `items` are placed.
void FillPage(TRepProjectManager& manager, int pageNo, int items)
{
    auto* page =
        static_cast<TRepPage*>(manager.FindByPath("Report1.Page" + std::to_string(pageNo)));
    page->WasteFit = true;
    auto* title = page->AddChildControl<TRepText>("TitleText", 0, 0, 0, 0);
    title->SetText("Extreme Sudoku by Gridquill");
    title->SetLeft(5.4);
    title->SetTop(0.6);
    title->SetFontSize(12);
    title->SetFontName("Arial");
    int placed = 1;
    while (placed < items) {
        for (int i = 1; i <= 10 && placed < items; ++i, ++placed) {
            auto* line = page->AddChildControl<TRepHLine>("", 0, 0, 0, 0);
            line->SetLeft(0.5);
            line->SetWidth(3.6);
            line->SetLineWidth(i % 3 == 1 ? 10 : 5);
            line->SetTop(1.0 + (i - 1) * 0.4);
        }
        for (int j = 1; j <= 10 && placed < items; ++j, ++placed) {
            auto* line = page->AddChildControl<TRepVLine>("", 0, 0, 0, 0);
            line->SetTop(1.0);
            line->SetHeight(3.6);
            line->SetLineWidth(j % 3 == 1 ? 10 : 5);
            line->SetLeft(0.5 + (j - 1) * 0.4);
        }
        for (int cell = 0; cell < 81 && placed < items; ++cell, ++placed) {
            auto* digit = page->AddChildControl<TRepText>("TitleText", 0, 0, 0, 0);
            digit->SetLeft(0.2 + (cell / 9) * 0.4);
            digit->SetTop(1.05 + (cell % 9) * 0.4);
            digit->SetFontSize(20);
            digit->SetFontJustify(TPrintJustify::pjCenter);
            digit->SetText(std::string(1, static_cast<char>('1' + cell % 9)));
        }
    }
}

struct TTimes
{
    double Build = 0;
    double Copy = 0; ///< making and freeing an execution copy alone (part of every run)
    double Run = 0;
    double Close = 0;
};

TTimes Measure(int pages, int items)
{
    TPageStreamWriter engine; // writes the page stream into memory
    TRepProject project;
    project.SetEngine(&engine);
    TTimes times;

    auto start = Clock::now();
    project.NewProject();
    TRepProjectManager& manager = *project.Manager();
    auto* report = static_cast<TRepReport*>(manager.FindByPath("Report1", nullptr));
    for (int n = 2; n <= pages; ++n) {
        report->AddPage();
    }
    for (int n = 1; n < pages; ++n) {
        auto* page = static_cast<TRepPage*>(manager.FindByPath("Report1.Page" + std::to_string(n)));
        page->SetGotoPage(
            static_cast<TRepPage*>(manager.FindByPath("Report1.Page" + std::to_string(n + 1))));
    }
    for (int n = 1; n <= pages; ++n) {
        FillPage(manager, n, items);
    }
    times.Build = Seconds(start);

    start = Clock::now();
    {
        TRepReport* copy = nullptr;
        auto copyManager = TReportRun::MakeExecutionCopy(*report, copy);
    }
    times.Copy = Seconds(start);

    start = Clock::now();
    project.RunReport("Report1");
    times.Run = Seconds(start);
    if (engine.PagesOutput() != pages) {
        std::fprintf(stderr, "run printed %d pages, expected %d\n", engine.PagesOutput(), pages);
        std::exit(1);
    }

    start = Clock::now();
    project.CloseProject();
    times.Close = Seconds(start);
    return times;
}

void Report(int pages, int items)
{
    TTimes best{1e9, 1e9, 1e9, 1e9};
    for (int round = 0; round < 3; ++round) {
        TTimes t = Measure(pages, items);
        best.Build = std::min(best.Build, t.Build);
        best.Copy = std::min(best.Copy, t.Copy);
        best.Run = std::min(best.Run, t.Run);
        best.Close = std::min(best.Close, t.Close);
    }
    double total = best.Build + best.Run + best.Close;
    double count = static_cast<double>(pages) * items;
    std::printf("%5d pages x %4d items: build %6.1f ms, run %6.1f ms (copy %5.1f ms), close "
                "%5.1f ms, total %6.1f ms, %5.0f ns/item\n",
                pages, items, best.Build * 1e3, best.Run * 1e3, best.Copy * 1e3, best.Close * 1e3,
                total * 1e3, total * 1e9 / count);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3) {
        Report(std::atoi(argv[1]), std::atoi(argv[2]));
        return 0;
    }
    const std::pair<int, int> sizes[] = {
        {100, 400}, {400, 400}, {400, 100}, {100, 1600}, {25, 6400}};
    for (auto [pages, items] : sizes) {
        Report(pages, items);
    }
    return 0;
}
