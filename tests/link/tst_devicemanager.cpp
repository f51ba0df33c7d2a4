// The link worker against the simulated instrument: what goes on the wire,
// what comes back, the read-back loop and the life of the device handle.
#include "LinkHarness.h"
#include "SimBus.h"
#include "SimInstrument.h"

#include <QRegularExpression>
#include <QTranslator>
#include <QtTest>

using sim::Fault;
using sim::Model;
using sim::SimBus;
using sim::SimInstrument;

namespace {

// Answers every "DeviceManager" text with a marked copy, as a catalogue would.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* sourceText, const char* = nullptr,
                      int = -1) const override
    {
        if (qstrcmp(context, "DeviceManager") != 0)
            return QString();
        return QStringLiteral("EN:") + QString::fromUtf8(sourceText);
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class TestDeviceManager : public QObject
{
    Q_OBJECT

    SimBus& bus = SimBus::instance();

    // Attaches an instrument and opens it through the harness.
    SimInstrument* connectTo(LinkHarness& h, Model model = Model::RV718B)
    {
        SimInstrument* rv = bus.attach(model);
        emit h.connectUsbSignal(rv->path());
        if (!h.settle())
            return nullptr;
        return rv;
    }

private slots:
    void initTestCase() { registerLinkMetaTypes(); }

    void init()
    {
        bus.reset();
        bus.setClockMode(sim::ClockMode::Manual);
        bus.setInstantTimeouts(true);
    }

    // --- detection and connection ---------------------------------------------

    void detectionListsInstrumentsInEnumerationOrder()
    {
        LinkHarness h;
        emit h.detectDeviceSignal();
        QVERIFY(h.settle());
        QCOMPARE(h.detected, QList<QStringList>{QStringList()});

        SimInstrument* a = bus.attach(Model::RV718A);
        bus.attach(Model::RV718A, 0x046D, 0xC52B); // a mouse receiver, not an instrument
        SimInstrument* b = bus.attach(Model::RV718B);
        emit h.detectDeviceSignal();
        QVERIFY(h.settle());
        QCOMPARE(h.detected.last(), (QStringList{a->path(), b->path()}));
        QCOMPARE(h.detected.last(), (QStringList{"/dev/hidraw0", "/dev/hidraw2"}));
    }

    void connectWithEmptyPathTouchesNothing()
    {
        LinkHarness h;
        SimInstrument* rv = bus.attach(Model::RV718B);
        emit h.connectUsbSignal(QString());
        QVERIFY(h.settle());
        QCOMPARE(h.connects, (QList<QPair<bool, QString>>{{false, QString()}}));
        QCOMPARE(bus.openHandleCount(), 0);
        QVERIFY(rv->writeLog().isEmpty());
    }

    void connectOpensAndSwitchesToNonBlocking()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        QVERIFY(rv);
        QCOMPARE(h.connects, (QList<QPair<bool, QString>>{{true, rv->path()}}));
        QCOMPARE(bus.openHandleCount(), 1);
        QVERIFY(h.messages.isEmpty());
    }

    // The operator's bug report has to say which node failed and why.
    void failedOpenNamesPathAndReason()
    {
        DeviceManager dm; // on this thread, so the warning can be awaited here
        QList<QPair<bool, QString>> results;
        connect(&dm, &DeviceManager::finishUsbDetection, [&](bool ok, QString p) {
            results.append({ok, p});
        });

        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("cannot open /dev/hidraw7 .*No such file"));
        dm.connectSlot("/dev/hidraw7");

        SimInstrument* rv = bus.attach(Model::RV718A);
        rv->setFault(Fault::AccessDenied, true);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("cannot open /dev/hidraw0 .*Permission denied"));
        dm.connectSlot(rv->path());

        QCOMPARE(results, (QList<QPair<bool, QString>>{{false, QString()}, {false, QString()}}));
        QCOMPARE(bus.openHandleCount(), 0);
    }

    void reconnectClosesTheOldHandle()
    {
        LinkHarness h;
        SimInstrument* first = connectTo(h);
        SimInstrument* second = bus.attach(Model::RV718A);
        emit h.connectUsbSignal(second->path());
        QVERIFY(h.settle());
        QCOMPARE(bus.openHandleCount(), 1);
        emit h.liveTick();
        QVERIFY(h.settle());
        QVERIFY(first->writeLog().isEmpty());
        QCOMPARE(second->writeLog().size(), 1);
        // The new link counts as down until the new instrument answers.
        QCOMPARE(h.switchOns, 1);
    }

    void disconnectAndDestructionCloseTheHandle()
    {
        {
            LinkHarness h;
            connectTo(h);
            emit h.disConnectSignal();
            QVERIFY(h.settle());
            QCOMPARE(bus.openHandleCount(), 0);
            emit h.liveTick();
            QVERIFY(h.settle());
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

    // --- the wire -------------------------------------------------------------

    void everyRequestGoesOutPaddedByteForByte()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->addStoredRecords(2);
        emit h.getSystemInfoSignal();
        emit h.liveTick();
        emit h.startReadStoreTotalNum();
        emit h.stopCirculationSignal(false);
        emit h.startReadReadBackData();
        emit h.startTestingSignal();
        emit h.stopTestingSignal();
        emit h.updateTestSettingSignal(hex("000AABCD0600010003030D00"));
        emit h.updateTestSettingSignal(hex("000FABCD0B000100010000484103009900"));
        emit h.updateTestSettingSignal(QByteArray()); // sends nothing
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
        QCOMPARE(rv->writtenReports(), expected);
        for (int i = 0; i < log.size(); ++i) {
            QVERIFY2(log[i].accepted, qPrintable(log[i].raw.toHex()));
            QCOMPARE(log[i].raw.size(), 65);
            QCOMPARE(log[i].raw, expected[i] + QByteArray(65 - expected[i].size(), '\0'));
        }
        QCOMPARE(h.messages,
                 (QList<Message>{msg("", 6), msg("开始测试", 0), msg("停止测试", 0),
                                 msg("更新测量设置成功", 0), msg("更新测量设置成功", 0)}));
        QCOMPARE(rv->settings().currentIndex, 3);
        QCOMPARE(rv->settings().comparisonValue, 12.5f);
    }

    void messagesAreTranslatedInTheirContext()
    {
        MarkingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        LinkHarness h;
        connectTo(h);
        emit h.startTestingSignal();
        emit h.disConnectSignal();
        emit h.liveTick();
        QVERIFY(h.settle());
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(h.messages, (QList<Message>{msg("EN:开始测试", 0), msg("EN:设备未连接", 4)}));
    }

    void repliesGoOnUnchanged()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->addStoredRecords(1);
        emit h.getSystemInfoSignal();
        emit h.liveTick();
        emit h.liveTick();
        emit h.startReadStoreTotalNum();
        emit h.startReadReadBackData();
        QVERIFY(h.settle());

        QCOMPARE(h.identities.size(), 1);
        const Bytes& id = h.identities[0];
        QCOMPARE(id.size(), size_t(30));
        QVERIFY(frameIsSound(id));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(id.data()) + 6, 11),
                 QByteArray("RV718B     "));

        QCOMPARE(h.live.size(), 2);
        QCOMPARE(h.live[0].size(), size_t(64));
        QVERIFY(frameIsSound(h.live[0]));
        QCOMPARE(h.live[0][4], 0x05);

        QCOMPARE(h.totals, QList<int>{1});
        QCOMPARE(h.groups.size(), 1);
        QCOMPARE(h.groups[0].second, 1);
        QCOMPARE(h.groups[0].first.size(), size_t(35));
        QVERIFY(frameIsSound(h.groups[0].first));
        QCOMPARE(h.groups[0].first[5], 1);

        // The identity reply and the first poll each find the link down.
        QCOMPARE(h.switchOns, 2);
    }

    // --- store count and read-back ----------------------------------------------

    void readBackRequestsEveryGroupThenEnds()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->addStoredRecords(3);
        emit h.startReadStoreTotalNum();
        emit h.stopCirculationSignal(false);
        emit h.startReadReadBackData();
        QVERIFY(h.settle());
        QCOMPARE(h.totals, QList<int>{3});
        QCOMPARE(h.groups.size(), 3);
        for (int g = 1; g <= 3; ++g) {
            QCOMPARE(h.groups[g - 1].second, g);
            QCOMPARE(int(h.groups[g - 1].first[5]), g);
        }
        QCOMPARE(h.messages, QList<Message>{msg("", 6)});
        QCOMPARE(rv->writeLog().size(), 4);
    }

    void readBackWithStopSetSendsNothing()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->addStoredRecords(3);
        emit h.startReadStoreTotalNum();
        emit h.stopCirculationSignal(true);
        emit h.startReadReadBackData();
        QVERIFY(h.settle());
        QCOMPARE(h.messages, QList<Message>{msg("", 6)});
        QCOMPARE(rv->writeLog().size(), 1); // the count only
        QVERIFY(h.groups.isEmpty());
    }

    void stopFromAnotherThreadEndsTheLoop()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->addStoredRecords(200);
        emit h.startReadStoreTotalNum();
        emit h.stopCirculationSignal(false);
        emit h.startReadReadBackData();
        QTRY_VERIFY(!h.groups.isEmpty());
        h.dm->stopCirculation(true); // the window's direct call
        QVERIFY(h.settle());
        QVERIFY(h.groups.size() < 200);
        QCOMPARE(h.messages, QList<Message>{msg("", 6)});
    }

    void unansweredGroupIsReportedAndTheLoopGoesOn()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->addStoredRecords(3);
        emit h.startReadStoreTotalNum();
        QVERIFY(h.settle());
        rv->clearStoredRecords(); // groups 1..3 now go unanswered ...
        rv->addStoredRecords(1);  // ... except group 1
        emit h.startReadReadBackData();
        QVERIFY(h.settle());
        QCOMPARE(h.groups.size(), 1);
        QCOMPARE(h.messages, (QList<Message>{msg("读取第2组数据失败", 0),
                                             msg("读取第3组数据失败", 0), msg("", 6)}));
    }

    void storeCountOutsideOneTo200IsReported()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        emit h.startReadStoreTotalNum();
        QVERIFY(h.settle());
        QCOMPARE(h.messages, QList<Message>{msg("无存储数据", 2)});

        // 201 cannot be a count of a 200-group memory.
        rv->setFault(Fault::FieldOutOfRange, true);
        emit h.startReadStoreTotalNum();
        QVERIFY(h.settle());
        QCOMPARE(h.messages.last(), msg("读取存储数据失败", 2));
        QVERIFY(h.totals.isEmpty());

        // ... yet it is kept: a read-back started without a fresh count uses it.
        rv->setFault(Fault::FieldOutOfRange, false);
        rv->clearWriteLog();
        h.messages.clear();
        emit h.startReadReadBackData();
        QVERIFY(h.settle());
        QCOMPARE(rv->writeLog().size(), 201);
        QCOMPARE(h.messages.size(), 202);
        QCOMPARE(h.messages.last(), msg("", 6));
    }

    void countReplyOfAnotherKindIsUnusable()
    {
        LinkHarness h;
        SimInstrument* rv = connectTo(h);
        rv->addStoredRecords(5);
        rv->setFault(Fault::StrayReport, true); // a late acknowledgement comes first
        emit h.startReadStoreTotalNum();
        QVERIFY(h.settle());
        QCOMPARE(h.messages, QList<Message>{msg("读取存储数据失败", 2)});
        QVERIFY(h.totals.isEmpty());
    }
};

QTEST_MAIN(TestDeviceManager)
#include "tst_devicemanager.moc"
