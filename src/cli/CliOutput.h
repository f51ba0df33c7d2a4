#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

// Where loop-tester-cli writes: results on standard output, messages on
// standard error, always UTF-8 whatever the locale says, each write handed
// to the system at once (nothing waits in a buffer for the exit) so that a
// script reading a pipe sees it without delay.
//
// A failed write of results is kept: the program then ends as soon as it
// can, with OutputFailed and a message, or quietly with OutputClosed when the
// reader of a pipe has gone (EPIPE; the program ignores SIGPIPE so that it
// can stop a running test first). Messages on standard error are best
// effort: there is nowhere left to report their failure.
class CliOutput
{
    Q_DECLARE_TR_FUNCTIONS(CliOutput)

public:
    explicit CliOutput(int outFd = 1, int errFd = 2);

    // A line of results (a line end is added). False once results cannot be written.
    bool line(const QString& text);
    // Results as they are.
    bool raw(const QByteArray& bytes);
    // Whether a write of results has failed.
    bool failed() const { return m_failure != 0; }
    // The exit status a failed write of results gives (0 while none failed).
    int failureStatus() const { return m_failure; }
    // Whether standard output is a pipe or terminal whose other end has
    // gone, found without writing; counts as a failed write (OutputClosed).
    bool readerGone();

    // "loop-tester-cli: text" on standard error.
    void error(const QString& text);
    // "loop-tester-cli: warning: text" on standard error.
    void warning(const QString& text);
    // A note for the person at the terminal, on standard error.
    void note(const QString& text);
    // A progress line, rewritten in place; only when standard error is a terminal.
    void progress(const QString& text);
    void endProgress();
    bool errorIsTerminal() const { return m_errIsTerminal; }

private:
    void toError(const QString& text);

    int m_out;
    int m_err;
    bool m_errIsTerminal;
    bool m_progressShown = false;
    int m_failure = 0;
};
