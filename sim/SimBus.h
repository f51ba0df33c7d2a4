#pragma once

#include "SimTypes.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

namespace sim {

class SimInstrument;

// The simulated USB bus behind the hidapi functions of lt_sim: the
// instruments attached to it, the handles open on them, the clock they run
// on and how long a timed-out read really waits.
//
// A process-wide singleton (instance()), living in the application's main
// thread. All calls are thread safe. Typical test set-up:
//
//   auto& bus = sim::SimBus::instance();
//   bus.reset();
//   bus.setClockMode(sim::ClockMode::Manual);
//   bus.setInstantTimeouts(true);
//   sim::SimInstrument* rv = bus.attach(sim::Model::RV718B); // "/dev/hidraw0"
//   ... bus.advanceClock(31000); rv->writtenReports(); rv->unplug(); ...
class SimBus : public QObject
{
    Q_OBJECT
public:
    static SimBus& instance();

    // Attaches and plugs in a new instrument under the lowest free path
    // ("/dev/hidraw0", "/dev/hidraw1", ...; see replug()); emits
    // deviceArrived(). Other USB identities stand for HID devices that are
    // not instruments.
    SimInstrument* attach(Model model, quint16 vendorId = kVendorId,
                          quint16 productId = kProductId);
    // Unplugs the instrument if needed and deletes it.
    void detach(SimInstrument* instrument);
    // Unplugs the instrument at this path; emits deviceRemoved(path). False
    // when no plugged instrument has that path.
    bool unplug(const QString& path);
    // Plugs an unplugged instrument in again; emits deviceArrived(). As on
    // Linux it gets the lowest hidraw number free: its old path again when no
    // handle is left open on it, another one while a handle still holds it.
    bool replug(SimInstrument* instrument);

    QList<SimInstrument*> instruments() const;              // in attach order, plugged or not
    SimInstrument* instrumentAt(const QString& path) const; // plugged only, else null

    // Handles opened by hid_open/hid_open_path and not yet closed.
    int openHandleCount() const;
    // Reads blocked right now waiting for input or their time-out; lets a test
    // wait until the link thread sits in a read.
    int waitingReads() const;
    // How often the process called hid_init() and hid_exit().
    int hidInitCalls() const;
    int hidExitCalls() const;

    // When on, a read that finds nothing returns 0 at once instead of waiting
    // its time-out in real time. Off by default.
    void setInstantTimeouts(bool on);
    bool instantTimeouts() const;

    // --- clock -------------------------------------------------------------
    // Instruments see time in milliseconds since the last reset. RealTime at
    // speed 1 by default; switching mode or speed keeps the time continuous.
    void setClockMode(ClockMode mode);
    ClockMode clockMode() const;
    void setClockSpeed(double factor); // RealTime only; > 0
    double clockSpeed() const;
    void advanceClock(qint64 ms); // Manual only; ignored in RealTime
    qint64 clockMs() const;
    // Calendar time at clock 0, stamped on stored records. Now, at each reset.
    void setClockEpoch(const QDateTime& epoch);
    QDateTime clockEpoch() const;

    // Back to the start state for the next test: every instrument detached,
    // handles still open are broken and forgotten (closing them later is
    // harmless), counters and hidraw numbers from 0, clock RealTime ×1 at 0,
    // instant time-outs off. Emits no signals.
    void reset();

signals:
    // Emitted from the thread that plugged or unplugged, after the bus is
    // consistent (enumeration already shows the change), for every device:
    // the USB identity tells instruments from other HID devices.
    void deviceArrived(const QString& path, quint16 vendorId, quint16 productId);
    void deviceRemoved(const QString& path, quint16 vendorId, quint16 productId);

private:
    SimBus();
    ~SimBus() override;
    friend class SimInstrument;
};

} // namespace sim
