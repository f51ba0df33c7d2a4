#pragma once

#include <QLoggingCategory>

// Diagnostics of the measurement journal: where it lives, why it is off,
// which file was set aside. Never shown to the operator as such.
Q_DECLARE_LOGGING_CATEGORY(lcJournal)
