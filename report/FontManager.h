#pragma once

#include "report/DrawingTypes.h"
#include "report/FontFace.h"
#include "report/FontMatchCache.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace gq::report
{

/// Character widths of one font (name, character set, bold, italic, pitch), in pixels at an em
/// of 600 pixels. Built once and never changed, so it is read without a lock.
class TFontHandler
{
  public:
    virtual ~TFontHandler() = default;
    /// Sum of the character widths of text at the 600-pixel em.
    virtual std::int64_t TextUnits(const std::string& text) const = 0;
    /// Text width in pixels for a font of the given pixel height (its absolute value is used):
    /// round(sum x height / 600), halves to even.
    int TextWidth(const std::string& text, int pixelHeight) const;
};

/// Widths for a variable-pitch font: the advance of each of the 256 codes.
class TTrueTypeFontHandler final : public TFontHandler
{
  public:
    explicit TTrueTypeFontHandler(const TFontFace& face);
    std::int64_t TextUnits(const std::string& text) const override;
    int Width(std::uint8_t code) const { return m_widths[code]; }

  private:
    std::array<int, 256> m_widths{};
};

/// Widths for a fixed-pitch font: every character is as wide as "A".
class TNonProportionalFontHandler final : public TFontHandler
{
  public:
    explicit TNonProportionalFontHandler(const TFontFace& face);
    std::int64_t TextUnits(const std::string& text) const override;
    int Width() const { return m_width; }

  private:
    int m_width = 0;
};

/// Our font services over fontconfig and FreeType: finds faces by name, loads them, and keeps
/// per-font width tables for the life of the manager. Thread-safe: every cache is guarded by one
/// lock; faces and handlers it returns are immutable and stay valid as long as the manager.
///
/// A face name is matched the way the platform font mapper does: fontconfig's substitution
/// rules apply, so "Arial" finds Liberation Sans (same metrics) and a name no installed family
/// answers to gets fontconfig's default sans face rather than an error. Only a font file that
/// cannot be loaded, or a system with no usable font at all, is an error (TFontError naming the
/// face asked for).
class TFontManager
{
  public:
    /// A manager that starts fontconfig when it first has a face to find.
    TFontManager();
    ~TFontManager();
    TFontManager(const TFontManager&) = delete;
    TFontManager& operator=(const TFontManager&) = delete;

    /// Remembers matches in the file `path` (TFontMatchCache) from now on, and answers from it
    /// while it holds: a run whose faces are all remembered never starts fontconfig.
    void KeepMatchRecord(std::string path);

    /// The file fontconfig picks for a face name and style, from the match record when it
    /// holds one. Throws TFontError when fontconfig cannot start or finds no font.
    TFontMatch Match(const std::string& name, bool bold, bool italic);
    /// The loaded face for a name and style, cached.
    std::shared_ptr<const TFontFace> Face(const std::string& name, bool bold, bool italic);
    /// Text metrics of a face at a character (em) height in pixels.
    TTextMetrics Metrics(const std::string& name, bool bold, bool italic, int pixelHeight);

    /// The width table for a font, built on first use and cached under the key
    /// name|charSet[|B][|I][|V or |F].
    const TFontHandler& Handler(const std::string& name, std::uint8_t charSet, bool bold,
                                bool italic, TFontPitch pitch);
    /// Text width in pixels: Handler(...).TextWidth(text, pixelHeight).
    int TextWidth(const std::string& text, const std::string& name, std::uint8_t charSet, bool bold,
                  bool italic, TFontPitch pitch, int pixelHeight);

    /// Number of cached width tables (for tests of the cache).
    std::size_t HandlerCount() const;

  private:
    std::shared_ptr<const TFontFace> FaceLocked(const std::string& name, bool bold, bool italic);
    TFontMatch MatchLocked(const std::string& name, bool bold, bool italic);
    /// Fontconfig's configuration, loaded on first use.
    void* ConfigLocked();
    /// The files and folders fontconfig's answers depend on (see TFontMatchCache).
    std::vector<std::string> DependenciesLocked();

    mutable std::mutex m_mutex;
    void* m_config = nullptr; // FcConfig*, made on first use
    std::unique_ptr<TFontMatchCache> m_record;
    std::map<std::string, std::shared_ptr<const TFontFace>, std::less<>> m_faces;
    std::map<std::string, std::unique_ptr<const TFontHandler>, std::less<>> m_handlers;
};

} // namespace gq::report
