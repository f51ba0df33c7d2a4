// The toggle's state machine, its animation ticks and what it paints.
#include "SwitchButton.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

class TestSwitchButton : public QObject
{
    Q_OBJECT

    // Runs one animation tick now, independent of the 30 ms clock.
    static void tick(SwitchButton& sw) { QMetaObject::invokeMethod(&sw, "updateValue"); }

    static QColor pixel(SwitchButton& sw, int x, int y)
    {
        return sw.grab().toImage().pixelColor(x, y);
    }

private slots:
    void pressSlidesKnobInStepsAndSnapsOntoTheEnd()
    {
        SwitchButton sw;
        sw.resize(111, 41);
        QSignalSpy mouse(&sw, &SwitchButton::statusChangedMouse);
        QSignalSpy slot(&sw, &SwitchButton::statusChanged);

        QTest::mousePress(&sw, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(mouse.count(), 1);
        QCOMPARE(mouse.at(0).at(0).toBool(), true);
        QCOMPARE(slot.count(), 0);
        QVERIFY(sw.getChecked());
        QCOMPARE(sw.getStep(), 11);
        QCOMPARE(sw.getEndX(), 70);
        QCOMPARE(sw.getStartX(), 0); // the first movement waits for the first tick
        QVERIFY(sw.getTimer()->isActive());
        QCOMPARE(sw.getTimer()->interval(), 30);

        for (int expected : {11, 22, 33, 44, 55, 66, 77}) {
            tick(sw);
            QCOMPARE(sw.getStartX(), expected);
            QVERIFY(sw.getTimer()->isActive());
        }
        tick(sw);
        QCOMPARE(sw.getStartX(), 70);
        QVERIFY(!sw.getTimer()->isActive());

        // And back: overshoots below 0 by less than a step, then snaps.
        QTest::mousePress(&sw, Qt::RightButton, {}, QPoint(100, 30));
        QCOMPARE(mouse.count(), 2);
        QCOMPARE(mouse.at(1).at(0).toBool(), false);
        QCOMPARE(sw.getEndX(), 0);
        for (int expected : {59, 48, 37, 26, 15, 4, -7}) {
            tick(sw);
            QCOMPARE(sw.getStartX(), expected);
        }
        tick(sw);
        QCOMPARE(sw.getStartX(), 0);
        QVERIFY(!sw.getTimer()->isActive());
    }

    void timerDrivesTheSlideToItsEnd()
    {
        SwitchButton sw;
        sw.resize(111, 41);
        QTest::mousePress(&sw, Qt::LeftButton);
        QTRY_VERIFY(!sw.getTimer()->isActive());
        QCOMPARE(sw.getStartX(), 70);
    }

    void slotEmitsEvenWithoutChangeAndRestartsTheTimer()
    {
        SwitchButton sw;
        sw.resize(111, 41);
        QSignalSpy slot(&sw, &SwitchButton::statusChanged);
        QSignalSpy mouse(&sw, &SwitchButton::statusChangedMouse);

        sw.updateSwitchStatusSlot(true);
        while (sw.getTimer()->isActive())
            tick(sw);
        QCOMPARE(sw.getStartX(), 70);

        sw.updateSwitchStatusSlot(true);
        QCOMPARE(slot.count(), 2);
        QCOMPARE(slot.at(1).at(0).toBool(), true);
        QCOMPARE(mouse.count(), 0);
        QVERIFY(sw.getTimer()->isActive());
        tick(sw);
        QCOMPARE(sw.getStartX(), 70);
        QVERIFY(!sw.getTimer()->isActive());
    }

    void changeDuringSlideContinuesFromWhereTheKnobIs()
    {
        SwitchButton sw;
        sw.resize(111, 41);
        sw.updateSwitchStatusSlot(true);
        tick(sw);
        tick(sw);
        QCOMPARE(sw.getStartX(), 22);
        sw.updateSwitchStatusSlot(false);
        QCOMPARE(sw.getEndX(), 0);
        tick(sw);
        QCOMPARE(sw.getStartX(), 11);
    }

    void withoutAnimationTheKnobJumpsAtOnce()
    {
        SwitchButton sw;
        sw.resize(111, 41);
        sw.setAnimation(false);
        QSignalSpy mouse(&sw, &SwitchButton::statusChangedMouse);
        QTest::mousePress(&sw, Qt::LeftButton);
        QCOMPARE(mouse.count(), 1);
        QCOMPARE(sw.getStartX(), 70);
        QVERIFY(!sw.getTimer()->isActive());
        sw.updateSwitchStatusSlot(false);
        QCOMPARE(sw.getStartX(), 0);
        QVERIFY(!sw.getTimer()->isActive());
    }

    void setCheckedRepaintsWithoutSignalOrMovement()
    {
        SwitchButton sw;
        sw.resize(111, 41);
        QSignalSpy slot(&sw, &SwitchButton::statusChanged);
        QSignalSpy mouse(&sw, &SwitchButton::statusChangedMouse);
        QCOMPARE(pixel(sw, 95, 20), QColor(254, 202, 84)); // off track

        sw.setChecked(true);
        QCOMPARE(slot.count() + mouse.count(), 0);
        QVERIFY(!sw.getTimer()->isActive());
        QCOMPARE(sw.getStartX(), 0);
        QCOMPARE(pixel(sw, 95, 20), QColor(6, 186, 39));    // on track at the right
        QCOMPARE(pixel(sw, 20, 20), QColor(255, 255, 255)); // knob still at the left
    }

    void disabledTrackIsFadedButTheKnobIsNot()
    {
        SwitchButton sw;
        sw.resize(111, 41);
        sw.setEnabled(false);
        // grab() paints the window colour first; the track is blended onto it
        // at alpha 60 of 255.
        const QColor window = sw.palette().color(QPalette::Window);
        const QColor off(254, 202, 84);
        const auto blend = [&](int track, int under) { return (track * 60 + under * 195) / 255.0; };
        const QColor track = pixel(sw, 95, 3);
        QVERIFY(qAbs(track.red() - blend(off.red(), window.red())) <= 1);
        QVERIFY(qAbs(track.green() - blend(off.green(), window.green())) <= 1);
        QVERIFY(qAbs(track.blue() - blend(off.blue(), window.blue())) <= 1);
        QVERIFY(track != off);
        QCOMPARE(pixel(sw, 20, 20), QColor(255, 255, 255));
        QCOMPARE(sw.getBgColorOff(), off); // the stored colour stays opaque
    }

    void narrowSwitchStillReachesItsEnd()
    {
        SwitchButton sw;
        sw.resize(8, 6);
        QTest::mousePress(&sw, Qt::LeftButton);
        QCOMPARE(sw.getStep(), 1);
        QCOMPARE(sw.getEndX(), 2);
        QTRY_VERIFY(!sw.getTimer()->isActive());
        QCOMPARE(sw.getStartX(), 2);
    }

    void knobAtTheRightEndFollowsAResize()
    {
        SwitchButton sw;
        sw.setAnimation(false);
        sw.resize(111, 41);
        sw.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sw));
        sw.updateSwitchStatusSlot(true);
        QCOMPARE(sw.getStartX(), 70);

        sw.resize(200, 41);
        QCOMPARE(sw.getStartX(), 159);
        sw.updateSwitchStatusSlot(false);
        sw.resize(150, 41);
        QCOMPARE(sw.getStartX(), 0);
    }
};

QTEST_MAIN(TestSwitchButton)
#include "tst_switchbutton.moc"
