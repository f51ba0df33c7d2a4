#pragma once

#include "SimTypes.h"

#include <QElapsedTimer>

namespace sim {

// The bus's notion of time in milliseconds: moved by hand in tests, or
// following the wall clock at some speed in the demo. Not thread safe on its
// own; the bus guards it with its mutex.
class SimClock
{
public:
    SimClock();

    void reset(); // RealTime at speed 1, time 0

    ClockMode mode() const { return m_mode; }
    void setMode(ClockMode mode);
    double speed() const { return m_speed; }
    void setSpeed(double factor);
    void advance(qint64 ms); // Manual mode only

    qint64 now() const;

private:
    void rebase();

    ClockMode m_mode = ClockMode::RealTime;
    double m_speed = 1.0;
    qint64 m_base = 0; // time at the last rebase
    QElapsedTimer m_sinceBase;
};

} // namespace sim
