#pragma once

#include <QCoreApplication>

class CliSession;

// The commands that follow the instrument's live readings: watch, and test,
// which starts a test, follows it and reports its record and verdict. Each
// returns the program's exit status.
class LiveCommands
{
    Q_DECLARE_TR_FUNCTIONS(LiveCommands)

public:
    static int watch(CliSession& session);
    static int test(CliSession& session);

    // Unusable readings in a row (checksum errors, fields out of range)
    // after which a command gives up.
    static constexpr int kBadReadingsLimit = 3;
};
