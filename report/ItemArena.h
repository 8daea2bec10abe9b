#pragma once

#include <cstddef>

namespace gq::report
{

/// Memory for the items of one report project.
///
/// A large book holds some 160,000 small items that live and die together. Taking each from the
/// general heap costs a page fault for every 4 KiB first touched and a free-list update per item
/// on the way in and out. The arena hands out blocks from large chunks mapped with their pages
/// already present, and a chunk goes back to the system as soon as the last block in it is freed
/// (or, when it is the chunk being filled, is reused from its start; see Double frees below).
///
/// Every block, from a chunk or from the heap, is preceded by a word naming its chunk (none for
/// the heap), so Free needs no arena: the arena may even go before its blocks; a chunk then goes
/// back with its last block.
///
/// Alignment: every block, from a chunk or from the heap, is aligned to kAlignment, which is
/// alignof(std::max_align_t), as the heap's own blocks are. A report item class that needs more
/// is refused at compile time on every path that can place it (NewItem, and TComponent's
/// operator new with or without an arena: see RepComponent.h).
///
/// Threads: not thread-safe, and no lock is taken. Allocate and Free of one arena's blocks must
/// not run at the same time on two threads. The book makes, prints and frees its items on one
/// thread, a page at a time (TPageByPage in book/BookMaker.cpp), so a chunk emptied by one
/// page is refilled by the next.
///
/// Double frees: a debug build (NDEBUG not defined) marks a freed block and stops the program
/// with "internal error: ..." on stderr when the same block is freed again while its chunk is
/// still mapped; a debug build also never refills an emptied chunk, so a stale block cannot be
/// mistaken for a new one. A release build does neither.
class TItemArena
{
  public:
    static constexpr std::size_t kAlignment = alignof(std::max_align_t);

    TItemArena() = default;
    ~TItemArena();
    TItemArena(const TItemArena&) = delete;
    TItemArena& operator=(const TItemArena&) = delete;

    /// A block of at least `size` bytes from this arena's chunks (a large one from the heap).
    /// Throws std::bad_alloc when the system has no memory left.
    void* Allocate(std::size_t size);

    /// A block of at least `size` bytes from the general heap, freed by Free like any other.
    static void* AllocateOnHeap(std::size_t size);

    /// Gives back a block from Allocate or AllocateOnHeap; nullptr does nothing. Freeing a
    /// block twice is a bug: a debug build stops the program naming it (see above).
    static void Free(void* block) noexcept;

    /// Chunks mapped now, and blocks handed out from them and not yet freed.
    std::size_t ChunkCount() const;
    std::size_t LiveBlocks() const;

  private:
    struct TChunk;
    /// Offset in a chunk of the first block's header (see the picture in ItemArena.cpp).
    static const std::size_t kFirstHeader;

    /// Maps a new chunk (at least `minimum` bytes of room) and makes it the one being filled.
    void AddChunk(std::size_t minimum);
    /// Called by Free when `chunk` holds no block any more.
    static void ChunkEmptied(TChunk* chunk) noexcept;
    /// Takes `chunk` out of this arena's list of chunks.
    void Unlink(TChunk* chunk) noexcept;
    static void Unmap(TChunk* chunk) noexcept;

    TChunk* m_first = nullptr;   ///< all chunks, linked
    TChunk* m_current = nullptr; ///< the chunk being filled
    std::size_t m_nextChunkSize = 0;
};

} // namespace gq::report
