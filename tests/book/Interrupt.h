#pragma once

// Interrupting a child process at a chosen point, for tests of what an interrupted run leaves.

#include "book/InterruptCleanup.h"

#include <csignal>
#include <functional>

#include <sys/wait.h>
#include <unistd.h>

namespace gq::test
{

/// Runs `work` in a child process with the interrupt cleanup installed; `work` stops the child
/// (raise(SIGSTOP)) where it is to be interrupted. Then `whileStopped` runs here, the child gets
/// `signal` and goes on. Returns whether the child ended by that signal.
inline bool EndsByInterruptAtStop(const std::function<void()>& work, int signal,
                                  const std::function<void()>& whileStopped = {})
{
    pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        try {
            book::InstallInterruptCleanup();
            work();
        } catch (...) {
            _exit(3);
        }
        _exit(0);
    }
    int status = 0;
    if (waitpid(child, &status, WUNTRACED) != child || !WIFSTOPPED(status)) {
        waitpid(child, &status, 0);
        return false;
    }
    if (whileStopped)
        whileStopped();
    kill(child, signal);
    kill(child, SIGCONT);
    return waitpid(child, &status, 0) == child && WIFSIGNALED(status) && WTERMSIG(status) == signal;
}

} // namespace gq::test
