// Exporting the live page and its record table as a PDF measurement report.
#include "MainWindow.h"

#include "AppLog.h"
#include "ExportPaths.h"
#include "LiveSnapshot.h"
#include "PdfReport.h"
#include "PdfSettingDialog.h"
#include "Prompts.h"
#include "ui_mainwindow.h"

#include <QDateTime>
#include <QStandardItemModel>
#include <QStatusBar>

namespace {

// While the settings are being edited the live page shows what the operator
// is typing, not what the instrument confirmed, and no reading follows them:
// a report then would print values nobody measured with. Asked again when the
// report is drawn, as the settings dialog does not hold the window.
bool refusedWhileEditing(bool editingSettings, QStatusBar* statusBar)
{
    if (editingSettings)
        statusBar->showMessage(MainWindow::tr("请先按“更新”锁定测量设置，再导出报告"));
    return editingSettings;
}

} // namespace

void MainWindow::on_actionExportToPDF_triggered()
{
    if (ui->label_TestingResValue->text().isEmpty() &&
        ui->label_TestingCurrentValue->text().isEmpty()) {
        ui->statusbar->showMessage(tr("无数据"));
        return;
    }
    if (refusedWhileEditing(editingSettings, ui->statusbar))
        return;
    auto* dialog = new PdfSettingDialog(this);
    connect(this, &MainWindow::sendSystemInfoSignal, dialog, &PdfSettingDialog::getSystemInfoSlot);
    emit sendSystemInfoSignal(deviceInfo);
    connect(dialog, &PdfSettingDialog::pdfSettingSignal, this, &MainWindow::pdfSettingSlot);
    dialog->show();
}

void MainWindow::pdfSettingSlot(PdfSettingData pdfS)
{
    pdfSetting = pdfS;
    if (refusedWhileEditing(editingSettings, ui->statusbar))
        return;
    const QString proposed = PdfReport::proposedFileName(deviceInfo, QDateTime::currentDateTime());
    qCDebug(lcWindow) << "PDF report for model" << deviceInfo.model << "proposed as" << proposed;
    const QString name = exportpaths::withSuffix(
        prompts::saveFileName(this, tr("保存PDF文件"), proposed, tr("PDF(*.pdf)")),
        QStringLiteral("pdf"));
    if (name.isEmpty())
        return;
    // Taken after the dialog: readings went on arriving while it was open.
    const PdfReport report(pdfSetting, liveSnapshot(), liveRecordModel);
    QString reason;
    if (!report.write(name, &reason)) {
        qCWarning(lcWindow).noquote() << "PDF report to" << name << "failed:" << reason;
        prompts::notify(this, QMessageBox::Warning, tr("保存PDF文件"), saveFailure(reason));
        return;
    }
    qCDebug(lcWindow) << "PDF report written to" << name;
    showWrittenFile(name);
}

LiveSnapshot MainWindow::liveSnapshot() const
{
    LiveSnapshot s;
    s.livePageCurrent = ui->stackedWidget->currentIndex() == 0;
    s.comparisonOn = comparisonOn;
    s.takenAt = QDateTime::currentDateTime();
    s.comparisonCaption = ui->label_Comparison->text();
    s.comparisonValue = ui->doubleSpinBox_ComparisonValue->text();
    s.comparisonUnit = ui->comboBox_ComparisonUnitValue->currentText();
    s.currentSettingCaption = ui->label_CurrentSetting->text();
    s.currentSetting = ui->comboBox_CurrentSettingValue->currentText();
    s.testingTimeCaption = ui->label_TestingTime->text();
    s.testingTime = ui->spinBox_TestingTimeValue->text();
    s.testStatus = ui->label_TestStatus->text();
    s.testingRes = ui->label_TestingResValue->text();
    s.comparativeResult = ui->label_ComparativeReslutValue->text();
    s.storeNumberCaption = ui->label_StoreNumber->text();
    s.storeNumber = ui->label_StoreNumberValue->text();
    s.testingCurrentCaption = ui->label_TestingCurrent->text();
    s.testingCurrent = ui->label_TestingCurrentValue->text();
    s.timeLeftCaption = ui->label_TimeLeft->text();
    s.timeLeft = ui->label_TimeLeftValue->text();
    s.remark = ui->textEdit_Remark->toPlainText();
    return s;
}
