// The journal as the operator meets it in the window: restoring unsaved
// records (from the "restore" answer to the rows shown), appending a row to a
// table of 10,000, and the longest stall of the GUI thread while a remark is
// typed, on this disk and on a slow one (this program run again with
// slow_sync loaded, which makes every sync of a file wait).
// The real window, offscreen, against the simulated instrument.
#include "Journal.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "Records.h"
#include "SimBus.h"
#include "SimInstrument.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

void removeJournal()
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(Journal::defaultPath() + QLatin1String(suffix));
}

// A journal holding `count` records of a session that ended unexported.
bool leaveUnsaved(int count)
{
    removeJournal();
    Journal journal;
    if (journal.open() != Journal::State::Open)
        return false;
    const Journal::Identity identity{QStringLiteral("LoopTester"), QStringLiteral("RV718B"),
                                     QStringLiteral("V1.02")};
    for (int i = 0; i < count; ++i) {
        const QStringList cells = {QString::number(i + 1),
                                   QStringLiteral("2026-12-06 08:00:00"),
                                   QStringLiteral("30S"),
                                   QStringLiteral("100A"),
                                   QStringLiteral("99.9A"),
                                   QStringLiteral("%1 μΩ").arg(100 + i % 900),
                                   QStringLiteral("120.00μΩ"),
                                   i % 7 ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
                                   QStringLiteral("母线 A 相 第 %1 组").arg(i)};
        if (journal.append(cells, identity) < 0)
            return false;
    }
    return true;
}

QTableView* liveTable(QWidget& window)
{
    return window.findChild<QTableView*>(QStringLiteral("tableView_LiveRecord"));
}

// Everything queued has run and the table is painted.
void settle(QWidget& window)
{
    QCoreApplication::processEvents();
    liveTable(window)->viewport()->repaint();
}

// A window over a journal of `count` unsaved records, the question answered
// "restore"; the milliseconds from that answer to the rows shown.
std::unique_ptr<MainWindow> restoredWindow(int count, double* ms)
{
    QElapsedTimer sinceAnswer;
    prompts::setQuestionHandler(
        [&](QWidget*, const QString&, const QString&, const prompts::Choices&) {
            sinceAnswer.start();
            return QMessageBox::Yes;
        });
    auto window = std::make_unique<MainWindow>();
    window->show();
    QAbstractItemModel* model = liveTable(*window)->model();
    QElapsedTimer waited;
    waited.start();
    while (model->rowCount() < count && waited.elapsed() < 60000)
        QCoreApplication::processEvents();
    settle(*window);
    *ms = double(sinceAnswer.nsecsElapsed()) / 1e6;
    if (model->rowCount() != count)
        *ms = -1;
    return window;
}

// The longest gap between ticks of a 10 ms timer on the GUI thread, beyond
// the timer's own period, while `done` is false.
double maxStallMs(const std::function<bool()>& done)
{
    QElapsedTimer since;
    double worst = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        worst = qMax(worst, double(since.nsecsElapsed()) / 1e6);
        since.restart();
    });
    since.start();
    ticker.start();
    if (!QTest::qWaitFor(done, 60000))
        std::fprintf(stderr, "bench_window_journal: gave up waiting\n");
    return qMax(0.0, worst - 10.0);
}

// 200 characters typed into the remark at 20 a second, and a pause after.
double typingStallMs(QWidget& window)
{
    auto* remark = window.findChild<QTextEdit*>(QStringLiteral("textEdit_Remark"));
    remark->setFocus();
    int typed = 0;
    QTimer hands;
    hands.setInterval(50);
    QObject::connect(&hands, &QTimer::timeout, [&] {
        if (typed < 200)
            QTest::keyClick(remark, char('a' + typed % 26));
        ++typed;
    });
    hands.start();
    const double stall =
        maxStallMs([&] { return typed >= 200 + 2 * Journal::kTypedRemarkDelayMs / 50; });
    return remark->toPlainText().size() == 200 ? stall : -1;
}

// One synced write of 4 KiB, as the disk takes it.
double diskSyncMs()
{
    QFile file(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
               QStringLiteral("/sync"));
    if (!file.open(QIODevice::ReadWrite))
        return -1;
    QElapsedTimer t;
    t.start();
    file.write(QByteArray(4096, 'x'));
    file.flush();
    ::fdatasync(file.handle());
    const double ms = double(t.nsecsElapsed()) / 1e6;
    file.remove();
    return ms;
}

int fail(const char* what)
{
    std::fprintf(stderr, "bench_window_journal: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    registerLinkMetaTypes();
    const bool slowDisk = app.arguments().contains(QStringLiteral("--slow-disk"));

    if (slowDisk) {
        removeJournal();
        MainWindow window;
        window.show();
        std::printf("slow_disk_sync_ms %.1f ms\n", diskSyncMs());
        std::printf("gui_max_stall_ms_typing_slow_disk %.1f ms\n", typingStallMs(window));
        return 0;
    }

    // The first window of a process also loads fonts and styles: not counted.
    for (int count : {10, 1000, 10000}) {
        if (!leaveUnsaved(count))
            return fail("the journal could not be filled");
        double ms = -1;
        restoredWindow(count, &ms);
        if (ms < 0)
            return fail("the records were not restored");
        if (count > 10)
            std::printf("restore_window_%d_ms %.0f ms\n", count, ms);
    }
    // The window of the last restore holds 10,000 rows (again: the one before
    // was gone without a word, so its records are offered once more).
    double ms = -1;
    std::unique_ptr<MainWindow> window = restoredWindow(10000, &ms);
    if (ms < 0)
        return fail("the records were not restored");

    sim::SimBus& bus = sim::SimBus::instance();
    bus.setClockMode(sim::ClockMode::RealTime);
    bus.attach(sim::Model::RV718B);
    auto* import = window->findChild<QAction*>(QStringLiteral("actionImport_storage"));
    window->findChild<QAction*>(QStringLiteral("actionConnect"))->trigger();
    if (!QTest::qWaitFor([&] { return import->isEnabled(); }, 10000))
        return fail("the instrument did not connect");

    // A test seen running, then ended: the window appends its row.
    std::vector<double> appendMs;
    QAbstractItemModel* model = liveTable(*window)->model();
    for (int i = 0; i < 51; ++i) {
        ReceiveLiveData reading;
        reading.testState = 1;
        // Both in one go: a poll's reading between them would end the test unseen.
        QMetaObject::invokeMethod(window.get(), "showRealTimeData",
                                  Q_ARG(ReceiveLiveData, reading));
        const int before = model->rowCount();
        reading.testState = 2;
        QElapsedTimer t;
        t.start();
        QMetaObject::invokeMethod(window.get(), "showRealTimeData",
                                  Q_ARG(ReceiveLiveData, reading));
        settle(*window);
        appendMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (model->rowCount() != before + 1)
            return fail("no row was appended");
    }
    std::sort(appendMs.begin(), appendMs.end());
    std::printf("append_row_at_10000_ms %.2f ms\n", appendMs[appendMs.size() / 2]);
    std::printf("append_row_at_10000_max_ms %.2f ms\n", appendMs.back());
    std::printf("gui_max_stall_ms_typing %.1f ms\n", typingStallMs(*window));
    window.reset();

    // The same typing on a slow disk, in a process of its own.
    QProcess slow;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(SLOW_SYNC_LIBRARY));
    slow.setProcessEnvironment(env);
    slow.setProcessChannelMode(QProcess::ForwardedChannels);
    std::fflush(stdout);
    slow.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--slow-disk")});
    if (!slow.waitForFinished(120000) || slow.exitCode() != 0)
        return fail("the slow-disk run failed");
    return 0;
}
