#include "app/desktop/Desktop.h"

#include "app/desktop/MainWindow.h"
#include "book/SafeFile.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

namespace gq::app
{

QString TSystemDesktop::DocumentsFolder()
{
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

QString TSystemDesktop::AskPdfPath(QWidget* parent, const QString& start)
{
    auto dialog = MakeSaveDialog(parent, start);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().constFirst();
}

QString TSystemDesktop::AskPlanPath(QWidget* parent, bool save)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Book plan (*.toml)"));
    dialog.setDefaultSuffix(QStringLiteral("toml"));
    dialog.setWindowTitle(save ? QStringLiteral("Save Plan") : QStringLiteral("Open Plan"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool TSystemDesktop::ConfirmOverwrite(QWidget* parent)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"),
                    QStringLiteral("File is exists,Override it or not?"),
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

void TSystemDesktop::ShowError(QWidget* parent, const QString& message)
{
    QMessageBox::critical(parent, ApplicationTitle(), message);
}

bool TSystemDesktop::Open(const QUrl& url) { return QDesktopServices::openUrl(url); }

QString OpenFailureText(const QString& what, const QString& path)
{
    return QStringLiteral("%1 could not be opened: no program to open it could be started.\n\n"
                          "Open it by hand:\n%2")
        .arg(what, QDir::toNativeSeparators(path));
}

void TSystemDesktop::ShowOpenFailure(QWidget* parent, const QString& what, const QString& path)
{
    QMessageBox box(QMessageBox::Warning, ApplicationTitle(), OpenFailureText(what, path),
                    QMessageBox::Close, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* copy = box.addButton(QStringLiteral("&Copy Path"), QMessageBox::ActionRole);
    // The box comes back after copying, so that the user can still read the path.
    for (;;) {
        box.exec();
        if (box.clickedButton() != copy)
            return;
        QGuiApplication::clipboard()->setText(QDir::toNativeSeparators(path));
    }
}

bool TSystemDesktop::ConfirmCancelRun(QWidget* parent)
{
    return QMessageBox::question(parent, ApplicationTitle(),
                                 QStringLiteral("A book is being made. Stop it and close "
                                                "Gridquill? Nothing of the book is kept."),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString TSystemDesktop::SettingsFile()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QString() : config + QStringLiteral("/gridquill/gridquill.conf");
}

std::unique_ptr<QFileDialog> MakeSaveDialog(QWidget* parent, const QString& start)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("Pdf file (*.pdf)"));
    dialog->setDefaultSuffix(QStringLiteral("pdf"));
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    if (start.endsWith(QLatin1Char('/')) || QFileInfo(start).isDir())
        dialog->setDirectory(start);
    else if (!start.isEmpty()) {
        const QFileInfo file(start);
        dialog->setDirectory(file.absolutePath());
        dialog->selectFile(file.fileName());
    }
    return dialog;
}

QString WithDefaultSuffix(const QString& path)
{
    if (path.isEmpty())
        return path;
    return QFile::decodeName(
        QByteArray::fromStdString(book::PdfPathFor(QFile::encodeName(path).toStdString())));
}

} // namespace gq::app
