#pragma once

#include "ServedInstrument.h"

#include <QString>

#include <atomic>
#include <thread>

namespace sim {

// One loop-resistance tester as a real USB device: a gadget made in configfs
// (one configuration, one HID function with the instrument's report
// descriptor) and bound to a USB device controller, such as one of dummy_hcd's
// "dummy_udc.N", whose host side then enumerates it through usbhid like the
// real instrument. A thread of its own reads the output reports from the
// gadget's /dev/hidgN and writes the answers of the same model that answers in
// the demo.
//
// The gadget side receives a report without its report ID (the device has
// none): 64 bytes for a whole report, fewer for a short write. The write log
// holds each with the report ID 0 in front again, as hid_write took it.
//
// plug() binds the gadget to its controller and unplug() unbinds it: a real
// USB connect and disconnect. setStalled(true) stops reading, as a busy
// instrument does: the host's writes queue up, then block and time out.
// Needs root and the configfs, libcomposite and usb_f_hid modules.
class GadgetInstrument : public ServedInstrument
{
public:
    struct Identity
    {
        QString udc;    // the controller to bind to, e.g. "dummy_udc.0"
        QString serial; // the USB serial number string
        quint16 vendorId = kVendorId;
        quint16 productId = kProductId;
    };

    GadgetInstrument(Model model, Identity identity);
    ~GadgetInstrument(); // unplugs and removes the gadget from configfs
    GadgetInstrument(const GadgetInstrument&) = delete;
    GadgetInstrument& operator=(const GadgetInstrument&) = delete;

    // Makes the gadget on first use and binds it. False with *error set
    // when configfs or the controller refuses.
    bool plug(QString* error = nullptr);
    void unplug();
    bool plugged() const { return m_plugged; }
    void setStalled(bool stalled) { m_stalled = stalled; }

    const Identity& identity() const { return m_identity; }
    static QString manufacturer();
    QString product() const;

private:
    bool make(QString* error);
    void remove();
    void serve();
    void answerReport(int fd, const QByteArray& received);

    const Identity m_identity;
    const QString m_dir; // the gadget's folder in configfs
    QString m_node;      // the gadget side's /dev/hidgN
    bool m_made = false;
    bool m_plugged = false;
    std::atomic<bool> m_stalled{false};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace sim
