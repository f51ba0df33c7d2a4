#include "SampleHistory.h"

#include "Journal.h"

#include <QDateTime>
#include <QStringList>

#include <utility>

namespace sim {

QString sampleBreaker(int index)
{
    return index == 0 ? QStringLiteral("QF1 进线断路器") : QStringLiteral("QF2 母联断路器");
}

bool addSampleHistory()
{
    Journal journal;
    if (journal.open() != Journal::State::Open)
        return false;
    if (journal.objects().contains(sampleBreaker(0)))
        return true;
    const QStringList poles = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    // μΩ per year (two years ago first) and pole, for each breaker.
    const double readings[2][2][3] = {{{118.2, 121.5, 124.0}, {121.9, 126.3, 198.5}},
                                      {{88.4, 90.1, 87.9}, {89.0, 91.2, 88.6}}};
    const Journal::Identity tester{QStringLiteral("200A 回路电阻测试仪"), QStringLiteral("RV718B"),
                                   QStringLiteral("V1.0")};
    for (int year = 0; year < 2; ++year) {
        const QDate day = QDate::currentDate().addYears(year - 2);
        for (int breaker = 0; breaker < 2; ++breaker) {
            for (int p = 0; p < 3; ++p) {
                const QDateTime at(day, QTime(9, 30 + 10 * breaker + p));
                const QStringList cells = {QString::number(p + 1),
                                           at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                                           QStringLiteral("30S"),
                                           QStringLiteral("100A"),
                                           QStringLiteral("100.0A"),
                                           QString::number(readings[breaker][year][p], 'f', 1) +
                                               QStringLiteral(" μΩ"),
                                           QStringLiteral("300.0μΩ"),
                                           QStringLiteral("PASS"),
                                           QString()};
                if (journal.append(cells, tester, at, {sampleBreaker(breaker), poles[p]}) < 0)
                    return false;
            }
        }
    }
    // History only: nothing to offer back when the window starts.
    return journal.dismissUnsaved();
}

} // namespace sim
