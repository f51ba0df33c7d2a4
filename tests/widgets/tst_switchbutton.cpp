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

    // Ticks through `offsets`, then expects the snap onto `end` and the timer stopped.
    static void slide(SwitchButton& sw, std::initializer_list<int> offsets, int end)
    {
        for (int expected : offsets) {
            tick(sw);
            QCOMPARE(sw.getStartX(), expected);
            QVERIFY(sw.getTimer()->isActive());
        }
        tick(sw);
        QCOMPARE(sw.getStartX(), end);
        QVERIFY(!sw.getTimer()->isActive());
    }

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
        slide(sw, {11, 22, 33, 44, 55, 66, 77}, 70);

        // And back: overshoots below 0 by less than a step, then snaps.
        QTest::mousePress(&sw, Qt::RightButton, {}, QPoint(100, 30));
        QCOMPARE(mouse.count(), 2);
        QCOMPARE(mouse.at(1).at(0).toBool(), false);
        QCOMPARE(sw.getEndX(), 0);
        slide(sw, {59, 48, 37, 26, 15, 4, -7}, 0);
    }

    void slotEmitsEvenWithoutChangeAndRestartsTheTimer()
    {
        SwitchButton sw;
        sw.resize(111, 41);
        QSignalSpy slot(&sw, &SwitchButton::statusChanged);
        QSignalSpy mouse(&sw, &SwitchButton::statusChangedMouse);

        sw.updateSwitchStatusSlot(true);
        tick(sw);
        tick(sw);
        // A change mid-slide continues from where the knob is.
        sw.updateSwitchStatusSlot(false);
        QCOMPARE(sw.getEndX(), 0);
        slide(sw, {11, 0}, 0);

        sw.updateSwitchStatusSlot(false);
        QCOMPARE(slot.count(), 3);
        QCOMPARE(slot.at(2).at(0).toBool(), false);
        QCOMPARE(mouse.count(), 0);
        QVERIFY(sw.getTimer()->isActive());
        slide(sw, {}, 0);
    }

    void withoutAnimationTheKnobJumpsAndFollowsAResize()
    {
        SwitchButton sw;
        sw.setAnimation(false);
        sw.resize(111, 41);
        sw.show(); // a hidden widget gets its resize events only when shown
        QVERIFY(QTest::qWaitForWindowExposed(&sw));
        QSignalSpy mouse(&sw, &SwitchButton::statusChangedMouse);
        QTest::mousePress(&sw, Qt::LeftButton);
        QCOMPARE(mouse.count(), 1);
        QCOMPARE(sw.getStartX(), 70);
        QVERIFY(!sw.getTimer()->isActive());
        sw.resize(200, 41);
        QCOMPARE(sw.getStartX(), 159); // the knob stays against the right end
        sw.updateSwitchStatusSlot(false);
        QCOMPARE(sw.getStartX(), 0);
        QVERIFY(!sw.getTimer()->isActive());
        sw.resize(150, 41);
        QCOMPARE(sw.getStartX(), 0);
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
        QCOMPARE(pixel(sw, 95, 20), QColor(6, 186, 39));    // on track at the right
        QCOMPARE(pixel(sw, 20, 20), QColor(255, 255, 255)); // knob still at the left
    }

    void disabledTrackIsFadedButTheKnobIsNot()
    {
        SwitchButton sw;
        sw.resize(111, 41);
        sw.setEnabled(false);
        // grab() paints the window colour first; the track is blended onto it at alpha 60.
        const QColor window = sw.palette().color(QPalette::Window);
        const QColor off(254, 202, 84), track = pixel(sw, 95, 3);
        const auto near = [](int got, int paint, int under) {
            return qAbs(got - (paint * 60 + under * 195) / 255.0) <= 1;
        };
        QVERIFY(near(track.red(), off.red(), window.red()));
        QVERIFY(near(track.green(), off.green(), window.green()));
        QVERIFY(near(track.blue(), off.blue(), window.blue()));
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
        QTRY_VERIFY(!sw.getTimer()->isActive()); // driven by the real timer
        QCOMPARE(sw.getStartX(), 2);
    }
};

QTEST_MAIN(TestSwitchButton)
#include "tst_switchbutton.moc"
