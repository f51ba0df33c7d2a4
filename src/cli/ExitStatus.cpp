#include "ExitStatus.h"

ExitStatus::Code ExitStatus::forJudgement(const QString& judgement)
{
    if (judgement == QLatin1String("PASS"))
        return Ok;
    if (judgement == QLatin1String("FAIL"))
        return TestFail;
    return NoJudgement;
}

QVector<ExitStatus::Entry> ExitStatus::table()
{
    return {
        {Ok, tr("success; for test, the verdict is PASS")},
        {Usage, tr("wrong command line")},
        {NotFound, tr("no instrument found, or none at the --device path")},
        {NoPermission, tr("an instrument was found but may not be opened (install the udev rule)")},
        {NoAnswer, tr("the instrument did not answer, or the link was lost")},
        {Refused, tr("the instrument refused a setting or the start of a test")},
        {BadData, tr("a reply failed its checksum or could not be understood")},
        {Incomplete, tr("read-store: some groups could not be read; their rows are left empty")},
        {OutputFailed, tr("the output file or standard output could not be written")},
        {SeveralFound, tr("more than one instrument is attached and no --device was given")},
        {TestFail, tr("test: the verdict is FAIL")},
        {NoJudgement, tr("test: finished without a verdict (comparison off)")},
        {TestTimedOut, tr("test: not finished within --timeout; the test was stopped")},
        {TestAborted, tr("test: stopped at the instrument before it completed; no record and "
                         "no verdict")},
        {CentralFailed, tr("journal: the journal or the central database could not be used")},
        {Interrupted, tr("interrupted by Ctrl-C; a running test was stopped first "
                         "(SIGTERM gives 143)")},
        {OutputClosed, tr("standard output was closed by its reader (e.g. head); the program "
                          "ended quietly, after stopping a running test")},
    };
}
