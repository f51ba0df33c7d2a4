#include "SimClock.h"

namespace sim {

SimClock::SimClock()
{
    m_sinceBase.start();
}

void SimClock::reset()
{
    m_mode = ClockMode::RealTime;
    m_speed = 1.0;
    m_base = 0;
    m_sinceBase.restart();
}

qint64 SimClock::now() const
{
    if (m_mode == ClockMode::Manual)
        return m_base;
    return m_base + qint64(double(m_sinceBase.elapsed()) * m_speed);
}

void SimClock::rebase()
{
    m_base = now();
    m_sinceBase.restart();
}

void SimClock::setMode(ClockMode mode)
{
    rebase();
    m_mode = mode;
}

void SimClock::setSpeed(double factor)
{
    if (!(factor > 0))
        return;
    rebase();
    m_speed = factor;
}

void SimClock::advance(qint64 ms)
{
    if (m_mode == ClockMode::Manual && ms > 0)
        m_base += ms;
}

} // namespace sim
