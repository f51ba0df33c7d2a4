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
            n += w->storageModel->item(r, 0) != nullptr;
        return n;
    }

    // The actions a page offers once nothing is being read.
    void checkIdleActions(bool connected)
    {
        const bool storagePage = ui()->stackedWidget->currentIndex() == 1;
        QCOMPARE(ui()->actionImport_storage->isEnabled(), connected);
        QCOMPARE(ui()->actionExportToExcel->isEnabled(), connected);
        QCOMPARE(ui()->actionExportToPDF->isEnabled(), connected && !storagePage);
        QCOMPARE(ui()->actionAutomatic_measurement->isEnabled(), connected && !storagePage);
        QVERIFY(ui()->actionLiveTestView->isEnabled() && ui()->actionStorageView->isEnabled());
    }

private slots:
    void initTestCase() { installHandlers(); }
    void init() { startFresh(); }
    void cleanup() { closeWindow(); }

    // Whole read-backs: every group fills its own row; a group that does not
    // answer leaves its row empty and the rest go on; the bar reaches 100
    // exactly with the last group, and stays short when that one is missing.
    void readBack_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("silentGroup"); // 0: none
        QTest::addColumn<int>("progress");
        QTest::newRow("200 groups") << 200 << 0 << 100;
        QTest::newRow("one group") << 1 << 0 << 100;
        QTest::newRow("group 5 of 10 silent") << 10 << 5 << 100;
        QTest::newRow("last group silent") << 10 << 10 << 90;
    }
    void readBack()
    {
        QFETCH(int, total);
        QFETCH(int, silentGroup);
        QFETCH(int, progress);
        SimInstrument* rv = attachAndConnect(sim::Model::RV718B, total);
        QVERIFY(rv);
        if (silentGroup)
            rv->setSilentGroups({silentGroup});
        QSignalSpy values(ui()->progressBar, &QProgressBar::valueChanged);
        ui()->actionImport_storage->trigger();
        QCOMPARE(ui()->stackedWidget->currentIndex(), 1);
        QVERIFY(!w->liveTimer->isActive());
        QVERIFY(!ui()->actionLiveTestView->isEnabled()); // counting: no way out yet
        QTRY_VERIFY_WITH_TIMEOUT(!w->storageReading, 20000);

        QStandardItemModel* m = w->storageModel;
        QCOMPARE(m->rowCount(), total);
        QCOMPARE(filledRows(), total - (silentGroup ? 1 : 0));
        QCOMPARE(ui()->progressBar->value(), progress);
        QCOMPARE(values.last().first().toInt(), progress);
        for (int i = 0; i + 1 < values.count(); ++i) // 100 only with the last group
            QVERIFY(values.at(i).first().toInt() < values.at(i + 1).first().toInt());
        QCOMPARE(writesStartingWith(rv, "0009ABCD05000700"), total);
        for (int r = 0; r < total; ++r) {
            if (r + 1 == silentGroup) {
                QVERIFY(!m->item(r, 0));
                continue;
            }
            QCOMPARE(m->item(r, 0)->text(), QStringLiteral("%1").arg(r + 1, 3, 10, QChar('0')));
            QVERIFY(!(m->item(r, 4)->flags() & Qt::ItemIsEditable));
        }
        const sim::StoredRecord first = rv->storedRecords().first();
        QCOMPARE(m->item(0, 1)->text(), first.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        QCOMPARE(m->item(0, 2)->text(), QStringLiteral("%1S").arg(first.testTimeSeconds));
        QCOMPARE(m->item(0, 3)->text(), QString::number(first.currentAmps, 'f', 2) + 'A');
        QVERIFY(m->item(0, 4)->text().endsWith(first.resistanceMilliOhm ? QStringLiteral("mΩ")
                                                                        : QStringLiteral("μΩ")));
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

    // A read-back cut short keeps the rows read so far and leaves no page
    // with dead actions: going back to the live page stops the requests
    // (its actions work although the read-back's end report arrives after
    // the page changed); losing the instrument, unplugged or silent, ends it.
    void cutShort_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* how : {"live page", "unplugged", "silent"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }
    void cutShort()
    {
        QFETCH(QString, how);
        SimInstrument* rv = attachAndConnect(sim::Model::RV718B, 200);
        QVERIFY(rv);
        ui()->actionImport_storage->trigger();
        QTRY_VERIFY(filledRows() >= 3);
        if (how == QLatin1String("live page")) {
            ui()->actionLiveTestView->trigger();
            QCOMPARE(ui()->stackedWidget->currentIndex(), 0);
            QVERIFY(!w->storageReading);
            QVERIFY(w->liveTimer->isActive());
            const int requested = writesStartingWith(rv, "0009ABCD05000700");
            QVERIFY(drain()); // the loop has ended
            QVERIFY(writesStartingWith(rv, "0009ABCD05000700") <= requested + 1);
        } else {
            how == QLatin1String("unplugged") ? rv->unplug()
                                              : rv->setFault(sim::Fault::Silence, true);
            QTRY_VERIFY(!w->isConnected);
            if (how == QLatin1String("silent"))
                QCOMPARE(status(), QStringLiteral("测试仪不再应答，存储数据读取中止"));
            QTRY_COMPARE(SimBus::instance().openHandleCount(), 0);
            QVERIFY(!w->storageReading);
            checkIdleActions(false);
            if (how == QLatin1String("unplugged")) {
                rv->plug();
            } else {
                rv->clearFaults();
                ui()->actionConnect->trigger();
            }
            QTRY_VERIFY(ui()->actionImport_storage->isEnabled());
        }
        QVERIFY(filledRows() >= 3 && filledRows() < 200);
        checkIdleActions(true);
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
        QJsonArray sheet = readWorkbook(chosenFile)["rows"].toArray();
        QCOMPARE(sheet.size(), 2);
        for (int c = 0; c < 9; ++c)
            QCOMPARE(sheet[1].toArray()[c].toString(), w->liveRecordModel->item(0, c)->text());

        ui()->actionImport_storage->trigger();
        QTRY_VERIFY(!w->storageReading);
        chosenFile = dir.filePath(QStringLiteral("stored.XLSX"));
        canOpen = true;
        ui()->actionExportToExcel->trigger();
        QCOMPARE(status(), QStringLiteral("已保存到 ") + chosenFile);
        sheet = readWorkbook(chosenFile)["rows"].toArray();
        QCOMPARE(sheet.size(), 1 + 4); // the three stored and the test just run
        QCOMPARE(sheet[0].toArray()[0].toString(), QStringLiteral("存储编号"));
        QCOMPARE(sheet[4].toArray()[0].toString(), QStringLiteral("004"));
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
        ui()->actionExportToPDF->trigger();
        auto* dialog = w->findChild<PdfSettingDialog*>();
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QLineEdit*>("lineEdit_TesterModel")->text(),
                 w->deviceInfo.model);
        chosenFile = dir.filePath(QStringLiteral("report.pdf"));
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
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
