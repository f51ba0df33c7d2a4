// Time of a full 200-group read-back through the link worker on its own
// thread, against a simulated instrument that answers at once. The floor is
// the worker's own 30 ms pause after each group, so the ratio to 200 × 30 ms
// shows what the exchanges and the queued signals add. Then, with real
// time-outs, how long a stalled instrument (it takes no more reports) holds
// the link before it is declared lost.
#include "DeviceManager.h"
#include "Records.h"
#include "SimBus.h"
#include "SimInstrument.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kGroups = 200;
constexpr double kPauseMs = 30.0;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    registerLinkMetaTypes();

    sim::SimBus& bus = sim::SimBus::instance();
    bus.setClockMode(sim::ClockMode::Manual);
    sim::SimInstrument* rv = bus.attach(sim::Model::RV718B);
    rv->addStoredRecords(kGroups);

    QThread thread;
    auto* dm = new DeviceManager;
    dm->moveToThread(&thread);
    thread.start();

    int groups = 0;
    int lastType = -1;
    QEventLoop loop;
    QObject receiver;
    QObject::connect(dm, &DeviceManager::finishReadReadBack, &receiver,
                     [&](std::vector<unsigned char>, int) { ++groups; });
    QObject::connect(dm, &DeviceManager::finishReadStorageNumSignal, &receiver,
                     [&](int) { loop.quit(); });
    QObject::connect(dm, &DeviceManager::stateProcessing, &receiver, [&](QString text, int type) {
        if (type == 6 || type == 2 || type == 4) {
            lastType = type;
            if (type != 6 && !rv->hasFault(sim::Fault::Stall))
                std::fprintf(stderr, "bench_readback: %s\n", qPrintable(text));
            loop.quit();
        }
    });

    const QString path = rv->path();
    QMetaObject::invokeMethod(dm, "connectSlot", Qt::QueuedConnection, Q_ARG(QString, path));
    QMetaObject::invokeMethod(dm, "readWriteStoreTotalNum", Qt::QueuedConnection);
    QMetaObject::invokeMethod(dm, "stopCirculation", Qt::QueuedConnection, Q_ARG(bool, false));
    loop.exec(); // the count arrived

    QElapsedTimer timer;
    timer.start();
    QMetaObject::invokeMethod(dm, "readWriteStorageDataSlot", Qt::QueuedConnection);
    loop.exec(); // the loop ended
    const double ms = double(timer.nsecsElapsed()) / 1e6;

    if (groups != kGroups) {
        std::fprintf(stderr, "bench_readback: %d of %d groups arrived\n", groups, kGroups);
        return 1;
    }
    std::printf("readback_200_ratio %.4f ratio\n", ms / (kGroups * kPauseMs));
    std::printf("readback_200_ms %.1f ms\n", ms);

    // Stalled while the host's queue is already full: the first write blocks.
    rv->setFault(sim::Fault::Stall, true);
    for (int i = 0; i < sim::kStalledReportsQueued; ++i) {
        QMetaObject::invokeMethod(dm, "readWriteStoreTotalNum", Qt::QueuedConnection);
        loop.exec(); // unanswered after a whole time-out; the link stays
    }
    timer.restart();
    QMetaObject::invokeMethod(dm, "readWriteStorageDataSlot", Qt::QueuedConnection);
    loop.exec();
    const double blocked = double(timer.nsecsElapsed()) / 1e6;
    const bool lostAtOnce = lastType == 4;

    // Stalled from the first group of a read-back on.
    rv->clearFaults();
    QMetaObject::invokeMethod(dm, "connectSlot", Qt::QueuedConnection, Q_ARG(QString, path));
    QMetaObject::invokeMethod(dm, "readWriteStoreTotalNum", Qt::QueuedConnection);
    loop.exec();
    rv->setFault(sim::Fault::Stall, true);
    timer.restart();
    QMetaObject::invokeMethod(dm, "readWriteStorageDataSlot", Qt::QueuedConnection);
    loop.exec();
    const double stalled = double(timer.nsecsElapsed()) / 1e6;

    thread.quit();
    thread.wait();
    delete dm;
    if (!lostAtOnce || lastType != 4) {
        std::fprintf(stderr, "bench_readback: the stalled instrument was not declared lost\n");
        return 1;
    }
    std::printf("stall_lost_after_first_blocked_write_ms %.1f ms\n", blocked);
    std::printf("stall_lost_during_readback_ms %.1f ms\n", stalled);
    return 0;
}
