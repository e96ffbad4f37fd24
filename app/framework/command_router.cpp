#include "app/framework/command_router.h"

bool CommandRouter::RouteUpdate(CCmdUI& state) const
{
    for (CommandTarget* target : m_route) {
        if (target && target->HandleUpdate(state)) return true;
    }
    return false;
}

bool CommandRouter::HasCommandHandler(UINT id) const
{
    for (const CommandTarget* target : m_route) {
        if (target && target->HasCommandHandler(id)) return true;
    }
    return false;
}

bool CommandRouter::IsEnabled(UINT id) const
{
    CCmdUI state(id);
    RouteUpdate(state);
    if (state.m_bEnableChanged) return state.m_bEnabled;
    return HasCommandHandler(id);
}

bool CommandRouter::Execute(UINT id)
{
    CCmdUI state(id);
    RouteUpdate(state);
    bool ran = false;
    if (!state.m_bEnableChanged || state.m_bEnabled) {
        // A copy: a handler may change the route (a new view, say).
        const std::vector<CommandTarget*> route = m_route;
        for (CommandTarget* target : route) {
            if (target && target->HandleCommand(id)) {
                ran = true;
                break;
            }
        }
    }
    AfterRoute();
    return ran;
}

bool CommandRouter::Notify(UINT controlId, UINT code)
{
    bool ran = false;
    const std::vector<CommandTarget*> route = m_route;
    for (CommandTarget* target : route) {
        if (target && target->HandleNotify(controlId, code)) {
            ran = true;
            break;
        }
    }
    AfterRoute();
    return ran;
}

void CommandRouter::AfterRoute() const
{
    if (m_afterRoute) m_afterRoute();
}
