// The controller against the simulated instrument: start-up, connection,
// hot-plug, the live display, settings edits, tests and the record table.
#include "DeviceManager.h"
#include "DeviceSelectionDialog.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "SimBus.h"
#include "SimInstrument.h"
#include "SwitchButton.h"
#include "ui_mainwindow.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <memory>

using sim::SimBus;
using sim::SimInstrument;

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;
    QStringList prompted;

    Ui::MainWindow* ui() { return w->ui; }
    QString status() { return w->ui->statusbar->currentMessage(); }
    static QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

    // Connects the window to the single attached instrument and waits until
    // the link is up and the first reading has been shown.
    void connectAndWaitForReading()
    {
        w->ui->actionConnect->trigger();
        QTRY_VERIFY(w->isConnected);
        QTRY_VERIFY(!w->ui->label_TestStatus->text().isEmpty());
    }

    static ReceiveLiveData reading(int state)
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
        r.comparisonUnitIndex = 0;
        return r;
    }

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

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerLinkMetaTypes();
        prompts::setHandler([this](QWidget*, QMessageBox::Icon, const QString&,
                                   const QString& text) { prompted << text; });
    }

    void init()
    {
        SimBus& bus = SimBus::instance();
        bus.reset();
        bus.setClockMode(sim::ClockMode::Manual);
        bus.setInstantTimeouts(true);
        prompted.clear();
        w = std::make_unique<MainWindow>();
        w->sampleIntervalSlot(50);
    }

    void cleanup()
    {
        w.reset();
        QCOMPARE(SimBus::instance().openHandleCount(), 0);
    }

    void startsIdleWithEveryControlDisabled()
    {
        QCOMPARE(ui()->actionConnect->text(), QStringLiteral("连接"));
        QVERIFY(ui()->actionConnect->isEnabled());
        for (QAction* a : {ui()->actionExportToPDF, ui()->actionAutomatic_measurement,
                           ui()->actionImport_storage, ui()->actionExportToExcel})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        QVERIFY(ui()->actionLiveTestView->isEnabled());
        QVERIFY(ui()->actionStorageView->isEnabled());
        for (QWidget* c : std::initializer_list<QWidget*>{
                 ui()->switchButton, ui()->doubleSpinBox_ComparisonValue,
                 ui()->comboBox_ComparisonUnitValue, ui()->comboBox_CurrentSettingValue,
                 ui()->spinBox_TestingTimeValue, ui()->pushButton_UpdatePara,
                 ui()->pushButton_Test})
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
        QCOMPARE(ui()->stackedWidget->currentIndex(), 0);
        QVERIFY(!w->deviceThread->isRunning());
        QVERIFY(!w->parseThread->isRunning());
        QVERIFY(!w->liveTimer->isActive());
        ui()->actionDeviceInfo->trigger();
        QCOMPARE(prompted, QStringList{QStringLiteral("未连接设备")});
    }

    void connectWithNoInstrumentStaysIdle()
    {
        QSignalSpy detected(w->deviceManager, &DeviceManager::detectedDeviceSignal);
        ui()->actionConnect->trigger();
        QTRY_COMPARE(detected.count(), 1);
        QCoreApplication::processEvents();
        QVERIFY(!w->isConnected);
        QCOMPARE(ui()->actionConnect->text(), QStringLiteral("连接"));
        QVERIFY(status().isEmpty());
        QVERIFY(!w->liveTimer->isActive());
    }

    void connectWithOneInstrumentFillsIdentityAndReadings_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("entries");
        QTest::newRow("RV718A") << int(sim::Model::RV718A) << 11;
        QTest::newRow("RV718B") << int(sim::Model::RV718B) << 21;
    }
    void connectWithOneInstrumentFillsIdentityAndReadings()
    {
        QFETCH(int, model);
        QFETCH(int, entries);
        SimInstrument* rv = SimBus::instance().attach(sim::Model(model));
        connectAndWaitForReading();
        QCOMPARE(status(), QStringLiteral("已连接设备"));
        QCOMPARE(ui()->actionConnect->text(), QStringLiteral("断开连接"));
        QCOMPARE(w->devicePath, rv->path());
        QCOMPARE(ui()->comboBox_CurrentSettingValue->count(), entries);
        QCOMPARE(ui()->comboBox_CurrentSettingValue->itemText(entries - 1),
                 entries == 11 ? QStringLiteral("100A") : QStringLiteral("200A"));
        // The instrument's own settings are mirrored: 20 A (index 2), 30 s.
        QTRY_COMPARE(ui()->comboBox_CurrentSettingValue->currentIndex(), 2);
        QCOMPARE(ui()->spinBox_TestingTimeValue->value(), 30);
        QCOMPARE(ui()->comboBox_ComparisonUnitValue->count(), 2);
        QVERIFY(ui()->pushButton_UpdatePara->isEnabled());
        QVERIFY(ui()->pushButton_Test->isEnabled());
        QVERIFY(ui()->actionImport_storage->isEnabled());
        QVERIFY(ui()->actionExportToPDF->isEnabled());
    }

    void twoInstrumentsAskWhichOneAndConnectTheChoice()
    {
        SimInstrument* first = SimBus::instance().attach(sim::Model::RV718A);
        SimBus::instance().attach(sim::Model::RV718B);
        ui()->actionConnect->trigger();
        DeviceSelectionDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = w->findChild<DeviceSelectionDialog*>()) != nullptr);
        QVERIFY(!w->isConnected);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QTRY_VERIFY(w->isConnected);
        QCOMPARE(w->devicePath, first->path());
        QTRY_COMPARE(ui()->comboBox_CurrentSettingValue->count(), 11);
    }

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
        QCOMPARE(ui()->spinBox_TestingTimeValue->value(), 30);
        QCOMPARE(ui()->stackedWidget_Live->currentIndex(), 0);
        // The comparison group shows the instrument's value with its decimals.
        QVERIFY(!ui()->GroupBox_Comparison->isHidden());
        QCOMPARE(ui()->doubleSpinBox_ComparisonValue->decimals(), 2);
        QCOMPARE(ui()->doubleSpinBox_ComparisonValue->value(), 1.25);
        QCOMPARE(ui()->comboBox_ComparisonUnitValue->currentIndex(), 1);
        QVERIFY(ui()->switchButton->getChecked());

        QLabel* result = ui()->label_ComparativeReslutValue;
        QCOMPARE(result->text(), QStringLiteral("PASS"));
        QCOMPARE(result->palette().color(QPalette::WindowText), QColor(6, 186, 39));
        r.comparativeResult = QStringLiteral("FAIL");
        r.comparativePass = false;
        feed(r);
        QCOMPARE(result->text(), QStringLiteral("FAIL"));
        QCOMPARE(result->palette().color(QPalette::WindowText), QColor(210, 0, 22));
        // No judgement: text and colour stay as they were.
        r.comparativeResult.clear();
        feed(r);
        QCOMPARE(result->text(), QStringLiteral("FAIL"));
        QCOMPARE(result->palette().color(QPalette::WindowText), QColor(210, 0, 22));

        r.comparisonSwitch = false;
        feed(r);
        QVERIFY(ui()->GroupBox_Comparison->isHidden());
    }

    void readingWhileDisconnectedIsDropped()
    {
        feed(reading(1));
        QVERIFY(ui()->label_TestStatus->text().isEmpty());
        QCOMPARE(status(), QStringLiteral("设备未连接"));
        QVERIFY(!w->testRunning);
    }

    void finishedTestsAppendOneRowEach()
    {
        pretendConnected();
        ui()->textEdit_Remark->setPlainText(QStringLiteral("母线 A 相"));
        feed(reading(0));
        feed(reading(1));
        QVERIFY(w->testRunning);
        QVERIFY(!ui()->actionStorageView->isEnabled());
        QVERIFY(!ui()->pushButton_UpdatePara->isEnabled());
        QCOMPARE(ui()->pushButton_Test->styleSheet(),
                 QStringLiteral("QPushButton{background-color: rgb(6, 186, 39);}"));
        feed(reading(1));
        QCOMPARE(w->liveRecordModel->rowCount(), 0);
        ReceiveLiveData done = reading(2);
        done.timeLeftValue = QStringLiteral("  4");
        feed(done);
        QCOMPARE(w->liveRecordModel->rowCount(), 1);
        QCOMPARE(ui()->pushButton_Test->styleSheet(),
                 QStringLiteral("QPushButton{background-color: rgb(254, 202, 84);}"));

        QStandardItemModel* m = w->liveRecordModel;
        QCOMPARE(m->item(0, 0)->text(), QStringLiteral("1"));
        const QDateTime stamp =
            QDateTime::fromString(m->item(0, 1)->text(), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QVERIFY(stamp.isValid());
        QVERIFY(qAbs(stamp.secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(m->item(0, 2)->text(), QStringLiteral("26S"));
        QCOMPARE(m->item(0, 3)->text(), QStringLiteral("100A"));
        QCOMPARE(m->item(0, 4)->text(), QStringLiteral("100.02A"));
        QCOMPARE(m->item(0, 5)->text(), QStringLiteral("123.45 μΩ"));
        QCOMPARE(m->item(0, 6)->text(), QString()); // comparison off
        QCOMPARE(m->item(0, 7)->text(), QString());
        QCOMPARE(m->item(0, 8)->text(), QStringLiteral("母线 A 相"));
        for (int c = 0; c < 9; ++c) {
            QCOMPARE(m->item(0, c)->textAlignment(), Qt::AlignCenter);
            QVERIFY(!(m->item(0, c)->flags() & Qt::ItemIsEditable));
        }

        // A test seen only as running leaves no row; nor do repeated waits.
        feed(reading(1));
        feed(reading(1));
        QCOMPARE(w->liveRecordModel->rowCount(), 1);
        feed(reading(0));
        feed(reading(0));
        QCOMPARE(w->liveRecordModel->rowCount(), 2);

        // With comparison on, the row carries the value with its unit.
        ReceiveLiveData r = reading(1);
        r.comparisonSwitch = true;
        r.comparisonUnitIndex = 1;
        feed(r);
        r.testState = 2;
        feed(r);
        QCOMPARE(m->item(2, 6)->text(), QStringLiteral("150.00mΩ"));
    }

    void deleteRenumbersAndClearEmpties()
    {
        pretendConnected();
        for (int i = 0; i < 5; ++i) {
            feed(reading(1));
            feed(reading(0));
        }
        QCOMPARE(w->liveRecordModel->rowCount(), 5);
        QTableView* view = ui()->tableView_LiveRecord;
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        auto* sel = view->selectionModel();
        sel->select(w->liveRecordModel->index(1, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
        sel->select(w->liveRecordModel->index(3, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
        ui()->pushButton_delete->click();
        QCOMPARE(w->liveRecordModel->rowCount(), 3);
        for (int r = 0; r < 3; ++r)
            QCOMPARE(w->liveRecordModel->item(r, 0)->text(), QString::number(r + 1));
        ui()->pushButton_clear->click();
        QCOMPARE(w->liveRecordModel->rowCount(), 0);
    }

    void editModeSendsTheExactFrames()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        connectAndWaitForReading();
        QVERIFY(!ui()->switchButton->getChecked());

        ui()->pushButton_UpdatePara->click();
        QVERIFY(w->editingSettings);
        QVERIFY(!w->liveTimer->isActive());
        QVERIFY(ui()->switchButton->isEnabled());
        QCOMPARE(ui()->pushButton_UpdatePara->styleSheet(),
                 QStringLiteral("QPushButton{background-color: rgb(6, 186, 39);}"));
        rv->clearWriteLog();

        // Switching comparison on with the mouse sends the switch frame and
        // shows the comparison group.
        QTest::mouseClick(ui()->switchButton, Qt::LeftButton);
        QTRY_VERIFY(rv->writtenReports().contains(hex("000AABCD0600010002010A00")));
        QVERIFY(!ui()->GroupBox_Comparison->isHidden());
        QTRY_COMPARE(status(), QStringLiteral("更新测量设置成功"));

        ui()->doubleSpinBox_ComparisonValue->setValue(100);
        emit ui()->doubleSpinBox_ComparisonValue->editingFinished();
        QCOMPARE(ui()->doubleSpinBox_ComparisonValue->text(), QStringLiteral("100.00"));
        const int unit = qMax(0, ui()->comboBox_ComparisonUnitValue->currentIndex());
        const QByteArray comparison = unit == 0 ? hex("000FABCD0B000100010000C84202001901")
                                                : hex("000FABCD0B000100010000C84202011A01");
        QTRY_VERIFY(rv->writtenReports().contains(comparison));

        emit ui()->comboBox_ComparisonUnitValue->activated(1);
        QTRY_VERIFY(rv->writtenReports().contains(hex("000FABCD0B000100010000C84202011A01")));

        emit ui()->comboBox_CurrentSettingValue->activated(20);
        QTRY_VERIFY(rv->writtenReports().contains(hex("000AABCD0600010003141E00")));

        ui()->spinBox_TestingTimeValue->setValue(30);
        emit ui()->spinBox_TestingTimeValue->editingFinished();
        QTRY_VERIFY(rv->writtenReports().contains(hex("000AABCD06000100041E2900")));

        QTRY_COMPARE(rv->settings().currentIndex, 20);
        QVERIFY(rv->settings().comparisonOn);
        QCOMPARE(rv->settings().comparisonUnit, 1);
        QCOMPARE(rv->settings().comparisonValue, 100.0f);

        // Leaving edit mode polls again and locks the controls.
        ui()->pushButton_UpdatePara->click();
        QVERIFY(!w->editingSettings);
        QVERIFY(w->liveTimer->isActive());
        QVERIFY(!ui()->switchButton->isEnabled());
        QTRY_COMPARE(ui()->comboBox_CurrentSettingValue->currentText(), QStringLiteral("200A"));
    }

    void refusedSettingRestartsPolling()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718A);
        connectAndWaitForReading();
        ui()->pushButton_UpdatePara->click();
        QVERIFY(!w->liveTimer->isActive());
        rv->setFault(sim::Fault::Refusal, true);
        emit ui()->comboBox_CurrentSettingValue->activated(5);
        QTRY_COMPARE(status(), QStringLiteral("更新测量设置失败"));
        QVERIFY(w->liveTimer->isActive());
        QVERIFY(!w->editingSettings);
    }

    void testButtonStartsAndStopsByReportedState()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        connectAndWaitForReading();
        rv->clearWriteLog();
        ui()->pushButton_Test->click();
        QTRY_VERIFY(rv->writtenReports().contains(hex("000AABCD0600010000AAB100")));
        QTRY_VERIFY(w->testRunning);
        QCOMPARE(rv->testState(), 1);
        ui()->pushButton_Test->click();
        QTRY_VERIFY(rv->writtenReports().contains(hex("000AABCD0600010000000700")));
        QTRY_VERIFY(!w->testRunning);
        QTRY_COMPARE(status(), QStringLiteral("停止测试"));
    }

    void testRunFromTheInstrumentLeavesOneRecord()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        rv->setMeasuredResistance(250.0);
        connectAndWaitForReading();
        rv->pressTestKey();
        QTRY_VERIFY(w->testRunning);
        SimBus::instance().advanceClock(31000);
        QTRY_VERIFY(!w->testRunning);
        QTRY_COMPARE(w->liveRecordModel->rowCount(), 1);
        QCOMPARE(w->liveRecordModel->item(0, 2)->text(), QStringLiteral("30S"));
        QVERIFY(w->liveRecordModel->item(0, 5)->text().endsWith(QStringLiteral("μΩ")));
    }

    void checksumErrorResetsTheDisplay()
    {
        pretendConnected();
        feed(reading(0));
        QVERIFY(!ui()->label_TestingResValue->text().isEmpty());
        w->stateProcessingSlot(QStringLiteral("读取到的数据校验和错误"), 1);
        QCOMPARE(status(), QStringLiteral("读取到的数据校验和错误"));
        QVERIFY(ui()->label_TestingResValue->text().isEmpty());
        QVERIFY(ui()->label_TimeLeftValue->text().isEmpty());
        QCOMPARE(ui()->comboBox_CurrentSettingValue->currentIndex(), -1);
        QCOMPARE(ui()->spinBox_TestingTimeValue->text(), QStringLiteral(" "));
        QVERIFY(w->isConnected);
    }

    void storeCountProblemWarnsOnce()
    {
        pretendConnected();
        w->stateProcessingSlot(QStringLiteral("无存储数据"), 2);
        QCOMPARE(prompted, QStringList{QStringLiteral("无存储数据")});
        w->stateProcessingSlot(QString(), 6);
        QCOMPARE(prompted.size(), 1);
        QVERIFY(ui()->actionImport_storage->isEnabled());
        w->stateProcessingSlot(QStringLiteral("x"), 9);
        QCOMPARE(status(), QStringLiteral("x"));
        QVERIFY(w->isConnected);
    }

    void linkLossReturnsToIdle()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        connectAndWaitForReading();
        rv->setFault(sim::Fault::BrokenLink, true);
        QTRY_VERIFY(!w->isConnected);
        QCOMPARE(status(), QStringLiteral("设备未连接"));
        QCOMPARE(ui()->actionConnect->text(), QStringLiteral("连接"));
        QVERIFY(!w->liveTimer->isActive());
        QVERIFY(!ui()->pushButton_Test->isEnabled());
        QVERIFY(ui()->label_TestStatus->text().isEmpty());
        QTRY_COMPARE(SimBus::instance().openHandleCount(), 0);
    }

    void removalOfTheConnectedPathDisconnects()
    {
        SimInstrument* other = SimBus::instance().attach(sim::Model::RV718A);
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        ui()->actionConnect->trigger();
        DeviceSelectionDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = w->findChild<DeviceSelectionDialog*>()) != nullptr);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QTRY_VERIFY(w->isConnected);
        QCOMPARE(w->devicePath, other->path());

        // Another instrument going away changes nothing.
        rv->unplug();
        QCoreApplication::processEvents();
        QVERIFY(w->isConnected);
        QVERIFY(w->liveTimer->isActive());

        // With polling paused the link cannot notice the loss itself: the
        // removal notice alone must drop the connection.
        w->liveTimer->stop();
        other->unplug();
        QTRY_VERIFY(!w->isConnected);
        QCOMPARE(status(), QStringLiteral("设备未连接"));
        QCOMPARE(ui()->actionConnect->text(), QStringLiteral("连接"));
        QTRY_COMPARE(SimBus::instance().openHandleCount(), 0);
    }

    void arrivalWhileIdleConnects()
    {
        SimBus::instance().attach(sim::Model::RV718B);
        QTRY_VERIFY(w->isConnected);
        QTRY_COMPARE(ui()->comboBox_CurrentSettingValue->count(), 21);
        // A second arrival while connected is ignored.
        SimBus::instance().attach(sim::Model::RV718A);
        QCoreApplication::processEvents();
        QVERIFY(w->findChild<DeviceSelectionDialog*>() == nullptr);
    }

    void sampleIntervalAndDisconnect()
    {
        SimBus::instance().attach(sim::Model::RV718B);
        connectAndWaitForReading();
        w->sampleIntervalSlot(800);
        QCOMPARE(w->liveTimer->interval(), 800);
        QVERIFY(w->liveTimer->isActive());

        // The operator's disconnect closes the device.
        QCOMPARE(SimBus::instance().openHandleCount(), 1);
        ui()->actionConnect->trigger();
        QVERIFY(!w->isConnected);
        QCOMPARE(status(), QStringLiteral("设备未连接"));
        QTRY_COMPARE(SimBus::instance().openHandleCount(), 0);
    }

    void overTemperatureShowsThePicture()
    {
        pretendConnected();
        w->ui->statusbar->showMessage(QStringLiteral("已连接设备"));
        ReceiveLiveData r = reading(0);
        r.overTemperature = true;
        feed(r);
        QCOMPARE(ui()->stackedWidget_Live->currentIndex(), 1);
        QVERIFY(status().isEmpty());
        QImage shown = ui()->label_OverTemp->pixmap(Qt::ReturnByValue).toImage();
        QVERIFY(!shown.isNull());
        QCOMPARE(
            shown,
            QImage(QStringLiteral(":/resource/overTempZh.png")).convertToFormat(shown.format()));

        w->isEnglish = true;
        feed(r);
        shown = ui()->label_OverTemp->pixmap(Qt::ReturnByValue).toImage();
        QCOMPARE(
            shown,
            QImage(QStringLiteral(":/resource/overTempEn.png")).convertToFormat(shown.format()));

        r.overTemperature = false;
        feed(r);
        QCOMPARE(ui()->stackedWidget_Live->currentIndex(), 0);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
