#include "report/RepFont.h"

#include <functional>

namespace gq::report
{

TFontSpec TRepFont::ToSpec() const
{
    TFontSpec fontSpec;
    fontSpec.Name = Name;
    fontSpec.Color = Color;
    fontSpec.Pitch = Pitch;
    fontSpec.CharSet = CharSet;
    fontSpec.Size = Size;
    fontSpec.Bold = Bold;
    fontSpec.Italic = Italic;
    fontSpec.Underline = Underline;
    fontSpec.StrikeOut = StrikeOut;
    return fontSpec;
}

const TRepFont& TRepFont::Default()
{
    static const TRepFont kDefault;
    return kDefault;
}

std::size_t TRepFontTable::THash::operator()(const TRepFont& font) const
{
    std::size_t h = std::hash<std::string>{}(font.Name);
    auto mix = [&h](std::size_t value) { h = (h ^ value) * 0x100000001B3ULL; };
    mix(static_cast<std::size_t>(static_cast<unsigned>(font.Size)));
    mix(font.Color);
    mix(static_cast<std::size_t>(font.CharSet) << 8 | static_cast<std::size_t>(font.Pitch));
    mix(static_cast<std::size_t>(font.Bold) | static_cast<std::size_t>(font.Italic) << 1 |
        static_cast<std::size_t>(font.Underline) << 2 |
        static_cast<std::size_t>(font.StrikeOut) << 3);
    return h;
}

// Texts are mostly given their fonts in runs of one font: try the last one before hashing.
const TRepFont* TRepFontTable::Keep(const TRepFont& font)
{
    if (m_last == nullptr || !(*m_last == font)) {
        m_last = &*m_fonts.insert(font).first;
    }
    return m_last;
}

} // namespace gq::report
