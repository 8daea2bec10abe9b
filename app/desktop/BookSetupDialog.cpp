#include "app/desktop/BookSetupDialog.h"

#include "book/BookLayout.h"
#include "book/PaperSizes.h"
#include "gq/Error.h"
#include "puzzle/Levels.h"
#include "puzzle/PuzzleBank.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
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

} // namespace

void TBookSetup::ApplyTo(book::TBookSettings& settings) const
{
    settings.Paper = Paper;
    settings.PrintReady = PrintReady;
    settings.PdfX = PdfX;
    settings.Title = Title.toStdString();
    settings.Author = Author.toStdString();
    settings.Volume = Volume;
}

TBookSetupDialog::TBookSetupDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
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

    m_printReady =
        new QCheckBox(QStringLiteral("Print-ready (for print-on-demand publishing)"), this);
    m_printReady->setObjectName(QStringLiteral("PrintReadyBox"));
    form->addRow(QString(), m_printReady);
    m_pdfx = new QCheckBox(QStringLiteral("PDF/X-1a"), this);
    m_pdfx->setObjectName(QStringLiteral("PdfxBox"));
    connect(m_pdfx, &QCheckBox::clicked, this, [this] { PdfxClick(); });
    form->addRow(QString(), m_pdfx);

    m_title = new QLineEdit(this);
    m_title->setObjectName(QStringLiteral("TitleEdit"));
    m_title->setPlaceholderText(QStringLiteral("the level's name, such as \"Hard Sudoku\""));
    form->addRow(QStringLiteral("Title:"), m_title);
    m_author = new QLineEdit(this);
    m_author->setObjectName(QStringLiteral("AuthorEdit"));
    form->addRow(QStringLiteral("Author:"), m_author);
    m_volume = new QSpinBox(this);
    m_volume->setObjectName(QStringLiteral("VolumeSpin"));
    m_volume->setRange(0, MaxVolume()); // 0 is shown as "None"
    m_volume->setSpecialValueText(QStringLiteral("None"));
    form->addRow(QStringLiteral("Volume:"), m_volume);

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("ErrorLabel"));
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #b00020"));
    m_error->hide();
    for (QLineEdit* edit : {m_title, m_author})
        connect(edit, &QLineEdit::textEdited, m_error, &QLabel::hide);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OkClick(); });
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_error);
    layout->addLayout(buttons);
    setFixedWidth(420);
}

void TBookSetupDialog::SetSetup(const TBookSetup& setup)
{
    const int index = m_paper->findData(QString::fromStdString(setup.Paper));
    m_paper->setCurrentIndex(index < 0 ? 0 : index);
    m_pdfx->setChecked(setup.PdfX);
    m_printReady->setChecked(setup.PrintReady || setup.PdfX);
    m_printReady->setEnabled(!setup.PdfX);
    m_title->setText(setup.Title);
    m_author->setText(setup.Author);
    m_volume->setValue(setup.Volume);
    m_error->clear();
    m_error->hide();
}

TBookSetup TBookSetupDialog::Setup() const
{
    TBookSetup setup;
    setup.Paper = m_paper->currentData().toString().toStdString();
    setup.PdfX = m_pdfx->isChecked();
    setup.PrintReady = m_printReady->isChecked() || setup.PdfX;
    setup.Title = m_title->text().trimmed();
    setup.Author = m_author->text().trimmed();
    setup.Volume = m_volume->value();
    return setup;
}

void TBookSetupDialog::PdfxClick()
{
    if (m_pdfx->isChecked())
        m_printReady->setChecked(true);
    m_printReady->setEnabled(!m_pdfx->isChecked());
}

void TBookSetupDialog::OkClick()
{
    book::TBookSettings settings;
    Setup().ApplyTo(settings);
    try {
        book::CheckPrintSettings(settings);
    } catch (const Error& error) {
        QString text = QString::fromUtf8(error.what());
        if (!text.isEmpty())
            text[0] = text[0].toUpper();
        m_error->setText(text + QLatin1Char('.'));
        m_error->show();
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
