#pragma once

#include "InstrumentModel.h"
#include "SimTypes.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>

namespace sim {

// The instrument model as a kernel device serves it (through /dev/uhid or a
// USB gadget): the model, its faults and a log of every output report, safe
// to use from the thread that answers the kernel and the test's thread alike.
// The model, its memory and its settings outlive every unplug.
class ServedInstrument
{
public:
    explicit ServedInstrument(Model model);

    InstrumentSettings settings() const;
    void addStoredRecords(int n); // as if n tests had run
    int storedRecordCount() const;
    void setFault(Fault fault, bool on);
    QByteArray modelText() const;

    // Every output report the instrument received, oldest first, report ID
    // 0 in front as hid_write takes it.
    QList<SimWrite> writeLog() const;
    void clearWriteLog();

    // The report descriptor the device shows the host: one 64-byte input and
    // one 64-byte output report of a vendor-defined usage, no report IDs.
    static QByteArray reportDescriptor();

protected:
    // Logs one output report (report ID in front) and returns the input
    // reports that answer it: none for a malformed report or a silent
    // instrument. The instrument acts on a report only when it is whole, as
    // the real one reads whole reports from its endpoint.
    QList<QByteArray> answer(const QByteArray& raw);

private:
    mutable QMutex m_mutex;
    mutable InstrumentModel m_model; // settles a finished test when looked at
    FaultSet m_faults;
    QList<SimWrite> m_writeLog;
    QElapsedTimer m_clock; // the model's time: milliseconds since construction
};

} // namespace sim
