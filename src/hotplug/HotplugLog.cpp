#include "HotplugLog.h"

Q_LOGGING_CATEGORY(lcHotplug, "lt.hotplug", QtInfoMsg)
