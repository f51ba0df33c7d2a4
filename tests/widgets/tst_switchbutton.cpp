// The toggle: who changed it, where its knob comes to rest, what it paints.
#include "SwitchButton.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

class TestSwitchButton : public QObject
{
    Q_OBJECT

    // Runs animation ticks now, independent of the 30 ms clock, until the
    // knob rests; returns how many it took.
    static int settle(SwitchButton& sw)
    {
        int ticks = 0;
        for (; sw.getTimer()->isActive() && ticks < 100; ++ticks)
            QMetaObject::invokeMethod(&sw, "updateValue");
        return ticks;
    }

private slots:
    // A press toggles and says so as the operator's doing; the knob slides
    // onto the end, also after overshooting it on the way back. The slot says
    // so even without a change, and a change in the middle of a slide goes on
    // from where the knob is.
    void pressesAndSlotsMoveTheKnobToItsEnd()
    {
        SwitchButton sw;
        sw.resize(111, 41);
        QSignalSpy mouse(&sw, &SwitchButton::statusChangedMouse);
        QSignalSpy slot(&sw, &SwitchButton::statusChanged);
        QTest::mousePress(&sw, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(sw.getChecked());
        QCOMPARE(settle(sw), 8);
        QCOMPARE(sw.getStartX(), 70);
        QTest::mousePress(&sw, Qt::RightButton, {}, QPoint(100, 30));
        QCOMPARE(settle(sw), 8);
        QCOMPARE(sw.getStartX(), 0);
        QCOMPARE(mouse, (QList<QVariantList>{{true}, {false}}));
        QCOMPARE(slot.count(), 0);

        sw.updateSwitchStatusSlot(true);
        QMetaObject::invokeMethod(&sw, "updateValue");
        QMetaObject::invokeMethod(&sw, "updateValue");
        sw.updateSwitchStatusSlot(false); // at 22
        QCOMPARE(settle(sw), 3);          // 11, 0, resting
        QCOMPARE(sw.getStartX(), 0);
        sw.updateSwitchStatusSlot(false);
        QCOMPARE(settle(sw), 1);
        QCOMPARE(slot, (QList<QVariantList>{{true}, {false}, {false}}));
        QCOMPARE(mouse.count(), 2);
    }

    void withoutAnimationTheKnobJumpsAndFollowsAResize()
    {
        SwitchButton sw;
        sw.setAnimation(false);
        sw.resize(111, 41);
        sw.show(); // a hidden widget gets its resize events only when shown
        QVERIFY(QTest::qWaitForWindowExposed(&sw));
        QTest::mousePress(&sw, Qt::LeftButton);
        QCOMPARE(sw.getStartX(), 70);
        QVERIFY(!sw.getTimer()->isActive());
        sw.resize(200, 41);
        QCOMPARE(sw.getStartX(), 159); // the knob stays against the right end
        sw.updateSwitchStatusSlot(false);
        QCOMPARE(sw.getStartX(), 0);
        sw.resize(150, 41);
        QCOMPARE(sw.getStartX(), 0);
    }

    // setChecked repaints the track without a signal or a knob movement;
    // disabled, the track is faded, and enabled again it is whole.
    void setCheckedRepaintsOnlyTheTrack()
    {
        SwitchButton sw;
        sw.resize(111, 41);
        QSignalSpy slot(&sw, &SwitchButton::statusChanged);
        QSignalSpy mouse(&sw, &SwitchButton::statusChangedMouse);
        const auto pixel = [&sw](int x) { return sw.grab().toImage().pixelColor(x, 20); };
        QCOMPARE(pixel(95), QColor(254, 202, 84));
        sw.setChecked(true);
        QCOMPARE(slot.count() + mouse.count(), 0);
        QVERIFY(!sw.getTimer()->isActive());
        QCOMPARE(pixel(95), QColor(6, 186, 39)); // on track at the right
        QCOMPARE(pixel(20), QColor(Qt::white));  // knob still at the left
        sw.setEnabled(false);
        QVERIFY(pixel(95) != QColor(6, 186, 39));
        sw.setEnabled(true);
        QCOMPARE(pixel(95), QColor(6, 186, 39));
    }

    void narrowSwitchStillReachesItsEnd()
    {
        SwitchButton sw;
        sw.resize(8, 6);
        QTest::mousePress(&sw, Qt::LeftButton);
        QTRY_VERIFY(!sw.getTimer()->isActive()); // driven by the real timer
        QCOMPARE(sw.getStartX(), 2);
    }
};

QTEST_MAIN(TestSwitchButton)
#include "tst_switchbutton.moc"
