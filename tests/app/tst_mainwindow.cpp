// The controller against the simulated instrument: start-up, connection,
// hot-plug, the live display, settings edits, tests and the record table.
#include "DeviceInfoDialog.h"
#include "SampleIntervalDialog.h"
#include "SwitchButton.h"
#include "WindowHarness.h"
#include "ui_mainwindow.h" // compiled into this target by AUTOUIC

#include <QDoubleSpinBox>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>

namespace {

// Counts style changes delivered to the objects it watches.
class StyleChangeCounter : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::StyleChange;
        return false;
    }
};

ReceiveLiveData reading(int state)
{
    ReceiveLiveData r;
    r.testState = state;
    r.testStatus = state == 1 ? QStringLiteral("测试中...") : QStringLiteral("待测试...");
    r.testingResValue = QStringLiteral("123.45");
    r.testingResUnit = QStringLiteral("μΩ");
    r.testingCurrentValue = QStringLiteral("100.02");
    r.testingCurrentUnit = QStringLiteral("A");
    r.currentSetting = 100;
    r.testingTime = 30;
    r.timeLeftValue = QStringLiteral("  0");
    r.timeLeftUnit = QStringLiteral("S");
    r.storeNumber = QStringLiteral("0012");
    r.comparisonValue = QStringLiteral("150.00");
    return r;
}

const QString kGreen = QStringLiteral("QPushButton{background-color: rgb(6, 186, 39);}");
const QString kYellow = QStringLiteral("QPushButton{background-color: rgb(254, 202, 84);}");

} // namespace

class TestMainWindow : public WindowHarness
{
    Q_OBJECT

    void feed(const ReceiveLiveData& r) { w->showRealTimeData(r); }

    // A window that believes it is connected to an RV718B, without a link.
    void pretendConnected()
    {
        w->isConnected = true;
        w->upperSwitchOnSlot();
        DeviceInfo info;
        info.model = QStringLiteral("RV718B     ");
        w->onSystemInfoSlot(info);
    }

    QList<QWidget*> settingControls()
    {
        return {ui()->switchButton, ui()->doubleSpinBox_ComparisonValue,
                ui()->comboBox_ComparisonUnitValue, ui()->comboBox_CurrentSettingValue,
                ui()->spinBox_TestingTimeValue};
    }

    // What the window shows once it is idle: what happened, nothing to poll,
    // nothing to press.
    void verifyIdle(const QString& told = QStringLiteral("设备未连接"))
    {
        QVERIFY2(status().contains(told), qPrintable(status()));
        QVERIFY(!w->isConnected && !w->liveTimer->isActive());
        QCOMPARE(ui()->actionConnect->text(), QStringLiteral("连接"));
        QVERIFY(!ui()->pushButton_Test->isEnabled() && !ui()->pushButton_UpdatePara->isEnabled());
        QVERIFY(ui()->label_TestStatus->text().isEmpty());
        QTRY_COMPARE(SimBus::instance().openHandleCount(), 0);
    }

private slots:
    void initTestCase() { installHandlers(); }
    void init() { startFresh(); }
    void cleanup() { closeWindow(); }

    // A reading coming while disconnected is dropped.
    void startsIdleWithEveryControlDisabled()
    {
        feed(reading(1));
        QVERIFY(!w->testRunning);
        verifyIdle();
        for (QAction* a : {ui()->actionExportToPDF, ui()->actionAutomatic_measurement,
                           ui()->actionImport_storage, ui()->actionExportToExcel})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        for (QWidget* c : settingControls())
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
        QVERIFY(ui()->actionLiveTestView->isEnabled() && ui()->actionStorageView->isEnabled());
        QVERIFY(!w->deviceThread->isRunning() && !w->parseThread->isRunning());
        ui()->actionDeviceInfo->trigger();
        QVERIFY(notices.size() == 1 && notices.first().endsWith(QStringLiteral("|未连接设备")));
    }

    // Every way connecting can fail leaves the window idle and tells the
    // operator what to do. An identity that never came declares the link
    // lost on both sides: a poll queued then finds the handle closed, so a
    // good reply cannot bring back a "connected" window that does not poll.
    void connectFailuresAreExplained_data()
    {
        QTest::addColumn<int>("fault"); // -1: no instrument attached
        QTest::addColumn<QString>("told");
        QTest::newRow("none found") << -1 << QStringLiteral("未找到测试仪");
        QTest::newRow("no permission")
            << int(sim::Fault::AccessDenied) << QStringLiteral("udev 规则");
        QTest::newRow("no answer") << int(sim::Fault::Silence) << QStringLiteral("没有应答");
    }
    void connectFailuresAreExplained()
    {
        QFETCH(int, fault);
        QFETCH(QString, told);
        SimInstrument* rv = nullptr;
        if (fault >= 0) {
            rv = SimBus::instance().attach(sim::Model::RV718B);
            rv->setFault(sim::Fault(fault), true);
        }
        ui()->actionConnect->trigger();
        QTRY_VERIFY2(status().contains(told), qPrintable(status()));
        QVERIFY(drain());
        if (rv) {
            rv->clearFaults();
            QMetaObject::invokeMethod(w->deviceManager, "readWriteLiveDataSlot",
                                      Qt::QueuedConnection);
            QVERIFY(drain());
        }
        verifyIdle(told);
    }

    void connectFillsIdentityAndSettings_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("largest");
        QTest::newRow("RV718A") << int(sim::Model::RV718A) << "100A";
        QTest::newRow("RV718B") << int(sim::Model::RV718B) << "200A";
    }
    void connectFillsIdentityAndSettings()
    {
        QFETCH(int, model);
        QFETCH(QString, largest);
        SimInstrument* rv = attachAndConnect(sim::Model(model));
        QVERIFY(rv);
        QCOMPARE(status(), QStringLiteral("已连接设备"));
        QCOMPARE(ui()->actionConnect->text(), QStringLiteral("断开连接"));
        QCOMPARE(w->devicePath, rv->path());
        QTRY_COMPARE(ui()->comboBox_CurrentSettingValue->itemText(
                         ui()->comboBox_CurrentSettingValue->count() - 1),
                     largest);
        // The instrument's own settings are mirrored: 20 A (index 2), 30 s.
        QTRY_COMPARE(ui()->comboBox_CurrentSettingValue->currentIndex(), 2);
        QCOMPARE(ui()->spinBox_TestingTimeValue->value(), 30);
        QVERIFY(ui()->pushButton_UpdatePara->isEnabled() && ui()->pushButton_Test->isEnabled());
        QVERIFY(ui()->actionImport_storage->isEnabled() && ui()->actionExportToPDF->isEnabled());
        QTRY_VERIFY(!w->deviceInfo.model.isEmpty());
        ui()->actionDeviceInfo->trigger();
        auto* info = w->findChild<DeviceInfoDialog*>();
        QVERIFY(info && notices.isEmpty());
        QCOMPARE(info->findChild<QLabel*>("label_modelValue")->text().trimmed(),
                 QTest::currentDataTag());
    }

    // Each line says what the instrument is, as it answers, and what tells
    // identical ones apart; one that does not answer is listed as such. The
    // choice connects by path, and the probe's handles are all closed.
    void selectionShowsWhatTellsInstrumentsApart()
    {
        SimInstrument* first = SimBus::instance().attach(sim::Model::RV718A);
        SimInstrument* second = SimBus::instance().attach(sim::Model::RV718B);
        SimInstrument* mute = SimBus::instance().attach(sim::Model::RV718B);
        first->setSerialNumber(QStringLiteral("A1001"));
        second->setSerialNumber(QStringLiteral("A1002"));
        second->setVersionText("V2.1");
        mute->setFault(sim::Fault::Silence, true);
        ui()->actionConnect->trigger();
        QTRY_VERIFY(w->findChild<DeviceSelectionDialog*>());
        QVERIFY(!w->isConnected);
        auto* choices = w->findChild<DeviceSelectionDialog*>()->findChild<QComboBox*>();
        QCOMPARE(choices->count(), 3);
        QTRY_COMPARE(choices->itemText(2), QStringLiteral("没有应答  (%1)").arg(mute->path()));
        QCOMPARE(choices->itemText(0),
                 QStringLiteral("RV718A，版本 V1.0.3，序列号 A1001  (%1)").arg(first->path()));
        QCOMPARE(choices->itemText(1),
                 QStringLiteral("RV718B，版本 V2.1，序列号 A1002  (%1)").arg(second->path()));
        QCOMPARE(SimBus::instance().openHandleCount(), 0);
        QVERIFY(choose(1));
        QCOMPARE(w->devicePath, second->path());
        QCOMPARE(SimBus::instance().openHandleCount(), 1);
    }

    // The labels show a reading; the comparison group shows the instrument's
    // value with its decimals, and its controls stay locked outside edit mode.
    void readingFillsTheLabels()
    {
        pretendConnected();
        ReceiveLiveData r = reading(0);
        r.comparisonSwitch = true;
        r.comparisonValue = QStringLiteral("1.25");
        r.comparisonUnitIndex = 1;
        r.comparativeResult = QStringLiteral("PASS");
        r.comparativePass = true;
        r.currentSetting = 200;
        feed(r);
        QCOMPARE(ui()->label_TestingResValue->text(), QStringLiteral("123.45 μΩ"));
        QCOMPARE(ui()->label_TestStatus->text(), QStringLiteral("待测试..."));
        QCOMPARE(ui()->label_StoreNumberValue->text(), QStringLiteral("0012"));
        QCOMPARE(ui()->label_TestingCurrentValue->text(), QStringLiteral("100.02A"));
        QCOMPARE(ui()->label_TimeLeftValue->text(), QStringLiteral("  0S"));
        QCOMPARE(ui()->comboBox_CurrentSettingValue->currentIndex(), 20);
        QVERIFY(!ui()->GroupBox_Comparison->isHidden());
        QCOMPARE(ui()->doubleSpinBox_ComparisonValue->decimals(), 2);
        QCOMPARE(ui()->doubleSpinBox_ComparisonValue->value(), 1.25);
        QCOMPARE(ui()->comboBox_ComparisonUnitValue->currentIndex(), 1);
        QVERIFY(ui()->switchButton->getChecked());
        for (QWidget* c : settingControls())
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
        QVERIFY(ui()->pushButton_UpdatePara->isEnabled() && ui()->pushButton_Test->isEnabled());

        // The judgement's colour; no judgement empties the text, the colour stays.
        QLabel* result = ui()->label_ComparativeReslutValue;
        const QColor green(6, 186, 39), red(210, 0, 22);
        QCOMPARE(result->text(), QStringLiteral("PASS"));
        QCOMPARE(result->palette().color(QPalette::WindowText), green);
        for (const QString& judgement : {QStringLiteral("FAIL"), QString()}) {
            r.comparativeResult = judgement;
            r.comparativePass = false;
            feed(r);
            QCOMPARE(result->text(), judgement);
            QCOMPARE(result->palette().color(QPalette::WindowText), red);
        }
        r.comparisonSwitch = false;
        feed(r);
        QVERIFY(ui()->GroupBox_Comparison->isHidden());
    }

    // A row for each test seen running and then ended, none for a test seen
    // only as running, none for repeated waits. Readings that change nothing
    // set no style sheet: each new one made the next repaint cache fresh
    // images, and memory crept up while polling.
    void finishedTestsAppendOneRowEach()
    {
        pretendConnected();
        StyleChangeCounter counter;
        ui()->pushButton_Test->installEventFilter(&counter);
        ui()->pushButton_UpdatePara->installEventFilter(&counter);
        ui()->textEdit_Remark->setPlainText(QStringLiteral("母线 A 相"));
        feed(reading(0));
        feed(reading(1));
        QVERIFY(w->testRunning && !ui()->actionStorageView->isEnabled());
        QVERIFY(!ui()->pushButton_UpdatePara->isEnabled());
        QCOMPARE(ui()->pushButton_Test->styleSheet(), kGreen);
        feed(reading(1));
        QCOMPARE(rows(), 0);
        ReceiveLiveData done = reading(2);
        done.timeLeftValue = QStringLiteral("  4");
        feed(done);
        QCOMPARE(rows(), 1);
        QCOMPARE(ui()->pushButton_Test->styleSheet(), kYellow);

        QStandardItemModel* m = w->liveRecordModel;
        const QDateTime stamp =
            QDateTime::fromString(m->item(0, 1)->text(), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QVERIFY(qAbs(stamp.secsTo(QDateTime::currentDateTime())) < 60);
        QStringList cells;
        for (int c = 0; c < 9; ++c) {
            cells << (c == 1 ? QString() : m->item(0, c)->text());
            QCOMPARE(bool(m->item(0, c)->flags() & Qt::ItemIsEditable), c == 8); // the remark
        }
        QCOMPARE(cells, (QStringList{"1", "", "26S", "100A", "100.02A", "123.45 μΩ", "", "",
                                     "母线 A 相"})); // comparison off

        feed(reading(1));
        feed(reading(1));
        QCOMPARE(rows(), 1);
        feed(reading(0));
        feed(reading(0));
        QCOMPARE(rows(), 2);
        QCOMPARE(counter.count, 4); // to running and back, twice
    }

    // Clicking any cell of a record (Ctrl for more) selects the whole record,
    // so Delete removes what the operator clicked; the rest are renumbered.
    void deleteRenumbers()
    {
        pretendConnected();
        for (int i = 0; i < 5; ++i) {
            ui()->textEdit_Remark->setPlainText(QString::number(i + 1));
            feed(reading(1));
            feed(reading(0));
        }
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTableView* view = ui()->tableView_LiveRecord;
        for (const auto& [row, column] : {std::pair{1, 3}, {3, 5}}) {
            const QModelIndex cell = w->liveRecordModel->index(row, column);
            view->scrollTo(cell);
            QTest::mouseClick(view->viewport(), Qt::LeftButton,
                              row == 1 ? Qt::NoModifier : Qt::ControlModifier,
                              view->visualRect(cell).center());
        }
        ui()->pushButton_delete->click();
        QCOMPARE(rows(), 3);
        for (int r = 0; r < 3; ++r) {
            QCOMPARE(w->liveRecordModel->item(r, 0)->text(), QString::number(r + 1));
            QCOMPARE(w->liveRecordModel->item(r, 8)->text(), QString::number(2 * r + 1));
        }
    }

    // Each control sends its frame in edit mode; the comparison value is
    // shown with five significant digits and sent exactly as shown, also when
    // rounding carries into another digit.
    void editModeSendsTheExactFrames()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        sim::InstrumentSettings settings = rv->settings();
        settings.comparisonValue = 5;
        settings.comparisonDecimals = 4;
        rv->setSettings(settings);
        QVERIFY(connectWindow());
        QVERIFY(!ui()->switchButton->getChecked());
        ui()->pushButton_UpdatePara->click();
        QVERIFY(w->editingSettings && !w->liveTimer->isActive() && ui()->switchButton->isEnabled());
        QCOMPARE(ui()->pushButton_UpdatePara->styleSheet(), kGreen);
        rv->clearWriteLog();

        QTest::mouseClick(ui()->switchButton, Qt::LeftButton);
        QTRY_VERIFY(writesStartingWith(rv, "000AABCD0600010002010A00"));
        QVERIFY(!ui()->GroupBox_Comparison->isHidden());
        QTRY_COMPARE(status(), QStringLiteral("更新测量设置成功"));

        QDoubleSpinBox* box = ui()->doubleSpinBox_ComparisonValue;
        QCOMPARE(box->text(), QStringLiteral("5.0000"));
        box->setValue(99.9999);
        emit box->editingFinished();
        QCOMPARE(box->text(), QStringLiteral("100.00"));
        // 100 = 00 00 C8 42, decimals 2, unit μΩ.
        QTRY_VERIFY(writesStartingWith(rv, "000FABCD0B000100010000C84202001901"));
        QCOMPARE(writesStartingWith(rv, "000FABCD0B00010001"), 1);

        emit ui()->comboBox_ComparisonUnitValue->activated(1);
        QTRY_VERIFY(writesStartingWith(rv, "000FABCD0B000100010000C84202011A01"));
        emit ui()->comboBox_CurrentSettingValue->activated(20);
        QTRY_VERIFY(writesStartingWith(rv, "000AABCD0600010003141E00"));
        ui()->spinBox_TestingTimeValue->setValue(30);
        emit ui()->spinBox_TestingTimeValue->editingFinished();
        QTRY_VERIFY(writesStartingWith(rv, "000AABCD06000100041E2900"));

        // Leaving edit mode polls again, locks the controls and shows what
        // the instrument took.
        ui()->pushButton_UpdatePara->click();
        QVERIFY(!w->editingSettings && w->liveTimer->isActive() &&
                !ui()->switchButton->isEnabled());
        QTRY_COMPARE(ui()->comboBox_CurrentSettingValue->currentText(), QStringLiteral("200A"));
    }

    // A settings edit sends its frame once: disabling the focused spin box
    // after a refusal or a lost link ends its editing again, and that must
    // not send the frame a second time, least of all to an idle window's link.
    // Either way edit mode ends and a refusal polls again.
    void settingFramesOnlyInEditMode_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("writes");
        QTest::addColumn<bool>("connected");
        QTest::newRow("refusal") << int(sim::Fault::Refusal) << 1 << true;
        QTest::newRow("silence") << int(sim::Fault::Silence) << 3 << false;
    }
    void settingFramesOnlyInEditMode()
    {
        QFETCH(int, fault);
        QFETCH(int, writes);
        QFETCH(bool, connected);
        SimInstrument* rv = attachAndConnect();
        QVERIFY(rv);
        w->show();
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        ui()->pushButton_UpdatePara->click();
        QSpinBox* time = ui()->spinBox_TestingTimeValue;
        time->setFocus();
        QTRY_VERIFY(time->hasFocus());
        rv->setFault(sim::Fault(fault), true);
        QVERIFY(drain());
        rv->clearWriteLog();
        time->setValue(45);
        QTest::keyClick(time, Qt::Key_Return);
        QTRY_VERIFY(!w->editingSettings);
        QTRY_COMPARE(w->isConnected, connected);
        QVERIFY(drain());
        QCOMPARE(writesStartingWith(rv, "000AABCD0600010004"), writes);
        QCOMPARE(w->liveTimer->isActive(), connected);
        QCOMPARE(SimBus::instance().openHandleCount(), connected ? 1 : 0);
        if (connected)
            QCOMPARE(status(), QStringLiteral("更新测量设置失败：测试时间"));
    }

    // A test already running when edit mode began (its reading was in
    // flight) ends edit mode; the test button then stops it and readings
    // carry on, so the window always finds its way back to live readings.
    void runningTestEndsEditMode()
    {
        SimInstrument* rv = attachAndConnect();
        QVERIFY(rv);
        ui()->pushButton_UpdatePara->click();
        QVERIFY(w->editingSettings);
        rv->pressTestKey();
        QMetaObject::invokeMethod(w->deviceManager, "readWriteLiveDataSlot", Qt::QueuedConnection);
        QTRY_VERIFY(w->testRunning);
        QVERIFY(!w->editingSettings && w->liveTimer->isActive() &&
                !ui()->switchButton->isEnabled());
        ui()->pushButton_Test->click();
        QTRY_VERIFY(!w->testRunning);
        QTRY_VERIFY(ui()->pushButton_UpdatePara->isEnabled());
        QVERIFY(w->liveTimer->isActive());
        QCOMPARE(rows(), 1); // the stopped test's row
    }

    // Tests run on the instrument leave their rows, with the comparison
    // value in its unit; a failed test's "FAIL" does not outlive it: with
    // comparison off the next test shows and records no judgement.
    void judgementFollowsEveryReading()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        sim::InstrumentSettings settings = rv->settings();
        settings.comparisonOn = true;
        settings.comparisonValue = 0.1f; // below the reading: fail
        settings.comparisonUnit = 1;     // mΩ
        rv->setSettings(settings);
        rv->setMeasuredResistance(250.0);
        QVERIFY(connectWindow());
        QVERIFY(runTest(rv));
        settings.comparisonOn = false;
        rv->setSettings(settings);
        QVERIFY(runTest(rv));
        QStandardItemModel* m = w->liveRecordModel;
        QCOMPARE(m->item(0, 6)->text(), QStringLiteral("0.1000mΩ"));
        QCOMPARE(m->item(0, 7)->text(), QStringLiteral("FAIL"));
        QVERIFY(m->item(1, 6)->text().isEmpty() && m->item(1, 7)->text().isEmpty());
        QTRY_COMPARE(ui()->label_ComparativeReslutValue->text(), QString());
    }

    // Replies dropped as invalid do not leave the last reading on screen as
    // if it were current; the first good reading brings the display back.
    void rejectedReadingsBlankTheDisplay_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("told");
        QTest::newRow("field out of range")
            << int(sim::Fault::FieldOutOfRange) << QStringLiteral("实时数据无效");
        QTest::newRow("wrong checksum")
            << int(sim::Fault::WrongChecksum) << QStringLiteral("读取到的数据校验和错误");
    }
    void rejectedReadingsBlankTheDisplay()
    {
        QFETCH(int, fault);
        QFETCH(QString, told);
        SimInstrument* rv = attachAndConnect();
        QVERIFY(rv);
        rv->setFault(sim::Fault(fault), true);
        QTRY_VERIFY(status().contains(told));
        for (QLabel* l :
             {ui()->label_TestStatus, ui()->label_TimeLeftValue, ui()->label_TestingResValue})
            QVERIFY2(l->text().isEmpty(), qPrintable(l->objectName()));
        QCOMPARE(ui()->comboBox_CurrentSettingValue->currentIndex(), -1);
        QCOMPARE(ui()->spinBox_TestingTimeValue->text(), QStringLiteral(" "));
        QVERIFY(w->isConnected);
        rv->clearFaults();
        QTRY_COMPARE(status(), QStringLiteral("已连接设备"));
        QVERIFY(!ui()->label_TestStatus->text().isEmpty());
    }

    // The link lost during a test returns the window to idle and leaves no
    // row behind, not even after the instrument is back and the test over.
    void lossDuringTestLeavesNoPhantomRow_data()
    {
        QTest::addColumn<bool>("unplug"); // else the link breaks
        QTest::newRow("unplugged") << true;
        QTest::newRow("link broken") << false;
    }
    void lossDuringTestLeavesNoPhantomRow()
    {
        QFETCH(bool, unplug);
        SimInstrument* rv = attachAndConnect();
        QVERIFY(rv);
        rv->pressTestKey();
        QTRY_VERIFY(w->testRunning);
        unplug ? rv->unplug() : rv->setFault(sim::Fault::BrokenLink, true);
        QTRY_VERIFY(!w->isConnected);
        verifyIdle();
        SimBus::instance().advanceClock(31000);
        if (unplug) {
            rv->plug(); // connects again by itself
        } else {
            rv->clearFaults();
            ui()->actionConnect->trigger();
        }
        QTRY_VERIFY(w->isConnected);
        QTRY_COMPARE(ui()->label_TestStatus->text(), QStringLiteral("测试完成"));
        QVERIFY(drain());
        QCOMPARE(rows(), 0);
        QCOMPARE(SimBus::instance().openHandleCount(), 1);
    }

    // The poll interval the operator chose (in its dialog) holds through
    // every restart of polling; the test button starts a test; a second
    // instrument arriving leaves the connection alone; the operator's
    // disconnect closes the device. With polling paused the link cannot
    // notice a loss itself: the removal notice of the connected path alone
    // drops the connection; another instrument going away changes nothing.
    void pollIntervalSurvivesRestarts()
    {
        SimBus::instance().attach(sim::Model::RV718B);
        w->sampleIntervalSlot(300);
        ui()->actionSample_interval->trigger();
        auto* sample = w->findChild<SampleIntervalDialog*>();
        QVERIFY(sample);
        QCOMPARE(sample->findChild<QSpinBox*>()->value(), 300); // the interval in use
        sample->findChild<QSpinBox*>()->setValue(250);
        sample->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QVERIFY(connectWindow());
        const QString path = w->devicePath;
        QCOMPARE(w->liveTimer->interval(), 250);
        ui()->pushButton_UpdatePara->click();
        ui()->pushButton_UpdatePara->click();
        QVERIFY(w->liveTimer->isActive());
        QCOMPARE(w->liveTimer->interval(), 250);
        ui()->pushButton_Test->click();
        QTRY_VERIFY(w->testRunning);
        QCOMPARE(w->liveTimer->interval(), 250);

        SimBus::instance().attach(sim::Model::RV718A);
        QVERIFY(drain());
        QCOMPARE(w->devicePath, path);
        QVERIFY(!w->findChild<DeviceSelectionDialog*>());
        QCOMPARE(SimBus::instance().openHandleCount(), 1);

        ui()->actionConnect->trigger(); // disconnect
        verifyIdle();
        ui()->actionConnect->trigger(); // two instruments now
        QVERIFY(choose(1));
        QCOMPARE(w->liveTimer->interval(), 250);
        QVERIFY(w->devicePath != path);
        w->liveTimer->stop();
        SimBus::instance().instruments().first()->unplug();
        QCoreApplication::processEvents();
        QVERIFY(w->isConnected);
        SimBus::instance().instruments().last()->unplug();
        QTRY_VERIFY(!w->isConnected);
        verifyIdle();
    }

    // The stored-data page keeps live polling; the actions follow the page
    // shown; choosing the shown page again changes nothing, not even the
    // status bar.
    void switchingPages()
    {
        QVERIFY(attachAndConnect());
        ui()->actionStorageView->trigger();
        QCOMPARE(ui()->stackedWidget->currentIndex(), 1);
        QVERIFY(ui()->actionStorageView->isChecked() && !ui()->actionLiveTestView->isChecked());
        QVERIFY(!ui()->actionExportToPDF->isEnabled() && w->liveTimer->isActive());
        ui()->statusbar->showMessage(QStringLiteral("x"));
        ui()->actionStorageView->trigger();
        QCOMPARE(status(), QStringLiteral("x"));
        QVERIFY(ui()->actionStorageView->isChecked());
        ui()->actionLiveTestView->trigger();
        QCOMPARE(ui()->stackedWidget->currentIndex(), 0);
        QVERIFY(status().isEmpty() && ui()->actionAutomatic_measurement->isEnabled());
    }

    // The window never opens larger than the screen; what does not fit
    // scrolls, so every control stays reachable.
    void windowFitsTheScreen()
    {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QSize room = w->screen()->availableGeometry().size();
        QCOMPARE(w->frameGeometry().size().boundedTo(room), w->frameGeometry().size());
        QVERIFY(qobject_cast<QScrollArea*>(w->centralWidget()));
        QVERIFY(w->minimumSizeHint().height() <= room.height());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
