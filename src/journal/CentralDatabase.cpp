#include "CentralDatabase.h"

#include "CentralConfig.h"
#include "CentralSchema.h"
#include "JournalLog.h"

#include <QSqlError>

bool CentralDatabase::open(const CentralConfig& config, const QString& name, QString* reason)
{
    *reason = config.problem();
    if (!reason->isEmpty())
        return false;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        *reason = tr("没有 PostgreSQL 数据库驱动（请安装 libqt5sql5-psql）");
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    // Everything goes to libpq as it is: service files, ~/.pgpass and sslmode
    // work as for every other PostgreSQL program.
    db.setConnectOptions(config.conninfo());
    if (db.open())
        return true;
    *reason = reasonFor(db.lastError().text());
    return false;
}

void CentralDatabase::close(const QString& name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

bool CentralDatabase::checkSchema(QSqlDatabase& db, QString* reason)
{
    QString error;
    const int version = centralschema::version(db, &error);
    if (version < 0) {
        *reason = reasonFor(error);
        return false;
    }
    if (version < centralschema::kCurrentVersion) {
        *reason = version == 0 ? tr("服务器上还没有测量记录表：请管理员运行 "
                                    "loop-tester-cli journal upgrade-server")
                               : tr("服务器上的测量记录表版本较旧：请管理员运行 "
                                    "loop-tester-cli journal upgrade-server");
        return false;
    }
    return true;
}

QString CentralDatabase::reasonFor(const QString& driverText)
{
    qCWarning(lcJournal).noquote() << "central database:" << driverText;
    const QString t = driverText.toLower();
    if (t.contains(QLatin1String("password authentication failed")) ||
        t.contains(QLatin1String("no password supplied")) ||
        t.contains(QLatin1String("authentication failed")))
        return tr("服务器拒绝登录：用户名或密码不对");
    if (t.contains(QLatin1String("does not exist")) && t.contains(QLatin1String("role")))
        return tr("服务器上没有这个用户");
    if (t.contains(QLatin1String("permission denied")) ||
        t.contains(QLatin1String("row-level security")))
        return tr("服务器不允许这个用户写入这些记录");
    if (t.contains(QLatin1String("timeout")) || t.contains(QLatin1String("timed out")))
        return tr("服务器没有及时应答");
    if (t.contains(QLatin1String("could not connect")) ||
        t.contains(QLatin1String("connection refused")) ||
        t.contains(QLatin1String("could not translate host name")) ||
        t.contains(QLatin1String("no route to host")) ||
        t.contains(QLatin1String("network is unreachable")) || t.contains(QLatin1String("failed:")))
        return tr("无法连接服务器");
    if (t.contains(QLatin1String("service")) && t.contains(QLatin1String("not found")))
        return tr("服务文件里没有这个服务名");
    if (t.contains(QLatin1String("terminat")) || t.contains(QLatin1String("connection")) ||
        t.contains(QLatin1String("server closed")))
        return tr("与服务器的连接断开了");
    return tr("服务器报错：%1").arg(driverText.section(QLatin1Char('\n'), 0, 0).trimmed());
}
