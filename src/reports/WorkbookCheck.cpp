#include "WorkbookCheck.h"

#include "XmlNestingCheck.h"

#include <QFile>
#include <QScopeGuard>

#include <unzip.h>

namespace workbookcheck {
namespace {

// Unpacks the zip's current part in chunks, feeding XML parts to the check as
// they come, so a large sheet is never held whole in memory.
QString partProblem(unzFile zip, bool xml)
{
    if (unzOpenCurrentFile(zip) != UNZ_OK)
        return QStringLiteral("cannot be unpacked");
    XmlNestingCheck nesting;
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    QString problem;
    for (;;) {
        const int n = unzReadCurrentFile(zip, chunk.data(), unsigned(chunk.size()));
        if (n < 0) {
            problem = QStringLiteral("unpacking failed (%1)").arg(n);
            break;
        }
        if (n == 0)
            break;
        if (xml)
            nesting.feed(chunk.constData(), n);
    }
    const int closed = unzCloseCurrentFile(zip);
    if (!problem.isEmpty())
        return problem;
    if (closed == UNZ_CRCERROR)
        return QStringLiteral("checksum mismatch");
    if (closed != UNZ_OK)
        return QStringLiteral("cannot be unpacked (%1)").arg(closed);
    return xml ? nesting.problem() : QString();
}

} // namespace

QString problemIn(const QString& path)
{
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    if (!zip)
        return QStringLiteral("not a zip package");
    const auto closeZip = qScopeGuard([zip] { unzClose(zip); });

    int parts = 0;
    for (int at = unzGoToFirstFile(zip); at != UNZ_END_OF_LIST_OF_FILE; at = unzGoToNextFile(zip)) {
        if (at != UNZ_OK)
            return QStringLiteral("damaged zip directory (%1)").arg(at);
        char name[512];
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            return QStringLiteral("damaged zip directory");
        const QString part = QString::fromUtf8(name);
        const bool xml =
            part.endsWith(QLatin1String(".xml")) || part.endsWith(QLatin1String(".rels"));
        const QString problem = partProblem(zip, xml);
        if (!problem.isEmpty())
            return part + QStringLiteral(": ") + problem;
        ++parts;
    }
    return parts ? QString() : QStringLiteral("empty zip package");
}

} // namespace workbookcheck
