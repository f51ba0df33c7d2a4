// The remark being typed, kept so that a crash does not lose it.
#include "Journal.h"
#include "JournalSql.h"

#include <QSqlQuery>

bool Journal::setPendingRemark(const QString& text)
{
    if (state_ != State::Open)
        return false;
    if (text == remark_)
        return true;
    if (!update(QStringLiteral("UPDATE sessions SET remark = ? WHERE id = ?"),
                {journalsql::sqlText(text), session_}))
        return false;
    remark_ = text;
    return true;
}

void Journal::keepTypedRemark(const QString& text)
{
    if (state_ != State::Open)
        return;
    typedRemark_ = text;
    // Not restarted by later keys: steady typing is written every interval.
    if (!typedRemarkTimer_.isActive())
        typedRemarkTimer_.start();
}

void Journal::writeTypedRemark()
{
    typedRemarkTimer_.stop();
    if (state_ != State::Open)
        return;
    // A commit without a sync of its own, and never the one that copies the
    // log into the file (which syncs twice): handing the page to the
    // operating system is all it costs, even on a slow disk.
    QSqlQuery q(database());
    const bool relaxed = q.exec(QStringLiteral("PRAGMA synchronous = NORMAL")) &&
                         q.exec(QStringLiteral("PRAGMA wal_autocheckpoint = 0"));
    setPendingRemark(typedRemark_);
    if (state_ != State::Open)
        return;
    if (!relaxed || !q.exec(QStringLiteral("PRAGMA wal_autocheckpoint = 1000")) ||
        !q.exec(QStringLiteral("PRAGMA synchronous = FULL")))
        failOn(q.lastError());
}
