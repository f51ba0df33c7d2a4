#include "Frames.h"

#include <QString>
#include <QtEndian>

#include <cstring>

namespace frames {
namespace {

// Report prefixes up to and including the parameter number of command 0x01.
const char kStartHex[] = "000AABCD0600010000AAB100";
const char kStopHex[] = "000AABCD0600010000000700";
const char kSwitchPrefixHex[] = "000AABCD0600010002";
const char kCurrentPrefixHex[] = "000AABCD0600010003";
const char kTimePrefixHex[] = "000AABCD0600010004";
const char kComparisonPrefixHex[] = "000FABCD0B00010001";

QByteArray fromBytes(std::initializer_list<unsigned char> bytes)
{
    QByteArray out;
    out.reserve(int(bytes.size()));
    for (unsigned char b : bytes)
        out.append(char(b));
    return out;
}

QByteArray singleByteFrame(const char* prefixHex, int value)
{
    QByteArray frame = QByteArray::fromHex(prefixHex);
    frame.append(char(quint8(qBound(0, value, 255))));
    return withChecksum(frame);
}

} // namespace

quint16 checksum(const QByteArray& reportSoFar)
{
    quint32 sum = 0;
    for (int i = 4; i < reportSoFar.size(); ++i)
        sum += quint8(reportSoFar.at(i));
    return quint16(sum & 0xFFFF);
}

QByteArray withChecksum(QByteArray reportSoFar)
{
    const quint16 sum = checksum(reportSoFar);
    reportSoFar.append(char(sum & 0xFF));
    reportSoFar.append(char(sum >> 8));
    return reportSoFar;
}

QByteArray liveRequest() { return fromBytes({0x00, 0x08, 0xAB, 0xCD, 0x04, 0x00, 0x05, 0x00, 0x09, 0x00}); }
QByteArray storeCountRequest() { return fromBytes({0x00, 0x08, 0xAB, 0xCD, 0x04, 0x00, 0x08, 0x00, 0x0C, 0x00}); }
QByteArray identityRequest() { return fromBytes({0x00, 0x08, 0xAB, 0xCD, 0x04, 0x00, 0x11, 0x00, 0x15, 0x00}); }

QByteArray storedGroupRequest(int group)
{
    const quint16 g = quint16(group);
    return withChecksum(fromBytes({0x00, 0x09, 0xAB, 0xCD, 0x05, 0x00, 0x07, quint8(g >> 8), quint8(g & 0xFF)}));
}

QByteArray startTestRequest() { return QByteArray::fromHex(kStartHex); }
QByteArray stopTestRequest() { return QByteArray::fromHex(kStopHex); }

QByteArray comparisonSwitchFrame(bool on) { return singleByteFrame(kSwitchPrefixHex, on ? 1 : 0); }
QByteArray testCurrentFrame(int currentIndex) { return singleByteFrame(kCurrentPrefixHex, currentIndex); }
QByteArray testTimeFrame(int seconds) { return singleByteFrame(kTimePrefixHex, seconds); }

QByteArray comparisonSettingFrame(double value, int unitIndex)
{
    QByteArray frame = QByteArray::fromHex(kComparisonPrefixHex);
    const float f = float(value);
    quint32 bits;
    std::memcpy(&bits, &f, sizeof bits);
    char le[4];
    qToLittleEndian(bits, le);
    frame.append(le, 4);
    frame.append(char(quint8(qBound(0, decimalsFor(value), 255))));
    frame.append(char(quint8(qBound(0, unitIndex, 255))));
    return withChecksum(frame);
}

int decimalsFor(double value)
{
    const QString text = QString::number(value, 'g', 6);
    const int point = text.indexOf(QLatin1Char('.'));
    return 5 - (point >= 0 ? point : text.size());
}

QByteArray padded(const QByteArray& report)
{
    if (report.size() >= kReportSize)
        return report;
    QByteArray out = report;
    out.append(QByteArray(kReportSize - report.size(), '\0'));
    return out;
}

} // namespace frames
