// Automatic runs against the simulated instrument: series of tests with
// their pauses, the progress window, the exit button, tests the instrument
// starts by itself, and the link lost mid-run.
#include "AutoTestDialog.h"
#include "WindowHarness.h"
#include "ui_mainwindow.h" // compiled into this target by AUTOUIC

#include <QPointer>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimeLine>

class TestAutoTest : public WindowHarness
{
    Q_OBJECT

    SimInstrument* rv = nullptr;

    QLabel* label(const char* name) { return w->autoTestWindow->findChild<QLabel*>(name); }
    QString progress() { return label("label_AutoTestProgress")->text(); }
    QString countdown() { return label("label_AutoTestCountdown")->text(); }
    bool pausing() { return w->autoTestTimeLine->state() == QTimeLine::Running; }
    int starts() { return writesStartingWith(rv, "000AABCD0600010000AAB100"); }
    void exitRun()
    {
        w->autoTestWindow->findChild<QPushButton*>("pushButton_ExitAutoTest")->click();
    }

    // Runs the instrument's test to its end (30 s at its settings).
    static void endTest() { SimBus::instance().advanceClock(31000); }

    // The actions and buttons a run locks that are enabled (or disabled), by name.
    QStringList actionsEnabled(bool enabled)
    {
        QList<QObject*> controls = {ui()->actionLiveTestView,    ui()->actionStorageView,
                                    ui()->actionExportToPDF,     ui()->actionAutomatic_measurement,
                                    ui()->actionImport_storage,  ui()->actionExportToExcel,
                                    ui()->pushButton_UpdatePara, ui()->pushButton_Test,
                                    ui()->pushButton_delete,     ui()->pushButton_save,
                                    ui()->pushButton_clear};
        for (QAction* a : qAsConst(w->languageActions))
            if (!a->data().toString().isEmpty())
                controls << a;
        QStringList names;
        for (QObject* c : qAsConst(controls))
            if (c->property("enabled").toBool() == enabled)
                names << c->objectName() + c->property("text").toString();
        return names;
    }
    bool lockExplained() { return status().startsWith(QStringLiteral("自动测试进行中")); }

    // A run of `count` with a pause of `pauseMs` whose first test has been
    // seen running.
    void startRun(int count, int pauseMs)
    {
        w->startAutoTestSlot(count, pauseMs);
        QVERIFY(w->autoTestActive);
        QTRY_VERIFY(w->testRunning);
    }

private slots:
    void initTestCase() { installHandlers(); }

    void init()
    {
        startFresh();
        rv = attachAndConnect();
        QVERIFY(rv);
        rv->clearWriteLog();
    }

    void cleanup() { closeWindow(); }

    // A whole run of two, then a second run with a window of its own.
    void runOfTwo()
    {
        w->startAutoTestSlot(2, 1500);
        QPointer<QWidget> window = w->autoTestWindow;
        QVERIFY(window && window->isVisible());
        QVERIFY(!(window->windowFlags() & Qt::WindowCloseButtonHint)); // only the exit button
        QCOMPARE(progress() + countdown(), QString());

        // The first test starts at once.
        QTRY_VERIFY(w->testRunning);
        QCOMPARE(starts(), 1);
        QCOMPARE(actionsEnabled(true), QStringList());

        endTest();
        QTRY_COMPARE(rows(), 1);
        QCOMPARE(progress(), QStringLiteral("1/2"));
        QCOMPARE(countdown(), QStringLiteral("1 s"));
        QVERIFY(pausing());
        QCOMPARE(w->autoTestTimeLine->duration(), 1500); // the pause lasts its interval
        QCOMPARE(actionsEnabled(true), QStringList());
        QVERIFY(lockExplained());

        // The pause runs out and the second test starts.
        QTRY_VERIFY(w->testRunning);
        QCOMPARE(starts(), 2);
        QCOMPARE(countdown(), QString());
        QCOMPARE(actionsEnabled(true), QStringList());
        QTRY_VERIFY(lockExplained());
        endTest();
        QTRY_COMPARE(rows(), 2);
        QVERIFY(!w->autoTestActive && !pausing());
        QTRY_VERIFY(window.isNull());
        QTRY_COMPARE(actionsEnabled(false), QStringList());
        QVERIFY(drain());
        QCOMPARE(starts(), 2);

        // The next run shows its own count in a window of its own.
        startRun(3, 10000);
        QCOMPARE(w->findChildren<QWidget*>("AutoTestWindow").size(), 1);
        endTest();
        QTRY_COMPARE(rows(), 3);
        QCOMPARE(progress(), QStringLiteral("1/3"));
        QCOMPARE(countdown(), QStringLiteral("10 s"));
    }

    // The exit button or unplugging ends the run for good: no further test
    // starts, also when the exit comes as the pause runs out, nor when the
    // instrument is back. A test still running at the exit goes on with its
    // actions locked, and leaves its row as a manual test does.
    void endingTheRun_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<bool>("unplug");
        QTest::newRow("exit during a test") << QStringLiteral("test") << false;
        QTest::newRow("exit during a pause") << QStringLiteral("pause") << false;
        QTest::newRow("exit as the pause ends") << QStringLiteral("end") << false;
        QTest::newRow("unplug during a test") << QStringLiteral("test") << true;
        QTest::newRow("unplug during a pause") << QStringLiteral("pause") << true;
    }
    void endingTheRun()
    {
        QFETCH(QString, when);
        QFETCH(bool, unplug);
        startRun(3, 10000);
        QPointer<QWidget> window = w->autoTestWindow;
        if (when != "test") {
            endTest();
            QTRY_COMPARE(rows(), 1);
            QVERIFY(pausing());
        }
        if (when == "end") // its start is now scheduled
            w->autoTestTimeLine->setCurrentTime(w->autoTestTimeLine->duration());
        if (unplug) {
            rv->unplug();
            QTRY_VERIFY(!w->isConnected);
        } else {
            exitRun();
        }
        QVERIFY(!pausing() && !w->autoTestActive && !w->autoTestWaiting);
        if (when == "test" && !unplug)
            QCOMPARE(actionsEnabled(true), QStringList());
        QTRY_VERIFY(window.isNull());
        if (unplug) {
            QVERIFY(ui()->actionLiveTestView->isEnabled());
            w->startAutoTestSlot(2, 1000); // a dialog still open: refused without the link
            QVERIFY(!w->autoTestActive && !w->autoTestWindow);
            QCOMPARE(status(), QStringLiteral("设备未连接"));
            rv->plug(); // connects again by itself
            QTRY_VERIFY(w->isConnected);
        }
        if (when == "test") {
            endTest();
            QTRY_COMPARE(rows(), unplug ? 0 : 1);
        }
        QTRY_COMPARE(actionsEnabled(false), QStringList());
        SimBus::instance().advanceClock(31000);
        QVERIFY(drain());
        QCOMPARE(starts(), 1);
        QVERIFY(!w->testRunning && !w->autoTestActive && !w->autoTestWindow);
    }

    // A test started on the instrument during the pause ends the pause at
    // once and is counted as the next test; the window sends no start. A
    // second run asked for meanwhile, or on the stored-data page, is refused.
    void instrumentStartEndsThePause()
    {
        startRun(2, 10000);
        QPointer<QWidget> window = w->autoTestWindow;
        w->startAutoTestSlot(5, 1000);
        QCOMPARE(w->autoTestWindow, window.data());
        QCOMPARE(w->autoTestCount, 2);
        endTest();
        QTRY_COMPARE(rows(), 1);
        QVERIFY(pausing());
        rv->pressTestKey();
        QTRY_VERIFY(w->testRunning);
        QVERIFY(!pausing() && !w->autoTestWaiting);
        QCOMPARE(countdown(), QString());
        QCOMPARE(progress(), QStringLiteral("1/2"));
        QVERIFY(drain());
        QCOMPARE(starts(), 1);
        endTest();
        QTRY_COMPARE(rows(), 2);
        QVERIFY(!w->autoTestActive);
        QTRY_VERIFY(window.isNull());
        QCOMPARE(starts(), 1);
        ui()->actionStorageView->trigger();
        w->startAutoTestSlot(2, 1000);
        QVERIFY(!w->autoTestActive);
    }

    // A dialog opened before a manual test started and accepted while it
    // runs starts the run with that test as its first.
    void dialogAcceptedDuringManualTest()
    {
        ui()->actionAutomatic_measurement->trigger();
        auto* dialog = w->findChild<AutoTestDialog*>();
        QVERIFY(dialog);
        rv->pressTestKey();
        QTRY_VERIFY(w->testRunning);
        QVERIFY(!ui()->actionAutomatic_measurement->isEnabled());
        dialog->findChild<QSpinBox*>("spinBox_testCountValue")->setValue(3);
        dialog->findChild<QTimeEdit*>("timeEdit_testIntervalValue")->setTime(QTime(0, 0, 12));
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QVERIFY(w->autoTestActive);
        QVERIFY(drain());
        QCOMPARE(starts(), 0);
        endTest();
        QTRY_COMPARE(rows(), 1);
        QCOMPARE(progress(), QStringLiteral("1/3"));
        QCOMPARE(countdown(), QStringLiteral("12 s"));
    }
};

QTEST_MAIN(TestAutoTest)
#include "tst_autotest.moc"
