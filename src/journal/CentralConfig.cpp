#include "CentralConfig.h"

#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>

namespace {

// Long enough for a server across a plant's network, short enough that a
// station learns soon that it is not there. Every wait of the forwarder is
// bounded by these.
const char* const kTimeouts[][2] = {
    {"connect_timeout", "5"},     {"tcp_user_timeout", "10000"}, {"keepalives_idle", "10"},
    {"keepalives_interval", "5"}, {"keepalives_count", "2"},
};

bool hasKey(const QString& conninfo, const QString& key)
{
    return conninfo.contains(
        QRegularExpression(QStringLiteral("(^|\\s)%1\\s*=").arg(QRegularExpression::escape(key))));
}

QString text(const QVariant& value)
{
    // QSettings reads a value with commas as a list ("host=a,b").
    return value.toStringList().join(QLatin1Char(',')).trimmed();
}

} // namespace

QString CentralConfig::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/loop-tester/central.conf");
}

CentralConfig CentralConfig::load(const QString& file)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("central"));
    CentralConfig c;
    c.connection = text(settings.value(QStringLiteral("connection")));
    c.station = text(settings.value(QStringLiteral("station")));
    c.operatorName = text(settings.value(QStringLiteral("operator")));
    return c;
}

bool CentralConfig::configured() const
{
    return !connection.isEmpty() || qEnvironmentVariableIsSet("PGSERVICE");
}

QString CentralConfig::stationName() const
{
    return station.isEmpty() ? QSysInfo::machineHostName() : station;
}

QString CentralConfig::conninfo() const
{
    QString info = connection;
    if (!info.isEmpty() && !info.contains(QLatin1Char('=')))
        info = QStringLiteral("service=") + info;
    for (const auto& t : kTimeouts) {
        if (!hasKey(info, QLatin1String(t[0])))
            info += QStringLiteral(" %1=%2").arg(QLatin1String(t[0]), QLatin1String(t[1]));
    }
    if (!hasKey(info, QStringLiteral("application_name")))
        info += QStringLiteral(" application_name=loop-tester");
    return info.trimmed();
}

QString CentralConfig::problem() const
{
    if (hasKey(connection, QStringLiteral("password")))
        return tr("中心数据库的连接设置里不能写密码：请把密码写在 ~/.pgpass 或服务文件里");
    return QString();
}
