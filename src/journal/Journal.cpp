// The journal's life: made, closed, and switched off for the run when the
// file cannot be kept, with the one message the window shows. Opening a file
// is JournalOpen.cpp; the records, the typed remark, the history and the
// forwarding queries have files of their own.
#include "Journal.h"
#include "JournalLog.h"
#include "JournalSql.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

Journal::Journal(QObject* parent) : QObject(parent)
{
    typedRemarkTimer_.setSingleShot(true);
    typedRemarkTimer_.setInterval(kTypedRemarkDelayMs);
    connect(&typedRemarkTimer_, &QTimer::timeout, this, &Journal::writeTypedRemark);
}

Journal::~Journal()
{
    // Whoever listens may be half gone by now: a last failure goes unsaid.
    blockSignals(true);
    if (typedRemarkTimer_.isActive())
        writeTypedRemark();
    detach();
}

QString Journal::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/journal.sqlite");
}

void Journal::detach()
{
    appendQuery_.reset();
    if (connection_.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
    connection_.clear();
}

QSqlDatabase Journal::database() const
{
    return QSqlDatabase::database(connection_, false);
}

bool Journal::update(const QString& sql, const QVariantList& values)
{
    return inTransaction([&](QSqlDatabase& db, QSqlError* error) {
        QSqlQuery q(db);
        if (!q.prepare(sql)) {
            *error = q.lastError();
            return false;
        }
        for (const QVariant& v : values)
            q.addBindValue(v);
        return journalsql::exec(q, error);
    });
}

void Journal::failOn(const QSqlError& error)
{
    qCWarning(lcJournal).noquote()
        << "SQLite:" << error.text() << "code" << error.nativeErrorCode();
    const QString file = QDir::toNativeSeparators(path_);
    switch (journalsql::sqliteCode(error)) {
    case journalsql::kBusy:
    case journalsql::kLocked:
        fail(tr("日志文件 %1 正被另一个程序使用").arg(file));
        break;
    case journalsql::kCorrupt:
    case journalsql::kNotADb:
        fail(tr("日志文件 %1 已损坏").arg(file));
        break;
    case journalsql::kFull:
        fail(tr("磁盘已满"));
        break;
    case journalsql::kPerm:
    case journalsql::kReadOnly:
    case journalsql::kCantOpen:
    case journalsql::kIoErr:
        fail(tr("无法写入日志文件 %1").arg(file));
        break;
    default:
        fail(tr("日志文件 %1 出错（%2）").arg(file, error.text()));
        break;
    }
}

void Journal::fail(const QString& reason)
{
    if (state_ == State::Failed)
        return;
    detach();
    state_ = State::Failed;
    failure_ = tr("测量记录无法保存到日志：%1").arg(reason);
    qCWarning(lcJournal).noquote() << failure_;
    emit failed(failure_);
}
