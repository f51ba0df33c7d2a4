// Reply frames in, records and operator messages out.
#include "FrameFixtures.h"
#include "ParseData.h"

#include <QSignalSpy>
#include <QTranslator>
#include <QtTest>

#include <cstring>
#include <random>

using fixtures::Frame;

namespace {

QString u(const char* text)
{
    return QString::fromUtf8(text);
}

// Answers every "ParseData" text with a marked copy, as a catalogue would.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* sourceText, const char* = nullptr,
                      int = -1) const override
    {
        if (qstrcmp(context, "ParseData") != 0)
            return QString();
        return QStringLiteral("EN:") + QString::fromUtf8(sourceText);
    }
    bool isEmpty() const override { return false; }
};

// Every field of a live record as one comparable text, for "unchanged" checks.
QString describe(const ReceiveLiveData& r)
{
    return QStringList{QString::number(r.statusBit7),
                       QString::number(r.comparisonSwitch),
                       QString::number(r.statusBit5),
                       QString::number(r.statusBit4),
                       QString::number(r.comparativePass),
                       r.comparativeResult,
                       QString::number(r.overRange),
                       QString::number(r.underRange),
                       QString::number(r.overTemperature),
                       QString::number(r.rawByte7),
                       QString::number(r.printing),
                       r.printerStatus,
                       QString::number(r.testState),
                       r.testStatus,
                       QString::number(r.rawByte10),
                       QString::number(r.rawByte11),
                       r.testingResValue,
                       r.testingResUnit,
                       r.comparisonValue,
                       QString::number(r.comparisonUnitIndex),
                       r.testingCurrentValue,
                       r.testingCurrentUnit,
                       QString::number(r.currentSetting),
                       r.currentSettingUnit,
                       QString::number(r.testingTime),
                       r.testingTimeUnit,
                       r.timeLeftValue,
                       r.timeLeftUnit,
                       r.storeNumber}
        .join(QLatin1Char('|'));
}

} // namespace

class TestParseData : public QObject
{
    Q_OBJECT

    // Feeds one live frame and returns the record it emitted; fails the test
    // when the frame emitted anything else.
    static ReceiveLiveData live(ParseData& p, const Frame& f)
    {
        QSignalSpy records(&p, &ParseData::finishReadRealTimeData);
        QSignalSpy messages(&p, &ParseData::stateProcessing);
        p.parseRealTimeData(f);
        if (records.size() != 1 || !messages.isEmpty()) {
            QTest::qFail("live frame did not give exactly one record", __FILE__, __LINE__);
            return {};
        }
        return records.at(0).at(0).value<ReceiveLiveData>();
    }

    static ReceiveStorageData stored(ParseData& p, const Frame& f, int group = 1)
    {
        QSignalSpy records(&p, &ParseData::finishReadReadBackData);
        QSignalSpy messages(&p, &ParseData::stateProcessing);
        p.parseReadBackData(f, group);
        if (records.size() != 1 || !messages.isEmpty()) {
            QTest::qFail("stored frame did not give exactly one record", __FILE__, __LINE__);
            return {};
        }
        if (records.at(0).at(1).toInt() != group)
            QTest::qFail("stored record carries the wrong group", __FILE__, __LINE__);
        return records.at(0).at(0).value<ReceiveStorageData>();
    }

private slots:
    void initTestCase() { registerLinkMetaTypes(); }

    // ---- live frames ----

    void liveFrameFields()
    {
        ParseData p;
        fixtures::Live f;
        f.status = 0xFF & ~0x06 & ~0x08; // every flag but OL, LO and pass
        f.code7 = 5;
        f.printer = 1;
        f.code10 = 2;
        f.code11 = 6;
        f.comparison = "0.5000";
        f.comparisonUnit = 0;
        f.current = std::string("99.8\0\0", 6);
        f.readingUnit = 0;
        const ReceiveLiveData r = live(p, f.bytes());

        QVERIFY(r.statusBit7 && r.comparisonSwitch && r.statusBit5 && r.statusBit4);
        QVERIFY(r.overTemperature);
        QVERIFY(!r.overRange && !r.underRange && !r.comparativePass);
        QCOMPARE(r.comparativeResult, QStringLiteral("FAIL"));
        QCOMPARE(r.rawByte7, 5);
        QVERIFY(r.printing);
        QCOMPARE(r.printerStatus, u("正在打印"));
        QCOMPARE(r.testState, 1);
        QCOMPARE(r.testStatus, u("测试中..."));
        QCOMPARE(r.rawByte10, 2);
        QCOMPARE(r.rawByte11, 6);
        QCOMPARE(r.testingResValue, QStringLiteral("12.345"));
        QCOMPARE(r.testingResUnit, u("μΩ"));
        QCOMPARE(r.comparisonValue, QStringLiteral("0.5000"));
        QCOMPARE(r.comparisonUnitIndex, 0);
        // Zero bytes are part of the measured-current text.
        QCOMPARE(r.testingCurrentValue, QString::fromLatin1("99.8\0\0", 6));
        QCOMPARE(r.testingCurrentUnit, QStringLiteral("A"));
        QCOMPARE(r.currentSetting, 100);
        QCOMPARE(r.currentSettingUnit, QStringLiteral("A"));
        QCOMPARE(r.testingTime, 30);
        QCOMPARE(r.testingTimeUnit, QStringLiteral("S"));
        QCOMPARE(r.timeLeftValue, QStringLiteral("25"));
        QCOMPARE(r.timeLeftUnit, QStringLiteral("S"));
        QCOMPARE(r.storeNumber, QStringLiteral("0012"));

        f.printer = 0;
        f.state = 2;
        f.status = 0x48;
        f.readingUnit = 1;
        const ReceiveLiveData done = live(p, f.bytes());
        QCOMPARE(done.printerStatus, u("打印机就绪"));
        QCOMPARE(done.testStatus, u("测试完成"));
        QCOMPARE(done.testingResUnit, u("mΩ"));
        QCOMPARE(done.comparativeResult, QStringLiteral("PASS"));
        QVERIFY(done.comparativePass);
        QVERIFY(!done.printing && !done.overTemperature);
        // The record emitted earlier is a copy, untouched by the later frame.
        QCOMPARE(r.testStatus, u("测试中..."));
    }

    // The reading and judgement stay for one frame after the instrument goes
    // back to waiting, and are cleared from the second waiting frame on.
    void readingVisibleOneFrameAfterWaiting()
    {
        ParseData p;
        fixtures::Live f;
        f.state = 0;
        ReceiveLiveData r = live(p, f.bytes());
        QCOMPARE(r.testingResValue, QString());
        QCOMPARE(r.testingResUnit, QString());
        QCOMPARE(r.comparativeResult, QString());
        QCOMPARE(r.testStatus, u("待测试..."));

        f.state = 1;
        r = live(p, f.bytes());
        QCOMPARE(r.testingResValue, QStringLiteral("12.345"));
        QCOMPARE(r.comparativeResult, QStringLiteral("PASS"));

        f.state = 2;
        f.reading = "12.400";
        r = live(p, f.bytes());
        QCOMPARE(r.testingResValue, QStringLiteral("12.400"));

        f.state = 0;
        f.reading = "13.000";
        r = live(p, f.bytes());
        QCOMPARE(r.testingResValue, QStringLiteral("13.000"));
        QCOMPARE(r.testingResUnit, u("mΩ"));
        QCOMPARE(r.comparativeResult, QStringLiteral("PASS"));

        f.status = 0x40; // judgement bit now clear, but nothing is shown any more
        r = live(p, f.bytes());
        QCOMPARE(r.testingResValue, QString());
        QCOMPARE(r.testingResUnit, QString());
        QCOMPARE(r.comparativeResult, QString());
        QVERIFY(r.comparativePass); // kept from the last shown judgement
    }

    void noReadingFlagHidesReadingAndJudgement()
    {
        ParseData p;
        fixtures::Live f;
        live(p, f.bytes());
        f.noReading = 1;
        f.status = 0x40 | 0x02; // comparison on, OL
        const ReceiveLiveData r = live(p, f.bytes());
        QCOMPARE(r.testingResValue, QString());
        QCOMPARE(r.testingResUnit, QString());
        QCOMPARE(r.comparativeResult, QString());
        QVERIFY(r.overRange);
    }

    void comparisonOffGivesNoJudgement()
    {
        ParseData p;
        fixtures::Live f;
        f.status = 0x08; // pass bit set, comparison off
        const ReceiveLiveData r = live(p, f.bytes());
        QVERIFY(!r.comparisonSwitch);
        QCOMPARE(r.comparativeResult, QString());
        QVERIFY(!r.comparativePass);
        QCOMPARE(r.testingResValue, QStringLiteral("12.345"));
    }

    void rangeFlags_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("value");
        QTest::newRow("OL") << 0x02 << "OL";
        QTest::newRow("LO") << 0x04 << "LO";
        QTest::newRow("both keep the last reading") << 0x06 << "12.345";
    }
    void rangeFlags()
    {
        QFETCH(int, flags);
        QFETCH(QString, value);
        ParseData p;
        fixtures::Live f;
        live(p, f.bytes());
        f.status = static_cast<unsigned char>(0x48 | flags);
        f.reading = "99.999";
        const ReceiveLiveData r = live(p, f.bytes());
        QCOMPARE(r.testingResValue, value);
        QCOMPARE(r.testingResUnit, QString());
        QCOMPARE(r.overRange, bool(flags & 0x02));
        QCOMPARE(r.underRange, bool(flags & 0x04));
        QCOMPARE(r.comparativeResult, QStringLiteral("PASS"));
    }

    void outOfRangeFrameRepeatsLastRecord_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("value");
        QTest::newRow("code 7") << 7 << 6;
        QTest::newRow("printer") << 8 << 2;
        QTest::newRow("test state") << 9 << 3;
        QTest::newRow("code 10") << 10 << 3;
        QTest::newRow("code 11") << 11 << 7;
        for (int unitAt : {18, 26, 34, 40, 46, 52})
            QTest::addRow("unit at %d", unitAt) << unitAt << 2;
    }
    void outOfRangeFrameRepeatsLastRecord()
    {
        QFETCH(int, offset);
        QFETCH(int, value);
        ParseData p;
        fixtures::Live good;
        good.state = 0;
        const ReceiveLiveData first = live(p, good.bytes());

        fixtures::Live other;
        other.status = 0x07;
        other.state = 2;
        other.reading = "55.555";
        other.store = "0099";
        other.setCurrent = "200";
        Frame bad = other.bytes();
        bad[offset] = static_cast<unsigned char>(value);
        fixtures::seal(bad);
        QCOMPARE(describe(live(p, bad)), describe(first));

        // Its test state did not become the previous state either: a waiting
        // frame after it still shows no reading.
        QCOMPARE(live(p, good.bytes()).testingResValue, QString());
    }

    void badLiveFramesReportChecksumError_data()
    {
        QTest::addColumn<Frame>("frame");
        const Frame good = fixtures::Live().bytes();
        QTest::newRow("wrong checksum") << fixtures::corrupted(good);
        QTest::newRow("63 bytes") << Frame(good.begin(), good.end() - 1);
        QTest::newRow("2 bytes") << Frame{0xAB, 0xCD};
        QTest::newRow("empty") << Frame();
    }
    void badLiveFramesReportChecksumError()
    {
        QFETCH(Frame, frame);
        ParseData p;
        QSignalSpy records(&p, &ParseData::finishReadRealTimeData);
        QSignalSpy messages(&p, &ParseData::stateProcessing);
        p.parseRealTimeData(frame);
        QCOMPARE(records.size(), 0);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).at(0).toString(), u("读取到的数据校验和错误"));
        QCOMPARE(messages.at(0).at(1).toInt(), 1);
    }

    void longerLiveFrameIsDecoded()
    {
        ParseData p;
        Frame f = fixtures::Live().bytes();
        f.push_back(0xEE); // trailing report padding after the checksum
        QCOMPARE(live(p, f).testingResValue, QStringLiteral("12.345"));
    }

    void unitTextsPersistOnceWritten()
    {
        ParseData p;
        fixtures::Live f;
        f.currentUnit = f.setCurrentUnit = f.setTimeUnit = f.timeLeftUnit = 1;
        ReceiveLiveData r = live(p, f.bytes());
        QCOMPARE(r.testingCurrentUnit, QString());
        QCOMPARE(r.currentSettingUnit, QString());
        QCOMPARE(r.testingTimeUnit, QString());
        QCOMPARE(r.timeLeftUnit, QString());

        f.currentUnit = f.setCurrentUnit = f.setTimeUnit = f.timeLeftUnit = 0;
        live(p, f.bytes());
        f.currentUnit = f.setCurrentUnit = f.setTimeUnit = f.timeLeftUnit = 1;
        r = live(p, f.bytes());
        QCOMPARE(r.testingCurrentUnit, QStringLiteral("A"));
        QCOMPARE(r.currentSettingUnit, QStringLiteral("A"));
        QCOMPARE(r.testingTimeUnit, QStringLiteral("S"));
        QCOMPARE(r.timeLeftUnit, QStringLiteral("S"));
    }

    void numberTexts_data()
    {
        QTest::addColumn<QByteArray>("setCurrent");
        QTest::addColumn<int>("currentSetting");
        QTest::addColumn<QByteArray>("timeLeft");
        QTest::addColumn<QString>("timeLeftValue");
        QTest::addColumn<QByteArray>("store");
        QTest::addColumn<QString>("storeNumber");
        // In these byte texts '_' stands for a zero byte.
        auto raw = [](const char* text) { return QByteArray(text).replace('_', '\0'); };
        QTest::newRow("zero fill")
            << raw("05__") << 5 << raw("_9__") << "9" << raw("  12") << "0012";
        QTest::newRow("zero inside")
            << raw("1_50") << 150 << raw("1_0_") << "10" << raw("1 2 ") << "1020";
        QTest::newRow("blanks around")
            << raw(" 20 ") << 20 << raw(" 7  ") << " 7  " << raw("    ") << "0000";
        QTest::newRow("letters") << raw("AB__") << 0 << raw("--__") << "--" << raw("0200")
                                 << "0200";
        QTest::newRow("sign") << raw("-5__") << -5 << raw("____") << "" << raw("0_01")
                              << QString::fromLatin1(raw("0_01").constData(), 4);
    }
    void numberTexts()
    {
        QFETCH(QByteArray, setCurrent);
        QFETCH(int, currentSetting);
        QFETCH(QByteArray, timeLeft);
        QFETCH(QString, timeLeftValue);
        QFETCH(QByteArray, store);
        QFETCH(QString, storeNumber);
        ParseData p;
        fixtures::Live f;
        f.setCurrent = f.setTime = setCurrent.toStdString();
        f.timeLeft = timeLeft.toStdString();
        f.store = store.toStdString();
        const ReceiveLiveData r = live(p, f.bytes());
        QCOMPARE(r.currentSetting, currentSetting);
        QCOMPARE(r.testingTime, currentSetting);
        QCOMPARE(r.timeLeftValue, timeLeftValue);
        QCOMPARE(r.storeNumber, storeNumber);
    }

    // ---- stored records ----

    void storedRecordFields()
    {
        ParseData p;
        fixtures::Stored f;
        f.group = 42;
        const ReceiveStorageData r = stored(p, f.bytes(), 42);
        QCOMPARE(r.storeNumber, QStringLiteral("042"));
        QCOMPARE(r.testingResValue, QStringLiteral("12.345"));
        QCOMPARE(r.testingResUnit, u("mΩ"));
        QVERIFY(r.comparisonEnabled);
        QCOMPARE(r.comparisonUnit, u("mΩ"));
        QCOMPARE(r.comparativeResult, QStringLiteral("PASS"));
        QCOMPARE(r.comparisonDecimals, 2);
        QCOMPARE(r.comparisonValue, QStringLiteral("20.00"));
        QCOMPARE(r.testingTime, QStringLiteral("30S"));
        QCOMPARE(r.recordTime, QStringLiteral("2025-03-05 14:07:09"));
        QCOMPARE(r.testingCurrent, QStringLiteral("100.00"));
        QVERIFY(!r.overRange && !r.underRange);
        QCOMPARE(r.resDecimals, 3);

        f.readingUnit = 0;
        f.pass = 0;
        f.testTime = 0;
        f.current = 4.996f;
        f.readingDecimals = 1;
        f.reading = 850.26f;
        const ReceiveStorageData second = stored(p, f.bytes());
        QCOMPARE(second.testingResUnit, u("μΩ"));
        QCOMPARE(second.comparativeResult, QStringLiteral("FAIL"));
        QCOMPARE(second.testingTime, QStringLiteral("0S"));
        QCOMPARE(second.testingCurrent, QStringLiteral("5.00"));
        QCOMPARE(second.testingResValue, QStringLiteral("850.3"));
    }

    void storeNumberPadding_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "0";
        QTest::newRow("7") << 7 << "007";
        QTest::newRow("9") << 9 << "009";
        QTest::newRow("10") << 10 << "010";
        QTest::newRow("42") << 42 << "042";
        QTest::newRow("99") << 99 << "099";
        QTest::newRow("100") << 100 << "100";
        QTest::newRow("150") << 150 << "150";
        QTest::newRow("200") << 200 << "200";
    }
    void storeNumberPadding()
    {
        QFETCH(int, group);
        QFETCH(QString, text);
        ParseData p;
        fixtures::Stored f;
        f.group = static_cast<unsigned char>(group);
        QCOMPARE(stored(p, f.bytes()).storeNumber, text);
    }

    void comparisonScaling_data()
    {
        QTest::addColumn<float>("ohms");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("unitText");
        QTest::newRow("125 μΩ") << 0.000125f << 0 << 1 << "125.0" << u("μΩ");
        QTest::newRow("500 mΩ") << 0.5f << 1 << 2 << "500.00" << u("mΩ");
        // The product is rounded to float before formatting: left in double it
        // would read 125.000006.
        QTest::newRow("float rounding") << 0.000125f << 0 << 6 << "125.000008" << u("μΩ");
        QTest::newRow("no decimals") << 0.0016f << 1 << 0 << "2" << u("mΩ");
    }
    void comparisonScaling()
    {
        QFETCH(float, ohms);
        QFETCH(int, unit);
        QFETCH(int, decimals);
        QFETCH(QString, value);
        QFETCH(QString, unitText);
        ParseData p;
        fixtures::Stored f;
        f.comparisonOhms = ohms;
        f.comparisonUnit = static_cast<unsigned char>(unit);
        f.comparisonDecimals = static_cast<unsigned char>(decimals);
        const ReceiveStorageData r = stored(p, f.bytes());
        QCOMPARE(r.comparisonValue, value);
        QCOMPARE(r.comparisonUnit, unitText);
        QCOMPARE(r.comparisonDecimals, decimals);
    }

    void comparisonOffShowsDashes()
    {
        ParseData p;
        fixtures::Stored f;
        stored(p, f.bytes());
        f.comparisonOn = 0;
        f.pass = 1;
        f.comparisonDecimals = 3;
        const ReceiveStorageData r = stored(p, f.bytes());
        QVERIFY(!r.comparisonEnabled);
        QCOMPARE(r.comparisonUnit, QString());
        QCOMPARE(r.comparativeResult, QStringLiteral("----"));
        QCOMPARE(r.comparisonDecimals, 0);
        QCOMPARE(r.comparisonValue, QStringLiteral("----"));
    }

    void recordTime_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QList<int>>("rest");
        QTest::addColumn<QString>("text");
        QTest::newRow("2025") << 0x07E9 << QList<int>{3, 5, 14, 7, 9} << "2025-03-05 14:07:09";
        QTest::newRow("1999") << 1999 << QList<int>{12, 31, 23, 59, 0} << "1999-12-31 23:59:00";
        QTest::newRow("wide values as they come")
            << 65535 << QList<int>{255, 0, 100, 0, 60} << "65535-255-00 100:00:60";
    }
    void recordTime()
    {
        QFETCH(int, year);
        QFETCH(QList<int>, rest);
        QFETCH(QString, text);
        ParseData p;
        fixtures::Stored f;
        f.year = static_cast<std::uint16_t>(year);
        f.month = static_cast<unsigned char>(rest[0]);
        f.day = static_cast<unsigned char>(rest[1]);
        f.hour = static_cast<unsigned char>(rest[2]);
        f.minute = static_cast<unsigned char>(rest[3]);
        f.second = static_cast<unsigned char>(rest[4]);
        QCOMPARE(stored(p, f.bytes()).recordTime, text);
    }

    void storedRangeFlags_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("value");
        QTest::newRow("OL") << 1 << "OL";
        QTest::newRow("LO") << 2 << "LO";
        QTest::newRow("both keep the last reading") << 3 << "12.345";
        QTest::newRow("upper bits ignored") << 0xFC << "7.50";
    }
    void storedRangeFlags()
    {
        QFETCH(int, flags);
        QFETCH(QString, value);
        ParseData p;
        fixtures::Stored f;
        stored(p, f.bytes());
        f.rangeFlags = static_cast<unsigned char>(flags);
        f.reading = 7.5f;
        f.readingDecimals = 2;
        const ReceiveStorageData r = stored(p, f.bytes());
        QCOMPARE(r.testingResValue, value);
        QCOMPARE(r.testingResUnit, (flags & 3) ? QString() : u("mΩ"));
        QCOMPARE(r.overRange, bool(flags & 1));
        QCOMPARE(r.underRange, bool(flags & 2));
    }

    // Decimals counts arrive unchecked; large ones must still format safely.
    void largeDecimalsCounts()
    {
        ParseData p;
        fixtures::Stored f;
        f.readingDecimals = 255;
        f.comparisonDecimals = 255;
        f.comparisonOhms = 3.4e38f;
        const ReceiveStorageData r = stored(p, f.bytes());
        QCOMPARE(r.testingResValue.section('.', 1).size(), 255);
        QVERIFY(r.testingResValue.startsWith(QStringLiteral("12.345")));
        QCOMPARE(r.comparisonValue, QStringLiteral("inf"));
    }

    // Fixed-notation texts are built without QString::number for speed; they
    // must still read exactly as QString::number writes them, ties included.
    void fixedTextsMatchQString()
    {
        ParseData p;
        ReceiveStorageData last;
        connect(&p, &ParseData::finishReadReadBackData,
                [&](const ReceiveStorageData& r) { last = r; });
        std::mt19937 random(7);
        for (int i = 0; i < 30000; ++i) {
            fixtures::Stored f;
            if (i < 12000) {
                f.reading = float(i / 4) / 64.0f; // exact binary values: rounding ties
            } else {
                const quint32 bits = random();
                std::memcpy(&f.reading, &bits, sizeof bits); // any value, NaN and inf too
            }
            f.current = f.reading;
            f.readingDecimals = static_cast<unsigned char>(i % 16);
            p.parseReadBackData(f.bytes(), 1);
            const double v = double(f.reading);
            QCOMPARE(last.testingResValue, QString::number(v, 'f', f.readingDecimals));
            QCOMPARE(last.testingCurrent, QString::number(v, 'f', 2));
        }
    }

    void rejectedStoredFrames_data()
    {
        QTest::addColumn<Frame>("frame");
        QTest::addColumn<QString>("message");
        const QString failed = u("读取第%1组数据失败");
        const QString checksum = u("读取第%1组数据校验和错误");
        auto with = [](int offset, int value) {
            Frame f = fixtures::Stored().bytes();
            f[offset] = static_cast<unsigned char>(value);
            fixtures::seal(f);
            f[offset] = static_cast<unsigned char>(value); // sealing rewrites the sync bytes
            return f;
        };
        const Frame good = fixtures::Stored().bytes();
        QTest::newRow("group 201") << with(5, 201) << failed;
        QTest::newRow("test time 61") << with(11, 61) << failed;
        QTest::newRow("reading unit 2") << with(6, 2) << failed;
        QTest::newRow("comparison unit 2") << with(7, 2) << failed;
        QTest::newRow("comparison on 2") << with(8, 2) << failed;
        QTest::newRow("judgement 2") << with(9, 2) << failed;
        QTest::newRow("wrong command") << with(4, 0x05) << failed;
        QTest::newRow("no sync byte") << with(0, 0x00) << failed;
        QTest::newRow("wrong checksum") << fixtures::corrupted(good) << checksum;
        QTest::newRow("34 bytes") << Frame(good.begin(), good.end() - 1) << failed;
        QTest::newRow("3 bytes") << Frame{0xAB, 0xCD, 0x1F} << failed;
        QTest::newRow("empty") << Frame() << failed;
    }
    void rejectedStoredFrames()
    {
        QFETCH(Frame, frame);
        QFETCH(QString, message);
        ParseData p;
        QSignalSpy records(&p, &ParseData::finishReadReadBackData);
        QSignalSpy messages(&p, &ParseData::stateProcessing);
        p.parseReadBackData(frame, 17);
        QCOMPARE(records.size(), 0);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).at(0).toString(), message.arg(17));
        QCOMPARE(messages.at(0).at(1).toInt(), 0);
    }

    void rejectedStoredFrameLeavesRecord()
    {
        ParseData p;
        fixtures::Stored f;
        f.group = 3;
        stored(p, f.bytes(), 3);
        fixtures::Stored bad;
        bad.group = 4;
        bad.reading = 99.0f;
        bad.testTime = 61;
        p.parseReadBackData(bad.bytes(), 4);
        // The next accepted frame hides its reading (OL+LO keep the last
        // text), which is still the one from group 3.
        f.group = 5;
        f.rangeFlags = 3;
        const ReceiveStorageData r = stored(p, f.bytes(), 5);
        QCOMPARE(r.storeNumber, QStringLiteral("005"));
        QCOMPARE(r.testingResValue, QStringLiteral("12.345"));
    }

    // ---- identity ----

    void identity_data()
    {
        QTest::addColumn<QByteArray>("model");
        QTest::addColumn<QString>("name");
        QTest::newRow("RV718A") << QByteArray("RV718A     ") << u("100A 回路电阻测试仪");
        QTest::newRow("RV718B blanks") << QByteArray("RV718B     ") << u("200A 回路电阻测试仪");
        QTest::newRow("RV718B inside")
            << QByteArray("XRV718B-2\0\0", 11) << u("200A 回路电阻测试仪");
        QTest::newRow("neither") << QByteArray("RV700\0\0\0\0\0\0", 11) << QString();
        QTest::newRow("case matters") << QByteArray("rv718a     ") << QString();
    }
    void identity()
    {
        QFETCH(QByteArray, model);
        QFETCH(QString, name);
        ParseData p;
        QSignalSpy infos(&p, &ParseData::finishReadSystemInfoData);
        QSignalSpy messages(&p, &ParseData::stateProcessing);
        p.parseSystemInfo(fixtures::identity(model.toStdString(), "V1.02"));
        QCOMPARE(messages.size(), 0);
        QCOMPARE(infos.size(), 1);
        const DeviceInfo info = infos.at(0).at(0).value<DeviceInfo>();
        QCOMPARE(info.name, name);
        QCOMPARE(info.model, QString::fromLatin1(model.constData(), model.size()));
        QCOMPARE(info.model.size(), 11);
        QCOMPARE(info.version, QString::fromLatin1("V1.02\0\0\0\0\0\0", 11));
    }

    void badIdentityFrames_data()
    {
        QTest::addColumn<Frame>("frame");
        const Frame good = fixtures::identity("RV718A", "V1.0");
        QTest::newRow("wrong checksum") << fixtures::corrupted(good);
        QTest::newRow("29 bytes") << Frame(good.begin(), good.end() - 1);
        QTest::newRow("empty") << Frame();
    }
    void badIdentityFrames()
    {
        QFETCH(Frame, frame);
        ParseData p;
        QSignalSpy infos(&p, &ParseData::finishReadSystemInfoData);
        QSignalSpy messages(&p, &ParseData::stateProcessing);
        p.parseSystemInfo(frame);
        QCOMPARE(infos.size(), 0);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).at(0).toString(), u("读取到的数据校验和错误"));
        QCOMPARE(messages.at(0).at(1).toInt(), 1);
    }

    // ---- texts ----

    // Texts go through the catalogue in force when each record is made, so a
    // language switch shows from the next frame on.
    void textsTranslatedWhenEmitted()
    {
        ParseData p;
        MarkingTranslator english;
        QVERIFY(QCoreApplication::installTranslator(&english));
        const ReceiveLiveData r = live(p, fixtures::Live().bytes());
        QSignalSpy infos(&p, &ParseData::finishReadSystemInfoData);
        p.parseSystemInfo(fixtures::identity("RV718A", "V1"));
        QSignalSpy messages(&p, &ParseData::stateProcessing);
        p.parseReadBackData(Frame(), 9);
        QCoreApplication::removeTranslator(&english);

        QCOMPARE(r.testStatus, u("EN:测试中..."));
        QCOMPARE(r.printerStatus, u("EN:打印机就绪"));
        QCOMPARE(infos.at(0).at(0).value<DeviceInfo>().name, u("EN:100A 回路电阻测试仪"));
        QCOMPARE(messages.at(0).at(0).toString(), u("EN:读取第9组数据失败"));
        QCOMPARE(live(p, fixtures::Live().bytes()).testStatus, u("测试中..."));
    }
};

QTEST_GUILESS_MAIN(TestParseData)
#include "tst_parsedata.moc"
