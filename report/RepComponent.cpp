#include "report/RepComponent.h"

#include "gq/Error.h"
#include "report/RepProject.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

namespace gq::report
{

namespace
{

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    const std::size_t size = a.size();
    const char* p = a.data();
    const char* q = b.data();
    // Names found in an index are mostly spelled alike: compare whole words first.
    if (size >= 8) {
        bool equal = true;
        for (std::size_t i = 0; equal && i + 8 <= size; i += 8) {
            equal = std::memcmp(p + i, q + i, 8) == 0;
        }
        if (equal && std::memcmp(p + size - 8, q + size - 8, 8) == 0) {
            return true;
        }
    } else if (size >= 4) {
        if (std::memcmp(p, q, 4) == 0 && std::memcmp(p + size - 4, q + size - 4, 4) == 0) {
            return true;
        }
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (p[i] != q[i] && FoldCase(p[i]) != FoldCase(q[i])) {
            return false;
        }
    }
    return true;
}

// Hash of a name ignoring case, eight bytes at a time. OR-ing 0x20 into every byte gives both
// cases of a letter the same bits (it also merges a few other pairs such as '@' and '`', which
// only costs an extra comparison on a collision).
std::uint32_t NameHash(std::string_view name)
{
    constexpr std::uint64_t kFold = 0x2020202020202020ULL;
    auto mix = [](std::uint64_t h) {
        h *= 0xBF58476D1CE4E5B9ULL;
        return h ^ (h >> 31);
    };
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ name.size();
    const char* p = name.data();
    const std::size_t size = name.size();
    if (size >= 8) {
        std::size_t at = 0;
        for (; at + 8 <= size; at += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + at, 8);
            h = mix(h ^ (word | kFold));
        }
        if (at < size) { // the last eight bytes, overlapping the previous word
            std::uint64_t word;
            std::memcpy(&word, p + size - 8, 8);
            h = mix(h ^ (word | kFold));
        }
    } else if (size >= 4) { // two four-byte loads, overlapping when size < 8
        std::uint32_t low;
        std::uint32_t high;
        std::memcpy(&low, p, 4);
        std::memcpy(&high, p + size - 4, 4);
        const std::uint64_t word = low | (static_cast<std::uint64_t>(high) << 32);
        h = mix(h ^ (word | kFold));
    } else {
        std::uint64_t word = 0;
        for (std::size_t i = 0; i < size; ++i) {
            word |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
        }
        h = mix(h ^ (word | kFold));
    }
    h = mix(h);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

// Hash and equality ignoring case for the number hints; both take string_view keys so a lookup
// needs no string of its own.
struct TFoldHash
{
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return NameHash(name); }
};

struct TFoldEqual
{
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return SameName(a, b); }
};

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
    if (className.size() >= 3 && FoldCase(className[0]) == 'r' && FoldCase(className[1]) == 'e' &&
        FoldCase(className[2]) == 'p') {
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
// TComponent::TOwnedIndex

// Owned objects by name, ignoring case: an open-addressing table with linear probing whose
// slots point at the objects, so a name is stored once (in the object) and an object is found
// without building a lower-case copy of the name. Each slot keeps the name's hash, so most
// mismatches are rejected without touching the object. At most half the slots are used.
struct TComponent::TOwnedIndex
{
    struct TSlot
    {
        TComponent* Item = nullptr; ///< nullptr: empty
        std::uint32_t Hash = 0;
    };
    std::vector<TSlot> Slots; ///< size 0 or a power of two
    std::size_t Count = 0;
    /// Base (first spelling seen, compared ignoring case) -> first number that may be free.
    std::unordered_map<std::string, int, TFoldHash, TFoldEqual> NextNumber;
    /// The entry of NextNumber used last (entries are never erased, so it stays valid).
    std::pair<const std::string, int>* LastHint = nullptr;

    TComponent* Find(std::string_view name, std::uint32_t hash) const
    {
        if (Slots.empty()) {
            return nullptr;
        }
        const std::size_t mask = Slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const TSlot& slot = Slots[i];
            if (slot.Item == nullptr) {
                return nullptr;
            }
            if (slot.Hash == hash && SameName(slot.Item->m_name, name)) {
                return slot.Item;
            }
        }
    }

    /// `item` must not be in the table yet.
    void Insert(TComponent* item, std::uint32_t hash)
    {
        if ((Count + 1) * 2 > Slots.size()) {
            Rehash(std::max<std::size_t>(Slots.size() * 2, 16));
        }
        Place(item, hash);
        ++Count;
    }

    /// Removes `item` found under `hash`; false when it is not there.
    bool Erase(const TComponent* item, std::uint32_t hash)
    {
        if (Slots.empty()) {
            return false;
        }
        const std::size_t mask = Slots.size() - 1;
        std::size_t hole = hash & mask;
        while (Slots[hole].Item != item) {
            if (Slots[hole].Item == nullptr) {
                return false;
            }
            hole = (hole + 1) & mask;
        }
        // Backward-shift deletion: move up every later entry of the run whose home slot does not
        // lie cyclically in (hole, next], so no probe sequence crosses an empty slot.
        for (std::size_t next = (hole + 1) & mask; Slots[next].Item != nullptr;
             next = (next + 1) & mask) {
            const std::size_t home = Slots[next].Hash & mask;
            const bool stays =
                hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
            if (!stays) {
                Slots[hole] = Slots[next];
                hole = next;
            }
        }
        Slots[hole] = TSlot{};
        --Count;
        return true;
    }

    void Reserve(std::size_t count)
    {
        std::size_t size = 16;
        while (size < count * 2) {
            size *= 2;
        }
        if (size > Slots.size()) {
            Rehash(size);
        }
    }

  private:
    void Place(TComponent* item, std::uint32_t hash)
    {
        const std::size_t mask = Slots.size() - 1;
        std::size_t i = hash & mask;
        while (Slots[i].Item != nullptr) {
            i = (i + 1) & mask;
        }
        Slots[i] = TSlot{item, hash};
    }

    void Rehash(std::size_t size)
    {
        std::vector<TSlot> old(size);
        old.swap(Slots);
        for (const TSlot& slot : old) {
            if (slot.Item != nullptr) {
                Place(slot.Item, slot.Hash);
            }
        }
    }
};

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

    // Free owned objects, last created first. Each is unlinked before it is deleted so that its
    // destructor does not come back to this list.
    m_index.reset();
    while (m_lastOwned != nullptr) {
        TComponent* item = m_lastOwned;
        m_lastOwned = item->m_prevSibling;
        if (m_lastOwned != nullptr) {
            m_lastOwned->m_nextSibling = nullptr;
        } else {
            m_firstOwned = nullptr;
        }
        --m_ownedCount;
        item->m_owner = nullptr;
        item->m_prevSibling = nullptr;
        delete item;
    }
}

void Free(TComponent* item) { delete item; }

void TComponent::InsertComponent(TComponent* item)
{
    item->m_owner = this;
    item->m_prevSibling = m_lastOwned;
    item->m_nextSibling = nullptr;
    if (m_lastOwned != nullptr) {
        m_lastOwned->m_nextSibling = item;
    } else {
        m_firstOwned = item;
    }
    m_lastOwned = item;
    ++m_ownedCount;
    IndexName(item);
}

void TComponent::RemoveComponent(TComponent* item)
{
    UnindexName(item);
    if (item->m_prevSibling != nullptr) {
        item->m_prevSibling->m_nextSibling = item->m_nextSibling;
    } else {
        m_firstOwned = item->m_nextSibling;
    }
    if (item->m_nextSibling != nullptr) {
        item->m_nextSibling->m_prevSibling = item->m_prevSibling;
    } else {
        m_lastOwned = item->m_prevSibling;
    }
    item->m_prevSibling = item->m_nextSibling = nullptr;
    item->m_owner = nullptr;
    --m_ownedCount;
}

void TComponent::IndexName(TComponent* item)
{
    if (item->m_name.empty()) {
        return;
    }
    if (m_index == nullptr) {
        m_index = std::make_unique<TOwnedIndex>();
    }
    m_index->Insert(item, item->m_nameHash);
}

void TComponent::UnindexName(TComponent* item)
{
    if (item->m_name.empty() || m_index == nullptr) {
        return;
    }
    if (m_index->Erase(item, item->m_nameHash)) {
        LowerHints(item->m_name);
    }
}

void TComponent::ReserveIndex(std::size_t count)
{
    if (m_index == nullptr) {
        m_index = std::make_unique<TOwnedIndex>();
    }
    m_index->Reserve(count);
}

void TComponent::CopyNameFrom(const TComponent& source)
{
    m_name = source.m_name;
    m_nameHash = source.m_nameHash;
    if (m_owner != nullptr) {
        m_owner->IndexName(this);
    }
}

TComponent* TComponent::FindIndexed(std::string_view name, std::uint32_t hash) const
{
    return m_index == nullptr ? nullptr : m_index->Find(name, hash);
}

// A freed name "<base><n>" makes n free again for every base it can be read as ("Text12" is
// base "Text" with 12 and base "Text1" with 2), so every such hint above n comes down to n.
void TComponent::LowerHints(std::string_view name)
{
    auto& hints = m_index->NextNumber;
    if (hints.empty()) {
        return;
    }
    std::size_t digitsStart = name.size();
    while (digitsStart > 0 && name[digitsStart - 1] >= '0' && name[digitsStart - 1] <= '9') {
        --digitsStart;
    }
    for (std::size_t split = digitsStart; split < name.size(); ++split) {
        std::string_view digits = name.substr(split);
        if (digits[0] == '0' || digits.size() > 4) {
            continue; // never a candidate: numbers are written without leading zeros, up to 9999
        }
        int number = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), number);
        auto hint = hints.find(name.substr(0, split));
        if (hint != hints.end() && number < hint->second) {
            hint->second = number;
        }
    }
}

std::vector<TComponent*> TComponent::Components() const
{
    std::vector<TComponent*> result;
    result.reserve(static_cast<std::size_t>(m_ownedCount));
    for (TComponent* item = m_firstOwned; item != nullptr; item = item->m_nextSibling) {
        result.push_back(item);
    }
    return result;
}

TComponent* TComponent::FindComponent(std::string_view name) const
{
    if (name.empty() || m_index == nullptr) {
        return nullptr;
    }
    return m_index->Find(name, NameHash(name));
}

void TComponent::SetName(std::string_view newName)
{
    SetNameHashed(newName, newName.empty() ? 0 : NameHash(newName));
}

void TComponent::SetNameHashed(std::string_view newName, std::uint32_t hash)
{
    if (newName == m_name) {
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
    if (m_owner != nullptr && !newName.empty()) {
        TComponent* other = m_owner->FindIndexed(newName, hash);
        if (other != nullptr && other != this) {
            std::string ownerName =
                m_owner->m_name.empty() ? std::string(m_owner->ClassName()) : m_owner->m_name;
            throw gq::Error("A report item named \"" + std::string(newName) +
                            "\" already exists in " + ownerName);
        }
    }
    if (m_owner != nullptr) {
        m_owner->UnindexName(this);
    }
    std::string oldName = std::move(m_name);
    m_name.assign(newName);
    m_nameHash = hash;
    if (m_owner != nullptr) {
        m_owner->IndexName(this);
    }
    NameChanged(oldName, m_name);
}

std::string TComponent::MakeUniqueName(std::string_view base, bool usePreferred)
{
    std::uint32_t hash = 0;
    if (!usePreferred) {
        return UniqueName({}, base, hash);
    }
    std::size_t bar = base.find('|');
    std::string_view preferred = Trim(base.substr(0, bar));
    std::string_view fallback =
        bar == std::string_view::npos ? preferred : Trim(base.substr(bar + 1));
    return UniqueName(preferred, fallback, hash);
}

std::string TComponent::UniqueName(std::string_view preferred, std::string_view base,
                                   std::uint32_t& hash)
{
    if (!preferred.empty()) {
        hash = NameHash(preferred);
        if (FindIndexed(preferred, hash) == nullptr) {
            return std::string(preferred);
        }
    }
    if (m_index == nullptr) {
        m_index = std::make_unique<TOwnedIndex>();
    }
    // Controls are mostly added in runs of one class: try the base used last before hashing.
    auto*& last = m_index->LastHint;
    if (last == nullptr || !SameName(last->first, base)) {
        auto& hints = m_index->NextNumber;
        auto found = hints.find(base);
        if (found == hints.end()) {
            found = hints.emplace(std::string(base), 1).first;
        }
        last = &*found;
    }
    int& hint = last->second;
    // Candidates are built in place: the base once, then each number after it.
    constexpr std::size_t kDigits = 4; // numbers run up to 9999
    std::array<char, 64> local;
    std::string longBase;
    char* text = local.data();
    if (base.size() + kDigits > local.size()) {
        longBase.resize(base.size() + kDigits);
        text = longBase.data();
    }
    std::memcpy(text, base.data(), base.size());
    char* digits = text + base.size();
    std::string_view candidate;
    for (int n = std::max(hint, 1); n <= 9999; ++n) {
        char* end = std::to_chars(digits, digits + kDigits, n).ptr;
        candidate = std::string_view(text, static_cast<std::size_t>(end - text));
        hash = NameHash(candidate);
        if (FindIndexed(candidate, hash) == nullptr) {
            hint = n; // 1..n-1 are all taken; n is returned but may stay unused
            return std::string(candidate);
        }
    }
    hint = 9999;
    return std::string(candidate);
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

void TComponent::NameChanged(const std::string&, const std::string&) {}

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
    for (TRepComponent* child : m_children) {
        child->m_parent = nullptr;
    }
    m_children.clear();
    BeginDestroy();
    if (m_parent != nullptr) {
        auto& siblings = m_parent->m_children;
        siblings.erase(std::find(siblings.begin(), siblings.end(), this));
    }
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
        throw std::logic_error("Report item " + std::string(newParent->Name()) + " (" +
                               std::string(newParent->ClassName()) + ") cannot hold child items");
    }
    // Only this item or one below it would close a loop; an item without children has none below.
    if (newParent == this || !m_children.empty()) {
        for (auto* p = newParent; p != nullptr; p = p->m_parent) {
            if (p == this) {
                throw std::logic_error("report item made a child of itself");
            }
        }
    }
    if (m_parent != nullptr) {
        auto& siblings = m_parent->m_children;
        siblings.erase(std::find(siblings.begin(), siblings.end(), this));
    }
    m_parent = newParent;
    if (newParent != nullptr) {
        newParent->m_children.push_back(this);
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
        } else if (name.find('|') == std::string_view::npos) {
            // MakeUniqueName(base) or MakeUniqueName("name|base", true), without joining and
            // splitting the two parts and without hashing the result twice.
            std::uint32_t hash = 0;
            std::string_view base = BaseNameView(control->ClassName());
            std::string unique =
                owner->UniqueName(Trim(name), name.empty() ? base : Trim(base), hash);
            control->SetNameHashed(unique, hash);
        } else {
            std::string base(BaseNameView(control->ClassName()));
            control->SetName(owner->MakeUniqueName(std::string(name) + "|" + base, true));
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
    Locked = source.Locked;
    DevLocked = source.DevLocked;
    if (source.m_events != nullptr) {
        m_events = std::make_unique<TEvents>(*source.m_events);
    }
}

void TRepComponent::AssignReferences(const TRepComponent&) {}

bool TRepComponent::IsFinished() const
{
    return std::all_of(m_children.begin(), m_children.end(),
                       [](const TRepComponent* child) { return child->IsFinished(); });
}

void TRepComponent::BeforeReport()
{
    if (m_events != nullptr && m_events->OnBeforeReport) {
        m_events->OnBeforeReport(*this);
    }
    for (TRepComponent* child : m_children) {
        child->BeforeReport();
    }
}

void TRepComponent::AfterReport()
{
    for (TRepComponent* child : m_children) {
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
    for (TRepComponent* child : m_children) {
        child->SaveDesignBounds();
    }
}

void TRepComponent::RestoreDesignBounds()
{
    for (TRepComponent* child : m_children) {
        child->RestoreDesignBounds();
    }
}

void TRepComponent::SaveFittedBounds()
{
    for (TRepComponent* child : m_children) {
        child->SaveFittedBounds();
    }
}

void TRepComponent::RestoreFittedBounds()
{
    for (TRepComponent* child : m_children) {
        child->RestoreFittedBounds();
    }
}

void TRepComponent::DrawSelf(TOutputEngine&) {}

// ---------------------------------------------------------------------------------------------
// TRepControl

TRepControl::TRepControl(TComponent* owner) : TRepComponent(owner) {}

void TRepControl::SetLeft(TRepUnits value)
{
    if (!UnitsEqual(value, m_bounds.Left)) {
        m_bounds.Left = value;
    }
}

void TRepControl::SetTop(TRepUnits value)
{
    if (!UnitsEqual(value, m_bounds.Top)) {
        m_bounds.Top = value;
    }
}

void TRepControl::SetWidth(TRepUnits value)
{
    if (!UnitsEqual(value, m_bounds.Width)) {
        m_bounds.Width = value;
    }
}

void TRepControl::SetHeight(TRepUnits value)
{
    if (!UnitsEqual(value, m_bounds.Height)) {
        m_bounds.Height = value;
    }
}

void TRepControl::SetBounds(const TRepBounds& bounds) { m_bounds = bounds; }

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
    m_design = control.m_design;
    m_fitted = control.m_fitted;
    m_displayOn = control.m_displayOn;
    Anchor = control.Anchor;
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
    m_design = m_bounds;
    TRepComponent::SaveDesignBounds();
}

void TRepControl::RestoreDesignBounds()
{
    m_bounds = m_design;
    TRepComponent::RestoreDesignBounds();
}

void TRepControl::SaveFittedBounds()
{
    m_fitted = m_bounds;
    TRepComponent::SaveFittedBounds();
}

void TRepControl::RestoreFittedBounds()
{
    m_bounds = m_fitted;
    TRepComponent::RestoreFittedBounds();
}

} // namespace gq::report
