// WindowTimers: a window's timers by numeric id. SetTimer(id, ms) starts a
// periodic timer, or replaces the one with that id; each period the owner's
// callback runs with the id, on the user-interface thread, until KillTimer.
#pragma once

#include <QObject>
#include <functional>
#include <map>

#include "app/framework/framework_ids.h"

class WindowTimers : public QObject {
public:
    using TickHandler = std::function<void(UINT id)>;

    explicit WindowTimers(TickHandler onTick, QObject* parent = nullptr);
    ~WindowTimers() override;

    void SetTimer(UINT id, UINT milliseconds);
    void KillTimer(UINT id);
    void KillAll();

    bool IsRunning(UINT id) const { return m_timers.count(id) != 0; }
    // Period of timer id in milliseconds, or -1 when it does not run.
    int Interval(UINT id) const;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    struct Running {
        int qtTimerId;
        UINT milliseconds;
    };

    TickHandler m_onTick;
    std::map<UINT, Running> m_timers;
};
