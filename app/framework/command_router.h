// CommandRouter: carries a command to the first target of a route that
// handles it. The main window's route is view, document, frame, application.
//
// Availability comes first. Before a command runs, the route's update
// handlers are asked (the first target with an update handler for the id
// answers); a command they disable is not carried out, whether it came from
// a toolbar button or a key. IsEnabled gives the state a button shows: the
// update handler's answer when it gave one, otherwise whether any target
// handles the command at all (a command nobody handles shows disabled).
//
// Edit-box notifications (EN_SETFOCUS, EN_KILLFOCUS under the box's control
// id) take the same route, without the availability check.
//
// After every command or notification that reached the router, the
// optional after-route callback runs; the main window uses it to refresh
// the toolbar's enabled states.
#pragma once

#include <functional>
#include <vector>

#include "app/framework/command_target.h"

class CommandRouter {
public:
    // Targets in routing order; null entries are skipped.
    void SetRoute(std::vector<CommandTarget*> targets) { m_route = std::move(targets); }
    const std::vector<CommandTarget*>& Route() const { return m_route; }

    void SetAfterRoute(std::function<void()> callback) { m_afterRoute = std::move(callback); }

    // Runs the update handlers for state.m_nID; true when one answered.
    bool RouteUpdate(CCmdUI& state) const;
    bool IsEnabled(UINT id) const;
    bool HasCommandHandler(UINT id) const;

    // Runs the command if the update handlers allow it and a target handles
    // it. True when a handler ran.
    bool Execute(UINT id);

    // Routes an edit box's notification. True when a handler ran.
    bool Notify(UINT controlId, UINT code);

private:
    void AfterRoute() const;

    std::vector<CommandTarget*> m_route;
    std::function<void()> m_afterRoute;
};
