#include "book/BookPreview.h"

#include "book/BookLayout.h"
#include "book/BookMaker.h"
#include "book/PuzzleMaker.h"
#include "book/VariantBook.h"
#include "gq/Error.h"
#include "pdf/Clock.h"
#include "puzzle/PuzzleBank.h"
#include "puzzle/TQJ.h"
#include "report/FontManager.h"
#include "report/PageStreamWriter.h"
#include "report/RepProject.h"
#include "widgets/TPICSD33.h"

#include <algorithm>

namespace gq::book
{
namespace
{

/// A preview reports no progress: it is made on a worker thread, away from the window.
class TSilentProgress final : public IBookProgress
{
  public:
    void SetProgress(int) override {}
    void SetCaption(std::string_view) override {}
    void Repaint() override {}
    void Completed(const std::string&) override {}
};

} // namespace

TBookSettings PreviewSettings(const TBookSettings& settings)
{
    TBookSettings small = settings;
    small.PageCount = std::min(settings.PageCount, kPreviewPuzzlePages);
    for (TSection& section : small.Sections)
        section.Count = std::min(section.Count, kPreviewPuzzlePages * settings.PuzzlesPerPage);
    small.Cover = {};
    small.PdfPath.clear();
    small.ReplaceExisting = false;
    // Worked solutions follow the puzzles they explain; a preview shows the puzzles.
    small.WorkedSolutions = std::min(small.WorkedSolutions, 1);
    return small;
}

struct TBookPreviewMaker::Impl
{
    Impl()
    {
        sd991.ApplyMainWindowSettings();
        // The engine as the book maker sets it, so that the pages come out the same.
        ConfigureBookEngine(Writer);
        Project.SetEngine(&Writer);
    }
    ~Impl() { Project.SetEngine(nullptr); }

    puzzle::TRandom Random;
    puzzle::TQJ QJ1{Random};
    widgets::TPICSD33 sd991;
    std::shared_ptr<report::TFontManager> Fonts = std::make_shared<report::TFontManager>();
    report::TPageStreamWriter Writer{Fonts};
    report::TRepProject Project;
    puzzle::TPuzzleBatch Batch;
};

TBookPreviewMaker::TBookPreviewMaker() : m_impl(std::make_unique<Impl>()) {}

TBookPreviewMaker::~TBookPreviewMaker() = default;

void TBookPreviewMaker::SetSeedSource(puzzle::SeedSource source)
{
    m_impl->Random.SetSeedSource(std::move(source));
}

TPreview TBookPreviewMaker::Make(const TBookSettings& settings)
{
    return MakeStream(PreviewSettings(settings));
}

TPreview TBookPreviewMaker::MakeBook(const TBookSettings& settings)
{
    TBookSettings whole = settings;
    whole.Cover = {};
    return MakeStream(whole);
}

TPreview TBookPreviewMaker::MakeStream(const TBookSettings& settings)
{
    Impl& m = *m_impl;
    TBookDescription book = DescribeBook(settings);
    if (book.Settings.IsPrintReady()) {
        RequirePrintReadyFace(*m.Fonts);
        RequirePrintReadyBoldFace(*m.Fonts);
    }
    TPuzzleMaker maker(puzzle::TPuzzleBank::BuiltIn(), m.Random, m.QJ1, m.sd991);
    maker.BuildPuzzleBatch(book.Settings, m.Batch);
    // Puzzle types are generated after the bank's draws, as the book makes them.
    const TVariantBatch variants = MakeVariantBatch(book.Settings, m.Random);
    CopyVariantTexts(variants, m.Batch);

    const TTextMeasure measure = PrintReadyMeasure(*m.Fonts);
    const TLearningAids aids = PlanLearningAids(book, m.Batch, measure);
    m.Project.NewProject();
    report::TRepProjectManager& project = *m.Project.Manager();
    const int pageCount = book.Plan.Total();
    AddBookPages(project, pageCount);

    TSilentProgress progress;
    TBookLayout layout(project, m.QJ1, m.Batch, book, progress);
    layout.SetTextMeasure(measure);
    if (!variants.Puzzles.empty())
        layout.SetVariantPuzzles(&variants);
    if (book.Settings.HasLearningAids())
        layout.SetLearningAids(&aids, book.Settings.AnswerNotes);
    layout.LayoutBook(pdf::SystemClockNow().Year);

    report::TFontSpec startFont;
    startFont.Name = std::string(book.Settings.IsPrintReady() ? kPrintReadyFace : kPlainFace);
    m.Writer.ApplyFont(startFont);
    try {
        m.Project.RunReport("Report1", report::TRunItems::DesignItems);
    } catch (...) {
        m.Project.CloseProject();
        throw;
    }
    m.Project.CloseProject();

    const auto& written = m.Writer.MemoryData();
    TPreview preview;
    preview.Stream.assign(reinterpret_cast<const char*>(written.data()), written.size());
    preview.Pages = pageCount;
    preview.FirstPuzzlePage = std::max(1, book.Plan.PageOfPuzzle(1));
    preview.PageWidth = book.Geometry.PageWidth();
    preview.PageHeight = book.Geometry.PageHeight();
    preview.Settings = book.Settings;
    return preview;
}

} // namespace gq::book
