#include "GadgetInstrument.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {
namespace {

Q_LOGGING_CATEGORY(lcGadget, "lt.gadget", QtInfoMsg)

constexpr int kTickMs = 20;          // how soon the thread sees a new node, a stall, a stop
constexpr int kReplyWaitMs = 1000;   // how long an answer waits for the host to take it
constexpr int kReportLength = 64;    // the HID function's report length
const char kFunction[] = "hid.usb0"; // the HID function's folder name within the gadget
const char kConfiguration[] = "c.1";

// Writes one configfs attribute as a single write(), which configfs wants.
bool writeAttribute(const QString& path, const QByteArray& value, QString* error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::write(fd, value.constData(), size_t(value.size())) == value.size();
    const int saved = errno;
    if (fd >= 0)
        ::close(fd);
    if (!ok && error)
        *error = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(saved));
    return ok;
}

QByteArray hex(quint16 value)
{
    return "0x" + QByteArray::number(value, 16).rightJustified(4, '0');
}

} // namespace

GadgetInstrument::GadgetInstrument(Model model, Identity identity)
    : ServedInstrument(model), m_identity(std::move(identity)),
      m_dir(QStringLiteral("/sys/kernel/config/usb_gadget/lt_") +
            QString(m_identity.udc).replace(QLatin1Char('.'), QLatin1Char('_')))
{
}

GadgetInstrument::~GadgetInstrument()
{
    unplug();
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    remove();
}

QString GadgetInstrument::manufacturer()
{
    return QStringLiteral("Loop Tester");
}

QString GadgetInstrument::product() const
{
    return QString::fromLatin1(modelText()) + QStringLiteral(" Loop Resistance Tester");
}

bool GadgetInstrument::make(QString* error)
{
    const QString function = m_dir + QStringLiteral("/functions/") + QLatin1String(kFunction);
    const QString configuration =
        m_dir + QStringLiteral("/configs/") + QLatin1String(kConfiguration);
    const QString strings = m_dir + QStringLiteral("/strings/0x409");
    if (!QDir().mkpath(strings) || !QDir().mkpath(configuration) || !QDir().mkpath(function)) {
        if (error)
            *error = QStringLiteral("cannot make the gadget in ") + m_dir;
        return false;
    }
    m_made = true;
    const QList<QPair<QString, QByteArray>> attributes = {
        {m_dir + QStringLiteral("/idVendor"), hex(m_identity.vendorId)},
        {m_dir + QStringLiteral("/idProduct"), hex(m_identity.productId)},
        {m_dir + QStringLiteral("/bcdUSB"), "0x0200"},
        {strings + QStringLiteral("/manufacturer"), manufacturer().toUtf8()},
        {strings + QStringLiteral("/product"), product().toUtf8()},
        {strings + QStringLiteral("/serialnumber"), m_identity.serial.toUtf8()},
        {function + QStringLiteral("/protocol"), "0"},
        {function + QStringLiteral("/subclass"), "0"},
        {function + QStringLiteral("/report_length"), QByteArray::number(kReportLength)},
        {function + QStringLiteral("/report_desc"), reportDescriptor()},
    };
    for (const auto& [path, value] : attributes) {
        if (!writeAttribute(path, value, error))
            return false;
    }
    if (!QFile::link(function, configuration + QLatin1Char('/') + QLatin1String(kFunction))) {
        if (error)
            *error = QStringLiteral("cannot put the HID function into ") + configuration;
        return false;
    }
    // The function's character device, "major:minor", names its node /dev/hidg<minor>.
    QFile dev(function + QStringLiteral("/dev"));
    if (!dev.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("no device number in ") + function;
        return false;
    }
    m_node = QStringLiteral("/dev/hidg") +
             QString::fromLatin1(dev.readAll().trimmed().split(':').value(1));
    return true;
}

void GadgetInstrument::remove()
{
    if (!m_made)
        return;
    const QString configuration =
        m_dir + QStringLiteral("/configs/") + QLatin1String(kConfiguration);
    QFile::remove(configuration + QLatin1Char('/') + QLatin1String(kFunction));
    for (const QString& dir :
         {configuration, m_dir + QStringLiteral("/functions/") + QLatin1String(kFunction),
          m_dir + QStringLiteral("/strings/0x409"), m_dir}) {
        if (::rmdir(QFile::encodeName(dir).constData()) != 0)
            qCWarning(lcGadget) << "cannot remove" << dir << std::strerror(errno);
    }
    m_made = false;
}

bool GadgetInstrument::plug(QString* error)
{
    if (m_plugged)
        return true;
    if (!m_made && !make(error))
        return false;
    if (!writeAttribute(m_dir + QStringLiteral("/UDC"), m_identity.udc.toUtf8() + '\n', error))
        return false;
    m_plugged = true;
    if (!m_thread.joinable())
        m_thread = std::thread([this] { serve(); });
    qCInfo(lcGadget).noquote() << "plugged" << m_identity.serial << "into" << m_identity.udc;
    return true;
}

void GadgetInstrument::unplug()
{
    if (!m_plugged)
        return;
    QString error;
    if (!writeAttribute(m_dir + QStringLiteral("/UDC"), "\n", &error))
        qCWarning(lcGadget).noquote() << "cannot unplug:" << error;
    m_plugged = false;
    qCInfo(lcGadget).noquote() << "unplugged" << m_identity.serial;
}

void GadgetInstrument::serve()
{
    const QByteArray node = QFile::encodeName(m_node);
    int fd = -1;
    ino_t inode = 0;
    while (!m_stop) {
        // Unbinding removes the node and binding makes it anew; a descriptor
        // on the old node sees nothing of the new connection.
        struct stat st = {};
        const bool present = ::stat(node.constData(), &st) == 0;
        if (fd >= 0 && (!present || st.st_ino != inode)) {
            ::close(fd);
            fd = -1;
        }
        if (fd < 0 && present) {
            fd = ::open(node.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            inode = st.st_ino;
        }
        pollfd p = {fd, POLLIN, 0};
        if (fd < 0 || m_stalled || ::poll(&p, 1, kTickMs) <= 0 || !(p.revents & POLLIN)) {
            if (fd < 0 || m_stalled || p.revents)
                ::usleep(kTickMs * 1000);
            continue;
        }
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            answerReport(fd, QByteArray(1, '\0') + QByteArray(buffer, int(n)));
    }
    if (fd >= 0)
        ::close(fd);
}

void GadgetInstrument::answerReport(int fd, const QByteArray& received)
{
    for (const QByteArray& report : answer(received)) {
        // The host takes one report per poll of the endpoint; one still pending
        // makes the next write fail with EAGAIN.
        const QDeadlineTimer deadline(kReplyWaitMs);
        while (::write(fd, report.constData(), size_t(report.size())) != report.size()) {
            if ((errno != EAGAIN && errno != EINTR) || deadline.hasExpired() || m_stop) {
                qCWarning(lcGadget, "input report lost: %s", std::strerror(errno));
                return;
            }
            pollfd p = {fd, POLLOUT, 0};
            ::poll(&p, 1, int(deadline.remainingTime()));
        }
    }
}

} // namespace sim
