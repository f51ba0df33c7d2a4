#include "Decoders.h"

#include "Protocol.h"

#include <QCoreApplication>
#include <QtEndian>

#include <cstring>

namespace decode {

namespace {

// Sum of the bytes at offsets 2 .. sumAt-1 compared with the 16-bit
// little-endian field at sumAt; the caller guarantees sumAt + 1 < size.
bool checksumMatches(const Frame& d, std::size_t sumAt)
{
    const quint16 sum = protocol::checksum(d.data() + protocol::kLengthOffset, d.data() + sumAt);
    return sum == quint16(d[sumAt] | (d[sumAt + 1] << 8));
}

// Replaces target by the n characters at p, one per byte with the byte value
// as its code (Latin-1 is exactly that mapping), unless it already holds them.
// Most fields repeat from one poll to the next; keeping the text spares an
// allocation per field and frame.
void setText(QString& target, const char* p, int n)
{
    const QLatin1String text(p, n);
    if (target != text)
        target = QString(text);
}

// Frame offsets from..to, both included; zero bytes stay in the text.
void setBytesText(QString& target, const Frame& d, int from, int to)
{
    setText(target, reinterpret_cast<const char*>(d.data()) + from, to - from + 1);
}

// Like setBytesText but with every zero byte left out (the instrument pads its
// short number texts with them).
void setTextWithoutZeros(QString& target, const Frame& d, int from, int to)
{
    char buf[8];
    int n = 0;
    for (int i = from; i <= to && n < int(sizeof buf); ++i) {
        if (d[i] != 0)
            buf[n++] = char(d[i]);
    }
    setText(target, buf, n);
}

// The zero-free text of from..to read as a base-10 integer the way
// QString::toInt does it (surrounding white space allowed, anything that is
// not a number gives 0). Plain digits, what the instrument sends, are read
// here directly; anything else is left to QString on a view of the bytes.
int textToInt(const Frame& d, int from, int to)
{
    QChar buf[8];
    int n = 0;
    bool digitsOnly = true;
    int value = 0;
    for (int i = from; i <= to && n < 8; ++i) {
        const unsigned char c = d[i];
        if (c == 0)
            continue;
        buf[n++] = QChar(c);
        digitsOnly = digitsOnly && c >= '0' && c <= '9';
        value = value * 10 + (c - '0');
    }
    if (digitsOnly && n > 0)
        return value;
    return QString::fromRawData(buf, n).toInt();
}

float floatAt(const Frame& d, int offset)
{
    const quint32 bits = qFromLittleEndian<quint32>(d.data() + offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Writes value in fixed notation with the given decimals into out and returns
// the length, or -1 when the value is not one this shortcut handles. The
// result is the exact binary value rounded half away from zero, the same
// digits QString::number gives; doing it here spares that call's string
// building, which dominated the cost of a stored record.
int formatFixed(char* out, float value, int decimals)
{
    static const quint64 kPow10[] = {1,         10,         100,         1000,
                                     10000,     100000,     1000000,     10000000,
                                     100000000, 1000000000, 10000000000, 100000000000};
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = int((bits >> 23) & 0xFF);
    const bool negative = (bits >> 31) && (bits & 0x7FFFFFFF);
    // Infinities, NaN, negative numbers and long fractions go the general way.
    if (biased == 0xFF || negative || decimals < 0 || decimals > 11)
        return -1;

    // value = mantissa * 2^exponent exactly; mantissa * 10^decimals < 2^61.
    quint64 mantissa = bits & 0x7FFFFF;
    int exponent = -149;
    if (biased != 0) {
        mantissa |= 0x800000;
        exponent = biased - 150;
    }
    quint64 scaled = mantissa * kPow10[decimals];
    if (exponent >= 0) {
        if (exponent > 62 || scaled > (~quint64(0) >> (exponent + 1)))
            return -1;
        scaled <<= exponent;
    } else if (-exponent >= 63) {
        scaled = 0; // below half of the last decimal place
    } else {
        const int shift = -exponent;
        scaled = (scaled + (quint64(1) << (shift - 1))) >> shift;
    }

    char digits[24];
    int n = 0;
    do {
        digits[n++] = char('0' + scaled % 10);
        scaled /= 10;
    } while (scaled > 0);
    while (n <= decimals)
        digits[n++] = '0';
    int len = 0;
    while (n > decimals)
        out[len++] = digits[--n];
    if (decimals > 0) {
        out[len++] = '.';
        while (n > 0)
            out[len++] = digits[--n];
    }
    return len;
}

void setFixed(QString& target, float value, int decimals)
{
    char buf[40];
    const int n = formatFixed(buf, value, decimals);
    if (n < 0)
        target = QString::number(double(value), 'f', decimals);
    else
        setText(target, buf, n);
}

// Appends value in decimal, padded with leading zeros to at least minDigits.
int appendDecimal(char* out, int value, int minDigits)
{
    char digits[8];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    int len = 0;
    for (int pad = n; pad < minDigits; ++pad)
        out[len++] = '0';
    while (n > 0)
        out[len++] = digits[--n];
    return len;
}

// "%1-%2-%3 %4:%5:%6": the year as it comes, the rest with at least two digits.
void setRecordTime(QString& target, const Frame& d)
{
    char buf[32];
    int n = appendDecimal(buf, qFromBigEndian<quint16>(d.data() + protocol::stored::kYear), 1);
    const char separators[] = "-- ::";
    for (int i = 0; i < 5; ++i) {
        buf[n++] = separators[i];
        n += appendDecimal(buf + n, d[protocol::stored::kMonth + i], 2);
    }
    setText(target, buf, n);
}

QString microOrMilliOhm(bool milli)
{
    return milli ? QStringLiteral("mΩ") : QStringLiteral("μΩ");
}

QString passOrFail(bool pass)
{
    return pass ? QStringLiteral("PASS") : QStringLiteral("FAIL");
}

} // namespace

LiveResult liveFrame(const Frame& d, const ReceiveLiveData& previous, int previousTestState)
{
    namespace at = protocol::live;
    if (d.size() < protocol::kLiveFrameSize || !checksumMatches(d, at::kChecksum))
        return {Verdict::BadChecksum, previous};
    if (d[at::kCode7] > 5 || d[at::kPrinter] > 1 || d[at::kTestState] > teststate::Complete ||
        d[at::kCode10] > 2 || d[at::kCode11] > 6)
        return {Verdict::OutOfRange, previous};
    for (int unitAt : {at::kReadingUnit, at::kComparisonUnit, at::kCurrentUnit, at::kSetCurrentUnit,
                       at::kSetTimeUnit, at::kTimeLeftUnit}) {
        if (d[unitAt] > 1)
            return {Verdict::OutOfRange, previous};
    }

    LiveResult result{Verdict::Decoded, previous};
    ReceiveLiveData& r = result.record;
    const int state = d[at::kTestState];
    // Keeping the previous state in the rule lets the final reading and
    // judgement stay on screen for one frame after the instrument returns to
    // waiting.
    const bool visible =
        d[at::kNoReading] == 0 && (state != teststate::Waiting || previousTestState != 0);

    const unsigned char status = d[at::kStatus];
    r.statusBit7 = status & 0x80;
    r.comparisonSwitch = status & at::kComparisonOnBit;
    r.statusBit5 = status & 0x20;
    r.statusBit4 = status & 0x10;
    r.underRange = status & at::kUnderRangeBit;
    r.overRange = status & at::kOverRangeBit;
    r.overTemperature = status & at::kOverTemperatureBit;

    setBytesText(r.comparisonValue, d, at::kComparison, at::kComparison + 5);
    r.comparisonUnitIndex = d[at::kComparisonUnit];

    if (r.comparisonSwitch && visible) {
        r.comparativePass = status & at::kPassBit;
        r.comparativeResult = passOrFail(r.comparativePass);
    } else {
        r.comparativeResult.clear();
    }

    r.rawByte7 = d[at::kCode7];
    r.printing = d[at::kPrinter] != 0;
    // The decoders' texts are the decoding worker's: they share its
    // translation context.
    r.printerStatus = r.printing ? QCoreApplication::translate("ParseData", "正在打印")
                                 : QCoreApplication::translate("ParseData", "打印机就绪");

    r.testState = state;
    switch (state) {
    case teststate::Waiting:
        r.testStatus = QCoreApplication::translate("ParseData", "待测试...");
        break;
    case teststate::Testing:
        r.testStatus = QCoreApplication::translate("ParseData", "测试中...");
        break;
    default:
        r.testStatus = QCoreApplication::translate("ParseData", "测试完成");
        break;
    }
    r.rawByte10 = d[at::kCode10];
    r.rawByte11 = d[at::kCode11];

    if (!visible) {
        r.testingResValue.clear();
        r.testingResUnit.clear();
    } else if (r.overRange || r.underRange) {
        r.testingResUnit.clear();
        if (!r.underRange)
            r.testingResValue = QStringLiteral("OL");
        else if (!r.overRange)
            r.testingResValue = QStringLiteral("LO");
        // Both flags at once is no reading the instrument defines: keep the last.
    } else {
        setBytesText(r.testingResValue, d, at::kReading, at::kReading + 5);
        r.testingResUnit = microOrMilliOhm(d[at::kReadingUnit] == 1);
    }

    setBytesText(r.testingCurrentValue, d, at::kCurrent, at::kCurrent + 5);
    if (d[at::kCurrentUnit] == 0)
        r.testingCurrentUnit = QStringLiteral("A");

    r.currentSetting = textToInt(d, at::kSetCurrent, at::kSetCurrent + 3);
    if (d[at::kSetCurrentUnit] == 0)
        r.currentSettingUnit = QStringLiteral("A");

    r.testingTime = textToInt(d, at::kSetTime, at::kSetTime + 3);
    if (d[at::kSetTimeUnit] == 0)
        r.testingTimeUnit = QStringLiteral("S");

    setTextWithoutZeros(r.timeLeftValue, d, at::kTimeLeft, at::kTimeLeft + 3);
    if (d[at::kTimeLeftUnit] == 0)
        r.timeLeftUnit = QStringLiteral("S");

    char store[4];
    for (int i = 0; i < 4; ++i) {
        const unsigned char c = d[at::kStoreNumber + i];
        store[i] = c == ' ' ? '0' : char(c);
    }
    setText(r.storeNumber, store, 4);
    return result;
}

StoredResult storedFrame(const Frame& d, const ReceiveStorageData& previous)
{
    namespace at = protocol::stored;
    // Length first: a short reply must not be indexed at all.
    if (d.size() < protocol::kStoredFrameSize || d[0] != protocol::kSync0 ||
        d[protocol::kCommandOffset] != protocol::StoredGroup)
        return {Verdict::BadHeader, previous};
    if (!checksumMatches(d, at::kChecksum))
        return {Verdict::BadChecksum, previous};
    if (d[at::kGroup] > protocol::kMaxStoredGroups || d[at::kReadingUnit] > 1 ||
        d[at::kComparisonUnit] > 1 || d[at::kComparisonOn] > 1 || d[at::kPass] > 1 ||
        d[at::kTestTime] > at::kMaxTestTime)
        return {Verdict::OutOfRange, previous};

    StoredResult result{Verdict::Decoded, previous};
    ReceiveStorageData& r = result.record;

    // Group 0 and 100-200 as they are, 1-99 zero-padded to three digits.
    const int group = d[at::kGroup];
    char store[4];
    setText(r.storeNumber, store, appendDecimal(store, group, group == 0 ? 1 : 3));

    r.comparisonEnabled = d[at::kComparisonOn] != 0;
    if (r.comparisonEnabled) {
        const bool milli = d[at::kComparisonUnit] == 1;
        r.comparisonUnit = microOrMilliOhm(milli);
        r.comparativeResult = passOrFail(d[at::kPass] == 1);
        r.comparisonDecimals = d[at::kComparisonDecimals];
        // The instrument stores the limit in ohms; scaling in double and then
        // rounding to float gives 125.0 rather than 124.99999 for 0.000125 Ω.
        const double scaled = double(floatAt(d, at::kComparison)) * (milli ? 1e3 : 1e6);
        setFixed(r.comparisonValue, float(scaled), r.comparisonDecimals);
    } else {
        r.comparisonUnit.clear();
        r.comparativeResult = QStringLiteral("----");
        r.comparisonDecimals = 0;
        r.comparisonValue = QStringLiteral("----");
    }

    char time[4];
    const int timeLen = appendDecimal(time, d[at::kTestTime], 1);
    time[timeLen] = 'S';
    setText(r.testingTime, time, timeLen + 1);

    setRecordTime(r.recordTime, d);
    setFixed(r.testingCurrent, floatAt(d, at::kCurrent), 2);

    r.overRange = d[at::kRangeFlags] & 0x01;
    r.underRange = d[at::kRangeFlags] & 0x02;
    r.resDecimals = d[at::kReadingDecimals];

    if (!r.overRange && !r.underRange) {
        setFixed(r.testingResValue, floatAt(d, at::kReading), r.resDecimals);
        r.testingResUnit = microOrMilliOhm(d[at::kReadingUnit] != 0);
    } else {
        r.testingResUnit.clear();
        if (!r.underRange)
            r.testingResValue = QStringLiteral("OL");
        else if (!r.overRange)
            r.testingResValue = QStringLiteral("LO");
    }
    return result;
}

IdentityResult identityFrame(const Frame& d)
{
    namespace at = protocol::identity;
    if (d.size() < protocol::kIdentityFrameSize || !checksumMatches(d, at::kChecksum))
        return {Verdict::BadChecksum, {}};
    IdentityResult result{Verdict::Decoded, {}};
    DeviceInfo& info = result.info;
    const char* bytes = reinterpret_cast<const char*>(d.data());
    info.model = QString::fromLatin1(bytes + at::kModel, at::kTextLength);
    info.version = QString::fromLatin1(bytes + at::kVersion, at::kTextLength);
    if (info.model.contains(QLatin1String("RV718A")))
        info.name = QCoreApplication::translate("ParseData", "100A 回路电阻测试仪");
    else if (info.model.contains(QLatin1String("RV718B")))
        info.name = QCoreApplication::translate("ParseData", "200A 回路电阻测试仪");
    return result;
}

} // namespace decode
