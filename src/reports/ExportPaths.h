#pragma once

#include <QDateTime>
#include <QString>

// Where exports are proposed: one folder per instrument model in the user's
// documents, a file name stamped with the time of the export.
namespace exportpaths {

// "RV718A_data" when the model text contains "RV718A" (case-sensitive, fill
// characters allowed around it), otherwise "RV718B_data" (also for an empty
// model: no identity received yet).
QString modelFolderName(const QString& model);

// The documents location followed by the model folder.
QString modelFolder(const QString& model);

// folder + "/data_" + time as yyyyMMdd_hhmmss + "." + suffix, in ASCII
// digits whatever the locale.
QString defaultFileName(const QString& folder, const QDateTime& time, const QString& suffix);

// The name with "." + suffix added unless it already ends so (in any case);
// an empty name (a cancelled dialog) stays empty.
QString withSuffix(const QString& name, const QString& suffix);

} // namespace exportpaths
