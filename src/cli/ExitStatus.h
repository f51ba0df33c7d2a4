#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVector>

// The exit statuses of loop-tester-cli: what a script branches on. --help,
// the man page and the README's table all come from or follow table(), so
// they cannot drift apart.
class ExitStatus
{
    Q_DECLARE_TR_FUNCTIONS(ExitStatus)

public:
    enum Code : int
    {
        Ok = 0,             // done; for test: the verdict is PASS
        Usage = 1,          // a wrong command line
        NotFound = 2,       // no instrument, or none at the --device path
        NoPermission = 3,   // found but not allowed to open it (udev rule)
        NoAnswer = 4,       // no answer, or the link was lost (unplugged)
        Refused = 5,        // the instrument refused a setting or a start
        BadData = 6,        // a reply failed its checksum or made no sense
        Incomplete = 7,     // read-store: some groups unread, their rows empty
        OutputFailed = 8,   // the output file or standard output could not be written
        SeveralFound = 9,   // more than one instrument and no --device
        TestFail = 10,      // test: the verdict is FAIL
        NoJudgement = 11,   // test: finished without a verdict (comparison off)
        TestTimedOut = 12,  // test: not finished within --timeout (stopped)
        TestAborted = 13,   // test: stopped at the instrument before it completed
        CentralFailed = 14, // journal: the journal or the central database unusable
        Interrupted = 130,  // Ctrl-C (SIGINT); other signals give 128 + number
        OutputClosed = 141, // the reader of standard output went away (as SIGPIPE would)
    };

    // 128 + the number of the signal that ended the program.
    static constexpr int forSignal(int signalNumber) { return 128 + signalNumber; }

    // The status of a finished test from its judgement text ("PASS", "FAIL",
    // or empty when the instrument judged nothing).
    static Code forJudgement(const QString& judgement);

    struct Entry
    {
        int code;
        QString meaning;
    };
    // Every status with its meaning, in ascending order.
    static QVector<Entry> table();
};
