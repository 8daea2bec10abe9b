#pragma once

#include <gq/Error.h>

#include <cstdint>
#include <string>

namespace gq::pdf
{

/// A page stream that cannot be played: a bad header, an unknown command, a truncated record,
/// a reference that points outside the stream or a value outside its range. `Offset` is the byte
/// position in the stream where the fault was found.
class TPageStreamError : public gq::Error
{
  public:
    TPageStreamError(const std::string& message, std::uint64_t offset)
        : gq::Error(message), Offset(offset)
    {}

    std::uint64_t Offset;
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
