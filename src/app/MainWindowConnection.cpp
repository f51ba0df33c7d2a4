// Finding, connecting and dropping the instrument; hot-plug; page switching;
// the workers' reports.
#include "MainWindow.h"

#include "AppLog.h"
#include "ButtonStyles.h"
#include "DeviceInfoDialog.h"
#include "DeviceManager.h"
#include "DeviceSelectionDialog.h"
#include "HotplugLog.h"
#include "InstrumentProbe.h"
#include "Prompts.h"
#include "ui_mainwindow.h"

#include <QPointer>
#include <QThread>
#include <QTimer>

#include <cerrno>

#ifdef Q_OS_WIN
#include <dbt.h>
#include <windows.h>
#endif

void MainWindow::on_actionConnect_triggered()
{
    if (!isConnected) {
        startThreadIfIdle(deviceThread);
        ui->statusbar->showMessage(tr("正在查找测试仪…"));
        emit detectDeviceSignal();
        return;
    }
    dropConnection();
}

void MainWindow::dropConnection()
{
    if (liveTimer->isActive())
        liveTimer->stop();
    emit disConnectSignal();
    isConnected = false;
    ui->statusbar->showMessage(tr("设备未连接"));
    resetToDisconnected(); // a read-back cut short says what it read
}

void MainWindow::detectedDeviceDetailsSlot(QStringList paths, QStringList usbPorts,
                                           QStringList serials)
{
    deviceDetails.clear();
    for (int i = 0; i < paths.size(); ++i)
        deviceDetails.insert(paths.at(i), {usbPorts.value(i), serials.value(i)});
}

void MainWindow::detectedDeviceSlot(QStringList paths)
{
    if (paths.isEmpty()) {
        ui->statusbar->showMessage(tr("未找到测试仪：请检查 USB 连接线和仪器电源"));
        return;
    }
    if (paths.size() == 1) {
        emit connectUsbSignal(paths.first());
        return;
    }
    ui->statusbar->showMessage(tr("找到 %1 台测试仪，请选择要连接的一台").arg(paths.size()));
    auto* dialog = new DeviceSelectionDialog(this);
    for (const QString& path : qAsConst(paths)) {
        const QPair<QString, QString> details = deviceDetails.value(path);
        dialog->addDevice(path, details.first, details.second);
    }
    // Each instrument is asked what it is while the operator reads the list.
    auto* probe = new InstrumentProbe(paths, this);
    connect(probe, &InstrumentProbe::identified, dialog, &DeviceSelectionDialog::setIdentity);
    connect(probe, &InstrumentProbe::notAnswering, dialog, &DeviceSelectionDialog::setNotAnswering);
    connect(probe, &InstrumentProbe::finished, probe, &QObject::deleteLater);
    QPointer<InstrumentProbe> asking(probe);
    connect(dialog, &DeviceSelectionDialog::pathSelected, this, [this, asking](QString path) {
        // The chosen instrument is opened once the probe has let go of it.
        if (asking && !asking->isFinished())
            connect(asking, &InstrumentProbe::finished, this,
                    [this, path] { emit connectUsbSignal(path); });
        else
            emit connectUsbSignal(path);
    });
    dialog->show();
}

void MainWindow::usbStatus(bool connected, QString path)
{
    if (connected) {
        devicePath = path;
        openFailure.clear();
        connectionPending = true;
        startThreadIfIdle(deviceThread);
        emit getSystemInfoSignal();
        startThreadIfIdle(parseThread);
        startLivePolling();
        return;
    }
    if (liveTimer->isActive())
        liveTimer->stop();
    isConnected = false;
    resetToDisconnected();
    ui->actionConnect->setText(tr("连接"));
    ui->statusbar->showMessage(openFailure.isEmpty() ? tr("设备未连接") : openFailure);
    openFailure.clear();
}

void MainWindow::openFailedSlot(QString path, int errorNumber)
{
    if (errorNumber == EACCES || errorNumber == EPERM)
        openFailure = tr("找到测试仪 %1，但没有打开它的权限：请安装 udev 规则（见 README"
                         "“真实仪器”一节），然后重新插拔仪器")
                          .arg(path);
    else
        openFailure = tr("找到测试仪 %1，但无法打开（%2）：请重新插拔仪器，然后重新连接")
                          .arg(path, qt_error_string(errorNumber));
}

void MainWindow::upperSwitchOnSlot()
{
    if (!connectionPending && !isConnected) {
        // A reply to a request queued before the link was declared lost.
        return;
    }
    connectionPending = false;
    ui->statusbar->clearMessage();
    isConnected = true;
    editingSettings = false;
    setLivePageActionsEnabled(true);
    setStorageActionsEnabled(true);
    setViewActionsEnabled(true);
    setLanguageActionsEnabled(true);
    ui->actionConnect->setText(tr("断开连接"));
    ui->statusbar->showMessage(tr("已连接设备"));
    fillComparisonUnits();
    ui->pushButton_UpdatePara->setEnabled(true);
    buttonstyles::apply(ui->pushButton_UpdatePara, buttonstyles::updateIdle());
    ui->pushButton_Test->setEnabled(true);
    buttonstyles::apply(ui->pushButton_Test, buttonstyles::testIdle());
}

void MainWindow::deviceArrivedSlot()
{
    if (!isConnected && !connectionPending)
        on_actionConnect_triggered();
}

void MainWindow::deviceRemovedSlot(const QString& path)
{
    qCDebug(lcHotplug) << "HID device removed:" << path;
    if ((isConnected || connectionPending) && path == devicePath)
        dropConnection();
}

void MainWindow::registerDeviceNotification()
{
#ifdef Q_OS_WIN
    DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = {
        0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
    RegisterDeviceNotificationW(reinterpret_cast<HANDLE>(winId()), &filter,
                                DEVICE_NOTIFY_WINDOW_HANDLE);
#endif
    // Elsewhere the HotplugMonitor created in the constructor does this job.
}

#ifdef Q_OS_WIN
bool MainWindow::nativeEvent(const QByteArray& eventType, void* message, long* result)
{
    Q_UNUSED(eventType);
    Q_UNUSED(result);
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_DEVICECHANGE)
        return false;
    if (msg->wParam == DBT_DEVICEARRIVAL) {
        deviceArrivedSlot();
    } else if (msg->wParam == DBT_DEVICEREMOVECOMPLETE && isConnected) {
        const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(msg->lParam);
        if (header && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
            const auto* iface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
            deviceRemovedSlot(QString::fromWCharArray(iface->dbcc_name));
        }
    }
    return false;
}
#endif

void MainWindow::on_stackedWidget_currentChanged(int arg1)
{
    if (arg1 == 0) {
        ui->actionLiveTestView->setChecked(true);
        ui->actionStorageView->setChecked(false);
    } else if (arg1 == 1) {
        ui->actionLiveTestView->setChecked(false);
        ui->actionStorageView->setChecked(true);
    }
}

void MainWindow::on_actionLiveTestView_triggered()
{
    if (ui->stackedWidget->currentIndex() == 0) {
        // A checkable action unchecks itself on a click; the page did not change.
        ui->actionLiveTestView->setChecked(true);
        return;
    }
    ui->stackedWidget->setCurrentIndex(0);
    if (!isConnected)
        return;
    if (storageReading)
        endReadBack(tr("存储数据读取已取消"));
    startLivePolling();
    ui->statusbar->clearMessage();
    setLivePageActionsEnabled(true);
    setStorageActionsEnabled(true);
}

void MainWindow::on_actionStorageView_triggered()
{
    if (ui->stackedWidget->currentIndex() == 1) {
        ui->actionStorageView->setChecked(true);
        return;
    }
    ui->stackedWidget->setCurrentIndex(1);
    ui->statusbar->clearMessage();
    if (isConnected) {
        setLivePageActionsEnabled(false);
        setStorageActionsEnabled(true);
    }
}

void MainWindow::on_actionDeviceInfo_triggered()
{
    if (!isConnected) {
        prompts::notify(this, QMessageBox::Information, tr("提示"), tr("未连接设备"));
        return;
    }
    auto* dialog = new DeviceInfoDialog(this);
    connect(this, &MainWindow::sendSystemInfoSignal, dialog, &DeviceInfoDialog::systemInfoSlot);
    emit sendSystemInfoSignal(deviceInfo);
    dialog->show();
}

void MainWindow::stateProcessingSlot(QString logMessage, int errorType)
{
    // Polls queued before the link was declared lost report the loss again;
    // the window already says so, and that first message often says why.
    const bool repeatedLoss = errorType == report::LinkLost && !isConnected && !connectionPending;
    if (repeatedLoss)
        return;
    if (errorType != report::ReadBackEnded) // its empty text would wipe what the end shows
        ui->statusbar->showMessage(logMessage);
    switch (errorType) {
    case report::ChecksumError:
        resetLiveDisplay();
        liveDisplayBlanked = true;
        break;
    case report::StoreCountUnusable:
        endReadBack(logMessage);
        prompts::notify(this, QMessageBox::Warning, tr("提示"), logMessage);
        break;
    case report::ReadBackEnded:
        readBackLoopEnded();
        break;
    case report::SettingsWriteFailed:
        if (isConnected)
            startLivePolling();
        break;
    case report::LinkLost:
        if (connectionPending)
            ui->statusbar->showMessage(
                tr("测试仪 %1 没有应答：请确认仪器已开机，然后重新连接").arg(devicePath));
        isConnected = false;
        if (storageReading)
            endReadBack(logMessage);
        resetToDisconnected();
        break;
    default:
        break;
    }
}
