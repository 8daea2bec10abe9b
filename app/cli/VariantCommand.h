#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace gq::cli
{

/// `puzzle --variant V`: makes one puzzle of the variant at `level` and prints it with its
/// solution, as text grids or (json) as one JSON object of docs/variant.schema.json. Without a
/// seed one is drawn from the clock. Throws gq::Error naming the variants or the levels when
/// `variant` is unknown or does not offer `level`.
void RunVariantPuzzle(const std::string& variant, const std::string& level,
                      std::optional<std::uint64_t> seed, bool json, std::ostream& out);

} // namespace gq::cli
