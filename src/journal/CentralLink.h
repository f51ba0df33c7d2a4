#pragma once

#include "CentralConfig.h"
#include "CentralRow.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

class CentralForwarder;
class Journal;

// Forwards the journal's records to the central database: whenever the
// journal is written, the records waiting (new ones and later changes,
// oldest first) go in batches to a CentralForwarder on its own thread, and
// what the server took is marked in the journal. Lives on the journal's
// thread and never waits for the server.
class CentralLink : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        NotConfigured,
        Forwarded, // nothing waits
        Waiting,   // records wait; problem() says why when they cannot go
    };

    CentralLink(Journal* journal, const CentralConfig& config, QObject* parent = nullptr);
    ~CentralLink() override;

    State state() const;
    int waiting() const { return waiting_; }
    QString problem() const { return problem_; }
    // The status bar's text for the state above.
    QString statusText() const;

signals:
    void statusChanged();
    // A batch was not taken (also for every retry that fails).
    void failed(const QString& reason);

private:
    void scheduleFeed();
    void feed();
    void onTaken(const QVector<Journal::Forwarded>& revisions);
    void onFailed(const QString& reason, int retryMs);
    void updateStatus();

    QPointer<Journal> journal_;
    CentralConfig config_;
    QThread thread_;
    CentralForwarder* forwarder_ = nullptr;
    QTimer feedTimer_;
    bool inFlight_ = false;
    int waiting_ = 0;
    QString problem_;
    QString lastText_;
};
