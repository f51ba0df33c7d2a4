#include "DialogSettings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcSettings, "lt.settings", QtInfoMsg)

QString dialogSettingsPath(const QString& fileName)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // An empty location (no home folder) would otherwise put the file at the
    // file system root.
    if (!folder.isEmpty() && QDir().mkpath(folder))
        return folder + QLatin1Char('/') + fileName;
    return QDir::tempPath() + QLatin1Char('/') + fileName;
}

std::unique_ptr<QSettings> openDialogSettings(const QString& fileName)
{
    const QString path = dialogSettingsPath(fileName);
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    qCDebug(lcSettings) << "settings file" << path;
    return settings;
}
