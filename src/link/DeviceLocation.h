#pragma once

#include <QString>

// The USB port ("1-2", "3-1.4") of the device behind a hidraw node such as
// "/dev/hidraw3", read from sysfs: what tells two identical instruments apart
// on this machine, since the port stays the same across replugs while the node
// number does not. Empty when the node has no USB device above it (a virtual
// uhid device, a Bluetooth one) or sysfs does not know the node.
QString usbPortOfHidraw(const QString& devnode, const QString& sysfsRoot = QStringLiteral("/sys"));
