// A report run onto an output engine: page order along the chain, fitting, drawing of texts and
// lines, and the state a run leaves behind.

#include "report/ReportRun.h"

#include "gq/Error.h"
#include "report/OutputEngine.h"
#include "report/RepItems.h"
#include "report/RepProject.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace gq::report
{
namespace
{

std::string Fixed(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.4f", value);
    return buffer;
}

// Records what reaches the output: page starts, texts (with the top of their line recovered
// from the baseline) and line segments with the pen they are drawn with.
class TRecordingEngine : public TOutputEngine
{
  public:
    std::vector<std::string> Log;

  protected:
    void BeginPageOutput() override { Log.push_back("page " + std::to_string(CurrentPage())); }

    void TextOut(TTextCommand command, const std::string& text, double x, double width) override
    {
        const char* kind = command == TTextCommand::Center  ? "center"
                           : command == TTextCommand::Left  ? "left"
                           : command == TTextCommand::Right ? "right"
                                                            : "block";
        double top = CursorYInches() - LineHeightInches() + DescentInches();
        Log.push_back(std::string(kind) + " \"" + text + "\" x " + Fixed(x) + " w " + Fixed(width) +
                      " top " + Fixed(top));
    }

    void LineOut(bool lineTo, double x, double y) override
    {
        Log.push_back(std::string(lineTo ? "lineto " : "moveto ") + Fixed(x) + " " + Fixed(y) +
                      " pen " + std::to_string(Pen().Width) +
                      (Pen().Style == TPenStyle::psClear ? " clear" : ""));
    }
};

class ReportRunTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        project.SetEngine(&engine);
        project.NewProject();
    }

    TRepReport* Report() { return project.Manager()->ActiveReport(); }
    TRepPage* PageNo(int n)
    {
        return dynamic_cast<TRepPage*>(
            project.Manager()->FindByPath("Report1.Page" + std::to_string(n)));
    }

    // Pages 1..count, each holding one left-justified text with its page name, chained in order.
    void MakeChain(int count)
    {
        for (int n = 2; n <= count; ++n) {
            Report()->AddPage();
        }
        for (int n = 1; n <= count; ++n) {
            auto* text = PageNo(n)->AddChildControl<TRepText>("TitleText", 1.0, 1.0);
            text->SetText("P" + std::to_string(n));
            if (n < count) {
                PageNo(n)->SetGotoPage(PageNo(n + 1));
            }
        }
    }

    // The page names in the order they were printed.
    std::vector<std::string> PrintedPages() const
    {
        std::vector<std::string> pages;
        for (const std::string& entry : engine.Log) {
            std::size_t quote = entry.find('"');
            if (quote != std::string::npos) {
                pages.push_back(entry.substr(quote + 1, entry.find('"', quote + 1) - quote - 1));
            }
        }
        return pages;
    }

    int PageCount() const
    {
        int pages = 0;
        for (const std::string& entry : engine.Log) {
            pages += entry.rfind("page ", 0) == 0 ? 1 : 0;
        }
        return pages;
    }

    TRecordingEngine engine;
    TRepProject project;
};

using Pages = std::vector<std::string>;

TEST_F(ReportRunTest, PagesPrintInChainOrderAndPagesOffTheChainNever)
{
    MakeChain(3);
    Report()->AddPage()->AddChildControl<TRepText>("TitleText")->SetText("Off");
    // Chain 1 -> 3 -> 2 by reordering GotoPage.
    PageNo(1)->SetGotoPage(PageNo(3));
    PageNo(3)->SetGotoPage(PageNo(2));
    PageNo(2)->SetGotoPage(nullptr);
    project.RunReport("Report1");
    EXPECT_EQ(PrintedPages(), (Pages{"P1", "P3", "P2"}));
    EXPECT_EQ(PageCount(), 3);
    EXPECT_FALSE(engine.Printing());
}

TEST_F(ReportRunTest, MaxPagesBoundsTheRun)
{
    struct Case
    {
        int maxPages;
        bool loop;
        Pages expected;
    };
    const Case cases[] = {
        {2, false, {"P1", "P2"}},
        {5, true, {"P1", "P2", "P3", "P1", "P2"}},
        {0, false, {"P1", "P2", "P3"}},
        {9, false, {"P1", "P2", "P3"}},
    };
    for (const Case& c : cases) {
        engine.Log.clear();
        project.NewProject();
        MakeChain(3);
        Report()->MaxPages = c.maxPages;
        if (c.loop) {
            PageNo(3)->SetGotoPage(PageNo(1));
        }
        project.RunReport("report1");
        EXPECT_EQ(PrintedPages(), c.expected) << "MaxPages " << c.maxPages;
        EXPECT_EQ(PageCount(), static_cast<int>(c.expected.size()));
    }
}

TEST_F(ReportRunTest, AnUnboundedLoopingChainIsRefusedInsteadOfRunningForever)
{
    MakeChain(2);
    PageNo(2)->SetGotoPage(PageNo(1));
    try {
        project.RunReport("Report1");
        FAIL() << "looping chain ran";
    } catch (const gq::Error& e) {
        EXPECT_NE(std::string(e.what()).find("Page1"), std::string::npos) << e.what();
    }
    EXPECT_EQ(PrintedPages(), (Pages{"P1", "P2"}));
    EXPECT_FALSE(engine.Printing());
}

TEST_F(ReportRunTest, GotoModesAndPageList)
{
    struct Case
    {
        const char* name;
        TGotoMode mode;
        std::vector<int> pageList;
        Pages expected;
    };
    const Case cases[] = {
        // Every page is finished: gmGotoNotDone stops after the first page.
        {"not done", TGotoMode::gmGotoNotDone, {}, {"P1"}},
        {"call each", TGotoMode::gmCallEach, {}, {"P1", "P2", "P3"}},
        // A page list replaces FirstPage; each entry still follows its own chain.
        {"list", TGotoMode::gmGotoDone, {3, 1}, {"P3", "P1", "P2", "P3"}},
        {"list not done", TGotoMode::gmGotoNotDone, {3, 1}, {"P3", "P1"}},
    };
    for (const Case& c : cases) {
        engine.Log.clear();
        project.NewProject();
        MakeChain(3);
        Report()->MaxPages = 10;
        for (int n = 1; n <= 3; ++n) {
            PageNo(n)->GotoMode = c.mode;
        }
        std::vector<TRepPage*> list;
        for (int n : c.pageList) {
            list.push_back(PageNo(n));
        }
        Report()->SetPageList(list);
        project.RunReport("Report1");
        EXPECT_EQ(PrintedPages(), c.expected) << c.name;
    }
}

TEST_F(ReportRunTest, TextsAreJustifiedInTheirFieldBelowTheirTop)
{
    TRepPage* page = PageNo(1);
    struct Case
    {
        TPrintJustify justify;
        const char* expected;
    };
    const Case cases[] = {
        {TPrintJustify::pjCenter, "center \"7\" x 1.5000 w 0.0000 top 2.0000"},
        {TPrintJustify::pjLeft, "left \"7\" x 1.0000 w 0.0000 top 2.0000"},
        {TPrintJustify::pjRight, "right \"7\" x 2.0000 w 0.0000 top 2.0000"},
    };
    for (const Case& c : cases) {
        auto* text = page->AddChildControl<TRepText>("TitleText", 1.0, 2.0);
        text->SetFontSize(25);
        text->SetFontJustify(c.justify);
        text->SetText("7");
    }
    project.RunReport("Report1");
    ASSERT_EQ(engine.Log.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(engine.Log[i + 1], cases[i].expected);
    }
}

// The hook and the font reach the run's copy, which keeps its fonts in its own table; the design
// item keeps its text.
TEST_F(ReportRunTest, TextHookAndFontReachTheCopy)
{
    auto* text = PageNo(1)->AddChildControl<TRepText>("TitleText", 1.0, 2.0);
    text->SetText("7");
    text->SetFontSize(25);
    text->SetFontJustify(TPrintJustify::pjLeft);
    std::vector<const TRepCustomText*> senders;
    text->SetOnGetText([&](TRepCustomText& sender, std::string& value) {
        senders.push_back(&sender);
        EXPECT_EQ(sender.Font().Size, 25);
        value += "!";
    });
    project.RunReport("Report1");
    ASSERT_EQ(engine.Log.size(), 2u);
    EXPECT_EQ(engine.Log[1], "left \"7!\" x 1.0000 w 0.0000 top 2.0000");
    ASSERT_EQ(senders.size(), 1u);
    EXPECT_NE(senders[0], text);
    EXPECT_EQ(text->Text(), "7");
}

TEST_F(ReportRunTest, TruncatedTextsAreCutToTheirWidth)
{
    auto* text = PageNo(1)->AddChildControl<TRepText>("TitleText", 0.5, 0.5, 0.3);
    text->SetText("A long text that cannot fit");
    text->Truncate = true;
    project.RunReport("Report1");
    ASSERT_EQ(engine.Log.size(), 2u);
    std::string printed = PrintedPages().at(0);
    EXPECT_FALSE(printed.empty());
    EXPECT_LT(printed.size(), text->Text().size());
    EXPECT_EQ(text->Text().rfind(printed, 0), 0u);
}

TEST_F(ReportRunTest, LinesRunAcrossTheirBoundsWithTheirPen)
{
    TRepPage* page = PageNo(1);
    auto* vline = page->AddChildControl<TRepVLine>("", 0.5, 1.79, 0, 7.56);
    vline->SetLineWidth(10);
    auto* hline = page->AddChildControl<TRepHLine>("", 1.0, 2.0, 4.5);
    hline->SetLineWidth(5);
    page->AddChildControl<TRepHLine>("", 1.0, 3.0)->SetLineWidth(0);
    auto* points = page->AddChildControl<TRepLine>("", 1.0, 1.0, 2.0, 1.0);
    points->SetLineWidthType(TLineWidthType::wtPoints);
    points->SetLineWidth(72); // one inch: 600 pixels
    points->NESW = true;
    page->AddChildControl<TRepHLine>()->SetLineWidth(2.5); // halves round to even
    project.RunReport("Report1");
    EXPECT_EQ(engine.Log, (std::vector<std::string>{
                              "page 1",
                              "moveto 0.5000 1.7900 pen 10",
                              "lineto 0.5000 9.3500 pen 10",
                              "moveto 1.0000 2.0000 pen 5",
                              "lineto 5.5000 2.0000 pen 5",
                              "moveto 1.0000 3.0000 pen 1 clear",
                              "lineto 2.0000 3.0000 pen 1 clear",
                              "moveto 1.0000 2.0000 pen 600",
                              "lineto 3.0000 1.0000 pen 600",
                              "moveto 0.0000 0.0000 pen 2",
                              "lineto 1.0000 0.0000 pen 2",
                          }));
}

TEST_F(ReportRunTest, WasteFitClipsTheCopyAndEveryPrintingStartsFromTheDesignBounds)
{
    TRepPage* page = PageNo(1);
    page->WasteFit = true;
    page->SetGotoPage(page);
    Report()->MaxPages = 2;
    auto* text = page->AddChildControl<TRepText>("TitleText", 0, 0.5);
    text->SetFontJustify(TPrintJustify::pjCenter);
    text->SetText("x");
    auto* line = page->AddChildControl<TRepHLine>("", 8.0, 10.995, 1.0);
    // Each printing moves the text one inch right after the fit; were the next printing to start
    // from there, the text would march across the page.
    text->Events().OnBeforePrint = [](TRepComponent& sender) {
        auto& control = static_cast<TRepControl&>(sender);
        control.SetLeft(control.Left() + 1);
    };
    project.RunReport("Report1");
    EXPECT_EQ(engine.Log, (std::vector<std::string>{
                              "page 1", "center \"x\" x 1.5050 w 0.0000 top 0.5000",
                              "moveto 8.0000 10.9950 pen 1", "lineto 8.4900 10.9950 pen 1",
                              "page 2", "center \"x\" x 1.5050 w 0.0000 top 0.5000",
                              "moveto 8.0000 10.9950 pen 1", "lineto 8.4900 10.9950 pen 1"}));
    // The design-time items are untouched by the run.
    EXPECT_EQ(text->Left(), 0.0);
    EXPECT_EQ(text->Width(), 1.0);
    EXPECT_EQ(line->Top(), 10.995);
    EXPECT_EQ(line->Width(), 1.0);
    EXPECT_EQ(page->ChildCount(), 2);
}

TEST_F(ReportRunTest, ManagerReturnsTheCopyOnlyWhileTheRunLasts)
{
    auto* text = PageNo(1)->AddChildControl<TRepText>("TitleText");
    TRepProjectManager* design = project.Manager();
    bool checked = false;
    text->Events().OnBeforePrint = [&](TRepComponent& sender) {
        EXPECT_NE(project.Manager(), design);
        EXPECT_EQ(project.Manager()->FindByPath("Report1.Page1.TitleText"), nullptr);
        EXPECT_EQ(project.Manager()->FindByPath("Page1.TitleText"), &sender);
        EXPECT_EQ(sender.Page(), project.Manager()->FindByPath("report1.page1"));
        EXPECT_NE(&sender, text);
        checked = true;
    };
    project.RunReport("Report1");
    EXPECT_TRUE(checked);
    EXPECT_EQ(project.Manager(), design);
}

TEST_F(ReportRunTest, ExecutionCopyKeepsNamesClassesOrderValuesAndReferences)
{
    MakeChain(3);
    PageNo(3)->SetGotoPage(PageNo(1));
    PageNo(2)->WasteFit = true;
    PageNo(2)->GotoMode = TGotoMode::gmCallEach;
    auto* line = PageNo(2)->AddChildControl<TRepVLine>("", 0.5, 1.0, 0, 2.0);
    line->SetLineWidth(10);
    Report()->MaxPages = 7;
    Report()->SetPageList({PageNo(2)});

    TRepReport* copy = nullptr;
    auto manager = TReportRun::MakeExecutionCopy(*Report(), copy);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Name(), "Report1");
    EXPECT_EQ(copy->MaxPages, 7);
    ASSERT_EQ(copy->ChildCount(), 3);
    for (int n = 0; n < 3; ++n) {
        const TRepComponent* source = Report()->Child(n);
        const TRepComponent* target = copy->Child(n);
        EXPECT_NE(source, target);
        EXPECT_EQ(source->Name(), target->Name());
        EXPECT_EQ(source->ClassName(), target->ClassName());
        ASSERT_EQ(source->ChildCount(), target->ChildCount());
        for (int i = 0; i < source->ChildCount(); ++i) {
            EXPECT_EQ(source->Child(i)->Name(), target->Child(i)->Name());
            EXPECT_EQ(source->Child(i)->ClassName(), target->Child(i)->ClassName());
        }
    }
    auto* page1 = static_cast<TRepPage*>(copy->Child(0));
    auto* page2 = static_cast<TRepPage*>(copy->Child(1));
    auto* page3 = static_cast<TRepPage*>(copy->Child(2));
    EXPECT_EQ(copy->FirstPage(), page1);
    EXPECT_EQ(page1->GotoPage(), page2);
    EXPECT_EQ(page3->GotoPage(), page1);
    EXPECT_EQ(copy->PageList(), (std::vector<TRepPage*>{page2}));
    EXPECT_TRUE(page2->WasteFit);
    EXPECT_EQ(page2->GotoMode, TGotoMode::gmCallEach);
    auto* lineCopy = static_cast<TRepVLine*>(page2->Child(1));
    EXPECT_EQ(lineCopy->Owner(), page2);
    EXPECT_EQ(lineCopy->Page(), page2);
    EXPECT_EQ(lineCopy->Report(), copy);
    EXPECT_EQ(lineCopy->LineWidth(), 10);
    EXPECT_EQ(lineCopy->Height(), 2.0);
    EXPECT_EQ(static_cast<TRepText*>(page3->Child(0))->Text(), "P3");
    EXPECT_EQ(manager->FindByPath("Report1.Page2.VLine1"), nullptr);
    EXPECT_EQ(page2->FindComponent("vline1"), lineCopy);
}

TEST_F(ReportRunTest, AFailingRunRestoresTheEngineAndPropagates)
{
    MakeChain(2);
    engine.SetUnitsFactor(25.4);
    int ownPrint = 0, ownBefore = 0, ownAfter = 0;
    engine.OnPrint = [&](TOutputEngine&) { ++ownPrint; };
    engine.OnBeforePrint = [&](TOutputEngine&) { ++ownBefore; };
    engine.OnAfterPrint = [&](TOutputEngine&) { ++ownAfter; };
    TRepProjectManager* design = project.Manager();
    double unitsSeen = 0;
    static_cast<TRepText*>(PageNo(2)->Child(0))->Events().OnBeforePrint = [&](TRepComponent&) {
        unitsSeen = engine.UnitsFactor();
        throw gq::Error("text failed");
    };

    EXPECT_THROW(project.RunReport("Report1"), gq::Error);
    EXPECT_EQ(unitsSeen, 1.0);
    EXPECT_EQ(ownBefore, 1); // the engine's own handler still ran after the run's
    EXPECT_EQ(engine.UnitsFactor(), 25.4);
    EXPECT_EQ(engine.Units(), TPrintUnits::unMM);
    EXPECT_FALSE(engine.Printing());
    EXPECT_EQ(project.Manager(), design);
    EXPECT_EQ(PrintedPages(), (Pages{"P1"}));

    // The engine's own handlers are back in place, alone.
    engine.OnPrint(engine);
    engine.OnBeforePrint(engine);
    engine.OnAfterPrint(engine);
    EXPECT_EQ(ownPrint, 1);
    EXPECT_EQ(ownBefore, 2);
    EXPECT_EQ(ownAfter, 1);

    // A later run on the same engine works and chains the engine's handlers once each.
    static_cast<TRepText*>(PageNo(2)->Child(0))->Events().OnBeforePrint = nullptr;
    engine.Log.clear();
    project.RunReport("Report1");
    EXPECT_EQ(PrintedPages(), (Pages{"P1", "P2"}));
    EXPECT_EQ(ownPrint, 2);
    EXPECT_EQ(ownBefore, 3);
    EXPECT_EQ(ownAfter, 2);
}

TEST_F(ReportRunTest, ReportHooksRunAroundTheRunEvenWhenItFails)
{
    MakeChain(1);
    std::vector<std::string> calls;
    auto* text = static_cast<TRepText*>(PageNo(1)->Child(0));
    text->Events().OnBeforeReport = [&](TRepComponent& c) {
        calls.push_back("before " + c.Name());
    };
    text->Events().OnAfterReport = [&](TRepComponent& c) {
        calls.push_back("after " + c.Name());
        throw gq::Error("after-report hook failed");
    };
    Report()->Events().OnAfterReport = [&](TRepComponent& c) {
        calls.push_back("after " + c.Name());
    };
    text->Events().OnAfterPrint = [&](TRepComponent&) { throw gq::Error("printing failed"); };

    try {
        project.RunReport("Report1");
        FAIL() << "no error";
    } catch (const gq::Error& e) {
        EXPECT_STREQ(e.what(), "printing failed"); // not the later hook's error
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"before TitleText", "after TitleText"}));
}

TEST_F(ReportRunTest, ARunOnTheDesignItemsPrintsWhatACopyPrints)
{
    // The same report printed through a copy and, once more, on its own items: the output agrees
    // (fitting, looping pages and all) and the items themselves are the ones printed.
    MakeChain(3);
    TRepPage* page = PageNo(3);
    page->WasteFit = true;
    page->SetGotoPage(page);
    Report()->MaxPages = 5;
    page->AddChildControl<TRepHLine>("", 8.0, 10.995, 1.0);
    project.RunReport("Report1");
    const std::vector<std::string> throughCopy = engine.Log;
    engine.Log.clear();

    TRepComponent* design = PageNo(1)->Child(0);
    TRepProjectManager* designManager = project.Manager();
    const TRepComponent* printed = nullptr;
    design->Events().OnBeforePrint = [&](TRepComponent& sender) {
        printed = &sender;
        EXPECT_EQ(project.Manager(), designManager);
    };
    project.RunReport("Report1", TRunItems::DesignItems);
    EXPECT_EQ(engine.Log, throughCopy);
    EXPECT_EQ(printed, design);
    EXPECT_FALSE(engine.Printing());
}

// Fills page n of a chain as MakeChain does, with a line the page's fit must clip; logs every
// call and what a filled item sees of the run.
class TChainSource final : public IPageSource
{
  public:
    explicit TChainSource(std::vector<std::string>& calls) : m_calls(calls) {}
    void FillPage(TRepPage& page) override
    {
        m_calls.push_back("fill " + page.Name() + " holding " + std::to_string(page.ChildCount()));
        auto* text = page.AddChildControl<TRepText>("TitleText", 1.0, 1.0);
        text->SetText("P" + page.Name().substr(4));
        page.AddChildControl<TRepHLine>("", 8.0, 10.995, 1.0);
        text->Events().OnBeforeReport = [this](TRepComponent&) { m_calls.push_back("start"); };
        text->Events().OnAfterReport = [this](TRepComponent&) { m_calls.push_back("end"); };
    }
    void PagePrinted(TRepPage& page) override
    {
        m_calls.push_back("printed " + page.Name());
        page.FreeOwnedItems();
    }

  private:
    std::vector<std::string>& m_calls;
};

TEST_F(ReportRunTest, APageSourceFillsEachPageAsItPrintsAndEmptiesItOnceItHasPrinted)
{
    // The same report printed whole, then with its pages filled one at a time: the output
    // agrees (fitting included), each page holds its items only while it prints, and items made
    // during the run still see its start and end.
    MakeChain(3);
    for (int n = 1; n <= 3; ++n) {
        PageNo(n)->WasteFit = true;
        PageNo(n)->AddChildControl<TRepHLine>("", 8.0, 10.995, 1.0);
    }
    project.RunReport("Report1", TRunItems::DesignItems);
    const std::vector<std::string> whole = engine.Log;
    engine.Log.clear();

    project.NewProject();
    for (int n = 2; n <= 3; ++n) {
        Report()->AddPage();
    }
    for (int n = 1; n <= 3; ++n) {
        PageNo(n)->WasteFit = true;
        if (n < 3) {
            PageNo(n)->SetGotoPage(PageNo(n + 1));
        }
    }
    std::vector<std::string> calls;
    TChainSource source(calls);
    Report()->SetPageSource(&source);
    project.RunReport("Report1", TRunItems::DesignItems);
    EXPECT_EQ(engine.Log, whole);
    EXPECT_EQ(calls,
              (std::vector<std::string>{"fill Page1 holding 0", "start", "end", "printed Page1",
                                        "fill Page2 holding 0", "start", "end", "printed Page2",
                                        "fill Page3 holding 0", "start", "end", "printed Page3"}));
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(PageNo(n)->ChildCount(), 0);
        EXPECT_EQ(PageNo(n)->ComponentCount(), 0);
    }
    EXPECT_EQ(project.Manager()->ItemArena().LiveBlocks(), 3U + 1U) // the pages and the report
        << "an emptied page gave its items back";
    Report()->SetPageSource(nullptr);
}

TEST_F(ReportRunTest, AFailingRunOnTheDesignItemsRestoresTheEngine)
{
    MakeChain(2);
    engine.SetUnitsFactor(25.4);
    PageNo(2)->Child(0)->Events().OnBeforePrint = [](TRepComponent&) {
        throw gq::Error("text failed");
    };
    EXPECT_THROW(project.RunReport("Report1", TRunItems::DesignItems), gq::Error);
    EXPECT_FALSE(engine.Printing());
    EXPECT_EQ(engine.UnitsFactor(), 25.4);
    EXPECT_EQ(PrintedPages(), (Pages{"P1"}));
}

TEST_F(ReportRunTest, ARunInsideAJobPrintsIntoTheCurrentPage)
{
    MakeChain(2);
    engine.StartJob();
    project.RunReport("Report1");
    EXPECT_TRUE(engine.Printing());
    engine.FinishJob();
    EXPECT_EQ(engine.Log,
              (std::vector<std::string>{"page 1", "left \"P1\" x 1.0000 w 0.0000 top 1.0000",
                                        "page 2", "left \"P2\" x 1.0000 w 0.0000 top 1.0000"}));
}

TEST_F(ReportRunTest, HiddenItemsAndAnEmptyReportPrintNothing)
{
    MakeChain(2);
    PageNo(1)->Child(0)->Hide();
    PageNo(2)->Hide();
    project.RunReport("Report1");
    EXPECT_EQ(engine.Log, (std::vector<std::string>{"page 1", "page 2"}));

    engine.Log.clear();
    delete PageNo(1); // FirstPage is cleared with it
    project.RunReport("Report1");
    EXPECT_EQ(engine.Log, (std::vector<std::string>{"page 1"}));
}

} // namespace
} // namespace gq::report
