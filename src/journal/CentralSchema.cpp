#include "CentralSchema.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

static void initCentralResources()
{
    Q_INIT_RESOURCE(central);
}

namespace centralschema {
namespace {

bool run(QSqlDatabase& db, const QString& sql, QString* error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    *error = q.lastError().text();
    return false;
}

} // namespace

int version(QSqlDatabase& db, QString* error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT to_regclass('lt.schema_version') IS NOT NULL")) ||
        !q.next()) {
        *error = q.lastError().text();
        return -1;
    }
    if (!q.value(0).toBool())
        return 0;
    if (!q.exec(QStringLiteral("SELECT version FROM lt.schema_version")) || !q.next()) {
        *error = q.lastError().text();
        return -1;
    }
    return q.value(0).toInt();
}

bool upgrade(QSqlDatabase& db, QString* error)
{
    initCentralResources();
    const QStringList steps = QDir(QStringLiteral(":/central"))
                                  .entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name);
    int at = version(db, error);
    if (at < 0)
        return false;
    for (; at < kCurrentVersion; ++at) {
        QFile file(QStringLiteral(":/central/") + steps.value(at));
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("no step from version %1").arg(at);
            return false;
        }
        // QPSQL sends the whole file as one simple query: PostgreSQL runs
        // its statements in order and stops at the first error.
        if (!db.transaction()) {
            *error = db.lastError().text();
            return false;
        }
        if (!run(db, QString::fromUtf8(file.readAll()), error) ||
            !run(db, QStringLiteral("UPDATE lt.schema_version SET version = %1").arg(at + 1),
                 error) ||
            !db.commit()) {
            if (error->isEmpty())
                *error = db.lastError().text();
            db.rollback();
            return false;
        }
    }
    return true;
}

} // namespace centralschema
