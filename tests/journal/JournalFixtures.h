#pragma once

#include "Journal.h"

#include <QDateTime>
#include <QStringList>

// Records as the window appends them, with the fill bytes, NUL, units and
// Chinese the instrument and the operator put into the texts. `serial` makes
// each record different; `number` is what the first column shows.
namespace journalfixtures {

inline QDateTime timeFor(int serial)
{
    return QDateTime(QDate(2026, 12, 6), QTime(10, 15)).addSecs(serial * 7);
}

inline QStringList cellsFor(int serial, int number)
{
    return {
        QString::number(number),
        timeFor(serial).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
        QString::number(serial % 60) + QLatin1Char('S'),
        QStringLiteral("100A"),
        QStringLiteral("99.%1A").arg(serial % 10),
        QStringLiteral("%1 μΩ").arg(serial * 1.25, 0, 'f', 2) + QChar(0) + QChar(0xff),
        serial % 3 ? QStringLiteral("120.00μΩ") : QString(),
        serial % 2 ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
        QStringLiteral("母线 %1").arg(serial),
    };
}

inline Journal::Identity identity()
{
    return {QStringLiteral("LoopTester"), QString::fromLatin1("RV718B\0\0\0\0\0", 11),
            QString::fromLatin1("V1.02\xff\xff\xff\0\0\0", 11)};
}

} // namespace journalfixtures
