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
    const QString name =
        prompts::saveFileName(nullptr, tr("保存Excel文件"), proposed, tr("Excel(*.xlsx)"));
    if (name.isEmpty()) {
        prompts::notify(this, QMessageBox::Information, tr("保存Excel文件"), tr("保存失败"));
        return;
    }
    QString reason;
    // The live table's workbook keeps its nine columns: files others read
    // stay as they are; object and point are in the journal and its history.
    const int columns = model == liveRecordModel ? Journal::kColumns : -1;
    if (!xlsxexport::exportTable(*model, name, &reason, columns)) {
        // The table is untouched and an earlier file of that name survives.
        qCWarning(lcWindow).noquote() << "Excel export to" << name << "failed:" << reason;
        prompts::notify(this, QMessageBox::Warning, tr("保存Excel文件"),
                        tr("保存失败") + QLatin1Char('\n') + reason);
        return;
    }
    qCDebug(lcWindow) << "Excel export written to" << name;
    if (model == liveRecordModel)
        liveRecordsExported();
    prompts::openFile(name);
}
