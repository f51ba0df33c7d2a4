#pragma once

#include "CentralConfig.h"
#include "CentralRow.h"
#include "Journal.h"

#include <QObject>
#include <QTimer>
#include <QVector>

// Writes batches of records to the central database, on a thread of its
// own: connecting, a server that does not answer and the pauses between
// retries never hold up the thread that measures. One batch at a time; a
// batch that failed is tried again after a pause that grows up to half a
// minute, until it is taken or a newer batch replaces it.
Q_DECLARE_METATYPE(Journal::Forwarded)

class CentralForwarder : public QObject
{
    Q_OBJECT

public:
    explicit CentralForwarder(const CentralConfig& config, QObject* parent = nullptr);
    ~CentralForwarder() override;

public slots:
    void send(const QVector<CentralRow>& rows);

signals:
    // The server has committed these revisions.
    void taken(const QVector<Journal::Forwarded>& revisions);
    // The batch was not taken; it is tried again after `retryMs`.
    void failed(const QString& reason, int retryMs);

private:
    void attempt();
    bool write(QString* reason);
    void dropConnection();

    CentralConfig config_;
    QString connection_;
    bool open_ = false;
    QVector<CentralRow> batch_;
    QTimer retry_{this};
    int pauseMs_ = 0;
};
