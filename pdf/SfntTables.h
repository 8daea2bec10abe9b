#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace gq::pdf
{

/// The values of a TrueType font's OS/2 table that a PDF font descriptor and the embedding
/// decision need.
struct TOs2Values
{
    std::uint16_t FsType = 0;          ///< embedding permissions
    std::uint8_t PanoseFamily = 0;     ///< PANOSE byte 0
    std::uint8_t PanoseProportion = 0; ///< PANOSE byte 3
};

/// Reads the OS/2 values of face `faceIndex` of a font file or collection; nothing when the
/// file is malformed or has no OS/2 table.
std::optional<TOs2Values> ReadOs2Values(std::span<const std::uint8_t> file, int faceIndex);

/// The face `faceIndex` of a font file as a standalone font program: a plain font file is
/// returned as it is, a face of a collection is rebuilt with its own table directory. Empty
/// when the file is malformed.
std::vector<std::uint8_t> ExtractFontProgram(std::span<const std::uint8_t> file, int faceIndex);

/// True when fsType permits embedding the outlines: no restricted-license bit (0x0002) and no
/// bitmap-only bit (0x0200).
bool EmbeddingAllowed(std::uint16_t fsType);

} // namespace gq::pdf
