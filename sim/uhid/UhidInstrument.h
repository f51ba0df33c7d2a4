#pragma once

#include "InstrumentModel.h"
#include "SimTypes.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QString>

#include <thread>

namespace sim {

// One loop-resistance tester served to the kernel through /dev/uhid: the
// kernel makes a real HID device of it (hid-generic, a /dev/hidrawN node, udev
// events), and every output report written to that node is answered by the
// same InstrumentModel that answers in the demo.
//
// The device has a vendor-defined report descriptor with one 64-byte input
// and one 64-byte output report and no report IDs. What the program writes to
// hidraw arrives here exactly as written, report ID 0 in front; the instrument
// acts on a report only when it is whole (report ID and 64 bytes), as the
// real one reads whole reports from its endpoint.
//
// create() and destroy() stand for plugging and unplugging; the model, its
// memory and its settings survive them. A thread of its own answers the
// kernel while the device exists. Needs root (or access to /dev/uhid).
class UhidInstrument
{
public:
    explicit UhidInstrument(Model model, quint16 vendorId = kVendorId,
                            quint16 productId = kProductId);
    ~UhidInstrument(); // destroys the device if it exists
    UhidInstrument(const UhidInstrument&) = delete;
    UhidInstrument& operator=(const UhidInstrument&) = delete;

    // Creates the kernel device. False with *error set when /dev/uhid cannot
    // be opened or refuses the device.
    bool create(QString* error = nullptr);
    // Destroys the kernel device at once: open hidraw handles break.
    void destroy();
    bool exists() const;

    quint16 vendorId() const { return m_vendorId; }
    quint16 productId() const { return m_productId; }

    InstrumentSettings settings() const;
    void addStoredRecords(int n); // as if n tests had run
    int storedRecordCount() const;
    void setFault(Fault fault, bool on);

    // Every output report the kernel handed over, oldest first.
    QList<SimWrite> writeLog() const;
    void clearWriteLog();

    // The report descriptor given to the kernel.
    static QByteArray reportDescriptor();

private:
    void serve(int fd, int stopFd);
    void answerOutput(int fd, const QByteArray& raw);

    const quint16 m_vendorId;
    const quint16 m_productId;

    mutable QMutex m_mutex;          // guards everything below except the thread and fds
    mutable InstrumentModel m_model; // settles a finished test when looked at
    FaultSet m_faults;
    QList<SimWrite> m_writeLog;
    QElapsedTimer m_clock; // the model's time: milliseconds since construction

    int m_fd = -1;
    int m_stopPipe[2] = {-1, -1};
    std::thread m_thread;
};

} // namespace sim
