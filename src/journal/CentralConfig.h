#pragma once

#include <QCoreApplication>
#include <QString>

// Where a station forwards its records: a libpq connection string
// ("host=db.plant dbname=records user=bench3 sslmode=verify-full") or the
// name of a service in pg_service.conf, the station's name and the
// operator's. Passwords live where libpq looks for them (~/.pgpass, the
// service file, PGPASSWORD), never in our files.
struct CentralConfig
{
    Q_DECLARE_TR_FUNCTIONS(CentralConfig)

public:
    QString connection;   // empty: PGSERVICE when set, else no server
    QString station;      // empty: the host name
    QString operatorName; // may stay empty

    // loop-tester/central.conf in the user's configuration folder.
    static QString defaultFile();
    // Reads [central] connection, station and operator from `file`.
    static CentralConfig load(const QString& file = defaultFile());

    bool configured() const;
    QString stationName() const;
    // The connection string given to libpq: a bare name becomes a service,
    // and bounded time-outs are added unless the string sets its own.
    QString conninfo() const;
    // Why this configuration is refused (a password in it), or empty.
    QString problem() const;
};
