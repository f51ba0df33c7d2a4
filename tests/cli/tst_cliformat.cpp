// The command-line program's pure parts: the command line into a request,
// and records into the rows and lines it prints.
#include "CliArguments.h"
#include "CliFormat.h"

#include <QtTest>

namespace {

ReceiveLiveData endedTest()
{
    ReceiveLiveData r;
    r.testState = 2;
    r.comparisonSwitch = true;
    r.comparisonValue = QStringLiteral(" 12.50");
    r.comparisonUnitIndex = 1;
    r.comparativeResult = QStringLiteral("PASS");
    r.testingResValue = QStringLiteral("125.40");
    r.testingResUnit = QStringLiteral("μΩ");
    r.testingCurrentValue = QStringLiteral("50.012");
    r.testingCurrentUnit = QStringLiteral("A");
    r.currentSetting = 50;
    r.testingTime = 30;
    r.timeLeftValue = QStringLiteral("4");
    return r;
}

} // namespace

class TestCliFormat : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("check"); // "field=value" of the request, or a text
        const int run = int(CliParse::Kind::Run);
        const int error = int(CliParse::Kind::Error);
        const int help = int(CliParse::Kind::Help);
        QTest::newRow("5 A") << QStringList{"set", "--current", "5A"} << run << "current=5/0";
        QTest::newRow("200 A") << QStringList{"set", "--current", "200"} << run << "current=200/20";
        QTest::newRow("0 A") << QStringList{"set", "--current", "0"} << error << "--current";
        QTest::newRow("210 A") << QStringList{"set", "--current", "210"} << error << "--current";
        QTest::newRow("time 30s") << QStringList{"set", "--time", "30s"} << run << "time=30";
        QTest::newRow("time 256") << QStringList{"set", "--time", "256"} << error << "--time";
        QTest::newRow("unit apart")
            << QStringList{"set", "--compare", "12.5", "mOhm"} << run << "compare=12.5/3/1";
        QTest::newRow("unit joined")
            << QStringList{"set", "--compare=800μΩ"} << run << "compare=800/2/0";
        // Rounding carries into another digit: 99.9999 shows as 100.00.
        QTest::newRow("carry") << QStringList{"set", "--compare", "99.99999 uOhm"} << run
                               << "compare=100/2/0";
        QTest::newRow("too large")
            << QStringList{"set", "--compare", "10000", "mOhm"} << error << "0 to 9999.9";
        QTest::newRow("no unit") << QStringList{"set", "--compare", "12.5"} << error << "--compare";
        QTest::newRow("ohm") << QStringList{"set", "--compare", "12.5", "Ohm"} << error
                             << "--compare";
        QTest::newRow("extra") << QStringList{"set", "--time", "30", "now"} << error
                               << "unexpected argument \"now\"";
        QTest::newRow("watch default") << QStringList{"watch"} << run << "interval=500";
        QTest::newRow("test default") << QStringList{"test"} << run << "interval=200";
        QTest::newRow("interval low")
            << QStringList{"watch", "--interval", "10"} << error << "--interval";
        QTest::newRow("count 0") << QStringList{"watch", "--count", "0"} << error << "--count";
        QTest::newRow("xlsx by suffix")
            << QStringList{"read-store", "-o", "a.XLSX"} << run << "format=xlsx";
        QTest::newRow("csv by default")
            << QStringList{"read-store", "-o", "a.txt"} << run << "format=csv";
        QTest::newRow("stdout") << QStringList{"read-store", "-o", "-", "--format", "json"} << run
                                << "format=json";
        QTest::newRow("help command")
            << QStringList{"help", "test"} << help << "Usage: loop-tester-cli test";
    }
    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(int, kind);
        QFETCH(QString, check);
        const CliParse p = CliArguments::parse(QStringList{"loop-tester-cli"} + args);
        QVERIFY2(int(p.kind) == kind, qPrintable(p.text));
        if (p.kind != CliParse::Kind::Run) {
            QVERIFY2(p.text.contains(check), qPrintable(p.text));
            return;
        }
        const CliRequest& r = p.request;
        QString seen;
        if (check.startsWith(QLatin1String("current=")))
            seen = QStringLiteral("current=%1/%2").arg(r.currentAmps).arg(r.currentIndex);
        else if (check.startsWith(QLatin1String("time=")))
            seen = QStringLiteral("time=%1").arg(r.timeSeconds);
        else if (check.startsWith(QLatin1String("compare=")))
            seen = QStringLiteral("compare=%1/%2/%3")
                       .arg(r.comparisonValue)
                       .arg(r.comparisonDecimals)
                       .arg(r.comparisonUnit);
        else if (check.startsWith(QLatin1String("interval=")))
            seen = QStringLiteral("interval=%1").arg(r.intervalMs);
        else if (check.startsWith(QLatin1String("format=")))
            seen = QStringLiteral("format=") +
                   QStringList{"csv", "json", "xlsx"}.at(int(r.storeFormat));
        QCOMPARE(seen, check);
    }

    // The row a finished test leaves, as the window's record table has it.
    void liveRecordRow()
    {
        const QDateTime at(QDate(2025, 3, 5), QTime(14, 7, 9));
        ReceiveLiveData r = endedTest();
        QCOMPARE(CliFormat::liveRecordRow(1, at, r, QStringLiteral("bay 3")),
                 (QStringList{"1", "2025-03-05 14:07:09", "26S", "50A", "50.012A", "125.40 μΩ",
                              "12.50mΩ", "PASS", "bay 3"}));
        r.comparisonSwitch = false;
        r.comparativeResult.clear();
        r.currentSetting = 5;
        r.timeLeftValue = QStringLiteral("--");
        r.testingResValue = QStringLiteral("OL");
        r.testingResUnit.clear();
        QCOMPARE(
            CliFormat::liveRecordRow(2, at, r, QString()),
            (QStringList{"2", "2025-03-05 14:07:09", "30S", "5A", "50.012A", "OL", "", "", ""}));
    }

    void storedRowDropsFillBytes()
    {
        ReceiveStorageData s;
        s.storeNumber = QStringLiteral("007");
        s.recordTime = QStringLiteral("2025-03-05 14:07:09");
        s.testingTime = QStringLiteral("30S");
        s.testingCurrent = QStringLiteral("100.00");
        s.testingResValue = QStringLiteral("1.25");
        s.testingResUnit = QStringLiteral("mΩ");
        s.comparisonValue = QStringLiteral("----");
        s.comparativeResult = QString::fromLatin1("----\0", 5);
        QCOMPARE(CliFormat::storedRow(s), (QStringList{"007", "2025-03-05 14:07:09", "30S",
                                                       "100.00A", "1.25mΩ", "----", "----"}));
        ReceiveLiveData live;
        live.testingResValue = QString::fromLatin1("\0 12.5\x01", 7);
        QCOMPARE(CliFormat::readingJson(QDateTime::currentDateTime(), live)
                     .value(QStringLiteral("resistance"))
                     .toString(),
                 QStringLiteral("12.5"));
    }

    void csvLine_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << QStringList{"001", "1.25mΩ", ""} << "001,1.25mΩ,";
        QTest::newRow("comma") << QStringList{"bay 3, left"} << "\"bay 3, left\"";
        QTest::newRow("quote") << QStringList{"say \"hi\""} << "\"say \"\"hi\"\"\"";
        QTest::newRow("line break") << QStringList{"a\nb", "c"} << "\"a\nb\",c";
        QTest::newRow("edge blank") << QStringList{" x"} << "\" x\"";
    }
    void csvLine()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, line);
        QCOMPARE(CliFormat::csvLine(fields), line);
    }
};

QTEST_GUILESS_MAIN(TestCliFormat)
#include "tst_cliformat.moc"
