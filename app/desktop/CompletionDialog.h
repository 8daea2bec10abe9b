#pragma once

#include "book/BookMaker.h"
#include "book/BookSettings.h"

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace gq::app
{

class IDesktop;

/// The completion dialog "frmwc": tells that the book is written and offers to open it or the
/// folder that holds it. Fixed client area 299 x 108; made once and reused for every run. A
/// warning about the book, when there is one, stands below the buttons ("WarningLabel") and the
/// dialog grows to hold it.
class Tfrmwc : public QDialog
{
  public:
    /// `desktop` opens the files and must outlive the dialog.
    explicit Tfrmwc(IDesktop& desktop, QWidget* parent = nullptr);

    /// Shows the dialog modally, centred on the screen, for the book at `pdfPath`, with the
    /// lines of `details` (the book's path, pages and paper, see CompletionDetails) below the
    /// buttons and the one-line `warning` below them, each when it is not empty; returns once
    /// the dialog is closed.
    void ShowFor(const QString& pdfPath, const QString& warning = {}, const QString& details = {});

    /// "Open": hands the PDF to its default program, then closes. When nothing could be
    /// started, the desktop shows the path (IDesktop::ShowOpenFailure) first.
    void Button1Click();
    /// "Open Folder": opens the folder that holds the PDF, then closes; a failure is shown as
    /// for "Open".
    void Button2Click();
    /// "Close".
    void Button3Click();

    const QString& PdfPath() const { return m_pdfPath; }
    /// The warning line of the last showing; empty when it had none.
    QString Warning() const;
    /// The details of the last showing; empty when it had none.
    QString Details() const;

  private:
    /// Places `label` (hidden when `text` is empty) at `top` and returns the top of what follows.
    int PlaceLine(QLabel& label, const QString& text, int top);

    IDesktop& m_desktop;
    QString m_pdfPath;
    QLabel* m_details = nullptr;
    QLabel* m_warning = nullptr;
    int m_width = 0; ///< of the showing, pixels
};

/// What a finished book is, for the completion dialog: its full path, pages and paper; for a
/// print-ready book the publisher line of `settings` (publisher, website, edition, ISBN, where
/// given); the cover's file and summary when one was made.
QString CompletionDetails(const QString& pdfPath, const book::TBookFacts& facts,
                          const book::TBookSettings& settings);

/// The folder part of `path`, without a trailing separator (except for the root itself):
/// "/books/book.pdf" -> "/books". A relative path is taken from the current folder.
QString FolderOf(const QString& path);

} // namespace gq::app
