// The measurement journal: what a run leaves for the next one, what survives a
// killed process, and that a journal which cannot be kept never gets in the way.
#include "Journal.h"
#include "JournalFixtures.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
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
        if (db.open()) {
            QSqlQuery q(db);
            for (const QString& s : statements) {
                value = QVariant();
                if (q.exec(s) && q.next())
                    value = q.value(0);
            }
        }
    }
    QSqlDatabase::removeDatabase("tst");
    return value;
}

// The immutable attribute stops root too; it needs a file system that has it.
bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

struct Immutable
{
    QStringList paths;
    ~Immutable()
    {
        for (const QString& p : paths)
            setImmutable(p, false);
    }
};

// A second process working on the journal; see journal_helper.cpp.
struct Helper
{
    QProcess process;
    QList<QByteArray> lines;

    void start(const QStringList& args)
    {
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] {
            while (process.canReadLine())
                lines << process.readLine().trimmed();
        });
        process.start(QStringLiteral(JOURNAL_HELPER), args);
    }
    // After the process ended: the lines it finished writing.
    void collectRest()
    {
        QList<QByteArray> rest = process.readAllStandardOutput().split('\n');
        rest.removeLast(); // empty, or a line cut short
        lines << rest;
    }
    ~Helper()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
};

// "<serial> <id>" lines of journal_helper: id -> serial of every append that returned.
QHash<qint64, int> appended(const QList<QByteArray>& lines)
{
    QHash<qint64, int> out;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> f = line.split(' ');
        bool ok = false;
        const qint64 id = f.size() == 2 ? f.at(1).toLongLong(&ok) : 0;
        if (ok)
            out.insert(id, f.at(0).toInt());
    }
    return out;
}

// What the live table holds, beside the journal that mirrors it.
struct Row
{
    qint64 id;
    QStringList cells;
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

    void init()
    {
        QDir d(dir.path());
        for (const QString& f : d.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
            QVERIFY(QFileInfo(d.filePath(f)).isDir() ? QDir(d.filePath(f)).removeRecursively()
                                                     : d.remove(f));
    }

    // Operator actions over several runs, each a word: a append, d<rows>
    // delete those 1-based table rows (the table renumbers), s export,
    // c clear, x close without export, r restart the program, R restore,
    // D decline. The end state: the table's first column and what the next
    // question would offer.
    void sequences_data()
    {
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("offered");
        QTest::newRow("crash offers all") << "a a a r"
                                          << "" << 3;
        QTest::newRow("exported not offered") << "a a s r"
                                              << "" << 0;
        QTest::newRow("rows after export") << "a a s a r"
                                           << "" << 1;
        QTest::newRow("restore") << "a a a r R"
                                 << "1,2,3" << 0;
        QTest::newRow("delete renumbers") << "a a a a a d2,4 r R"
                                          << "1,2,3" << 0;
        QTest::newRow("clear") << "a a c a r R"
                               << "1" << 0;
        QTest::newRow("decline is final") << "a a r D r"
                                          << "" << 0;
        QTest::newRow("restored stay unsaved") << "a a r R r"
                                               << "" << 2;
        QTest::newRow("restored then exported") << "a r R s r"
                                                << "" << 0;
        QTest::newRow("unanswered runs add up") << "a r a a r"
                                                << "" << 3;
        QTest::newRow("closed without export") << "a a x r"
                                               << "" << 0;
        QTest::newRow("append after restore") << "a a r R a"
                                              << "1,2,3" << 0;
        QTest::newRow("delete restored") << "a a a r R d1 a"
                                         << "1,2,3" << 0;
    }
    void sequences()
    {
        QFETCH(QString, actions);
        QFETCH(QString, table);
        QFETCH(int, offered);

        auto journal = std::make_unique<Journal>();
        QCOMPARE(journal->open(path()), Journal::State::Open);
        QVector<Row> rows;
        int serial = 0;
        for (const QString& a : actions.split(QLatin1Char(' '))) {
            if (a == QLatin1String("a")) {
                const QStringList cells = cellsFor(serial, rows.size() + 1);
                const qint64 id = journal->append(cells, identity(), timeFor(serial++));
                QVERIFY(id > 0);
                rows << Row{id, cells};
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
                QVector<Row> restored;
                for (const Journal::Record& r : journal->restore())
                    restored << Row{r.id, r.cells};
                rows = restored + rows;
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

    void pendingSummaryAndRemark()
    {
        {
            Journal j;
            QCOMPARE(j.open(path()), Journal::State::Open);
            QVERIFY(j.append(cellsFor(3, 1), identity(), timeFor(3)) > 0);
            QVERIFY(j.append(cellsFor(9, 2), identity(), timeFor(9)) > 0);
            QVERIFY(j.setPendingRemark(QStringLiteral("第三相 ")));
        }
        {
            // A run that was closed before the question was answered.
            Journal j;
            QCOMPARE(j.open(path()), Journal::State::Open);
            QCOMPARE(j.pending().count, 2);
        }
        Journal j;
        QCOMPARE(j.open(path()), Journal::State::Open);
        const Journal::Pending p = j.pending();
        QCOMPARE(p.count, 2);
        QCOMPARE(p.first, timeFor(3));
        QCOMPARE(p.last, timeFor(9));
        QCOMPARE(p.remark, QStringLiteral("第三相 "));
    }

    // Every text comes back exactly, whatever the instrument filled it with.
    void textsKeptExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("NUL inside") << QString::fromUtf16(u"12.34\u0000\u0000 μΩ", 11);
        QTest::newRow("Latin-1 fill") << QString::fromLatin1("RV718A\xff\xfe\x01\x7f", 10);
        QTest::newRow("Chinese") << QStringLiteral("合格 母线A相");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + QStringLiteral("x");
        QTest::newRow("emoji") << QStringLiteral("x\U0001F600");
        QTest::newRow("empty") << QStringLiteral("");
        QTest::newRow("null") << QString();
        QTest::newRow("line breaks") << QStringLiteral("a\r\nb\tc");
        // SQLite takes these in front of a UTF-16 text for a byte-order mark.
        QTest::newRow("leading U+FEFF") << QString(QChar(0xFEFF)) + QStringLiteral("x");
        QTest::newRow("leading U+FFFE") << QString(QChar(0xFFFE)) + QStringLiteral("AB");
        QTest::newRow("U+FEFF twice") << QString(2, QChar(0xFEFF));
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
            QVERIFY(j.setPendingRemark(text + QStringLiteral(".")));
        }
        Journal j;
        QCOMPARE(j.open(path()), Journal::State::Open);
        QCOMPARE(j.pending().remark, text + QStringLiteral("."));
        const QVector<Journal::Record> back = j.restore();
        QCOMPARE(back.size(), 1);
        QCOMPARE(back.first().cells, cells);
        QCOMPARE(back.first().identity.name, who.name);
        QCOMPARE(back.first().identity.model, who.model);
        QCOMPARE(back.first().identity.version, who.version);
        QCOMPARE(back.first().recordedAt, at);
    }

    // Killed between two appends or in the middle of one: every record whose
    // append returned is there, whole, and no record is half there.
    void killedMidway()
    {
        Helper writer;
        writer.start({QStringLiteral("write"), path()});
        QTRY_VERIFY_WITH_TIMEOUT(writer.lines.size() >= 150, 60000);
        writer.process.kill();
        QVERIFY(writer.process.waitForFinished());
        writer.collectRest();

        const QHash<qint64, int> printed = appended(writer.lines);
        QVERIFY(printed.size() >= 150);
        const QList<int> serials = printed.values();
        const int lastSerial = *std::max_element(serials.cbegin(), serials.cend());

        Journal j;
        QCOMPARE(j.open(path()), Journal::State::Open);
        const QString remark = j.pending().remark;
        QVERIFY2(remark.startsWith(QLatin1String("typed ")) && remark.mid(6).toInt() >= lastSerial,
                 qPrintable(remark));
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
        QTest::newRow("folder of the kernel") << "proc";
        QTest::newRow("read-only folder and file") << "immutable";
    }
    void unusableLocation()
    {
        QFETCH(QString, kind);
        QString where;
        Immutable guard;
        if (kind == QLatin1String("file")) {
            QVERIFY(writeFile(dir.filePath("data"), "not a folder"));
            where = dir.filePath("data/journal.sqlite");
        } else if (kind == QLatin1String("proc")) {
            where = QStringLiteral("/proc/lt-journal-test.sqlite");
        } else {
            const QString folder = dir.filePath("locked");
            where = folder + QStringLiteral("/journal.sqlite");
            fill(where, 3);
            QVERIFY(!QFile::exists(where + QStringLiteral("-wal")));
            if (!setImmutable(where, true))
                QSKIP("this file system has no immutable attribute");
            guard.paths << where << folder;
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
        QTRY_VERIFY_WITH_TIMEOUT(holder.lines.contains("holding"), 20000);

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

    // A file that cannot be a journal is renamed, byte for byte, and a new
    // journal starts in its place.
    void unusableFileMovedAside_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("garbage") << "garbage"
                                 << "corrupt";
        QTest::newRow("damaged pages") << "damaged"
                                       << "corrupt";
        QTest::newRow("another database") << "foreign"
                                          << "unknown";
    }
    void unusableFileMovedAside()
    {
        QFETCH(QString, kind);
        QFETCH(QString, suffix);
        if (kind == QLatin1String("garbage")) {
            QByteArray noise;
            for (int i = 0; i < 8192; ++i)
                noise += char((i * 7919) >> 3);
            QVERIFY(writeFile(path(), noise));
        } else if (kind == QLatin1String("damaged")) {
            fill(path(), 400);
            QByteArray bytes = contents(path());
            QVERIFY(bytes.size() > 8 * 4096);
            bytes.replace(3 * 4096, 4 * 4096, QByteArray(4 * 4096, '\x55'));
            QVERIFY(writeFile(path(), bytes));
        } else {
            sql(path(), {"CREATE TABLE notes(text)", "INSERT INTO notes VALUES('keep me')"});
        }
        const QByteArray before = contents(path());
        QVERIFY(!before.isEmpty());

        Journal j;
        QSignalSpy moved(&j, &Journal::movedAside);
        QSignalSpy failed(&j, &Journal::failed);
        QCOMPARE(j.open(path()), Journal::State::Open);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(failed.count(), 0);
        const QString movedTo = moved.first().first().toString();
        QVERIFY2(QFileInfo(movedTo).fileName().startsWith("journal.sqlite." + suffix + "-"),
                 qPrintable(movedTo));
        QCOMPARE(contents(movedTo), before);
        QVERIFY(!moved.first().last().toString().isEmpty());
        QCOMPARE(j.pending().count, 0);
        QVERIFY(j.append(cellsFor(0, 1), identity()) > 0);
    }

    // Older files are brought up to date; a newer program's file is left as
    // it is and this run goes without a journal.
    void versions_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("opens");
        QTest::newRow("empty file") << "empty" << true;
        QTest::newRow("version 0 database") << "zero" << true;
        QTest::newRow("newer version") << "newer" << false;
    }
    void versions()
    {
        QFETCH(QString, kind);
        QFETCH(bool, opens);
        if (kind == QLatin1String("empty"))
            QVERIFY(writeFile(path(), QByteArray()));
        else if (kind == QLatin1String("zero"))
            sql(path(), {"CREATE TABLE t(x)", "DROP TABLE t", "PRAGMA user_version = 0"});
        else
            sql(path(), {"CREATE TABLE future(x)", "PRAGMA user_version = 99"});
        const QByteArray before = contents(path());
        {
            Journal j;
            QSignalSpy failed(&j, &Journal::failed);
            QSignalSpy moved(&j, &Journal::movedAside);
            QCOMPARE(j.open(path()) == Journal::State::Open, opens);
            QCOMPARE(moved.count(), 0);
            if (opens)
                QVERIFY(j.append(cellsFor(0, 1), identity()) > 0);
            else
                verifyOff(j, failed);
        }
        if (opens) {
            QCOMPARE(sql(path(), {"PRAGMA user_version"}).toInt(), 1);
            QCOMPARE(sql(path(), {"SELECT count(*) FROM records"}).toInt(), 1);
        } else {
            QCOMPARE(contents(path()), before);
        }
    }

    // The disk fills up in the middle of a run: told once, the records
    // written before are kept, and measuring goes on without the journal.
    void diskFullMidway()
    {
        Helper writer;
        writer.start({QStringLiteral("limit"), path(), QStringLiteral("204800")});
        QVERIFY(writer.process.waitForFinished(60000));
        writer.collectRest();
        QCOMPARE(writer.process.exitCode(), 0);
        QVERIFY(writer.lines.contains("failed 1 later 0 state 2"));
        const QHash<qint64, int> printed = appended(writer.lines);
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
