#pragma once

#include "gq/Error.h"

#include <new>
#include <string>
#include <utility>

#include <dlfcn.h>

namespace gq
{

/// A shared library opened by its soname when first needed rather than linked: loading it, and
/// what it loads, at the start of every run would cost more than a small book takes to make,
/// though few runs use it. It stays open for the life of the process.
class TSharedLibrary
{
  public:
    /// Opens `soname`. Throws gq::Error "<purpose>: the library <soname> cannot be loaded
    /// (<reason>)" when it cannot be.
    TSharedLibrary(const char* soname, std::string purpose)
        : m_soname(soname), m_purpose(std::move(purpose)),
          m_handle(dlopen(soname, RTLD_NOW | RTLD_LOCAL))
    {
        if (!m_handle) {
            const std::string reason = dlerror();
            // No room to map the library is running out of memory, and is said as such.
            if (reason.find("failed to map segment") != std::string::npos ||
                reason.find("Cannot allocate memory") != std::string::npos)
                throw std::bad_alloc();
            throw Error(m_purpose + ": the library " + m_soname + " cannot be loaded (" + reason +
                        ")");
        }
    }
    TSharedLibrary(const TSharedLibrary&) = delete;
    TSharedLibrary& operator=(const TSharedLibrary&) = delete;

    /// Sets `function` to the library's function `name`. Throws gq::Error naming both when the
    /// library has no such function.
    template <class Function> void Look(const char* name, Function& function) const
    {
        function = reinterpret_cast<Function>(dlsym(m_handle, name));
        if (!function)
            throw Error(m_purpose + ": " + m_soname + " has no " + name);
    }

  private:
    std::string m_soname;
    std::string m_purpose;
    void* m_handle;
};

} // namespace gq
