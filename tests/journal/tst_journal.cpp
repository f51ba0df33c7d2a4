// The measurement journal: what a run leaves for the next one, what survives a
// killed process, and that a journal which cannot be kept never gets in the way.
#include "Journal.h"
#include "JournalFixtures.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <memory>

using journalfixtures::cellsFor;
using journalfixtures::identity;
using journalfixtures::timeFor;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Runs statements on a database file through a plain connection, as another
// tool would; returns the value of the last statement's first row.
QVariant sql(const QString& path, const QStringList& statements)
{
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "tst");
        db.setDatabaseName(path);
        const bool open = db.open();
        QSqlQuery q(db);
        for (const QString& s : statements)
            value = open && q.exec(s) && q.next() ? q.value(0) : QVariant();
    }
    QSqlDatabase::removeDatabase("tst");
    return value;
}

// The immutable attribute stops root too; it needs a file system that has it.
bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    int flags = 0;
    bool ok = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// A second process working on the journal (journal_helper.cpp); killed if
// still running when it goes.
struct Helper
{
    QProcess process;
    QList<QByteArray> lines; // finished ones only: a kill may cut the last short

    void start(const QStringList& args) { process.start(QStringLiteral(JOURNAL_HELPER), args); }
    const QList<QByteArray>& read()
    {
        while (process.canReadLine())
            lines << process.readLine().trimmed();
        return lines;
    }
    // "<serial> <id>" lines: id -> serial of every append that returned.
    QHash<qint64, int> appended() const
    {
        QHash<qint64, int> out;
        for (const QByteArray& line : lines) {
            const QList<QByteArray> f = line.split(' ');
            bool ok = false;
            const qint64 id = f.size() >= 2 ? f.at(1).toLongLong(&ok) : 0;
            if (ok)
                out.insert(id, f.at(0).toInt());
        }
        return out;
    }
    ~Helper()
    {
        process.kill();
        process.waitForFinished();
    }
};

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("journal.sqlite")); }

    // Fills a journal at `file` with `count` records over one run.
    static void fill(const QString& file, int count)
    {
        Journal j;
        QCOMPARE(j.open(file), Journal::State::Open);
        for (int i = 0; i < count; ++i)
            QVERIFY(j.append(cellsFor(i, i + 1), identity(), timeFor(i)) > 0);
    }

    // After a failure: told once, and every call fails at once.
    static void verifyOff(Journal& j, QSignalSpy& failed)
    {
        QCOMPARE(j.state(), Journal::State::Failed);
        QCOMPARE(failed.count(), 1);
        QVERIFY(!j.failureMessage().isEmpty());
        QCOMPARE(failed.first().first().toString(), j.failureMessage());
        QCOMPARE(j.append(cellsFor(1, 1), identity()), qint64(-1));
        QVERIFY(!j.setPendingRemark(QStringLiteral("x")));
        QVERIFY(!j.markSaved());
        QVERIFY(!j.remove({1}));
        QCOMPARE(j.pending().count, 0);
        QVERIFY(j.restore().isEmpty());
        QCOMPARE(failed.count(), 1);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir.isValid());
    }

    void init() { QVERIFY(QDir(dir.path()).removeRecursively() && QDir().mkpath(dir.path())); }

    // Operator actions over runs: a append, d<rows> delete those 1-based rows
    // (the table renumbers), e<row> correct that remark, s export, c clear,
    // x close without export, r restart, R restore, D decline. The end state:
    // the table's first column and what the next question would offer.
    void sequences_data()
    {
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("offered");
        QTest::newRow("rows after export") << "a a s a r" << QString() << 1;
        QTest::newRow("delete renumbers") << "a a a a a d2,4 r R" << QStringLiteral("1,2,3") << 0;
        QTest::newRow("clear") << "a a c a r R" << QStringLiteral("1") << 0;
        QTest::newRow("decline is final") << "a a r D r" << QString() << 0;
        QTest::newRow("restored stay unsaved") << "a a r R r" << QString() << 2;
        QTest::newRow("restored then exported") << "a r R s r" << QString() << 0;
        QTest::newRow("unanswered runs add up") << "a r a a r" << QString() << 3;
        QTest::newRow("closed without export") << "a a x r" << QString() << 0;
        QTest::newRow("append after restore") << "a a r R a" << QStringLiteral("1,2,3") << 0;
        QTest::newRow("delete restored") << "a a a r R d1 a" << QStringLiteral("1,2,3") << 0;
        QTest::newRow("corrected after export") << "a a s e2 r" << QString() << 1;
        QTest::newRow("corrected restored") << "a a e1 r R e2" << QStringLiteral("1,2") << 0;
    }
    void sequences()
    {
        QFETCH(QString, actions);
        QFETCH(QString, table);
        QFETCH(int, offered);

        auto journal = std::make_unique<Journal>();
        QCOMPARE(journal->open(path()), Journal::State::Open);
        QVector<Journal::Record> rows;
        int serial = 0;
        for (const QString& a : actions.split(QLatin1Char(' '))) {
            if (a == QLatin1String("a")) {
                Journal::Record row;
                row.cells = cellsFor(serial, rows.size() + 1);
                row.id = journal->append(row.cells, identity(), timeFor(serial++));
                QVERIFY(row.id > 0);
                rows << row;
            } else if (a.startsWith(QLatin1Char('d'))) {
                QVector<qint64> gone;
                QList<int> picked;
                for (const QString& n : a.mid(1).split(QLatin1Char(',')))
                    picked << n.toInt() - 1;
                std::sort(picked.begin(), picked.end(), std::greater<int>());
                for (int r : picked)
                    gone << rows.takeAt(r).id;
                QHash<qint64, QString> firstCells;
                for (int r = 0; r < rows.size(); ++r) {
                    rows[r].cells[0] = QString::number(r + 1);
                    firstCells.insert(rows[r].id, rows[r].cells[0]);
                }
                QVERIFY(journal->remove(gone, firstCells));
            } else if (a.startsWith(QLatin1Char('e'))) {
                Journal::Record& row = rows[a.mid(1).toInt() - 1];
                row.cells[8] = QStringLiteral("改正 %1").arg(serial++);
                QVERIFY(journal->setRemark(row.id, row.cells[8]));
            } else if (a == QLatin1String("s")) {
                QVERIFY(journal->markSaved());
            } else if (a == QLatin1String("c")) {
                QVERIFY(journal->clear());
                rows.clear();
            } else if (a == QLatin1String("x")) {
                QVERIFY(journal->dismissUnsaved());
            } else if (a == QLatin1String("r")) {
                journal = std::make_unique<Journal>();
                QCOMPARE(journal->open(path()), Journal::State::Open);
                rows.clear();
            } else if (a == QLatin1String("R")) {
                rows = journal->restore() + rows;
            } else if (a == QLatin1String("D")) {
                QVERIFY(journal->decline());
            } else {
                QFAIL(qPrintable(a));
            }
        }

        const QVector<Journal::Record> kept = journal->sessionRecords();
        QCOMPARE(kept.size(), rows.size());
        QStringList numbers;
        for (int r = 0; r < rows.size(); ++r) {
            QCOMPARE(kept.at(r).id, rows.at(r).id);
            QCOMPARE(kept.at(r).cells, rows.at(r).cells);
            numbers << kept.at(r).cells.first();
        }
        QCOMPARE(numbers.join(QLatin1Char(',')), table);
        QCOMPARE(journal->pending().count, offered);
        QCOMPARE(journal->state(), Journal::State::Open);
    }

    // Every text comes back exactly, whatever the instrument filled it with;
    // the next run's question tells how many records, from when to when.
    void textsKeptExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("NUL inside") << QString::fromUtf16(u"12.34\u0000\u0000 μΩ", 11);
        QTest::newRow("Latin-1 fill") << QString::fromLatin1("RV718A\xff\xfe\x01\x7f", 10);
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + QStringLiteral("x");
        QTest::newRow("null") << QString();
        // SQLite takes these in front of a UTF-16 text for a byte-order mark.
        QTest::newRow("leading U+FEFF") << QString(QChar(0xFEFF)) + QStringLiteral("x");
        QTest::newRow("leading U+FFFE") << QString(QChar(0xFFFE)) + QStringLiteral("AB");
    }
    void textsKeptExactly()
    {
        QFETCH(QString, text);
        QStringList cells;
        for (int c = 0; c < Journal::kColumns; ++c)
            cells << (c == 0 ? QStringLiteral("1") : text);
        const Journal::Identity who{text, text + QChar(0), QChar(0) + text};
        const QDateTime at = QDateTime::currentDateTime();
        {
            Journal j;
            QCOMPARE(j.open(path()), Journal::State::Open);
            QVERIFY(j.append(cells, who, at) > 0);
            QVERIFY(j.append(cells, who, at.addSecs(70)) > 0);
            QVERIFY(j.setPendingRemark(text + QStringLiteral(".")));
        }
        Journal j;
        QCOMPARE(j.open(path()), Journal::State::Open);
        const Journal::Pending p = j.pending();
        QCOMPARE(p.count, 2);
        QCOMPARE(p.first, at);
        QCOMPARE(p.last, at.addSecs(70));
        QCOMPARE(p.remark, text + QStringLiteral("."));
        const QVector<Journal::Record> back = j.restore();
        QCOMPARE(back.size(), 2);
        QCOMPARE(back.first().cells, cells);
        const Journal::Identity& got = back.first().identity;
        QCOMPARE(got.name + got.model + got.version, who.name + who.model + who.version);
        QCOMPARE(back.first().recordedAt, at);
    }

    // Killed between two appends or in the middle of one: every record whose
    // append returned is there, whole, and no record is half there.
    void killedMidway()
    {
        Helper writer;
        writer.start({QStringLiteral("write"), path()});
        // Line i tells of serial i: "<serial> <id> <ms since start>".
        const auto msAt = [&](int i) { return writer.lines.value(i).split(' ').value(2).toInt(); };
        QTRY_VERIFY_WITH_TIMEOUT(
            writer.read().size() >= 150 && msAt(writer.lines.size() - 1) > 1500, 60000);
        writer.process.kill();
        QVERIFY(writer.process.waitForFinished());
        const int lastAt = msAt(writer.read().size() - 1);
        const QHash<qint64, int> printed = writer.appended();

        // Of the remark, at most the last second of typing is lost.
        Journal j;
        QCOMPARE(j.open(path()), Journal::State::Open);
        const QString remark = j.pending().remark;
        QVERIFY2(remark.startsWith(QLatin1String("typed ")) &&
                     msAt(remark.mid(6).toInt()) >= lastAt - 1000,
                 qPrintable(remark + QStringLiteral(" at %1").arg(lastAt)));
        QHash<qint64, Journal::Record> back;
        for (const Journal::Record& r : j.restore())
            back.insert(r.id, r);
        for (auto it = printed.cbegin(); it != printed.cend(); ++it)
            QVERIFY2(back.contains(it.key()), qPrintable(QString::number(it.key())));
        // At most the one append that was under way when the kill came.
        QVERIFY(back.size() <= printed.size() + 1);
        for (const Journal::Record& r : qAsConst(back)) {
            const int serial = r.cells.first().toInt() - 1;
            QCOMPARE(r.cells, cellsFor(serial, serial + 1));
            QCOMPARE(r.recordedAt, timeFor(serial));
            QCOMPARE(r.identity.model, identity().model);
            QVERIFY(!printed.contains(r.id) || printed.value(r.id) == serial);
        }
    }

    // Folders and files nobody can write, not even root: the journal is off
    // at once, says so once, and every call returns at once.
    void unusableLocation_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("parent is a file") << "file";
        QTest::newRow("read-only folder and file") << "immutable";
    }
    void unusableLocation()
    {
        QFETCH(QString, kind);
        QString where;
        QStringList locked;
        auto unlock = qScopeGuard([&] {
            for (const QString& p : locked)
                setImmutable(p, false);
        });
        if (kind == QLatin1String("file")) {
            QVERIFY(writeFile(dir.filePath("data"), "not a folder"));
            where = dir.filePath("data/journal.sqlite");
        } else {
            const QString folder = dir.filePath("locked");
            where = folder + QStringLiteral("/journal.sqlite");
            fill(where, 3);
            QVERIFY(!QFile::exists(where + QStringLiteral("-wal")));
            if (!setImmutable(where, true))
                QSKIP("this file system has no immutable attribute");
            locked << where << folder;
            QVERIFY(setImmutable(folder, true));
        }
        Journal j;
        QSignalSpy failed(&j, &Journal::failed);
        QCOMPARE(j.open(where), Journal::State::Failed);
        verifyOff(j, failed);
    }

    // Another copy of the program, or any program holding a write
    // transaction: this run goes without a journal and waits only briefly.
    void lockedByAnotherProcess_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("second copy of the program") << "hold";
        QTest::newRow("open write transaction") << "begin";
    }
    void lockedByAnotherProcess()
    {
        QFETCH(QString, mode);
        fill(path(), 2);
        Helper holder;
        holder.start({mode, path()});
        QTRY_VERIFY_WITH_TIMEOUT(holder.read().contains("holding"), 20000);

        Journal j;
        QSignalSpy failed(&j, &Journal::failed);
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(j.open(path()), Journal::State::Failed);
        // Far above the journal's own wait, far below the driver's default 5 s.
        QVERIFY2(waited.elapsed() < 2000, qPrintable(QString::number(waited.elapsed())));
        verifyOff(j, failed);

        holder.process.closeWriteChannel();
        QVERIFY(holder.process.waitForFinished());
        QCOMPARE(holder.process.exitCode(), 0);
        Journal after;
        QCOMPARE(after.open(path()), Journal::State::Open);
        QCOMPARE(after.pending().count, 2);
    }

    // A file already where the journal goes: an older journal is brought up
    // to date; a file that cannot be a journal is renamed, byte for byte, and
    // a new journal starts; a newer program's file is left as it is and this
    // run goes without a journal.
    void fileAlreadyThere_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("outcome"); // "upgraded", "off" or the suffix when moved aside
        QTest::newRow("empty file") << "empty" << QStringLiteral("upgraded");
        QTest::newRow("version 1 journal, 2 records") << "v1" << QStringLiteral("upgraded");
        QTest::newRow("newer version") << "newer" << QStringLiteral("off");
        QTest::newRow("garbage") << "garbage" << QStringLiteral("corrupt");
        QTest::newRow("damaged pages") << "damaged" << QStringLiteral("corrupt");
        QTest::newRow("another database") << "foreign" << QStringLiteral("unknown");
    }
    void fileAlreadyThere()
    {
        QFETCH(QString, kind);
        QFETCH(QString, outcome);
        QByteArray bytes;
        if (kind == QLatin1String("v1")) {
            // The first journal's tables, as that version wrote them.
            QString cells;
            for (const char* c : {"number", "recorded", "test_time", "current_set", "test_current",
                                  "resistance", "comparison", "result", "remark"})
                cells += QStringLiteral(", %1 TEXT NOT NULL").arg(QLatin1String(c));
            sql(path(),
                {"CREATE TABLE sessions (id INTEGER PRIMARY KEY AUTOINCREMENT, started "
                 "INTEGER NOT NULL, remark TEXT NOT NULL DEFAULT '')",
                 "CREATE TABLE records (id INTEGER PRIMARY KEY AUTOINCREMENT, session "
                 "INTEGER NOT NULL REFERENCES sessions(id), state INTEGER NOT NULL, "
                 "recorded_at INTEGER NOT NULL, device_name TEXT NOT NULL, device_model "
                 "TEXT NOT NULL, device_version TEXT NOT NULL" +
                     cells + ")",
                 "INSERT INTO sessions (started) VALUES (1)",
                 "INSERT INTO records VALUES (NULL, 1, 0, 5, 'n', 'm', 'v', '1', 't', '30', "
                 "'100', '99.9', '12.5', '', '', 'kept'), (NULL, 1, 0, 6, 'n', 'm', 'v', '2', "
                 "'t', '30', '100', '99.9', '12.6', '', '', '')",
                 "PRAGMA user_version = 1"});
        } else if (kind == QLatin1String("newer")) {
            sql(path(), {"CREATE TABLE future(x)", "PRAGMA user_version = 99"});
        } else if (kind == QLatin1String("foreign")) {
            sql(path(), {"CREATE TABLE notes(text)", "INSERT INTO notes VALUES('keep me')"});
        } else if (kind == QLatin1String("garbage")) {
            for (int i = 0; i < 8192; ++i)
                bytes += char((i * 7919) >> 3);
        } else if (kind == QLatin1String("damaged")) {
            fill(path(), 400);
            bytes = contents(path());
            QVERIFY(bytes.size() > 8 * 4096);
            bytes.replace(3 * 4096, 4 * 4096, QByteArray(4 * 4096, '\x55'));
        }
        if (!QFile::exists(path()) || !bytes.isEmpty())
            QVERIFY(writeFile(path(), bytes));
        const QByteArray before = contents(path());
        {
            Journal j;
            QSignalSpy failed(&j, &Journal::failed);
            QSignalSpy moved(&j, &Journal::movedAside);
            QCOMPARE(j.open(path()) == Journal::State::Open, outcome != QLatin1String("off"));
            if (outcome == QLatin1String("off")) {
                verifyOff(j, failed);
                QCOMPARE(moved.count(), 0);
                QCOMPARE(contents(path()), before);
                return;
            }
            QCOMPARE(failed.count(), 0);
            QCOMPARE(moved.count(), outcome == QLatin1String("upgraded") ? 0 : 1);
            if (!moved.isEmpty()) {
                const QString movedTo = moved.first().first().toString();
                QVERIFY2(
                    QFileInfo(movedTo).fileName().startsWith("journal.sqlite." + outcome + "-"),
                    qPrintable(movedTo));
                QCOMPARE(contents(movedTo), before);
                QVERIFY(!moved.first().last().toString().isEmpty());
            }
            const bool v1 = kind == QLatin1String("v1");
            QCOMPARE(j.pending().count, v1 ? 2 : 0);
            if (v1) {
                const QVector<Journal::Record> kept = j.restore();
                QCOMPARE(kept.size(), 2);
                QCOMPARE(kept[0].cells.last(), QStringLiteral("kept"));
                QCOMPARE(kept[1].cells[5], QStringLiteral("12.6"));
                QVERIFY(kept[0].subject.object.isEmpty() && kept[1].subject.point.isEmpty());
                QVERIFY(!QUuid(kept[0].uuid).isNull() && kept[0].uuid != kept[1].uuid);
            }
            QVERIFY(j.append(cellsFor(0, 1), identity(), QDateTime::currentDateTime(),
                             {QStringLiteral("QF1"), QStringLiteral("A")}) > 0);
            const Journal::Record added = j.sessionRecords().last();
            QCOMPARE(added.subject.object + added.subject.point, QStringLiteral("QF1A"));
            // Records of an older file wait to be forwarded like new ones.
            QCOMPARE(j.waitingCount(), v1 ? 3 : 1);
        }
        QCOMPARE(sql(path(), {"PRAGMA user_version"}).toInt(), 3);
        QCOMPARE(sql(path(), {"SELECT count(DISTINCT uuid) FROM records"}).toInt(),
                 kind == QLatin1String("v1") ? 3 : 1);
    }

    // The disk fills up in the middle of a run: told once, the records
    // written before are kept, and measuring goes on without the journal.
    void diskFullMidway()
    {
        Helper writer;
        writer.start({QStringLiteral("limit"), path(), QStringLiteral("204800")});
        QVERIFY(writer.process.waitForFinished(60000));
        QCOMPARE(writer.process.exitCode(), 0);
        QVERIFY(writer.read().contains("failed 1 later 0 state 2"));
        const QHash<qint64, int> printed = writer.appended();
        QVERIFY(printed.size() >= 5);

        Journal j;
        QCOMPARE(j.open(path()), Journal::State::Open);
        QHash<qint64, QStringList> back;
        for (const Journal::Record& r : j.restore())
            back.insert(r.id, r.cells);
        for (auto it = printed.cbegin(); it != printed.cend(); ++it)
            QCOMPARE(back.value(it.key()), cellsFor(it.value(), it.value() + 1));
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
