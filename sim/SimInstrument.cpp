#include "SimInstrument.h"

#include "BusState.h"
#include "SimBus.h"

#include <QMutexLocker>

namespace sim {
namespace {

// Runs f(core, now) under the bus lock, now being the bus clock's time.
template <typename F> auto locked(const std::shared_ptr<InstrumentCore>& core, F&& f)
{
    BusState& s = busState();
    QMutexLocker lock(&s.mutex);
    return f(*core, s.clock.now());
}

} // namespace

SimInstrument::SimInstrument(std::shared_ptr<InstrumentCore> instrumentCore)
    : core(std::move(instrumentCore))
{
}

SimInstrument::~SimInstrument() = default;

Model SimInstrument::model() const
{
    return locked(core, [](InstrumentCore& c, qint64) { return c.model.model(); });
}

QByteArray SimInstrument::modelText() const
{
    return locked(core, [](InstrumentCore& c, qint64) { return c.model.modelText(); });
}

QByteArray SimInstrument::versionText() const
{
    return locked(core, [](InstrumentCore& c, qint64) { return c.model.versionText(); });
}

void SimInstrument::setVersionText(const QByteArray& text)
{
    locked(core, [&](InstrumentCore& c, qint64) { c.model.setVersionText(text); });
    emit changed();
}

QString SimInstrument::serialNumber() const
{
    return locked(core, [](InstrumentCore& c, qint64) { return c.serialNumber; });
}

void SimInstrument::setSerialNumber(const QString& serial)
{
    locked(core, [&](InstrumentCore& c, qint64) { c.serialNumber = serial; });
    emit changed();
}

QString SimInstrument::path() const
{
    return locked(core, [](InstrumentCore& c, qint64) { return c.path; });
}

bool SimInstrument::isPlugged() const
{
    return locked(core, [](InstrumentCore& c, qint64) { return c.plugged; });
}

void SimInstrument::unplug()
{
    const QString p = path();
    if (!p.isEmpty())
        SimBus::instance().unplug(p);
}

void SimInstrument::plug()
{
    SimBus::instance().replug(this);
}

void SimInstrument::pressTestKey()
{
    locked(core, [](InstrumentCore& c, qint64 now) { c.model.pressTestKey(now); });
    emit changed();
}

void SimInstrument::setOverTemperature(bool on)
{
    locked(core, [on](InstrumentCore& c, qint64) { c.model.setOverTemperature(on); });
    emit changed();
}

bool SimInstrument::overTemperature() const
{
    return locked(core, [](InstrumentCore& c, qint64) { return c.model.overTemperature(); });
}

void SimInstrument::setMeasuredResistance(double microOhm)
{
    locked(core, [=](InstrumentCore& c, qint64) { c.model.setMeasuredResistance(microOhm); });
    emit changed();
}

double SimInstrument::measuredResistance() const
{
    return locked(core, [](InstrumentCore& c, qint64) { return c.model.measuredResistance(); });
}

void SimInstrument::setOverRange(bool on)
{
    locked(core, [on](InstrumentCore& c, qint64) { c.model.setOverRange(on); });
    emit changed();
}

void SimInstrument::setUnderRange(bool on)
{
    locked(core, [on](InstrumentCore& c, qint64) { c.model.setUnderRange(on); });
    emit changed();
}

InstrumentSettings SimInstrument::settings() const
{
    return locked(core, [](InstrumentCore& c, qint64) { return c.model.settings(); });
}

void SimInstrument::setSettings(const InstrumentSettings& settings)
{
    locked(core, [&](InstrumentCore& c, qint64) { c.model.setSettings(settings); });
    emit changed();
}

int SimInstrument::testState() const
{
    return locked(core, [](InstrumentCore& c, qint64 now) { return c.model.testState(now); });
}

int SimInstrument::timeLeftSeconds() const
{
    return locked(core, [](InstrumentCore& c, qint64 now) { return c.model.timeLeftSeconds(now); });
}

void SimInstrument::setFault(Fault fault, bool on)
{
    locked(core, [=](InstrumentCore& c, qint64) {
        c.faults.set(size_t(fault), on);
        if (!has(c.faults, Fault::Stall))
            c.reportsQueuedWhileStalled = 0; // what the host held is dropped
        busState().inputArrived.wakeAll();   // a waiting read may now babble or break
    });
    emit changed();
}

bool SimInstrument::hasFault(Fault fault) const
{
    return locked(core, [fault](InstrumentCore& c, qint64) { return has(c.faults, fault); });
}

void SimInstrument::clearFaults()
{
    locked(core, [](InstrumentCore& c, qint64) {
        c.faults.reset();
        c.reportsQueuedWhileStalled = 0;
        busState().inputArrived.wakeAll();
    });
    emit changed();
}

int SimInstrument::storedRecordCount() const
{
    return locked(core, [](InstrumentCore& c, qint64 now) { return c.model.recordCount(now); });
}

QList<StoredRecord> SimInstrument::storedRecords() const
{
    return locked(core, [](InstrumentCore& c, qint64 now) { return c.model.records(now); });
}

void SimInstrument::addStoredRecords(int n)
{
    locked(core, [n](InstrumentCore& c, qint64 now) { c.model.addRecords(n, now); });
    emit changed();
}

void SimInstrument::clearStoredRecords()
{
    locked(core, [](InstrumentCore& c, qint64) { c.model.clearRecords(); });
    emit changed();
}

void SimInstrument::setSilentGroups(const QSet<int>& groups)
{
    locked(core, [&](InstrumentCore& c, qint64) { c.model.setSilentGroups(groups); });
}

void SimInstrument::setLateGroups(const QSet<int>& groups)
{
    locked(core, [&](InstrumentCore& c, qint64) { c.model.setLateGroups(groups); });
}

int SimInstrument::failedWrites() const
{
    return locked(core, [](InstrumentCore& c, qint64) { return c.failedWrites; });
}

void SimInstrument::setOccasionalFaults(double probability, quint32 seed)
{
    locked(core, [&](InstrumentCore& c, qint64) {
        c.occasionalFaultRate = probability;
        c.occasionalFaults.seed(seed);
    });
}

QList<SimWrite> SimInstrument::takeWriteLog()
{
    return locked(core, [](InstrumentCore& c, qint64) {
        QList<SimWrite> log;
        log.swap(c.writeLog);
        return log;
    });
}

QList<SimWrite> SimInstrument::writeLog() const
{
    return locked(core, [](InstrumentCore& c, qint64) { return c.writeLog; });
}

QList<QByteArray> SimInstrument::writtenReports() const
{
    QList<QByteArray> out;
    for (const SimWrite& w : writeLog())
        out.append(w.report);
    return out;
}

void SimInstrument::clearWriteLog()
{
    locked(core, [](InstrumentCore& c, qint64) { c.writeLog.clear(); });
}

int SimInstrument::pendingInputReports() const
{
    return locked(core, [](InstrumentCore& c, qint64) {
        int n = 0;
        for (const hid_device* h : busState().handles)
            if (h->instrument.get() == &c && !h->stale)
                n += int(h->input.size());
        return n;
    });
}

} // namespace sim
