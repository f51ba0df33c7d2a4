// Frames into the pure decoders (Decoders.h) and the decoding worker
// (ParseData), a sequence per input so that what one frame leaves for the next
// (the previous record, the previous test state) is explored too. Beyond the
// sanitizers it checks what must hold for any bytes: a frame is decoded only
// when it is long enough and its checksum matches, a frame that is not decoded
// leaves the record as it was, decoded texts follow the frame's bytes, and the
// worker reports each frame exactly once, as the pure decoder judged it.
//
// Input: frames, each a control byte and its bytes.
//   control bits 0-1  slot: 0 and 3 live, 1 stored record, 2 identity
//           bit  2    seal: write the checksum (and a stored record's sync
//                     byte and command) so that the fields are reached
//           bit  3    an explicit length byte follows; otherwise the reply's
//                     own size (64, 35 or 30 bytes)
//           bits 4-7  group number - 1 handed to the worker with a stored record
// A frame is cut short where the input ends.
#include "Decoders.h"
#include "FuzzInput.h"
#include "ParseData.h"
#include "Protocol.h"

#include <QtEndian>

#include <cstdlib>
#include <cstring>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

using decode::Frame;
using decode::Verdict;

bool checksumOk(const Frame& d, std::size_t sumAt)
{
    if (d.size() < sumAt + 2)
        return false;
    unsigned sum = 0;
    for (std::size_t i = 2; i < sumAt; ++i)
        sum += d[i];
    return (sum & 0xFFFF) == unsigned(d[sumAt] | (d[sumAt + 1] << 8));
}

void seal(Frame& d, std::size_t sumAt)
{
    if (d.size() < sumAt + 2)
        return;
    unsigned sum = 0;
    for (std::size_t i = 2; i < sumAt; ++i)
        sum += d[i];
    d[sumAt] = static_cast<unsigned char>(sum & 0xFF);
    d[sumAt + 1] = static_cast<unsigned char>((sum >> 8) & 0xFF);
}

float floatAt(const Frame& d, int offset)
{
    const quint32 bits = qFromLittleEndian<quint32>(d.data() + offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool sameLive(const ReceiveLiveData& a, const ReceiveLiveData& b)
{
    return a.testState == b.testState && a.storeNumber == b.storeNumber &&
           a.testingResValue == b.testingResValue && a.testingResUnit == b.testingResUnit &&
           a.comparativeResult == b.comparativeResult && a.comparisonValue == b.comparisonValue &&
           a.timeLeftValue == b.timeLeftValue && a.testingCurrentValue == b.testingCurrentValue &&
           a.currentSetting == b.currentSetting && a.testingTime == b.testingTime &&
           a.overRange == b.overRange && a.underRange == b.underRange &&
           a.overTemperature == b.overTemperature && a.testStatus == b.testStatus;
}

bool sameStored(const ReceiveStorageData& a, const ReceiveStorageData& b)
{
    return a.storeNumber == b.storeNumber && a.testingResValue == b.testingResValue &&
           a.testingResUnit == b.testingResUnit && a.comparisonValue == b.comparisonValue &&
           a.comparisonUnit == b.comparisonUnit && a.comparativeResult == b.comparativeResult &&
           a.testingTime == b.testingTime && a.recordTime == b.recordTime &&
           a.testingCurrent == b.testingCurrent && a.resDecimals == b.resDecimals &&
           a.comparisonDecimals == b.comparisonDecimals;
}

bool isOneOf(const QString& s, std::initializer_list<const char*> texts)
{
    for (const char* t : texts)
        if (s == QString::fromUtf8(t))
            return true;
    return false;
}

void checkLive(const Frame& d, const decode::LiveResult& r, const ReceiveLiveData& previous)
{
    namespace at = protocol::live;
    const bool intact = d.size() >= protocol::kLiveFrameSize && checksumOk(d, at::kChecksum);
    if (r.verdict != Verdict::Decoded) {
        check(r.verdict == (intact ? Verdict::OutOfRange : Verdict::BadChecksum));
        check(sameLive(r.record, previous));
        return;
    }
    check(intact);
    const ReceiveLiveData& x = r.record;
    check(x.testState == d[at::kTestState] && x.testState <= teststate::Complete);
    check(x.storeNumber.size() == 4 && x.timeLeftValue.size() <= 4);
    check(x.comparisonValue.size() == 6 && x.testingCurrentValue.size() == 6);
    check(isOneOf(x.comparativeResult, {"", "PASS", "FAIL"}));
    check(x.comparativeResult.isEmpty() || x.comparisonSwitch);
    check(isOneOf(x.testingResUnit, {"", "μΩ", "mΩ"}));
    check(x.overRange == bool(d[at::kStatus] & at::kOverRangeBit));
    check(x.underRange == bool(d[at::kStatus] & at::kUnderRangeBit));
    check(x.overTemperature == bool(d[at::kStatus] & at::kOverTemperatureBit));
}

QString groupText(int group)
{
    return group == 0 ? QStringLiteral("0") : QStringLiteral("%1").arg(group, 3, 10, QChar('0'));
}

void checkStored(const Frame& d, const decode::StoredResult& r, const ReceiveStorageData& previous)
{
    namespace at = protocol::stored;
    const bool header = d.size() >= protocol::kStoredFrameSize && d[0] == protocol::kSync0 &&
                        d[protocol::kCommandOffset] == protocol::StoredGroup;
    if (r.verdict != Verdict::Decoded) {
        check(header || r.verdict == Verdict::BadHeader);
        check(!header || checksumOk(d, at::kChecksum) || r.verdict == Verdict::BadChecksum);
        check(sameStored(r.record, previous));
        return;
    }
    check(header && checksumOk(d, at::kChecksum));
    const ReceiveStorageData& x = r.record;
    check(x.storeNumber == groupText(d[at::kGroup]));
    check(x.testingTime == QString::number(d[at::kTestTime]) + QLatin1Char('S'));
    const QString time = QStringLiteral("%1-%2-%3 %4:%5:%6")
                             .arg(qFromBigEndian<quint16>(d.data() + at::kYear))
                             .arg(d[at::kMonth], 2, 10, QChar('0'))
                             .arg(d[at::kMonth + 1], 2, 10, QChar('0'))
                             .arg(d[at::kMonth + 2], 2, 10, QChar('0'))
                             .arg(d[at::kMonth + 3], 2, 10, QChar('0'))
                             .arg(d[at::kMonth + 4], 2, 10, QChar('0'));
    check(x.recordTime == time);
    // The decoder formats numbers itself for speed; it must give the digits
    // Qt's own formatting gives.
    check(x.testingCurrent == QString::number(double(floatAt(d, at::kCurrent)), 'f', 2));
    const bool ol = d[at::kRangeFlags] & 0x01;
    const bool lo = d[at::kRangeFlags] & 0x02;
    if (!ol && !lo) {
        check(x.testingResValue ==
              QString::number(double(floatAt(d, at::kReading)), 'f', d[at::kReadingDecimals]));
        check(x.testingResUnit ==
              (d[at::kReadingUnit] ? QStringLiteral("mΩ") : QStringLiteral("μΩ")));
    } else if (ol != lo) {
        check(x.testingResValue == (ol ? QStringLiteral("OL") : QStringLiteral("LO")));
        check(x.testingResUnit.isEmpty());
    }
    if (d[at::kComparisonOn]) {
        const double scale = d[at::kComparisonUnit] ? 1e3 : 1e6;
        const float limit = float(double(floatAt(d, at::kComparison)) * scale);
        check(x.comparisonValue == QString::number(double(limit), 'f', d[at::kComparisonDecimals]));
        check(x.comparativeResult ==
              (d[at::kPass] ? QStringLiteral("PASS") : QStringLiteral("FAIL")));
    } else {
        check(x.comparisonValue == QStringLiteral("----") && x.comparisonUnit.isEmpty());
    }
}

void checkIdentity(const Frame& d, const decode::IdentityResult& r)
{
    namespace at = protocol::identity;
    const bool intact = d.size() >= protocol::kIdentityFrameSize && checksumOk(d, at::kChecksum);
    check((r.verdict == Verdict::Decoded) == intact);
    if (!intact) {
        check(r.info.model.isEmpty() && r.info.version.isEmpty() && r.info.name.isEmpty());
        return;
    }
    const char* bytes = reinterpret_cast<const char*>(d.data());
    check(r.info.model == QString::fromLatin1(bytes + at::kModel, at::kTextLength));
    check(r.info.version == QString::fromLatin1(bytes + at::kVersion, at::kTextLength));
    const bool known = r.info.model.contains(QLatin1String("RV718A")) ||
                       r.info.model.contains(QLatin1String("RV718B"));
    check(r.info.name.isEmpty() != known);
}

// What the worker emitted for one frame.
struct Heard
{
    int live = 0;
    int liveRejected = 0;
    int stored = 0;
    int identity = 0;
    int messages = 0;
    int lastType = -1;
    ReceiveLiveData liveRecord;
    ReceiveStorageData storedRecord;
    DeviceInfo info;

    int total() const { return live + liveRejected + stored + identity + messages; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ParseData worker;
    Heard heard;
    QObject::connect(&worker, &ParseData::finishReadRealTimeData, [&](ReceiveLiveData r) {
        ++heard.live;
        heard.liveRecord = r;
    });
    QObject::connect(&worker, &ParseData::liveFrameRejected, [&] { ++heard.liveRejected; });
    QObject::connect(&worker, &ParseData::finishReadReadBackData, [&](ReceiveStorageData r, int) {
        ++heard.stored;
        heard.storedRecord = r;
    });
    QObject::connect(&worker, &ParseData::finishReadSystemInfoData, [&](DeviceInfo info) {
        ++heard.identity;
        heard.info = info;
    });
    QObject::connect(&worker, &ParseData::stateProcessing, [&](const QString& text, int type) {
        ++heard.messages;
        heard.lastType = type;
        check(!text.isEmpty());
    });

    ReceiveLiveData live;
    int lastTestState = 0;
    ReceiveStorageData stored;

    FuzzInput in(data, size);
    while (!in.atEnd()) {
        const std::uint8_t control = in.byte();
        const int slot = control & 0x03;
        std::size_t length = slot == 1   ? protocol::kStoredFrameSize
                             : slot == 2 ? protocol::kIdentityFrameSize
                                         : protocol::kLiveFrameSize;
        if (control & 0x08)
            length = in.byte();
        std::size_t taken = 0;
        const std::uint8_t* bytes = in.take(length, &taken);
        Frame frame(bytes, bytes + taken);
        const bool sealed = control & 0x04;
        heard = Heard();

        if (slot == 1) {
            if (sealed && frame.size() > std::size_t(protocol::kCommandOffset)) {
                frame[0] = protocol::kSync0;
                frame[protocol::kCommandOffset] = protocol::StoredGroup;
            }
            if (sealed)
                seal(frame, protocol::stored::kChecksum);
            const decode::StoredResult r = decode::storedFrame(frame, stored);
            checkStored(frame, r, stored);
            worker.parseReadBackData(frame, (control >> 4) + 1);
            check(heard.total() == 1);
            if (r.verdict == Verdict::Decoded) {
                check(heard.stored == 1 && sameStored(heard.storedRecord, r.record));
                stored = r.record;
            } else {
                check(heard.messages == 1 && heard.lastType == report::Information);
            }
        } else if (slot == 2) {
            if (sealed)
                seal(frame, protocol::identity::kChecksum);
            const decode::IdentityResult r = decode::identityFrame(frame);
            checkIdentity(frame, r);
            worker.parseSystemInfo(frame);
            check(heard.total() == 1);
            if (r.verdict == Verdict::Decoded)
                check(heard.identity == 1 && heard.info.model == r.info.model &&
                      heard.info.name == r.info.name);
            else
                check(heard.messages == 1 && heard.lastType == report::ChecksumError);
        } else {
            if (sealed)
                seal(frame, protocol::live::kChecksum);
            const decode::LiveResult r = decode::liveFrame(frame, live, lastTestState);
            checkLive(frame, r, live);
            worker.parseRealTimeData(frame);
            check(heard.total() == 1);
            switch (r.verdict) {
            case Verdict::Decoded:
                check(heard.live == 1 && sameLive(heard.liveRecord, r.record));
                live = r.record;
                lastTestState = live.testState;
                break;
            case Verdict::OutOfRange:
                check(heard.liveRejected == 1);
                break;
            default:
                check(heard.messages == 1 && heard.lastType == report::ChecksumError);
                break;
            }
        }
    }
    return 0;
}
