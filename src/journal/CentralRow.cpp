#include "CentralRow.h"

#include "JournalSchema.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace {

const char* const kSiColumns[] = {"test_time_s", "current_set_a", "test_current_a",
                                  "resistance_ohm", "comparison_ohm"};
const char* const kTailColumns[] = {"verdict", "model", "version",  "serial",
                                    "object",  "point", "exported", "deleted"};

// The server takes no NUL in a text; the instrument pads its texts with them.
QString serverText(const QString& s)
{
    QString out = s.isNull() ? QStringLiteral("") : s; // a null QString is bound as NULL
    out.remove(QChar(0));
    return out;
}

// The instrument fills its identity texts up with NUL and 0xFF bytes.
QString cleanIdentity(const QString& s)
{
    QString out;
    for (const QChar c : s) {
        if (c.isPrint() && c != QChar(0xFF))
            out += c;
    }
    return out.trimmed();
}

QStringList columns()
{
    QStringList all = {QStringLiteral("uuid"),        QStringLiteral("revision"),
                       QStringLiteral("station"),     QStringLiteral("operator"),
                       QStringLiteral("recorded_at"), QStringLiteral("utc_offset_s")};
    for (int c = 0; c < Journal::kColumns; ++c)
        all << QLatin1String(journalschema::cellColumn(c));
    for (const char* c : kSiColumns)
        all << QLatin1String(c);
    for (const char* c : kTailColumns)
        all << QLatin1String(c);
    return all;
}

} // namespace

QVariant CentralRow::siValue(const QString& cell, const QString& unit)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([-+]?\\d+(?:\\.\\d+)?)\\s*([uμµmk]?)(Ω|ohm|A|S)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(serverText(cell));
    if (!m.hasMatch() || m.captured(3).compare(unit, Qt::CaseInsensitive) != 0)
        return QVariant();
    const QString prefix = m.captured(2);
    const double value = m.captured(1).toDouble();
    // Divided, not multiplied by 1e-6: 120 μΩ is then the double nearest 0.00012.
    if (prefix.compare(QLatin1String("m"), Qt::CaseInsensitive) == 0)
        return value / 1e3;
    if (prefix.compare(QLatin1String("k"), Qt::CaseInsensitive) == 0)
        return value * 1e3;
    return prefix.isEmpty() ? value : value / 1e6;
}

CentralRow CentralRow::fromRecord(const Journal::Record& r, const QString& station,
                                  const QString& operatorName)
{
    CentralRow row;
    row.uuid = r.uuid;
    row.revision = r.revision;
    row.station = station;
    row.operatorName = operatorName;
    row.recordedAt = r.recordedAt.toUTC();
    row.utcOffsetS = r.recordedAt.toLocalTime().offsetFromUtc();
    for (const QString& cell : r.cells)
        row.cells << serverText(cell);
    const QString ohm = QStringLiteral("Ω");
    row.testTimeS = siValue(r.cells.value(2), QStringLiteral("S"));
    row.currentSetA = siValue(r.cells.value(3), QStringLiteral("A"));
    row.testCurrentA = siValue(r.cells.value(4), QStringLiteral("A"));
    row.resistanceOhm = siValue(r.cells.value(5), ohm);
    row.comparisonOhm = siValue(r.cells.value(6), ohm);
    const QString result = r.cells.value(7).trimmed().toUpper();
    if (result == QLatin1String("PASS") || result == QLatin1String("FAIL"))
        row.verdict = result.toLower();
    row.model = cleanIdentity(r.identity.model);
    row.version = cleanIdentity(r.identity.version);
    row.object = serverText(r.subject.object);
    row.point = serverText(r.subject.point);
    row.exported = r.saved;
    row.deleted = r.removed;
    return row;
}

QString CentralRow::upsertSql()
{
    const QStringList all = columns();
    QStringList updates;
    for (const QString& c : all.mid(1))
        updates << QStringLiteral("%1 = EXCLUDED.%1").arg(c);
    return QStringLiteral("INSERT INTO lt.records (%1) VALUES (?%2) ON CONFLICT (uuid) DO UPDATE "
                          "SET %3 WHERE lt.records.revision < EXCLUDED.revision")
        .arg(all.join(QStringLiteral(", ")), QStringLiteral(", ?").repeated(all.size() - 1),
             updates.join(QStringLiteral(", ")));
}

void CentralRow::bind(QSqlQuery& q) const
{
    const QVariant noNumber(QVariant::Double);
    q.addBindValue(uuid);
    q.addBindValue(revision);
    q.addBindValue(serverText(station));
    q.addBindValue(serverText(operatorName));
    q.addBindValue(recordedAt);
    q.addBindValue(utcOffsetS);
    for (const QString& cell : cells)
        q.addBindValue(serverText(cell));
    for (const QVariant& v : {testTimeS, currentSetA, testCurrentA, resistanceOhm, comparisonOhm})
        q.addBindValue(v.isNull() ? noNumber : v);
    q.addBindValue(verdict.isEmpty() ? QVariant(QVariant::String) : QVariant(verdict));
    for (const QString& s : {model, version, serial, object, point})
        q.addBindValue(serverText(s));
    q.addBindValue(exported);
    q.addBindValue(deleted);
}

QStringList CentralRow::exportKeys()
{
    QStringList keys = columns();
    keys.removeOne(QStringLiteral("revision"));
    keys.removeOne(QStringLiteral("deleted"));
    return keys;
}

QString CentralRow::exportSql()
{
    QStringList select = columns();
    select.replace(0, QStringLiteral("uuid::text"));
    select.replace(4, QStringLiteral("extract(epoch FROM recorded_at) * 1000"));
    return QStringLiteral("SELECT %1 FROM lt.records WHERE NOT deleted AND recorded_at BETWEEN "
                          "to_timestamp(? / 1000.0) AND to_timestamp(? / 1000.0) "
                          "AND (? = '' OR station = ?) AND (? = '' OR object = ?) "
                          "ORDER BY recorded_at, station")
        .arg(select.join(QStringLiteral(", ")));
}

CentralRow CentralRow::fromExportQuery(const QSqlQuery& q)
{
    CentralRow row;
    int i = 0;
    row.uuid = q.value(i++).toString();
    row.revision = q.value(i++).toInt();
    row.station = q.value(i++).toString();
    row.operatorName = q.value(i++).toString();
    row.recordedAt = QDateTime::fromMSecsSinceEpoch(qint64(q.value(i++).toDouble()), Qt::UTC);
    row.utcOffsetS = q.value(i++).toInt();
    for (int c = 0; c < Journal::kColumns; ++c)
        row.cells << q.value(i++).toString();
    QVariant* si[] = {&row.testTimeS, &row.currentSetA, &row.testCurrentA, &row.resistanceOhm,
                      &row.comparisonOhm};
    for (QVariant* v : si)
        *v = q.value(i++);
    row.verdict = q.value(i++).toString();
    for (QString* s : {&row.model, &row.version, &row.serial, &row.object, &row.point})
        *s = q.value(i++).toString();
    row.exported = q.value(i++).toBool();
    row.deleted = q.value(i++).toBool();
    return row;
}

QStringList CentralRow::exportFields() const
{
    QStringList f = {uuid, station, operatorName,
                     recordedAt.toOffsetFromUtc(utcOffsetS).toString(Qt::ISODateWithMs),
                     QString::number(utcOffsetS)};
    f << cells;
    for (const QVariant& v : {testTimeS, currentSetA, testCurrentA, resistanceOhm, comparisonOhm})
        f << (v.isNull() ? QString() : QString::number(v.toDouble(), 'g', 12));
    f << verdict << model << version << serial << object << point
      << (exported ? QStringLiteral("true") : QStringLiteral("false"));
    return f;
}
