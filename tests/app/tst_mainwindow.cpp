// The controller against the simulated instrument: start-up, connection,
// hot-plug, the live display, settings edits, tests and the record table.
#include "DeviceInfoDialog.h"
#include "DeviceManager.h"
#include "DeviceSelectionDialog.h"
#include "JournalFiles.h"
#include "MainWindow.h"
#include "ParseData.h"
#include "Prompts.h"
#include "SimBus.h"
#include "SimInstrument.h"
#include "SwitchButton.h"
#include "WorkerDrain.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <memory>

using sim::SimBus;
using sim::SimInstrument;

// Counts events of one type delivered to the objects it watches.
class EventCounter : public QObject
{
public:
    EventCounter(QEvent::Type counted, int* counter) : type(counted), count(counter) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == type)
            ++*count;
        return false;
    }

private:
    QEvent::Type type;
    int* count;
};

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

    // Waits until the work queued on both worker threads so far has run and
    // what it sent back has been handled.
    void drainWorkers() { QVERIFY(::drainWorkers({w->deviceManager, w->parseData})); }

    // Reports written to the instrument that start with the given hex prefix.
    static int writesStartingWith(SimInstrument* rv, const char* prefix)
    {
        int n = 0;
        for (const QByteArray& r : rv->writtenReports())
            n += r.startsWith(QByteArray::fromHex(prefix));
        return n;
    }

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
        removeJournalFiles();
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

    // Every way connecting can fail leaves the window idle, with no handle
    // open, and tells the operator what happened and what to do.
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
        if (fault >= 0)
            SimBus::instance().attach(sim::Model::RV718B)->setFault(sim::Fault(fault), true);
        ui()->actionConnect->trigger();
        QTRY_VERIFY2(status().contains(told), qPrintable(status()));
        drainWorkers();
        QVERIFY(status().contains(told));
        QVERIFY(!w->isConnected);
        QCOMPARE(ui()->actionConnect->text(), QStringLiteral("连接"));
        QVERIFY(!w->liveTimer->isActive());
        QVERIFY(!ui()->pushButton_Test->isEnabled());
        QCOMPARE(SimBus::instance().openHandleCount(), 0);
    }

    // An identity that never comes declares the link lost on both sides: a
    // live poll already queued when it did finds the handle closed, so a
    // good reply cannot bring back a "connected" window that does not poll.
    void lostIdentityStaysLost()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        rv->setFault(sim::Fault::Silence, true);
        ui()->actionConnect->trigger();
        QTRY_VERIFY(status().contains(QStringLiteral("没有应答")));
        rv->clearFaults();
        QMetaObject::invokeMethod(w->deviceManager, "readWriteLiveDataSlot", Qt::QueuedConnection);
        drainWorkers();
        QVERIFY(!w->isConnected);
        QVERIFY(status() != QStringLiteral("已连接设备"));
        QVERIFY(!w->liveTimer->isActive());
        QVERIFY(!ui()->pushButton_UpdatePara->isEnabled());
        QCOMPARE(SimBus::instance().openHandleCount(), 0);
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
        // No judgement: the text follows, only the colour stays.
        r.comparativeResult.clear();
        feed(r);
        QCOMPARE(result->text(), QString());
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

    // Clicking any cell of a record (Ctrl for more) selects the whole record,
    // so Delete removes what the operator clicked; the rest are renumbered.
    void deleteRenumbersAndClearEmpties()
    {
        pretendConnected();
        for (int i = 0; i < 5; ++i) {
            ui()->textEdit_Remark->setPlainText(QString::number(i + 1));
            feed(reading(1));
            feed(reading(0));
        }
        QCOMPARE(w->liveRecordModel->rowCount(), 5);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTableView* view = ui()->tableView_LiveRecord;
        auto clickCell = [&](int row, int column, Qt::KeyboardModifiers keys) {
            const QModelIndex cell = w->liveRecordModel->index(row, column);
            view->scrollTo(cell);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, keys,
                              view->visualRect(cell).center());
        };
        clickCell(1, 3, Qt::NoModifier);
        clickCell(3, 5, Qt::ControlModifier);
        ui()->pushButton_delete->click();
        QCOMPARE(w->liveRecordModel->rowCount(), 3);
        for (int r = 0; r < 3; ++r) {
            QCOMPARE(w->liveRecordModel->item(r, 0)->text(), QString::number(r + 1));
            QCOMPARE(w->liveRecordModel->item(r, 8)->text(), QString::number(2 * r + 1));
        }
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

    // A settings edit sends its frame once: disabling the focused spin box
    // after a refusal or a lost link ends its editing again, and that must
    // not send the frame a second time, least of all to an idle window's link.
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
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        connectAndWaitForReading();
        w->show();
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        ui()->pushButton_UpdatePara->click();
        QSpinBox* time = ui()->spinBox_TestingTimeValue;
        time->setFocus();
        QTRY_VERIFY(time->hasFocus());
        rv->setFault(sim::Fault(fault), true);
        drainWorkers();
        rv->clearWriteLog();
        time->setValue(45);
        QTest::keyClick(time, Qt::Key_Return);
        QTRY_VERIFY(!w->editingSettings);
        QTRY_COMPARE(w->isConnected, connected);
        drainWorkers();
        QCOMPARE(writesStartingWith(rv, "000AABCD0600010004"), writes);
        QCOMPARE(w->liveTimer->isActive(), connected);
        QCOMPARE(SimBus::instance().openHandleCount(), connected ? 1 : 0);
    }

    // A test already running when edit mode began (its reading was in
    // flight) ends edit mode; the test button then stops it and readings
    // carry on, so the window always finds its way back to live readings.
    void runningTestEndsEditMode()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        connectAndWaitForReading();
        ui()->pushButton_UpdatePara->click();
        QVERIFY(w->editingSettings);
        rv->pressTestKey();
        QMetaObject::invokeMethod(w->deviceManager, "readWriteLiveDataSlot", Qt::QueuedConnection);
        QTRY_VERIFY(w->testRunning);
        QVERIFY(!w->editingSettings);
        QVERIFY(w->liveTimer->isActive());
        QVERIFY(!ui()->switchButton->isEnabled());
        ui()->pushButton_Test->click();
        QTRY_VERIFY(!w->testRunning);
        QTRY_VERIFY(ui()->pushButton_UpdatePara->isEnabled());
        QVERIFY(w->liveTimer->isActive());
        QCOMPARE(w->liveRecordModel->rowCount(), 1); // the stopped test's row
    }

    // A failed test's "FAIL" does not outlive it: with comparison switched
    // off the next test shows and records no judgement.
    void judgementFollowsEveryReading()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        sim::InstrumentSettings settings = rv->settings();
        settings.comparisonOn = true;
        settings.comparisonValue = 100; // μΩ, below the reading: fail
        rv->setSettings(settings);
        rv->setMeasuredResistance(250.0);
        connectAndWaitForReading();
        for (int test = 0; test < 2; ++test) {
            rv->pressTestKey();
            QTRY_VERIFY(w->testRunning);
            SimBus::instance().advanceClock(31000);
            QTRY_COMPARE(w->liveRecordModel->rowCount(), test + 1);
            settings.comparisonOn = false;
            rv->setSettings(settings);
        }
        QStandardItemModel* m = w->liveRecordModel;
        QCOMPARE(m->item(0, 7)->text(), QStringLiteral("FAIL"));
        QCOMPARE(m->item(0, 6)->text(), QStringLiteral("100.00μΩ"));
        QCOMPARE(m->item(1, 7)->text(), QString());
        QCOMPARE(m->item(1, 6)->text(), QString());
        QTRY_COMPARE(ui()->label_ComparativeReslutValue->text(), QString());
    }

    // The comparison value is shown with five significant digits and sent
    // exactly as shown, also when rounding carries into another digit.
    void comparisonShownAsSent()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        sim::InstrumentSettings settings = rv->settings();
        settings.comparisonOn = true;
        settings.comparisonValue = 5;
        settings.comparisonDecimals = 4;
        rv->setSettings(settings);
        connectAndWaitForReading();
        QDoubleSpinBox* box = ui()->doubleSpinBox_ComparisonValue;
        QTRY_COMPARE(box->text(), QStringLiteral("5.0000"));
        ui()->pushButton_UpdatePara->click();
        rv->clearWriteLog();
        box->setValue(99.9999);
        emit box->editingFinished();
        QCOMPARE(box->text(), QStringLiteral("100.00"));
        // 100 = 00 00 C8 42, decimals 2, unit μΩ.
        QTRY_VERIFY(rv->writtenReports().contains(hex("000FABCD0B000100010000C84202001901")));
        QCOMPARE(writesStartingWith(rv, "000FABCD0B00010001"), 1);
    }

    // Replies dropped as invalid do not leave the last reading on screen as
    // if it were current; the first good reading brings the display back.
    void rejectedReadingsBlankTheDisplay_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("field out of range") << int(sim::Fault::FieldOutOfRange);
        QTest::newRow("wrong command") << int(sim::Fault::WrongCommand);
    }
    void rejectedReadingsBlankTheDisplay()
    {
        QFETCH(int, fault);
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        connectAndWaitForReading();
        rv->setFault(sim::Fault(fault), true);
        QTRY_VERIFY(status().contains(QStringLiteral("实时数据无效")));
        QVERIFY(ui()->label_TestStatus->text().isEmpty());
        QVERIFY(ui()->label_TimeLeftValue->text().isEmpty());
        QVERIFY(w->isConnected);
        rv->clearFaults();
        QTRY_COMPARE(status(), QStringLiteral("已连接设备"));
        QVERIFY(!ui()->label_TestStatus->text().isEmpty());
    }

    // Readings that change nothing set no style sheet: each new one made the
    // next repaint cache fresh images, and memory crept up while polling.
    void stylesSetOnlyWhenChanged()
    {
        pretendConnected();
        int styleChanges = 0;
        auto counter = std::make_unique<EventCounter>(QEvent::StyleChange, &styleChanges);
        for (QWidget* button : {static_cast<QWidget*>(ui()->pushButton_Test),
                                static_cast<QWidget*>(ui()->pushButton_UpdatePara)})
            button->installEventFilter(counter.get());
        for (int state : {0, 0, 0, 1, 1, 1, 2, 2, 0})
            feed(reading(state));
        QCOMPARE(styleChanges, 2); // to running, back to idle
    }

    // A test running when the link drops leaves no row behind, not even after
    // the instrument is back and the test long over.
    void lossDuringTestLeavesNoPhantomRow_data()
    {
        QTest::addColumn<bool>("unplug"); // else the link breaks
        QTest::newRow("unplugged") << true;
        QTest::newRow("link broken") << false;
    }
    void lossDuringTestLeavesNoPhantomRow()
    {
        QFETCH(bool, unplug);
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        connectAndWaitForReading();
        rv->pressTestKey();
        QTRY_VERIFY(w->testRunning);
        if (unplug) {
            rv->unplug();
        } else {
            rv->setFault(sim::Fault::BrokenLink, true);
        }
        QTRY_VERIFY(!w->isConnected);
        SimBus::instance().advanceClock(31000);
        if (unplug) {
            rv->plug(); // connects again by itself
        } else {
            rv->clearFaults();
            ui()->actionConnect->trigger();
        }
        QTRY_VERIFY(w->isConnected);
        QTRY_COMPARE(ui()->label_TestStatus->text(), QStringLiteral("测试完成"));
        drainWorkers();
        QCOMPARE(w->liveRecordModel->rowCount(), 0);
        QCOMPARE(SimBus::instance().openHandleCount(), 1);
    }

    // The poll interval the operator chose holds through every restart of
    // polling; a second instrument arriving leaves the connection alone.
    void pollIntervalSurvivesRestarts()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        w->sampleIntervalSlot(120);
        connectAndWaitForReading();
        QCOMPARE(w->liveTimer->interval(), 120);
        ui()->pushButton_UpdatePara->click();
        ui()->pushButton_UpdatePara->click();
        QVERIFY(w->liveTimer->isActive());
        QCOMPARE(w->liveTimer->interval(), 120);
        ui()->pushButton_Test->click();
        QTRY_VERIFY(w->testRunning);
        QCOMPARE(w->liveTimer->interval(), 120);

        SimBus::instance().attach(sim::Model::RV718A);
        drainWorkers();
        QCOMPARE(w->devicePath, rv->path());
        QVERIFY(w->findChild<DeviceSelectionDialog*>() == nullptr);
        QCOMPARE(SimBus::instance().openHandleCount(), 1);

        ui()->actionConnect->trigger(); // disconnect
        ui()->actionConnect->trigger(); // two instruments now: choose the first
        DeviceSelectionDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = w->findChild<DeviceSelectionDialog*>()) != nullptr);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QTRY_VERIFY(w->isConnected);
        QCOMPARE(w->liveTimer->interval(), 120);
    }

    // Outside edit mode nothing of the settings can be changed, even with the
    // comparison group shown; the two buttons stay usable.
    void lockedControlsWithComparisonOn()
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        sim::InstrumentSettings settings = rv->settings();
        settings.comparisonOn = true;
        rv->setSettings(settings);
        connectAndWaitForReading();
        QTRY_VERIFY(!ui()->GroupBox_Comparison->isHidden());
        for (QWidget* c : std::initializer_list<QWidget*>{
                 ui()->switchButton, ui()->doubleSpinBox_ComparisonValue,
                 ui()->comboBox_ComparisonUnitValue, ui()->comboBox_CurrentSettingValue,
                 ui()->spinBox_TestingTimeValue})
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
        QVERIFY(ui()->pushButton_UpdatePara->isEnabled());
        QVERIFY(ui()->pushButton_Test->isEnabled());
    }

    // Identical instruments are told apart by their serial numbers; the
    // choice still connects by path.
    void selectionShowsWhatTellsInstrumentsApart()
    {
        SimInstrument* first = SimBus::instance().attach(sim::Model::RV718B);
        SimInstrument* second = SimBus::instance().attach(sim::Model::RV718B);
        first->setSerialNumber(QStringLiteral("A1001"));
        second->setSerialNumber(QStringLiteral("A1002"));
        ui()->actionConnect->trigger();
        DeviceSelectionDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = w->findChild<DeviceSelectionDialog*>()) != nullptr);
        auto* choices = dialog->findChild<QComboBox*>();
        QCOMPARE(choices->count(), 2);
        QVERIFY(choices->itemText(0).startsWith(first->path()));
        QVERIFY(choices->itemText(0).contains(QStringLiteral("A1001")));
        QVERIFY(choices->itemText(1).contains(QStringLiteral("A1002")));
        choices->setCurrentIndex(1);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QTRY_VERIFY(w->isConnected);
        QCOMPARE(w->devicePath, second->path());
    }

    void deviceInfoWhileConnected()
    {
        SimBus::instance().attach(sim::Model::RV718A);
        connectAndWaitForReading();
        QTRY_VERIFY(!w->deviceInfo.model.isEmpty());
        ui()->actionDeviceInfo->trigger();
        auto* dialog = w->findChild<DeviceInfoDialog*>();
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QLabel*>("label_nameValue")->text(),
                 QStringLiteral("100A 回路电阻测试仪"));
        QCOMPARE(dialog->findChild<QLabel*>("label_modelValue")->text(),
                 QStringLiteral("RV718A     "));
        QCOMPARE(dialog->findChild<QLabel*>("label_versionValue")->text(), w->deviceInfo.version);
        QVERIFY(prompted.isEmpty());
    }

    // The stored-data page keeps live polling; its actions and the live
    // page's are enabled for the page shown; choosing the shown page again
    // changes nothing, not even the status bar.
    void switchingPages()
    {
        SimBus::instance().attach(sim::Model::RV718B);
        connectAndWaitForReading();
        ui()->actionStorageView->trigger();
        QCOMPARE(ui()->stackedWidget->currentIndex(), 1);
        QVERIFY(ui()->actionStorageView->isChecked());
        QVERIFY(!ui()->actionLiveTestView->isChecked());
        QVERIFY(!ui()->actionExportToPDF->isEnabled());
        QVERIFY(!ui()->actionAutomatic_measurement->isEnabled());
        QVERIFY(ui()->actionImport_storage->isEnabled());
        QVERIFY(w->liveTimer->isActive());
        ui()->statusbar->showMessage(QStringLiteral("x"));
        ui()->actionStorageView->trigger();
        QCOMPARE(status(), QStringLiteral("x"));
        QVERIFY(ui()->actionStorageView->isChecked());
        ui()->actionLiveTestView->trigger();
        QCOMPARE(ui()->stackedWidget->currentIndex(), 0);
        QVERIFY(status().isEmpty());
        QVERIFY(ui()->actionExportToPDF->isEnabled());
        QVERIFY(ui()->actionAutomatic_measurement->isEnabled());
    }

    // The window never opens larger than the screen; what does not fit
    // scrolls, so every control stays reachable.
    void windowFitsTheScreen()
    {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QSize room = w->screen()->availableGeometry().size();
        QVERIFY(w->frameGeometry().width() <= room.width());
        QVERIFY(w->frameGeometry().height() <= room.height());
        auto* pages = qobject_cast<QScrollArea*>(w->centralWidget());
        QVERIFY(pages);
        QCOMPARE(pages->widget()->findChild<QStackedWidget*>("stackedWidget"), ui()->stackedWidget);
        QVERIFY(w->minimumSizeHint().height() <= room.height());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
