#include "report/RepItemPool.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <new>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define GQ_REPORT_POOL_DISABLED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GQ_REPORT_POOL_DISABLED 1
#endif
#endif

namespace gq::report
{

#if defined(GQ_REPORT_POOL_DISABLED)

void* TRepItemPool::Allocate(std::size_t size) { return ::operator new(size); }

void TRepItemPool::Release(void* block, std::size_t) noexcept { ::operator delete(block); }

#else

namespace
{

constexpr std::size_t kGrain = 16; // block sizes are multiples of this, as is the alignment
constexpr std::size_t kLargestPooled = 1024;
constexpr std::size_t kSlabSize = 64 * 1024;
constexpr std::size_t kClassCount = kLargestPooled / kGrain;
// A size that has filled this many small slabs is in heavy use (a book's texts and lines): its
// further slabs are 2 MiB, mapped on a 2 MiB boundary and offered to the kernel for huge pages,
// so the hundreds of megabytes of a big book's items cost few page faults.
constexpr std::size_t kSmallSlabsBeforeLarge = 16;
constexpr std::size_t kLargeSlabSize = 2 * 1024 * 1024;

struct TFreeBlock
{
    TFreeBlock* Next;
};

struct TSlab
{
    char* Start;
    std::size_t Size;
    bool Mapped; ///< from MapLargeSlab, else from operator new
};

// All blocks of one size: the free list, the uncarved rest of the newest slab, and the slabs.
struct TSizeClass
{
    TFreeBlock* Free = nullptr;
    char* Carve = nullptr;
    char* CarveEnd = nullptr;
    std::size_t Live = 0; ///< blocks handed out and not given back
    std::vector<TSlab> Slabs;
};

// A 2 MiB slab on a 2 MiB boundary with huge pages advised; nullptr when that is not available.
char* MapLargeSlab()
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const std::size_t span = 2 * kLargeSlabSize; // room to find the boundary
    void* mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        return nullptr;
    }
    auto* start = static_cast<char*>(mapped);
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    char* aligned = start + ((kLargeSlabSize - address % kLargeSlabSize) % kLargeSlabSize);
    if (aligned > start) {
        munmap(start, static_cast<std::size_t>(aligned - start));
    }
    char* end = aligned + kLargeSlabSize;
    if (end < start + span) {
        munmap(end, static_cast<std::size_t>(start + span - end));
    }
    madvise(aligned, kLargeSlabSize, MADV_HUGEPAGE); // only advice: fine if refused
    return aligned;
#else
    return nullptr;
#endif
}

void FreeSlab(const TSlab& slab) noexcept
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (slab.Mapped) {
        munmap(slab.Start, slab.Size);
        return;
    }
#endif
    ::operator delete(slab.Start);
}

class TPoolState
{
  public:
    void* Allocate(std::size_t classIndex)
    {
        TLockGuard guard(m_lock);
        TSizeClass& sizeClass = m_classes[classIndex];
        void* block;
        if (sizeClass.Free != nullptr) {
            block = sizeClass.Free;
            sizeClass.Free = sizeClass.Free->Next;
        } else {
            const std::size_t blockSize = (classIndex + 1) * kGrain;
            if (static_cast<std::size_t>(sizeClass.CarveEnd - sizeClass.Carve) < blockSize) {
                AddSlab(sizeClass);
            }
            block = sizeClass.Carve;
            sizeClass.Carve += blockSize;
        }
        ++sizeClass.Live;
        return block;
    }

    void Release(void* block, std::size_t classIndex) noexcept
    {
        TLockGuard guard(m_lock);
        TSizeClass& sizeClass = m_classes[classIndex];
        if (--sizeClass.Live == 0) {
            // Nothing of this size is in use: keep the newest slab for the next items and give
            // the others back.
            TSlab kept = sizeClass.Slabs.back();
            sizeClass.Slabs.pop_back();
            for (const TSlab& slab : sizeClass.Slabs) {
                FreeSlab(slab);
            }
            sizeClass.Slabs.assign(1, kept); // capacity is at least 1 already: cannot throw
            sizeClass.Free = nullptr;
            sizeClass.Carve = kept.Start;
            sizeClass.CarveEnd = kept.Start + kept.Size;
            return;
        }
        auto* freed = static_cast<TFreeBlock*>(block);
        freed->Next = sizeClass.Free;
        sizeClass.Free = freed;
    }

  private:
    class TLockGuard
    {
      public:
        explicit TLockGuard(std::atomic_flag& lock) : m_lock(lock)
        {
            while (m_lock.test_and_set(std::memory_order_acquire)) {
                std::this_thread::yield();
            }
        }
        ~TLockGuard() { m_lock.clear(std::memory_order_release); }
        TLockGuard(const TLockGuard&) = delete;
        TLockGuard& operator=(const TLockGuard&) = delete;

      private:
        std::atomic_flag& m_lock;
    };

    static void AddSlab(TSizeClass& sizeClass)
    {
        sizeClass.Slabs.reserve(sizeClass.Slabs.size() + 1);
        TSlab slab{nullptr, kLargeSlabSize, true};
        if (sizeClass.Slabs.size() >= kSmallSlabsBeforeLarge) {
            slab.Start = MapLargeSlab();
        }
        if (slab.Start == nullptr) {
            slab = TSlab{static_cast<char*>(::operator new(kSlabSize)), kSlabSize, false};
        }
        sizeClass.Slabs.push_back(slab);
        sizeClass.Carve = slab.Start;
        sizeClass.CarveEnd = slab.Start + slab.Size;
    }

    std::atomic_flag m_lock = ATOMIC_FLAG_INIT;
    std::array<TSizeClass, kClassCount> m_classes{};
};

// Never destroyed: report objects owned by static objects may be freed during exit, after any
// static pool would have gone.
TPoolState& State()
{
    static TPoolState* const state = new TPoolState;
    return *state;
}

std::size_t ClassIndex(std::size_t size) { return size == 0 ? 0 : (size - 1) / kGrain; }

} // namespace

void* TRepItemPool::Allocate(std::size_t size)
{
    if (size > kLargestPooled) {
        return ::operator new(size);
    }
    return State().Allocate(ClassIndex(size));
}

void TRepItemPool::Release(void* block, std::size_t size) noexcept
{
    if (block == nullptr) {
        return;
    }
    if (size > kLargestPooled) {
        ::operator delete(block);
        return;
    }
    State().Release(block, ClassIndex(size));
}

#endif

} // namespace gq::report
