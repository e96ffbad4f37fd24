// CommandActions: the toolbar buttons and accelerator keys of a window, one
// QAction per command id. Triggering an action (click or key) hands its id
// to the CommandRouter, which asks the update handlers first and refuses a
// disabled command. Refresh() sets every action's enabled state from the
// update handlers; FrameWindow calls it whenever the event loop goes idle and
// after every routed command, so buttons show what may run.
//
// A check-box button (SetCheckable) flips its pressed look on each click by
// itself; the handlers never set it. A click the router refuses is undone.
//
// Add(id, "Prompt\nTip") takes a string-table text: the part before the
// line break is the prompt (status tip and text), the part after it the
// tooltip.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <map>

#include "app/framework/command_router.h"

class QAction;
class QWidget;

class CommandActions : public QObject {
public:
    CommandActions(CommandRouter& router, QWidget* window);

    // Creates the action of id on the window (so its keys work wherever the
    // focus is in it), or returns the existing one.
    QAction* Add(UINT id, const char* promptAndTip = nullptr, const QList<QKeySequence>& keys = {});
    QAction* Action(UINT id) const;
    const std::map<UINT, QAction*>& Actions() const { return m_actions; }

    void Refresh();

private:
    void Triggered(UINT id, QAction* action);

    CommandRouter& m_router;
    QWidget* m_window;
    std::map<UINT, QAction*> m_actions;
};
