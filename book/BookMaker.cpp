#include "book/BookMaker.h"
#include "book/VariantBook.h"

#include "book/BookLayout.h"
#include "book/CoverMaker.h"
#include "book/PaperSizes.h"
#include "book/Publisher.h"
#include "book/PuzzleMaker.h"
#include "book/TempFolder.h"
#include "book/TextEncoding.h"
#include "gq/Error.h"
#include "pdf/Clock.h"
#include "pdf/PdfError.h"
#include "pdf/RenderPDF.h"
#include "puzzle/PuzzleBank.h"
#include "puzzle/TQJ.h"
#include "report/FontManager.h"
#include "report/PageStreamWriter.h"
#include "report/RenderDevice.h"
#include "report/RepProject.h"
#include "widgets/TPICSD33.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <span>
#include <stdexcept>
#include <system_error>
#include <unordered_map>
#include <utility>

#include <sys/stat.h>

namespace gq::book
{

namespace
{

std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

/// Keywords of a print-ready book's PDF. A plain book keeps the renderer's keywords that it has
/// always carried (ConfigureRenderer), misspelling included, so that its bytes do not change.
constexpr std::string_view kPrintReadyKeywords = "printable sudoku,pdf sudoku,sudoku";

/// The PDF renderer as the program configures it.
void ConfigureRenderer(pdf::TRenderPDF& renderer)
{
    renderer.EmbedFonts = true;
    renderer.ImageQuality = 90;
    renderer.MetafileDPI = 300;
    renderer.FontEncoding = pdf::TPDFFontEncoding::feWinAnsiEncoding;
    renderer.DocInfo.KeyWords = "printable sudoku,pdf sudoku,sudoku,sudoko";
    renderer.DocInfo.Creator = std::string(kPublisherWebAddress);
    renderer.DocInfo.Producer = std::string(kPublisherName);
    renderer.UnicodeDocInfo = true;
}

/// Test seams of the file steps (see TBookMaker::SetFileSeams).
struct TFileSeams
{
    bool AllowUnnamedFiles = true;
    std::function<void(const std::string&)> BeforeCommit;
};

/// Lays out each page of the book as the report run reaches it and frees its items once it has
/// printed, so that the book holds one page of items at a time rather than all of them (some
/// 160,000 in the largest book), and each page's items are still in the processor's caches when
/// they print.
class TPageByPage final : public report::IPageSource
{
  public:
    TPageByPage(report::TRepProjectManager& project, TBookLayout& layout, int year)
        : m_layout(layout), m_year(year)
    {
        m_report = dynamic_cast<report::TRepReport*>(project.FindByPath("Report1"));
        if (!m_report)
            throw gq::InternalError("the new report project has no Report1");
        for (int n = 1; n <= layout.Plan().Total(); ++n)
            if (auto* page = dynamic_cast<report::TRepPage*>(
                    project.FindByPath("Report1.Page" + std::to_string(n))))
                m_numbers.emplace(page, n);
        layout.PreparePages();
        m_report->SetPageSource(this);
    }
    ~TPageByPage() override { m_report->SetPageSource(nullptr); }
    TPageByPage(const TPageByPage&) = delete;
    TPageByPage& operator=(const TPageByPage&) = delete;

    void FillPage(report::TRepPage& page) override
    {
        const auto found = m_numbers.find(&page);
        if (found == m_numbers.end())
            throw gq::InternalError("the report printed a page the book does not have");
        m_layout.LayoutPage(found->second, m_year);
    }
    void PagePrinted(report::TRepPage& page) override { page.FreeOwnedItems(); }

  private:
    TBookLayout& m_layout;
    int m_year;
    report::TRepReport* m_report = nullptr;
    std::unordered_map<const report::TRepPage*, int> m_numbers;
};

/// Points a page-stream writer at an open file for one run, and back at memory afterwards, so
/// that no later job writes to a descriptor that may be closed by then.
class TStreamToFile
{
  public:
    TStreamToFile(report::TPageStreamWriter& writer, int fd, const std::string& name)
        : m_writer(writer)
    {
        m_writer.SetStreamDescriptor(fd, name);
        m_writer.SetStreamMode(report::TStreamMode::smDescriptor);
    }
    ~TStreamToFile()
    {
        m_writer.SetStreamMode(report::TStreamMode::smMemory);
        m_writer.SetStreamDescriptor(-1, {});
    }
    TStreamToFile(const TStreamToFile&) = delete;
    TStreamToFile& operator=(const TStreamToFile&) = delete;

  private:
    report::TPageStreamWriter& m_writer;
};

/// Plays `stream` into a PDF and puts it at `pdfPath` once complete.
void RenderToNewFile(pdf::TRenderPDF& renderer, std::string_view stream, const std::string& pdfPath,
                     TReplace replace, const TFileSeams& seams)
{
    TNewFile file(pdfPath, TFileAudience::Document, seams.AllowUnnamedFiles);
    renderer.RenderToSink(Bytes(stream), [&file](std::string_view bytes) { file.Write(bytes); });
    if (seams.BeforeCommit)
        seams.BeforeCommit(pdfPath);
    file.Commit(replace);
}

/// Fails early, before any work, when `pdfPath` cannot be written as asked.
void CheckTarget(const std::string& pdfPath, TReplace replace)
{
    CheckDocumentPath(pdfPath);
    struct stat info;
    if (replace == TReplace::Never && lstat(pdfPath.c_str(), &info) == 0)
        throw TFileExistsError(pdfPath);
}

/// Passes progress on, never lower than it was: the layouts count up to 60 and the save step
/// then announces 50.
class TRisingProgress final : public IBookProgress
{
  public:
    explicit TRisingProgress(IBookProgress& target) : m_target(target) {}
    void SetProgress(int value) override
    {
        m_value = std::max(m_value, value);
        m_target.SetProgress(m_value);
    }
    void SetCaption(std::string_view caption) override { m_target.SetCaption(caption); }
    void Repaint() override { m_target.Repaint(); }
    void Completed(const std::string& pdfPath) override { m_target.Completed(pdfPath); }

  private:
    IBookProgress& m_target;
    int m_value = 0;
};
/// The document settings of one book: PDF/X, and its title and author in the information
/// dictionary (a print-ready book always has a title); a print-ready book also says so, and
/// carries its own keywords. They travel in the page stream, so that
/// the stream alone makes the book's PDF again.
void ConfigureDocument(report::TPageStreamWriter& writer, const TBookDescription& book)
{
    report::TDocumentSettings document;
    document.PdfX = book.Settings.PdfX;
    document.Title = book.DocumentTitle;
    document.Author = book.Author;
    if (book.Geometry.PrintReady()) {
        document.PrintReady = true;
        document.Keywords = std::string(kPrintReadyKeywords);
        // A book sold under the user's own name names no vendor: the program and its version
        // only.
        document.Creator = "Gridquill " GQ_VERSION;
        document.Producer = "Gridquill";
    }
    writer.SetDocumentSettings(std::move(document));
}

TBookFacts MakeFacts(const pdf::TRenderPDF& renderer, const TBookDescription& book,
                     const TBookLayout& layout)
{
    const TPageGeometry& geometry = book.Geometry;
    const TBookPlan& plan = book.Plan;
    TBookFacts facts;
    facts.Paper = std::string(geometry.Paper().Name);
    facts.PageWidth = geometry.PageWidth();
    facts.PageHeight = geometry.PageHeight();
    facts.Pages = plan.Total();
    facts.NotesPages = plan.NotesPages + static_cast<int>(plan.InnerNotesPages.size());
    facts.Sections = plan.Sectioned ? static_cast<int>(plan.Sections.size()) : 0;
    facts.BlankLastPage = plan.BlankPages > 0;
    facts.PrintReady = geometry.PrintReady();
    facts.PdfX = book.Settings.PdfX;
    facts.InsideMargin = geometry.Margins().Inside;
    facts.SmallestText = layout.SmallestText();
    facts.ThinnestLine = layout.ThinnestLine() * 72.0 / report::TRenderDevice::kDpi;
    facts.GridInches = layout.SmallestGrid();
    for (const pdf::TDocumentFont& font : renderer.LastDocumentFonts())
        (font.Embedded ? facts.EmbeddedFonts : facts.OtherFonts).push_back(font.BaseFont);
    return facts;
}

} // namespace

struct TBookMaker::Impl
{
    explicit Impl(std::string pageStreamPath) : PageStreamPath(std::move(pageStreamPath))
    {
        sd991.ApplyMainWindowSettings();
        ConfigureBookEngine(PageStreamWriter1);
        RepProject1.SetEngine(&PageStreamWriter1);
        ConfigureRenderer(RenderPDF);
        RenderPDF.SetFontManager(Fonts);
    }

    puzzle::TRandom Random;
    puzzle::TQJ QJ1{Random};
    widgets::TPICSD33 sd991;
    /// One font manager, so that the engine and the renderer share its width caches.
    std::shared_ptr<report::TFontManager> Fonts = std::make_shared<report::TFontManager>();
    report::TPageStreamWriter PageStreamWriter1{Fonts};
    report::TRepProject RepProject1;
    pdf::TRenderPDF RenderPDF;
    std::unique_ptr<puzzle::TPuzzleBatch> Batch = std::make_unique<puzzle::TPuzzleBatch>();
    std::string PageStreamPath;
    std::string PageStreamFallback;
    TFileSeams Seams;
    const puzzle::TPuzzleBank* Bank = &puzzle::TPuzzleBank::BuiltIn();
    TBookFacts Facts;
};

TBookMaker::TBookMaker() : TBookMaker(std::string(kPageStreamName))
{
    TPrivateFolder folder = PrivateTempFolder();
    m_impl->PageStreamPath = folder.Path + std::string(kPageStreamName);
    m_impl->Fonts->KeepMatchRecord(folder.Path + std::string(kFontMatchRecordName));
    m_impl->PageStreamFallback = std::move(folder.Fallback);
}

TBookMaker::TBookMaker(std::string pageStreamPath)
    : m_impl(std::make_unique<Impl>(std::move(pageStreamPath)))
{}

TBookMaker::~TBookMaker() { m_impl->RepProject1.SetEngine(nullptr); }

void TBookMaker::SetSeedSource(puzzle::SeedSource source)
{
    m_impl->Random.SetSeedSource(std::move(source));
}

void TBookMaker::SetFileSeams(bool allowUnnamedFiles,
                              std::function<void(const std::string&)> beforeCommit)
{
    m_impl->Seams = {allowUnnamedFiles, std::move(beforeCommit)};
}

void TBookMaker::SetPuzzleBank(const puzzle::TPuzzleBank& bank) { m_impl->Bank = &bank; }

void TBookMaker::SetMessagePump(std::function<void()> pump)
{
    m_impl->PageStreamWriter1.MessagePump = std::move(pump);
}

const std::string& TBookMaker::PageStreamPath() const { return m_impl->PageStreamPath; }

const std::string& TBookMaker::PageStreamFallback() const { return m_impl->PageStreamFallback; }

std::string SmallGridWarning(const TBookFacts& facts)
{
    if (!facts.PrintReady || facts.GridInches <= 0 || facts.GridInches >= kComfortableGridInches)
        return {};
    char size[16];
    std::snprintf(size, sizeof size, "%.2f", facts.GridInches);
    return std::string("the grids are only ") + size +
           " in wide, small to solve in: put fewer puzzles on a page, choose a larger paper or "
           "make a large-print book";
}

const TBookFacts& TBookMaker::LastBookFacts() const { return m_impl->Facts; }

const puzzle::TPuzzleBatch& TBookMaker::PuzzleBatch() const { return *m_impl->Batch; }

void TBookMaker::DeleteOldPages()
{
    report::TRepProject& project = m_impl->RepProject1;
    if (!project.IsOpen())
        return;
    // As far as the largest page count a front end offers.
    for (int n = 1; n <= kMaxPageCount; ++n)
        report::Free(project.Manager()->FindByPath("Report1.Page" + std::to_string(n)));
}

void TBookMaker::BuildBook(const TBookSettings& givenSettings, IBookProgress& userProgress)
{
    // The book is resolved once; everything below reads this description.
    TBookDescription book = DescribeBook(givenSettings);
    const TBookSettings settings = book.Settings;
    Impl& m = *m_impl;
    CheckDocumentPath(settings.PdfPath); // a folder or device is refused before a name is made
    const std::string pdfPath = PdfPathFor(settings.PdfPath);
    const TReplace replace = settings.ReplaceExisting ? TReplace::Always : TReplace::Never;
    CheckTarget(pdfPath, replace);
    pdf::SourceDateEpoch(); // a malformed date fails now, not after all the work
    // The cover is checked with the book, before any work: its settings and its file.
    std::optional<TCoverDesign> cover;
    std::string coverPath;
    if (settings.Cover.Make) {
        cover = CoverDesignOf(settings, book.Plan.Total());
        CheckCoverDesign(*cover);
        coverPath = settings.Cover.Path.empty() ? CoverPathFor(pdfPath) : settings.Cover.Path;
        if (coverPath == pdfPath)
            throw Error("the cover " + coverPath + " cannot be the book's own file");
        CheckTarget(coverPath, replace);
        RequirePrintReadyFace(*m.Fonts);
        RequirePrintReadyBoldFace(*m.Fonts);
    }
    TRisingProgress progress(userProgress);
    if (settings.IsPrintReady()) {
        RequirePrintReadyFace(*m.Fonts);
        RequirePrintReadyBoldFace(*m.Fonts);
    }

    TPuzzleMaker maker(*m.Bank, m.Random, m.QJ1, m.sd991);
    maker.BuildPuzzleBatch(settings, *m.Batch);
    // Puzzle types are generated after the bank's draws, from the same seed source.
    const TVariantBatch variants = MakeVariantBatch(settings, m.Random);
    CopyVariantTexts(variants, *m.Batch);
    // Hints, worked solutions and answer notes read the puzzles' explanations; the pages of
    // worked solutions may change the page count, and with it the cover's spine.
    const TLearningAids aids = PlanLearningAids(book, *m.Batch, PrintReadyMeasure(*m.Fonts));
    if (cover)
        cover->Pages = book.Plan.Total();

    m.RepProject1.NewProject();
    report::TRepProjectManager& project = *m.RepProject1.Manager();
    AddBookPages(project, book.Plan.Total());
    TBookLayout layout(project, m.QJ1, *m.Batch, book, progress);
    layout.SetTextMeasure(PrintReadyMeasure(*m.Fonts));
    if (!variants.Puzzles.empty())
        layout.SetVariantPuzzles(&variants);
    if (settings.HasLearningAids())
        layout.SetLearningAids(&aids, settings.AnswerNotes);
    ConfigureDocument(m.PageStreamWriter1, book);

    progress.SetCaption("Save file to disk,Please wait");
    progress.Repaint();
    // Every book starts from the engine's default font in the book's face, whatever the last
    // book ended with: the first page's font state names no face the pages do not use.
    report::TFontSpec startFont;
    startFont.Name = std::string(settings.IsPrintReady() ? kPrintReadyFace : kPlainFace);
    m.PageStreamWriter1.ApplyFont(startFont);
    // The stream goes to a file of this run's own as the pages are printed (it never sits in
    // memory whole) and is read back from that file (never from a path another run may be
    // writing). It replaces the one in the private folder only after the PDF is in place, so
    // that the stream there is always the last finished book's.
    TNewFile streamFile(m.PageStreamPath, TFileAudience::Private, m.Seams.AllowUnnamedFiles);
    TStreamToFile streamToFile(m.PageStreamWriter1, streamFile.Descriptor(), m.PageStreamPath);
    // The project is built to be printed once: the run prints its items without copying them,
    // each page laid out as the run reaches it and emptied once printed.
    try {
        TPageByPage pageByPage(project, layout, pdf::SystemClockNow().Year);
        m.RepProject1.RunReport("Report1", report::TRunItems::DesignItems);
    } catch (...) {
        m.RepProject1.CloseProject();
        throw;
    }
    m.RepProject1.CloseProject();
    progress.SetProgress(50);
    // Mapped, not copied: the file's pages are all the memory the stream takes.
    const TMappedBytes stream = streamFile.MapBack();
    progress.SetProgress(80);
    progress.Repaint();
    // The cover is made in full before the book is put in place, so that a cover that cannot
    // be made leaves no book behind either.
    std::unique_ptr<TNewFile> coverFile;
    if (cover) {
        cover->Motif = m.Batch->Puzzles[1];
        coverFile = std::make_unique<TNewFile>(coverPath, TFileAudience::Document,
                                               m.Seams.AllowUnnamedFiles);
        coverFile->Write(CoverPdf(*cover, false, m.Fonts));
    }
    RenderToNewFile(m.RenderPDF, stream.View(), pdfPath, replace, m.Seams);
    streamFile.Commit(TReplace::Always);
    m.Facts = MakeFacts(m.RenderPDF, book, layout);
    if (coverFile) {
        try {
            if (m.Seams.BeforeCommit)
                m.Seams.BeforeCommit(coverPath);
            coverFile->Commit(replace);
        } catch (const Error& e) {
            throw Error(pdfPath + " was made, but not its cover: " + e.what());
        }
        m.Facts.CoverPath = coverPath;
        m.Facts.CoverSummary = CoverSummary(
            CoverGeometry(*FindPaper(cover->Paper), cover->Service, cover->Stock, cover->Pages),
            cover->Service);
    }
    progress.SetProgress(100);
    progress.SetCaption("Done");
    progress.Completed(pdfPath);
}

std::string RenderPageStream(const std::string& pageStreamPath, const std::string& pdfPath,
                             TReplace replace)
{
    CheckDocumentPath(pdfPath);
    const std::string target = PdfPathFor(pdfPath);
    CheckTarget(target, replace);
    pdf::SourceDateEpoch();
    std::string stream = ReadPageStreamFile(pageStreamPath);
    pdf::TRenderPDF renderer;
    ConfigureRenderer(renderer);
    try {
        RenderToNewFile(renderer, stream, target, replace, {});
    } catch (const pdf::TPageStreamError& error) {
        throw error.InFile(pageStreamPath); // the player knows bytes, not where they came from
    }
    return target;
}

} // namespace gq::book
