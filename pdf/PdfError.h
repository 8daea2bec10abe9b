#pragma once

#include <gq/Error.h>

#include <cstdint>
#include <string>
#include <utility>

namespace gq::pdf
{

/// A page stream that cannot be played: a bad header, an unknown command, a truncated record,
/// a reference that points outside the stream, pages that disagree with the header, or more
/// output than a stream of its size may make. It carries what is wrong, the byte offset in the
/// stream where it was found and, once known, the stream file's path; what() is built from
/// them in one form:
///
///   [PATH: ]page stream error at byte offset N: PROBLEM
///
/// The player works on bytes and throws it without a path; whoever read the file adds the path
/// with InFile.
class TPageStreamError : public gq::Error
{
  public:
    /// `problem`: what is wrong, a phrase without the offset or the file ("unknown command code
    /// 44"). `path`: the stream file, or empty for a stream that came from memory.
    TPageStreamError(std::string problem, std::uint64_t offset, std::string path = {})
        : gq::Error(Message(path, offset, problem)), Problem(std::move(problem)), Offset(offset),
          Path(std::move(path))
    {}

    /// The same error, found in the stream file at `path`.
    TPageStreamError InFile(std::string path) const
    {
        return TPageStreamError(Problem, Offset, std::move(path));
    }

    std::string Problem;
    std::uint64_t Offset;
    std::string Path;

  private:
    static std::string Message(const std::string& path, std::uint64_t offset,
                               const std::string& problem)
    {
        return (path.empty() ? "" : path + ": ") + "page stream error at byte offset " +
               std::to_string(offset) + ": " + problem;
    }
};

/// The output file could not be created or written; `Path` names it.
class TOutputFileError : public gq::Error
{
  public:
    TOutputFileError(const std::string& message, std::string path)
        : gq::Error(message), Path(std::move(path))
    {}

    std::string Path;
};

} // namespace gq::pdf
