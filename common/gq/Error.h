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

} // namespace gq
