// Opening a journal file: the checks that tell a damaged or foreign file
// (moved aside) from one held by another program or written by a newer
// version (the journal stays off), the upgrade, and this run's session.
#include "Journal.h"
#include "JournalFile.h"
#include "JournalLog.h"
#include "JournalSchema.h"
#include "JournalSql.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace {

// Long enough for a neighbour's short write, short enough that the GUI thread
// never notices; a journal held for longer is another program's, and ours is
// then off for this run.
constexpr int kBusyTimeoutMs = 100;

QAtomicInt connectionCount;

} // namespace

Journal::State Journal::open(const QString& path)
{
    if (state_ != State::Closed)
        return state_;
    path_ = QFileInfo(path).absoluteFilePath();
    qCDebug(lcJournal).noquote() << "journal" << path_;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        fail(tr("没有 SQLite 数据库驱动"));
        return state_;
    }
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder)) {
        fail(tr("无法创建文件夹 %1").arg(QDir::toNativeSeparators(folder)));
        return state_;
    }

    Attempt attempt = attach();
    if (attempt.outcome == Outcome::Damaged || attempt.outcome == Outcome::Foreign) {
        const bool damaged = attempt.outcome == Outcome::Damaged;
        qCWarning(lcJournal).noquote()
            << (damaged ? "damaged journal:" : "not a journal:") << attempt.error.text();
        detach();
        const QString movedTo = journalfile::moveAside(path_, damaged ? QStringLiteral("corrupt")
                                                                      : QStringLiteral("unknown"));
        if (movedTo.isEmpty()) {
            fail(tr("日志文件 %1 已损坏，且无法改名移开").arg(QDir::toNativeSeparators(path_)));
            return state_;
        }
        qCWarning(lcJournal).noquote() << "set aside as" << movedTo;
        const QString shown = QDir::toNativeSeparators(movedTo);
        emit movedAside(movedTo,
                        damaged ? tr("日志文件已损坏，已改名为 %1 保留，并新建了日志").arg(shown)
                                : tr("日志位置上的文件不是测量日志，已改名为 %1 "
                                     "保留，并新建了日志")
                                      .arg(shown));
        attempt = attach();
    }

    switch (attempt.outcome) {
    case Outcome::Ok:
        state_ = State::Open;
        qCDebug(lcJournal) << "session" << session_;
        break;
    case Outcome::Newer:
        detach();
        fail(tr("日志文件由较新版本的程序写入，未作改动"));
        break;
    default:
        detach();
        failOn(attempt.error);
        break;
    }
    return state_;
}

Journal::Attempt Journal::attach()
{
    Attempt attempt;
    auto outcomeOf = [&attempt](const QSqlError& error) {
        attempt.error = error;
        switch (journalsql::sqliteCode(error)) {
        case journalsql::kCorrupt:
        case journalsql::kNotADb:
            attempt.outcome = Outcome::Damaged;
            break;
        case journalsql::kBusy:
        case journalsql::kLocked:
            attempt.outcome = Outcome::Busy;
            break;
        default:
            attempt.outcome = Outcome::Other;
            break;
        }
        return attempt;
    };

    connection_ = QStringLiteral("lt.journal.%1").arg(connectionCount.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path_);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open())
        return outcomeOf(db.lastError());

    QSqlQuery q(db);
    QSqlError error;
    // Held from the first read until the journal closes: a second copy of the
    // program cannot take this run's records for an earlier session's, and
    // no shared-memory index is needed beside the file.
    if (!q.exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE")))
        return outcomeOf(q.lastError());

    int version = 0;
    switch (journalschema::inspect(db, &version, &error)) {
    case journalschema::Kind::Journal:
        break;
    case journalschema::Kind::Newer:
        attempt.outcome = Outcome::Newer;
        return attempt;
    case journalschema::Kind::Foreign:
        attempt.outcome = Outcome::Foreign;
        return attempt;
    case journalschema::Kind::Failed:
        return outcomeOf(error);
    }

    if (version > 0) {
        if (!q.exec(QStringLiteral("PRAGMA quick_check")))
            return outcomeOf(q.lastError());
        QStringList problems;
        while (q.next()) {
            const QString line = q.value(0).toString();
            if (line != QLatin1String("ok"))
                problems << line;
        }
        if (!problems.isEmpty()) {
            attempt.outcome = Outcome::Damaged;
            attempt.error =
                QSqlError(problems.join(QLatin1String("; ")), QString(), QSqlError::UnknownError,
                          QString::number(journalsql::kCorrupt));
            return attempt;
        }
    }

    // A record that append() returned must survive a killed process and a
    // power cut: the write-ahead log is synced at every commit.
    if (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
        return outcomeOf(q.lastError());
    if (!q.next() || q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive)) {
        attempt.outcome = Outcome::Other;
        attempt.error = QSqlError(QStringLiteral("write-ahead log refused"), QString(),
                                  QSqlError::UnknownError, QString::number(journalsql::kReadOnly));
        return attempt;
    }
    q.finish();
    if (!q.exec(QStringLiteral("PRAGMA synchronous = FULL")))
        return outcomeOf(q.lastError());
    if (!journalschema::upgrade(db, version, &error))
        return outcomeOf(error);

    q.prepare(QStringLiteral("INSERT INTO sessions (started) VALUES (?)"));
    q.addBindValue(QDateTime::currentMSecsSinceEpoch());
    if (!q.exec())
        return outcomeOf(q.lastError());
    session_ = q.lastInsertId().toLongLong();
    remark_.clear();

    // append() (JournalRecords.cpp) binds the values in this order.
    QString insert = QStringLiteral("INSERT INTO records (session, state, recorded_at, "
                                    "device_name, device_model, device_version");
    for (int c = 0; c < kColumns; ++c)
        insert += QStringLiteral(", ") + QLatin1String(journalschema::cellColumn(c));
    insert += QStringLiteral(", uuid, object, point) VALUES (?") +
              QStringLiteral(", ?").repeated(8 + kColumns) + QLatin1Char(')');
    appendQuery_ = std::make_unique<QSqlQuery>(db);
    if (!appendQuery_->prepare(insert))
        return outcomeOf(appendQuery_->lastError());
    return attempt;
}
