#include "book/InterruptCleanup.h"

#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>

#include <unistd.h>

namespace gq::book
{

namespace
{

/// A fixed table the signal handler can walk without allocating or locking: a slot's path is
/// written while the slot is claimed but not yet armed, and the handler reads armed slots only.
struct TCleanupSlot
{
    std::atomic<int> State{0}; ///< 0 free, 1 claimed, 2 armed
    char Path[PATH_MAX];
};

constexpr std::size_t kSlots = 16;
constinit std::array<TCleanupSlot, kSlots> g_slots{};

void RemoveAndReraise(int signal)
{
    for (auto& slot : g_slots)
        if (slot.State.load() == 2)
            unlink(slot.Path);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void DoNothing(int) {}

} // namespace

void InstallInterruptCleanup()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = RemoveAndReraise;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&action.sa_mask, signal);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous;
        // A signal the caller's shell set to be ignored (nohup, background jobs) stays ignored.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
    // A handler that does nothing rather than SIG_IGN: an ignored signal would stay ignored in
    // every program started from here, a handled one is reset to the default by exec.
    struct sigaction nothing;
    std::memset(&nothing, 0, sizeof nothing);
    nothing.sa_handler = DoNothing;
    nothing.sa_flags = SA_RESTART;
    sigemptyset(&nothing.sa_mask);
    for (int signal : {SIGPIPE, SIGXFSZ})
        sigaction(signal, &nothing, nullptr);
}

int RegisterForCleanup(const std::string& path)
{
    if (path.size() >= PATH_MAX)
        return -1;
    for (std::size_t i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (!g_slots[i].State.compare_exchange_strong(expected, 1))
            continue;
        std::memcpy(g_slots[i].Path, path.c_str(), path.size() + 1);
        g_slots[i].State.store(2);
        return static_cast<int>(i);
    }
    return -1;
}

void UnregisterCleanup(int slot)
{
    if (slot >= 0 && static_cast<std::size_t>(slot) < kSlots)
        g_slots[static_cast<std::size_t>(slot)].State.store(0);
}

} // namespace gq::book
