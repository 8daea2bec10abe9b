#include "app/desktop/CompletionDialog.h"

#include "app/desktop/Desktop.h"

#include <algorithm>

#include <QDir>
#include <QFile>
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
/// Space between the details and the warning, pixels.
constexpr int kLineGap = 6;
/// The widest the dialog grows for a long path, pixels.
constexpr int kMaxWidth = 760;

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

    m_details = new QLabel(this);
    m_details->setObjectName(QStringLiteral("DetailsLabel"));
    m_details->setWordWrap(true);
    m_details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_details->hide();

    m_warning = new QLabel(this);
    m_warning->setObjectName(QStringLiteral("WarningLabel"));
    m_warning->setWordWrap(true);
    m_warning->setStyleSheet(QStringLiteral("color: #9a4a00; font-weight: bold"));
    m_warning->hide();
}

void Tfrmwc::ShowFor(const QString& pdfPath, const QString& warning, const QString& details)
{
    m_pdfPath = pdfPath;
    // Wide enough for the longest detail line (a path does not wrap), within kMaxWidth.
    m_width = kPlainSize.width();
    for (const QString& line : details.split(QLatin1Char('\n')))
        m_width = std::max(m_width, m_details->fontMetrics().horizontalAdvance(line) +
                                        2 * kWarningMargin + 4);
    m_width = std::min(m_width, kMaxWidth);
    int bottom = PlaceLine(*m_details, details, kWarningTop);
    bottom = PlaceLine(*m_warning,
                       warning.isEmpty() ? QString()
                                         : QStringLiteral("Warning: ") + warning + QLatin1Char('.'),
                       bottom);
    if (bottom == kWarningTop)
        setFixedSize(kPlainSize);
    else
        setFixedSize(m_width, bottom - kLineGap + kWarningMargin);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    exec();
}

int Tfrmwc::PlaceLine(QLabel& label, const QString& text, int top)
{
    if (text.isEmpty()) {
        label.clear();
        label.hide();
        return top;
    }
    const int width = m_width - 2 * kWarningMargin;
    label.setText(text);
    label.setGeometry(kWarningMargin, top, width, label.heightForWidth(width));
    label.show();
    return label.geometry().bottom() + 1 + kLineGap;
}

void Tfrmwc::Button1Click()
{
    if (!m_desktop.Open(QUrl::fromLocalFile(m_pdfPath)))
        m_desktop.ShowOpenFailure(this, QStringLiteral("The book"), m_pdfPath);
    accept();
}

void Tfrmwc::Button2Click()
{
    const QString folder = FolderOf(m_pdfPath);
    if (!m_desktop.Open(QUrl::fromLocalFile(folder)))
        m_desktop.ShowOpenFailure(this, QStringLiteral("The book's folder"), folder);
    accept();
}

void Tfrmwc::Button3Click() { reject(); }

QString Tfrmwc::Warning() const { return m_warning->isHidden() ? QString() : m_warning->text(); }

QString Tfrmwc::Details() const { return m_details->isHidden() ? QString() : m_details->text(); }

QString CompletionDetails(const QString& pdfPath, const book::TBookFacts& facts,
                          const book::TBookSettings& settings)
{
    QStringList lines;
    lines << QDir::toNativeSeparators(pdfPath);
    lines << QStringLiteral("%1 %2, %3 (%4 x %5 in)")
                 .arg(facts.Pages)
                 .arg(facts.Pages == 1 ? QStringLiteral("page") : QStringLiteral("pages"))
                 .arg(QString::fromStdString(facts.Paper))
                 .arg(facts.PageWidth, 0, 'g', 4)
                 .arg(facts.PageHeight, 0, 'g', 4);
    if (facts.PrintReady) {
        QStringList publisher;
        for (const std::string* text : {&settings.Publisher, &settings.Website, &settings.Edition})
            if (!book::IsBlankText(*text))
                publisher << QString::fromStdString(*text).trimmed();
        if (!book::IsBlankText(settings.Isbn))
            publisher << QStringLiteral("ISBN ") + QString::fromStdString(settings.Isbn).trimmed();
        lines << (publisher.isEmpty()
                      ? QStringLiteral("Print-ready, no publisher named")
                      : QStringLiteral("Print-ready: ") + publisher.join(QStringLiteral(", ")));
    }
    if (!facts.CoverPath.empty()) {
        lines << QStringLiteral("Cover: ") +
                     QDir::toNativeSeparators(QFile::decodeName(facts.CoverPath.c_str()));
        if (!facts.CoverSummary.empty())
            lines << QString::fromStdString(facts.CoverSummary);
    }
    return lines.join(QLatin1Char('\n'));
}

QString FolderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

} // namespace gq::app
