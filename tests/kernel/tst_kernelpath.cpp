// The real path, run as root inside a QEMU guest by scripts/kernel-test: the
// link worker over the real libhidapi-hidraw, the real udev hot-plug monitor,
// the kernel's hidraw nodes and udevd applying our rule, against the
// instrument model served through /dev/uhid. The functions run in order and
// share the devices they make.
#include "DeviceLocation.h"
#include "FrameFixtures.h"
#include "Frames.h"
#include "HotplugMonitor.h"
#include "LinkHarness.h"
#include "ParseData.h"
#include "UhidInstrument.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QThread>
#include <QtTest>

#include <hidapi.h>
#include <libudev.h>

#include <cerrno>
#include <fcntl.h>
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

} // namespace

// Every hidraw event udevd sends, as the test's own second listener: it tells
// when the kernel and udevd are done with a device the hot-plug monitor must
// not report, and which node the kernel gave a device.
class UdevEvents : public QObject
{
public:
    struct Event
    {
        QByteArray action;
        QString node;
        QString devPath;
    };

    UdevEvents()
    {
        context = udev_new();
        monitor = udev_monitor_new_from_netlink(context, "udev");
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr);
        udev_monitor_enable_receiving(monitor);
        notifier = new QSocketNotifier(udev_monitor_get_fd(monitor), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            if (udev_device* d = udev_monitor_receive_device(monitor)) {
                events.append({udev_device_get_action(d),
                               QString::fromUtf8(udev_device_get_devnode(d)),
                               QString::fromUtf8(udev_device_get_devpath(d))});
                udev_device_unref(d);
            }
        });
    }
    ~UdevEvents() override
    {
        delete notifier;
        udev_monitor_unref(monitor);
        udev_unref(context);
    }

    // Waits for the event of this action on a device whose HID parent is
    // "0003:VVVV:PPPP.*", takes it off the list and returns its node.
    QString take(const QByteArray& action, quint16 vendor, quint16 product, int timeoutMs = 10000)
    {
        const QString parent = QStringLiteral("/0003:%1:%2.")
                                   .arg(vendor, 4, 16, QLatin1Char('0'))
                                   .arg(product, 4, 16, QLatin1Char('0'))
                                   .toUpper();
        QString node;
        const bool seen = QTest::qWaitFor(
            [&] {
                for (int i = 0; i < events.size(); ++i) {
                    if (events[i].action == action && events[i].devPath.contains(parent)) {
                        node = events.takeAt(i).node;
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return seen ? node : QString();
    }

    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    QSocketNotifier* notifier = nullptr;
    QList<Event> events;
};

// The link harness with its replies decoded by a ParseData on this thread.
class Link : public LinkHarness
{
public:
    Link()
    {
        connect(dm, &DM::finishReadRealTime, &parser, &ParseData::parseRealTimeData);
        connect(dm, &DM::finishReadSystemInfo, &parser, &ParseData::parseSystemInfo);
        connect(dm, &DM::finishReadReadBack, &parser, &ParseData::parseReadBackData);
        connect(&parser, &ParseData::finishReadRealTimeData, this,
                [this](ReceiveLiveData d) { decodedLive << d; });
        connect(&parser, &ParseData::finishReadSystemInfoData, this,
                [this](DeviceInfo i) { info << i; });
        connect(&parser, &ParseData::finishReadReadBackData, this,
                [this](ReceiveStorageData, int n) { decodedGroups << n; });
        connect(&parser, &ParseData::stateProcessing, this,
                [this](QString text, int type) { messages << Message(text, type); });
    }

    bool settle(int timeoutMs = 60000) { return LinkHarness::settle(timeoutMs); }
    void clear()
    {
        LinkHarness::clear();
        decodedLive.clear();
        info.clear();
        decodedGroups.clear();
    }

    ParseData parser;
    QList<ReceiveLiveData> decodedLive;
    QList<DeviceInfo> info;
    QList<int> decodedGroups;
};

class TestKernelPath : public QObject
{
    Q_OBJECT

    std::unique_ptr<UdevEvents> udevEvents;
    std::unique_ptr<HotplugMonitor> monitor;
    std::unique_ptr<QSignalSpy> arrivals;
    std::unique_ptr<QSignalSpy> removals;
    std::unique_ptr<Link> link;

    sim::UhidInstrument ours{sim::Model::RV718B};
    sim::UhidInstrument otherVendor{sim::Model::RV718B, 0x046D, 0xC52B};
    sim::UhidInstrument otherProduct{sim::Model::RV718B, sim::kVendorId, 0xE42A};

    QString firstPath;  // our node as first created
    QString secondPath; // after a replug while the old node was still held open

    bool create(sim::UhidInstrument& device, QString* node)
    {
        QString error;
        if (!device.create(&error)) {
            qCWarning(lcKernel) << error;
            return false;
        }
        *node = udevEvents->take("add", device.vendorId(), device.productId());
        qCInfo(lcKernel).noquote() << QStringLiteral("%1:%2 is %3")
                                          .arg(device.vendorId(), 4, 16, QLatin1Char('0'))
                                          .arg(device.productId(), 4, 16, QLatin1Char('0'))
                                          .arg(*node);
        return !node->isEmpty();
    }

    bool destroy(sim::UhidInstrument& device)
    {
        device.destroy();
        return !udevEvents->take("remove", device.vendorId(), device.productId()).isEmpty();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerLinkMetaTypes();
        QVERIFY2(QFileInfo::exists(QStringLiteral("/dev/uhid")),
                 "no /dev/uhid: this test runs in the guest made by scripts/kernel-test");
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
        QString node;
        QVERIFY(create(otherVendor, &node));
        QVERIFY(create(otherProduct, &node));
        QVERIFY(create(ours, &firstPath));
        QTRY_COMPARE(arrivals->count(), 1);
        QCOMPARE(removals->count(), 0);
    }

    void detectionFindsExactlyOurDevice()
    {
        link->post(&DM::detectDevices);
        QVERIFY(link->settle());
        QCOMPARE(link->detected, QList<QStringList>{QStringList{firstPath}});
    }

    void nodeFollowsTheUdevRule()
    {
        const group* plugdev = getgrnam("plugdev");
        QVERIFY(plugdev);
        struct stat st = {};
        QCOMPARE(stat(firstPath.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_gid, plugdev->gr_gid);
        QCOMPARE(st.st_mode & 07777, mode_t(0660));

        udev* context = udev_new();
        udev_device* device = udev_device_new_from_devnum(context, 'c', st.st_rdev);
        QVERIFY(device);
        const bool tagged = udev_device_has_tag(device, "uaccess");
        udev_device_unref(device);
        udev_unref(context);
        QVERIFY(tagged);

        const uid_t nobody = 65534;
        QCOMPARE(openAs(firstPath, nobody, plugdev->gr_gid), 0);
        QCOMPARE(openAs(firstPath, nobody, nobody), EACCES);
        // A uhid device has no USB device above it, so no port to show.
        QVERIFY(QFileInfo::exists(QStringLiteral("/sys/class/hidraw/") +
                                  QFileInfo(firstPath).fileName()));
        QCOMPARE(usbPortOfHidraw(firstPath), QString());
    }

    void connectAndIdentity()
    {
        link->clear();
        link->post(&DM::connectSlot, firstPath);
        link->post(&DM::readWriteSystemInfo);
        QVERIFY(link->settle());
        QCOMPARE(link->connects, (QList<QPair<bool, QString>>{{true, firstPath}}));
        QCOMPARE(link->identities.size(), 1);
        QVERIFY(fixtures::sealed(link->identities[0]));
        QCOMPARE(link->info.size(), 1);
        QCOMPARE(link->info[0].model.trimmed(), QStringLiteral("RV718B"));
        QCOMPARE(link->messages, QList<Message>{});
    }

    // Every request reaches the device exactly as hidapi wrote it: the report
    // ID 0 in front of 64 bytes, so nothing may go out short.
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
        QCOMPARE(link->decodedLive.size(), 5);
        QCOMPARE(link->decodedLive.last().testingTime, ours.settings().testTimeSeconds);
        QCOMPARE(link->messages, QList<Message>{});
        QVERIFY(link->switchOns >= 1);

        const QList<sim::SimWrite> writes = ours.writeLog();
        QCOMPARE(writes.size(), 5);
        for (const sim::SimWrite& w : writes) {
            QCOMPARE(w.raw.size(), frames::kReportSize);
            QCOMPARE(w.raw.at(0), '\0');
            QVERIFY(w.accepted);
        }
    }

    // hidraw passes a write on as long as it is: ten bytes arrive as ten,
    // and the instrument, which reads whole reports, does not answer them.
    void shortWriteArrivesShort()
    {
        hid_device* raw = hid_open_path(firstPath.toUtf8().constData());
        QVERIFY(raw);
        ours.clearWriteLog();
        const QByteArray request = frames::liveRequest();
        const int written =
            hid_write(raw, reinterpret_cast<const unsigned char*>(request.constData()),
                      size_t(request.size()));
        QTRY_COMPARE(ours.writeLog().size(), 1);
        unsigned char buffer[64];
        const int read = hid_read_timeout(raw, buffer, sizeof buffer, 500);
        hid_close(raw);
        QCOMPARE(written, request.size());
        QCOMPARE(ours.writeLog()[0].raw, request);
        QVERIFY(!ours.writeLog()[0].accepted);
        QCOMPARE(read, 0);
    }

    // Every handle open on the node gets every input report, whoever asked.
    void everyOpenHandleGetsTheReplies()
    {
        hid_device* raw = hid_open_path(firstPath.toUtf8().constData());
        QVERIFY(raw);
        link->clear();
        link->post(&DM::readWriteLiveDataSlot);
        QVERIFY(link->settle());
        QCOMPARE(link->live.size(), 1);
        unsigned char first[64] = {};
        unsigned char second[64] = {};
        const int n1 = hid_read_timeout(raw, first, sizeof first, 1000);
        const int n2 = hid_read_timeout(raw, second, sizeof second, 1000);
        hid_close(raw);
        QCOMPARE(n1, 64);
        QCOMPARE(n2, 64);
        QCOMPARE(int(first[0]), 0x3F);
        QCOMPARE(int(second[0]), 0x01);
        QCOMPARE(Bytes(first + 1, first + 64),
                 Bytes(link->live[0].begin(), link->live[0].end() - 1));
    }

    void settingsWriteAcknowledgedThenRefused()
    {
        link->clear();
        link->post(&DM::updateTestSettingSlot, frames::testTimeFrame(20));
        link->post(&DM::readWriteLiveDataSlot);
        QVERIFY(link->settle());
        QCOMPARE(link->messages, QList<Message>{msg("更新测量设置成功", 0)});
        QCOMPARE(ours.settings().testTimeSeconds, 20);
        QCOMPARE(link->decodedLive.size(), 1);
        QCOMPARE(link->decodedLive[0].testingTime, 20);

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
        QCOMPARE(link->decodedGroups.size(), 200);
        QCOMPARE(link->messages, QList<Message>{msg("", 6)});
    }

    // Destroyed in the middle of a read-back: the link's read returns -1 (a
    // time-out instead would report the group as failed, go on and end with
    // the type-6 message), and the monitor names the node. The foreign
    // devices go first, so their removals sit ahead of ours in the monitor's
    // socket.
    void unplugInTheMiddleOfAReadBack()
    {
        QVERIFY(destroy(otherVendor));
        QVERIFY(destroy(otherProduct));

        link->clear();
        link->post(&DM::stopCirculation, false);
        link->post(&DM::readWriteStorageDataSlot);
        QTRY_VERIFY_WITH_TIMEOUT(link->groups.size() >= 20, 30000);
        ours.destroy();
        QVERIFY(link->settle());

        QVERIFY2(link->groups.size() < 200, "the read-back ran to its end");
        QCOMPARE(link->messages, QList<Message>{msg("设备未连接", 4)});
        QTRY_COMPARE(removals->count(), 1);
        QCOMPARE(removals->at(0).at(0).toString(), firstPath);
        QCOMPARE(arrivals->count(), 1);
    }

    // The link still holds the broken handle (a failed read-back keeps it), so
    // the kernel cannot give the old number out again.
    void replugWhileTheOldNodeIsHeld()
    {
        QVERIFY(create(ours, &secondPath));
        QTRY_COMPARE(arrivals->count(), 2);
        QVERIFY(secondPath != firstPath);
        link->clear();
        link->post(&DM::detectDevices);
        link->post(&DM::connectSlot, secondPath);
        link->post(&DM::readWriteSystemInfo);
        QVERIFY(link->settle());
        QCOMPARE(link->detected, QList<QStringList>{QStringList{secondPath}});
        QCOMPARE(link->connects, (QList<QPair<bool, QString>>{{true, secondPath}}));
        QCOMPARE(link->info.size(), 1);
    }

    // A live poll on a destroyed device closes the handle; with no handle left
    // the kernel hands out the lowest free number, here the same one again.
    // A read on a quiet handle shows what hidapi itself returns.
    void replugAfterTheLinkLetGo()
    {
        hid_device* raw = hid_open_path(secondPath.toUtf8().constData());
        QVERIFY(raw);
        int rawRead = 0;
        qint64 rawReadMs = 0;
        std::unique_ptr<QThread> reader(QThread::create([&] {
            unsigned char buffer[64];
            QElapsedTimer t;
            t.start();
            rawRead = hid_read_timeout(raw, buffer, sizeof buffer, 20000);
            rawReadMs = t.elapsed();
        }));
        reader->start();
        QVERIFY(destroy(ours));
        QVERIFY(reader->wait(30000));
        qCInfo(lcKernel) << "a read begun as the device was destroyed returned" << rawRead
                         << "after" << rawReadMs << "ms";
        QCOMPARE(rawRead, -1);
        const QByteArray request = frames::padded(frames::liveRequest());
        QCOMPARE(hid_write(raw, reinterpret_cast<const unsigned char*>(request.constData()),
                           size_t(request.size())),
                 -1);
        hid_close(raw);

        link->clear();
        link->post(&DM::readWriteLiveDataSlot);
        link->post(&DM::readWriteLiveDataSlot);
        QVERIFY(link->settle());
        QCOMPARE(link->messages, (QList<Message>{msg("设备未连接", 4), msg("设备未连接", 4)}));
        QTRY_COMPARE(removals->count(), 2);
        QCOMPARE(removals->at(1).at(0).toString(), secondPath);

        QString thirdPath;
        QVERIFY(create(ours, &thirdPath));
        QTRY_COMPARE(arrivals->count(), 3);
        QCOMPARE(thirdPath, secondPath);
        link->clear();
        link->post(&DM::detectDevices);
        link->post(&DM::connectSlot, thirdPath);
        link->post(&DM::readWriteLiveDataSlot);
        QVERIFY(link->settle());
        QCOMPARE(link->detected, QList<QStringList>{QStringList{thirdPath}});
        QCOMPARE(link->live.size(), 1);
        QCOMPARE(link->messages, QList<Message>{});
    }

    void cleanupTestCase()
    {
        link.reset();
        ours.destroy();
        otherVendor.destroy();
        otherProduct.destroy();
    }
};

QTEST_GUILESS_MAIN(TestKernelPath)
#include "tst_kernelpath.moc"
