// A full 200-group read-back through the window, from the import action to
// the last row shown, against a simulated instrument that answers at once.
// The floor is the protocol's 30 ms pause after each group (200 × 30 ms);
// the ratio shows what the window, the decoder and the queues add.
#include "MainWindow.h"
#include "Records.h"
#include "SimBus.h"
#include "SimInstrument.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTest>

#include <cstdio>

namespace {

constexpr int kGroups = 200;
constexpr double kFloorMs = kGroups * 30.0;

template <typename T> T* child(QObject& parent, const char* name)
{
    return parent.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    registerLinkMetaTypes();

    sim::SimBus& bus = sim::SimBus::instance();
    bus.setClockMode(sim::ClockMode::Manual);
    bus.attach(sim::Model::RV718B)->addStoredRecords(kGroups);

    MainWindow window;
    auto* import = child<QAction>(window, "actionImport_storage");
    auto* progress = child<QProgressBar>(window, "progressBar");
    child<QAction>(window, "actionConnect")->trigger();
    if (!QTest::qWaitFor([&] { return import->isEnabled(); }, 10000)) {
        std::fprintf(stderr, "bench_readback_window: the instrument did not connect\n");
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    import->trigger();
    // The bar reaches 100 with the last row, and the import comes back with
    // the end of the read-back.
    const bool done =
        QTest::qWaitFor([&] { return progress->value() == 100 && import->isEnabled(); }, 60000);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (!done) {
        std::fprintf(stderr, "bench_readback_window: the read-back did not finish\n");
        return 1;
    }
    std::printf("readback_window_200_ratio %.4f ratio\n", ms / kFloorMs);
    std::printf("readback_window_200_ms %.1f ms\n", ms);
    return 0;
}
