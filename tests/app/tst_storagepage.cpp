// The stored-data page and the exports, through the window against the
// simulated instrument: whole read-backs and their ends, then the wiring of
// the exports (their files' contents are checked in tests/reports).
#include "PdfSettingDialog.h"
#include "WindowHarness.h"
#include "Workbook.h"
#include "ui_mainwindow.h" // compiled into this target by AUTOUIC

#include <QJsonArray>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

class TestStoragePage : public WindowHarness
{
    Q_OBJECT

    int filledRows()
    {
        int n = 0;
        for (int r = 0; r < w->storageModel->rowCount(); ++r)
            n += w->storageRowRead(r);
        return n;
    }

    // Every row holds the record of its own group, or its group number and
    // that it was not read.
    void checkRows(SimInstrument* rv)
    {
        const QList<sim::StoredRecord> records = rv->storedRecords();
        QStandardItemModel* m = w->storageModel;
        QCOMPARE(m->rowCount(), records.size());
        for (int r = 0; r < m->rowCount(); ++r) {
            QCOMPARE(m->item(r, 0)->text(), QStringLiteral("%1").arg(r + 1, 3, 10, QChar('0')));
            QCOMPARE(m->item(r, 1)->text(),
                     w->storageRowRead(r)
                         ? records.at(r).time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                         : QStringLiteral("未读取"));
        }
    }

    // The actions a page offers once nothing is being read; rows read stay
    // exportable without the instrument.
    void checkIdleActions(bool connected)
    {
        const bool storagePage = ui()->stackedWidget->currentIndex() == 1;
        QCOMPARE(ui()->actionImport_storage->isEnabled(), connected);
        QCOMPARE(ui()->actionExportToExcel->isEnabled(),
                 connected || w->storageModel->rowCount() > 0);
        QCOMPARE(ui()->actionExportToPDF->isEnabled(), connected && !storagePage);
        QCOMPARE(ui()->actionAutomatic_measurement->isEnabled(), connected && !storagePage);
        QVERIFY(ui()->actionLiveTestView->isEnabled() && ui()->actionStorageView->isEnabled());
    }

private slots:
    void initTestCase() { installHandlers(); }
    void init() { startFresh(); }
    void cleanup() { closeWindow(); }

    // Whole read-backs against an instrument that answers, if not always as
    // asked: each record lands in its own group's row; a group not read
    // leaves its row marked and the rest go on; the bar reaches 100 exactly
    // with the last group; what was not read is said and stays said.
    void readBack_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("fault"); // "silent G ...", "late G ...", "stray"
        QTest::addColumn<int>("progress");
        QTest::addColumn<QString>("outcome");
        const auto u = [](const char* text) { return QString::fromUtf8(text); };
        QTest::newRow("200 groups") << 200 << "" << 100 << u("已读取全部 200 组存储数据");
        QTest::newRow("one group") << 1 << "" << 100 << u("已读取全部 1 组存储数据");
        QTest::newRow("last group silent")
            << 10 << "silent 10" << 90 << u("已读取 10 组中的 9 组；1 组未能读取：10");
        QTest::newRow("groups 4-6 silent")
            << 10 << "silent 4 5 6" << 100 << u("已读取 10 组中的 7 组；3 组未能读取：4–6");
        QTest::newRow("groups 2, 5, 9 silent")
            << 12 << "silent 2 5 9" << 100 << u("已读取 12 组中的 9 组；3 组未能读取：2, 5, 9");
        QTest::newRow("stray report before each reply")
            << 6 << "stray" << 100 << u("已读取全部 6 组存储数据");
        QTest::newRow("late reply of group 3")
            << 6 << "late 3" << 100 << u("已读取 6 组中的 5 组；1 组未能读取：3");
    }
    void readBack()
    {
        QFETCH(int, total);
        QFETCH(QString, fault);
        QFETCH(int, progress);
        QFETCH(QString, outcome);
        SimInstrument* rv = attachAndConnect(sim::Model::RV718B, total);
        QVERIFY(rv);
        QSet<int> groups;
        for (const QString& g : fault.split(' ').mid(1))
            groups << g.toInt();
        fault.startsWith(QLatin1String("late")) ? rv->setLateGroups(groups)
                                                : rv->setSilentGroups(groups);
        rv->setFault(sim::Fault::StrayReport, fault == QLatin1String("stray"));
        QSignalSpy values(ui()->progressBar, &QProgressBar::valueChanged);
        ui()->actionImport_storage->trigger();
        QCOMPARE(ui()->stackedWidget->currentIndex(), 1);
        QVERIFY(!w->liveTimer->isActive());
        QVERIFY(!ui()->actionLiveTestView->isEnabled()); // counting: no way out yet
        QTRY_VERIFY_WITH_TIMEOUT(!w->storageReading, 20000);

        checkRows(rv);
        QCOMPARE(ui()->progressBar->value(), progress);
        for (int i = 0; i + 1 < values.count(); ++i) // 100 only with the last group
            QVERIFY(values.at(i).first().toInt() < values.at(i + 1).first().toInt());
        QCOMPARE(writesStartingWith(rv, "0009ABCD05000700"), total);
        QTRY_COMPARE(status(), outcome); // after the last group's messages
        QCOMPARE(ui()->label_StorageOutcome->text(), outcome);
        checkIdleActions(true);
        QVERIFY(notices.isEmpty());
    }

    // A count of 0 or one the instrument cannot have ends the import with a
    // warning and the actions back.
    void unusableCount_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("outOfRange");
        QTest::addColumn<QString>("told");
        QTest::newRow("nothing stored") << 0 << false << QStringLiteral("提示|无存储数据");
        QTest::newRow("count 201") << 5 << true << QStringLiteral("提示|读取存储数据失败");
    }
    void unusableCount()
    {
        QFETCH(int, stored);
        QFETCH(bool, outOfRange);
        QFETCH(QString, told);
        SimInstrument* rv = attachAndConnect(sim::Model::RV718A, stored);
        QVERIFY(rv);
        rv->setFault(sim::Fault::FieldOutOfRange, outOfRange);
        ui()->actionImport_storage->trigger();
        QTRY_COMPARE(notices, QStringList{told});
        QVERIFY(!w->storageReading);
        QCOMPARE(w->storageModel->rowCount(), 0);
        checkIdleActions(true);
    }

    // A read-back cut short keeps the rows read so far, says how far it came
    // and leaves them exportable, with no page left with dead actions:
    // going back to the live page stops the requests; losing the
    // instrument, unplugged, silent or stalled, ends it within a bound.
    void cutShort_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("why");
        QTest::newRow("live page") << "live page" << QStringLiteral("存储数据读取已取消");
        QTest::newRow("unplugged") << "unplugged" << QStringLiteral("设备未连接");
        const QString silent = QStringLiteral("测试仪不再应答，存储数据读取中止");
        QTest::newRow("silent") << "silent" << silent;
        QTest::newRow("stalled") << "stalled" << silent;
    }
    void cutShort()
    {
        QFETCH(QString, how);
        QFETCH(QString, why);
        QTemporaryDir dir;
        SimInstrument* rv = attachAndConnect(sim::Model::RV718B, 200);
        QVERIFY(rv);
        ui()->actionImport_storage->trigger();
        QTRY_VERIFY(filledRows() >= 3);
        if (how == QLatin1String("live page")) {
            ui()->actionLiveTestView->trigger();
            QCOMPARE(ui()->stackedWidget->currentIndex(), 0);
            QVERIFY(w->liveTimer->isActive());
            const int requested = writesStartingWith(rv, "0009ABCD05000700");
            QVERIFY(drain()); // the loop has ended
            QVERIFY(writesStartingWith(rv, "0009ABCD05000700") <= requested + 1);
        } else {
            how == QLatin1String("unplugged") ? rv->unplug()
            : how == QLatin1String("silent")  ? rv->setFault(sim::Fault::Silence, true)
                                              : rv->setFault(sim::Fault::Stall, true);
            QTRY_VERIFY(!w->isConnected);
            QTRY_COMPARE(SimBus::instance().openHandleCount(), 0);
            QCOMPARE(status(), ui()->label_StorageOutcome->text());
        }
        QVERIFY(!w->storageReading);
        QVERIFY(drain()); // records still in flight have landed
        checkRows(rv);
        const int read = filledRows();
        QVERIFY(read >= 3 && read < 200);
        QCOMPARE(ui()->label_StorageOutcome->text(),
                 QStringLiteral("%1：已读取 200 组中的 %2 组；%3 组未能读取：%4–200")
                     .arg(why, QString::number(read), QString::number(200 - read),
                          QString::number(read + 1)));
        checkIdleActions(how == QLatin1String("live page"));
        chosenFile = dir.filePath(QStringLiteral("kept.xlsx"));
        ui()->actionExportToExcel->trigger();
        const QJsonArray sheet = readWorkbook(chosenFile)["rows"].toArray();
        QCOMPARE(sheet.size(), 201);
        for (int r = 0; r < 200; ++r)
            for (int c : {0, 1})
                QCOMPARE(sheet[r + 1].toArray()[c].toString(), w->storageModel->item(r, c)->text());
        if (how != QLatin1String("live page")) {
            how == QLatin1String("unplugged") ? rv->plug() : rv->clearFaults();
            ui()->actionConnect->trigger();
            QTRY_VERIFY(ui()->actionImport_storage->isEnabled());
        }
        checkIdleActions(true);
    }

    // Leaving the page and importing again at once: what the first
    // read-back still reports does not touch the second. A third replaces
    // the second's rows: a group it cannot read is not left filled.
    void importAgainAtOnce()
    {
        SimInstrument* rv = attachAndConnect(sim::Model::RV718B, 200);
        QVERIFY(rv);
        ui()->actionImport_storage->trigger();
        QTRY_VERIFY(filledRows() >= 3);
        ui()->actionLiveTestView->trigger();
        ui()->actionImport_storage->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!w->storageReading, 20000);
        QCOMPARE(ui()->label_StorageOutcome->text(), QStringLiteral("已读取全部 200 组存储数据"));
        rv->setSilentGroups({7});
        ui()->actionImport_storage->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!w->storageReading, 20000);
        checkRows(rv);
        QCOMPARE(filledRows(), 199);
        QTRY_COMPARE(ui()->label_StorageOutcome->text(),
                     QStringLiteral("已读取 200 组中的 199 组；1 组未能读取：7"));
    }

    // Both tables go to workbooks proposed in the instrument model's folder
    // and opened after; what the operator is told when there is nothing to
    // save, when the dialog is cancelled (nothing), where the file went, and
    // when no program opens it (a file that cannot be written: tst_badfiles).
    void excelExports()
    {
        QTemporaryDir dir;
        ui()->pushButton_save->click();
        QCOMPARE(notices.takeFirst(), QStringLiteral("提示|无数据！"));

        SimInstrument* rv = attachAndConnect(sim::Model::RV718A, 3);
        QVERIFY(rv);
        QVERIFY(runTest(rv));
        ui()->pushButton_save->click(); // the dialog cancelled
        QVERIFY(notices.isEmpty());
        // The proposed name and the record's time in ASCII digits whatever the
        // locale (run under ar_EG too by CTest).
        QVERIFY(QRegularExpression(QStringLiteral("/RV718A_data/data_[0-9]{8}_[0-9]{6}\\.xlsx "
                                                  "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8}$"))
                    .match(proposedFile + ' ' + w->liveRecordModel->item(0, 1)->text())
                    .hasMatch());
        QVERIFY(opened.isEmpty());
        chosenFile = dir.filePath(QStringLiteral("live")); // typed without its suffix
        canOpen = false;
        ui()->pushButton_save->click();
        chosenFile += QStringLiteral(".xlsx");
        QCOMPARE(opened, QStringList{chosenFile});
        QCOMPARE(status(),
                 QStringLiteral("已保存到 %1；没有能打开此类文件的程序，请在文件管理器中找到它")
                     .arg(chosenFile));
        const QJsonArray sheet = readWorkbook(chosenFile)["rows"].toArray();
        QCOMPARE(sheet.size(), 2);
        for (int c = 0; c < 9; ++c)
            QCOMPARE(sheet[1].toArray()[c].toString(), w->liveRecordModel->item(0, c)->text());

        ui()->actionImport_storage->trigger();
        QTRY_VERIFY(!w->storageReading);
        chosenFile = dir.filePath(QStringLiteral("stored.XLSX"));
        canOpen = true;
        ui()->actionExportToExcel->trigger();
        QCOMPARE(status(), QStringLiteral("已保存到 ") + chosenFile);
        QVERIFY(QFile::exists(chosenFile)); // its rows: cutShort
        QVERIFY(notices.isEmpty());
    }

    // The PDF report from the window: the gate, the settings dialog showing
    // the connected instrument, and a report of one page per record.
    void pdfReportThroughTheWindow()
    {
        QTemporaryDir dir;
        ui()->actionExportToPDF->setEnabled(true);
        ui()->actionExportToPDF->trigger();
        QCOMPARE(status(), QStringLiteral("无数据"));
        QVERIFY(!w->findChild<PdfSettingDialog*>());

        SimInstrument* rv = attachAndConnect();
        QVERIFY(rv);
        for (int test = 0; test < 3; ++test)
            QVERIFY(runTest(rv));
        // Settings being edited are not the instrument's: no report until
        // they are locked, also when editing began with the dialog open.
        const QString lockFirst = QStringLiteral("请先按“更新”锁定测量设置，再导出报告");
        QPushButton* update = ui()->pushButton_UpdatePara;
        update->click();
        ui()->actionExportToPDF->trigger();
        QVERIFY(status() == lockFirst && !w->findChild<PdfSettingDialog*>());
        update->click();
        ui()->actionExportToPDF->trigger();
        auto* dialog = w->findChild<PdfSettingDialog*>();
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QLineEdit*>("lineEdit_TesterModel")->text(),
                 w->deviceInfo.model.trimmed());
        chosenFile = dir.filePath(QStringLiteral("report.pdf"));
        update->click();
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QVERIFY(status() == lockFirst && opened.isEmpty());
        update->click();
        w->pdfSettingSlot(w->pdfSetting);
        QTRY_COMPARE(opened, QStringList{chosenFile});
        QVERIFY(QRegularExpression(QStringLiteral("/RV718B_data/data_\\d{8}_\\d{6}\\.pdf$"))
                    .match(proposedFile)
                    .hasMatch());
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {chosenFile});
        QVERIFY(info.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QRegularExpression(QStringLiteral("Pages:\\s+4\\n"))));
        QVERIFY(notices.isEmpty());
    }
};

QTEST_MAIN(TestStoragePage)
#include "tst_storagepage.moc"
