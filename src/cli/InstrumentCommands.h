#pragma once

#include <QCoreApplication>

class CliSession;

// The commands that find instruments, show who they are and change their
// settings: list, info, set. Each returns the program's exit status.
class InstrumentCommands
{
    Q_DECLARE_TR_FUNCTIONS(InstrumentCommands)

public:
    static int list(CliSession& session);
    static int info(CliSession& session);
    static int set(CliSession& session);
};
