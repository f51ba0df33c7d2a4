#pragma once

#include "Records.h"

#include <QByteArray>
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
// the operator should read leaves as a translated message with an error type:
// 0 information, 1 reply checksum error, 2 store count unusable, 3 settings
// write failed, 4 no device or link lost, 6 read-back loop ended.
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

    hid_device* device = nullptr;
    quint16 vendorId = 0x1A86;
    quint16 productId = 0xE429;
    QMutex mutex;
    bool online = false;
    bool stopRequested = false;
    int storageTotal = 0;
};
