// The live measurement page: readings, settings edits, tests and the record table.
#include "MainWindow.h"

#include "AppLog.h"
#include "ButtonStyles.h"
#include "Frames.h"
#include "Journal.h"
#include "LiveLogic.h"
#include "RemarkDelegate.h"
#include "SampleIntervalDialog.h"
#include "SwitchButton.h"
#include "ui_mainwindow.h"

#include <QDateTime>
#include <QItemSelectionModel>
#include <QLocale>
#include <QPixmap>
#include <QStandardItemModel>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {
const QColor kPassColour(6, 186, 39);
const QColor kFailColour(210, 0, 22);

// Live replies dropped in a row before the display stops showing the last
// good reading as if it were current.
constexpr int kRejectedReadingsLimit = 3;

} // namespace

void MainWindow::showRealTimeData(ReceiveLiveData rld)
{
    if (!isConnected) {
        resetToDisconnected();
        ui->actionConnect->setText(tr("连接"));
        ui->statusbar->showMessage(tr("设备未连接"));
        return;
    }

    rejectedReadings = 0;
    if (liveDisplayBlanked) {
        liveDisplayBlanked = false;
        ui->statusbar->showMessage(tr("已连接设备"));
    }
    // A test already running when edit mode began ends it: settings cannot
    // change during a test, and the test button must reach a polling window.
    if (rld.testState == teststate::Testing && editingSettings)
        startLivePolling();

    comparisonOn = rld.comparisonSwitch;
    comparisonValueText = rld.comparisonValue;
    comparisonUnitIndex = rld.comparisonUnitIndex;
    emit updateSwitchStatusSignal(comparisonOn);

    ui->comboBox_CurrentSettingValue->setCurrentIndex(
        livelogic::currentIndexFor(rld.currentSetting));
    ui->spinBox_TestingTimeValue->setValue(rld.testingTime);

    ui->label_TestStatus->setText(rld.testStatus);
    ui->label_TestingResValue->setText(rld.testingResValue + QLatin1Char(' ') + rld.testingResUnit);

    showComparativeResult(rld);

    ui->label_StoreNumberValue->setText(rld.storeNumber);
    ui->label_TestingCurrentValue->setText(rld.testingCurrentValue + rld.testingCurrentUnit);
    ui->label_TimeLeftValue->setText(rld.timeLeftValue + rld.timeLeftUnit);

    showOverTemperature(rld.overTemperature);

    if (rld.testState == teststate::Testing) {
        testRunning = true;
        setViewActionsEnabled(false);
        setLivePageActionsEnabled(false);
        setStorageActionsEnabled(false);
        ui->pushButton_UpdatePara->setEnabled(false);
        ui->pushButton_Test->setEnabled(true);
        buttonstyles::apply(ui->pushButton_Test, buttonstyles::testRunning());
        autoTestTestRunning();
    } else {
        testRunning = false;
        if (!autoTestActive) {
            setLivePageActionsEnabled(true);
            setStorageActionsEnabled(true);
            setViewActionsEnabled(true);
            setLanguageActionsEnabled(true);
            ui->pushButton_UpdatePara->setEnabled(true);
            ui->pushButton_Test->setEnabled(true);
            setRecordButtonsEnabled(true);
        } else {
            lockForAutoTest();
        }
        buttonstyles::apply(ui->pushButton_Test, buttonstyles::testIdle());
        if (previousTestState == teststate::Testing) {
            appendLiveRecord();
            autoTestTestEnded();
        }
    }
    previousTestState = rld.testState;
}

void MainWindow::showComparativeResult(const ReceiveLiveData& rld)
{
    // The text follows every reading, so a judgement never outlives its test;
    // only the colour stays when there is no judgement to colour.
    QLabel* label = ui->label_ComparativeReslutValue;
    if (!rld.comparativeResult.isEmpty()) {
        const QColor colour = rld.comparativePass ? kPassColour : kFailColour;
        if (label->palette().color(QPalette::WindowText) != colour) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, colour);
            label->setPalette(palette);
        }
    }
    label->setText(rld.comparativeResult);
}

void MainWindow::showOverTemperature(bool on)
{
    if (!on) {
        ui->stackedWidget_Live->setCurrentIndex(0);
        return;
    }
    ui->statusbar->showMessage(QString());
    ui->stackedWidget_Live->setCurrentIndex(1);
    const QString picture = isEnglish ? QStringLiteral(":/resource/overTempEn.png")
                                      : QStringLiteral(":/resource/overTempZh.png");
    if (picture != overTemperaturePicture) {
        ui->label_OverTemp->setPixmap(QPixmap(picture));
        overTemperaturePicture = picture;
    }
}

void MainWindow::liveReadingRejectedSlot()
{
    if (!isConnected)
        return;
    if (++rejectedReadings == kRejectedReadingsLimit) {
        resetLiveDisplay();
        liveDisplayBlanked = true;
        ui->statusbar->showMessage(tr("仪器的实时数据无效，显示已清空：请检查仪器"));
    }
}

void MainWindow::onSwitchButtonStatusChanged(bool checked)
{
    bool isNumber = false;
    const double value = comparisonValueText.toDouble(&isNumber);
    if (isNumber) {
        const int point = comparisonValueText.indexOf(QLatin1Char('.'));
        ui->doubleSpinBox_ComparisonValue->setDecimals(
            point < 0 ? 0 : comparisonValueText.size() - point - 1);
        ui->doubleSpinBox_ComparisonValue->setValue(value);
    }
    ui->comboBox_ComparisonUnitValue->setCurrentIndex(comparisonUnitIndex);
    ui->GroupBox_Comparison->setVisible(checked);
    const bool editable = ui->switchButton->isEnabled() && checked;
    setComparisonEditEnabled(editable);
}

// Settings frames go out only in edit mode: a spin box also finishes editing
// when it loses focus because it was disabled (after a refusal or a lost
// link), and that must not send its frame again.
void MainWindow::onSwitchButtonStatusChangedMouse(bool checked)
{
    onSwitchButtonStatusChanged(checked);
    if (editingSettings)
        sendSettingFrame(frames::comparisonSwitchFrame(checked));
}

void MainWindow::on_doubleSpinBox_ComparisonValue_editingFinished()
{
    if (editingSettings)
        sendComparisonSetting(ui->comboBox_ComparisonUnitValue->currentIndex());
}

void MainWindow::on_comboBox_ComparisonUnitValue_activated(int index)
{
    if (editingSettings)
        sendComparisonSetting(index);
}

void MainWindow::sendComparisonSetting(int unitIndex)
{
    QDoubleSpinBox* box = ui->doubleSpinBox_ComparisonValue;
    // The value is shown with five significant digits and sent exactly as
    // shown, with the decimals it is shown with.
    const frames::ComparisonValue settled = frames::settledComparison(box->value(), box->maximum());
    box->setDecimals(settled.decimals);
    box->setValue(settled.value);
    sendSettingFrame(frames::comparisonSettingFrame(box->value(), unitIndex));
}

void MainWindow::on_comboBox_CurrentSettingValue_activated(int index)
{
    if (editingSettings)
        sendSettingFrame(frames::testCurrentFrame(index));
}

void MainWindow::on_spinBox_TestingTimeValue_editingFinished()
{
    if (!editingSettings)
        return;
    // The instrument's pause after a new test time is the link worker's.
    sendSettingFrame(frames::testTimeFrame(ui->spinBox_TestingTimeValue->value()));
}

void MainWindow::sendSettingFrame(const QByteArray& frame)
{
    if (frame.isEmpty())
        return;
    emit updateTestSettingSignal(frame);
    logFrame(frame);
}

void MainWindow::logFrame(const QByteArray& frame)
{
    QString line;
    for (char byte : frame)
        line += QStringLiteral("%1 ").arg(quint8(byte), 2, 16, QLatin1Char('0'));
    qCDebug(lcWindow).noquote() << line;
}

void MainWindow::on_pushButton_UpdatePara_clicked()
{
    if (!isConnected) {
        ui->statusbar->showMessage(tr("设备未连接"));
        return;
    }
    ui->statusbar->clearMessage();
    editingSettings = !editingSettings;
    if (editingSettings) {
        if (liveTimer->isActive())
            liveTimer->stop();
        startThreadIfIdle(deviceThread);
        startThreadIfIdle(parseThread);
        setSettingControlsEnabled(true);
        setViewActionsEnabled(true);
        buttonstyles::apply(ui->pushButton_UpdatePara, buttonstyles::updateEditing());
    } else {
        startLivePolling();
        setSettingControlsEnabled(false);
        setComparisonEditEnabled(false);
        buttonstyles::apply(ui->pushButton_UpdatePara, buttonstyles::updateIdle());
    }
}

void MainWindow::on_pushButton_Test_clicked()
{
    if (!isConnected) {
        ui->statusbar->showMessage(tr("设备未连接"));
        return;
    }
    if (testRunning) {
        emit stopTestingSignal();
        // Whatever state the window was in, the readings show the test end.
        startLivePolling();
    } else {
        startTest();
    }
}

void MainWindow::startTest()
{
    emit startTestingSignal(); // the link worker waits for the instrument to settle
    startLivePolling();
}

void MainWindow::onSystemInfoSlot(DeviceInfo info)
{
    deviceInfo = info;
    ui->comboBox_CurrentSettingValue->clear();
    ui->comboBox_CurrentSettingValue->addItems(livelogic::currentListFor(info.model));
    ui->comboBox_CurrentSettingValue->setCurrentIndex(-1);
}

void MainWindow::fillComparisonUnits()
{
    QComboBox* units = ui->comboBox_ComparisonUnitValue;
    units->clear();
    units->addItem(QStringLiteral("μΩ"));
    units->addItem(QStringLiteral("mΩ"));
    units->setCurrentIndex(-1);
}

void MainWindow::appendLiveRecord()
{
    const int row = liveRecordModel->rowCount();
    const QDateTime now = QDateTime::currentDateTime();
    const QString comparison = comparisonOn ? ui->doubleSpinBox_ComparisonValue->text() +
                                                  ui->comboBox_ComparisonUnitValue->currentText()
                                            : QString();
    const QStringList cells = {
        QString::number(row + 1),
        QLocale::c().toString(now, QStringLiteral("yyyy-MM-dd hh:mm:ss")), // ASCII digits
        livelogic::elapsedTestTime(ui->spinBox_TestingTimeValue->value(),
                                   ui->label_TimeLeftValue->text()),
        ui->comboBox_CurrentSettingValue->currentText(),
        ui->label_TestingCurrentValue->text(),
        ui->label_TestingResValue->text(),
        comparison,
        ui->label_ComparativeReslutValue->text(),
        ui->textEdit_Remark->toPlainText(),
    };
    addLiveRow(cells + subjectCells(), journalRecord(cells, now));
    ui->tableView_LiveRecord->scrollToBottom();
}

void MainWindow::addLiveRow(const QStringList& cells, qint64 journalId)
{
    ui->tableView_LiveRecord->show();
    QList<QStandardItem*> items;
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QStandardItem(cells.at(c));
        item->setTextAlignment(Qt::AlignCenter);
        // Only the remark may be corrected; what was measured stays as measured.
        if (c != kRemarkColumn)
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        items << item;
    }
    items.first()->setData(journalId, kJournalIdRole);
    liveRecordModel->appendRow(items);
}

void MainWindow::renumberLiveRows()
{
    QHash<qint64, QString> renumbered;
    for (int r = 0; r < liveRecordModel->rowCount(); ++r) {
        const QString number = QString::number(r + 1);
        QStandardItem* first = liveRecordModel->item(r, 0);
        if (first->text() == number)
            continue;
        first->setText(number);
        renumbered.insert(first->data(kJournalIdRole).toLongLong(), number);
    }
    journal->renumber(renumbered);
}

void MainWindow::setUpRemarkColumn()
{
    QTableView* view = ui->tableView_LiveRecord;
    auto* remarks = new RemarkDelegate(view);
    view->setItemDelegateForColumn(kRemarkColumn, remarks);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    connect(remarks, &RemarkDelegate::remarkEdited, this, &MainWindow::liveRemarkEdited);
}

void MainWindow::on_pushButton_delete_clicked()
{
    deleteSelectedRows(ui->tableView_LiveRecord);
}

void MainWindow::deleteSelectedRows(QTableView* view)
{
    auto* model = qobject_cast<QStandardItemModel*>(view->model());
    if (!model || !view->selectionModel())
        return;
    QList<int> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    QVector<qint64> removedIds;
    for (int row : qAsConst(rows)) {
        removedIds << model->index(row, 0).data(kJournalIdRole).toLongLong();
        model->removeRow(row);
    }
    QHash<qint64, QString> renumbered;
    for (int r = 0; r < model->rowCount(); ++r) {
        const QString number = QString::number(r + 1);
        const QModelIndex first = model->index(r, 0);
        if (first.data(Qt::DisplayRole).toString() != number)
            renumbered.insert(first.data(kJournalIdRole).toLongLong(), number);
        model->setData(first, number, Qt::EditRole);
    }
    if (model == liveRecordModel && !removedIds.isEmpty())
        journalRemove(removedIds, renumbered);
}

void MainWindow::on_pushButton_clear_clicked()
{
    const QMessageBox::StandardButton answer = askAboutUnexported(
        tr("清除"), tr("记录表中有 %1 条测量记录还没有导出。清除前要导出到 Excel 吗？"),
        tr("仍然清除"));
    if (answer == QMessageBox::Cancel)
        return;
    liveRecordModel->removeRows(0, liveRecordModel->rowCount());
    journalClear();
}

void MainWindow::on_actionSample_interval_triggered()
{
    auto* dialog = new SampleIntervalDialog(sampleInterval, this);
    connect(dialog, &SampleIntervalDialog::sampleIntervalSignal, this,
            &MainWindow::sampleIntervalSlot);
    dialog->show();
}

void MainWindow::sampleIntervalSlot(int interval)
{
    sampleInterval = interval;
    liveTimer->setInterval(interval);
}

void MainWindow::resetLiveDisplay()
{
    setSettingControlsEnabled(false);
    comparisonOn = false;
    emit updateSwitchStatusSignal(false);
    ui->comboBox_CurrentSettingValue->setCurrentIndex(-1);
    ui->spinBox_TestingTimeValue->setValue(9);
    ui->label_TestStatus->clear();
    ui->label_TestingResValue->clear();
    ui->label_ComparativeReslutValue->clear();
    ui->label_StoreNumberValue->clear();
    ui->label_TestingCurrentValue->clear();
    ui->label_TimeLeftValue->clear();
}
