#pragma once

#include "pdf/PlayerState.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gq::pdf
{

/// Metrics of a TrueType face in thousandths of the em, as the PDF font descriptor needs them.
struct TTrueTypeMetrics
{
    int FirstChar = 32;
    int LastChar = 255;
    std::vector<int> Widths; ///< one per code FirstChar..LastChar
    bool Embeddable = false;
    std::uint8_t PanoseFamily = 0;     ///< PANOSE family kind (2 = Latin text, 3 = script)
    std::uint8_t PanoseSerifStyle = 0; ///< PANOSE serif style (2..10 serifs, 11..15 sans)
    std::uint8_t PanoseProportion = 0; ///< PANOSE proportion (9 = monospaced)
    bool FixedPitch = false;           ///< the face says all its glyphs are one width
    int BoxLeft = 0;
    int BoxBottom = 0;
    int BoxRight = 0;
    int BoxTop = 0;
    int ItalicAngle = 0; ///< degrees
    int Ascent = 0;
    int Descent = 0;                ///< positive: below the baseline
    std::optional<int> CapHeight;   ///< height of flat capitals, when the face states it
    std::optional<int> XHeight;     ///< height of flat lower-case letters, likewise
    std::optional<int> WeightClass; ///< 100..900 (400 regular, 700 bold), likewise
    int InternalLeading = 0;
    int ExternalLeading = 0;
    int MaxWidth = 0;
    int AvgWidth = 0;
};

/// The platform's font services as the PDF output uses them: measuring segmented texts,
/// deciding whether a face is TrueType, and measuring and reading such a face. Faces are named
/// as the page stream names them, with the bold and italic style.
class TFontServices
{
  public:
    virtual ~TFontServices() = default;

    /// Width in inches of `text` (8-bit, Windows-1252) set in `font` at font.Size points.
    virtual double TextWidth(const TPlayerFont& font, std::string_view text) = 0;

    /// True when the platform has the face `face` (with the style) and it is a TrueType face.
    virtual bool IsTrueType(const std::string& face, bool bold, bool italic) = 0;

    /// Metrics of a TrueType face; nothing when the face cannot be measured.
    virtual std::optional<TTrueTypeMetrics> MeasureTrueType(const std::string& face, bool bold,
                                                            bool italic) = 0;

    /// The complete font program of a TrueType face; empty when it cannot be read.
    virtual std::vector<std::uint8_t> FontProgram(const std::string& face, bool bold,
                                                  bool italic) = 0;
};

/// Font services without any platform fonts: no face is TrueType, and texts are measured with
/// the widths of the standard PDF font the face name maps to.
class TStandardFontServices : public TFontServices
{
  public:
    double TextWidth(const TPlayerFont& font, std::string_view text) override;
    bool IsTrueType(const std::string&, bool, bool) override { return false; }
    std::optional<TTrueTypeMetrics> MeasureTrueType(const std::string&, bool, bool) override
    {
        return std::nullopt;
    }
    std::vector<std::uint8_t> FontProgram(const std::string&, bool, bool) override { return {}; }
};

} // namespace gq::pdf
