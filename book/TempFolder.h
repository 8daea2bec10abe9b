#pragma once

#include <string>

#include <sys/types.h>

namespace gq::book
{

/// The user's private temporary folder, ending in '/': $XDG_RUNTIME_DIR when it is an absolute
/// path, else a folder "gridquill-<uid>" under $TMPDIR (or /tmp), created with mode 0700. Either
/// must be a real directory (not a link) owned by the user and closed to everybody else, so that no
/// other local user can plant files or links in it. Throws gq::Error naming the folder otherwise.
struct TPrivateFolder
{
    std::string Path;
    std::string Fallback;
};
TPrivateFolder PrivateTempFolder();

/// The same rule with its inputs given: `runtimeDir` and `tmpDir` may be null or empty.
TPrivateFolder PrivateTempFolder(const char* runtimeDir, const char* tmpDir, uid_t uid);

} // namespace gq::book
