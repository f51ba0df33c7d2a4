#pragma once

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QString>

struct CentralConfig;

// A connection to the central database through Qt SQL's PostgreSQL driver,
// on the calling thread, and the texts that tell an operator why a
// connection or a write failed.
class CentralDatabase
{
    Q_DECLARE_TR_FUNCTIONS(CentralDatabase)

public:
    // Opens a connection of that name (removed again by close()); on failure
    // returns false and `reason` says why in the operator's words.
    static bool open(const CentralConfig& config, const QString& name, QString* reason);
    static void close(const QString& name);
    // Checks that the server holds our tables at a version we can write.
    static bool checkSchema(QSqlDatabase& db, QString* reason);
    // The operator's words for a driver's error text.
    static QString reasonFor(const QString& driverText);
};
