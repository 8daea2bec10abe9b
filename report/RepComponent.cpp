#include "report/RepComponent.h"

#include "gq/Error.h"
#include "report/NameIndex.h"
#include "report/OutputEngine.h"
#include "report/RepProject.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <stdexcept>

namespace gq::report
{

namespace
{

bool IsIdentifier(std::string_view name)
{
    static constexpr auto kIdentifierChar = [] {
        std::array<bool, 256> table{};
        for (int c = 0; c < 256; ++c) {
            table[static_cast<std::size_t>(c)] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                                 (c >= '0' && c <= '9') || c == '_';
        }
        return table;
    }();
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) {
        return false;
    }
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return kIdentifierChar[static_cast<unsigned char>(c)]; });
}

// The class name without its leading "T" and "Rep" (any case): "TRepHLine" -> "HLine".
std::string_view BaseNameView(std::string_view className)
{
    if (!className.empty() && className.front() == 'T') {
        className.remove_prefix(1);
    }
    if (className.size() >= 3 && SameName(className.substr(0, 3), "rep")) {
        className.remove_prefix(3);
    }
    return className;
}

bool IsReservedWord(std::string_view name)
{
    static constexpr std::array<std::string_view, 9> kReserved = {
        "import",         "const", "type",     "var",        "function",
        "implementation", "end",   "creation", "destruction"};
    // Lengths of the reserved words, as bits: most names are rejected by length alone.
    static constexpr std::uint32_t kLengths = [] {
        std::uint32_t lengths = 0;
        for (std::string_view word : kReserved) {
            lengths |= 1U << word.size();
        }
        return lengths;
    }();
    if (name.size() >= 32 || ((kLengths >> name.size()) & 1U) == 0) {
        return false;
    }
    return std::any_of(kReserved.begin(), kReserved.end(),
                       [name](std::string_view word) { return SameName(word, name); });
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

void EraseOne(std::vector<TComponent*>& list, TComponent* item)
{
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) {
        list.erase(it);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TComponent

TComponent::TComponent(TComponent* owner)
{
    if (owner != nullptr) {
        owner->InsertComponent(this);
    }
}

TComponent::~TComponent()
{
    BeginDestroy();
    if (m_owner != nullptr) {
        m_owner->RemoveComponent(this);
    }
}

void TComponent::BeginDestroy()
{
    if (m_destroying) {
        return;
    }
    m_destroying = true;

    // Tell everyone holding a reference to this object, and drop the registrations both ways.
    if (m_links != nullptr) {
        std::vector<TComponent*> observers;
        observers.swap(m_links->Observers);
        for (TComponent* observer : observers) {
            EraseOne(observer->m_links->Observing, this);
            if (!observer->m_destroying) {
                observer->Notification(this);
            }
        }
        for (TComponent* observed : m_links->Observing) {
            EraseOne(observed->m_links->Observers, this);
        }
        m_links.reset();
    }

    FreeOwned();
}

void TComponent::FreeOwned()
{
    // Free owned objects, last created first. Each is unlinked before it is deleted so that its
    // destructor does not come back to this list.
    if (m_owned == nullptr) {
        return;
    }
    std::unique_ptr<TOwned> owned = std::move(m_owned);
    while (owned->Last != nullptr) {
        TComponent* item = owned->Last;
        owned->Last = item->m_prevSibling;
        if (owned->Last != nullptr) {
            owned->Last->m_nextSibling = nullptr;
        }
        item->m_owner = nullptr;
        item->m_prevSibling = nullptr;
        delete item;
    }
}

void Free(TComponent* item) { delete item; }

TItemArena* ArenaOf(const TComponent* owner)
{
    const TRepComponent* item = owner != nullptr ? owner->AsRepComponent() : nullptr;
    TRepProjectManager* project = item != nullptr ? item->Project() : nullptr;
    return project != nullptr ? &project->ItemArena() : nullptr;
}

TComponent::TOwned& TComponent::Owned()
{
    if (m_owned == nullptr) {
        m_owned = std::make_unique<TOwned>();
    }
    return *m_owned;
}

void TComponent::InsertComponent(TComponent* item)
{
    TOwned& owned = Owned();
    item->m_owner = this;
    item->m_prevSibling = owned.Last;
    item->m_nextSibling = nullptr;
    if (owned.Last != nullptr) {
        owned.Last->m_nextSibling = item;
    } else {
        owned.First = item;
    }
    owned.Last = item;
    ++owned.Count;
    IndexName(item);
}

// Called only for an object this one owns, so the owned list exists.
void TComponent::RemoveComponent(TComponent* item)
{
    UnindexName(item);
    TOwned& owned = *m_owned;
    if (item->m_prevSibling != nullptr) {
        item->m_prevSibling->m_nextSibling = item->m_nextSibling;
    } else {
        owned.First = item->m_nextSibling;
    }
    if (item->m_nextSibling != nullptr) {
        item->m_nextSibling->m_prevSibling = item->m_prevSibling;
    } else {
        owned.Last = item->m_prevSibling;
    }
    item->m_prevSibling = item->m_nextSibling = nullptr;
    item->m_owner = nullptr;
    --owned.Count;
}

void TComponent::BuildIndex(TOwned& owned)
{
    if (owned.Indexed) {
        return;
    }
    owned.Indexed = true;
    owned.Plain = {};
    owned.Index.Reserve(static_cast<std::size_t>(owned.Count));
    for (TComponent* item = owned.First; item != nullptr; item = item->m_nextSibling) {
        if (!item->m_name.Empty()) {
            item->m_nameHash = NameHash(item->m_name.View());
            owned.Index.Insert(item, item->m_nameHash);
        }
    }
}

void TComponent::IndexName(TComponent* item)
{
    if (!item->m_name.Empty()) {
        TOwned& owned = Owned();
        BuildIndex(owned); // a no-op when built: an item named here is not in it yet
        owned.Index.Insert(item, item->m_nameHash);
    }
}

void TComponent::UnindexName(TComponent* item)
{
    if (item->m_name.Empty() || m_owned == nullptr) {
        return;
    }
    // A freed number may be taken again: from here on the owner is searched.
    BuildIndex(*m_owned);
    if (m_owned->Index.Erase(item, item->m_nameHash)) {
        m_owned->Index.Hints().Lower(item->m_name.View());
    }
}

void TComponent::ReserveIndex(std::size_t count)
{
    TOwned& owned = Owned();
    BuildIndex(owned);
    owned.Index.Reserve(count);
}

void TComponent::CopyNameFrom(const TComponent& source)
{
    if (m_owner != nullptr) {
        BuildIndex(m_owner->Owned());
    }
    m_name = source.m_name;
    m_nameHash = NameHash(m_name.View());
    if (m_owner != nullptr) {
        m_owner->IndexName(this);
    }
}

TComponent* TComponent::FindIndexed(std::string_view name, std::uint32_t hash) const
{
    if (m_owned == nullptr) {
        return nullptr;
    }
    BuildIndex(*m_owned);
    return m_owned->Index.Find(name, hash);
}

std::vector<TComponent*> TComponent::Components() const
{
    std::vector<TComponent*> result;
    result.reserve(static_cast<std::size_t>(ComponentCount()));
    for (TComponent* item = m_owned != nullptr ? m_owned->First : nullptr; item != nullptr;
         item = item->m_nextSibling) {
        result.push_back(item);
    }
    return result;
}

TComponent* TComponent::FindComponent(std::string_view name) const
{
    return name.empty() ? nullptr : FindIndexed(name, NameHash(name));
}

void TComponent::SetName(std::string_view newName)
{
    if (m_name == newName) {
        return;
    }
    if (IsReservedWord(newName)) {
        return;
    }
    if (!newName.empty() && !IsIdentifier(newName)) {
        throw gq::Error("Report item name \"" + std::string(newName) +
                        "\" is not a valid identifier (letters, digits and '_', not starting with "
                        "a digit)");
    }
    const std::uint32_t hash = newName.empty() ? 0 : NameHash(newName);
    if (m_owner != nullptr && !newName.empty()) {
        TComponent* other = m_owner->FindIndexed(newName, hash);
        if (other != nullptr && other != this) {
            std::string ownerName =
                m_owner->m_name.Empty() ? std::string(m_owner->ClassName()) : m_owner->Name();
            throw gq::Error("A report item named \"" + std::string(newName) +
                            "\" already exists in " + ownerName);
        }
    }
    if (m_owner != nullptr) {
        m_owner->UnindexName(this);
    }
    const TCompactString oldName = std::move(m_name);
    m_name.Assign(newName);
    m_nameHash = hash;
    if (m_owner != nullptr) {
        m_owner->IndexName(this);
    }
    NameChanged(oldName.View(), m_name.View());
}

std::string TComponent::MakeUniqueName(std::string_view base, bool usePreferred)
{
    if (!usePreferred) {
        return UniqueName({}, base);
    }
    std::size_t bar = base.find('|');
    std::string_view preferred = Trim(base.substr(0, bar));
    std::string_view fallback =
        bar == std::string_view::npos ? preferred : Trim(base.substr(bar + 1));
    return UniqueName(preferred, fallback);
}

TComponent::TNumberedName TComponent::FirstFreeNumberedName(std::string_view base,
                                                            TNameBuffer& buffer)
{
    int& hint = Owned().Index.Hints().For(base);
    // Candidates are built in place: the base once, then each number after it.
    constexpr std::size_t kDigits = 4; // numbers run up to 9999
    char* text = buffer.Local.data();
    if (base.size() + kDigits > buffer.Local.size()) {
        buffer.Long.resize(base.size() + kDigits);
        text = buffer.Long.data();
    }
    std::memcpy(text, base.data(), base.size());
    char* digits = text + base.size();
    TNumberedName result;
    for (int n = std::max(hint, 1); n <= 9999; ++n) {
        char* end = std::to_chars(digits, digits + kDigits, n).ptr;
        result.Name = std::string_view(text, static_cast<std::size_t>(end - text));
        result.Hash = NameHash(result.Name);
        if (FindIndexed(result.Name, result.Hash) == nullptr) {
            hint = n; // 1..n-1 are all taken; n is returned but may stay unused
            result.Hint = &hint;
            result.Number = n;
            return result;
        }
    }
    hint = 9999;
    return result;
}

std::string TComponent::UniqueName(std::string_view preferred, std::string_view base)
{
    if (!preferred.empty() && FindIndexed(preferred, NameHash(preferred)) == nullptr) {
        return std::string(preferred);
    }
    TNameBuffer buffer;
    return std::string(FirstFreeNumberedName(base, buffer).Name);
}

bool TComponent::TakeNameInOrder(TOwned& owned, std::string_view preferred, std::string_view base)
{
    constexpr std::size_t kMostPlainNames = 16; // beyond them a search is cheaper
    auto endsInDigit = [](std::string_view name) {
        return !name.empty() && name.back() >= '0' && name.back() <= '9';
    };
    if (!preferred.empty()) {
        // Only a name without trailing digits can be told free from Plain alone.
        if (endsInDigit(preferred)) {
            return false;
        }
        const bool taken = std::any_of(
            owned.Plain.begin(), owned.Plain.end(),
            [&](const TComponent* item) { return SameName(item->NameView(), preferred); });
        if (!taken) {
            // A reserved word or a name that is no identifier takes SetName's road (ignored or
            // refused), as it does with a search.
            if (owned.Plain.size() >= kMostPlainNames || !IsIdentifier(preferred) ||
                IsReservedWord(preferred)) {
                return false;
            }
            m_name.Assign(preferred);
            owned.Plain.push_back(this);
            NameChanged({}, m_name.View());
            return true;
        }
    }
    // "<base><n>" splits into base and number one way only when the base ends in a letter or
    // '_', so no other base's numbers can meet these.
    if (base.empty() || endsInDigit(base) || !IsIdentifier(base)) {
        return false;
    }
    int& hint = owned.Index.Hints().For(base);
    const int number = std::max(hint, 1);
    if (number >= 9999) {
        return false; // the last number, and what happens when it is taken, are the search's
    }
    std::array<char, 64> local;
    std::string text;
    char* start = local.data();
    if (base.size() + 4 > local.size()) {
        text.resize(base.size() + 4);
        start = text.data();
    }
    std::memcpy(start, base.data(), base.size());
    char* end = std::to_chars(start + base.size(), start + base.size() + 4, number).ptr;
    m_name.Assign(std::string_view(start, static_cast<std::size_t>(end - start)));
    hint = number + 1;
    NameChanged({}, m_name.View());
    return true;
}

void TComponent::TakeUniqueName(std::string_view preferred, std::string_view base)
{
    TComponent* owner = m_owner;
    if (owner == nullptr || !m_name.Empty()) {
        SetName(owner == nullptr ? std::string() : owner->UniqueName(preferred, base));
        return;
    }
    if (TOwned& owned = owner->Owned(); !owned.Indexed) {
        if (TakeNameInOrder(owned, preferred, base)) {
            return;
        }
        BuildIndex(owned);
    }
    if (!preferred.empty() && owner->FindIndexed(preferred, NameHash(preferred)) == nullptr) {
        SetName(preferred); // a caller's name: every check of a rename applies
        return;
    }
    TNameBuffer buffer;
    const TNumberedName numbered = owner->FirstFreeNumberedName(base, buffer);
    // An identifier followed by digits is an identifier and never a reserved word (those have no
    // digits), and the search just found it free: nothing SetName checks can fail. Anything else
    // (no number left, a base that is no identifier) takes SetName's road and its error.
    if (numbered.Hint == nullptr || !IsIdentifier(base)) {
        SetName(numbered.Name);
        return;
    }
    m_name.Assign(numbered.Name);
    m_nameHash = numbered.Hash;
    owner->Owned().Index.Insert(this, numbered.Hash);
    // 1..n are all taken now; the hint stays a number a search can try.
    *numbered.Hint = std::min(numbered.Number + 1, 9999);
    NameChanged({}, m_name.View());
}

void TComponent::FreeNotification(TComponent* other)
{
    if (other == nullptr || other == this) {
        return;
    }
    if (other->m_links == nullptr) {
        other->m_links = std::make_unique<TLinks>();
    }
    if (m_links == nullptr) {
        m_links = std::make_unique<TLinks>();
    }
    auto& observers = other->m_links->Observers;
    if (std::find(observers.begin(), observers.end(), this) == observers.end()) {
        observers.push_back(this);
        m_links->Observing.push_back(other);
    }
}

void TComponent::Notification(TComponent*) {}

void TComponent::NameChanged(std::string_view, std::string_view) {}

// ---------------------------------------------------------------------------------------------
// TRepComponent

TRepComponent::TRepComponent(TComponent* owner) : TComponent(owner)
{
    if (TRepComponent* repOwner = owner != nullptr ? owner->AsRepComponent() : nullptr) {
        m_page = repOwner->m_page;
        m_report = repOwner->m_report;
        m_project = repOwner->m_project;
    }
}

TRepComponent::~TRepComponent()
{
    // Children are let go first: those this item owns are then freed without coming back to a
    // list that is going away, and those owned elsewhere live on without a parent.
    for (TRepComponent* child : Children()) {
        child->m_parent = nullptr;
    }
    m_children.reset();
    BeginDestroy();
    if (m_parent != nullptr) {
        auto& siblings = *m_parent->m_children;
        siblings.erase(std::find(siblings.begin(), siblings.end(), this));
    }
}

const std::vector<TRepComponent*>& TRepComponent::Children() const
{
    static const std::vector<TRepComponent*> kNone;
    return m_children != nullptr ? *m_children : kNone;
}

void TRepComponent::FreeOwnedItems()
{
    // As in the destructor: children are let go first, so that freeing one does not search a
    // child list that is about to go anyway.
    for (TRepComponent* child : Children()) {
        child->m_parent = nullptr;
    }
    m_children.reset();
    FreeOwned();
}

TRepComponent::TEvents& TRepComponent::Events()
{
    if (m_events == nullptr) {
        m_events = std::make_unique<TEvents>();
    }
    return *m_events;
}

void TRepComponent::SetParent(TRepComponent* newParent)
{
    if (newParent == m_parent) {
        return;
    }
    if (newParent != nullptr && !newParent->IsContainer()) {
        throw gq::InternalError("Report item " + std::string(newParent->Name()) + " (" +
                                std::string(newParent->ClassName()) + ") cannot hold child items");
    }
    // Only this item or one below it would close a loop; an item without children has none below.
    if (newParent == this || ChildCount() > 0) {
        for (auto* p = newParent; p != nullptr; p = p->m_parent) {
            if (p == this) {
                throw gq::InternalError("report item made a child of itself");
            }
        }
    }
    if (m_parent != nullptr) {
        auto& siblings = *m_parent->m_children;
        siblings.erase(std::find(siblings.begin(), siblings.end(), this));
    }
    m_parent = newParent;
    if (newParent != nullptr) {
        if (newParent->m_children == nullptr) {
            newParent->m_children = std::make_unique<std::vector<TRepComponent*>>();
        }
        newParent->m_children->push_back(this);
    }
}

std::string TRepComponent::BaseNameOf(std::string_view className)
{
    return std::string(BaseNameView(className));
}

void TRepComponent::PlaceChildControl(TRepComponent* control, std::string_view name, TRepUnits left,
                                      TRepUnits top, TRepUnits width, TRepUnits height)
{
    try {
        control->SetParent(this);
        TComponent* owner = control->Owner();
        if (owner == nullptr) {
            control->SetName({});
        } else {
            const std::string_view base = BaseNameView(control->ClassName());
            // "name|base" as MakeUniqueName reads it; a name holding a '|' takes that road itself.
            if (name.find('|') == std::string_view::npos) {
                control->TakeUniqueName(Trim(name), base);
            } else {
                control->SetName(
                    owner->MakeUniqueName(std::string(name) + "|" + std::string(base), true));
            }
        }
        if (TRepControl* positioned = control->AsControl()) {
            positioned->SetLeft(left);
            positioned->SetTop(top);
            if (width != 0) {
                positioned->SetWidth(width);
            }
            if (height != 0) {
                positioned->SetHeight(height);
            }
        }
    } catch (...) {
        delete control;
        throw;
    }
}

void TRepComponent::AssignProperties(const TRepComponent& source)
{
    m_visible = source.m_visible;
    if (source.m_events != nullptr) {
        m_events = std::make_unique<TEvents>(*source.m_events);
    }
}

void TRepComponent::AssignReferences(const TRepComponent&) {}

bool TRepComponent::IsFinished() const
{
    return std::all_of(Children().begin(), Children().end(),
                       [](const TRepComponent* child) { return child->IsFinished(); });
}

void TRepComponent::BeforeReport()
{
    if (m_events != nullptr && m_events->OnBeforeReport) {
        m_events->OnBeforeReport(*this);
    }
    for (TRepComponent* child : Children()) {
        child->BeforeReport();
    }
}

void TRepComponent::AfterReport()
{
    for (TRepComponent* child : Children()) {
        child->AfterReport();
    }
    if (m_events != nullptr && m_events->OnAfterReport) {
        m_events->OnAfterReport(*this);
    }
}

void TRepComponent::BeforePrint()
{
    if (m_events != nullptr && m_events->OnBeforePrint) {
        m_events->OnBeforePrint(*this);
    }
}

void TRepComponent::AfterPrint()
{
    if (m_events != nullptr && m_events->OnAfterPrint) {
        m_events->OnAfterPrint(*this);
    }
}

void TRepComponent::SaveDesignBounds()
{
    for (TRepComponent* child : Children()) {
        child->SaveDesignBounds();
    }
}

void TRepComponent::RestoreDesignBounds()
{
    for (TRepComponent* child : Children()) {
        child->RestoreDesignBounds();
    }
}

void TRepComponent::SaveFittedBounds()
{
    for (TRepComponent* child : Children()) {
        child->SaveFittedBounds();
    }
}

void TRepComponent::RestoreFittedBounds()
{
    for (TRepComponent* child : Children()) {
        child->RestoreFittedBounds();
    }
}

void TRepComponent::DrawSelf(TOutputEngine&) {}

void TRepComponent::PrintItem(TOutputEngine& engine)
{
    if (!CanPrint()) {
        return;
    }
    BeforePrint();
    DrawSelf(engine);
    AfterPrint();
    for (TRepComponent* child : Children()) {
        child->PrintItem(engine);
    }
}

// ---------------------------------------------------------------------------------------------
// TRepControl

TRepControl::TRepControl(TComponent* owner) : TRepComponent(owner) {}

void TRepControl::SetLeft(TRepUnits value)
{
    if (!UnitsEqual(value, m_bounds.Left)) {
        TRepBounds bounds = m_bounds;
        bounds.Left = value;
        ChangeBounds(bounds);
    }
}

void TRepControl::SetTop(TRepUnits value)
{
    if (!UnitsEqual(value, m_bounds.Top)) {
        TRepBounds bounds = m_bounds;
        bounds.Top = value;
        ChangeBounds(bounds);
    }
}

void TRepControl::SetWidth(TRepUnits value)
{
    if (!UnitsEqual(value, m_bounds.Width)) {
        TRepBounds bounds = m_bounds;
        bounds.Width = value;
        ChangeBounds(bounds);
    }
}

void TRepControl::SetHeight(TRepUnits value)
{
    if (!UnitsEqual(value, m_bounds.Height)) {
        TRepBounds bounds = m_bounds;
        bounds.Height = value;
        ChangeBounds(bounds);
    }
}

void TRepControl::SetBounds(const TRepBounds& bounds) { ChangeBounds(bounds); }

void TRepControl::ChangeBounds(const TRepBounds& bounds)
{
    // Bitwise, so that a change between 0 and -0 is still made.
    if (std::memcmp(&bounds, &m_bounds, sizeof bounds) == 0) {
        return;
    }
    // A saved set that still reads the current bounds takes its own copy before they move.
    if (m_designKept == TKept::Current || m_fittedKept == TKept::Current) {
        if (m_held == nullptr) {
            m_held = std::make_unique<THeldBounds>();
        }
        if (m_designKept == TKept::Current) {
            m_held->Design = m_bounds;
            m_designKept = TKept::Held;
        }
        if (m_fittedKept == TKept::Current) {
            m_held->Fitted = m_bounds;
            m_fittedKept = TKept::Held;
        }
    }
    m_bounds = bounds;
}

TRepBounds TRepControl::KeptBounds(TKept kept, const TRepBounds& held) const
{
    switch (kept) {
    case TKept::Zero:
        break;
    case TKept::Current:
        return m_bounds;
    case TKept::Held:
        return held;
    }
    return {};
}

TRepBounds TRepControl::DesignBounds() const
{
    return KeptBounds(m_designKept, m_held != nullptr ? m_held->Design : TRepBounds{});
}

TRepBounds TRepControl::FittedBounds() const
{
    return KeptBounds(m_fittedKept, m_held != nullptr ? m_held->Fitted : TRepBounds{});
}

TRepUnits TRepControl::AbsLeft() const
{
    const TRepControl* parent = Parent() != nullptr ? Parent()->AsControl() : nullptr;
    return Left() + (parent != nullptr ? parent->AbsLeft() : 0.0);
}

TRepUnits TRepControl::AbsTop() const
{
    const TRepControl* parent = Parent() != nullptr ? Parent()->AsControl() : nullptr;
    return Top() + (parent != nullptr ? parent->AbsTop() : 0.0);
}

void TRepControl::SetMirror(TRepControl* mirror)
{
    if (mirror == this) {
        mirror = nullptr;
    }
    m_mirror = mirror;
    FreeNotification(mirror);
}

void TRepControl::Notification(TComponent* freed)
{
    TRepComponent::Notification(freed);
    if (freed == m_mirror) {
        m_mirror = nullptr;
    }
}

void TRepControl::AssignProperties(const TRepComponent& source)
{
    TRepComponent::AssignProperties(source);
    const auto& control = static_cast<const TRepControl&>(source);
    m_bounds = control.m_bounds;
    m_designKept = control.m_designKept;
    m_fittedKept = control.m_fittedKept;
    if (control.m_held != nullptr) {
        m_held = std::make_unique<THeldBounds>(*control.m_held);
    } else {
        m_held.reset();
    }
    m_displayOn = control.m_displayOn;
}

void TRepControl::AssignReferences(const TRepComponent& source)
{
    TRepComponent::AssignReferences(source);
    const auto& control = static_cast<const TRepControl&>(source);
    if (control.m_mirror != nullptr) {
        SetMirror(CopyOf(control.m_mirror));
    }
}

bool TRepControl::IsFinished() const
{
    return TRepComponent::IsFinished() && (m_mirror == nullptr || m_mirror->IsFinished());
}

void TRepControl::SaveDesignBounds()
{
    m_designKept = TKept::Current;
    TRepComponent::SaveDesignBounds();
}

void TRepControl::RestoreDesignBounds()
{
    if (m_designKept != TKept::Current) {
        ChangeBounds(DesignBounds());
        m_designKept = TKept::Current;
    }
    TRepComponent::RestoreDesignBounds();
}

void TRepControl::SaveFittedBounds()
{
    m_fittedKept = TKept::Current;
    TRepComponent::SaveFittedBounds();
}

void TRepControl::RestoreFittedBounds()
{
    if (m_fittedKept != TKept::Current) {
        ChangeBounds(FittedBounds());
        m_fittedKept = TKept::Current;
    }
    TRepComponent::RestoreFittedBounds();
}

void TRepControl::PrintItem(TOutputEngine& engine)
{
    if (!Visible()) {
        return;
    }
    if (m_displayOn == TDisplayOn::doParent) {
        TRepControl* parentControl = Parent() != nullptr ? Parent()->AsControl() : nullptr;
        m_displayOn = parentControl != nullptr ? parentControl->m_displayOn : TDisplayOn::doAll;
        if (m_displayOn == TDisplayOn::doParent) {
            m_displayOn = TDisplayOn::doAll;
        }
    }
    switch (m_displayOn) {
    case TDisplayOn::doPreviewOnly:
        engine.MarkPreviewOnly();
        break;
    case TDisplayOn::doPrinterOnly:
        engine.MarkPrinterOnly();
        break;
    default:
        engine.MarkAllOutputs();
        break;
    }
    BeforePrint();
    DrawSelf(engine);
    if (m_mirror != nullptr) {
        for (TRepComponent* child : m_mirror->Children()) {
            child->PrintItem(engine);
        }
    }
    AfterPrint();
    for (TRepComponent* child : Children()) {
        child->PrintItem(engine);
    }
}

} // namespace gq::report
