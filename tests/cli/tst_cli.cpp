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

// "KEY=value KEY=value"
Env e(const QString& pairs)
{
    Env env;
    for (const QString& pair : pairs.split(' ', Qt::SkipEmptyParts))
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    return env;
}

// The program itself, or a bash script that runs it as "$0" "$@".
void start(QProcess& process, const QStringList& args, const Env& env, const QString& script = {})
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
    process.setProcessEnvironment(e);
    if (script.isEmpty())
        process.start(QStringLiteral(CLI_DEMO), args);
    else
        process.start(QStringLiteral("bash"), QStringList{"-c", script, CLI_DEMO} + args);
}

Run run(const QStringList& args, const Env& env = {}, const QString& script = {})
{
    QProcess process;
    start(process, args, env, script);
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

QString readFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList lines(const QString& text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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
    void initTestCase() { QVERIFY(dir.isValid() && QDir(dir.path()).mkdir("folder.xlsx")); }

    // One run each: the command line (split at blanks), the instruments'
    // environment, the exit status and a text the output (stdout, then
    // stderr) must contain. Every message is English, whatever the locale.
    void status_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Env>("env");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        const char* two = "LT_SIM_INSTRUMENTS=B,A LT_SIM_SERIALS=SN-1";
        const char* none = "LT_SIM_INSTRUMENTS=";
        const char* stray = "LT_SIM_FAULTS=stray-report LT_SIM_STORED=3 LT_SIM_COMPARISON_UOHM=200";
        const char* german = "LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 LT_SIM_COMPARISON_UOHM=200";
        const QByteArray folder = dir.filePath(QStringLiteral("folder.xlsx")).toUtf8();
        const QByteArray toFolder = "read-store -o " + folder;
        const QByteArray folderSays = "cannot write " + folder + ": it is a folder";
        const QByteArray range = "--compare takes a limit from 0.0001 to 9999.9 (uOhm or mOhm); ";
        struct Row
        {
            QByteArray args;
            const char* env;
            int status;
            QByteArray says;
        };
        const Row rows[] = {
            {"list", two, 0,
             "/dev/hidraw0\t-\tSN-1\tRV718B\tV1.0.3\n"
             "/dev/hidraw1\t-\t-\tRV718A\tV1.0.3\n"},
            {"list --json", two, 0, "\"path\": \"/dev/hidraw1\",\n        \"serial\": \"\""},
            {"list", none, 2, "no instrument found"},
            {"info --json", "", 0, "\"version\": \"V1.0.3\""},
            {"info", two, 9, "--device PATH:\n  /dev/hidraw0 (serial number SN-1)\n  /dev/hidraw1"},
            {"info --device /dev/hidraw1", two, 0, "Model: RV718A"},
            {"info --device /dev/hidraw7", "", 2, "no instrument at /dev/h"},
            {"info", "LT_SIM_FAULTS=access-denied", 3, "60-loop-tester.rules"},
            {"info", "LT_SIM_FAULTS=silence", 4, "did not answer"},
            {"watch --count 1", "LT_SIM_FAULTS=wrong-checksum", 6, "its checksum"},
            // A report that is not the awaited reply is skipped, as the window does.
            {"info", stray, 0, "Model: RV718B"},
            {"watch --count 1", stray, 0, ""},
            {"test", stray, 0, "Comparative result: PASS"},
            {"read-store", stray, 0, "003"},
            // The output is checked before the instrument is asked anything.
            {"read-store -o /nonexistent/store.json", "LT_SIM_FAULTS=silence", 8,
             "the folder /nonexistent does not exist"},
            {"read-store -o /tmp", "LT_SIM_FAULTS=silence", 8, "it is a folder"},
            {"set --current 50 --time 20s --compare 12.5 mOhm", "", 0,
             "accepted: the test current 50 A\naccepted: the test time 20 s\n"
             "accepted: the comparison limit 12.500 mΩ\naccepted: switching the comparison on"},
            {"set --compare off", "", 0, "accepted: switching the comparison off"},
            // Rounding to five digits carries into another digit.
            {"set --compare=99.99999uOhm", "", 0, "the comparison limit 100.00 μΩ"},
            {"set --compare=0.0001mΩ", "", 0, "the comparison limit 0.0001 mΩ"},
            {"set --current 150 --time 20", "LT_SIM_INSTRUMENTS=A", 5,
             "refused the test current 150 A"},
            {"set --compare 800uOhm", "LT_SIM_FAULTS=refusal", 5,
             "refused the comparison limit 800.00 μΩ"},
            {"test", "LT_SIM_FAULTS=refusal", 5, "refused the start of a test"},
            {"test", "LT_SIM_CLOCK_SPEED=2 LT_SIM_ABORT_AFTER_MS=300", 13,
             "stopped at the instrument before it completed; no record, no verdict"},
            {toFolder, "LT_SIM_STORED=3 LC_ALL=zh_CN.UTF-8", 8, folderSays},
            {"set --compare 12.5 mOhm", german, 0, "12.500 mΩ"},
            {"test", german, 0, "Test resistance: 125.40 μΩ\nComparison: 200.0μΩ"},
            {"", "", 1, "no command given"},
            {"measure", "", 1, "unknown command \"measure\""},
            {"set", "", 1, "at least one of"},
            {"set --current 15", "", 1, "--current takes 5, or 10 to 200"},
            {"set --time 5", "", 1, "--time takes whole seconds from 10 to 60, not \"5\""},
            {"set --time 30.5", "", 1, "from 10 to 60, not \"30.5\""},
            {"set --compare 0.00001 mOhm", "", 1, range + "0.00001 mOhm would be shown as 0"},
            {"set --compare 9999.95 mOhm", "", 1, range + "9999.95 mOhm is too large"},
            {"set --compare 12,5 mOhm", "", 1, "--compare takes a value and a unit"},
            {"set --time 30 now", "", 1, "unexpected argument \"now\""},
            {"watch --interval 10", "", 1, "milliseconds from 50 to 60000"},
            {"watch --count 0", "", 1, "--count takes a number of readings, 1 or more"},
            {"watch --csv --json", "", 1, "choose one of --csv and --json"},
            {"read-store --format xlsx", "", 1, "needs an output file"},
            {"list --device x", "", 1, "Unknown option 'device'"},
            // Help texts are wrapped: compared with blanks simplified.
            {"--help", "", 0, "141 standard output was closed by its reader"},
            {"help list", "", 0, "Usage: loop-tester-cli list [--json]"},
            {"set -h", "", 0, "limit, 0.0001 to 9999.9, in uOhm or mOhm"},
        };
        for (const Row& row : rows)
            QTest::addRow("%s [%s]", row.args.constData(), row.env)
                << QString::fromUtf8(row.args).split(' ', Qt::SkipEmptyParts) << e(row.env)
                << row.status << QString::fromUtf8(row.says);
    }
    void status()
    {
        QFETCH(QStringList, args);
        QFETCH(Env, env);
        QFETCH(int, status);
        QFETCH(QString, says);
        const Run r = run(args, env);
        VERIFY_STATUS(r, status);
        const QString seen = r.out + r.err;
        const bool help = args.contains("--help") || args.contains("-h") || args.value(0) == "help";
        QVERIFY2(seen.contains(says) || (help && seen.simplified().contains(says)),
                 qPrintable(describe(r)));
        QVERIFY2(!seen.contains(QRegularExpression(QStringLiteral("[\\x{3000}-\\x{9fff}]"))),
                 qPrintable(describe(r)));
    }

    // Results that cannot be written: a full device is an error with a
    // message; a reader that went away ends the program quietly, after
    // stopping a running test.
    void output_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("status");
        const QString full = QStringLiteral("\"$0\" \"$@\" > /dev/full");
        for (const char* args : {"--help", "list", "info", "watch --count 1", "test", "read-store"})
            QTest::addRow("%s > /dev/full", args) << QString(args).split(' ') << full << 8;
        QTest::newRow("watch | head -1")
            << QStringList{"watch", "--interval", "50", "--json"}
            << QStringLiteral("\"$0\" \"$@\" | head -1; exit ${PIPESTATUS[0]}") << 141;
        QTest::newRow("test | true")
            << QStringList{"test"} << QStringLiteral("\"$0\" \"$@\" | true; exit ${PIPESTATUS[0]}")
            << 141;
    }
    void output()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, script);
        QFETCH(int, status);
        const QString log = dir.filePath(QStringLiteral("output.log"));
        const Run r = run(args, e("LT_SIM_STORED=3 LT_SIM_WRITE_LOG=" + log), script);
        VERIFY_STATUS(r, status);
        if (args.first() == "test" && status == 141) {
            QVERIFY2(lines(readFile(log)).last().endsWith(kStopFrame), qPrintable(readFile(log)));
            QVERIFY2(r.err.endsWith("was stopped.\n"), qPrintable(r.err));
        } else if (status == 141) { // head's one line: a whole reading
            QVERIFY2(r.err.isEmpty() && lines(r.out).size() == 1 && r.out.endsWith('\n'),
                     qPrintable(describe(r)));
        } else {
            QVERIFY2(r.err.endsWith("cannot write to standard output: No space left on device.\n"),
                     qPrintable(describe(r)));
        }
    }

    // The record of a finished test and its exit status: the texts of the
    // window's record table and the same values as numbers in SI units.
    void test_data()
    {
        QTest::addColumn<Env>("env");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("fields"); // what the record holds, as JSON
        QTest::newRow("pass") << e("LT_SIM_COMPARISON_UOHM=200") << 0
                              << R"({"no": "1", "testing_time": "30S", "testing_time_s": 30,
                                    "current_set": "20A", "current_set_a": 20,
                                    "test_resistance": "125.40 μΩ", "resistance_ohm": 0.0001254,
                                    "comparison": "200.0μΩ", "comparison_ohm": 0.0002,
                                    "comparative_result": "PASS", "remark": "bay 3, left"})";
        QTest::newRow("fail") << e("LT_SIM_COMPARISON_UOHM=100") << 10
                              << R"({"comparison_ohm": 0.0001, "comparative_result": "FAIL"})";
        QTest::newRow("no judgement, milliohm")
            << e("LT_SIM_RESISTANCE_UOHM=1500") << 11
            << R"({"test_resistance": "1.5000 mΩ", "resistance_ohm": 0.0015, "comparison": "",
                   "comparison_ohm": null, "comparative_result": ""})";
        QTest::newRow("over range")
            << e("LT_SIM_RESISTANCE_UOHM=2e7 LT_SIM_COMPARISON_UOHM=200") << 10
            << R"({"test_resistance": "OL", "resistance_ohm": null, "comparative_result": "FAIL"})";
    }
    void test()
    {
        QFETCH(Env, env);
        QFETCH(int, status);
        QFETCH(QString, fields);
        if (!env.contains("LT_SIM_RESISTANCE_UOHM"))
            env.insert("LT_SIM_RESISTANCE_UOHM", "125.4");
        const Run r = run({"test", "--json", "--remark", "bay 3, left"}, env);
        VERIFY_STATUS(r, status);
        const QJsonObject record = QJsonDocument::fromJson(r.out.toUtf8()).object();
        const QJsonObject expected = QJsonDocument::fromJson(fields.toUtf8()).object();
        QVERIFY(!expected.isEmpty());
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QVERIFY2(record.value(it.key()) == it.value(), qPrintable(it.key() + '\n' + r.out));
        QVERIFY(QDateTime::fromString(record.value("recording_time").toString(),
                                      QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                    .isValid());
        // The measured current: near the set 20 A, the same in text and number.
        const double amperes = record.value("current_a").toDouble();
        QVERIFY2(qAbs(amperes - 20) < 0.1 && record.value("testing_current").toString() ==
                                                 QString::number(amperes, 'f', 3) + 'A',
                 qPrintable(r.out));
    }

    void interruptedStopsTheTest()
    {
        const QString log = dir.filePath(QStringLiteral("interrupt.log"));
        QProcess process;
        // At real speed the test runs for 30 s: long enough to be interrupted.
        start(process, {"test"}, e("LT_SIM_CLOCK_SPEED=1 LT_SIM_WRITE_LOG=" + log));
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains(kStartFrame), 20000);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        QVERIFY(process.readAllStandardOutput().isEmpty());
        QVERIFY2(lines(readFile(log)).last().endsWith(kStopFrame), qPrintable(readFile(log)));
    }

    // Unplugged on the way: the readings printed stay whole (JSON Lines, or
    // CSV under a header naming the columns; no resistance and no current
    // since power-on), an earlier file stays as it was.
    void unplug_data()
    {
        QTest::addColumn<QString>("args");
        QTest::newRow("watch json") << "watch --json --interval 50";
        QTest::newRow("watch csv") << "watch --csv --interval 50";
        QTest::newRow("read-store") << "read-store -o unplugged.csv";
    }
    void unplug()
    {
        QFETCH(QString, args);
        QFile earlier(dir.filePath(QStringLiteral("unplugged.csv")));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier\n") == 8);
        earlier.close();
        QProcess process;
        process.setWorkingDirectory(dir.path());
        // 200 groups take at least 6 s; the unplug comes after 1 s.
        start(process, args.split(' '), e("LT_SIM_STORED=200 LT_SIM_UNPLUG_AFTER_MS=1000"));
        QVERIFY(process.waitForFinished(30000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitCode(), 4);
        QVERIFY2(err.contains(QLatin1String("link lost")), qPrintable(err));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QStringList readings = lines(out);
        if (args.contains("--csv"))
            QCOMPARE(readings.takeFirst(), "time,state,resistance,resistance_unit,current,"
                                           "current_unit,time_left,judgement,over_temperature,"
                                           "resistance_ohm,current_a");
        QVERIFY(args.startsWith("read-store") ? out.isEmpty()
                                              : readings.size() > 1 && out.endsWith('\n'));
        for (const QString& line : readings) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            QVERIFY2(args.contains("--csv") ? line.endsWith(",false,,0")
                                            : o.value("resistance_ohm").isNull() &&
                                                  o.value("current_a") == QJsonValue(0),
                     qPrintable(line));
        }
        if (!args.startsWith("read-store")) {
            QCOMPARE(readFile(earlier.fileName()), QStringLiteral("earlier\n"));
            return;
        }
        // What was read before the unplug is written; the rest are empty rows.
        QVERIFY2(err.contains(QLatin1String("left as empty rows")), qPrintable(err));
        QList<QStringList> rows;
        for (const QString& line : lines(readFile(earlier.fileName())))
            rows << line.split(QLatin1Char(','));
        QCOMPARE(rows.size(), 201);
        int read = 0;
        while (read < 200 &&
               rows.at(read + 1).first() == QString::number(read + 1).rightJustified(3, '0'))
            ++read;
        QVERIFY2(read > 0 && read < 200 && rows.at(200).join(QString()).isEmpty(), qPrintable(err));
    }

    // A read-back with group 5 unanswered, to CSV, a workbook and JSON: the
    // same texts in all three (each run dates its records from its own
    // start, so the times differ), group 5 an empty row; CSV and JSON add
    // the numbers of the simulator's records.
    void readStore()
    {
        const Env env{{"LT_SIM_STORED", "200"}, {"LT_SIM_UNANSWERED_GROUPS", "5"}};
        QStringList files;
        for (const char* suffix : {"csv", "xlsx", "json"}) {
            files << dir.filePath(QStringLiteral("store.") + suffix);
            const Run r = run({"read-store", "-o", files.last()}, env);
            VERIFY_STATUS(r, 7);
            QVERIFY2(r.err.contains(QLatin1String("left as empty rows: 5.")), qPrintable(r.err));
            QVERIFY(r.out.isEmpty());
        }
        const QStringList csv = lines(readFile(files.at(0)));
        const QJsonArray sheet = readWorkbook(files.at(1))["rows"].toArray();
        const QJsonArray json = QJsonDocument::fromJson(readFile(files.at(2)).toUtf8()).array();
        QVERIFY(csv.size() == 201 && sheet.size() == 201 && json.size() == 200);
        QCOMPARE(csv.first(), "Store number,Recording time,Testing time,Testing current,Test "
                              "resistance,Comparison,Comparative result,testing_time_s,"
                              "current_a,resistance_ohm,comparison_ohm");
        const QStringList keys = QString("store_number recording_time testing_time testing_current "
                                         "test_resistance comparison comparative_result "
                                         "testing_time_s current_a resistance_ohm comparison_ohm")
                                     .split(' ');
        for (int group = 1; group <= 200; ++group) {
            const QStringList row = csv.at(group).split(',');
            const QJsonObject object = json.at(group - 1).toObject();
            QCOMPARE(row.size(), 11);
            for (int c = 0; c < 11; ++c) {
                const QJsonValue v = object.value(keys.at(c));
                QCOMPARE(v.isNull(), c >= 7 && row.at(c).isEmpty());
                if (c == 1) // the time
                    continue;
                QCOMPARE(c < 7 ? v.toString() : v.toVariant().toString(), row.at(c));
                if (c < 7)
                    QCOMPARE(sheet.at(group).toArray().at(c).toString(), row.at(c));
            }
            if (group == 5)
                QCOMPARE(row.join(QString()), QString());
        }
        // The simulator's records: a group in μΩ with a limit in μΩ, one in
        // mΩ with comparison off, OL with a limit in mΩ, LO, one unread.
        const QList<QPair<int, QString>> expected{
            {1, "11,10.01,0.00013896,0.0008"}, {18, "28,180.18,0.0022888,"},
            {20, "30,200.2,0.0025418,0.0015"}, {17, "27,170.17,,0.0008"},
            {19, "29,190.19,,0.0008"},         {5, ",,,"}};
        for (const auto& group : expected)
            QCOMPARE(csv.at(group.first).section(',', 7), group.second);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
