#include "CliArguments.h"

#include "CliReference.h"
#include "Frames.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <limits>

namespace {

using namespace clilimits;
constexpr int kDefaultWatchIntervalMs = 500;
constexpr int kDefaultTestIntervalMs = 200;

CliParse result(CliParse::Kind kind, const QString& text)
{
    CliParse p;
    p.kind = kind;
    p.text = text;
    return p;
}

// A whole number written alone or followed by its unit letter ("50", "50A",
// "50 A"); -1 for anything else.
int numberWithUnit(const QString& text, QChar unit)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,6})\\s*([A-Za-z]?)\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return -1;
    const QString letter = m.captured(2);
    if (!letter.isEmpty() && letter.at(0).toLower() != unit.toLower())
        return -1;
    return m.captured(1).toInt();
}

// An integer option value within [min, max], or -1.
int boundedInt(const QString& text, int min, int max)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok && v >= min && v <= max ? v : -1;
}

} // namespace

bool CliArguments::parseComparison(const QString& text, double* value, int* unit)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d+(?:\\.\\d*)?|\\.\\d+)\\s*(\\S)(\\S+)\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return false;
    const QChar prefix = m.captured(2).at(0);
    const QString ohm = m.captured(3);
    if (ohm.compare(QLatin1String("ohm"), Qt::CaseInsensitive) != 0 && ohm != QStringLiteral("Ω"))
        return false;
    if (prefix == QLatin1Char('u') || prefix == QChar(0x00B5) || prefix == QChar(0x03BC))
        *unit = 0;
    else if (prefix == QLatin1Char('m'))
        *unit = 1;
    else
        return false;
    bool ok = false;
    *value = QLocale::c().toDouble(m.captured(1), &ok);
    return ok;
}

CliParse CliArguments::parse(const QStringList& arguments)
{
    const QString program = CliReference::programName();
    const QString programHint = tr("\"%1 --help\" lists the commands.").arg(program);
    if (arguments.size() < 2)
        return result(CliParse::Kind::Error,
                      tr("no command given.") + QLatin1Char('\n') + programHint);

    const QString& first = arguments.at(1);
    if (first == QLatin1String("-h") || first == QLatin1String("--help"))
        return result(CliParse::Kind::Help, CliReference::programHelp());
    if (first == QLatin1String("help")) {
        if (arguments.size() == 2)
            return result(CliParse::Kind::Help, CliReference::programHelp());
        if (const CliCommand* c = CliReference::command(arguments.at(2)))
            return result(CliParse::Kind::Help, CliReference::commandHelp(*c));
        return result(CliParse::Kind::Error, tr("unknown command \"%1\".").arg(arguments.at(2)) +
                                                 QLatin1Char('\n') + programHint);
    }
    if (first == QLatin1String("--version"))
        return result(CliParse::Kind::Version,
                      QStringLiteral("%1 %2").arg(program, QStringLiteral(LT_VERSION)));

    const CliCommand* spec = CliReference::command(first);
    if (!spec)
        return result(CliParse::Kind::Error,
                      tr("unknown command \"%1\".").arg(first) + QLatin1Char('\n') + programHint);
    const QString commandHint = tr("\"%1 %2 --help\" shows its options.").arg(program, spec->name);
    const auto error = [&](const QString& text) {
        return result(CliParse::Kind::Error, text + QLatin1Char('\n') + commandHint);
    };

    QCommandLineParser parser;
    QVector<CliOption> options = spec->options;
    options.append(CliReference::helpOption());
    QStringList defined;
    for (const CliOption& o : options) {
        parser.addOption(QCommandLineOption(o.names, o.description, o.valueName));
        defined += o.names;
    }
    QStringList rest = arguments;
    rest.removeAt(1);
    if (!parser.parse(rest))
        return error(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        return result(CliParse::Kind::Help, CliReference::commandHelp(*spec));

    CliParse p;
    p.kind = CliParse::Kind::Run;
    CliRequest& r = p.request;
    QStringList positional = parser.positionalArguments();
    // Options this command does not define are simply not set.
    const auto isSet = [&](const char* name) {
        return defined.contains(QLatin1String(name)) && parser.isSet(QLatin1String(name));
    };
    const auto value = [&](const char* name) {
        return isSet(name) ? parser.value(QLatin1String(name)) : QString();
    };

    if (isSet("device")) {
        r.device = value("device");
        if (r.device.isEmpty())
            return error(tr("--device needs the path of an instrument."));
    }
    if (isSet("json"))
        r.output = CliRequest::Output::Json;
    if (isSet("csv")) {
        if (r.output == CliRequest::Output::Json)
            return error(tr("choose one of --csv and --json."));
        r.output = CliRequest::Output::Csv;
    }

    const QString name = spec->name;
    if (name == QLatin1String("list")) {
        r.command = CliRequest::Command::List;
    } else if (name == QLatin1String("info")) {
        r.command = CliRequest::Command::Info;
    } else if (name == QLatin1String("watch") || name == QLatin1String("test")) {
        const bool watch = name == QLatin1String("watch");
        r.command = watch ? CliRequest::Command::Watch : CliRequest::Command::Test;
        r.intervalMs = watch ? kDefaultWatchIntervalMs : kDefaultTestIntervalMs;
        if (isSet("interval")) {
            r.intervalMs = boundedInt(value("interval"), kMinIntervalMs, kMaxIntervalMs);
            if (r.intervalMs < 0)
                return error(tr("--interval takes milliseconds from %1 to %2.")
                                 .arg(kMinIntervalMs)
                                 .arg(kMaxIntervalMs));
        }
        if (isSet("count")) {
            r.count = boundedInt(value("count"), 1, std::numeric_limits<int>::max());
            if (r.count < 0)
                return error(tr("--count takes a number of readings, 1 or more."));
        }
        if (isSet("timeout")) {
            r.timeoutSeconds = boundedInt(value("timeout"), 1, kMaxTimeoutSeconds);
            if (r.timeoutSeconds < 0)
                return error(tr("--timeout takes seconds from 1 to %1.").arg(kMaxTimeoutSeconds));
        }
        r.remark = value("remark");
    } else if (name == QLatin1String("set")) {
        r.command = CliRequest::Command::Set;
        if (isSet("current")) {
            const int amps = numberWithUnit(value("current"), QLatin1Char('A'));
            const bool valid = amps == 5 || (amps >= 10 && amps <= 200 && amps % 10 == 0);
            if (!valid)
                return error(tr("--current takes 5, or 10 to 200 in steps of 10 (amperes), "
                                "not \"%1\".")
                                 .arg(value("current")));
            r.currentAmps = amps;
            r.currentIndex = amps / 10;
        }
        if (isSet("time")) {
            r.timeSeconds = numberWithUnit(value("time"), QLatin1Char('S'));
            if (r.timeSeconds < kMinTestTime || r.timeSeconds > kMaxTestTime)
                return error(tr("--time takes whole seconds from %1 to %2, not \"%3\".")
                                 .arg(kMinTestTime)
                                 .arg(kMaxTestTime)
                                 .arg(value("time")));
        }
        if (isSet("compare")) {
            const QString text = value("compare");
            if (text.trimmed().compare(QLatin1String("off"), Qt::CaseInsensitive) == 0) {
                r.comparison = CliRequest::Comparison::Off;
            } else {
                // The unit may follow as an argument of its own: --compare 12.5 mOhm.
                QString full = text;
                if (positional.size() == 1) {
                    full += QLatin1Char(' ') + positional.takeFirst();
                }
                double v = 0;
                int unit = 0;
                if (!parseComparison(full, &v, &unit))
                    return error(tr("--compare takes a value and a unit (uOhm or mOhm), e.g. "
                                    "--compare 12.5 mOhm, or off; not \"%1\".")
                                     .arg(full.trimmed()));
                const QString range = tr("--compare takes a limit from %1 to %2 (uOhm or mOhm)")
                                          .arg(kMinComparison)
                                          .arg(kMaxComparison);
                if (v > kMaxComparison)
                    return error(tr("%1; %2 is too large.").arg(range, full.trimmed()));
                const frames::ComparisonValue settled =
                    frames::settledComparison(v, kMaxComparison);
                // The instrument shows five significant digits, at most four
                // decimals: a limit it would show as zero fails every test.
                if (settled.value <= 0)
                    return error(tr("%1; %2 would be shown as 0, and every test would FAIL.")
                                     .arg(range, full.trimmed()));
                r.comparison = CliRequest::Comparison::On;
                r.comparisonValue = settled.value;
                r.comparisonDecimals = settled.decimals;
                r.comparisonUnit = unit;
            }
        }
        if (r.currentAmps == 0 && r.timeSeconds == 0 &&
            r.comparison == CliRequest::Comparison::Unchanged)
            return error(tr("set needs at least one of --current, --time and --compare."));
    } else {
        r.command = CliRequest::Command::ReadStore;
        r.outputFile = value("output");
        if (r.outputFile == QLatin1String("-"))
            r.outputFile.clear();
        QString format = value("format").toLower();
        if (format.isEmpty()) {
            const QString suffix = QFileInfo(r.outputFile).suffix().toLower();
            format = suffix == QLatin1String("xlsx") || suffix == QLatin1String("json")
                         ? suffix
                         : QStringLiteral("csv");
        }
        if (format == QLatin1String("csv"))
            r.storeFormat = CliRequest::StoreFormat::Csv;
        else if (format == QLatin1String("json"))
            r.storeFormat = CliRequest::StoreFormat::Json;
        else if (format == QLatin1String("xlsx"))
            r.storeFormat = CliRequest::StoreFormat::Xlsx;
        else
            return error(tr("--format takes csv, json or xlsx, not \"%1\".").arg(format));
        if (r.storeFormat == CliRequest::StoreFormat::Xlsx && r.outputFile.isEmpty())
            return error(tr("an xlsx workbook needs an output file: -o FILE."));
    }

    if (!positional.isEmpty())
        return error(tr("unexpected argument \"%1\".").arg(positional.first()));
    return p;
}
