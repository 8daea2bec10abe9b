#pragma once

#include "app/desktop/BookRun.h"
#include "app/desktop/BookSetupDialog.h"
#include "book/BookPreview.h"

#include <QImage>
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
class QSettings;
class QSlider;
class QSpinBox;
class QTimer;

namespace gq::app
{

class IDesktop;
class Tfrmwc;
class TPreviewView;
class TPreviewWorker;

/// "Gridquill 2.2": the application title, also the main window's caption.
QString ApplicationTitle();

/// The program's look: the Fusion style, a light palette and a 12-pixel sans-serif font.
void ApplyLook(QApplication& application);

/// The program's icon: the packaged icon from the icon theme, else the same design drawn here.
QIcon ApplicationIcon();

/// The main window "Form1": the book settings, the preview of the book they make (the
/// sample-page pictures until the first preview is ready), "Create Now" and the progress of a
/// run. Laid out with Qt layouts: it grows and shrinks, its minimum size fits a 1366 x 768
/// screen at 1x and 1920 x 1080 at 2x. Its controls carry the object names "Image1", "Image2",
/// "Image4", "Imagea1c", "PreviewView", "PreviewPageSlider", "PreviewPageLabel", "GroupBox1",
/// "Edit1" (page count with its arrows), "PageRangeLabel", "manygroup", "cbk_candidates",
/// "ndgroup", "BitBtn2", "CancelRunButton", "gpb", "pb", "BookSetupButton", "PrintButton",
/// "Button4" and "Button3".
class TForm1 : public QWidget
{
  public:
    /// Runs the start-up (FormCreate): documents folder, book engine, current folder, the
    /// remembered choices (IDesktop::SettingsFile). Problems there are shown through `desktop`
    /// and start-up goes on. `desktop` must outlive the window. With `livePreview` false no
    /// preview is made (the pictures stay).
    TForm1(IDesktop& desktop, BookRunFactory makeBookRun, QWidget* parent = nullptr,
           bool livePreview = true);
    ~TForm1() override;

    /// Keeps the picture and the check box in step with the puzzles-per-page choice.
    void manygroupClick();
    /// Shows the sample page with or without candidates.
    void cbk_candidatesClick();
    /// "Create Now": asks for the PDF file, confirms replacing it, then makes the book. A
    /// failure shows its message and leaves "Failed: REASON" in the progress group with the
    /// bar at 0; "Cancel" stops the run at its next step and leaves nothing behind.
    void BitBtn2Click();
    /// "Cancel" during a run: the run stops at its next progress step.
    void CancelRunClick();
    /// "Book Setup...": edits the choices of TBookSetup in a modal dialog, which also opens
    /// and saves plan files; OK keeps them (and remembers them), and takes an opened plan's
    /// level, pages, puzzles per page and candidates into the window. While there are sections
    /// the page count and level are disabled: the sections set them. While large print is
    /// chosen the window holds one puzzle per page without candidates; leaving it gives back
    /// the puzzles-per-page and candidates choices the user had.
    void BookSetupClick();
    /// "Print...": prints the book the settings make (see PrintBook in Printing.h).
    void PrintClick();
    /// "Visit Velmora"; when no browser can be started, the address is shown.
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
    /// The folder the first save dialog opens in: the documents folder, else the home folder.
    const QString& DocumentsFolderInUse() const { return m_documentsFolder; }

    /// The preview on show, or null before the first one is ready.
    const book::TPreview* Preview() const { return m_preview.get(); }
    /// True when the preview on show is of the current settings.
    bool PreviewCurrent() const;
    /// The page of the preview on show (1-based).
    int PreviewPage() const;
    /// Why the last preview could not be made; empty when it was.
    const QString& PreviewError() const { return m_previewError; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    class TProgress;
    class TRunLock;
    struct TCancelled;

    void CreateControls();
    void SetTabOrderAndHelp();
    void FormCreate(const BookRunFactory& makeBookRun);
    void ShowPicture(QLabel* picture);
    /// Locks or frees the puzzles-per-page choice and the candidates box as the Book Setup's
    /// large print asks.
    void FollowLargePrint();
    /// Disables the page count and the level while Book Setup's sections set them instead.
    void FollowSections();
    /// Shows the level, page count, puzzles per page and candidates of `window` (from a plan
    /// opened in Book Setup or the remembered choices) in the window's controls.
    void TakeWindowChoices(const book::TBookSettings& window);
    /// Something the book depends on changed: remember the choices and ask for a preview.
    void SettingsChanged();
    void LoadRememberedChoices();
    void RememberChoices() const;
    /// Asks the worker for the preview of the current settings.
    void RequestPreview();
    void TakePreview(int generation, std::shared_ptr<book::TPreview> preview, QString error);
    void ShowPreviewPage();
    /// The progress group after a run that did not finish: `caption`, the bar at 0.
    void ResetProgress(const QString& caption);
    /// Opens `url`; when nothing could be started, shows `shown` (a path or address) instead.
    void OpenOrShow(const QUrl& url, const QString& what, const QString& shown);

    IDesktop& m_desktop;
    std::unique_ptr<IBookRun> m_bookRun;
    std::unique_ptr<TProgress> m_progress;
    std::unique_ptr<QSettings> m_remembered;
    QString m_documentsFolder;
    QString m_saveDialogStart; ///< folder (with separator) or last chosen file
    bool m_running = false;
    bool m_cancelRequested = false;
    bool m_closeAfterRun = false;
    bool m_loading = false; ///< choices are being put into the controls: nothing is remembered

    QLabel* m_image1 = nullptr;
    QLabel* m_image2 = nullptr;
    QLabel* m_image4 = nullptr;
    QLabel* m_imagea1c = nullptr;
    TPreviewView* m_previewView = nullptr;
    QSlider* m_previewSlider = nullptr;
    QLabel* m_previewLabel = nullptr;
    QGroupBox* m_groupBox1 = nullptr;
    QSpinBox* m_edit1 = nullptr;
    QLabel* m_pageRange = nullptr;
    QGroupBox* m_manygroup = nullptr;
    QButtonGroup* m_manyButtons = nullptr;
    QCheckBox* m_cbkCandidates = nullptr;
    QGroupBox* m_ndgroup = nullptr;
    QButtonGroup* m_ndButtons = nullptr;
    QPushButton* m_bitBtn2 = nullptr;
    QPushButton* m_cancelRun = nullptr;
    QGroupBox* m_gpb = nullptr;
    QProgressBar* m_pb = nullptr;
    QPushButton* m_button4 = nullptr;
    QPushButton* m_button3 = nullptr;
    QPushButton* m_printButton = nullptr;
    Tfrmwc* m_frmwc = nullptr;
    QPushButton* m_bookSetupButton = nullptr;
    TBookSetupDialog* m_bookSetupDialog = nullptr;
    TBookSetup m_bookSetup;
    bool m_largePrintHeld = false;  ///< the window holds one puzzle per page for large print
    int m_heldPerPageItem = 0;      ///< the user's puzzles-per-page item before large print
    bool m_heldCandidates = false;  ///< the user's candidates box before large print
    std::vector<QWidget*> m_inputs; ///< controls locked while a book is made

    bool m_livePreview = true;
    TPreviewWorker* m_previewWorker = nullptr;
    QTimer* m_previewTimer = nullptr;
    int m_previewGeneration = 0; ///< of the last request
    int m_shownGeneration = 0;   ///< of the preview on show (or of its failure)
    std::shared_ptr<book::TPreview> m_preview;
    QString m_previewError;
};

} // namespace gq::app
