#pragma once

#include <QLoggingCategory>

// Diagnostics of the records and reports: export paths, failed saves.
Q_DECLARE_LOGGING_CATEGORY(lcReports)
