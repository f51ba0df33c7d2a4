#pragma once

// A throwaway PostgreSQL 15 server in a temporary folder, for the tests and
// benchmarks of the central database: unix socket for the administrator
// (trusted), 127.0.0.1 with passwords for the stations (from a .pgpass file
// that PGPASSFILE names, as a station keeps them). PostgreSQL refuses to run
// as root, so under root the server runs as `nobody`.
#include "CentralSchema.h"

#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <unistd.h>

class PgCluster
{
public:
    // Empty when the server runs with the schema, station1 ... station<N>
    // and reader able to log in; else why it could not start.
    QString start(int stations)
    {
        if (!QFile::exists(kBin + QStringLiteral("initdb")))
            return QStringLiteral("PostgreSQL 15 is not installed (scripts/setup installs it)");
        if (::geteuid() == 0 && !run(QStringLiteral("chown nobody ") + dir_.path(), false))
            return QStringLiteral("cannot give the server's folder to nobody");
        if (!run(kBin +
                 QStringLiteral("initdb -U admin -E UTF8 --no-sync --auth-local=trust "
                                "--auth-host=scram-sha-256 -D ") +
                 data()))
            return QStringLiteral("initdb failed");
        for (int attempt = 0; attempt < 5 && !startServer(); ++attempt)
            port = 20000 + (::getpid() * 7 + attempt * 131) % 30000;
        if (!running_)
            return QStringLiteral("the server did not start; see ") + dir_.filePath("log");
        // One password for all; the administrator has none over the network.
        QStringList setUp = {"CREATE ROLE reader LOGIN PASSWORD 'pw' IN ROLE lt_reader"};
        for (int s = 1; s <= stations; ++s)
            setUp << QStringLiteral("CREATE ROLE station%1 LOGIN PASSWORD 'pw' IN ROLE lt_station")
                         .arg(s);
        QFile file(dir_.filePath(QStringLiteral("pgpass")));
        if (!file.open(QIODevice::WriteOnly) || file.write("127.0.0.1:*:records:*:pw\n") < 0 ||
            !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
            !qputenv("PGPASSFILE", file.fileName().toUtf8()))
            return QStringLiteral("cannot write the password file");
        QString error;
        if (!sql({"CREATE DATABASE records"}, QStringLiteral("postgres")).isValid() ||
            !withAdmin(QStringLiteral("records"),
                       [&](QSqlDatabase& c) { return centralschema::upgrade(c, &error); }) ||
            !sql(setUp).isValid())
            return QStringLiteral("cannot set the server up: ") + error;
        return QString();
    }
    ~PgCluster() { running_&& pgCtl(QStringLiteral("-m immediate stop")); }

    bool stop() { return !(running_ = !pgCtl(QStringLiteral("-m fast stop"))); }
    bool startServer()
    {
        QFile conf(data() + QStringLiteral("/postgresql.conf"));
        running_ = conf.open(QIODevice::Append) &&
                   conf.write(QStringLiteral("port = %1\nunix_socket_directories = '%2'\n"
                                             "listen_addresses = '127.0.0.1'\nfsync = off\n")
                                  .arg(port)
                                  .arg(dir_.path())
                                  .toUtf8()) > 0 &&
                   conf.flush() && pgCtl(QStringLiteral("-w start -l ") + dir_.filePath("log"));
        return running_;
    }

    QString conninfo(const QString& user) const
    {
        return QStringLiteral("host=127.0.0.1 port=%1 dbname=records user=%2 sslmode=disable")
            .arg(port)
            .arg(user);
    }
    // Runs statements as the administrator: the first value of the last
    // one, true when it returns no row, an invalid value when one fails.
    QVariant sql(const QStringList& statements, const QString& db = QStringLiteral("records"))
    {
        QVariant v;
        withAdmin(db, [&](QSqlDatabase& c) {
            QSqlQuery q(c);
            for (const QString& s : statements) {
                if (!q.exec(s)) {
                    qWarning("%s: %s", qPrintable(s), qPrintable(q.lastError().text()));
                    return false;
                }
            }
            v = q.next() ? q.value(0) : QVariant(true);
            return true;
        });
        return v;
    }

    int port = 20000 + (::getpid() * 7) % 30000;

private:
    template <typename Work> bool withAdmin(const QString& db, Work work)
    {
        bool ok = false;
        {
            QSqlDatabase c =
                QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pg"));
            c.setConnectOptions(QStringLiteral("host=%1 port=%2 dbname=%3 user=admin")
                                    .arg(dir_.path())
                                    .arg(port)
                                    .arg(db));
            ok = c.open() && work(c);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("pg"));
        return ok;
    }
    QString data() const { return dir_.filePath(QStringLiteral("data")); }
    bool pgCtl(const QString& what) { return run(kBin + "pg_ctl -D " + data() + ' ' + what); }
    // Runs a command line (no argument holds a blank) as the server's user.
    static bool run(QString command, bool asServer = true)
    {
        if (asServer && ::geteuid() == 0)
            command.prepend(QStringLiteral("runuser -u nobody -- "));
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.setStandardOutputFile(QProcess::nullDevice());
        const QStringList words = command.split(QLatin1Char(' '));
        p.start(words.first(), words.mid(1));
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }

    const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin/");
    QTemporaryDir dir_;
    bool running_ = false;
};
