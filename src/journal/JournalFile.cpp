#include "JournalFile.h"

#include <QFile>
#include <QLocale>

namespace journalfile {
namespace {

const char* const kCompanions[] = {"-wal", "-journal"};

bool taken(const QString& name)
{
    if (QFile::exists(name))
        return true;
    for (const char* suffix : kCompanions) {
        if (QFile::exists(name + QLatin1String(suffix)))
            return true;
    }
    return false;
}

} // namespace

QString asideName(const QString& path, const QString& kind, const QDateTime& when)
{
    const QString base = path + QLatin1Char('.') + kind + QLatin1Char('-') +
                         QLocale::c().toString(when, QStringLiteral("yyyyMMdd-hhmmss"));
    QString name = base;
    for (int n = 2; taken(name); ++n)
        name = base + QLatin1Char('-') + QString::number(n);
    return name;
}

QString moveAside(const QString& path, const QString& kind, const QDateTime& when)
{
    QString target = asideName(path, kind, when);
    if (!QFile::rename(path, target))
        return QString();
    for (const char* suffix : kCompanions) {
        const QString companion = path + QLatin1String(suffix);
        if (QFile::exists(companion) && !QFile::rename(companion, target + QLatin1String(suffix)))
            return QString();
    }
    return target;
}

} // namespace journalfile
