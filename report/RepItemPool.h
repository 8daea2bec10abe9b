#pragma once

#include <cstddef>

namespace gq::report
{

/// Memory for report objects (TComponent and everything derived from it).
///
/// A book creates and frees report items by the hundred thousand: the design items, their
/// execution copy, then both again. Freed blocks of one size are kept on a free list and handed
/// out again, so an item costs a few instructions to allocate and free instead of a trip
/// through the general-purpose heap. Blocks are carved from 64 KiB slabs; when the last block of
/// a size is freed, all but one slab of that size go back to the heap. Blocks above 1 KiB, and
/// every block in builds with AddressSanitizer (so it still sees use after free), come from the
/// global operator new.
///
/// Thread-safe: a short spin lock guards each call; a block may be freed on another thread than
/// the one that allocated it. Blocks are aligned to 16 bytes.
class TRepItemPool
{
  public:
    /// A block of at least `size` bytes. Throws std::bad_alloc.
    static void* Allocate(std::size_t size);
    /// Gives back a block from Allocate with the same `size`; nullptr does nothing.
    static void Release(void* block, std::size_t size) noexcept;
};

} // namespace gq::report
