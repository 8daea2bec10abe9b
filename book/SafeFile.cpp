#include "book/SafeFile.h"

#include "gq/Error.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gq::book
{

namespace
{

std::string Reason() { return std::strerror(errno); }

/// Closes a descriptor when it goes out of scope.
struct FileDescriptor
{
    int Fd = -1;
    ~FileDescriptor()
    {
        if (Fd >= 0)
            close(Fd);
    }
};

mode_t DefaultMode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

void ReplaceFileSafely(const std::string& target,
                       const std::function<void(const std::string&)>& write)
{
    std::string::size_type slash = target.rfind('/');
    std::string folder =
        slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty())
        throw Error("'" + target + "' names a folder, not a file");

    struct stat folderInfo;
    if (stat(folder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode))
        throw Error("the folder " + folder + " does not exist");

    std::string::size_type dot = name.rfind('.');
    std::string extension = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
    std::string prefix =
        (slash == std::string::npos ? "" : target.substr(0, slash + 1)) + "." + name;
    std::vector<char> pattern(prefix.begin(), prefix.end());
    for (char c : std::string(".XXXXXX") + extension)
        pattern.push_back(c);
    pattern.push_back('\0');

    FileDescriptor temp;
    temp.Fd = mkstemps(pattern.data(), static_cast<int>(extension.size()));
    if (temp.Fd < 0)
        throw Error("cannot write in the folder " + folder + ": " + Reason());
    std::string tempPath = pattern.data();

    struct stat targetInfo;
    mode_t mode =
        stat(target.c_str(), &targetInfo) == 0 ? (targetInfo.st_mode & 07777) : DefaultMode();
    fchmod(temp.Fd, mode);

    try {
        write(tempPath);
        if (rename(tempPath.c_str(), target.c_str()) != 0)
            throw Error("cannot replace " + target + ": " + Reason());
    } catch (...) {
        unlink(tempPath.c_str());
        throw;
    }
}

void WriteFileNoFollow(const std::string& path, std::string_view bytes)
{
    FileDescriptor file;
    file.Fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file.Fd < 0)
        throw Error("cannot write " + path + ": " + Reason());
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(file.Fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Error("cannot write " + path + ": " + Reason());
        done += static_cast<std::size_t>(n);
    }
    if (close(file.Fd) != 0) {
        file.Fd = -1;
        throw Error("cannot write " + path + ": " + Reason());
    }
    file.Fd = -1;
}

std::string ReadWholeFile(const std::string& path)
{
    FileDescriptor file;
    file.Fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file.Fd < 0)
        throw Error("cannot read " + path + ": " + Reason());
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(file.Fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Error("cannot read " + path + ": " + Reason());
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

} // namespace gq::book
