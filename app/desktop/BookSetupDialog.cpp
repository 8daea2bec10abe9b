#include "app/desktop/BookSetupDialog.h"

#include "app/desktop/Desktop.h"
#include "book/BookLayout.h"
#include "book/PaperSizes.h"
#include "book/PlanFile.h"
#include "gq/Error.h"
#include "puzzle/Levels.h"
#include "puzzle/PuzzleBank.h"
#include "variant/Variants.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace gq::app
{

namespace
{

/// The highest volume any level offers; the book run names a level's own limit when a volume
/// is beyond it.
int MaxVolume()
{
    int most = 0;
    for (int level = 0; level < static_cast<int>(puzzle::Levels().size()); ++level)
        most = std::max(most, puzzle::VolumeCount(puzzle::TPuzzleBank::BuiltIn(), level));
    return most;
}

/// The book code's message as a sentence for the error line.
QString Sentence(const char* message)
{
    QString text = QString::fromUtf8(message);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text + QLatin1Char('.');
}

QLineEdit* MakeEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

/// Columns of the sections table.
constexpr int kLevelColumn = 0;
constexpr int kCountColumn = 1;

QString FromView(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void TBookSetup::ApplyTo(book::TBookSettings& settings) const
{
    settings.Paper = Paper;
    settings.Variant = Sections.empty() ? Variant : std::string();
    settings.PrintReady = PrintReady;
    settings.PdfX = PdfX;
    settings.Title = Title.toStdString();
    settings.Author = Author.toStdString();
    settings.Volume = Volume;
    settings.LargePrint = LargePrint;
    settings.Sections = Sections;
    settings.Hints = Hints;
    settings.WorkedSolutions = WorkedSolutions;
    settings.AnswerNotes = AnswerNotes;
    settings.Cover = Cover;
    if (!settings.IsPrintReady())
        return;
    settings.AnswersPerPage = AnswersPerPage;
    settings.Publisher = Publisher.toStdString();
    settings.Website = Website.toStdString();
    settings.Edition = Edition.toStdString();
    settings.Isbn = Isbn.toStdString();
    settings.BoldGivens = BoldGivens;
}

TBookSetup TBookSetup::Of(const book::TBookSettings& settings)
{
    TBookSetup setup;
    setup.Paper = settings.Paper;
    setup.Variant = settings.Variant == "classic" ? std::string() : settings.Variant;
    setup.PrintReady = settings.PrintReady;
    setup.PdfX = settings.PdfX;
    setup.LargePrint = settings.LargePrint;
    setup.Title = QString::fromStdString(settings.Title);
    setup.Author = QString::fromStdString(settings.Author);
    setup.Volume = settings.Volume;
    setup.Publisher = QString::fromStdString(settings.Publisher);
    setup.Website = QString::fromStdString(settings.Website);
    setup.Edition = QString::fromStdString(settings.Edition);
    setup.Isbn = QString::fromStdString(settings.Isbn);
    setup.BoldGivens = settings.BoldGivens;
    setup.Sections = settings.Sections;
    setup.AnswersPerPage = settings.AnswersPerPage;
    setup.Hints = settings.Hints;
    setup.WorkedSolutions = settings.WorkedSolutions;
    setup.AnswerNotes = settings.AnswerNotes;
    setup.Cover = settings.Cover;
    return setup;
}

TBookSetup ReadBookSetup(const QSettings& saved)
{
    const TBookSetup defaults;
    TBookSetup setup;
    const auto text = [&](const char* key) {
        return saved.value(QStringLiteral("setup/") + QLatin1String(key)).toString();
    };
    const auto flag = [&](const char* key, bool fallback) {
        return saved.value(QStringLiteral("setup/") + QLatin1String(key), fallback).toBool();
    };
    const auto number = [&](const char* key, int fallback, int low, int high) {
        bool ok = false;
        const int value = saved.value(QStringLiteral("setup/") + QLatin1String(key)).toInt(&ok);
        return ok && value >= low && value <= high ? value : fallback;
    };
    const std::string paper = text("paper").toStdString();
    if (std::ranges::any_of(book::Papers(),
                            [&](const book::TPaper& each) { return each.Name == paper; }))
        setup.Paper = paper;
    const std::string type = text("variant").toStdString();
    if (type != "classic" && variant::FindVariant(type))
        setup.Variant = type;
    setup.PrintReady = flag("printReady", false);
    setup.PdfX = flag("pdfx", false);
    setup.LargePrint = flag("largePrint", false);
    setup.BoldGivens = flag("boldGivens", false);
    setup.Title = text("title");
    setup.Author = text("author");
    setup.Volume = number("volume", 0, 0, MaxVolume());
    setup.Publisher = text("publisher");
    setup.Website = text("website");
    setup.Edition = text("edition");
    setup.Isbn = text("isbn");
    const int answers = number("answersPerPage", 4, 4, 9);
    if (std::ranges::find(book::kAnswersPerPageChoices, answers) !=
        book::kAnswersPerPageChoices.end())
        setup.AnswersPerPage = answers;
    setup.Hints = flag("hints", false);
    setup.WorkedSolutions = number("workedSolutions", 0, 0, book::kMaxWorkedSolutions);
    setup.AnswerNotes = flag("answerNotes", false);
    setup.Cover.Make = flag("cover", false);
    setup.Cover.Path = text("coverPath").toStdString();
    const std::string service = text("coverService").toStdString();
    if (std::ranges::find(book::kCoverServices, service) != book::kCoverServices.end())
        setup.Cover.Service = service;
    const std::string stock = text("coverStock").toStdString();
    if (std::ranges::find(book::kCoverStocks, stock) != book::kCoverStocks.end())
        setup.Cover.Stock = stock;
    setup.Cover.Blurb = text("coverBlurb").toStdString();
    // Sections as "level:count" pairs; any that the book code refuses drops them all.
    std::vector<book::TSection> sections;
    for (const QString& pair : text("sections").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = pair.split(QLatin1Char(':'));
        if (parts.size() == 2)
            sections.push_back({parts[0].toInt(), parts[1].toInt()});
    }
    try {
        if (!sections.empty()) {
            book::CheckSections(sections);
            setup.Sections = sections;
        }
    } catch (const Error&) {
    }
    return setup == defaults ? defaults : setup;
}

void WriteBookSetup(QSettings& saved, const TBookSetup& setup)
{
    const auto put = [&](const char* key, const QVariant& value) {
        saved.setValue(QStringLiteral("setup/") + QLatin1String(key), value);
    };
    put("paper", QString::fromStdString(setup.Paper));
    put("variant", QString::fromStdString(setup.Variant));
    put("printReady", setup.PrintReady);
    put("pdfx", setup.PdfX);
    put("largePrint", setup.LargePrint);
    put("boldGivens", setup.BoldGivens);
    put("title", setup.Title);
    put("author", setup.Author);
    put("volume", setup.Volume);
    put("publisher", setup.Publisher);
    put("website", setup.Website);
    put("edition", setup.Edition);
    put("isbn", setup.Isbn);
    put("answersPerPage", setup.AnswersPerPage);
    put("hints", setup.Hints);
    put("workedSolutions", setup.WorkedSolutions);
    put("answerNotes", setup.AnswerNotes);
    put("cover", setup.Cover.Make);
    put("coverPath", QString::fromStdString(setup.Cover.Path));
    put("coverService", QString::fromStdString(setup.Cover.Service));
    put("coverStock", QString::fromStdString(setup.Cover.Stock));
    put("coverBlurb", QString::fromStdString(setup.Cover.Blurb));
    QStringList sections;
    for (const book::TSection& section : setup.Sections)
        sections << QStringLiteral("%1:%2").arg(section.LevelIndex).arg(section.Count);
    put("sections", sections.join(QLatin1Char(',')));
}

TBookSetupDialog::TBookSetupDialog(IDesktop& desktop, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_desktop(desktop)
{
    setObjectName(QStringLiteral("BookSetup"));
    setWindowTitle(QStringLiteral("Book Setup"));
    setModal(true);

    auto* form = new QFormLayout;
    m_paper = new QComboBox(this);
    m_paper->setObjectName(QStringLiteral("PaperBox"));
    for (const book::TPaper& paper : book::Papers())
        m_paper->addItem(
            QString::fromUtf8(paper.Caption.data(), static_cast<qsizetype>(paper.Caption.size())),
            QString::fromUtf8(paper.Name.data(), static_cast<qsizetype>(paper.Name.size())));
    form->addRow(QStringLiteral("Paper size:"), m_paper);
    m_variant = new QComboBox(this);
    m_variant->setObjectName(QStringLiteral("VariantBox"));
    QString offered;
    for (const variant::VariantInfo& type : variant::AllVariants()) {
        const QString name = QString::fromUtf8(type.Name.data(), type.Name.size());
        const bool classic = type.Name == "classic";
        m_variant->addItem(classic ? QStringLiteral("Classic (from the built-in bank)") : name,
                           classic ? QString() : name);
        offered += QStringLiteral("\n%1: %2").arg(name, QString::fromStdString(type.TierList()));
    }
    m_variant->setToolTip(QStringLiteral("Classic puzzles come from the built-in bank; the other "
                                         "types are made on demand, each with its own levels:") +
                          offered);
    form->addRow(QStringLiteral("Puzzle type:"), m_variant);

    m_printReady =
        new QCheckBox(QStringLiteral("Print-ready (for print-on-demand publishing)"), this);
    m_printReady->setObjectName(QStringLiteral("PrintReadyBox"));
    form->addRow(QString(), m_printReady);
    m_pdfx = new QCheckBox(QStringLiteral("PDF/X-1a"), this);
    m_pdfx->setObjectName(QStringLiteral("PdfxBox"));
    form->addRow(QString(), m_pdfx);
    m_largePrint =
        new QCheckBox(QStringLiteral("Large print (one puzzle per page, no candidates)"), this);
    m_largePrint->setToolTip(QStringLiteral("Grids as large as the page allows, with large bold "
                                            "digits and heavy lines; always print-ready."));
    m_largePrint->setObjectName(QStringLiteral("LargePrintBox"));
    form->addRow(QString(), m_largePrint);
    m_boldGivens = new QCheckBox(QStringLiteral("Bold givens"), this);
    m_boldGivens->setObjectName(QStringLiteral("BoldGivensBox"));
    form->addRow(QString(), m_boldGivens);
    for (QCheckBox* box : {m_printReady, m_pdfx, m_largePrint})
        connect(box, &QCheckBox::toggled, this, [this] { FollowPrintReady(); });

    m_title = MakeEdit(this, "TitleEdit");
    m_title->setPlaceholderText(QStringLiteral("the level's name, such as \"Hard Sudoku\""));
    form->addRow(QStringLiteral("Title:"), m_title);
    m_author = MakeEdit(this, "AuthorEdit");
    form->addRow(QStringLiteral("Author:"), m_author);
    m_volume = new QSpinBox(this);
    m_volume->setObjectName(QStringLiteral("VolumeSpin"));
    m_volume->setRange(0, MaxVolume()); // 0 is shown as "None"
    m_volume->setSpecialValueText(QStringLiteral("None"));
    m_volumeLimit = new QLabel(this);
    m_volumeLimit->setObjectName(QStringLiteral("VolumeLimitLabel"));
    auto* volumeRow = new QHBoxLayout;
    volumeRow->addWidget(m_volume);
    volumeRow->addWidget(m_volumeLimit, 1);
    auto* volumeLabel = new QLabel(QStringLiteral("&Volume:"), this);
    volumeLabel->setBuddy(m_volume);
    form->addRow(volumeLabel, volumeRow);
    m_publisher = MakeEdit(this, "PublisherEdit");
    form->addRow(QStringLiteral("Publisher:"), m_publisher);
    m_website = MakeEdit(this, "WebsiteEdit");
    form->addRow(QStringLiteral("Website:"), m_website);
    m_edition = MakeEdit(this, "EditionEdit");
    m_edition->setPlaceholderText(QStringLiteral("such as \"First edition\""));
    form->addRow(QStringLiteral("Edition:"), m_edition);
    m_isbn = MakeEdit(this, "IsbnEdit");
    m_isbn->setPlaceholderText(QStringLiteral("ISBN-13 or ISBN-10, hyphens allowed"));
    form->addRow(QStringLiteral("ISBN:"), m_isbn);
    m_answers = new QComboBox(this);
    m_answers->setObjectName(QStringLiteral("AnswersBox"));
    for (int answers : book::kAnswersPerPageChoices)
        m_answers->addItem(QString::number(answers), answers);
    form->addRow(QStringLiteral("Answers per page:"), m_answers);

    // A book of several levels: one row a level, in book order. With rows, the main window's
    // level and page count are not used.
    m_sections = new QTableWidget(0, 2, this);
    m_sections->setObjectName(QStringLiteral("SectionsTable"));
    m_sections->setHorizontalHeaderLabels({QStringLiteral("Level"), QStringLiteral("Puzzles")});
    m_sections->horizontalHeader()->setSectionResizeMode(kLevelColumn, QHeaderView::Stretch);
    m_sections->verticalHeader()->hide();
    m_sections->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_sections->setFixedHeight(120);
    m_sections->setToolTip(QStringLiteral(
        "Sections make a book of several levels, in this order; they set the levels and the "
        "number of puzzles instead of the main window's level and pages."));
    auto* add = MakeButton(this, "AddSectionButton", QStringLiteral("Add Section"));
    connect(add, &QPushButton::clicked, this, [this] { AddSection({-1, 10}); });
    auto* remove = MakeButton(this, "RemoveSectionButton", QStringLiteral("Remove Section"));
    connect(remove, &QPushButton::clicked, this, [this] {
        const int row = m_sections->currentRow();
        m_sections->removeRow(row >= 0 ? row : m_sections->rowCount() - 1);
        FollowPrintReady();
    });
    auto* sectionButtons = new QHBoxLayout;
    sectionButtons->addWidget(add);
    sectionButtons->addWidget(remove);
    sectionButtons->addStretch();
    auto* sections = new QVBoxLayout;
    sections->addWidget(m_sections);
    sections->addLayout(sectionButtons);
    form->addRow(QStringLiteral("Sections:"), sections);

    m_hints = new QCheckBox(QStringLiteral("&Hints (where to look first in each puzzle)"), this);
    m_hints->setObjectName(QStringLiteral("HintsBox"));
    form->addRow(QString(), m_hints);
    m_workedSolutions = new QSpinBox(this);
    m_workedSolutions->setObjectName(QStringLiteral("WorkedSolutionsSpin"));
    m_workedSolutions->setRange(0, book::kMaxWorkedSolutions);
    m_workedSolutions->setSpecialValueText(QStringLiteral("None"));
    m_workedSolutions->setToolTip(
        QStringLiteral("Puzzles solved step by step, one for the first puzzle of each section"));
    form->addRow(QStringLiteral("&Worked solutions:"), m_workedSolutions);
    m_answerNotes = new QCheckBox(QStringLiteral("Answer &notes (the hardest technique)"), this);
    m_answerNotes->setObjectName(QStringLiteral("AnswerNotesBox"));
    form->addRow(QString(), m_answerNotes);
    connect(m_hints, &QCheckBox::toggled, this, [this] { FollowPrintReady(); });
    connect(m_answerNotes, &QCheckBox::toggled, this, [this] { FollowPrintReady(); });
    connect(m_workedSolutions, &QSpinBox::valueChanged, this, [this] { FollowPrintReady(); });

    m_cover = new QCheckBox(QStringLiteral("Also make the &cover"), this);
    m_cover->setObjectName(QStringLiteral("CoverBox"));
    m_cover->setToolTip(QStringLiteral("A full-wrap cover PDF beside the book"));
    form->addRow(QString(), m_cover);
    m_coverService = new QComboBox(this);
    m_coverService->setObjectName(QStringLiteral("CoverServiceBox"));
    for (std::string_view service : book::kCoverServices)
        m_coverService->addItem(FromView(service), FromView(service));
    m_coverStock = new QComboBox(this);
    m_coverStock->setObjectName(QStringLiteral("CoverStockBox"));
    for (std::string_view stock : book::kCoverStocks)
        m_coverStock->addItem(FromView(stock), FromView(stock));
    auto* coverRow = new QHBoxLayout;
    coverRow->addWidget(m_coverService, 1);
    coverRow->addWidget(m_coverStock, 1);
    form->addRow(QStringLiteral("Service, stock:"), coverRow);
    m_coverBlurb = new QPlainTextEdit(this);
    m_coverBlurb->setObjectName(QStringLiteral("CoverBlurbEdit"));
    m_coverBlurb->setPlaceholderText(QStringLiteral("The back cover's text"));
    m_coverBlurb->setFixedHeight(54);
    form->addRow(QStringLiteral("Blurb:"), m_coverBlurb);
    connect(m_cover, &QCheckBox::toggled, this, [this] { FollowPrintReady(); });

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("ErrorLabel"));
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #b00020"));
    m_error->hide();
    for (QLineEdit* edit : {m_title, m_author, m_publisher, m_website, m_edition, m_isbn})
        connect(edit, &QLineEdit::textEdited, m_error, &QLabel::hide);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OkClick(); });
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* openPlan = MakeButton(this, "OpenPlanButton", QStringLiteral("Open Plan..."));
    connect(openPlan, &QPushButton::clicked, this, [this] { OpenPlanClick(); });
    auto* savePlan = MakeButton(this, "SavePlanButton", QStringLiteral("Save Plan..."));
    connect(savePlan, &QPushButton::clicked, this, [this] { SavePlanClick(); });
    auto* restore = MakeButton(this, "RestoreDefaultsButton", QStringLiteral("&Restore Defaults"));
    restore->setToolTip(QStringLiteral("Every choice of this dialog back to how a first start has "
                                       "it (OK keeps them)"));
    connect(restore, &QPushButton::clicked, this, [this] { SetSetup(TBookSetup()); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(openPlan);
    buttons->addWidget(savePlan);
    buttons->addWidget(restore);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    // The fields scroll when the screen is too low for them all (a 2x screen of 1080 pixels).
    auto* fields = new QWidget;
    fields->setLayout(form);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("FieldsArea"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(fields);
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().height() - 140 : 600;
    scroll->setMinimumHeight(std::min(fields->sizeHint().height(), std::max(room, 300)));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addWidget(m_error);
    layout->addLayout(buttons);
    setFixedWidth(560);
    FollowPrintReady();
}

void TBookSetupDialog::SetSetup(const TBookSetup& setup)
{
    const int index = m_paper->findData(QString::fromStdString(setup.Paper));
    m_paper->setCurrentIndex(index < 0 ? 0 : index);
    m_pdfx->setChecked(setup.PdfX);
    m_largePrint->setChecked(setup.LargePrint);
    m_boldGivens->setChecked(setup.BoldGivens);
    m_title->setText(setup.Title);
    m_author->setText(setup.Author);
    m_volume->setValue(setup.Volume);
    m_publisher->setText(setup.Publisher);
    m_website->setText(setup.Website);
    m_edition->setText(setup.Edition);
    m_isbn->setText(setup.Isbn);
    const int answers = m_answers->findData(setup.AnswersPerPage);
    m_answers->setCurrentIndex(answers < 0 ? 0 : answers);
    m_variant->setCurrentIndex(
        std::max(0, m_variant->findData(QString::fromStdString(setup.Variant))));
    m_sections->setRowCount(0);
    for (const book::TSection& section : setup.Sections)
        AddSection(section);
    m_hints->setChecked(setup.Hints);
    m_workedSolutions->setValue(setup.WorkedSolutions);
    m_answerNotes->setChecked(setup.AnswerNotes);
    m_cover->setChecked(setup.Cover.Make);
    m_coverService->setCurrentIndex(
        std::max(0, m_coverService->findData(QString::fromStdString(setup.Cover.Service))));
    m_coverStock->setCurrentIndex(
        std::max(0, m_coverStock->findData(QString::fromStdString(setup.Cover.Stock))));
    m_coverBlurb->setPlainText(QString::fromStdString(setup.Cover.Blurb));
    m_coverPath = setup.Cover.Path;
    // Last: the boxes that imply print-ready must hold their new state first.
    m_printReady->setChecked(setup.PrintReady || setup.PdfX || setup.LargePrint);
    FollowPrintReady();
    m_error->clear();
    m_error->hide();
}

TBookSetup TBookSetupDialog::Setup() const
{
    TBookSetup setup;
    setup.Paper = m_paper->currentData().toString().toStdString();
    setup.PdfX = m_pdfx->isChecked();
    setup.LargePrint = m_largePrint->isChecked();
    setup.PrintReady = m_printReady->isChecked() || setup.PdfX || setup.LargePrint;
    setup.Title = m_title->text().trimmed();
    setup.Author = m_author->text().trimmed();
    setup.Volume = m_volume->value();
    setup.Publisher = m_publisher->text().trimmed();
    setup.Website = m_website->text().trimmed();
    setup.Edition = m_edition->text().trimmed();
    setup.Isbn = m_isbn->text().trimmed();
    setup.BoldGivens = m_boldGivens->isChecked();
    setup.AnswersPerPage = m_answers->currentData().toInt();
    setup.Variant = m_variant->currentData().toString().toStdString();
    setup.Sections = Sections();
    setup.Hints = m_hints->isChecked();
    setup.WorkedSolutions = m_workedSolutions->value();
    setup.AnswerNotes = m_answerNotes->isChecked();
    setup.Cover.Make = m_cover->isChecked();
    setup.Cover.Path = m_coverPath;
    setup.Cover.Service = m_coverService->currentData().toString().toStdString();
    setup.Cover.Stock = m_coverStock->currentData().toString().toStdString();
    setup.Cover.Blurb = m_coverBlurb->toPlainText().trimmed().toStdString();
    setup.PrintReady = setup.PrintReady || !setup.Sections.empty() || setup.Hints ||
                       setup.WorkedSolutions > 0 || setup.AnswerNotes;
    return setup;
}

void TBookSetupDialog::AddSection(book::TSection section)
{
    if (m_sections->rowCount() >= book::kMaxSections)
        return;
    if (section.LevelIndex < 0) {
        const std::vector<book::TSection> taken = Sections();
        section.LevelIndex = 0;
        while (section.LevelIndex + 1 < puzzle::kLevelCount &&
               std::ranges::any_of(taken, [&](const book::TSection& other) {
                   return other.LevelIndex == section.LevelIndex;
               }))
            ++section.LevelIndex;
    }
    const int row = m_sections->rowCount();
    m_sections->insertRow(row);
    auto* level = new QComboBox(m_sections);
    for (const puzzle::LevelInfo& info : puzzle::Levels())
        level->addItem(FromView(info.Caption));
    level->setCurrentIndex(section.LevelIndex);
    m_sections->setCellWidget(row, kLevelColumn, level);
    auto* count = new QSpinBox(m_sections);
    count->setRange(1, book::kMaxBookPuzzles);
    count->setValue(std::clamp(section.Count, 1, book::kMaxBookPuzzles));
    m_sections->setCellWidget(row, kCountColumn, count);
    m_sections->setCurrentCell(row, kLevelColumn);
    FollowPrintReady();
}

std::vector<book::TSection> TBookSetupDialog::Sections() const
{
    std::vector<book::TSection> sections;
    for (int row = 0; row < m_sections->rowCount(); ++row)
        sections.push_back(
            {static_cast<QComboBox*>(m_sections->cellWidget(row, kLevelColumn))->currentIndex(),
             static_cast<QSpinBox*>(m_sections->cellWidget(row, kCountColumn))->value()});
    return sections;
}

void TBookSetupDialog::SetWindowChoices(const book::TBookSettings& window)
{
    m_window = window;
    const int most = VolumeLimit(window);
    m_volume->setMaximum(most);
    const bool oneLevel = window.Sections.empty() && window.LevelIndex >= 0 &&
                          window.LevelIndex < puzzle::kLevelCount;
    const QString level =
        oneLevel ? FromView(puzzle::Levels()[static_cast<std::size_t>(window.LevelIndex)].Caption)
                 : QStringLiteral("Each level");
    m_volumeLimit->setText(QStringLiteral("%1 offers %2 volumes").arg(level).arg(most));
}

int VolumeLimit(const book::TBookSettings& window)
{
    return window.Sections.empty() && window.LevelIndex >= 0 &&
                   window.LevelIndex < puzzle::kLevelCount
               ? puzzle::VolumeCount(puzzle::TPuzzleBank::BuiltIn(), window.LevelIndex)
               : MaxVolume();
}

book::TBookSettings TBookSetupDialog::BookSettings() const
{
    book::TBookSettings settings;
    settings.LevelIndex = m_window.LevelIndex;
    settings.PageCount = m_window.PageCount;
    settings.PuzzlesPerPage = m_window.PuzzlesPerPage;
    settings.Candidates = m_window.Candidates;
    Setup().ApplyTo(settings);
    return settings;
}

void TBookSetupDialog::OpenPlanClick()
{
    const QString path = m_desktop.AskPlanPath(this, false);
    if (path.isEmpty())
        return;
    book::TPlanFile plan;
    try {
        plan = book::ReadPlanFile(QFile::encodeName(path).toStdString());
    } catch (const std::exception& error) {
        m_desktop.ShowError(this, QString::fromUtf8(error.what()));
        return;
    }
    SetSetup(TBookSetup::Of(plan.Settings));
    SetWindowChoices(plan.Settings);
}

void TBookSetupDialog::SavePlanClick()
{
    const book::TBookSettings settings = BookSettings();
    if (const auto [control, message] = FirstRefusal(settings); control) {
        m_desktop.ShowError(this, message);
        return;
    }
    try {
        book::CheckBookSettings(settings);
    } catch (const Error& error) {
        m_desktop.ShowError(this, Sentence(error.what()));
        return;
    }
    const QString path = m_desktop.AskPlanPath(this, true);
    if (path.isEmpty())
        return;
    book::TPlanFile plan;
    plan.Settings = settings;
    try {
        book::WritePlanFile(plan, QFile::encodeName(path).toStdString(), book::TReplace::Always);
    } catch (const std::exception& error) {
        m_desktop.ShowError(this, QString::fromUtf8(error.what()));
    }
}

void TBookSetupDialog::FollowPrintReady()
{
    const bool implied = m_pdfx->isChecked() || m_largePrint->isChecked() ||
                         m_sections->rowCount() > 0 || m_hints->isChecked() ||
                         m_workedSolutions->value() > 0 || m_answerNotes->isChecked();
    for (QWidget* field :
         std::initializer_list<QWidget*>{m_coverService, m_coverStock, m_coverBlurb})
        field->setEnabled(m_cover->isChecked());
    // A book of sections is classic: the puzzle type serves a book of one level.
    m_variant->setEnabled(m_sections->rowCount() == 0);
    if (implied)
        m_printReady->setChecked(true);
    m_printReady->setEnabled(!implied);
    const bool printReady = m_printReady->isChecked();
    for (QWidget* field : std::initializer_list<QWidget*>{m_boldGivens, m_publisher, m_website,
                                                          m_edition, m_isbn, m_answers})
        field->setEnabled(printReady);
}

std::pair<QWidget*, QString>
TBookSetupDialog::FirstRefusal(const book::TBookSettings& settings) const
{
    // The texts join the check one at a time, in the order of the form, so that the first one
    // refused is known by its control; the rules themselves stay the book code's.
    const std::pair<std::string book::TBookSettings::*, QLineEdit*> texts[] = {
        {&book::TBookSettings::Title, m_title},         {&book::TBookSettings::Author, m_author},
        {&book::TBookSettings::Publisher, m_publisher}, {&book::TBookSettings::Website, m_website},
        {&book::TBookSettings::Edition, m_edition},     {&book::TBookSettings::Isbn, m_isbn}};
    book::TBookSettings partial = settings;
    for (const auto& [text, edit] : texts)
        (partial.*text).clear();
    QWidget* control = m_paper;
    for (std::size_t next = 0;; ++next) {
        try {
            book::CheckPrintSettings(partial);
        } catch (const Error& error) {
            return {control, Sentence(error.what())};
        }
        if (next == std::size(texts))
            return {};
        const auto& [text, edit] = texts[next];
        partial.*text = settings.*text;
        control = edit;
    }
}

void TBookSetupDialog::OkClick()
{
    book::TBookSettings settings;
    Setup().ApplyTo(settings);
    auto [control, message] = FirstRefusal(settings);
    if (!control && !settings.Sections.empty()) {
        try {
            book::CheckSections(settings.Sections);
        } catch (const Error& error) {
            control = m_sections;
            message = Sentence(error.what());
        }
    }
    if (control) {
        m_error->setText(message);
        m_error->show();
        control->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_error->hide();
    accept();
}

QString TBookSetupDialog::ErrorText() const
{
    return m_error->isHidden() ? QString() : m_error->text();
}

} // namespace gq::app
