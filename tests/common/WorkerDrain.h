#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QTest>
#include <QThread>

#include <initializer_list>

// Waits until the work queued so far on each worker's thread has run and what
// it sent back to this thread has been handled. Two rounds, because the first
// worker's results may queue work for the second. False on a time-out.
inline bool drainWorkers(std::initializer_list<QObject*> workers, int timeoutMs = 20000)
{
    for (int round = 0; round < 2; ++round) {
        for (QObject* worker : workers) {
            if (!worker->thread()->isRunning())
                continue;
            bool reached = false;
            QMetaObject::invokeMethod(
                worker, [&reached] { reached = true; }, Qt::QueuedConnection);
            if (!QTest::qWaitFor([&] { return reached; }, timeoutMs))
                return false;
        }
        QCoreApplication::processEvents();
    }
    return true;
}
