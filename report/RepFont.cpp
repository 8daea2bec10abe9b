#include "report/RepFont.h"

#include <algorithm>
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

// Texts are mostly given their fonts in runs of a few fonts (a book's givens and answers
// alternate two faces, and a size change passes through a font that is at once replaced): try
// the fonts returned last, newest first, before hashing.
const TRepFont* TRepFontTable::Keep(const TRepFont& font)
{
    for (std::size_t i = 0; i < m_recent.size(); ++i) {
        const TRepFont* kept = m_recent[i];
        if (kept == nullptr) {
            break;
        }
        if (*kept == font) {
            std::rotate(m_recent.begin(), m_recent.begin() + static_cast<std::ptrdiff_t>(i),
                        m_recent.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return kept;
        }
    }
    const TRepFont* kept = &*m_fonts.insert(font).first;
    std::rotate(m_recent.begin(), m_recent.end() - 1, m_recent.end());
    m_recent[0] = kept;
    return kept;
}

} // namespace gq::report
