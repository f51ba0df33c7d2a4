#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

// What loop-tester-cli offers, described once: its commands, their options
// and the texts that explain them. The argument parser, --help and the man
// page are all built from here.

struct CliOption
{
    QStringList names; // short and long names without dashes, e.g. {"o", "output"}
    QString valueName; // empty for a flag
    QString description;
};

struct CliCommand
{
    QString name;
    QString synopsis; // the command's arguments as a usage line shows them
    QString summary;  // one sentence, for the command list
    QString description;
    QVector<CliOption> options; // --help not included
};

// The ranges the options take, for the parser and the help alike.
namespace clilimits {
constexpr int kMinTestTime = 10; // seconds, what the instrument accepts
constexpr int kMaxTestTime = 60;
constexpr double kMinComparison = 0.0001; // the smallest limit its format shows
constexpr double kMaxComparison = 9999.9; // the largest
constexpr int kMinIntervalMs = 50;
constexpr int kMaxIntervalMs = 60000;
constexpr int kMaxTimeoutSeconds = 86400;
} // namespace clilimits

class CliReference
{
    Q_DECLARE_TR_FUNCTIONS(CliReference)

public:
    static QString programName();
    // One paragraph on what the program is for.
    static QString overview();
    static QVector<CliCommand> commands();
    // The command of that name, or nullptr.
    static const CliCommand* command(const QString& name);

    // The whole program's help and one command's help, as --help prints them.
    static QString programHelp();
    static QString commandHelp(const CliCommand& command);
    // "-o, --output FILE" as a help line shows an option.
    static QString optionLabel(const CliOption& option);
    static CliOption helpOption();
};
