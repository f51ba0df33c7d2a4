#include "LiveCommands.h"

#include "CliFormat.h"
#include "CliOutput.h"
#include "CliSession.h"
#include "ExitStatus.h"
#include "Protocol.h"

#include <QElapsedTimer>
#include <QJsonDocument>

namespace {

// Added to the set test time when no --timeout is given.
constexpr int kTimeoutMarginSeconds = 30;
// Readings after an acknowledged start that may still show no test before
// the start counts as not taken.
constexpr int kReadingsUntilStarted = 10;

using Outcome = LinkClient::Outcome;

QString jsonLine(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

int LiveCommands::watch(CliSession& session)
{
    const CliRequest& request = session.request();
    CliOutput& out = session.out();
    LinkClient& link = session.link();
    CliFormat::Identity identity;
    const int status = session.openInstrument(&identity);
    if (status != ExitStatus::Ok)
        return status;

    if (request.output == CliRequest::Output::Csv && !out.line(CliFormat::readingCsvHeader()))
        return out.failureStatus();
    int shown = 0;
    int badInRow = 0;
    QElapsedTimer cycle;
    for (;;) {
        cycle.start();
        ReceiveLiveData reading;
        const Outcome r = link.live(&reading);
        if (r == Outcome::BadData && ++badInRow < kBadReadingsLimit) {
            out.warning(tr("a live reading failed its checksum or was out of range; skipped."));
        } else if (r != Outcome::Ok) {
            return session.failure(r, identity.path, tr("a live reading"));
        } else {
            badInRow = 0;
            const QDateTime now = QDateTime::currentDateTime();
            bool written = false;
            switch (request.output) {
            case CliRequest::Output::Json:
                written = out.line(jsonLine(CliFormat::readingJson(now, reading)));
                break;
            case CliRequest::Output::Csv:
                written = out.line(CliFormat::readingCsv(now, reading));
                break;
            case CliRequest::Output::Text:
                written = out.line(CliFormat::readingText(now, reading));
                break;
            }
            if (!written)
                return out.failureStatus();
            if (request.count > 0 && ++shown >= request.count)
                return ExitStatus::Ok;
        }
        if (link.pause(request.intervalMs - int(cycle.elapsed())) != Outcome::Ok)
            return session.interruptedStatus();
    }
}

namespace {

// Asks the instrument to stop the running test and says how that went;
// used whenever test gives up or is interrupted.
void stopTest(CliSession& session, const QString& path)
{
    const Outcome r = session.link().stopTest();
    if (r == Outcome::Ok)
        session.out().note(LiveCommands::tr("the test on %1 was stopped.").arg(path));
    else
        session.failure(r, path, LiveCommands::tr("stopping the test"));
}

} // namespace

int LiveCommands::test(CliSession& session)
{
    const CliRequest& request = session.request();
    CliOutput& out = session.out();
    LinkClient& link = session.link();
    CliFormat::Identity identity;
    int status = session.openInstrument(&identity);
    if (status != ExitStatus::Ok)
        return status;
    const QString& path = identity.path;

    ReceiveLiveData reading;
    Outcome r = link.live(&reading);
    if (r != Outcome::Ok)
        return session.failure(r, path, tr("a live reading"));
    if (reading.testState == teststate::Testing) {
        out.error(tr("a test is already running on %1; it was not started here.").arg(path));
        return ExitStatus::Refused;
    }
    const QString storedBefore = reading.storeNumber;
    const int timeoutSeconds = request.timeoutSeconds > 0
                                   ? request.timeoutSeconds
                                   : reading.testingTime + kTimeoutMarginSeconds;

    QElapsedTimer since;
    since.start();
    r = link.startTest();
    if (r == Outcome::Interrupted) { // the start may have reached the instrument
        stopTest(session, path);
        return session.interruptedStatus();
    }
    if (r != Outcome::Ok)
        return session.failure(r, path, tr("the start of a test"));
    out.progress(tr("test started on %1").arg(path));

    bool sawTesting = false;
    int badInRow = 0;
    int notStarted = 0;
    for (;;) {
        r = link.live(&reading);
        if (r == Outcome::Interrupted) {
            stopTest(session, path);
            return session.interruptedStatus();
        }
        if (out.readerGone()) { // nobody is left to receive the record
            stopTest(session, path);
            return out.failureStatus();
        }
        if (r == Outcome::BadData && ++badInRow < kBadReadingsLimit) {
            out.warning(tr("a live reading failed its checksum or was out of range; skipped."));
        } else if (r == Outcome::BadData) {
            status = session.failure(r, path, tr("a live reading"));
            stopTest(session, path);
            return status;
        } else if (r != Outcome::Ok) {
            return session.failure(r, path, tr("a live reading"));
        } else {
            badInRow = 0;
            if (reading.testState == teststate::Testing) {
                sawTesting = true;
                const int left = CliFormat::timeLeftSeconds(reading);
                out.progress(left < 0 ? tr("testing") : tr("testing: %1 s left").arg(left));
            } else if (sawTesting) {
                // Only a test seen running can end: a "complete" shown before
                // any "testing" may be the previous test's. The instrument
                // shows "complete" for a few seconds and stores the test: a
                // slow poll that finds it waiting again still sees the new
                // group. A test that ends with neither was stopped (the
                // instrument's key): its reading is no result.
                if (reading.testState == teststate::Complete || reading.storeNumber != storedBefore)
                    break;
                out.error(tr("the test on %1 was stopped at the instrument before it completed; "
                             "no record, no verdict.")
                              .arg(path));
                return ExitStatus::TestAborted;
            } else if (++notStarted >= kReadingsUntilStarted) {
                out.error(
                    tr("the instrument at %1 acknowledged the start but runs no test.").arg(path));
                return ExitStatus::Refused;
            }
        }
        if (since.elapsed() > qint64(timeoutSeconds) * 1000) {
            out.error(tr("the test did not end within %1 s.").arg(timeoutSeconds));
            stopTest(session, path);
            return ExitStatus::TestTimedOut;
        }
        if (link.pause(request.intervalMs) != Outcome::Ok) {
            stopTest(session, path);
            return session.interruptedStatus();
        }
    }
    out.endProgress();

    const QStringList row =
        CliFormat::liveRecordRow(1, QDateTime::currentDateTime(), reading, request.remark);
    if (request.output == CliRequest::Output::Json)
        out.raw(QJsonDocument(CliFormat::jsonRow(CliFormat::liveRecordKeys(), row,
                                                 CliFormat::liveRecordNumbers()))
                    .toJson(QJsonDocument::Indented));
    else
        out.raw(CliFormat::labelledText(CliFormat::liveRecordHeaders(), row).toUtf8());
    return ExitStatus::forJudgement(reading.comparativeResult);
}
