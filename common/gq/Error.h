#pragma once

#include <stdexcept>
#include <string>

namespace gq
{

/// Root of every failure a user can cause or meet (bad input, unwritable files, malformed data).
/// The message is written for the user; front ends show it as it stands.
class Error : public std::runtime_error
{
  public:
    using std::runtime_error::runtime_error;
};

/// A broken invariant: a bug in the program, never the user's doing. The message starts with
/// "internal error: ", so that whoever reads it knows to report it rather than change their input.
class InternalError : public std::logic_error
{
  public:
    explicit InternalError(const std::string& what) : std::logic_error("internal error: " + what) {}
};

} // namespace gq
