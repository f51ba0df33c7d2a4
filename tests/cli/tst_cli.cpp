// loop-tester-cli-demo as a script meets it: a process whose instruments,
// faults and clock come from its environment; its output, exit status and
// the files it writes are checked as a script would read them.
#include "Workbook.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

using Env = QMap<QString, QString>;

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

QProcessEnvironment environment(const Env& env)
{
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& key : e.keys())
        if (key.startsWith(QLatin1String("LT_SIM_")) || key == QLatin1String("QT_LOGGING_RULES"))
            e.remove(key);
    // A 30 s test takes 1.5 s, long enough to be seen running even on a
    // slow machine; a silent instrument is noticed at once.
    e.insert(QStringLiteral("LT_SIM_CLOCK_SPEED"), QStringLiteral("20"));
    e.insert(QStringLiteral("LT_SIM_INSTANT_TIMEOUTS"), QStringLiteral("1"));
    for (auto it = env.begin(); it != env.end(); ++it)
        e.insert(it.key(), it.value());
    return e;
}

void start(QProcess& process, const QStringList& args, const Env& env)
{
    process.setProcessEnvironment(environment(env));
    process.start(QStringLiteral(CLI_DEMO), args);
}

Run run(const QStringList& args, const Env& env = {})
{
    QProcess process;
    start(process, args, env);
    Run r;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = process.exitCode();
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

QString describe(const Run& r)
{
    return QStringLiteral("status %1\nstdout:\n%2\nstderr:\n%3").arg(r.status).arg(r.out, r.err);
}

QStringList lines(const QString& text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The fields of each line of a file (no field of ours holds a comma).
QList<QStringList> readCsv(const QString& fileName)
{
    QFile file(fileName);
    QList<QStringList> rows;
    if (file.open(QIODevice::ReadOnly))
        for (const QString& line : lines(QString::fromUtf8(file.readAll())))
            rows << line.split(QLatin1Char(','));
    return rows;
}

const QString kStartFrame = QStringLiteral("000aabcd0600010000aab100");
const QString kStopFrame = QStringLiteral("000aabcd0600010000000700");

} // namespace

#define VERIFY_STATUS(run, expected) QVERIFY2((run).status == (expected), qPrintable(describe(run)))

class TestCli : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    // One run each: the command line, the instruments' environment, the exit
    // status and a text the output (stdout, then stderr) must contain.
    void status_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Env>("env");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        const auto e = [](const char* pairs) { // "KEY=value KEY=value"
            Env env;
            for (const QString& pair : QString::fromUtf8(pairs).split(' '))
                env.insert(pair.section('=', 0, 0), pair.section('=', 1));
            return env;
        };
        const char* two = "LT_SIM_INSTRUMENTS=B,A LT_SIM_SERIALS=SN-1";
        QTest::newRow("list") << QStringList{"list"} << e(two) << 0
                              << "/dev/hidraw0\t-\tSN-1\tRV718B\tV1.0.3\n"
                                 "/dev/hidraw1\t-\t-\tRV718A\tV1.0.3\n";
        QTest::newRow("list json") << QStringList{"list", "--json"} << e(two) << 0
                                   << "\"path\": \"/dev/hidraw1\",\n        \"serial\": \"\"";
        QTest::newRow("list none")
            << QStringList{"list"} << e("LT_SIM_INSTRUMENTS=") << 2 << "no instrument found";
        QTest::newRow("list json none") << QStringList{"list", "--json"} << e("LT_SIM_INSTRUMENTS=")
                                        << 2 << "no instrument found";

        QTest::newRow("info") << QStringList{"info"} << Env() << 0 << "Model: RV718B";
        QTest::newRow("info json")
            << QStringList{"info", "--json"} << Env() << 0 << "\"version\": \"V1.0.3\"";
        QTest::newRow("info none")
            << QStringList{"info"} << e("LT_SIM_INSTRUMENTS=") << 2 << "no instrument found";
        QTest::newRow("info two")
            << QStringList{"info"} << e("LT_SIM_INSTRUMENTS=B,A") << 9
            << "choose one with --device PATH:\n  /dev/hidraw0\n  /dev/hidraw1";
        QTest::newRow("info chosen") << QStringList{"info", "--device", "/dev/hidraw1"}
                                     << e("LT_SIM_INSTRUMENTS=B,A") << 0 << "Model: RV718A";
        QTest::newRow("info wrong device") << QStringList{"info", "--device", "/dev/hidraw7"}
                                           << Env() << 2 << "no instrument at /dev/hidraw7";
        QTest::newRow("no permission") << QStringList{"info"} << e("LT_SIM_FAULTS=access-denied")
                                       << 3 << "60-loop-tester.rules";
        QTest::newRow("no answer")
            << QStringList{"info"} << e("LT_SIM_FAULTS=silence") << 4 << "did not answer";
        // A report that is not the awaited reply is skipped, as the window does.
        const Env stray =
            e("LT_SIM_FAULTS=stray-report LT_SIM_STORED=3 LT_SIM_COMPARISON_UOHM=200");
        for (const char* command : {"list", "info", "watch --count 1", "test", "read-store"})
            QTest::addRow("stray report, %s", command)
                << QString::fromLatin1(command).split(' ') << stray << 0 << QString();
        QTest::newRow("stalled") << QStringList{"info"} << e("LT_SIM_FAULTS=stall") << 4
                                 << "did not answer";
        // The output is checked before the instrument is asked anything.
        QTest::newRow("read-store into no folder")
            << QStringList{"read-store", "-o", "/nonexistent/store.json"}
            << e("LT_SIM_FAULTS=silence") << 8 << "the folder /nonexistent does not exist";
        QTest::newRow("read-store into a folder")
            << QStringList{"read-store", "-o", "/tmp"} << e("LT_SIM_FAULTS=silence") << 8
            << "it is a folder";
        QTest::newRow("checksum") << QStringList{"watch", "--count", "1"}
                                  << e("LT_SIM_FAULTS=wrong-checksum") << 6
                                  << "failed its checksum";

        QTest::newRow("set accepted")
            << QStringList{"set", "--current", "50", "--time", "20", "--compare", "12.5", "mOhm"}
            << Env() << 0
            << "accepted: the test current 50 A\naccepted: the test time 20 s\n"
               "accepted: the comparison limit 12.500 mΩ\naccepted: switching the comparison on";
        QTest::newRow("set off") << QStringList{"set", "--compare", "off"} << Env() << 0
                                 << "accepted: switching the comparison off";
        QTest::newRow("set current refused")
            << QStringList{"set", "--current", "150", "--time", "20"} << e("LT_SIM_INSTRUMENTS=A")
            << 5 << "refused the test current 150 A";
        QTest::newRow("set time refused")
            << QStringList{"set", "--time", "5"} << Env() << 5 << "refused the test time 5 s";
        QTest::newRow("set limit refused")
            << QStringList{"set", "--compare", "800uOhm"} << e("LT_SIM_FAULTS=refusal") << 5
            << "refused the comparison limit 800.00 μΩ";
        QTest::newRow("test refused") << QStringList{"test"} << e("LT_SIM_FAULTS=refusal") << 5
                                      << "refused the start of a test";

        QTest::newRow("no command") << QStringList() << Env() << 1 << "no command given";
        QTest::newRow("unknown command")
            << QStringList{"measure"} << Env() << 1 << "unknown command \"measure\"";
        QTest::newRow("set nothing") << QStringList{"set"} << Env() << 1 << "at least one of";
        QTest::newRow("odd current") << QStringList{"set", "--current", "15"} << Env() << 1
                                     << "--current takes 5, or 10 to 200";
        QTest::newRow("comma") << QStringList{"set", "--compare", "12,5", "mOhm"} << Env() << 1
                               << "--compare takes a value and a unit";
        QTest::newRow("csv and json") << QStringList{"watch", "--csv", "--json"} << Env() << 1
                                      << "choose one of --csv and --json";
        QTest::newRow("xlsx to stdout") << QStringList{"read-store", "--format", "xlsx"} << Env()
                                        << 1 << "needs an output file";
        QTest::newRow("unknown option")
            << QStringList{"list", "--device", "x"} << Env() << 1 << "Unknown option 'device'";

        for (const char* command : {"list", "info", "watch", "set", "test", "read-store"})
            QTest::addRow("help %s", command)
                << QStringList{QString::fromLatin1(command), "--help"} << Env() << 0
                << QStringLiteral("Usage: loop-tester-cli %1 ").arg(QLatin1String(command));
    }
    void status()
    {
        QFETCH(QStringList, args);
        QFETCH(Env, env);
        QFETCH(int, status);
        QFETCH(QString, says);
        const Run r = run(args, env);
        VERIFY_STATUS(r, status);
        QVERIFY2((r.out + r.err).contains(says), qPrintable(describe(r)));
    }

    void test_data()
    {
        QTest::addColumn<QString>("limit"); // comparison limit in μΩ; empty: comparison off
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("comparison");
        // The instrument measures 125.4 μΩ.
        QTest::newRow("pass") << "200" << 0 << "PASS" << QStringLiteral("200.0μΩ");
        QTest::newRow("fail") << "100" << 10 << "FAIL" << QStringLiteral("100.0μΩ");
        QTest::newRow("no judgement") << QString() << 11 << QString() << QString();
    }
    void test()
    {
        QFETCH(QString, limit);
        QFETCH(int, status);
        QFETCH(QString, result);
        QFETCH(QString, comparison);
        Env env{{QStringLiteral("LT_SIM_RESISTANCE_UOHM"), QStringLiteral("125.4")}};
        if (!limit.isEmpty())
            env.insert(QStringLiteral("LT_SIM_COMPARISON_UOHM"), limit);
        const Run r = run({"test", "--json", "--remark", "bay 3, left"}, env);
        VERIFY_STATUS(r, status);
        const QJsonObject record = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(record.value("no").toString(), QStringLiteral("1"));
        QVERIFY(QDateTime::fromString(record.value("recording_time").toString(),
                                      QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                    .isValid());
        QCOMPARE(record.value("testing_time").toString(), QStringLiteral("30S"));
        QCOMPARE(record.value("current_set").toString(), QStringLiteral("20A"));
        QVERIFY2(QRegularExpression(QStringLiteral("^(19|20)\\.\\d{3}A$"))
                     .match(record.value("testing_current").toString())
                     .hasMatch(),
                 qPrintable(r.out));
        QCOMPARE(record.value("test_resistance").toString(), QStringLiteral("125.40 μΩ"));
        QCOMPARE(record.value("comparison").toString(), comparison);
        QCOMPARE(record.value("comparative_result").toString(), result);
        QCOMPARE(record.value("remark").toString(), QStringLiteral("bay 3, left"));
    }

    void testInterruptedStopsTheTest()
    {
        const QString log = dir.filePath(QStringLiteral("interrupt.log"));
        QProcess process;
        // At real speed the test runs for 30 s: long enough to be interrupted.
        start(process, {QStringLiteral("test")},
              {{QStringLiteral("LT_SIM_CLOCK_SPEED"), QStringLiteral("1")},
               {QStringLiteral("LT_SIM_WRITE_LOG"), log}});
        QVERIFY(process.waitForStarted());
        const auto written = [&log] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(written().contains(kStartFrame), 20000);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        QVERIFY(process.readAllStandardOutput().isEmpty());
        const QStringList reports = lines(written());
        QVERIFY2(reports.last().endsWith(kStopFrame), qPrintable(written()));
    }

    void watchJsonLines()
    {
        const Run r = run({"watch", "--count", "3", "--json", "--interval", "50"});
        VERIFY_STATUS(r, 0);
        const QStringList readings = lines(r.out);
        QCOMPARE(readings.size(), 3);
        QDateTime previous;
        for (const QString& line : readings) {
            QJsonParseError error;
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8(), &error).object();
            QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(line));
            const QDateTime time =
                QDateTime::fromString(o.value("time").toString(), Qt::ISODateWithMs);
            QVERIFY2(time.isValid() && (!previous.isValid() || time > previous), qPrintable(line));
            previous = time;
            QCOMPARE(o.value("state").toString(), QStringLiteral("waiting"));
            QVERIFY(o.value("resistance").isString() && o.value("judgement").isString());
            QCOMPARE(o.value("current_unit").toString(), QStringLiteral("A"));
            QCOMPARE(o.value("time_left").toInt(-1), 0);
            QCOMPARE(o.value("over_temperature").toBool(true), false);
        }
    }

    void unplug_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("watch") << QStringList{"watch", "--json", "--interval", "50"};
        QTest::newRow("read-store") << QStringList{"read-store", "-o", "unplugged.csv"};
    }
    void unplug()
    {
        QFETCH(QStringList, args);
        QFile earlier(dir.filePath(QStringLiteral("unplugged.csv")));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier\n") == 8);
        earlier.close();
        QProcess process;
        process.setWorkingDirectory(dir.path());
        // 200 groups take at least 6 s; the unplug comes after 1 s.
        start(process, args,
              {{QStringLiteral("LT_SIM_STORED"), QStringLiteral("200")},
               {QStringLiteral("LT_SIM_UNPLUG_AFTER_MS"), QStringLiteral("1000")}});
        QVERIFY(process.waitForFinished(30000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitCode(), 4);
        QVERIFY2(err.contains(QLatin1String("link lost")), qPrintable(err));
        const QList<QStringList> rows = readCsv(earlier.fileName());
        if (args.first() == QLatin1String("watch")) {
            QCOMPARE(rows, QList<QStringList>{{"earlier"}});
            return;
        }
        // What was read before the unplug is written; the rest are empty rows.
        QVERIFY2(err.contains(QLatin1String("left as empty rows")), qPrintable(err));
        QCOMPARE(rows.size(), 201);
        int read = 0;
        while (read < 200 &&
               rows.at(read + 1).first() == QString::number(read + 1).rightJustified(3, '0'))
            ++read;
        QVERIFY2(read > 0 && read < 200 && rows.at(200).join(QString()).isEmpty(), qPrintable(err));
    }

    // A read-back with group 5 unanswered, to a CSV file and to a workbook:
    // the same rows in both (each run dates its records from its own start,
    // so the times differ), group 5 an empty row.
    void readStore()
    {
        const Env env{{"LT_SIM_STORED", "200"}, {"LT_SIM_UNANSWERED_GROUPS", "5"}};
        const QString csvFile = dir.filePath(QStringLiteral("store.csv"));
        const QString xlsxFile = dir.filePath(QStringLiteral("store.xlsx"));
        for (const QString& file : {csvFile, xlsxFile}) {
            const Run r = run({"read-store", "-o", file}, env);
            VERIFY_STATUS(r, 7);
            QVERIFY2(r.err.contains(QLatin1String("left as empty rows: 5.")), qPrintable(r.err));
            QVERIFY(r.out.isEmpty());
        }
        const QList<QStringList> rows = readCsv(csvFile);
        QCOMPARE(rows.size(), 201);
        QCOMPARE(rows.first(),
                 (QStringList{"Store number", "Recording time", "Testing time", "Testing current",
                              "Test resistance", "Comparison", "Comparative result"}));
        const QJsonArray sheet = readWorkbook(xlsxFile)["rows"].toArray();
        QCOMPARE(sheet.size(), 201);
        const QRegularExpression time(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
        for (int group = 0; group <= 200; ++group) {
            QStringList row = rows.at(group), cells;
            for (const QJsonValue v : sheet.at(group).toArray())
                cells << v.toString();
            QCOMPARE(row.size(), 7);
            if (group > 0 && group != 5) {
                QCOMPARE(row.at(0), QString::number(group).rightJustified(3, QLatin1Char('0')));
                QVERIFY2(time.match(row.at(1)).hasMatch(), qPrintable(row.join(',')));
                QVERIFY(row.at(2).endsWith(QLatin1Char('S')) && row.at(3).endsWith('A'));
                QVERIFY(QStringList({"PASS", "FAIL", "----"}).contains(row.at(6)));
                row.removeAt(1);
                cells.removeAt(1);
            }
            if (group == 5)
                QCOMPARE(row.join(QString()), QString());
            QCOMPARE(cells, row);
        }
    }

    void decimalCommaLocale()
    {
        const Env env{{QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8")},
                      {QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8")},
                      {QStringLiteral("LT_SIM_COMPARISON_UOHM"), QStringLiteral("200")}};
        const Run set = run({"set", "--compare", "12.5", "mOhm"}, env);
        VERIFY_STATUS(set, 0);
        QVERIFY2(set.out.contains(QStringLiteral("12.500 mΩ")), qPrintable(set.out));
        const Run test = run({"test"}, env);
        VERIFY_STATUS(test, 0);
        QVERIFY2(test.out.contains(QStringLiteral("Test resistance: 125.40 μΩ")) &&
                     test.out.contains(QStringLiteral("Comparison: 200.0μΩ")),
                 qPrintable(test.out));
        QVERIFY2(!test.out.contains(QRegularExpression(QStringLiteral("\\d,\\d"))),
                 qPrintable(test.out));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
