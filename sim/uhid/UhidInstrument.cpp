#include "UhidInstrument.h"

#include <QLoggingCategory>

#include <linux/uhid.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace sim {
namespace {

Q_LOGGING_CATEGORY(lcUhid, "lt.uhid", QtInfoMsg)

constexpr quint16 kBusUsb = 0x03; // BUS_USB: the HID device is named 0003:VVVV:PPPP.NNNN

bool writeEvent(int fd, const uhid_event& event)
{
    for (;;) {
        const ssize_t n = ::write(fd, &event, sizeof event);
        if (n == ssize_t(sizeof event))
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
}

// The kernel asks for feature and input reports only on behalf of a program;
// the instrument has none, and an unanswered request would stall the caller.
void refuseReportRequest(int fd, const uhid_event& request)
{
    uhid_event reply{};
    if (request.type == UHID_GET_REPORT) {
        reply.type = UHID_GET_REPORT_REPLY;
        reply.u.get_report_reply.id = request.u.get_report.id;
        reply.u.get_report_reply.err = EIO;
    } else {
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = request.u.set_report.id;
        reply.u.set_report_reply.err = EIO;
    }
    writeEvent(fd, reply);
}

void copyText(__u8* to, size_t size, const QByteArray& text)
{
    std::memcpy(to, text.constData(), std::min(size - 1, size_t(text.size())));
}

} // namespace

UhidInstrument::UhidInstrument(Model model, quint16 vendorId, quint16 productId)
    : ServedInstrument(model), m_vendorId(vendorId), m_productId(productId)
{
}

UhidInstrument::~UhidInstrument()
{
    destroy();
}

bool UhidInstrument::create(QString* error)
{
    if (exists())
        return true;
    auto fail = [error](const QString& what) {
        if (error)
            *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    };
    const int fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("cannot open /dev/uhid"));

    uhid_event event{};
    event.type = UHID_CREATE2;
    uhid_create2_req& req = event.u.create2;
    const QByteArray model = modelText();
    copyText(req.name, sizeof req.name, "Loop Tester " + model);
    copyText(req.phys, sizeof req.phys, "lt-uhid");
    const QByteArray descriptor = reportDescriptor();
    std::memcpy(req.rd_data, descriptor.constData(), size_t(descriptor.size()));
    req.rd_size = __u16(descriptor.size());
    req.bus = kBusUsb;
    req.vendor = m_vendorId;
    req.product = m_productId;
    req.version = 0x0100;
    if (!writeEvent(fd, event)) {
        const bool ok = fail(QStringLiteral("/dev/uhid refused the device"));
        ::close(fd);
        return ok;
    }
    if (::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        const bool ok = fail(QStringLiteral("cannot make a pipe"));
        ::close(fd);
        return ok;
    }
    m_fd = fd;
    m_thread = std::thread([this, fd, stop = m_stopPipe[0]] { serve(fd, stop); });
    qCInfo(lcUhid, "created %04x:%04x (%s)", m_vendorId, m_productId, model.constData());
    return true;
}

void UhidInstrument::destroy()
{
    if (!exists())
        return;
    uhid_event event{};
    event.type = UHID_DESTROY;
    writeEvent(m_fd, event);
    const char stop = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_stopPipe[1], &stop, 1);
    m_thread.join();
    ::close(m_fd);
    ::close(m_stopPipe[0]);
    ::close(m_stopPipe[1]);
    m_fd = m_stopPipe[0] = m_stopPipe[1] = -1;
    qCInfo(lcUhid, "destroyed %04x:%04x", m_vendorId, m_productId);
}

bool UhidInstrument::exists() const
{
    return m_fd >= 0;
}

void UhidInstrument::serve(int fd, int stopFd)
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            qCWarning(lcUhid, "poll: %s", std::strerror(errno));
            return;
        }
        if (fds[1].revents)
            return;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))
            return;
        uhid_event event{};
        const ssize_t n = ::read(fd, &event, sizeof event);
        if (n <= 0) {
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            return;
        }
        switch (event.type) {
        case UHID_OUTPUT:
            answerOutput(fd, QByteArray(reinterpret_cast<const char*>(event.u.output.data),
                                        int(std::min<size_t>(event.u.output.size,
                                                             sizeof event.u.output.data))));
            break;
        case UHID_GET_REPORT:
        case UHID_SET_REPORT:
            refuseReportRequest(fd, event);
            break;
        default: // start, stop, open, close: nothing to do
            break;
        }
    }
}

void UhidInstrument::answerOutput(int fd, const QByteArray& raw)
{
    for (const QByteArray& report : answer(raw)) {
        uhid_event event{};
        event.type = UHID_INPUT2;
        event.u.input2.size = __u16(report.size());
        std::memcpy(event.u.input2.data, report.constData(), size_t(report.size()));
        if (!writeEvent(fd, event)) {
            qCWarning(lcUhid, "input report lost: %s", std::strerror(errno));
            return;
        }
    }
}

} // namespace sim
