#pragma once

#include <QCoreApplication>
#include <QStringList>

class CliOutput;

// journal: the measurement journal and the central database it is forwarded
// to, from a terminal: what waits (status), forwarding now (sync), records
// of a period to a file (export) and setting up or upgrading the server's
// tables (upgrade-server). Needs no instrument.
class JournalCommand
{
    Q_DECLARE_TR_FUNCTIONS(JournalCommand)

public:
    // `arguments` as the program got them ("loop-tester-cli journal ...").
    static int run(const QStringList& arguments, CliOutput& out);
};
