// TStreamPlayer's command handlers: one function per family of drawing commands, each reading
// its payload and handing the drawing to the renderer.

#include "pdf/StreamPlayer.h"

#include "pdf/PdfError.h"
#include "pdf/RenderBase.h"
#include "pdf/StreamPlayerState.h"
#include "report/Rounding.h"

#include <vector>

namespace gq::pdf
{

namespace
{

using C = report::TStreamCode;
using report::CodeByte;
using report::kPolyUnitsPerInch;
using report::RoundHalfEven;
using report::TFontPitch;

} // namespace

void TStreamPlayer::PlayCommand(C code, std::size_t commandOffset)
{
    if (PlayShapeCommand(code) || PlayTextCommand(code) || PlayFontCommand(code) ||
        PlayPenCommand(code) || PlayBrushCommand(code) || PlayPictureCommand(code) ||
        PlayStateCommand(code, commandOffset))
        return;
    TStreamReader::FailAt("unknown command code " + std::to_string(CodeByte(code)), commandOffset);
}

bool TStreamPlayer::PlayShapeCommand(C code)
{
    auto& r = m_state->Reader;
    switch (code) {
    case C::LineTo: {
        double x = r.ReadSingle();
        double y = r.ReadSingle();
        m_renderer.MovePen(m_x, m_y);
        m_renderer.LineToPoint(x, y);
        m_x = x;
        m_y = y;
        return true;
    }
    case C::MoveTo:
        m_x = r.ReadSingle();
        m_y = r.ReadSingle();
        return true;
    case C::Arc:
    case C::Chord:
    case C::Pie: {
        double v[8];
        for (double& d : v)
            d = r.ReadSingle();
        if (code == C::Arc)
            m_renderer.DrawArc(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        else if (code == C::Chord)
            m_renderer.DrawChord(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        else
            m_renderer.DrawPie(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        return true;
    }
    case C::Ellipse: {
        double x1 = r.ReadSingle(), y1 = r.ReadSingle();
        double x2 = r.ReadSingle(), y2 = r.ReadSingle();
        m_renderer.DrawEllipse(x1, y1, x2, y2);
        return true;
    }
    case C::FillRect:
        m_renderer.FillRectangle(ReadRect());
        return true;
    case C::Polygon:
    case C::PolyLine:
        PlayPolyCommand(code);
        return true;
    case C::Rectangle:
    case C::Rectangle2: {
        double x1 = r.ReadSingle(), y1 = r.ReadSingle();
        double x2 = r.ReadSingle(), y2 = r.ReadSingle();
        m_renderer.DrawRectangle(x1, y1, x2, y2);
        return true;
    }
    case C::RoundRect: {
        double v[6];
        for (double& d : v)
            d = r.ReadSingle();
        m_renderer.DrawRoundRect(v[0], v[1], v[2], v[3], v[4], v[5]);
        return true;
    }
    default:
        return false;
    }
}

void TStreamPlayer::PlayPolyCommand(C code)
{
    auto& r = m_state->Reader;
    int last = r.ReadWord();
    std::vector<TUnitPoint> points(static_cast<std::size_t>(last) + 1);
    double firstX = 0.0, firstY = 0.0;
    for (int i = 0; i <= last; ++i) {
        double x = r.ReadSingle();
        double y = r.ReadSingle();
        if (i == 0) {
            firstX = x;
            firstY = y;
        }
        points[static_cast<std::size_t>(i)] = {RoundHalfEven(x * kPolyUnitsPerInch),
                                               RoundHalfEven(y * kPolyUnitsPerInch)};
    }
    m_renderer.MovePen(firstX, firstY);
    if (code == C::Polygon)
        m_renderer.DrawPolygon(points, last);
    else
        m_renderer.DrawPolyline(points, last);
}

bool TStreamPlayer::PlayTextCommand(C code)
{
    auto& r = m_state->Reader;
    switch (code) {
    case C::CenterText:
    case C::LeftText:
    case C::RightText: {
        double y = r.ReadSingle();
        std::string text = ReadText();
        double x = r.ReadSingle();
        PlayText(code, text, x, y);
        return true;
    }
    case C::PrintText:
    case C::BlockText: {
        double y = r.ReadSingle();
        std::string text = ReadText();
        double x = r.ReadSingle();
        double width = r.ReadSingle();
        m_renderer.TextInWidth(text, x, y, width);
        return true;
    }
    case C::TextRect: {
        TDeviceRect rect = ReadRect();
        double x = r.ReadSingle();
        double y = r.ReadSingle();
        std::string text = ReadText();
        m_renderer.TextInRect(rect, x, y, text);
        return true;
    }
    default:
        return false;
    }
}

bool TStreamPlayer::PlayFontCommand(C code)
{
    auto& r = m_state->Reader;
    switch (code) {
    case C::Font:
        PlayWholeFont();
        return true;
    case C::FontName:
        SetFontName(ReadText());
        return true;
    case C::FontColor:
        SetFontField(&TPlayerFont::Color, r.ReadLong());
        return true;
    case C::FontPitch:
        SetFontField(&TPlayerFont::Pitch, static_cast<TFontPitch>(r.ReadByte()));
        return true;
    case C::FontHeight: {
        double height = r.ReadSingle();
        m_font.Height = height;
        if (m_version >= report::kStreamVersionPageSize)
            m_font.SampleWidth = r.ReadSingle();
        SetFontField(&TPlayerFont::Size, RoundHalfEven(height * 72.0));
        return true;
    }
    case C::FontBold:
        SetFontField(&TPlayerFont::Bold, r.ReadByte() != 0);
        return true;
    case C::FontUnderline:
        SetFontField(&TPlayerFont::Underline, r.ReadByte() != 0);
        return true;
    case C::FontItalic:
        SetFontField(&TPlayerFont::Italic, r.ReadByte() != 0);
        return true;
    case C::FontStrikeout:
        SetFontField(&TPlayerFont::StrikeOut, r.ReadByte() != 0);
        return true;
    // These always tell the renderer, changed or not.
    case C::FontSuperscript:
        m_font.Superscript = r.ReadByte() != 0;
        break;
    case C::FontSubscript:
        m_font.Subscript = r.ReadByte() != 0;
        break;
    case C::FontRotation:
        m_font.Rotation = r.ReadSignedWord();
        break;
    case C::FontAlign:
        m_font.Alignment = r.ReadByte();
        break;
    case C::FontCharset:
        m_font.Charset = r.ReadByte();
        break;
    default:
        return false;
    }
    NotifyFont();
    return true;
}

void TStreamPlayer::PlayWholeFont()
{
    auto& r = m_state->Reader;
    std::string name = ReadText();
    std::int32_t color = r.ReadLong();
    std::uint8_t pitch = r.ReadByte();
    std::uint8_t charset = m_version >= report::kStreamVersionFontCharset ? r.ReadByte() : 1;
    double height = r.ReadSingle();
    std::uint8_t bold = r.ReadByte();
    std::uint8_t italic = r.ReadByte();
    std::uint8_t strikeOut = r.ReadByte();
    r.ReadByte();
    if (m_version >= report::kStreamVersionPageSize)
        r.ReadSignedWord(); // rotation: this record leaves the current rotation alone
    SetFontName(std::move(name));
    SetFontField(&TPlayerFont::Color, color);
    SetFontField(&TPlayerFont::Pitch, static_cast<TFontPitch>(pitch));
    SetFontField(&TPlayerFont::Charset, charset);
    SetFontField(&TPlayerFont::Size, RoundHalfEven(m_renderer.ResolutionX() * height));
    // Its style bytes switch styles on only.
    if (bold)
        SetFontField(&TPlayerFont::Bold, true);
    if (italic)
        SetFontField(&TPlayerFont::Italic, true);
    if (strikeOut)
        SetFontField(&TPlayerFont::StrikeOut, true);
}

bool TStreamPlayer::PlayPenCommand(C code)
{
    auto& r = m_state->Reader;
    switch (code) {
    case C::Pen:
        m_pen.Color = r.ReadLong();
        m_pen.Mode = r.ReadByte();
        m_pen.Style = r.ReadByte();
        m_pen.Width = RoundHalfEven(r.ReadSingle() / 10000.0);
        NotifyPen();
        return true;
    case C::PenColor:
        SetPenField(&TPlayerPen::Color, r.ReadLong());
        return true;
    case C::PenMode:
        SetPenField(&TPlayerPen::Mode, r.ReadByte());
        return true;
    case C::PenStyle:
        SetPenField(&TPlayerPen::Style, r.ReadByte());
        return true;
    case C::PenWidth:
        m_renderer.PenWidth = r.ReadSingle();
        NotifyPen();
        return true;
    default:
        return false;
    }
}

bool TStreamPlayer::PlayBrushCommand(C code)
{
    auto& r = m_state->Reader;
    switch (code) {
    case C::Brush: {
        m_brush.Color = r.ReadLong();
        m_brush.Style = r.ReadByte();
        std::uint8_t flag = r.ReadByte();
        m_brush.HasPattern = flag != 0;
        m_brush.Pattern = flag != 0 ? ReadGraphic() : TPicture{};
        NotifyBrush();
        return true;
    }
    case C::BrushColor: {
        std::int32_t color = r.ReadLong();
        bool changed = m_brush.HasPattern || color != m_brush.Color;
        m_brush.HasPattern = false;
        m_brush.Pattern = {};
        m_brush.Color = color;
        if (changed)
            NotifyBrush();
        return true;
    }
    case C::BrushStyle: {
        std::uint8_t style = r.ReadByte();
        if (style != m_brush.Style) {
            m_brush.Style = style;
            NotifyBrush();
        }
        return true;
    }
    case C::BrushBitmap: {
        std::uint8_t flag = r.ReadByte();
        if (flag != 0) {
            m_brush.Pattern = ReadGraphic();
            m_brush.HasPattern = true;
            NotifyBrush();
        } else if (m_brush.HasPattern) {
            m_brush.HasPattern = false;
            m_brush.Pattern = {};
            NotifyBrush();
        }
        return true;
    }
    default:
        return false;
    }
}

bool TStreamPlayer::PlayPictureCommand(C code)
{
    auto& r = m_state->Reader;
    switch (code) {
    case C::Draw: {
        TPicture picture = ReadGraphic();
        double x = r.ReadSingle();
        double y = r.ReadSingle();
        m_renderer.DrawGraphicAt(picture, x, y);
        return true;
    }
    case C::PrintBitmap:
    case C::PrintBitmapRect: {
        TPicture picture = ReadGraphic();
        double v[4];
        for (double& d : v)
            d = r.ReadSingle();
        if (code == C::PrintBitmap)
            m_renderer.DrawBitmapRect(picture, v[0], v[1], v[2], v[3]);
        else
            m_renderer.DrawBitmap(picture, v[0], v[1], v[2], v[3]);
        return true;
    }
    case C::StretchDraw: {
        TPicture picture = ReadGraphic();
        TDeviceRect rect = ReadRect();
        m_renderer.DrawStretched(rect, picture);
        return true;
    }
    case C::EncodedImage: {
        auto data = r.ReadBytes(r.ReadSize("image"));
        std::string kind = ReadText();
        double v[4];
        for (double& d : v)
            d = r.ReadSingle();
        m_renderer.DrawEncodedImage(data, kind, v[0], v[1], v[2], v[3]);
        return true;
    }
    case C::BrushCopy: // picture, two rectangles, colour: nothing to draw
        ReadGraphic();
        ReadRect();
        ReadRect();
        r.ReadLong();
        return true;
    default:
        return false;
    }
}

bool TStreamPlayer::PlayStateCommand(C code, std::size_t commandOffset)
{
    auto& r = m_state->Reader;
    switch (code) {
    case C::Variable:
        ReadVariable(commandOffset);
        return true;
    case C::DrawingMode:
        m_renderer.FrameMode = r.ReadByte();
        return true;
    case C::ResetLineHeight:
        for (double& d : m_lineMetrics)
            d = r.ReadSingle();
        return true;
    // The rest draw nothing here, but their payloads must be passed over.
    case C::CopyRect:
        ReadRect();
        r.ReadLong();
        ReadRect();
        return true;
    case C::FocusRect:
    case C::FrameRect:
        ReadRect();
        return true;
    case C::FloodFill:
        r.ReadSingle();
        r.ReadSingle();
        r.ReadLong();
        r.ReadLong();
        return true;
    case C::TextBKMode:
    case C::Transparency:
    case C::Orientation:
        r.ReadByte();
        return true;
    case C::BKColor:
        r.ReadLong();
        return true;
    case C::ScaleX:
    case C::ScaleY:
        r.ReadSingle();
        return true;
    case C::SpecialText:
    case C::Bin:
        ReadText();
        return true;
    case C::RawData: // raw data for a printer
        r.Skip(r.ReadSize("raw-data"));
        return true;
    case C::AllowPreviewOnly:
    case C::AllowPrinterOnly:
    case C::AllowAll:
        return true;
    default:
        return false;
    }
}

} // namespace gq::pdf
