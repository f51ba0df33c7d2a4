// The journal read as the history of what was measured: the objects, the
// records of one object over time, and the records of a time range for
// reports.
#include "Journal.h"
#include "JournalSchema.h"

#include <QSqlQuery>

QStringList Journal::objects()
{
    QStringList out;
    if (state_ != State::Open)
        return out;
    QSqlError error;
    {
        QSqlQuery q(database());
        q.setForwardOnly(true);
        // From the object index alone (an object's newest record is the one
        // with the highest id), then one look per object for a record that
        // was not deleted: reading every record's time and state instead
        // takes several times longer with 100,000 records.
        const bool prepared = q.prepare(QStringLiteral(
            "SELECT object FROM (SELECT object, max(id) AS newest FROM records "
            "INDEXED BY records_by_object WHERE object <> '' GROUP BY object) AS o "
            "WHERE EXISTS (SELECT 1 FROM records AS r WHERE r.object = o.object AND r.state <> ?) "
            "ORDER BY newest DESC"));
        q.addBindValue(int(journalschema::Removed));
        if (prepared && q.exec()) {
            while (q.next())
                out << q.value(0).toString();
        }
        error = q.lastError();
    }
    if (error.isValid()) {
        failOn(error);
        out.clear();
    }
    return out;
}

QVector<Journal::Record> Journal::objectRecords(const QString& object, const QDateTime& from,
                                                const QDateTime& to)
{
    QString where = QStringLiteral("object = ? AND state <> ?");
    QVariantList values = {object, int(journalschema::Removed)};
    if (from.isValid()) {
        where += QStringLiteral(" AND recorded_at >= ?");
        values << from.toMSecsSinceEpoch();
    }
    if (to.isValid()) {
        where += QStringLiteral(" AND recorded_at <= ?");
        values << to.toMSecsSinceEpoch();
    }
    return records(where, values, QStringLiteral("recorded_at, id"));
}

QVector<Journal::Record> Journal::recordedBetween(const QDateTime& from, const QDateTime& to,
                                                  const QString& object)
{
    QString where = QStringLiteral("recorded_at BETWEEN %1 AND %2 AND state <> %3")
                        .arg(from.toMSecsSinceEpoch())
                        .arg(to.toMSecsSinceEpoch())
                        .arg(int(journalschema::Removed));
    if (!object.isEmpty()) {
        QString quoted = object;
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        where += QStringLiteral(" AND object = '%1'").arg(quoted);
    }
    return records(where);
}
