#include "LinkLog.h"

Q_LOGGING_CATEGORY(lcLink, "lt.link", QtInfoMsg)
