#pragma once

#include "Protocol.h"

#include <QByteArray>

#include <initializer_list>

// The one place that builds outgoing HID reports.
//
// A report as handed to hid_write: byte 0 is the report ID 0x00, byte 1 the
// number of frame bytes N, then the N frame bytes (AB CD, length, command,
// data, checksum). The checksum is the 16-bit sum of the frame bytes from
// frame offset 2 (report index 4) to the last data byte, sent low byte first.
namespace frames {

constexpr int kReportSize = protocol::kOutputReportSize;

// 16-bit sum of report[4 .. end) as unsigned bytes.
quint16 checksum(const QByteArray& reportSoFar);
// Appends the two checksum bytes (low, high) of checksum(reportSoFar).
QByteArray withChecksum(QByteArray reportSoFar);

// A complete report for a command and its data bytes.
QByteArray request(protocol::Command command, std::initializer_list<unsigned char> data);

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
// length when it has no point), so the value shows five significant digits.
int decimalsFor(double value);

// A comparison value as it is shown and sent: rounded to decimalsFor() of
// itself. Rounding can carry into another digit (99.9999 shows as 100.00, not
// 100.000), so the rule is applied until value and decimals agree; maximum is
// the largest value the control takes.
struct ComparisonValue
{
    double value;
    int decimals;
};
ComparisonValue settledComparison(double value, double maximum);

// The report padded with zeros to kReportSize, since hidraw sends a short
// write short and the instrument expects a whole output report.
QByteArray padded(const QByteArray& report);

} // namespace frames
