#include "report/RepItems.h"

#include "report/OutputEngine.h"
#include "report/RepProject.h"

#include <cmath>
#include <cstdlib>

namespace gq::report
{

void TRepFontMaster::AssignProperties(const TRepComponent& source)
{
    TRepComponent::AssignProperties(source);
    Font = static_cast<const TRepFontMaster&>(source).Font;
}

// ---------------------------------------------------------------------------------------------
// TRepCustomText, TRepText

TRepCustomText::TRepCustomText(TComponent* owner) : TRepControl(owner) {}

void TRepCustomText::SetText(std::string_view text)
{
    if (m_text != text) {
        m_text.Assign(text);
    }
}

void TRepCustomText::SetFontJustify(TPrintJustify justify) { m_justify = justify; }

TRepCustomText::TRare& TRepCustomText::Rare()
{
    if (m_rare == nullptr) {
        m_rare = std::make_unique<TRare>();
    }
    return *m_rare;
}

const TRepCustomText::TGetText& TRepCustomText::OnGetText() const
{
    static const TGetText kNone;
    return m_rare != nullptr ? m_rare->OnGetText : kNone;
}

void TRepCustomText::SetOnGetText(TGetText hook)
{
    if (hook || m_rare != nullptr) {
        Rare().OnGetText = std::move(hook);
    }
}

void TRepCustomText::SetFont(const TRepFont& font)
{
    if (font == *m_font) {
        return;
    }
    if (Project() != nullptr) {
        m_font = Project()->Fonts().Keep(font);
    } else {
        TRare& rare = Rare();
        rare.OwnFont = font;
        m_font = &rare.OwnFont;
    }
}

void TRepCustomText::SetFontSize(int points)
{
    if (m_font->Size == points) {
        return;
    }
    TRepFont font = *m_font;
    font.Size = points;
    SetFont(font);
}

void TRepCustomText::SetFontName(std::string_view name)
{
    if (m_font->Name == name) {
        return;
    }
    TRepFont font = *m_font;
    font.Name = name;
    SetFont(font);
}

void TRepCustomText::SetColor(TColor color)
{
    if (m_font->Color == color) {
        return;
    }
    TRepFont font = *m_font;
    font.Color = color;
    SetFont(font);
}

void TRepCustomText::SetFontMirror(TRepFontMaster* master)
{
    m_fontMirror = master;
    FreeNotification(master);
}

void TRepCustomText::Notification(TComponent* freed)
{
    TRepControl::Notification(freed);
    if (freed == m_fontMirror) {
        m_fontMirror = nullptr;
    }
}

void TRepCustomText::AssignProperties(const TRepComponent& source)
{
    TRepControl::AssignProperties(source);
    const auto& text = static_cast<const TRepCustomText&>(source);
    m_text = text.m_text;
    m_justify = text.m_justify;
    SetFont(text.Font());
    Truncate = text.Truncate;
    Rotation = text.Rotation;
    SetOnGetText(text.OnGetText());
}

void TRepCustomText::AssignReferences(const TRepComponent& source)
{
    TRepControl::AssignReferences(source);
    const TRepFontMaster* master = static_cast<const TRepCustomText&>(source).m_fontMirror;
    if (master != nullptr) {
        SetFontMirror(CopyOf(master));
    }
}

void TRepCustomText::DrawSelf(TOutputEngine& engine)
{
    if (!Visible()) {
        return;
    }
    // The stored text is printed unless a hook or truncation changes it.
    std::string printed = m_text.Str();
    if (m_rare != nullptr && m_rare->OnGetText) {
        m_rare->OnGetText(*this, printed);
    }
    engine.ApplyFont(m_fontMirror != nullptr ? m_fontMirror->Font.ToSpec() : m_font->ToSpec());
    engine.SetFontRotation(Rotation);
    engine.SetBaselineFromTop(AbsTop());
    if (Truncate) {
        printed = engine.TruncateText(std::move(printed), Width());
    }
    engine.PrintJustified(printed, m_justify, AbsLeft(), 0, Width());
}

TRepText::TRepText(TComponent* owner) : TRepCustomText(owner) { m_bounds.Width = 1.0; }

TRepUnits TRepText::Height() const { return std::abs(Font().Size) / 60.0; }

// ---------------------------------------------------------------------------------------------
// Lines

TRepGraphicBase::TRepGraphicBase(TComponent* owner) : TRepControl(owner) {}

void TRepGraphicBase::SetLineWidth(double width)
{
    m_lineWidth = width;
    CheckPen();
}

void TRepGraphicBase::SetLineWidthType(TLineWidthType type)
{
    m_lineWidthType = type;
    CheckPen();
}

// Only a one-pixel pen can be drawn dashed or dotted.
void TRepGraphicBase::CheckPen()
{
    if ((m_lineWidth > 1 || m_lineWidthType != TLineWidthType::wtPixels) &&
        m_lineStyle != TPenStyle::psSolid) {
        m_lineStyle = TPenStyle::psSolid;
    }
}

void TRepGraphicBase::AssignProperties(const TRepComponent& source)
{
    TRepControl::AssignProperties(source);
    const auto& graphic = static_cast<const TRepGraphicBase&>(source);
    m_color = graphic.m_color;
    m_lineWidth = graphic.m_lineWidth;
    m_lineWidthType = graphic.m_lineWidthType;
    m_lineStyle = graphic.m_lineStyle;
}

void TRepGraphicBase::SelectLinePen(TOutputEngine& engine) const
{
    if (m_lineWidth == 0) {
        engine.SelectPen(clBlack, TPenStyle::psClear, 0, TPenMode::pmCopy);
    } else if (m_lineWidthType == TLineWidthType::wtPixels) {
        // Rounded half to even, as the engine rounds its pen widths.
        engine.SelectPen(m_color, m_lineStyle, static_cast<int>(std::lrint(m_lineWidth)),
                         TPenMode::pmCopy);
    } else {
        // Negative codes below -10000 are ten-thousandths of an inch.
        int tenThousandths = static_cast<int>(std::lrint(m_lineWidth * 10000.0 / 72.0));
        engine.SelectPen(m_color, m_lineStyle, -(tenThousandths + 10000), TPenMode::pmCopy);
    }
}

TRepLine::TRepLine(TComponent* owner) : TRepGraphicBase(owner)
{
    m_bounds.Width = 1.0;
    m_bounds.Height = 1.0;
}

void TRepLine::AssignProperties(const TRepComponent& source)
{
    TRepGraphicBase::AssignProperties(source);
    NESW = static_cast<const TRepLine&>(source).NESW;
}

void TRepLine::DrawSelf(TOutputEngine& engine)
{
    if (!Visible()) {
        return;
    }
    SelectLinePen(engine);
    if (!NESW) {
        engine.MoveTo(AbsLeft(), AbsTop());
        engine.LineTo(AbsRight(), AbsBottom());
    } else {
        engine.MoveTo(AbsLeft(), AbsBottom());
        engine.LineTo(AbsRight(), AbsTop());
    }
}

TRepHLine::TRepHLine(TComponent* owner) : TRepLine(owner) { m_bounds.Height = 0; }

TRepVLine::TRepVLine(TComponent* owner) : TRepLine(owner) { m_bounds.Width = 0; }

} // namespace gq::report
