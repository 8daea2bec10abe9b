#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace gq::pdf
{

/// The values of a TrueType font's OS/2 table that a PDF font descriptor and the embedding
/// decision need. Heights and widths in font units.
struct TOs2Values
{
    std::uint16_t FsType = 0;                  ///< embedding permissions
    std::uint8_t PanoseFamily = 0;             ///< PANOSE byte 0 (2 = Latin text, 3 = script)
    std::uint8_t PanoseSerifStyle = 0;         ///< PANOSE byte 1 (2..10 serifs, 11..15 sans)
    std::uint8_t PanoseProportion = 0;         ///< PANOSE byte 3 (9 = monospaced)
    std::uint16_t WeightClass = 0;             ///< usWeightClass (400 regular, 700 bold)
    std::optional<std::int16_t> TypoAscender;  ///< when the table is long enough to hold it
    std::optional<std::int16_t> TypoDescender; ///< likewise; negative below the baseline
    std::optional<std::int16_t> XHeight;       ///< sxHeight, table version 2 on, when not 0
    std::optional<std::int16_t> CapHeight;     ///< sCapHeight, table version 2 on, when not 0
};

/// The head table's values: the em and the bounding box of all glyphs, font units.
struct THeadValues
{
    std::uint16_t UnitsPerEm = 0;
    std::int16_t XMin = 0, YMin = 0, XMax = 0, YMax = 0;
};

/// The hhea table's line metrics, font units.
struct THheaValues
{
    std::int16_t Ascender = 0;
    std::int16_t Descender = 0; ///< negative below the baseline
    std::int16_t LineGap = 0;
};

/// The post table's values.
struct TPostValues
{
    double ItalicAngle = 0; ///< degrees, negative leaning right
    bool FixedPitch = false;
};

/// The tables of one face a PDF font descriptor is made from; each is missing when the face has
/// no such table or it is too short.
struct TFaceTables
{
    std::optional<THeadValues> Head;
    std::optional<THheaValues> Hhea;
    std::optional<TOs2Values> Os2;
    std::optional<TPostValues> Post;
};

/// Reads the tables of face `faceIndex` of a font file or collection; nothing when the file is
/// malformed (no table directory, or a table reaching past the end).
std::optional<TFaceTables> ReadFaceTables(std::span<const std::uint8_t> file, int faceIndex);

/// The face `faceIndex` of a font file as a standalone font program: a plain font file is
/// returned as it is, a face of a collection is rebuilt with its own table directory. Empty
/// when the file is malformed.
std::vector<std::uint8_t> ExtractFontProgram(std::span<const std::uint8_t> file, int faceIndex);

/// True when fsType permits embedding the outlines: no restricted-license bit (0x0002) and no
/// bitmap-only bit (0x0200).
bool EmbeddingAllowed(std::uint16_t fsType);

} // namespace gq::pdf
