#pragma once

#include "book/BookSettings.h"

#include <QDialog>
#include <QString>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace gq::app
{

/// The choices of "Book Setup...". Every start of the program begins with these defaults: a
/// Letter book as the window has always made it.
struct TBookSetup
{
    std::string Paper = "letter"; ///< a name of book::Papers()
    bool PrintReady = false;
    bool PdfX = false; ///< implies PrintReady
    QString Title;
    QString Author;
    int Volume = 0; ///< 0: none

    /// Copies the choices into the settings of a run (title and author as UTF-8).
    void ApplyTo(book::TBookSettings& settings) const;
};

/// The "Book Setup" dialog: paper size, "Print-ready", "PDF/X-1a", title, author and volume.
/// Object names: "PaperBox", "PrintReadyBox", "PdfxBox", "TitleEdit", "AuthorEdit",
/// "VolumeSpin", "ErrorLabel", "OkButton", "CancelButton". Ticking PDF/X-1a ticks and locks
/// Print-ready, since a PDF/X book is always print-ready.
class TBookSetupDialog : public QDialog
{
  public:
    explicit TBookSetupDialog(QWidget* parent = nullptr);

    /// Shows `setup` in the controls.
    void SetSetup(const TBookSetup& setup);
    /// What the controls hold now.
    TBookSetup Setup() const;

    /// "OK": accepts when the title and author can be printed; otherwise names the character
    /// in the error line and stays open.
    void OkClick();
    /// The error line's text; empty when there is none.
    QString ErrorText() const;

  private:
    void PdfxClick();

    QComboBox* m_paper = nullptr;
    QCheckBox* m_printReady = nullptr;
    QCheckBox* m_pdfx = nullptr;
    QLineEdit* m_title = nullptr;
    QLineEdit* m_author = nullptr;
    QSpinBox* m_volume = nullptr;
    QLabel* m_error = nullptr;
};

} // namespace gq::app
