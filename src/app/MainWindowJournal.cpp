// The measurement journal: every record of the live table is on disk the
// moment the table shows it (a corrected remark too), records a crash or a
// careless close left unexported are offered back at the next start, and
// closing or clearing with unexported records asks first. The journal never
// stands in the way of measuring.
#include "MainWindow.h"

#include "AppLog.h"
#include "CentralConfig.h"
#include "CentralStatusLabel.h"
#include "Journal.h"
#include "Prompts.h"
#include "ui_mainwindow.h"

#include <QStandardItemModel>
#include <QTimer>

void MainWindow::openJournal()
{
    journal = new Journal(this);
    connect(journal, &Journal::failed, this, &MainWindow::journalProblem);
    connect(journal, &Journal::movedAside, this,
            [this](const QString&, const QString& message) { journalProblem(message); });
    journal->open();
    // Records go on to the central database, if one is configured, from here.
    ui->statusbar->addPermanentWidget(
        new CentralStatusLabel(journal, CentralConfig::load(), ui->statusbar));
    connect(ui->textEdit_Remark, &QTextEdit::textChanged, this,
            [this] { journal->keepTypedRemark(ui->textEdit_Remark->toPlainText()); });
    // Asked once the window is up, and before any reading can add a row.
    QTimer::singleShot(0, this, &MainWindow::offerJournalRestore);
}

void MainWindow::journalProblem(const QString& message)
{
    qCWarning(lcWindow).noquote() << message;
    ui->statusbar->showMessage(message);
}

void MainWindow::offerJournalRestore()
{
    const Journal::Pending pending = journal->pending();
    if (pending.count == 0)
        return;
    const QString firstDay = pending.first.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"));
    const QString lastDay = pending.last.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"));
    const QString days =
        firstDay == lastDay ? firstDay : firstDay + QStringLiteral(" – ") + lastDay;
    const QMessageBox::StandardButton answer =
        prompts::ask(this, tr("恢复测量记录"),
                     tr("%1 条 %2 的测量记录没有保存：要恢复它们吗？").arg(pending.count).arg(days),
                     {{QMessageBox::Yes, tr("恢复")}, {QMessageBox::No, tr("不恢复")}});
    if (answer != QMessageBox::Yes) {
        journal->decline();
        return;
    }
    const QVector<Journal::Record> records = journal->restore();
    for (const Journal::Record& record : records)
        addLiveRow(record.cells + QStringList{record.subject.object, record.subject.point},
                   record.id);
    // Records of one or more earlier sessions: the numbers they had there
    // mean nothing here.
    renumberLiveRows();
    ui->tableView_LiveRecord->scrollToBottom();
    if (!records.isEmpty())
        liveRecordsUnsaved = true;
    if (!pending.remark.isEmpty() && ui->textEdit_Remark->toPlainText().isEmpty())
        ui->textEdit_Remark->setPlainText(pending.remark);
}

qint64 MainWindow::journalRecord(const QStringList& cells, const QDateTime& time)
{
    liveRecordsUnsaved = true;
    const Journal::Identity identity{deviceInfo.name, deviceInfo.model, deviceInfo.version};
    return journal->append(cells, identity, time, currentSubject());
}

void MainWindow::journalRemove(const QVector<qint64>& ids, const QHash<qint64, QString>& renumbered)
{
    journal->remove(ids, renumbered);
    if (liveRecordModel->rowCount() == 0)
        liveRecordsUnsaved = false;
}

void MainWindow::journalClear()
{
    journal->clear();
    liveRecordsUnsaved = false;
}

void MainWindow::liveRecordsExported()
{
    journal->markSaved();
    liveRecordsUnsaved = false;
}

void MainWindow::liveRemarkEdited(const QModelIndex& index, const QString& text)
{
    journal->setRemark(index.siblingAtColumn(0).data(kJournalIdRole).toLongLong(), text);
    liveRecordsUnsaved = true; // an earlier export shows the old remark
}

QMessageBox::StandardButton
MainWindow::askAboutUnexported(const QString& title, const QString& question, const QString& goOn)
{
    if (!liveRecordsUnsaved || liveRecordModel->rowCount() == 0)
        return QMessageBox::NoButton;
    const QMessageBox::StandardButton answer =
        prompts::ask(this, title, question.arg(liveRecordModel->rowCount()),
                     {{QMessageBox::Save, tr("导出到Excel")},
                      {QMessageBox::Discard, goOn},
                      {QMessageBox::Cancel, tr("取消")}});
    switch (answer) {
    case QMessageBox::Save:
        exportToExcel(liveRecordModel);
        return liveRecordsUnsaved ? QMessageBox::Cancel : QMessageBox::Save;
    case QMessageBox::Discard:
        return QMessageBox::Discard;
    default:
        return QMessageBox::Cancel;
    }
}

bool MainWindow::mayCloseWithRecords()
{
    switch (askAboutUnexported(tr("关闭"),
                               tr("记录表中有 %1 条测量记录还没有导出。关闭前要导出到 Excel 吗？"),
                               tr("仍然关闭"))) {
    case QMessageBox::Cancel:
        return false;
    case QMessageBox::Discard:
        journal->dismissUnsaved();
        return true;
    default:
        return true;
    }
}
