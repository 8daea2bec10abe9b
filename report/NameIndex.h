#pragma once

// Lookup of report items by name, ignoring ASCII case, and the number hints that let
// MakeUniqueName find the first free "<base><n>" without trying every taken number again.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gq::report
{

/// Hash of `name` ignoring ASCII case: names that SameName calls equal hash alike.
std::uint32_t NameHash(std::string_view name);

/// True when `a` and `b` are equal ignoring ASCII case.
bool SameName(std::string_view a, std::string_view b);

/// For each base name (ignoring case), the first number n for which "<base><n>" may be free.
/// A freed name lowers the hints it can be read under. The empty state allocates nothing.
class TNumberHints
{
  public:
    TNumberHints();
    ~TNumberHints();
    TNumberHints(TNumberHints&&) noexcept;
    TNumberHints& operator=(TNumberHints&&) noexcept;

    /// The hint for `base`, created at 1 on first use. The reference stays valid as long as this
    /// object; asking for the same base twice in a row is cheap.
    int& For(std::string_view base);

    /// `name` was freed: a name "<base><n>" makes n free again for every base it can be read as
    /// ("Text12" is base "Text" with 12 and base "Text1" with 2), so each such hint above n comes
    /// down to n. Numbers with a leading zero or more than four digits are never candidates.
    void Lower(std::string_view name);

  private:
    struct TTable;
    std::unique_ptr<TTable> m_table;
};

/// Items by name, ignoring ASCII case: an open-addressing table with linear probing whose slots
/// point at the items, so a name is stored once (in the item) and found without a lower-case
/// copy. Each slot keeps the name's hash (NameHash), so most mismatches are rejected without
/// touching the item. At most half the slots are used: a name that is not there (every free
/// name MakeUniqueName tries, every rename's check) is then found missing within a few slots.
///
/// `Item` provides `NameView()`, convertible to std::string_view; an item's name must not change
/// while it is in the table. The table does not own the items.
template <class Item> class TNameIndex
{
  public:
    /// The item named `name` (hash: NameHash(name)), or nullptr.
    Item* Find(std::string_view name, std::uint32_t hash) const
    {
        if (m_slots.empty()) {
            return nullptr;
        }
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const TSlot& slot = m_slots[i];
            if (slot.Entry == nullptr) {
                return nullptr;
            }
            if (slot.Hash == hash && SameName(slot.Entry->NameView(), name)) {
                return slot.Entry;
            }
        }
    }

    /// Adds `item` under `hash`; `item` must not be in the table yet.
    void Insert(Item* item, std::uint32_t hash)
    {
        if ((m_count + 1) * 2 > m_slots.size()) {
            Rehash(std::max<std::size_t>(m_slots.size() * 2, kMinSlots));
        }
        Place(item, hash);
        ++m_count;
    }

    /// Removes `item`, added under `hash`; false when it is not there.
    bool Erase(const Item* item, std::uint32_t hash)
    {
        if (m_slots.empty()) {
            return false;
        }
        const std::size_t mask = m_slots.size() - 1;
        std::size_t hole = hash & mask;
        while (m_slots[hole].Entry != item) {
            if (m_slots[hole].Entry == nullptr) {
                return false;
            }
            hole = (hole + 1) & mask;
        }
        // Backward-shift deletion: move up every later entry of the run whose home slot does not
        // lie cyclically in (hole, next], so no probe sequence crosses an empty slot.
        for (std::size_t next = (hole + 1) & mask; m_slots[next].Entry != nullptr;
             next = (next + 1) & mask) {
            const std::size_t home = m_slots[next].Hash & mask;
            const bool stays =
                hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
            if (!stays) {
                m_slots[hole] = m_slots[next];
                hole = next;
            }
        }
        m_slots[hole] = TSlot{};
        --m_count;
        return true;
    }

    /// Makes room for `count` items without growing again.
    void Reserve(std::size_t count)
    {
        std::size_t size = kMinSlots;
        while (size < count * 2) {
            size *= 2;
        }
        if (size > m_slots.size()) {
            Rehash(size);
        }
    }

    std::size_t Count() const { return m_count; }

    /// Number hints of the names of the items in this table (see TNumberHints).
    TNumberHints& Hints() { return m_hints; }

  private:
    static constexpr std::size_t kMinSlots = 16;

    struct TSlot
    {
        Item* Entry = nullptr; ///< nullptr: empty
        std::uint32_t Hash = 0;
    };

    void Place(Item* item, std::uint32_t hash)
    {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = hash & mask;
        while (m_slots[i].Entry != nullptr) {
            i = (i + 1) & mask;
        }
        m_slots[i] = TSlot{item, hash};
    }

    void Rehash(std::size_t size)
    {
        std::vector<TSlot> old(size);
        old.swap(m_slots);
        for (const TSlot& slot : old) {
            if (slot.Entry != nullptr) {
                Place(slot.Entry, slot.Hash);
            }
        }
    }

    std::vector<TSlot> m_slots; ///< size 0 or a power of two
    std::size_t m_count = 0;
    TNumberHints m_hints;
};

} // namespace gq::report
