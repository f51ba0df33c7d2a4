// The hot-plug seam for the demo and the tests: the simulated bus's plug and
// unplug stand in for the operating system's device notifications.

#include "HotplugMonitor.h"

#include "SimBus.h"

struct HotplugMonitor::Private
{
};

HotplugMonitor::HotplugMonitor(QObject* parent) : QObject(parent)
{
    sim::SimBus& bus = sim::SimBus::instance();
    // Queued: the bus may be operated from another thread, and a removal must
    // reach the window after the bus has finished changing, as udev's would.
    connect(&bus, &sim::SimBus::deviceArrived, this, &HotplugMonitor::deviceArrived,
            Qt::QueuedConnection);
    connect(&bus, &sim::SimBus::deviceRemoved, this, &HotplugMonitor::deviceRemoved,
            Qt::QueuedConnection);
}

HotplugMonitor::~HotplugMonitor() = default;
