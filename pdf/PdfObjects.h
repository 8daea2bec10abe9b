#pragma once

#include "pdf/PdfWriteContext.h"

#include <cstdint>
#include <memory>
#include <string>

namespace gq::pdf
{

/// One indirect object of the PDF file. The document writer numbers it when the document ends
/// and then has it write itself at the end of the file's bytes.
class TPDFObject
{
  public:
    TPDFObject() = default;
    virtual ~TPDFObject() = default;
    TPDFObject(const TPDFObject&) = delete;
    TPDFObject& operator=(const TPDFObject&) = delete;

    /// Serialises the object, from "N 0 obj" to the empty line after "endobj".
    virtual void WriteToBuffer(TPdfWriteContext& out) = 0;

    int Number = 0;
};

class TPDFCatalog : public TPDFObject
{
  public:
    void WriteToBuffer(TPdfWriteContext& out) override;
};

class TPDFPages : public TPDFObject
{
  public:
    void WriteToBuffer(TPdfWriteContext& out) override;
};

class TPDFOutlines : public TPDFObject
{
  public:
    void WriteToBuffer(TPdfWriteContext& out) override;
};

class TPDFProcSet : public TPDFObject
{
  public:
    void WriteToBuffer(TPdfWriteContext& out) override;
};

/// The content stream of one page; `Content` holds its operators, each line ending in CR LF.
class TPDFPageContent : public TPDFObject
{
  public:
    TPDFPageContent();
    void WriteToBuffer(TPdfWriteContext& out) override;

    std::string Content;
};

/// What the page's content stream has set so far, so that unchanged state is not repeated.
/// Colours are 0x00BBGGRR; the requested ones travel from page to page.
struct TGraphicsCache
{
    std::int32_t RequestedTextColor = 0;
    std::int32_t EmittedTextColor = 0;
    bool TextColorValid = false;
    std::int32_t RequestedPenColor = 0;
    std::int32_t EmittedPenColor = 0;
    bool PenColorValid = false;
    double EmittedLineWidth = 0.0; ///< inches
    bool LineWidthValid = false;
    std::uint8_t EmittedDash = 0;
    bool DashValid = false;
    std::int32_t RequestedBrushColor = 0x00FFFFFF;
    std::int32_t EmittedBrushColor = 0;
    bool BrushColorValid = false;
};

class TPDFPage : public TPDFObject
{
  public:
    TPDFPage();
    void WriteToBuffer(TPdfWriteContext& out) override;

    std::unique_ptr<TPDFPageContent> Content;
    double Width = 8.5;   ///< inches
    double Height = 11.0; ///< inches
    TGraphicsCache Cache;
};

} // namespace gq::pdf
