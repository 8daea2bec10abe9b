#pragma once

#include <QString>
#include <QUrl>

#include <memory>

class QFileDialog;
class QWidget;

namespace gq::app
{

/// Everything the windows ask of the desktop around them: the documents folder, the save
/// dialog, the two-button question, error boxes and the opening of files, folders and web
/// addresses. The windows hold a reference; tests hand in a fake.
class IDesktop
{
  public:
    virtual ~IDesktop() = default;

    /// The user's documents folder, without a trailing separator; may not exist.
    virtual QString DocumentsFolder() = 0;
    /// Asks for the PDF file to write, starting at `start` (a folder ending in a separator, or
    /// the previously chosen file). Returns the chosen path, or the empty text on Cancel.
    virtual QString AskPdfPath(QWidget* parent, const QString& start) = 0;
    /// Asks for a book plan file (TOML) to open, or with `save` one to write (the dialog itself
    /// confirms replacing a file). Returns the chosen path, or the empty text on Cancel.
    virtual QString AskPlanPath(QWidget* parent, bool save) = 0;
    /// Asks whether the existing PDF may be replaced; true only for OK.
    virtual bool ConfirmOverwrite(QWidget* parent) = 0;
    /// Shows a failure's message in a modal box.
    virtual void ShowError(QWidget* parent, const QString& message) = 0;
    /// Hands a file, folder or web address to the desktop's default handler. Returns false when
    /// no handler could be started; the caller tells the user (ShowOpenFailure).
    virtual bool Open(const QUrl& url) = 0;
    /// Says that `what` could not be opened, shows `path` (a file, folder or address) so that
    /// the user can open it by hand, and offers to copy it.
    virtual void ShowOpenFailure(QWidget* parent, const QString& what, const QString& path) = 0;
    /// Asks whether the book being made may be abandoned (the window is being closed); true
    /// only for Yes.
    virtual bool ConfirmCancelRun(QWidget* parent) = 0;
    /// The file the window's choices are remembered in between runs of the program; the empty
    /// text remembers nothing.
    virtual QString SettingsFile() = 0;
};

/// The real desktop: Qt's file dialog and message boxes, the XDG documents folder and the
/// default handlers of QDesktopServices.
class TSystemDesktop final : public IDesktop
{
  public:
    QString DocumentsFolder() override;
    QString AskPdfPath(QWidget* parent, const QString& start) override;
    QString AskPlanPath(QWidget* parent, bool save) override;
    bool ConfirmOverwrite(QWidget* parent) override;
    void ShowError(QWidget* parent, const QString& message) override;
    bool Open(const QUrl& url) override;
    void ShowOpenFailure(QWidget* parent, const QString& what, const QString& path) override;
    bool ConfirmCancelRun(QWidget* parent) override;
    /// "gridquill/gridquill.conf" under the XDG configuration folder ($XDG_CONFIG_HOME, else
    /// ~/.config).
    QString SettingsFile() override;
};

/// The text of the box ShowOpenFailure shows: what failed and the path to open by hand.
QString OpenFailureText(const QString& what, const QString& path);

/// The save dialog for a book: filter "Pdf file (*.pdf)", default suffix "pdf", no overwrite
/// warning of its own, opened on `start` (a folder ending in a separator, or a file path).
std::unique_ptr<QFileDialog> MakeSaveDialog(QWidget* parent, const QString& start);

/// The name a book gets for `path` (book::PdfPathFor): ".pdf" appended when its file name has
/// no extension. Throws gq::Error for a file name that is only the suffix (".pdf").
QString WithDefaultSuffix(const QString& path);

} // namespace gq::app
