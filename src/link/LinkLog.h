#pragma once

#include <QLoggingCategory>

// Diagnostics of the instrument link (frames, paths, open failures). Off
// below warnings by default; QT_LOGGING_RULES="lt.link.debug=true" shows them.
Q_DECLARE_LOGGING_CATEGORY(lcLink)
