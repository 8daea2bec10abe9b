#pragma once

#include "report/CompactString.h"
#include "report/ItemArena.h"
#include "report/ItemProperties.h"
#include "report/NameIndex.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace gq::report
{

class TOutputEngine;
class TRepComponent;
class TRepControl;
class TRepPage;
class TRepReport;
class TRepProjectManager;

/// Base of every report object: a Name unique (ignoring case) among the objects with the same
/// Owner, the Owner that frees it, and the list of objects it owns.
///
/// Ownership: an owner frees what it owns, last created first. Deleting an object (plain
/// `delete`, or Free) takes it out of its owner's list and name index and frees what it owns.
/// Objects that refer to another one register with FreeNotification and are told through
/// Notification when it goes, so no reference dangles.
class TComponent
{
  public:
    /// Joins `owner`'s list when `owner` is given; the new object has no name.
    explicit TComponent(TComponent* owner);
    virtual ~TComponent();

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Objects live in their project's item arena (see NewItem) or on the heap; delete frees
    // either. Both give blocks aligned to TItemArena::kAlignment (alignof(std::max_align_t)).
    // A class that needs more makes a new-expression pick one of the aligned forms below, which
    // refuse it at compile time. (They are templates rather than deleted functions because one
    // compiler quietly falls back to the unaligned form when the aligned one is deleted.)
    static void* operator new(std::size_t size) { return TItemArena::AllocateOnHeap(size); }
    static void* operator new(std::size_t size, TItemArena* arena)
    {
        return arena != nullptr ? arena->Allocate(size) : TItemArena::AllocateOnHeap(size);
    }
    template <class Never = void> static void* operator new(std::size_t size, std::align_val_t)
    {
        static_assert(sizeof(Never*) == 0, "a report item needs more than TItemArena::kAlignment");
        return TItemArena::AllocateOnHeap(size);
    }
    template <class Never = void>
    static void* operator new(std::size_t size, std::align_val_t, TItemArena*)
    {
        static_assert(sizeof(Never*) == 0, "a report item needs more than TItemArena::kAlignment");
        return TItemArena::AllocateOnHeap(size);
    }
    static void operator delete(void* block) noexcept { TItemArena::Free(block); }
    static void operator delete(void* block, TItemArena*) noexcept { TItemArena::Free(block); }

    /// The class name ("TRepText", ...); AddChildControl derives base names from it.
    virtual std::string_view ClassName() const { return "TComponent"; }

    /// This object as a report item, or nullptr when it is not one (a cheap checked downcast).
    virtual TRepComponent* AsRepComponent() { return nullptr; }
    virtual const TRepComponent* AsRepComponent() const { return nullptr; }

    std::string Name() const { return m_name.Str(); }
    /// The name without a copy; valid until the next rename.
    std::string_view NameView() const { return m_name.View(); }

    /// Renames the object. A name equal (ignoring case) to a reserved word (IMPORT, CONST, TYPE,
    /// VAR, FUNCTION, IMPLEMENTATION, END, CREATION, DESTRUCTION) is silently ignored. Throws
    /// gq::Error naming the new name when it is not an identifier (letters, digits and '_', not
    /// starting with a digit) or when another object of the same owner has it; the old name then
    /// stays. The empty name is allowed and never indexed.
    void SetName(std::string_view newName);

    TComponent* Owner() const { return m_owner; }

    /// Number of owned objects.
    int ComponentCount() const { return m_owned != nullptr ? m_owned->Count : 0; }

    /// Owned objects in creation order (a snapshot).
    std::vector<TComponent*> Components() const;

    /// The owned object named `name` (ignoring case), or nullptr. Constant time.
    TComponent* FindComponent(std::string_view name) const;

    /// A name that no object owned by this one has. With `usePreferred`, `base` is
    /// "preferred|fallback" (both parts trimmed of spaces) and the preferred part is returned when
    /// it is free. Otherwise the result is the base followed by the first free number 1..9999; the
    /// search resumes from a per-base hint, so naming n objects alike costs O(n) in all. When all
    /// 9999 are taken the last candidate is returned (and renaming to it then fails).
    std::string MakeUniqueName(std::string_view base, bool usePreferred = false);

    /// MakeUniqueName with the preferred name and the base given apart (nothing is trimmed or
    /// split): `preferred` when it is not empty and free, else `base` followed by the first free
    /// number.
    std::string UniqueName(std::string_view preferred, std::string_view base);

    /// SetName(Owner()->UniqueName(preferred, base)) in one step: a numbered name the search has
    /// just found free is taken without looking it up again, and the next search for `base`
    /// starts after it. Without an owner the name becomes empty. Throws as SetName does.
    void TakeUniqueName(std::string_view preferred, std::string_view base);

    /// Asks to be told (Notification) when `other` is freed, and tells `other` likewise.
    void FreeNotification(TComponent* other);

    /// True from the start of the object's destruction.
    bool Destroying() const { return m_destroying; }

  protected:
    /// Called when `freed`, which this object registered with, is being freed. Clear every
    /// reference to it. Runs while `freed` is being destroyed: compare pointers only.
    virtual void Notification(TComponent* freed);

    /// Called after a rename succeeded (FullName follows Name in project items).
    virtual void NameChanged(std::string_view oldName, std::string_view newName);

    /// First step of destruction, safe to call more than once: tells the objects that refer to
    /// this one, then frees everything owned. Subclasses whose owned objects touch their data
    /// while being freed call it first thing in their destructor.
    void BeginDestroy();

    /// Frees every object this one owns, last created first; this one lives on, owning nothing.
    void FreeOwned();

  private:
    void InsertComponent(TComponent* item);
    void RemoveComponent(TComponent* item);
    void IndexName(TComponent* item);
    void UnindexName(TComponent* item);
    TComponent* FindIndexed(std::string_view name, std::uint32_t hash) const;
    /// Takes `source`'s name (valid and free in this object's owner) and indexes it there.
    void CopyNameFrom(const TComponent& source);
    /// Room for a numbered name being built: on the stack unless the base is long.
    struct TNameBuffer
    {
        std::array<char, 64> Local;
        std::string Long;
    };
    /// A numbered name "<base><n>" (its text lives in a TNameBuffer) and its NameHash.
    struct TNumberedName
    {
        std::string_view Name;
        std::uint32_t Hash = 0;
        int Number = 0;
        int* Hint = nullptr; ///< the base's number hint; nullptr when 1..9999 are all taken
    };
    /// The first free "<base><n>" among the objects this one owns, from the base's hint on;
    /// when none is free, the last candidate with no Hint.
    TNumberedName FirstFreeNumberedName(std::string_view base, TNameBuffer& buffer);
    /// Makes room in the name index for `count` owned objects.
    void ReserveIndex(std::size_t count);

    // Free-notification links; created on first use (most items never take part).
    struct TLinks
    {
        std::vector<TComponent*> Observers; ///< objects told when this one is freed
        std::vector<TComponent*> Observing; ///< objects this one asked to be told about
    };

    // What an owner keeps of its owned objects: an intrusive doubly linked list in creation
    // order (through their m_prevSibling and m_nextSibling) and the name index (ignoring case)
    // with its number hints. Created with the first owned object: most items own nothing.
    //
    // The index is built only when a name is first looked up. Until then the owner names new
    // objects in order without a search (TakeUniqueName): every name it holds is either a
    // numbered one, "<base><n>" with n below the base's hint, or one without trailing digits,
    // kept in Plain; so "<base><hint>" is free by construction, and a preferred name is free
    // when Plain lacks it. Anything else (a rename, a removal, a copy's name, a lookup) builds
    // the index first, and the owner is searched as always from then on.
    struct TOwned
    {
        TComponent* First = nullptr;
        TComponent* Last = nullptr;
        int Count = 0;
        TNameIndex<TComponent> Index;
        bool Indexed = false;
        std::vector<TComponent*> Plain; ///< until Indexed: the names without trailing digits
    };
    /// Builds `owned`'s index from the names of its objects, once.
    static void BuildIndex(TOwned& owned);
    /// TakeUniqueName without a search on an owner whose index is not built; false when the
    /// names asked for need one (the caller then searches).
    bool TakeNameInOrder(TOwned& owned, std::string_view preferred, std::string_view base);
    /// The owned list, created when missing.
    TOwned& Owned();

    TCompactString m_name;
    TComponent* m_owner = nullptr;
    TComponent* m_prevSibling = nullptr;
    TComponent* m_nextSibling = nullptr;
    std::unique_ptr<TOwned> m_owned;
    std::unique_ptr<TLinks> m_links;
    std::uint32_t m_nameHash = 0; ///< NameHash(m_name)
    bool m_destroying = false;

  protected:
    /// Scratch link from an item to its copy while an execution copy is being made.
    mutable TComponent* m_copy = nullptr;
    friend class TReportRun;

    /// The copy of `source` in the execution copy being made, as T; nullptr when it has none.
    template <class T> static T* CopyOf(const T* source)
    {
        return source == nullptr ? nullptr : dynamic_cast<T*>(source->m_copy);
    }
};

/// Frees `item` and everything it owns; nullptr does nothing.
void Free(TComponent* item);

/// The item arena of the project `owner` belongs to, or nullptr outside a project.
TItemArena* ArenaOf(const TComponent* owner);

/// A new object of class T owned by `owner`, placed in the arena of owner's project when there
/// is one.
template <class T> T* NewItem(TComponent* owner)
{
    static_assert(alignof(T) <= TItemArena::kAlignment,
                  "a report item needs more than TItemArena::kAlignment");
    return new (ArenaOf(owner)) T(owner);
}

/// Base of every report item: a parent whose ordered child list gives the drawing order, a
/// visible flag, the page, report and project found through the owner chain at creation, and
/// the polymorphic print operations of a report run.
class TRepComponent : public TComponent
{
  public:
    explicit TRepComponent(TComponent* owner);
    ~TRepComponent() override;

    std::string_view ClassName() const override { return "TRepComponent"; }
    TRepComponent* AsRepComponent() override { return this; }
    const TRepComponent* AsRepComponent() const override { return this; }
    /// This item as a positioned control or as a page, or nullptr when it is not one.
    virtual TRepControl* AsControl() { return nullptr; }
    virtual const TRepControl* AsControl() const { return nullptr; }
    virtual TRepPage* AsPage() { return nullptr; }
    virtual const TRepPage* AsPage() const { return nullptr; }
    /// A new, unnamed item of the same class owned by `owner` (the execution copy uses it).
    virtual TRepComponent* NewInstance(TComponent* owner) const
    {
        return NewItem<TRepComponent>(owner);
    }

    TRepComponent* Parent() const { return m_parent; }

    /// Leaves the old parent's child list and joins the end of the new one's (nullptr: no
    /// parent). Throws std::logic_error when `newParent` cannot hold children.
    void SetParent(TRepComponent* newParent);

    /// True for the classes that keep a child list.
    virtual bool IsContainer() const { return false; }

    int ChildCount() const { return static_cast<int>(Children().size()); }
    TRepComponent* Child(int index) const { return Children().at(static_cast<std::size_t>(index)); }
    const std::vector<TRepComponent*>& Children() const;

    /// Lets go of every child and frees every item this one owns, keeping the item itself: a
    /// page is emptied this way once it has printed.
    void FreeOwnedItems();

    /// The page, report and project manager this item belongs to (nullptr outside one).
    TRepPage* Page() const { return m_page; }
    TRepReport* Report() const { return m_report; }
    TRepProjectManager* Project() const { return m_project; }

    bool Visible() const { return m_visible; }
    void Hide() { m_visible = false; }
    void Show() { m_visible = true; }
    virtual bool CanPrint() const { return m_visible; }

    bool Active() const { return m_active; }
    virtual void Activate() { m_active = true; }
    virtual void Deactivate() { m_active = false; }

    /// Creates a control of class T as a child of this item, as the book builder does: owned by
    /// this item when it is a project item (a page), otherwise by this item's owner. Named with
    /// MakeUniqueName: "name|base" preferring `name` when given, else the base alone, where the
    /// base is the class name without its leading "T" and "Rep" ("TRepText" -> "Text"). Left and
    /// Top are set; Width and Height only when not exactly 0. Throws std::logic_error when this
    /// item cannot hold children, gq::Error when the name cannot be given (the new control is
    /// then freed).
    template <class T>
    T* AddChildControl(std::string_view name = {}, TRepUnits left = 0, TRepUnits top = 0,
                       TRepUnits width = 0, TRepUnits height = 0)
    {
        T* control = NewItem<T>(ChildControlOwner());
        PlaceChildControl(control, name, left, top, width, height);
        return control;
    }

    /// Base name derived from a class name: "TRepHLine" -> "HLine".
    static std::string BaseNameOf(std::string_view className);

    /// Copies the property values of `source` (same class) onto this item. Name, owner, parent
    /// and references to other items are not copied (the execution copy resolves those).
    virtual void AssignProperties(const TRepComponent& source);

    /// Copies references to other items from `source`, each mapped to the target's copy in the
    /// execution copy being made; a reference whose target has no copy becomes nullptr.
    virtual void AssignReferences(const TRepComponent& source);

    // Run-time operations of a report run, in the order the run uses them.
    virtual bool IsFinished() const;
    virtual void BeforeReport();
    virtual void AfterReport();
    virtual void BeforePrint();
    virtual void AfterPrint();
    virtual void SaveDesignBounds();
    virtual void RestoreDesignBounds();
    virtual void SaveFittedBounds();
    virtual void RestoreFittedBounds();
    /// Prints the item and its children onto `engine` (a page also fits its controls first).
    virtual void PrintItem(TOutputEngine& engine);
    /// The item's own drawing; nothing for the base.
    virtual void DrawSelf(TOutputEngine& engine);

    /// Run-time hooks of an item, fired by the run around the whole report and around each
    /// print. Kept for the tests of the report run, which watch the order of a run through them;
    /// the book never sets one, and an item without hooks carries no storage for them.
    struct TEvents
    {
        std::function<void(TRepComponent&)> OnBeforeReport;
        std::function<void(TRepComponent&)> OnAfterReport;
        std::function<void(TRepComponent&)> OnBeforePrint;
        std::function<void(TRepComponent&)> OnAfterPrint;
    };
    /// The item's hooks, created on first use.
    TEvents& Events();

  protected:
    /// Owner of controls created by AddChildControl on this item.
    virtual TComponent* ChildControlOwner() { return Owner(); }

  private:
    void PlaceChildControl(TRepComponent* control, std::string_view name, TRepUnits left,
                           TRepUnits top, TRepUnits width, TRepUnits height);

    TRepComponent* m_parent = nullptr;
    std::unique_ptr<std::vector<TRepComponent*>> m_children; ///< created with the first child
    std::unique_ptr<TEvents> m_events;
    bool m_visible = true;
    bool m_active = false;

  protected:
    TRepPage* m_page = nullptr;
    TRepReport* m_report = nullptr;
    TRepProjectManager* m_project = nullptr;
};

/// An item with an ordered child list.
class TRepContainerComponent : public TRepComponent
{
  public:
    using TRepComponent::TRepComponent;
    std::string_view ClassName() const override { return "TRepContainerComponent"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepContainerComponent>(owner);
    }
    bool IsContainer() const override { return true; }
};

/// Left, Top, Width and Height of a control, in inches.
struct TRepBounds
{
    TRepUnits Left = 0;
    TRepUnits Top = 0;
    TRepUnits Width = 0;
    TRepUnits Height = 0;
};

/// A positioned item. Setters ignore values within 0.0001 inch of the current one.
class TRepControl : public TRepComponent
{
  public:
    explicit TRepControl(TComponent* owner);
    std::string_view ClassName() const override { return "TRepControl"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepControl>(owner);
    }
    TRepControl* AsControl() override { return this; }
    const TRepControl* AsControl() const override { return this; }

    virtual TRepUnits Left() const { return m_bounds.Left; }
    virtual TRepUnits Top() const { return m_bounds.Top; }
    virtual TRepUnits Width() const { return m_bounds.Width; }
    virtual TRepUnits Height() const { return m_bounds.Height; }
    virtual void SetLeft(TRepUnits value);
    virtual void SetTop(TRepUnits value);
    virtual void SetWidth(TRepUnits value);
    virtual void SetHeight(TRepUnits value);

    /// Page coordinates: own position plus the parent control's (a page counts as 0).
    TRepUnits AbsLeft() const;
    TRepUnits AbsTop() const;
    TRepUnits AbsRight() const { return AbsLeft() + Width(); }
    TRepUnits AbsBottom() const { return AbsTop() + Height(); }

    TDisplayOn DisplayOn() const { return m_displayOn; }
    void SetDisplayOn(TDisplayOn value) { m_displayOn = value; }

    /// Another control whose children are printed in this one's place; nullptr for none.
    TRepControl* Mirror() const { return m_mirror; }
    void SetMirror(TRepControl* mirror);

    // Properties that only some controls have; here they do nothing and read as empty or 0.
    virtual std::string Text() const { return {}; }
    virtual void SetText(std::string_view) {}
    virtual TPrintJustify FontJustify() const { return TPrintJustify::pjCenter; }
    virtual void SetFontJustify(TPrintJustify) {}
    virtual TColor Color() const { return 0; }
    virtual void SetColor(TColor) {}
    virtual TColor FillColor() const { return 0; }
    virtual void SetFillColor(TColor) {}
    virtual TFillStyle FillStyle() const { return TFillStyle::fsSolid; }
    virtual void SetFillStyle(TFillStyle) {}
    virtual double LineWidth() const { return 0; }
    virtual void SetLineWidth(double) {}
    virtual TLineWidthType LineWidthType() const { return TLineWidthType::wtPoints; }
    virtual void SetLineWidthType(TLineWidthType) {}
    virtual TPenStyle LineStyle() const { return TPenStyle::psSolid; }
    virtual void SetLineStyle(TPenStyle) {}

    /// Bounds saved at the start of a run and after a page's fit step.
    TRepBounds DesignBounds() const;
    TRepBounds FittedBounds() const;

    /// Sets all four bounds at once, bypassing the equality rule (used by the fit step).
    void SetBounds(const TRepBounds& bounds);

    void AssignProperties(const TRepComponent& source) override;
    void AssignReferences(const TRepComponent& source) override;

    bool IsFinished() const override;
    void SaveDesignBounds() override;
    void RestoreDesignBounds() override;
    void SaveFittedBounds() override;
    void RestoreFittedBounds() override;
    void PrintItem(TOutputEngine& engine) override;

  protected:
    void Notification(TComponent* freed) override;

    TRepBounds m_bounds;

  private:
    /// How a saved set of bounds is kept: never saved (all 0), still equal to m_bounds, or
    /// copied into m_held. Most controls never move after a save, so most hold no copy.
    enum class TKept : std::uint8_t
    {
        Zero,
        Current,
        Held
    };
    struct THeldBounds
    {
        TRepBounds Design;
        TRepBounds Fitted;
    };

    /// Every change of m_bounds after construction goes through here.
    void ChangeBounds(const TRepBounds& bounds);
    TRepBounds KeptBounds(TKept kept, const TRepBounds& held) const;

    std::unique_ptr<THeldBounds> m_held;
    TRepControl* m_mirror = nullptr;
    TKept m_designKept = TKept::Zero;
    TKept m_fittedKept = TKept::Zero;
    TDisplayOn m_displayOn = TDisplayOn::doParent;
};

/// A positioned item with a child list; serves as the hidden owner of a project manager.
class TRepContainerControl : public TRepControl
{
  public:
    using TRepControl::TRepControl;
    std::string_view ClassName() const override { return "TRepContainerControl"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepContainerControl>(owner);
    }
    bool IsContainer() const override { return true; }
};

} // namespace gq::report
