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

    void testKeyStartsAndStopsATest()
    {
        auto* key = control<QPushButton>(panel->cardFor(rv), "pushButton_TestKey");
        key->click();
        QCOMPARE(rv->testState(), 1);
        bus.advanceClock(qint64(rv->settings().testTimeSeconds) * 1000);
        QCOMPARE(rv->testState(), 2);
        // Progress on the clock emits nothing: the panel's timer must show it.
        QTRY_COMPARE(control<QLabel>(panel->cardFor(rv), "label_State")->text(),
                     QStringLiteral("Complete"));
        key->click();
        QCOMPARE(rv->testState(), 1);
        key->click(); // a second press stops the running test
        QCOMPARE(rv->testState(), 0);
    }

    // No handle holds the old node, so the instrument comes back under it.
    void plugToggleUnplugsAndPlugsIn()
    {
        auto* plug = control<QPushButton>(panel->cardFor(rv), "pushButton_Plug");
        const QString firstPath = rv->path();
        plug->click();
        QVERIFY(!rv->isPlugged());
        plug->click();
        QVERIFY(rv->isPlugged());
        QCOMPARE(rv->path(), firstPath);
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

    void checkBoxesSetFaultsAndOverTemperature()
    {
        InstrumentCard* card = panel->cardFor(rv);
        const auto faultBox = [card](Fault f) {
            return control<QCheckBox>(card, QStringLiteral("checkBox_Fault_%1").arg(int(f)));
        };
        faultBox(Fault::Refusal)->click();
        QVERIFY(rv->hasFault(Fault::Refusal));
        faultBox(Fault::Refusal)->click();
        QVERIFY(!rv->hasFault(Fault::Refusal));
        control<QCheckBox>(card, "checkBox_OverTemperature")->click();
        QVERIFY(rv->overTemperature());

        // Changes made elsewhere (a test, the link thread) reach the controls.
        rv->setFault(Fault::BrokenLink, true);
        QTRY_VERIFY(faultBox(Fault::BrokenLink)->isChecked());
    }
};

QTEST_MAIN(TestSimPanel)
#include "tst_simpanel.moc"
