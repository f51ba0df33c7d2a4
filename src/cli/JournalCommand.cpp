#include "JournalCommand.h"

#include "CentralConfig.h"
#include "CentralDatabase.h"
#include "CentralLink.h"
#include "CentralSchema.h"
#include "CliFormat.h"
#include "CliOutput.h"
#include "CliReference.h"
#include "ExitStatus.h"
#include "XlsxExport.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTranslator>

namespace {

const QString kConnection = QStringLiteral("lt.cli.central");

struct Context
{
    QCommandLineParser& args;
    CliOutput& out;
    CentralConfig config;
    QString journalPath;
};

// The window's journal, whatever this program is called.
QString defaultJournal()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/loop-tester/journal.sqlite");
}

QDateTime parseTime(const QString& text, bool endOfDay)
{
    const QDate day = QDate::fromString(text, Qt::ISODate); // also reads a time's date
    if (day.isValid() && text.size() == 10)
        return endOfDay ? QDateTime(day, QTime(23, 59, 59, 999)) : QDateTime(day, QTime(0, 0));
    return QDateTime::fromString(text, Qt::ISODate);
}

int openJournal(Context& c, Journal& journal)
{
    if (journal.open(c.journalPath) == Journal::State::Open)
        return ExitStatus::Ok;
    c.out.error(JournalCommand::tr("the journal %1 cannot be used: %2")
                    .arg(c.journalPath, journal.failureMessage()));
    return ExitStatus::CentralFailed;
}

int status(Context& c)
{
    int waiting = 0;
    if (QFileInfo::exists(c.journalPath)) {
        Journal journal;
        if (const int failed = openJournal(c, journal))
            return failed;
        waiting = journal.waitingCount();
    }
    c.out.line(JournalCommand::tr("journal: %1").arg(c.journalPath));
    c.out.line(JournalCommand::tr("waiting: %1").arg(waiting));
    if (!c.config.configured()) {
        c.out.line(JournalCommand::tr("server: none configured"));
        return ExitStatus::Ok;
    }
    c.out.line(JournalCommand::tr("station: %1").arg(c.config.stationName()));
    QString reason;
    int rows = -1;
    int version = -1;
    if (CentralDatabase::open(c.config, kConnection, &reason)) {
        QSqlDatabase db = QSqlDatabase::database(kConnection, false);
        version = centralschema::version(db, &reason);
        QSqlQuery q(db);
        if (version >= 1) {
            if (q.exec(QStringLiteral("SELECT count(*) FROM lt.records")) && q.next())
                rows = q.value(0).toInt();
            else
                reason = CentralDatabase::reasonFor(q.lastError().text());
        } else if (version == 0) {
            CentralDatabase::checkSchema(db, &reason);
        }
    }
    CentralDatabase::close(kConnection);
    if (rows < 0) {
        c.out.line(JournalCommand::tr("server: %1").arg(reason));
        return ExitStatus::CentralFailed;
    }
    c.out.line(JournalCommand::tr("server: answers, schema version %1, %2 records visible")
                   .arg(version)
                   .arg(rows));
    return ExitStatus::Ok;
}

int sync(Context& c)
{
    if (!c.config.configured()) {
        c.out.error(JournalCommand::tr("no central database is configured (%1)")
                        .arg(CentralConfig::defaultFile()));
        return ExitStatus::CentralFailed;
    }
    if (!QFileInfo::exists(c.journalPath)) {
        c.out.line(JournalCommand::tr("forwarded: 0"));
        return ExitStatus::Ok;
    }
    Journal journal;
    if (const int failed = openJournal(c, journal))
        return failed;
    const int before = journal.waitingCount();
    QEventLoop loop;
    CentralLink link(&journal, c.config);
    QString problem;
    QObject::connect(&link, &CentralLink::failed, &loop, [&](const QString& reason) {
        problem = reason;
        loop.quit();
    });
    auto quitWhenDone = [&] {
        if (link.state() == CentralLink::State::Forwarded)
            loop.quit();
    };
    QObject::connect(&link, &CentralLink::statusChanged, &loop, quitWhenDone);
    if (before > 0)
        loop.exec();
    const int left = journal.waitingCount();
    c.out.line(JournalCommand::tr("forwarded: %1").arg(before - left));
    if (!problem.isEmpty()) {
        c.out.error(JournalCommand::tr("%1 records still waiting: %2").arg(left).arg(problem));
        return ExitStatus::CentralFailed;
    }
    return ExitStatus::Ok;
}

bool writeRows(Context& c, const QVector<QStringList>& rows, QString* error)
{
    const QString file = c.args.value(QStringLiteral("output"));
    QString format = c.args.value(QStringLiteral("format"));
    if (format.isEmpty())
        format = QFileInfo(file).suffix().toLower();
    const QStringList keys = CentralRow::exportKeys();
    if (format == QLatin1String("xlsx")) {
        if (file.isEmpty() || file == QLatin1String("-")) {
            *error = JournalCommand::tr("xlsx needs -o FILE");
            return false;
        }
        return xlsxexport::exportTable(keys, rows, file, error);
    }
    const QByteArray bytes = format == QLatin1String("json") ? CliFormat::jsonTable(keys, rows)
                                                             : CliFormat::csvTable(keys, rows);
    if (file.isEmpty() || file == QLatin1String("-")) {
        c.out.raw(bytes);
        return true;
    }
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit())
        return true;
    *error = out.errorString();
    return false;
}

int exportRecords(Context& c)
{
    const QDateTime from = parseTime(c.args.value(QStringLiteral("from")), false);
    const QDateTime to = parseTime(c.args.value(QStringLiteral("to")), true);
    if (!from.isValid() || !to.isValid()) {
        c.out.error(JournalCommand::tr("--from and --to need a date (2026-12-31) or a time "
                                       "(2026-12-31T08:00)"));
        return ExitStatus::Usage;
    }
    // Not null: a null text would be bound as SQL NULL, which matches nothing.
    const QString station = c.args.value(QStringLiteral("station")) + QStringLiteral("");
    const QString object = c.args.value(QStringLiteral("object")) + QStringLiteral("");
    QVector<QStringList> rows;
    if (c.config.configured()) {
        QString reason;
        bool read = CentralDatabase::open(c.config, kConnection, &reason);
        if (read) {
            QSqlQuery q(QSqlDatabase::database(kConnection, false));
            q.setForwardOnly(true);
            read = q.prepare(CentralRow::exportSql());
            for (const QVariant& v : QVariantList{from.toMSecsSinceEpoch(), to.toMSecsSinceEpoch(),
                                                  station, station, object, object})
                q.addBindValue(v);
            read = read && q.exec();
            while (read && q.next())
                rows << CentralRow::fromExportQuery(q).exportFields();
            if (!read)
                reason = CentralDatabase::reasonFor(q.lastError().text());
        }
        CentralDatabase::close(kConnection);
        if (!read) {
            c.out.error(JournalCommand::tr("the central database cannot be read: %1").arg(reason));
            return ExitStatus::CentralFailed;
        }
    } else if (QFileInfo::exists(c.journalPath) &&
               (station.isEmpty() || station == c.config.stationName())) {
        Journal journal;
        if (const int failed = openJournal(c, journal))
            return failed;
        for (const Journal::Record& r : journal.recordedBetween(from, to, object))
            rows << CentralRow::fromRecord(r, c.config.stationName(), c.config.operatorName)
                        .exportFields();
    }
    QString error;
    if (!writeRows(c, rows, &error)) {
        c.out.error(JournalCommand::tr("cannot write %1: %2")
                        .arg(c.args.value(QStringLiteral("output")), error));
        return ExitStatus::OutputFailed;
    }
    c.out.note(JournalCommand::tr("%1 records").arg(rows.size()));
    return ExitStatus::Ok;
}

int upgradeServer(Context& c)
{
    QString reason;
    bool done = CentralDatabase::open(c.config, kConnection, &reason);
    int version = -1;
    if (done) {
        QSqlDatabase db = QSqlDatabase::database(kConnection, false);
        done = centralschema::upgrade(db, &reason);
        version = centralschema::version(db, &reason);
    }
    CentralDatabase::close(kConnection);
    if (!done) {
        c.out.error(
            JournalCommand::tr("the server's tables could not be upgraded: %1").arg(reason));
        return ExitStatus::CentralFailed;
    }
    c.out.line(JournalCommand::tr("schema version: %1").arg(version));
    return ExitStatus::Ok;
}

} // namespace

int JournalCommand::run(const QStringList& arguments, CliOutput& out)
{
    // The journal's and the server's messages are the window's texts; here
    // they are shown in English like everything else this program says.
    QTranslator english;
    if (english.load(QStringLiteral(":/lang_en.qm")))
        QCoreApplication::installTranslator(&english);

    const CliCommand* command = CliReference::command(QStringLiteral("journal"));
    QCommandLineParser args;
    for (const CliOption& o : command->options)
        args.addOption(QCommandLineOption(o.names, o.description, o.valueName));
    args.addOption(QCommandLineOption(CliReference::helpOption().names));
    args.addPositionalArgument(QStringLiteral("action"), QString());
    if (!args.parse(arguments)) {
        out.error(args.errorText());
        return ExitStatus::Usage;
    }
    if (args.isSet(QStringLiteral("help"))) {
        out.raw(CliReference::commandHelp(*command).toUtf8());
        return ExitStatus::Ok;
    }
    const QStringList positional = args.positionalArguments();
    const QString action = positional.value(1);
    Context c{args, out,
              CentralConfig::load(args.value(QStringLiteral("config")).isEmpty()
                                      ? CentralConfig::defaultFile()
                                      : args.value(QStringLiteral("config"))),
              args.value(QStringLiteral("journal"))};
    if (c.journalPath.isEmpty())
        c.journalPath = defaultJournal();
    if (args.isSet(QStringLiteral("connection")))
        c.config.connection = args.value(QStringLiteral("connection"));
    if (args.isSet(QStringLiteral("station")) && action != QLatin1String("export"))
        c.config.station = args.value(QStringLiteral("station"));

    if (positional.size() == 2 && action == QLatin1String("status"))
        return status(c);
    if (positional.size() == 2 && action == QLatin1String("sync"))
        return sync(c);
    if (positional.size() == 2 && action == QLatin1String("upgrade-server"))
        return upgradeServer(c);
    if (positional.size() == 2 && action == QLatin1String("export") &&
        args.isSet(QStringLiteral("from")) && args.isSet(QStringLiteral("to")))
        return exportRecords(c);
    out.error(tr("usage: %1 journal %2").arg(CliReference::programName(), command->synopsis));
    return ExitStatus::Usage;
}
