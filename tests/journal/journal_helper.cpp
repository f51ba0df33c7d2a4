// Drives a journal from a process of its own, for the tests that kill it,
// fill its disk or hold its lock from outside.
//   journal_helper write PATH        appends and types a remark until killed
//   journal_helper hold PATH         a second copy of the program: holds the journal open
//   journal_helper begin PATH        a plain SQLite connection holding a write transaction
//   journal_helper limit PATH BYTES  appends with file sizes limited to BYTES until it fails
// "hold" and "begin" print "holding" and wait until their standard input closes.
#include "JournalFixtures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

void say(const QByteArray& line)
{
    std::puts(line.constData());
    std::fflush(stdout);
}

int holdUntilStdinCloses()
{
    say("holding");
    QFile in;
    in.open(stdin, QIODevice::ReadOnly);
    in.readAll();
    return 0;
}

// Appends until an append fails, printing "<serial> <id> <ms>" after each
// one that returned; `typing`, as the window does: a remark typed all the time.
void appendUntilFailure(Journal& journal, bool typing)
{
    using namespace journalfixtures;
    QElapsedTimer clock;
    clock.start();
    int serial = 0;
    QTimer keys;
    QObject::connect(&keys, &QTimer::timeout, [&] {
        const qint64 id = journal.append(cellsFor(serial, serial + 1), identity(), timeFor(serial));
        if (id < 0)
            return QCoreApplication::exit();
        if (typing)
            journal.keepTypedRemark(QStringLiteral("typed %1").arg(serial));
        say(QByteArray::number(serial++) + ' ' + QByteArray::number(id) + ' ' +
            QByteArray::number(clock.elapsed()));
    });
    keys.start(typing ? 2 : 0);
    QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const QString& mode = args.at(1);
    const QString& path = args.at(2);

    if (mode == QLatin1String("begin")) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (!db.open() || !q.exec(QStringLiteral("BEGIN EXCLUSIVE")) ||
            !q.exec(QStringLiteral("UPDATE sessions SET remark = 'held'")))
            return 3;
        return holdUntilStdinCloses();
    }
    if (mode == QLatin1String("limit")) {
        const rlim_t bytes = args.value(3).toULongLong();
        const rlimit size{bytes, bytes};
        std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
        if (setrlimit(RLIMIT_FSIZE, &size) != 0)
            return 2;
    }

    Journal journal;
    if (journal.open(path) != Journal::State::Open) {
        say("not open");
        return 3;
    }
    if (mode == QLatin1String("hold"))
        return holdUntilStdinCloses();
    int failedSignals = 0;
    QObject::connect(&journal, &Journal::failed, [&] { ++failedSignals; });
    appendUntilFailure(journal, mode == QLatin1String("write"));
    // Once off, every call must fail at once and stay quiet.
    int succeeded = 0;
    for (int i = 0; i < 5; ++i) {
        succeeded += journal.append(journalfixtures::cellsFor(i, i), {}) >= 0;
        succeeded += journal.setPendingRemark(QString::number(i));
        succeeded += journal.markSaved();
        succeeded += journal.clear();
    }
    say("failed " + QByteArray::number(failedSignals) + " later " + QByteArray::number(succeeded) +
        " state " + QByteArray::number(int(journal.state())));
    return 0;
}
