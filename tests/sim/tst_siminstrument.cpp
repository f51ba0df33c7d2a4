// The simulated instrument through the hidapi functions the link uses: a test
// run on its clock, its refusals, the reports it takes, and unplugging.
#include "FrameFixtures.h"
#include "SimBus.h"
#include "SimInstrument.h"

#include <QThread>
#include <QtTest>

#include <hidapi.h>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

const QByteArray kLive = hex("0008ABCD040005000900");

int write(hid_device* dev, const QByteArray& report)
{
    return hid_write(dev, reinterpret_cast<const unsigned char*>(report.constData()),
                     size_t(report.size()));
}

// Writes a request and joins the frame bytes of every report that answers it
// (time-outs are instant in these tests).
QByteArray ask(hid_device* dev, const QByteArray& report)
{
    write(dev, report);
    QByteArray frame;
    unsigned char buffer[64];
    int n;
    while ((n = hid_read_timeout(dev, buffer, sizeof buffer, 1000)) > 0)
        frame.append(reinterpret_cast<const char*>(buffer) + 1, qMin(int(buffer[0]), n - 1));
    return frame;
}

// Sync bytes, length and checksum checked by the test-side frame builder.
bool sound(const QByteArray& f)
{
    return fixtures::sealed(fixtures::Frame(f.begin(), f.end()));
}

} // namespace

class TestSimInstrument : public QObject
{
    Q_OBJECT

    sim::SimBus& bus = sim::SimBus::instance();
    hid_device* dev = nullptr;

    hid_device* open(sim::Model model)
    {
        dev = hid_open_path(bus.attach(model)->path().toUtf8().constData());
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
        QVERIFY(open(sim::Model::RV718B));
        QCOMPARE(ask(dev, hex("000AABCD06000100040A1500")).at(6), 'O'); // 10 s
        QCOMPARE(int(ask(dev, kLive)[9]), 0);

        const QByteArray ack = ask(dev, hex("000AABCD0600010000AAB100")); // start
        QVERIFY(sound(ack));
        QCOMPARE(ack.at(6), 'O');
        bus.advanceClock(500);
        QByteArray live = ask(dev, kLive);
        QCOMPARE(int(live[9]), 1);
        QCOMPARE(live.mid(48, 4), QByteArray("10\0\0", 4)); // time left

        bus.advanceClock(9500); // exactly the end of the 10 s test
        live = ask(dev, kLive);
        QCOMPARE(live.size(), 64);
        QVERIFY(sound(live));
        QCOMPARE(int(live[9]), 2);
        QCOMPARE(live.mid(54, 4), QByteArray("   1"));
        QCOMPARE(int(ask(dev, hex("0008ABCD040008000C00"))[6]), 1); // store count

        const QByteArray record = ask(dev, hex("0009ABCD05000700010D00"));
        QCOMPARE(record.size(), 35);
        QVERIFY(sound(record));
        QCOMPARE(record.mid(4, 2), hex("0701")); // stored record, group 1
        QCOMPARE(int(record[11]), 10);
        QCOMPARE(record.mid(12, 7), hex("07E903050E070A")); // 2025-03-05 14:07:10
    }

    void refusesACurrentBeyondItsModel()
    {
        QVERIFY(open(sim::Model::RV718A));
        QCOMPARE(ask(dev, hex("000AABCD06000100030A1400")).at(6), 'O');       // 100 A
        const QByteArray refusal = ask(dev, hex("000AABCD06000100030B1500")); // 110 A
        QVERIFY(sound(refusal));
        QCOMPARE(refusal.at(6), 'E');
        QCOMPARE(bus.instruments()[0]->settings().currentIndex, 10);
    }

    // hidraw may pass a short write as it is or zero-padded to the report size.
    void takesExactAndZeroPaddedReports()
    {
        QVERIFY(open(sim::Model::RV718B));
        const QByteArray padded = kLive + QByteArray(55, '\0');
        QByteArray dirty = padded;
        dirty[40] = 1;
        QCOMPARE(ask(dev, kLive).size(), 64);
        QCOMPARE(ask(dev, padded).size(), 64);
        QCOMPARE(ask(dev, dirty).size(), 0);
        QList<bool> accepted;
        for (const sim::SimWrite& w : bus.instruments()[0]->writeLog())
            accepted << w.accepted;
        QCOMPARE(accepted, (QList<bool>{true, true, false}));
    }

    // A read waiting on the handle wakes with -1, and the path is gone.
    void unplugBreaksOpenHandles()
    {
        bus.setInstantTimeouts(false);
        QVERIFY(open(sim::Model::RV718B));
        sim::SimInstrument* rv = bus.instruments()[0];
        const QByteArray path = rv->path().toUtf8();
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
        QCOMPARE(write(dev, kLive), -1);
        QVERIFY(!hid_open_path(path.constData()));
    }
};

QTEST_MAIN(TestSimInstrument)
#include "tst_siminstrument.moc"
