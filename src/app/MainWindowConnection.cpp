// Finding, connecting and dropping the instrument; hot-plug; page switching;
// the workers' reports.
#include "MainWindow.h"

#include "ButtonStyles.h"
#include "DeviceInfoDialog.h"
#include "DeviceManager.h"
#include "DeviceSelectionDialog.h"
#include "Prompts.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QThread>
#include <QTimer>

#ifdef Q_OS_WIN
#include <dbt.h>
#include <windows.h>
#endif

void MainWindow::on_actionConnect_triggered()
{
    if (!isConnected) {
        startThreadIfIdle(deviceThread);
        emit detectDeviceSignal();
        return;
    }

    if (storageReading) {
        deviceManager->stopCirculation(true);
        storageReading = false;
    }
    if (liveTimer->isActive())
        liveTimer->stop();
    emit disConnectSignal();
    isConnected = false;
    resetToDisconnected();
    ui->statusbar->showMessage(tr("设备未连接"));
}

void MainWindow::detectedDeviceSlot(QStringList paths)
{
    if (paths.isEmpty())
        return;
    if (paths.size() == 1) {
        emit connectUsbSignal(paths.first());
        return;
    }
    auto* dialog = new DeviceSelectionDialog(this);
    dialog->addDevicePaths(paths);
    connect(dialog, &DeviceSelectionDialog::pathSelected, deviceManager,
            &DeviceManager::connectSlot);
    dialog->show();
}

void MainWindow::usbStatus(bool connected, QString path)
{
    if (connected) {
        devicePath = path;
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
    ui->statusbar->showMessage(tr("设备未连接"));
}

void MainWindow::upperSwitchOnSlot()
{
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
    ui->pushButton_UpdatePara->setStyleSheet(buttonstyles::updateIdle());
    ui->pushButton_Test->setEnabled(true);
    ui->pushButton_Test->setStyleSheet(buttonstyles::testIdle());
}

void MainWindow::deviceArrivedSlot()
{
    if (!isConnected)
        on_actionConnect_triggered();
}

void MainWindow::deviceRemovedSlot(const QString& path)
{
    qDebug() << "HID device removed:" << path;
    if (isConnected && path == devicePath)
        on_actionConnect_triggered();
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
    if (storageReading) {
        deviceManager->stopCirculation(true);
        storageReading = false;
        setLanguageActionsEnabled(true);
    }
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
    ui->statusbar->showMessage(logMessage);
    switch (errorType) {
    case 1:
        resetLiveDisplay();
        break;
    case 2:
    case 6:
        if (storageReading)
            deviceManager->stopCirculation(true);
        storageReading = false;
        if (errorType == 2)
            prompts::notify(this, QMessageBox::Warning, tr("提示"), logMessage);
        setStorageActionsEnabled(isConnected);
        setLivePageActionsEnabled(false);
        setViewActionsEnabled(true);
        setLanguageActionsEnabled(true);
        break;
    case 3:
        if (isConnected)
            startLivePolling();
        break;
    case 4:
        isConnected = false;
        resetToDisconnected();
        break;
    default:
        break;
    }
}
