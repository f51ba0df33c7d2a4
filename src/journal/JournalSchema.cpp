#include "JournalSchema.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace journalschema {
namespace {

const char* const kCellColumns[] = {
    "number",     "recorded",   "test_time", "current_set", "test_current",
    "resistance", "comparison", "result",    "remark",
};

bool run(QSqlQuery& q, const QString& sql, QSqlError* error)
{
    if (q.exec(sql))
        return true;
    *error = q.lastError();
    return false;
}

// 0 -> 1: sessions (one per program run, with the remark being typed) and
// records (the nine cell texts as shown, the instrument and the time).
bool createVersion1(QSqlQuery& q, QSqlError* error)
{
    QStringList cells;
    for (int c = 0; c < 9; ++c)
        cells << QString::fromLatin1(cellColumn(c)) + QStringLiteral(" TEXT NOT NULL");
    return run(q,
               QStringLiteral("CREATE TABLE sessions ("
                              "id INTEGER PRIMARY KEY AUTOINCREMENT,"
                              "started INTEGER NOT NULL,"
                              "remark TEXT NOT NULL DEFAULT '')"),
               error) &&
           run(q,
               QStringLiteral("CREATE TABLE records ("
                              "id INTEGER PRIMARY KEY AUTOINCREMENT,"
                              "session INTEGER NOT NULL REFERENCES sessions(id),"
                              "state INTEGER NOT NULL,"
                              "recorded_at INTEGER NOT NULL,"
                              "device_name TEXT NOT NULL,"
                              "device_model TEXT NOT NULL,"
                              "device_version TEXT NOT NULL,") +
                   cells.join(QLatin1Char(',')) + QLatin1Char(')'),
               error) &&
           run(q, QStringLiteral("CREATE INDEX records_by_state ON records(state, session)"),
               error);
}

// 1 -> 2: each record gets an identity of its own, made here and never
// changed (a copy of the record elsewhere is known by it), and what was
// measured: the object (an asset's name or number) and the measuring point on
// it. Records of version 1 get a fresh identity and no object.
bool addIdentityAndSubject(QSqlQuery& q, QSqlError* error)
{
    // A random (version 4) UUID in its usual text form.
    const QString uuid = QStringLiteral(
        "lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' ||"
        " substr(hex(randomblob(2)), 2) || '-' ||"
        " substr('89ab', 1 + (abs(random()) % 4), 1) || substr(hex(randomblob(2)), 2) ||"
        " '-' || hex(randomblob(6)))");
    return run(q, QStringLiteral("ALTER TABLE records ADD COLUMN uuid TEXT"), error) &&
           run(q, QStringLiteral("ALTER TABLE records ADD COLUMN object TEXT NOT NULL DEFAULT ''"),
               error) &&
           run(q, QStringLiteral("ALTER TABLE records ADD COLUMN point TEXT NOT NULL DEFAULT ''"),
               error) &&
           run(q, QStringLiteral("UPDATE records SET uuid = ") + uuid, error) &&
           run(q, QStringLiteral("CREATE UNIQUE INDEX records_by_uuid ON records(uuid)"), error) &&
           run(q, QStringLiteral("CREATE INDEX records_by_object ON records(object, point)"),
               error);
}

// 2 -> 3: records are forwarded to a central database when one is
// configured. A record's revision counts its changes and `forwarded` is the
// revision the server has; a record waits while they differ. The trigger
// counts every change, whichever call makes it, so a new kind of change is
// forwarded without anyone remembering to. Records of version 2 all wait.
bool addForwarding(QSqlQuery& q, QSqlError* error)
{
    return run(q,
               QStringLiteral("ALTER TABLE records ADD COLUMN revision INTEGER NOT NULL DEFAULT 1"),
               error) &&
           run(q,
               QStringLiteral(
                   "ALTER TABLE records ADD COLUMN forwarded INTEGER NOT NULL DEFAULT 0"),
               error) &&
           run(q,
               QStringLiteral("CREATE INDEX records_waiting ON records(id) "
                              "WHERE revision <> forwarded"),
               error) &&
           run(q,
               QStringLiteral("CREATE TRIGGER records_changed AFTER UPDATE ON records "
                              "WHEN NEW.revision = OLD.revision AND NEW.forwarded = OLD.forwarded "
                              "BEGIN UPDATE records SET revision = revision + 1 "
                              "WHERE id = NEW.id; END"),
               error);
}

using Step = bool (*)(QSqlQuery&, QSqlError*);
// steps[v] brings a file from version v to v + 1.
const Step kSteps[kCurrentVersion] = {createVersion1, addIdentityAndSubject, addForwarding};

bool scalar(QSqlQuery& q, const QString& sql, QVariant* value, QSqlError* error)
{
    if (!run(q, sql, error))
        return false;
    if (!q.next()) {
        *error = q.lastError();
        return false;
    }
    *value = q.value(0);
    q.finish();
    return true;
}

} // namespace

const char* cellColumn(int column)
{
    return kCellColumns[column];
}

Kind inspect(QSqlDatabase& db, int* version, QSqlError* error)
{
    QSqlQuery q(db);
    QVariant value;
    if (!scalar(q, QStringLiteral("PRAGMA page_count"), &value, error))
        return Kind::Failed;
    if (value.toInt() == 0) {
        // Only a file without a single page may be given its encoding: SQLite
        // would write the schema of a header-only file in the new encoding
        // under a header that still names the old one.
        *version = 0;
        return run(q, QStringLiteral("PRAGMA encoding = 'UTF-16le'"), error) ? Kind::Journal
                                                                             : Kind::Failed;
    }
    if (!scalar(q, QStringLiteral("PRAGMA user_version"), &value, error))
        return Kind::Failed;
    *version = value.toInt();
    if (*version > kCurrentVersion)
        return Kind::Newer;
    if (*version == 0) {
        if (!scalar(q, QStringLiteral("SELECT count(*) FROM sqlite_master"), &value, error))
            return Kind::Failed;
        if (value.toInt() > 0)
            return Kind::Foreign;
    }
    return Kind::Journal;
}

bool upgrade(QSqlDatabase& db, int version, QSqlError* error)
{
    QSqlQuery q(db);
    for (; version < kCurrentVersion; ++version) {
        if (!db.transaction()) {
            *error = db.lastError();
            return false;
        }
        if (!kSteps[version](q, error) ||
            !run(q, QStringLiteral("PRAGMA user_version = %1").arg(version + 1), error)) {
            db.rollback();
            return false;
        }
        if (!db.commit()) {
            *error = db.lastError();
            db.rollback();
            return false;
        }
    }
    return true;
}

} // namespace journalschema
