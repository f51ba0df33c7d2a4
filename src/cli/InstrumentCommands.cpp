#include "InstrumentCommands.h"

#include "CliFormat.h"
#include "CliOutput.h"
#include "CliSession.h"
#include "ExitStatus.h"
#include "Frames.h"

#include <QJsonArray>
#include <QJsonDocument>

int InstrumentCommands::list(CliSession& session)
{
    LinkClient& link = session.link();
    CliOutput& out = session.out();
    const bool json = session.request().output == CliRequest::Output::Json;

    QVector<LinkClient::Found> found;
    const LinkClient::Outcome r = link.detect(&found);
    if (r != LinkClient::Outcome::Ok)
        return session.failure(r, QString(), tr("looking for instruments"));

    int status = ExitStatus::Ok;
    QJsonArray array;
    for (const LinkClient::Found& f : found) {
        CliFormat::Identity identity;
        QString message;
        const int s = session.readIdentity(f, &identity, &message);
        link.close();
        if (link.wasInterrupted())
            return session.interruptedStatus();
        if (s != ExitStatus::Ok) {
            identity.error = message;
            out.error(message);
            if (status == ExitStatus::Ok)
                status = s;
        }
        if (json)
            array.append(CliFormat::identityJson(identity));
        else if (!out.line(CliFormat::identityLine(identity)))
            return out.failureStatus();
    }
    if (json)
        out.raw(QJsonDocument(array).toJson(QJsonDocument::Indented));
    if (found.isEmpty()) {
        out.error(CliSession::notFoundMessage());
        return ExitStatus::NotFound;
    }
    return status;
}

int InstrumentCommands::info(CliSession& session)
{
    CliFormat::Identity identity;
    const int status = session.openInstrument(&identity);
    if (status != ExitStatus::Ok)
        return status;
    if (session.request().output == CliRequest::Output::Json)
        session.out().raw(
            QJsonDocument(CliFormat::identityJson(identity)).toJson(QJsonDocument::Indented));
    else
        session.out().raw(CliFormat::identityText(identity).toUtf8());
    return ExitStatus::Ok;
}

int InstrumentCommands::set(CliSession& session)
{
    const CliRequest& request = session.request();
    CliFormat::Identity identity;
    const int status = session.openInstrument(&identity);
    if (status != ExitStatus::Ok)
        return status;

    // The instrument's pause after a new test time is the link worker's.
    struct Step
    {
        QString what;
        QByteArray frame;
    };
    QVector<Step> steps;
    if (request.currentAmps > 0)
        steps.append({tr("the test current %1 A").arg(request.currentAmps),
                      frames::testCurrentFrame(request.currentIndex)});
    if (request.timeSeconds > 0)
        steps.append({tr("the test time %1 s").arg(request.timeSeconds),
                      frames::testTimeFrame(request.timeSeconds)});
    if (request.comparison == CliRequest::Comparison::Off)
        steps.append({tr("switching the comparison off"), frames::comparisonSwitchFrame(false)});
    if (request.comparison == CliRequest::Comparison::On) {
        // The limit first: the instrument never judges against a stale one.
        const QString unit =
            request.comparisonUnit == 1 ? QStringLiteral("mΩ") : QStringLiteral("μΩ");
        steps.append(
            {tr("the comparison limit %1 %2")
                 .arg(QString::number(request.comparisonValue, 'f', request.comparisonDecimals),
                      unit),
             frames::comparisonSettingFrame(request.comparisonValue, request.comparisonUnit)});
        steps.append({tr("switching the comparison on"), frames::comparisonSwitchFrame(true)});
    }

    LinkClient& link = session.link();
    for (int i = 0; i < steps.size(); ++i) {
        const Step& step = steps.at(i);
        LinkClient::Outcome r = link.writeSetting(step.frame);
        if (r != LinkClient::Outcome::Ok) {
            const int failed = session.failure(r, identity.path, step.what);
            if (i + 1 < steps.size())
                session.out().note(
                    tr("%n later setting(s) not written.", nullptr, int(steps.size()) - i - 1));
            return failed;
        }
        session.out().line(tr("accepted: %1").arg(step.what));
    }
    return ExitStatus::Ok;
}
