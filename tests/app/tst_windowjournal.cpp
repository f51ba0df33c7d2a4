// Nothing lost: the window's records in the journal across windows (as
// across program runs), the question before closing, and a journal that
// cannot be kept never stopping the measuring.
#include "WindowHarness.h"
#include "ui_mainwindow.h" // compiled into this target by AUTOUIC

#include <QCloseEvent>
#include <QTemporaryDir>

class TestWindowJournal : public WindowHarness
{
    Q_OBJECT

    QStringList asked; // every question's text
    QMessageBox::StandardButton answer = QMessageBox::No;
    QTemporaryDir dir;

    QStringList rowTexts()
    {
        QStringList texts;
        for (int r = 0; r < rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < 9; ++c)
                cells << w->liveRecordModel->item(r, c)->text();
            texts << cells.join('|');
        }
        return texts;
    }

    // `n` tests on the instrument (attached and connected if need be), each
    // with a remark of two lines.
    void runTests(int n)
    {
        SimInstrument* rv = SimBus::instance().instruments().value(0);
        if (!rv)
            rv = SimBus::instance().attach(sim::Model::RV718B);
        if (!w->isConnected)
            QVERIFY(connectWindow());
        for (int i = 0; i < n; ++i) {
            ui()->textEdit_Remark->setPlainText(QStringLiteral("相 %1\n第二行").arg(i + 1));
            QVERIFY(runTest(rv));
        }
    }

    bool closed()
    {
        QCloseEvent close;
        QCoreApplication::sendEvent(w.get(), &close);
        return close.isAccepted();
    }

private slots:
    void initTestCase()
    {
        installHandlers();
        prompts::setQuestionHandler(
            [this](QWidget*, const QString&, const QString& text, const prompts::Choices&) {
                asked << text;
                return answer;
            });
    }

    void init()
    {
        asked.clear();
        answer = QMessageBox::No;
        startFresh();
        chosenFile = dir.filePath(QStringLiteral("records.xlsx"));
    }

    void cleanup()
    {
        w.reset();
        removeJournalFiles();
    }

    // Three tests, a window gone without export: the next window offers them
    // back with every cell as it was, as the table was last shown (delete
    // and clear reach the journal); an export then counts them as saved.
    void restoreAfterALostSession()
    {
        runTests(3);
        const QStringList before = rowTexts();
        startWindow(); // the first window is gone without a word, as in a crash
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().startsWith(QStringLiteral("3 条 ")));
        QVERIFY(rowTexts().isEmpty()); // answered no: history only
        startWindow();
        QCOMPARE(asked.size(), 1); // declined records are not offered again

        runTests(2);
        ui()->pushButton_clear->click();
        runTests(4);
        ui()->tableView_LiveRecord->selectionModel()->select(w->liveRecordModel->index(1, 0),
                                                             QItemSelectionModel::Select |
                                                                 QItemSelectionModel::Rows);
        ui()->pushButton_delete->click();
        const QStringList shown = rowTexts();
        QCOMPARE(shown.size(), 3);
        QVERIFY(shown.at(1).startsWith(QStringLiteral("2|"))); // renumbered
        QVERIFY(shown != before); // new times, so a row of the declined session would show
        answer = QMessageBox::Yes;
        startWindow();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(rowTexts(), shown);
        QCOMPARE(ui()->textEdit_Remark->toPlainText(), QStringLiteral("相 4\n第二行"));

        ui()->pushButton_save->click();
        QVERIFY(QFile::exists(chosenFile));
        asked.clear();
        startWindow();
        QVERIFY(asked.isEmpty());
        QVERIFY(rowTexts().isEmpty());
    }

    // Closing with records never exported asks first; each answer does what
    // it says.
    void closeAsksFirst_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("exported");
        QTest::newRow("export") << int(QMessageBox::Save) << true << true;
        QTest::newRow("close anyway") << int(QMessageBox::Discard) << true << false;
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << false;
    }
    void closeAsksFirst()
    {
        QFETCH(int, choice);
        QFETCH(bool, closes);
        QFETCH(bool, exported);
        runTests(2);
        answer = QMessageBox::StandardButton(choice);
        QCOMPARE(closed(), closes);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(QFile::exists(chosenFile), exported);
        QFile::remove(chosenFile);
        // Whatever was chosen, a closed window's records are not offered
        // again; a window that stayed open still has them.
        asked.clear();
        answer = QMessageBox::Yes;
        if (closes) {
            startWindow();
            QVERIFY(asked.isEmpty());
        } else {
            QCOMPARE(rows(), 2);
        }
    }

    // An export that does not happen keeps the window open.
    void closeStaysWhenTheExportFails()
    {
        runTests(1);
        answer = QMessageBox::Save;
        chosenFile = dir.filePath(QStringLiteral("folder.xlsx"));
        QVERIFY(QDir().mkdir(chosenFile)); // a folder: the workbook cannot be written there
        QVERIFY(!closed());
        chosenFile.clear(); // the save dialog cancelled
        QVERIFY(!closed());
        answer = QMessageBox::Discard;
        QVERIFY(closed());
    }

    // A garbage file in place of the journal is moved aside (never deleted),
    // the operator is told once, and measuring goes on in a fresh journal.
    void garbageJournalIsMovedAside()
    {
        w.reset();
        const QString path = Journal::defaultPath();
        QFile garbage(path);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, 'x'));
        garbage.close();
        startWindow();
        QVERIFY2(status().startsWith(QStringLiteral("日志文件已损坏")), qPrintable(status()));
        const QStringList aside = QFileInfo(path).dir().entryList(
            {QFileInfo(path).fileName() + QStringLiteral(".corrupt-*")}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        runTests(2);
        answer = QMessageBox::Yes;
        startWindow();
        QCOMPARE(rows(), 2);
        QDir(QFileInfo(path).dir()).remove(aside.first());
    }

    // A journal held by another program is off for this run: the window says
    // so once and the tests still land in the table.
    void lockedJournalNeverStopsMeasuring()
    {
        w.reset();
        auto holder = std::make_unique<MainWindow>(); // holds the journal exclusively
        startWindow();
        const QString told = status();
        QVERIFY(told.startsWith(QStringLiteral("测量记录无法保存到日志")));
        QStringList shown;
        connect(ui()->statusbar, &QStatusBar::messageChanged, this,
                [&](const QString& text) { shown << text; });
        runTests(2);
        QCOMPARE(rows(), 2);
        QVERIFY(!shown.contains(told)); // said once, not again with every record
        w.reset();
        holder.reset();
    }
};

QTEST_MAIN(TestWindowJournal)
#include "tst_windowjournal.moc"
