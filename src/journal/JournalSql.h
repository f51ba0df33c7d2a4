#pragma once

// What the journal's own files share in talking to SQLite: the result codes
// the driver reports, texts bound as they are, and a change made in one
// transaction. Not for use outside the journal.
#include "Journal.h"

#include <QChar>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

namespace journalsql {

// SQLite's primary result codes, as the driver reports them.
enum SqliteCode
{
    kPerm = 3,
    kBusy = 5,
    kLocked = 6,
    kReadOnly = 8,
    kIoErr = 10,
    kCorrupt = 11,
    kFull = 13,
    kCantOpen = 14,
    kNotADb = 26,
};

inline int sqliteCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

// A null QString would be bound as SQL NULL; the table holds texts. SQLite
// takes a U+FEFF or U+FFFE in front of a UTF-16 text for a byte-order mark:
// it drops it, and after U+FFFE reads the rest byte-swapped. A mark of our
// own in front is the one it drops, so the text is stored as it is.
inline QString sqlText(const QString& s)
{
    if (s.isNull())
        return QStringLiteral("");
    if (s.startsWith(QChar(0xFEFF)) || s.startsWith(QChar(0xFFFE)))
        return QChar(0xFEFF) + s;
    return s;
}

inline bool exec(QSqlQuery& q, QSqlError* error)
{
    if (q.exec())
        return true;
    *error = q.lastError();
    return false;
}

} // namespace journalsql

// Runs `work(db, error)` in one transaction; on any error the transaction is
// rolled back and the journal goes off.
template <typename Work> bool Journal::inTransaction(Work work)
{
    if (state_ != State::Open)
        return false;
    QSqlError error;
    {
        QSqlDatabase db = database();
        if (!db.transaction()) {
            error = db.lastError();
        } else if (!work(db, &error)) {
            db.rollback();
        } else if (!db.commit()) {
            error = db.lastError();
            db.rollback();
        }
    }
    if (error.isValid()) {
        failOn(error);
        return false;
    }
    emit changed();
    return true;
}
