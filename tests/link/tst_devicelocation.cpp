// The USB port behind a hidraw node, read from a sysfs tree laid out as the
// kernel lays it out (class symlinks into /sys/devices), made in a temporary
// folder; and the hot-plug filter's test of whose a udev device is.
#include "DeviceLocation.h"
#include "InstrumentMatch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestDeviceLocation : public QObject
{
    Q_OBJECT

    QTemporaryDir root;

    // Makes devices/<devicePath>/hidraw/<node> and the two links the kernel
    // makes for it: class/hidraw/<node> -> that folder, and its "device" link
    // -> the HID device (the last component of devicePath).
    void addNode(const QString& devicePath, const QString& node)
    {
        const QString hid = root.filePath(QStringLiteral("devices/") + devicePath);
        const QString nodeDir = hid + QStringLiteral("/hidraw/") + node;
        QVERIFY(QDir().mkpath(nodeDir));
        const QString hidName = QFileInfo(hid).fileName();
        QVERIFY(QFile::link(QStringLiteral("../../../") + hidName,
                            nodeDir + QStringLiteral("/device")));
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("class/hidraw"))));
        const QString relative =
            QDir(root.filePath(QStringLiteral("class/hidraw"))).relativeFilePath(nodeDir);
        QVERIFY(QFile::link(relative, root.filePath(QStringLiteral("class/hidraw/") + node)));
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(root.isValid());
        const QString pci = QStringLiteral("pci0000:00/0000:00:14.0/");
        addNode(pci + QStringLiteral("usb1/1-2/1-2:1.0/0003:1A86:E429.0001"),
                QStringLiteral("hidraw0"));
        addNode(pci + QStringLiteral("usb3/3-1/3-1.4/3-1.4:1.0/0003:1A86:E429.0002"),
                QStringLiteral("hidraw1"));
        addNode(pci + QStringLiteral("usb3/3-1/3-1.4/3-1.4.2/3-1.4.2:1.1/0003:046D:C52B.0003"),
                QStringLiteral("hidraw2"));
        addNode(QStringLiteral("virtual/misc/uhid/0003:1A86:E429.0004"), QStringLiteral("hidraw3"));
        addNode(QStringLiteral("platform/i8042/serio1/0011:0002:0001.0005"),
                QStringLiteral("hidraw4"));
    }

    void portOfNode_data()
    {
        QTest::addColumn<QString>("devnode");
        QTest::addColumn<QString>("port");
        QTest::newRow("root port") << QStringLiteral("/dev/hidraw0") << QStringLiteral("1-2");
        QTest::newRow("behind a hub") << QStringLiteral("/dev/hidraw1") << QStringLiteral("3-1.4");
        QTest::newRow("hub behind a hub")
            << QStringLiteral("/dev/hidraw2") << QStringLiteral("3-1.4.2");
        QTest::newRow("uhid: no USB device") << "/dev/hidraw3" << QString();
        QTest::newRow("not on USB") << "/dev/hidraw4" << QString();
        QTest::newRow("unknown node") << "/dev/hidraw9" << QString();
        QTest::newRow("not a hidraw node") << "/dev/sda" << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void portOfNode()
    {
        QFETCH(QString, devnode);
        QFETCH(QString, port);
        QCOMPARE(usbPortOfHidraw(devnode, root.path()), port);
    }

    // Vendor and product must both be the instrument's, whether told from a
    // HID device's HID_ID or from the path of a hidraw node below it.
    void instrumentMatch_data()
    {
        QTest::addColumn<QString>("hidDevice"); // the kernel's name of the HID device
        QTest::addColumn<bool>("ours");
        QTest::newRow("instrument") << "0003:1A86:E429.0001" << true;
        QTest::newRow("its vendor, another product") << "0003:1A86:7523.0002" << false;
        QTest::newRow("another vendor, its product") << "0003:10C4:E429.0003" << false;
        QTest::newRow("a mouse") << "0003:046D:C52B.0004" << false;
    }
    void instrumentMatch()
    {
        QFETCH(QString, hidDevice);
        QFETCH(bool, ours);
        const QStringList id = hidDevice.split(QRegularExpression(QStringLiteral("[:.]")));
        QCOMPARE(instrumentmatch::isInstrumentHidId(
                     QStringLiteral("%1:0000%2:0000%3").arg(id[0], id[1], id[2]).toLatin1()),
                 ours);
        const QString usb = QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/");
        QCOMPARE(instrumentmatch::isInstrumentDevPath(usb + hidDevice + "/hidraw/hidraw0"), ours);
        // The HID device itself is no hidraw node of it.
        QVERIFY(!instrumentmatch::isInstrumentDevPath(usb + hidDevice));
    }
};

QTEST_GUILESS_MAIN(TestDeviceLocation)
#include "tst_devicelocation.moc"
