// The simulated instrument on its own, through the hidapi functions the link
// uses: the test sequence it runs, its judgement, its refusals, how it takes
// reports, its faults, its paths and handles, and the hot-plug source over it.
#include "HotplugMonitor.h"
#include "SimBus.h"
#include "SimInstrument.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <hidapi.h>

#include <cstring>

using sim::Fault;
using sim::Model;
using sim::SimBus;
using sim::SimInstrument;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// Requests as the link sends them (report ID, count, frame).
const char* const kLive = "0008ABCD040005000900";
const char* const kCount = "0008ABCD040008000C00";
const char* const kStart = "000AABCD0600010000AAB100";

int write(hid_device* dev, const QByteArray& report)
{
    return hid_write(dev, reinterpret_cast<const unsigned char*>(report.constData()),
                     size_t(report.size()));
}

// Every input report waiting on the handle (time-outs are instant in these tests).
QList<QByteArray> drain(hid_device* dev)
{
    QList<QByteArray> reports;
    unsigned char buffer[64];
    int n;
    while ((n = hid_read_timeout(dev, buffer, sizeof buffer, 1000)) > 0)
        reports.append(QByteArray(reinterpret_cast<const char*>(buffer), n));
    return reports;
}

// Writes a request and joins the frame bytes of every report that answers it.
QByteArray ask(hid_device* dev, const QByteArray& report)
{
    write(dev, report);
    QByteArray frame;
    for (const QByteArray& r : drain(dev))
        frame.append(r.mid(1, quint8(r.at(0))));
    return frame;
}

bool checksumOk(const QByteArray& f)
{
    if (f.size() < 7 || (quint8(f[2]) | (quint8(f[3]) << 8)) != f.size() - 4)
        return false;
    unsigned sum = 0;
    for (int i = 2; i < f.size() - 2; ++i)
        sum += quint8(f[i]);
    return (sum & 0xFFFF) == unsigned(quint8(f[f.size() - 2]) | (quint8(f[f.size() - 1]) << 8));
}

float floatAt(const QByteArray& f, int at)
{
    quint32 bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= quint32(quint8(f[at + i])) << (8 * i);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

// A parameter frame with its checksum, from the bytes after the count byte up
// to the last value byte.
QByteArray parameter(const QByteArray& head)
{
    QByteArray r = head;
    unsigned sum = 0;
    for (int i = 4; i < r.size(); ++i)
        sum += quint8(r[i]);
    r.append(char(sum & 0xFF));
    r.append(char(sum >> 8));
    return r;
}

QByteArray currentIndexFrame(int index)
{
    return parameter(hex("000AABCD0600010003") + char(index));
}

QByteArray testTimeFrame(int seconds)
{
    return parameter(hex("000AABCD0600010004") + char(seconds));
}

} // namespace

class TestSimInstrument : public QObject
{
    Q_OBJECT

    SimBus& bus = SimBus::instance();
    hid_device* dev = nullptr;

    hid_device* open(SimInstrument* rv)
    {
        dev = hid_open_path(rv->path().toUtf8().constData());
        return dev;
    }

private slots:
    void init()
    {
        bus.reset();
        bus.setClockMode(sim::ClockMode::Manual);
        bus.setInstantTimeouts(true);
    }

    void cleanup()
    {
        if (dev)
            hid_close(dev);
        dev = nullptr;
    }

    void testRunsThroughItsStatesAndIsStored()
    {
        bus.setClockEpoch(QDateTime(QDate(2025, 3, 5), QTime(14, 7, 0)));
        SimInstrument* rv = bus.attach(Model::RV718B);
        QVERIFY(open(rv));
        QCOMPARE(ask(dev, testTimeFrame(10)).at(6), 'O');

        QByteArray live = ask(dev, hex(kLive));
        QCOMPARE(live.size(), 64);
        QVERIFY(checksumOk(live));
        QCOMPARE(int(live[9]), 0);
        QCOMPARE(int(live[60]), 1); // nothing measured yet
        QCOMPARE(live.mid(42, 4), QByteArray("10\0\0", 4));
        QCOMPARE(live.mid(36, 4), QByteArray("20\0\0", 4));
        QCOMPARE(live.mid(54, 4), QByteArray("   0"));

        QCOMPARE(ask(dev, hex(kStart)).at(6), 'O');
        bus.advanceClock(500);
        live = ask(dev, hex(kLive));
        QCOMPARE(int(live[9]), 1);
        QCOMPARE(live.mid(48, 4), QByteArray("10\0\0", 4));
        QCOMPARE(live.mid(12, 6), QByteArray("125.40"));
        QCOMPARE(int(live[18]), 0); // μΩ
        QCOMPARE(int(live[60]), 0);
        const double amps = live.mid(28, 6).trimmed().toDouble();
        QVERIFY2(qAbs(amps - 20) < 0.2, live.mid(28, 6).constData());

        bus.advanceClock(4000);
        QCOMPARE(ask(dev, hex(kLive)).mid(48, 4), QByteArray("6\0\0\0", 4));
        QCOMPARE(rv->timeLeftSeconds(), 6);

        bus.advanceClock(5500); // exactly the end of the 10 s test
        live = ask(dev, hex(kLive));
        QCOMPARE(int(live[9]), 2);
        QCOMPARE(live.mid(54, 4), QByteArray("   1"));
        QCOMPARE(int(ask(dev, hex(kCount)).at(6)), 1);

        const QByteArray record = ask(dev, hex("0009ABCD05000700010D00"));
        QCOMPARE(record.size(), 35);
        QVERIFY(checksumOk(record));
        QCOMPARE(int(record[4]), 0x07);
        QCOMPARE(int(record[5]), 1);
        QCOMPARE(int(record[11]), 10);
        QCOMPARE(record.mid(12, 7), hex("07E903050E070A")); // 2025-03-05 14:07:10
        QCOMPARE(int(record[24]), 2);
        QCOMPARE(floatAt(record, 25), 125.4f);
        QCOMPARE(qRound(floatAt(record, 19)), 20);

        bus.advanceClock(3000); // the display falls back to waiting, reading kept
        live = ask(dev, hex(kLive));
        QCOMPARE(int(live[9]), 0);
        QCOMPARE(int(live[60]), 0);
        QCOMPARE(rv->storedRecordCount(), 1);
    }

    void stoppedTestIsNotStored()
    {
        SimInstrument* rv = bus.attach(Model::RV718A);
        QVERIFY(open(rv));
        rv->pressTestKey();
        bus.advanceClock(2000);
        QCOMPARE(rv->testState(), 1);
        QCOMPARE(ask(dev, hex("000AABCD0600010000000700")).at(6), 'O');
        QCOMPARE(rv->testState(), 0);
        bus.advanceClock(60000);
        QCOMPARE(rv->storedRecordCount(), 0);
    }

    void judgementAndReadingFlags()
    {
        SimInstrument* rv = bus.attach(Model::RV718B);
        QVERIFY(open(rv));
        QCOMPARE(ask(dev, hex("000AABCD0600010002010A00")).at(6), 'O'); // comparison on
        // 100.00 μΩ: float 100 = 00 00 C8 42, two decimals, unit μΩ
        QCOMPARE(ask(dev, hex("000FABCD0B000100010000C84202001901")).at(6), 'O');
        rv->pressTestKey();

        QByteArray live = ask(dev, hex(kLive));
        QCOMPARE(live.mid(20, 6), QByteArray("100.00"));
        QCOMPARE(int(live[6]) & 0x4F, 0x40); // comparison on, 125.4 μΩ fails

        rv->setMeasuredResistance(80);
        QCOMPARE(int(ask(dev, hex(kLive))[6]) & 0x4F, 0x48);

        rv->setMeasuredResistance(2500); // shown in mΩ
        live = ask(dev, hex(kLive));
        QCOMPARE(live.mid(12, 6), QByteArray("2.5000"));
        QCOMPARE(int(live[18]), 1);

        rv->setOverRange(true);
        rv->setOverTemperature(true);
        live = ask(dev, hex(kLive));
        QCOMPARE(int(live[6]) & 0x4F, 0x43);
        QCOMPARE(live.mid(12, 6), QByteArray("      "));
    }

    void refusesSettingsOutsideItsRange_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("accepted");
        const int a = int(Model::RV718A);
        const int b = int(Model::RV718B);
        QTest::newRow("A 100 A") << a << currentIndexFrame(10) << true;
        QTest::newRow("A 110 A") << a << currentIndexFrame(11) << false;
        QTest::newRow("B 200 A") << b << currentIndexFrame(20) << true;
        QTest::newRow("B 210 A") << b << currentIndexFrame(21) << false;
        QTest::newRow("9 s") << b << testTimeFrame(9) << false;
        QTest::newRow("10 s") << b << testTimeFrame(10) << true;
        QTest::newRow("60 s") << b << testTimeFrame(60) << true;
        QTest::newRow("61 s") << b << testTimeFrame(61) << false;
        QTest::newRow("switch 2") << b << parameter(hex("000AABCD060001000202")) << false;
        QTest::newRow("unit 2") << b << parameter(hex("000FABCD0B000100010000C8420202")) << false;
    }

    void refusesSettingsOutsideItsRange()
    {
        QFETCH(int, model);
        QFETCH(QByteArray, frame);
        QFETCH(bool, accepted);
        SimInstrument* rv = bus.attach(Model(model));
        QVERIFY(open(rv));
        const sim::InstrumentSettings before = rv->settings();
        const QByteArray ack = ask(dev, frame);
        QCOMPARE(ack.size(), 10);
        QVERIFY(checksumOk(ack));
        QCOMPARE(int(ack[4]), 0x01);
        QCOMPARE(ack.at(6) == 'O', accepted);
        const sim::InstrumentSettings after = rv->settings();
        QCOMPARE(after.currentIndex != before.currentIndex ||
                     after.testTimeSeconds != before.testTimeSeconds,
                 accepted);
    }

    void settingsAreRefusedDuringATest()
    {
        SimInstrument* rv = bus.attach(Model::RV718B);
        QVERIFY(open(rv));
        rv->pressTestKey();
        QCOMPARE(ask(dev, testTimeFrame(20)).at(6), 'E');
        QCOMPARE(rv->settings().testTimeSeconds, 30);
    }

    void takesWholeOrZeroPaddedReportsOnly()
    {
        SimInstrument* rv = bus.attach(Model::RV718B);
        QVERIFY(open(rv));
        const QByteArray live = hex(kLive);
        QByteArray padded = live + QByteArray(55, '\0');
        QByteArray dirty = padded;
        dirty[40] = 1;
        QByteArray otherId = live;
        otherId[0] = 1;
        QByteArray badSum = live;
        badSum[8] = 0x0A;

        QCOMPARE(ask(dev, live).size(), 64);
        QCOMPARE(ask(dev, padded).size(), 64);
        QCOMPARE(ask(dev, dirty).size(), 0);
        QCOMPARE(ask(dev, otherId).size(), 0);
        QCOMPARE(ask(dev, badSum).size(), 0);
        QCOMPARE(write(dev, padded + '\0'), -1); // longer than the output report

        const QList<sim::SimWrite> log = rv->writeLog();
        QCOMPARE(log.size(), 5);
        QCOMPARE(log[1].raw, padded);
        QCOMPARE(log[1].report, live);
        QList<bool> accepted;
        for (const sim::SimWrite& w : log)
            accepted.append(w.accepted);
        QCOMPARE(accepted, (QList<bool>{true, true, false, false, false}));
    }

    void faultsSpoilRepliesAsSwitched()
    {
        SimInstrument* rv = bus.attach(Model::RV718B);
        QVERIFY(open(rv));
        const QByteArray live = hex(kLive);

        rv->setFault(Fault::WrongChecksum, true);
        QByteArray f = ask(dev, live);
        QCOMPARE(f.size(), 64);
        QVERIFY(!checksumOk(f));
        rv->clearFaults();

        rv->setFault(Fault::WrongCommand, true);
        f = ask(dev, live);
        QVERIFY(checksumOk(f));
        QCOMPARE(quint8(f[4]), quint8(0x85));
        rv->clearFaults();

        rv->setFault(Fault::FieldOutOfRange, true);
        QCOMPARE(int(ask(dev, live)[9]), 3);
        QCOMPARE(quint8(ask(dev, hex(kCount))[6]), quint8(201));
        rv->clearFaults();

        rv->setFault(Fault::MissingSecondReport, true);
        write(dev, live);
        QList<QByteArray> reports = drain(dev);
        QCOMPARE(reports.size(), 1);
        QCOMPARE(int(reports[0][0]), 0x3F);
        rv->clearFaults();

        rv->setFault(Fault::StrayReport, true);
        write(dev, live);
        reports = drain(dev);
        QCOMPARE(reports.size(), 3);
        QCOMPARE(int(reports[0][0]), 0x0A); // a late acknowledgement first
        QCOMPARE(int(reports[1][0]), 0x3F);
        QCOMPARE(int(reports[2][0]), 0x01);
        rv->clearFaults();

        rv->setFault(Fault::Silence, true);
        QCOMPARE(ask(dev, live).size(), 0);
        QCOMPARE(rv->writeLog().size(), 7); // heard, not answered
        rv->clearFaults();

        rv->setFault(Fault::Babble, true);
        unsigned char buffer[64];
        for (int i = 0; i < 50; ++i)
            QVERIFY(hid_read_timeout(dev, buffer, sizeof buffer, 1000) > 0);
        rv->clearFaults();

        rv->setFault(Fault::BrokenLink, true);
        QCOMPARE(write(dev, live), -1);
        QCOMPARE(hid_read_timeout(dev, buffer, sizeof buffer, 1000), -1);
    }

    void pathsAndHandlesFollowPlugging()
    {
        QSignalSpy arrived(&bus, &SimBus::deviceArrived);
        QSignalSpy removed(&bus, &SimBus::deviceRemoved);
        SimInstrument* a = bus.attach(Model::RV718A);
        SimInstrument* b = bus.attach(Model::RV718B);
        QCOMPARE(a->path(), QString("/dev/hidraw0"));
        QCOMPARE(b->path(), QString("/dev/hidraw1"));
        QCOMPARE(arrived.size(), 2);

        hid_device* ha = hid_open_path("/dev/hidraw0");
        hid_device* hb = hid_open_path("/dev/hidraw1");
        QVERIFY(ha && hb);
        QCOMPARE(bus.openHandleCount(), 2);

        a->unplug();
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed[0][0].toString(), QString("/dev/hidraw0"));
        unsigned char buffer[64];
        QCOMPARE(hid_read_timeout(ha, buffer, sizeof buffer, 1000), -1);
        QVERIFY(!hid_open_path("/dev/hidraw0"));
        hid_device_info* list = hid_enumerate(sim::kVendorId, sim::kProductId);
        QVERIFY(list && !list->next);
        QCOMPARE(QString(list->path), QString("/dev/hidraw1"));
        hid_free_enumeration(list);

        a->plug();
        QCOMPARE(a->path(), QString("/dev/hidraw2"));
        QCOMPARE(arrived.size(), 3);
        QCOMPARE(hid_read_timeout(ha, buffer, sizeof buffer, 1000), -1); // old handle stays dead
        QCOMPARE(bus.instrumentAt("/dev/hidraw2"), a);

        hid_close(ha);
        hid_close(hb);
        QCOMPARE(bus.openHandleCount(), 0);
    }

    void unplugWakesAWaitingRead()
    {
        bus.setInstantTimeouts(false);
        SimInstrument* rv = bus.attach(Model::RV718B);
        QVERIFY(open(rv));
        int result = 0;
        QThread* reader = QThread::create([&] {
            unsigned char buffer[64];
            result = hid_read_timeout(dev, buffer, sizeof buffer, 60000);
        });
        reader->start();
        QTRY_COMPARE(bus.waitingReads(), 1);
        rv->unplug();
        QVERIFY(reader->wait(10000));
        delete reader;
        QCOMPARE(result, -1);
    }

    void memoryKeepsTheFirst200()
    {
        SimInstrument* rv = bus.attach(Model::RV718A);
        rv->addStoredRecords(250);
        QCOMPARE(rv->storedRecordCount(), 200);
        const QDateTime last = rv->storedRecords().last().time;
        rv->pressTestKey();
        bus.advanceClock(61000);
        QCOMPARE(rv->testState(), 0);
        QCOMPARE(rv->storedRecordCount(), 200);
        QCOMPARE(rv->storedRecords().last().time, last);
    }

    void hotplugMonitorForwardsTheBus()
    {
        HotplugMonitor monitor;
        QSignalSpy arrived(&monitor, &HotplugMonitor::deviceArrived);
        QSignalSpy removed(&monitor, &HotplugMonitor::deviceRemoved);
        SimInstrument* rv = bus.attach(Model::RV718B);
        const QString path = rv->path();
        rv->unplug();
        QTRY_COMPARE(removed.size(), 1);
        QCOMPARE(arrived.size(), 1);
        QCOMPARE(removed[0][0].toString(), path);
    }
};

QTEST_MAIN(TestSimInstrument)
#include "tst_siminstrument.moc"
