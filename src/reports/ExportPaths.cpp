#include "ExportPaths.h"

#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace exportpaths {

QString modelFolderName(const QString& model)
{
    return model.contains(QLatin1String("RV718A")) ? QStringLiteral("RV718A_data")
                                                   : QStringLiteral("RV718B_data");
}

QString modelFolder(const QString& model)
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QLatin1Char('/') +
           modelFolderName(model);
}

QString defaultFileName(const QString& folder, const QDateTime& time, const QString& suffix)
{
    return folder + QStringLiteral("/data_") +
           QLocale::c().toString(time, QStringLiteral("yyyyMMdd_hhmmss")) + QLatin1Char('.') +
           suffix;
}

QString withSuffix(const QString& name, const QString& suffix)
{
    if (name.isEmpty() || QFileInfo(name).suffix().compare(suffix, Qt::CaseInsensitive) == 0)
        return name;
    return name + QLatin1Char('.') + suffix;
}

} // namespace exportpaths
