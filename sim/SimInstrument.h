#pragma once

#include "SimTypes.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

namespace sim {

struct InstrumentCore;

// One simulated instrument on the SimBus: its front panel, its settings and
// memory, its faults and the log of every report written to it.
//
// Made by SimBus::attach() and owned by the bus; valid until SimBus::detach()
// or SimBus::reset(). Every call is thread safe: the link thread reaches the
// same instrument through the hidapi functions while a test or the demo's
// panel operates it here. The instrument's time is the bus clock; a running
// test advances when the clock does.
class SimInstrument : public QObject
{
    Q_OBJECT
public:
    ~SimInstrument() override;

    Model model() const;
    // The identity texts exactly as sent: eleven bytes, fill blanks included.
    QByteArray modelText() const;
    QByteArray versionText() const;
    void setVersionText(const QByteArray& text); // cut or blank-filled to 11
    // The USB serial number string (none by default, as most instruments).
    QString serialNumber() const;
    void setSerialNumber(const QString& serial);

    // hidapi path ("/dev/hidrawN"); a replug gives a new one. Empty while unplugged.
    QString path() const;
    bool isPlugged() const;
    void unplug(); // open handles break: reads and writes return -1
    void plug();   // plugs it in again under the next free hidraw number

    // --- front panel -------------------------------------------------------
    // The instrument's own test key: starts a test when none runs, stops a
    // running one (stopped tests are not stored).
    void pressTestKey();
    void setOverTemperature(bool on);
    bool overTemperature() const;
    // What the instrument measures on the object under test, in μΩ. Below
    // 1000 μΩ it shows μΩ, from 1000 μΩ on mΩ; the reading has six characters.
    void setMeasuredResistance(double microOhm);
    double measuredResistance() const;
    // Forces the "OL" / "LO" reading (both may be set; OL wins in judgement).
    void setOverRange(bool on);
    void setUnderRange(bool on);

    // --- state -------------------------------------------------------------
    InstrumentSettings settings() const;
    void setSettings(const InstrumentSettings& settings); // as if written over the link
    int testState() const;       // 0 waiting, 1 testing, 2 complete, at the bus clock's now
    int timeLeftSeconds() const; // of the running test, else 0

    // --- faults ------------------------------------------------------------
    void setFault(Fault fault, bool on);
    bool hasFault(Fault fault) const;
    void clearFaults();
    // Each request then meets each per-exchange fault (silence, a stray
    // report, a wrong checksum, a field out of range, a wrong command, a
    // missing second report, a refusal) with this probability, drawn from a
    // generator seeded with `seed`; 0 switches it off.
    void setOccasionalFaults(double probability, quint32 seed = 1);

    // --- memory ------------------------------------------------------------
    int storedRecordCount() const;
    QList<StoredRecord> storedRecords() const; // group 1 first
    // Adds n varied records (as if n tests had run), up to the memory's 200.
    void addStoredRecords(int n);
    void clearStoredRecords();
    // Groups whose read requests go unanswered, as if those cells could not be read.
    void setSilentGroups(const QSet<int>& groups);
    // Groups whose reply comes late: only after the next request, in front
    // of that request's own reply.
    void setLateGroups(const QSet<int>& groups);

    // --- wire --------------------------------------------------------------
    QList<SimWrite> writeLog() const;         // oldest first
    QList<QByteArray> writtenReports() const; // writeLog()'s reports, unpadded
    void clearWriteLog();
    // The log so far, emptied in the same step (nothing written in between is lost).
    QList<SimWrite> takeWriteLog();
    // Writes that blocked on a stall and failed.
    int failedWrites() const;
    // Input reports queued on open handles and not yet read.
    int pendingInputReports() const;

signals:
    // Something an observer may show changed: plugged state, path, settings
    // (also through a parameter write), faults, memory, test started/stopped.
    // Emitted from the thread that made the change; clock-driven progress of
    // a running test emits nothing, so a panel polls testState() on a timer.
    void changed();

private:
    friend class SimBus;
    explicit SimInstrument(std::shared_ptr<InstrumentCore> core);
    std::shared_ptr<InstrumentCore> core;
};

} // namespace sim
