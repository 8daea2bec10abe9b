#include "report/FontMatchCache.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gq::report
{

namespace
{

constexpr std::string_view kHeader = "gridquill font matches 1";

// The variables fontconfig reads to find its files and the languages it prefers.
constexpr const char* kSteering[] = {"FONTCONFIG_FILE",
                                     "FONTCONFIG_PATH",
                                     "FONTCONFIG_SYSROOT",
                                     "HOME",
                                     "XDG_CONFIG_HOME",
                                     "XDG_CACHE_HOME",
                                     "XDG_DATA_HOME",
                                     "FC_LANG",
                                     "LC_ALL",
                                     "LC_CTYPE",
                                     "LANG"};

// A text the record can hold in a field: no tab or line break.
bool Plain(std::string_view text) { return text.find_first_of("\t\n\r") == std::string_view::npos; }

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

template <class T> bool ReadNumber(std::string_view text, T& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::string StampLine(const TFileStamp& stamp)
{
    if (!stamp.Exists)
        return "missing\t" + stamp.Path;
    return "file\t" + std::to_string(stamp.Inode) + '\t' + std::to_string(stamp.Seconds) + '\t' +
           std::to_string(stamp.Nanoseconds) + '\t' + std::to_string(stamp.Size) + '\t' +
           stamp.Path;
}

bool ParseStamp(const std::vector<std::string_view>& fields, TFileStamp& stamp)
{
    if (fields.size() == 2 && fields[0] == "missing") {
        stamp.Path = std::string(fields[1]);
        return true;
    }
    stamp.Exists = true;
    return fields.size() == 6 && fields[0] == "file" && ReadNumber(fields[1], stamp.Inode) &&
           ReadNumber(fields[2], stamp.Seconds) && ReadNumber(fields[3], stamp.Nanoseconds) &&
           ReadNumber(fields[4], stamp.Size) && (stamp.Path = std::string(fields[5]), true);
}

} // namespace

TFileStamp StampOf(const std::string& path)
{
    TFileStamp stamp;
    stamp.Path = path;
    struct stat status
    {};
    if (::stat(path.c_str(), &status) != 0)
        return stamp;
    stamp.Exists = true;
    stamp.Inode = status.st_ino;
    // The change time moves with every write and rename, and cannot be set back by a program.
    stamp.Seconds = status.st_ctim.tv_sec;
    stamp.Nanoseconds = status.st_ctim.tv_nsec;
    stamp.Size = status.st_size;
    return stamp;
}

TFontMatchCache::TFontMatchCache(std::string path) : m_path(std::move(path)) {}

std::string TFontMatchCache::Environment()
{
    std::string line = "fontconfig " + std::to_string(FcGetVersion());
    for (const char* name : kSteering) {
        const char* value = std::getenv(name);
        line += '\t';
        line += name;
        if (value != nullptr) {
            line += '=';
            line += value;
        }
    }
    return line;
}

void TFontMatchCache::Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    std::ifstream in(m_path, std::ios::binary);
    if (!in)
        return;
    std::string line;
    if (!std::getline(in, line) || line != kHeader)
        return;
    if (!std::getline(in, line) || line != Environment())
        return;
    std::vector<TFileStamp> stamps;
    std::vector<TEntry> entries;
    while (std::getline(in, line)) {
        const std::vector<std::string_view> fields = Fields(line);
        if (fields[0] == "match") {
            TEntry entry;
            if (fields.size() != 6 || !ReadNumber(fields[3], entry.Match.FaceIndex) ||
                (fields[5] != "0" && fields[5] != "1"))
                return;
            entry.Key = std::string(fields[1]);
            entry.Match.FilePath = std::string(fields[2]);
            entry.Match.Family = std::string(fields[4]);
            entry.Match.Embolden = fields[5] == "1";
            entries.push_back(std::move(entry));
            continue;
        }
        TFileStamp stamp;
        if (!ParseStamp(fields, stamp))
            return;
        // A file or folder fontconfig read has changed since: the record no longer holds.
        if (StampOf(stamp.Path) != stamp)
            return;
        stamps.push_back(std::move(stamp));
    }
    if (!in.eof())
        return;
    m_stamps = std::move(stamps);
    m_entries = std::move(entries);
}

std::optional<TFontMatch> TFontMatchCache::Find(const std::string& key)
{
    Load();
    for (const TEntry& entry : m_entries)
        if (entry.Key == key)
            return entry.Match;
    return std::nullopt;
}

void TFontMatchCache::Store(const std::string& key, const TFontMatch& match,
                            const std::vector<std::string>& dependencies)
{
    Load();
    if (m_path.empty() || !Plain(key) || !Plain(match.FilePath) || !Plain(match.Family))
        return;
    // The matches recorded so far stay while everything they depend on is unchanged; the
    // record then depends on what they and the new match depend on.
    std::vector<TFileStamp> stamps;
    std::vector<TEntry> entries;
    const bool earlierHold = std::all_of(m_stamps.begin(), m_stamps.end(),
                                         [](const TFileStamp& s) { return StampOf(s.Path) == s; });
    if (earlierHold) {
        stamps = m_stamps;
        for (const TEntry& entry : m_entries)
            if (entry.Key != key)
                entries.push_back(entry);
    }
    std::vector<std::string> paths = dependencies;
    paths.push_back(match.FilePath);
    for (const std::string& path : paths) {
        if (path.empty() || !Plain(path))
            return;
        if (std::none_of(stamps.begin(), stamps.end(),
                         [&path](const TFileStamp& s) { return s.Path == path; }))
            stamps.push_back(StampOf(path));
    }
    entries.push_back({key, match});

    std::ostringstream text;
    text << kHeader << '\n' << Environment() << '\n';
    for (const TFileStamp& stamp : stamps)
        text << StampLine(stamp) << '\n';
    for (const TEntry& entry : entries)
        text << "match\t" << entry.Key << '\t' << entry.Match.FilePath << '\t'
             << entry.Match.FaceIndex << '\t' << entry.Match.Family << '\t'
             << (entry.Match.Embolden ? 1 : 0) << '\n';
    const std::string bytes = text.str();

    // A new file of this process, put in place in one step: a reader never sees half a record.
    const std::size_t slash = m_path.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    std::string temporary = m_path.substr(0, nameAt) + ".gq-" + m_path.substr(nameAt) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    const bool closed = ::close(fd) == 0;
    if (written != bytes.size() || !closed || std::rename(temporary.c_str(), m_path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return;
    }
    m_stamps = std::move(stamps);
    m_entries = std::move(entries);
}

} // namespace gq::report
