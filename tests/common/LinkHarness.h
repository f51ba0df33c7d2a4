#pragma once

// A DeviceManager on a thread of its own, reached through queued calls as the
// window reaches it; everything it reports is recorded on the test's thread.

#include "DeviceManager.h"

#include <QPair>
#include <QThread>
#include <QtTest>

#include <vector>

class LinkHarness : public QObject
{
public:
    using DM = DeviceManager;
    using Bytes = std::vector<unsigned char>;
    using Message = QPair<QString, int>;

    LinkHarness()
    {
        dm->moveToThread(&thread);
        connect(dm, &DM::detectedDeviceSignal, this, [this](QStringList p) { detected << p; });
        connect(dm, &DM::finishUsbDetection, this,
                [this](bool ok, QString path) { connects << qMakePair(ok, path); });
        connect(dm, &DM::upperSwitchOnSignal, this, [this] { ++switchOns; });
        connect(dm, &DM::finishReadRealTime, this, [this](Bytes f) { live << f; });
        connect(dm, &DM::finishReadStorageNumSignal, this, [this](int n) { totals << n; });
        connect(dm, &DM::finishReadReadBack, this,
                [this](Bytes f, int group) { groups << qMakePair(f, group); });
        connect(dm, &DM::stateProcessing, this,
                [this](QString text, int type) { messages << Message(text, type); });
        connect(dm, &DM::finishReadSystemInfo, this, [this](Bytes f) { identities << f; });
        thread.start();
    }
    ~LinkHarness() override
    {
        thread.quit();
        thread.wait();
        delete dm;
    }

    template <typename Slot, typename... Args> void post(Slot slot, Args... args)
    {
        QMetaObject::invokeMethod(
            dm, [target = dm, slot, args...] { (target->*slot)(args...); }, Qt::QueuedConnection);
    }
    void poll() { post(&DM::readWriteLiveDataSlot); }

    // Waits until everything posted so far has run and its signals arrived.
    bool settle(int timeoutMs = 20000)
    {
        const int target = ++posted;
        QMetaObject::invokeMethod(
            dm, [this] { QMetaObject::invokeMethod(this, [this] { ++done; }); },
            Qt::QueuedConnection);
        return QTest::qWaitFor([&] { return done >= target; }, timeoutMs);
    }

    // Forgets what was recorded (the count of links that came up stays).
    void clear()
    {
        detected.clear();
        connects.clear();
        live.clear();
        totals.clear();
        groups.clear();
        messages.clear();
        identities.clear();
    }

    DeviceManager* dm = new DeviceManager;
    QThread thread;
    QList<QStringList> detected;
    QList<QPair<bool, QString>> connects;
    int switchOns = 0;
    QList<Bytes> live;
    QList<int> totals;
    QList<QPair<Bytes, int>> groups;
    QList<Message> messages;
    QList<Bytes> identities;

private:
    int posted = 0;
    int done = 0;
};
