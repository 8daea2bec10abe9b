// Time from a setting change in the desktop window to the updated preview on screen: the level
// is changed, and the clock stops once the new preview's page is painted. Two books: the
// default one and a 6 x 9 print-ready book with four puzzles a page. Prints median and p95.
//
// Usage: gq-bench-preview [changes]   (runs offscreen unless QT_QPA_PLATFORM says otherwise)

#include "app/desktop/BookMakerRun.h"
#include "app/desktop/Desktop.h"
#include "app/desktop/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

/// The system desktop with its own settings file, so that the user's choices are not touched.
class TBenchDesktop final : public gq::app::IDesktop
{
  public:
    explicit TBenchDesktop(QString settings) : m_settings(std::move(settings)) {}
    QString DocumentsFolder() override { return QDir::tempPath(); }
    QString AskPdfPath(QWidget*, const QString&) override { return {}; }
    QString AskPlanPath(QWidget*, bool) override { return {}; }
    bool ConfirmOverwrite(QWidget*) override { return false; }
    void ShowError(QWidget*, const QString& message) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
    bool Open(const QUrl&) override { return true; }
    void ShowOpenFailure(QWidget*, const QString&, const QString&) override {}
    bool ConfirmCancelRun(QWidget*) override { return false; }
    QString SettingsFile() override { return m_settings; }

  private:
    QString m_settings;
};

/// Milliseconds from each of `changes` level changes to the painted preview.
std::vector<double> Measure(const QString& settingsFile, int changes)
{
    TBenchDesktop desktop(settingsFile);
    gq::app::TForm1 form(desktop, gq::app::MakeBookMakerRun);
    form.show();
    QElapsedTimer wait;
    wait.start();
    while (!form.PreviewCurrent() && wait.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    auto* view = form.findChild<QWidget*>(QStringLiteral("PreviewView"));
    std::vector<double> times;
    for (int i = 0; i < changes; ++i) {
        auto* level =
            form.findChild<QRadioButton*>(QStringLiteral("ndgroup_%1").arg(i % 2 ? 0 : 3));
        QElapsedTimer clock;
        clock.start();
        level->click();
        while (!form.PreviewCurrent() && clock.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        view->repaint();
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    return times;
}

void Report(const char* name, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    const auto at = [&](double fraction) {
        return times[std::min(times.size() - 1, static_cast<std::size_t>(
                                                    fraction * static_cast<double>(times.size())))];
    };
    std::printf("%-36s changes %3zu  median %7.1f ms  p95 %7.1f ms  max %7.1f ms\n", name,
                times.size(), at(0.5), at(0.95), times.back());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    gq::app::ApplyLook(application);
    const int changes = argc > 1 ? std::max(2, std::atoi(argv[1])) : 40;
    QTemporaryDir folder;

    const QString plain = folder.filePath(QStringLiteral("plain.conf"));
    Report("default book (letter, 1 per page)", Measure(plain, changes));

    const QString sixByNine = folder.filePath(QStringLiteral("6x9.conf"));
    {
        QSettings settings(sixByNine, QSettings::IniFormat);
        settings.setValue(QStringLiteral("window/puzzlesPerPage"), 4);
        settings.setValue(QStringLiteral("setup/paper"), QStringLiteral("6x9"));
        settings.setValue(QStringLiteral("setup/printReady"), true);
    }
    Report("6 x 9 print-ready, 4 per page", Measure(sixByNine, changes));
    return 0;
}
