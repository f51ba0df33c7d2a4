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

#include <clocale>

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
        return ExitStatus::Ok;
    case CliParse::Kind::Version:
        out.line(parsed.text);
        return ExitStatus::Ok;
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
    return dispatch(session);
}
