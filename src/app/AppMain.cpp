#include "AppMain.h"

#include "FontSetup.h"
#include "MainWindow.h"
#include "Records.h"

#include <QApplication>
#include <QFont>
#include <QIcon>

int runLoopTester(int& argc, char** argv, const std::function<void()>& beforeWindow,
                  const AppEdition& edition)
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(edition.applicationName));
    // Lets the desktop (Wayland in particular) match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("loop-tester"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/resource/appIcon.png")));
    registerLinkMetaTypes();
    installFontSubstitutions();
    // Message boxes and other unstyled widgets use the application font: give
    // it the forms' family so Chinese there is drawn with Simplified glyphs too.
    QApplication::setFont(QFont(QStringLiteral("Microsoft YaHei UI"), 10));

    if (beforeWindow)
        beforeWindow();
    MainWindow window;
    if (edition.titleNote)
        window.setTitleNote(edition.titleNote);
    window.show();
    return app.exec();
}
