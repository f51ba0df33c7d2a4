#include "CentralLink.h"

#include "CentralForwarder.h"
#include "Journal.h"

namespace {

// Large enough that a backlog goes in few transactions, small enough that a
// batch never holds the server or the journal for long.
constexpr int kBatch = 200;

} // namespace

CentralLink::CentralLink(Journal* journal, const CentralConfig& config, QObject* parent)
    : QObject(parent), journal_(journal), config_(config)
{
    qRegisterMetaType<QVector<CentralRow>>();
    qRegisterMetaType<QVector<Journal::Forwarded>>();
    if (!config_.configured())
        return;
    feedTimer_.setSingleShot(true);
    connect(&feedTimer_, &QTimer::timeout, this, &CentralLink::feed);
    forwarder_ = new CentralForwarder(config_);
    forwarder_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, forwarder_, &QObject::deleteLater);
    connect(forwarder_, &CentralForwarder::taken, this, &CentralLink::onTaken);
    connect(forwarder_, &CentralForwarder::failed, this, &CentralLink::onFailed);
    connect(journal, &Journal::changed, this, &CentralLink::scheduleFeed);
    thread_.setObjectName(QStringLiteral("central"));
    thread_.start();
    scheduleFeed();
}

CentralLink::~CentralLink()
{
    // A write under way ends within the connection's time-outs.
    thread_.quit();
    thread_.wait();
}

CentralLink::State CentralLink::state() const
{
    if (!forwarder_)
        return State::NotConfigured;
    return waiting_ == 0 ? State::Forwarded : State::Waiting;
}

QString CentralLink::statusText() const
{
    switch (state()) {
    case State::NotConfigured:
        return tr("未配置中心数据库");
    case State::Forwarded:
        return tr("记录已转发到中心数据库");
    case State::Waiting:
        break;
    }
    const QString waiting = tr("等待转发 %1 条记录").arg(waiting_);
    return problem_.isEmpty() ? waiting : tr("%1：%2").arg(waiting, problem_);
}

void CentralLink::scheduleFeed()
{
    updateStatus();
    if (!feedTimer_.isActive())
        feedTimer_.start(0);
}

void CentralLink::feed()
{
    if (!journal_)
        return;
    if (!inFlight_) {
        const QVector<Journal::Record> records = journal_->waiting(kBatch);
        if (!records.isEmpty()) {
            QVector<CentralRow> rows;
            rows.reserve(records.size());
            const QString station = config_.stationName();
            for (const Journal::Record& r : records)
                rows.append(CentralRow::fromRecord(r, station, config_.operatorName));
            inFlight_ = true;
            QMetaObject::invokeMethod(forwarder_, "send", Qt::QueuedConnection,
                                      Q_ARG(QVector<CentralRow>, rows));
        }
    }
    updateStatus();
}

void CentralLink::onTaken(const QVector<Journal::Forwarded>& revisions)
{
    inFlight_ = false;
    problem_.clear();
    if (journal_)
        journal_->markForwarded(revisions);
    feed();
}

void CentralLink::onFailed(const QString& reason, int retryMs)
{
    Q_UNUSED(retryMs)
    problem_ = reason;
    updateStatus();
    emit failed(reason);
}

void CentralLink::updateStatus()
{
    waiting_ = journal_ ? journal_->waitingCount() : 0;
    const QString text = statusText();
    if (text != lastText_) {
        lastText_ = text;
        emit statusChanged();
    }
}
