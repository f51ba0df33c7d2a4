// Random instrument replies into the link worker. The first input byte sets
// how many exchanges run, the next bytes choose them; the rest is the script
// of input reports the fuzz hidapi backend hands out. Checks what must hold
// for any reply: every exchange ends, frames leave at their fixed lengths,
// messages carry known error types, no handle outlives the worker.
#include "DeviceManager.h"
#include "Frames.h"
#include "FuzzHidApi.h"
#include "Records.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdlib>

// The worker's pauses (30 ms per group, 50 ms per retry) pace a real
// instrument; against the script they would only slow the fuzzer down.
void QThread::msleep(unsigned long) {}

namespace {

enum Exchange
{
    Live,
    Count,
    ReadBack,
    Start,
    Stop,
    Settings,
    Identity,
    Connect,
    Detect,
    Close,
    Kinds
};

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_link";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        registerLinkMetaTypes();
        return new QCoreApplication(argc, argv);
    }();
    Q_UNUSED(app);
    if (size == 0)
        return 0;
    const std::size_t count = std::min<std::size_t>(1 + data[0] % 8, size - 1);
    const std::uint8_t* plan = data + 1;
    fuzzhid::setScript(plan + count, size - 1 - count);

    const QString path = QString::fromLatin1(fuzzhid::kPath);
    {
        DeviceManager link;
        int lastType = -1;
        int lastGroup = 0;
        int groupsLeft = 0; // > 0 only inside a read-back
        // Ends the read-back after a few groups, as the operator's stop does.
        auto groupDone = [&] {
            if (groupsLeft > 0 && --groupsLeft == 0)
                link.stopCirculation(true);
        };
        QObject::connect(&link, &DeviceManager::stateProcessing,
                         [&](const QString& text, int type) {
                             check(type == 0 || type == 2 || type == 3 || type == 4 || type == 6);
                             check(text.isEmpty() == (type == 6));
                             lastType = type;
                             if (type == 0)
                                 groupDone();
                         });
        QObject::connect(&link, &DeviceManager::finishReadRealTime,
                         [](std::vector<unsigned char> f) {
                             check(f.size() == 64 && f[0] == 0xAB && f[4] == 0x05);
                         });
        QObject::connect(&link, &DeviceManager::finishReadReadBack,
                         [&](std::vector<unsigned char> f, int group) {
                             check(f.size() == 35 && group > lastGroup && group <= 255);
                             lastGroup = group;
                             groupDone();
                         });
        QObject::connect(&link, &DeviceManager::finishReadSystemInfo,
                         [](std::vector<unsigned char> f) { check(f.size() == 30); });
        QObject::connect(&link, &DeviceManager::finishReadStorageNumSignal,
                         [](int total) { check(total >= 1 && total <= 200); });
        QObject::connect(&link, &DeviceManager::finishUsbDetection, [&](bool ok, QString opened) {
            check(ok ? opened == path : opened.isEmpty());
        });
        QObject::connect(&link, &DeviceManager::detectedDeviceSignal,
                         [&](QStringList paths) { check(paths == QStringList{path}); });
        link.connectSlot(path);

        for (std::size_t i = 0; i < count; ++i) {
            const int param = plan[i] / Kinds;
            fuzzhid::beginExchange();
            lastType = -1;
            switch (plan[i] % Kinds) {
            case Live:
                link.readWriteLiveDataSlot();
                break;
            case Count:
                link.readWriteStoreTotalNum();
                break;
            case ReadBack:
                lastGroup = 0;
                groupsLeft = 1 + param % 4;
                link.stopCirculation(param % 5 == 4);
                link.readWriteStorageDataSlot();
                groupsLeft = 0;
                check(lastType == 6 || lastType == 4); // ended, or the link is lost
                break;
            case Start:
                link.requestStartTestingSlot();
                check(lastType == 0 || lastType == 4);
                break;
            case Stop:
                link.requestStopTestingSlot();
                check(lastType == 0 || lastType == 4);
                break;
            case Settings:
                // An empty frame is dropped without a message.
                link.updateTestSettingSlot(param % 3 ? frames::testTimeFrame(param) : QByteArray());
                check(param % 3 ? lastType == 0 || lastType == 3 || lastType == 4 : lastType == -1);
                break;
            case Identity:
                link.readWriteSystemInfo();
                break;
            case Connect:
                link.connectSlot(param % 2 ? path : QStringLiteral("/dev/hidraw-gone"));
                break;
            case Detect:
                link.detectDevices();
                break;
            default:
                link.disconnectSlot();
                break;
            }
        }
    }
    check(fuzzhid::openHandles() == 0);
    return 0;
}
