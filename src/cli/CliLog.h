#pragma once

#include <QLoggingCategory>

// Diagnostics of the command-line program (worker reports, waits). Off below
// warnings by default; QT_LOGGING_RULES="lt.cli.debug=true" shows them.
Q_DECLARE_LOGGING_CATEGORY(lcCli)
