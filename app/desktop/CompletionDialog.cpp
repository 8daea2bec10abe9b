#include "app/desktop/CompletionDialog.h"

#include "app/desktop/Desktop.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace gq::app
{
namespace
{

/// The dialog's size without a warning, pixels.
constexpr QSize kPlainSize(299, 108);
/// Where a warning starts, below the buttons, and the margin it keeps to the frame, pixels.
constexpr int kWarningTop = 100;
constexpr int kWarningMargin = 12;

} // namespace

Tfrmwc::Tfrmwc(IDesktop& desktop, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_desktop(desktop)
{
    setObjectName(QStringLiteral("frmwc"));
    setWindowTitle(QStringLiteral("Gridquill"));
    setFixedSize(kPlainSize);
    setModal(true);

    auto* label = new QLabel(QStringLiteral("Completed !!!"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->move(15, 25);
    label->adjustSize(); // an auto-sized label, as wide as its text

    struct TButtonSpec
    {
        const char* Name;
        const char* Caption;
        int Left;
        void (Tfrmwc::*Click)();
    };
    const TButtonSpec buttons[] = {
        {"Button1", "Open", 12, &Tfrmwc::Button1Click},
        {"Button2", "Open Folder", 112, &Tfrmwc::Button2Click},
        {"Button3", "Close", 212, &Tfrmwc::Button3Click},
    };
    for (const auto& entry : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(entry.Caption), this);
        button->setObjectName(QString::fromLatin1(entry.Name));
        button->setGeometry(entry.Left, 65, 75, 25);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, entry.Click);
    }

    m_warning = new QLabel(this);
    m_warning->setObjectName(QStringLiteral("WarningLabel"));
    m_warning->setWordWrap(true);
    m_warning->setStyleSheet(QStringLiteral("color: #9a4a00; font-weight: bold"));
    m_warning->hide();
}

void Tfrmwc::ShowFor(const QString& pdfPath, const QString& warning)
{
    m_pdfPath = pdfPath;
    if (warning.isEmpty()) {
        m_warning->clear();
        m_warning->hide();
        setFixedSize(kPlainSize);
    } else {
        const int width = kPlainSize.width() - 2 * kWarningMargin;
        m_warning->setText(QStringLiteral("Warning: ") + warning + QLatin1Char('.'));
        m_warning->setGeometry(kWarningMargin, kWarningTop, width,
                               m_warning->heightForWidth(width));
        m_warning->show();
        setFixedSize(kPlainSize.width(), m_warning->geometry().bottom() + 1 + kWarningMargin);
    }
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    exec();
}

void Tfrmwc::Button1Click()
{
    m_desktop.Open(QUrl::fromLocalFile(m_pdfPath));
    accept();
}

void Tfrmwc::Button2Click()
{
    m_desktop.Open(QUrl::fromLocalFile(FolderOf(m_pdfPath)));
    accept();
}

void Tfrmwc::Button3Click() { reject(); }

QString Tfrmwc::Warning() const { return m_warning->isHidden() ? QString() : m_warning->text(); }

QString FolderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

} // namespace gq::app
