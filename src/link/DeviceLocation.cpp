#include "DeviceLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

QString usbPortOfHidraw(const QString& devnode, const QString& sysfsRoot)
{
    const QString node = QFileInfo(devnode).fileName();
    static const QRegularExpression hidrawName(QStringLiteral("^hidraw[0-9]+$"));
    if (!hidrawName.match(node).hasMatch())
        return QString();
    // /sys/class/hidraw/hidrawN/device leads to the HID device; above it come
    // the USB interface ("1-2:1.0"), the USB device ("1-2"), hubs ("1-2.4" is
    // port 4 of the hub at 1-2) and the root hub ("usb1").
    const QString hid =
        QFileInfo(sysfsRoot + QStringLiteral("/class/hidraw/") + node + QStringLiteral("/device"))
            .canonicalFilePath();
    if (hid.isEmpty())
        return QString();
    const QString devices = QDir(sysfsRoot + QStringLiteral("/devices")).canonicalPath();
    static const QRegularExpression usbDevice(QStringLiteral("^[0-9]+-[0-9]+(\\.[0-9]+)*$"));
    for (QDir dir(hid); dir.cdUp() && dir.absolutePath() != devices && !dir.isRoot();) {
        if (usbDevice.match(dir.dirName()).hasMatch())
            return dir.dirName();
    }
    return QString();
}
