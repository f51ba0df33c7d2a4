#pragma once

#include <QByteArray>
#include <QList>

// The instrument's own side of the wire: how it frames its replies, splits
// them into input reports and checks the reports written to it. Written
// apart from the product's frame code on purpose, so that a wrong offset or
// checksum in the product shows up against this one instead of agreeing with it.
namespace sim::wire {

// 16-bit sum of frame[from .. to), unsigned bytes.
quint16 sum16(const QByteArray& frame, int from, int to);

// AB CD, length (data + 3, little-endian), command, data, checksum
// (little-endian sum from the length field to the last data byte).
QByteArray encodeFrame(quint8 command, const QByteArray& data);

// Input reports for one frame: each 64 bytes, a count byte, up to 63 frame
// bytes, zero fill. hidapi on Linux hands them over without a report ID.
QList<QByteArray> inputReports(const QByteArray& frame);

// Checks one output report as handed to hid_write: report ID 0, count N,
// zero-padded to the whole 65 bytes, then the frame: sync bytes, a length
// field matching N, a matching checksum. hidraw passes a write on exactly as
// long as it is, and the instrument reads whole reports from its endpoint, so
// a short write is not acted on. On success *frame holds the N frame bytes;
// *report always holds what the report's count covers (or all of raw when the
// count does not fit).
bool checkOutputReport(const QByteArray& raw, QByteArray* report, QByteArray* frame);

// Little-endian float32 and big-endian 16-bit helpers for reply data.
void appendFloatLE(QByteArray& out, float value);
float floatLE(const QByteArray& bytes, int at);

} // namespace sim::wire
