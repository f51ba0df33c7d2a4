#include "Frames.h"

#include <QString>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace frames {
namespace {

// Frame bytes in front of the data: AB CD, the 16-bit length, the command.
constexpr int kFrameHead = 5;
constexpr int kChecksumSize = 2;

QByteArray parameterFrame(protocol::Parameter parameter, int value)
{
    return request(protocol::ParameterWrite,
                   {0x00, parameter, static_cast<unsigned char>(qBound(0, value, 255))});
}

} // namespace

quint16 checksum(const QByteArray& reportSoFar)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(reportSoFar.constData());
    // Report index 4 is frame offset 2, where the sum begins.
    constexpr int kFirst = 2 + protocol::kLengthOffset;
    if (reportSoFar.size() <= kFirst)
        return 0;
    return protocol::checksum(bytes + kFirst, bytes + reportSoFar.size());
}

QByteArray withChecksum(QByteArray reportSoFar)
{
    const quint16 sum = checksum(reportSoFar);
    reportSoFar.append(char(sum & 0xFF));
    reportSoFar.append(char(sum >> 8));
    return reportSoFar;
}

QByteArray request(protocol::Command command, std::initializer_list<unsigned char> data)
{
    const int frameSize = kFrameHead + int(data.size()) + kChecksumSize;
    const int length = frameSize - 4;
    QByteArray report;
    report.reserve(2 + frameSize);
    report.append(char(0x00)); // report ID
    report.append(char(frameSize));
    report.append(char(protocol::kSync0));
    report.append(char(protocol::kSync1));
    report.append(char(length & 0xFF));
    report.append(char(length >> 8));
    report.append(char(command));
    for (unsigned char b : data)
        report.append(char(b));
    return withChecksum(report);
}

QByteArray liveRequest()
{
    return request(protocol::LiveData, {0x00});
}
QByteArray storeCountRequest()
{
    return request(protocol::StoreCount, {0x00});
}
QByteArray identityRequest()
{
    return request(protocol::Identity, {0x00});
}

QByteArray storedGroupRequest(int group)
{
    const quint16 g = quint16(group);
    return request(protocol::StoredGroup,
                   {static_cast<unsigned char>(g >> 8), static_cast<unsigned char>(g & 0xFF)});
}

QByteArray startTestRequest()
{
    return parameterFrame(protocol::RunControl, protocol::kStartTest);
}
QByteArray stopTestRequest()
{
    return parameterFrame(protocol::RunControl, protocol::kStopTest);
}

QByteArray comparisonSwitchFrame(bool on)
{
    return parameterFrame(protocol::ComparisonSwitch, on ? 1 : 0);
}
QByteArray testCurrentFrame(int currentIndex)
{
    return parameterFrame(protocol::TestCurrent, currentIndex);
}
QByteArray testTimeFrame(int seconds)
{
    return parameterFrame(protocol::TestTime, seconds);
}

QByteArray comparisonSettingFrame(double value, int unitIndex)
{
    const float f = float(value);
    quint32 bits;
    std::memcpy(&bits, &f, sizeof bits);
    unsigned char le[4];
    qToLittleEndian(bits, le);
    return request(protocol::ParameterWrite,
                   {0x00, protocol::ComparisonSetting, le[0], le[1], le[2], le[3],
                    static_cast<unsigned char>(qBound(0, decimalsFor(value), 255)),
                    static_cast<unsigned char>(qBound(0, unitIndex, 255))});
}

int decimalsFor(double value)
{
    const QString text = QString::number(value, 'g', 6);
    const int point = text.indexOf(QLatin1Char('.'));
    return 5 - (point >= 0 ? point : text.size());
}

ComparisonValue settledComparison(double value, double maximum)
{
    // Each round can only lose decimals, so this ends within a few rounds.
    for (int round = 0; round < 8; ++round) {
        const int decimals = qMax(0, decimalsFor(value));
        const double scale = std::pow(10.0, decimals);
        const double rounded = qMin(std::round(value * scale) / scale, maximum);
        if (decimalsFor(rounded) == decimals)
            return {rounded, decimals};
        value = rounded;
    }
    return {value, qMax(0, decimalsFor(value))};
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
