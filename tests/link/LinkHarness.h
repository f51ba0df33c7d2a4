#pragma once

// A DeviceManager on its own thread, driven the way the main window drives
// it: through signals connected with queued connections, its replies collected
// on the test's thread. Plus a small checker of reply frames that trusts
// neither the product's frame code nor the simulator's.

#include "DeviceManager.h"
#include "Records.h"

#include <QByteArray>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <QTest>
#include <QThread>

#include <vector>

using Bytes = std::vector<unsigned char>;

// True when the frame's length field and 16-bit little-endian checksum (sum
// of the bytes from offset 2 to the last data byte) agree with its bytes.
inline bool frameIsSound(const Bytes& f)
{
    if (f.size() < 7 || f[0] != 0xAB || f[1] != 0xCD)
        return false;
    if (size_t(f[2] | (f[3] << 8)) != f.size() - 4)
        return false;
    unsigned sum = 0;
    for (size_t i = 2; i + 2 < f.size(); ++i)
        sum += f[i];
    return (sum & 0xFFFF) == unsigned(f[f.size() - 2] | (f[f.size() - 1] << 8));
}

inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

using Message = QPair<QString, int>;

inline Message msg(const char* utf8, int type)
{
    return {QString::fromUtf8(utf8), type};
}

class LinkHarness : public QObject
{
    Q_OBJECT
public:
    LinkHarness()
    {
        dm = new DeviceManager;
        dm->moveToThread(&thread);
        const auto q = Qt::QueuedConnection;
        connect(this, &LinkHarness::detectDeviceSignal, dm, &DeviceManager::detectDevices, q);
        connect(this, &LinkHarness::connectUsbSignal, dm, &DeviceManager::connectSlot, q);
        connect(this, &LinkHarness::disConnectSignal, dm, &DeviceManager::disconnectSlot, q);
        connect(this, &LinkHarness::liveTick, dm, &DeviceManager::readWriteLiveDataSlot, q);
        connect(this, &LinkHarness::startReadStoreTotalNum, dm,
                &DeviceManager::readWriteStoreTotalNum, q);
        connect(this, &LinkHarness::startReadReadBackData, dm,
                &DeviceManager::readWriteStorageDataSlot, q);
        connect(this, &LinkHarness::startTestingSignal, dm, &DeviceManager::requestStartTestingSlot,
                q);
        connect(this, &LinkHarness::stopTestingSignal, dm, &DeviceManager::requestStopTestingSlot,
                q);
        connect(this, &LinkHarness::updateTestSettingSignal, dm,
                &DeviceManager::updateTestSettingSlot, q);
        connect(this, &LinkHarness::getSystemInfoSignal, dm, &DeviceManager::readWriteSystemInfo,
                q);
        connect(this, &LinkHarness::stopCirculationSignal, dm, &DeviceManager::stopCirculation, q);

        connect(
            dm, &DeviceManager::detectedDeviceSignal, this,
            [this](QStringList p) { detected.append(p); }, q);
        connect(
            dm, &DeviceManager::finishUsbDetection, this,
            [this](bool ok, QString p) {
                connects.append({ok, p});
            },
            q);
        connect(
            dm, &DeviceManager::upperSwitchOnSignal, this, [this] { ++switchOns; }, q);
        connect(
            dm, &DeviceManager::finishReadRealTime, this, [this](Bytes f) { live.append(f); }, q);
        connect(
            dm, &DeviceManager::finishReadStorageNumSignal, this,
            [this](int n) { totals.append(n); }, q);
        connect(
            dm, &DeviceManager::finishReadReadBack, this,
            [this](Bytes f, int g) {
                groups.append({f, g});
            },
            q);
        connect(
            dm, &DeviceManager::stateProcessing, this,
            [this](QString text, int type) {
                messages.append({text, type});
            },
            q);
        connect(
            dm, &DeviceManager::finishReadSystemInfo, this,
            [this](Bytes f) { identities.append(f); }, q);
        thread.start();
    }

    ~LinkHarness() override
    {
        thread.quit();
        thread.wait();
        delete dm;
    }

    // Waits until every exchange queued so far has finished and its signals
    // have arrived here.
    bool settle(int timeoutMs = 20000)
    {
        const int target = ++posted;
        QMetaObject::invokeMethod(
            dm,
            [this] {
                QMetaObject::invokeMethod(
                    this, [this] { ++done; }, Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
        return QTest::qWaitFor([&] { return done >= target; }, timeoutMs);
    }

    DeviceManager* dm = nullptr;
    QThread thread;

    QList<QStringList> detected;
    QList<QPair<bool, QString>> connects;
    int switchOns = 0;
    QList<Bytes> live;
    QList<int> totals;
    QList<QPair<Bytes, int>> groups;
    QList<Message> messages;
    QList<Bytes> identities;

signals:
    void detectDeviceSignal();
    void connectUsbSignal(QString path);
    void disConnectSignal();
    void liveTick();
    void startReadStoreTotalNum();
    void startReadReadBackData();
    void startTestingSignal();
    void stopTestingSignal();
    void updateTestSettingSignal(QByteArray frame);
    void getSystemInfoSignal();
    void stopCirculationSignal(bool stop);

private:
    int posted = 0;
    int done = 0;
};
