#include "report/RepProject.h"

#include "gq/Error.h"
#include "report/NameIndex.h"
#include "report/OutputEngine.h"
#include "report/RepItems.h"
#include "report/ReportRun.h"

#include <algorithm>
#include <stdexcept>

namespace gq::report
{

// ---------------------------------------------------------------------------------------------
// TRepProjectItem

void TRepProjectItem::AssignProperties(const TRepComponent& source)
{
    TRepContainerComponent::AssignProperties(source);
    const auto& item = static_cast<const TRepProjectItem&>(source);
    m_fullName = item.m_fullName;
}

void TRepProjectItem::NameChanged(std::string_view oldName, std::string_view newName)
{
    if (m_fullName == oldName) {
        m_fullName = newName;
    }
}

// ---------------------------------------------------------------------------------------------
// TRepPage

TRepPage::TRepPage(TComponent* owner) : TRepProjectItem(owner) { m_page = this; }

void TRepPage::SetPageWidth(TRepUnits width)
{
    if (!UnitsEqual(width, m_pageWidth)) {
        m_pageWidth = width;
        PaperSize = 256;
    }
}

void TRepPage::SetPageHeight(TRepUnits height)
{
    if (!UnitsEqual(height, m_pageHeight)) {
        m_pageHeight = height;
        PaperSize = 256;
    }
}

void TRepPage::SetOrientation(TOrientation orientation)
{
    bool swap =
        (m_orientation == TOrientation::poPortrait && orientation == TOrientation::poLandScape) ||
        (m_orientation == TOrientation::poLandScape && orientation == TOrientation::poPortrait);
    m_orientation = orientation;
    if (swap) {
        std::swap(m_pageWidth, m_pageHeight);
    }
}

void TRepPage::SetGotoPage(TRepPage* page)
{
    m_gotoPage = page;
    FreeNotification(page);
}

void TRepPage::Notification(TComponent* freed)
{
    TRepProjectItem::Notification(freed);
    if (freed == m_gotoPage) {
        m_gotoPage = nullptr;
    }
}

void TRepPage::AssignProperties(const TRepComponent& source)
{
    TRepProjectItem::AssignProperties(source);
    const auto& page = static_cast<const TRepPage&>(source);
    m_pageWidth = page.m_pageWidth;
    m_pageHeight = page.m_pageHeight;
    m_orientation = page.m_orientation;
    PaperSize = page.PaperSize;
    BinCustom = page.BinCustom;
    GotoMode = page.GotoMode;
    WasteFit = page.WasteFit;
}

void TRepPage::AssignReferences(const TRepComponent& source)
{
    TRepProjectItem::AssignReferences(source);
    SetGotoPage(CopyOf(static_cast<const TRepPage&>(source).m_gotoPage));
}

void TRepPage::FitControls(TOutputEngine& engine)
{
    const TRepUnits limitLeft = engine.LeftWaste() + 0.01;
    const TRepUnits limitTop = engine.TopWaste() + 0.01;
    const TRepUnits limitRight = engine.PageWidth() - (engine.RightWaste() + 0.01);
    const TRepUnits limitBottom = engine.PageHeight() - (engine.BottomWaste() + 0.01);
    for (TRepComponent* child : Children()) {
        TRepControl* control = child->AsControl();
        if (control == nullptr) {
            continue;
        }
        TRepUnits left = control->Left();
        TRepUnits top = control->Top();
        TRepUnits right = left + control->Width();
        TRepUnits bottom = top + control->Height();
        if (left < limitLeft - kUnitsEpsilon || top < limitTop - kUnitsEpsilon ||
            right > limitRight + kUnitsEpsilon || bottom > limitBottom + kUnitsEpsilon) {
            TRepBounds fitted;
            fitted.Left = std::max(limitLeft, left);
            fitted.Top = std::max(limitTop, top);
            // A control lying wholly outside the limits keeps no negative extent.
            fitted.Width = std::max(0.0, std::min(limitRight, right) - fitted.Left);
            fitted.Height = std::max(0.0, std::min(limitBottom, bottom) - fitted.Top);
            control->SetBounds(fitted);
        }
    }
}

void TRepPage::PrintItem(TOutputEngine& engine)
{
    if (!Visible()) {
        return;
    }
    RestoreDesignBounds();
    if (WasteFit) {
        FitControls(engine);
    }
    SaveFittedBounds();
    for (TRepComponent* child : Children()) {
        engine.MarkAllOutputs();
        child->PrintItem(engine);
    }
}

// ---------------------------------------------------------------------------------------------
// TRepReport

TRepReport::TRepReport(TComponent* owner) : TRepProjectItem(owner) { m_report = this; }

TRepPage* TRepReport::AddPage()
{
    auto* page = NewItem<TRepPage>(this);
    try {
        page->SetParent(this);
        page->SetName(MakeUniqueName("Page"));
    } catch (...) {
        delete page;
        throw;
    }
    page->Activate();
    return page;
}

void TRepReport::SetFirstPage(TRepPage* page)
{
    m_firstPage = page;
    FreeNotification(page);
}

void TRepReport::SetPageList(std::vector<TRepPage*> pages)
{
    std::erase(pages, nullptr);
    m_pageList = std::move(pages);
    for (TRepPage* page : m_pageList) {
        FreeNotification(page);
    }
}

void TRepReport::Notification(TComponent* freed)
{
    TRepProjectItem::Notification(freed);
    if (freed == m_firstPage) {
        m_firstPage = nullptr;
    }
    std::erase(m_pageList, freed);
}

void TRepReport::Activate()
{
    TRepProjectItem::Activate();
    for (TRepComponent* child : Children()) {
        if (child->AsPage() != nullptr) {
            child->Activate();
        }
    }
}

void TRepReport::Deactivate()
{
    for (TRepComponent* child : Children()) {
        if (child->AsPage() != nullptr) {
            child->Deactivate();
        }
    }
    TRepProjectItem::Deactivate();
}

void TRepReport::AssignProperties(const TRepComponent& source)
{
    TRepProjectItem::AssignProperties(source);
    const auto& report = static_cast<const TRepReport&>(source);
    Copies = report.Copies;
    MaxPages = report.MaxPages;
}

void TRepReport::AssignReferences(const TRepComponent& source)
{
    TRepProjectItem::AssignReferences(source);
    const auto& report = static_cast<const TRepReport&>(source);
    SetFirstPage(CopyOf(report.m_firstPage));
    std::vector<TRepPage*> pages;
    pages.reserve(report.m_pageList.size());
    for (const TRepPage* page : report.m_pageList) {
        pages.push_back(CopyOf(page));
    }
    SetPageList(std::move(pages));
}

void TRepReport::Execute(TOutputEngine& engine, TRunItems items)
{
    TReportRun(*this, engine, items).Execute();
}

// ---------------------------------------------------------------------------------------------
// TRepProjectManager

TRepProjectManager::TRepProjectManager(TComponent* owner) : TRepProjectItem(owner)
{
    m_project = this;
    SetName("ReportProject");
}

TRepProjectManager::~TRepProjectManager() { BeginDestroy(); }

void TRepProjectManager::ResetToNewProject()
{
    FileName = "Project1.rpj";
    AddReport();
}

TRepReport* TRepProjectManager::AddReport()
{
    auto* report = NewItem<TRepReport>(this);
    try {
        report->SetParent(this);
        report->SetName(TComponent::MakeUniqueName("Report"));
    } catch (...) {
        delete report;
        throw;
    }
    RegisterReport(report);
    SetActiveReport(report);
    report->AddPage();
    for (TRepComponent* child : report->Children()) {
        if (TRepPage* page = child->AsPage()) {
            report->SetFirstPage(page);
            break;
        }
    }
    return report;
}

void TRepProjectManager::RegisterReport(TRepReport* report)
{
    m_reports.push_back(report);
    FreeNotification(report);
}

void TRepProjectManager::RegisterGlobalPage(TRepPage* page)
{
    m_globalPages.push_back(page);
    FreeNotification(page);
}

TRepPage* TRepProjectManager::AddGlobalPage()
{
    auto* page = NewItem<TRepPage>(this);
    try {
        page->SetParent(this);
        page->SetName(TComponent::MakeUniqueName("GlobalPage"));
    } catch (...) {
        delete page;
        throw;
    }
    RegisterGlobalPage(page);
    return page;
}

void TRepProjectManager::SetActiveReport(TRepReport* report)
{
    if (m_activeReport != nullptr) {
        m_activeReport->Deactivate();
    }
    m_activeReport = report;
    if (report != nullptr) {
        FreeNotification(report);
        report->Activate();
    }
}

TRepReport* TRepProjectManager::FindReport(std::string_view name, bool byFullName) const
{
    for (TRepReport* report : m_reports) {
        if ((byFullName && SameName(report->FullName(), name)) || SameName(report->Name(), name)) {
            return report;
        }
    }
    return nullptr;
}

TComponent* TRepProjectManager::FindByPath(std::string_view path, TComponent* root) const
{
    const TComponent* searchRoot = root != nullptr ? root : this;
    std::string_view sought = path;
    std::size_t dot = path.find('.');
    if (dot != std::string_view::npos) {
        std::string_view prefix = path.substr(0, dot);
        sought = path.substr(dot + 1);
        searchRoot = nullptr;
        if (m_activeReport != nullptr) {
            TComponent* found = m_activeReport->FindComponent(prefix);
            TRepComponent* item = found != nullptr ? found->AsRepComponent() : nullptr;
            TRepPage* page = item != nullptr ? item->AsPage() : nullptr;
            if (page != nullptr && page->Parent() == m_activeReport) {
                searchRoot = page;
            }
        }
        if (searchRoot == nullptr) {
            TComponent* found = FindComponent(prefix);
            TRepComponent* item = found != nullptr ? found->AsRepComponent() : nullptr;
            if (item != nullptr && item->Parent() == this) {
                searchRoot = item;
            }
        }
        if (searchRoot == nullptr) {
            return nullptr;
        }
    }
    if (TComponent* found = searchRoot->FindComponent(sought)) {
        return found;
    }
    return FindComponent(sought);
}

std::string TRepProjectManager::MakeUniqueName(std::string_view base, TComponent* owner,
                                               bool usePreferred)
{
    if (owner == nullptr) {
        throw gq::InternalError("MakeUniqueName needs an owner");
    }
    return owner->MakeUniqueName(base, usePreferred);
}

void TRepProjectManager::ClearItems()
{
    std::vector<TRepReport*> reports;
    reports.swap(m_reports);
    std::vector<TRepPage*> pages;
    pages.swap(m_globalPages);
    m_activeReport = nullptr;
    for (auto it = reports.rbegin(); it != reports.rend(); ++it) {
        delete *it;
    }
    for (auto it = pages.rbegin(); it != pages.rend(); ++it) {
        delete *it;
    }
}

void TRepProjectManager::Notification(TComponent* freed)
{
    TRepProjectItem::Notification(freed);
    if (freed == m_activeReport) {
        m_activeReport = nullptr;
    }
    std::erase(m_reports, freed);
    std::erase(m_globalPages, freed);
}

void TRepProjectManager::SetUnits(TPrintUnits units)
{
    m_units = units;
    if (units != TPrintUnits::unUser) {
        m_unitsFactor = UnitsPerInch(units);
    }
}

void TRepProjectManager::SetUnitsFactor(double factor)
{
    if (factor <= 0) {
        return;
    }
    m_unitsFactor = factor;
    m_units = UnitsOfFactor(factor);
}

// ---------------------------------------------------------------------------------------------
// TRepProject

TRepProject::TRepProject(TComponent* owner) : TRepBaseComponent(owner)
{
    m_hidden = new TRepContainerControl(this);
    m_manager = new TRepProjectManager(m_hidden);
    m_manager->SetParent(m_hidden);
}

TRepProject::~TRepProject() = default;

TRepProjectManager* TRepProject::Manager() const
{
    return m_runManager != nullptr ? m_runManager : m_manager;
}

void TRepProject::NewProject()
{
    if (m_isOpen) {
        m_manager->ClearItems();
    }
    m_manager->ResetToNewProject();
    m_isOpen = true;
}

void TRepProject::OpenProject()
{
    if (m_isOpen) {
        return;
    }
    // Projects are never loaded from a file here: a closed project opens empty.
    m_isOpen = true;
}

bool TRepProject::ChooseReport(std::string_view name, bool byFullName)
{
    TRepReport* report = m_manager->FindReport(name, byFullName);
    if (report == nullptr) {
        return false;
    }
    m_manager->SetActiveReport(report);
    return true;
}

void TRepProject::RunReport(std::string_view name, TRunItems items)
{
    OpenProject();
    if (!ChooseReport(name, false)) {
        return;
    }
    if (m_engine == nullptr) {
        throw gq::InternalError("Report \"" + std::string(name) +
                               "\" cannot run: the project has no output engine");
    }
    m_manager->ActiveReport()->Execute(*m_engine, items);
}

void TRepProject::CloseProject()
{
    if (!m_isOpen) {
        return;
    }
    m_manager->ClearItems();
    m_isOpen = false;
}

void TRepProject::SetProjectFile(std::string_view file)
{
    m_projectFile = std::string(file);
    if (!m_projectFile.empty() && m_projectFile.find('.') == std::string::npos) {
        m_projectFile += ".rpj";
    }
}

} // namespace gq::report
