#include "report/ReportRun.h"

#include "gq/Error.h"
#include "report/OutputEngine.h"

#include <algorithm>
#include <unordered_set>
#include <utility>
#include <vector>

namespace gq::report
{

namespace
{

TRepProject* ProjectComponentOf(const TRepReport& report)
{
    TRepProjectManager* manager = report.Project();
    if (manager == nullptr || manager->Owner() == nullptr) {
        return nullptr;
    }
    return dynamic_cast<TRepProject*>(manager->Owner()->Owner());
}

// Hands the engine back its own handlers and units, and the project its design manager, when
// the run ends, whichever way it ends.
class TRunGuard
{
  public:
    /// `runManager` (the execution copy's manager, or nullptr when the run prints the design
    /// items) is what the project's Manager returns while the run lasts.
    TRunGuard(TOutputEngine& engine, TRepProject* project, TRepProjectManager* runManager)
        : m_engine(engine), m_project(project), m_unitsFactor(engine.UnitsFactor()),
          m_units(engine.Units()), m_onPrint(engine.OnPrint), m_onBeforePrint(engine.OnBeforePrint),
          m_onAfterPrint(engine.OnAfterPrint)
    {
        if (m_project != nullptr && runManager != nullptr) {
            m_project->SetRunManager(runManager);
        }
    }

    ~TRunGuard() { Restore(); }

    TRunGuard(const TRunGuard&) = delete;
    TRunGuard& operator=(const TRunGuard&) = delete;

    void Restore()
    {
        if (m_restored) {
            return;
        }
        m_restored = true;
        m_engine.OnPrint = std::move(m_onPrint);
        m_engine.OnBeforePrint = std::move(m_onBeforePrint);
        m_engine.OnAfterPrint = std::move(m_onAfterPrint);
        m_engine.SetUnitsFactor(m_unitsFactor);
        if (m_engine.Units() != m_units) {
            m_engine.SetUnits(m_units); // unUser keeps the factor just restored
        }
        if (m_project != nullptr) {
            m_project->SetRunManager(nullptr);
        }
    }

    const TEngineEvent& SavedOnPrint() const { return m_onPrint; }
    const TEngineEvent& SavedOnBeforePrint() const { return m_onBeforePrint; }
    const TEngineEvent& SavedOnAfterPrint() const { return m_onAfterPrint; }

  private:
    TOutputEngine& m_engine;
    TRepProject* m_project;
    double m_unitsFactor;
    TPrintUnits m_units;
    TEngineEvent m_onPrint;
    TEngineEvent m_onBeforePrint;
    TEngineEvent m_onAfterPrint;
    bool m_restored = false;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// TReportRun

TReportRun::TReportRun(TRepReport& report, TOutputEngine& engine, TRunItems items)
    : m_report(report), m_engine(engine), m_items(items)
{}

TReportRun::~TReportRun() = default;

// Copies `source` and everything it owns under `owner`. Each source item is linked to its copy
// and listed in `order`, owners before what they own.
TRepComponent* TReportRun::CopyTree(const TRepComponent& source, TComponent* owner,
                                    std::vector<const TRepComponent*>& order)
{
    TRepComponent* copy = source.NewInstance(owner);
    source.m_copy = copy;
    order.push_back(&source);
    // Names come from a tree where they are valid and unique per owner: index them directly.
    copy->CopyNameFrom(source);
    copy->AssignProperties(source);
    if (source.ComponentCount() > 0) {
        copy->ReserveIndex(static_cast<std::size_t>(source.ComponentCount()));
    }
    for (const TComponent* owned = source.m_owned != nullptr ? source.m_owned->First : nullptr;
         owned != nullptr; owned = owned->m_nextSibling) {
        if (const TRepComponent* item = owned->AsRepComponent()) {
            CopyTree(*item, copy, order);
        }
    }
    return copy;
}

std::unique_ptr<TRepProjectManager> TReportRun::MakeExecutionCopy(const TRepReport& report,
                                                                  TRepReport*& copy)
{
    auto manager = std::make_unique<TRepProjectManager>(nullptr);
    std::vector<const TRepComponent*> order;
    // The links from source items to their copies must not outlive this call, or a later copy
    // could pick up a stale one; they are cleared whichever way it ends.
    struct TClearLinks
    {
        std::vector<const TRepComponent*>& Items;
        ~TClearLinks()
        {
            for (const TRepComponent* item : Items) {
                item->m_copy = nullptr;
            }
        }
    } clearLinks{order};

    copy = static_cast<TRepReport*>(CopyTree(report, manager.get(), order));
    copy->SetParent(manager.get());
    manager->RegisterReport(copy);
    if (const TRepProjectManager* source = report.Project()) {
        for (const TRepPage* page : source->GlobalPageList()) {
            auto* pageCopy = static_cast<TRepPage*>(CopyTree(*page, manager.get(), order));
            pageCopy->SetParent(manager.get());
            manager->RegisterGlobalPage(pageCopy);
        }
    }

    // Child lists in the source's order, then references between items.
    for (const TRepComponent* source : order) {
        auto* parent = static_cast<TRepComponent*>(source->m_copy);
        for (const TRepComponent* child : source->Children()) {
            if (child->m_copy != nullptr) {
                static_cast<TRepComponent*>(child->m_copy)->SetParent(parent);
            }
        }
    }
    for (const TRepComponent* source : order) {
        static_cast<TRepComponent*>(source->m_copy)->AssignReferences(*source);
    }
    return manager;
}

void TReportRun::Execute()
{
    TRepReport* copy = &m_report;
    std::unique_ptr<TRepProjectManager> copyManager;
    if (m_items == TRunItems::ExecutionCopy) {
        copyManager = MakeExecutionCopy(m_report, copy);
        TRepReport* found = copyManager->FindReport(m_report.FullName(), true);
        if (found != nullptr) {
            copy = found;
        }
        copyManager->SetActiveReport(copy);
    }

    copy->SaveDesignBounds();
    TRunGuard guard(m_engine, ProjectComponentOf(m_report), copyManager.get());
    try {
        copy->BeforeReport();
        m_engine.SetUnitsFactor(1.0);
        m_engine.OnBeforePrint = [copy, &guard](TOutputEngine& engine) {
            PrepareJob(*copy, engine);
            if (guard.SavedOnBeforePrint()) {
                guard.SavedOnBeforePrint()(engine);
            }
        };
        m_engine.OnPrint = [copy, &guard](TOutputEngine& engine) {
            PrintPages(*copy, engine);
            if (guard.SavedOnPrint()) {
                guard.SavedOnPrint()(engine);
            }
        };
        m_engine.OnAfterPrint = [&guard](TOutputEngine& engine) {
            if (guard.SavedOnAfterPrint()) {
                guard.SavedOnAfterPrint()(engine);
            }
        };

        if (m_engine.Printing()) {
            PrintPages(*copy, m_engine);
        } else {
            m_engine.RunJob();
        }
    } catch (...) {
        guard.Restore();
        try {
            copy->AfterReport();
        } catch (...) {
            // The error that ended the run is the one the caller needs to see.
        }
        throw;
    }
    guard.Restore();
    copy->AfterReport();
}

void TReportRun::PrepareJob(TRepReport& report, TOutputEngine& engine)
{
    // The engine offers no printer selection, collation, duplex or print quality: without a
    // printer those report settings have nothing to act on.
    if (report.Copies > 0) {
        engine.SetCopies(report.Copies);
    }
    TRepPage* page = report.PageList().empty() ? report.FirstPage() : report.PageList().front();
    if (page == nullptr) {
        return;
    }
    if (page->PaperSize == 256) {
        engine.SetPaperSize(0, page->PageWidth(), page->PageHeight());
    } else if (page->PaperSize != -1) {
        engine.SetPaperSize(page->PaperSize, 0, 0);
    }
    if (page->Orientation() != TOrientation::poDefault) {
        engine.SetOrientation(page->Orientation());
    }
    if (!page->BinCustom.empty()) {
        engine.SelectBin(page->BinCustom);
    }
}

void TReportRun::PrintPage(TRepReport& report, TRepPage& page, TOutputEngine& engine)
{
    IPageSource* source = report.PageSource();
    if (source == nullptr) {
        page.PrintItem(engine);
        return;
    }
    source->FillPage(page);
    // Items made now missed the start of the run: they get what it gave every other item.
    for (TRepComponent* child : page.Children()) {
        child->SaveDesignBounds();
        child->BeforeReport();
    }
    page.PrintItem(engine);
    for (TRepComponent* child : page.Children()) {
        child->AfterReport();
    }
    source->PagePrinted(page);
}

void TReportRun::PrintPages(TRepReport& report, TOutputEngine& engine)
{
    engine.NoBufferLine = true;
    int remaining = report.MaxPages;
    std::size_t index = 0;
    std::vector<TRepPage*> stack;
    std::unordered_set<const TRepPage*> printedDone;
    bool firstPage = true;
    const std::vector<TRepPage*>& pageList = report.PageList();
    TRepPage* page = pageList.empty() ? report.FirstPage() : nullptr;

    for (;;) {
        if (page == nullptr) {
            if (stack.empty()) {
                ++index;
                if (index > pageList.size()) {
                    break;
                }
                page = pageList[index - 1];
            } else {
                page = stack.back();
                stack.pop_back();
            }
        }
        if (report.MaxPages <= 0 && printedDone.contains(page)) {
            throw gq::Error("Report " + report.Name() +
                            " never ends: its page chain leads back to " + page->Name() +
                            " (set MaxPages to bound a looping chain)");
        }

        if (firstPage) {
            firstPage = false;
        } else {
            if (page->Orientation() != TOrientation::poDefault) {
                engine.SetOrientation(page->Orientation());
            }
            if (!page->BinCustom.empty()) {
                engine.SelectBin(page->BinCustom);
            }
            engine.NextPage();
        }

        PrintPage(report, *page, engine);
        bool done = page->IsFinished();
        if (done) {
            printedDone.insert(page);
        }

        TRepPage* next = page->GotoPage();
        switch (page->GotoMode) {
        case TGotoMode::gmGotoDone:
            if (done) {
                page = next;
            }
            break;
        case TGotoMode::gmGotoNotDone:
            page = done ? nullptr : next;
            break;
        case TGotoMode::gmCallEach:
            if (next != nullptr) {
                if (!done) {
                    stack.push_back(page);
                }
                page = next;
            } else if (done) {
                page = nullptr;
            }
            break;
        }

        if (remaining > 0) {
            --remaining;
            if (remaining == 0) {
                break;
            }
        }
    }
}

} // namespace gq::report
