// Reply frames in, records and operator messages out.
#include "FrameFixtures.h"
#include "ParseData.h"

#include <QSignalSpy>
#include <QtTest>

#include <cstring>
#include <random>
#include <tuple>

using fixtures::Frame;

namespace {

QString u(const char* text)
{
    return QString::fromUtf8(text);
}

// Every field of a record in declaration order, zero bytes written as '_'.
QString describe(const ReceiveLiveData& r)
{
    auto n = [](int v) { return QString::number(v); };
    return QStringList{
        n(r.statusBit7),       n(r.comparisonSwitch), n(r.statusBit5),     n(r.statusBit4),
        n(r.comparativePass),  r.comparativeResult,   n(r.overRange),      n(r.underRange),
        n(r.overTemperature),  n(r.rawByte7),         n(r.printing),       r.printerStatus,
        n(r.testState),        r.testStatus,          n(r.rawByte10),      n(r.rawByte11),
        r.testingResValue,     r.testingResUnit,      r.comparisonValue,   n(r.comparisonUnitIndex),
        r.testingCurrentValue, r.testingCurrentUnit,  n(r.currentSetting), r.currentSettingUnit,
        n(r.testingTime),      r.testingTimeUnit,     r.timeLeftValue,     r.timeLeftUnit,
        r.storeNumber}
        .join('|')
        .replace(QChar(0), '_');
}

QString describe(const ReceiveStorageData& r)
{
    auto n = [](int v) { return QString::number(v); };
    return QStringList{r.storeNumber,          r.testingResUnit,    r.comparisonUnit,
                       n(r.comparisonEnabled), r.comparativeResult, n(r.comparisonDecimals),
                       r.testingTime,          r.recordTime,        r.testingCurrent,
                       n(r.overRange),         n(r.underRange),     n(r.resDecimals),
                       r.testingResValue,      r.comparisonValue}
        .join('|');
}

// Sets one byte of a frame and seals it again, keeping that byte.
Frame with(Frame f, int offset, int value)
{
    f[offset] = static_cast<unsigned char>(value);
    fixtures::seal(f);
    f[offset] = static_cast<unsigned char>(value); // sealing rewrites the sync bytes
    return f;
}

} // namespace

class TestParseData : public QObject
{
    Q_OBJECT

    // Feeds one frame and returns the record it emitted; fails the test when
    // the frame emitted anything else.
    static ReceiveLiveData live(ParseData& p, const Frame& f)
    {
        QSignalSpy records(&p, &ParseData::finishReadRealTimeData);
        QSignalSpy messages(&p, &ParseData::stateProcessing);
        p.parseRealTimeData(f);
        if (records.size() != 1 || !messages.isEmpty())
            QTest::qFail("live frame did not give exactly one record", __FILE__, __LINE__);
        return records.value(0).value(0).value<ReceiveLiveData>();
    }

    static ReceiveStorageData stored(ParseData& p, const Frame& f, int group = 1)
    {
        QSignalSpy records(&p, &ParseData::finishReadReadBackData);
        QSignalSpy messages(&p, &ParseData::stateProcessing);
        p.parseReadBackData(f, group);
        if (records.size() != 1 || !messages.isEmpty() || records[0][1].toInt() != group)
            QTest::qFail("stored frame did not give one record of its group", __FILE__, __LINE__);
        return records.value(0).value(0).value<ReceiveStorageData>();
    }

private slots:
    void initTestCase() { registerLinkMetaTypes(); }

    void liveFrameFields()
    {
        ParseData p;
        fixtures::Live f;
        f.status = 0xFF & ~0x0E; // every flag but OL, LO and pass
        f.code7 = 5;
        f.printer = 1;
        f.code10 = 2;
        f.code11 = 6;
        f.comparison = "0.5000";
        f.comparisonUnit = f.readingUnit = 0;
        f.current = std::string("99.8\0\0", 6);
        f.currentUnit = f.setCurrentUnit = f.setTimeUnit = f.timeLeftUnit = 1; // write nothing
        const ReceiveLiveData r = live(p, f.bytes());
        QCOMPARE(describe(r), u("1|1|1|1|0|FAIL|0|0|1|5|1|正在打印|1|测试中...|2|6|12.345|μΩ|"
                                "0.5000|0|99.8__||100||30||25||0012"));

        f.currentUnit = f.setCurrentUnit = f.setTimeUnit = f.timeLeftUnit = 0;
        f.printer = 0;
        f.state = 2;
        f.status = 0x48;
        f.readingUnit = 1;
        Frame longer = f.bytes();
        longer.push_back(0xEE); // report padding after the checksum is ignored
        const QString done = describe(live(p, longer));
        QCOMPARE(done, u("0|1|0|0|1|PASS|0|0|0|5|0|打印机就绪|2|测试完成|2|6|12.345|mΩ|"
                         "0.5000|0|99.8__|A|100|A|30|S|25|S|0012"));
        // Once written, the unit texts stay.
        f.currentUnit = f.setCurrentUnit = f.setTimeUnit = f.timeLeftUnit = 1;
        QCOMPARE(describe(live(p, f.bytes())), done);
    }

    // The reading and judgement stay for one frame after the instrument goes
    // back to waiting; the no-reading flag and comparison off hide them too.
    void visibleReading()
    {
        ParseData p;
        fixtures::Live f;
        auto shown = [&] {
            const ReceiveLiveData r = live(p, f.bytes());
            return QStringList{r.testingResValue, r.testingResUnit, r.comparativeResult,
                               QString::number(r.comparativePass)};
        };
        f.state = 0;
        QCOMPARE(shown(), (QStringList{"", "", "", "0"}));
        f.state = 1;
        QCOMPARE(shown(), (QStringList{"12.345", u("mΩ"), "PASS", "1"}));
        f.state = 0;
        f.reading = "13.000";
        QCOMPARE(shown(), (QStringList{"13.000", u("mΩ"), "PASS", "1"}));
        f.status = 0x40; // judgement bit now clear, but nothing is shown any more
        QCOMPARE(shown(), (QStringList{"", "", "", "1"}));
        f.state = 1;
        f.noReading = 1;
        f.status = 0x48 | 0x02;
        QCOMPARE(shown(), (QStringList{"", "", "", "1"}));
        f.noReading = 0;
        f.status = 0x00; // pass bit clear, comparison off
        QCOMPARE(shown(), (QStringList{"13.000", u("mΩ"), "", "1"}));
    }

    // OL and LO hide the unit; both at once keep the last reading.
    void rangeFlags()
    {
        for (const auto& [flags, value] :
             QList<QPair<int, QString>>{{1, "OL"}, {2, "LO"}, {3, "12.345"}}) {
            ParseData p;
            fixtures::Live f;
            live(p, f.bytes());
            f.status = static_cast<unsigned char>(0x48 | flags << 1);
            f.reading = "99.999";
            const ReceiveLiveData r = live(p, f.bytes());
            QCOMPARE((QStringList{r.testingResValue, r.testingResUnit, r.comparativeResult}),
                     (QStringList{value, "", "PASS"}));
            QCOMPARE(r.overRange + 2 * r.underRange, flags);

            fixtures::Stored s;
            stored(p, s.bytes());
            fixtures::Stored rejected; // out of range: must not touch the kept reading
            rejected.reading = 99.0f;
            rejected.testTime = 61;
            p.parseReadBackData(rejected.bytes(), 1);
            s.rangeFlags = static_cast<unsigned char>(0xFC | flags); // upper bits mean nothing
            s.reading = 7.5f;
            const ReceiveStorageData sr = stored(p, s.bytes());
            QCOMPARE(sr.testingResValue + '|' + sr.testingResUnit, value + '|');
            QCOMPARE(sr.overRange + 2 * sr.underRange, flags);
        }
    }

    // A frame with a field out of range is dropped and reported as rejected,
    // not passed off as a current reading; the record it would have changed
    // stays as the last good frame left it.
    void outOfRangeLiveFrameIsRejected()
    {
        const QList<QPair<int, int>> faults{{7, 6},  {8, 2},  {9, 3},  {10, 3}, {11, 7}, {18, 2},
                                            {26, 2}, {34, 2}, {40, 2}, {46, 2}, {52, 2}};
        for (const auto& [offset, value] : faults) {
            ParseData p;
            fixtures::Live good;
            good.state = 0;
            const QString first = describe(live(p, good.bytes()));
            fixtures::Live other;
            other.status = 0x21;
            other.state = 2;
            other.reading = "55.555";
            other.store = "0099";
            QSignalSpy records(&p, &ParseData::finishReadRealTimeData);
            QSignalSpy rejected(&p, &ParseData::liveFrameRejected);
            QSignalSpy messages(&p, &ParseData::stateProcessing);
            p.parseRealTimeData(with(other.bytes(), offset, value));
            QVERIFY2(records.isEmpty() && rejected.size() == 1 && messages.isEmpty(),
                     qPrintable(QString::number(offset)));
            QVERIFY2(describe(live(p, good.bytes())) == first, qPrintable(QString::number(offset)));
            // Nor did its test state count: a waiting frame still shows nothing.
            QCOMPARE(live(p, good.bytes()).testingResValue, QString());
        }
    }

    // One byte text ('_' a zero byte) in the set current, set time, time left
    // and store number fields.
    void numberTexts()
    {
        const std::tuple<const char*, int, const char*, const char*> cases[] = {
            {"  12", 12, "  12", "0012"}, {"05__", 5, "05", "05__"}, {"1_50", 150, "150", "1_50"},
            {" 20 ", 20, " 20 ", "0200"}, {"AB__", 0, "AB", "AB__"}, {"-5__", -5, "-5", "-5__"}};
        for (const auto& [text, number, timeLeft, store] : cases) {
            ParseData p;
            fixtures::Live f;
            f.setCurrent = f.setTime = f.timeLeft = f.store =
                QByteArray(text).replace('_', '\0').toStdString();
            const ReceiveLiveData r = live(p, f.bytes());
            QCOMPARE(r.currentSetting, number);
            QCOMPARE(r.testingTime, number);
            QCOMPARE(r.timeLeftValue, QString(timeLeft));
            QCOMPARE(QString(r.storeNumber).replace(QChar(0), '_'), QString(store));
        }
    }

    void storedRecordFields()
    {
        ParseData p;
        fixtures::Stored f;
        f.group = 42;
        QCOMPARE(describe(stored(p, f.bytes(), 42)),
                 u("042|mΩ|mΩ|1|PASS|2|30S|2025-03-05 14:07:09|100.00|0|0|3|12.345|20.00"));
        f.readingUnit = f.pass = f.testTime = 0;
        f.current = 4.996f;
        f.readingDecimals = 1;
        f.reading = 850.26f;
        f.year = 65535; // wide values as they come
        f.month = 255;
        f.day = f.minute = 0;
        f.hour = 100;
        f.second = 60;
        QCOMPARE(describe(stored(p, f.bytes(), 42)),
                 u("042|μΩ|mΩ|1|FAIL|2|0S|65535-255-00 100:00:60|5.00|0|0|1|850.3|20.00"));

        for (const auto& [group, text] : QList<QPair<int, QString>>{
                 {0, "0"}, {7, "007"}, {10, "010"}, {99, "099"}, {100, "100"}, {200, "200"}}) {
            f.group = static_cast<unsigned char>(group);
            QCOMPARE(stored(p, f.bytes()).storeNumber, text);
        }

        // Rounded to float before formatting: in double 125 μΩ would read 125.000006.
        const std::tuple<int, float, int, int, const char*> cases[] = {
            {1, 0.000125f, 0, 1, "1|125.0|μΩ|FAIL|1"},
            {1, 0.5f, 1, 2, "1|500.00|mΩ|FAIL|2"},
            {1, 0.000125f, 0, 6, "1|125.000008|μΩ|FAIL|6"},
            {0, 0.5f, 1, 3, "0|----||----|0"}};
        for (const auto& [on, ohms, milli, decimals, shown] : cases) {
            f.comparisonOn = static_cast<unsigned char>(on);
            f.comparisonOhms = ohms;
            f.comparisonUnit = static_cast<unsigned char>(milli);
            f.comparisonDecimals = static_cast<unsigned char>(decimals);
            const ReceiveStorageData r = stored(p, f.bytes());
            const QString n = QString::number(r.comparisonEnabled);
            QCOMPARE(QStringList({n, r.comparisonValue, r.comparisonUnit, r.comparativeResult,
                                  QString::number(r.comparisonDecimals)})
                         .join('|'),
                     u(shown));
        }
    }

    // Fixed notation is written without QString::number for speed; it must read
    // exactly as QString::number writes it, ties and 255 decimals included.
    void fixedTextsMatchQString()
    {
        ParseData p;
        std::mt19937 random(7);
        for (int i = 0; i < 30000; ++i) {
            fixtures::Stored f;
            const quint32 bits = random();
            std::memcpy(&f.reading, &bits, sizeof bits); // any value, NaN and inf too
            if (i < 12000)
                f.reading = float(i / 4) / 64.0f; // NOLINT(bugprone-integer-division): exact binary
                                                  // values for rounding ties
            f.current = f.reading;
            f.readingDecimals = static_cast<unsigned char>(i % 17 == 16 ? 255 : i % 17);
            const ReceiveStorageData r = stored(p, f.bytes());
            QCOMPARE(r.testingResValue, QString::number(double(f.reading), 'f', f.readingDecimals));
            QCOMPARE(r.testingCurrent, QString::number(double(f.reading), 'f', 2));
        }
    }

    void rejectedFrames()
    {
        // The messages one frame gives, or "record" when it gave a record.
        auto outcome = [](int kind, const Frame& frame) { // 0 live, 1 stored, 2 identity
            ParseData p;
            QSignalSpy live(&p, &ParseData::finishReadRealTimeData);
            QSignalSpy back(&p, &ParseData::finishReadReadBackData);
            QSignalSpy info(&p, &ParseData::finishReadSystemInfoData);
            QSignalSpy messages(&p, &ParseData::stateProcessing);
            kind == 0   ? p.parseRealTimeData(frame)
            : kind == 1 ? p.parseReadBackData(frame, 17)
                        : p.parseSystemInfo(frame);
            QStringList seen;
            for (const QList<QVariant>& m : messages)
                seen << m[0].toString() + '|' + m[1].toString();
            return live.size() + back.size() + info.size() ? QStringList{"record"} : seen;
        };
        const QStringList sum{u("读取到的数据校验和错误|1")};
        const QStringList failed{u("读取第17组数据失败|0")};
        const Frame lf = fixtures::Live().bytes();
        const Frame sf = fixtures::Stored().bytes();
        const Frame id = fixtures::identity("RV718A", "V1.0");
        auto cut = [](const Frame& f) { return Frame(f.begin(), f.end() - 1); };
        QCOMPARE(outcome(0, fixtures::corrupted(lf)), sum);
        QCOMPARE(outcome(0, cut(lf)), sum);
        QCOMPARE(outcome(2, fixtures::corrupted(id)), sum);
        QCOMPARE(outcome(2, cut(id)), sum);
        QCOMPARE(outcome(1, fixtures::corrupted(sf)), QStringList{u("读取第17组数据校验和错误|0")});
        // Too short to hold its checksum, or even its command byte.
        QCOMPARE(outcome(1, cut(sf)), failed);
        QCOMPARE(outcome(1, Frame{0xAB, 0xCD, 0x1F}), failed);
        QCOMPARE(outcome(1, with(sf, 0, 0)), failed);    // no sync byte
        QCOMPARE(outcome(1, with(sf, 4, 0x05)), failed); // wrong command
        QCOMPARE(outcome(1, with(sf, 5, 201)), failed);  // group 201
        QCOMPARE(outcome(1, with(sf, 11, 61)), failed);  // test time 61 s
    }

    void identity()
    {
        for (const auto& [model, name] :
             {std::pair{QByteArray("RV718A     "), "100A 回路电阻测试仪"},
              {QByteArray(" RV718A-1  "), "100A 回路电阻测试仪"},
              {QByteArray("RV718B     "), "200A 回路电阻测试仪"},
              {QByteArray("XRV718B-2\0\0", 11), "200A 回路电阻测试仪"},
              {QByteArray("RV700\0\0\0\0\0\0", 11), ""},
              {QByteArray("rv718a     "), ""}}) {
            ParseData p;
            QSignalSpy infos(&p, &ParseData::finishReadSystemInfoData);
            QSignalSpy messages(&p, &ParseData::stateProcessing);
            p.parseSystemInfo(fixtures::identity(model.toStdString(), "V1.02"));
            QVERIFY(messages.isEmpty() && infos.size() == 1);
            const DeviceInfo info = infos[0][0].value<DeviceInfo>();
            QCOMPARE(info.name, u(name));
            QCOMPARE(info.model, QString::fromLatin1(model.constData(), 11)); // fill kept
            QCOMPARE(info.version, QString::fromLatin1("V1.02\0\0\0\0\0\0", 11));
        }
    }
};

QTEST_GUILESS_MAIN(TestParseData)
#include "tst_parsedata.moc"
