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

/// Throws unless `folder` is a directory (not a link) owned by `uid` with no group or other
/// access.
void CheckPrivate(const std::string& folder, uid_t uid)
{
    struct stat info;
    if (lstat(folder.c_str(), &info) != 0)
        throw Error("cannot use the temporary folder " + folder + ": " + std::strerror(errno));
    if (S_ISLNK(info.st_mode) || !S_ISDIR(info.st_mode))
        throw Error("the temporary folder " + folder + " is not a directory of its own");
    if (info.st_uid != uid)
        throw Error("the temporary folder " + folder + " belongs to another user");
    if ((info.st_mode & 077) != 0)
        throw Error("the temporary folder " + folder + " is open to other users");
}

} // namespace

TPrivateFolder PrivateTempFolder(const char* runtimeDir, const char* tmpDir, uid_t uid)
{
    // Only an absolute runtime folder counts: a relative one would depend on where the program
    // happens to be started.
    if (runtimeDir && runtimeDir[0] == '/') {
        std::string folder = runtimeDir;
        // lstat("link/") would follow the link: check the name itself.
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        CheckPrivate(folder, uid);
        return {WithSlash(folder), {}};
    }
    std::string base = tmpDir && *tmpDir ? tmpDir : "/tmp";
    std::string folder = WithSlash(base) + "gridquill-" + std::to_string(uid);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw Error("cannot create the temporary folder " + folder + ": " + std::strerror(errno));
    CheckPrivate(folder, uid);
    return {WithSlash(folder), {}};
}

TPrivateFolder PrivateTempFolder()
{
    return PrivateTempFolder(std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"), getuid());
}

} // namespace gq::book
