// A short soak: the real window against the simulator with faults struck at
// random, unplugging, tests and automatic series; every finished test must be
// recorded once and journalled once, and nothing may stall or leak handles.
#include "Records.h"
#include "SoakRun.h"

#include <QtTest>

class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerLinkMetaTypes();
    }

    void shortShift()
    {
        soak::Plan plan;
        plan.polls = 2000;
        plan.replugCycles = 10;
        plan.tests = 20;
        plan.autoSeries = 2;
        plan.faultRate = 0.02;
        const soak::Result r = soak::run(plan);
        qInfo("polling %.1f s, tests %.1f s, series %.1f s", r.pollingSeconds, r.testsSeconds,
              r.seriesSeconds);
        QVERIFY2(r.problems.isEmpty(), qPrintable(r.problems.join('\n')));
        QVERIFY(r.polls >= plan.polls);
        QCOMPARE(r.replugs, plan.replugCycles);
        QCOMPARE(r.rows, plan.tests + 3 * plan.autoSeries);
        QCOMPARE(r.expectedRows, r.rows);
        QCOMPARE(r.distinctRows, r.rows);
        QCOMPARE(r.journalled, r.rows);
        QVERIFY2(r.maxPollGapMs < 2000, qPrintable(QString::number(r.maxPollGapMs)));
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
