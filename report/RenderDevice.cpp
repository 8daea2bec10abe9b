#include "report/RenderDevice.h"

#include "gq/Error.h"
#include "report/FontManager.h"
#include "report/OutputEngine.h"

#include <stdexcept>

namespace gq::report
{

namespace
{

struct TRenderFont final : TDeviceFont
{
    const TFontHandler* Handler = nullptr;
    int PixelHeight = 0;
};

} // namespace

TRenderDevice::TRenderDevice(std::shared_ptr<TFontManager> fontManager)
    : m_fontManager(std::move(fontManager))
{
    if (!m_fontManager)
        throw gq::InternalError("TRenderDevice needs a font manager");
}

int TRenderDevice::PageWidth() const
{
    return RoundHalfEven((m_landscape ? m_height : m_width) * kDpi);
}

int TRenderDevice::PageHeight() const
{
    return RoundHalfEven((m_landscape ? m_width : m_height) * kDpi);
}

void TRenderDevice::SetOrientation(TOrientation orientation)
{
    if (orientation != TOrientation::poDefault)
        m_landscape = orientation == TOrientation::poLandScape;
}

void TRenderDevice::SetPageSize(double width, double height)
{
    if (width > 0 && height > 0) {
        m_width = width;
        m_height = height;
    }
}

std::unique_ptr<TDeviceFont> TRenderDevice::CreateFont(const TEngineFont& font, int createHeight)
{
    auto created = std::make_unique<TRenderFont>();
    const int em = createHeight < 0 ? -createHeight : createHeight;
    created->Metrics = m_fontManager->Metrics(font.Name, font.Bold, font.Italic, em > 0 ? em : 1);
    created->Handler =
        &m_fontManager->Handler(font.Name, font.CharSet, font.Bold, font.Italic, font.Pitch);
    created->PixelHeight = font.PixelHeight;
    return created;
}

void TRenderDevice::SelectFont(const TDeviceFont& font)
{
    const auto& own = dynamic_cast<const TRenderFont&>(font);
    m_handler = own.Handler;
    m_pixelHeight = own.PixelHeight;
}

int TRenderDevice::TextWidth(const std::string& text) const
{
    if (!m_handler)
        throw gq::InternalError("TRenderDevice::TextWidth before SelectFont");
    return m_handler->TextWidth(text, m_pixelHeight);
}

} // namespace gq::report
