#pragma once

#include <optional>
#include <string>
#include <vector>

namespace gq::report
{

/// Where fontconfig found a face for a request.
struct TFontMatch
{
    std::string FilePath;
    int FaceIndex = 0;
    std::string Family;    ///< the family of the file found (e.g. "Liberation Sans" for "Arial")
    bool Embolden = false; ///< fontconfig asks for synthetic bold (no bold face in the family)

    bool operator==(const TFontMatch&) const = default;
};

/// The state of one file or folder as a record of matches depends on it: its inode, change
/// time and size, or that it is missing.
struct TFileStamp
{
    std::string Path;
    bool Exists = false;
    unsigned long long Inode = 0;
    long long Seconds = 0;
    long long Nanoseconds = 0;
    long long Size = 0;

    bool operator==(const TFileStamp&) const = default;
};

/// The stamp of `path` now (stat, following links).
TFileStamp StampOf(const std::string& path);

/// A record, in a file of the user's private folder, of the font files fontconfig picked for
/// requests, so that a later run need not start fontconfig: reading its configuration is most
/// of a small book's time.
///
/// Fontconfig trusts its own caches while the folders they describe keep their change times;
/// the record follows the same rule. It holds what fontconfig's answer depends on: its version,
/// the environment that points it at its files and languages, and the stamps of its
/// configuration files and their folders, the font folders, its cache folders and each file
/// picked. A record counts only while every one of these is unchanged; any difference, or a
/// file that cannot be read as a record, makes it count for nothing, and the next match from
/// fontconfig writes a fresh one (whole, to a new file put in place in one step). Failing to
/// read or write the record is never an error: fontconfig is then asked, as without it.
class TFontMatchCache
{
  public:
    /// A record kept at `path`; the file need not exist.
    explicit TFontMatchCache(std::string path);

    /// The match recorded for `key`, when the record is still true.
    std::optional<TFontMatch> Find(const std::string& key);

    /// Records `match` for `key`, with `dependencies`, the files and folders fontconfig read
    /// (the file matched is added). Matches recorded before under the same dependencies stay.
    void Store(const std::string& key, const TFontMatch& match,
               const std::vector<std::string>& dependencies);

    /// What a record holds of the environment: fontconfig's version and the variables that
    /// steer it, on one line.
    static std::string Environment();

  private:
    struct TEntry
    {
        std::string Key;
        TFontMatch Match;
    };
    /// Reads the file once; the record counts when it parses and every stamp still holds.
    void Load();

    std::string m_path;
    bool m_loaded = false;
    std::vector<TFileStamp> m_stamps; ///< of the record read or written last
    std::vector<TEntry> m_entries;    ///< empty when the record does not count
};

} // namespace gq::report
