#pragma once

// Internal to lt_sim: the state shared by the control API (SimBus,
// SimInstrument) and the hidapi functions. Everything here is guarded by
// BusState::mutex.

#include "InstrumentModel.h"
#include "SimClock.h"
#include "SimTypes.h"

#include <QDateTime>
#include <QList>

#include <QMutex>
#include <QWaitCondition>
#include <random>

#include <hidapi.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace sim {

class SimInstrument;

struct InstrumentCore
{
    explicit InstrumentCore(Model m) : model(m) {}
    InstrumentModel model;
    quint16 vendorId = kVendorId;
    quint16 productId = kProductId;
    QString path;
    QString serialNumber; // empty: the instrument reports none
    bool plugged = false;
    int plugGeneration = 0; // handles opened under an older one are broken
    FaultSet faults;
    // Each request meets each per-exchange fault with this probability (soak runs).
    double occasionalFaultRate = 0;
    std::mt19937 occasionalFaults{1};
    QList<SimWrite> writeLog;
    int reportsQueuedWhileStalled = 0;
    int failedWrites = 0;            // writes that blocked on a stall and failed
    SimInstrument* facade = nullptr; // cleared before the facade is deleted
};

struct BusState
{
    ~BusState(); // deletes the instruments still attached at exit

    QMutex mutex;
    QWaitCondition inputArrived; // input queued, a plug change, or time-outs made instant
    std::vector<std::shared_ptr<InstrumentCore>> instruments;
    std::vector<hid_device*> handles; // every handle not yet closed, stale ones too
    SimClock clock;
    QDateTime epoch = QDateTime::currentDateTime();
    bool instantTimeouts = false;
    int waitingReads = 0;
    int initCalls = 0;
    int exitCalls = 0;

    std::shared_ptr<InstrumentCore> plugged(const QString& path) const;
    int openHandleCount() const;
    // The node a device plugged in now gets: like the kernel, the lowest
    // hidraw number that no plugged device and no open handle holds (a handle
    // left open on an unplugged device keeps its number taken).
    QString freeHidrawPath() const;
};

BusState& busState();

// Asks the facade's thread to emit SimInstrument::changed(); safe to call
// from any thread with the mutex held.
void notifyChanged(const InstrumentCore& core);

} // namespace sim

// The handle behind hidapi's opaque hid_device.
struct hid_device_
{
    std::shared_ptr<sim::InstrumentCore> instrument;
    int generation = 0;
    bool stale = false; // forgotten by SimBus::reset()
    bool nonBlocking = false;
    std::deque<QByteArray> input; // input reports not yet read
    std::wstring error;
    // What hid_get_device_info() and the string getters report.
    std::string pathText;
    std::wstring manufacturer;
    std::wstring product;
    std::wstring serial;
    hid_device_info info{};
};
