// Nothing lost: the window's records kept across windows (as across runs),
// the question before dropping them, corrected remarks, the demo's journal
// apart, and a journal that cannot be kept never stopping the measuring.
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

    // The first two cells of each row; the journal holds the same.
    QStringList numbers()
    {
        QStringList shown, journalled;
        for (const QString& row : rowTexts())
            shown << row.section('|', 0, 1);
        for (const Journal::Record& record : w->journal->sessionRecords())
            journalled << record.cells.mid(0, 2).join('|');
        return shown == journalled ? shown : QStringList{"journal:"} + journalled;
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

    // Windows gone without a word, as in a crash. Records declined are never
    // offered again; those of two sessions, numbered 11, 12, 13 and 1 there,
    // come back numbered 1 to 4, and as the table last showed them (delete
    // reaches the journal), with the remark being typed; a test adds the
    // next number. Once exported, they are not offered again.
    void restoreAfterLostSessions()
    {
        runTests(1);
        startWindow(); // answered no
        startWindow();
        QCOMPARE(asked.size(), 1);
        for (const QStringList& session : {QStringList{"11", "12", "13"}, QStringList{"1"}}) {
            w.reset();
            Journal crashed;
            QCOMPARE(crashed.open(), Journal::State::Open);
            for (const QString& number : session)
                QVERIFY(crashed.append(QVector<QString>(9, number).toList(), {}) > 0);
        }
        answer = QMessageBox::Yes;
        startWindow();
        QVERIFY(asked.last().startsWith(QStringLiteral("4 条 ")));
        QCOMPARE(numbers(), (QStringList{"1|11", "2|12", "3|13", "4|1"}));
        ui()->tableView_LiveRecord->selectRow(1);
        ui()->pushButton_delete->click();
        runTests(1);
        QCOMPARE(numbers().mid(0, 3), (QStringList{"1|11", "2|13", "3|1"}));
        QVERIFY(numbers().at(3).startsWith(QStringLiteral("4|")));
        const QStringList shown = rowTexts();
        startWindow();
        QCOMPARE(rowTexts(), shown);
        QCOMPARE(ui()->textEdit_Remark->toPlainText(), QStringLiteral("相 1\n第二行"));
        ui()->pushButton_save->click();
        startWindow();
        QCOMPARE(asked.size(), 3);
        QVERIFY(rowTexts().isEmpty());
    }

    // Closing or clearing with records never exported asks first; each
    // answer does what it says, and an export that does not happen keeps
    // them. Records closed or cleared away are not offered again; records
    // kept are, after a crash.
    void droppingUnexportedRecordsAsksFirst_data()
    {
        QTest::addColumn<bool>("clear"); // or close
        QTest::addColumn<bool>("exportedBefore");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("saveTo"); // what the save dialog answers
        QTest::addColumn<bool>("gone");      // closed, or the table emptied
        for (bool clear : {false, true}) {
            auto row = [clear](const char* name, int choice, const char* saveTo, bool gone) {
                QTest::newRow((clear ? "clear: " : "close: ") + QByteArray(name))
                    << clear << !choice << choice << QString(saveTo) << gone;
            };
            row("export", QMessageBox::Save, "records.xlsx", true);
            row("anyway", QMessageBox::Discard, "records.xlsx", true);
            row("cancel", QMessageBox::Cancel, "records.xlsx", false);
            row("export cancelled", QMessageBox::Save, "", false);
            row("export failed", QMessageBox::Save, "folder.xlsx", false);
            row("after export", 0, "records.xlsx", true); // nothing to ask
        }
    }
    void droppingUnexportedRecordsAsksFirst()
    {
        QFETCH(bool, clear);
        QFETCH(bool, exportedBefore);
        QFETCH(int, choice);
        QFETCH(QString, saveTo);
        QFETCH(bool, gone);
        runTests(2);
        if (exportedBefore) {
            ui()->pushButton_save->click();
            QVERIFY(QFile::remove(chosenFile));
        }
        answer = QMessageBox::StandardButton(choice);
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder.xlsx"))); // cannot be written
        chosenFile = saveTo.isEmpty() ? saveTo : dir.filePath(saveTo);
        QCloseEvent close;
        if (clear)
            ui()->pushButton_clear->click();
        else
            QCoreApplication::sendEvent(w.get(), &close);
        QCOMPARE(clear ? rows() == 0 : close.isAccepted(), gone);
        QCOMPARE(asked.size(), exportedBefore ? 0 : 1);
        const QString workbook = dir.filePath(QStringLiteral("records.xlsx"));
        QCOMPARE(QFile::exists(workbook), choice == QMessageBox::Save && gone);
        QFile::remove(workbook);
        asked.clear();
        answer = QMessageBox::Yes;
        startWindow();
        QCOMPARE(asked.size(), gone ? 0 : 1);
        QCOMPARE(rows(), gone ? 0 : 2);
    }

    // A remark of two lines shows on one; it opens for correction with a
    // double-click or F2 (no other cell does), and the journal keeps the
    // correction through a crash.
    void remarkCorrection_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<int>("column");
        QTest::newRow("F2 on the remark") << false << 8;
        QTest::newRow("double-click on the remark") << true << 8;
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
        QVERIFY(view->rowHeight(1) < 2 * view->fontMetrics().lineSpacing());
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
