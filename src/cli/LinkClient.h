#pragma once

#include "Records.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class DeviceManager;
class ParseData;
class QEventLoop;
class QThread;
class QTimer;

// The link as a program without a window uses it: the same link worker and
// decoding worker as the window, each on a thread of its own and reached
// through queued calls, so every exchange keeps their time-outs, retries and
// failure reports. Each call below performs one exchange and waits, in a
// local event loop, until the workers have finished with it; every wait is
// bounded.
//
// A call knows its exchange is over when a marker, queued behind it through
// the link thread and then the decoding thread, comes back: by then every
// signal the exchange caused has been delivered here.
class LinkClient : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        Ok,
        NotFound,     // open: the path is gone
        NoPermission, // open: EACCES or EPERM
        OpenFailed,   // open: another system error
        NoAnswer,     // the instrument did not answer; the link worker closed the link
        Refused,      // a parameter write or start was not acknowledged with "O"
        BadData,      // checksum error, a reply that is not the one asked for
        NoData,       // store count: the instrument holds no records
        Interrupted,  // interrupt() came while waiting
        Stuck,        // the workers did not finish within the bound
    };

    struct Found
    {
        QString path;
        QString usbPort;
        QString serial;
    };

    explicit LinkClient(QObject* parent = nullptr);
    // Closes the link and stops the threads, link thread first.
    ~LinkClient() override;

    Outcome detect(QVector<Found>* found);
    // On failure *errorNumber holds the system's errno.
    Outcome open(const QString& path, int* errorNumber = nullptr);
    void close();
    Outcome identity(DeviceInfo* info);
    Outcome live(ReceiveLiveData* reading);
    Outcome writeSetting(const QByteArray& frame);
    Outcome startTest();
    Outcome stopTest();
    Outcome storeCount(int* total);
    // Reads groups 1 .. the last count. Each decoded group goes to onGroup
    // as it arrives; progress(done) follows every group, read or not.
    // Groups the instrument did not deliver are simply not passed on.
    Outcome readStore(const std::function<void(int group, const ReceiveStorageData&)>& onGroup,
                      const std::function<void(int done)>& progress);
    // Waits ms milliseconds with the event loop running; Interrupted if an
    // interrupt came meanwhile.
    Outcome pause(int ms);

    // Ends the current wait (and the next one to start) with Interrupted. A
    // read-back in progress is told to stop; any other exchange is let finish.
    void interrupt();
    // Whether interrupt() was ever called.
    bool wasInterrupted() const { return m_everInterrupted; }

    // The longest a single exchange may take before the call gives up:
    // well above the link worker's own worst case (three read time-outs).
    static constexpr int kExchangeBoundMs = 15000;

private:
    // What the workers reported during the current call.
    struct Events
    {
        bool detected = false;
        QStringList paths, ports, serials;
        bool opened = false;
        bool openAnswered = false;
        int openErrno = 0;
        QVector<QPair<QString, int>> linkMessages;  // the link worker's stateProcessing
        QVector<QPair<QString, int>> parseMessages; // the decoding worker's stateProcessing
        QVector<ReceiveLiveData> readings;
        int rejectedReadings = 0;
        QVector<DeviceInfo> identities;
        int total = -1;
        bool readBackEnded = false;
        int groupsDone = 0;
    };

    // Queues call on the link worker, then waits until it and everything it
    // caused is through. progressBound: the bound restarts on every event
    // (a read-back's groups), instead of covering the whole call.
    Outcome run(const std::function<void(DeviceManager*)>& call, bool progressBound = false);
    void touch();
    bool hasLinkMessage(int type) const;
    Outcome parameterWrite(const std::function<void(DeviceManager*)>& call,
                           const QString& acknowledged);

    DeviceManager* m_link = nullptr;
    ParseData* m_parser = nullptr;
    QThread* m_linkThread = nullptr;
    QThread* m_parseThread = nullptr;

    Events m_events;
    quint64 m_token = 0;
    quint64 m_doneToken = 0;
    QEventLoop* m_loop = nullptr;
    QTimer* m_bound = nullptr;
    bool m_progressBound = false;
    bool m_interruptPending = false;
    bool m_everInterrupted = false;
    bool m_readingBack = false;
    std::function<void(int, const ReceiveStorageData&)> m_onGroup;
    std::function<void(int)> m_progress;
};
