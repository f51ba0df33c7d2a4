#include "CliLog.h"

Q_LOGGING_CATEGORY(lcCli, "lt.cli", QtWarningMsg)
