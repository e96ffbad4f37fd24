// The command table: one row per command, with its string-table text
// ("prompt\ntooltip") and its keys. The toolbar, the actions' texts, the
// accelerators and anything that names a key read these rows, so a command's
// text and keys are written once.
//
// Keys are portable key texts ("Ctrl+O", "Right", "[", "Shift+Del"); the Qt
// side turns them into key sequences. Space (play, or stop while playing) is
// not one command and is the frame's own.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "app/commands/command_ids.h"

struct CommandRow {
    UINT id;
    // "prompt\ntooltip": the prompt is the longer description, the tooltip
    // the short name a button shows when the pointer rests on it. Null for
    // the framework's edit and pane commands, which only keys reach.
    const char* promptAndTip;
    std::array<std::string_view, 2> keys;  // empty where there are fewer
};

std::span<const CommandRow> CommandTable();

// The row of id, or null when the table has none.
const CommandRow* FindCommand(UINT id);

// The text of id, or null when the table has none.
const char* CommandPromptAndTip(UINT id);

// The command a key (portable key text) runs, or 0 when none does.
UINT CommandOfKey(std::string_view key);
