#include "JournalLog.h"

Q_LOGGING_CATEGORY(lcJournal, "lt.journal", QtInfoMsg)
