#include "LiveLogic.h"

namespace livelogic {

QStringList currentListFor(const QString& model)
{
    const int maxAmperes = model.contains(QLatin1String("RV718A")) ? 100 : 200;
    QStringList list{QStringLiteral("5A")};
    for (int a = 10; a <= maxAmperes; a += 10)
        list << QStringLiteral("%1A").arg(a);
    return list;
}

int currentIndexFor(int amperes)
{
    return amperes / 10;
}

QString elapsedTestTime(int setSeconds, const QString& timeLeftText)
{
    QString left = timeLeftText;
    left.remove(QLatin1Char('S'));
    return QString::number(setSeconds - left.toInt()) + QLatin1Char('S');
}

} // namespace livelogic
