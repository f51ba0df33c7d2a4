// Forwarding to a central database: which records wait for the server, and
// which revisions it took.
#include "Journal.h"
#include "JournalSql.h"

#include <QSqlDatabase>
#include <QSqlQuery>

QVector<Journal::Record> Journal::waiting(int limit)
{
    return records(QStringLiteral("revision <> forwarded"), {}, QStringLiteral("id"), limit);
}

int Journal::waitingCount()
{
    if (state_ != State::Open)
        return 0;
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("SELECT count(*) FROM records WHERE revision <> forwarded")) ||
        !q.next()) {
        failOn(q.lastError());
        return 0;
    }
    return q.value(0).toInt();
}

bool Journal::markForwarded(const QVector<Forwarded>& taken)
{
    if (taken.isEmpty())
        return state_ == State::Open;
    return inTransaction([&](QSqlDatabase& db, QSqlError* error) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("UPDATE records SET forwarded = ? WHERE uuid = ? "
                                 "AND forwarded < ?"));
        for (const Forwarded& f : taken) {
            q.addBindValue(f.revision);
            q.addBindValue(f.uuid);
            q.addBindValue(f.revision);
            if (!journalsql::exec(q, error))
                return false;
        }
        return true;
    });
}
