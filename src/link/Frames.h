#pragma once

#include <QByteArray>

// The one place that builds outgoing HID reports and computes checksums.
//
// A report as handed to hid_write: byte 0 is the report ID 0x00, byte 1 the
// number of frame bytes N, then the N frame bytes (AB CD, length, command,
// data, checksum). The checksum is the 16-bit sum of the frame bytes from
// frame offset 2 (report index 4) to the last data byte, sent low byte first.
namespace frames {

constexpr int kReportSize = 65; // report ID + 64 data bytes on the wire

// 16-bit sum of report[4 .. end) as unsigned bytes.
quint16 checksum(const QByteArray& reportSoFar);
// Appends the two checksum bytes (low, high) of checksum(reportSoFar).
QByteArray withChecksum(QByteArray reportSoFar);

QByteArray liveRequest();
QByteArray storeCountRequest();
QByteArray identityRequest();
QByteArray storedGroupRequest(int group); // group number big-endian
QByteArray startTestRequest();
QByteArray stopTestRequest();

// Parameter frames built from the live page's control values.
QByteArray comparisonSwitchFrame(bool on);
QByteArray testCurrentFrame(int currentIndex);
QByteArray testTimeFrame(int seconds);
QByteArray comparisonSettingFrame(double value, int unitIndex);

// Decimals byte of the comparison setting: 5 minus the decimal point's
// position in the six-significant-digit text of value (5 minus the text's
// length when it has no point).
int decimalsFor(double value);

// The report padded with zeros to kReportSize, since hidraw sends a short
// write short and the instrument expects a whole output report.
QByteArray padded(const QByteArray& report);

} // namespace frames
