// The stored-data page: reading the instrument's memory back into the table.
#include "MainWindow.h"

#include "ButtonStyles.h"
#include "DeviceManager.h"
#include "ParseData.h"
#include "ui_mainwindow.h"

#include <QStandardItemModel>
#include <QThread>
#include <QTimer>

namespace {

// Marks a row that no record filled (on its first cell).
constexpr int kUnreadRole = Qt::UserRole + 2;

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

// A group number as the store-number column shows it.
QString groupText(int group)
{
    return QStringLiteral("%1").arg(group, 3, 10, QLatin1Char('0'));
}

// "4–6, 9": ascending group numbers with runs joined.
QString groupRanges(const QList<int>& groups)
{
    QStringList parts;
    for (int i = 0; i < groups.size();) {
        int j = i;
        while (j + 1 < groups.size() && groups.at(j + 1) == groups.at(j) + 1)
            ++j;
        parts.append(j == i ? QString::number(groups.at(i))
                            : QStringLiteral("%1–%2").arg(groups.at(i)).arg(groups.at(j)));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
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
    ++readBackRun;
    readBackLoopStarted = false;
    readBackEnding.clear();
    ui->label_StorageOutcome->clear();
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

void MainWindow::afterDecoding(const std::function<void()>& then)
{
    QMetaObject::invokeMethod(
        parseData, [this, then] { QMetaObject::invokeMethod(this, then, Qt::QueuedConnection); },
        Qt::QueuedConnection);
}

void MainWindow::showReadBackStorageNum(int totalNum)
{
    if (!storageReading || readBackLoopStarted)
        return; // the operator left the page or the link went while counting
    storageTotal = totalNum;
    ui->progressBar->setMaximum(100);
    ui->stackedWidget->setCurrentIndex(1);
    // Every group gets its row now; each record then fills its own.
    storageModel->setRowCount(totalNum);
    storageModel->setColumnCount(7);
    // Records of an earlier read-back may still be on their way through the
    // decoding thread; the groups are asked for once those have passed, so
    // none of them lands in this table. The instrument's pause between the
    // count and the first group is taken by the link worker.
    const int run = readBackRun;
    afterDecoding([this, run] {
        if (run != readBackRun || !storageReading)
            return;
        readBackLoopStarted = true;
        emit stopCirculationSignal(false);
        emit startReadReadBackData();
    });
}

void MainWindow::showReadBackData(ReceiveStorageData rsd, int readedNum)
{
    const int row = readedNum - 1;
    if (!readBackLoopStarted || row < 0 || row >= storageModel->rowCount())
        return; // a record of an earlier read-back whose table has been emptied since
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
    storageModel->item(row, 0)->setData(false, kUnreadRole);
    ui->tableView_Storage->scrollTo(storageModel->index(row, 0), QAbstractItemView::EnsureVisible);
    ui->tableView_Storage->setUpdatesEnabled(true);

    const int progress = storageTotal > 0 ? readedNum * 100 / storageTotal : 0;
    if (progress <= 100 && progress != ui->progressBar->value())
        ui->progressBar->setValue(progress);

    if (!storageReading) {
        // A record still in flight when the read-back ended: its row is read after all.
        showReadBackOutcome();
        return;
    }
    if (readedNum != storageTotal) {
        setLivePageActionsEnabled(false);
        setStorageActionsEnabled(false);
        setViewActionsEnabled(true); // leaving the page cancels the read-back
        setLanguageActionsEnabled(false);
        return;
    }
    endReadBack();
}

void MainWindow::readBackLoopEnded()
{
    // An end report that comes while counting belongs to an earlier read-back.
    if (!storageReading || !readBackLoopStarted)
        return;
    // The last groups' records and messages may still be in the decoding thread.
    const int run = readBackRun;
    afterDecoding([this, run] {
        if (run == readBackRun && storageReading)
            endReadBack();
    });
}

void MainWindow::endReadBack(const QString& why)
{
    if (storageReading)
        deviceManager->stopCirculation(true);
    storageReading = false;
    readBackEnding = why;
    // Rows keep their place; the ones no record filled say so, here and in
    // an exported workbook.
    for (int row = 0; row < storageModel->rowCount(); ++row) {
        if (storageRowRead(row))
            continue;
        auto* number = new QStandardItem(groupText(row + 1));
        number->setData(true, kUnreadRole);
        auto* mark = new QStandardItem(tr("未读取"));
        for (QStandardItem* item : {number, mark}) {
            item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        }
        storageModel->setItem(row, 0, number);
        storageModel->setItem(row, 1, mark);
    }
    showReadBackOutcome();
    // The actions of whichever page is shown now: the operator may have
    // gone back to the live page while the last groups were read.
    setStorageActionsEnabled(isConnected);
    setLivePageActionsEnabled(isConnected);
    setViewActionsEnabled(true);
    setLanguageActionsEnabled(true);
}

bool MainWindow::storageRowRead(int row) const
{
    const QStandardItem* item = storageModel->item(row, 0);
    return item && !item->data(kUnreadRole).toBool();
}

void MainWindow::showReadBackOutcome()
{
    const int total = storageModel->rowCount();
    QList<int> unread;
    for (int row = 0; row < total; ++row)
        if (!storageRowRead(row))
            unread.append(row + 1);
    QString text;
    if (total > 0 && unread.isEmpty())
        text = tr("已读取全部 %1 组存储数据").arg(total);
    else if (total > 0)
        text = tr("已读取 %1 组中的 %2 组；%3 组未能读取：%4")
                   .arg(total)
                   .arg(total - unread.size())
                   .arg(unread.size())
                   .arg(groupRanges(unread));
    if (!readBackEnding.isEmpty())
        text = text.isEmpty() ? readBackEnding : tr("%1：%2").arg(readBackEnding, text);
    ui->label_StorageOutcome->setText(text);
    ui->statusbar->showMessage(text);
}
