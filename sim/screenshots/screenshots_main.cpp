// Makes the README's pictures from the program itself: the real window
// against the simulated instrument, brought into each state the guide shows
// and grabbed offscreen. Run by scripts/screenshots; renew them whenever the
// window changes.
//
//   loop-tester-screenshots OUTPUT_DIR
#include "DialogSettings.h"
#include "FontSetup.h"
#include "HistoryWindow.h"
#include "Journal.h"
#include "MainWindow.h"
#include "PdfSettingDialog.h"
#include "Prompts.h"
#include "Records.h"
#include "SampleHistory.h"
#include "SimBus.h"
#include "SimInstrument.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTextEdit>

#include <cstdio>

namespace {

QString outputDir;
int failures = 0;

template <typename T> T* child(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        std::fprintf(stderr, "screenshots: no %s in the window\n", name);
        std::exit(1);
    }
    return found;
}

bool waitFor(const std::function<bool()>& condition, const char* what)
{
    if (QTest::qWaitFor(condition, 20000))
        return true;
    std::fprintf(stderr, "screenshots: gave up waiting for %s\n", what);
    ++failures;
    return false;
}

void save(QWidget& widget, const QString& name)
{
    QCoreApplication::processEvents();
    const QString path = outputDir + QLatin1Char('/') + name;
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
        ++failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

// Runs one test on the instrument with the given reading and remark, and
// waits until the window has seen it run and end.
void runTest(MainWindow& window, sim::SimInstrument* rv, double microOhm, const QString& remark)
{
    child<QTextEdit>(window, "textEdit_Remark")->setPlainText(remark);
    rv->setMeasuredResistance(microOhm);
    auto* update = child<QPushButton>(window, "pushButton_UpdatePara");
    rv->pressTestKey();
    waitFor([&] { return !update->isEnabled(); }, "the window to see the test run");
    sim::SimBus::instance().advanceClock(31000);
    waitFor([&] { return update->isEnabled(); }, "the window to see the test end");
}

// What the next tests measure, typed beside the remark.
void measure(MainWindow& window, const QString& object, const QString& point)
{
    child<QComboBox>(window, "comboBox_Object")->setEditText(object);
    child<QLineEdit>(window, "lineEdit_Point")->setText(point);
}

// Ends a test of a series (whose buttons stay locked) once the window shows
// it running, and waits for its row.
void runTestAlreadyStarted(MainWindow& window)
{
    auto* status = child<QLabel>(window, "label_TestStatus");
    const QString testing = QCoreApplication::translate("ParseData", "测试中...");
    waitFor([&] { return status->text() == testing; }, "the window to see the test run");
    const QAbstractItemModel* records = child<QTableView>(window, "tableView_LiveRecord")->model();
    const int before = records->rowCount();
    sim::SimBus::instance().advanceClock(31000);
    waitFor([&] { return records->rowCount() > before; }, "the window to see the test end");
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: loop-tester-screenshots OUTPUT_DIR\n");
        return 2;
    }
    outputDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputDir);
    QStandardPaths::setTestModeEnabled(true); // no settings or journal of the user's
    registerLinkMetaTypes();
    installFontSubstitutions();
    QApplication::setFont(QFont(QStringLiteral("Microsoft YaHei UI"), 10));

    sim::SimBus& bus = sim::SimBus::instance();
    bus.setClockMode(sim::ClockMode::Manual);
    sim::SimInstrument* rv = bus.attach(sim::Model::RV718B);
    rv->addStoredRecords(24);
    sim::InstrumentSettings settings = rv->settings();
    settings.comparisonOn = true;
    settings.comparisonValue = 300;
    settings.comparisonDecimals = 1;
    rv->setSettings(settings);

    // The language chosen in an earlier run would be where this one starts.
    QFile::remove(dialogSettingsPath(QStringLiteral("settingsLanguage.ini")));
    // A journal of an earlier run would be offered back: start without one.
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(Journal::defaultPath() + QLatin1String(suffix));
    sim::addSampleHistory(); // two earlier years of the breakers measured below
    MainWindow window;
    window.resize(1280, 720);
    window.show();
    child<QAction>(window, "actionConnect")->trigger();
    auto* test = child<QPushButton>(window, "pushButton_Test");
    waitFor([&] { return test->isEnabled(); }, "the instrument to connect");

    measure(window, sim::sampleBreaker(0), QStringLiteral("A"));
    runTest(window, rv, 125.4, QStringLiteral("1号主变 A 相"));
    measure(window, sim::sampleBreaker(0), QStringLiteral("B"));
    runTest(window, rv, 131.9, QStringLiteral("1号主变 B 相"));
    measure(window, sim::sampleBreaker(0), QStringLiteral("C"));
    runTest(window, rv, 347.2, QStringLiteral("1号主变 C 相：接头需复紧"));
    child<QTextEdit>(window, "textEdit_Remark")->clear();
    save(window, QStringLiteral("screenshot-live.png"));

    // The report of these three tests, written where the save dialog would
    // put it; scripts/screenshots turns its first page into a picture.
    prompts::setSaveFileHandler([](QWidget*, const QString&, const QString&, const QString&) {
        return outputDir + QStringLiteral("/report.pdf");
    });
    prompts::setOpenFileHandler([](const QString&) { return true; });
    child<QTextEdit>(window, "textEdit_Remark")
        ->setPlainText(QStringLiteral("三相回路电阻复测；C 相接头复紧后另行测量。"));
    child<QAction>(window, "actionExportToPDF")->trigger();
    if (auto* header = window.findChild<PdfSettingDialog*>()) {
        const QStringList fields = {
            QStringLiteral("lineEdit_Company"),     QStringLiteral("华东电力检修公司"),
            QStringLiteral("lineEdit_UserName"),    QStringLiteral("王工"),
            QStringLiteral("lineEdit_Contact"),     QStringLiteral("021-5555 0100"),
            QStringLiteral("lineEdit_TestObjName"), QStringLiteral("1号主变 110 kV 侧"),
            QStringLiteral("lineEdit_Scene"),       QStringLiteral("年度预防性试验")};
        for (int i = 0; i + 1 < fields.size(); i += 2)
            header->findChild<QLineEdit*>(fields.at(i))->setText(fields.at(i + 1));
        header->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        std::printf("%s\n", qPrintable(outputDir + QStringLiteral("/report.pdf")));
    } else {
        std::fprintf(stderr, "screenshots: the PDF settings dialog did not open\n");
        ++failures;
    }
    child<QTextEdit>(window, "textEdit_Remark")->clear();

    // The second breaker's poles, then the history of the first.
    for (const char* pole : {"A", "B", "C"}) {
        measure(window, sim::sampleBreaker(1), QLatin1String(pole));
        runTest(window, rv, 89.5 + pole[0] - 'A', QString());
    }
    child<QAction>(window, "actionHistory")->trigger();
    if (auto* history = window.findChild<HistoryWindow*>()) {
        history->refresh(sim::sampleBreaker(0));
        history->resize(1280, 720);
        save(*history, QStringLiteral("screenshot-history.png"));
        // Its report, which scripts/screenshots turns into a picture too.
        prompts::setSaveFileHandler([](QWidget*, const QString&, const QString&, const QString&) {
            return outputDir + QStringLiteral("/history.pdf");
        });
        child<QPushButton>(*history, "pushButton_HistoryPdf")->click();
        std::printf("%s\n", qPrintable(outputDir + QStringLiteral("/history.pdf")));
        history->close();
    } else {
        std::fprintf(stderr, "screenshots: the history window did not open\n");
        ++failures;
    }

    child<QAction>(window, "actionImport_storage")->trigger();
    auto* import = child<QAction>(window, "actionImport_storage");
    waitFor([&] { return import->isEnabled(); }, "the read-back to end");
    save(window, QStringLiteral("screenshot-storage.png"));

    // The live page again, in English, with tests of its own.
    child<QAction>(window, "actionLiveTestView")->trigger();
    // These records were only for the pictures: cleared without an export.
    prompts::setQuestionHandler([](QWidget*, const QString&, const QString&,
                                   const prompts::Choices&) { return QMessageBox::Discard; });
    child<QPushButton>(window, "pushButton_clear")->click();
    QAction* english = nullptr;
    for (QAction* action : child<QMenu>(window, "menuLanguage")->actions()) {
        if (action->data().toString() == QLatin1String("en"))
            english = action;
    }
    if (english) {
        english->trigger();
        waitFor([&] { return window.windowTitle() == QLatin1String("Loop Resistance Tester"); },
                "the English texts");
        waitFor([&] { return test->isEnabled(); }, "the readings to go on");
        runTest(window, rv, 126.1, QStringLiteral("Transformer 1, phase A"));
        runTest(window, rv, 130.7, QStringLiteral("Transformer 1, phase B"));
        runTest(window, rv, 352.8, QStringLiteral("Transformer 1, phase C: retighten the joint"));
        child<QTextEdit>(window, "textEdit_Remark")->clear();
        save(window, QStringLiteral("screenshot-live-en.png"));
    } else {
        std::fprintf(stderr, "screenshots: no English in the Language menu\n");
        ++failures;
    }

    // An automatic series of three in its first pause, the progress window
    // over the main window as the operator sees it.
    rv->setMeasuredResistance(127.6);
    QMetaObject::invokeMethod(&window, "startAutoTestSlot", Q_ARG(int, 3), Q_ARG(int, 10000));
    waitFor([&] { return rv->testState() == 1; }, "the series' first test");
    runTestAlreadyStarted(window);
    QWidget* progress = window.findChild<QWidget*>(QStringLiteral("AutoTestWindow"));
    if (progress && waitFor([&] { return progress->isVisible(); }, "the progress window")) {
        QTest::qWait(2500); // a few seconds into the pause
        QPixmap picture = window.grab();
        QPainter painter(&picture);
        painter.drawPixmap((picture.width() - progress->width()) / 2,
                           (picture.height() - progress->height()) / 2, progress->grab());
        painter.end();
        const QString path = outputDir + QStringLiteral("/screenshot-autotest.png");
        if (picture.save(path))
            std::printf("%s\n", qPrintable(path));
        else
            ++failures;
        child<QPushButton>(*progress, "pushButton_ExitAutoTest")->click();
    } else {
        ++failures;
    }

    return failures == 0 ? 0 : 1;
}
