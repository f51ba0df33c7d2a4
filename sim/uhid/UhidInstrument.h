#pragma once

#include "ServedInstrument.h"

#include <QByteArray>
#include <QString>

#include <thread>

namespace sim {

// One loop-resistance tester served to the kernel through /dev/uhid: the
// kernel makes a real HID device of it (hid-generic, a /dev/hidrawN node, udev
// events), and every output report written to that node is answered by the
// same InstrumentModel that answers in the demo.
//
// What the program writes to hidraw arrives here exactly as written, report
// ID 0 in front; the instrument acts on a report only when it is whole
// (report ID and 64 bytes).
//
// create() and destroy() stand for plugging and unplugging. A thread of its own answers the
// kernel while the device exists. Needs root (or access to /dev/uhid).
class UhidInstrument : public ServedInstrument
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

private:
    void serve(int fd, int stopFd);
    void answerOutput(int fd, const QByteArray& raw);

    const quint16 m_vendorId;
    const quint16 m_productId;

    int m_fd = -1;
    int m_stopPipe[2] = {-1, -1};
    std::thread m_thread;
};

} // namespace sim
