#include "SimEncoder.h"

#include "SimTypes.h"

#include <cstring>

namespace sim::wire {

quint16 sum16(const QByteArray& frame, int from, int to)
{
    quint32 sum = 0;
    for (int i = from; i < to && i < frame.size(); ++i)
        sum += quint8(frame.at(i));
    return quint16(sum);
}

QByteArray encodeFrame(quint8 command, const QByteArray& data)
{
    const int length = data.size() + 3; // length field, command, data
    QByteArray frame;
    frame.reserve(length + 4);
    frame.append(char(0xAB));
    frame.append(char(0xCD));
    frame.append(char(length & 0xFF));
    frame.append(char((length >> 8) & 0xFF));
    frame.append(char(command));
    frame.append(data);
    const quint16 sum = sum16(frame, 2, frame.size());
    frame.append(char(sum & 0xFF));
    frame.append(char(sum >> 8));
    return frame;
}

QList<QByteArray> inputReports(const QByteArray& frame)
{
    constexpr int perReport = kInputReportSize - 1;
    QList<QByteArray> reports;
    for (int at = 0; at < frame.size(); at += perReport) {
        const QByteArray chunk = frame.mid(at, perReport);
        QByteArray report(kInputReportSize, '\0');
        report[0] = char(chunk.size());
        std::memcpy(report.data() + 1, chunk.constData(), size_t(chunk.size()));
        reports.append(report);
    }
    return reports;
}

bool checkOutputReport(const QByteArray& raw, QByteArray* report, QByteArray* frame)
{
    *report = raw;
    frame->clear();
    if (raw.size() < 2 || raw.at(0) != 0)
        return false;
    const int n = quint8(raw.at(1));
    if (n + 2 > raw.size())
        return false;
    *report = raw.left(n + 2);
    if (raw.size() != kOutputReportSize)
        return false;
    for (int i = n + 2; i < raw.size(); ++i)
        if (raw.at(i) != 0)
            return false;
    const QByteArray f = raw.mid(2, n);
    if (f.size() < 7 || quint8(f.at(0)) != 0xAB || quint8(f.at(1)) != 0xCD)
        return false;
    const int length = quint8(f.at(2)) | (quint8(f.at(3)) << 8);
    if (length != f.size() - 4)
        return false;
    const quint16 sum = sum16(f, 2, f.size() - 2);
    const quint16 sent = quint16(quint8(f.at(f.size() - 2)) | (quint8(f.at(f.size() - 1)) << 8));
    if (sum != sent)
        return false;
    *frame = f;
    return true;
}

void appendFloatLE(QByteArray& out, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i)
        out.append(char((bits >> (8 * i)) & 0xFF));
}

float floatLE(const QByteArray& bytes, int at)
{
    quint32 bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= quint32(quint8(bytes.at(at + i))) << (8 * i);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace sim::wire
