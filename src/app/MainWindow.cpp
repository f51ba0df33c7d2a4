// Construction, wiring, the shared enable/disable switches and shut-down.
#include "MainWindow.h"

#include "ButtonStyles.h"
#include "DeviceManager.h"
#include "HotplugMonitor.h"
#include "ParseData.h"
#include "SampleIntervalDialog.h"
#include "SwitchButton.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLocale>
#include <QScreen>
#include <QScrollArea>
#include <QStandardItemModel>
#include <QThread>
#include <QTimeLine>
#include <QTimer>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    // The operator's last choice of language is where a start begins; the
    // first start is in Chinese. The toolkit's own texts (the buttons of
    // message boxes and dialogs) follow. Installed before the form is built,
    // every text is set in place, so the language-change pass the
    // installation asks for has nothing to do.
    if (rememberedLanguage() == QLatin1String("en")) {
        currentLanguage = QStringLiteral("en");
        isEnglish = true;
        QLocale::setDefault(QLocale(currentLanguage));
        installCatalogue(appTranslator, QStringLiteral("lang_en.qm"));
    }
    installToolkitCatalogue(currentLanguage);
    QCoreApplication::removePostedEvents(this, QEvent::LanguageChange);

    ui = new Ui::MainWindow;
    ui->setupUi(this);

    registerDeviceNotification();
    initUi();
    fitToScreen();

    ui->stackedWidget->setCurrentIndex(0);
    ui->actionLiveTestView->setChecked(true);

    deviceThread = new QThread;
    deviceManager = new DeviceManager;
    deviceManager->moveToThread(deviceThread);
    parseThread = new QThread;
    parseData = new ParseData;
    parseData->moveToThread(parseThread);

    liveTimer = new QTimer(this);
    sampleInterval = SampleIntervalDialog::storedInterval();
    autoTestTimeLine = new QTimeLine(1000, this);

    makeConnections();

    openJournal();
    setUpHistory();

    hotplug = new HotplugMonitor(this);
    connect(hotplug, &HotplugMonitor::deviceArrived, this, &MainWindow::deviceArrivedSlot);
    connect(hotplug, &HotplugMonitor::deviceRemoved, this, &MainWindow::deviceRemovedSlot);
}

MainWindow::~MainWindow()
{
    // The threads were asked to delete themselves once finished; they are
    // deleted here instead, so that request is withdrawn first and each
    // thread object dies exactly once.
    for (QThread* thread : {deviceThread, parseThread}) {
        disconnect(thread, &QThread::finished, thread, &QObject::deleteLater);
        thread->quit();
        thread->wait();
        delete thread;
    }
    delete deviceManager;
    delete parseData;
    delete ui;
}

void MainWindow::makeConnections()
{
    connect(ui->switchButton, &SwitchButton::statusChanged, this,
            &MainWindow::onSwitchButtonStatusChanged);
    connect(ui->switchButton, &SwitchButton::statusChangedMouse, this,
            &MainWindow::onSwitchButtonStatusChangedMouse);
    connect(this, &MainWindow::updateSwitchStatusSignal, ui->switchButton,
            &SwitchButton::updateSwitchStatusSlot);
    connect(deviceThread, &QThread::finished, deviceThread, &QObject::deleteLater);
    connect(parseThread, &QThread::finished, parseThread, &QObject::deleteLater);
    connect(this, &MainWindow::detectDeviceSignal, deviceManager, &DeviceManager::detectDevices);
    connect(deviceManager, &DeviceManager::detectedDeviceSignal, this,
            &MainWindow::detectedDeviceSlot);
    connect(this, &MainWindow::connectUsbSignal, deviceManager, &DeviceManager::connectSlot);
    connect(deviceManager, &DeviceManager::finishUsbDetection, this, &MainWindow::usbStatus);
    connect(deviceManager, &DeviceManager::upperSwitchOnSignal, this,
            &MainWindow::upperSwitchOnSlot);
    connect(this, &MainWindow::disConnectSignal, deviceManager, &DeviceManager::disconnectSlot);
    connect(liveTimer, &QTimer::timeout, deviceManager, &DeviceManager::readWriteLiveDataSlot);
    connect(deviceManager, &DeviceManager::finishReadRealTime, parseData,
            &ParseData::parseRealTimeData);
    connect(parseData, &ParseData::finishReadRealTimeData, this, &MainWindow::showRealTimeData);
    connect(this, &MainWindow::startReadStoreTotalNum, deviceManager,
            &DeviceManager::readWriteStoreTotalNum);
    connect(deviceManager, &DeviceManager::finishReadStorageNumSignal, this,
            &MainWindow::showReadBackStorageNum);
    connect(this, &MainWindow::startReadReadBackData, deviceManager,
            &DeviceManager::readWriteStorageDataSlot);
    connect(this, &MainWindow::stopCirculationSignal, deviceManager,
            &DeviceManager::stopCirculation);
    connect(deviceManager, &DeviceManager::finishReadReadBack, parseData,
            &ParseData::parseReadBackData);
    connect(parseData, &ParseData::finishReadReadBackData, this, &MainWindow::showReadBackData);
    connect(deviceManager, &DeviceManager::stateProcessing, this, &MainWindow::stateProcessingSlot);
    connect(parseData, &ParseData::stateProcessing, this, &MainWindow::stateProcessingSlot);
    connect(this, &MainWindow::startTestingSignal, deviceManager,
            &DeviceManager::requestStartTestingSlot);
    connect(this, &MainWindow::stopTestingSignal, deviceManager,
            &DeviceManager::requestStopTestingSlot);
    connect(this, &MainWindow::updateTestSettingSignal, deviceManager,
            &DeviceManager::updateTestSettingSlot);
    connect(this, &MainWindow::getSystemInfoSignal, deviceManager,
            &DeviceManager::readWriteSystemInfo);
    connect(deviceManager, &DeviceManager::finishReadSystemInfo, parseData,
            &ParseData::parseSystemInfo);
    connect(parseData, &ParseData::finishReadSystemInfoData, this, &MainWindow::onSystemInfoSlot);

    // Beyond the fixed wiring: the details that make failures and choices
    // understandable to the operator.
    connect(deviceManager, &DeviceManager::detectedDeviceDetails, this,
            &MainWindow::detectedDeviceDetailsSlot);
    connect(deviceManager, &DeviceManager::openFailed, this, &MainWindow::openFailedSlot);
    connect(deviceManager, &DeviceManager::liveReplyRejected, this,
            &MainWindow::liveReadingRejectedSlot);
    connect(parseData, &ParseData::liveFrameRejected, this, &MainWindow::liveReadingRejectedSlot);
}

// Runs again on every language change: what is built here is built on the
// first run only, and the texts are set on every run.
void MainWindow::initUi()
{
    const bool firstRun = !liveRecordModel;
    setWindowTitle(titleNote ? tr("回路电阻测试仪") + QStringLiteral(" — ") + tr(titleNote)
                             : tr("回路电阻测试仪"));

    if (firstRun) {
        auto* spacer = new QWidget(ui->toolBar);
        spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        ui->toolBar->addWidget(spacer);
        ui->toolBar->addAction(ui->actionLiveTestView);
        ui->toolBar->addAction(ui->actionStorageView);
        setUpRemarkColumn();
    }
    createLanguageMenu();

    setSettingControlsEnabled(false);
    setLivePageActionsEnabled(false);
    if (!isConnected)
        setStorageActionsEnabled(false);
    else
        setStorageActionsEnabled(ui->stackedWidget->currentIndex() == 1);

    setViewActionsEnabled(true);
    ui->GroupBox_Comparison->hide();
    ui->pushButton_UpdatePara->setEnabled(false);
    ui->pushButton_Test->setEnabled(false);

    ui->actionConnect->setText(tr("连接"));
    // The switch's own words for on and off: the window's "关闭" is the
    // close question's title, which English words differently.
    ui->switchButton->setTextOff(SwitchButton::tr("关闭"));
    ui->switchButton->setTextOn(SwitchButton::tr("开启"));
    ui->label_Comparison->setText(tr("比较值"));
    ui->label_CurrentSetting->setText(tr("电流设置"));
    ui->label_TestingTime->setText(tr("测试时间"));
    ui->spinBox_TestingTimeValue->setSpecialValueText(QStringLiteral(" "));
    ui->label_StoreNumber->setText(tr("存储组数"));
    ui->label_TestingCurrent->setText(tr("测试电流"));
    ui->label_TimeLeft->setText(tr("剩余时间"));
    ui->groupBox_Remark->setTitle(tr("备注"));

    // The tables keep their records through a language change (live records
    // may not be exported yet); only their headers follow the language.
    if (firstRun) {
        liveRecordModel = new QStandardItemModel(0, 11, this);
        ui->tableView_LiveRecord->setModel(liveRecordModel);
        storageModel = new QStandardItemModel(0, 7, this);
        ui->tableView_Storage->setModel(storageModel);
    }
    const QStringList liveHeaders = {tr("序号"),     tr("记录时间"), tr("测试时间"), tr("电流设置"),
                                     tr("测试电流"), tr("测试电阻"), tr("比较值"),   tr("比较结果"),
                                     tr("备注"),     tr("对象"),     tr("测点")};
    for (int c = 0; c < liveHeaders.size(); ++c)
        liveRecordModel->setHeaderData(c, Qt::Horizontal, liveHeaders.at(c), Qt::DisplayRole);
    ui->tableView_LiveRecord->setColumnWidth(1, 150);

    const QStringList storageHeaders = {tr("存储编号"), tr("记录时间"), tr("测试时间"),
                                        tr("测试电流"), tr("测试电阻"), tr("比较值"),
                                        tr("比较结果")};
    for (int c = 0; c < storageHeaders.size(); ++c)
        storageModel->setHeaderData(c, Qt::Horizontal, storageHeaders.at(c), Qt::DisplayRole);
    // 150 px holds the record time in the forms' Windows font; wider fonts
    // would wrap it onto two lines.
    const QFontMetrics metrics(ui->tableView_Storage->font());
    const int timeWidth = metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 16;
    ui->tableView_Storage->setColumnWidth(1, qMax(150, timeWidth));
    // Every header readable in either language ("Testing current" is wider
    // than the form's columns); the last column fills the rest.
    QHeaderView* storageHeader = ui->tableView_Storage->horizontalHeader();
    for (int c = 0; c + 1 < storageModel->columnCount(); ++c)
        storageHeader->resizeSection(
            c, qMax(storageHeader->sectionSize(c), storageHeader->sectionSizeHint(c)));

    // The remark takes the room the other columns leave (a long one is cut
    // short), so what was measured stays in view without a scroll bar.
    QHeaderView* liveHeader = ui->tableView_LiveRecord->horizontalHeader();
    liveHeader->setSectionResizeMode(QHeaderView::ResizeToContents);
    liveHeader->setSectionResizeMode(kRemarkColumn, QHeaderView::Stretch);
    liveHeader->setStretchLastSection(false);
    // The form's 100 px floor would leave eleven English columns wider than
    // a 1366 px screen; each column is still as wide as its header.
    liveHeader->setMinimumSectionSize(48);
    // Every record one line high (a long remark is cut short): a record is
    // never taller than the table, and ten thousand rows cost no measuring.
    ui->tableView_LiveRecord->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ui->tableView_Storage->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // A click on any cell selects its whole record, so Delete acts on what
    // the operator clicked.
    for (QTableView* view : {ui->tableView_LiveRecord, ui->tableView_Storage})
        view->setSelectionBehavior(QAbstractItemView::SelectRows);

    retranslateHistory();
    if (firstRun) // a language change leaves a read-back's progress as it is
        ui->progressBar->setValue(0);
    ui->statusbar->clearMessage();
}

void MainWindow::setTitleNote(const char* sourceText)
{
    titleNote = sourceText;
    setWindowTitle(tr("回路电阻测试仪") + QStringLiteral(" — ") + tr(titleNote));
}

void MainWindow::fitToScreen()
{
    // The form's size is the preferred one. On a smaller screen (or a larger
    // scale factor) the pages scroll instead of pushing controls off screen,
    // and the window never opens larger than the screen's free area.
    QWidget* pages = takeCentralWidget();
    auto* scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("scrollArea_Pages"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(pages);
    setCentralWidget(scroller);

    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!shown)
        return;
    // Room for the title bar and borders, which the window system adds.
    const QSize decorations(16, 48);
    const QSize room = shown->availableGeometry().size() - decorations;
    resize(size().boundedTo(room));
}

void MainWindow::setLivePageActionsEnabled(bool on)
{
    const bool enable = on && ui->stackedWidget->currentIndex() != 1 && !storageReading;
    ui->actionExportToPDF->setEnabled(enable);
    ui->actionAutomatic_measurement->setEnabled(enable);
}

void MainWindow::setStorageActionsEnabled(bool on)
{
    ui->actionImport_storage->setEnabled(on);
    // Rows read back stay exportable after the link is gone.
    const bool rowsKept =
        !isConnected && !storageReading && storageModel && storageModel->rowCount() > 0;
    ui->actionExportToExcel->setEnabled(on || rowsKept);
}

void MainWindow::setViewActionsEnabled(bool on)
{
    ui->actionLiveTestView->setEnabled(on);
    ui->actionStorageView->setEnabled(on);
}

void MainWindow::setLanguageActionsEnabled(bool on)
{
    for (QAction* action : qAsConst(languageActions)) {
        if (!action->data().toString().isEmpty())
            action->setEnabled(on);
    }
}

void MainWindow::setSettingControlsEnabled(bool on)
{
    ui->switchButton->setEnabled(on);
    ui->doubleSpinBox_ComparisonValue->setEnabled(on);
    ui->comboBox_ComparisonUnitValue->setEnabled(on);
    ui->comboBox_CurrentSettingValue->setEnabled(on);
    ui->spinBox_TestingTimeValue->setEnabled(on);
}

void MainWindow::setComparisonEditEnabled(bool on)
{
    ui->doubleSpinBox_ComparisonValue->setEnabled(on);
    ui->comboBox_ComparisonUnitValue->setEnabled(on);
}

void MainWindow::lockForAutoTest()
{
    setViewActionsEnabled(false);
    setLivePageActionsEnabled(false);
    setStorageActionsEnabled(false);
    setLanguageActionsEnabled(false);
    // A run owns the instrument and the record table until it ends: an edit
    // of the settings, a test started or stopped by hand, or rows deleted or
    // saved halfway would all be overtaken by the run's next step.
    setSettingControlsEnabled(false);
    setRecordButtonsEnabled(false);
    ui->pushButton_UpdatePara->setEnabled(false);
    ui->pushButton_Test->setEnabled(false);
}

void MainWindow::setRecordButtonsEnabled(bool on)
{
    for (QWidget* button : {ui->pushButton_delete, ui->pushButton_save, ui->pushButton_clear})
        button->setEnabled(on);
}

void MainWindow::startThreadIfIdle(QThread* thread)
{
    if (!thread->isRunning())
        thread->start();
}

void MainWindow::startLivePolling()
{
    startThreadIfIdle(deviceThread);
    if (!liveTimer->isActive())
        liveTimer->start(sampleInterval);
    startThreadIfIdle(parseThread);
    lockSettingControls();
}

void MainWindow::lockSettingControls()
{
    editingSettings = false;
    setSettingControlsEnabled(false);
    buttonstyles::apply(ui->pushButton_UpdatePara, buttonstyles::updateIdle());
}

void MainWindow::resetToDisconnected()
{
    if (liveTimer->isActive())
        liveTimer->stop();
    // A read-back cannot go on without the link; what it read stays listed.
    if (storageReading)
        endReadBack(tr("设备未连接"));
    endAutoTestOnDisconnection();
    testRunning = false;
    previousTestState = 0;
    editingSettings = false;
    connectionPending = false;
    rejectedReadings = 0;
    liveDisplayBlanked = false;
    resetLiveDisplay();
    setLivePageActionsEnabled(false);
    setStorageActionsEnabled(false);
    setViewActionsEnabled(true);
    setLanguageActionsEnabled(true);
    setRecordButtonsEnabled(true); // the records stay the operator's
    ui->actionConnect->setText(tr("连接"));
    ui->pushButton_UpdatePara->setEnabled(false);
    buttonstyles::apply(ui->pushButton_UpdatePara, buttonstyles::updateIdle());
    ui->pushButton_Test->setEnabled(false);
    buttonstyles::apply(ui->pushButton_Test, buttonstyles::testIdle());
}

void MainWindow::closeEvent(QCloseEvent* e)
{
    if (!mayCloseWithRecords()) {
        e->ignore();
        return;
    }
    if (isConnected && storageReading) {
        deviceManager->stopCirculation(true);
        storageReading = false;
    }
    QCoreApplication::quit();
    e->accept();
}
