#pragma once

#include <QLoggingCategory>

// Diagnostics of the window: settings frames sent, export paths
// ("lt.window.debug=true" shows them).
Q_DECLARE_LOGGING_CATEGORY(lcWindow)
