// The demo's instrument panel drives the simulated instruments through its
// controls, and follows changes made to them from elsewhere.
#include "DemoInstrument.h"
#include "InstrumentCard.h"
#include "SimBus.h"
#include "SimInstrument.h"
#include "SimPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

using namespace sim;

class TestSimPanel : public QObject
{
    Q_OBJECT

private:
    template <typename T> static T* control(QWidget* parent, const QString& name)
    {
        T* w = parent->findChild<T*>(name);
        if (!w)
            qWarning("no control %s", qPrintable(name));
        return w;
    }

    SimBus& bus = SimBus::instance();

private slots:
    void init()
    {
        bus.reset();
        bus.setClockMode(ClockMode::Manual);
        bus.setInstantTimeouts(true);
    }
    void cleanup() { bus.reset(); }

    void testKeyStartsAndStopsATest()
    {
        SimInstrument* rv = bus.attach(Model::RV718B);
        SimPanel panel;
        InstrumentCard* card = panel.cardFor(rv);
        QVERIFY(card);
        auto* key = control<QPushButton>(card, "pushButton_TestKey");
        QVERIFY(key);
        auto* state = control<QLabel>(card, "label_State");
        QVERIFY(state);

        QCOMPARE(rv->testState(), 0);
        key->click();
        QCOMPARE(rv->testState(), 1);
        // Progress on the clock emits nothing: the panel's timer must show it.
        bus.advanceClock(10000);
        QTRY_VERIFY(state->text().contains(QString::number(rv->timeLeftSeconds())));
        QVERIFY(rv->timeLeftSeconds() > 0);
        bus.advanceClock(qint64(rv->settings().testTimeSeconds) * 1000 - 10000);
        QCOMPARE(rv->testState(), 2);
        QTRY_COMPARE(state->text(), QStringLiteral("Complete"));
        QTRY_VERIFY(control<QLabel>(card, "label_Memory")->text().startsWith("1 "));

        key->click();
        QCOMPARE(rv->testState(), 1);
        key->click(); // a second press stops the running test
        QCOMPARE(rv->testState(), 0);
    }

    void plugToggleUnplugsAndPlugsInUnderANewPath()
    {
        SimInstrument* rv = bus.attach(Model::RV718B);
        SimPanel panel;
        auto* plug = control<QPushButton>(panel.cardFor(rv), "pushButton_Plug");
        QVERIFY(plug);
        const QString firstPath = rv->path();
        QVERIFY(!firstPath.isEmpty());
        QSignalSpy removed(&bus, &SimBus::deviceRemoved);
        QSignalSpy arrived(&bus, &SimBus::deviceArrived);

        plug->click();
        QVERIFY(rv->path().isEmpty());
        QVERIFY(!rv->isPlugged());
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(0).toString(), firstPath);
        QCOMPARE(plug->text(), QStringLiteral("Plug in"));
        QCOMPARE(panel.cardFor(rv)->caption(), QStringLiteral("RV718B · unplugged"));
        QCOMPARE(control<QTabWidget>(&panel, "tabWidget_Instruments")->tabText(0),
                 QStringLiteral("RV718B · unplugged"));

        plug->click();
        QVERIFY(rv->isPlugged());
        QVERIFY(!rv->path().isEmpty());
        QVERIFY(rv->path() != firstPath);
        QCOMPARE(arrived.count(), 1);
        QCOMPARE(plug->text(), QStringLiteral("Unplug"));
        QVERIFY(panel.cardFor(rv)->caption().contains(rv->path()));
    }

    void attachAndDetachInstruments()
    {
        SimInstrument* first = bus.attach(Model::RV718B);
        SimPanel panel;
        QCOMPARE(panel.cardCount(), 1);

        auto* model = control<QComboBox>(&panel, "comboBox_AttachModel");
        QVERIFY(model);
        model->setCurrentIndex(model->findText("RV718A"));
        control<QPushButton>(&panel, "pushButton_Attach")->click();
        QCOMPARE(bus.instruments().size(), 2);
        SimInstrument* second = bus.instruments().at(1);
        QCOMPARE(second->model(), Model::RV718A);
        QVERIFY(second->isPlugged());
        QCOMPARE(panel.cardCount(), 2);
        auto* tabs = control<QTabWidget>(&panel, "tabWidget_Instruments");
        QVERIFY(tabs);
        QCOMPARE(tabs->currentWidget(), panel.cardFor(second));
        QCOMPARE(tabs->tabText(1), "RV718A · " + second->path());

        // One attached behind the panel's back shows up as well.
        SimInstrument* third = bus.attach(Model::RV718B);
        QTRY_COMPARE(panel.cardCount(), 3);

        QSignalSpy removed(&bus, &SimBus::deviceRemoved);
        const QString secondPath = second->path();
        control<QPushButton>(panel.cardFor(second), "pushButton_Detach")->click();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(0).toString(), secondPath);
        QCOMPARE(bus.instruments(), (QList<SimInstrument*>{first, third}));
        QCOMPARE(panel.cardCount(), 2);
        QCOMPARE(tabs->count(), 2);

        // A reset deletes every instrument without a signal; the timer notices.
        bus.reset();
        QTRY_COMPARE(panel.cardCount(), 0);
        QTRY_VERIFY(control<QLabel>(&panel, "label_NoInstrument")->isVisibleTo(&panel));
    }

    void controlsSetWhatTheInstrumentShows()
    {
        SimInstrument* rv = bus.attach(Model::RV718B);
        SimPanel panel;
        InstrumentCard* card = panel.cardFor(rv);

        auto* refusal =
            control<QCheckBox>(card, QStringLiteral("checkBox_Fault_%1").arg(int(Fault::Refusal)));
        QVERIFY(refusal);
        QCOMPARE(refusal->text(), faultName(Fault::Refusal));
        refusal->click();
        QVERIFY(rv->hasFault(Fault::Refusal));
        QVERIFY(!rv->hasFault(Fault::Silence));
        refusal->click();
        QVERIFY(!rv->hasFault(Fault::Refusal));
        for (int i = 0; i < kFaultCount; ++i)
            QVERIFY(control<QCheckBox>(card, QStringLiteral("checkBox_Fault_%1").arg(i)));

        auto* heat = control<QCheckBox>(card, "checkBox_OverTemperature");
        QVERIFY(heat);
        heat->click();
        QVERIFY(rv->overTemperature());
        heat->click();
        QVERIFY(!rv->overTemperature());

        auto* resistance = control<QDoubleSpinBox>(card, "doubleSpinBox_Resistance");
        QVERIFY(resistance);
        QVERIFY(resistance->minimum() <= 0.1 && resistance->maximum() >= 2000000);
        resistance->setValue(1234.5);
        QCOMPARE(rv->measuredResistance(), 1234.5);

        // Changes made elsewhere (a test, the link thread) reach the controls.
        rv->setFault(Fault::BrokenLink, true);
        rv->setOverTemperature(true);
        rv->setMeasuredResistance(87.6);
        QTRY_VERIFY(control<QCheckBox>(
                        card, QStringLiteral("checkBox_Fault_%1").arg(int(Fault::BrokenLink)))
                        ->isChecked());
        QTRY_VERIFY(heat->isChecked());
        QTRY_COMPARE(resistance->value(), 87.6);
        QVERIFY(!refusal->isChecked());

        InstrumentSettings s;
        s.currentIndex = 20;
        s.testTimeSeconds = 60;
        rv->setSettings(s);
        QTRY_COMPARE(control<QLabel>(card, "label_Settings")->text(),
                     QStringLiteral("200 A, 60 s, comparison off"));

        if (qEnvironmentVariableIsSet("SIM_PANEL_SHOT")) {
            bus.attach(Model::RV718A)->unplug();
            QTRY_COMPARE(panel.cardCount(), 2);
            bus.attach(Model::RV718B);
            QTRY_COMPARE(panel.cardCount(), 3);
            rv->pressTestKey();
            bus.advanceClock(12000);
            panel.refresh();
            panel.adjustSize();
            QVERIFY(panel.grab().save(qEnvironmentVariable("SIM_PANEL_SHOT")));
        }
    }

    void clockSpeedFollowsTheChoice()
    {
        SimPanel panel;
        auto* speed = control<QComboBox>(&panel, "comboBox_ClockSpeed");
        QVERIFY(speed);
        QTRY_VERIFY(!speed->isEnabled()); // a manual clock has no speed
        bus.setClockMode(ClockMode::RealTime);
        QTRY_VERIFY(speed->isEnabled());
        for (double factor : {20.0, 5.0, 1.0}) {
            const int index = speed->findData(int(factor));
            QVERIFY(index >= 0);
            speed->setCurrentIndex(index);
            emit speed->activated(index);
            QCOMPARE(bus.clockSpeed(), factor);
        }
    }

    void demoStartsOneInstrumentAndOnePanel()
    {
        startDemoInstrument();
        QCOMPARE(bus.clockMode(), ClockMode::RealTime);
        QCOMPARE(bus.clockSpeed(), 1.0);
        QCOMPARE(bus.instruments().size(), 1);
        QCOMPARE(bus.instruments().at(0)->model(), Model::RV718B);

        const auto panels = [] {
            QList<SimPanel*> out;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* p = qobject_cast<SimPanel*>(w))
                    out.append(p);
            return out;
        };
        QCOMPARE(panels().size(), 1);
        QPointer<SimPanel> panel = panels().at(0);
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->windowTitle(), QStringLiteral("Simulated instrument"));
        QVERIFY(!panel->testAttribute(Qt::WA_QuitOnClose));

        startDemoInstrument(); // no second instrument, no second panel
        QCOMPARE(bus.instruments().size(), 1);
        QCOMPARE(panels(), QList<SimPanel*>{panel.data()});

        panel->close();
        QTRY_VERIFY(panel.isNull());
        startDemoInstrument(); // a closed panel comes back
        QCOMPARE(panels().size(), 1);
        QCOMPARE(bus.instruments().size(), 1);
        QCOMPARE(panels().at(0)->cardCount(), 1);
    }
};

QTEST_MAIN(TestSimPanel)
#include "tst_simpanel.moc"
