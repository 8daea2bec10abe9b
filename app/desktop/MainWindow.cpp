#include "app/desktop/MainWindow.h"

#include "app/desktop/CompletionDialog.h"
#include "app/desktop/Desktop.h"
#include "app/desktop/JpegImage.h"
#include "app/desktop/SamplePages.h"
#include "book/BookMaker.h"
#include "book/BookSettings.h"
#include "book/Publisher.h"
#include "gq/Error.h"
#include "puzzle/Levels.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QStyleFactory>
#include <QUrl>

#include <filesystem>
#include <optional>
#include <system_error>

namespace gq::app
{
namespace
{

/// Height of a caption line in the radio groups' layout, in pixels.
constexpr int kCaptionHeight = 13;
/// Longest stretch, in milliseconds, a run goes without letting paint events through.
constexpr int kPumpIntervalMs = 15;

/// The page-count box: digits only, and only a whole number in its range is taken. Anything else
/// typed (0, 250, an empty box) is undone when editing ends, leaving the previous count.
class TPageCountBox final : public QSpinBox
{
  public:
    using QSpinBox::QSpinBox;

    QValidator::State validate(QString& text, int&) const override
    {
        if (text.isEmpty())
            return QValidator::Intermediate;
        if (text.size() > QString::number(maximum()).size())
            return QValidator::Invalid;
        for (QChar c : text)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return QValidator::Invalid;
        const int count = text.toInt();
        return count >= minimum() && count <= maximum() ? QValidator::Acceptable
                                                        : QValidator::Intermediate;
    }
};

/// Places the buttons of a radio group in columns, top to bottom, as evenly as the group's
/// height allows below its caption.
void ArrangeRadioButtons(QGroupBox& group, const QList<QAbstractButton*>& buttons, int columns)
{
    const int count = static_cast<int>(buttons.size());
    const int perColumn = (count + columns - 1) / columns;
    const int width = (group.width() - 10) / columns;
    const int room = group.height() - kCaptionHeight - 5;
    const int height = room / perColumn;
    const int top = kCaptionHeight + 1 + (room % perColumn) / 2;
    for (int i = 0; i < count; ++i)
        buttons[i]->setGeometry((i / perColumn) * width + 8, (i % perColumn) * height + top, width,
                                height);
}

QGroupBox* MakeRadioGroup(QWidget& parent, const char* name, const QString& caption,
                          const QRect& geometry, const QStringList& items, QButtonGroup*& buttons)
{
    auto* group = new QGroupBox(caption, &parent);
    group->setObjectName(QString::fromLatin1(name));
    group->setGeometry(geometry);
    buttons = new QButtonGroup(group);
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], group);
        radio->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i));
        buttons->addButton(radio, i);
    }
    ArrangeRadioButtons(*group, buttons->buttons(), 2);
    buttons->button(0)->setChecked(true);
    return group;
}

/// The level group's items, in the order of puzzle::Levels().
QStringList LevelCaptions()
{
    QStringList captions;
    for (const puzzle::LevelInfo& level : puzzle::Levels())
        captions << QString::fromLatin1(level.Caption.data(),
                                        static_cast<qsizetype>(level.Caption.size()));
    return captions;
}

/// A white page with a thin frame and the layout's name, shown when a sample picture is
/// missing from the build.
QImage PlaceholderPage(QSize size, const QString& caption)
{
    QImage image(size, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QColor(0xb0, 0xb0, 0xb0));
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.drawText(image.rect(), Qt::AlignCenter, caption);
    return image;
}

QLabel* MakePicture(QWidget& parent, const char* name, const QRect& geometry, TSamplePage page,
                    const QString& caption)
{
    QImage image = DecodeJpeg(SamplePageJpeg(page));
    if (image.isNull())
        image = PlaceholderPage(geometry.size(), caption);
    auto* label = new QLabel(&parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setScaledContents(true);
    label->setPixmap(QPixmap::fromImage(image));
    return label;
}

/// The check mark on "Create Now".
QIcon OkGlyph()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath mark;
    mark.moveTo(3, 8.5);
    mark.lineTo(6.5, 12);
    mark.lineTo(13, 4);
    painter.setPen(QPen(QColor(0x2e, 0x8b, 0x3a), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(mark);
    return QIcon(pixmap);
}

QPushButton* MakeButton(QWidget& parent, const char* name, const QString& caption,
                        const QRect& geometry)
{
    auto* button = new QPushButton(caption, &parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

} // namespace

QString ApplicationTitle() { return QStringLiteral(GQ_APP_TITLE); }

void ApplyLook(QApplication& application)
{
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette = application.style()->standardPalette();
    palette.setColor(QPalette::Window, QColor(0xf3, 0xf4, 0xf6));
    palette.setColor(QPalette::Button, QColor(0xe9, 0xeb, 0xef));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xb2));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    application.setPalette(palette);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    application.setFont(font);
    // Group captions sit on the frame line, so the controls placed below them keep their room.
    application.setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid #c3c8d0; border-radius: 4px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }"));
}

/// Hands the run's progress to the progress group and the completion dialog.
class TForm1::TProgress final : public book::IBookProgress
{
  public:
    explicit TProgress(TForm1& form) : m_form(form) {}

    void SetProgress(int value) override { m_form.m_pb->setValue(value); }
    void SetCaption(std::string_view caption) override
    {
        m_form.m_gpb->setTitle(
            QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    }
    void Repaint() override { m_form.repaint(); }
    void Completed(const std::string& pdfPath) override
    {
        const std::string warning =
            m_form.m_bookRun ? book::SmallGridWarning(m_form.m_bookRun->LastBookFacts()) : "";
        m_form.m_frmwc->ShowFor(QFile::decodeName(QByteArray::fromStdString(pdfPath)),
                                QString::fromStdString(warning));
    }

  private:
    TForm1& m_form;
};

/// Locks the window's controls for the length of a run and gives each its state back after.
class TForm1::TRunLock
{
  public:
    explicit TRunLock(TForm1& form) : m_form(form)
    {
        m_form.m_running = true;
        for (QWidget* input : m_form.m_inputs) {
            m_enabled.push_back(input->isEnabled());
            input->setEnabled(false);
        }
    }
    ~TRunLock()
    {
        for (std::size_t i = 0; i < m_enabled.size(); ++i)
            m_form.m_inputs[i]->setEnabled(m_enabled[i]);
        m_form.m_running = false;
    }
    TRunLock(const TRunLock&) = delete;
    TRunLock& operator=(const TRunLock&) = delete;

  private:
    TForm1& m_form;
    std::vector<bool> m_enabled;
};

TForm1::TForm1(IDesktop& desktop, BookRunFactory makeBookRun, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_desktop(desktop), m_progress(std::make_unique<TProgress>(*this))
{
    setObjectName(QStringLiteral("Form1"));
    setFixedSize(692, 496);
    CreateControls();
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    FormCreate(makeBookRun);
}

TForm1::~TForm1() = default;

void TForm1::CreateControls()
{
    m_image1 = MakePicture(*this, "Image1", {0, 0, 409, 527}, TSamplePage::OnePerPage,
                           QStringLiteral("1 puzzle per page"));
    m_image2 = MakePicture(*this, "Image2", {0, 0, 409, 499}, TSamplePage::TwoPerPage,
                           QStringLiteral("2 puzzles per page"));
    m_image4 = MakePicture(*this, "Image4", {0, 0, 409, 527}, TSamplePage::FourPerPage,
                           QStringLiteral("4 puzzles per page"));
    m_imagea1c =
        MakePicture(*this, "Imagea1c", {0, -3, 409, 527}, TSamplePage::OnePerPageCandidates,
                    QStringLiteral("1 puzzle per page with candidates"));
    ShowPicture(m_image1);

    m_groupBox1 =
        new QGroupBox(QStringLiteral("Number of Pages (Max:%1)").arg(book::kMaxPageCount), this);
    m_groupBox1->setObjectName(QStringLiteral("GroupBox1"));
    m_groupBox1->setGeometry(424, 11, 257, 63);
    // The edit box and its up-down arrows are one spin box spanning both.
    m_edit1 = new TPageCountBox(m_groupBox1);
    m_edit1->setObjectName(QStringLiteral("Edit1"));
    m_edit1->setGeometry(18, 29, 121 + 15, 21);
    m_edit1->setLocale(QLocale::c());
    m_edit1->setKeyboardTracking(false);
    m_edit1->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);

    m_manygroup =
        MakeRadioGroup(*this, "manygroup", QStringLiteral("Puzzles per page"), {424, 83, 257, 95},
                       {QStringLiteral("1 puzzle per page"), QStringLiteral("2 puzzles per page"),
                        QStringLiteral("4 puzzles per page")},
                       m_manyButtons);
    connect(m_manyButtons, &QButtonGroup::idClicked, this, [this] { manygroupClick(); });

    m_cbkCandidates = new QCheckBox(QStringLiteral("Print Candidates"), this);
    m_cbkCandidates->setObjectName(QStringLiteral("cbk_candidates"));
    m_cbkCandidates->setGeometry(556, 144, 114, 17);
    connect(m_cbkCandidates, &QCheckBox::clicked, this, [this] { cbk_candidatesClick(); });

    m_ndgroup = MakeRadioGroup(*this, "ndgroup", QStringLiteral("Sudoku level"),
                               {426, 185, 255, 130}, LevelCaptions(), m_ndButtons);

    m_bitBtn2 = MakeButton(*this, "BitBtn2", QStringLiteral("Create Now"), {496, 322, 113, 33});
    m_bitBtn2->setIcon(OkGlyph());
    connect(m_bitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

    m_gpb = new QGroupBox(this);
    m_gpb->setObjectName(QStringLiteral("gpb"));
    m_gpb->setGeometry(428, 358, 244, 50);
    m_gpb->hide();
    m_pb = new QProgressBar(m_gpb);
    m_pb->setObjectName(QStringLiteral("pb"));
    m_pb->setGeometry(16, 22, 217, 16);
    m_pb->setRange(0, 100);
    m_pb->setValue(0);
    m_pb->setTextVisible(false);

    m_button4 = MakeButton(*this, "Button4", QStringLiteral("Visit Velmora"), {567, 422, 118, 30});
    connect(m_button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    m_button3 = MakeButton(*this, "Button3", QStringLiteral("Quit"), {567, 459, 118, 29});
    connect(m_button3, &QPushButton::clicked, this, [this] { Button3Click(); });

    // Below the progress group, beside "Visit Velmora": clear of every other control.
    m_bookSetupButton =
        MakeButton(*this, "BookSetupButton", QStringLiteral("Book Setup..."), {428, 422, 118, 30});
    connect(m_bookSetupButton, &QPushButton::clicked, this, [this] { BookSetupClick(); });
    m_bookSetupDialog = new TBookSetupDialog(m_desktop, this);

    m_inputs = {m_groupBox1, m_manygroup, m_cbkCandidates, m_ndgroup,
                m_bitBtn2,   m_button4,   m_button3,       m_bookSetupButton};
    m_frmwc = new Tfrmwc(m_desktop, this);
}

void TForm1::FormCreate(const BookRunFactory& makeBookRun)
{
    m_documentsFolder = m_desktop.DocumentsFolder();
    if (!m_documentsFolder.isEmpty() && !m_documentsFolder.endsWith(QLatin1Char('/')))
        m_documentsFolder += QLatin1Char('/');
    m_saveDialogStart = m_documentsFolder;

    // The book engine puts its page stream in a private temporary folder; when that cannot be
    // set up, the bare file name is used, which lands in the current (documents) folder.
    try {
        m_bookRun = makeBookRun({});
    } catch (const std::exception& failure) {
        m_desktop.ShowError(this, QString::fromUtf8(failure.what()));
        try {
            m_bookRun = makeBookRun(std::string(book::kPageStreamName));
        } catch (const std::exception& second) {
            m_desktop.ShowError(this, QString::fromUtf8(second.what()));
        }
    }
    if (m_bookRun) {
        m_bookRun->SetMessagePump([timer = QElapsedTimer()]() mutable {
            if (timer.isValid() && timer.elapsed() < kPumpIntervalMs)
                return;
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            timer.start();
        });
    }

    setWindowTitle(ApplicationTitle());
    m_edit1->setRange(book::kMinPageCount, book::kMaxPageCount);
    m_edit1->setValue(book::kDefaultPageCount);

    if (!m_documentsFolder.isEmpty()) {
        std::error_code error;
        std::filesystem::current_path(QFile::encodeName(m_documentsFolder).toStdString(), error);
        if (error)
            m_desktop.ShowError(
                this, QStringLiteral("Cannot make the documents folder %1 the "
                                     "current folder: %2")
                          .arg(m_documentsFolder, QString::fromStdString(error.message())));
    }
}

void TForm1::ShowPicture(QLabel* picture)
{
    for (QLabel* each : {m_image1, m_image2, m_image4, m_imagea1c})
        each->setVisible(each == picture);
}

void TForm1::manygroupClick()
{
    const int item = m_manyButtons->checkedId();
    if (item < 0 || item >= static_cast<int>(book::kPuzzlesPerPageChoices.size()))
        return;
    QLabel* const pictures[] = {m_image1, m_image2, m_image4};
    ShowPicture(pictures[item]);
    // The box follows the book's rule; a box that cannot apply is cleared, not just greyed.
    const bool allowed =
        book::CandidatesAllowed(book::kPuzzlesPerPageChoices[static_cast<std::size_t>(item)]);
    if (!allowed)
        m_cbkCandidates->setChecked(false);
    m_cbkCandidates->setEnabled(allowed);
}

void TForm1::cbk_candidatesClick()
{
    ShowPicture(m_cbkCandidates->isChecked() ? m_imagea1c : m_image1);
}

void TForm1::Button4Click()
{
    m_desktop.Open(QUrl(QString::fromUtf8(book::kPublisherUrl.data(),
                                          static_cast<qsizetype>(book::kPublisherUrl.size()))));
}

void TForm1::Button3Click() { close(); }

void TForm1::BookSetupClick()
{
    if (m_running)
        return;
    m_bookSetupDialog->SetSetup(m_bookSetup);
    const book::TBookSettings before = Settings();
    m_bookSetupDialog->SetWindowChoices(before);
    if (m_bookSetupDialog->exec() != QDialog::Accepted)
        return;
    if (m_bookSetupDialog->WindowChoices() != before) // a plan was opened
        TakeWindowChoices(m_bookSetupDialog->WindowChoices());
    m_bookSetup = m_bookSetupDialog->Setup();
    FollowLargePrint();
    FollowSections();
}

void TForm1::TakeWindowChoices(const book::TBookSettings& window)
{
    m_ndButtons->button(window.LevelIndex)->setChecked(true);
    m_edit1->setValue(window.PageCount);
    const auto perPage = std::ranges::find(book::kPuzzlesPerPageChoices, window.PuzzlesPerPage);
    const int item = perPage == book::kPuzzlesPerPageChoices.end()
                         ? 0
                         : static_cast<int>(perPage - book::kPuzzlesPerPageChoices.begin());
    if (m_largePrintHeld) { // given back when large print ends
        m_heldPerPageItem = item;
        m_heldCandidates = window.Candidates;
        return;
    }
    m_manyButtons->button(item)->setChecked(true);
    manygroupClick();
    m_cbkCandidates->setChecked(window.Candidates && m_cbkCandidates->isEnabled());
    if (item == 0)
        cbk_candidatesClick();
}

void TForm1::FollowSections()
{
    const bool sections = !m_bookSetup.Sections.empty();
    m_groupBox1->setEnabled(!sections);
    m_ndgroup->setEnabled(!sections);
    const QString why =
        sections ? QStringLiteral("The sections chosen in Book Setup... set the levels and the "
                                  "number of puzzles; remove them there to choose here again.")
                 : QString();
    m_groupBox1->setToolTip(why);
    m_ndgroup->setToolTip(why);
}

void TForm1::FollowLargePrint()
{
    const bool large = m_bookSetup.LargePrint;
    if (large == m_largePrintHeld)
        return;
    m_largePrintHeld = large;
    if (large) {
        m_heldPerPageItem = m_manyButtons->checkedId();
        m_heldCandidates = m_cbkCandidates->isChecked();
        m_manyButtons->button(0)->setChecked(true);
        m_cbkCandidates->setChecked(false);
        manygroupClick();
        m_cbkCandidates->setEnabled(false);
    } else {
        m_manyButtons->button(m_heldPerPageItem)->setChecked(true);
        manygroupClick();
        m_cbkCandidates->setChecked(m_heldCandidates && m_cbkCandidates->isEnabled());
        if (m_cbkCandidates->isChecked())
            cbk_candidatesClick();
    }
    m_manygroup->setEnabled(!large);
    const QString why =
        large ? QStringLiteral("A large-print book has one puzzle per page and no candidates; "
                               "Book Setup... turns large print off.")
              : QString();
    m_manygroup->setToolTip(why);
    m_cbkCandidates->setToolTip(why);
}

book::TBookSettings TForm1::Settings() const
{
    book::TBookSettings settings;
    settings.LevelIndex = m_ndButtons->checkedId();
    settings.PageCount = m_edit1->value();
    settings.PuzzlesPerPage =
        book::kPuzzlesPerPageChoices.at(static_cast<std::size_t>(m_manyButtons->checkedId()));
    settings.Candidates = m_cbkCandidates->isChecked();
    m_bookSetup.ApplyTo(settings);
    return settings;
}

void TForm1::BitBtn2Click()
{
    if (m_running)
        return;
    m_edit1->interpretText(); // a count still being typed is taken (or undone) first

    QString path = m_desktop.AskPdfPath(this, m_saveDialogStart);
    if (path.isEmpty())
        return;
    try {
        path = WithDefaultSuffix(path);
    } catch (const std::exception& refused) {
        m_desktop.ShowError(this, QString::fromUtf8(refused.what()));
        return;
    }
    m_saveDialogStart = path;
    // A file that appears there during the run is not replaced: only what the user agreed to.
    const bool replace = QFileInfo::exists(path);
    if (replace && !m_desktop.ConfirmOverwrite(this))
        return;

    m_pb->setValue(0);
    m_gpb->setTitle(QStringLiteral("Create Sudoku Puzzles ..."));
    m_gpb->show();

    std::optional<QString> failure;
    {
        TRunLock lock(*this);
        repaint();
        try {
            if (!m_bookRun)
                throw Error("The book engine could not be set up at start-up, so no book can be "
                            "made. Restart Gridquill after fixing the problem reported then.");
            book::TBookSettings settings = Settings();
            settings.PdfPath = QFile::encodeName(path).toStdString();
            settings.ReplaceExisting = replace;
            m_bookRun->DeleteOldPages();
            m_bookRun->BuildBook(settings, *m_progress);
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        } catch (...) {
            failure = QString();
        }
    }
    if (failure)
        m_desktop.ShowError(this, failure->isEmpty() ? QStringLiteral("The book could not be made.")
                                                     : *failure);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (m_running)
        event->ignore();
    else
        QWidget::closeEvent(event);
}

} // namespace gq::app
