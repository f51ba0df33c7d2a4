#include "DeviceManager.h"

#include "DeviceLocation.h"
#include "Frames.h"
#include "LinkLog.h"

#include <QHash>
#include <QMutexLocker>
#include <QThread>

#include <cerrno>

namespace {

// Reports that are not the awaited reply, tolerated per read (per time-out
// period) before the reply counts as missing, so that an instrument that
// keeps talking cannot hold the link thread.
constexpr int kMaxForeignReports = 8;
// Stored groups in a row without their reply before the read-back asks the
// instrument whether it still answers at all.
constexpr int kMaxUnansweredGroups = 3;

using Buffer = std::vector<unsigned char>;

// A read buffer holds the count byte in front: buffer index i is frame offset i - 1.
unsigned char frameByte(const Buffer& buffer, int frameOffset)
{
    return buffer[std::size_t(frameOffset) + 1];
}

bool isReply(const Buffer& buffer, protocol::Command command)
{
    return frameByte(buffer, 0) == protocol::kSync0 &&
           frameByte(buffer, protocol::kCommandOffset) == command;
}

// hidraw sends a short write short, so every report goes out at full length.
// A write that fails means the device is gone, or the instrument has stopped
// taking reports and the system gave up after blocking for seconds: either
// way the link is lost, and writing again would only block again.
bool writeReport(hid_device* device, const QByteArray& report)
{
    const QByteArray out = frames::padded(report);
    const int written = hid_write(device, reinterpret_cast<const unsigned char*>(out.constData()),
                                  size_t(out.size()));
    if (written < 0)
        qCWarning(lcLink).noquote()
            << "write failed:" << QString::fromWCharArray(hid_error(device));
    return written >= 0;
}

int readReport(hid_device* device, Buffer& buffer)
{
    return hid_read_timeout(device, buffer.data(), buffer.size(), protocol::kReadTimeoutMs);
}

// Reports that arrived after their exchange had given up on them (late
// replies, stray acknowledgements) would otherwise be taken for the next reply.
void discardStaleInput(hid_device* device)
{
    Buffer scratch(protocol::kInputReportSize, 0);
    for (int i = 0; i < kMaxForeignReports; ++i)
        if (hid_read_timeout(device, scratch.data(), scratch.size(), 0) <= 0)
            return;
}

enum class Awaited
{
    Reply,   // the buffer holds the awaited reply
    Missing, // the time-out passed without it (silence, or only other reports)
    Gone,    // the read failed: the device is gone
};

// Reads until a report that `accept` takes arrives, skipping any other, all
// within one time-out.
template <typename Accept> Awaited awaitReply(hid_device* device, Buffer& buffer, Accept accept)
{
    const QDeadlineTimer deadline(protocol::kReadTimeoutMs);
    for (int skipped = 0; skipped < kMaxForeignReports; ++skipped) {
        std::fill(buffer.begin(), buffer.end(), 0);
        const int n = hid_read_timeout(device, buffer.data(), buffer.size(),
                                       int(qMax<qint64>(0, deadline.remainingTime())));
        if (n < 0)
            return Awaited::Gone;
        if (n == 0)
            return Awaited::Missing;
        if (accept(buffer))
            return Awaited::Reply;
        qCDebug(lcLink) << "skipped a report that is not the awaited reply, command"
                        << frameByte(buffer, protocol::kCommandOffset);
    }
    return Awaited::Missing;
}

Awaited awaitReply(hid_device* device, Buffer& buffer, protocol::Command command)
{
    return awaitReply(device, buffer, [command](const Buffer& b) { return isReply(b, command); });
}

QString fromWide(const wchar_t* text)
{
    return text ? QString::fromWCharArray(text) : QString();
}

// hidapi wants hid_exit() once, after the last user; one DeviceManager per
// program is the rule, tests make several in turn.
QMutex instancesMutex;
int instances = 0;

} // namespace

DeviceManager::DeviceManager(QObject* parent) : QObject(parent)
{
    hid_init();
    QMutexLocker lock(&instancesMutex);
    ++instances;
}

DeviceManager::~DeviceManager()
{
    closeDevice();
    QMutexLocker lock(&instancesMutex);
    if (--instances == 0)
        hid_exit();
}

void DeviceManager::closeDevice()
{
    if (device) {
        hid_close(device);
        device = nullptr;
    }
}

void DeviceManager::settleBeforeNextExchange()
{
    settled = QDeadlineTimer(protocol::kSettleMs);
}

void DeviceManager::waitUntilSettled()
{
    const qint64 left = settled.remainingTime();
    if (left > 0)
        QThread::msleep(static_cast<unsigned long>(left));
}

void DeviceManager::declareLost(const QString& message)
{
    online = false;
    closeDevice();
    emit stateProcessing(message, report::LinkLost);
}

void DeviceManager::detectDevices()
{
    QStringList paths;
    QStringList serials;
    hid_device_info* devices = hid_enumerate(vendorId, productId);
    for (const hid_device_info* d = devices; d; d = d->next) {
        if (d->vendor_id == vendorId && d->product_id == productId) {
            paths.append(d->path ? QString::fromUtf8(d->path) : QString());
            serials.append(fromWide(d->serial_number).trimmed());
        }
    }
    hid_free_enumeration(devices);
    QStringList ports;
    for (const QString& path : qAsConst(paths))
        ports.append(usbPortOfHidraw(path));
    qCDebug(lcLink) << "instruments found:" << paths;
    emit detectedDeviceDetails(paths, ports, serials);
    emit detectedDeviceSignal(paths);
}

void DeviceManager::connectSlot(QString devicePath)
{
    if (devicePath.isEmpty()) {
        emit finishUsbDetection(false, QString());
        return;
    }
    // A handle left open would leak and keep the old hidraw node busy.
    closeDevice();
    online = false;
    const QByteArray path = devicePath.toUtf8();
    errno = 0;
    hid_device* opened = hid_open_path(path.constData());
    if (!opened) {
        const int error = errno;
        qCWarning(lcLink).noquote() << "cannot open" << devicePath << "-" << qt_error_string(error);
        emit openFailed(devicePath, error);
        emit finishUsbDetection(false, QString());
        return;
    }
    device = opened;
    hid_set_nonblocking(device, 1);
    qCDebug(lcLink) << "opened" << devicePath;
    emit finishUsbDetection(true, devicePath);
}

void DeviceManager::disconnectSlot()
{
    online = false;
    closeDevice();
}

bool DeviceManager::sendRequest(const QByteArray& request, const QString& lostMessage)
{
    discardStaleInput(device);
    if (writeReport(device, request))
        return true;
    declareLost(lostMessage);
    return false;
}

void DeviceManager::readWriteLiveDataSlot()
{
    if (!device) {
        emit stateProcessing(tr("设备未连接"), report::LinkLost);
        return;
    }
    waitUntilSettled();
    Buffer first(protocol::kInputReportSize, 0);
    Buffer second(protocol::kLiveSecondBuffer, 0);
    if (!sendRequest(frames::liveRequest(), tr("设备未连接")))
        return;

    int foreign = 0;
    bool ok = true;
    for (;;) { // first part: skip reports until count 0x3F; a time-out ends the step
        if (readReport(device, first) <= 0 || first[0] == protocol::kLiveFirstCount)
            break;
        if (++foreign >= kMaxForeignReports) {
            ok = false;
            break;
        }
    }
    while (ok) { // second part: skip reports until count 0x01; a time-out fails
        if (readReport(device, second) <= 0) {
            ok = false;
        } else if (second[0] == protocol::kLiveSecondCount) {
            break;
        } else if (++foreign >= kMaxForeignReports) {
            ok = false;
        }
    }

    if (!ok) {
        declareLost(tr("设备未连接"));
        return;
    }
    if (!online)
        emit upperSwitchOnSignal();
    online = true;
    Buffer frame(first.begin() + 1, first.end());
    frame.push_back(second[1]);
    if (frame[0] == protocol::kSync0 && frame[protocol::kCommandOffset] == protocol::LiveData)
        emit finishReadRealTime(frame);
    else
        emit liveReplyRejected();
}

void DeviceManager::readWriteStoreTotalNum()
{
    QMutexLocker lock(&mutex);
    if (!device) {
        emit stateProcessing(tr("设备未连接"), report::LinkLost);
        return;
    }
    waitUntilSettled();
    Buffer reply(protocol::kStoreCountBuffer, 0);
    if (!sendRequest(frames::storeCountRequest(), tr("设备未连接")))
        return;
    const Awaited got = awaitReply(device, reply, protocol::StoreCount);
    if (got == Awaited::Gone) {
        declareLost(tr("设备未连接"));
        return;
    }
    if (got == Awaited::Missing) {
        emit stateProcessing(tr("读取存储数据失败"), report::StoreCountUnusable);
        return;
    }
    storageTotal = frameByte(reply, protocol::kStoreCountOffset);
    if (storageTotal == 0)
        emit stateProcessing(tr("无存储数据"), report::StoreCountUnusable);
    else if (storageTotal <= protocol::kMaxStoredGroups) {
        settleBeforeNextExchange(); // before the first group is requested
        emit finishReadStorageNumSignal(storageTotal);
    } else // the memory holds at most 200 groups: the count is not usable
        emit stateProcessing(tr("读取存储数据失败"), report::StoreCountUnusable);
}

DeviceManager::Probe DeviceManager::probeStoreCount()
{
    if (!sendRequest(frames::storeCountRequest(), tr("设备未连接")))
        return Probe::Lost;
    Buffer reply(protocol::kStoreCountBuffer, 0);
    const Awaited got = awaitReply(device, reply, protocol::StoreCount);
    if (got == Awaited::Reply) {
        settleBeforeNextExchange();
        return Probe::Answered;
    }
    declareLost(got == Awaited::Gone ? tr("设备未连接") : tr("测试仪不再应答，存储数据读取中止"));
    return Probe::Lost;
}

void DeviceManager::readWriteStorageDataSlot()
{
    if (!device) {
        emit stateProcessing(tr("设备未连接"), report::LinkLost);
        return;
    }
    const QString failedGroup = tr("读取第%1组数据失败");
    int unanswered = 0; // groups in a row without their reply
    for (int group = 1;; ++group) {
        {
            QMutexLocker lock(&mutex);
            if (storageTotal < group || stopRequested) {
                emit stateProcessing(QString(), report::ReadBackEnded);
                return;
            }
        }
        waitUntilSettled();
        if (!sendRequest(frames::storedGroupRequest(group), tr("设备未连接")))
            return;
        // Only the reply naming this group fills its row: a late reply to an
        // earlier request, or any other report, would put a record in the
        // wrong row.
        Buffer reply(protocol::kStoredGroupBuffer, 0);
        const Awaited got = awaitReply(device, reply, [group](const Buffer& b) {
            return isReply(b, protocol::StoredGroup) &&
                   frameByte(b, protocol::stored::kGroup) == group;
        });
        if (got == Awaited::Gone) {
            declareLost(tr("设备未连接"));
            return;
        }
        if (got == Awaited::Reply) {
            unanswered = 0;
            emit finishReadReadBack(Buffer(reply.begin() + 1, reply.end()), group);
            QThread::msleep(protocol::kGroupPauseMs);
            continue;
        }
        emit stateProcessing(failedGroup.arg(group), report::Information);
        // A few unreadable groups are skipped; a run of them asks whether the
        // instrument still answers at all, so a silent one does not hold the
        // link for minutes and a live one is read to its last group.
        if (++unanswered >= kMaxUnansweredGroups) {
            if (probeStoreCount() == Probe::Lost)
                return;
            unanswered = 0;
        }
    }
}

bool DeviceManager::sendCommand(const QByteArray& frame, const QString& failMessage)
{
    hid_set_nonblocking(device, 1);
    Buffer reply(protocol::kAcknowledgeBuffer, 0);
    for (int attempt = 1;; ++attempt) {
        if (!sendRequest(frame, failMessage))
            return false;
        const Awaited got = awaitReply(device, reply, protocol::ParameterWrite);
        if (got == Awaited::Reply)
            return frameByte(reply, protocol::kAcknowledgeVerdictOffset) == protocol::kAccepted;
        if (got == Awaited::Gone || attempt >= protocol::kMaxTimeouts) {
            declareLost(failMessage);
            return false;
        }
        QThread::msleep(protocol::kRetryPauseMs);
    }
}

void DeviceManager::requestStartTestingSlot()
{
    QMutexLocker lock(&mutex);
    if (!device) {
        emit stateProcessing(tr("设备未连接"), report::LinkLost);
        return;
    }
    waitUntilSettled();
    const QString failMessage = tr("请求开始测试失败");
    const bool accepted = sendCommand(frames::startTestRequest(), failMessage);
    settleBeforeNextExchange();
    if (accepted)
        emit stateProcessing(tr("开始测试"), report::Information);
    else
        emit stateProcessing(failMessage, report::Information);
}

void DeviceManager::requestStopTestingSlot()
{
    QMutexLocker lock(&mutex);
    if (!device) {
        emit stateProcessing(tr("设备未连接"), report::LinkLost);
        return;
    }
    waitUntilSettled();
    const QString failMessage = tr("请求停止测试失败");
    const bool accepted = sendCommand(frames::stopTestRequest(), failMessage);
    settleBeforeNextExchange();
    if (accepted)
        emit stateProcessing(tr("停止测试"), report::Information);
    else
        emit stateProcessing(failMessage, report::Information);
}

void DeviceManager::updateTestSettingSlot(QByteArray data)
{
    if (data.isEmpty())
        return;
    QMutexLocker lock(&mutex);
    if (!device) {
        emit stateProcessing(tr("设备未连接"), report::LinkLost);
        return;
    }
    waitUntilSettled();
    constexpr int kParameterAt = 2 + protocol::kDataOffset + 1; // report index
    const int parameter = data.size() > kParameterAt ? quint8(data.at(kParameterAt)) : -1;
    // The operator is told which setting failed: several may be edited in a row.
    QString failMessage = tr("更新测量设置失败");
    const QHash<int, QString> names = {{protocol::TestCurrent, tr("电流设置")},
                                       {protocol::TestTime, tr("测试时间")},
                                       {protocol::ComparisonSetting, tr("比较值")},
                                       {protocol::ComparisonSwitch, tr("比较开关")}};
    if (names.contains(parameter))
        failMessage = tr("更新测量设置失败：%1").arg(names.value(parameter));
    const bool accepted = sendCommand(data, failMessage);
    // A new test time takes the instrument a moment, as a start does.
    if (parameter == protocol::TestTime)
        settleBeforeNextExchange();
    if (accepted)
        emit stateProcessing(tr("更新测量设置成功"), report::Information);
    else
        emit stateProcessing(failMessage, report::SettingsWriteFailed);
}

void DeviceManager::readWriteSystemInfo()
{
    if (!device) {
        emit stateProcessing(tr("设备未连接"), report::LinkLost);
        return;
    }
    waitUntilSettled();
    hid_set_nonblocking(device, 1);
    Buffer reply(protocol::kIdentityBuffer, 0);
    if (!sendRequest(frames::identityRequest(), tr("读取设备信息失败")))
        return;
    // Any report tells that the instrument answers; only its identity reply is passed on.
    bool answered = false;
    const Awaited got = awaitReply(device, reply, [&answered](const Buffer& b) {
        answered = true;
        return isReply(b, protocol::Identity);
    });
    if (got == Awaited::Gone || !answered) {
        declareLost(tr("读取设备信息失败"));
        return;
    }
    // online stays false here: the first good live poll sets it.
    if (!online)
        emit upperSwitchOnSignal();
    if (got == Awaited::Reply)
        emit finishReadSystemInfo(Buffer(reply.begin() + 1, reply.end()));
    else
        emit stateProcessing(tr("读取设备信息失败"), report::Information);
}

void DeviceManager::stopCirculation(bool stop)
{
    QMutexLocker lock(&mutex);
    stopRequested = stop;
}
