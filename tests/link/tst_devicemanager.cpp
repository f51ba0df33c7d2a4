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

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

Message msg(const char* utf8, int type)
{
    return {QString::fromUtf8(utf8), type};
}

} // namespace

// The link harness with the four exchanges that are followed by a settle pause.
class Link : public LinkHarness
{
public:
    // One exchange by name: start, stop, time (a test-time setting), count.
    void exchange(const QString& name)
    {
        if (name == QLatin1String("start"))
            post(&DM::requestStartTestingSlot);
        else if (name == QLatin1String("stop"))
            post(&DM::requestStopTestingSlot);
        else if (name == QLatin1String("time"))
            post(&DM::updateTestSettingSlot, QByteArray::fromHex("000AABCD06000100041E2900"));
        else
            post(&DM::readWriteStoreTotalNum);
    }
};

class TestDeviceManager : public QObject
{
    Q_OBJECT

    sim::SimBus& bus = sim::SimBus::instance();

    SimInstrument* connectTo(Link& h, Model model = Model::RV718B)
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
        Link h;
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
            Link h;
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
        Link h;
        SimInstrument* rv = connectTo(h);
        rv->addStoredRecords(2);
        h.post(&DM::readWriteSystemInfo);
        h.poll();
        h.post(&DM::readWriteStoreTotalNum);
        h.post(&DM::stopCirculation, false);
        h.post(&DM::readWriteStorageDataSlot);
        h.post(&DM::requestStartTestingSlot);
        h.post(&DM::requestStopTestingSlot);
        h.post(&DM::updateTestSettingSlot, hex("000AABCD0600010003030D00"));
        h.post(&DM::updateTestSettingSlot, hex("000FABCD0B000100010000484103009900"));
        h.post(&DM::updateTestSettingSlot, QByteArray()); // sends nothing
        QVERIFY(h.settle());

        const QList<QByteArray> expected{
            hex("0008ABCD040011001500"),               // identity
            hex("0008ABCD040005000900"),               // live
            hex("0008ABCD040008000C00"),               // store count
            hex("0009ABCD05000700010D00"),             // group 1
            hex("0009ABCD05000700020E00"),             // group 2
            hex("000AABCD0600010000AAB100"),           // start
            hex("000AABCD0600010000000700"),           // stop
            hex("000AABCD0600010003030D00"),           // current index 3
            hex("000FABCD0B000100010000484103009900"), // 12.5 μΩ
        };
        const QList<sim::SimWrite> log = rv->writeLog();
        QCOMPARE(log.size(), expected.size());
        for (int i = 0; i < log.size(); ++i) {
            QVERIFY2(log[i].accepted, qPrintable(log[i].raw.toHex()));
            QCOMPARE(log[i].raw, expected[i] + QByteArray(65 - expected[i].size(), '\0'));
        }
        QCOMPARE(h.messages,
                 (QList<Message>{msg("", 6), msg("开始测试", 0), msg("停止测试", 0),
                                 msg("更新测量设置成功", 0), msg("更新测量设置成功", 0)}));
        QCOMPARE(rv->settings().comparisonValue, 12.5f);

        // Replies go on whole and unchanged; the identity reply and the first
        // poll each find the link down.
        QList<Bytes> replies = h.identities + h.live;
        for (const auto& group : h.groups)
            replies << group.first;
        QList<int> sizes;
        for (const Bytes& f : replies) {
            QVERIFY(fixtures::sealed(f));
            sizes << int(f.size());
        }
        QCOMPARE(sizes, (QList<int>{30, 64, 35, 35}));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(replies[0].data()) + 6, 11),
                 QByteArray("RV718B     "));
        QCOMPARE(h.groups[1].second, 2);
        QCOMPARE(int(replies[3][5]), 2);
        QCOMPARE(h.switchOns, 2);
    }

    void readBackLoop()
    {
        Link h;
        SimInstrument* rv = connectTo(h);
        rv->addStoredRecords(3);
        h.post(&DM::readWriteStoreTotalNum);
        h.post(&DM::stopCirculation, true); // stopped already: no request at all
        h.post(&DM::readWriteStorageDataSlot);
        QVERIFY(h.settle());
        QCOMPARE(h.totals, QList<int>{3});
        QCOMPARE(h.messages, QList<Message>{msg("", 6)});
        QCOMPARE(rv->writeLog().size(), 1);

        rv->clearStoredRecords(); // groups 2 and 3 now go unanswered
        rv->addStoredRecords(1);
        h.messages.clear();
        h.post(&DM::stopCirculation, false);
        h.post(&DM::readWriteStorageDataSlot);
        QVERIFY(h.settle());
        QCOMPARE(h.groups.size(), 1);
        QCOMPARE(h.groups[0].second, 1);
        QCOMPARE(int(h.groups[0].first[5]), 1);
        QCOMPARE(h.messages, (QList<Message>{msg("读取第2组数据失败", 0),
                                             msg("读取第3组数据失败", 0), msg("", 6)}));
        QCOMPARE(rv->writeLog().size(), 4);

        // The window stops the loop with a direct call from its own thread.
        rv->addStoredRecords(199);
        h.messages.clear();
        h.groups.clear();
        h.post(&DM::readWriteStoreTotalNum);
        h.post(&DM::readWriteStorageDataSlot);
        QTRY_VERIFY(!h.groups.isEmpty());
        h.dm->stopCirculation(true);
        QVERIFY(h.settle());
        QVERIFY(h.groups.size() < 200);
        QCOMPARE(h.messages, QList<Message>{msg("", 6)});

        // A broken link ends the loop with no type 6.
        rv->setFault(Fault::BrokenLink, true);
        h.messages.clear();
        h.post(&DM::stopCirculation, false);
        h.post(&DM::readWriteStorageDataSlot);
        QVERIFY(h.settle());
        QCOMPARE(h.messages, QList<Message>{msg("设备未连接", 4)});
        QCOMPARE(bus.openHandleCount(), 0);
    }

    void unusableStoreCount()
    {
        Link h;
        SimInstrument* rv = connectTo(h);
        h.post(&DM::readWriteStoreTotalNum);
        QVERIFY(h.settle());
        rv->setFault(Fault::FieldOutOfRange, true); // a count of 201
        h.post(&DM::readWriteStoreTotalNum);
        QVERIFY(h.settle());
        rv->clearFaults();
        rv->addStoredRecords(5);
        rv->setFault(Fault::StrayReport, true); // a late acknowledgement comes first
        h.post(&DM::readWriteStoreTotalNum);
        QVERIFY(h.settle());
        QCOMPARE(h.messages, (QList<Message>{msg("无存储数据", 2), msg("读取存储数据失败", 2),
                                             msg("读取存储数据失败", 2)}));
        QVERIFY(h.totals.isEmpty());
    }

    // Silence costs three writes, then the failure as type 4 and with the
    // slot's own type; a refusal is written once; a stray report makes the
    // frame go again; endless foreign reports count as time-outs.
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
            {Fault::StrayReport, 2, {{success, 0}}},
            {Fault::Babble, 24, failed}};
        Link h;
        for (const auto& [fault, writes, messages] : cases) {
            SimInstrument* rv = connectTo(h);
            rv->setFault(fault, true);
            h.messages.clear();
            h.exchange(QString::fromLatin1(QTest::currentDataTag()));
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
        QTest::addColumn<QString>("exchange");
        for (const char* name : {"start", "stop", "time", "count"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void settlePauseBeforeTheNextExchange()
    {
        QFETCH(QString, exchange);
        Link h;
        connectTo(h)->addStoredRecords(1);
        QElapsedTimer clock;
        clock.start();
        h.exchange(exchange);
        h.poll();
        QVERIFY(h.settle());
        QVERIFY2(clock.elapsed() >= 200, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(bus.instruments().first()->writeLog().size(), 2);
    }

    // A stray report before the live reply is skipped; a reply of another kind
    // is not passed on, yet the instrument did answer.
    void livePollSkipsForeignReports()
    {
        Link h;
        SimInstrument* rv = connectTo(h);
        rv->setFault(Fault::StrayReport, true);
        h.poll();
        QVERIFY(h.settle());
        QCOMPARE(h.live.size(), 1);
        QVERIFY(fixtures::sealed(h.live[0]));
        QCOMPARE(rv->writeLog().size(), 1);
        rv->clearFaults();
        rv->setFault(Fault::WrongCommand, true);
        h.poll();
        QVERIFY(h.settle());
        QCOMPARE(h.live.size(), 1);
        QCOMPARE(h.rejected, 1);
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(h.switchOns, 1);
    }

    // A poll without a whole reply closes the device, and the next poll says
    // so at once without touching the bus; a new connection brings it back.
    void lostLivePoll()
    {
        Link h;
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
        Link h;
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
