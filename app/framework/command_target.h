// CommandTarget: an object that answers commands, update requests and
// edit-box notifications through its own handler table (its message map).
//
// A derived class fills the table once, in its constructor, in the order of
// its message map:
//
//     OnCommand(ID_SHOT_PLAY, [this] { OnPlay(); });
//     OnUpdateCommand(ID_SHOT_PLAY, [this](CCmdUI& ui) { OnUpdatePlay(ui); });
//     OnNotify(IDC_SHOT_NUMBER, EN_KILLFOCUS, [this] { OnShotNumberKillFocus(); });
//
// The CommandRouter asks the targets of a route in turn; each Handle* call
// answers whether this target had an entry (and then ran it).
#pragma once

#include <functional>
#include <map>
#include <utility>

#include "app/framework/framework_ids.h"
#include "app/framework/command_ui.h"

class CommandTarget {
public:
    using CommandHandler = std::function<void()>;
    using UpdateHandler = std::function<void(CCmdUI&)>;

    CommandTarget() = default;
    virtual ~CommandTarget() = default;
    CommandTarget(const CommandTarget&) = delete;
    CommandTarget& operator=(const CommandTarget&) = delete;

    bool HasCommandHandler(UINT id) const { return m_commands.count(id) != 0; }
    bool HasUpdateHandler(UINT id) const { return m_updates.count(id) != 0; }

    bool HandleCommand(UINT id);
    bool HandleUpdate(CCmdUI& state);
    bool HandleNotify(UINT controlId, UINT code);

protected:
    // A later entry for the same id replaces the earlier one.
    void OnCommand(UINT id, CommandHandler handler) { m_commands[id] = std::move(handler); }
    void OnUpdateCommand(UINT id, UpdateHandler handler) { m_updates[id] = std::move(handler); }
    void OnNotify(UINT controlId, UINT code, CommandHandler handler)
    {
        m_notifications[{controlId, code}] = std::move(handler);
    }

private:
    std::map<UINT, CommandHandler> m_commands;
    std::map<UINT, UpdateHandler> m_updates;
    std::map<std::pair<UINT, UINT>, CommandHandler> m_notifications;
};
