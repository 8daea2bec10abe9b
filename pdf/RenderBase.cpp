#include "pdf/RenderBase.h"

#include "pdf/FontServices.h"
#include "pdf/StreamPlayer.h"
#include "report/Rounding.h"

namespace gq::pdf
{

TRenderBase::TRenderBase() : m_standardFonts(std::make_unique<TStandardFontServices>())
{
    FontServices = m_standardFonts.get();
}

TRenderBase::~TRenderBase() = default;

void TRenderBase::DrawArc(double, double, double, double, double, double, double, double) {}
void TRenderBase::BrushUpdated(const TPlayerBrush&) {}
void TRenderBase::DrawChord(double, double, double, double, double, double, double, double) {}
void TRenderBase::TextCentred(const std::string&, double, double) {}
void TRenderBase::DrawEllipse(double, double, double, double) {}
void TRenderBase::FontUpdated(const TPlayerFont&) {}
void TRenderBase::TextLeft(const std::string&, double, double) {}
void TRenderBase::LineToPoint(double, double) {}
void TRenderBase::MovePen(double, double) {}
void TRenderBase::DrawPie(double, double, double, double, double, double, double, double) {}
void TRenderBase::DrawPolyline(std::span<const TUnitPoint>, int) {}
void TRenderBase::DrawPolygon(std::span<const TUnitPoint>, int) {}
void TRenderBase::TextRight(const std::string&, double, double) {}
void TRenderBase::PenUpdated(const TPlayerPen&) {}
void TRenderBase::DrawEncodedImage(std::span<const std::uint8_t>, const std::string&, double,
                                   double, double, double)
{}
void TRenderBase::DrawBitmap(const TPicture&, double, double, double, double) {}
void TRenderBase::DrawBitmapRect(const TPicture&, double, double, double, double) {}
void TRenderBase::DrawStretched(const TDeviceRect&, const TPicture&) {}
void TRenderBase::DrawGraphicAt(const TPicture&, double, double) {}
void TRenderBase::TextInWidth(const std::string&, double, double, double) {}
void TRenderBase::DrawRectangle(double, double, double, double) {}
void TRenderBase::FillRectangle(const TDeviceRect&) {}
void TRenderBase::TextInRect(const TDeviceRect&, double, double, const std::string&) {}
void TRenderBase::DrawRoundRect(double, double, double, double, double, double) {}
void TRenderBase::ApplyDocumentSettings(const report::TDocumentSettings&) {}
void TRenderBase::BeginDocument() {}
void TRenderBase::EndDocument() {}
void TRenderBase::BeginPage() {}
void TRenderBase::EndPage() {}

double TRenderBase::ResolutionX() const { return 72.0; }

double TRenderBase::ResolutionY() const { return 72.0; }

void TRenderBase::RenderStream(std::span<const std::uint8_t> input)
{
    m_input = input;
    RenderPages(0);
}

void TRenderBase::RenderPages(int page)
{
    TStreamPlayer player(m_input, *this);
    if (page > 0)
        player.PlayPage(page);
    else
        player.PlayAll();
}

void TRenderBase::RenderToFile(std::span<const std::uint8_t> input, const std::string& fileName)
{
    OutputFileName = fileName;
    RenderStream(input);
}

int TRenderBase::DeviceX(double x) const
{
    return report::RoundHalfEven(ResolutionX() * (x - LeftWaste));
}

int TRenderBase::DeviceY(double y) const
{
    return report::RoundHalfEven(ResolutionY() * (y - TopWaste));
}

void TRenderStream::CloseOutput()
{
    if (m_owned) {
        m_owned->close();
        m_owned.reset();
    }
    m_output = nullptr;
    m_active = nullptr;
}

} // namespace gq::pdf
