#pragma once

#include "report/DrawingTypes.h"

#include <array>
#include <cstddef>
#include <string>
#include <unordered_set>

namespace gq::report
{

/// Font of a text item. Size is in whole points.
struct TRepFont
{
    std::string Name = "Arial";
    int Size = 10;
    TColor Color = clBlack;
    std::uint8_t CharSet = kDefaultCharSet;
    TFontPitch Pitch = TFontPitch::fpDefault;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    /// The record the output engine's ApplyFont takes.
    TFontSpec ToSpec() const;

    /// The font of a new text item (a constant).
    static const TRepFont& Default();

    bool operator==(const TRepFont&) const = default;
};

/// The distinct fonts of one project's text items, each kept once: a book's tens of thousands of
/// texts use a handful of fonts, so an item holds a pointer here instead of a font of its own.
class TRepFontTable
{
  public:
    TRepFontTable() = default;
    TRepFontTable(const TRepFontTable&) = delete; // m_recent points into this table's own set
    TRepFontTable& operator=(const TRepFontTable&) = delete;

    /// The kept font equal to `font`, added when new. The pointer stays valid as long as the
    /// table.
    const TRepFont* Keep(const TRepFont& font);

    std::size_t Count() const { return m_fonts.size(); }

  private:
    struct THash
    {
        std::size_t operator()(const TRepFont& font) const;
    };
    std::unordered_set<TRepFont, THash> m_fonts; ///< nodes: addresses never move
    /// The fonts Keep returned last, newest first (nullptr: none yet).
    std::array<const TRepFont*, 4> m_recent{};
};

} // namespace gq::report
