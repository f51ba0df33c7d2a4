// Nothing lost: the window's records in the journal across windows (as
// across program runs), the question before closing or clearing, corrected
// remarks, the demo's journal apart, and a journal that cannot be kept never
// stopping the measuring.
#include "WindowHarness.h"
#include "ui_mainwindow.h" // compiled into this target by AUTOUIC

#include <QCloseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
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
        answer = QMessageBox::Discard;
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
        QCOMPARE(asked.size(), 3); // the clear asked too
        QCOMPARE(rowTexts(), shown);
        QCOMPARE(ui()->textEdit_Remark->toPlainText(), QStringLiteral("相 4\n第二行"));

        ui()->pushButton_save->click();
        QVERIFY(QFile::exists(chosenFile));
        asked.clear();
        startWindow();
        QVERIFY(asked.isEmpty());
        QVERIFY(rowTexts().isEmpty());
    }

    // Closing or clearing with records never exported asks first; each
    // answer does what it says. Records closed or cleared away are not
    // offered again; records kept are, after a crash.
    void droppingUnexportedRecordsAsksFirst_data()
    {
        QTest::addColumn<bool>("clear"); // or close
        QTest::addColumn<bool>("exportedBefore");
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("gone"); // closed, or the table emptied
        QTest::addColumn<bool>("exported");
        for (bool clear : {false, true}) {
            const QByteArray what = clear ? "clear: " : "close: ";
            QTest::newRow(what + "export")
                << clear << false << int(QMessageBox::Save) << true << true;
            QTest::newRow(what + "anyway")
                << clear << false << int(QMessageBox::Discard) << true << false;
            QTest::newRow(what + "cancel")
                << clear << false << int(QMessageBox::Cancel) << false << false;
            QTest::newRow(what + "after export")
                << clear << true << int(QMessageBox::Cancel) << true << false;
        }
    }
    void droppingUnexportedRecordsAsksFirst()
    {
        QFETCH(bool, clear);
        QFETCH(bool, exportedBefore);
        QFETCH(int, choice);
        QFETCH(bool, gone);
        QFETCH(bool, exported);
        runTests(2);
        if (exportedBefore) {
            ui()->pushButton_save->click();
            QVERIFY(QFile::remove(chosenFile));
        }
        answer = QMessageBox::StandardButton(choice);
        if (clear)
            ui()->pushButton_clear->click();
        QCOMPARE(clear ? rows() == 0 : closed(), gone);
        QCOMPARE(asked.size(), exportedBefore ? 0 : 1);
        QCOMPARE(QFile::exists(chosenFile), exported);
        QFile::remove(chosenFile);
        asked.clear();
        answer = QMessageBox::Yes;
        startWindow();
        QCOMPARE(asked.size(), gone ? 0 : 1);
        QCOMPARE(rows(), gone ? 0 : 2);
    }

    // Records of two sessions lost in crashes, numbered 11, 12 and 1 there,
    // come back numbered 1 to 3, and the next test is 4; the journal keeps
    // the new numbers for the next restore.
    void restoredRowsAreNumberedAfresh()
    {
        for (const QStringList& numbers : {QStringList{"11", "12"}, QStringList{"1"}}) {
            w.reset();
            Journal crashed;
            QCOMPARE(crashed.open(), Journal::State::Open);
            for (const QString& number : numbers)
                QVERIFY(crashed.append(QVector<QString>(9, number).toList(), {}) > 0);
        }
        answer = QMessageBox::Yes;
        startWindow();
        runTests(1);
        QStringList shown, journalled;
        for (const QString& row : rowTexts())
            shown << row.section('|', 0, 0);
        for (const Journal::Record& record : w->journal->sessionRecords())
            journalled << record.cells.first();
        QCOMPARE(shown, (QStringList{"1", "2", "3", "4"}));
        QCOMPARE(journalled, shown);
        QCOMPARE(rowTexts().at(2).section('|', 1, 1), QStringLiteral("1")); // in their order
    }

    // The remark of a recorded row opens for correction with a double-click
    // or F2 (no other cell does), and the journal keeps the correction
    // through a crash.
    void remarkCorrection_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<int>("column");
        QTest::newRow("F2 on the remark") << false << 8;
        QTest::newRow("double-click on the remark") << true << 8;
        QTest::newRow("F2 on the resistance") << false << 5;
        QTest::newRow("double-click on the time") << true << 1;
    }
    void remarkCorrection()
    {
        QFETCH(bool, doubleClick);
        QFETCH(int, column);
        runTests(2);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTableView* view = ui()->tableView_LiveRecord;
        const QModelIndex cell = w->liveRecordModel->index(1, column);
        view->setCurrentIndex(cell);
        if (doubleClick) {
            // As a mouse sends it: press and release, then the second press.
            const QPoint at = view->visualRect(cell).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        } else {
            QTest::keyClick(view, Qt::Key_F2);
        }
        const QStringList before = rowTexts();
        auto* editor = view->viewport()->findChild<QPlainTextEdit*>();
        QCOMPARE(editor || view->viewport()->findChild<QLineEdit*>(), column == 8);
        if (column != 8)
            return;
        QCOMPARE(editor->toPlainText(), QStringLiteral("相 2\n第二行"));
        QTest::keyClicks(editor, QStringLiteral("QF1 B"));
        QTest::keyClick(editor, Qt::Key_Tab);
        QCOMPARE(w->liveRecordModel->item(1, 8)->text(), QStringLiteral("QF1 B"));
        QStringList corrected = before;
        corrected[1] = corrected[1].section('|', 0, 7) + QStringLiteral("|QF1 B");
        answer = QMessageBox::Yes;
        startWindow();
        QCOMPARE(rowTexts(), corrected);
    }

    // An export that does not happen keeps the window open.
    void closeStaysWhenTheExportFails()
    {
        runTests(1);
        answer = QMessageBox::Save;
        chosenFile = dir.path(); // a folder: the workbook cannot be written there
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

    // The demo and the real program side by side, as processes with one home
    // folder: each holds a journal of its own (a program whose journal is
    // locked by the other holds none).
    void demoKeepsAJournalOfItsOwn()
    {
#ifndef REAL_PROGRAM
        QSKIP("the real program is not built");
#else
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        QProcess programs[2];
        const QStringList journals = {QStringLiteral("/loop-tester/journal.sqlite"),
                                      QStringLiteral("/loop-tester-demo/journal.sqlite")};
        auto holds = [&](int i) {
            const QDir fds(QStringLiteral("/proc/%1/fd").arg(programs[i].processId()));
            for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System))
                if (fd.symLinkTarget().endsWith(journals.at(i)))
                    return true;
            return false;
        };
        for (int i = 0; i < 2; ++i) {
            programs[i].setProcessEnvironment(env);
            programs[i].start(i ? QStringLiteral(DEMO_PROGRAM) : QStringLiteral(REAL_PROGRAM),
                              QStringList());
            QVERIFY(programs[i].waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(holds(i), 20000);
        }
        QVERIFY(holds(0) && holds(1));
        for (QProcess& program : programs) {
            program.kill();
            program.waitForFinished();
        }
#endif
    }
};

QTEST_MAIN(TestWindowJournal)
#include "tst_windowjournal.moc"
