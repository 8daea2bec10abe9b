#pragma once

#include "book/BookSettings.h"

#include <QDialog>
#include <QString>

#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSettings;
class QSpinBox;
class QTableWidget;

namespace gq::app
{

class IDesktop;

/// The choices of "Book Setup...". Every start of the program begins with these defaults: a
/// Letter book as the window has always made it, with every text empty and every box clear.
struct TBookSetup
{
    std::string Paper = "letter"; ///< a name of book::Papers()
    /// The puzzle type of a book of one level (a variant name other than "classic"); empty:
    /// classic puzzles from the bank. Books with sections are classic.
    std::string Variant;
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
    /// A book of several levels; empty: one level, chosen in the main window. Sections make a
    /// book print-ready.
    std::vector<book::TSection> Sections;
    int AnswersPerPage = 4;   ///< applied to print-ready books only
    bool Hints = false;       ///< a "Hints" section; makes the book print-ready
    int WorkedSolutions = 0;  ///< 0..book::kMaxWorkedSolutions; not 0 makes it print-ready
    bool AnswerNotes = false; ///< each answer names its hardest technique; print-ready
    book::TCoverChoice Cover; ///< "Also make the cover": service, stock and blurb

    bool operator==(const TBookSetup&) const = default;

    /// Copies the choices into the settings of a run (texts as UTF-8); the imprint, bold
    /// givens and answers per page only when the book is print-ready.
    void ApplyTo(book::TBookSettings& settings) const;
    /// The choices of `settings` (the inverse of ApplyTo).
    static TBookSetup Of(const book::TBookSettings& settings);
};

/// Reads the Book Setup choices remembered in `settings` (group "setup"); a missing or
/// unusable value keeps its default.
TBookSetup ReadBookSetup(const QSettings& settings);
/// The highest volume the book `window` describes may have: its level's volumes, or with
/// sections the most any level offers (the run names a section's own limit).
int VolumeLimit(const book::TBookSettings& window);
/// Remembers `setup` in `settings` (group "setup").
void WriteBookSetup(QSettings& settings, const TBookSetup& setup);

/// The "Book Setup" dialog: paper size, "Print-ready", "PDF/X-1a", "Large print", "Bold givens",
/// title, author, volume, publisher, website, edition, ISBN, answers per page and the sections
/// of a book of several levels, and the buttons that open and save a book plan file.
/// Object names: "PaperBox", "PrintReadyBox", "PdfxBox", "LargePrintBox", "BoldGivensBox",
/// "TitleEdit", "AuthorEdit", "VolumeSpin", "PublisherEdit", "WebsiteEdit", "EditionEdit",
/// "IsbnEdit", "AnswersBox", "SectionsTable" (a level box and a count box a row),
/// "AddSectionButton", "RemoveSectionButton", "HintsBox", "WorkedSolutionsSpin",
/// "AnswerNotesBox", "CoverBox" ("Also make the cover"), "CoverServiceBox", "CoverStockBox",
/// "CoverBlurbEdit", "OpenPlanButton", "SavePlanButton", "RestoreDefaultsButton" (puts the
/// defaults of TBookSetup in the controls), "ErrorLabel", "OkButton", "CancelButton". The
/// volume box offers the volumes of the window's level ("VolumeLimitLabel" names them). Ticking
/// PDF/X-1a or Large print ticks and locks Print-ready, since such a book is always print-ready,
/// and so do sections; the publisher, website, edition, ISBN, answers per page and Bold givens are
/// enabled only while Print-ready is ticked.
class TBookSetupDialog : public QDialog
{
  public:
    /// Plan files are asked for, and their problems shown, through `desktop`, which must
    /// outlive the dialog.
    explicit TBookSetupDialog(IDesktop& desktop, QWidget* parent = nullptr);

    /// Shows `setup` in the controls.
    void SetSetup(const TBookSetup& setup);
    /// What the controls hold now.
    TBookSetup Setup() const;

    /// The main window's part of a plan: level, page count, puzzles per page and candidates.
    /// The window sets them before showing the dialog; an opened plan replaces them, and the
    /// window takes them back when the dialog is accepted.
    void SetWindowChoices(const book::TBookSettings& window);
    const book::TBookSettings& WindowChoices() const { return m_window; }

    /// "Open Plan...": reads the chosen plan file (book::ReadPlanFile) into the controls and
    /// the window choices. A plan the book code refuses is shown in a message box, with its
    /// file, line, column and key, and changes nothing. The plan's seed and output are not
    /// used: the window asks for the file when the book is made.
    void OpenPlanClick();
    /// "Save Plan...": writes the book the controls and window choices describe as a plan file,
    /// after the checks OK makes and the whole book's (book::CheckBookSettings); a refusal or a
    /// failure to write is shown in a message box.
    void SavePlanClick();

    /// "OK": accepts when the book code takes every text (book::CheckPrintSettings) and the
    /// sections (book::CheckSections); otherwise shows its message in the error line, focuses
    /// the first refused field and stays open.
    void OkClick();
    /// The error line's text; empty when there is none.
    QString ErrorText() const;

  private:
    /// Locks Print-ready while PDF/X-1a or Large print implies it, and enables the fields that
    /// apply to a print-ready book only while it is ticked.
    void FollowPrintReady();
    /// Adds a row to the sections table: the first level without a section, 10 puzzles.
    void AddSection(book::TSection section);
    std::vector<book::TSection> Sections() const;
    /// The settings of the whole book: the window choices with the controls' choices applied.
    book::TBookSettings BookSettings() const;
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
    QComboBox* m_answers = nullptr;
    QComboBox* m_variant = nullptr;
    QTableWidget* m_sections = nullptr;
    QCheckBox* m_hints = nullptr;
    QSpinBox* m_workedSolutions = nullptr;
    QCheckBox* m_answerNotes = nullptr;
    QCheckBox* m_cover = nullptr;
    QComboBox* m_coverService = nullptr;
    QComboBox* m_coverStock = nullptr;
    QPlainTextEdit* m_coverBlurb = nullptr;
    QLabel* m_volumeLimit = nullptr;
    QLabel* m_error = nullptr;
    IDesktop& m_desktop;
    book::TBookSettings m_window;
    std::string m_coverPath; ///< kept from a plan; the dialog has no field for it
};

} // namespace gq::app
