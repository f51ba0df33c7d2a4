// The hot-plug seam for the demo and the tests: the simulated bus's plug and
// unplug stand in for the operating system's device notifications. Like the
// udev monitor, it reports instruments only (vendor 1a86, product e429).

#include "HotplugMonitor.h"

#include "SimBus.h"

struct HotplugMonitor::Private
{
};

namespace {

bool isInstrument(quint16 vendorId, quint16 productId)
{
    return vendorId == sim::kVendorId && productId == sim::kProductId;
}

} // namespace

HotplugMonitor::HotplugMonitor(QObject* parent) : QObject(parent)
{
    sim::SimBus& bus = sim::SimBus::instance();
    // Queued: the bus may be operated from another thread, and a removal must
    // reach the window after the bus has finished changing, as udev's would.
    connect(
        &bus, &sim::SimBus::deviceArrived, this,
        [this](const QString&, quint16 vendorId, quint16 productId) {
            if (isInstrument(vendorId, productId))
                emit deviceArrived();
        },
        Qt::QueuedConnection);
    connect(
        &bus, &sim::SimBus::deviceRemoved, this,
        [this](const QString& path, quint16 vendorId, quint16 productId) {
            if (isInstrument(vendorId, productId))
                emit deviceRemoved(path);
        },
        Qt::QueuedConnection);
}

HotplugMonitor::~HotplugMonitor() = default;
