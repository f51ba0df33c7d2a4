// Every outgoing request byte for byte, as the instrument expects it.
#include "Frames.h"

#include <QtTest>

class TestFrames : public QObject
{
    Q_OBJECT

private slots:
    void request_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("bytes");
        const auto row = [](const char* name, const QByteArray& frame, const char* hex) {
            QTest::newRow(name) << frame << QByteArray::fromHex(hex);
        };
        row("live", frames::liveRequest(), "0008ABCD040005000900");
        row("store count", frames::storeCountRequest(), "0008ABCD040008000C00");
        row("identity", frames::identityRequest(), "0008ABCD040011001500");
        row("start", frames::startTestRequest(), "000AABCD0600010000AAB100");
        row("stop", frames::stopTestRequest(), "000AABCD0600010000000700");
        // The group number is big-endian.
        row("group 1", frames::storedGroupRequest(1), "0009ABCD05000700010D00");
        row("group 256", frames::storedGroupRequest(256), "0009ABCD05000701000D00");
        row("comparison on", frames::comparisonSwitchFrame(true), "000AABCD06000100020 10A00");
        row("comparison off", frames::comparisonSwitchFrame(false), "000AABCD0600010002000900");
        row("5 A", frames::testCurrentFrame(0), "000AABCD0600010003000A00");
        row("200 A", frames::testCurrentFrame(20), "000AABCD0600010003141E00");
        row("30 s", frames::testTimeFrame(30), "000AABCD06000100041E2900");
        row("255 s", frames::testTimeFrame(255), "000AABCD0600010004FF0A01");
        row("12.5 μΩ", frames::comparisonSettingFrame(12.5, 0),
            "000FABCD0B000100010000484103009900");
        // 100 mΩ with two decimals: float 100 = 00 00 C8 42.
        row("100 mΩ", frames::comparisonSettingFrame(100, 1), "000FABCD0B000100010000C84202011A01");
    }
    void request()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, bytes);
        QCOMPARE(frame, bytes);
    }

    // Shown and sent agree: rounding to the shown decimals (five significant
    // digits) may carry into a new digit, which takes one decimal away again;
    // the control's maximum caps it.
    void settledComparison_data()
    {
        QTest::addColumn<double>("typed");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::newRow("carry to 100") << 99.9999 << 100.0 << 2;
        QTest::newRow("carry to 10") << 9.99996 << 10.0 << 3;
        QTest::newRow("no carry") << 12.5 << 12.5 << 3;
        QTest::newRow("rounded down") << 1.234567 << 1.2346 << 4;
        QTest::newRow("1000") << 1000.0 << 1000.0 << 1;
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

    void checksumWrapsAt16BitsAndPaddingKeepsTheFrameInFront()
    {
        QByteArray r(4, '\0');
        r.append(QByteArray(300, char(0xFF))); // 300 * 255 = 76500 = 0x12AD4
        QCOMPARE(frames::checksum(r), quint16(0x2AD4));
        const QByteArray p = frames::padded(frames::liveRequest());
        QCOMPARE(p, frames::liveRequest() + QByteArray(frames::kReportSize - 10, '\0'));
    }
};

QTEST_APPLESS_MAIN(TestFrames)
#include "tst_frames.moc"
