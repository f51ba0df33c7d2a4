// The simulated instrument through the hidapi functions the link uses: a test
// run on its clock, the reports it takes, unplugging, the
// hidraw numbers it hands out and the hot-plug source over it.
#include "FrameFixtures.h"
#include "HotplugMonitor.h"
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

int writeRaw(hid_device* dev, const QByteArray& bytes)
{
    return hid_write(dev, reinterpret_cast<const unsigned char*>(bytes.constData()),
                     size_t(bytes.size()));
}

// Writes a report as a whole output report: report ID, 64 bytes, zero fill.
int write(hid_device* dev, const QByteArray& report)
{
    return writeRaw(dev, report + QByteArray(sim::kOutputReportSize - report.size(), '\0'));
}

// Joins the frame bytes of every report waiting on the handle.
QByteArray readAll(hid_device* dev)
{
    QByteArray frame;
    unsigned char buffer[64];
    int n;
    while ((n = hid_read_timeout(dev, buffer, sizeof buffer, 1000)) > 0)
        frame.append(reinterpret_cast<const char*>(buffer) + 1, qMin(int(buffer[0]), n - 1));
    return frame;
}

// Writes a request and joins the frame bytes of every report that answers it
// (time-outs are instant in these tests).
QByteArray ask(hid_device* dev, const QByteArray& report)
{
    write(dev, report);
    return readAll(dev);
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

    // hidraw hands a write to the device exactly as long as it is: only a
    // whole zero-padded report is acted on.
    void takesWholeZeroPaddedReportsOnly()
    {
        QVERIFY(open(sim::Model::RV718B));
        const QByteArray padded = kLive + QByteArray(55, '\0');
        QByteArray dirty = padded;
        dirty[40] = 1;
        unsigned char buffer[64];
        QCOMPARE(writeRaw(dev, kLive), kLive.size());
        QCOMPARE(hid_read_timeout(dev, buffer, sizeof buffer, 1000), 0);
        QCOMPARE(writeRaw(dev, padded.left(64)), 64);
        QCOMPARE(hid_read_timeout(dev, buffer, sizeof buffer, 1000), 0);
        QCOMPARE(ask(dev, padded).size(), 64);
        QCOMPARE(ask(dev, dirty).size(), 0);
        QStringList log;
        for (const sim::SimWrite& w : bus.instruments()[0]->writeLog())
            log << QStringLiteral("%1 %2").arg(w.raw.size()).arg(w.accepted);
        QCOMPARE(log, (QStringList{"10 0", "64 0", "65 1", "65 0"}));
    }

    // As hidraw does, every handle open on the node gets every reply.
    void everyOpenHandleGetsTheReplies()
    {
        QVERIFY(open(sim::Model::RV718B));
        hid_device* other = hid_open_path(bus.instruments()[0]->path().toUtf8().constData());
        QVERIFY(other);
        const QByteArray live = ask(dev, kLive);
        const QByteArray seen = readAll(other);
        hid_close(other);
        QCOMPARE(live.size(), 64);
        QCOMPARE(seen, live);
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

    // As the kernel does: the lowest number free, where a handle left open on
    // an unplugged device still holds its number.
    void hidrawNumbersFollowTheKernel()
    {
        QVERIFY(open(sim::Model::RV718B));
        sim::SimInstrument* rv = bus.instruments()[0];
        sim::SimInstrument* second = bus.attach(sim::Model::RV718A);
        QCOMPARE(rv->path(), QStringLiteral("/dev/hidraw0"));
        QCOMPARE(second->path(), QStringLiteral("/dev/hidraw1"));
        rv->unplug();
        rv->plug();
        QCOMPARE(rv->path(), QStringLiteral("/dev/hidraw2"));
        hid_close(dev);
        dev = nullptr;
        second->unplug();
        second->plug();
        QCOMPARE(second->path(), QStringLiteral("/dev/hidraw0"));
    }

    // Other HID devices coming and going are not reported; events arrive
    // queued and in order, so the instrument's removal comes last.
    void hotplugReportsInstrumentsOnly()
    {
        HotplugMonitor monitor;
        QSignalSpy arrived(&monitor, &HotplugMonitor::deviceArrived);
        QSignalSpy removed(&monitor, &HotplugMonitor::deviceRemoved);
        sim::SimInstrument* mouse = bus.attach(sim::Model::RV718A, 0x046D, 0xC52B);
        sim::SimInstrument* sibling = bus.attach(sim::Model::RV718A, sim::kVendorId, 0xE42A);
        sim::SimInstrument* rv = bus.attach(sim::Model::RV718B);
        const QString path = rv->path();
        mouse->unplug();
        bus.detach(sibling);
        rv->unplug();
        QTRY_COMPARE(removed.size(), 1);
        QCOMPARE(removed[0][0].toString(), path);
        QCOMPARE(arrived.size(), 1);
    }
};

QTEST_MAIN(TestSimInstrument)
#include "tst_siminstrument.moc"
