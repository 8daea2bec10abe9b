#pragma once

#include "app/desktop/BookRun.h"
#include "app/desktop/BookSetupDialog.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QApplication;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace gq::app
{

class IDesktop;
class Tfrmwc;

/// "Gridquill 2.2": the application title, also the main window's caption.
QString ApplicationTitle();

/// The program's look: the Fusion style, a light palette and a 12-pixel sans-serif font.
void ApplyLook(QApplication& application);

/// The main window "Form1": the book settings, the sample-page picture, "Create Now" and the
/// progress of a run. Fixed client area 692 x 496. Its controls carry the object names
/// "Image1", "Image2", "Image4", "Imagea1c", "GroupBox1", "Edit1" (page count with its arrows),
/// "manygroup", "cbk_candidates", "ndgroup", "BitBtn2", "gpb", "pb", "Button4" and "Button3",
/// and "BookSetupButton" ("Book Setup...", left of "Visit Velmora").
class TForm1 : public QWidget
{
  public:
    /// Runs the start-up (FormCreate): documents folder, book engine, current folder. Problems
    /// there are shown through `desktop` and start-up goes on. `desktop` must outlive the window.
    TForm1(IDesktop& desktop, BookRunFactory makeBookRun, QWidget* parent = nullptr);
    ~TForm1() override;

    /// Keeps the picture and the check box in step with the puzzles-per-page choice.
    void manygroupClick();
    /// Shows the sample page with or without candidates.
    void cbk_candidatesClick();
    /// "Create Now": asks for the PDF file, confirms replacing it, then makes the book.
    void BitBtn2Click();
    /// "Book Setup...": edits paper, print-ready, PDF/X-1a, large print, bold givens, title,
    /// author, volume, publisher, website, edition, ISBN, answers per page and sections in a
    /// modal dialog, which also opens and saves plan files; OK keeps the choices for the
    /// following books of this run of the program, and takes an opened plan's level, pages,
    /// puzzles per page and candidates into the window. While there are sections the page
    /// count and level are disabled: the sections set them. While large print is chosen
    /// the window holds one puzzle per page without candidates; leaving it gives back the
    /// puzzles-per-page and candidates choices the user had.
    void BookSetupClick();
    /// "Visit Velmora".
    void Button4Click();
    /// "Quit".
    void Button3Click();

    /// The Book Setup choices in force (the defaults until the dialog is accepted).
    const TBookSetup& BookSetup() const { return m_bookSetup; }
    /// The Book Setup dialog, made once for the life of the window.
    TBookSetupDialog& BookSetupDialog() const { return *m_bookSetupDialog; }

    /// The settings the next run reads (PdfPath left empty).
    book::TBookSettings Settings() const;
    /// The book engine, or null when it could not be set up at start.
    IBookRun* BookRun() const { return m_bookRun.get(); }
    /// The completion dialog, made once for the life of the window.
    Tfrmwc& CompletionDialog() const { return *m_frmwc; }
    /// True while a book is being made.
    bool Running() const { return m_running; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class TProgress;
    class TRunLock;

    void CreateControls();
    void FormCreate(const BookRunFactory& makeBookRun);
    void ShowPicture(QLabel* picture);
    /// Locks or frees the puzzles-per-page choice and the candidates box as the Book Setup's
    /// large print asks.
    void FollowLargePrint();
    /// Disables the page count and the level while Book Setup's sections set them instead.
    void FollowSections();
    /// Shows the level, page count, puzzles per page and candidates of `window` (from a plan
    /// opened in Book Setup) in the window's controls.
    void TakeWindowChoices(const book::TBookSettings& window);

    IDesktop& m_desktop;
    std::unique_ptr<IBookRun> m_bookRun;
    std::unique_ptr<TProgress> m_progress;
    QString m_documentsFolder;
    QString m_saveDialogStart; ///< folder (with separator) or last chosen file
    bool m_running = false;

    QLabel* m_image1 = nullptr;
    QLabel* m_image2 = nullptr;
    QLabel* m_image4 = nullptr;
    QLabel* m_imagea1c = nullptr;
    QGroupBox* m_groupBox1 = nullptr;
    QSpinBox* m_edit1 = nullptr;
    QGroupBox* m_manygroup = nullptr;
    QButtonGroup* m_manyButtons = nullptr;
    QCheckBox* m_cbkCandidates = nullptr;
    QGroupBox* m_ndgroup = nullptr;
    QButtonGroup* m_ndButtons = nullptr;
    QPushButton* m_bitBtn2 = nullptr;
    QGroupBox* m_gpb = nullptr;
    QProgressBar* m_pb = nullptr;
    QPushButton* m_button4 = nullptr;
    QPushButton* m_button3 = nullptr;
    Tfrmwc* m_frmwc = nullptr;
    QPushButton* m_bookSetupButton = nullptr;
    TBookSetupDialog* m_bookSetupDialog = nullptr;
    TBookSetup m_bookSetup;
    bool m_largePrintHeld = false;  ///< the window holds one puzzle per page for large print
    int m_heldPerPageItem = 0;      ///< the user's puzzles-per-page item before large print
    bool m_heldCandidates = false;  ///< the user's candidates box before large print
    std::vector<QWidget*> m_inputs; ///< controls locked while a book is made
};

} // namespace gq::app
