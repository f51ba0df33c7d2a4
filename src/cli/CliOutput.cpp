#include "CliOutput.h"

#include "CliReference.h"

#include <unistd.h>

CliOutput::CliOutput(std::FILE* out, std::FILE* err)
    : m_out(out), m_err(err), m_errIsTerminal(isatty(fileno(err)) == 1)
{
}

void CliOutput::line(const QString& text)
{
    raw((text + QLatin1Char('\n')).toUtf8());
}

void CliOutput::raw(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_out);
    std::fflush(m_out);
}

void CliOutput::toError(const QString& text)
{
    endProgress();
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_err);
    std::fflush(m_err);
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
    const QByteArray bytes = "\r" + text.toUtf8() + "\x1b[K";
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_err);
    std::fflush(m_err);
    m_progressShown = true;
}

void CliOutput::endProgress()
{
    if (!m_progressShown)
        return;
    std::fwrite("\r\x1b[K", 1, 4, m_err);
    std::fflush(m_err);
    m_progressShown = false;
}
