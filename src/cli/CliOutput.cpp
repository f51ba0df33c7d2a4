#include "CliOutput.h"

#include "CliReference.h"
#include "ExitStatus.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

// Writes all of bytes to fd, resuming after signals and partial writes.
// Returns 0, or the errno of the failure.
int writeAll(int fd, const QByteArray& bytes)
{
    const char* at = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        at += n;
        left -= n;
    }
    return 0;
}

} // namespace

CliOutput::CliOutput(int outFd, int errFd)
    : m_out(outFd), m_err(errFd), m_errIsTerminal(isatty(errFd) == 1)
{
}

bool CliOutput::line(const QString& text)
{
    return raw((text + QLatin1Char('\n')).toUtf8());
}

bool CliOutput::raw(const QByteArray& bytes)
{
    if (m_failure)
        return false;
    const int error = writeAll(m_out, bytes);
    if (error == EPIPE) {
        m_failure = ExitStatus::OutputClosed;
    } else if (error != 0) {
        m_failure = ExitStatus::OutputFailed;
        this->error(tr("cannot write to standard output: %1.").arg(qt_error_string(error)));
    }
    return m_failure == 0;
}

bool CliOutput::readerGone()
{
    if (m_failure)
        return m_failure == ExitStatus::OutputClosed;
    // A pipe without readers polls as an error, a hung-up terminal as a hang-up.
    pollfd p{m_out, POLLOUT, 0};
    if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLERR | POLLHUP)) != 0) {
        m_failure = ExitStatus::OutputClosed;
        return true;
    }
    return false;
}

void CliOutput::toError(const QString& text)
{
    endProgress();
    writeAll(m_err, (text + QLatin1Char('\n')).toUtf8());
}

void CliOutput::error(const QString& text)
{
    toError(CliReference::programName() + QStringLiteral(": ") + text);
}

void CliOutput::warning(const QString& text)
{
    toError(CliReference::programName() + QStringLiteral(": ") + tr("warning: %1").arg(text));
}

void CliOutput::note(const QString& text)
{
    toError(CliReference::programName() + QStringLiteral(": ") + text);
}

void CliOutput::progress(const QString& text)
{
    if (!m_errIsTerminal)
        return;
    // Carriage return, the text, then erase what a longer earlier text left.
    writeAll(m_err, "\r" + text.toUtf8() + "\x1b[K");
    m_progressShown = true;
}

void CliOutput::endProgress()
{
    if (!m_progressShown)
        return;
    writeAll(m_err, QByteArrayLiteral("\r\x1b[K"));
    m_progressShown = false;
}
