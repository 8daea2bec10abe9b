#pragma once

// A large book touches about 170 MB of small report objects once each; with 4 KiB pages the
// first touch of every page is a fault, and on a virtual machine those faults cost more than the
// work itself. glibc backs its heap with transparent huge pages when its tunable
// glibc.malloc.hugetlb=1 is set, but reads tunables only when a process starts; so a front end
// starts itself over once with the tunable added. Where the kernel offers no huge pages the
// tunable changes nothing.

#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace gq::app
{

/// Re-executes the running program with glibc.malloc.hugetlb=1 added to GLIBC_TUNABLES, unless
/// it is there already. Returns only when that is not possible; the program then runs on with
/// the ordinary heap.
inline void PreferHugePageHeap(char** argv)
{
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    if (tunables != nullptr && std::strstr(tunables, "glibc.malloc.hugetlb") != nullptr)
        return;
    std::string value = "glibc.malloc.hugetlb=1";
    if (tunables != nullptr && *tunables != '\0')
        value = std::string(tunables) + ":" + value;
    if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0)
        return;
    execv("/proc/self/exe", argv);
    unsetenv("GLIBC_TUNABLES");
    if (tunables != nullptr)
        setenv("GLIBC_TUNABLES", tunables, 1);
}

} // namespace gq::app
