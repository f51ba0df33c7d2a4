// The real hot-plug source on Linux: a libudev monitor on the hidraw subsystem.
// hidapi's hidraw backend names devices by their node (/dev/hidrawN), so the
// node of a removed device is exactly the path the window connected to.
#include "HotplugMonitor.h"

#include <QDebug>
#include <QSocketNotifier>

#include <libudev.h>

struct HotplugMonitor::Private
{
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    QSocketNotifier* notifier = nullptr;
};

HotplugMonitor::HotplugMonitor(QObject* parent) : QObject(parent), d(new Private)
{
    d->context = udev_new();
    if (!d->context) {
        qWarning() << "Hot-plug: udev is not available; plug-in detection is off";
        return;
    }
    d->monitor = udev_monitor_new_from_netlink(d->context, "udev");
    if (!d->monitor) {
        qWarning() << "Hot-plug: cannot open the udev monitor; plug-in detection is off";
        return;
    }
    udev_monitor_filter_add_match_subsystem_devtype(d->monitor, "hidraw", nullptr);
    if (udev_monitor_enable_receiving(d->monitor) < 0) {
        qWarning() << "Hot-plug: cannot receive udev events; plug-in detection is off";
        return;
    }
    d->notifier = new QSocketNotifier(udev_monitor_get_fd(d->monitor), QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        udev_device* device = udev_monitor_receive_device(d->monitor);
        if (!device)
            return;
        const QString action = QString::fromUtf8(udev_device_get_action(device));
        const QString node = QString::fromUtf8(udev_device_get_devnode(device));
        udev_device_unref(device);
        if (action == QLatin1String("add"))
            emit deviceArrived();
        else if (action == QLatin1String("remove") && !node.isEmpty())
            emit deviceRemoved(node);
    });
}

HotplugMonitor::~HotplugMonitor()
{
    delete d->notifier;
    if (d->monitor)
        udev_monitor_unref(d->monitor);
    if (d->context)
        udev_unref(d->context);
    delete d;
}
