// The USB port behind a hidraw node, read from a sysfs tree laid out as the
// kernel lays it out (class symlinks into /sys/devices), made in a temporary folder.
#include "DeviceLocation.h"

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
};

QTEST_GUILESS_MAIN(TestDeviceLocation)
#include "tst_devicelocation.moc"
