#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QThread;

// Asks each instrument found for its identity (model and version) in one
// short exchange, on a link and a thread of its own, so the chooser can say
// which instrument is which while the window goes on. Each handle is closed
// before the next is opened, and all before finished().
class InstrumentProbe : public QObject
{
    Q_OBJECT

public:
    explicit InstrumentProbe(const QStringList& paths, QObject* parent = nullptr);
    // Waits for the exchange under way (a few hundred milliseconds at most).
    ~InstrumentProbe() override;

    bool isFinished() const;

signals:
    // Emitted from the probe's thread; receivers in the window get them queued.
    void identified(QString path, QString model, QString version);
    void notAnswering(QString path);
    void finished();

private:
    QThread* thread = nullptr;
};
