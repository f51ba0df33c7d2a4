#include "ParseData.h"

#include <QtEndian>

#include <cstring>

namespace {

// Frame sizes as the instrument sends them; anything shorter is never decoded.
constexpr std::size_t kLiveSize = 64;
constexpr std::size_t kStoredSize = 35;
constexpr std::size_t kIdentitySize = 30;

using Frame = std::vector<unsigned char>;

// Sum of the bytes at offsets 2 .. sumAt-1 compared with the 16-bit
// little-endian field at sumAt; the caller guarantees sumAt + 1 < size.
bool checksumMatches(const Frame& d, std::size_t sumAt)
{
    quint16 sum = 0;
    for (std::size_t i = 2; i < sumAt; ++i)
        sum = quint16(sum + d[i]);
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
    int n = appendDecimal(buf, qFromBigEndian<quint16>(d.data() + 12), 1);
    const char separators[] = "-- ::";
    for (int i = 0; i < 5; ++i) {
        buf[n++] = separators[i];
        n += appendDecimal(buf + n, d[14 + i], 2);
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

ParseData::ParseData(QObject* parent) : QObject(parent) {}

void ParseData::parseRealTimeData(std::vector<unsigned char> data)
{
    if (data.size() < kLiveSize || !checksumMatches(data, 62)) {
        emit stateProcessing(tr("读取到的数据校验和错误"), 1);
        return;
    }
    // A frame out of range leaves the record as it was; the window still gets
    // it, so the display keeps showing the last good reading.
    decodeLive(data);
    emit finishReadRealTimeData(liveData);
}

bool ParseData::decodeLive(const std::vector<unsigned char>& d)
{
    if (d[7] > 5 || d[8] > 1 || d[9] > 2 || d[10] > 2 || d[11] > 6)
        return false;
    for (int unitAt : {18, 26, 34, 40, 46, 52}) {
        if (d[unitAt] > 1)
            return false;
    }

    const int state = d[9];
    // Keeping lastTestState in the rule lets the final reading and judgement
    // stay on screen for one frame after the instrument returns to waiting.
    const bool visible = d[60] == 0 && (state != 0 || lastTestState != 0);

    const unsigned char status = d[6];
    liveData.statusBit7 = status & 0x80;
    liveData.comparisonSwitch = status & 0x40;
    liveData.statusBit5 = status & 0x20;
    liveData.statusBit4 = status & 0x10;
    liveData.underRange = status & 0x04;
    liveData.overRange = status & 0x02;
    liveData.overTemperature = status & 0x01;

    setBytesText(liveData.comparisonValue, d, 20, 25);
    liveData.comparisonUnitIndex = d[26];

    if (liveData.comparisonSwitch && visible) {
        liveData.comparativePass = status & 0x08;
        liveData.comparativeResult = passOrFail(liveData.comparativePass);
    } else {
        liveData.comparativeResult.clear();
    }

    liveData.rawByte7 = d[7];
    liveData.printing = d[8] != 0;
    liveData.printerStatus = liveData.printing ? tr("正在打印") : tr("打印机就绪");

    liveData.testState = state;
    switch (state) {
    case 0:
        liveData.testStatus = tr("待测试...");
        break;
    case 1:
        liveData.testStatus = tr("测试中...");
        break;
    default:
        liveData.testStatus = tr("测试完成");
        break;
    }
    liveData.rawByte10 = d[10];
    liveData.rawByte11 = d[11];

    if (!visible) {
        liveData.testingResValue.clear();
        liveData.testingResUnit.clear();
    } else if (liveData.overRange || liveData.underRange) {
        liveData.testingResUnit.clear();
        if (!liveData.underRange)
            liveData.testingResValue = QStringLiteral("OL");
        else if (!liveData.overRange)
            liveData.testingResValue = QStringLiteral("LO");
        // Both flags at once is no reading the instrument defines: keep the last.
    } else {
        setBytesText(liveData.testingResValue, d, 12, 17);
        liveData.testingResUnit = microOrMilliOhm(d[18] == 1);
    }

    setBytesText(liveData.testingCurrentValue, d, 28, 33);
    if (d[34] == 0)
        liveData.testingCurrentUnit = QStringLiteral("A");

    liveData.currentSetting = textToInt(d, 36, 39);
    if (d[40] == 0)
        liveData.currentSettingUnit = QStringLiteral("A");

    liveData.testingTime = textToInt(d, 42, 45);
    if (d[46] == 0)
        liveData.testingTimeUnit = QStringLiteral("S");

    setTextWithoutZeros(liveData.timeLeftValue, d, 48, 51);
    if (d[52] == 0)
        liveData.timeLeftUnit = QStringLiteral("S");

    char store[4];
    for (int i = 0; i < 4; ++i)
        store[i] = d[54 + i] == ' ' ? '0' : char(d[54 + i]);
    setText(liveData.storeNumber, store, 4);

    lastTestState = state;
    return true;
}

void ParseData::parseReadBackData(std::vector<unsigned char> data, int readedNum)
{
    // Length first: a short reply must not be indexed at all.
    if (data.size() < kStoredSize || data[0] != 0xAB || data[4] != 0x07) {
        emit stateProcessing(tr("读取第%1组数据失败").arg(readedNum), 0);
        return;
    }
    if (!checksumMatches(data, 33)) {
        emit stateProcessing(tr("读取第%1组数据校验和错误").arg(readedNum), 0);
        return;
    }
    if (decodeStored(data))
        emit finishReadReadBackData(storageData, readedNum);
    else
        emit stateProcessing(tr("读取第%1组数据失败").arg(readedNum), 0);
}

bool ParseData::decodeStored(const std::vector<unsigned char>& d)
{
    if (d[5] > 200 || d[6] > 1 || d[7] > 1 || d[8] > 1 || d[9] > 1 || d[11] > 60)
        return false;

    // Group 0 and 100-200 as they are, 1-99 zero-padded to three digits.
    char store[4];
    setText(storageData.storeNumber, store, appendDecimal(store, d[5], d[5] == 0 ? 1 : 3));

    storageData.comparisonEnabled = d[8] != 0;
    if (storageData.comparisonEnabled) {
        const bool milli = d[7] == 1;
        storageData.comparisonUnit = microOrMilliOhm(milli);
        storageData.comparativeResult = passOrFail(d[9] == 1);
        storageData.comparisonDecimals = d[10];
        // The instrument stores the limit in ohms; scaling in double and then
        // rounding to float gives 125.0 rather than 124.99999 for 0.000125 Ω.
        const double scaled = double(floatAt(d, 29)) * (milli ? 1e3 : 1e6);
        setFixed(storageData.comparisonValue, float(scaled), storageData.comparisonDecimals);
    } else {
        storageData.comparisonUnit.clear();
        storageData.comparativeResult = QStringLiteral("----");
        storageData.comparisonDecimals = 0;
        storageData.comparisonValue = QStringLiteral("----");
    }

    char time[4];
    const int timeLen = appendDecimal(time, d[11], 1);
    time[timeLen] = 'S';
    setText(storageData.testingTime, time, timeLen + 1);

    setRecordTime(storageData.recordTime, d);
    setFixed(storageData.testingCurrent, floatAt(d, 19), 2);

    storageData.overRange = d[23] & 0x01;
    storageData.underRange = d[23] & 0x02;
    storageData.resDecimals = d[24];

    if (!storageData.overRange && !storageData.underRange) {
        setFixed(storageData.testingResValue, floatAt(d, 25), storageData.resDecimals);
        storageData.testingResUnit = microOrMilliOhm(d[6] != 0);
    } else {
        storageData.testingResUnit.clear();
        if (!storageData.underRange)
            storageData.testingResValue = QStringLiteral("OL");
        else if (!storageData.overRange)
            storageData.testingResValue = QStringLiteral("LO");
    }
    return true;
}

void ParseData::parseSystemInfo(std::vector<unsigned char> data)
{
    if (data.size() < kIdentitySize || !checksumMatches(data, 28)) {
        emit stateProcessing(tr("读取到的数据校验和错误"), 1);
        return;
    }
    DeviceInfo info;
    info.model = QString::fromLatin1(reinterpret_cast<const char*>(data.data()) + 6, 11);
    info.version = QString::fromLatin1(reinterpret_cast<const char*>(data.data()) + 17, 11);
    if (info.model.contains(QLatin1String("RV718A")))
        info.name = tr("100A 回路电阻测试仪");
    else if (info.model.contains(QLatin1String("RV718B")))
        info.name = tr("200A 回路电阻测试仪");
    emit finishReadSystemInfoData(info);
}

// Compiled here rather than in the library's shared moc unit, so that a program
// using only the decoder does not pull in the link worker and its HID library.
#include "moc_ParseData.cpp"
