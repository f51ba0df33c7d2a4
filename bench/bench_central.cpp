// Forwarding to a central PostgreSQL server started here (postgresql-15):
// 1,000 records that waited in the journal, forwarded once a server is
// there; and the lag from a record appended (the moment the table shows it)
// to its row visible on the server, while the station forwards as it goes.
#include "CentralLink.h"
#include "PgCluster.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QStringList cellsFor(int serial)
{
    return {QString::number(serial + 1),
            QStringLiteral("2026-12-06 10:%1:00").arg(serial % 60, 2, 10, QLatin1Char('0')),
            QStringLiteral("30S"),
            QStringLiteral("100A"),
            QStringLiteral("99.8A"),
            QStringLiteral("%1μΩ").arg(100 + serial % 900),
            QStringLiteral("120.00μΩ"),
            QStringLiteral("PASS"),
            QStringLiteral("母线 A 相")};
}

const Journal::Identity kIdentity{QStringLiteral("LoopTester"), QStringLiteral("RV718B"),
                                  QStringLiteral("V1.02")};

int fail(const QString& what)
{
    std::fprintf(stderr, "bench_central: %s\n", qPrintable(what));
    return 1;
}

// Runs the event loop until `done` or 30 s have passed.
template <typename Done> bool waitFor(Done done)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > 30000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    PgCluster pg;
    const QString why = pg.start(1);
    if (!why.isEmpty())
        return fail(QStringLiteral("no PostgreSQL server: ") + why);
    QTemporaryDir dir;
    Journal journal;
    if (journal.open(dir.filePath(QStringLiteral("journal.sqlite"))) != Journal::State::Open)
        return fail(QStringLiteral("journal did not open"));
    for (int i = 0; i < 1000; ++i)
        journal.append(cellsFor(i), kIdentity);
    const CentralConfig config{pg.conninfo(QStringLiteral("station1")), QStringLiteral("bench"),
                               QString()};

    QElapsedTimer t;
    t.start();
    CentralLink link(&journal, config);
    if (!waitFor([&] { return journal.waitingCount() == 0; }))
        return fail(QStringLiteral("the backlog was not forwarded: ") + link.problem());
    const double backlogS = double(t.nsecsElapsed()) / 1e9;

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("watch"));
    db.setConnectOptions(pg.conninfo(QStringLiteral("station1")));
    if (!db.open())
        return fail(QStringLiteral("no connection to watch the server"));
    QSqlQuery count(db);
    count.prepare(QStringLiteral("SELECT count(*) FROM lt.records"));
    std::vector<double> lagMs;
    for (int i = 0; i < 60; ++i) {
        t.restart();
        journal.append(cellsFor(1000 + i), kIdentity);
        const bool seen = waitFor(
            [&] { return count.exec() && count.next() && count.value(0).toInt() == 1001 + i; });
        if (!seen)
            return fail(QStringLiteral("a record did not arrive"));
        lagMs.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(lagMs.begin(), lagMs.end());
    std::printf("central_forward_1000_s %.3f s\n", backlogS);
    std::printf("central_forward_lag_ms %.1f ms\n", lagMs[lagMs.size() / 2]);
    std::printf("central_forward_lag_max_ms %.1f ms\n", lagMs.back());
    return 0;
}
