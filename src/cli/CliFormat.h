#pragma once

#include "Records.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

// How loop-tester-cli prints what the instrument says: identities, live
// readings, the record of a finished test and the stored records, as text,
// CSV and JSON. Pure functions; numbers never depend on the user's locale.
class CliFormat
{
    Q_DECLARE_TR_FUNCTIONS(CliFormat)

public:
    // --- texts -------------------------------------------------------------
    // An instrument text fit for one field of output: fill bytes and other
    // control characters left out, blanks at either end trimmed.
    static QString clean(const QString& text);
    // A time as ISO 8601 with milliseconds and the offset from UTC.
    static QString isoTime(const QDateTime& time);

    // --- identity ----------------------------------------------------------
    struct Identity
    {
        QString path;
        QString usbPort;
        QString serial;
        QString model;
        QString version;
        QString error; // why it could not be read; empty when it was
    };
    // list: the five fields separated by tabs, "-" for an empty one.
    static QString identityLine(const Identity& identity);
    // info: one "name: value" line per field.
    static QString identityText(const Identity& identity);
    static QJsonObject identityJson(const Identity& identity);

    // --- live readings -----------------------------------------------------
    // "waiting", "testing", "complete" (what CSV and JSON carry).
    static QString stateName(int testState);
    // The time left in whole seconds, -1 when the instrument shows none.
    static int timeLeftSeconds(const ReceiveLiveData& reading);
    static QString readingText(const QDateTime& time, const ReceiveLiveData& reading);
    static QString readingCsvHeader();
    static QString readingCsv(const QDateTime& time, const ReceiveLiveData& reading);
    static QJsonObject readingJson(const QDateTime& time, const ReceiveLiveData& reading);

    // --- the record of a finished test: the live record table's row --------
    static QStringList liveRecordHeaders();
    static QStringList liveRecordKeys();
    // The row a test leaves: number, the time it was recorded, and the
    // reading that showed the test had ended.
    static QStringList liveRecordRow(int number, const QDateTime& recorded,
                                     const ReceiveLiveData& ending, const QString& remark);
    // The set time minus the time left shown ("S" removed; not a number
    // counts as 0), followed by "S".
    static QString elapsedTestTime(int setSeconds, const QString& timeLeftText);

    // --- stored records: the stored-data table -----------------------------
    static QStringList storedHeaders();
    static QStringList storedKeys();
    static QStringList storedRow(const ReceiveStorageData& record);

    // --- numbers for scripts -----------------------------------------------
    // The number in a display text, in SI units: "125.40 μΩ" gives 0.0001254,
    // "1.25mΩ" 0.00125, "19.946A" 19.946, "30S" 30. Null when the text holds
    // no number with one of these units ("OL", "LO", "----", empty).
    static QJsonValue siNumber(const QString& display);
    // A numeric column beside the display texts: its key, and the display
    // column it is the number of.
    struct NumberColumn
    {
        QString key;
        int from;
    };
    static QVector<NumberColumn> liveRecordNumbers();
    static QVector<NumberColumn> storedNumbers();
    // The stored-data table for scripts: the display columns, then the numbers.
    static QByteArray storedCsv(const QVector<QStringList>& rows);
    static QByteArray storedJson(const QVector<QStringList>& rows);

    // --- tables ------------------------------------------------------------
    // One CSV line (no line end): fields quoted where they need it.
    static QString csvLine(const QStringList& fields);
    // Header line and rows, UTF-8, each line ended by a line feed. A row
    // with fewer fields (a group not read) is filled up with empty ones;
    // the numbers follow, named by their keys, empty when there is none.
    static QByteArray csvTable(const QStringList& headers, const QVector<QStringList>& rows,
                               const QVector<NumberColumn>& numbers = {});
    // An array of objects with the given keys, one per row, UTF-8; the
    // numbers as JSON numbers, null when there is none.
    static QByteArray jsonTable(const QStringList& keys, const QVector<QStringList>& rows,
                                const QVector<NumberColumn>& numbers = {});
    static QJsonObject jsonRow(const QStringList& keys, const QStringList& row,
                               const QVector<NumberColumn>& numbers = {});
    // "header: value" lines.
    static QString labelledText(const QStringList& headers, const QStringList& row);
};
