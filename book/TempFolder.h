#pragma once

#include <string>

#include <sys/types.h>

namespace gq::book
{

/// The folder a book's page stream goes to.
struct TPrivateFolder
{
    std::string Path; ///< ends in '/'
    /// Empty when the usual folder is used; otherwise why it could not be ("the temporary
    /// folder /tmp/gridquill-1000 belongs to another user"), for the front end to say where the
    /// stream went.
    std::string Fallback;
};

/// The user's private temporary folder. The usual one is $XDG_RUNTIME_DIR when that is an
/// absolute path, else a folder "gridquill-<uid>" under $TMPDIR (or /tmp), created with mode
/// 0700 and reused by every later run. It must be a real directory (not a link) owned by the
/// user and closed to everybody else, so that no other local user can plant files or links in
/// it. When it is not (another user made it first, it is open to others, a file or a link),
/// a fresh folder "gridquill-<uid>.XXXXXX" is made with mkdtemp under $TMPDIR (or /tmp) and
/// Fallback says why; that folder is this maker's alone and is left in place afterwards, like
/// the stream in it. Throws gq::Error naming both failures and saying how to choose a folder
/// (TMPDIR, XDG_RUNTIME_DIR) when neither can be used.
TPrivateFolder PrivateTempFolder();

/// The same rule with its inputs given: `runtimeDir` and `tmpDir` may be null or empty.
TPrivateFolder PrivateTempFolder(const char* runtimeDir, const char* tmpDir, uid_t uid);

} // namespace gq::book
