#include "app/desktop/MainWindow.h"

#include "app/desktop/CompletionDialog.h"
#include "app/desktop/Desktop.h"
#include "app/desktop/JpegImage.h"
#include "app/desktop/Preview.h"
#include "app/desktop/Printing.h"
#include "app/desktop/SamplePages.h"
#include "book/BookMaker.h"
#include "book/BookSettings.h"
#include "book/Publisher.h"
#include "gq/Error.h"
#include "puzzle/Levels.h"
#include "puzzle/PuzzleBank.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>
#include <optional>
#include <system_error>

namespace gq::app
{
namespace
{

/// Longest stretch, in milliseconds, a run goes without letting events through.
constexpr int kPumpIntervalMs = 15;
/// How long the window waits after a change before asking for a preview, milliseconds: a
/// held arrow key or typing asks once.
constexpr int kPreviewDelayMs = 40;

/// The page-count box: digits only. A whole number outside the range is taken as the nearest
/// count in it (0 as 1, 250 as 200) and the range label says so; an empty box gives back the
/// previous count.
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

    void fixup(QString& text) const override
    {
        if (text.isEmpty()) {
            text = QString::number(value()); // the previous count comes back
            return;
        }
        bool number = false;
        const int count = text.toInt(&number);
        if (number)
            text = QString::number(std::clamp(count, minimum(), maximum()));
    }
};

QGroupBox* MakeRadioGroup(QWidget& parent, const char* name, const QString& caption,
                          const QStringList& items, QButtonGroup*& buttons, int rows)
{
    auto* group = new QGroupBox(caption, &parent);
    group->setObjectName(QString::fromLatin1(name));
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(16);
    buttons = new QButtonGroup(group);
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], group);
        radio->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i));
        buttons->addButton(radio, i);
        grid->addWidget(radio, i % rows, i / rows); // top to bottom, then the next column
    }
    buttons->button(0)->setChecked(true);
    return group;
}

/// The level group's items, in the order of puzzle::Levels(), each with its Alt key.
QStringList LevelCaptions()
{
    // A letter of each caption no other control of the window uses.
    static constexpr char kKeys[] = {'V', 'E', 'S', 'H', 'x', 't'};
    QStringList captions;
    int i = 0;
    for (const puzzle::LevelInfo& level : puzzle::Levels()) {
        QString caption =
            QString::fromLatin1(level.Caption.data(), static_cast<qsizetype>(level.Caption.size()));
        if (i < static_cast<int>(std::size(kKeys))) {
            const qsizetype at = caption.indexOf(QLatin1Char(kKeys[i]));
            if (at >= 0)
                caption.insert(at, QLatin1Char('&'));
        }
        captions << caption;
        ++i;
    }
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

QLabel* MakePicture(QWidget& parent, const char* name, QSize size, TSamplePage page,
                    const QString& caption)
{
    QImage image = DecodeJpeg(SamplePageJpeg(page));
    if (image.isNull())
        image = PlaceholderPage(size, caption);
    auto* label = new QLabel(&parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumSize(200, 240);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    label->setPixmap(
        QPixmap::fromImage(image).scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
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

QPushButton* MakeButton(QWidget& parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, &parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumHeight(28);
    return button;
}

/// Settings keys of the window's own choices.
const QString kLevelKey = QStringLiteral("window/level");
const QString kPagesKey = QStringLiteral("window/pages");
const QString kPerPageKey = QStringLiteral("window/puzzlesPerPage");
const QString kCandidatesKey = QStringLiteral("window/candidates");
const QString kLastFileKey = QStringLiteral("window/lastFile");

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

QIcon ApplicationIcon()
{
    QIcon icon = QIcon::fromTheme(QStringLiteral("io.example.Gridquill"));
    if (!icon.isNull())
        return icon;
    // The packaged icon's design: a sheet with a 3 x 3 box grid and three shaded givens.
    for (int size : {16, 32, 64, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 256.0, size / 256.0);
        painter.setPen(QPen(QColor(0xc9, 0xcc, 0xd3), 4));
        painter.setBrush(QColor(0xfb, 0xfa, 0xf5));
        painter.drawRoundedRect(QRectF(14, 14, 228, 228), 30, 30);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xd6, 0xe4, 0xf5));
        for (const QPointF& cell : {QPointF(60, 40), QPointF(138, 99), QPointF(40, 177)})
            painter.drawRect(QRectF(cell, QSizeF(19.6, 19.6)));
        for (int i = 0; i <= 9; ++i) {
            const double at = 40 + i * 19.6;
            painter.setPen(QPen(QColor(0x2b, 0x33, 0x40), i % 3 == 0 ? 5 : 1.6));
            painter.drawLine(QPointF(at, 40), QPointF(at, 216));
            painter.drawLine(QPointF(40, at), QPointF(216, at));
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

/// The run stopped because the user asked for it.
struct TForm1::TCancelled
{};

/// Hands the run's progress to the progress group and the completion dialog, and stops the run
/// at its next step once Cancel was pressed.
class TForm1::TProgress final : public book::IBookProgress
{
  public:
    explicit TProgress(TForm1& form) : m_form(form) {}

    void SetProgress(int value) override
    {
        Pump();
        m_form.m_pb->setValue(value);
    }
    void SetCaption(std::string_view caption) override
    {
        Pump();
        m_form.m_gpb->setTitle(
            QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    }
    void Repaint() override
    {
        m_form.repaint();
        Pump();
    }
    void Completed(const std::string& pdfPath) override
    {
        const QString path = QFile::decodeName(QByteArray::fromStdString(pdfPath));
        const book::TBookFacts facts =
            m_form.m_bookRun ? m_form.m_bookRun->LastBookFacts() : book::TBookFacts();
        m_form.m_cancelRun->setEnabled(false); // the book is written: nothing to cancel
        m_form.m_frmwc->ShowFor(path, QString::fromStdString(book::SmallGridWarning(facts)),
                                CompletionDetails(path, facts, m_settings));
    }

    /// The settings of the run, for the completion dialog.
    void SetSettings(const book::TBookSettings& settings) { m_settings = settings; }

    /// Lets Cancel through and throws TCancelled once it was pressed.
    void Pump()
    {
        QCoreApplication::processEvents();
        if (m_form.m_cancelRequested)
            throw TCancelled();
    }

  private:
    TForm1& m_form;
    book::TBookSettings m_settings;
};

/// Locks the window's controls for the length of a run, shows Cancel, and gives each its state
/// back after.
class TForm1::TRunLock
{
  public:
    explicit TRunLock(TForm1& form) : m_form(form)
    {
        m_form.m_running = true;
        m_form.m_cancelRequested = false;
        // Each control's own state, not what its group makes of it (the candidates box sits in
        // the puzzles-per-page group).
        for (QWidget* input : m_form.m_inputs)
            m_enabled.push_back(!input->testAttribute(Qt::WA_ForceDisabled));
        for (QWidget* input : m_form.m_inputs)
            input->setEnabled(false);
        m_form.m_cancelRun->setEnabled(true);
        m_form.m_cancelRun->show();
    }
    ~TRunLock()
    {
        m_form.m_cancelRun->hide();
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

TForm1::TForm1(IDesktop& desktop, BookRunFactory makeBookRun, QWidget* parent, bool livePreview)
    : QWidget(parent, Qt::Window), m_desktop(desktop),
      m_progress(std::make_unique<TProgress>(*this)), m_livePreview(livePreview)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowIcon(ApplicationIcon());
    CreateControls();
    SetTabOrderAndHelp();
    FormCreate(makeBookRun);
    resize(sizeHint().expandedTo(QSize(760, 560)));
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm1::~TForm1()
{
    delete m_previewWorker; // waits for a preview being made
    m_previewWorker = nullptr;
    // The base class's destructor still closes the window, and a control losing the focus
    // then signals (the page count's editingFinished): nothing may reach this form's part,
    // which is gone by then.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void TForm1::CreateControls()
{
    // Left: the preview of the book (the sample pictures until it is ready) and its pages.
    const QSize pictureSize(409, 527);
    m_image1 = MakePicture(*this, "Image1", pictureSize, TSamplePage::OnePerPage,
                           QStringLiteral("1 puzzle per page"));
    m_image2 = MakePicture(*this, "Image2", {409, 499}, TSamplePage::TwoPerPage,
                           QStringLiteral("2 puzzles per page"));
    m_image4 = MakePicture(*this, "Image4", pictureSize, TSamplePage::FourPerPage,
                           QStringLiteral("4 puzzles per page"));
    m_imagea1c = MakePicture(*this, "Imagea1c", pictureSize, TSamplePage::OnePerPageCandidates,
                             QStringLiteral("1 puzzle per page with candidates"));
    m_previewView = new TPreviewView(this);
    m_previewView->hide();
    auto* pictures = new QGridLayout;
    for (QWidget* picture :
         std::initializer_list<QWidget*>{m_image1, m_image2, m_image4, m_imagea1c, m_previewView})
        pictures->addWidget(picture, 0, 0);
    ShowPicture(m_image1);

    m_previewSlider = new QSlider(Qt::Horizontal, this);
    m_previewSlider->setObjectName(QStringLiteral("PreviewPageSlider"));
    m_previewSlider->setRange(1, 1);
    m_previewSlider->setPageStep(1);
    m_previewSlider->setEnabled(false);
    connect(m_previewSlider, &QSlider::valueChanged, this, [this] { ShowPreviewPage(); });
    m_previewLabel = new QLabel(QStringLiteral("Preview: preparing..."), this);
    m_previewLabel->setObjectName(QStringLiteral("PreviewPageLabel"));
    m_previewLabel->setMinimumWidth(170);
    auto* pages = new QHBoxLayout;
    pages->addWidget(m_previewSlider, 1);
    pages->addWidget(m_previewLabel);
    auto* left = new QVBoxLayout;
    left->addLayout(pictures, 1);
    left->addLayout(pages);

    // Right: the choices, the actions and the progress, top to bottom.
    m_groupBox1 =
        new QGroupBox(QStringLiteral("&Number of Pages (Max:%1)").arg(book::kMaxPageCount), this);
    m_groupBox1->setObjectName(QStringLiteral("GroupBox1"));
    m_edit1 = new TPageCountBox(m_groupBox1);
    m_edit1->setObjectName(QStringLiteral("Edit1"));
    m_edit1->setLocale(QLocale::c());
    m_edit1->setKeyboardTracking(false);
    m_edit1->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    m_edit1->setMinimumWidth(100);
    m_pageRange = new QLabel(
        QStringLiteral("%1 to %2").arg(book::kMinPageCount).arg(book::kMaxPageCount), m_groupBox1);
    m_pageRange->setObjectName(QStringLiteral("PageRangeLabel"));
    auto* pagesRow = new QHBoxLayout(m_groupBox1);
    pagesRow->addWidget(m_edit1);
    pagesRow->addWidget(m_pageRange, 1);

    m_manygroup =
        MakeRadioGroup(*this, "manygroup", QStringLiteral("Puzzles per page"),
                       {QStringLiteral("&1 puzzle per page"), QStringLiteral("&2 puzzles per page"),
                        QStringLiteral("&4 puzzles per page")},
                       m_manyButtons, 2);
    connect(m_manyButtons, &QButtonGroup::idClicked, this, [this] { manygroupClick(); });
    // Below the right-hand column's item, inside the group.
    m_cbkCandidates = new QCheckBox(QStringLiteral("Print C&andidates"), m_manygroup);
    m_cbkCandidates->setObjectName(QStringLiteral("cbk_candidates"));
    static_cast<QGridLayout*>(m_manygroup->layout())->addWidget(m_cbkCandidates, 1, 1);
    connect(m_cbkCandidates, &QCheckBox::clicked, this, [this] { cbk_candidatesClick(); });

    m_ndgroup = MakeRadioGroup(*this, "ndgroup", QStringLiteral("Sudoku level"), LevelCaptions(),
                               m_ndButtons, 3);
    connect(m_ndButtons, &QButtonGroup::idClicked, this, [this] { SettingsChanged(); });

    m_bitBtn2 = MakeButton(*this, "BitBtn2", QStringLiteral("&Create Now"));
    m_bitBtn2->setIcon(OkGlyph());
    m_bitBtn2->setDefault(true);
    connect(m_bitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    m_cancelRun = MakeButton(*this, "CancelRunButton", QStringLiteral("Cance&l"));
    m_cancelRun->hide();
    connect(m_cancelRun, &QPushButton::clicked, this, [this] { CancelRunClick(); });
    auto* actions = new QHBoxLayout;
    actions->addStretch();
    actions->addWidget(m_bitBtn2);
    actions->addWidget(m_cancelRun);
    actions->addStretch();

    m_gpb = new QGroupBox(this);
    m_gpb->setObjectName(QStringLiteral("gpb"));
    m_gpb->hide();
    m_pb = new QProgressBar(m_gpb);
    m_pb->setObjectName(QStringLiteral("pb"));
    m_pb->setRange(0, 100);
    m_pb->setValue(0);
    m_pb->setTextVisible(false);
    auto* progressRow = new QVBoxLayout(m_gpb);
    progressRow->addWidget(m_pb);

    m_bookSetupButton = MakeButton(*this, "BookSetupButton", QStringLiteral("&Book Setup..."));
    connect(m_bookSetupButton, &QPushButton::clicked, this, [this] { BookSetupClick(); });
    m_printButton = MakeButton(*this, "PrintButton", QStringLiteral("&Print..."));
    connect(m_printButton, &QPushButton::clicked, this, [this] { PrintClick(); });
    m_button4 = MakeButton(*this, "Button4", QStringLiteral("Vis&it Velmora"));
    connect(m_button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    m_button3 = MakeButton(*this, "Button3", QStringLiteral("&Quit"));
    connect(m_button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    auto* bottom = new QGridLayout;
    bottom->addWidget(m_bookSetupButton, 0, 0);
    bottom->addWidget(m_printButton, 0, 1);
    bottom->addWidget(m_button4, 1, 0);
    bottom->addWidget(m_button3, 1, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(m_groupBox1);
    right->addWidget(m_manygroup);
    right->addWidget(m_ndgroup);
    right->addLayout(actions);
    right->addWidget(m_gpb);
    right->addStretch(1);
    right->addLayout(bottom);

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(10, 10, 10, 10);
    root->setSpacing(14);
    root->addLayout(left, 1);
    root->addLayout(right, 0);
    // Fits 1366 x 768 at 1x and 1920 x 1080 at 2x (960 x 540 logical) with room for the frame.
    setMinimumSize(640, 480);

    m_bookSetupDialog = new TBookSetupDialog(m_desktop, this);
    m_inputs = {m_groupBox1, m_manygroup, m_cbkCandidates,   m_ndgroup,    m_bitBtn2,
                m_button4,   m_button3,   m_bookSetupButton, m_printButton};
    m_frmwc = new Tfrmwc(m_desktop, this);

    connect(m_edit1, &QSpinBox::valueChanged, this, [this] { SettingsChanged(); });
    connect(m_edit1, &QAbstractSpinBox::editingFinished, this, [this] {
        // Say so when a count outside the range was taken as the nearest one.
        m_pageRange->setText(
            QStringLiteral("%1 to %2").arg(book::kMinPageCount).arg(book::kMaxPageCount));
    });
    connect(
        m_edit1->findChild<QLineEdit*>(), &QLineEdit::textEdited, this,
        [this](const QString& text) {
            bool number = false;
            const int count = text.toInt(&number);
            const bool outside =
                number && (count < book::kMinPageCount || count > book::kMaxPageCount);
            m_pageRange->setText(
                outside
                    ? QStringLiteral("%1 to %2: %3 becomes %4")
                          .arg(book::kMinPageCount)
                          .arg(book::kMaxPageCount)
                          .arg(count)
                          .arg(std::clamp(count, book::kMinPageCount, book::kMaxPageCount))
                    : QStringLiteral("%1 to %2").arg(book::kMinPageCount).arg(book::kMaxPageCount));
        });

    m_previewTimer = new QTimer(this);
    m_previewTimer->setSingleShot(true);
    m_previewTimer->setInterval(kPreviewDelayMs);
    connect(m_previewTimer, &QTimer::timeout, this, [this] { RequestPreview(); });
}

void TForm1::SetTabOrderAndHelp()
{
    // Tab goes as the eye reads: the choices top to bottom, the actions, then the preview.
    const std::vector<QWidget*> order = {m_edit1, m_manyButtons->button(0),
                                         m_manyButtons->button(1), m_manyButtons->button(2),
                                         m_cbkCandidates};
    std::vector<QWidget*> chain = order;
    for (QAbstractButton* level : m_ndButtons->buttons())
        chain.push_back(level);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_bitBtn2, m_cancelRun, m_bookSetupButton, m_printButton,
                                         m_button4, m_button3, m_previewSlider})
        chain.push_back(widget);
    for (std::size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);

    const auto tip = [](QWidget* widget, const char* text) {
        widget->setToolTip(QString::fromUtf8(text));
    };
    tip(m_edit1, "Pages of puzzles in the book, 1 to 200; answer pages come after them");
    tip(m_manyButtons->button(0), "One large puzzle on each page");
    tip(m_manyButtons->button(1), "Two puzzles on each page");
    tip(m_manyButtons->button(2), "Four puzzles on each page");
    tip(m_cbkCandidates,
        "Print the candidate digits in every open cell (one puzzle per page only)");
    const QList<QAbstractButton*> levels = m_ndButtons->buttons();
    for (QAbstractButton* level : levels)
        level->setToolTip(QStringLiteral("Every puzzle of the book at the level \"%1\"")
                              .arg(level->text().remove(QLatin1Char('&'))));
    tip(m_bitBtn2, "Choose where to save the book and make it (Enter)");
    tip(m_cancelRun, "Stop making the book; nothing of it is kept");
    tip(m_bookSetupButton, "Paper, print-ready, title, publisher, sections, cover and more");
    tip(m_printButton, "Print the book the current settings make");
    tip(m_button4, "Open the publisher's web site in the browser");
    tip(m_button3, "Close Gridquill");
    tip(m_previewSlider, "The page of the preview on show");
    for (QLabel* picture : {m_image1, m_image2, m_image4, m_imagea1c})
        tip(picture, "A sample page of the chosen layout; the preview replaces it when ready");
    tip(m_previewView, "The book the current settings make (a few of its pages)");
}

void TForm1::FormCreate(const BookRunFactory& makeBookRun)
{
    // Without a documents folder the home folder serves, silently: it is not the user's fault.
    m_documentsFolder = m_desktop.DocumentsFolder();
    if (m_documentsFolder.isEmpty() || !QFileInfo(m_documentsFolder).isDir())
        m_documentsFolder = QDir::homePath();
    if (!m_documentsFolder.endsWith(QLatin1Char('/')))
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
        // Paints and lets Cancel through while the report runs; the other controls are
        // disabled then.
        m_bookRun->SetMessagePump([this, timer = QElapsedTimer()]() mutable {
            if (timer.isValid() && timer.elapsed() < kPumpIntervalMs)
                return;
            m_progress->Pump();
            timer.start();
        });
    }

    setWindowTitle(ApplicationTitle());
    m_edit1->setRange(book::kMinPageCount, book::kMaxPageCount);
    m_edit1->setValue(book::kDefaultPageCount);

    std::error_code error;
    std::filesystem::current_path(QFile::encodeName(m_documentsFolder).toStdString(), error);
    if (error)
        m_desktop.ShowError(this,
                            QStringLiteral("Cannot make the folder %1 the "
                                           "current folder: %2")
                                .arg(m_documentsFolder, QString::fromStdString(error.message())));

    const QString settingsFile = m_desktop.SettingsFile();
    if (!settingsFile.isEmpty())
        m_remembered = std::make_unique<QSettings>(settingsFile, QSettings::IniFormat);
    LoadRememberedChoices();

    if (m_livePreview)
        m_previewWorker = new TPreviewWorker(
            *this, [this](int generation, std::shared_ptr<book::TPreview> preview, QString why) {
                TakePreview(generation, std::move(preview), std::move(why));
            });
    RequestPreview();
}

void TForm1::LoadRememberedChoices()
{
    if (!m_remembered)
        return;
    m_loading = true;
    const QSettings& saved = *m_remembered;
    book::TBookSettings window;
    window.LevelIndex = std::clamp(saved.value(kLevelKey, 0).toInt(), 0,
                                   static_cast<int>(m_ndButtons->buttons().size()) - 1);
    window.PageCount = std::clamp(saved.value(kPagesKey, book::kDefaultPageCount).toInt(),
                                  book::kMinPageCount, book::kMaxPageCount);
    window.PuzzlesPerPage = saved.value(kPerPageKey, 1).toInt();
    window.Candidates = saved.value(kCandidatesKey, false).toBool();
    m_bookSetup = ReadBookSetup(saved);
    TakeWindowChoices(window);
    FollowLargePrint();
    FollowSections();
    const QString lastFile = saved.value(kLastFileKey).toString();
    if (!lastFile.isEmpty() && QFileInfo(QFileInfo(lastFile).absolutePath()).isDir())
        m_saveDialogStart = lastFile;
    m_loading = false;
}

void TForm1::RememberChoices() const
{
    if (!m_remembered || m_loading)
        return;
    QSettings& saved = *m_remembered;
    const book::TBookSettings settings = Settings();
    saved.setValue(kLevelKey, m_ndButtons->checkedId());
    saved.setValue(kPagesKey, m_edit1->value());
    saved.setValue(kPerPageKey, settings.PuzzlesPerPage);
    saved.setValue(kCandidatesKey, m_cbkCandidates->isChecked());
    if (m_saveDialogStart != m_documentsFolder)
        saved.setValue(kLastFileKey, m_saveDialogStart);
    WriteBookSetup(saved, m_bookSetup);
    saved.sync();
}

void TForm1::SettingsChanged()
{
    // A volume the level does not have is brought within it, so the run cannot fail on it.
    m_bookSetup.Volume = std::min(m_bookSetup.Volume, VolumeLimit(Settings()));
    RememberChoices();
    if (!m_loading)
        m_previewTimer->start();
}

bool TForm1::PreviewCurrent() const
{
    return m_shownGeneration == m_previewGeneration && !m_previewTimer->isActive();
}

int TForm1::PreviewPage() const { return m_previewSlider->value(); }

void TForm1::RequestPreview()
{
    ++m_previewGeneration;
    if (!m_previewWorker) {
        m_shownGeneration = m_previewGeneration;
        return;
    }
    m_previewLabel->setText(QStringLiteral("Preview: preparing..."));
    m_previewWorker->Request(m_previewGeneration, Settings());
}

void TForm1::TakePreview(int generation, std::shared_ptr<book::TPreview> preview, QString error)
{
    if (generation != m_previewGeneration)
        return; // a newer request is on its way
    m_shownGeneration = generation;
    m_previewError = error;
    if (!preview) {
        m_previewLabel->setText(QStringLiteral("No preview"));
        m_previewLabel->setToolTip(error);
        return;
    }
    m_previewLabel->setToolTip(QString());
    m_preview = std::move(preview);
    {
        // Each new preview opens on its first puzzle page, where the settings show most.
        const QSignalBlocker quiet(m_previewSlider);
        m_previewSlider->setRange(1, m_preview->Pages);
        m_previewSlider->setEnabled(m_preview->Pages > 1);
        m_previewSlider->setValue(m_preview->FirstPuzzlePage);
    }
    ShowPicture(nullptr);
    ShowPreviewPage();
}

void TForm1::ShowPreviewPage()
{
    if (!m_preview)
        return;
    const int page = m_previewSlider->value();
    m_previewView->SetPage(m_preview, page);
    m_previewLabel->setText(
        QStringLiteral("Preview page %1 of %2").arg(page).arg(m_preview->Pages));
}

void TForm1::ShowPicture(QLabel* picture)
{
    // Once a preview exists it takes the pictures' place for good.
    if (m_preview || !picture) {
        for (QLabel* each : {m_image1, m_image2, m_image4, m_imagea1c})
            each->hide();
        m_previewView->setVisible(m_preview != nullptr);
        return;
    }
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
    SettingsChanged();
}

void TForm1::cbk_candidatesClick()
{
    ShowPicture(m_cbkCandidates->isChecked() ? m_imagea1c : m_image1);
    SettingsChanged();
}

void TForm1::OpenOrShow(const QUrl& url, const QString& what, const QString& shown)
{
    if (!m_desktop.Open(url))
        m_desktop.ShowOpenFailure(this, what, shown);
}

void TForm1::Button4Click()
{
    const QString address = QString::fromUtf8(book::kPublisherUrl.data(),
                                              static_cast<qsizetype>(book::kPublisherUrl.size()));
    OpenOrShow(QUrl(address), QStringLiteral("The web site"), address);
}

void TForm1::Button3Click() { close(); }

void TForm1::PrintClick()
{
    if (m_running)
        return;
    PrintBook(this, m_desktop, Settings());
}

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
    SettingsChanged();
}

void TForm1::TakeWindowChoices(const book::TBookSettings& window)
{
    if (QAbstractButton* level = m_ndButtons->button(window.LevelIndex))
        level->setChecked(true);
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
    m_manygroup->setEnabled(true); // the candidates box inside follows its own rule below
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
    RememberChoices();
    // A file that appears there during the run is not replaced: only what the user agreed to.
    const bool replace = QFileInfo::exists(path);
    if (replace && !m_desktop.ConfirmOverwrite(this))
        return;

    m_pb->setValue(0);
    m_gpb->setTitle(QStringLiteral("Create Sudoku Puzzles ..."));
    m_gpb->show();

    std::optional<QString> failure;
    bool cancelled = false;
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
            m_progress->SetSettings(settings);
            m_bookRun->DeleteOldPages();
            m_bookRun->BuildBook(settings, *m_progress);
        } catch (const TCancelled&) {
            cancelled = true;
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        } catch (...) {
            failure = QString();
        }
    }
    if (cancelled) {
        ResetProgress(QStringLiteral("Cancelled"));
    } else if (failure) {
        const QString message =
            failure->isEmpty() ? QStringLiteral("The book could not be made.") : *failure;
        ResetProgress(QStringLiteral("Failed: ") + message);
        m_desktop.ShowError(this, message);
    }
    if (m_closeAfterRun)
        close();
}

void TForm1::CancelRunClick()
{
    if (m_running)
        m_cancelRequested = true;
}

void TForm1::ResetProgress(const QString& caption)
{
    m_pb->setValue(0);
    // The whole reason stays readable in the tooltip when the caption is cut.
    const QString firstLine = caption.section(QLatin1Char('\n'), 0, 0);
    m_gpb->setTitle(m_gpb->fontMetrics().elidedText(firstLine, Qt::ElideRight,
                                                    std::max(m_gpb->width() - 24, 120)));
    m_gpb->setToolTip(caption);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        event->ignore();
        if (!m_closeAfterRun && m_desktop.ConfirmCancelRun(this)) {
            m_closeAfterRun = true;
            m_cancelRequested = true;
        }
        return;
    }
    RememberChoices();
    QWidget::closeEvent(event);
}

void TForm1::keyPressEvent(QKeyEvent* event)
{
    // Enter makes the book, as the default button of a dialog would; a focused button takes
    // its own Enter.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !m_running) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled())
            button->click();
        else if (m_bitBtn2->isEnabled())
            m_bitBtn2->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace gq::app
