// The stored-data page and the Excel export, through the window against the
// simulated instrument: whole read-backs and their ends, then the exports.
#include "DeviceManager.h"
#include "JournalFiles.h"
#include "MainWindow.h"
#include "ParseData.h"
#include "PdfSettingDialog.h"
#include "Prompts.h"
#include "SimBus.h"
#include "SimInstrument.h"
#include "WorkerDrain.h"
#include "ui_mainwindow.h"

#include <QDialogButtonBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <memory>

using sim::SimBus;
using sim::SimInstrument;

class TestStoragePage : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;
    QStringList notices; // "title|text" of every notice
    QString chosenFile;  // what the save dialog answers
    QString proposedFile;
    QStringList opened;

    Ui::MainWindow* ui() { return w->ui; }
    QString status() { return w->ui->statusbar->currentMessage(); }

    SimInstrument* connectTo(sim::Model model, int stored)
    {
        SimInstrument* rv = SimBus::instance().attach(model);
        rv->addStoredRecords(stored);
        ui()->actionConnect->trigger();
        if (!QTest::qWaitFor([&] { return w->isConnected; }, 5000))
            return nullptr;
        return rv;
    }

    int filledRows()
    {
        int n = 0;
        for (int r = 0; r < w->storageModel->rowCount(); ++r)
            n += w->storageModel->item(r, 0) != nullptr;
        return n;
    }

    int groupRequests(SimInstrument* rv)
    {
        int n = 0;
        for (const QByteArray& r : rv->writtenReports())
            n += r.startsWith(QByteArray::fromHex("0009ABCD05000700"));
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
        QVERIFY(ui()->actionLiveTestView->isEnabled());
        QVERIFY(ui()->actionStorageView->isEnabled());
    }

    static QJsonObject readWorkbook(const QString& path)
    {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(READ_XLSX_SCRIPT), path});
        if (!python.waitForFinished(30000) || python.exitCode() != 0)
            return {};
        return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerLinkMetaTypes();
        prompts::setHandler([this](QWidget*, QMessageBox::Icon, const QString& title,
                                   const QString& text) { notices << title + '|' + text; });
        prompts::setSaveFileHandler(
            [this](QWidget*, const QString&, const QString& proposed, const QString&) {
                proposedFile = proposed;
                return chosenFile;
            });
        prompts::setOpenFileHandler([this](const QString& path) { opened << path; });
    }

    void init()
    {
        SimBus& bus = SimBus::instance();
        bus.reset();
        bus.setClockMode(sim::ClockMode::Manual);
        bus.setInstantTimeouts(true);
        notices.clear();
        opened.clear();
        chosenFile.clear();
        removeJournalFiles();
        w = std::make_unique<MainWindow>();
        w->sampleIntervalSlot(50);
    }

    void cleanup()
    {
        w.reset();
        QCOMPARE(SimBus::instance().openHandleCount(), 0);
    }

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
        SimInstrument* rv = connectTo(sim::Model::RV718B, total);
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
        QCOMPARE(groupRequests(rv), total);
        for (int r = 0; r < total; ++r) {
            if (r + 1 == silentGroup) {
                QVERIFY(!m->item(r, 0));
                continue;
            }
            QCOMPARE(m->item(r, 0)->text(), QStringLiteral("%1").arg(r + 1, 3, 10, QChar('0')));
            QCOMPARE(m->item(r, 0)->textAlignment(), Qt::AlignHCenter | Qt::AlignVCenter);
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

    // Going back to the live page mid-way stops the requests; the rows read
    // stay, and the live page's actions work although the read-back's end
    // report arrives after the page changed.
    void returningToTheLivePageCancels()
    {
        SimInstrument* rv = connectTo(sim::Model::RV718B, 200);
        QVERIFY(rv);
        ui()->actionImport_storage->trigger();
        QTRY_VERIFY(filledRows() >= 3);
        ui()->actionLiveTestView->trigger();
        QCOMPARE(ui()->stackedWidget->currentIndex(), 0);
        QVERIFY(!w->storageReading);
        QVERIFY(w->liveTimer->isActive());
        QTRY_VERIFY(!ui()->label_TestStatus->text().isEmpty());
        const int requested = groupRequests(rv);
        QVERIFY(drainWorkers({w->deviceManager, w->parseData})); // the loop has ended
        QVERIFY(groupRequests(rv) <= requested + 1);
        QVERIFY(filledRows() < 200);
        QVERIFY(filledRows() >= 3);
        checkIdleActions(true);
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
        SimInstrument* rv = connectTo(sim::Model::RV718A, stored);
        QVERIFY(rv);
        if (outOfRange)
            rv->setFault(sim::Fault::FieldOutOfRange, true);
        ui()->actionImport_storage->trigger();
        QTRY_COMPARE(notices, QStringList{told});
        QVERIFY(!w->storageReading);
        QCOMPARE(w->storageModel->rowCount(), 0);
        checkIdleActions(true);
    }

    // Losing the instrument mid-way, by unplugging or by its silence, keeps
    // the rows read so far and leaves no page with dead actions.
    void lossMidway_data()
    {
        QTest::addColumn<bool>("unplug"); // else it stops answering
        QTest::newRow("unplugged") << true;
        QTest::newRow("silent") << false;
    }
    void lossMidway()
    {
        QFETCH(bool, unplug);
        SimInstrument* rv = connectTo(sim::Model::RV718B, 200);
        QVERIFY(rv);
        ui()->actionImport_storage->trigger();
        QTRY_VERIFY(filledRows() >= 3);
        if (unplug)
            rv->unplug();
        else
            rv->setFault(sim::Fault::Silence, true);
        QTRY_VERIFY(!w->isConnected);
        if (!unplug)
            QCOMPARE(status(), QStringLiteral("测试仪不再应答，存储数据读取中止"));
        QTRY_COMPARE(SimBus::instance().openHandleCount(), 0);
        QVERIFY(!w->storageReading);
        const int kept = filledRows();
        QVERIFY(kept >= 3 && kept < 200);
        checkIdleActions(false);

        if (unplug)
            rv->plug();
        else
            rv->clearFaults(), ui()->actionConnect->trigger();
        QTRY_VERIFY(w->isConnected);
        QTRY_VERIFY(ui()->actionImport_storage->isEnabled());
        QCOMPARE(filledRows(), kept);
        checkIdleActions(true);
    }

    // Both tables export as workbooks a spreadsheet program reads back; the
    // file is proposed in the instrument model's folder and opened after.
    void exportsTheTables()
    {
        QTemporaryDir dir;
        SimInstrument* rv = connectTo(sim::Model::RV718A, 3);
        QVERIFY(rv);
        rv->setMeasuredResistance(250.0);
        ui()->textEdit_Remark->setPlainText(QStringLiteral("母线 A 相\n第二行"));
        rv->pressTestKey();
        QTRY_VERIFY(w->testRunning);
        SimBus::instance().advanceClock(31000);
        QTRY_COMPARE(w->liveRecordModel->rowCount(), 1);

        chosenFile = dir.filePath(QStringLiteral("live.xlsx"));
        ui()->pushButton_save->click();
        QVERIFY(QRegularExpression(QStringLiteral("/RV718A_data/data_\\d{8}_\\d{6}\\.xlsx$"))
                    .match(proposedFile)
                    .hasMatch());
        QCOMPARE(opened, QStringList{chosenFile});
        QJsonArray rows = readWorkbook(chosenFile)[QStringLiteral("rows")].toArray();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].toArray()[0].toString(), QStringLiteral("序号"));
        QCOMPARE(rows[0].toArray()[8].toString(), QStringLiteral("备注"));
        for (int c = 0; c < 9; ++c)
            QCOMPARE(rows[1].toArray()[c].toString(), w->liveRecordModel->item(0, c)->text());

        ui()->actionImport_storage->trigger();
        QTRY_VERIFY(!w->storageReading);
        chosenFile = dir.filePath(QStringLiteral("stored.xlsx"));
        ui()->actionExportToExcel->trigger();
        rows = readWorkbook(chosenFile)[QStringLiteral("rows")].toArray();
        QCOMPARE(rows.size(), 1 + 4); // the three stored and the test just run
        QCOMPARE(rows[0].toArray()[0].toString(), QStringLiteral("存储编号"));
        QCOMPARE(rows[4].toArray()[0].toString(), QStringLiteral("004"));
        QVERIFY(notices.isEmpty());
    }

    // What the operator is told when there is nothing to save, when the
    // dialog is cancelled and when the file cannot be written.
    void exportFailuresAreTold()
    {
        QTemporaryDir dir;
        ui()->pushButton_save->click();
        QCOMPARE(notices.takeFirst(), QStringLiteral("提示|无数据！"));

        w->liveRecordModel->appendRow(new QStandardItem(QStringLiteral("1")));
        chosenFile.clear();
        ui()->pushButton_save->click();
        QCOMPARE(notices.takeFirst(), QStringLiteral("保存Excel文件|保存失败"));
        QVERIFY(proposedFile.contains(QStringLiteral("/RV718B_data/")));

        chosenFile = dir.path(); // a folder, not a file
        ui()->pushButton_save->click();
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.first().startsWith(QStringLiteral("保存Excel文件|保存失败\n")));
        QVERIFY(notices.first().size() > QStringLiteral("保存Excel文件|保存失败\n").size());
        QVERIFY(opened.isEmpty());
        QCOMPARE(w->liveRecordModel->rowCount(), 1);
    }

    // The PDF report from the window: the gate, the settings dialog showing
    // the connected instrument, a report of one page per record, and a file
    // that cannot be written told to the operator.
    void pdfReportThroughTheWindow()
    {
        QTemporaryDir dir;
        ui()->actionExportToPDF->setEnabled(true);
        ui()->actionExportToPDF->trigger();
        QCOMPARE(status(), QStringLiteral("无数据"));
        QVERIFY(!w->findChild<PdfSettingDialog*>());

        SimInstrument* rv = connectTo(sim::Model::RV718B, 0);
        QVERIFY(rv);
        for (int test = 0; test < 3; ++test) {
            rv->pressTestKey();
            QTRY_VERIFY(w->testRunning);
            SimBus::instance().advanceClock(31000);
            QTRY_COMPARE(w->liveRecordModel->rowCount(), test + 1);
        }
        for (const QString& target : {dir.filePath(QStringLiteral("report.pdf")), dir.path()}) {
            ui()->actionExportToPDF->trigger();
            auto* dialog = w->findChild<PdfSettingDialog*>();
            QVERIFY(dialog);
            QCOMPARE(dialog->findChild<QLineEdit*>("lineEdit_TesterModel")->text(),
                     w->deviceInfo.model);
            chosenFile = target;
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            QTRY_VERIFY(!w->findChild<PdfSettingDialog*>());
        }
        QVERIFY(proposedFile.contains(QStringLiteral("/RV718B_data/data_")));
        QVERIFY(proposedFile.endsWith(QStringLiteral(".pdf")));
        QCOMPARE(opened, QStringList{dir.filePath(QStringLiteral("report.pdf"))});
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {opened.first()});
        QVERIFY(info.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QRegularExpression(QStringLiteral("Pages:\\s+4\\n"))));
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.first().startsWith(QStringLiteral("保存PDF文件|保存失败")));
    }
};

QTEST_MAIN(TestStoragePage)
#include "tst_storagepage.moc"
