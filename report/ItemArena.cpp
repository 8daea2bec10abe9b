#include "report/ItemArena.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define GQ_ARENA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GQ_ARENA_ASAN 1
#endif
#endif
#if defined(GQ_ARENA_ASAN)
#include <sanitizer/asan_interface.h>
#endif
#if !defined(NDEBUG)
#define GQ_ARENA_CHECKS 1
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#endif

namespace gq::report
{

// A chunk starts with this record; its blocks follow.
struct TItemArena::TChunk
{
    TItemArena* Arena; ///< nullptr once the arena is gone
    TChunk* Prev;
    TChunk* Next;
    std::size_t Size; ///< bytes mapped
    std::size_t Used; ///< offset of the next block's header from the chunk's start
    std::size_t Live; ///< blocks not yet freed
};

namespace
{

// Each block is preceded by its chunk (nullptr: from the heap). Under AddressSanitizer the
// block's size follows, so that a freed block can be marked unreadable.
struct TBlockHeader
{
    void* Chunk;
#if defined(GQ_ARENA_ASAN)
    std::size_t Size;
#endif
};

constexpr std::size_t kHeader = sizeof(TBlockHeader);
constexpr std::size_t kFirstChunk = std::size_t{64} << 10;
constexpr std::size_t kLargestChunk = std::size_t{1} << 20;
// Larger blocks come from the heap: no item is anywhere near this.
constexpr std::size_t kLargestBlock = kLargestChunk / 16;

constexpr std::size_t RoundUp(std::size_t value, std::size_t step)
{
    return (value + step - 1) / step * step;
}

// Block layout. Blocks start at multiples of kAlignment; each header sits just before its block:
//
//   chunk:  | TChunk | pad | header | block ... | header | block ... | ...
//                          ^ kFirstHeader       ^ every header at kFirstHeader + n * kAlignment
//   heap:   | pad | header | block ... |         (the heap gives kAlignment-aligned memory)
//           ^ from operator new, kHeapOffset before the block
//
// A block with its header takes a multiple of kAlignment bytes, so the next header stays where
// the next block is aligned.
constexpr std::size_t kHeapOffset = RoundUp(kHeader, TItemArena::kAlignment);
static_assert(__STDCPP_DEFAULT_NEW_ALIGNMENT__ >= TItemArena::kAlignment);

void* Place(char* at, void* chunk, [[maybe_unused]] std::size_t size)
{
    TBlockHeader header{};
    header.Chunk = chunk;
#if defined(GQ_ARENA_ASAN)
    header.Size = size;
#endif
    std::memcpy(at, &header, kHeader);
    return at + kHeader;
}

TBlockHeader HeaderOf(const void* block)
{
    TBlockHeader header;
    std::memcpy(&header, static_cast<const char*>(block) - kHeader, kHeader);
    return header;
}

#if defined(GQ_ARENA_CHECKS)
// What a freed block's header names instead of its chunk; no chunk lies at this address.
void* FreedMark() { return reinterpret_cast<void*>(std::uintptr_t{1}); }

void MarkFreed(void* block)
{
    void* mark = FreedMark();
    std::memcpy(static_cast<char*>(block) - kHeader, &mark, sizeof mark);
}

[[noreturn]] void DoubleFree(const void* block) noexcept
{
    std::fprintf(stderr, "internal error: TItemArena::Free called twice for the block at %p\n",
                 block);
    std::abort();
}
#endif

} // namespace

const std::size_t TItemArena::kFirstHeader =
    RoundUp(sizeof(TChunk) + kHeader, kAlignment) - kHeader;

TItemArena::~TItemArena()
{
    TChunk* chunk = m_first;
    while (chunk != nullptr) {
        TChunk* next = chunk->Next;
        if (chunk->Live == 0) {
            Unmap(chunk);
        } else {
            // Blocks outlive the arena: the chunk goes with the last of them.
            chunk->Arena = nullptr;
            chunk->Prev = chunk->Next = nullptr;
        }
        chunk = next;
    }
}

void* TItemArena::Allocate(std::size_t size)
{
    const std::size_t need = RoundUp(size + kHeader, kAlignment);
    if (need > kLargestBlock) {
        return AllocateOnHeap(size);
    }
    if (m_current == nullptr || m_current->Size - m_current->Used < need) {
        AddChunk(need);
    }
    char* at = reinterpret_cast<char*>(m_current) + m_current->Used;
    m_current->Used += need;
    ++m_current->Live;
#if defined(GQ_ARENA_ASAN)
    ASAN_UNPOISON_MEMORY_REGION(at, need);
#endif
    return Place(at, m_current, size);
}

void* TItemArena::AllocateOnHeap(std::size_t size)
{
    auto* memory = static_cast<char*>(::operator new(size + kHeapOffset));
    return Place(memory + kHeapOffset - kHeader, nullptr, size);
}

void TItemArena::Free(void* block) noexcept
{
    if (block == nullptr) {
        return;
    }
    const TBlockHeader header = HeaderOf(block);
#if defined(GQ_ARENA_CHECKS)
    if (header.Chunk == FreedMark()) {
        DoubleFree(block);
    }
#endif
    if (header.Chunk == nullptr) {
        ::operator delete(static_cast<char*>(block) - kHeapOffset);
        return;
    }
    auto* chunk = static_cast<TChunk*>(header.Chunk);
#if defined(GQ_ARENA_CHECKS)
    MarkFreed(block);
#endif
#if defined(GQ_ARENA_ASAN)
    ASAN_POISON_MEMORY_REGION(static_cast<char*>(block) - kHeader, header.Size + kHeader);
#endif
    if (--chunk->Live == 0) {
        ChunkEmptied(chunk);
    }
}

std::size_t TItemArena::ChunkCount() const
{
    std::size_t count = 0;
    for (const TChunk* chunk = m_first; chunk != nullptr; chunk = chunk->Next) {
        ++count;
    }
    return count;
}

std::size_t TItemArena::LiveBlocks() const
{
    std::size_t live = 0;
    for (const TChunk* chunk = m_first; chunk != nullptr; chunk = chunk->Next) {
        live += chunk->Live;
    }
    return live;
}

void TItemArena::AddChunk(std::size_t minimum)
{
    // A chunk being filled that holds no block any more is not kept beside the new one.
    if (m_current != nullptr && m_current->Live == 0) {
        Unlink(m_current);
        Unmap(std::exchange(m_current, nullptr));
    }
    static const std::size_t kPage = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t size = RoundUp(
        std::max(m_nextChunkSize == 0 ? kFirstChunk : m_nextChunkSize, minimum + kFirstHeader),
        kPage);
    // MAP_POPULATE: the kernel provides every page now, in one call, instead of one fault per
    // page as the items are made.
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    auto* chunk = new (memory) TChunk{this, nullptr, m_first, size, kFirstHeader, 0};
    if (m_first != nullptr) {
        m_first->Prev = chunk;
    }
    m_first = chunk;
    m_current = chunk;
    m_nextChunkSize = std::min(size * 2, kLargestChunk);
}

void TItemArena::ChunkEmptied(TChunk* chunk) noexcept
{
    TItemArena* arena = chunk->Arena;
    if (arena == nullptr) {
        Unmap(chunk);
        return;
    }
    if (chunk == arena->m_current) {
#if !defined(GQ_ARENA_CHECKS)
        // Filled again from its start. A debug build goes on after the freed blocks instead,
        // so that their marks stay for the double-free check; AddChunk drops the chunk later.
        chunk->Used = kFirstHeader;
#endif
        return;
    }
    arena->Unlink(chunk);
    Unmap(chunk);
}

void TItemArena::Unlink(TChunk* chunk) noexcept
{
    (chunk->Prev != nullptr ? chunk->Prev->Next : m_first) = chunk->Next;
    if (chunk->Next != nullptr) {
        chunk->Next->Prev = chunk->Prev;
    }
}

void TItemArena::Unmap(TChunk* chunk) noexcept
{
    const std::size_t size = chunk->Size;
#if defined(GQ_ARENA_ASAN)
    // The shadow of unmapped memory must not stay poisoned for whatever is mapped there next.
    ASAN_UNPOISON_MEMORY_REGION(chunk, size);
#endif
    munmap(chunk, size);
}

} // namespace gq::report
