#pragma once

#include "Journal.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class QSqlQuery;

// One record as the central database keeps it: the nine cell texts as the
// table showed them, the same values in SI units, the verdict, the
// instrument, the station and operator, the time in UTC with the station's
// offset, and whether the record was exported or deleted.
struct CentralRow
{
    QString uuid;
    int revision = 0;
    QString station;
    QString operatorName;
    QDateTime recordedAt; // UTC
    int utcOffsetS = 0;
    QStringList cells;
    QVariant testTimeS, currentSetA, testCurrentA, resistanceOhm, comparisonOhm; // null: none
    QString verdict; // "pass", "fail" or empty
    QString model, version, serial;
    QString object, point;
    bool exported = false;
    bool deleted = false;

    static CentralRow fromRecord(const Journal::Record& record, const QString& station,
                                 const QString& operatorName);

    // The value of a cell such as "12.5mΩ", "100A", "30S" in the SI unit
    // `unit` ("Ω", "A", "S"); a null QVariant when the cell holds none.
    static QVariant siValue(const QString& cell, const QString& unit);

    // The insert that keeps one row per identity: a repeated upload changes
    // nothing and an older revision never replaces a newer one.
    static QString upsertSql();
    void bind(QSqlQuery& upsert) const;

    // Reports: the column names of a row read back, and the query that reads
    // them (placeholders: from, to, station, object; an empty text matches all).
    static QStringList exportKeys();
    static QString exportSql();
    QStringList exportFields() const;
    static CentralRow fromExportQuery(const QSqlQuery& q);
};

Q_DECLARE_METATYPE(CentralRow)
