#pragma once

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
    /// one-line `warning` when it is not empty; returns once the dialog is closed.
    void ShowFor(const QString& pdfPath, const QString& warning = {});

    /// "Open": hands the PDF to its default program, then closes.
    void Button1Click();
    /// "Open Folder": opens the folder that holds the PDF, then closes.
    void Button2Click();
    /// "Close".
    void Button3Click();

    const QString& PdfPath() const { return m_pdfPath; }
    /// The warning line of the last showing; empty when it had none.
    QString Warning() const;

  private:
    IDesktop& m_desktop;
    QString m_pdfPath;
    QLabel* m_warning = nullptr;
};

/// The folder part of `path`, without a trailing separator (except for the root itself):
/// "/books/book.pdf" -> "/books". A relative path is taken from the current folder.
QString FolderOf(const QString& path);

} // namespace gq::app
