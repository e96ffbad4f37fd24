// The framework's own numbers: the type of every command and control id,
// the toolbar's window id and the notifications an edit box sends. The
// application's command ids are in app/commands/command_ids.h.
#pragma once

using UINT = unsigned int;

constexpr UINT AFX_IDW_TOOLBAR = 59392;

// Notification codes an edit box sends to its parent, routed like commands
// under the box's control id.
constexpr UINT EN_SETFOCUS = 0x0100;
constexpr UINT EN_KILLFOCUS = 0x0200;
