#include "CliReference.h"

#include "ExitStatus.h"

#include <algorithm>

namespace {

constexpr int kLineWidth = 79;

// The words of text in lines of at most width characters (a longer word gets
// a line of its own), every line after the first indented by indent.
QString wrapped(const QString& text, int width, int indent)
{
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString out;
    int lineLength = 0;
    for (const QString& word : words) {
        if (lineLength > 0 && lineLength + 1 + word.size() > width) {
            out += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            lineLength = 0;
        } else if (lineLength > 0) {
            out += QLatin1Char(' ');
            ++lineLength;
        }
        out += word;
        lineLength += word.size();
    }
    return out;
}

QString paragraph(const QString& text)
{
    return wrapped(text, kLineWidth, 0) + QLatin1Char('\n');
}

// Lines up a two-column list (labels, then texts) the way help texts do.
QString columns(const QVector<QPair<QString, QString>>& rows)
{
    constexpr int kIndent = 2;
    int width = 0;
    for (const auto& row : rows)
        width = std::max(width, int(row.first.size()));
    const int textColumn = kIndent + width + 2;
    QString out;
    for (const auto& row : rows) {
        out += QString(kIndent, QLatin1Char(' ')) + row.first.leftJustified(width + 2) +
               wrapped(row.second, kLineWidth - textColumn, textColumn) + QLatin1Char('\n');
    }
    return out;
}

} // namespace

QString CliReference::programName()
{
    return QStringLiteral("loop-tester-cli");
}

QString CliReference::overview()
{
    return tr("Drives an RV718A or RV718B loop-resistance tester over USB from a terminal or a "
              "script: lists the instruments attached, shows their identity and live readings, "
              "changes their settings, runs a test and reports its verdict, and reads back the "
              "records stored in the instrument.");
}

CliOption CliReference::helpOption()
{
    return {{QStringLiteral("h"), QStringLiteral("help")}, QString(), tr("Shows this help.")};
}

QVector<CliCommand> CliReference::commands()
{
    const CliOption device{{QStringLiteral("device")},
                           tr("PATH"),
                           tr("The instrument to use, by its path as list shows it. Needed when "
                              "more than one instrument is attached.")};
    const CliOption json{{QStringLiteral("json")}, QString(), tr("Prints JSON.")};

    QVector<CliCommand> all;
    all.append({QStringLiteral("list"),
                QStringLiteral("[--json]"),
                tr("Lists every attached instrument with its identity."),
                tr("Finds every instrument on the USB bus (vendor 1a86, product e429), reads its "
                   "identity and prints one line per instrument, fields separated by tabs: path, "
                   "USB port, serial number, model, version (\"-\" where there is none). With "
                   "--json: an array of objects with the keys path, usb_port, serial, model, "
                   "version, and error for an instrument that could not be read."),
                {{{QStringLiteral("json")}, QString(), tr("Prints a JSON array.")}}});
    all.append({QStringLiteral("info"),
                QStringLiteral("[--device PATH] [--json]"),
                tr("Shows the identity of one instrument."),
                tr("Reads the identity of the instrument: its path, USB port, serial number, "
                   "model and firmware version."),
                {device, json}});
    all.append({QStringLiteral("watch"),
                QStringLiteral("[--device PATH] [--interval MS] [--count N] [--csv | --json]"),
                tr("Prints live readings until interrupted, N readings, or unplug."),
                tr("Polls the instrument and prints one line per reading: time, test state "
                   "(waiting, testing, complete), resistance with its unit, test current, time "
                   "left and judgement. --json prints JSON Lines: one JSON object per line, "
                   "with the keys time, state, resistance, resistance_unit, current, "
                   "current_unit, time_left (seconds), judgement, over_temperature, and the "
                   "numbers resistance_ohm (ohms) and current_a (amperes), null when the "
                   "instrument shows none (OL, LO, no reading yet). --csv prints a header line "
                   "naming the same columns, then comma-separated values (an empty field for "
                   "no number). Every line is written as it is read, so what was printed stays "
                   "when the link is lost. Ends after --count readings, on Ctrl-C, or when the "
                   "instrument is unplugged (exit status 4)."),
                {device,
                 {{QStringLiteral("interval")},
                  tr("MS"),
                  tr("Time between two readings in milliseconds, %1 to %2 (default 500).")
                      .arg(clilimits::kMinIntervalMs)
                      .arg(clilimits::kMaxIntervalMs)},
                 {{QStringLiteral("count")},
                  tr("N"),
                  tr("Stops after N readings, 1 or more (default: until interrupted).")},
                 {{QStringLiteral("csv")}, QString(), tr("Prints comma-separated values.")},
                 {{QStringLiteral("json")},
                  QString(),
                  tr("Prints one JSON object per line (JSON Lines).")}}});
    all.append(
        {QStringLiteral("set"),
         QStringLiteral("[--device PATH] [--current A] [--time S] "
                        "[--compare VALUE UNIT | --compare off]"),
         tr("Writes settings to the instrument."),
         tr("Writes each given setting in turn (current, time, comparison) and waits for the "
            "instrument's acknowledgement; prints one line per accepted setting. A refused "
            "setting is an error that names it (exit status 5); the settings after it are not "
            "written."),
         {device,
          {{QStringLiteral("current")},
           tr("A"),
           tr("Test current in amperes: 5, or 10 to 200 in steps of 10 (an RV718A goes to "
              "100).")},
          {{QStringLiteral("time")},
           tr("S"),
           tr("Test time in whole seconds, %1 to %2.")
               .arg(clilimits::kMinTestTime)
               .arg(clilimits::kMaxTestTime)},
          {{QStringLiteral("compare")},
           tr("VALUE UNIT"),
           tr("Switches the comparison on with this limit, %1 to %2, in uOhm or mOhm (also "
              "written μΩ, mΩ), e.g. --compare 12.5 mOhm. The instrument keeps five "
              "significant digits (12.500); a limit it would show as 0 is refused. "
              "\"--compare off\" switches it off.")
               .arg(clilimits::kMinComparison)
               .arg(clilimits::kMaxComparison)}}});
    all.append(
        {QStringLiteral("test"),
         QStringLiteral("[--device PATH] [--timeout S] [--interval MS] [--remark TEXT] "
                        "[--json]"),
         tr("Runs a test and reports its record and verdict."),
         tr("Starts a test, follows it and prints the finished record as the window's "
            "record table shows it: No., recording time, testing time, current set, "
            "testing current, test resistance, comparison, comparative result, remark. "
            "--json prints them as one object with the keys no, recording_time, testing_time, "
            "current_set, testing_current, test_resistance, comparison, comparative_result "
            "and remark, and the numbers testing_time_s, current_set_a, current_a, "
            "resistance_ohm and comparison_ohm in seconds, amperes and ohms (null when there "
            "is none: OL, LO, comparison off). The exit status tells the verdict apart: 0 "
            "PASS, 10 FAIL, 11 no judgement; a test stopped at the instrument before it "
            "completed has no record and no verdict (13). Ctrl-C stops the test on the "
            "instrument before the program exits."),
         {device,
          {{QStringLiteral("timeout")},
           tr("S"),
           tr("Stops the test and gives up after S seconds, 1 to %1 (default: the test "
              "time plus 30 s).")
               .arg(clilimits::kMaxTimeoutSeconds)},
          {{QStringLiteral("interval")},
           tr("MS"),
           tr("Time between two readings while the test runs, %1 to %2 (default 200).")
               .arg(clilimits::kMinIntervalMs)
               .arg(clilimits::kMaxIntervalMs)},
          {{QStringLiteral("remark")}, tr("TEXT"), tr("The record's remark.")},
          {{QStringLiteral("json")}, QString(), tr("Prints the record as a JSON object.")}}});
    all.append({QStringLiteral("read-store"),
                QStringLiteral("[--device PATH] [-o FILE] [--format csv|json|xlsx]"),
                tr("Reads every stored record back."),
                tr("Reads every group stored in the instrument and writes the table of the "
                   "stored-data page: store number, recording time, testing time, testing "
                   "current, test resistance, comparison, comparative result. CSV and JSON "
                   "add the numbers testing_time_s, current_a, resistance_ohm and "
                   "comparison_ohm in seconds, amperes and ohms (CSV: empty, JSON: null when "
                   "there is none). A group the instrument does not deliver stays an empty "
                   "row (exit status 7); when the link is lost part-way, what was read is "
                   "written all the same, the rest as empty rows (exit status 4). The output "
                   "file is checked before the instrument is asked anything. Shows its "
                   "progress on standard error when that is a terminal. The file is replaced "
                   "only once it is complete."),
                {device,
                 {{QStringLiteral("o"), QStringLiteral("output")},
                  tr("FILE"),
                  tr("Writes to FILE instead of standard output (\"-\").")},
                 {{QStringLiteral("format")},
                  tr("FORMAT"),
                  tr("csv, json or xlsx (xlsx needs -o). Default: from the file name's "
                     "suffix, else csv.")}}});
    all.append(
        {QStringLiteral("journal"),
         QStringLiteral("status|sync|export|upgrade-server [--from TIME --to TIME] "
                        "[--station NAME] [--object NAME] [-o FILE] [--format csv|json|xlsx]"),
         tr("Shows, forwards and exports the measurement journal's records."),
         tr("Works on the window's measurement journal and the central PostgreSQL database it "
            "forwards records to (configured in ~/.config/loop-tester/central.conf, [central] "
            "connection: a libpq connection string or a service name; or PGSERVICE). status: "
            "the records waiting to be forwarded and the server's answer. sync: forwards the "
            "waiting records now (exit status 13 when the server cannot take them). export: "
            "the records made between --from and --to (a date or an ISO time), from the central "
            "database, or from the local journal when none is configured, as CSV, JSON or xlsx "
            "with one column per field of a central row. upgrade-server: creates or upgrades "
            "the server's tables and roles (run as the database's administrator). The journal "
            "is held by the window while it runs; the window forwards by itself."),
         {{{QStringLiteral("from")}, tr("TIME"), tr("export: the first recording time.")},
          {{QStringLiteral("to")},
           tr("TIME"),
           tr("export: the last recording time (a date: to the end of that day).")},
          {{QStringLiteral("station")},
           tr("NAME"),
           tr("export: only this station's records; status and sync: this station's name "
              "(default: the configured one, else the host name).")},
          {{QStringLiteral("object")}, tr("NAME"), tr("export: only records of this object.")},
          {{QStringLiteral("o"), QStringLiteral("output")},
           tr("FILE"),
           tr("export: writes to FILE instead of standard output.")},
          {{QStringLiteral("format")},
           tr("FORMAT"),
           tr("csv, json or xlsx (xlsx needs -o). Default: from the file name's suffix, else "
              "csv.")},
          {{QStringLiteral("connection")},
           tr("CONNINFO"),
           tr("A libpq connection string or service name instead of the configured one.")},
          {{QStringLiteral("config")}, tr("FILE"), tr("Reads the configuration from FILE.")},
          {{QStringLiteral("journal")}, tr("FILE"), tr("The journal file to use.")}}});
    return all;
}

const CliCommand* CliReference::command(const QString& name)
{
    static const QVector<CliCommand> all = commands();
    const auto it =
        std::find_if(all.begin(), all.end(), [&](const CliCommand& c) { return c.name == name; });
    return it == all.end() ? nullptr : &*it;
}

QString CliReference::optionLabel(const CliOption& option)
{
    QStringList names;
    for (const QString& n : option.names)
        names.append((n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n);
    QString label = names.join(QStringLiteral(", "));
    if (!option.valueName.isEmpty())
        label += QLatin1Char(' ') + option.valueName;
    return label;
}

namespace {

QString exitStatusSection()
{
    QVector<QPair<QString, QString>> rows;
    for (const ExitStatus::Entry& e : ExitStatus::table())
        rows.append({QString::number(e.code), e.meaning});
    return columns(rows);
}

} // namespace

QString CliReference::programHelp()
{
    QVector<QPair<QString, QString>> commandRows;
    for (const CliCommand& c : commands())
        commandRows.append({c.name, c.summary});
    return tr("Usage: %1 COMMAND [OPTIONS]").arg(programName()) + QStringLiteral("\n\n") +
           paragraph(overview()) + QLatin1Char('\n') + tr("Commands:") + QLatin1Char('\n') +
           columns(commandRows) + QLatin1Char('\n') +
           paragraph(tr("\"%1 COMMAND --help\" shows the options of a command; --version the "
                        "program's version.")
                         .arg(programName())) +
           QLatin1Char('\n') + tr("Exit status:") + QLatin1Char('\n') + exitStatusSection();
}

QString CliReference::commandHelp(const CliCommand& command)
{
    QVector<QPair<QString, QString>> optionRows;
    QVector<CliOption> options = command.options;
    options.append(helpOption());
    for (const CliOption& o : options)
        optionRows.append({optionLabel(o), o.description});
    return paragraph(tr("Usage: %1 %2 %3").arg(programName(), command.name, command.synopsis)) +
           QLatin1Char('\n') + paragraph(command.description) + QLatin1Char('\n') + tr("Options:") +
           QLatin1Char('\n') + columns(optionRows) + QLatin1Char('\n') + tr("Exit status:") +
           QLatin1Char('\n') + exitStatusSection();
}
