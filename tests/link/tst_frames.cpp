// Every outgoing request byte for byte, as the instrument expects it.
#include "Frames.h"

#include <QtTest>

class TestFrames : public QObject
{
    Q_OBJECT

    static QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

private slots:
    void constantRequests()
    {
        QCOMPARE(frames::liveRequest(), hex("0008ABCD0400050009 00"));
        QCOMPARE(frames::storeCountRequest(), hex("0008ABCD040008000C00"));
        QCOMPARE(frames::identityRequest(), hex("0008ABCD040011001500"));
        QCOMPARE(frames::startTestRequest(), hex("000AABCD0600010000AAB100"));
        QCOMPARE(frames::stopTestRequest(), hex("000AABCD0600010000000700"));
    }

    void storedGroupIsBigEndianWithChecksum()
    {
        QCOMPARE(frames::storedGroupRequest(1), hex("0009ABCD05000700010D00"));
        QCOMPARE(frames::storedGroupRequest(256), hex("0009ABCD05000701000D00"));
        QCOMPARE(frames::storedGroupRequest(200), hex("0009ABCD05000700C8D400"));
    }

    void parameterFrames()
    {
        QCOMPARE(frames::comparisonSwitchFrame(true), hex("000AABCD06000100020 10A00"));
        QCOMPARE(frames::comparisonSwitchFrame(false), hex("000AABCD0600010002000900"));
        QCOMPARE(frames::testCurrentFrame(0), hex("000AABCD0600010003000A00"));
        QCOMPARE(frames::testCurrentFrame(20), hex("000AABCD0600010003141E00"));
        QCOMPARE(frames::testTimeFrame(30), hex("000AABCD06000100041E2900"));
        QCOMPARE(frames::testTimeFrame(255), hex("000AABCD0600010004FF0A01"));
    }

    void comparisonSetting()
    {
        QCOMPARE(frames::comparisonSettingFrame(12.5, 0),
                 hex("000FABCD0B000100010000484103009900"));
        // 100 mΩ with two decimals: float 100 = 00 00 C8 42.
        QCOMPARE(frames::comparisonSettingFrame(100, 1), hex("000FABCD0B000100010000C84202011A01"));
    }

    void decimals_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::newRow("12.5") << 12.5 << 3;
        QTest::newRow("9999.9") << 9999.9 << 1;
        QTest::newRow("1000") << 1000.0 << 1;
        QTest::newRow("100") << 100.0 << 2;
        QTest::newRow("0") << 0.0 << 4;
        QTest::newRow("0.5") << 0.5 << 4;
    }
    void decimals()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QCOMPARE(frames::decimalsFor(value), decimals);
    }

    // Shown and sent agree: rounding to the shown decimals may carry into a
    // new digit, which takes one decimal away again; the control's maximum caps it.
    void settledComparison_data()
    {
        QTest::addColumn<double>("typed");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::newRow("carry to 100") << 99.9999 << 100.0 << 2;
        QTest::newRow("carry to 10") << 9.99996 << 10.0 << 3;
        QTest::newRow("no carry") << 12.5 << 12.5 << 3;
        QTest::newRow("rounded down") << 1.234567 << 1.2346 << 4;
        QTest::newRow("capped") << 9999.95 << 9999.9 << 1;
        QTest::newRow("tiny") << 0.00001 << 0.0 << 4;
    }
    void settledComparison()
    {
        QFETCH(double, typed);
        QFETCH(double, value);
        QFETCH(int, decimals);
        const frames::ComparisonValue settled = frames::settledComparison(typed, 9999.9);
        QCOMPARE(settled.value, value);
        QCOMPARE(settled.decimals, decimals);
        QCOMPARE(frames::decimalsFor(settled.value), decimals);
    }

    void checksumWrapsAt16Bits()
    {
        QByteArray r(4, '\0');
        r.append(QByteArray(300, char(0xFF))); // 300 * 255 = 76500 = 0x12AD4
        QCOMPARE(frames::checksum(r), quint16(0x2AD4));
    }

    void paddingKeepsTheFrameInFront()
    {
        const QByteArray p = frames::padded(frames::liveRequest());
        QCOMPARE(p.size(), frames::kReportSize);
        QVERIFY(p.startsWith(frames::liveRequest()));
        QCOMPARE(p.mid(10), QByteArray(55, '\0'));
    }
};

QTEST_APPLESS_MAIN(TestFrames)
#include "tst_frames.moc"
