// Forwarding the journal to a real PostgreSQL server started for this test:
// stations at once, a server that stops, a reply lost after the commit, the
// rights of the roles, and a server that cannot be used.
#include "CentralLink.h"
#include "JournalFixtures.h"
#include "PgCluster.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>
#include <QtTest>

#include <memory>

using namespace journalfixtures;

namespace {

// Relays a station's connection to the server and, when armed, cuts it the
// moment the server confirms a commit: the rows are in, the reply is lost.
class CommitCutter : public QTcpServer
{
public:
    explicit CommitCutter(int serverPort)
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this, serverPort] {
            QTcpSocket* client = nextPendingConnection();
            auto* server = new QTcpSocket(client);
            server->connectToHost(QHostAddress::LocalHost, quint16(serverPort));
            connect(client, &QTcpSocket::readyRead, server,
                    [client, server] { server->write(client->readAll()); });
            connect(server, &QTcpSocket::readyRead, client, [this, client, server] {
                const QByteArray reply = server->readAll();
                if (armed && reply.contains(QByteArray::fromHex("430000000b434f4d4d495400"))) {
                    armed = false;
                    client->abort();
                    server->abort();
                    return;
                }
                client->write(reply);
            });
            connect(client, &QTcpSocket::disconnected, server, &QTcpSocket::abort);
        });
    }
    bool armed = false;
};

} // namespace

class TestCentral : public QObject
{
    Q_OBJECT

    PgCluster pg;
    QTemporaryDir dir;

    std::unique_ptr<Journal> openJournal()
    {
        auto j = std::make_unique<Journal>();
        j->open(dir.filePath(QUuid::createUuid().toString(QUuid::Id128)));
        return j;
    }
    void append(Journal& j, int count)
    {
        for (int i = 0; i < count; ++i)
            QVERIFY(j.append(cellsFor(i, i + 1), identity(), timeFor(i)) > 0);
    }
    int rows(const QString& where = "true")
    {
        return pg.sql({"SELECT count(*) FROM lt.records WHERE " + where}).toInt();
    }

private slots:
    void initTestCase()
    {
        const QString why = pg.start(4);
        if (!why.isEmpty())
            QFAIL(qPrintable(QStringLiteral("no PostgreSQL server for the test: ") + why));
    }
    void init() { QVERIFY(pg.sql({"TRUNCATE lt.records"}).isValid()); }

    void fourStationsAtOnce()
    {
        QVector<QProcess*> stations;
        for (int s = 1; s <= 4; ++s) {
            auto* p = new QProcess(this);
            p->setProcessChannelMode(QProcess::ForwardedChannels);
            p->start(QCoreApplication::applicationFilePath(),
                     {dir.filePath(QStringLiteral("station%1.sqlite").arg(s)),
                      pg.conninfo(QStringLiteral("station%1").arg(s)),
                      QStringLiteral("bench %1").arg(s), QStringLiteral("1000")});
            stations << p;
        }
        for (QProcess* p : stations) {
            QVERIFY(p->waitForFinished(90000));
            QCOMPARE(p->exitCode(), 0);
        }
        QCOMPARE(rows("owner::text = 'station' || substr(station, 7)"), 4000);
        // One row as a station sends it: NUL and fill bytes left out, SI values.
        QCOMPARE(pg.sql({"SELECT concat_ws('|', resistance, resistance_ohm, test_time_s, "
                         "current_set_a, test_current_a, comparison_ohm, verdict, model, "
                         "recorded_at AT TIME ZONE 'UTC' + make_interval(secs => utc_offset_s)"
                         ") FROM lt.records WHERE station = 'bench 2' AND number = '8'"})
                     .toString(),
                 QStringLiteral("8.75 μΩÿ|8.75e-06|7|100|99.7|0.00012|pass|RV718B|"
                                "2026-12-06 10:15:49"));
    }

    // Stopped with records on the way and changes waiting: every record
    // arrives once, with its latest state.
    void serverStopsAndComesBack()
    {
        auto j = openJournal();
        CentralLink link(j.get(), {pg.conninfo("station1"), {}, {}});
        append(*j, 300);
        QTRY_COMPARE_WITH_TIMEOUT(rows(), 300, 20000);
        QVERIFY(pg.stop());
        append(*j, 200);
        QVERIFY(j->markSaved());
        QVERIFY(j->remove({1, 2}));
        QTRY_VERIFY_WITH_TIMEOUT(link.problem() == QStringLiteral("无法连接服务器"), 10000);
        QCOMPARE(link.statusText(), QStringLiteral("等待转发 500 条记录：无法连接服务器"));
        QVERIFY(pg.startServer());
        QTRY_COMPARE_WITH_TIMEOUT(link.state(), CentralLink::State::Forwarded, 30000);
        QCOMPARE(rows(), 500);
        QCOMPARE(rows(QStringLiteral("deleted")), 2);
        QCOMPARE(rows(QStringLiteral("exported")), 498);
        QCOMPARE(link.statusText(), QStringLiteral("记录已转发到中心数据库"));
    }

    void replyLostAfterCommit()
    {
        QVERIFY(pg.sql({"CREATE TABLE updated (uuid uuid)",
                        "CREATE FUNCTION note() RETURNS trigger SECURITY DEFINER LANGUAGE "
                        "plpgsql AS $$BEGIN INSERT INTO updated VALUES (NEW.uuid); RETURN NEW; "
                        "END$$",
                        "CREATE TRIGGER note AFTER UPDATE ON lt.records FOR EACH ROW "
                        "EXECUTE FUNCTION note()"})
                    .isValid());
        CommitCutter cutter(pg.port);
        cutter.armed = true;
        auto j = openJournal();
        CentralLink link(
            j.get(), {pg.conninfo("station1")
                          .replace(QString::number(pg.port), QString::number(cutter.serverPort())),
                      {},
                      {}});
        QSignalSpy failed(&link, &CentralLink::failed);
        append(*j, 150);
        QTRY_COMPARE_WITH_TIMEOUT(link.state(), CentralLink::State::Forwarded, 20000);
        QVERIFY(!cutter.armed);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(rows(), 150);
        // The batch sent again after the cut changed none of the rows it had.
        QCOMPARE(pg.sql({"SELECT count(*) FROM updated"}).toInt(), 0);
    }

    // One station's rows, then each role tries its hand, in this order.
    void stationsChangeTheirOwnRowsOnly()
    {
        auto j = openJournal();
        {
            CentralLink link(j.get(), {pg.conninfo("station1"), {}, {}});
            append(*j, 5);
            QTRY_COMPARE_WITH_TIMEOUT(link.state(), CentralLink::State::Forwarded, 10000);
        }
        const struct
        {
            const char* user;
            const char* sql;
            int changed; // -1: refused
        } attempts[] = {
            {"station2", "UPDATE lt.records SET remark = 'x'", 0},
            {"station1", "DELETE FROM lt.records", -1},
            {"station1", "UPDATE lt.records SET owner = 'station2'", -1},
            {"reader", "UPDATE lt.records SET remark = 'x'", -1},
            {"station1", "UPDATE lt.records SET remark = 'x' WHERE number = '1'", 1},
        };
        for (const auto& a : attempts) {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), a.user);
                db.setConnectOptions(pg.conninfo(a.user));
                QSqlQuery q(db);
                QVERIFY2(db.open() && q.exec(a.sql) == (a.changed >= 0), a.sql);
                QVERIFY2(a.changed < 0 || q.numRowsAffected() == a.changed, a.sql);
            }
            QSqlDatabase::removeDatabase(a.user);
        }
        QCOMPARE(rows("owner = 'station1' AND remark = 'x'"), 1);
        QCOMPARE(rows("owner = 'station1'"), 5);
    }

    // Measuring goes on and the status says why nothing goes.
    void serverCannotBeUsed_data()
    {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("status");
        QTest::newRow("wrong password") // the password file's is not admin's
            << pg.conninfo("admin") << "等待转发 3 条记录：服务器拒绝登录：用户名或密码不对";
        QTest::newRow("nobody listens")
            << pg.conninfo("station1").replace(QString::number(pg.port), QStringLiteral("1"))
            << "等待转发 3 条记录：无法连接服务器";
        QTest::newRow("password in our file")
            << pg.conninfo("station1") + QStringLiteral(" password=pw1")
            << "等待转发 3 条记录：中心数据库的连接设置里不能写密码：请把密码写在 ~/.pgpass "
               "或服务文件里";
        QTest::newRow("none") << QString() << "未配置中心数据库";
    }
    void serverCannotBeUsed()
    {
        QFETCH(QString, connection);
        QFETCH(QString, status);
        auto j = openJournal();
        CentralLink link(j.get(), {connection, {}, {}});
        append(*j, 3);
        QTRY_COMPARE_WITH_TIMEOUT(link.statusText(), status, 10000);
        append(*j, 1);
        QCOMPARE(j->sessionRecords().size(), 4);
        QCOMPARE(rows(), 0);
    }

    // loop-tester-cli journal, one step after another on the same journal.
    void commandLine()
    {
        const QString file = dir.filePath(QStringLiteral("cli.sqlite"));
        {
            Journal j;
            j.open(file);
            for (int i = 0; i < 20; ++i)
                j.append(cellsFor(i, i + 1), identity(), timeFor(i), {i % 2 ? "QF1" : "QF2", "A"});
        }
        const QString out = dir.filePath(QStringLiteral("out.csv"));
        const QString export_ = QStringLiteral("export --from 2026-12-06 --to 2026-12-06T10:16 "
                                               "--object QF1 -o ") +
                                out;
        const struct
        {
            QString args;
            QString connection;
            int status;
            QString said; // in standard output; for export the rows written
        } steps[] = {
            {"status --station bench", pg.conninfo("station1"), 0,
             "waiting: 20\nstation: bench\nserver: answers, "
             "schema version 1, 0 records visible"},
            {"sync", pg.conninfo("station1") + " port=1", 14, "forwarded: 0"},
            {"sync --station bench", pg.conninfo("station1"), 0, "forwarded: 20"},
            {export_, pg.conninfo("reader"), 0, "4"}, // 7 s apart: 9 in the minute, 4 of QF1
            {export_ + " --station x", pg.conninfo("reader"), 0, "0"},
            {export_ + " --station bench", pg.conninfo("reader"), 0, "4"},
            {export_, QString(), 0, "4"}, // from the journal itself
        };
        for (const auto& step : steps) {
            QProcess cli;
            QStringList args = {"journal", "--journal", file};
            args += step.args.split(' ');
            if (!step.connection.isEmpty())
                args << "--connection" << step.connection;
            cli.start(QStringLiteral(CLI_DEMO), args);
            QVERIFY(cli.waitForFinished(30000));
            QCOMPARE(cli.exitCode(), step.status);
            const QByteArray said = cli.readAllStandardOutput();
            if (step.args.startsWith("export")) {
                QFile csv(out);
                QVERIFY(csv.open(QIODevice::ReadOnly));
                QVERIFY2(csv.readAll().count('\n') - 1 == step.said.toInt(),
                         qPrintable(step.args + step.connection));
            } else {
                QVERIFY2(said.contains(step.said.toUtf8()), qPrintable(step.args));
            }
        }
    }
};

// Run with JOURNAL CONNINFO STATION COUNT: one station as a process of its
// own, appending while it forwards; exits 0 once the server has them all.
int station(const QStringList& args)
{
    Journal journal;
    journal.open(args[1]);
    CentralLink link(&journal, {args[2], args[3], QString()});
    int appended = 0;
    QTimer tick;
    auto doneWhenForwarded = [&] {
        if (appended == args[4].toInt() && journal.waitingCount() == 0)
            qApp->exit(0);
    };
    QObject::connect(&link, &CentralLink::statusChanged, doneWhenForwarded);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        journal.append(cellsFor(appended, appended + 1), identity(), timeFor(appended));
        if (++appended == args[4].toInt())
            tick.stop();
        doneWhenForwarded();
    });
    tick.start(0);
    QTimer::singleShot(60000, [] { qApp->exit(1); });
    return qApp->exec();
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 5)
        return station(app.arguments());
    TestCentral test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_central.moc"
