// Scripted instrument replies into the link worker. The input is a sequence
// of exchanges, each naming the slot to run, its argument and the input
// reports the instrument answers with, so the fuzzer steers which exchange
// runs (live polls, store count and read-back, start, stop, every parameter
// write, identity, reconnects) and what it meets. Checks what must hold for
// any reply: every exchange ends, every report written is a well-formed frame
// at full length (the backend checks), messages carry known error types, what
// goes on to the decoder has its fixed length, no handle outlives the worker.
//
// Input: exchanges, each
//   op:u8          the slot, op % 10 (see Exchange)
//   arg:u16 (LE)   its argument: the parameter frame of a settings write, how
//                  many groups a read-back runs before the operator stops it
//   length:u16     then that many bytes of reply script (FuzzHidApi.h: a
//                  length byte and the report's bytes per input report; 0xFF a
//                  broken link, 0xFE a time-out); what an exchange leaves
//                  unread is dropped, and a script that runs dry times out.
// At most kMaxExchanges run; the link starts opened.
#include "DeviceManager.h"
#include "Frames.h"
#include "FuzzHidApi.h"
#include "FuzzInput.h"
#include "Records.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdlib>

// The worker's pauses (the settle pause, 30 ms per group, 50 ms per retry)
// pace a real instrument; against the script they would only slow the fuzzer.
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

constexpr int kMaxExchanges = 16;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// The parameter frame of a settings write: arg bits 0-2 choose the kind, the
// rest is its value. Kind 4 is an empty frame, which the worker drops.
QByteArray settingsFrame(std::uint16_t arg)
{
    const int value = arg >> 3;
    switch ((arg & 7) % 5) {
    case 0:
        return frames::comparisonSwitchFrame(value & 1);
    case 1:
        return frames::testCurrentFrame(value);
    case 2:
        return frames::testTimeFrame(value);
    case 3:
        return frames::comparisonSettingFrame(
            frames::settledComparison((value >> 1) / 10.0, 9999.9).value, value & 1);
    default:
        return QByteArray();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int argc = 1;
    static char name[] = "fuzz_link";
    static char* argv[] = {name, nullptr};
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    registerLinkMetaTypes();
    new QCoreApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
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
        QObject::connect(
            &link, &DeviceManager::stateProcessing, [&](const QString& text, int type) {
                check(type == report::Information || type == report::StoreCountUnusable ||
                      type == report::SettingsWriteFailed || type == report::LinkLost ||
                      type == report::ReadBackEnded);
                check(text.isEmpty() == (type == report::ReadBackEnded));
                lastType = type;
                if (type == report::Information)
                    groupDone();
            });
        QObject::connect(
            &link, &DeviceManager::finishReadRealTime, [](std::vector<unsigned char> f) {
                check(f.size() == protocol::kLiveFrameSize && f[0] == protocol::kSync0 &&
                      f[protocol::kCommandOffset] == protocol::LiveData);
            });
        QObject::connect(&link, &DeviceManager::finishReadReadBack,
                         [&](std::vector<unsigned char> f, int group) {
                             check(f.size() == protocol::kStoredFrameSize && group > lastGroup &&
                                   group <= protocol::kMaxStoredGroups);
                             lastGroup = group;
                             groupDone();
                         });
        QObject::connect(
            &link, &DeviceManager::finishReadSystemInfo,
            [](std::vector<unsigned char> f) { check(f.size() == protocol::kIdentityFrameSize); });
        QObject::connect(&link, &DeviceManager::finishReadStorageNumSignal, [](int total) {
            check(total >= 1 && total <= protocol::kMaxStoredGroups);
        });
        QObject::connect(&link, &DeviceManager::finishUsbDetection, [&](bool ok, QString opened) {
            check(ok ? opened == path : opened.isEmpty());
        });
        QObject::connect(&link, &DeviceManager::detectedDeviceSignal,
                         [&](QStringList paths) { check(paths == QStringList{path}); });
        fuzzhid::setScript(nullptr, 0);
        link.connectSlot(path);

        FuzzInput in(data, size);
        for (int i = 0; i < kMaxExchanges && !in.atEnd(); ++i) {
            const int op = in.byte() % Kinds;
            const std::uint16_t arg = in.word();
            std::size_t length = 0;
            const std::uint8_t* script = in.take(in.word(), &length);
            fuzzhid::setScript(script, length);
            fuzzhid::beginExchange();
            lastType = -1;
            switch (op) {
            case Live:
                link.readWriteLiveDataSlot();
                break;
            case Count:
                link.readWriteStoreTotalNum();
                break;
            case ReadBack:
                lastGroup = 0;
                groupsLeft = 1 + arg % 8;
                link.stopCirculation(arg & 0x100);
                link.readWriteStorageDataSlot();
                groupsLeft = 0;
                check(lastType == report::ReadBackEnded || lastType == report::LinkLost);
                break;
            case Start:
                link.requestStartTestingSlot();
                check(lastType == report::Information || lastType == report::LinkLost);
                break;
            case Stop:
                link.requestStopTestingSlot();
                check(lastType == report::Information || lastType == report::LinkLost);
                break;
            case Settings: {
                const QByteArray frame = settingsFrame(arg);
                link.updateTestSettingSlot(frame);
                if (frame.isEmpty())
                    check(lastType == -1); // dropped without a message
                else
                    check(lastType == report::Information ||
                          lastType == report::SettingsWriteFailed || lastType == report::LinkLost);
                break;
            }
            case Identity:
                link.readWriteSystemInfo();
                break;
            case Connect:
                link.connectSlot(arg & 1 ? path : QStringLiteral("/dev/hidraw-gone"));
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
