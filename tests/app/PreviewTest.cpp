// The preview and printing paint the same pages the PDF holds: the painter's page is compared
// with pdftoppm's picture of the PDF made from the same page stream.
#include "app/desktop/PagePainter.h"
#include "app/desktop/Printing.h"
#include "book/BookMaker.h"
#include "book/BookPreview.h"
#include "book/SafeFile.h"
#include "gq/Error.h"
#include "pdf/PdfError.h"
#include "puzzle/Random.h"

#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace
{

using namespace gq;

/// Resolution of the compared pictures, pixels an inch.
constexpr double kDpi = 60;

/// How far two pictures of one page are apart: the mean difference of their grey levels
/// (0..255) over blocks of `block` pixels, and the largest such block difference.
struct TDifference
{
    double Mean = 0;
    double Worst = 0;
};

TDifference Compare(const QImage& a, const QImage& b, int block = 8)
{
    const QImage ga = a.convertToFormat(QImage::Format_Grayscale8);
    const QImage gb = b.convertToFormat(QImage::Format_Grayscale8);
    const int width = std::min(ga.width(), gb.width());
    const int height = std::min(ga.height(), gb.height());
    TDifference difference;
    int blocks = 0;
    for (int top = 0; top + block <= height; top += block)
        for (int left = 0; left + block <= width; left += block) {
            double sumA = 0, sumB = 0;
            for (int y = top; y < top + block; ++y)
                for (int x = left; x < left + block; ++x) {
                    sumA += ga.constScanLine(y)[x];
                    sumB += gb.constScanLine(y)[x];
                }
            const double d = std::abs(sumA - sumB) / (block * block);
            difference.Mean += d;
            difference.Worst = std::max(difference.Worst, d);
            ++blocks;
        }
    difference.Mean /= std::max(blocks, 1);
    return difference;
}

std::span<const std::uint8_t> Bytes(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

class TPreviewTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    /// The preview of `settings`, with fixed seeds so that each run draws the same puzzles.
    book::TPreview MakePreview(const book::TBookSettings& settings)
    {
        book::TBookPreviewMaker maker;
        maker.SetSeedSource(puzzle::SequenceSeedSource(2026));
        return maker.Make(settings);
    }

    /// The PDF of the preview's stream, rendered by the book's own renderer.
    QString MakePdf(const book::TPreview& preview, const QString& name)
    {
        const QString stream = m_dir.filePath(name + ".pgs");
        QFile file(stream);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(stream));
        file.write(preview.Stream.data(), static_cast<qint64>(preview.Stream.size()));
        file.close();
        return QString::fromStdString(book::RenderPageStream(
            stream.toStdString(), m_dir.filePath(name + ".pdf").toStdString(),
            book::TReplace::Always));
    }

    QImage Rasterise(const QString& pdf, int page)
    {
        const QString prefix = m_dir.filePath(QStringLiteral("page"));
        QProcess process;
        process.start(GQ_PDFTOPPM, {"-r", QString::number(kDpi), "-f", QString::number(page), "-l",
                                    QString::number(page), "-singlefile", "-png", pdf, prefix});
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            qFatal("pdftoppm failed: %s", process.readAllStandardError().constData());
        return QImage(prefix + ".png");
    }

  private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void previewPageEqualsPdfPage_data()
    {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<int>("perPage");
        QTest::addColumn<bool>("candidates");
        QTest::addColumn<bool>("printReady");
        QTest::addColumn<int>("level");
        QTest::newRow("default letter") << "letter" << 1 << false << false << 0;
        QTest::newRow("candidates") << "letter" << 1 << true << false << 2;
        QTest::newRow("two per page") << "letter" << 2 << false << false << 3;
        QTest::newRow("6x9 print-ready four") << "6x9" << 4 << false << true << 5;
    }

    void previewPageEqualsPdfPage()
    {
        QFETCH(QString, paper);
        QFETCH(int, perPage);
        QFETCH(bool, candidates);
        QFETCH(bool, printReady);
        QFETCH(int, level);
        book::TBookSettings settings;
        settings.Paper = paper.toStdString();
        settings.PuzzlesPerPage = perPage;
        settings.Candidates = candidates;
        settings.PrintReady = printReady;
        settings.LevelIndex = level;
        settings.Title = printReady ? "Preview Check" : "";
        const book::TPreview preview = MakePreview(settings);
        QVERIFY(preview.Pages >= 2);
        QCOMPARE(preview.Settings.PageCount, book::kPreviewPuzzlePages);
        const QString pdf = MakePdf(preview, QTest::currentDataTag());

        // The first puzzle page and the first answer page, and a wrong page for contrast.
        const int answers = preview.FirstPuzzlePage + book::kPreviewPuzzlePages;
        for (int page : {preview.FirstPuzzlePage, answers}) {
            const QImage painted = app::PaintPageImage(Bytes(preview.Stream), page,
                                                       preview.PageWidth, preview.PageHeight, kDpi);
            const QImage printed = Rasterise(pdf, page);
            QVERIFY(!printed.isNull());
            QVERIFY2(std::abs(painted.width() - printed.width()) <= 1 &&
                         std::abs(painted.height() - printed.height()) <= 1,
                     qPrintable(QStringLiteral("%1x%2 vs %3x%4")
                                    .arg(painted.width())
                                    .arg(painted.height())
                                    .arg(printed.width())
                                    .arg(printed.height())));
            const TDifference same = Compare(painted, printed);
            if (qEnvironmentVariableIsSet("GQ_KEEP_PAGES")) {
                painted.save(QStringLiteral("/tmp/painted-%1-%2.png")
                                 .arg(QTest::currentDataTag())
                                 .arg(page));
                printed.save(QStringLiteral("/tmp/printed-%1-%2.png")
                                 .arg(QTest::currentDataTag())
                                 .arg(page));
            }
            qInfo("page %d: mean %.2f, worst %.1f", page, same.Mean, same.Worst);
            // Glyph shapes and the smoothing of hairlines differ a little between the two
            // rasterisers; a digit or line out of place makes a block far worse.
            QVERIFY2(same.Mean < 6 && same.Worst < 75,
                     qPrintable(QStringLiteral("page %1: mean %2, worst %3")
                                    .arg(page)
                                    .arg(same.Mean)
                                    .arg(same.Worst)));
            // The comparison tells pages apart: the neighbouring page is far off.
            const QImage other = Rasterise(pdf, page == answers ? page - 1 : page + 1);
            const TDifference apart = Compare(painted, other);
            qInfo("apart: mean %.2f, worst %.1f", apart.Mean, apart.Worst);
            QVERIFY2(
                apart.Worst > 50 && apart.Worst > 1.5 * same.Worst,
                qPrintable(
                    QStringLiteral("apart: mean %1, worst %2").arg(apart.Mean).arg(apart.Worst)));
        }
    }

    // A preview is small whatever the book: a few pages of each section, no cover, no file.
    void previewSettingsAreSmall()
    {
        book::TBookSettings settings;
        settings.PageCount = 200;
        settings.PuzzlesPerPage = 4;
        settings.PdfPath = "/books/out.pdf";
        settings.Cover.Make = true;
        settings.Sections = {{0, 300}, {4, 1}};
        settings.WorkedSolutions = 6;
        const book::TBookSettings small = book::PreviewSettings(settings);
        QCOMPARE(small.PageCount, book::kPreviewPuzzlePages);
        QCOMPARE(small.Sections.at(0).Count, book::kPreviewPuzzlePages * 4);
        QCOMPARE(small.Sections.at(1).Count, 1);
        QVERIFY(!small.Cover.Make);
        QVERIFY(small.PdfPath.empty());
        QCOMPARE(small.WorkedSolutions, 1);
        QCOMPARE(small.LevelIndex, settings.LevelIndex);

        const book::TBookSettings one = book::PreviewSettings(book::TBookSettings{});
        QCOMPARE(one.PageCount, book::kPreviewPuzzlePages);
        book::TBookSettings single;
        single.PageCount = 1;
        QCOMPARE(book::PreviewSettings(single).PageCount, 1);
    }

    // Settings a book refuses are refused by the preview, with the book's message.
    void refusedSettings()
    {
        book::TBookPreviewMaker maker;
        book::TBookSettings settings;
        settings.Paper = "napkin";
        QVERIFY_THROWS_EXCEPTION(Error, maker.Make(settings));
        settings.Paper = "letter";
        settings.PuzzlesPerPage = 4;
        settings.Candidates = true;
        QVERIFY_THROWS_EXCEPTION(Error, maker.Make(settings));
        // A page the stream does not have is a stream error, not a crash.
        settings.Candidates = false;
        const book::TPreview preview = maker.Make(settings);
        QVERIFY_THROWS_EXCEPTION(pdf::TPageStreamError,
                                 app::PaintPageImage(Bytes(preview.Stream), preview.Pages + 1,
                                                     preview.PageWidth, preview.PageHeight, 20));
    }

    // A preview of a book with worked solutions has the worked pages the book has.
    void workedPagesArePreviewed()
    {
        book::TBookPreviewMaker maker;
        book::TBookSettings settings;
        settings.WorkedSolutions = 1;
        settings.Hints = true;
        const std::string stream = maker.Make(settings).Stream;
        QVERIFY(stream.find("Worked solution: Sudoku #1") != std::string::npos);
        QVERIFY(stream.find("Hints") != std::string::npos);
    }

    // A preview of a book of generated puzzles shows them, as the book does.
    void puzzleTypesArePreviewed()
    {
        // One-letter texts (a length byte of 1, then A..G): 16 x 16 grids hold their 10 to 16
        // as letters, classic pages hold none beyond chance bytes.
        auto letters = [](const std::string& stream) {
            int count = 0;
            for (char letter = 'A'; letter <= 'G'; ++letter)
                for (std::size_t at = stream.find(std::string{'\x01', letter});
                     at != std::string::npos; at = stream.find(std::string{'\x01', letter}, at + 1))
                    ++count;
            return count;
        };
        book::TBookPreviewMaker maker;
        book::TBookSettings settings;
        const int classic = letters(maker.Make(settings).Stream);
        settings.Variant = "16x16";
        const book::TPreview preview = maker.Make(settings);
        QVERIFY2(
            letters(preview.Stream) > classic + 40,
            qPrintable(QStringLiteral("%1 against %2").arg(letters(preview.Stream)).arg(classic)));
        QVERIFY(!app::PaintPageImage(Bytes(preview.Stream), preview.FirstPuzzlePage,
                                     preview.PageWidth, preview.PageHeight, 20)
                     .isNull());
    }

    void streamText()
    {
        QCOMPARE(app::FromStreamText("Sudoku"), QString("Sudoku"));
        QCOMPARE(app::FromStreamText("\x96 \xA9 \xE9"), QString::fromUtf8("\u2013 \u00A9 \u00E9"));
        QCOMPARE(app::StreamColor(0x00FF8000), QColor(0x00, 0x80, 0xFF));
    }

    // Printing goes through the same painter: a PDF printer gets every page of the book on the
    // printer's paper, with a warning when that paper is not the book's.
    void printsOnThePrintersPaper_data()
    {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<bool>("warned");
        QTest::newRow("letter on letter") << "letter" << false;
        QTest::newRow("6x9 on letter") << "6x9" << true;
    }

    void printsOnThePrintersPaper()
    {
        QFETCH(QString, paper);
        QFETCH(bool, warned);
        book::TBookSettings settings;
        settings.Paper = paper.toStdString();
        settings.PrintReady = paper != "letter";
        settings.PageCount = 1;
        book::TBookPreviewMaker maker;
        const book::TPreview whole = maker.MakeBook(settings);
        QCOMPARE(whole.Pages, book::BookPageCount(settings));

        const QString output = m_dir.filePath("printed-" + paper + ".pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(output);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        const QString warning = app::PrintPages(printer, whole);
        QCOMPARE(!warning.isEmpty(), warned);
        if (warned)
            QVERIFY2(warning.contains("6 x 9 in") && warning.contains("8.5 x 11 in"),
                     qPrintable(warning));

        QProcess pdfinfo;
        pdfinfo.start(GQ_PDFINFO, {output});
        QVERIFY(pdfinfo.waitForFinished(30000));
        const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput());
        QVERIFY2(
            info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\b").arg(whole.Pages))),
            qPrintable(info));
        QVERIFY2(info.contains("612 x 792"), qPrintable(info));

        // Only the chosen pages.
        QPrinter some(QPrinter::HighResolution);
        some.setOutputFormat(QPrinter::PdfFormat);
        some.setOutputFileName(m_dir.filePath("some.pdf"));
        app::PrintPages(some, whole, 2, 9999);
        pdfinfo.start(GQ_PDFINFO, {m_dir.filePath("some.pdf")});
        QVERIFY(pdfinfo.waitForFinished(30000));
        const QString someInfo = QString::fromUtf8(pdfinfo.readAllStandardOutput());
        QVERIFY2(someInfo.contains(
                     QRegularExpression(QStringLiteral("Pages:\\s+%1\\b").arg(whole.Pages - 1))),
                 qPrintable(someInfo));
    }

    void paperWarning()
    {
        QVERIFY(app::PaperWarning(8.5, 11, 8.5, 11).isEmpty());
        QVERIFY(app::PaperWarning(8.5, 11, 8.51, 10.99).isEmpty());
        const QString a4 = app::PaperWarning(8.5, 11, 8.27, 11.69);
        QVERIFY2(a4.contains("97 %"), qPrintable(a4));
    }
};

QTEST_MAIN(TPreviewTest)
#include "PreviewTest.moc"
