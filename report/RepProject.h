#pragma once

#include "report/RepComponent.h"
#include "report/RepFont.h"

#include <string>
#include <string_view>
#include <vector>

namespace gq::report
{

class TRepProject;

/// A project-level item (project manager, report, page). Controls created on it with
/// AddChildControl are owned by it. FullName follows Name while the two are equal.
class TRepProjectItem : public TRepContainerComponent
{
  public:
    using TRepContainerComponent::TRepContainerComponent;
    std::string_view ClassName() const override { return "TRepProjectItem"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepProjectItem>(owner);
    }

    const std::string& FullName() const { return m_fullName; }
    void SetFullName(std::string_view fullName) { m_fullName = std::string(fullName); }

    void AssignProperties(const TRepComponent& source) override;

  protected:
    TComponent* ChildControlOwner() override { return this; }
    void NameChanged(std::string_view oldName, std::string_view newName) override;

  private:
    std::string m_fullName;
};

/// A page: its paper, the page printed after it (GotoPage) and how the page loop follows it.
class TRepPage : public TRepProjectItem
{
  public:
    explicit TRepPage(TComponent* owner);
    std::string_view ClassName() const override { return "TRepPage"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepPage>(owner);
    }
    TRepPage* AsPage() override { return this; }
    const TRepPage* AsPage() const override { return this; }

    /// Page size in inches (8.5 x 11 at creation); setting either makes PaperSize 256.
    TRepUnits PageWidth() const { return m_pageWidth; }
    TRepUnits PageHeight() const { return m_pageHeight; }
    void SetPageWidth(TRepUnits width);
    void SetPageHeight(TRepUnits height);

    /// -1 keeps the engine's paper; 256 a custom size from PageWidth x PageHeight; else a code.
    int PaperSize = -1;

    /// poDefault keeps the engine's orientation; a change between portrait and landscape swaps
    /// PageWidth and PageHeight.
    TOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TOrientation orientation);

    std::string BinCustom; ///< paper tray name; empty keeps the engine's tray

    /// The page printed after this one; nullptr ends the chain. Cleared when that page is freed.
    TRepPage* GotoPage() const { return m_gotoPage; }
    void SetGotoPage(TRepPage* page);

    TGotoMode GotoMode = TGotoMode::gmGotoDone;
    /// True: controls are clipped to the engine's printable area before the page prints.
    bool WasteFit = false;

    void AssignProperties(const TRepComponent& source) override;
    void AssignReferences(const TRepComponent& source) override;
    /// Restores the controls' design bounds, fits them when WasteFit is set, saves the fitted
    /// bounds and prints every child in child-list order.
    void PrintItem(TOutputEngine& engine) override;

    /// Clips every control to the printable limits of `engine` (waste + 0.01 inch on each side).
    void FitControls(TOutputEngine& engine);

  protected:
    void Notification(TComponent* freed) override;

  private:
    TRepUnits m_pageWidth = 8.5;
    TRepUnits m_pageHeight = 11.0;
    TOrientation m_orientation = TOrientation::poDefault;
    TRepPage* m_gotoPage = nullptr;
};

/// What a report run prints.
///
/// The book runs with DesignItems (TBookMaker::BuildBook, book/BookMaker.cpp): it closes the
/// project right after the run, so a copy would only cost time and memory.
enum class TRunItems
{
    /// A copy of the report, so the design-time items never change (the default of RunReport
    /// and Execute). Kept for the tests of the report run and the report benchmark, which run a
    /// report more than once or look at its items afterwards; the book never uses it.
    ExecutionCopy,
    /// The design-time items themselves, for a caller that frees them right after the run: no
    /// copy is made, which halves the memory and much of the time of a large report. The items
    /// are left as the run leaves them (fitted bounds, finished flags). What the book uses.
    DesignItems
};

/// Fills a report's pages as a run reaches them and empties each once it has printed, so that a
/// long report never holds the items of all its pages at once. Only a run of the design items
/// (TRunItems::DesignItems) uses it: an execution copy's pages are not the source's.
class IPageSource
{
  public:
    virtual ~IPageSource() = default;
    /// Called just before `page` prints: adds its items.
    virtual void FillPage(TRepPage& page) = 0;
    /// Called once `page` has printed: its items may go.
    virtual void PagePrinted(TRepPage& page) = 0;
};

/// A report: its pages, the page a run starts with and the run settings.
class TRepReport : public TRepProjectItem
{
  public:
    explicit TRepReport(TComponent* owner);
    std::string_view ClassName() const override { return "TRepReport"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepReport>(owner);
    }

    /// Creates the page named "Page" with the first free number, owned and parented by this
    /// report, and activates it. Not linked into any chain.
    TRepPage* AddPage();

    /// The page a run starts with (set by AddReport to the first page). Cleared when freed.
    TRepPage* FirstPage() const { return m_firstPage; }
    void SetFirstPage(TRepPage* page);

    /// When not empty, the pages to print instead of the FirstPage chain. A freed page leaves it.
    const std::vector<TRepPage*>& PageList() const { return m_pageList; }
    void SetPageList(std::vector<TRepPage*> pages);

    /// What fills the pages as a run of the design items reaches them; nullptr (the default):
    /// the pages hold their items already. Not copied to an execution copy; not owned.
    IPageSource* PageSource() const { return m_pageSource; }
    void SetPageSource(IPageSource* source) { m_pageSource = source; }

    int Copies = 0;   ///< above 0: the engine's copy count at the start of a run
    int MaxPages = 0; ///< above 0: stop after that many pages

    void Activate() override;
    void Deactivate() override;

    void AssignProperties(const TRepComponent& source) override;
    void AssignReferences(const TRepComponent& source) override;

    /// Runs this report onto `engine`, by default through an execution copy (see TRunItems for
    /// which the book uses); see TReportRun.
    void Execute(TOutputEngine& engine, TRunItems items = TRunItems::ExecutionCopy);

  protected:
    void Notification(TComponent* freed) override;

  private:
    TRepPage* m_firstPage = nullptr;
    std::vector<TRepPage*> m_pageList;
    IPageSource* m_pageSource = nullptr;
};

/// The project: its reports, global pages and the active report. Named "ReportProject".
class TRepProjectManager : public TRepProjectItem
{
  public:
    explicit TRepProjectManager(TComponent* owner);
    /// Frees the items first: they point into the font table.
    ~TRepProjectManager() override;
    std::string_view ClassName() const override { return "TRepProjectManager"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepProjectManager>(owner);
    }

    /// Sets FileName to "Project1.rpj", adds a report (with its first page) and marks the project
    /// unchanged.
    void ResetToNewProject();

    /// Creates "Report" with the first free number, makes it active, adds its first page and
    /// sets FirstPage to it.
    TRepReport* AddReport();

    /// Deactivates the previous active report and activates `report` with its pages.
    void SetActiveReport(TRepReport* report);
    TRepReport* ActiveReport() const { return m_activeReport; }

    /// The first report (in list order) whose Name, or with byFullName first its FullName,
    /// equals `name` ignoring case; nullptr when none does.
    TRepReport* FindReport(std::string_view name, bool byFullName) const;

    /// The item at a dotted path such as "Report1.Page3", ignoring case; nullptr when nothing
    /// matches. A path without "." names an item owned by `root` (the manager when nullptr).
    TComponent* FindByPath(std::string_view path, TComponent* root = nullptr) const;

    /// MakeUniqueName on `owner`'s name index (see TComponent::MakeUniqueName).
    static std::string MakeUniqueName(std::string_view base, TComponent* owner,
                                      bool usePreferred = false);

    /// Frees every report and global page and empties the lists.
    void ClearItems();

    const std::vector<TRepReport*>& ReportList() const { return m_reports; }
    const std::vector<TRepPage*>& GlobalPageList() const { return m_globalPages; }
    /// Creates a global page owned and parented by the manager.
    TRepPage* AddGlobalPage();

    // Designer settings, with no effect on the output: kept for the report tests, which check
    // that a new project and a run leave them as they should; the book never reads them.

    /// The project's file name, "Project1.rpj" in a new project; no file is ever read or written.
    std::string FileName;
    /// Designer display units; never change the inch values stored in items (a run prints in
    /// inches whatever they say).
    TPrintUnits Units() const { return m_units; }
    void SetUnits(TPrintUnits units);
    double UnitsFactor() const { return m_unitsFactor; }
    /// Positive values also set Units (1 inch, 25.4 mm, 2.54 cm, 72 points, else user).
    void SetUnitsFactor(double factor);

    /// The fonts of the project's text items.
    TRepFontTable& Fonts() { return m_fonts; }

    /// Where the project's items are allocated (see NewItem).
    TItemArena& ItemArena() { return m_itemArena; }

    /// Adds `report` (owned by this manager) to the report list; used by the execution copy.
    void RegisterReport(TRepReport* report);
    void RegisterGlobalPage(TRepPage* page);

  protected:
    void Notification(TComponent* freed) override;

  private:
    std::vector<TRepReport*> m_reports;
    std::vector<TRepPage*> m_globalPages;
    TRepReport* m_activeReport = nullptr;
    TPrintUnits m_units = TPrintUnits::unInch;
    double m_unitsFactor = 1.0;
    TRepFontTable m_fonts;
    TItemArena m_itemArena;
};

/// Base of the project component.
class TRepBaseComponent : public TComponent
{
  public:
    using TComponent::TComponent;
    std::string_view ClassName() const override { return "TRepBaseComponent"; }
};

/// The project component: owns the project manager (through a hidden container control) and
/// links the project to its output engine.
///
/// The engine is not owned; whoever sets it keeps it alive while the project can run, or sets
/// it back to nullptr first.
class TRepProject : public TRepBaseComponent
{
  public:
    explicit TRepProject(TComponent* owner = nullptr);
    ~TRepProject() override;
    std::string_view ClassName() const override { return "TRepProject"; }

    /// The project manager; during a report run, the run's execution copy.
    TRepProjectManager* Manager() const;
    /// The design-time project manager, also during a run.
    TRepProjectManager* DesignManager() const { return m_manager; }

    bool IsOpen() const { return m_isOpen; }

    /// Discards the items of an open project (or opens the project) and starts afresh with one
    /// report "Report1" whose FirstPage is its "Page1".
    void NewProject();
    /// Does nothing on an open project; a closed one opens empty (no project file is read).
    void OpenProject();
    /// Opens the project, makes the report named `name` active and runs it onto Engine: through an
    /// execution copy (the engine and the design report are left as they were before the run),
    /// or, with TRunItems::DesignItems, on the items themselves for a caller that closes the
    /// project afterwards, as the book does. A name that matches no report produces nothing.
    /// Throws std::logic_error when there is no Engine, and lets every error of the run through.
    void RunReport(std::string_view name, TRunItems items = TRunItems::ExecutionCopy);
    /// Finds the report by name (with byFullName, FullName first) and makes it active.
    bool ChooseReport(std::string_view name, bool byFullName);
    /// Frees every item of an open project and closes it.
    void CloseProject();

    TOutputEngine* Engine() const { return m_engine; }
    void SetEngine(TOutputEngine* engine) { m_engine = engine; }

    /// A design-time path; a value without "." gets ".rpj" appended. Kept for the report tests;
    /// the book never sets it and nothing reads a file from it.
    const std::string& ProjectFile() const { return m_projectFile; }
    void SetProjectFile(std::string_view file);

    /// Set by a report run for its duration: Manager returns `copy` while it is not nullptr.
    void SetRunManager(TRepProjectManager* copy) { m_runManager = copy; }

  private:
    TRepContainerControl* m_hidden = nullptr;
    TRepProjectManager* m_manager = nullptr;
    TRepProjectManager* m_runManager = nullptr;
    TOutputEngine* m_engine = nullptr;
    bool m_isOpen = false;
    std::string m_projectFile;
};

} // namespace gq::report
