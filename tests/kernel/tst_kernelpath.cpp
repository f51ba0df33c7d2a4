// The real path, run as root in the QEMU guest of scripts/kernel-test: the link
// worker over libhidapi-hidraw, usbhid and hidraw, the udev hot-plug monitor
// and udevd applying our rule, against the instrument model as USB gadgets on
// dummy_hcd (dummy_udc.0 and .1: two instruments, .2 and .3: foreign devices),
// and once through /dev/uhid. The functions run in order and share devices.
#include "DeviceLocation.h"
#include "FrameFixtures.h"
#include "Frames.h"
#include "GadgetInstrument.h"
#include "HotplugMonitor.h"
#include "LinkHarness.h"
#include "UhidInstrument.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QSocketNotifier>
#include <QtTest>

#include <hidapi.h>
#include <libudev.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcKernel, "lt.kernel")

using DM = DeviceManager;
using Bytes = LinkHarness::Bytes;
using Message = LinkHarness::Message;

namespace {

Message msg(const char* utf8, int type)
{
    return {QString::fromUtf8(utf8), type};
}

// What a process of another user gets when it opens the node for reading
// and writing: 0, or the errno of the failure.
int openAs(const QString& node, uid_t uid, gid_t gid)
{
    const QByteArray path = node.toLocal8Bit();
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(1, &gid) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(100);
        const int fd = open(path.constData(), O_RDWR);
        _exit(fd >= 0 ? 0 : errno);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The node's owner group, mode, uaccess tag, and what opening it gives a
// non-root member of plugdev and a non-root outsider (0 or the errno).
QString nodeAccess(const QString& node)
{
    struct stat st = {};
    if (stat(node.toLocal8Bit().constData(), &st) != 0)
        return node + QStringLiteral(" missing");
    udev* context = udev_new();
    udev_device* device = udev_device_new_from_devnum(context, 'c', st.st_rdev);
    const bool tagged = device && udev_device_has_tag(device, "uaccess");
    udev_device_unref(device);
    udev_unref(context);
    const group* owner = getgrgid(st.st_gid);
    const gid_t plugdev = getgrnam("plugdev")->gr_gid;
    const uid_t nobody = 65534;
    return QStringLiteral("group %1 mode %2 uaccess %3 member %4 outsider %5")
        .arg(QString::fromLocal8Bit(owner ? owner->gr_name : "?"))
        .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'))
        .arg(tagged ? "yes" : "no")
        .arg(openAs(node, nobody, plugdev))
        .arg(openAs(node, nobody, nobody));
}
const QString kPlugdevAccess =
    QStringLiteral("group plugdev mode 0660 uaccess yes member 0 outsider 13");
const QString kRootOnly = QStringLiteral("group root mode 0600 uaccess no member 13 outsider 13");

// The USB port a gadget shows on the host: port 1 of the root hub of the
// dummy_hcd that pairs with its controller, found from the controller's side.
QString portOf(const sim::GadgetInstrument& gadget)
{
    const QString hcd = QStringLiteral("/sys/devices/platform/dummy_hcd.") +
                        gadget.identity().udc.section(QLatin1Char('.'), 1);
    const QStringList hubs = QDir(hcd).entryList({QStringLiteral("usb*")}, QDir::Dirs);
    return hubs.size() == 1 ? hubs[0].mid(3) + QStringLiteral("-1")
                            : hcd + QStringLiteral(" has no root hub");
}

// hidapi's enumeration of our vendor and product, one line per device.
QStringList enumerated()
{
    QStringList seen;
    hid_device_info* devices = hid_enumerate(sim::kVendorId, sim::kProductId);
    for (const hid_device_info* d = devices; d; d = d->next) {
        seen << QStringLiteral("%1 serial %2, %3, %4, bus %5")
                    .arg(QString::fromUtf8(d->path), QString::fromWCharArray(d->serial_number),
                         QString::fromWCharArray(d->manufacturer_string),
                         QString::fromWCharArray(d->product_string))
                    .arg(d->bus_type == HID_API_BUS_USB ? "USB" : "not USB");
    }
    hid_free_enumeration(devices);
    return seen;
}

} // namespace

// Every hidraw event udevd sends, as the test's own second listener: it tells
// when the kernel and udevd are done with a device the hot-plug monitor must
// not report, and which node the kernel gave a device.
class UdevEvents : public QObject
{
public:
    UdevEvents()
    {
        monitor = udev_monitor_new_from_netlink(context, "udev");
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr);
        udev_monitor_enable_receiving(monitor);
        auto* notifier =
            new QSocketNotifier(udev_monitor_get_fd(monitor), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            if (udev_device* d = udev_monitor_receive_device(monitor)) {
                events.append({QString::fromUtf8(udev_device_get_action(d)),
                               QString::fromUtf8(udev_device_get_devpath(d)),
                               QString::fromUtf8(udev_device_get_devnode(d))});
                udev_device_unref(d);
            }
        });
    }
    ~UdevEvents() override
    {
        udev_monitor_unref(monitor);
        udev_unref(context);
    }

    // Waits for the event of this action on a device whose path holds
    // `where`, takes it off the list and returns its node.
    QString take(const QString& action, const QString& where)
    {
        QString node;
        const bool seen = QTest::qWaitFor(
            [&] {
                for (int i = 0; i < events.size(); ++i) {
                    if (events[i][0] == action && events[i][1].contains(where))
                        return !(node = events.takeAt(i)[2]).isEmpty();
                }
                return false;
            },
            10000);
        return seen ? node : QString();
    }

    udev* context = udev_new();
    udev_monitor* monitor = nullptr;
    QList<QStringList> events; // action, device path, node
};

// The link harness, also recording what the device chooser gets.
class Link : public LinkHarness
{
public:
    Link()
    {
        connect(dm, &DM::detectedDeviceDetails, this,
                [this](QStringList, QStringList p, QStringList s) {
                    ports = p;
                    serials = s;
                });
    }

    bool settle(int timeoutMs = 60000) { return LinkHarness::settle(timeoutMs); }

    // Posts a connect and the exchange; returns the milliseconds until the
    // link declared itself lost, or -1 when it did not within 30 s.
    qint64 msUntilLost(const QString& node, const std::function<void()>& exchange)
    {
        clear();
        post(&DM::connectSlot, node);
        QElapsedTimer t;
        t.start();
        exchange();
        const auto lost = [this] {
            return std::any_of(messages.begin(), messages.end(),
                               [](const Message& m) { return m.second == report::LinkLost; });
        };
        return QTest::qWaitFor(lost, 30000) ? t.elapsed() : -1;
    }

    QStringList ports;   // of the last detection
    QStringList serials; // likewise
};

class TestKernelPath : public QObject
{
    Q_OBJECT

    using Gadget = sim::GadgetInstrument;

    std::unique_ptr<UdevEvents> udevEvents;
    std::unique_ptr<HotplugMonitor> monitor;
    std::unique_ptr<QSignalSpy> arrivals;
    std::unique_ptr<QSignalSpy> removals;
    std::unique_ptr<Link> link;

    Gadget ours{sim::Model::RV718B, {QStringLiteral("dummy_udc.0"), QStringLiteral("LT0001")}};
    Gadget twin{sim::Model::RV718B, {QStringLiteral("dummy_udc.1"), QStringLiteral("LT0002")}};
    Gadget otherVendor{sim::Model::RV718B,
                       {QStringLiteral("dummy_udc.2"), QStringLiteral("X1"), 0x046D, 0xC52B}};
    Gadget otherProduct{
        sim::Model::RV718B,
        {QStringLiteral("dummy_udc.3"), QStringLiteral("X2"), sim::kVendorId, 0xE42A}};
    sim::UhidInstrument virtualOne{sim::Model::RV718B};

    QString firstPath;  // our node as first plugged
    QString secondPath; // after a replug while the old node was still held open
    QString ourPath;    // our node now
    QString twinPath;

    static QString hostSide(const Gadget& gadget)
    {
        return QStringLiteral("/dummy_hcd.%1/")
            .arg(gadget.identity().udc.section(QLatin1Char('.'), 1));
    }

    bool plug(Gadget& gadget, QString* node)
    {
        QString error;
        if (!gadget.plug(&error)) {
            qCWarning(lcKernel) << error;
            return false;
        }
        *node = udevEvents->take(QStringLiteral("add"), hostSide(gadget));
        qCInfo(lcKernel).noquote() << gadget.identity().serial << "is" << *node;
        return !node->isEmpty();
    }

    bool unplug(Gadget& gadget)
    {
        gadget.unplug();
        return !udevEvents->take(QStringLiteral("remove"), hostSide(gadget)).isEmpty();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerLinkMetaTypes();
        QVERIFY2(QFileInfo::exists(QStringLiteral("/sys/devices/platform/dummy_hcd.3")),
                 "no dummy_hcd.3: this test runs in the guest made by scripts/kernel-test");
        udevEvents = std::make_unique<UdevEvents>();
        monitor = std::make_unique<HotplugMonitor>();
        arrivals = std::make_unique<QSignalSpy>(monitor.get(), &HotplugMonitor::deviceArrived);
        removals = std::make_unique<QSignalSpy>(monitor.get(), &HotplugMonitor::deviceRemoved);
        link = std::make_unique<Link>();
    }

    // The foreign devices come first: once the test's own listener has seen
    // them, their events sit in the monitor's socket ahead of ours, so a
    // count of exactly one arrival proves they were passed over.
    void onlyOurArrivalIsReported()
    {
        QString foreign[2];
        QVERIFY(plug(otherVendor, &foreign[0]));
        QVERIFY(plug(otherProduct, &foreign[1]));
        QVERIFY(plug(ours, &firstPath));
        ourPath = firstPath;
        QTRY_COMPARE(arrivals->count(), 1);
        QCOMPARE(removals->count(), 0);
        QCOMPARE(nodeAccess(firstPath), kPlugdevAccess);
        QCOMPARE(nodeAccess(foreign[1]), kRootOnly); // our vendor, another product
    }

    // What the device chooser shows comes from the USB device: its port and
    // serial number; hidapi reads the strings from its descriptors.
    void detectionConnectAndIdentity()
    {
        link->post(&DM::detectDevices);
        link->post(&DM::connectSlot, firstPath);
        link->post(&DM::readWriteSystemInfo);
        QVERIFY(link->settle());
        QCOMPARE(link->detected, QList<QStringList>{QStringList{firstPath}});
        QCOMPARE(link->ports, QStringList{portOf(ours)});
        QCOMPARE(link->serials, QStringList{QStringLiteral("LT0001")});
        QCOMPARE(enumerated(),
                 QStringList{firstPath + QStringLiteral(" serial LT0001, Loop Tester, "
                                                        "RV718B Loop Resistance Tester, bus USB")});
        QCOMPARE(link->connects, (QList<QPair<bool, QString>>{{true, firstPath}}));
        QCOMPARE(link->identities.size(), 1);
        QVERIFY(fixtures::sealed(link->identities[0]));
        QCOMPARE(link->messages, QList<Message>{});
    }

    // Every request reaches the instrument whole: hidraw takes the report ID
    // 0 off and the interrupt transfer carries all 64 bytes after it.
    void livePollsAndWholeReports()
    {
        link->clear();
        ours.clearWriteLog();
        for (int i = 0; i < 5; ++i)
            link->post(&DM::readWriteLiveDataSlot);
        QVERIFY(link->settle());
        QCOMPARE(link->live.size(), 5);
        for (const Bytes& f : link->live) {
            QCOMPARE(f.size(), size_t(64));
            QVERIFY(fixtures::sealed(f));
        }
        QCOMPARE(link->messages, QList<Message>{});
        QVERIFY(link->switchOns >= 1);

        const QList<sim::SimWrite> writes = ours.writeLog();
        QCOMPARE(writes.size(), 5);
        for (const sim::SimWrite& w : writes) {
            QCOMPARE(w.raw.size(), frames::kReportSize);
            QVERIFY(w.accepted);
        }
    }

    void settingsWriteAcknowledgedThenRefused()
    {
        link->clear();
        link->post(&DM::updateTestSettingSlot, frames::testTimeFrame(20));
        link->post(&DM::readWriteLiveDataSlot);
        QVERIFY(link->settle());
        QCOMPARE(link->messages, QList<Message>{msg("更新测量设置成功", 0)});
        QCOMPARE(ours.settings().testTimeSeconds, 20);
        QCOMPARE(link->live.size(), 1);

        link->clear();
        link->post(&DM::updateTestSettingSlot, frames::testTimeFrame(5)); // below 10 s
        QVERIFY(link->settle());
        QCOMPARE(link->messages, QList<Message>{msg("更新测量设置失败：测试时间", 3)});
        QCOMPARE(ours.settings().testTimeSeconds, 20);
    }

    void readBackOf200Groups()
    {
        ours.addStoredRecords(200);
        link->clear();
        link->post(&DM::readWriteStoreTotalNum);
        link->post(&DM::stopCirculation, false);
        link->post(&DM::readWriteStorageDataSlot);
        QVERIFY(link->settle(120000));
        QCOMPARE(link->totals, QList<int>{200});
        QCOMPARE(link->groups.size(), 200);
        for (int g = 1; g <= 200; ++g) {
            const auto& [frame, group] = link->groups[g - 1];
            QCOMPARE(group, g);
            QVERIFY(fixtures::sealed(frame));
            QCOMPARE(int(frame[5]), g);
        }
        QCOMPARE(link->messages, QList<Message>{msg("", 6)});
    }

    // Unplugged in the middle of a read-back: the link's read returns -1 (a
    // time-out would go on to the type-6 end), and the monitor names the node;
    // the foreign removals sit ahead of ours in the monitor's socket.
    void unplugInTheMiddleOfAReadBack()
    {
        QVERIFY(unplug(otherVendor));
        QVERIFY(unplug(otherProduct));

        link->clear();
        link->post(&DM::stopCirculation, false);
        link->post(&DM::readWriteStorageDataSlot);
        QTRY_VERIFY_WITH_TIMEOUT(link->groups.size() >= 20, 30000);
        ours.unplug();
        QVERIFY(link->settle());

        QVERIFY2(link->groups.size() < 200, "the read-back ran to its end");
        QCOMPARE(link->messages, QList<Message>{msg("设备未连接", 4)});
        QTRY_COMPARE(removals->count(), 1);
        QCOMPARE(removals->at(0).at(0).toString(), firstPath);
        QCOMPARE(arrivals->count(), 1);
    }

    // The link still holds the broken handle (a failed read-back keeps it), so
    // the kernel cannot give the old number out again; the port stays.
    void replugWhileTheOldNodeIsHeld()
    {
        QVERIFY(plug(ours, &secondPath));
        ourPath = secondPath;
        QTRY_COMPARE(arrivals->count(), 2);
        QVERIFY(secondPath != firstPath);
        link->clear();
        link->post(&DM::detectDevices);
        link->post(&DM::connectSlot, secondPath);
        link->post(&DM::readWriteSystemInfo);
        QVERIFY(link->settle());
        QCOMPARE(link->detected, QList<QStringList>{QStringList{secondPath}});
        QCOMPARE(link->ports, QStringList{portOf(ours)});
        QCOMPARE(link->connects, (QList<QPair<bool, QString>>{{true, secondPath}}));
        QCOMPARE(link->identities.size(), 1);
    }

    // A live poll on an unplugged device closes the handle; with no handle
    // left the kernel hands out the lowest free number, here the same one.
    void replugAfterTheLinkLetGo()
    {
        QVERIFY(unplug(ours));
        link->clear();
        link->post(&DM::readWriteLiveDataSlot);
        link->post(&DM::readWriteLiveDataSlot);
        QVERIFY(link->settle());
        QCOMPARE(link->messages, (QList<Message>{msg("设备未连接", 4), msg("设备未连接", 4)}));
        QTRY_COMPARE(removals->count(), 2);
        QCOMPARE(removals->at(1).at(0).toString(), secondPath);

        QVERIFY(plug(ours, &ourPath));
        QTRY_COMPARE(arrivals->count(), 3);
        QCOMPARE(ourPath, secondPath);
        link->clear();
        link->post(&DM::detectDevices);
        link->post(&DM::connectSlot, ourPath);
        link->post(&DM::readWriteLiveDataSlot);
        QVERIFY(link->settle());
        QCOMPARE(link->detected, QList<QStringList>{QStringList{ourPath}});
        QCOMPARE(link->live.size(), 1);
        QCOMPARE(link->messages, QList<Message>{});
    }

    // The rule as some systems write it, on the USB device's attributes,
    // grants the same access as ours on the HID device's name.
    void ruleOnUsbAttributes()
    {
        QFile rule(QStringLiteral("/etc/udev/rules.d/60-loop-tester.rules"));
        QVERIFY(rule.open(QIODevice::ReadWrite));
        const QByteArray projectRule = rule.readAll();
        const auto use = [&rule](const QByteArray& text) {
            rule.resize(0);
            rule.write(text);
            rule.flush();
            return QProcess::execute(QStringLiteral("udevadm"),
                                     {QStringLiteral("control"), QStringLiteral("--reload")});
        };
        QCOMPARE(
            use("KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"1a86\", "
                "ATTRS{idProduct}==\"e429\", TAG+=\"uaccess\", GROUP=\"plugdev\", MODE=\"0660\"\n"),
            0);
        QVERIFY(unplug(ours));
        QVERIFY(plug(ours, &ourPath));
        const QString access = nodeAccess(ourPath);
        QCOMPARE(use(projectRule), 0);
        QCOMPARE(access, kPlugdevAccess);
    }

    // The chooser tells two instruments of the same model apart by port and
    // serial number, and unplugging one leaves the link to the other alone.
    void twoInstrumentsToldApart()
    {
        QVERIFY(plug(twin, &twinPath));
        link->clear();
        link->post(&DM::detectDevices);
        QVERIFY(link->settle());
        QCOMPARE(link->detected.value(0).size(), 2);
        QStringList seen; // the chooser's port and serial number for each node
        for (const QString& path : {ourPath, twinPath}) {
            const int i = link->detected[0].indexOf(path);
            seen << path + QLatin1Char(' ') + link->ports.value(i) + ' ' + link->serials.value(i);
        }
        QCOMPARE(seen, QStringList({ourPath + QLatin1Char(' ') + portOf(ours) + " LT0001",
                                    twinPath + QLatin1Char(' ') + portOf(twin) + " LT0002"}));
        QVERIFY(portOf(ours) != portOf(twin));

        link->clear();
        link->post(&DM::connectSlot, twinPath);
        link->post(&DM::readWriteLiveDataSlot);
        QVERIFY(link->settle());
        QVERIFY(unplug(ours));
        link->post(&DM::readWriteLiveDataSlot);
        QVERIFY(link->settle());
        QCOMPARE(link->live.size(), 2);
        QCOMPARE(link->messages, QList<Message>{});
        QTRY_COMPARE(removals->last().at(0).toString(), ourPath);
    }

    // A busy instrument stops taking reports: the host's first four writes
    // queue up, later ones block until the USB time-out. Whatever the link
    // is doing, it says the instrument is lost within 6 s and is free again.
    // The read-back reuses the count of stored groups read earlier.
    void stalledInstrumentIsDeclaredLost()
    {
        twin.setStalled(true);
        QStringList took;
        bool inTime = true;
        const auto exchange = [&](const char* name, const std::function<void()>& post) {
            const qint64 ms = link->msUntilLost(twinPath, post);
            took << QStringLiteral("%1 %2 ms").arg(QLatin1String(name)).arg(ms);
            inTime = inTime && ms >= 0 && ms <= 6000;
        };
        exchange("live poll", [this] { link->poll(); });
        exchange("test-time write",
                 [this] { link->post(&DM::updateTestSettingSlot, frames::testTimeFrame(30)); });
        exchange("read-back", [this] { link->post(&DM::readWriteStorageDataSlot); });
        qCInfo(lcKernel).noquote() << "lost after:" << took.join(QStringLiteral(", "));
        twin.setStalled(false);
        link->clear();
        link->post(&DM::connectSlot, twinPath);
        for (int i = 0; i < 3; ++i)
            link->poll();
        QVERIFY(link->settle());
        QVERIFY2(!link->live.isEmpty(), "no live reply once the instrument read again");
        QVERIFY2(inTime, qPrintable(took.join(QStringLiteral(", "))));
    }

    // What only a device without a USB parent shows: the report ID arrives
    // as hid_write took it, and the chooser has no port and no serial for it.
    void aDeviceWithoutUsbParent()
    {
        QString error;
        QVERIFY2(virtualOne.create(&error), qPrintable(error));
        const QString node = udevEvents->take(QStringLiteral("add"), QStringLiteral("/uhid/"));
        QVERIFY(!node.isEmpty());
        link->clear();
        link->post(&DM::detectDevices);
        link->post(&DM::connectSlot, node);
        link->post(&DM::readWriteLiveDataSlot);
        QVERIFY(link->settle());
        const int at = link->detected.value(0).indexOf(node);
        QVERIFY(at >= 0);
        QCOMPARE(link->ports.value(at, QStringLiteral("?")), QString());
        QCOMPARE(link->serials.value(at, QStringLiteral("?")), QString());
        QCOMPARE(link->live.size(), 1);
        const QList<sim::SimWrite> writes = virtualOne.writeLog();
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].raw, frames::padded(frames::liveRequest()));
    }

    void cleanupTestCase() { link.reset(); }
};

QTEST_GUILESS_MAIN(TestKernelPath)
#include "tst_kernelpath.moc"
