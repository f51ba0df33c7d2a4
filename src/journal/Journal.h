#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <QVector>

#include <memory>

class QSqlDatabase;
class QSqlQuery;

// The measurement journal: every record of the live table, and the remark
// being typed, written to an SQLite file the moment it appears, so that a
// crash, a power cut or an accidental close loses nothing. Each program run
// is one session; records of an earlier session that were never exported are
// offered back at the next start.
//
// Every call runs on the caller's thread, returns its success as a value and
// never throws. The journal must never stop measuring: when the file cannot
// be opened or written, the journal says so once (failed()) and from then on
// every call returns at once without touching the file.
class Journal : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Closed, // open() not called yet
        Open,   // keeping records
        Failed, // off for this run; failureMessage() says why
    };

    // The instrument a record was measured with, as its identity reads.
    struct Identity
    {
        QString name;
        QString model;
        QString version;
    };

    // What was measured: the object (an asset's name or number) and the
    // measuring point on it (a pole, a joint); both may be empty.
    struct Subject
    {
        QString object;
        QString point;
    };

    struct Record
    {
        qint64 id = -1;
        QString uuid; // made when the record was appended; the same wherever the record is copied
        QDateTime recordedAt; // in UTC (cheap for thousands of records); toLocalTime() to show
        Identity identity;
        QStringList cells; // the nine cell texts, exactly as the table showed them
        Subject subject;
        bool saved = false;   // exported since it was appended
        bool removed = false; // deleted or cleared by the operator
        int revision = 1;     // counts the record's changes, the first write included
    };

    // A record's revision the central database has taken.
    struct Forwarded
    {
        QString uuid;
        int revision = 0;
    };

    // Unexported records of earlier sessions, for the restore question.
    struct Pending
    {
        int count = 0;
        QDateTime first; // time of the oldest and newest of them
        QDateTime last;
        QString remark; // the remark being typed when the newest of their sessions ended
    };

    static constexpr int kColumns = 9;

    explicit Journal(QObject* parent = nullptr);
    ~Journal() override;

    // journal.sqlite in the application's data folder.
    static QString defaultPath();

    // Opens (or creates) the journal at `path` and starts this run's session.
    // A file that is not a database, fails its integrity check or is a
    // database of another kind is renamed aside (movedAside()) and a new
    // journal is started. A file held by another program, written by a newer
    // version, or a folder that cannot be written leaves the journal off.
    // Waits at most about 100 ms for a lock.
    State open(const QString& path = defaultPath());

    State state() const { return state_; }
    QString path() const { return path_; }
    // The text the window shows once when the journal is off.
    QString failureMessage() const { return failure_; }

    // Writes one record of the live table, in a transaction of its own:
    // when this returns its id (> 0), the record is on disk. Returns -1 when
    // the journal is off or `cells` is not nine texts.
    qint64 append(const QStringList& cells, const Identity& identity,
                  const QDateTime& recordedAt = QDateTime::currentDateTime(),
                  const Subject& subject = {});

    // Keeps the remark being typed, so that a crash does not lose it.
    bool setPendingRemark(const QString& text);
    // The same for every keystroke: the text is written at most
    // kTypedRemarkDelayMs after it changed (and when the journal closes), in
    // a commit the operating system holds at once, so a crashed program loses
    // none of it and typing never waits for the disk. The next record's
    // synced commit takes it to the disk with the record.
    static constexpr int kTypedRemarkDelayMs = 500;
    void keepTypedRemark(const QString& text);

    // The operator corrected the remark of record `id` of this session. The
    // record counts as not exported again: an earlier export shows the old
    // remark.
    bool setRemark(qint64 id, const QString& text);

    // Rows deleted from the live table, and the first-column texts of the
    // remaining rows after the table renumbered them (id -> text; rows whose
    // text did not change may be left out), in one transaction.
    bool remove(const QVector<qint64>& ids, const QHash<qint64, QString>& firstCells = {});
    // The table renumbered its rows (id -> first-column text), in one transaction.
    bool renumber(const QHash<qint64, QString>& firstCells);
    // The live table was emptied.
    bool clear();
    // The live table was exported: its records count as saved.
    bool markSaved();
    // The window closes without exporting: this session's unexported records
    // stay in the history but are not offered at the next start.
    bool dismissUnsaved();
    // This session's records in table order (oldest id first).
    QVector<Record> sessionRecords();

    // Unexported records of earlier sessions (count 0: nothing to ask).
    Pending pending();
    // Moves them into this session, still unexported, and returns them in
    // table order to be put at the top of the live table.
    QVector<Record> restore();
    // Keeps them as history only; they are never offered again.
    bool decline();

    // The history of what was measured (JournalHistory.cpp). Records the
    // operator deleted from the live table are not part of it.
    // The objects measured so far, the most recently recorded first.
    QStringList objects();
    // The records of one object, oldest first; an invalid `from` or `to`
    // leaves that end of the time range open (both ends included).
    QVector<Record> objectRecords(const QString& object, const QDateTime& from = {},
                                  const QDateTime& to = {});
    // Forwarding to a central database: records whose latest revision the
    // server has not taken yet, oldest first (at most `limit`), whatever
    // their state; how many there are; and what the server took. A revision
    // older than the record's latest leaves the record waiting.
    QVector<Record> waiting(int limit);
    // Records made between `from` and `to` (inclusive), of `object` unless it
    // is empty, deleted ones left out, oldest first: for reports.
    QVector<Record> recordedBetween(const QDateTime& from, const QDateTime& to,
                                    const QString& object = QString());
    int waitingCount();
    bool markForwarded(const QVector<Forwarded>& taken);

signals:
    // Emitted once, when the journal goes off; `message` is for the status bar.
    void failed(const QString& message);
    // A journal file that could not be used was renamed to `movedTo` and a new
    // journal started; `message` is for the status bar.
    void movedAside(const QString& movedTo, const QString& message);
    // Something was written: a record may wait to be forwarded.
    void changed();

private:
    enum class Outcome
    {
        Ok,
        Damaged,
        Foreign,
        Busy,
        Newer,
        Other
    };
    struct Attempt
    {
        Outcome outcome = Outcome::Ok;
        QSqlError error;
    };

    Attempt attach();
    void detach();
    QSqlDatabase database() const;
    template <typename Work> bool inTransaction(Work work);
    bool update(const QString& sql, const QVariantList& values);
    QVector<Record> records(const QString& where, const QVariantList& values = {},
                            const QString& orderBy = QStringLiteral("id"), int limit = -1);
    void fail(const QString& reason);
    void failOn(const QSqlError& error);
    void writeTypedRemark();

    State state_ = State::Closed;
    QString path_;
    QString connection_;
    QString failure_;
    qint64 session_ = -1;
    QString remark_;
    QString typedRemark_;
    QTimer typedRemarkTimer_;
    std::unique_ptr<QSqlQuery> appendQuery_;
};
