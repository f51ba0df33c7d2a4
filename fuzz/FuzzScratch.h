#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>

// Where a target keeps the files it writes per input: in memory (/dev/shm)
// where there is such a folder, since the journal and QSettings sync every
// write to disk, which would otherwise set the pace of the fuzzer.
inline QString fuzzScratchBase()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}
