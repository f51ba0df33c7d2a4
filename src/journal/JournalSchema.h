#pragma once

#include <QSqlDatabase>
#include <QSqlError>

// The journal's tables and how an older file is brought up to date. The
// version lives in the file's user_version; every step from one version to
// the next runs in a transaction of its own, so a file is always at one
// version or the next, never in between.
namespace journalschema {

// The version this program writes. Version 0 is a file without our tables.
constexpr int kCurrentVersion = 3;

// Record states. A record is offered for restore while it is Live and its
// session is over.
enum RecordState
{
    Live = 0,      // in the live table, not exported
    Saved = 1,     // in the live table and exported
    Removed = 2,   // deleted or cleared by the operator
    Dismissed = 3, // not restored or closed without export: history only
};

enum class Kind
{
    Journal, // ours, at kCurrentVersion or older
    Newer,   // written by a newer program
    Foreign, // a database, but not a journal
    Failed,  // an SQL error; see the error
};

// The nine columns that hold the live table's cell texts, in table order.
const char* cellColumn(int column);

// Reads the file's version and tells what the file is. Writes nothing; for a
// new file it chooses UTF-16, so that every text (fill characters, NUL and
// even a lone surrogate) comes back exactly as stored, with no conversion.
Kind inspect(QSqlDatabase& db, int* version, QSqlError* error);

// Runs the steps from `version` up to kCurrentVersion.
bool upgrade(QSqlDatabase& db, int version, QSqlError* error);

} // namespace journalschema
