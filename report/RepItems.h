#pragma once

#include "report/RepComponent.h"
#include "report/RepFont.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace gq::report
{

/// An item that lends its font to text items through their FontMirror. Kept for the report
/// tests; the book never makes one.
class TRepFontMaster : public TRepComponent
{
  public:
    using TRepComponent::TRepComponent;
    std::string_view ClassName() const override { return "TRepFontMaster"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepFontMaster>(owner);
    }
    void AssignProperties(const TRepComponent& source) override;

    TRepFont Font;
};

/// Base of text items: the text, its font and how it sits in the field [Left, Left + Width].
///
/// The book sets Text, the bounds, FontJustify and the font's size and name. Rotation,
/// Truncate, FontMirror and OnGetText change the output when set; they are kept for the report
/// tests, and the book never sets them.
class TRepCustomText : public TRepControl
{
  public:
    explicit TRepCustomText(TComponent* owner);
    std::string_view ClassName() const override { return "TRepCustomText"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepCustomText>(owner);
    }

    std::string Text() const override { return m_text.Str(); }
    void SetText(std::string_view text) override;
    TPrintJustify FontJustify() const override { return m_justify; }
    void SetFontJustify(TPrintJustify justify) override;
    /// The font colour.
    TColor Color() const override { return m_font->Color; }
    void SetColor(TColor color) override;

    const TRepFont& Font() const { return *m_font; }
    /// Sets the font; items of a project share one copy of each distinct font.
    void SetFont(const TRepFont& font);
    /// SetFont with one field of the current font changed.
    void SetFontSize(int points);
    void SetFontName(std::string_view name);

    // Not used by the book (see above).

    /// When set, that item's font is printed instead of Font; nullptr for none.
    TRepFontMaster* FontMirror() const { return m_fontMirror; }
    void SetFontMirror(TRepFontMaster* master);
    /// Degrees, taken modulo 360 when printed.
    int Rotation = 0;
    /// True: characters are dropped from the end until the text fits Width.
    bool Truncate = false;
    /// A hook that may replace the text at print time.
    using TGetText = std::function<void(TRepCustomText& sender, std::string& text)>;
    /// The hook; empty when none is set.
    const TGetText& OnGetText() const;
    void SetOnGetText(TGetText hook);

    void AssignProperties(const TRepComponent& source) override;
    void AssignReferences(const TRepComponent& source) override;
    /// ApplyFont, rotation, baseline from AbsTop, optional truncation, then PrintJustified
    /// (text, FontJustify, AbsLeft, 0, Width).
    void DrawSelf(TOutputEngine& engine) override;

  protected:
    void Notification(TComponent* freed) override;

  private:
    // What few text items have: a hook, or a font of their own when outside a project.
    struct TRare
    {
        TGetText OnGetText;
        TRepFont OwnFont;
    };
    TRare& Rare();

    TCompactString m_text;
    const TRepFont* m_font = &TRepFont::Default(); ///< in the project's font table, or Rare
    TRepFontMaster* m_fontMirror = nullptr;
    std::unique_ptr<TRare> m_rare;
    TPrintJustify m_justify = TPrintJustify::pjLeft;
};

/// One line of text. Width starts at 1 inch; Height always reads |font size| / 60 inch.
class TRepText : public TRepCustomText
{
  public:
    explicit TRepText(TComponent* owner);
    std::string_view ClassName() const override { return "TRepText"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepText>(owner);
    }
    TRepUnits Height() const override;
};

/// Base of pen-drawn items: pen colour, width, width unit and style. The pen mode is always copy.
class TRepGraphicBase : public TRepControl
{
  public:
    explicit TRepGraphicBase(TComponent* owner);
    std::string_view ClassName() const override { return "TRepGraphicBase"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepGraphicBase>(owner);
    }

    TColor Color() const override { return m_color; }
    void SetColor(TColor color) override { m_color = color; }
    /// 0 draws nothing visible. Above 1 (or in points) a non-solid style becomes solid.
    double LineWidth() const override { return m_lineWidth; }
    void SetLineWidth(double width) override;
    TLineWidthType LineWidthType() const override { return m_lineWidthType; }
    void SetLineWidthType(TLineWidthType type) override;
    TPenStyle LineStyle() const override { return m_lineStyle; }
    void SetLineStyle(TPenStyle style) override { m_lineStyle = style; }

    void AssignProperties(const TRepComponent& source) override;

  protected:
    /// Selects the pen for LineWidth, LineWidthType, Color and LineStyle on `engine`.
    void SelectLinePen(TOutputEngine& engine) const;

  private:
    void CheckPen();

    TColor m_color = clBlack;
    double m_lineWidth = 1.0;
    TLineWidthType m_lineWidthType = TLineWidthType::wtPixels;
    TPenStyle m_lineStyle = TPenStyle::psSolid;
};

/// A straight line across its bounds (1 x 1 inch at creation).
class TRepLine : public TRepGraphicBase
{
  public:
    explicit TRepLine(TComponent* owner);
    std::string_view ClassName() const override { return "TRepLine"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepLine>(owner);
    }

    /// False: from (AbsLeft, AbsTop) to (AbsRight, AbsBottom); true: from the bottom-left corner
    /// to the top-right one.
    bool NESW = false;

    void AssignProperties(const TRepComponent& source) override;
    void DrawSelf(TOutputEngine& engine) override;
};

/// A horizontal line: 1 inch wide, height 0 at creation.
class TRepHLine : public TRepLine
{
  public:
    explicit TRepHLine(TComponent* owner);
    std::string_view ClassName() const override { return "TRepHLine"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepHLine>(owner);
    }
};

/// A vertical line: width 0, 1 inch high at creation.
class TRepVLine : public TRepLine
{
  public:
    explicit TRepVLine(TComponent* owner);
    std::string_view ClassName() const override { return "TRepVLine"; }
    TRepComponent* NewInstance(TComponent* owner) const override
    {
        return NewItem<TRepVLine>(owner);
    }
};

} // namespace gq::report
