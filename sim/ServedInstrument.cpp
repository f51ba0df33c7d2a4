#include "ServedInstrument.h"

#include "SimEncoder.h"

#include <QMutexLocker>

namespace sim {

ServedInstrument::ServedInstrument(Model model) : m_model(model)
{
    m_clock.start();
}

QByteArray ServedInstrument::reportDescriptor()
{
    static const unsigned char descriptor[] = {
        0x06, 0x00, 0xFF, // Usage Page (vendor defined 0xFF00)
        0x09, 0x01,       // Usage (1)
        0xA1, 0x01,       // Collection (Application)
        0x15, 0x00,       //   Logical Minimum (0)
        0x26, 0xFF, 0x00, //   Logical Maximum (255)
        0x75, 0x08,       //   Report Size (8 bits)
        0x95, 0x40,       //   Report Count (64)
        0x09, 0x02,       //   Usage (2)
        0x81, 0x02,       //   Input (Data, Variable, Absolute)
        0x95, 0x40,       //   Report Count (64)
        0x09, 0x03,       //   Usage (3)
        0x91, 0x02,       //   Output (Data, Variable, Absolute)
        0xC0,             // End Collection
    };
    return QByteArray(reinterpret_cast<const char*>(descriptor), int(sizeof descriptor));
}

QList<QByteArray> ServedInstrument::answer(const QByteArray& raw)
{
    QMutexLocker lock(&m_mutex);
    SimWrite w;
    w.raw = raw;
    QByteArray frame;
    w.accepted = wire::checkOutputReport(raw, &w.report, &frame);
    m_writeLog.append(w);
    QList<QByteArray> reports;
    if (!w.accepted || has(m_faults, Fault::Silence))
        return reports;
    bool changed = false;
    for (const QByteArray& reply : m_model.answer(frame, m_clock.elapsed(), m_faults, &changed))
        reports += wire::inputReports(reply);
    return reports;
}

InstrumentSettings ServedInstrument::settings() const
{
    QMutexLocker lock(&m_mutex);
    return m_model.settings();
}

void ServedInstrument::addStoredRecords(int n)
{
    QMutexLocker lock(&m_mutex);
    m_model.addRecords(n, m_clock.elapsed());
}

int ServedInstrument::storedRecordCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_model.recordCount(m_clock.elapsed());
}

void ServedInstrument::setFault(Fault fault, bool on)
{
    QMutexLocker lock(&m_mutex);
    m_faults.set(size_t(fault), on);
}

QByteArray ServedInstrument::modelText() const
{
    QMutexLocker lock(&m_mutex);
    return m_model.modelText().trimmed();
}

QList<SimWrite> ServedInstrument::writeLog() const
{
    QMutexLocker lock(&m_mutex);
    return m_writeLog;
}

void ServedInstrument::clearWriteLog()
{
    QMutexLocker lock(&m_mutex);
    m_writeLog.clear();
}

} // namespace sim
