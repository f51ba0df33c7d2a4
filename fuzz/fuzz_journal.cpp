// The journal opening a file that an earlier run (or something else) left,
// whose stored values are fuzzed, and reading its rows back: the restore
// question, the restore itself and this session's records. The file is made
// through SQLite with the fuzzed values bound as they are (NULL, integers,
// reals, texts with NUL and lone surrogates, blobs) in the journal's own
// tables or in look-alike tables that claim to be a journal; or the input's
// bytes are the file itself, which exercises the journal's handling of a file
// that is no database (set aside, a new journal started). The target is our
// code reading what SQLite hands back, not SQLite's file parser: SQLite is not
// instrumented and its own fuzzing is not repeated here.
//
// Checks: the journal ends Open or Failed, never throws or crashes; what the
// restore question counts is what restore() returns, nine cells a record, ids
// rising; nothing is offered twice; a record appended now reads back exactly,
// whatever its texts hold. (The journal makes its files UTF-16; a look-alike
// file in UTF-8, which only a person or another tool makes, cannot hold lone
// surrogates or U+FFFE/U+FFFF, and SQLite reads those back as U+FFFD: there
// the check is for the texts UTF-8 can hold.)
//
// Input:
//   mode:u8     0-1 our tables (written by the journal itself), 2 look-alike
//               tables, 3 the rest of the input is the file
//   (mode 2)    omit:u16  a bit per records column left out; kind:u8, % 4 the
//               file's user_version, / 4 % 3 its text encoding (UTF-8,
//               UTF-16le, UTF-16be)
//   sessions:u8 (% 4), each: started value, remark value
//   rows:u8 (% 9), each: session:u8, then 15 values for state, recorded_at,
//               the three identity texts and the nine cells
//   the rest:   nine cells of a record appended after the restore
// A value is a type byte (% 6: NULL, integer, real, UTF-16 text, blob, UTF-8
// text) and its payload (8 bytes, or a length byte and that many units).
#include "FuzzInput.h"
#include "FuzzScratch.h"
#include "Journal.h"
#include "JournalSchema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

QTemporaryDir* folder = nullptr;
bool utf8File = false; // the file of this input keeps its texts in UTF-8

QString journalPath()
{
    return folder->path() + QStringLiteral("/work/journal.sqlite");
}

QVariant value(FuzzInput& in)
{
    const int type = in.byte() % 6;
    switch (type) {
    case 0:
        return QVariant(QVariant::String); // binds SQL NULL
    case 1:
    case 2: {
        std::uint8_t raw[8];
        for (auto& b : raw)
            b = in.byte();
        if (type == 1) {
            qint64 i;
            std::memcpy(&i, raw, sizeof i);
            return QVariant(i);
        }
        double d;
        std::memcpy(&d, raw, sizeof d);
        return QVariant(d);
    }
    case 3: {
        QString s(in.byte(), Qt::Uninitialized);
        for (QChar& c : s)
            c = QChar(in.word());
        return s;
    }
    default: {
        std::size_t n = 0;
        const std::uint8_t* p = in.take(in.byte(), &n);
        const QByteArray bytes(reinterpret_cast<const char*>(p), int(n));
        return type == 4 ? QVariant(bytes) : QVariant(QString::fromUtf8(bytes));
    }
    }
}

QString text(FuzzInput& in)
{
    const QVariant v = value(in);
    return v.type() == QVariant::ByteArray ? QString::fromLatin1(v.toByteArray()) : v.toString();
}

QStringList recordColumns()
{
    QStringList columns{QStringLiteral("state"), QStringLiteral("recorded_at"),
                        QStringLiteral("device_name"), QStringLiteral("device_model"),
                        QStringLiteral("device_version")};
    for (int c = 0; c < Journal::kColumns; ++c)
        columns << QLatin1String(journalschema::cellColumn(c));
    return columns;
}

// Tables with the journal's names but loose types and no constraints, some
// records columns left out, and a version and text encoding the input chooses.
void makeLookAlike(QSqlQuery& q, std::uint16_t omit, int kind, QStringList* kept)
{
    const char* const encodings[] = {"UTF-8", "UTF-16le", "UTF-16be"};
    utf8File = (kind / 4) % 3 == 0;
    q.exec(QStringLiteral("PRAGMA encoding = '%1'").arg(QLatin1String(encodings[(kind / 4) % 3])));
    QStringList columns{QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT"),
                        QStringLiteral("session")};
    const QStringList all = recordColumns();
    for (int i = 0; i < all.size(); ++i)
        if (!(omit & (1u << i))) {
            columns << all.at(i);
            *kept << all.at(i);
        }
    q.exec(QStringLiteral("CREATE TABLE sessions (id INTEGER PRIMARY KEY AUTOINCREMENT, started, "
                          "remark)"));
    q.exec(QStringLiteral("CREATE TABLE records (%1)").arg(columns.join(QLatin1Char(','))));
    q.exec(QStringLiteral("PRAGMA user_version = %1").arg(kind % 4));
}

// Writes the earlier runs' file as the input describes it.
void makeFile(FuzzInput& in, int mode)
{
    const QString path = journalPath();
    if (mode == 3) {
        std::size_t n = 0;
        const std::uint8_t* p = in.take(in.remaining(), &n);
        QFile f(path);
        check(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(p), qint64(n));
        return;
    }
    QStringList columns = recordColumns();
    if (mode == 2) {
        columns.clear();
        const std::uint16_t omit = in.word();
        const int kind = in.byte();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "maker");
        db.setDatabaseName(path);
        check(db.open());
        QSqlQuery q(db);
        makeLookAlike(q, omit, kind, &columns);
    } else {
        Journal journal; // an empty journal with our tables, as a first run leaves it
        journal.open(path);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "maker");
        db.setDatabaseName(path);
        check(db.open());
    }
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("maker"));
        QSqlQuery q(db);
        const int sessions = in.byte() % 4;
        for (int s = 0; s < sessions; ++s) {
            q.prepare(QStringLiteral("INSERT INTO sessions (started, remark) VALUES (?, ?)"));
            q.addBindValue(value(in));
            q.addBindValue(value(in));
            q.exec();
        }
        const int rows = in.byte() % 9;
        const QString insert = QStringLiteral("INSERT INTO records (session, %1) VALUES (?%2)")
                                   .arg(columns.join(QLatin1Char(',')),
                                        QStringLiteral(", ?").repeated(columns.size()));
        for (int r = 0; r < rows; ++r) {
            q.prepare(insert);
            q.addBindValue(int(in.byte()));
            for (int c = 0; c < columns.size(); ++c)
                q.addBindValue(value(in));
            q.exec(); // a row our schema refuses (NULL in a NOT NULL column) is left out
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maker"));
}

// What was appended and what was read back: the same text, but for what a
// UTF-8 file cannot hold.
void checkKept(const QString& appended, const QString& read)
{
    if (utf8File) {
        for (QChar c : appended)
            if (c.isSurrogate() || c.unicode() >= 0xFFFE)
                return;
    }
    check(read == appended);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int argc = 1;
    static char name[] = "fuzz_journal";
    static char* argv[] = {name, nullptr};
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    new QCoreApplication(argc, argv);
    // Removed when the process ends normally.
    static QTemporaryDir scratch(fuzzScratchBase() + QStringLiteral("/fuzz_journal-XXXXXX"));
    check(scratch.isValid());
    folder = &scratch;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QDir work(folder->path() + QStringLiteral("/work"));
    work.removeRecursively();
    check(work.mkpath(QStringLiteral(".")));

    FuzzInput in(data, size);
    utf8File = false;
    makeFile(in, in.byte() % 4);

    Journal journal;
    const Journal::State state = journal.open(journalPath());
    check(state == Journal::State::Open || state == Journal::State::Failed);
    if (state != Journal::State::Open)
        return 0;

    const Journal::Pending pending = journal.pending();
    check(pending.count >= 0);
    const QVector<Journal::Record> restored = journal.restore();
    if (journal.state() != Journal::State::Open)
        return 0;
    check(restored.size() == pending.count);
    qint64 lastId = -1;
    for (const Journal::Record& r : restored) {
        check(r.cells.size() == Journal::kColumns && r.id > lastId && !r.saved);
        lastId = r.id;
    }
    check(journal.pending().count == 0 || journal.state() != Journal::State::Open);

    QStringList cells;
    for (int c = 0; c < Journal::kColumns; ++c)
        cells << text(in);
    const Journal::Identity identity{text(in), text(in), text(in)};
    const qint64 id = journal.append(cells, identity);
    const QVector<Journal::Record> mine = journal.sessionRecords();
    if (journal.state() != Journal::State::Open)
        return 0;
    // The restored records are this session's now, in their order. (A file may
    // also hold rows that name this session's number before it existed; they
    // show too, so the check is for inclusion.)
    check(id > 0 && mine.size() >= restored.size() + 1);
    int at = 0;
    for (const Journal::Record& r : restored) {
        while (at < mine.size() && mine.at(at).id != r.id)
            ++at;
        check(at < mine.size() && mine.at(at).cells == r.cells);
    }
    // Every text comes back exactly as it was kept, NUL and lone surrogates included.
    const Journal::Record& last = mine.last();
    check(last.id == id && last.cells.size() == Journal::kColumns);
    for (int c = 0; c < Journal::kColumns; ++c)
        checkKept(cells.at(c), last.cells.at(c));
    checkKept(identity.name, last.identity.name);
    checkKept(identity.model, last.identity.model);
    checkKept(identity.version, last.identity.version);
    return 0;
}
