#include "ExportPaths.h"

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
    return folder + QStringLiteral("/data_") + time.toString(QStringLiteral("yyyyMMdd_hhmmss")) +
           QLatin1Char('.') + suffix;
}

} // namespace exportpaths
