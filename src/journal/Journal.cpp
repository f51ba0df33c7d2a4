#include "Journal.h"
#include "JournalFile.h"
#include "JournalLog.h"
#include "JournalSchema.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>
#include <QVariant>

namespace {

// Long enough for a neighbour's short write, short enough that the GUI thread
// never notices; a journal held for longer is another program's, and ours is
// then off for this run.
constexpr int kBusyTimeoutMs = 100;

// SQLite's primary result codes, as the driver reports them.
enum SqliteCode
{
    kPerm = 3,
    kBusy = 5,
    kLocked = 6,
    kReadOnly = 8,
    kIoErr = 10,
    kCorrupt = 11,
    kFull = 13,
    kCantOpen = 14,
    kNotADb = 26,
};

int sqliteCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

QString recordColumns()
{
    QString columns = QStringLiteral("id, state, recorded_at, device_name, device_model, "
                                     "device_version");
    for (int c = 0; c < Journal::kColumns; ++c)
        columns += QStringLiteral(", ") + QLatin1String(journalschema::cellColumn(c));
    return columns + QStringLiteral(", uuid, object, point, revision");
}

// A null QString would be bound as SQL NULL; the table holds texts. SQLite
// takes a U+FEFF or U+FFFE in front of a UTF-16 text for a byte-order mark:
// it drops it, and after U+FFFE reads the rest byte-swapped. A mark of our
// own in front is the one it drops, so the text is stored as it is.
QString sqlText(const QString& s)
{
    if (s.isNull())
        return QStringLiteral("");
    if (s.startsWith(QChar(0xFEFF)) || s.startsWith(QChar(0xFFFE)))
        return QChar(0xFEFF) + s;
    return s;
}

QAtomicInt connectionCount;

// The records matching `where` (its placeholders bound to `values`) in the
// order `orderBy` names.
bool readRecords(const QSqlDatabase& db, const QString& where, QVector<Journal::Record>* out,
                 QSqlError* error, const QVariantList& values = {},
                 const QString& orderBy = QStringLiteral("id"), int limit = -1)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    bool ran = q.prepare(QStringLiteral("SELECT %1 FROM records WHERE %2 ORDER BY %3 LIMIT %4")
                             .arg(recordColumns(), where, orderBy)
                             .arg(limit));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!ran || !q.exec()) {
        *error = q.lastError();
        return false;
    }
    while (q.next()) {
        Journal::Record r;
        r.id = q.value(0).toLongLong();
        r.saved = q.value(1).toInt() == journalschema::Saved;
        r.removed = q.value(1).toInt() == journalschema::Removed;
        r.recordedAt = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong(), Qt::UTC);
        r.identity = {q.value(3).toString(), q.value(4).toString(), q.value(5).toString()};
        r.cells.reserve(Journal::kColumns);
        for (int c = 0; c < Journal::kColumns; ++c)
            r.cells << q.value(6 + c).toString();
        r.uuid = q.value(6 + Journal::kColumns).toString();
        r.subject = {q.value(7 + Journal::kColumns).toString(),
                     q.value(8 + Journal::kColumns).toString()};
        r.revision = q.value(9 + Journal::kColumns).toInt();
        *out << r;
    }
    if (q.lastError().isValid()) {
        *error = q.lastError();
        return false;
    }
    return true;
}

bool exec(QSqlQuery& q, QSqlError* error)
{
    if (q.exec())
        return true;
    *error = q.lastError();
    return false;
}

// Sets the first cell of each record; rows whose text is already that are
// left alone.
bool renumberIn(QSqlDatabase& db, qint64 session, const QHash<qint64, QString>& firstCells,
                QSqlError* error)
{
    QSqlQuery renumber(db);
    renumber.prepare(QStringLiteral("UPDATE records SET %1 = ? WHERE id = ? AND session = ? "
                                    "AND %1 IS NOT ?")
                         .arg(QLatin1String(journalschema::cellColumn(0))));
    for (auto it = firstCells.cbegin(); it != firstCells.cend(); ++it) {
        renumber.addBindValue(sqlText(it.value()));
        renumber.addBindValue(it.key());
        renumber.addBindValue(session);
        renumber.addBindValue(sqlText(it.value()));
        if (!exec(renumber, error))
            return false;
    }
    return true;
}

} // namespace

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
        switch (sqliteCode(error)) {
        case kCorrupt:
        case kNotADb:
            attempt.outcome = Outcome::Damaged;
            break;
        case kBusy:
        case kLocked:
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
            attempt.error = QSqlError(problems.join(QLatin1String("; ")), QString(),
                                      QSqlError::UnknownError, QString::number(kCorrupt));
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
                                  QSqlError::UnknownError, QString::number(kReadOnly));
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

// Runs `work(db, error)` in one transaction; on any error the transaction is
// rolled back and the journal goes off.
template <typename Work> bool Journal::inTransaction(Work work)
{
    if (state_ != State::Open)
        return false;
    QSqlError error;
    {
        QSqlDatabase db = database();
        if (!db.transaction()) {
            error = db.lastError();
        } else if (!work(db, &error)) {
            db.rollback();
        } else if (!db.commit()) {
            error = db.lastError();
            db.rollback();
        }
    }
    if (error.isValid()) {
        failOn(error);
        return false;
    }
    emit changed();
    return true;
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
        return exec(q, error);
    });
}

qint64 Journal::append(const QStringList& cells, const Identity& identity,
                       const QDateTime& recordedAt, const Subject& subject)
{
    if (state_ != State::Open)
        return -1;
    if (cells.size() != kColumns) {
        qCWarning(lcJournal) << "a record needs" << kColumns << "cells, not" << cells.size();
        return -1;
    }
    QSqlQuery& q = *appendQuery_;
    q.addBindValue(session_);
    q.addBindValue(int(journalschema::Live));
    q.addBindValue(recordedAt.toMSecsSinceEpoch());
    q.addBindValue(sqlText(identity.name));
    q.addBindValue(sqlText(identity.model));
    q.addBindValue(sqlText(identity.version));
    for (const QString& cell : cells)
        q.addBindValue(sqlText(cell));
    q.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
    q.addBindValue(sqlText(subject.object));
    q.addBindValue(sqlText(subject.point));
    // A single statement outside a transaction is a transaction of its own.
    if (!q.exec()) {
        const QSqlError error = q.lastError();
        failOn(error);
        return -1;
    }
    const qint64 id = q.lastInsertId().toLongLong();
    q.finish();
    emit changed();
    return id;
}

bool Journal::setPendingRemark(const QString& text)
{
    if (state_ != State::Open)
        return false;
    if (text == remark_)
        return true;
    if (!update(QStringLiteral("UPDATE sessions SET remark = ? WHERE id = ?"),
                {sqlText(text), session_}))
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

bool Journal::setRemark(qint64 id, const QString& text)
{
    return update(QStringLiteral("UPDATE records SET %1 = ?, state = ? WHERE id = ? AND "
                                 "session = ? AND state IN (?, ?)")
                      .arg(QLatin1String(journalschema::cellColumn(kColumns - 1))),
                  {sqlText(text), int(journalschema::Live), id, session_, int(journalschema::Live),
                   int(journalschema::Saved)});
}

bool Journal::renumber(const QHash<qint64, QString>& firstCells)
{
    if (firstCells.isEmpty())
        return state_ == State::Open;
    return inTransaction([&](QSqlDatabase& db, QSqlError* error) {
        return renumberIn(db, session_, firstCells, error);
    });
}

bool Journal::remove(const QVector<qint64>& ids, const QHash<qint64, QString>& firstCells)
{
    return inTransaction([&](QSqlDatabase& db, QSqlError* error) {
        QSqlQuery drop(db);
        drop.prepare(QStringLiteral("UPDATE records SET state = ? WHERE id = ? AND session = ? "
                                    "AND state IN (?, ?)"));
        for (qint64 id : ids) {
            drop.addBindValue(int(journalschema::Removed));
            drop.addBindValue(id);
            drop.addBindValue(session_);
            drop.addBindValue(int(journalschema::Live));
            drop.addBindValue(int(journalschema::Saved));
            if (!exec(drop, error))
                return false;
        }
        return renumberIn(db, session_, firstCells, error);
    });
}

bool Journal::clear()
{
    // Emptying the table is not saying the measurements were wrong (that is
    // what deleting a row says): they stay in the object's history.
    return update(QStringLiteral("UPDATE records SET state = ? WHERE session = ? "
                                 "AND state IN (?, ?)"),
                  {int(journalschema::Dismissed), session_, int(journalschema::Live),
                   int(journalschema::Saved)});
}

bool Journal::markSaved()
{
    return update(QStringLiteral("UPDATE records SET state = ? WHERE session = ? AND state = ?"),
                  {int(journalschema::Saved), session_, int(journalschema::Live)});
}

bool Journal::dismissUnsaved()
{
    return update(QStringLiteral("UPDATE records SET state = ? WHERE session = ? AND state = ?"),
                  {int(journalschema::Dismissed), session_, int(journalschema::Live)});
}

QVector<Journal::Record> Journal::sessionRecords()
{
    return records(QStringLiteral("session = %1 AND state IN (%2, %3)")
                       .arg(session_)
                       .arg(int(journalschema::Live))
                       .arg(int(journalschema::Saved)));
}

QVector<Journal::Record> Journal::records(const QString& where, const QVariantList& values,
                                          const QString& orderBy, int limit)
{
    QVector<Record> out;
    if (state_ != State::Open)
        return out;
    QSqlError error;
    if (!readRecords(database(), where, &out, &error, values, orderBy, limit)) {
        failOn(error);
        out.clear();
    }
    return out;
}

Journal::Pending Journal::pending()
{
    Pending p;
    if (state_ != State::Open)
        return p;
    QSqlError error;
    {
        QSqlQuery q(database());
        const bool prepared = q.prepare(
            QStringLiteral("SELECT n, first, last, (SELECT remark FROM sessions WHERE id = s) "
                           "FROM (SELECT count(*) AS n, min(recorded_at) AS first, "
                           "max(recorded_at) AS last, max(session) AS s "
                           "FROM records WHERE state = ? AND session <> ?)"));
        q.addBindValue(int(journalschema::Live));
        q.addBindValue(session_);
        if (prepared && q.exec() && q.next() && q.value(0).toInt() > 0) {
            p.count = q.value(0).toInt();
            p.first = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong());
            p.last = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong());
            p.remark = q.value(3).toString();
        }
        error = q.lastError();
    }
    if (error.isValid()) {
        failOn(error);
        return Pending();
    }
    return p;
}

QVector<Journal::Record> Journal::restore()
{
    const QString earlier =
        QStringLiteral("state = %1 AND session <> %2").arg(int(journalschema::Live)).arg(session_);
    QVector<Record> out;
    // Read and moved in one transaction: what is returned is what moved.
    const bool moved = inTransaction([&](QSqlDatabase& db, QSqlError* error) {
        if (!readRecords(db, earlier, &out, error))
            return false;
        QSqlQuery q(db);
        q.prepare(QStringLiteral("UPDATE records SET session = ? WHERE ") + earlier);
        q.addBindValue(session_);
        return exec(q, error);
    });
    if (!moved)
        out.clear();
    return out;
}

bool Journal::decline()
{
    return update(QStringLiteral("UPDATE records SET state = ? WHERE state = ? AND session <> ?"),
                  {int(journalschema::Dismissed), int(journalschema::Live), session_});
}

QVector<Journal::Record> Journal::waiting(int limit)
{
    return records(QStringLiteral("revision <> forwarded"), {}, QStringLiteral("id"), limit);
}

QVector<Journal::Record> Journal::recordedBetween(const QDateTime& from, const QDateTime& to,
                                                  const QString& object)
{
    QString where = QStringLiteral("recorded_at BETWEEN %1 AND %2 AND state <> %3")
                        .arg(from.toMSecsSinceEpoch())
                        .arg(to.toMSecsSinceEpoch())
                        .arg(int(journalschema::Removed));
    if (!object.isEmpty()) {
        QString quoted = object;
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        where += QStringLiteral(" AND object = '%1'").arg(quoted);
    }
    return records(where);
}

int Journal::waitingCount()
{
    if (state_ != State::Open)
        return 0;
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("SELECT count(*) FROM records WHERE revision <> forwarded")) ||
        !q.next()) {
        failOn(q.lastError());
        return 0;
    }
    return q.value(0).toInt();
}

bool Journal::markForwarded(const QVector<Forwarded>& taken)
{
    if (taken.isEmpty())
        return state_ == State::Open;
    return inTransaction([&](QSqlDatabase& db, QSqlError* error) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("UPDATE records SET forwarded = ? WHERE uuid = ? "
                                 "AND forwarded < ?"));
        for (const Forwarded& f : taken) {
            q.addBindValue(f.revision);
            q.addBindValue(f.uuid);
            q.addBindValue(f.revision);
            if (!exec(q, error))
                return false;
        }
        return true;
    });
}

void Journal::failOn(const QSqlError& error)
{
    qCWarning(lcJournal).noquote()
        << "SQLite:" << error.text() << "code" << error.nativeErrorCode();
    const QString file = QDir::toNativeSeparators(path_);
    switch (sqliteCode(error)) {
    case kBusy:
    case kLocked:
        fail(tr("日志文件 %1 正被另一个程序使用").arg(file));
        break;
    case kCorrupt:
    case kNotADb:
        fail(tr("日志文件 %1 已损坏").arg(file));
        break;
    case kFull:
        fail(tr("磁盘已满"));
        break;
    case kPerm:
    case kReadOnly:
    case kCantOpen:
    case kIoErr:
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
