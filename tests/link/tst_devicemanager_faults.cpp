// The link worker against a misbehaving instrument: silence, refusals, stray
// and endless foreign reports, replies cut short and a link that breaks.
#include "LinkHarness.h"
#include "SimBus.h"
#include "SimInstrument.h"

#include <QtTest>

using sim::Fault;
using sim::Model;
using sim::SimBus;
using sim::SimInstrument;

class TestDeviceManagerFaults : public QObject
{
    Q_OBJECT

    SimBus& bus = SimBus::instance();

    SimInstrument* connectTo(LinkHarness& h, Model model = Model::RV718B)
    {
        SimInstrument* rv = bus.attach(model);
        emit h.connectUsbSignal(rv->path());
        if (!h.settle())
            return nullptr;
        return rv;
    }

    // Emits the signal that makes the link worker send a parameter frame.
    static void sendParameterExchange(LinkHarness& h, const QString& which)
    {
        if (which == "start")
            emit h.startTestingSignal();
        else if (which == "stop")
            emit h.stopTestingSignal();
        else
            emit h.updateTestSettingSignal(hex("000AABCD06000100041E2900")); // 30 s
    }

private slots:
    void initTestCase() { registerLinkMetaTypes(); }

    void init()
    {
        bus.reset();
        bus.setClockMode(sim::ClockMode::Manual);
        bus.setInstantTimeouts(true);
    }

    // --- parameter writes: time-outs, refusals, foreign replies ---------------

    void parameterExchanges_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("success");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("failureType");
        QTest::newRow("start") << "start"
                               << "开始测试"
                               << "请求开始测试失败" << 0;
        QTest::newRow("stop") << "stop"
                              << "停止测试"
                              << "请求停止测试失败" << 0;
        QTest::newRow("setting") << "setting"
                                 << "更新测量设置成功"
                                 << "更新测量设置失败" << 3;
    }

    void parameterExchanges()
    {
        QFETCH(QString, which);
        QFETCH(QString, success);
        QFETCH(QString, failure);
        QFETCH(int, failureType);
        LinkHarness h;
        SimInstrument* rv = connectTo(h);

        // Silent: written three times, then the failure twice, type 4 first.
        rv->setFault(Fault::Silence, true);
        sendParameterExchange(h, which);
        QVERIFY(h.settle());
        QCOMPARE(rv->writeLog().size(), 3);
        QCOMPARE(h.messages, (QList<Message>{{failure, 4}, {failure, failureType}}));

        // Refused: written once, reported once with the slot's own type.
        rv->setFault(Fault::Silence, false);
        rv->setFault(Fault::Refusal, true);
        rv->clearWriteLog();
        h.messages.clear();
        sendParameterExchange(h, which);
        QVERIFY(h.settle());
        QCOMPARE(rv->writeLog().size(), 1);
        QCOMPARE(h.messages, (QList<Message>{{failure, failureType}}));

        // A foreign report ahead of the acknowledgement: the frame goes again.
        rv->setFault(Fault::Refusal, false);
        rv->setFault(Fault::StrayReport, true);
        rv->clearWriteLog();
        h.messages.clear();
        sendParameterExchange(h, which);
        QVERIFY(h.settle());
        QCOMPARE(rv->writeLog().size(), 2);
        QCOMPARE(h.messages, (QList<Message>{{success, 0}}));
    }

    void refusedOutOfRangeCurrent()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h, Model::RV718A);
        emit h.updateTestSettingSignal(hex("000AABCD06000100030B1500")); // index 11: 110 A
        emit h.updateTestSettingSignal(hex("000AABCD06000100030A1400")); // index 10: 100 A
        QVERIFY(h.settle());
        QCOMPARE(h.messages,
                 (QList<Message>{msg("更新测量设置失败", 3), msg("更新测量设置成功", 0)}));
        QCOMPARE(rv->settings().currentIndex, 10);
    }

    // An instrument that never stops talking must not hold the link thread.
    void foreignRepliesAreBounded_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("babble") << int(Fault::Babble);
        QTest::newRow("wrong command code") << int(Fault::WrongCommand);
    }

    void foreignRepliesAreBounded()
    {
        QFETCH(int, fault);
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->setFault(Fault(fault), true);
        emit h.startTestingSignal();
        QVERIFY(h.settle());
        // Eight foreign replies count as one timed-out read; three of those fail.
        QCOMPARE(rv->writeLog().size(), 24);
        QCOMPARE(h.messages,
                 (QList<Message>{msg("请求开始测试失败", 4), msg("请求开始测试失败", 0)}));
        QCOMPARE(bus.openHandleCount(), 1);
    }

    // --- live poll ------------------------------------------------------------

    void strayReportBeforeLiveReplyIsSkipped()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->setFault(Fault::StrayReport, true);
        emit h.liveTick();
        QVERIFY(h.settle());
        QCOMPARE(h.live.size(), 1);
        QVERIFY(frameIsSound(h.live[0]));
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(rv->writeLog().size(), 1);
    }

    void babblingLivePollFailsAndCloses()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->setFault(Fault::Babble, true);
        emit h.liveTick();
        QVERIFY(h.settle());
        QVERIFY(h.live.isEmpty());
        QCOMPARE(h.messages, QList<Message>{msg("设备未连接", 4)});
        QCOMPARE(bus.openHandleCount(), 0);
    }

    void lostLivePoll_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("silence") << int(Fault::Silence);
        QTest::newRow("second report missing") << int(Fault::MissingSecondReport);
        QTest::newRow("broken link") << int(Fault::BrokenLink);
        QTest::newRow("unplugged") << -1;
    }

    void lostLivePoll()
    {
        QFETCH(int, fault);
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        emit h.liveTick();
        QVERIFY(h.settle());
        QCOMPARE(h.switchOns, 1);
        if (fault < 0)
            rv->unplug();
        else
            rv->setFault(Fault(fault), true);
        emit h.liveTick();
        QVERIFY(h.settle());
        QCOMPARE(h.live.size(), 1);
        QCOMPARE(h.messages, QList<Message>{msg("设备未连接", 4)});
        QCOMPARE(bus.openHandleCount(), 0);

        // The device is closed: the next poll says so without touching the bus.
        const int written = rv->writeLog().size();
        emit h.liveTick();
        QVERIFY(h.settle());
        QCOMPARE(h.messages, (QList<Message>{msg("设备未连接", 4), msg("设备未连接", 4)}));
        QCOMPARE(rv->writeLog().size(), written);

        // Once the instrument is back, a new connection brings the link up again.
        rv->clearFaults();
        if (fault < 0)
            rv->plug();
        emit h.connectUsbSignal(rv->path());
        emit h.liveTick();
        QVERIFY(h.settle());
        QCOMPARE(h.live.size(), 2);
        QCOMPARE(h.switchOns, 2);
    }

    void liveReplyOfAnotherKindIsNotPassedOn()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->setFault(Fault::WrongCommand, true);
        emit h.liveTick();
        QVERIFY(h.settle());
        QVERIFY(h.live.isEmpty());
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(h.switchOns, 1); // yet the instrument did answer
    }

    // --- other exchanges ------------------------------------------------------

    void identityFailures()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->setFault(Fault::Silence, true);
        emit h.getSystemInfoSignal();
        QVERIFY(h.settle());
        QCOMPARE(h.messages, QList<Message>{msg("读取设备信息失败", 4)});
        QCOMPARE(h.switchOns, 0);

        rv->setFault(Fault::Silence, false);
        rv->setFault(Fault::WrongCommand, true);
        emit h.getSystemInfoSignal();
        QVERIFY(h.settle());
        QCOMPARE(h.messages.last(), msg("读取设备信息失败", 0));
        QCOMPARE(h.switchOns, 1);
        QVERIFY(h.identities.isEmpty());
        QCOMPARE(bus.openHandleCount(), 1);
    }

    void brokenLinkDuringCountAndReadBack()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->addStoredRecords(4);
        emit h.startReadStoreTotalNum();
        QVERIFY(h.settle());
        rv->setFault(Fault::BrokenLink, true);
        emit h.startReadStoreTotalNum();
        emit h.startReadReadBackData();
        QVERIFY(h.settle());
        // No type 6: the loop did not end, the link did.
        QCOMPARE(h.messages, (QList<Message>{msg("设备未连接", 4), msg("设备未连接", 4)}));
        QVERIFY(h.groups.isEmpty());
        QCOMPARE(bus.openHandleCount(), 1); // only a failed live poll closes
    }

    // With real time-outs, a silent instrument costs a whole read time-out per
    // try; the exchange still ends by itself.
    void realTimeoutsEnd()
    {
        bus.setInstantTimeouts(false);
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->setFault(Fault::Silence, true);
        emit h.getSystemInfoSignal();
        QVERIFY(h.settle(5000));
        QCOMPARE(h.messages, QList<Message>{msg("读取设备信息失败", 4)});
    }
};

QTEST_MAIN(TestDeviceManagerFaults)
#include "tst_devicemanager_faults.moc"
