#pragma once

#include <QDateTime>
#include <QString>

// A journal file that cannot be used is renamed, never deleted: the records
// in it may still be read by hand.
namespace journalfile {

// "<path>.<kind>-yyyyMMdd-hhmmss", or with "-2", "-3" ... added when a file
// of that name (or one of its companions) is already there.
QString asideName(const QString& path, const QString& kind, const QDateTime& when);

// Renames the journal and its companions (the write-ahead log and the
// rollback journal, which belong to this file and must not be replayed into
// a new one) to asideName(). Returns the new name of the journal itself, or
// an empty string when it could not be renamed.
QString moveAside(const QString& path, const QString& kind,
                  const QDateTime& when = QDateTime::currentDateTime());

} // namespace journalfile
