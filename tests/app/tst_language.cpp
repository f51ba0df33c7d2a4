// Language switching against the simulated instrument: the Language menu, the
// texts of both languages, what a switch keeps (polling, both record tables)
// and the over-temperature picture.
#include "AutoTestDialog.h"
#include "DeviceManager.h"
#include "Journal.h"
#include "JournalFiles.h"
#include "LanguageMenu.h"
#include "MainWindow.h"
#include "ParseData.h"
#include "Prompts.h"
#include "SimBus.h"
#include "SimInstrument.h"
#include "SwitchButton.h"
#include "WorkerDrain.h"
#include "ui_mainwindow.h"

#include <QActionGroup>
#include <QLabel>
#include <QLocale>
#include <QStandardItemModel>
#include <QTimer>
#include <QtTest>

#include <memory>

using sim::SimBus;
using sim::SimInstrument;

namespace {

// Counts the language changes delivered to the window.
class LanguageChangeCounter : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::LanguageChange;
        return false;
    }
};

QStringList cellsOf(const QStandardItemModel* model)
{
    QStringList cells;
    for (int r = 0; r < model->rowCount(); ++r) {
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
    }
    return cells;
}

QStringList headersOf(const QStandardItemModel* model)
{
    QStringList headers;
    for (int c = 0; c < model->columnCount(); ++c)
        headers << model->headerData(c, Qt::Horizontal).toString();
    return headers;
}

QImage imageOf(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;
    QStringList notices;

    Ui::MainWindow* ui() { return w->ui; }
    QString status() { return w->ui->statusbar->currentMessage(); }

    QAction* languageAction(const char* code)
    {
        for (QAction* action : qAsConst(w->languageActions)) {
            if (action->data().toString() == QLatin1String(code))
                return action;
        }
        return nullptr;
    }

    // Chooses a language from the menu and lets the window handle the change.
    void choose(const char* code)
    {
        QAction* action = languageAction(code);
        QVERIFY(action);
        action->trigger();
        QCoreApplication::sendPostedEvents();
    }

    SimInstrument* connectInstrument(int storedRecords = 0)
    {
        SimInstrument* rv = SimBus::instance().attach(sim::Model::RV718B);
        rv->addStoredRecords(storedRecords);
        ui()->actionConnect->trigger();
        if (!QTest::qWaitFor([&] { return w->isConnected; }, 5000))
            return nullptr;
        if (!QTest::qWaitFor([&] { return !ui()->label_TestStatus->text().isEmpty(); }, 5000))
            return nullptr;
        return rv;
    }

    void runOneTest(SimInstrument* rv)
    {
        const int rows = w->liveRecordModel->rowCount();
        rv->pressTestKey();
        QTRY_VERIFY(w->testRunning);
        SimBus::instance().advanceClock(31000);
        QTRY_COMPARE(w->liveRecordModel->rowCount(), rows + 1);
    }

    void checkSwitchCaptions(const QString& off, const QString& on)
    {
        QCOMPARE(ui()->switchButton->getTextOff(), off);
        QCOMPARE(ui()->switchButton->getTextOn(), on);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerLinkMetaTypes();
        prompts::setHandler([this](QWidget*, QMessageBox::Icon, const QString& title,
                                   const QString& text) { notices << title + '|' + text; });
    }

    void init()
    {
        SimBus& bus = SimBus::instance();
        bus.reset();
        bus.setClockMode(sim::ClockMode::Manual);
        bus.setInstantTimeouts(true);
        notices.clear();
        removeJournalFiles();
        w = std::make_unique<MainWindow>();
        w->sampleIntervalSlot(50);
    }

    void cleanup()
    {
        if (w)
            QVERIFY(drainWorkers({w->deviceManager, w->parseData}));
        w.reset();
        QCOMPARE(SimBus::instance().openHandleCount(), 0);
    }

    // The menu lists the compiled-in catalogues; nothing of the program is
    // translated at start-up, while the toolkit's texts match the interface.
    void startsInChineseWithBothLanguagesListed()
    {
        QCOMPARE(w->languageActions.size(), 2);
        QCOMPARE(ui()->menuLanguage->actions(), w->languageActions);
        QCOMPARE(w->languageActions.at(0)->text(), QStringLiteral("English"));
        QCOMPARE(w->languageActions.at(0)->data().toString(), QStringLiteral("en"));
        QCOMPARE(w->languageActions.at(1)->text(), QStringLiteral("简体中文"));
        QCOMPARE(w->languageActions.at(1)->data().toString(), QStringLiteral("zh"));
        QVERIFY(w->languageGroup->isExclusive());
        for (QAction* action : qAsConst(w->languageActions))
            QVERIFY(action->isCheckable() && action->isEnabled());

        QCOMPARE(w->windowTitle(), QStringLiteral("回路电阻测试仪"));
        QVERIFY(!w->isEnglish);
        QVERIFY(w->appTranslator.isEmpty());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
    }

    // Run once under each of LC_ALL=zh_CN.UTF-8 and de_DE.UTF-8 by CTest.
    void systemLanguageIsChecked()
    {
        const QString system = QLocale::system().name();
        QStringList checked;
        for (QAction* action : qAsConst(w->languageActions)) {
            if (action->isChecked())
                checked << action->text();
        }
        QStringList expected;
        if (system.startsWith(QLatin1String("zh_")))
            expected << QStringLiteral("简体中文");
        else if (system.startsWith(QLatin1String("en_")))
            expected << QStringLiteral("English");
        QCOMPARE(checked, expected);
    }

    void englishAtStartUp()
    {
        const int toolBarItems = ui()->toolBar->actions().size();
        choose("en");
        QVERIFY(w->isEnglish);
        QCOMPARE(w->windowTitle(), QStringLiteral("Loop Resistance Tester"));
        QCOMPARE(ui()->actionConnect->text(), QStringLiteral("Connect"));
        // The window's own captions for the switch, not the switch's own.
        checkSwitchCaptions(QStringLiteral("Close"), QStringLiteral("Open"));
        QCOMPARE(ui()->label_Comparison->text(), QStringLiteral("Comparison"));
        QCOMPARE(ui()->label_TimeLeft->text(), QStringLiteral("Time left"));
        QCOMPARE(ui()->groupBox_Remark->title(), QStringLiteral("Remark"));
        QCOMPARE(ui()->menuLanguage->title(), QStringLiteral("Language"));
        QCOMPARE(ui()->pushButton_Test->text(), QStringLiteral("Test"));
        QCOMPARE(headersOf(w->liveRecordModel).first(), QStringLiteral("No."));
        QCOMPARE(headersOf(w->storageModel).first(), QStringLiteral("Store number"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("OK"));
        // Built once: the menu and the tool bar are not extended again.
        QCOMPARE(w->languageActions.size(), 2);
        QCOMPARE(ui()->menuLanguage->actions().size(), 2);
        QCOMPARE(ui()->toolBar->actions().size(), toolBarItems);

        // Status texts and notices, from the window and from the link worker.
        ui()->actionConnect->trigger();
        QTRY_COMPARE(status(), QStringLiteral("No tester found: check the USB cable and the "
                                              "instrument's power"));
        QVERIFY(connectInstrument());
        QCOMPARE(status(), QStringLiteral("Connected to device"));
        QCOMPARE(ui()->label_TestStatus->text(), QStringLiteral("To be tested..."));
        ui()->actionImport_storage->trigger();
        QTRY_COMPARE(notices, QStringList{QStringLiteral("Prompt|No stored data")});
    }

    // The mended fault: a switch keeps both tables' rows and the live poll;
    // only the headers change language, and the journal's records stay.
    void switchingWhileConnectedKeepsPollingAndRows()
    {
        SimInstrument* rv = connectInstrument(3);
        QVERIFY(rv);
        runOneTest(rv);
        ui()->actionImport_storage->trigger();
        QTRY_VERIFY(!w->storageReading);
        QCOMPARE(w->storageModel->rowCount(), rv->storedRecordCount()); // the test is stored too
        ui()->actionLiveTestView->trigger();
        QTRY_VERIFY(w->liveTimer->isActive());
        const QStringList liveCells = cellsOf(w->liveRecordModel);
        const QStringList storedCells = cellsOf(w->storageModel);
        const int handles = SimBus::instance().openHandleCount();

        choose("en");
        QCOMPARE(w->windowTitle(), QStringLiteral("Loop Resistance Tester"));
        QVERIFY(w->isConnected);
        QVERIFY(w->liveTimer->isActive());
        QCOMPARE(ui()->actionConnect->text(), QStringLiteral("Disconnect"));
        QCOMPARE(cellsOf(w->liveRecordModel), liveCells);
        QCOMPARE(cellsOf(w->storageModel), storedCells);
        QCOMPARE(
            headersOf(w->liveRecordModel),
            QStringList({"No.", "Recording time", "Testing time", "Current set", "Testing current",
                         "Test resistance", "Comparison", "Comparative result", "Remark"}));
        QCOMPARE(headersOf(w->storageModel),
                 QStringList({"Store number", "Recording time", "Testing time", "Testing current",
                              "Test resistance", "Comparison", "Comparative result"}));
        QVERIFY(w->liveRecordsUnsaved);

        // Readings go on, now decoded in English, and the name is read again.
        const QStringList englishStates = {"To be tested...", "Testing...", "Test finished"};
        QTRY_VERIFY2(englishStates.contains(ui()->label_TestStatus->text()),
                     qPrintable(ui()->label_TestStatus->text()));
        QTRY_COMPARE(w->deviceInfo.name, QStringLiteral("200A Loop Resistance Tester"));
        QTRY_VERIFY(ui()->pushButton_Test->isEnabled());
        QCOMPARE(SimBus::instance().openHandleCount(), handles);
        runOneTest(rv);
        QCOMPARE(w->liveRecordModel->item(1, 0)->text(), QStringLiteral("2"));
        // The journal holds what the table shows, both records.
        QStringList journalled;
        for (const Journal::Record& record : w->journal->sessionRecords())
            journalled << record.cells;
        QCOMPARE(journalled, cellsOf(w->liveRecordModel));
    }

    // Edit mode stops the poll; a switch ends it and polls again.
    void switchingWhileEditingPollsAgain()
    {
        QVERIFY(connectInstrument());
        ui()->pushButton_UpdatePara->click();
        QVERIFY(w->editingSettings);
        QVERIFY(!w->liveTimer->isActive());
        choose("en");
        QVERIFY(!w->editingSettings);
        QVERIFY(w->liveTimer->isActive());
        QTRY_VERIFY(ui()->pushButton_UpdatePara->isEnabled());
    }

    void chineseFirstInstallsNothing()
    {
        LanguageChangeCounter changes;
        w->installEventFilter(&changes);
        ui()->statusbar->showMessage(QStringLiteral("状态"));
        choose("zh");
        QCOMPARE(changes.count, 0);
        QCOMPARE(status(), QStringLiteral("状态"));
        QVERIFY(w->appTranslator.isEmpty());
        QVERIFY(languageAction("zh")->isChecked());
        QVERIFY(!w->isEnglish);
    }

    void chineseAfterEnglishShowsItsVariants()
    {
        choose("en");
        QCOMPARE(ui()->toolBar->windowTitle(), QStringLiteral("toolBar"));
        choose("zh");
        QVERIFY(!w->isEnglish);
        QCOMPARE(w->windowTitle(), QStringLiteral("回路电阻测试仪"));
        checkSwitchCaptions(QStringLiteral("关闭"), QStringLiteral("开启"));
        QCOMPARE(ui()->toolBar->windowTitle(), QStringLiteral("工具栏"));
        QCOMPARE(QCoreApplication::translate("MainWindow", "退出自动测试"),
                 QStringLiteral("退出自动测量"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
        auto* dialog = new AutoTestDialog(w.get());
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("label_testTimes"))->text(),
                 QStringLiteral("测量次数"));
        dialog->close();
    }

    // The picture follows the language, also when over-temperature is shown
    // while the language changes.
    void overTemperaturePictureFollowsTheLanguage()
    {
        SimInstrument* rv = connectInstrument();
        QVERIFY(rv);
        rv->setOverTemperature(true);
        QTRY_COMPARE(ui()->stackedWidget_Live->currentIndex(), 1);
        QCOMPARE(imageOf(ui()->label_OverTemp->pixmap(Qt::ReturnByValue)),
                 imageOf(QPixmap(QStringLiteral(":/resource/overTempZh.png"))));
        choose("en");
        const QImage english = imageOf(QPixmap(QStringLiteral(":/resource/overTempEn.png")));
        QVERIFY(!english.isNull());
        QTRY_COMPARE(imageOf(ui()->label_OverTemp->pixmap(Qt::ReturnByValue)), english);
    }

    // A change of the system's locale follows the system's language, without
    // touching the menu's choice.
    void systemLocaleChangeFollowsTheSystem()
    {
        choose("en");
        QEvent change(QEvent::LocaleChange);
        QCoreApplication::sendEvent(w.get(), &change);
        QCoreApplication::sendPostedEvents();
        const bool systemEnglish =
            languagemenu::languageCodeOf(QLocale::system().name()) == QLatin1String("en");
        QCOMPARE(w->windowTitle(), systemEnglish ? QStringLiteral("Loop Resistance Tester")
                                                 : QStringLiteral("回路电阻测试仪"));
        QVERIFY(w->isEnglish);
        QVERIFY(languageAction("en")->isChecked());
    }

    void languageMenuWaitsForTheReadBack()
    {
        QVERIFY(connectInstrument(40));
        ui()->actionImport_storage->trigger();
        for (QAction* action : qAsConst(w->languageActions))
            QVERIFY(!action->isEnabled());
        QTRY_VERIFY(!w->storageReading);
        QCOMPARE(w->storageModel->rowCount(), 40);
        for (QAction* action : qAsConst(w->languageActions))
            QVERIFY(action->isEnabled());
    }

    void menuEntriesForTheSystem_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("checked"); // code of the checked entry, or none
        QTest::newRow("zh_CN") << "zh_CN"
                               << "zh";
        QTest::newRow("de_DE") << "de_DE"
                               << "";
        QTest::newRow("en_GB") << "en_GB"
                               << "en";
        QTest::newRow("C") << "C"
                           << "";
    }

    void menuEntriesForTheSystem()
    {
        QFETCH(QString, locale);
        QFETCH(QString, checked);
        const QVector<languagemenu::Entry> entries =
            languagemenu::entriesFor({"lang_en.qm", "lang_zh.qm"}, locale);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).code, QStringLiteral("en"));
        QCOMPARE(entries.at(0).text, QStringLiteral("English"));
        QCOMPARE(entries.at(1).code, QStringLiteral("zh"));
        QCOMPARE(entries.at(1).text, QStringLiteral("简体中文"));
        QCOMPARE(entries.at(0).checked, checked == QLatin1String("en"));
        QCOMPARE(entries.at(1).checked, checked == QLatin1String("zh"));
    }

    void toolkitCatalogueForACode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("catalogue");
        QTest::newRow("en") << "en"
                            << "qt_en.qm";
        QTest::newRow("zh") << "zh"
                            << "qt_zh_CN.qm";
        QTest::newRow("de, none there") << "de"
                                        << "qt_de.qm";
    }

    void toolkitCatalogueForACode()
    {
        QFETCH(QString, code);
        QFETCH(QString, catalogue);
        QCOMPARE(languagemenu::toolkitCatalogueFor(code, {"qt_en.qm", "qt_zh_CN.qm"}), catalogue);
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
