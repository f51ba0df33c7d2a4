#pragma once

// A throwaway PostgreSQL 15 server in a temporary folder, for the tests and
// benchmarks of the central database: unix socket for the administrator
// (trusted), 127.0.0.1 with passwords for the stations (from a .pgpass file
// that PGPASSFILE names, as a station keeps them). PostgreSQL refuses to run
// as root, so under root the server runs as `nobody`.
#include "CentralSchema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <unistd.h>

class PgCluster
{
public:
    static QString bin(const char* tool)
    {
        return QStringLiteral("/usr/lib/postgresql/15/bin/") + QLatin1String(tool);
    }

    // Empty when the server runs with the schema and `stations` (station1,
    // station2 ...) able to log in; else why it could not start.
    QString start(int stations)
    {
        if (!QFile::exists(bin("initdb")))
            return QStringLiteral("PostgreSQL 15 is not installed (scripts/setup installs it)");
        if (!dir_.isValid())
            return QStringLiteral("no temporary folder");
        if (::geteuid() == 0 &&
            !run({QStringLiteral("chown"), QStringLiteral("nobody"), dir_.path()}))
            return QStringLiteral("cannot give the server's folder to nobody");
        if (!run(asServer({bin("initdb"), QStringLiteral("-D"), data(), QStringLiteral("-U"),
                           QStringLiteral("admin"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                           QStringLiteral("--no-sync"), QStringLiteral("--auth-local=trust"),
                           QStringLiteral("--auth-host=scram-sha-256")})))
            return QStringLiteral("initdb failed");
        for (int attempt = 0; attempt < 5 && !startServer(); ++attempt)
            port = 20000 + (::getpid() * 7 + attempt * 131) % 30000;
        if (!running_)
            return QStringLiteral("the server did not start: ") + QString::fromUtf8(log());
        QString pass;
        QStringList roles;
        for (int s = 1; s <= stations; ++s) {
            roles << QStringLiteral(
                         "CREATE ROLE station%1 LOGIN PASSWORD 'pw%1' IN ROLE lt_station")
                         .arg(s);
            pass += QStringLiteral("127.0.0.1:*:records:station%1:pw%1\n").arg(s);
        }
        roles << QStringLiteral("CREATE ROLE reader LOGIN PASSWORD 'pwr' IN ROLE lt_reader");
        pass += QStringLiteral("127.0.0.1:*:records:reader:pwr\n");
        QFile file(dir_.filePath(QStringLiteral("pgpass")));
        if (!file.open(QIODevice::WriteOnly) || file.write(pass.toUtf8()) < 0)
            return QStringLiteral("cannot write the password file");
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        qputenv("PGPASSFILE", file.fileName().toUtf8());
        QString error;
        if (!admin({QStringLiteral("CREATE DATABASE records")}, QStringLiteral("postgres")) ||
            !upgrade(&error) || !admin(roles))
            return QStringLiteral("cannot set the server up: ") + error;
        return QString();
    }

    ~PgCluster()
    {
        if (running_)
            run(asServer({bin("pg_ctl"), QStringLiteral("-D"), data(), QStringLiteral("-m"),
                          QStringLiteral("immediate"), QStringLiteral("stop")}));
    }

    bool stop()
    {
        running_ = !run(asServer({bin("pg_ctl"), QStringLiteral("-D"), data(), QStringLiteral("-m"),
                                  QStringLiteral("fast"), QStringLiteral("stop")}));
        return !running_;
    }
    bool startServer()
    {
        running_ = run(asServer(
            {bin("pg_ctl"), QStringLiteral("-D"), data(), QStringLiteral("-w"),
             QStringLiteral("-l"), dir_.filePath(QStringLiteral("log")), QStringLiteral("-o"),
             QStringLiteral("-k %1 -p %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                 .arg(dir_.path())
                 .arg(port),
             QStringLiteral("start")}));
        return running_;
    }

    QString conninfo(const QString& user) const
    {
        return QStringLiteral("host=127.0.0.1 port=%1 dbname=records user=%2 sslmode=disable")
            .arg(port)
            .arg(user);
    }
    QString adminConninfo(const QString& db = QStringLiteral("records")) const
    {
        return QStringLiteral("host=%1 port=%2 dbname=%3 user=admin")
            .arg(dir_.path())
            .arg(port)
            .arg(db);
    }

    // Runs statements as the administrator; false on the first that fails.
    bool admin(const QStringList& statements, const QString& db = QStringLiteral("records"))
    {
        return withAdmin(db, [&](QSqlDatabase& c) {
            QSqlQuery q(c);
            for (const QString& s : statements) {
                if (!q.exec(s)) {
                    qWarning("%s: %s", qPrintable(s), qPrintable(q.lastError().text()));
                    return false;
                }
            }
            return true;
        });
    }
    // The first column of the first row of a query run as the administrator.
    QVariant value(const QString& query)
    {
        QVariant v;
        withAdmin(QStringLiteral("records"), [&](QSqlDatabase& c) {
            QSqlQuery q(c);
            if (q.exec(query) && q.next())
                v = q.value(0);
            return true;
        });
        return v;
    }
    bool upgrade(QString* error)
    {
        return withAdmin(QStringLiteral("records"),
                         [&](QSqlDatabase& c) { return centralschema::upgrade(c, error); });
    }

    int port = 20000 + (::getpid() * 7) % 30000;

private:
    template <typename Work> bool withAdmin(const QString& db, Work work)
    {
        const QString name = QStringLiteral("pgcluster.admin");
        bool ok = false;
        {
            QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            c.setConnectOptions(adminConninfo(db));
            ok = c.open() && work(c);
            if (!c.lastError().text().trimmed().isEmpty() && !ok)
                qWarning("admin: %s", qPrintable(c.lastError().text()));
            c.close();
        }
        QSqlDatabase::removeDatabase(name);
        return ok;
    }
    QString data() const { return dir_.filePath(QStringLiteral("data")); }
    QByteArray log() const
    {
        QFile f(dir_.filePath(QStringLiteral("log")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QStringList asServer(QStringList command)
    {
        if (::geteuid() == 0)
            command = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"),
                                  QStringLiteral("nobody"), QStringLiteral("--")} +
                      command;
        return command;
    }
    static bool run(const QStringList& command)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(command.first(), command.mid(1));
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }

    QTemporaryDir dir_;
    bool running_ = false;
};
