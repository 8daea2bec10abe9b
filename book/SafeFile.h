#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace gq::book
{

/// Makes a new version of the file at `target` without risking the old one: `write` is given
/// the path of a fresh temporary file in the target's folder (with the target's extension) and
/// writes the whole document there; only when it returns is that file renamed over `target`.
/// When `write` throws, the temporary file is removed, `target` is left as it was and the
/// exception propagates. The new file gets the old file's permissions, or 0666 less the umask.
/// Throws gq::Error naming the folder when it is missing or not writable.
void ReplaceFileSafely(const std::string& target,
                       const std::function<void(const std::string&)>& write);

/// Writes `bytes` to `path`, creating or truncating it, and refuses to follow a link at `path`.
/// Throws gq::Error naming the path.
void WriteFileNoFollow(const std::string& path, std::string_view bytes);

/// Reads the whole file at `path`. Throws gq::Error naming the path.
std::string ReadWholeFile(const std::string& path);

} // namespace gq::book
