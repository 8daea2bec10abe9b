#pragma once

#include "book/BookSettings.h"

#include <QDialog>
#include <QString>

#include <string>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace gq::app
{

/// The choices of "Book Setup...". Every start of the program begins with these defaults: a
/// Letter book as the window has always made it, with every text empty and every box clear.
struct TBookSetup
{
    std::string Paper = "letter"; ///< a name of book::Papers()
    bool PrintReady = false;
    bool PdfX = false;       ///< implies PrintReady
    bool LargePrint = false; ///< implies PrintReady, one puzzle per page and no candidates
    QString Title;
    QString Author;
    int Volume = 0; ///< 0: none
    /// The imprint and bold givens serve print-ready books only. They are kept as typed while
    /// the book is plain (so ticking print-ready again brings them back) but not applied.
    QString Publisher;
    QString Website;
    QString Edition;
    QString Isbn; ///< as typed; empty: none
    bool BoldGivens = false;

    /// Copies the choices into the settings of a run (texts as UTF-8); the imprint and bold
    /// givens only when the book is print-ready.
    void ApplyTo(book::TBookSettings& settings) const;
};

/// The "Book Setup" dialog: paper size, "Print-ready", "PDF/X-1a", "Large print", "Bold givens",
/// title, author, volume, publisher, website, edition and ISBN.
/// Object names: "PaperBox", "PrintReadyBox", "PdfxBox", "LargePrintBox", "BoldGivensBox",
/// "TitleEdit", "AuthorEdit", "VolumeSpin", "PublisherEdit", "WebsiteEdit", "EditionEdit",
/// "IsbnEdit", "ErrorLabel", "OkButton", "CancelButton". Ticking PDF/X-1a or Large print ticks
/// and locks Print-ready, since such a book is always print-ready; the publisher, website,
/// edition, ISBN and Bold givens are enabled only while Print-ready is ticked.
class TBookSetupDialog : public QDialog
{
  public:
    explicit TBookSetupDialog(QWidget* parent = nullptr);

    /// Shows `setup` in the controls.
    void SetSetup(const TBookSetup& setup);
    /// What the controls hold now.
    TBookSetup Setup() const;

    /// "OK": accepts when the book code takes every text (book::CheckPrintSettings); otherwise
    /// shows its message in the error line, focuses the first refused field and stays open.
    void OkClick();
    /// The error line's text; empty when there is none.
    QString ErrorText() const;

  private:
    /// Locks Print-ready while PDF/X-1a or Large print implies it, and enables the fields that
    /// apply to a print-ready book only while it is ticked.
    void FollowPrintReady();
    /// The control holding the first text `settings` has that the book code refuses, with the
    /// book code's message; null when every text is taken.
    std::pair<QWidget*, QString> FirstRefusal(const book::TBookSettings& settings) const;

    QComboBox* m_paper = nullptr;
    QCheckBox* m_printReady = nullptr;
    QCheckBox* m_pdfx = nullptr;
    QCheckBox* m_largePrint = nullptr;
    QCheckBox* m_boldGivens = nullptr;
    QLineEdit* m_title = nullptr;
    QLineEdit* m_author = nullptr;
    QSpinBox* m_volume = nullptr;
    QLineEdit* m_publisher = nullptr;
    QLineEdit* m_website = nullptr;
    QLineEdit* m_edition = nullptr;
    QLineEdit* m_isbn = nullptr;
    QLabel* m_error = nullptr;
};

} // namespace gq::app
