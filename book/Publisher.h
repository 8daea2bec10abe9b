#pragma once

#include <string_view>

namespace gq::book
{

/// The publisher's name, written as the PDF's Producer.
inline constexpr std::string_view kPublisherName = "Velmora";

/// The publisher's web address: the pages' footer, the PDF's Creator, and what "Visit Velmora"
/// opens.
inline constexpr std::string_view kPublisherWebAddress = "www.velmora.example";

/// The same address as a URL for a browser.
inline constexpr std::string_view kPublisherUrl = "https://www.velmora.example/";

} // namespace gq::book
