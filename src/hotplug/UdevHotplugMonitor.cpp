// The real hot-plug source on Linux: a libudev monitor on the hidraw subsystem
// that reports loop-resistance testers only (vendor 1a86, product e429), so a
// mouse plugged in while the program is idle wakes nothing. hidapi's hidraw
// backend names devices by their node (/dev/hidrawN), so the node of a removed
// device is exactly the path the window connected to.
#include "HotplugMonitor.h"

#include "HotplugLog.h"
#include "InstrumentMatch.h"

#include <QByteArray>
#include <QSet>
#include <QSocketNotifier>

#include <libudev.h>

namespace {

// Whether a hidraw device that is present belongs to an instrument, by the
// HID_ID of its parent HID device.
bool isInstrument(udev_device* hidraw)
{
    if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr))
        return instrumentmatch::isInstrumentHidId(udev_device_get_property_value(hid, "HID_ID"));
    return instrumentmatch::isInstrumentDevPath(QString::fromUtf8(udev_device_get_devpath(hidraw)));
}

QString nodeOf(udev_device* device)
{
    return QString::fromUtf8(udev_device_get_devnode(device));
}

} // namespace

struct HotplugMonitor::Private
{
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    QSocketNotifier* notifier = nullptr;
    // Nodes of the instruments present: a removal event may come after the
    // parent HID device has left sysfs, so whose node it was is known from here.
    QSet<QString> instrumentNodes;

    void rememberPresentInstruments();
    // What one event means for the window: +1 an instrument arrived, -1 the
    // instrument at *node went away, 0 nothing of ours.
    int classify(udev_device* device, QString* node);
};

void HotplugMonitor::Private::rememberPresentInstruments()
{
    udev_enumerate* enumerate = udev_enumerate_new(context);
    if (!enumerate)
        return;
    udev_enumerate_add_match_subsystem(enumerate, "hidraw");
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate))
    {
        udev_device* device =
            udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (!device)
            continue;
        const QString node = nodeOf(device);
        if (!node.isEmpty() && isInstrument(device))
            instrumentNodes.insert(node);
        udev_device_unref(device);
    }
    udev_enumerate_unref(enumerate);
}

int HotplugMonitor::Private::classify(udev_device* device, QString* node)
{
    const QByteArray action = udev_device_get_action(device);
    *node = nodeOf(device);
    if (node->isEmpty())
        return 0;
    if (action == "add") {
        if (!isInstrument(device)) {
            instrumentNodes.remove(*node); // the number may have been ours before
            return 0;
        }
        instrumentNodes.insert(*node);
        return +1;
    }
    if (action == "remove") {
        const bool ours = instrumentNodes.remove(*node) ||
                          instrumentmatch::isInstrumentDevPath(
                              QString::fromUtf8(udev_device_get_devpath(device)));
        return ours ? -1 : 0;
    }
    return 0;
}

HotplugMonitor::HotplugMonitor(QObject* parent) : QObject(parent), d(new Private)
{
    d->context = udev_new();
    if (!d->context) {
        qCWarning(lcHotplug) << "udev is not available; plug-in detection is off";
        return;
    }
    d->monitor = udev_monitor_new_from_netlink(d->context, "udev");
    if (!d->monitor) {
        qCWarning(lcHotplug) << "cannot open the udev monitor; plug-in detection is off";
        return;
    }
    udev_monitor_filter_add_match_subsystem_devtype(d->monitor, "hidraw", nullptr);
    if (udev_monitor_enable_receiving(d->monitor) < 0) {
        qCWarning(lcHotplug) << "cannot receive udev events; plug-in detection is off";
        return;
    }
    // After receiving is on, so an instrument plugged in meanwhile is not missed.
    d->rememberPresentInstruments();
    d->notifier = new QSocketNotifier(udev_monitor_get_fd(d->monitor), QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        udev_device* device = udev_monitor_receive_device(d->monitor);
        if (!device)
            return;
        QString node;
        const int change = d->classify(device, &node);
        udev_device_unref(device);
        if (change > 0) {
            qCDebug(lcHotplug) << "instrument arrived at" << node;
            emit deviceArrived();
        } else if (change < 0) {
            qCDebug(lcHotplug) << "instrument removed from" << node;
            emit deviceRemoved(node);
        }
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
