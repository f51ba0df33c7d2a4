#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <cstdio>

// Where loop-tester-cli writes: results on standard output, messages on
// standard error, always UTF-8 whatever the locale says, each line flushed
// at once so that a script reading a pipe sees it without delay.
class CliOutput
{
    Q_DECLARE_TR_FUNCTIONS(CliOutput)

public:
    explicit CliOutput(std::FILE* out = stdout, std::FILE* err = stderr);

    // A line of results (a line end is added).
    void line(const QString& text);
    // Results as they are.
    void raw(const QByteArray& bytes);
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

    std::FILE* m_out;
    std::FILE* m_err;
    bool m_errIsTerminal;
    bool m_progressShown = false;
};
