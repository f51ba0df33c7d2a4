#include "ReportsLog.h"

Q_LOGGING_CATEGORY(lcReports, "lt.reports", QtInfoMsg)
