#include "report/RepItemPool.h"

#include <array>
#include <atomic>
#include <new>
#include <thread>
#include <vector>

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

struct TFreeBlock
{
    TFreeBlock* Next;
};

// All blocks of one size: the free list, the uncarved rest of the newest slab, and the slabs.
struct TSizeClass
{
    TFreeBlock* Free = nullptr;
    char* Carve = nullptr;
    char* CarveEnd = nullptr;
    std::size_t Live = 0; ///< blocks handed out and not given back
    std::vector<char*> Slabs;
};

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
            char* kept = sizeClass.Slabs.back();
            sizeClass.Slabs.pop_back();
            for (char* slab : sizeClass.Slabs) {
                ::operator delete(slab);
            }
            sizeClass.Slabs.assign(1, kept); // capacity is at least 1 already: cannot throw
            sizeClass.Free = nullptr;
            sizeClass.Carve = kept;
            sizeClass.CarveEnd = kept + kSlabSize;
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
        auto* slab = static_cast<char*>(::operator new(kSlabSize));
        sizeClass.Slabs.push_back(slab);
        sizeClass.Carve = slab;
        sizeClass.CarveEnd = slab + kSlabSize;
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
