#include "SimBus.h"

#include "BusState.h"
#include "SimInstrument.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QMutexLocker>
#include <QThread>

#include <algorithm>

namespace sim {

BusState& busState()
{
    static BusState state;
    return state;
}

BusState::~BusState()
{
    // Each facade holds its core; the core's back pointer would keep both alive.
    for (const auto& core : instruments) {
        delete core->facade;
        core->facade = nullptr;
    }
}

std::shared_ptr<InstrumentCore> BusState::plugged(const QString& path) const
{
    for (const auto& core : instruments)
        if (core->plugged && core->path == path)
            return core;
    return nullptr;
}

QString BusState::freeHidrawPath() const
{
    for (int n = 0;; ++n) {
        QString path = QStringLiteral("/dev/hidraw%1").arg(n);
        const bool taken =
            plugged(path) || std::any_of(handles.begin(), handles.end(), [&](const hid_device* h) {
                return !h->stale && QString::fromStdString(h->pathText) == path;
            });
        if (!taken)
            return path;
    }
}

int BusState::openHandleCount() const
{
    int n = 0;
    for (const hid_device* h : handles)
        n += h->stale ? 0 : 1;
    return n;
}

void notifyChanged(const InstrumentCore& core)
{
    if (SimInstrument* facade = core.facade)
        QMetaObject::invokeMethod(
            facade, [facade] { emit facade->changed(); }, Qt::QueuedConnection);
}

SimBus& SimBus::instance()
{
    // Never deleted: hidapi calls may still arrive while statics are torn down.
    static SimBus* bus = [] {
        auto* b = new SimBus;
        if (QCoreApplication* app = QCoreApplication::instance())
            b->moveToThread(app->thread());
        return b;
    }();
    return *bus;
}

SimBus::SimBus() = default;
SimBus::~SimBus() = default;

SimInstrument* SimBus::attach(Model model, quint16 vendorId, quint16 productId)
{
    auto core = std::make_shared<InstrumentCore>(model);
    auto* facade = new SimInstrument(core);
    QString path;
    {
        BusState& s = busState();
        QMutexLocker lock(&s.mutex);
        core->vendorId = vendorId;
        core->productId = productId;
        core->model.setEpoch(s.epoch);
        core->facade = facade;
        core->path = path = s.freeHidrawPath();
        core->plugged = true;
        ++core->plugGeneration;
        s.instruments.push_back(core);
    }
    emit deviceArrived(path, vendorId, productId);
    return facade;
}

void SimBus::detach(SimInstrument* instrument)
{
    if (!instrument)
        return;
    QString removedPath;
    quint16 vendorId = 0;
    quint16 productId = 0;
    {
        BusState& s = busState();
        QMutexLocker lock(&s.mutex);
        const auto& core = instrument->core;
        if (core->plugged)
            removedPath = core->path;
        vendorId = core->vendorId;
        productId = core->productId;
        core->plugged = false;
        core->path.clear();
        core->facade = nullptr;
        s.instruments.erase(std::remove(s.instruments.begin(), s.instruments.end(), core),
                            s.instruments.end());
        s.inputArrived.wakeAll();
    }
    delete instrument;
    if (!removedPath.isEmpty())
        emit deviceRemoved(removedPath, vendorId, productId);
}

bool SimBus::unplug(const QString& path)
{
    SimInstrument* facade = nullptr;
    quint16 vendorId = 0;
    quint16 productId = 0;
    {
        BusState& s = busState();
        QMutexLocker lock(&s.mutex);
        const auto core = s.plugged(path);
        if (!core)
            return false;
        vendorId = core->vendorId;
        productId = core->productId;
        core->plugged = false;
        core->path.clear();
        facade = core->facade;
        s.inputArrived.wakeAll(); // reads waiting on it return -1 now
    }
    if (facade)
        emit facade->changed();
    emit deviceRemoved(path, vendorId, productId);
    return true;
}

bool SimBus::replug(SimInstrument* instrument)
{
    if (!instrument)
        return false;
    QString path;
    quint16 vendorId = 0;
    quint16 productId = 0;
    {
        BusState& s = busState();
        QMutexLocker lock(&s.mutex);
        const auto& core = instrument->core;
        if (core->plugged || !core->facade)
            return false;
        core->path = path = s.freeHidrawPath();
        core->plugged = true;
        ++core->plugGeneration;
        vendorId = core->vendorId;
        productId = core->productId;
    }
    emit instrument->changed();
    emit deviceArrived(path, vendorId, productId);
    return true;
}

QList<SimInstrument*> SimBus::instruments() const
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    QList<SimInstrument*> out;
    for (const auto& core : s.instruments)
        out.append(core->facade);
    return out;
}

SimInstrument* SimBus::instrumentAt(const QString& path) const
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    const auto core = s.plugged(path);
    return core ? core->facade : nullptr;
}

int SimBus::openHandleCount() const
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    return s.openHandleCount();
}

int SimBus::waitingReads() const
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    return s.waitingReads;
}

int SimBus::hidInitCalls() const
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    return s.initCalls;
}

int SimBus::hidExitCalls() const
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    return s.exitCalls;
}

void SimBus::setInstantTimeouts(bool on)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    s.instantTimeouts = on;
    s.inputArrived.wakeAll();
}

bool SimBus::instantTimeouts() const
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    return s.instantTimeouts;
}

void SimBus::setClockMode(ClockMode mode)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    s.clock.setMode(mode);
}

ClockMode SimBus::clockMode() const
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    return s.clock.mode();
}

void SimBus::setClockSpeed(double factor)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    s.clock.setSpeed(factor);
}

double SimBus::clockSpeed() const
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    return s.clock.speed();
}

void SimBus::advanceClock(qint64 ms)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    s.clock.advance(ms);
}

qint64 SimBus::clockMs() const
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    return s.clock.now();
}

void SimBus::setClockEpoch(const QDateTime& epoch)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    s.epoch = epoch;
    for (const auto& core : s.instruments)
        core->model.setEpoch(epoch);
}

QDateTime SimBus::clockEpoch() const
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    return s.epoch;
}

void SimBus::reset()
{
    QList<SimInstrument*> facades;
    {
        BusState& s = busState();
        QMutexLocker lock(&s.mutex);
        for (const auto& core : s.instruments) {
            core->plugged = false;
            core->path.clear();
            facades.append(core->facade);
            core->facade = nullptr;
        }
        s.instruments.clear();
        for (hid_device* h : s.handles)
            h->stale = true;
        s.clock.reset();
        s.epoch = QDateTime::currentDateTime();
        s.instantTimeouts = false;
        s.initCalls = 0;
        s.exitCalls = 0;
        s.inputArrived.wakeAll();
    }
    qDeleteAll(facades);
}

} // namespace sim
