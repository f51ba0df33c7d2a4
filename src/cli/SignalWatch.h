#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the thread that made the
// watch, through a pipe the handler writes to (the only safe thing a handler
// may do). The first signal of each kind is caught; the handler then resets
// itself, so a second Ctrl-C ends the program at once.
class SignalWatch : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatch(QObject* parent = nullptr);
    // Puts the default handlers back.
    ~SignalWatch() override;

    // The last signal caught, 0 when none.
    int lastSignal() const { return m_last; }

signals:
    void caught(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
    int m_last = 0;
};
