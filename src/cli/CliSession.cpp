#include "CliSession.h"

#include "CliOutput.h"
#include "ExitStatus.h"
#include "SignalWatch.h"

#include <csignal>

CliSession::CliSession(const CliRequest& request, LinkClient& link, CliOutput& output,
                       const SignalWatch& signalWatch)
    : m_request(request), m_link(link), m_out(output), m_signalWatch(signalWatch)
{
}

QString CliSession::notFoundMessage()
{
    return tr("no instrument found (USB vendor 1a86, product e429): check the cable and that "
              "the instrument is switched on.");
}

int CliSession::interruptedStatus() const
{
    const int caught = m_signalWatch.lastSignal();
    return caught ? ExitStatus::forSignal(caught) : int(ExitStatus::Interrupted);
}

int CliSession::failure(LinkClient::Outcome outcome, const QString& path, const QString& what,
                        QString* message, int errorNumber)
{
    using O = LinkClient::Outcome;
    QString text;
    int status = ExitStatus::NoAnswer;
    switch (outcome) {
    case O::Ok:
        return ExitStatus::Ok;
    case O::Interrupted:
        return interruptedStatus();
    case O::NotFound:
        text = tr("the instrument at %1 is no longer there.").arg(path);
        status = ExitStatus::NotFound;
        break;
    case O::NoPermission:
        text = tr("found an instrument at %1 but may not open it: install the udev rule "
                  "60-loop-tester.rules (see the README, \"The real instrument\"), then unplug "
                  "and replug the instrument.")
                   .arg(path);
        status = ExitStatus::NoPermission;
        break;
    case O::OpenFailed:
        text = tr("cannot open the instrument at %1: %2.").arg(path, qt_error_string(errorNumber));
        break;
    case O::NoAnswer: {
        // The link worker closes the link either way; whether the instrument
        // is still on the bus tells a silent instrument from an unplugged one.
        QVector<LinkClient::Found> found;
        bool present = false;
        if (m_link.detect(&found) == O::Ok)
            for (const LinkClient::Found& f : found)
                present = present || f.path == path;
        text = present ? tr("the instrument at %1 did not answer (%2): check that it is "
                            "switched on.")
                             .arg(path, what)
                       : tr("link lost (%1): the instrument at %2 was unplugged.").arg(what, path);
        break;
    }
    case O::Refused:
        text = tr("the instrument refused %1.").arg(what);
        status = ExitStatus::Refused;
        break;
    case O::BadData:
        text = tr("bad reply from the instrument at %1 (%2): it failed its checksum or could "
                  "not be understood.")
                   .arg(path, what);
        status = ExitStatus::BadData;
        break;
    case O::NoData:
        text = tr("the instrument holds no stored records.");
        status = ExitStatus::BadData;
        break;
    case O::Stuck:
        text = tr("the link did not finish %1 within %2 s.")
                   .arg(what)
                   .arg(LinkClient::kExchangeBoundMs / 1000);
        break;
    }
    if (message)
        *message = text;
    else
        m_out.error(text);
    return status;
}

int CliSession::readIdentity(const LinkClient::Found& found, CliFormat::Identity* identity,
                             QString* message, DeviceInfo* info)
{
    identity->path = found.path;
    identity->usbPort = found.usbPort;
    identity->serial = found.serial;
    int errorNumber = 0;
    LinkClient::Outcome r = m_link.open(found.path, &errorNumber);
    if (r != LinkClient::Outcome::Ok)
        return failure(r, found.path, tr("opening it"), message, errorNumber);
    DeviceInfo read;
    r = m_link.identity(&read);
    if (r != LinkClient::Outcome::Ok)
        return failure(r, found.path, tr("reading its identity"), message);
    identity->model = read.model;
    identity->version = read.version;
    if (info)
        *info = read;
    return ExitStatus::Ok;
}

int CliSession::openInstrument(CliFormat::Identity* identity, DeviceInfo* info)
{
    QVector<LinkClient::Found> found;
    const LinkClient::Outcome r = m_link.detect(&found);
    if (r != LinkClient::Outcome::Ok)
        return failure(r, QString(), tr("looking for instruments"));

    QStringList attached;
    for (const LinkClient::Found& f : found)
        attached.append(QStringLiteral("  ") + f.path +
                        (f.serial.isEmpty() ? QString() : tr(" (serial number %1)").arg(f.serial)));

    const LinkClient::Found* chosen = nullptr;
    if (!m_request.device.isEmpty()) {
        for (const LinkClient::Found& f : found)
            if (f.path == m_request.device)
                chosen = &f;
        if (!chosen) {
            m_out.error(
                found.isEmpty()
                    ? tr("no instrument at %1; no instrument is attached.").arg(m_request.device)
                    : tr("no instrument at %1; attached:").arg(m_request.device) +
                          QLatin1Char('\n') + attached.join(QLatin1Char('\n')));
            return ExitStatus::NotFound;
        }
    } else if (found.isEmpty()) {
        m_out.error(notFoundMessage());
        return ExitStatus::NotFound;
    } else if (found.size() > 1) {
        m_out.error(
            tr("%1 instruments are attached; choose one with --device PATH:").arg(found.size()) +
            QLatin1Char('\n') + attached.join(QLatin1Char('\n')));
        return ExitStatus::SeveralFound;
    } else {
        chosen = &found.first();
    }
    return readIdentity(*chosen, identity, nullptr, info);
}
