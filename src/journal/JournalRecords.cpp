// The records of this run's session, written as the live table changes and
// read back in table order, and the unexported records of earlier sessions
// offered back at start-up.
#include "Journal.h"
#include "JournalLog.h"
#include "JournalSchema.h"
#include "JournalSql.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace {

QString recordColumns()
{
    QString columns = QStringLiteral("id, state, recorded_at, device_name, device_model, "
                                     "device_version");
    for (int c = 0; c < Journal::kColumns; ++c)
        columns += QStringLiteral(", ") + QLatin1String(journalschema::cellColumn(c));
    return columns + QStringLiteral(", uuid, object, point, revision");
}

// The records matching `where` (its placeholders bound to `values`) in the
// order `orderBy` names.
bool readRecords(const QSqlDatabase& db, const QString& where, QVector<Journal::Record>* out,
                 QSqlError* error, const QVariantList& values = {},
                 const QString& orderBy = QStringLiteral("id"), int limit = -1)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    bool ran = q.prepare(QStringLiteral("SELECT %1 FROM records WHERE %2 ORDER BY %3 LIMIT %4")
                             .arg(recordColumns(), where, orderBy)
                             .arg(limit));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!ran || !q.exec()) {
        *error = q.lastError();
        return false;
    }
    while (q.next()) {
        Journal::Record r;
        r.id = q.value(0).toLongLong();
        r.saved = q.value(1).toInt() == journalschema::Saved;
        r.removed = q.value(1).toInt() == journalschema::Removed;
        r.recordedAt = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong(), Qt::UTC);
        r.identity = {q.value(3).toString(), q.value(4).toString(), q.value(5).toString()};
        r.cells.reserve(Journal::kColumns);
        for (int c = 0; c < Journal::kColumns; ++c)
            r.cells << q.value(6 + c).toString();
        r.uuid = q.value(6 + Journal::kColumns).toString();
        r.subject = {q.value(7 + Journal::kColumns).toString(),
                     q.value(8 + Journal::kColumns).toString()};
        r.revision = q.value(9 + Journal::kColumns).toInt();
        *out << r;
    }
    if (q.lastError().isValid()) {
        *error = q.lastError();
        return false;
    }
    return true;
}

// Sets the first cell of each record; rows whose text is already that are
// left alone.
bool renumberIn(QSqlDatabase& db, qint64 session, const QHash<qint64, QString>& firstCells,
                QSqlError* error)
{
    QSqlQuery renumber(db);
    renumber.prepare(QStringLiteral("UPDATE records SET %1 = ? WHERE id = ? AND session = ? "
                                    "AND %1 IS NOT ?")
                         .arg(QLatin1String(journalschema::cellColumn(0))));
    for (auto it = firstCells.cbegin(); it != firstCells.cend(); ++it) {
        renumber.addBindValue(journalsql::sqlText(it.value()));
        renumber.addBindValue(it.key());
        renumber.addBindValue(session);
        renumber.addBindValue(journalsql::sqlText(it.value()));
        if (!journalsql::exec(renumber, error))
            return false;
    }
    return true;
}

} // namespace

qint64 Journal::append(const QStringList& cells, const Identity& identity,
                       const QDateTime& recordedAt, const Subject& subject)
{
    if (state_ != State::Open)
        return -1;
    if (cells.size() != kColumns) {
        qCWarning(lcJournal) << "a record needs" << kColumns << "cells, not" << cells.size();
        return -1;
    }
    QSqlQuery& q = *appendQuery_;
    q.addBindValue(session_);
    q.addBindValue(int(journalschema::Live));
    q.addBindValue(recordedAt.toMSecsSinceEpoch());
    q.addBindValue(journalsql::sqlText(identity.name));
    q.addBindValue(journalsql::sqlText(identity.model));
    q.addBindValue(journalsql::sqlText(identity.version));
    for (const QString& cell : cells)
        q.addBindValue(journalsql::sqlText(cell));
    q.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
    q.addBindValue(journalsql::sqlText(subject.object));
    q.addBindValue(journalsql::sqlText(subject.point));
    // A single statement outside a transaction is a transaction of its own.
    if (!q.exec()) {
        const QSqlError error = q.lastError();
        failOn(error);
        return -1;
    }
    const qint64 id = q.lastInsertId().toLongLong();
    q.finish();
    emit changed();
    return id;
}

bool Journal::setRemark(qint64 id, const QString& text)
{
    return update(QStringLiteral("UPDATE records SET %1 = ?, state = ? WHERE id = ? AND "
                                 "session = ? AND state IN (?, ?)")
                      .arg(QLatin1String(journalschema::cellColumn(kColumns - 1))),
                  {journalsql::sqlText(text), int(journalschema::Live), id, session_,
                   int(journalschema::Live), int(journalschema::Saved)});
}

bool Journal::renumber(const QHash<qint64, QString>& firstCells)
{
    if (firstCells.isEmpty())
        return state_ == State::Open;
    return inTransaction([&](QSqlDatabase& db, QSqlError* error) {
        return renumberIn(db, session_, firstCells, error);
    });
}

bool Journal::remove(const QVector<qint64>& ids, const QHash<qint64, QString>& firstCells)
{
    return inTransaction([&](QSqlDatabase& db, QSqlError* error) {
        QSqlQuery drop(db);
        drop.prepare(QStringLiteral("UPDATE records SET state = ? WHERE id = ? AND session = ? "
                                    "AND state IN (?, ?)"));
        for (qint64 id : ids) {
            drop.addBindValue(int(journalschema::Removed));
            drop.addBindValue(id);
            drop.addBindValue(session_);
            drop.addBindValue(int(journalschema::Live));
            drop.addBindValue(int(journalschema::Saved));
            if (!journalsql::exec(drop, error))
                return false;
        }
        return renumberIn(db, session_, firstCells, error);
    });
}

bool Journal::clear()
{
    // Emptying the table is not saying the measurements were wrong (that is
    // what deleting a row says): they stay in the object's history.
    return update(QStringLiteral("UPDATE records SET state = ? WHERE session = ? "
                                 "AND state IN (?, ?)"),
                  {int(journalschema::Dismissed), session_, int(journalschema::Live),
                   int(journalschema::Saved)});
}

bool Journal::markSaved()
{
    return update(QStringLiteral("UPDATE records SET state = ? WHERE session = ? AND state = ?"),
                  {int(journalschema::Saved), session_, int(journalschema::Live)});
}

bool Journal::dismissUnsaved()
{
    return update(QStringLiteral("UPDATE records SET state = ? WHERE session = ? AND state = ?"),
                  {int(journalschema::Dismissed), session_, int(journalschema::Live)});
}

QVector<Journal::Record> Journal::sessionRecords()
{
    return records(QStringLiteral("session = %1 AND state IN (%2, %3)")
                       .arg(session_)
                       .arg(int(journalschema::Live))
                       .arg(int(journalschema::Saved)));
}

QVector<Journal::Record> Journal::records(const QString& where, const QVariantList& values,
                                          const QString& orderBy, int limit)
{
    QVector<Record> out;
    if (state_ != State::Open)
        return out;
    QSqlError error;
    if (!readRecords(database(), where, &out, &error, values, orderBy, limit)) {
        failOn(error);
        out.clear();
    }
    return out;
}

Journal::Pending Journal::pending()
{
    Pending p;
    if (state_ != State::Open)
        return p;
    QSqlError error;
    {
        QSqlQuery q(database());
        const bool prepared = q.prepare(
            QStringLiteral("SELECT n, first, last, (SELECT remark FROM sessions WHERE id = s) "
                           "FROM (SELECT count(*) AS n, min(recorded_at) AS first, "
                           "max(recorded_at) AS last, max(session) AS s "
                           "FROM records WHERE state = ? AND session <> ?)"));
        q.addBindValue(int(journalschema::Live));
        q.addBindValue(session_);
        if (prepared && q.exec() && q.next() && q.value(0).toInt() > 0) {
            p.count = q.value(0).toInt();
            p.first = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong());
            p.last = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong());
            p.remark = q.value(3).toString();
        }
        error = q.lastError();
    }
    if (error.isValid()) {
        failOn(error);
        return Pending();
    }
    return p;
}

QVector<Journal::Record> Journal::restore()
{
    const QString earlier =
        QStringLiteral("state = %1 AND session <> %2").arg(int(journalschema::Live)).arg(session_);
    QVector<Record> out;
    // Read and moved in one transaction: what is returned is what moved.
    const bool moved = inTransaction([&](QSqlDatabase& db, QSqlError* error) {
        if (!readRecords(db, earlier, &out, error))
            return false;
        QSqlQuery q(db);
        q.prepare(QStringLiteral("UPDATE records SET session = ? WHERE ") + earlier);
        q.addBindValue(session_);
        return journalsql::exec(q, error);
    });
    if (!moved)
        out.clear();
    return out;
}

bool Journal::decline()
{
    return update(QStringLiteral("UPDATE records SET state = ? WHERE state = ? AND session <> ?"),
                  {int(journalschema::Dismissed), int(journalschema::Live), session_});
}
