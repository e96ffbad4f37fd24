#include "app/framework/window_timers.h"

#include <QTimerEvent>
#include <utility>

WindowTimers::WindowTimers(TickHandler onTick, QObject* parent)
    : QObject(parent), m_onTick(std::move(onTick))
{
}

WindowTimers::~WindowTimers() { KillAll(); }

void WindowTimers::SetTimer(UINT id, UINT milliseconds)
{
    KillTimer(id);
    const int qtTimerId = startTimer(int(milliseconds), Qt::PreciseTimer);
    if (qtTimerId != 0) m_timers[id] = Running{qtTimerId, milliseconds};
}

void WindowTimers::KillTimer(UINT id)
{
    const auto entry = m_timers.find(id);
    if (entry == m_timers.end()) return;
    killTimer(entry->second.qtTimerId);
    m_timers.erase(entry);
}

void WindowTimers::KillAll()
{
    for (const auto& [id, running] : m_timers) killTimer(running.qtTimerId);
    m_timers.clear();
}

int WindowTimers::Interval(UINT id) const
{
    const auto entry = m_timers.find(id);
    return entry == m_timers.end() ? -1 : int(entry->second.milliseconds);
}

void WindowTimers::timerEvent(QTimerEvent* event)
{
    for (const auto& [id, running] : m_timers) {
        if (running.qtTimerId == event->timerId()) {
            const UINT tickId = id;  // the handler may kill or replace the timer
            if (m_onTick) m_onTick(tickId);
            return;
        }
    }
}
