#pragma once

// The window against the simulated instrument, set up as every window test
// needs it: a fresh bus on a manual clock, a window with no journal left by an
// earlier test, notices and file dialogs answered instead of a person.
#include "DeviceManager.h"
#include "DeviceSelectionDialog.h"
#include "JournalFiles.h"
#include "MainWindow.h"
#include "ParseData.h"
#include "Prompts.h"
#include "SimBus.h"
#include "SimInstrument.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <memory>

using sim::SimBus;
using sim::SimInstrument;

class WindowHarness : public QObject
{
protected:
    std::unique_ptr<MainWindow> w;
    QStringList notices;  // "title|text" of every notice
    QString chosenFile;   // what the save dialog answers
    QString proposedFile; // what it was offered
    QStringList opened;   // files handed to the desktop
    bool canOpen = true;  // whether the desktop has a program for them

    Ui::MainWindow* ui() { return w->ui; }
    QString status() { return w->ui->statusbar->currentMessage(); }
    int rows() { return w->liveRecordModel->rowCount(); }

    // Call from initTestCase().
    void installHandlers()
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
        prompts::setOpenFileHandler([this](const QString& path) {
            opened << path;
            return canOpen;
        });
    }

    // Call from init(): a new bus and a new window as at program start.
    void startFresh()
    {
        SimBus& bus = SimBus::instance();
        bus.reset();
        bus.setClockMode(sim::ClockMode::Manual);
        bus.setInstantTimeouts(true);
        notices.clear();
        opened.clear();
        canOpen = true;
        chosenFile.clear();
        w.reset();
        removeJournalFiles();
        startWindow();
    }

    // A new window over the journal as it is, polling every 50 ms.
    void startWindow()
    {
        w.reset();
        w = std::make_unique<MainWindow>();
        w->sampleIntervalSlot(50);
        QCoreApplication::processEvents(); // the restore question comes right after start
    }

    // Call from cleanup(): no handle outlives the window.
    void closeWindow()
    {
        if (w)
            QVERIFY(drain());
        w.reset();
        QCOMPARE(SimBus::instance().openHandleCount(), 0);
    }

    // Waits until the work queued so far on both worker threads has run and
    // what it sent back has been handled; two rounds, as the link's results
    // queue work for the decoder. False on a time-out.
    bool drain()
    {
        for (int round = 0; round < 2; ++round) {
            for (QObject* worker :
                 {static_cast<QObject*>(w->deviceManager), static_cast<QObject*>(w->parseData)}) {
                bool reached = !worker->thread()->isRunning();
                QMetaObject::invokeMethod(
                    worker, [&reached] { reached = true; }, Qt::QueuedConnection);
                if (!QTest::qWaitFor([&] { return reached; }, 20000))
                    return false;
            }
            QCoreApplication::processEvents();
        }
        return true;
    }

    // Connects to the single instrument attached and waits for the first reading.
    bool connectWindow()
    {
        ui()->actionConnect->trigger();
        return QTest::qWaitFor([&] { return w->isConnected; }, 5000) &&
               QTest::qWaitFor([&] { return !ui()->label_TestStatus->text().isEmpty(); }, 5000);
    }

    // An instrument attached with `stored` records, and the window connected to it.
    SimInstrument* attachAndConnect(sim::Model model = sim::Model::RV718B, int stored = 0)
    {
        SimInstrument* rv = SimBus::instance().attach(model);
        rv->addStoredRecords(stored);
        return connectWindow() ? rv : nullptr;
    }

    // Answers the instrument selection dialog with the instrument at `index`.
    bool choose(int index)
    {
        DeviceSelectionDialog* dialog = nullptr;
        if (!QTest::qWaitFor([&] { return (dialog = w->findChild<DeviceSelectionDialog*>()); }))
            return false;
        dialog->findChild<QComboBox*>()->setCurrentIndex(index);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return QTest::qWaitFor([&] { return w->isConnected; }, 5000);
    }

    // One test started on the instrument and run to its end (30 s at its
    // settings), until its row is in the table.
    bool runTest(SimInstrument* rv)
    {
        const int before = rows();
        rv->pressTestKey();
        if (!QTest::qWaitFor([&] { return w->testRunning; }, 5000))
            return false;
        SimBus::instance().advanceClock(31000);
        return QTest::qWaitFor([&] { return rows() == before + 1; }, 5000);
    }

    // Chooses a language from the menu and lets the window handle the change.
    void chooseLanguage(const char* code)
    {
        for (QAction* action : qAsConst(w->languageActions))
            if (action->data().toString() == QLatin1String(code))
                action->trigger();
        QCoreApplication::sendPostedEvents();
    }

    // Reports written to the instrument that start with the given hex prefix.
    static int writesStartingWith(SimInstrument* rv, const char* prefix)
    {
        int n = 0;
        for (const QByteArray& r : rv->writtenReports())
            n += r.startsWith(QByteArray::fromHex(prefix));
        return n;
    }
};
