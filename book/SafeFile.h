#pragma once

#include "gq/Error.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace gq::book
{

/// The file a user asked for exists and was not to be replaced.
class TFileExistsError : public Error
{
  public:
    explicit TFileExistsError(const std::string& path) : Error(path + " already exists") {}
};

/// Whether TNewFile::Commit may replace a file that is already at the target.
enum class TReplace : std::uint8_t
{
    Never,  ///< fail with TFileExistsError if anything is there at the moment of creation
    Always, ///< replace it atomically
};

/// Who a new file is for, which decides its permissions.
enum class TFileAudience : std::uint8_t
{
    /// A user's document: 0666 less the umask when new; the replaced file's permission bits
    /// (without set-user-id, set-group-id and sticky) when replacing.
    Document,
    /// The program's own working file: 0600.
    Private,
};

/// A new file written beside its target and invisible there until Commit, so that a reader
/// never sees half a file and a failed or interrupted run leaves nothing behind.
///
/// Where the file system allows, the file has no name at all until Commit links it into place
/// (then even a kill leaves nothing). Elsewhere it is a hidden, uniquely named file in the
/// target's folder, removed by the destructor, and by the signal handlers of
/// InstallInterruptCleanup when the program is interrupted.
///
/// Every error is a gq::Error naming the target (never a temporary name) and the system's reason.
/// Bytes of a file mapped read-only into memory, unmapped when the view goes (or, where the
/// file could not be mapped, a copy of them). The file must not be shortened while the view
/// lives (the reads would fault); only the program's own working files are read this way.
class TMappedBytes
{
  public:
    TMappedBytes() = default;
    /// Takes the mapping of `size` bytes at `data` (from mmap).
    TMappedBytes(const void* data, std::size_t size) : m_data(data), m_size(size) {}
    /// Holds a copy instead of a mapping.
    explicit TMappedBytes(std::string copy) : m_copy(std::move(copy)) {}
    ~TMappedBytes();
    TMappedBytes(TMappedBytes&& other) noexcept;
    TMappedBytes& operator=(TMappedBytes&& other) noexcept;

    std::string_view View() const
    {
        return m_data == nullptr ? std::string_view(m_copy)
                                 : std::string_view(static_cast<const char*>(m_data), m_size);
    }

  private:
    const void* m_data = nullptr; ///< nullptr: no mapping
    std::size_t m_size = 0;
    std::string m_copy;
};

class TNewFile
{
  public:
    /// Opens the new file in the folder of `target`. `allowUnnamed` false forces the named
    /// temporary file (a test seam for file systems without unnamed files).
    TNewFile(std::string target, TFileAudience audience, bool allowUnnamed = true);
    ~TNewFile();

    TNewFile(const TNewFile&) = delete;
    TNewFile& operator=(const TNewFile&) = delete;

    const std::string& Target() const { return m_target; }

    /// Appends `bytes`.
    void Write(std::string_view bytes);

    /// The open file, for a writer that writes at offsets of its own (pwrite) rather than
    /// through Write. Valid until the object goes; write nothing through it after Commit.
    int Descriptor() const { return m_fd; }

    /// Everything written so far, read back from the file itself.
    std::string ReadBack() const;

    /// Everything written so far, mapped from the file itself instead of copied: the pages come
    /// from the file as they are read. Write nothing more while the view is in use.
    TMappedBytes MapBack() const;

    /// Makes the file appear at the target, complete. Afterwards nothing more can be written.
    void Commit(TReplace replace);

  private:
    [[noreturn]] void Fail(int error) const;
    /// Gives a document its permissions; true when it is to replace an existing file.
    bool SetPermissions(TReplace replace);
    void CommitUnnamed(TReplace replace);
    void CommitNamed(TReplace replace);

    std::string m_target;
    std::string m_folder;
    TFileAudience m_audience;
    int m_fd = -1;
    std::string m_tempPath; ///< empty for an unnamed file
    int m_cleanupSlot = -1; ///< the temporary name's entry in the interrupt cleanup list
    bool m_committed = false;
};

/// Writes `bytes` as a new file at `target` through TNewFile.
void WriteNewFile(const std::string& target, std::string_view bytes, TFileAudience audience,
                  TReplace replace);

/// Refuses a name that cannot be a document: one ending in '/', or an existing folder, device
/// or other file that is not a regular file (a link to a regular file is fine). Throws gq::Error
/// naming the path.
void CheckDocumentPath(const std::string& path);

/// Longest suffix PdfPathFor takes for one, in characters.
inline constexpr std::size_t kMaxSuffixLength = 4;

/// The name a book gets for `path`: ".pdf" is added when the file name has no suffix, "pdf"
/// when it ends in a bare '.' ("book." becomes "book.pdf"). A suffix is 1 to kMaxSuffixLength
/// letters or digits after the last '.'; anything else there ("Vol. 3", "notes.draft copy")
/// is part of the name, so ".pdf" is added. Throws gq::Error for a file name
/// that is only the suffix (".pdf" in any case): it names no book.
std::string PdfPathFor(const std::string& path);

/// Reads the whole file at `path`. Throws gq::Error naming the path.
std::string ReadWholeFile(const std::string& path);

/// Reads a page-stream file, refusing at once what is not a regular file, a file larger than
/// kMaxPageStreamBytes and one that does not begin with a job header. Throws gq::Error naming
/// the path and the system's reason, or pdf::TPageStreamError with the path for an empty file
/// or one that is not a page stream.
std::string ReadPageStreamFile(const std::string& path);

/// The largest page-stream file read: the largest book's stream is about 4 MB.
inline constexpr std::uint64_t kMaxPageStreamBytes = 64ull << 20;

} // namespace gq::book
