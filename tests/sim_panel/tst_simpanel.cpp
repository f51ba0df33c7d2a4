// The demo's instrument panel drives the simulated instruments through its controls.
#include "InstrumentCard.h"
#include "SimBus.h"
#include "SimInstrument.h"
#include "SimPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace sim;

class TestSimPanel : public QObject
{
    Q_OBJECT

    // A control by name; a missing one ends the test program at once.
    template <typename T> static T* control(QWidget* parent, const QString& name)
    {
        T* w = parent->findChild<T*>(name);
        return w ? w : (qFatal("no control %s", qPrintable(name)), nullptr);
    }

    SimBus& bus = SimBus::instance();
    SimInstrument* rv = nullptr;
    std::unique_ptr<SimPanel> panel;

private slots:
    void init()
    {
        bus.reset();
        bus.setClockMode(ClockMode::Manual);
        bus.setInstantTimeouts(true);
        rv = bus.attach(Model::RV718B);
        panel = std::make_unique<SimPanel>();
    }

    void cleanup() { panel.reset(); }

    // The test key, the plug toggle, faults and over-temperature on one card;
    // changes made elsewhere (a test, the link thread) reach its controls.
    void cardControlsDriveTheInstrument()
    {
        InstrumentCard* card = panel->cardFor(rv);
        auto* key = control<QPushButton>(card, "pushButton_TestKey");
        key->click();
        QCOMPARE(rv->testState(), 1);
        bus.advanceClock(qint64(rv->settings().testTimeSeconds) * 1000);
        // Progress on the clock emits nothing: the panel's timer must show it.
        QTRY_COMPARE(control<QLabel>(card, "label_State")->text(), QStringLiteral("Complete"));
        key->click();
        key->click(); // a second press stops the running test
        QCOMPARE(rv->testState(), 0);

        // No handle holds the old node, so the instrument comes back under it.
        auto* plug = control<QPushButton>(card, "pushButton_Plug");
        const QString firstPath = rv->path();
        plug->click();
        QVERIFY(!rv->isPlugged());
        plug->click();
        QCOMPARE(rv->path(), firstPath);

        const auto faultBox = [card](Fault f) {
            return control<QCheckBox>(card, QStringLiteral("checkBox_Fault_%1").arg(int(f)));
        };
        faultBox(Fault::Refusal)->click();
        QVERIFY(rv->hasFault(Fault::Refusal));
        faultBox(Fault::Refusal)->click();
        control<QCheckBox>(card, "checkBox_OverTemperature")->click();
        QVERIFY(!rv->hasFault(Fault::Refusal) && rv->overTemperature());
        rv->setFault(Fault::BrokenLink, true);
        QTRY_VERIFY(faultBox(Fault::BrokenLink)->isChecked());
    }

    void attachAddsACardAndDetachRemovesIt()
    {
        auto* model = control<QComboBox>(panel.get(), "comboBox_AttachModel");
        model->setCurrentIndex(model->findText("RV718A"));
        control<QPushButton>(panel.get(), "pushButton_Attach")->click();
        QCOMPARE(bus.instruments().size(), 2);
        SimInstrument* second = bus.instruments().at(1);
        QCOMPARE(second->model(), Model::RV718A);
        QCOMPARE(panel->cardCount(), 2);
        control<QPushButton>(panel->cardFor(second), "pushButton_Detach")->click();
        QCOMPARE(bus.instruments(), QList<SimInstrument*>{rv});
        QCOMPARE(panel->cardCount(), 1);
    }
};

QTEST_MAIN(TestSimPanel)
#include "tst_simpanel.moc"
