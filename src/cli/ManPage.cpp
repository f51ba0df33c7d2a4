#include "ManPage.h"

#include "CliReference.h"
#include "ExitStatus.h"

QString ManPage::escaped(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    out.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (out.startsWith(QLatin1Char('.')) || out.startsWith(QLatin1Char('\'')))
        out.prepend(QStringLiteral("\\&"));
    return out;
}

QString ManPage::troff(const QString& version)
{
    const QString name = CliReference::programName();
    QStringList lines;
    const auto add = [&lines](const QString& line) { lines.append(line); };
    const auto section = [&](const QString& title) { add(QStringLiteral(".SH ") + title); };

    add(QStringLiteral(".TH %1 1 \"\" \"%2 %3\" \"User Commands\"")
            .arg(name.toUpper(), name, version));
    section(QStringLiteral("NAME"));
    add(escaped(name) + QStringLiteral(" \\- ") +
        escaped(tr("drive a loop-resistance tester from a terminal or a script")));
    section(QStringLiteral("SYNOPSIS"));
    add(QStringLiteral(".B ") + escaped(name));
    add(QStringLiteral(".I COMMAND"));
    add(QStringLiteral("[\\fIOPTIONS\\fR]"));
    section(QStringLiteral("DESCRIPTION"));
    add(escaped(CliReference::overview()));
    add(QStringLiteral(".PP"));
    add(escaped(tr("Results go to standard output, messages to standard error. Texts are "
                   "English and numbers are written with a decimal point, whatever the "
                   "locale. Every wait for the instrument is bounded.")));

    section(QStringLiteral("COMMANDS"));
    for (const CliCommand& c : CliReference::commands()) {
        add(QStringLiteral(".SS \"%1 %2\"").arg(escaped(c.name), escaped(c.synopsis)));
        add(escaped(c.description));
        QVector<CliOption> options = c.options;
        options.append(CliReference::helpOption());
        for (const CliOption& o : options) {
            add(QStringLiteral(".TP"));
            QStringList names;
            for (const QString& n : o.names)
                names.append(
                    QStringLiteral("\\fB") +
                    escaped((n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n) +
                    QStringLiteral("\\fR"));
            QString label = names.join(QStringLiteral(", "));
            if (!o.valueName.isEmpty())
                label += QStringLiteral(" \\fI") + escaped(o.valueName) + QStringLiteral("\\fR");
            add(label);
            add(escaped(o.description));
        }
    }

    section(QStringLiteral("EXIT STATUS"));
    for (const ExitStatus::Entry& e : ExitStatus::table()) {
        add(QStringLiteral(".TP"));
        add(QStringLiteral(".B %1").arg(e.code));
        add(escaped(e.meaning));
    }

    section(QStringLiteral("EXAMPLES"));
    const QStringList examples = {
        QStringLiteral("loop-tester-cli list"),
        QStringLiteral("loop-tester-cli set --current 100 --time 30 --compare 12.5 mOhm"),
        QStringLiteral("loop-tester-cli test --json > verdict.json; echo $?"),
        QStringLiteral("loop-tester-cli watch --count 10 --csv"),
        QStringLiteral("loop-tester-cli read-store -o records.xlsx"),
    };
    for (const QString& example : examples) {
        add(QStringLiteral(".PP"));
        add(QStringLiteral(".nf"));
        add(escaped(example));
        add(QStringLiteral(".fi"));
    }

    section(QStringLiteral("FILES"));
    add(QStringLiteral(".TP"));
    add(QStringLiteral(".I 60\\-loop\\-tester.rules"));
    add(escaped(tr("The udev rule that lets a user open the instrument's /dev/hidrawN node "
                   "without root; installed with the program.")));
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
