#pragma once

#include "report/DrawingTypes.h"
#include "report/FontFace.h"

#include <memory>
#include <string>

namespace gq::report
{

class TFontManager;
class TFontHandler;
struct TEngineFont;

/// A font created on a device: its text metrics (device pixels) and what the device needs to
/// measure texts in it. Devices derive their own kinds.
struct TDeviceFont
{
    virtual ~TDeviceFont() = default;
    TTextMetrics Metrics;
};

/// An output device: resolution, printable page and offsets, fonts and text widths.
class TBaseDevice
{
  public:
    virtual ~TBaseDevice() = default;
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;
    /// Printable area in pixels.
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    /// Unprintable offsets in pixels.
    virtual int OffsetLeft() const { return 0; }
    virtual int OffsetTop() const { return 0; }
    virtual int OffsetRight() const { return 0; }
    virtual int OffsetBottom() const { return 0; }
    /// Turns the page for landscape (called with poPortrait or poLandScape).
    virtual void SetOrientation(TOrientation orientation) = 0;
    /// Creates font with a character height of createHeight pixels (the font's own height, or a
    /// smaller one for super- and subscript). Throws TFontError.
    virtual std::unique_ptr<TDeviceFont> CreateFont(const TEngineFont& font, int createHeight) = 0;
    /// Makes font (created by this device) the one TextWidth measures with.
    virtual void SelectFont(const TDeviceFont& font) = 0;
    /// Width of text in pixels in the selected font. Throws std::logic_error before SelectFont.
    virtual int TextWidth(const std::string& text) const = 0;
    /// Names shown by the status codes %D, %R and %T.
    virtual std::string DeviceName() const = 0;
    virtual std::string DriverName() const = 0;
    virtual std::string PortName() const = 0;
};

/// The built-in device: 600 x 600 dpi, an 8.5 x 11 inch page (5100 x 6600 pixels), no offsets,
/// texts measured through a TFontManager.
class TRenderDevice final : public TBaseDevice
{
  public:
    static constexpr int kDpi = 600;

    explicit TRenderDevice(std::shared_ptr<TFontManager> fontManager);

    int DpiX() const override { return kDpi; }
    int DpiY() const override { return kDpi; }
    int PageWidth() const override;
    int PageHeight() const override;
    void SetOrientation(TOrientation orientation) override;
    /// Page size in inches (portrait); the pixel size is inches x 600, rounded.
    void SetPageSize(double width, double height);
    std::unique_ptr<TDeviceFont> CreateFont(const TEngineFont& font, int createHeight) override;
    void SelectFont(const TDeviceFont& font) override;
    int TextWidth(const std::string& text) const override;
    std::string DeviceName() const override { return "Render"; }
    std::string DriverName() const override { return "Render"; }
    std::string PortName() const override { return "Render"; }

  private:
    std::shared_ptr<TFontManager> m_fontManager;
    double m_width = 8.5, m_height = 11;
    bool m_landscape = false;
    const TFontHandler* m_handler = nullptr;
    int m_pixelHeight = 0;
};

} // namespace gq::report
