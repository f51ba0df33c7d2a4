// The link worker on its own thread against the simulated instrument: what goes
// on the wire, what comes back, the read-back loop, faults and the device handle.
#include "FrameFixtures.h"
#include "LinkHarness.h"
#include "SimBus.h"
#include "SimInstrument.h"

#include <QElapsedTimer>

#include <tuple>

using sim::Fault;
using sim::Model;
using sim::SimInstrument;
using DM = DeviceManager;
using Bytes = LinkHarness::Bytes;
using Message = LinkHarness::Message;

namespace {

Message msg(const char* utf8, int type)
{
    return {QString::fromUtf8(utf8), type};
}

// One of the four exchanges followed by a settle pause: start, stop, time (a
// test-time setting), count.
void exchange(LinkHarness& h, const QString& name)
{
    if (name == QLatin1String("start"))
        h.post(&DM::requestStartTestingSlot);
    else if (name == QLatin1String("stop"))
        h.post(&DM::requestStopTestingSlot);
    else if (name == QLatin1String("time"))
        h.post(&DM::updateTestSettingSlot, QByteArray::fromHex("000AABCD06000100041E2900"));
    else
        h.post(&DM::readWriteStoreTotalNum);
}

} // namespace

class TestDeviceManager : public QObject
{
    Q_OBJECT

    sim::SimBus& bus = sim::SimBus::instance();

    SimInstrument* connectTo(LinkHarness& h, Model model = Model::RV718B)
    {
        SimInstrument* rv = bus.attach(model);
        h.post(&DM::connectSlot, rv->path());
        return h.settle() ? rv : nullptr;
    }

private slots:
    void initTestCase() { registerLinkMetaTypes(); }

    void init()
    {
        bus.reset();
        bus.setClockMode(sim::ClockMode::Manual);
        bus.setInstantTimeouts(true);
    }

    void detection()
    {
        LinkHarness h;
        h.post(&DM::detectDevices);
        QVERIFY(h.settle());
        SimInstrument* a = bus.attach(Model::RV718A);
        bus.attach(Model::RV718A, 0x046D, 0xC52B); // a mouse receiver, not an instrument
        SimInstrument* b = bus.attach(Model::RV718B);
        h.post(&DM::detectDevices);
        QVERIFY(h.settle());
        QCOMPARE(h.detected, (QList<QStringList>{{}, {a->path(), b->path()}}));
    }

    // An empty path, a reconnect, a disconnect and the destructor: never more
    // than one handle, none left behind.
    void handleLife()
    {
        {
            LinkHarness h;
            h.post(&DM::connectSlot, QString());
            QVERIFY(h.settle());
            QCOMPARE(bus.openHandleCount(), 0);
            SimInstrument* first = connectTo(h);
            SimInstrument* second = connectTo(h, Model::RV718A);
            QCOMPARE(bus.openHandleCount(), 1);
            h.poll();
            QVERIFY(h.settle());
            QCOMPARE(first->writeLog().size(), 0);
            QCOMPARE(second->writeLog().size(), 1);
            QCOMPARE(h.connects, (QList<QPair<bool, QString>>{
                                     {false, ""}, {true, first->path()}, {true, second->path()}}));

            h.post(&DM::disconnectSlot);
            h.poll();
            QVERIFY(h.settle());
            QCOMPARE(bus.openHandleCount(), 0);
            QCOMPARE(h.messages, QList<Message>{msg("设备未连接", 4)});
            connectTo(h);
            QCOMPARE(bus.openHandleCount(), 1);
        }
        QCOMPARE(bus.openHandleCount(), 0);
    }

    void hidExitOnceAfterTheLastManager()
    {
        auto* one = new DeviceManager;
        auto* two = new DeviceManager;
        QCOMPARE(bus.hidInitCalls(), 2);
        delete one;
        QCOMPARE(bus.hidExitCalls(), 0);
        delete two;
        QCOMPARE(bus.hidExitCalls(), 1);
    }

    void everyRequestGoesOutPaddedByteForByte()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->addStoredRecords(2);
        h.post(&DM::readWriteSystemInfo);
        h.poll();
        h.post(&DM::readWriteStoreTotalNum);
        h.post(&DM::stopCirculation, false);
        h.post(&DM::readWriteStorageDataSlot);
        h.post(&DM::requestStartTestingSlot);
        h.post(&DM::requestStopTestingSlot);
        h.post(&DM::updateTestSettingSlot, QByteArray::fromHex("000AABCD0600010003030D00"));
        h.post(&DM::updateTestSettingSlot,
               QByteArray::fromHex("000FABCD0B000100010000484103009900"));
        h.post(&DM::updateTestSettingSlot, QByteArray()); // sends nothing
        QVERIFY(h.settle());

        // Each slot sends its own request (their bytes: tst_frames), whole.
        const QByteArray commands = QByteArray::fromHex("110508070701010101");
        const QList<sim::SimWrite> log = rv->writeLog();
        QCOMPARE(log.size(), commands.size());
        for (int i = 0; i < log.size(); ++i) {
            QVERIFY2(log[i].accepted && log[i].raw.size() == 65, qPrintable(log[i].raw.toHex()));
            QCOMPARE(log[i].report.at(6), commands.at(i));
        }
        QCOMPARE(h.messages,
                 (QList<Message>{msg("", 6), msg("开始测试", 0), msg("停止测试", 0),
                                 msg("更新测量设置成功", 0), msg("更新测量设置成功", 0)}));
        QCOMPARE(rv->settings().comparisonValue, 12.5f);

        // Replies go on whole and unchanged; the identity reply and the first
        // poll each find the link down.
        QList<int> sizes;
        for (const Bytes& f : h.identities + h.live + QList<Bytes>{h.groups[0].first}) {
            QVERIFY(fixtures::sealed(f));
            sizes << int(f.size());
        }
        QCOMPARE(sizes, (QList<int>{30, 64, 35}));
        QCOMPARE(h.switchOns, 2);
    }

    // Ten groups against an instrument that misbehaves: only the reply
    // naming the group asked for fills that group; a run of unanswered
    // groups asks for the count, and only an instrument that does not answer
    // that either is lost; a write that fails ends the loop at once.
    void readBackFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QList<int>>("read");
        QTest::addColumn<int>("unread"); // groups reported as not read
        QTest::addColumn<Message>("end");
        QTest::addColumn<int>("counts"); // store-count requests within the loop
        const QList<int> all{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        QTest::newRow("stray report before each reply") << "stray" << all << 0 << msg("", 6) << 0;
        QTest::newRow("late reply of group 3")
            << "late 3" << QList<int>{1, 2, 4, 5, 6, 7, 8, 9, 10} << 1 << msg("", 6) << 0;
        QTest::newRow("groups 4-6 unanswered")
            << "silent 4 5 6" << QList<int>{1, 2, 3, 7, 8, 9, 10} << 3 << msg("", 6) << 1;
        // A reply ends a run of unanswered groups: three apart ask nothing.
        QTest::newRow("groups 2, 5, 9 unanswered")
            << "silent 2 5 9" << QList<int>{1, 3, 4, 6, 7, 8, 10} << 3 << msg("", 6) << 0;
        QTest::newRow("silent instrument")
            << "silence" << QList<int>() << 3 << msg("测试仪不再应答，存储数据读取中止", 4) << 1;
        QTest::newRow("stalled, the host's queue full")
            << "stall" << QList<int>() << 0 << msg("设备未连接", 4) << 0;
        QTest::newRow("broken link") << "broken" << QList<int>() << 0 << msg("设备未连接", 4) << 0;
        QTest::newRow("stopped already") << "stopped" << QList<int>() << 0 << msg("", 6) << 0;
    }
    void readBackFaults()
    {
        QFETCH(QString, fault);
        QFETCH(QList<int>, read);
        QFETCH(int, unread);
        QFETCH(Message, end);
        QFETCH(int, counts);
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->addStoredRecords(10);
        h.post(&DM::readWriteStoreTotalNum);
        QVERIFY(h.settle());
        QSet<int> groups;
        for (const QString& g : fault.split(' ').mid(1))
            groups << g.toInt();
        rv->setFault(Fault::StrayReport, fault == QLatin1String("stray"));
        rv->setFault(Fault::Silence, fault == QLatin1String("silence"));
        rv->setFault(Fault::Stall, fault == QLatin1String("stall"));
        rv->setFault(Fault::BrokenLink, fault == QLatin1String("broken"));
        fault.startsWith(QLatin1String("late")) ? rv->setLateGroups(groups)
                                                : rv->setSilentGroups(groups);
        for (int i = 0; fault == QLatin1String("stall") && i < sim::kStalledReportsQueued; ++i)
            h.post(&DM::readWriteStoreTotalNum); // unanswered, the link stays
        QVERIFY(h.settle());
        rv->clearWriteLog();
        h.messages.clear();
        h.post(&DM::stopCirculation, fault == QLatin1String("stopped"));
        h.post(&DM::readWriteStorageDataSlot);
        QVERIFY(h.settle());
        QVERIFY(fault != QLatin1String("stopped") || rv->writeLog().isEmpty());

        QList<int> delivered;
        for (const auto& [frame, group] : qAsConst(h.groups)) {
            QCOMPARE(int(frame[5]), group); // the group the reply names
            delivered << group;
        }
        QCOMPARE(delivered, read);
        QCOMPARE(h.messages.last(), end);
        QCOMPARE(h.messages.size() - 1, unread);
        QCOMPARE(rv->writtenReports().count(QByteArray::fromHex("0008ABCD040008000C00")), counts);
        QCOMPARE(rv->failedWrites(), fault == QLatin1String("stall") ? 1 : 0);
        QCOMPARE(bus.openHandleCount(), end.second == 4 ? 0 : 1);
    }

    // Silence costs three writes, then the failure as type 4 and with the
    // slot's own type; a refusal is written once; endless foreign reports
    // count as time-outs.
    void parameterExchanges_data()
    {
        QTest::addColumn<QString>("success");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("failureType");
        auto u = [](const char* text) { return QString::fromUtf8(text); };
        QTest::newRow("start") << u("开始测试") << u("请求开始测试失败") << 0;
        QTest::newRow("stop") << u("停止测试") << u("请求停止测试失败") << 0;
        QTest::newRow("time") << u("更新测量设置成功") << u("更新测量设置失败：测试时间") << 3;
    }
    void parameterExchanges()
    {
        QFETCH(QString, success);
        QFETCH(QString, failure);
        QFETCH(int, failureType);
        const QList<Message> failed{{failure, 4}, {failure, failureType}};
        const QList<std::tuple<Fault, int, QList<Message>>> cases{
            {Fault::Silence, 3, failed},
            {Fault::Refusal, 1, {{failure, failureType}}},
            {Fault::Babble, 3, failed}};
        LinkHarness h;
        for (const auto& [fault, writes, messages] : cases) {
            SimInstrument* rv = connectTo(h);
            rv->setFault(fault, true);
            h.messages.clear();
            exchange(h, QString::fromLatin1(QTest::currentDataTag()));
            QVERIFY(h.settle());
            QCOMPARE(rv->writeLog().size(), writes);
            QCOMPARE(h.messages, messages);
            // A link declared lost (type 4) is closed on the worker's side too.
            const bool lost = messages.first().second == 4;
            QCOMPARE(bus.openHandleCount(), lost ? 0 : 1);
        }
    }

    // After a start, a stop, a new test time and a store count the instrument
    // gets its settle pause before the next request, on the link thread.
    void settlePauseBeforeTheNextExchange_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* name : {"start", "stop", "time", "count"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void settlePauseBeforeTheNextExchange()
    {
        QFETCH(QString, kind);
        LinkHarness h;
        connectTo(h)->addStoredRecords(1);
        QElapsedTimer clock;
        clock.start();
        exchange(h, kind);
        h.poll();
        QVERIFY(h.settle());
        QVERIFY2(clock.elapsed() >= 200, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(bus.instruments().first()->writeLog().size(), 2);
    }

    // A poll without a whole reply closes the device, and the next poll says
    // so at once without touching the bus; a new connection brings it back.
    void lostLivePoll()
    {
        LinkHarness h;
        const int faults[] = {int(Fault::Silence), int(Fault::MissingSecondReport),
                              int(Fault::BrokenLink), int(Fault::Babble), -1 /* unplug */};
        for (int fault : faults) {
            SimInstrument* rv = connectTo(h);
            h.poll();
            QVERIFY(h.settle());
            QCOMPARE(h.switchOns, h.live.size()); // each new link comes up once
            fault < 0 ? rv->unplug() : rv->setFault(Fault(fault), true);
            h.messages.clear();
            h.poll();
            QVERIFY(h.settle());
            QCOMPARE(bus.openHandleCount(), 0);
            const int written = rv->writeLog().size();
            h.poll();
            QVERIFY(h.settle());
            QCOMPARE(rv->writeLog().size(), written);
            QCOMPARE(h.messages, (QList<Message>{msg("设备未连接", 4), msg("设备未连接", 4)}));
        }
        QCOMPARE(h.live.size(), 5);
    }

    // With real time-outs a silent instrument costs a whole time-out per read;
    // the exchange still ends by itself.
    void realTimeoutsEnd()
    {
        bus.setInstantTimeouts(false);
        LinkHarness h;
        connectTo(h)->setFault(Fault::Silence, true);
        h.post(&DM::readWriteSystemInfo);
        QVERIFY(h.settle(5000));
        QCOMPARE(h.messages, QList<Message>{msg("读取设备信息失败", 4)});
        QVERIFY(h.identities.isEmpty());
        QCOMPARE(bus.openHandleCount(), 0);
    }
};

QTEST_MAIN(TestDeviceManager)
#include "tst_devicemanager.moc"
