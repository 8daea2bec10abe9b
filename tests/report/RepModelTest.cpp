// The report object model: naming, look-up by path, ownership and freeing, property rules.

#include "report/RepItems.h"
#include "report/RepProject.h"

#include "gq/Error.h"

#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>

namespace gq::report
{
namespace
{

class RepModelTest : public ::testing::Test
{
  protected:
    void SetUp() override { project.NewProject(); }

    TRepReport* Report() { return dynamic_cast<TRepReport*>(Manager()->FindByPath("Report1")); }
    TRepProjectManager* Manager() { return project.Manager(); }
    TRepPage* PageNo(int n)
    {
        return dynamic_cast<TRepPage*>(Manager()->FindByPath("Report1.Page" + std::to_string(n)));
    }

    TRepProject project;
};

TEST_F(RepModelTest, NewProjectHoldsReport1WithPage1AsFirstPage)
{
    ASSERT_EQ(Manager()->ReportList().size(), 1u);
    TRepReport* report = Report();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->Name(), "Report1");
    EXPECT_EQ(Manager()->Name(), "ReportProject");
    EXPECT_EQ(Manager()->FileName, "Project1.rpj");
    ASSERT_EQ(report->ChildCount(), 1);
    EXPECT_EQ(report->Child(0)->Name(), "Page1");
    EXPECT_EQ(report->FirstPage(), report->Child(0));
    EXPECT_EQ(Manager()->ActiveReport(), report);
    EXPECT_TRUE(report->FirstPage()->Active());
}

TEST_F(RepModelTest, AddPageNumbersOnAndLeavesNewPagesOffTheChain)
{
    TRepReport* report = Report();
    TRepPage* second = report->AddPage();
    TRepPage* third = report->AddPage();
    EXPECT_EQ(second->Name(), "Page2");
    EXPECT_EQ(third->Name(), "Page3");
    EXPECT_EQ(PageNo(1)->GotoPage(), nullptr);
    EXPECT_EQ(second->GotoPage(), nullptr);
    EXPECT_EQ(report->FirstPage(), PageNo(1));
    EXPECT_EQ(second->Page(), second);
    EXPECT_EQ(second->Report(), report);
    EXPECT_EQ(second->Project(), Manager());
}

TEST_F(RepModelTest, FindByPathIgnoresCaseAndReturnsNullForUnknownNames)
{
    Report()->AddPage();
    TRepText* text = PageNo(2)->AddChildControl<TRepText>("TitleText");

    struct Case
    {
        const char* path;
        TComponent* expected;
    };
    const Case cases[] = {
        {"report1.page2", PageNo(2)},
        {"REPORT1.PAGE1", PageNo(1)},
        {"Report1", Report()},
        {"Report1.Page3", nullptr},
        {"Report2.Page1", nullptr},
        {"Page2.titletext", text}, // a page of the active report as prefix
        {"", nullptr},
        {"Report1.", nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Manager()->FindByPath(c.path), c.expected) << c.path;
    }
    EXPECT_EQ(Manager()->FindByPath("TitleText", PageNo(2)), text);
}

TEST_F(RepModelTest, ChildControlsTakePreferredNameThenBaseWithNumbersPerPage)
{
    TRepPage* first = PageNo(1);
    TRepPage* second = Report()->AddPage();
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        names.push_back(first->AddChildControl<TRepText>("TitleText")->Name());
    }
    names.push_back(first->AddChildControl<TRepHLine>()->Name());
    names.push_back(first->AddChildControl<TRepVLine>()->Name());
    names.push_back(first->AddChildControl<TRepHLine>()->Name());
    names.push_back(second->AddChildControl<TRepText>("TitleText")->Name());
    names.push_back(second->AddChildControl<TRepHLine>()->Name());
    names.push_back(second->AddChildControl<TRepText>(" TitleText ")->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"TitleText", "Text1", "Text2", "HLine1", "VLine1",
                                               "HLine2", "TitleText", "HLine1", "Text1"}));
    // Child-list order is creation order; each control is owned and parented by its page.
    ASSERT_EQ(first->ChildCount(), 6);
    EXPECT_EQ(first->Child(3)->Name(), "HLine1");
    EXPECT_EQ(first->Child(3)->Owner(), first);
    EXPECT_EQ(first->Child(3)->Parent(), first);

    // A name holding '|' is read as "preferred|fallback" together with the base, as
    // MakeUniqueName reads it: the part before the bar is preferred.
    EXPECT_EQ(second->AddChildControl<TRepText>("Grid|Cell")->Name(), "Grid");
    EXPECT_THROW(second->AddChildControl<TRepText>("Grid|Cell"), gq::Error)
        << "the fallback \"Cell|Text\" is no identifier";
    EXPECT_EQ(second->ChildCount(), 4) << "the refused control is freed";
}

// Adding a control takes the first free numbered name without a second look-up; these are the
// cases where "first free" is easy to get wrong: a freed name, a number taken by hand, another
// spelling of the same name, and a preferred name that a rename refuses.
TEST_F(RepModelTest, NumberedNamesStayTheFirstFreeOnes)
{
    TRepPage* page = PageNo(1);
    std::vector<TRepText*> texts;
    for (int i = 0; i < 3; ++i) {
        texts.push_back(page->AddChildControl<TRepText>());
    }
    Free(texts[1]); // "Text2" is free again
    EXPECT_EQ(page->AddChildControl<TRepText>()->Name(), "Text2");
    EXPECT_EQ(page->AddChildControl<TRepText>()->Name(), "Text4");

    page->AddChildControl<TRepText>("Spare")->SetName("TEXT6"); // taken under another spelling
    EXPECT_EQ(page->AddChildControl<TRepText>()->Name(), "Text5");
    EXPECT_EQ(page->AddChildControl<TRepText>()->Name(), "Text7");
    EXPECT_EQ(page->UniqueName({}, "text"), "text8");

    // A preferred name goes through every check of a rename: a reserved word is ignored (the
    // control stays unnamed), a name that is no identifier is refused and the control freed.
    EXPECT_EQ(page->AddChildControl<TRepText>("End")->Name(), "");
    const int count = page->ComponentCount();
    EXPECT_THROW(page->AddChildControl<TRepText>("9lives"), gq::Error);
    EXPECT_EQ(page->ComponentCount(), count);
    // A base that is no identifier still fails as a rename to it does.
    auto* loose = page->AddChildControl<TRepText>("Loose");
    EXPECT_THROW(loose->TakeUniqueName("Loose", "9"), gq::Error);
    EXPECT_EQ(loose->Name(), "Loose");
}

// The one-step naming gives exactly the names that asking for a unique name and renaming to it
// gives, whatever mix of adds, frees and renames came before.
TEST_F(RepModelTest, OneStepNamingMatchesUniqueNameThenRename)
{
    TRepPage* fast = PageNo(1);
    TRepPage* slow = Report()->AddPage();
    std::vector<TComponent*> fastItems;
    std::vector<TComponent*> slowItems;
    std::mt19937 random(7);
    for (int step = 0; step < 2000; ++step) {
        const unsigned what = random() % 10;
        if (what < 6 || fastItems.empty()) {
            const char* preferred = (random() % 3 == 0) ? "Cell" : "";
            auto* a = new TRepText(fast);
            a->SetParent(fast);
            a->TakeUniqueName(preferred, "Text");
            auto* b = new TRepText(slow);
            b->SetParent(slow);
            b->SetName(slow->UniqueName(preferred, "Text"));
            ASSERT_EQ(a->Name(), b->Name()) << "step " << step;
            fastItems.push_back(a);
            slowItems.push_back(b);
        } else {
            const std::size_t at = random() % fastItems.size();
            if (what < 9) {
                Free(fastItems[at]);
                Free(slowItems[at]);
                fastItems.erase(fastItems.begin() + static_cast<std::ptrdiff_t>(at));
                slowItems.erase(slowItems.begin() + static_cast<std::ptrdiff_t>(at));
            } else {
                const std::string name = "TEXT" + std::to_string(random() % 400 + 1);
                if (fast->FindComponent(name) == nullptr) {
                    fastItems[at]->SetName(name);
                    slowItems[at]->SetName(name);
                }
            }
        }
    }
}

// A page that nothing looks names up on names its items in order without a search; the names
// must be those the search gives, whatever preferred names come, and every one must be found
// once a lookup builds the index.
TEST_F(RepModelTest, NamingInOrderGivesTheSearchsNamesAndLookupsFindThem)
{
    TRepPage* inOrder = PageNo(1);
    TRepPage* searched = Report()->AddPage();
    searched->FindComponent("x"); // builds its index: every name from here on is searched
    const std::vector<std::string> preferred = {"TitleText", "", "", "Cell", "Label7",
                                                "text3",     "End", "HLine2", "Note_", "cell"};
    std::mt19937 random(5);
    std::vector<TRepComponent*> items;
    std::vector<TRepComponent*> searchedItems;
    for (int step = 0; step < 3000; ++step) {
        const unsigned what = random() % 3;
        const std::string& name = preferred[random() % preferred.size()];
        auto add = [&](TRepPage* page) -> TRepComponent* {
            if (what == 0)
                return page->AddChildControl<TRepHLine>(name);
            if (what == 1)
                return page->AddChildControl<TRepVLine>();
            return page->AddChildControl<TRepText>(name);
        };
        items.push_back(add(inOrder));
        searchedItems.push_back(add(searched));
        ASSERT_EQ(items.back()->Name(), searchedItems.back()->Name()) << "step " << step;
    }
    for (TRepComponent* item : items) {
        if (item->Name().empty())
            continue; // "End" is a reserved word: that item stays unnamed
        std::string upper = item->Name();
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        ASSERT_EQ(inOrder->FindComponent(upper), item) << item->Name();
    }
    // From the first lookup on, the page is searched: a freed name is found free again.
    const std::string freed = items[10]->Name();
    delete items[10];
    delete searchedItems[10];
    EXPECT_EQ(inOrder->FindComponent(freed), nullptr);
    EXPECT_EQ(inOrder->UniqueName({}, "HLine"), searched->UniqueName({}, "HLine"));
}

TEST_F(RepModelTest, BaseNameDropsLeadingTAndRep)
{
    EXPECT_EQ(TRepComponent::BaseNameOf("TRepText"), "Text");
    EXPECT_EQ(TRepComponent::BaseNameOf("TRepHLine"), "HLine");
    EXPECT_EQ(TRepComponent::BaseNameOf("TREPVLine"), "VLine");
    EXPECT_EQ(TRepComponent::BaseNameOf("TPage"), "Page");
    EXPECT_EQ(TRepComponent::BaseNameOf("Repeat"), "eat");
}

TEST_F(RepModelTest, ZeroSizesKeepTheClassDefaults)
{
    TRepPage* page = PageNo(1);
    auto* hline = page->AddChildControl<TRepHLine>();
    EXPECT_EQ(hline->Width(), 1.0);
    EXPECT_EQ(hline->Height(), 0.0);
    auto* vline = page->AddChildControl<TRepVLine>("", 0.5, 1.79, 0, 7.56);
    EXPECT_EQ(vline->Left(), 0.5);
    EXPECT_EQ(vline->Top(), 1.79);
    EXPECT_EQ(vline->Width(), 0.0);
    EXPECT_EQ(vline->Height(), 7.56);
    auto* line = page->AddChildControl<TRepLine>();
    EXPECT_EQ(line->Width(), 1.0);
    EXPECT_EQ(line->Height(), 1.0);
    auto* text = page->AddChildControl<TRepText>("TitleText", 5.4, 0.6);
    EXPECT_EQ(text->Width(), 1.0);
    EXPECT_EQ(text->FontJustify(), TPrintJustify::pjLeft);
    EXPECT_EQ(text->Font().Name, "Arial");
    EXPECT_EQ(text->Font().Size, 10);
}

// Saved bounds read as all 0 until saved, then as the bounds at the time of saving however the
// bounds move afterwards, and a restore brings those back.
TEST_F(RepModelTest, SavedBoundsKeepTheirValuesWhileTheBoundsMove)
{
    auto* line = PageNo(1)->AddChildControl<TRepHLine>("", 1.0, 2.0, 3.0);
    const TRepBounds zero;
    EXPECT_EQ(line->DesignBounds().Width, zero.Width);
    line->SaveDesignBounds();
    line->SetLeft(4.0);
    line->SaveFittedBounds();
    line->SetBounds({5.0, 6.0, 7.0, 8.0});
    EXPECT_EQ(line->DesignBounds().Left, 1.0);
    EXPECT_EQ(line->DesignBounds().Width, 3.0);
    EXPECT_EQ(line->FittedBounds().Left, 4.0);
    line->RestoreFittedBounds();
    EXPECT_EQ(line->Left(), 4.0);
    EXPECT_EQ(line->Top(), 2.0);
    line->RestoreDesignBounds();
    EXPECT_EQ(line->Left(), 1.0);
    EXPECT_EQ(line->FittedBounds().Left, 4.0);
    line->SetTop(9.0); // the design bounds were current after the restore; they keep 2
    line->RestoreDesignBounds();
    EXPECT_EQ(line->Top(), 2.0);

    auto* copy = PageNo(1)->AddChildControl<TRepHLine>();
    copy->AssignProperties(*line);
    line->SetLeft(11.0);
    EXPECT_EQ(copy->DesignBounds().Left, 1.0);
    EXPECT_EQ(copy->FittedBounds().Left, 4.0);
    EXPECT_EQ(copy->Left(), 1.0);
}

// Texts of a project share one copy of each font; a text outside any project keeps its own.
TEST_F(RepModelTest, TextsShareTheirProjectsFonts)
{
    TRepPage* page = PageNo(1);
    auto* a = page->AddChildControl<TRepText>();
    auto* b = page->AddChildControl<TRepText>();
    const std::size_t before = Manager()->Fonts().Count();
    a->SetFontSize(25);
    b->SetFontSize(25);
    b->SetFontName("Liberation Sans");
    a->SetFontName("Liberation Sans");
    EXPECT_EQ(&a->Font(), &b->Font());
    b->SetColor(0x0000FF);
    EXPECT_EQ(a->Font().Color, clBlack);
    EXPECT_EQ(b->Font().Color, 0x0000FFu);
    EXPECT_EQ(Manager()->Fonts().Count(), before + 3); // size 25, with the name, in blue

    TRepText loose(nullptr);
    loose.SetFontSize(30);
    EXPECT_EQ(loose.Font().Size, 30);
    EXPECT_EQ(TRepFont::Default().Size, 10);
    EXPECT_EQ(Manager()->Fonts().Count(), before + 3);
}

// The table remembers the few fonts it returned last; cycling through more fonts than it
// remembers, in either order, must still give one copy of each.
TEST(RepFontTableTest, KeepsOneCopyOfEachFontWhateverTheOrder)
{
    TRepFontTable table;
    std::vector<TRepFont> fonts(7);
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        fonts[i].Size = 8 + static_cast<int>(i);
    }
    fonts[6].Size = 8;
    fonts[6].Bold = true; // differs from fonts[0] in one field only
    std::vector<const TRepFont*> first;
    for (const TRepFont& font : fonts) {
        first.push_back(table.Keep(font));
        EXPECT_EQ(*first.back(), font);
    }
    EXPECT_EQ(table.Count(), fonts.size());
    EXPECT_NE(first[0], first[6]);
    for (int round = 0; round < 3; ++round) {
        for (std::size_t i = 0; i < fonts.size(); ++i) {
            const std::size_t at = round == 1 ? fonts.size() - 1 - i : (i * 3) % fonts.size();
            EXPECT_EQ(table.Keep(fonts[at]), first[at]) << "round " << round << " font " << at;
        }
    }
    EXPECT_EQ(table.Count(), fonts.size());
}

TEST_F(RepModelTest, SettersIgnoreChangesWithinATenThousandthOfAnInch)
{
    auto* text = PageNo(1)->AddChildControl<TRepText>("TitleText", 1.0, 2.0);
    text->SetLeft(1.00005);
    text->SetTop(2.00009);
    EXPECT_EQ(text->Left(), 1.0);
    EXPECT_EQ(text->Top(), 2.0);
    text->SetLeft(1.0002);
    EXPECT_EQ(text->Left(), 1.0002);

    text->SetFontSize(12);
    EXPECT_DOUBLE_EQ(text->Height(), 0.2);
    text->SetHeight(5);
    EXPECT_DOUBLE_EQ(text->Height(), 0.2);
    text->SetFontSize(-25);
    EXPECT_DOUBLE_EQ(text->Height(), 25.0 / 60);

    TRepPage* page = PageNo(1);
    page->SetPageWidth(8.50001);
    EXPECT_EQ(page->PaperSize, -1);
    page->SetPageHeight(14);
    EXPECT_EQ(page->PaperSize, 256);
}

TEST_F(RepModelTest, AbsolutePositionsAddTheParentControl)
{
    auto* text = PageNo(1)->AddChildControl<TRepText>("", 1.5, 2.0);
    EXPECT_EQ(text->AbsLeft(), 1.5);
    EXPECT_EQ(text->AbsTop(), 2.0);
    EXPECT_EQ(text->AbsRight(), 2.5);

    auto* box = PageNo(1)->AddChildControl<TRepContainerControl>("", 1.0, 1.0, 3, 3);
    auto* inner = box->AddChildControl<TRepHLine>("", 0.25, 0.5);
    EXPECT_EQ(inner->Owner(), PageNo(1));
    EXPECT_EQ(inner->Parent(), box);
    EXPECT_EQ(inner->AbsLeft(), 1.25);
    EXPECT_EQ(inner->AbsBottom(), 1.5);
}

TEST_F(RepModelTest, InvalidAndTakenNamesAreRefusedAndTheOldNameStays)
{
    TRepPage* page = PageNo(1);
    auto* title = page->AddChildControl<TRepText>("TitleText");
    auto* text = page->AddChildControl<TRepText>("TitleText");
    for (const char* bad : {"3abc", "a-b", "Text 1", "Tëxt", "a.b"}) {
        try {
            text->SetName(bad);
            ADD_FAILURE() << bad << " accepted";
        } catch (const gq::Error& e) {
            EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
        }
        EXPECT_EQ(text->Name(), "Text1");
    }
    try {
        text->SetName("titleTEXT");
        ADD_FAILURE() << "taken name accepted";
    } catch (const gq::Error& e) {
        EXPECT_NE(std::string(e.what()).find("titleTEXT"), std::string::npos) << e.what();
    }
    EXPECT_EQ(text->Name(), "Text1");
    EXPECT_EQ(page->FindComponent("TITLETEXT"), title);

    // Case changes of an item's own name and names under another owner are fine.
    text->SetName("TEXT1");
    EXPECT_EQ(page->FindComponent("text1"), text);
    EXPECT_NO_THROW(Report()->AddPage()->AddChildControl<TRepText>("TitleText"));
    EXPECT_NO_THROW(text->SetName("_x9"));
    EXPECT_EQ(page->FindComponent("TEXT1"), nullptr);
    EXPECT_EQ(page->FindComponent("_X9"), text);
}

TEST_F(RepModelTest, ReservedWordsAreIgnoredSilently)
{
    auto* text = PageNo(1)->AddChildControl<TRepText>("TitleText");
    for (const char* word : {"end", "Const", "IMPORT", "type", "Var", "function", "Implementation",
                             "creation", "DESTRUCTION"}) {
        EXPECT_NO_THROW(text->SetName(word));
        EXPECT_EQ(text->Name(), "TitleText") << word;
    }
}

TEST_F(RepModelTest, FullNameFollowsNameWhileTheyAreEqual)
{
    TRepPage* page = Report()->AddPage();
    page->SetFullName("Page2");
    page->SetName("Answers");
    EXPECT_EQ(page->FullName(), "Answers");
    page->SetFullName("Answer pages");
    page->SetName("Answers2");
    EXPECT_EQ(page->FullName(), "Answer pages");
}

TEST_F(RepModelTest, FreedNamesAreReusedByTheNextUniqueName)
{
    TRepPage* page = PageNo(1);
    std::vector<TRepText*> texts;
    for (int i = 0; i < 5; ++i) {
        texts.push_back(page->AddChildControl<TRepText>());
    }
    delete texts[1]; // Text2
    EXPECT_EQ(page->AddChildControl<TRepText>()->Name(), "Text2");
    texts[3]->SetName("Other"); // Text4 freed by a rename
    EXPECT_EQ(page->AddChildControl<TRepText>()->Name(), "Text4");
    EXPECT_EQ(page->AddChildControl<TRepText>()->Name(), "Text6");

    // A name whose base itself ends in digits: freeing "Page11" frees 11 for base "Page" and
    // 1 for base "Page1".
    TRepReport* report = Report();
    for (int i = 2; i <= 12; ++i) {
        report->AddPage();
    }
    EXPECT_EQ(report->MakeUniqueName("Page1"), "Page13");
    delete PageNo(11);
    EXPECT_EQ(report->MakeUniqueName("Page1"), "Page11");
    EXPECT_EQ(report->AddPage()->Name(), "Page11");
}

// Random creations, frees and renames under one owner; MakeUniqueName must always equal a plain
// scan from 1.
TEST_F(RepModelTest, UniqueNameHintAgreesWithAScanFromOne)
{
    TRepPage* page = PageNo(1);
    std::mt19937 random(7);
    std::vector<TRepComponent*> items;
    const std::vector<std::string> bases = {"Text", "Text1", "HLine", "T"};
    auto scan = [&](const std::string& base) {
        for (int n = 1;; ++n) {
            std::string candidate = base + std::to_string(n);
            if (page->FindComponent(candidate) == nullptr) {
                return candidate;
            }
        }
    };
    for (int step = 0; step < 3000; ++step) {
        const std::string& base = bases[random() % bases.size()];
        int action = static_cast<int>(random() % 10);
        if (action < 6 || items.empty()) {
            std::string expected = scan(base);
            ASSERT_EQ(page->MakeUniqueName(base), expected) << "step " << step;
            if (action != 0) { // sometimes ask without using the name
                auto* item = page->AddChildControl<TRepHLine>();
                item->SetName(expected);
                items.push_back(item);
            }
        } else if (action < 9) {
            std::size_t at = random() % items.size();
            delete items[at];
            items.erase(items.begin() + static_cast<std::ptrdiff_t>(at));
        } else {
            TRepComponent* item = items[random() % items.size()];
            std::string name = bases[random() % bases.size()] + std::to_string(random() % 30 + 1);
            if (page->FindComponent(name) == nullptr) {
                item->SetName(name);
            }
        }
    }
}

TEST_F(RepModelTest, NamingFailsCleanlyWhenAllNineThousandNineHundredNinetyNineAreTaken)
{
    TRepPage* page = PageNo(1);
    for (int i = 1; i <= 9999; ++i) {
        page->AddChildControl<TRepHLine>();
    }
    EXPECT_EQ(page->Child(9998)->Name(), "HLine9999");
    try {
        page->AddChildControl<TRepHLine>();
        FAIL() << "a taken name was given";
    } catch (const gq::Error& e) {
        EXPECT_NE(std::string(e.what()).find("HLine9999"), std::string::npos) << e.what();
    }
    EXPECT_EQ(page->ChildCount(), 9999);
    EXPECT_EQ(page->ComponentCount(), 9999);
    delete page->FindComponent("HLine5000");
    EXPECT_EQ(page->AddChildControl<TRepHLine>()->Name(), "HLine5000");
}

// Many creations, frees and renames under one owner, checked against a plain map: every live
// item is found by its name in any case, and a name that was freed or renamed away is not.
TEST_F(RepModelTest, NameIndexAgreesWithAPlainMapThroughFreesAndRenames)
{
    TRepPage* page = PageNo(1);
    std::mt19937 random(11);
    std::map<std::string, TRepComponent*> live; // lower-case name -> item
    auto lower = [](std::string text) {
        for (char& c : text) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return text;
    };
    auto randomName = [&] {
        static const char* const kBases[] = {"a", "B", "Cell", "cELL", "x_", "HLine", "Text"};
        return std::string(kBases[random() % 7]) + std::to_string(random() % 200);
    };
    for (int step = 0; step < 6000; ++step) {
        int action = static_cast<int>(random() % 10);
        if (action < 5 || live.empty()) {
            auto* item = page->AddChildControl<TRepText>();
            live[lower(item->Name())] = item;
            std::string name = randomName();
            auto taken = live.find(lower(name));
            if (taken != live.end() && taken->second != item) {
                EXPECT_THROW(item->SetName(name), gq::Error);
            } else {
                live.erase(lower(item->Name()));
                item->SetName(name);
                live[lower(name)] = item;
            }
        } else {
            auto it = live.begin();
            std::advance(it, static_cast<std::ptrdiff_t>(random() % live.size()));
            TRepComponent* item = it->second;
            live.erase(it);
            if (action < 8) {
                delete item;
            } else {
                std::string name = randomName();
                if (!live.contains(lower(name))) {
                    item->SetName(name);
                }
                live[lower(item->Name())] = item;
            }
        }
        if (step % 500 == 0 || step == 5999) {
            for (const auto& [name, item] : live) {
                ASSERT_EQ(page->FindComponent(name), item) << name << " at step " << step;
                std::string upper = name;
                for (char& c : upper) {
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                }
                ASSERT_EQ(page->FindComponent(upper), item) << upper << " at step " << step;
            }
            for (int i = 0; i < 200; ++i) {
                std::string name = randomName();
                auto it = live.find(lower(name));
                ASSERT_EQ(page->FindComponent(name), it == live.end() ? nullptr : it->second)
                    << name << " at step " << step;
            }
        }
    }
    // Every item still on the page is in the map (AddChildControl names included).
    EXPECT_EQ(page->ComponentCount(), static_cast<int>(live.size()));
}

TEST_F(RepModelTest, FreeingAPageClearsReferencesAndLists)
{
    TRepReport* report = Report();
    TRepPage* second = report->AddPage();
    TRepPage* third = report->AddPage();
    PageNo(1)->SetGotoPage(second);
    second->SetGotoPage(third);
    third->SetGotoPage(PageNo(1));
    report->SetPageList({third, second, third});
    for (int i = 0; i < 50; ++i) {
        second->AddChildControl<TRepText>("TitleText");
    }

    delete second;
    EXPECT_EQ(PageNo(2), nullptr);
    EXPECT_EQ(PageNo(1)->GotoPage(), nullptr);
    EXPECT_EQ(third->GotoPage(), PageNo(1));
    EXPECT_EQ(report->PageList(), (std::vector<TRepPage*>{third, third}));
    EXPECT_EQ(report->ChildCount(), 2);
    EXPECT_EQ(report->ComponentCount(), 2);

    delete PageNo(1);
    EXPECT_EQ(report->FirstPage(), nullptr);
    EXPECT_EQ(third->GotoPage(), nullptr);
    Free(nullptr); // freeing a failed look-up does nothing
    EXPECT_EQ(report->AddPage()->Name(), "Page1");
}

TEST_F(RepModelTest, StalePagesCanBeFreedByPathThenTheProjectRestarts)
{
    TRepReport* report = Report();
    for (int i = 2; i <= 30; ++i) {
        report->AddPage()->AddChildControl<TRepHLine>();
    }
    for (int n = 1; n < 30; ++n) {
        PageNo(n)->SetGotoPage(PageNo(n + 1));
    }
    for (int n = 1; n <= 200; ++n) {
        Free(Manager()->FindByPath("Report1.Page" + std::to_string(n)));
    }
    EXPECT_EQ(report->ChildCount(), 0);
    EXPECT_EQ(report->FirstPage(), nullptr);

    project.NewProject();
    ASSERT_EQ(Manager()->ReportList().size(), 1u);
    EXPECT_EQ(Manager()->ReportList()[0]->Name(), "Report1");
    EXPECT_EQ(PageNo(1)->Name(), "Page1");
}

TEST_F(RepModelTest, CloseProjectFreesEverythingAndNamesRestart)
{
    Report()->AddPage()->AddChildControl<TRepText>("TitleText");
    project.CloseProject();
    EXPECT_FALSE(project.IsOpen());
    EXPECT_TRUE(Manager()->ReportList().empty());
    EXPECT_EQ(Manager()->ActiveReport(), nullptr);
    EXPECT_EQ(Manager()->ComponentCount(), 0);
    EXPECT_EQ(Manager()->FindByPath("Report1"), nullptr);
    project.CloseProject(); // closing twice does nothing

    project.NewProject();
    EXPECT_TRUE(project.IsOpen());
    EXPECT_NE(Report(), nullptr);
    EXPECT_EQ(Report()->AddPage()->Name(), "Page2");
}

TEST_F(RepModelTest, FreeingTheReportDropsItFromTheManager)
{
    TRepReport* second = Manager()->AddReport();
    EXPECT_EQ(second->Name(), "Report2");
    EXPECT_EQ(Manager()->ActiveReport(), second);
    EXPECT_FALSE(Report()->Active());
    EXPECT_EQ(Manager()->FindReport("REPORT2", false), second);
    delete second;
    EXPECT_EQ(Manager()->ActiveReport(), nullptr);
    EXPECT_EQ(Manager()->ReportList().size(), 1u);
    EXPECT_EQ(Manager()->FindByPath("Report2"), nullptr);
}

TEST_F(RepModelTest, OnlyContainersTakeChildren)
{
    auto* text = PageNo(1)->AddChildControl<TRepText>("TitleText");
    EXPECT_THROW(text->AddChildControl<TRepHLine>(), std::logic_error);
    EXPECT_EQ(PageNo(1)->ChildCount(), 1); // the refused control was freed
    EXPECT_EQ(PageNo(1)->ComponentCount(), 1);
    EXPECT_THROW(PageNo(1)->SetParent(text), std::logic_error);
}

TEST_F(RepModelTest, SetParentMovesToTheEndOfTheNewList)
{
    TRepPage* first = PageNo(1);
    TRepPage* second = Report()->AddPage();
    auto* a = first->AddChildControl<TRepHLine>();
    auto* b = first->AddChildControl<TRepHLine>();
    b->SetParent(second);
    a->SetParent(second);
    EXPECT_EQ(first->ChildCount(), 0);
    EXPECT_EQ(second->Children(), (std::vector<TRepComponent*>{b, a}));
    // Freeing the owner frees its controls even though another page is their parent.
    delete first;
    EXPECT_EQ(second->ChildCount(), 0);
}

TEST_F(RepModelTest, WideOrPointLinesAreAlwaysSolid)
{
    auto* line = PageNo(1)->AddChildControl<TRepHLine>();
    line->SetLineStyle(TPenStyle::psDash);
    line->SetLineWidth(1);
    EXPECT_EQ(line->LineStyle(), TPenStyle::psDash);
    line->SetLineWidth(10);
    EXPECT_EQ(line->LineStyle(), TPenStyle::psSolid);
    line->SetLineWidth(1);
    line->SetLineStyle(TPenStyle::psDot);
    line->SetLineWidthType(TLineWidthType::wtPoints);
    EXPECT_EQ(line->LineStyle(), TPenStyle::psSolid);
}

TEST_F(RepModelTest, PageOrientationSwapsTheSizeBetweenPortraitAndLandscape)
{
    TRepPage* page = PageNo(1);
    page->SetOrientation(TOrientation::poPortrait);
    EXPECT_EQ(page->PageWidth(), 8.5);
    page->SetOrientation(TOrientation::poLandScape);
    EXPECT_EQ(page->PageWidth(), 11.0);
    EXPECT_EQ(page->PageHeight(), 8.5);
    page->SetOrientation(TOrientation::poDefault);
    EXPECT_EQ(page->PageWidth(), 11.0);
}

TEST_F(RepModelTest, ProjectSettings)
{
    project.SetProjectFile("Book");
    EXPECT_EQ(project.ProjectFile(), "Book.rpj");
    project.SetProjectFile("Book.v2");
    EXPECT_EQ(project.ProjectFile(), "Book.v2");

    Manager()->SetUnitsFactor(25.4);
    EXPECT_EQ(Manager()->Units(), TPrintUnits::unMM);
    Manager()->SetUnitsFactor(3);
    EXPECT_EQ(Manager()->Units(), TPrintUnits::unUser);
    Manager()->SetUnitsFactor(-1);
    EXPECT_EQ(Manager()->UnitsFactor(), 3);
    Manager()->SetUnits(TPrintUnits::unPoint);
    EXPECT_EQ(Manager()->UnitsFactor(), 72);
}

TEST_F(RepModelTest, RunReportWithoutAMatchingReportDoesNothing)
{
    EXPECT_NO_THROW(project.RunReport("NoSuchReport"));           // no engine needed either
    EXPECT_THROW(project.RunReport("Report1"), std::logic_error); // a bug, not a user error
}

} // namespace
} // namespace gq::report
