#include "book/TempFolder.h"

#include "gq/Error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace gq::book
{

namespace
{

std::string WithSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

/// Why `folder` is not a directory (not a link) owned by `uid` with no group or other access,
/// or "" when it is one.
std::string WhyNotPrivate(const std::string& folder, uid_t uid)
{
    struct stat info;
    if (lstat(folder.c_str(), &info) != 0)
        return "cannot use the temporary folder " + folder + ": " + std::strerror(errno);
    if (S_ISLNK(info.st_mode) || !S_ISDIR(info.st_mode))
        return "the temporary folder " + folder + " is not a directory of its own";
    if (info.st_uid != uid)
        return "the temporary folder " + folder + " belongs to another user";
    if ((info.st_mode & 077) != 0)
        return "the temporary folder " + folder + " is open to other users";
    return {};
}

/// The usual folder, or "" with `why` set when it cannot be used.
std::string UsualFolder(const char* runtimeDir, const std::string& base, uid_t uid,
                        std::string& why)
{
    // Only an absolute runtime folder counts: a relative one would depend on where the program
    // happens to be started.
    if (runtimeDir && runtimeDir[0] == '/') {
        std::string folder = runtimeDir;
        // lstat("link/") would follow the link: check the name itself.
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        why = WhyNotPrivate(folder, uid);
        return why.empty() ? WithSlash(folder) : std::string();
    }
    std::string folder = WithSlash(base) + "gridquill-" + std::to_string(uid);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        why = "cannot create the temporary folder " + folder + ": " + std::strerror(errno);
        return {};
    }
    why = WhyNotPrivate(folder, uid);
    return why.empty() ? WithSlash(folder) : std::string();
}

} // namespace

TPrivateFolder PrivateTempFolder(const char* runtimeDir, const char* tmpDir, uid_t uid)
{
    const std::string base = tmpDir && *tmpDir ? tmpDir : "/tmp";
    std::string why;
    std::string usual = UsualFolder(runtimeDir, base, uid, why);
    if (!usual.empty())
        return {usual, {}};
    // mkdtemp makes a new folder of mode 0700 that nobody else can have prepared.
    std::string fresh = WithSlash(base) + "gridquill-" + std::to_string(uid) + ".XXXXXX";
    if (mkdtemp(fresh.data()))
        return {WithSlash(fresh), why};
    throw Error(why + ", and no private folder can be made in " + base + ": " +
                std::strerror(errno) +
                "; set TMPDIR or XDG_RUNTIME_DIR to a folder of your own for the page stream");
}

TPrivateFolder PrivateTempFolder()
{
    return PrivateTempFolder(std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"), getuid());
}

} // namespace gq::book
