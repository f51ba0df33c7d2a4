// Automatic runs: a chosen number of tests with a pause between the end of
// one and the start of the next, watched in a small progress window.
#include "MainWindow.h"

#include "AutoTestDialog.h"
#include "AutoTestLogic.h"
#include "Protocol.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTimeLine>
#include <QTimer>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcAutoTest, "lt.autotest", QtInfoMsg)

namespace {
const char* const kWindowName = "AutoTestWindow";
const char* const kProgressName = "label_AutoTestProgress";
const char* const kCountdownName = "label_AutoTestCountdown";
const char* const kExitName = "pushButton_ExitAutoTest";
} // namespace

void MainWindow::on_actionAutomatic_measurement_triggered()
{
    auto* dialog = new AutoTestDialog(this);
    connect(dialog, &AutoTestDialog::startAutoTestSignal, this, &MainWindow::startAutoTestSlot);
    dialog->show();
}

void MainWindow::startAutoTestSlot(int count, int intervalMs)
{
    // The dialog is modeless: it may be answered after the link was lost,
    // during a read-back, or after another dialog already started a run.
    // A second run would leave the first one's window and time-line wiring
    // behind and send every start twice.
    if (!isConnected) {
        ui->statusbar->showMessage(tr("设备未连接"));
        return;
    }
    if (autoTestActive) {
        ui->statusbar->showMessage(tr("自动测试已在进行中"));
        return;
    }
    if (storageReading || ui->stackedWidget->currentIndex() == 1) {
        ui->statusbar->showMessage(tr("自动测试只能在实时测试页面进行"));
        return;
    }

    lockForAutoTest();
    showAutoTestLockNotice();
    autoTestInterval = intervalMs;
    autoTestCount = count;
    autoTestDone = 0;
    autoTestWaiting = false;
    qCDebug(lcAutoTest) << "run of" << count << "tests, pause" << intervalMs << "ms";

    autoTestWindow = buildAutoTestWindow();
    auto* progress = autoTestWindow->findChild<QLabel*>(kProgressName);
    auto* countdown = autoTestWindow->findChild<QLabel*>(kCountdownName);
    // Connected with this run's window as context and removed with it, so a
    // later run's pause never writes to these labels or schedules a start.
    connect(autoTestTimeLine, &QTimeLine::frameChanged, autoTestWindow,
            [this, progress, countdown](int frame) {
                showAutoTestCountdown(frame, progress, countdown);
            });
    connect(autoTestTimeLine, &QTimeLine::finished, autoTestWindow,
            [this, countdown] { autoTestPauseEnded(countdown); });
    connect(autoTestWindow->findChild<QPushButton*>(kExitName), &QPushButton::clicked, this,
            &MainWindow::stopAutoTest);
    autoTestWindow->show();
    autoTestActive = true;

    // A test already running when the run starts is its first test.
    if (!testRunning)
        startTest();
}

QWidget* MainWindow::buildAutoTestWindow()
{
    auto* window = new QWidget(this);
    window->setObjectName(kWindowName);
    // A dialog of the main window: the window system keeps it above the main
    // window, so a click there never hides the run's exit button. The run
    // ends through that button only, so it never goes on behind a window the
    // operator closed.
    window->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    window->setWindowTitle(tr("自动测试"));
    window->setFixedSize(400, 200);
    window->setFont(QFont(QStringLiteral("Microsoft YaHei UI"), 11));

    auto* layout = new QVBoxLayout(window);
    auto* title = new QLabel(tr("正在进行自动测试···"), window);
    title->setObjectName(QStringLiteral("label_AutoTestTitle"));
    auto* progress = new QLabel(window);
    progress->setObjectName(kProgressName);
    auto* countdown = new QLabel(window);
    countdown->setObjectName(kCountdownName);
    for (QLabel* label : {title, progress, countdown}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    auto* exit = new QPushButton(tr("退出自动测试"), window);
    exit->setObjectName(kExitName);
    layout->addWidget(exit);

    // Over the main window rather than wherever the window system puts a
    // new window, so the operator sees it appear.
    window->move(frameGeometry().center() - window->rect().center());
    return window;
}

void MainWindow::autoTestTestRunning()
{
    if (!autoTestActive)
        return;
    lockForAutoTest();
    // Once per test, after the link's own word on the start.
    if (previousTestState != teststate::Testing)
        showAutoTestLockNotice();
    // A test started on the instrument (or with the test button) during the
    // pause ends the pause now and counts as the next test; the pause's end
    // then finds it running and sends no start of its own.
    if (autoTestWaiting && autoTestTimeLine->state() == QTimeLine::Running)
        autoTestTimeLine->setCurrentTime(autoTestTimeLine->duration());
    autoTestWaiting = false;
}

void MainWindow::autoTestTestEnded()
{
    if (!autoTestActive)
        return;
    ++autoTestDone;
    qCDebug(lcAutoTest) << "test" << autoTestDone << "of" << autoTestCount << "ended";
    if (autoTestDone >= autoTestCount) {
        stopAutoTest();
        return;
    }
    if (autoTestTimeLine->state() == QTimeLine::Running)
        return;
    // QTimeLine refuses a duration of 0 and would keep the previous one.
    autoTestTimeLine->setDuration(qMax(1, autoTestInterval));
    autoTestTimeLine->setFrameRange(0, autotestlogic::pauseEndFrame(autoTestInterval));
    autoTestTimeLine->start();
    autoTestWaiting = true;
    showAutoTestLockNotice();
    // The time line reports a frame only when it changes; a first pause
    // starts on the frame it already stands on, so the count would stay
    // blank until its second frame.
    showAutoTestCountdown(autoTestTimeLine->currentFrame(),
                          autoTestWindow->findChild<QLabel*>(kProgressName),
                          autoTestWindow->findChild<QLabel*>(kCountdownName));
}

void MainWindow::showAutoTestCountdown(int frame, QLabel* progress, QLabel* countdown)
{
    const int seconds = autotestlogic::countdownSeconds(
        frame, autoTestTimeLine->startFrame(), autoTestTimeLine->endFrame(), autoTestInterval);
    countdown->setText(QString::number(seconds) + QStringLiteral(" s"));
    progress->setText(QStringLiteral("%1/%2").arg(autoTestDone).arg(autoTestCount));
}

void MainWindow::autoTestPauseEnded(QLabel* countdown)
{
    countdown->clear();
    if (!autoTestWaiting)
        return;
    // Deferred, so that a test the instrument started itself (which ended
    // the pause early) is already recorded as running when this decides.
    QTimer::singleShot(0, this, [this] {
        autoMeasurement();
        autoTestWaiting = false;
    });
}

void MainWindow::autoMeasurement()
{
    // The run may have been abandoned or the link lost since this was asked for.
    if (autoTestActive && isConnected && !testRunning)
        startTest();
}

void MainWindow::stopAutoTest()
{
    qCDebug(lcAutoTest) << "run ended after" << autoTestDone << "of" << autoTestCount << "tests";
    closeAutoTestRun();
    // A test still running keeps its actions locked until its reading shows
    // it ended; that reading then brings every action back.
    if (testRunning)
        return;
    setLivePageActionsEnabled(true);
    setStorageActionsEnabled(true);
    setLanguageActionsEnabled(true);
    ui->pushButton_UpdatePara->setEnabled(true);
    ui->pushButton_Test->setEnabled(true);
    setRecordButtonsEnabled(true);
}

void MainWindow::showAutoTestLockNotice()
{
    ui->statusbar->showMessage(
        tr("自动测试进行中：设置、测试按钮和记录操作已锁定，点击“退出自动测试”可结束"));
}

void MainWindow::endAutoTestOnDisconnection()
{
    if (autoTestActive)
        qCDebug(lcAutoTest) << "run ended by the lost link";
    closeAutoTestRun();
}

void MainWindow::closeAutoTestRun()
{
    // Stopping emits no finished(), so no further start is scheduled.
    if (autoTestTimeLine->state() == QTimeLine::Running)
        autoTestTimeLine->stop();
    autoTestCount = 0;
    autoTestDone = 0;
    autoTestActive = false;
    autoTestWaiting = false;
    if (autoTestWindow) {
        disconnect(autoTestTimeLine, nullptr, autoTestWindow, nullptr);
        autoTestWindow->close();
        autoTestWindow->deleteLater();
        autoTestWindow = nullptr;
    }
}
