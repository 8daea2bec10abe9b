// The item arena: blocks from shared chunks, chunks given back with their last block, and report
// items placed in their project's arena.

#include "report/ItemArena.h"

#include "report/RepItems.h"
#include "report/RepProject.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace gq::report
{
namespace
{

TEST(ItemArenaTest, BlocksAreAlignedDistinctAndWritable)
{
    TItemArena arena;
    std::vector<char*> blocks;
    for (std::size_t size : {1, 7, 8, 24, 264, 9, 360, 16}) {
        auto* block = static_cast<char*>(arena.Allocate(size));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % TItemArena::kAlignment, 0u);
        std::memset(block, static_cast<int>(size), size);
        blocks.push_back(block);
    }
    for (std::size_t i = 1; i < blocks.size(); ++i)
        EXPECT_NE(blocks[i], blocks[i - 1]);
    EXPECT_EQ(blocks[4][263], static_cast<char>(264 & 0xFF)) << "a later block overwrote this one";
    EXPECT_EQ(arena.LiveBlocks(), 8u);
    for (char* block : blocks)
        TItemArena::Free(block);
    EXPECT_EQ(arena.LiveBlocks(), 0u);
}

/// True when `item` lies where a T may live.
template <class T> bool AlignedFor(const T* item)
{
    const auto address = reinterpret_cast<std::uintptr_t>(item);
    return address % alignof(T) == 0 && address % TItemArena::kAlignment == 0;
}

// An item with a member that needs the most alignment an ordinary type can (16 on x86-64).
struct TWidestItem : TRepComponent
{
    using TRepComponent::TRepComponent;
    long double Value = 0;
    std::max_align_t Widest{};
};

TEST(ItemArenaTest, ItemsOfEveryKindAreAlignedInTheArenaAndOnTheHeap)
{
    static_assert(TItemArena::kAlignment == alignof(std::max_align_t));
    TRepProject project;
    project.NewProject();
    TRepProjectManager& manager = *project.Manager();
    auto* page = manager.ReportList().front()->AddPage();
    const std::size_t before = manager.ItemArena().LiveBlocks();
    // Mixed sizes one after another, so that a block of one kind starts where another ended.
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(AlignedFor(page->AddChildControl<TRepText>()));
        EXPECT_TRUE(AlignedFor(page->AddChildControl<TRepHLine>()));
        EXPECT_TRUE(AlignedFor(page->AddChildControl<TRepVLine>()));
        EXPECT_TRUE(AlignedFor(NewItem<TRepFontMaster>(page)));
        EXPECT_TRUE(AlignedFor(manager.ReportList().front()->AddPage()));
        EXPECT_TRUE(AlignedFor(manager.AddGlobalPage()));
        EXPECT_TRUE(AlignedFor(NewItem<TWidestItem>(page)));
    }
    EXPECT_EQ(manager.ItemArena().LiveBlocks(), before + 350) << "all of them in the arena";

    // Outside a project, with and without an owner.
    TRepText loose(nullptr);
    auto* onHeap = NewItem<TRepLine>(&loose);
    auto* plain = new TRepContainerControl(nullptr);
    auto* widest = new TWidestItem(nullptr);
    EXPECT_TRUE(AlignedFor(onHeap));
    EXPECT_TRUE(AlignedFor(plain));
    EXPECT_TRUE(AlignedFor(widest));
    delete widest;
    delete plain;
    delete onHeap;
    project.CloseProject();
}

// A class that needs more than the arena gives is refused at compile time; OverAlignedItem.cpp,
// compiled by the tests report_OverAlignedItem*, shows it for every path.

TEST(ItemArenaTest, ChunksGoBackWithTheirLastBlockAndTheCurrentOneIsReused)
{
    TItemArena arena;
    std::vector<void*> blocks;
    for (int i = 0; i < 20000; ++i) // about 5 MB: several chunks
        blocks.push_back(arena.Allocate(256));
    const std::size_t chunks = arena.ChunkCount();
    ASSERT_GT(chunks, 3u);

    // Freeing every other block frees no chunk; freeing the rest of the oldest ones does.
    for (std::size_t i = 0; i < blocks.size(); i += 2)
        TItemArena::Free(blocks[i]);
    EXPECT_EQ(arena.ChunkCount(), chunks);
    for (std::size_t i = 1; i < blocks.size() / 2; i += 2)
        TItemArena::Free(blocks[i]);
    EXPECT_LT(arena.ChunkCount(), chunks);
    for (std::size_t i = blocks.size() / 2 + 1; i < blocks.size(); i += 2)
        TItemArena::Free(blocks[i]);
    EXPECT_EQ(arena.LiveBlocks(), 0u);
    EXPECT_EQ(arena.ChunkCount(), 1u) << "only the chunk being filled stays";

    // The emptied chunk is filled again from its start rather than a new one mapped.
    void* again = arena.Allocate(256);
    EXPECT_EQ(arena.ChunkCount(), 1u);
    TItemArena::Free(again);
}

TEST(ItemArenaTest, HeapBlocksLargeBlocksAndBlocksOutlivingTheArenaAreFreedAlike)
{
    void* heap = TItemArena::AllocateOnHeap(100);
    std::memset(heap, 1, 100);
    TItemArena::Free(heap);
    TItemArena::Free(nullptr);

    void* survivor = nullptr;
    {
        TItemArena arena;
        void* large = arena.Allocate(1 << 20);
        std::memset(large, 2, 1 << 20);
        EXPECT_EQ(arena.LiveBlocks(), 0u) << "a large block comes from the heap";
        TItemArena::Free(large);
        survivor = arena.Allocate(64);
        std::memset(survivor, 3, 64);
    }
    // The arena is gone; its chunk stays until this last block is freed.
    EXPECT_EQ(static_cast<unsigned char*>(survivor)[63], 3);
    TItemArena::Free(survivor);
}

TEST(ItemArenaTest, ProjectItemsLiveInTheProjectsArenaUntilTheProjectCloses)
{
    TRepProject project;
    project.NewProject();
    TRepProjectManager& manager = *project.Manager();
    auto* page = dynamic_cast<TRepPage*>(manager.FindByPath("Report1.Page1"));
    ASSERT_NE(page, nullptr);
    const std::size_t before = manager.ItemArena().LiveBlocks();
    EXPECT_GE(before, 2u) << "the report and its page";
    for (int i = 0; i < 500; ++i)
        page->AddChildControl<TRepText>("TitleText", 0.1 * i, 1.0)->SetText("7");
    page->AddChildControl<TRepHLine>();
    EXPECT_EQ(manager.ItemArena().LiveBlocks(), before + 501);
    Free(page->Child(3));
    EXPECT_EQ(manager.ItemArena().LiveBlocks(), before + 500);
    EXPECT_EQ(page->ChildCount(), 500);

    // A control whose owner belongs to no project comes from the heap.
    TRepText loose(nullptr);
    auto* child = NewItem<TRepText>(&loose);
    EXPECT_EQ(manager.ItemArena().LiveBlocks(), before + 500);
    delete child;

    project.CloseProject();
    EXPECT_EQ(manager.ItemArena().LiveBlocks(), 0u);
    EXPECT_LE(manager.ItemArena().ChunkCount(), 1u);
}

#ifndef NDEBUG
// Only a debug build checks; a release build (CMAKE_BUILD_TYPE Release defines NDEBUG for the
// library and the tests alike) leaves this test out. Under AddressSanitizer the second Free
// reads a poisoned header, which the sanitizer reports first.
TEST(ItemArenaDeathTest, ADoubleFreeStopsADebugBuild)
{
    const char* expected = "internal error: TItemArena::Free called twice|use-after-poison";
    TItemArena arena;
    void* block = arena.Allocate(48);
    void* neighbour = arena.Allocate(48); // keeps the chunk's count above zero
    TItemArena::Free(block);
    EXPECT_DEATH(TItemArena::Free(block), expected);
    TItemArena::Free(neighbour);
    // The chunk being filled is now empty; its blocks still are not handed out again.
    EXPECT_DEATH(TItemArena::Free(neighbour), expected);
    void* next = arena.Allocate(48);
    EXPECT_NE(next, block);
    EXPECT_NE(next, neighbour);
    TItemArena::Free(next);
}
#endif

#if defined(__SANITIZE_ADDRESS__)
TEST(ItemArenaDeathTest, AddressSanitizerStillCatchesUseAfterFree)
{
    TItemArena arena;
    auto* block = static_cast<volatile char*>(arena.Allocate(64));
    void* neighbour = arena.Allocate(64); // keeps the chunk mapped
    TItemArena::Free(const_cast<char*>(block));
    EXPECT_DEATH(block[10] = 1, "use-after-poison");
    TItemArena::Free(neighbour);
}
#endif

} // namespace
} // namespace gq::report
