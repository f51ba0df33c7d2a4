// Language switching against the simulated instrument: the Language menu, what
// a switch changes (the texts the code sets, the toolkit's, the link worker's),
// what it keeps (polling, both record tables) and the over-temperature picture.
// Every text of the catalogues is checked in tests/translations.
#include "AutoTestDialog.h"
#include "DialogSettings.h"
#include "Journal.h"
#include "LanguageMenu.h"
#include "SwitchButton.h"
#include "WindowHarness.h"
#include "ui_mainwindow.h" // compiled into this target by AUTOUIC

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>

namespace {

QStringList cellsOf(const QStandardItemModel* model)
{
    QStringList cells;
    for (int r = 0; r < model->rowCount(); ++r)
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
    return cells;
}

QString headersOf(const QStandardItemModel* model)
{
    QStringList headers;
    for (int c = 0; c < model->columnCount(); ++c)
        headers << model->headerData(c, Qt::Horizontal).toString();
    return headers.join('|');
}

QImage imageOf(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QString toolkitOk()
{
    return QCoreApplication::translate("QPlatformTheme", "OK");
}

const QRegularExpression kHan(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));

} // namespace

class TestLanguage : public WindowHarness
{
    Q_OBJECT

    QString switchCaptions()
    {
        return ui()->switchButton->getTextOff() + '|' + ui()->switchButton->getTextOn();
    }

private slots:
    void initTestCase() { installHandlers(); }
    void init()
    {
        QFile::remove(dialogSettingsPath(QStringLiteral("settingsLanguage.ini")));
        startFresh();
    }
    void cleanup() { closeWindow(); }

    // The first start is Chinese whatever the locale (run once more under
    // LC_ALL=zh_CN, de_DE and en_US by CTest), nothing of the program
    // translated; choosing Chinese then changes nothing, not even the status
    // bar. The check mark shows the language shown, and a start begins in the
    // language chosen last.
    void checkMarkFollowsTheLanguageShown()
    {
        auto entries = [this] {
            QStringList texts;
            for (QAction* action : qAsConst(w->languageActions))
                texts << action->text() + (action->isChecked() ? "*" : "");
            return texts;
        };
        QCOMPARE(entries(), (QStringList{"English", "简体中文*"}));
        QVERIFY(w->appTranslator.isEmpty());
        QCOMPARE(toolkitOk(), QStringLiteral("确定"));
        ui()->statusbar->showMessage(QStringLiteral("状态"));
        chooseLanguage("zh");
        QCOMPARE(status(), QStringLiteral("状态"));
        QVERIFY(w->appTranslator.isEmpty());
        chooseLanguage("en");
        QCOMPARE(entries(), (QStringList{"English*", "简体中文"}));
        startWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Loop Resistance Tester"));
        QCOMPARE(entries(), (QStringList{"English*", "简体中文"}));
        QCOMPARE(toolkitOk(), QStringLiteral("OK"));
        chooseLanguage("zh");
        startWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("回路电阻测试仪"));
        QCOMPARE(entries(), (QStringList{"English", "简体中文*"}));

        // A change of the system's locale follows the system's language.
        chooseLanguage("en");
        QEvent change(QEvent::LocaleChange);
        QCoreApplication::sendEvent(w.get(), &change);
        QCoreApplication::sendPostedEvents();
        const bool english = languagemenu::languageCodeOf(QLocale::system().name()) == "en";
        QCOMPARE(w->isEnglish, english);
        QCOMPARE(entries(), english ? QStringList({"English*", "简体中文"})
                                    : QStringList({"English", "简体中文*"}));
    }

    // English, then back to Chinese with its own variants; a dialog open
    // follows both switches, and a switch ends edit mode and polls again.
    void englishAtStartUpAndBack()
    {
        const int toolBarItems = ui()->toolBar->actions().size();
        auto* times = (new AutoTestDialog(w.get()))->findChild<QLabel*>("label_testTimes");
        chooseLanguage("en");
        QCOMPARE(times->text(), QStringLiteral("Number of tests"));
        QCOMPARE(ui()->actionConnect->text(), QStringLiteral("Connect"));
        // On and off, as an electrician reads a switch ("open" would be off).
        QCOMPARE(switchCaptions(), QStringLiteral("Off|On"));
        QVERIFY(headersOf(w->liveRecordModel).startsWith(QStringLiteral("No.|")));
        QVERIFY(headersOf(w->storageModel).startsWith(QStringLiteral("Store number|")));
        // Built once: the menu and the tool bar are not extended again.
        QCOMPARE(ui()->menuLanguage->actions().size(), 2);
        QCOMPARE(ui()->toolBar->actions().size(), toolBarItems);

        // Status texts and notices, from the window and from the link worker.
        ui()->actionConnect->trigger();
        QTRY_COMPARE(status(), QStringLiteral("No tester found: check the USB cable and the "
                                              "instrument's power"));
        QVERIFY(attachAndConnect());
        QCOMPARE(status(), QStringLiteral("Connected to device"));
        QCOMPARE(ui()->label_TestStatus->text(), QStringLiteral("To be tested..."));
        ui()->actionImport_storage->trigger();
        QTRY_COMPARE(notices, QStringList{QStringLiteral("Prompt|No stored data")});

        ui()->actionLiveTestView->trigger();
        ui()->pushButton_UpdatePara->click();
        QVERIFY(!w->liveTimer->isActive());
        chooseLanguage("zh");
        QVERIFY(!w->editingSettings && w->liveTimer->isActive());
        QTRY_VERIFY(ui()->pushButton_UpdatePara->isEnabled());
        QCOMPARE(w->windowTitle(), QStringLiteral("回路电阻测试仪"));
        QCOMPARE(switchCaptions(), QStringLiteral("关闭|开启"));
        QCOMPARE(ui()->toolBar->windowTitle(), QStringLiteral("工具栏"));
        QCOMPARE(toolkitOk(), QStringLiteral("确定"));
        QCOMPARE(times->text(), QStringLiteral("测量次数"));
    }

    // The mended fault: a switch keeps both tables' rows and the live poll;
    // only the headers change language, and the journal's records stay.
    void switchingWhileConnectedKeepsPollingAndRows()
    {
        SimInstrument* rv = attachAndConnect(sim::Model::RV718B, 3);
        QVERIFY(rv);
        QVERIFY(runTest(rv));
        ui()->actionImport_storage->trigger();
        for (QAction* action : qAsConst(w->languageActions)) // until the read-back ends
            QVERIFY(!action->isEnabled());
        QTRY_VERIFY(!w->storageReading);
        QCOMPARE(w->storageModel->rowCount(), rv->storedRecordCount()); // the test is stored too
        for (QAction* action : qAsConst(w->languageActions))
            QVERIFY(action->isEnabled());
        ui()->actionLiveTestView->trigger();
        QTRY_VERIFY(w->liveTimer->isActive());
        const QStringList liveCells = cellsOf(w->liveRecordModel);
        const QStringList storedCells = cellsOf(w->storageModel);
        const int handles = SimBus::instance().openHandleCount();
        const QString remark = QStringLiteral("母线 C 相");
        ui()->textEdit_Remark->setPlainText(remark);
        const int progress = ui()->progressBar->value();
        QVERIFY(progress > 0);

        chooseLanguage("en");
        QCOMPARE(ui()->progressBar->value(), progress);
        QVERIFY(w->isConnected && w->liveTimer->isActive());
        QCOMPARE(ui()->actionConnect->text(), QStringLiteral("Disconnect"));
        QCOMPARE(cellsOf(w->liveRecordModel), liveCells);
        QCOMPARE(cellsOf(w->storageModel), storedCells);
        for (const QStandardItemModel* m : {w->liveRecordModel, w->storageModel})
            QVERIFY2(!headersOf(m).contains(kHan), qPrintable(headersOf(m)));
        QVERIFY(w->liveRecordsUnsaved);
        QCOMPARE(ui()->textEdit_Remark->toPlainText(), remark);

        // Readings go on, now decoded in English, and the name is read again.
        const QStringList englishStates = {"To be tested...", "Testing...", "Test finished"};
        QTRY_VERIFY2(englishStates.contains(ui()->label_TestStatus->text()),
                     qPrintable(ui()->label_TestStatus->text()));
        QTRY_COMPARE(w->deviceInfo.name, QStringLiteral("200A Loop Resistance Tester"));
        QTRY_VERIFY(ui()->pushButton_Test->isEnabled());
        QCOMPARE(SimBus::instance().openHandleCount(), handles);
        QVERIFY(runTest(rv));
        QCOMPARE(w->liveRecordModel->item(1, 0)->text(), QStringLiteral("2"));
        // The journal holds what the table shows, both records.
        QStringList journalled;
        for (const Journal::Record& record : w->journal->sessionRecords())
            journalled << record.cells << record.subject.object << record.subject.point;
        QCOMPARE(journalled, cellsOf(w->liveRecordModel));
    }

    // At 1366×768 each header is read whole, and a long remark wraps in its
    // column rather than pushing it behind a scroll bar.
    void columnsFitTheirHeaders()
    {
        w->resize(1366 - 16, 768 - 48);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->addLiveRow({"1", "2024-01-31 15:45:02", "30S", "200A", "199.87A", "125.40μΩ", "300.0μΩ",
                       "PASS",
                       QStringLiteral("retighten the joint, check the torque ").repeated(3)},
                      0);
        for (const char* language : {"zh", "en"}) {
            chooseLanguage(language);
            for (QTableView* view : {ui()->tableView_LiveRecord, ui()->tableView_Storage}) {
                ui()->stackedWidget->setCurrentIndex(view == ui()->tableView_Storage);
                QCoreApplication::processEvents();
                const QHeaderView* header = view->horizontalHeader();
                for (int c = 0; c < header->count(); ++c)
                    QVERIFY2(header->sectionSize(c) >= header->sectionSizeHint(c),
                             qPrintable(view->model()->headerData(c, Qt::Horizontal).toString()));
                QVERIFY(!view->horizontalScrollBar()->isVisible());
            }
        }
    }

    // The picture follows the language, also when over-temperature is shown
    // while the language changes; the status bar is cleared under it.
    void overTemperaturePictureFollowsTheLanguage()
    {
        SimInstrument* rv = attachAndConnect();
        QVERIFY(rv);
        rv->setOverTemperature(true);
        QTRY_COMPARE(ui()->stackedWidget_Live->currentIndex(), 1);
        QVERIFY(status().isEmpty());
        QCOMPARE(imageOf(ui()->label_OverTemp->pixmap(Qt::ReturnByValue)),
                 imageOf(QPixmap(QStringLiteral(":/resource/overTempZh.png"))));
        chooseLanguage("en");
        const QImage english = imageOf(QPixmap(QStringLiteral(":/resource/overTempEn.png")));
        QVERIFY(!english.isNull());
        QTRY_COMPARE(imageOf(ui()->label_OverTemp->pixmap(Qt::ReturnByValue)), english);
        rv->setOverTemperature(false);
        QTRY_COMPARE(ui()->stackedWidget_Live->currentIndex(), 0);
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
