#include "CentralForwarder.h"

#include "CentralDatabase.h"
#include "JournalLog.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace {

constexpr int kFirstPauseMs = 1000;
constexpr int kLongestPauseMs = 30000;

QAtomicInt forwarderCount;

} // namespace

CentralForwarder::CentralForwarder(const CentralConfig& config, QObject* parent)
    : QObject(parent), config_(config),
      connection_(QStringLiteral("lt.central.%1").arg(forwarderCount.fetchAndAddRelaxed(1)))
{
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &CentralForwarder::attempt);
}

CentralForwarder::~CentralForwarder()
{
    dropConnection();
}

void CentralForwarder::send(const QVector<CentralRow>& rows)
{
    batch_ = rows;
    retry_.stop();
    attempt();
}

void CentralForwarder::attempt()
{
    if (batch_.isEmpty())
        return;
    QString reason;
    if (write(&reason)) {
        QVector<Journal::Forwarded> revisions;
        revisions.reserve(batch_.size());
        for (const CentralRow& row : batch_)
            revisions.append({row.uuid, row.revision});
        batch_.clear();
        pauseMs_ = 0;
        emit taken(revisions);
        return;
    }
    // Whatever went wrong, the next attempt starts from a new connection.
    dropConnection();
    pauseMs_ = std::min(kLongestPauseMs, pauseMs_ ? pauseMs_ * 2 : kFirstPauseMs);
    retry_.start(pauseMs_);
    emit failed(reason, pauseMs_);
}

bool CentralForwarder::write(QString* reason)
{
    if (!open_) {
        if (!CentralDatabase::open(config_, connection_, reason))
            return false;
        open_ = true;
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        if (!CentralDatabase::checkSchema(db, reason))
            return false;
    }
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    // All of the batch or none of it: when the reply to the commit is lost,
    // the whole batch goes again and the server keeps what it has.
    if (!db.transaction()) {
        *reason = CentralDatabase::reasonFor(db.lastError().text());
        return false;
    }
    {
        QSqlQuery q(db);
        if (!q.prepare(CentralRow::upsertSql())) {
            *reason = CentralDatabase::reasonFor(q.lastError().text());
            db.rollback();
            return false;
        }
        for (const CentralRow& row : batch_) {
            row.bind(q);
            if (!q.exec()) {
                *reason = CentralDatabase::reasonFor(q.lastError().text());
                db.rollback();
                return false;
            }
        }
    }
    if (!db.commit()) {
        *reason = CentralDatabase::reasonFor(db.lastError().text());
        return false;
    }
    qCDebug(lcJournal) << "forwarded" << batch_.size() << "records";
    return true;
}

void CentralForwarder::dropConnection()
{
    if (open_ || QSqlDatabase::contains(connection_))
        CentralDatabase::close(connection_);
    open_ = false;
}
