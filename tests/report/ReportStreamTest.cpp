// A report run into the page-stream writer: a report laid out like two book pages must write
// exactly the bytes of the checked-in book-like page stream, which the writer's own tests produce
// by calling the engine directly.

#include "gq/Error.h"
#include "report/PageStreamWriter.h"
#include "report/RepItems.h"
#include "report/RepProject.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace gq::report
{
namespace
{

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TRepText* AddText(TRepPage& page, const std::string& text, int size, double left, double top,
                  TPrintJustify justify = TPrintJustify::pjLeft)
{
    auto* item = page.AddChildControl<TRepText>("TitleText", 0, 0, 0, 0);
    item->SetText(text);
    item->SetLeft(left);
    item->SetTop(top);
    item->SetFontSize(size);
    item->SetFontName("Arial");
    item->SetFontJustify(justify);
    return item;
}

// Two pages: a title, a 9 x 9 grid of 10- and 5-pixel lines, nine centred digits, a footer.
void LayOutBookLikePages(TRepProject& project)
{
    TRepProjectManager& manager = *project.Manager();
    auto* report = static_cast<TRepReport*>(manager.FindByPath("Report1", nullptr));
    report->AddPage();
    for (int n = 1; n <= 2; ++n) {
        auto* page = static_cast<TRepPage*>(manager.FindByPath("Report1.Page" + std::to_string(n)));
        if (n == 1) {
            page->SetGotoPage(static_cast<TRepPage*>(manager.FindByPath("Report1.Page2")));
        }
        page->WasteFit = true;
        AddText(*page, "Very Easy Sudoku", 25, 0.5, 0.4);
        for (int i = 0; i <= 9; ++i) {
            const int width = i % 3 == 0 ? 10 : 5;
            auto* hline = page->AddChildControl<TRepHLine>("", 0, 0, 0, 0);
            hline->SetLeft(0.5);
            hline->SetWidth(7.56);
            hline->SetLineWidth(width);
            hline->SetTop(1.79 + i * 0.84);
            auto* vline = page->AddChildControl<TRepVLine>("", 0, 0, 0, 0);
            vline->SetTop(1.79);
            vline->SetHeight(7.56);
            vline->SetLineWidth(width);
            vline->SetLeft(0.5 + i * 0.84);
        }
        for (int cell = 0; cell < 9; ++cell) {
            AddText(*page, std::to_string(cell + 1), 25, 0.5 + cell * 0.84, 1.95 + cell * 0.84,
                    TPrintJustify::pjCenter);
        }
        AddText(*page, "Page " + std::to_string(n), 12, 0.5, 10.3);
    }
}

TEST(ReportStreamTest, BookLikeReportWritesTheGoldenPageStream)
{
    TPageStreamWriter writer;
    TRepProject project;
    project.SetEngine(&writer);
    project.NewProject();
    LayOutBookLikePages(project);
    project.RunReport("Report1");
    project.CloseProject();

    const Bytes& data = writer.MemoryData();
    const Bytes expected = ReadFile(fs::path(GQ_TEST_DATA_DIR) / "pagestream" / "book-like.pgs");
    ASSERT_FALSE(expected.empty());
    if (data != expected) {
        std::ofstream("report-book-like.pgs.actual", std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()),
                   static_cast<std::streamsize>(data.size()));
        std::size_t at = 0;
        while (at < data.size() && at < expected.size() && data[at] == expected[at]) {
            ++at;
        }
        FAIL() << "differs from book-like.pgs at offset " << at
               << "; written report-book-like.pgs.actual";
    }
    EXPECT_EQ(writer.PagesOutput(), 2);
}

TEST(ReportStreamTest, ARunIntoAFileThatCannotBeWrittenFailsAndLeavesTheProjectUsable)
{
    TPageStreamWriter writer;
    writer.SetStreamMode(TStreamMode::smFile);
    writer.SetFileName("/nonexistent-folder/velmoraquill.pgs");
    TRepProject project;
    project.SetEngine(&writer);
    project.NewProject();
    LayOutBookLikePages(project);
    EXPECT_THROW(project.RunReport("Report1"), gq::Error);
    EXPECT_FALSE(writer.Printing());
    EXPECT_EQ(writer.UnitsFactor(), 1.0);
    EXPECT_FALSE(writer.OnPrint);
    EXPECT_EQ(project.Manager(), project.DesignManager());

    const testsupport::TTempFolder scratch("gq-report-stream");
    const fs::path file = scratch / "book-like.pgs";
    writer.SetFileName(file.string());
    project.RunReport("Report1");
    EXPECT_EQ(ReadFile(file),
              ReadFile(fs::path(GQ_TEST_DATA_DIR) / "pagestream" / "book-like.pgs"));
}

} // namespace
} // namespace gq::report
