#pragma once

// A one-page PDF drawn directly, without a page stream: for artwork whose page has its own
// boxes (a trim and a bleed box inside the media box), grey and DeviceCMYK colours, rotated text
// and embedded subset TrueType fonts. Coordinates are PDF points, y up.

#include "pdf/Clock.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gq::report
{
class TFontManager;
}

namespace gq::pdf
{

/// A rectangle in PDF points.
struct TPdfBox
{
    double Left = 0, Bottom = 0, Right = 0, Top = 0;
};

/// A colour of a one-page PDF: a grey level (0 black .. 1 white) or DeviceCMYK (each 0..1).
struct TPdfColor
{
    bool Cmyk = false;
    double Gray = 0;
    double C = 0, M = 0, Y = 0, K = 0;
    static TPdfColor Grey(double level) { return {false, level, 0, 0, 0, 0}; }
    static TPdfColor Process(double c, double m, double y, double k)
    {
        return {true, 0, c, m, y, k};
    }
};

/// What the information dictionary and the catalog of a one-page PDF say.
struct TPagePdfInfo
{
    std::string Title;  ///< Windows-1252 bytes, as the book's information dictionary has them
    std::string Author; ///< likewise
    std::string Creator;
    std::string Producer;
    bool PdfX = false; ///< PDF/X-1a:2001 keys, output intent and file identifier
    TClock Clock;      ///< the creation date; SystemClockNow when empty
};

/// Draws one page and writes it as a PDF 1.3 file with compressed content.
class TPagePdf
{
  public:
    /// A page of `media` (its /MediaBox and /BleedBox) with the /TrimBox `trim`. Fonts are found,
    /// measured and read through `fonts`.
    TPagePdf(TPdfBox media, TPdfBox trim, std::shared_ptr<report::TFontManager> fonts);
    ~TPagePdf();
    TPagePdf(const TPagePdf&) = delete;
    TPagePdf& operator=(const TPagePdf&) = delete;

    /// A font of the platform face `face`, embedded as a subset; returns its index. Throws
    /// gq::Error naming the face when it is not an installed TrueType face that may be embedded.
    int AddFont(const std::string& face, bool bold);
    /// Width in points of `text` (Windows-1252) in font `font` at `size` points.
    double TextWidth(int font, double size, std::string_view text) const;
    /// Height above and depth below the baseline of the font's glyphs, in points at `size`.
    double Ascent(int font, double size) const;
    double Descent(int font, double size) const;

    void SetFill(const TPdfColor& color);
    void SetStroke(const TPdfColor& color, double width);
    void FillRect(double x, double y, double width, double height);
    void StrokeRect(double x, double y, double width, double height);
    void Line(double x1, double y1, double x2, double y2);
    /// Shows `text` (Windows-1252) in the fill colour with its baseline starting at (x, y),
    /// turned `degrees` anticlockwise about that point (-90: reading top to bottom).
    void Text(int font, double size, double x, double y, std::string_view text, double degrees = 0);

    /// The finished file. Call once.
    std::string Finish(const TPagePdfInfo& info);

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace gq::pdf
