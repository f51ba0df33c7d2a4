#include "AppLog.h"

Q_LOGGING_CATEGORY(lcWindow, "lt.window", QtInfoMsg)
