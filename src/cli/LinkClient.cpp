#include "LinkClient.h"

#include "CliLog.h"
#include "DeviceManager.h"
#include "ParseData.h"
#include "Protocol.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <cerrno>

namespace {

// The link worker's own texts for the outcomes that share an error type with
// a failure; they are compared as the worker translates them.
QString linkText(const char* source)
{
    return QCoreApplication::translate("DeviceManager", source);
}

} // namespace

LinkClient::LinkClient(QObject* parent) : QObject(parent)
{
    registerLinkMetaTypes();
    m_link = new DeviceManager;
    m_parser = new ParseData;
    m_linkThread = new QThread;
    m_parseThread = new QThread;
    m_linkThread->setObjectName(QStringLiteral("deviceThread"));
    m_parseThread->setObjectName(QStringLiteral("parseThread"));
    m_link->moveToThread(m_linkThread);
    m_parser->moveToThread(m_parseThread);

    connect(m_link, &DeviceManager::finishReadRealTime, m_parser, &ParseData::parseRealTimeData);
    connect(m_link, &DeviceManager::finishReadReadBack, m_parser, &ParseData::parseReadBackData);
    connect(m_link, &DeviceManager::finishReadSystemInfo, m_parser, &ParseData::parseSystemInfo);

    connect(m_link, &DeviceManager::detectedDeviceDetails, this,
            [this](QStringList paths, QStringList ports, QStringList serials) {
                m_events.paths = paths;
                m_events.ports = ports;
                m_events.serials = serials;
            });
    connect(m_link, &DeviceManager::detectedDeviceSignal, this, [this](QStringList paths) {
        m_events.detected = true;
        if (m_events.paths != paths) { // details missing: the paths alone
            m_events.paths = paths;
            m_events.ports.clear();
            m_events.serials.clear();
        }
    });
    connect(m_link, &DeviceManager::openFailed, this,
            [this](QString, int errorNumber) { m_events.openErrno = errorNumber; });
    connect(m_link, &DeviceManager::finishUsbDetection, this, [this](bool ok, QString) {
        m_events.openAnswered = true;
        m_events.opened = ok;
    });
    connect(m_link, &DeviceManager::liveReplyRejected, this,
            [this] { ++m_events.rejectedReadings; });
    connect(m_link, &DeviceManager::finishReadStorageNumSignal, this,
            [this](int total) { m_events.total = total; });
    connect(m_link, &DeviceManager::stateProcessing, this, [this](QString text, int type) {
        qCDebug(lcCli) << "link worker:" << type << text;
        m_events.linkMessages.append({text, type});
        if (type == report::ReadBackEnded)
            m_events.readBackEnded = true;
        if (m_readingBack && type == report::Information) { // a group that timed out
            ++m_events.groupsDone;
            if (m_progress)
                m_progress(m_events.groupsDone);
        }
        touch();
    });

    connect(m_parser, &ParseData::finishReadRealTimeData, this,
            [this](ReceiveLiveData reading) { m_events.readings.append(reading); });
    connect(m_parser, &ParseData::liveFrameRejected, this, [this] { ++m_events.rejectedReadings; });
    connect(m_parser, &ParseData::finishReadSystemInfoData, this,
            [this](DeviceInfo info) { m_events.identities.append(info); });
    connect(m_parser, &ParseData::finishReadReadBackData, this,
            [this](ReceiveStorageData record, int group) {
                if (m_onGroup)
                    m_onGroup(group, record);
                ++m_events.groupsDone;
                if (m_progress)
                    m_progress(m_events.groupsDone);
                touch();
            });
    connect(m_parser, &ParseData::stateProcessing, this, [this](QString text, int type) {
        qCDebug(lcCli) << "decoding worker:" << type << text;
        m_events.parseMessages.append({text, type});
        if (m_readingBack && type == report::Information) { // a group that did not decode
            ++m_events.groupsDone;
            if (m_progress)
                m_progress(m_events.groupsDone);
        }
        touch();
    });

    m_linkThread->start();
    m_parseThread->start();
}

LinkClient::~LinkClient()
{
    // A read-back still running would keep the link thread busy.
    m_link->stopCirculation(true);
    QMetaObject::invokeMethod(m_link, &DeviceManager::disconnectSlot, Qt::QueuedConnection);
    m_linkThread->quit();
    m_linkThread->wait();
    m_parseThread->quit();
    m_parseThread->wait();
    delete m_link;
    delete m_parser;
    delete m_linkThread;
    delete m_parseThread;
}

void LinkClient::touch()
{
    if (m_progressBound && m_bound)
        m_bound->start();
}

void LinkClient::interrupt()
{
    m_interruptPending = true;
    m_everInterrupted = true;
    if (m_loop)
        m_loop->quit();
}

bool LinkClient::hasLinkMessage(int type) const
{
    for (const auto& m : m_events.linkMessages)
        if (m.second == type)
            return true;
    return false;
}

LinkClient::Outcome LinkClient::run(const std::function<void(DeviceManager*)>& call,
                                    bool progressBound)
{
    m_events = Events();
    const quint64 token = ++m_token;
    QMetaObject::invokeMethod(
        m_link, [link = m_link, call] { call(link); }, Qt::QueuedConnection);
    // The marker: behind the call on the link thread, then behind whatever
    // the call handed to the decoding thread, then back here.
    ParseData* parser = m_parser;
    QMetaObject::invokeMethod(
        m_link,
        [this, parser, token] {
            QMetaObject::invokeMethod(
                parser,
                [this, token] {
                    QMetaObject::invokeMethod(
                        this,
                        [this, token] {
                            m_doneToken = token;
                            if (m_loop)
                                m_loop->quit();
                        },
                        Qt::QueuedConnection);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);

    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    bound.setInterval(kExchangeBoundMs);
    connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    m_loop = &loop;
    m_bound = &bound;
    m_progressBound = progressBound;
    bound.start();
    bool stopAsked = false;
    while (m_doneToken < token && bound.isActive()) {
        if (m_interruptPending && m_readingBack && !stopAsked) {
            // Direct call: the loop on the link thread checks the flag
            // between groups, under the worker's mutex.
            m_link->stopCirculation(true);
            stopAsked = true;
        }
        loop.exec();
    }
    m_loop = nullptr;
    m_bound = nullptr;
    m_progressBound = false;
    if (m_doneToken < token) {
        qCDebug(lcCli) << "the link worker did not finish an exchange within" << kExchangeBoundMs
                       << "ms";
        return Outcome::Stuck;
    }
    if (m_interruptPending) {
        m_interruptPending = false;
        return Outcome::Interrupted;
    }
    return Outcome::Ok;
}

LinkClient::Outcome LinkClient::pause(int ms)
{
    if (!m_interruptPending && ms > 0) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        m_loop = &loop;
        timer.start(ms);
        while (timer.isActive() && !m_interruptPending)
            loop.exec();
        m_loop = nullptr;
    }
    if (m_interruptPending) {
        m_interruptPending = false;
        return Outcome::Interrupted;
    }
    return Outcome::Ok;
}

LinkClient::Outcome LinkClient::detect(QVector<Found>* found)
{
    const Outcome r = run([](DeviceManager* d) { d->detectDevices(); });
    found->clear();
    for (int i = 0; i < m_events.paths.size(); ++i)
        found->append({m_events.paths.at(i), m_events.ports.value(i), m_events.serials.value(i)});
    return r;
}

LinkClient::Outcome LinkClient::open(const QString& path, int* errorNumber)
{
    const Outcome r = run([path](DeviceManager* d) { d->connectSlot(path); });
    if (errorNumber)
        *errorNumber = m_events.openErrno;
    if (r != Outcome::Ok || m_events.opened)
        return r;
    switch (m_events.openErrno) {
    case EACCES:
    case EPERM:
        return Outcome::NoPermission;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return Outcome::NotFound;
    default:
        return Outcome::OpenFailed;
    }
}

void LinkClient::close()
{
    run([](DeviceManager* d) { d->disconnectSlot(); });
}

LinkClient::Outcome LinkClient::identity(DeviceInfo* info)
{
    const Outcome r = run([](DeviceManager* d) { d->readWriteSystemInfo(); });
    if (r != Outcome::Ok)
        return r;
    if (!m_events.identities.isEmpty()) {
        *info = m_events.identities.constLast();
        return Outcome::Ok;
    }
    return hasLinkMessage(report::LinkLost) ? Outcome::NoAnswer : Outcome::BadData;
}

LinkClient::Outcome LinkClient::live(ReceiveLiveData* reading)
{
    const Outcome r = run([](DeviceManager* d) { d->readWriteLiveDataSlot(); });
    if (r != Outcome::Ok)
        return r;
    if (!m_events.readings.isEmpty()) {
        *reading = m_events.readings.constLast();
        return Outcome::Ok;
    }
    return hasLinkMessage(report::LinkLost) ? Outcome::NoAnswer : Outcome::BadData;
}

LinkClient::Outcome LinkClient::parameterWrite(const std::function<void(DeviceManager*)>& call,
                                               const QString& acknowledged)
{
    const Outcome r = run(call);
    if (r != Outcome::Ok)
        return r;
    // Three time-outs (or no open device) come as type 4 before the slot's own report.
    if (hasLinkMessage(report::LinkLost))
        return Outcome::NoAnswer;
    for (const auto& m : m_events.linkMessages)
        if (m.second == report::Information && m.first == acknowledged)
            return Outcome::Ok;
    return Outcome::Refused;
}

LinkClient::Outcome LinkClient::writeSetting(const QByteArray& frame)
{
    return parameterWrite([frame](DeviceManager* d) { d->updateTestSettingSlot(frame); },
                          linkText("更新测量设置成功"));
}

LinkClient::Outcome LinkClient::startTest()
{
    return parameterWrite([](DeviceManager* d) { d->requestStartTestingSlot(); },
                          linkText("开始测试"));
}

LinkClient::Outcome LinkClient::stopTest()
{
    return parameterWrite([](DeviceManager* d) { d->requestStopTestingSlot(); },
                          linkText("停止测试"));
}

LinkClient::Outcome LinkClient::storeCount(int* total)
{
    const Outcome r = run([](DeviceManager* d) { d->readWriteStoreTotalNum(); });
    if (r != Outcome::Ok)
        return r;
    if (m_events.total > 0) {
        *total = m_events.total;
        return Outcome::Ok;
    }
    if (hasLinkMessage(report::LinkLost))
        return Outcome::NoAnswer;
    for (const auto& m : m_events.linkMessages)
        if (m.second == report::StoreCountUnusable && m.first == linkText("无存储数据"))
            return Outcome::NoData;
    return Outcome::BadData;
}

LinkClient::Outcome
LinkClient::readStore(const std::function<void(int, const ReceiveStorageData&)>& onGroup,
                      const std::function<void(int)>& progress)
{
    m_onGroup = onGroup;
    m_progress = progress;
    m_readingBack = true;
    const Outcome r = run(
        [](DeviceManager* d) {
            d->stopCirculation(false);
            d->readWriteStorageDataSlot();
        },
        true);
    m_readingBack = false;
    m_onGroup = nullptr;
    m_progress = nullptr;
    if (r != Outcome::Ok)
        return r;
    if (hasLinkMessage(report::LinkLost) || !m_events.readBackEnded)
        return Outcome::NoAnswer;
    return Outcome::Ok;
}
