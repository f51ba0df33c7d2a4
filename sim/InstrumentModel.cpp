#include "InstrumentModel.h"

#include "SimEncoder.h"

#include <QtMath>

namespace sim {
namespace {

constexpr quint8 kParameterWrite = 0x01;
constexpr quint8 kLive = 0x05;
constexpr quint8 kStoredGroup = 0x07;
constexpr quint8 kStoreCount = 0x08;
constexpr quint8 kIdentity = 0x11;

constexpr char kAccepted = 'O';
constexpr char kRefused = 'E';

// How long the display says "complete" before it falls back to waiting.
constexpr qint64 kCompleteHoldMs = 3000;
// Largest reading the six-character display can show, in μΩ (9999.9 mΩ).
constexpr double kMaxMicroOhm = 9999.9e3;
constexpr float kMaxComparisonValue = 9999.9f;

QByteArray fixedText(QByteArray text, int size, char fill)
{
    if (text.size() > size)
        return text.left(size);
    return text.append(QByteArray(size - text.size(), fill));
}

// Decimal text left-aligned in a zero-filled field, as the set values come.
QByteArray zeroFilledNumber(int value, int size)
{
    return fixedText(QByteArray::number(value), size, '\0');
}

// Frames a reply, then spoils it the way the switched-on faults say.
QByteArray reply(quint8 command, const QByteArray& data, const FaultSet& faults)
{
    if (has(faults, Fault::WrongCommand))
        command |= 0x80;
    QByteArray frame = wire::encodeFrame(command, data);
    if (has(faults, Fault::WrongChecksum)) {
        const int low = frame.size() - 2;
        const quint16 sum = quint16(quint8(frame.at(low)) | (quint8(frame.at(low + 1)) << 8)) + 1;
        frame[low] = char(sum & 0xFF);
        frame[low + 1] = char(sum >> 8);
    }
    return frame;
}

} // namespace

InstrumentModel::InstrumentModel(Model model)
    : m_model(model), m_version(fixedText("V1.0.3", 11, ' ')), m_epoch(QDateTime::currentDateTime())
{
}

QByteArray InstrumentModel::modelText() const
{
    return fixedText(m_model == Model::RV718A ? "RV718A" : "RV718B", 11, ' ');
}

void InstrumentModel::setVersionText(const QByteArray& text)
{
    m_version = fixedText(text, 11, ' ');
}

QByteArray InstrumentModel::sixChars(double value, int* decimals)
{
    const double v = qAbs(value);
    int dec = v < 10 ? 4 : v < 100 ? 3 : v < 1000 ? 2 : v < 10000 ? 1 : 0;
    QByteArray text = QByteArray::number(value, 'f', dec);
    while (text.size() > 6 && dec > 0) // rounding carried into a new digit
        text = QByteArray::number(value, 'f', --dec);
    if (decimals)
        *decimals = dec;
    if (text.size() < 6)
        text.prepend(QByteArray(6 - text.size(), ' '));
    return text.left(6);
}

// --- test sequence -----------------------------------------------------------

bool InstrumentModel::testing(qint64 now)
{
    settle(now);
    return m_testStart >= 0;
}

void InstrumentModel::settle(qint64 now)
{
    if (m_testStart < 0 || now < m_testStart + m_testDuration)
        return;
    const qint64 end = m_testStart + m_testDuration;
    m_lastCurrent = measuredCurrent(end);
    m_testStart = -1;
    m_completedAt = end;
    m_hasReading = true;
    if (m_records.size() < kMaxStoredRecords)
        m_records.append(recordOf(end));
}

void InstrumentModel::startTest(qint64 now)
{
    if (testing(now))
        return;
    m_testStart = now;
    m_testDuration = qint64(m_settings.testTimeSeconds) * 1000;
    m_completedAt = -1;
}

void InstrumentModel::stopTest(qint64 now)
{
    if (!testing(now))
        return;
    // An aborted test keeps its reading on the display but is not stored.
    m_lastCurrent = measuredCurrent(now);
    m_testStart = -1;
    m_hasReading = true;
}

void InstrumentModel::pressTestKey(qint64 now)
{
    if (testing(now))
        stopTest(now);
    else
        startTest(now);
}

int InstrumentModel::testState(qint64 now)
{
    if (testing(now))
        return 1;
    if (m_completedAt >= 0 && now < m_completedAt + kCompleteHoldMs)
        return 2;
    return 0;
}

int InstrumentModel::timeLeftSeconds(qint64 now)
{
    if (!testing(now))
        return 0;
    const qint64 left = m_testStart + m_testDuration - now;
    return int((left + 999) / 1000);
}

double InstrumentModel::measuredCurrent(qint64 now) const
{
    if (m_testStart < 0)
        return m_lastCurrent;
    // The current source regulates to within a few tenths of a percent.
    const double set = currentForIndex(m_settings.currentIndex);
    return set * (1.0 + 0.003 * qSin(double(now) / 700.0));
}

bool InstrumentModel::readingOverRange() const
{
    return m_forceOverRange || m_microOhm > kMaxMicroOhm;
}

bool InstrumentModel::readingPasses() const
{
    if (readingOverRange())
        return false;
    if (m_forceUnderRange)
        return true;
    const double limit =
        double(m_settings.comparisonValue) * (m_settings.comparisonUnit == 1 ? 1000.0 : 1.0);
    return m_microOhm <= limit;
}

StoredRecord InstrumentModel::recordOf(qint64 at) const
{
    StoredRecord r;
    r.time = m_epoch.addMSecs(at);
    r.testTimeSeconds = int(m_testDuration / 1000);
    r.currentAmps = float(m_lastCurrent);
    r.overRange = readingOverRange();
    r.underRange = m_forceUnderRange;
    r.resistanceMilliOhm = m_microOhm >= 1000;
    const double shown = r.resistanceMilliOhm ? m_microOhm / 1000 : m_microOhm;
    sixChars(shown, &r.resistanceDecimals);
    r.resistance = float(shown);
    r.comparisonOn = m_settings.comparisonOn;
    r.comparisonMilliOhm = m_settings.comparisonUnit == 1;
    r.comparisonValue = m_settings.comparisonValue;
    r.comparisonDecimals = m_settings.comparisonDecimals;
    r.pass = readingPasses();
    return r;
}

QList<StoredRecord> InstrumentModel::records(qint64 now)
{
    settle(now);
    return m_records;
}

int InstrumentModel::recordCount(qint64 now)
{
    settle(now);
    return m_records.size();
}

void InstrumentModel::addRecords(int n, qint64 now)
{
    settle(now);
    const int max = maxCurrentIndex(m_model);
    for (int i = 0; i < n && m_records.size() < kMaxStoredRecords; ++i) {
        const int k = m_records.size() + 1;
        StoredRecord r;
        r.time = m_epoch.addMSecs(now - qint64(n - i) * 60000);
        r.testTimeSeconds = 10 + k % 51;
        r.currentAmps = float(currentForIndex(k % (max + 1)) * 1.001);
        r.overRange = k % 17 == 0;
        r.underRange = !r.overRange && k % 19 == 0;
        const double microOhm = 12.5 + (k * 173 % 5000) * 0.731;
        r.resistanceMilliOhm = microOhm >= 1000;
        const double shown = r.resistanceMilliOhm ? microOhm / 1000 : microOhm;
        sixChars(shown, &r.resistanceDecimals);
        r.resistance = float(shown);
        r.comparisonOn = k % 3 != 0;
        r.comparisonMilliOhm = k % 2 == 0;
        r.comparisonValue = r.comparisonMilliOhm ? 1.5f : 800.0f;
        r.comparisonDecimals = r.comparisonMilliOhm ? 4 : 2;
        const double limit = r.comparisonMilliOhm ? 1500.0 : 800.0;
        r.pass = !r.overRange && (r.underRange || microOhm <= limit);
        m_records.append(r);
    }
}

// --- wire ----------------------------------------------------------------------

QList<QByteArray> InstrumentModel::answer(const QByteArray& frame, qint64 now,
                                          const FaultSet& faults, bool* changed)
{
    QList<QByteArray> replies;
    replies.swap(m_heldReplies);
    replies += answerNow(frame, now, faults, changed);
    return replies;
}

QList<QByteArray> InstrumentModel::answerNow(const QByteArray& frame, qint64 now,
                                             const FaultSet& faults, bool* changed)
{
    *changed = false;
    if (frame.size() < 7)
        return {};
    switch (quint8(frame.at(4))) {
    case kLive:
        return {liveFrame(now, faults)};
    case kStoreCount: {
        settle(now);
        const int count =
            has(faults, Fault::FieldOutOfRange) ? kMaxStoredRecords + 1 : m_records.size();
        return {reply(kStoreCount, QByteArray(1, '\0') + char(count), faults)};
    }
    case kIdentity:
        return {reply(kIdentity, QByteArray(1, '\0') + modelText() + m_version, faults)};
    case kStoredGroup: {
        if (frame.size() < 9)
            return {};
        settle(now);
        const int group = (quint8(frame.at(5)) << 8) | quint8(frame.at(6));
        if (group < 1 || group > m_records.size() || m_silentGroups.contains(group))
            return {}; // nothing stored there (or unreadable): the instrument keeps quiet
        if (m_lateGroups.contains(group)) {
            m_heldReplies.append(storedFrame(group, faults));
            return {};
        }
        return {storedFrame(group, faults)};
    }
    case kParameterWrite:
        return {writeParameter(frame, now, faults, changed)};
    default:
        return {};
    }
}

QByteArray InstrumentModel::liveFrame(qint64 now, const FaultSet& faults)
{
    const int state = testState(now);
    const bool shown = state == 1 || m_hasReading;
    const bool over = shown && readingOverRange();
    const bool under = shown && !over && m_forceUnderRange;

    QByteArray d(57, '\0'); // frame offsets 5..61
    auto put = [&d](int offset, const QByteArray& bytes) {
        for (int i = 0; i < bytes.size(); ++i)
            d[offset - 5 + i] = bytes.at(i);
    };
    auto set = [&d](int offset, int value) { d[offset - 5] = char(quint8(value)); };

    int status = 0;
    if (m_settings.comparisonOn)
        status |= 0x40;
    if (m_settings.comparisonOn && shown && readingPasses())
        status |= 0x08;
    if (under)
        status |= 0x04;
    if (over)
        status |= 0x02;
    if (m_overTemperature)
        status |= 0x01;
    set(6, status);
    set(9, has(faults, Fault::FieldOutOfRange) ? 3 : state);

    const bool milliOhm = m_microOhm >= 1000;
    if (shown && !over && !under)
        put(12, sixChars(milliOhm ? m_microOhm / 1000 : m_microOhm));
    else
        put(12, QByteArray(6, ' '));
    set(18, milliOhm ? 1 : 0);

    QByteArray comparison =
        QByteArray::number(double(m_settings.comparisonValue), 'f', m_settings.comparisonDecimals);
    put(20, fixedText(comparison, 6, ' '));
    set(26, m_settings.comparisonUnit);

    put(28, sixChars(measuredCurrent(now)));
    put(36, zeroFilledNumber(currentForIndex(m_settings.currentIndex), 4));
    put(42, zeroFilledNumber(m_settings.testTimeSeconds, 4));
    put(48, zeroFilledNumber(timeLeftSeconds(now), 4));
    put(54, QByteArray::number(m_records.size()).rightJustified(4, ' '));
    set(60, shown ? 0 : 1);
    return reply(kLive, d, faults);
}

QByteArray InstrumentModel::storedFrame(int group, const FaultSet& faults) const
{
    const StoredRecord& r = m_records.at(group - 1);
    QByteArray d;
    d.append(char(group));
    d.append(char(r.resistanceMilliOhm ? 1 : 0));
    d.append(char(r.comparisonMilliOhm ? 1 : 0));
    d.append(char(r.comparisonOn ? 1 : 0));
    d.append(char(r.pass ? 1 : 0));
    d.append(char(r.comparisonDecimals));
    d.append(char(has(faults, Fault::FieldOutOfRange) ? 61 : r.testTimeSeconds));
    const QDate date = r.time.date();
    const QTime time = r.time.time();
    d.append(char(date.year() >> 8));
    d.append(char(date.year() & 0xFF));
    d.append(char(date.month()));
    d.append(char(date.day()));
    d.append(char(time.hour()));
    d.append(char(time.minute()));
    d.append(char(time.second()));
    wire::appendFloatLE(d, r.currentAmps);
    d.append(char((r.overRange ? 1 : 0) | (r.underRange ? 2 : 0)));
    d.append(char(r.resistanceDecimals));
    wire::appendFloatLE(d, r.resistance);
    const double ohms = double(r.comparisonValue) * (r.comparisonMilliOhm ? 1e-3 : 1e-6);
    wire::appendFloatLE(d, float(ohms));
    return reply(kStoredGroup, d, faults);
}

QByteArray InstrumentModel::writeParameter(const QByteArray& frame, qint64 now,
                                           const FaultSet& faults, bool* changed)
{
    // Frame: AB CD len len 01 00 parameter value... sum sum
    const int parameter = frame.size() >= 9 ? quint8(frame.at(6)) : -1;
    const QByteArray value = frame.size() >= 9 ? frame.mid(7, frame.size() - 9) : QByteArray();
    const int first = value.isEmpty() ? 0 : quint8(value.at(0));
    const bool running = testing(now);

    bool ok = false;
    if (frame.size() >= 9 && frame.at(5) == 0 && !has(faults, Fault::Refusal)) {
        InstrumentSettings s = m_settings;
        switch (parameter) {
        case 0x00: // run control
            if (value.size() == 1 && (first == 0xAA || first == 0x00)) {
                ok = true;
                *changed = running != (first == 0xAA);
                first == 0xAA ? startTest(now) : stopTest(now);
            }
            break;
        case 0x01: { // comparison value, decimals, unit
            if (value.size() != 6 || running)
                break;
            const float v = wire::floatLE(value, 0);
            const int decimals = quint8(value.at(4));
            const int unit = quint8(value.at(5));
            if (qIsFinite(v) && v >= 0 && v <= kMaxComparisonValue + 0.001f && decimals <= 4 &&
                unit <= 1) {
                s.comparisonValue = v;
                s.comparisonDecimals = decimals;
                s.comparisonUnit = unit;
                ok = true;
            }
            break;
        }
        case 0x02: // comparison switch
            if (value.size() == 1 && first <= 1 && !running) {
                s.comparisonOn = first == 1;
                ok = true;
            }
            break;
        case 0x03: // test current index
            if (value.size() == 1 && first <= maxCurrentIndex(m_model) && !running) {
                s.currentIndex = first;
                ok = true;
            }
            break;
        case 0x04: // test time
            if (value.size() == 1 && first >= 10 && first <= 60 && !running) {
                s.testTimeSeconds = first;
                ok = true;
            }
            break;
        default:
            break;
        }
        if (ok && parameter != 0x00) {
            *changed = true;
            m_settings = s;
        }
    }
    QByteArray ack;
    ack.append(char(quint8(parameter)));
    ack.append(ok ? kAccepted : kRefused);
    ack.append(char(first));
    return reply(kParameterWrite, ack, faults);
}

} // namespace sim
