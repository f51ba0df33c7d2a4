#pragma once

#include <QLoggingCategory>
#include <QString>

#include <memory>

class QSettings;

// Diagnostics of the settings files: paths and values ("lt.settings.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcSettings)

// Full path of a dialog's settings file: in the writable application-data
// folder, or in the temporary folder when that folder cannot be created.
QString dialogSettingsPath(const QString& fileName);

// Opens a dialog's settings file as an INI file with UTF-8 text, so that
// Chinese values are stored readably and read back unchanged.
std::unique_ptr<QSettings> openDialogSettings(const QString& fileName);
