// The stored-data page: reading the instrument's memory back into the table.
#include "MainWindow.h"

#include "ButtonStyles.h"
#include "DeviceManager.h"
#include "ui_mainwindow.h"

#include <QStandardItemModel>
#include <QThread>
#include <QTimer>

namespace {

// The seven cells of a stored record, as the stored-data page shows them.
QStringList storageCells(const ReceiveStorageData& r)
{
    return {r.storeNumber,
            r.recordTime,
            r.testingTime,
            r.testingCurrent + QLatin1Char('A'),
            r.testingResValue + r.testingResUnit,
            r.comparisonValue + r.comparisonUnit,
            r.comparativeResult};
}

} // namespace

void MainWindow::on_actionImport_storage_triggered()
{
    if (!isConnected) {
        ui->statusbar->showMessage(tr("设备未连接"));
        return;
    }
    if (liveTimer->isActive())
        liveTimer->stop();
    startThreadIfIdle(deviceThread);
    storageReading = true;
    ui->statusbar->clearMessage();
    setLivePageActionsEnabled(false);
    setStorageActionsEnabled(false);
    setViewActionsEnabled(false);
    // The language menu waits from the count on, as it does while the groups
    // are read: a language change resets the page around the read-back.
    setLanguageActionsEnabled(false);
    editingSettings = false;
    buttonstyles::apply(ui->pushButton_UpdatePara, buttonstyles::updateIdle());
    ui->stackedWidget->setCurrentIndex(1);
    storageModel->removeRows(0, storageModel->rowCount());
    ui->progressBar->reset();
    emit startReadStoreTotalNum();
    startThreadIfIdle(parseThread);
}

void MainWindow::showReadBackStorageNum(int totalNum)
{
    if (!storageReading)
        return; // the operator left the page or the link went while counting
    storageTotal = totalNum;
    ui->progressBar->setMaximum(100);
    ui->stackedWidget->setCurrentIndex(1);
    // Every group gets its row now; each record then fills its own.
    storageModel->setRowCount(totalNum);
    storageModel->setColumnCount(7);
    // The instrument's pause between the count and the first group is taken
    // by the link worker.
    emit stopCirculationSignal(false);
    emit startReadReadBackData();
}

void MainWindow::showReadBackData(ReceiveStorageData rsd, int readedNum)
{
    const int row = readedNum - 1;
    if (row < 0 || row >= storageModel->rowCount())
        return; // a record of a read-back whose table has been emptied since
    ui->tableView_Storage->setUpdatesEnabled(false);
    const QStringList cells = storageCells(rsd);
    for (int c = 0; c < cells.size(); ++c) {
        QStandardItem* item = storageModel->item(row, c);
        if (!item) {
            item = new QStandardItem;
            storageModel->setItem(row, c, item);
        }
        item->setData(cells.at(c), Qt::DisplayRole);
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
    ui->tableView_Storage->scrollTo(storageModel->index(row, 0), QAbstractItemView::EnsureVisible);
    ui->tableView_Storage->setUpdatesEnabled(true);

    const int progress = storageTotal > 0 ? readedNum * 100 / storageTotal : 0;
    if (progress <= 100 && progress != ui->progressBar->value())
        ui->progressBar->setValue(progress);

    if (!storageReading)
        return; // a record still in flight after the read-back was cancelled
    if (readedNum != storageTotal) {
        setLivePageActionsEnabled(false);
        setStorageActionsEnabled(false);
        setViewActionsEnabled(true); // leaving the page cancels the read-back
        setLanguageActionsEnabled(false);
        return;
    }
    endReadBack();
}

void MainWindow::endReadBack()
{
    if (storageReading)
        deviceManager->stopCirculation(true);
    storageReading = false;
    // The actions of whichever page is shown now: the operator may have
    // gone back to the live page while the last groups were read.
    setStorageActionsEnabled(isConnected);
    setLivePageActionsEnabled(isConnected);
    setViewActionsEnabled(true);
    setLanguageActionsEnabled(true);
}
