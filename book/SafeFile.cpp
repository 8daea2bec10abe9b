#include "book/SafeFile.h"

#include "book/InterruptCleanup.h"
#include "gq/Error.h"
#include "pdf/PdfError.h"
#include "pdf/StreamPlayer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gq::book
{

namespace
{

std::string Reason(int error) { return std::strerror(error); }

/// Closes a descriptor when it goes out of scope.
struct TFileDescriptor
{
    int Fd = -1;
    ~TFileDescriptor()
    {
        if (Fd >= 0)
            close(Fd);
    }
};

/// The folder part of `path`, "." for a bare name.
std::string FolderOf(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

/// A short hidden name in `folder` that is not taken yet when this returns (short so that the
/// target's own name may use the whole length the file system allows).
std::string TemporaryNameIn(const std::string& folder)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[10];
    if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
        for (auto& byte : random)
            byte = static_cast<unsigned char>(std::rand());
    std::string name = folder + "/.gq-";
    for (unsigned char byte : random)
        name += kLetters[byte % (sizeof kLetters - 1)];
    return name;
}

/// Opens a new, uniquely named file in `folder`; 0666 less the umask, like any new file.
int CreateNamed(const std::string& folder, std::string& path)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = TemporaryNameIn(folder);
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool IsDirectory(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

TNewFile::TNewFile(std::string target, TFileAudience audience, bool allowUnnamed)
    : m_target(std::move(target)), m_folder(FolderOf(m_target)), m_audience(audience)
{
    CheckDocumentPath(m_target);
    const mode_t mode = audience == TFileAudience::Private ? 0600 : 0666;
    // An unnamed file needs a way to give it a name later: /proc/self/fd for linkat.
    if (allowUnnamed && access("/proc/self/fd", X_OK) == 0) {
        m_fd = open(m_folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (m_fd >= 0)
            return;
        // Not every file system has unnamed files; those say so with one of these.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            Fail(errno);
    }
    m_fd = CreateNamed(m_folder, m_tempPath);
    if (m_fd < 0)
        Fail(errno);
    m_cleanupSlot = RegisterForCleanup(m_tempPath);
    if (audience == TFileAudience::Private)
        fchmod(m_fd, mode);
}

TNewFile::~TNewFile()
{
    if (!m_tempPath.empty() && !m_committed)
        unlink(m_tempPath.c_str());
    UnregisterCleanup(m_cleanupSlot);
    if (m_fd >= 0)
        close(m_fd);
}

void TNewFile::Fail(int error) const
{
    if (error == ENOENT && !IsDirectory(m_folder))
        throw Error("Cannot write " + m_target + ": the folder " + m_folder + " does not exist");
    throw Error("Cannot write " + m_target + ": " + Reason(error));
}

void TNewFile::Write(std::string_view bytes)
{
    if (m_committed)
        throw gq::InternalError("TNewFile::Write called after Commit for " + m_target);
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Fail(errno);
        if (n == 0)
            Fail(ENOSPC);
        done += static_cast<std::size_t>(n);
    }
}

std::string TNewFile::ReadBack() const
{
    struct stat info;
    if (fstat(m_fd, &info) != 0)
        Fail(errno);
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = pread(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Error("Cannot read " + m_target +
                        " back: " + (n < 0 ? Reason(errno) : "it is shorter than written"));
        done += static_cast<std::size_t>(n);
    }
    return bytes;
}

TMappedBytes::~TMappedBytes()
{
    if (m_data != nullptr)
        munmap(const_cast<void*>(m_data), m_size);
}

TMappedBytes::TMappedBytes(TMappedBytes&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_copy(std::move(other.m_copy))
{}

TMappedBytes& TMappedBytes::operator=(TMappedBytes&& other) noexcept
{
    if (this != &other) {
        TMappedBytes old(std::move(*this));
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_copy = std::move(other.m_copy);
    }
    return *this;
}

TMappedBytes TNewFile::MapBack() const
{
    struct stat info;
    if (fstat(m_fd, &info) != 0)
        Fail(errno);
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size == 0)
        return {};
    // The file was just written, so its pages are in memory: map them all at once rather than
    // one fault per page. A file system that cannot map files gets the bytes copied.
    void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, m_fd, 0);
    if (data == MAP_FAILED)
        return TMappedBytes(ReadBack());
    return TMappedBytes(data, size);
}

bool TNewFile::SetPermissions(TReplace replace)
{
    if (m_audience == TFileAudience::Private)
        return false;
    // A new document keeps what the kernel gave it: 0666 less the umask. A replacement takes
    // the old file's permission bits, but never its set-id or sticky bits.
    struct stat old;
    if (replace != TReplace::Always || stat(m_target.c_str(), &old) != 0)
        return false;
    if (fchmod(m_fd, old.st_mode & 0777) != 0)
        Fail(errno);
    return true;
}

void TNewFile::Commit(TReplace replace)
{
    if (m_committed)
        throw gq::InternalError("TNewFile::Commit called twice for " + m_target);
    // A replaced document must be on disk before its name points at the new file, or a crash
    // could leave an empty file where the old one was. A new name risks nothing old, and is
    // spared the wait.
    if (SetPermissions(replace) && fsync(m_fd) != 0 && errno != EINVAL)
        Fail(errno);
    if (m_tempPath.empty())
        CommitUnnamed(replace);
    else
        CommitNamed(replace);
    m_committed = true;
    UnregisterCleanup(m_cleanupSlot);
    m_cleanupSlot = -1;
    close(m_fd);
    m_fd = -1;
}

void TNewFile::CommitUnnamed(TReplace replace)
{
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    if (replace == TReplace::Never) {
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_target.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return;
        if (errno == EEXIST)
            throw TFileExistsError(m_target);
        Fail(errno);
    }
    // Replacing takes a name first, then a rename over the target, which is atomic.
    std::string temp;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = TemporaryNameIn(m_folder);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0)
            break;
        if (errno != EEXIST)
            Fail(errno);
        temp.clear();
    }
    if (temp.empty())
        Fail(EEXIST);
    int slot = RegisterForCleanup(temp);
    int failure = rename(temp.c_str(), m_target.c_str()) == 0 ? 0 : errno;
    if (failure != 0)
        unlink(temp.c_str());
    UnregisterCleanup(slot);
    if (failure != 0)
        Fail(failure);
}

void TNewFile::CommitNamed(TReplace replace)
{
    if (replace == TReplace::Always) {
        if (rename(m_tempPath.c_str(), m_target.c_str()) != 0)
            Fail(errno);
        return;
    }
    if (renameat2(AT_FDCWD, m_tempPath.c_str(), AT_FDCWD, m_target.c_str(), RENAME_NOREPLACE) == 0)
        return;
    if (errno == EEXIST)
        throw TFileExistsError(m_target);
    if (errno != EINVAL && errno != ENOSYS)
        Fail(errno);
    // No RENAME_NOREPLACE here: a hard link fails just as surely when the name is taken.
    if (link(m_tempPath.c_str(), m_target.c_str()) != 0) {
        if (errno == EEXIST)
            throw TFileExistsError(m_target);
        Fail(errno);
    }
    unlink(m_tempPath.c_str());
}

void WriteNewFile(const std::string& target, std::string_view bytes, TFileAudience audience,
                  TReplace replace)
{
    TNewFile file(target, audience);
    file.Write(bytes);
    file.Commit(replace);
}

void CheckDocumentPath(const std::string& path)
{
    if (path.empty())
        throw Error("the output file name is empty");
    if (path.back() == '/')
        throw Error(path + " names a folder, not a file");
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return;
    if (S_ISDIR(info.st_mode))
        throw Error(path + " is a folder, not a file");
    if (!S_ISREG(info.st_mode))
        throw Error(path + " is not a regular file");
}

std::string PdfPathFor(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    std::string_view name =
        std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    std::string::size_type dot = name.rfind('.');
    // "." and ".." are folders, which CheckDocumentPath refuses by that name.
    if (name.empty() || name == "." || name == "..")
        return path;
    std::string lower(name);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == ".pdf")
        throw Error("\"" + path + "\" has no file name before its suffix: name the book, as in " +
                    "book.pdf");
    if (dot == std::string_view::npos || dot == 0)
        return path + ".pdf";
    if (dot + 1 == name.size())
        return path + "pdf";
    // Only a short run of letters and digits is a suffix: in "Hard Sudoku Vol. 3" the dot ends
    // an abbreviation, and the book still needs its ".pdf".
    const std::string_view suffix = name.substr(dot + 1);
    const bool isSuffix =
        suffix.size() <= kMaxSuffixLength && std::ranges::all_of(suffix, [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) != 0;
        });
    return isSuffix ? path : path + ".pdf";
}

std::string ReadWholeFile(const std::string& path)
{
    TFileDescriptor file;
    file.Fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file.Fd < 0)
        throw Error("Cannot read " + path + ": " + Reason(errno));
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(file.Fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Error("Cannot read " + path + ": " + Reason(errno));
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

std::string ReadPageStreamFile(const std::string& path)
{
    TFileDescriptor file;
    // Non-blocking, so that opening a FIFO returns at once and is refused below.
    file.Fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.Fd < 0)
        throw Error("Cannot read " + path + ": " + Reason(errno));
    struct stat info;
    if (fstat(file.Fd, &info) != 0)
        throw Error("Cannot read " + path + ": " + Reason(errno));
    if (S_ISDIR(info.st_mode))
        throw Error(path + " is a folder, not a page-stream file");
    if (!S_ISREG(info.st_mode))
        throw Error(path + " is not a regular file, so it cannot be a page-stream file");
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > kMaxPageStreamBytes)
        throw Error(path + " is " + std::to_string(size) +
                    " bytes long; page-stream files are at most " +
                    std::to_string(kMaxPageStreamBytes >> 20) + " MiB");

    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        // The first read takes a little, so that a file of another kind is refused at once.
        std::size_t want =
            done == 0 ? std::min<std::size_t>(bytes.size(), 4096) : bytes.size() - done;
        ssize_t n = read(file.Fd, bytes.data() + done, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Error("Cannot read " + path + ": " + Reason(errno));
        if (n == 0)
            break; // shrunk while being read: the player reports the stream's early end
        if (done == 0 && !pdf::IsJobHeaderCode(static_cast<std::uint8_t>(bytes[0])))
            throw pdf::TPageStreamError("not a page stream: it does not begin with a job header", 0,
                                        path);
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    if (bytes.empty())
        throw pdf::TPageStreamError("the file is empty", 0, path);
    return bytes;
}

} // namespace gq::book
