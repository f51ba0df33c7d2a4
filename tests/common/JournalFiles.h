#pragma once

#include "Journal.h"

#include <QFile>
#include <QString>

// The window keeps a journal in the (test-mode) data folder; each test starts
// from none, so no earlier test's records are offered back.
inline void removeJournalFiles(const QString& path = Journal::defaultPath())
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}
