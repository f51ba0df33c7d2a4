#pragma once

#include "CliRequest.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The command line of loop-tester-cli turned into a CliRequest, or into the
// help, the version or a usage error to print. No I/O: tests call it as it is.
struct CliParse
{
    enum class Kind
    {
        Run,
        Help,    // print text on standard output, exit 0
        Version, // likewise
        Error,   // print text on standard error, exit with the usage status
    };
    Kind kind = Kind::Error;
    CliRequest request;
    QString text;
};

class CliArguments
{
    Q_DECLARE_TR_FUNCTIONS(CliArguments)

public:
    // arguments as QCoreApplication::arguments() gives them: the program first.
    static CliParse parse(const QStringList& arguments);

    // "12.5 mOhm", "12.5mΩ", "800 uOhm": the value and the unit index (0 μΩ,
    // 1 mΩ); false for anything else. A decimal comma is not a number here.
    static bool parseComparison(const QString& text, double* value, int* unit);
};
