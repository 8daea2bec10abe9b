#pragma once

#include "pdf/StreamMacros.h"
#include "pdf/StreamPlayer.h"
#include "pdf/StreamReader.h"

#include <cstdint>
#include <span>

namespace gq::pdf
{

/// The parts of TStreamPlayer that its header keeps out of sight: the reader over the stream
/// and the variables the stream has set so far.
struct TStreamPlayer::TState
{
    explicit TState(std::span<const std::uint8_t> input) : Reader(input) {}

    TStreamReader Reader;
    TStreamVariables Variables;
};

} // namespace gq::pdf
