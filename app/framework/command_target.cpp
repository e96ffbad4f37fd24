#include "app/framework/command_target.h"

bool CommandTarget::HandleCommand(UINT id)
{
    const auto entry = m_commands.find(id);
    if (entry == m_commands.end()) return false;
    // A copy, so a handler that rebuilds the table cannot pull it from under us.
    const CommandHandler handler = entry->second;
    handler();
    return true;
}

bool CommandTarget::HandleUpdate(CCmdUI& state)
{
    const auto entry = m_updates.find(state.m_nID);
    if (entry == m_updates.end()) return false;
    const UpdateHandler handler = entry->second;
    handler(state);
    return true;
}

bool CommandTarget::HandleNotify(UINT controlId, UINT code)
{
    const auto entry = m_notifications.find({controlId, code});
    if (entry == m_notifications.end()) return false;
    const CommandHandler handler = entry->second;
    handler();
    return true;
}
