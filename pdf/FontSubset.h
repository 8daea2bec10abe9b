#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gq::pdf
{

/// The font program of a TrueType face cut down to the glyphs of `unicodes` (characters the
/// face has no glyph for are skipped), made with HarfBuzz's subsetter. Glyph 0 (.notdef) is
/// always kept, as are the components of the composite glyphs kept. Glyph ids are renumbered and
/// the cmap is rewritten to match, which suits a PDF simple TrueType font whose codes reach
/// their glyphs through the font's (3,1) cmap; glyph names stay, for readers that map codes by
/// name. `program` is a standalone font file (no collection). Nothing when HarfBuzz cannot read
/// or subset the face. The same program and characters give the same bytes.
std::optional<std::vector<std::uint8_t>> SubsetFontProgram(std::span<const std::uint8_t> program,
                                                           std::span<const char32_t> unicodes);

/// Opens HarfBuzz's subsetter, which SubsetFontProgram otherwise opens when first called (some
/// milliseconds), so that a document can have it loaded on another thread meanwhile. Failing
/// is left for SubsetFontProgram to report.
void PrepareFontSubsets() noexcept;

/// The six capital letters that prefix the name of a subset font ("ABCDEF+Face"): a hash of
/// the base font name and the characters the subset holds, so the same face and characters give
/// the same tag, and another face or another set of characters (almost always) another.
/// `unicodes` in any order; duplicates count once.
std::string SubsetTag(std::string_view baseFont, std::span<const char32_t> unicodes);

} // namespace gq::pdf
