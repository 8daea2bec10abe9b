#pragma once

#include "pdf/FontWidths.h"
#include "pdf/PdfObjects.h"

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gq::pdf
{

/// A standard Type 1 font resource: a short dictionary without widths, never embedded. The
/// width table measures text for centring, right alignment and underlines.
class TPDFFont : public TPDFObject
{
  public:
    TPDFFont(std::string resourceName, std::string baseFont, const TWidthTable& widths);
    void WriteToBuffer(TPdfWriteContext& out) override;

    /// Sum of the widths of the bytes of `text`, in thousandths of the em.
    long long TextUnits(std::string_view text) const;
    /// Number of objects this font writes (font, descriptor, font file).
    virtual int ObjectCount() const { return 1; }
    /// Assigns numbers from `first` to the font and its dependent objects.
    virtual void AssignNumbers(int first) { Number = first; }
    /// Notes the codes of `text` as shown in this font, for the subset of an embedded program.
    void NoteShown(std::string_view text);
    /// The name written as /BaseFont: BaseFont, behind "TAG+" once the program is a subset.
    std::string PdfBaseFont() const;

    std::string SubtypeName = "Type1";
    std::string ResourceName;
    std::string BaseFont;  ///< the face's name; FindFont and the document's font list use it
    std::string SubsetTag; ///< six capitals when the embedded program is a subset, else empty
    TWidthTable Widths{};
    std::bitset<256> ShownCodes; ///< the codes shown in this font so far

  protected:
    void WriteHead(TPdfWriteContext& out);
};

class TPDFFontDescriptor : public TPDFObject
{
  public:
    void WriteToBuffer(TPdfWriteContext& out) override;

    std::string FontName;
    int Flags = 32;
    int BoxLeft = 0;
    int BoxTop = 0;
    int BoxRight = 0;
    int BoxBottom = 0;
    int MissingWidth = 0;
    int StemV = 80;
    int StemH = 80;
    int ItalicAngle = 0;
    int CapHeight = 0;
    int XHeight = 0;
    int Ascent = 0;
    int Descent = 0;
    int Leading = 0;
    int MaxWidth = 0;
    int AvgWidth = 0;
    bool HasFontFile = false;
};

/// The font program of an embedded TrueType face: the whole face, or a subset of it.
class TPDFFontFile : public TPDFObject
{
  public:
    void WriteToBuffer(TPdfWriteContext& out) override;

    std::vector<std::uint8_t> Data;
};

/// A TrueType font resource with measured widths, a descriptor and, when embedded, its program.
class TPDFFontTrueType : public TPDFFont
{
  public:
    TPDFFontTrueType(std::string resourceName, std::string baseFont);
    void WriteToBuffer(TPdfWriteContext& out) override;
    int ObjectCount() const override { return FontFile ? 3 : 2; }
    void AssignNumbers(int first) override;
    /// Once every page is made: cuts the embedded program down to the glyphs of ShownCodes and
    /// tags /BaseFont and /FontName with SubsetTag. A program that cannot be subset stays whole
    /// and untagged (a sound if larger file). Nothing without a FontFile; call it at most once.
    void SubsetFontFile();

    std::unique_ptr<TPDFFontDescriptor> Descriptor;
    std::unique_ptr<TPDFFontFile> FontFile;
    int FirstChar = 32;
    int LastChar = 255;
    bool Embeddable = false;
};

struct TTrueTypeMetrics;

/// A TrueType font resource named `resource` for the face `baseFont`, with the widths and the
/// descriptor of `metrics`; it holds `program` (the face's whole font program) when the face
/// allows embedding and `program` is not empty. The renderer and the cover make their fonts
/// here, so that both describe a face alike.
std::unique_ptr<TPDFFontTrueType> MakeTrueTypeFont(std::string resource, std::string baseFont,
                                                   const TTrueTypeMetrics& metrics,
                                                   std::vector<std::uint8_t> program);

} // namespace gq::pdf
