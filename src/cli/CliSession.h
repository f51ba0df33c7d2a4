#pragma once

#include "CliFormat.h"
#include "CliRequest.h"
#include "LinkClient.h"

#include <QCoreApplication>
#include <QString>

class CliOutput;
class SignalWatch;

// What every command shares: the request, the link, the output, and the way
// from a link outcome to a message and an exit status.
class CliSession
{
    Q_DECLARE_TR_FUNCTIONS(CliSession)

public:
    CliSession(const CliRequest& request, LinkClient& link, CliOutput& output,
               const SignalWatch& signalWatch);

    const CliRequest& request() const { return m_request; }
    LinkClient& link() { return m_link; }
    CliOutput& out() { return m_out; }

    // The instrument the request means (--device, or the only one attached),
    // opened, with its identity read. Returns the exit status: Ok, or the
    // failure, already reported.
    int openInstrument(CliFormat::Identity* identity, DeviceInfo* info = nullptr);
    // Opens a found instrument and reads its identity into *identity.
    // Returns the exit status; the failure's message goes to *message
    // instead of the output.
    int readIdentity(const LinkClient::Found& found, CliFormat::Identity* identity,
                     QString* message, DeviceInfo* info = nullptr);

    // The exit status for a failed outcome; the message (about doing `what`
    // with the instrument at path) goes to *message, or to the output when
    // message is null.
    int failure(LinkClient::Outcome outcome, const QString& path, const QString& what,
                QString* message = nullptr, int errorNumber = 0);
    // The status of the signal that interrupted the program.
    int interruptedStatus() const;

    static QString notFoundMessage();

private:
    const CliRequest& m_request;
    LinkClient& m_link;
    CliOutput& m_out;
    const SignalWatch& m_signalWatch;
};
