#pragma once

#include "Protocol.h"
#include "Records.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <hidapi.h>

#include <vector>

// The link worker: the only object that touches the instrument's USB HID
// device. It finds instruments, opens and closes one, and performs every
// request/reply exchange, one exchange per slot call. Reply frames go on
// undecoded (from their first sync byte) to the decoding worker; everything
// the operator should read leaves as a translated message with an error type
// (report::Type in Protocol.h). A link it declares lost (type 4) is closed at
// once, so the window's idea of the link and the handle always agree.
//
// Lives on a thread of its own and is reached through queued connections,
// except stopCirculation(), which may also be called directly from another
// thread. Every output report is written padded with zeros to 65 bytes.
class DeviceManager : public QObject
{
    Q_OBJECT

public:
    explicit DeviceManager(QObject* parent = nullptr);
    // Closes an open device; the last DeviceManager to go also calls hid_exit().
    ~DeviceManager() override;

signals:
    void detectedDeviceSignal(QStringList paths);
    void finishUsbDetection(bool usbResult, QString devicePath);
    void upperSwitchOnSignal();
    void finishReadRealTime(std::vector<unsigned char> data);
    void finishReadStorageNumSignal(int totalNum);
    void finishReadReadBack(std::vector<unsigned char> data, int readedNum);
    void stateProcessing(QString logMessage, int errorType);
    void finishReadSystemInfo(std::vector<unsigned char> data);
    // Emitted before detectedDeviceSignal: what tells the instruments found
    // apart on this machine, one entry per path (empty where unknown).
    void detectedDeviceDetails(QStringList paths, QStringList usbPorts, QStringList serials);
    // Emitted before finishUsbDetection(false, ...) when the path could not be
    // opened; errorNumber is the system's errno (EACCES: no permission).
    void openFailed(QString devicePath, int errorNumber);
    // A live reply arrived that is not a live frame (wrong sync or command).
    void liveReplyRejected();

public slots:
    void detectDevices();
    void connectSlot(QString devicePath);
    void disconnectSlot();
    void readWriteLiveDataSlot();
    void readWriteStoreTotalNum();
    void readWriteStorageDataSlot();
    void requestStartTestingSlot();
    void requestStopTestingSlot();
    void updateTestSettingSlot(QByteArray data);
    void readWriteSystemInfo();
    void stopCirculation(bool stop);

private:
    // Writes a parameter frame until it is acknowledged, refused, or three
    // reads have timed out; true only for an acknowledgement with "O".
    // The caller holds mutex.
    bool sendCommand(const QByteArray& frame, const QString& failMessage);
    // Empties the input, then writes a request; a write that fails declares
    // the link lost with lostMessage (false).
    bool sendRequest(const QByteArray& request, const QString& lostMessage);
    // Whether the instrument still answers, asked with the cheapest request
    // (the store count) during a read-back; Lost has declared the link lost.
    enum class Probe
    {
        Answered,
        Lost
    };
    Probe probeStoreCount();
    // Closes the handle, marks the link down and reports message with type 4.
    void declareLost(const QString& message);
    void closeDevice();
    // The instrument's settle pause: taken here, on the link thread, before
    // the next exchange, so the window never waits for it.
    void settleBeforeNextExchange();
    void waitUntilSettled();

    hid_device* device = nullptr;
    quint16 vendorId = protocol::kVendorId;
    quint16 productId = protocol::kProductId;
    QMutex mutex;
    bool online = false;
    bool stopRequested = false;
    int storageTotal = 0;
    QDeadlineTimer settled; // expired: no pause owed
};
