#include "CliMain.h"

#include "CliArguments.h"
#include "CliOutput.h"
#include "CliReference.h"
#include "CliSession.h"
#include "ExitStatus.h"
#include "InstrumentCommands.h"
#include "JournalCommand.h"
#include "LinkClient.h"
#include "LiveCommands.h"
#include "SignalWatch.h"
#include "StoreCommand.h"

#include <QCoreApplication>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

#include <clocale>
#include <csignal>

namespace {

int dispatch(CliSession& session)
{
    switch (session.request().command) {
    case CliRequest::Command::List:
        return InstrumentCommands::list(session);
    case CliRequest::Command::Info:
        return InstrumentCommands::info(session);
    case CliRequest::Command::Set:
        return InstrumentCommands::set(session);
    case CliRequest::Command::Watch:
        return LiveCommands::watch(session);
    case CliRequest::Command::Test:
        return LiveCommands::test(session);
    case CliRequest::Command::ReadStore:
        return StoreCommand::run(session);
    }
    return ExitStatus::Usage;
}

} // namespace

int runCli(int& argc, char** argv, const std::function<QString()>& setUp)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(CliReference::programName());
    QCoreApplication::setApplicationVersion(QStringLiteral(LT_VERSION));
    // Output for scripts: numbers in the C locale, whatever the user's is.
    // QCoreApplication has just taken the C library's locale from the
    // environment; its number formatting goes back to C too.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");
    // Messages in English whatever the locale: the system's error texts, and
    // the texts shared with the window through its English catalogue.
    std::setlocale(LC_MESSAGES, "C");
    QTranslator english;
    if (english.load(QStringLiteral(":/lang_en.qm")))
        QCoreApplication::installTranslator(&english);
    // A closed pipe is then an error of the write, not the end of the
    // program: a running test can still be stopped (CliOutput).
    std::signal(SIGPIPE, SIG_IGN);

    // The program says itself what went wrong; the libraries' diagnostics
    // stay off unless QT_LOGGING_RULES asks for them.
    QLoggingCategory::setFilterRules(QStringLiteral("lt.*.debug=false\n"
                                                    "lt.*.info=false\n"
                                                    "lt.*.warning=false"));

    CliOutput out;
    // The journal needs no instrument and has actions of its own.
    if (QCoreApplication::arguments().value(1) == QLatin1String("journal"))
        return JournalCommand::run(QCoreApplication::arguments(), out);
    const CliParse parsed = CliArguments::parse(QCoreApplication::arguments());
    switch (parsed.kind) {
    case CliParse::Kind::Help:
        out.raw(parsed.text.toUtf8());
        return out.failureStatus();
    case CliParse::Kind::Version:
        out.line(parsed.text);
        return out.failureStatus();
    case CliParse::Kind::Error:
        out.error(parsed.text);
        return ExitStatus::Usage;
    case CliParse::Kind::Run:
        break;
    }
    if (setUp) {
        const QString problem = setUp();
        if (!problem.isEmpty()) {
            out.error(problem);
            return ExitStatus::Usage;
        }
    }

    SignalWatch signalWatch;
    LinkClient link;
    QObject::connect(&signalWatch, &SignalWatch::caught, &link, [&link](int) { link.interrupt(); });
    CliSession session(parsed.request, link, out, signalWatch);
    const int status = dispatch(session);
    // Results that did not reach their reader decide the status, unless a
    // signal ended the program first.
    return out.failed() && !signalWatch.lastSignal() ? out.failureStatus() : status;
}
