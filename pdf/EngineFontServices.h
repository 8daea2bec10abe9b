#pragma once

#include "pdf/FontServices.h"

#include <map>
#include <memory>
#include <string>

namespace gq::report
{
class TFontManager;
}

namespace gq::pdf
{

/// Font services over the report engine's font layer (fontconfig and FreeType), so that the
/// PDF measures and embeds the faces the engine measured the pages with. A face counts as a
/// platform face only when the family found has the name asked for (letter case and blanks
/// aside); fontconfig's stand-ins for unknown names are not passed off as the named face.
class TEngineFontServices : public TFontServices
{
  public:
    /// `fonts` may be null: a font manager is then made on first use and kept.
    explicit TEngineFontServices(std::shared_ptr<report::TFontManager> fonts = nullptr);
    ~TEngineFontServices() override;

    /// Shares the engine's font manager (and its width caches).
    void SetFontManager(std::shared_ptr<report::TFontManager> fonts)
    {
        m_fonts = std::move(fonts);
        m_trueType.clear();
        m_metrics.clear();
    }

    double TextWidth(const TPlayerFont& font, std::string_view text) override;
    bool IsTrueType(const std::string& face, bool bold, bool italic) override;
    std::optional<TTrueTypeMetrics> MeasureTrueType(const std::string& face, bool bold,
                                                    bool italic) override;
    std::vector<std::uint8_t> FontProgram(const std::string& face, bool bold, bool italic) override;

  private:
    report::TFontManager& Fonts();
    std::optional<TTrueTypeMetrics> Measure(const std::string& face, bool bold, bool italic);

    std::shared_ptr<report::TFontManager> m_fonts;
    std::map<std::string, bool> m_trueType; ///< IsTrueType answers by name|bold|italic
    std::map<std::string, std::optional<TTrueTypeMetrics>> m_metrics; ///< likewise
};

} // namespace gq::pdf
