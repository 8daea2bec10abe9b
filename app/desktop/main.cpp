// gridquill: the desktop window over the book engine.
#include "app/desktop/BookMakerRun.h"
#include "app/desktop/Desktop.h"
#include "app/desktop/MainWindow.h"
#include "book/InterruptCleanup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    gq::book::InstallInterruptCleanup();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Gridquill"));
    // Ties the window to its menu entry and icon where the window system asks (Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.example.Gridquill"));
    gq::app::ApplyLook(application);

    gq::app::TSystemDesktop desktop;
    gq::app::TForm1 form(desktop, gq::app::MakeBookMakerRun);
    form.show();
    return QApplication::exec();
}
