#include "DialogSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <new>

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
    auto load = [&path] {
        auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
        settings->setIniCodec("UTF-8");
        settings->allKeys(); // reads every value now, not at the dialog's first look-up
        return settings;
    };
    qCDebug(lcSettings) << "settings file" << path;
    try {
        return load();
    } catch (const std::bad_alloc&) {
        // QSettings turns an "@Variant(...)" value into a value of any type;
        // in a damaged or foreign file one can ask for more memory than there
        // is, and the bad_alloc would end the program. Ours hold plain numbers
        // and texts: such a file is kept aside and the dialog starts afresh.
        const QString aside = path + QStringLiteral(".unreadable");
        QFile::remove(aside);
        const bool moved = QFile::rename(path, aside) || !QFile::remove(path);
        qCWarning(lcSettings).noquote() << "settings file" << path << "cannot be read;"
                                        << (moved ? "kept as " + aside : QStringLiteral("removed"));
    }
    return load();
}
