#pragma once

#include "report/RepProject.h"

#include <memory>
#include <vector>

namespace gq::report
{

class TOutputEngine;

/// One run of a report onto an output engine.
///
/// By default the run prints an execution copy of the report, so the design-time items never
/// change: the copy carries every item of the report (and the project's global pages) with its
/// name, class, child order and property values, with FirstPage, GotoPage, PageList and mirrors
/// resolved to the copied items. While the run lasts, TRepProject::Manager returns the copy's
/// manager.
///
/// Execute hooks the engine (OnBeforePrint -> PrepareJob, OnPrint -> PrintPages, OnAfterPrint),
/// forces its UnitsFactor to 1 and calls RunJob (or prints at once into the current page when
/// the engine is already in a job). Whatever happens, the engine gets its own handlers and
/// UnitsFactor back and the copy is freed; errors then reach the caller.
class TReportRun
{
  public:
    TReportRun(TRepReport& report, TOutputEngine& engine,
               TRunItems items = TRunItems::ExecutionCopy);
    ~TReportRun();
    TReportRun(const TReportRun&) = delete;
    TReportRun& operator=(const TReportRun&) = delete;

    void Execute();

    /// Builds the execution copy of `report` under a new manager that nothing owns. `copy` is
    /// set to the copied report. Linear in the number of items.
    static std::unique_ptr<TRepProjectManager> MakeExecutionCopy(const TRepReport& report,
                                                                 TRepReport*& copy);

    /// The engine's before-print step: copies, paper size, orientation and tray of the first page.
    static void PrepareJob(TRepReport& report, TOutputEngine& engine);

    /// The page loop: prints pages along FirstPage/GotoPage (or PageList), calling NextPage
    /// between pages, honouring GotoMode and MaxPages. Throws gq::Error when the chain leads back
    /// to a page already printed while MaxPages does not bound the run (it would never end).
    static void PrintPages(TRepReport& report, TOutputEngine& engine);

  private:
    /// Prints one page; with the report's page source, fills it first and hands it back after.
    static void PrintPage(TRepReport& report, TRepPage& page, TOutputEngine& engine);
    static TRepComponent* CopyTree(const TRepComponent& source, TComponent* owner,
                                   std::vector<const TRepComponent*>& order);

    TRepReport& m_report;
    TOutputEngine& m_engine;
    TRunItems m_items;
};

} // namespace gq::report
