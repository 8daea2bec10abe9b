#pragma once

#include "pdf/BackgroundFlate.h"
#include "pdf/PdfFonts.h"
#include "pdf/PdfObjects.h"
#include "pdf/RenderPDF.h"

#include <array>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace gq::pdf
{

/// The document state of TRenderPDF between BeginDocument and the end of EndDocument.
struct TRenderPDF::TDocument
{
    /// PDF/X, title and author of this document: the stream's, or else the renderer's own.
    report::TDocumentSettings Settings;
    std::string Body;
    std::unique_ptr<TPDFCatalog> Catalog;
    std::unique_ptr<TPDFOutlines> Outlines;
    std::unique_ptr<TPDFPages> Pages;
    std::unique_ptr<TPDFProcSet> ProcSet;
    std::vector<std::unique_ptr<TPDFPage>> PageList; ///< keys "P1", "P2", ... by position
    std::vector<std::unique_ptr<TPDFFont>> FontList; ///< in creation order
    std::vector<std::size_t> XRef;                   ///< byte offset of object n at n - 1
    TPDFPage* CurrentPage = nullptr;
    TPlayerPen Pen;     ///< as the player last handed it in
    TPlayerBrush Brush; ///< as the player last handed it in
    TPDFFont* CurrentFont = nullptr;
    /// What SelectFont chose for its last requests: a book's answers switch between two faces
    /// for nearly every digit.
    struct TFontChoice
    {
        std::string Name;
        bool Bold = false;
        bool Italic = false;
        TPDFFont* Font = nullptr;
        bool Courier = false;
    };
    std::array<TFontChoice, 4> RecentFonts;
    std::size_t NextRecentFont = 0;
    bool CurrentFontIsCourier = false; ///< CurrentFont is a Courier face (wider blank)
    int FontSize = 12;                 ///< whole points
    double Rotation = 0.0;             ///< degrees
    bool Underline = false;
    bool StrikeOut = false;
    bool FirstPagePending = true;
    std::size_t XRefOffset = 0;
    std::size_t Written = 0;      ///< bytes already handed to RenderToSink's sink
    TFileIdentifier WrittenBytes; ///< what they hash to, for a PDF/X identifier
    /// HarfBuzz's subsetter being opened on a thread of its own while the pages are made, for
    /// a print-ready document, whose fonts are cut down at its end.
    std::future<void> SubsetterOpening;
    /// Compresses finished pages as the document goes on, when it is compressed with zlib.
    /// Last, so that it stops before the pages it reads go.
    std::unique_ptr<TBackgroundFlate> Flate;
};

} // namespace gq::pdf
