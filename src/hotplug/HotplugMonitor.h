#pragma once

#include <QObject>
#include <QString>

// Reports loop-resistance testers (USB 1a86:e429) coming and going; other HID
// devices are not reported. One implementation per platform is chosen when
// the executable is linked: a libudev monitor for the real program, the
// simulated bus's plug and unplug for the demo and the tests.
class HotplugMonitor : public QObject
{
    Q_OBJECT
public:
    explicit HotplugMonitor(QObject* parent = nullptr);
    ~HotplugMonitor() override;

signals:
    // An instrument appeared; which ones there are is for detection to say.
    void deviceArrived();
    // The instrument with this path (the same string hidapi enumerates) went away.
    void deviceRemoved(const QString& path);

private:
    struct Private;
    Private* d = nullptr;
};
