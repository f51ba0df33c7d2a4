#pragma once

#include <QLoggingCategory>

// Diagnostics of device arrival and removal ("lt.hotplug.debug=true" shows them).
Q_DECLARE_LOGGING_CATEGORY(lcHotplug)
