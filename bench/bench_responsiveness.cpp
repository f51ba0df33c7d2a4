// How the window holds up for the operator: the longest stall of the GUI
// thread while polling, reading back and editing settings; start-up time to
// the first painted window; memory and CPU while connected and polling; how
// long a 200-group read-back takes through the window.
// The real window, offscreen, against the simulated instrument.
#include "MainWindow.h"
#include "Records.h"
#include "SimBus.h"
#include "SimInstrument.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace {

// Milliseconds since this process started, from the kernel's own record.
double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Fields after the command name (in parentheses, which may hold blanks).
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startSeconds = fields.value(19).toDouble() / double(sysconf(_SC_CLK_TCK));
    const double upSeconds = uptime.readAll().split(' ').value(0).toDouble();
    return (upSeconds - startSeconds) * 1000.0;
}

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The longest gap between ticks of a 10 ms timer on the GUI thread while
// `work` runs until it says it is done.
double maxStallMs(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer since;
    double worst = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        worst = qMax(worst, double(since.nsecsElapsed()) / 1e6);
        since.restart();
    });
    since.start();
    ticker.start();
    if (!QTest::qWaitFor(done, timeoutMs) && timeoutMs > 30000)
        std::fprintf(stderr, "bench_responsiveness: gave up waiting after %d ms\n", timeoutMs);
    ticker.stop();
    // The gap beyond the timer's own period is the stall.
    return qMax(0.0, worst - 10.0);
}

class FirstPaint : public QObject
{
public:
    double atMs = -1;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && atMs < 0)
            atMs = msSinceProcessStart();
        return false;
    }
};

template <typename T> T* child(QWidget& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    registerLinkMetaTypes();

    sim::SimBus& bus = sim::SimBus::instance();
    bus.setClockMode(sim::ClockMode::RealTime);
    sim::SimInstrument* rv = bus.attach(sim::Model::RV718B);
    rv->addStoredRecords(200);

    FirstPaint firstPaint;
    MainWindow window;
    window.installEventFilter(&firstPaint);
    window.show();
    if (!QTest::qWaitFor([&] { return firstPaint.atMs >= 0; }, 5000)) {
        std::fprintf(stderr, "bench_responsiveness: the window was never painted\n");
        return 1;
    }
    std::printf("startup_first_paint_ms %.0f ms\n", firstPaint.atMs);

    auto* import = child<QAction>(window, "actionImport_storage");
    child<QAction>(window, "actionConnect")->trigger();
    if (!QTest::qWaitFor([&] { return import->isEnabled(); }, 10000)) {
        std::fprintf(stderr, "bench_responsiveness: the instrument did not connect\n");
        return 1;
    }
    QMetaObject::invokeMethod(&window, "sampleIntervalSlot", Q_ARG(int, 200));

    // Polling every 200 ms for 30 s: stalls, CPU and memory.
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const double pollingStall = maxStallMs([] { return false; }, 30000);
    const double cpuPercent = (cpuSeconds() - cpuBefore) / (double(wall.elapsed()) / 1000.0) * 100;
    std::printf("gui_max_stall_ms_polling %.1f ms\n", pollingStall);
    std::printf("polling_cpu_percent %.2f %%\n", cpuPercent);
    std::printf("idle_rss_mb %.1f MB\n", residentMb());

    // A 200-group read-back, from the import action to the last row, against
    // the protocol's floor of 200 x 30 ms.
    auto* progress = child<QProgressBar>(window, "progressBar");
    QElapsedTimer readback;
    readback.start();
    import->trigger();
    const double readbackStall =
        maxStallMs([&] { return progress->value() == 100 && import->isEnabled(); }, 60000);
    const double readbackMs = double(readback.nsecsElapsed()) / 1e6;
    std::printf("gui_max_stall_ms_readback %.1f ms\n", readbackStall);
    std::printf("readback_window_200_ratio %.4f ratio\n", readbackMs / (200 * 30.0));
    child<QAction>(window, "actionLiveTestView")->trigger();

    // Settings edits and test starts: every one of them makes the instrument
    // settle, which the window must not wait for.
    auto* update = child<QPushButton>(window, "pushButton_UpdatePara");
    auto* test = child<QPushButton>(window, "pushButton_Test");
    auto* time = child<QSpinBox>(window, "spinBox_TestingTimeValue");
    auto* current = child<QComboBox>(window, "comboBox_CurrentSettingValue");
    int step = 0;
    QTimer operatorHands;
    operatorHands.setInterval(150);
    QObject::connect(&operatorHands, &QTimer::timeout, [&] {
        switch (step++ % 6) {
        case 0:
            if (update->isEnabled())
                update->click();
            break;
        case 1:
            time->setValue(20 + step % 30);
            emit time->editingFinished();
            break;
        case 2:
            emit current->activated(step % 10);
            break;
        case 3:
            if (update->isEnabled())
                update->click();
            break;
        default:
            if (test->isEnabled())
                test->click();
            break;
        }
    });
    operatorHands.start();
    const double settingsStall = maxStallMs([&] { return step >= 60; }, 60000);
    operatorHands.stop();
    std::printf("gui_max_stall_ms_settings %.1f ms\n", settingsStall);
    return 0;
}
