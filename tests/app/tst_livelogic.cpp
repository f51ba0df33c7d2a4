// The live page's pure rules: current lists and elapsed test time; the
// automatic run's countdown.
#include "AutoTestLogic.h"
#include "LiveLogic.h"

#include <QtTest>

class TestLiveLogic : public QObject
{
    Q_OBJECT
private slots:
    void currentLists()
    {
        const QStringList a = livelogic::currentListFor(QStringLiteral("RV718A     "));
        QCOMPARE(a.size(), 11);
        QCOMPARE(a.first(), QStringLiteral("5A"));
        QCOMPARE(a.at(1), QStringLiteral("10A"));
        QCOMPARE(a.last(), QStringLiteral("100A"));
        // Anything that is not an RV718A gets the 200 A list, even an empty model.
        for (const QString& model :
             {QStringLiteral("RV718B     "), QString(), QStringLiteral("rv718a")}) {
            const QStringList b = livelogic::currentListFor(model);
            QCOMPARE(b.size(), 21);
            QCOMPARE(b.last(), QStringLiteral("200A"));
        }
    }

    void elapsedTime_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("elapsed");
        QTest::newRow("finished") << 30 << QStringLiteral("0S") << QStringLiteral("30S");
        QTest::newRow("stopped early") << 30 << QStringLiteral("12S") << QStringLiteral("18S");
        QTest::newRow("padded") << 60 << QStringLiteral("  5S") << QStringLiteral("55S");
        QTest::newRow("not a number") << 30 << QStringLiteral("--S") << QStringLiteral("30S");
        QTest::newRow("empty") << 10 << QStringLiteral("") << QStringLiteral("10S");
    }
    void elapsedTime()
    {
        QFETCH(int, set);
        QFETCH(QString, left);
        QFETCH(QString, elapsed);
        QCOMPARE(livelogic::elapsedTestTime(set, left), elapsed);
    }

    // The seconds shown for each frame of a pause, its frames fixed by the
    // pause's length.
    void countdown_data()
    {
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<QList<int>>("shown"); // one entry per frame from 0
        QTest::newRow("10 s") << 10000 << QList<int>{10, 9, 8, 7, 6, 5, 4, 3, 0, 1};
        QTest::newRow("10.5 s, truncated") << 10500 << QList<int>{10, 9, 8, 7, 6, 5, 4, 3, 0, 1};
        QTest::newRow("3 s") << 3000 << QList<int>{3, 0, 1};
        QTest::newRow("2 s") << 2000 << QList<int>{0, 1};
        QTest::newRow("1.5 s") << 1500 << QList<int>{1};
        QTest::newRow("0.4 s") << 400 << QList<int>{0};
    }
    void countdown()
    {
        QFETCH(int, pauseMs);
        QFETCH(QList<int>, shown);
        const int end = autotestlogic::pauseEndFrame(pauseMs);
        QCOMPARE(end + 1, shown.size());
        for (int frame = 0; frame <= end; ++frame)
            QVERIFY2(autotestlogic::countdownSeconds(frame, 0, end, pauseMs) == shown.at(frame),
                     qPrintable(QStringLiteral("frame %1").arg(frame)));
    }
};

QTEST_APPLESS_MAIN(TestLiveLogic)
#include "tst_livelogic.moc"
