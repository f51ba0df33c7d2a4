#include "DemoInstrument.h"

#include "SimBus.h"
#include "SimPanel.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace sim {
namespace {

QPointer<SimPanel> demoPanel;

// The window the panel goes beside: the active one, else the first visible
// top-level (a window just shown may not be active yet).
QWidget* mainWindow(const QWidget* panel)
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != panel && w->isVisible() && w->isWindow())
            return w;
    return nullptr;
}

// Puts the panel right of the main window when it fits there, else at the
// right edge of that window's screen, so it covers as little as possible.
void placeBesideMainWindow(QWidget* panel)
{
    QWidget* main = mainWindow(panel);
    QScreen* screen = main ? main->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect avail = screen->availableGeometry();
    const QSize size = panel->sizeHint();
    QPoint at(avail.right() - size.width(), avail.top());
    if (main) {
        const QRect frame = main->frameGeometry();
        if (frame.right() + size.width() <= avail.right())
            at = QPoint(frame.right() + 1, frame.top());
    }
    panel->move(at);
}

} // namespace

void startDemoInstrument()
{
    static bool busReady = false;
    if (!busReady) {
        busReady = true;
        SimBus& bus = SimBus::instance();
        bus.setClockMode(ClockMode::RealTime);
        bus.setClockSpeed(1);
        if (bus.instruments().isEmpty())
            bus.attach(Model::RV718B);
        // The panel is not the program's window: once the main window has
        // closed and the event loop returned, it goes too.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp,
                         [] { delete demoPanel.data(); });
    }
    if (!demoPanel) {
        demoPanel = new SimPanel;
        demoPanel->setAttribute(Qt::WA_DeleteOnClose);
        placeBesideMainWindow(demoPanel);
    }
    demoPanel->show();
}

} // namespace sim
