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
/// (or, when it is the chunk being filled, is reused from its start).
///
/// Every block, from a chunk or from the heap, starts with a word naming its chunk (none for the
/// heap), so Free needs no arena: the arena may even go before its blocks; a chunk then goes back
/// with its last block. Blocks are aligned to kAlignment. Not thread-safe: one arena serves one
/// project on one thread.
class TItemArena
{
  public:
    static constexpr std::size_t kAlignment = 8;

    TItemArena() = default;
    ~TItemArena();
    TItemArena(const TItemArena&) = delete;
    TItemArena& operator=(const TItemArena&) = delete;

    /// A block of at least `size` bytes from this arena's chunks (a large one from the heap).
    /// Throws std::bad_alloc when the system has no memory left.
    void* Allocate(std::size_t size);

    /// A block of at least `size` bytes from the general heap, freed by Free like any other.
    static void* AllocateOnHeap(std::size_t size);

    /// Gives back a block from Allocate or AllocateOnHeap; nullptr does nothing.
    static void Free(void* block) noexcept;

    /// Chunks mapped now, and blocks handed out from them and not yet freed.
    std::size_t ChunkCount() const;
    std::size_t LiveBlocks() const;

  private:
    struct TChunk;

    /// Maps a new chunk (at least `minimum` bytes of room) and makes it the one being filled.
    void AddChunk(std::size_t minimum);
    /// Called by Free when `chunk` holds no block any more.
    static void ChunkEmptied(TChunk* chunk) noexcept;
    static void Unmap(TChunk* chunk) noexcept;

    TChunk* m_first = nullptr;   ///< all chunks, linked
    TChunk* m_current = nullptr; ///< the chunk being filled
    std::size_t m_nextChunkSize = 0;
};

} // namespace gq::report
