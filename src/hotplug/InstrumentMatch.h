#pragma once

#include <QByteArray>
#include <QString>

// Whether a udev device belongs to a loop-resistance tester (USB 1a86:e429),
// told from the texts udev gives; pure, so the filter is tested without udev.
namespace instrumentmatch {

// The HID_ID property of a HID device: bus, vendor and product in hex
// ("0003:00001A86:0000E429").
bool isInstrumentHidId(const QByteArray& hidId);

// A hidraw node's device path. The kernel names a HID device
// "BBBB:VVVV:PPPP.NNNN" and puts its hidraw node below it, so the node's own
// path still tells whose it was when the parent has already left sysfs.
bool isInstrumentDevPath(const QString& devPath);

} // namespace instrumentmatch
