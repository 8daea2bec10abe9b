#pragma once

#include "book/BookPreview.h"
#include "book/BookSettings.h"

#include <QString>

class QPrinter;
class QWidget;

namespace gq::app
{

class IDesktop;

/// Paints the pages `firstPage`..`lastPage` (1-based, clamped to the book; 0 for the last) of
/// `book` onto `printer` with TPagePainter, at the printer's resolution, each page scaled to
/// fit the printer's paper and centred. Returns a warning when the paper differs from the
/// book's, empty otherwise. Throws gq::Error when the printer cannot be started, and
/// pdf::TPageStreamError for a malformed stream.
QString PrintPages(QPrinter& printer, const book::TPreview& book, int firstPage = 1,
                   int lastPage = 0);

/// The warning PrintPages gives when a page of `bookWidth` x `bookHeight` inches is printed on
/// paper of `paperWidth` x `paperHeight` inches; empty when they agree within 0.02 in.
QString PaperWarning(double bookWidth, double bookHeight, double paperWidth, double paperHeight);

/// "Print...": makes the whole book of `settings` in memory, offers Qt's print dialog (set to
/// the book's paper) and prints the chosen pages. Problems and the paper warning are shown
/// through `desktop`.
void PrintBook(QWidget* parent, IDesktop& desktop, const book::TBookSettings& settings);

} // namespace gq::app
