#pragma once

#include <QObject>
#include <QString>

// Reports HID devices coming and going. One implementation per platform is
// chosen when the executable is linked: a libudev monitor for the real
// program, the simulated bus's plug and unplug for the demo and the tests.
class HotplugMonitor : public QObject
{
    Q_OBJECT
public:
    explicit HotplugMonitor(QObject* parent = nullptr);
    ~HotplugMonitor() override;

signals:
    // A HID device appeared; whether it is an instrument is for detection to say.
    void deviceArrived();
    // The HID device with this path (the same string hidapi enumerates) went away.
    void deviceRemoved(const QString& path);

private:
    struct Private;
    Private* d = nullptr;
};
