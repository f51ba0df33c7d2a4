#include "DeviceManager.h"

#include "Frames.h"

#include <QDebug>
#include <QMutexLocker>
#include <QThread>

#include <cerrno>

namespace {

constexpr int kReadTimeoutMs = 1000;
constexpr unsigned long kGroupPauseMs = 30;
constexpr unsigned long kRetryPauseMs = 50;
constexpr int kMaxTimeouts = 3;
// Reports that are not the awaited reply, tolerated per exchange (per
// time-out period in sendCommand) before the exchange counts as timed out,
// so that an instrument that keeps talking cannot hold the link thread.
constexpr int kMaxForeignReports = 8;

constexpr unsigned char kSync = 0xAB;
constexpr unsigned char kLiveFirstCount = 0x3F;
constexpr unsigned char kLiveSecondCount = 0x01;
constexpr unsigned char kAcknowledge = 0x01;
constexpr unsigned char kLive = 0x05;
constexpr unsigned char kStoreCount = 0x08;
constexpr unsigned char kIdentity = 0x11;
constexpr unsigned char kAccepted = 0x4F; // "O"
constexpr int kMaxStoredGroups = 200;

// hidraw sends a short write short, so every report goes out at full length.
void writeReport(hid_device* device, const QByteArray& report)
{
    const QByteArray out = frames::padded(report);
    hid_write(device, reinterpret_cast<const unsigned char*>(out.constData()), size_t(out.size()));
}

int readReport(hid_device* device, unsigned char* buffer, size_t size)
{
    return hid_read_timeout(device, buffer, size, kReadTimeoutMs);
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
    if (device) {
        hid_close(device);
        device = nullptr;
    }
    QMutexLocker lock(&instancesMutex);
    if (--instances == 0)
        hid_exit();
}

void DeviceManager::detectDevices()
{
    QStringList paths;
    hid_device_info* devices = hid_enumerate(vendorId, productId);
    for (const hid_device_info* d = devices; d; d = d->next) {
        if (d->vendor_id == vendorId && d->product_id == productId)
            paths.append(d->path ? QString::fromUtf8(d->path) : QString());
    }
    hid_free_enumeration(devices);
    emit detectedDeviceSignal(paths);
}

void DeviceManager::connectSlot(QString devicePath)
{
    if (devicePath.isEmpty()) {
        emit finishUsbDetection(false, QString());
        return;
    }
    // A handle left open would leak and keep the old hidraw node busy.
    if (device) {
        hid_close(device);
        device = nullptr;
        online = false;
    }
    const QByteArray path = devicePath.toUtf8();
    hid_device* opened = hid_open_path(path.constData());
    if (!opened) {
        const int error = errno;
        const wchar_t* reason = hid_error(nullptr);
        qWarning().noquote() << "DeviceManager: cannot open" << devicePath << "-"
                             << qt_error_string(error) << "/"
                             << (reason ? QString::fromWCharArray(reason) : QString());
        emit finishUsbDetection(false, QString());
        return;
    }
    device = opened;
    hid_set_nonblocking(device, 1);
    emit finishUsbDetection(true, devicePath);
}

void DeviceManager::disconnectSlot()
{
    online = false;
    if (device) {
        hid_close(device);
        device = nullptr;
    }
}

void DeviceManager::readWriteLiveDataSlot()
{
    if (!device) {
        emit stateProcessing(tr("设备未连接"), 4);
        return;
    }
    std::vector<unsigned char> first(64, 0);
    std::vector<unsigned char> second(2, 0);
    writeReport(device, frames::liveRequest());

    int foreign = 0;
    bool ok = true;
    for (;;) { // first part: skip reports until count 0x3F; a time-out ends the step
        if (readReport(device, first.data(), first.size()) <= 0 || first[0] == kLiveFirstCount)
            break;
        if (++foreign >= kMaxForeignReports) {
            ok = false;
            break;
        }
    }
    while (ok) { // second part: skip reports until count 0x01; a time-out fails
        if (readReport(device, second.data(), second.size()) <= 0) {
            ok = false;
        } else if (second[0] == kLiveSecondCount) {
            break;
        } else if (++foreign >= kMaxForeignReports) {
            ok = false;
        }
    }

    if (!ok) {
        online = false;
        emit stateProcessing(tr("设备未连接"), 4);
        hid_close(device);
        device = nullptr;
        return;
    }
    if (!online)
        emit upperSwitchOnSignal();
    online = true;
    std::vector<unsigned char> frame(first.begin() + 1, first.end());
    frame.push_back(second[1]);
    if (frame[0] == kSync && frame[4] == kLive)
        emit finishReadRealTime(frame);
}

void DeviceManager::readWriteStoreTotalNum()
{
    QMutexLocker lock(&mutex);
    if (!device) {
        emit stateProcessing(tr("设备未连接"), 4);
        return;
    }
    std::vector<unsigned char> reply(10, 0);
    writeReport(device, frames::storeCountRequest());
    const int n = readReport(device, reply.data(), reply.size());
    if (n < 0) {
        online = false;
        emit stateProcessing(tr("设备未连接"), 4);
        return;
    }
    if (reply[1] != kSync || reply[5] != kStoreCount) {
        emit stateProcessing(tr("读取存储数据失败"), 2);
        return;
    }
    storageTotal = reply[7];
    if (storageTotal == 0)
        emit stateProcessing(tr("无存储数据"), 2);
    else if (storageTotal <= kMaxStoredGroups)
        emit finishReadStorageNumSignal(storageTotal);
    else // the memory holds at most 200 groups: the count is not usable
        emit stateProcessing(tr("读取存储数据失败"), 2);
}

void DeviceManager::readWriteStorageDataSlot()
{
    if (!device) {
        emit stateProcessing(tr("设备未连接"), 4);
        return;
    }
    const QString failedGroup = tr("读取第%1组数据失败");
    std::vector<unsigned char> reply(36, 0);
    for (int group = 1;; ++group) {
        {
            QMutexLocker lock(&mutex);
            if (storageTotal < group || stopRequested) {
                emit stateProcessing(QString(), 6);
                return;
            }
        }
        writeReport(device, frames::storedGroupRequest(group));
        const int n = readReport(device, reply.data(), reply.size());
        if (n < 0) {
            online = false;
            emit stateProcessing(tr("设备未连接"), 4);
            return;
        }
        if (n == 0) {
            emit stateProcessing(failedGroup.arg(group), 0);
            continue;
        }
        emit finishReadReadBack(std::vector<unsigned char>(reply.begin() + 1, reply.end()), group);
        QThread::msleep(kGroupPauseMs);
    }
}

bool DeviceManager::sendCommand(const QByteArray& frame, const QString& failMessage)
{
    hid_set_nonblocking(device, 1);
    std::vector<unsigned char> reply(11, 0);
    int timeouts = 0;
    int foreign = 0;
    for (;;) {
        writeReport(device, frame);
        const int n = readReport(device, reply.data(), reply.size());
        if (n > 0) {
            if (reply[1] == kSync && reply[5] == kAcknowledge)
                return reply[7] == kAccepted;
            if (++foreign < kMaxForeignReports)
                continue; // not our acknowledgement: write the frame again
            foreign = 0;  // too many: count it as a read that timed out
        }
        if (timeouts + 1 >= kMaxTimeouts) {
            online = false;
            emit stateProcessing(failMessage, 4);
            return false;
        }
        QThread::msleep(kRetryPauseMs);
        ++timeouts;
    }
}

void DeviceManager::requestStartTestingSlot()
{
    QMutexLocker lock(&mutex);
    if (!device) {
        emit stateProcessing(tr("设备未连接"), 4);
        return;
    }
    const QString failMessage = tr("请求开始测试失败");
    if (sendCommand(frames::startTestRequest(), failMessage))
        emit stateProcessing(tr("开始测试"), 0);
    else
        emit stateProcessing(failMessage, 0);
}

void DeviceManager::requestStopTestingSlot()
{
    QMutexLocker lock(&mutex);
    if (!device) {
        emit stateProcessing(tr("设备未连接"), 4);
        return;
    }
    const QString failMessage = tr("请求停止测试失败");
    if (sendCommand(frames::stopTestRequest(), failMessage))
        emit stateProcessing(tr("停止测试"), 0);
    else
        emit stateProcessing(failMessage, 0);
}

void DeviceManager::updateTestSettingSlot(QByteArray data)
{
    if (data.isEmpty())
        return;
    QMutexLocker lock(&mutex);
    if (!device) {
        emit stateProcessing(tr("设备未连接"), 4);
        return;
    }
    const QString failMessage = tr("更新测量设置失败");
    if (sendCommand(data, failMessage))
        emit stateProcessing(tr("更新测量设置成功"), 0);
    else
        emit stateProcessing(failMessage, 3);
}

void DeviceManager::readWriteSystemInfo()
{
    if (!device) {
        emit stateProcessing(tr("设备未连接"), 4);
        return;
    }
    hid_set_nonblocking(device, 1);
    std::vector<unsigned char> reply(31, 0);
    writeReport(device, frames::identityRequest());
    if (readReport(device, reply.data(), reply.size()) <= 0) {
        online = false;
        emit stateProcessing(tr("读取设备信息失败"), 4);
        return;
    }
    // online stays false here: the first good live poll sets it.
    if (!online)
        emit upperSwitchOnSignal();
    if (reply[5] == kIdentity)
        emit finishReadSystemInfo(std::vector<unsigned char>(reply.begin() + 1, reply.end()));
    else
        emit stateProcessing(tr("读取设备信息失败"), 0);
}

void DeviceManager::stopCirculation(bool stop)
{
    QMutexLocker lock(&mutex);
    stopRequested = stop;
}
