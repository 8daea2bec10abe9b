#pragma once

#include <cstdint>
#include <span>

namespace gq::app
{

/// The sample-page pictures shown beside the book settings.
enum class TSamplePage : std::uint8_t
{
    OnePerPage,
    OnePerPageCandidates,
    TwoPerPage,
    FourPerPage,
};

/// The JPEG bytes of a sample page, built into the program; empty when the picture was missing
/// at build time.
std::span<const unsigned char> SamplePageJpeg(TSamplePage page);

} // namespace gq::app
