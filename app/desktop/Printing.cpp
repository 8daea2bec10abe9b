#include "app/desktop/Printing.h"

#include "app/desktop/Desktop.h"
#include "app/desktop/PagePainter.h"
#include "gq/Error.h"

#include <QApplication>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace gq::app
{

QString PaperWarning(double bookWidth, double bookHeight, double paperWidth, double paperHeight)
{
    constexpr double kSame = 0.02; // inches
    if (std::abs(bookWidth - paperWidth) <= kSame && std::abs(bookHeight - paperHeight) <= kSame)
        return {};
    const double scale = std::min(paperWidth / bookWidth, paperHeight / bookHeight);
    return QStringLiteral("The book's pages are %1 x %2 in, the printer's paper is %3 x %4 in: "
                          "the pages are printed at %5 % of their size.")
        .arg(bookWidth, 0, 'g', 4)
        .arg(bookHeight, 0, 'g', 4)
        .arg(paperWidth, 0, 'g', 4)
        .arg(paperHeight, 0, 'g', 4)
        .arg(std::lround(scale * 100));
}

QString PrintPages(QPrinter& printer, const book::TPreview& book, int firstPage, int lastPage)
{
    printer.setFullPage(true);
    const double dpi = printer.resolution();
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const double paperWidth = paper.width() / dpi;
    const double paperHeight = paper.height() / dpi;
    const int last = lastPage <= 0 ? book.Pages : std::min(lastPage, book.Pages);
    const int first = std::clamp(firstPage, 1, std::max(1, last));

    QPainter painter;
    if (!painter.begin(&printer))
        throw Error("The printer " + printer.printerName().toStdString() +
                    " could not be started.");
    const double scale = std::min(paperWidth / book.PageWidth, paperHeight / book.PageHeight);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(book.Stream.data());
    for (int page = first; page <= last; ++page) {
        if (page > first)
            printer.newPage();
        painter.save();
        painter.translate((paperWidth - book.PageWidth * scale) / 2 * dpi,
                          (paperHeight - book.PageHeight * scale) / 2 * dpi);
        painter.scale(scale, scale);
        TPagePainter renderer(painter, dpi);
        renderer.PaintPage({bytes, book.Stream.size()}, page);
        painter.restore();
    }
    painter.end();
    return PaperWarning(book.PageWidth, book.PageHeight, paperWidth, paperHeight);
}

void PrintBook(QWidget* parent, IDesktop& desktop, const book::TBookSettings& settings)
{
    book::TPreview whole;
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        book::TBookPreviewMaker maker;
        whole = maker.MakeBook(settings);
        QApplication::restoreOverrideCursor();
    } catch (const std::exception& failure) {
        QApplication::restoreOverrideCursor();
        desktop.ShowError(parent, QString::fromUtf8(failure.what()));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QSizeF(whole.PageWidth, whole.PageHeight), QPageSize::Inch,
                                  QString(), QPageSize::ExactMatch));
    printer.setFromTo(1, whole.Pages);
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, whole.Pages);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool range = printer.printRange() == QPrinter::PageRange;
    try {
        const QString warning = PrintPages(printer, whole, range ? printer.fromPage() : 1,
                                           range ? printer.toPage() : 0);
        if (!warning.isEmpty())
            desktop.ShowError(parent, warning);
    } catch (const std::exception& failure) {
        desktop.ShowError(parent, QString::fromUtf8(failure.what()));
    }
}

} // namespace gq::app
