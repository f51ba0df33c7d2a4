// Exporting a record table to an Excel workbook.
#include "MainWindow.h"

#include "AppLog.h"
#include "ExportPaths.h"
#include "Journal.h"
#include "Prompts.h"
#include "XlsxExport.h"
#include "ui_mainwindow.h"

#include <QDateTime>
#include <QDir>
#include <QStandardItemModel>

void MainWindow::on_actionExportToExcel_triggered()
{
    exportToExcel(storageModel);
}

void MainWindow::on_pushButton_save_clicked()
{
    exportToExcel(liveRecordModel);
}

void MainWindow::exportToExcel(QAbstractItemModel* model)
{
    if (!model || model->rowCount() == 0) {
        prompts::notify(this, QMessageBox::Information, tr("提示"), tr("无数据！"));
        return;
    }
    const QString folder = exportpaths::modelFolder(deviceInfo.model);
    QDir().mkpath(folder);
    const QString proposed =
        exportpaths::defaultFileName(folder, QDateTime::currentDateTime(), QStringLiteral("xlsx"));
    const QString name = exportpaths::withSuffix(
        prompts::saveFileName(nullptr, tr("保存Excel文件"), proposed, tr("Excel(*.xlsx)")),
        QStringLiteral("xlsx"));
    if (name.isEmpty())
        return; // cancelled: the operator knows, and nothing was written
    QString reason;
    // The live table's workbook keeps its nine columns: files others read
    // stay as they are; object and point are in the journal and its history.
    const int columns = model == liveRecordModel ? Journal::kColumns : -1;
    if (!xlsxexport::exportTable(*model, name, &reason, columns)) {
        // The table is untouched and an earlier file of that name survives.
        qCWarning(lcWindow).noquote() << "Excel export to" << name << "failed:" << reason;
        prompts::notify(this, QMessageBox::Warning, tr("保存Excel文件"), saveFailure(reason));
        return;
    }
    qCDebug(lcWindow) << "Excel export written to" << name;
    if (model == liveRecordModel)
        liveRecordsExported();
    showWrittenFile(name);
}

QString MainWindow::saveFailure(const QString& reason) const
{
    // The reason is often the system's own words; the operator also learns
    // what to do about it.
    return tr("保存失败") + QLatin1Char('\n') + reason + QLatin1Char('\n') +
           tr("请换一个文件夹或文件名再保存。");
}

void MainWindow::showWrittenFile(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (prompts::openFile(path))
        ui->statusbar->showMessage(tr("已保存到 %1").arg(shown));
    else
        ui->statusbar->showMessage(
            tr("已保存到 %1；没有能打开此类文件的程序，请在文件管理器中找到它").arg(shown));
}
