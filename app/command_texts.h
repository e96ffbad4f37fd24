// The string table of the commands: "prompt\ntooltip" for every command id
// that has a button or a key. The prompt is the longer description, the
// tooltip the short name a button shows when the pointer rests on it.
#pragma once

#include "app/framework/command_ids.h"

// The text of id, or null when the table has none.
const char* CommandPromptAndTip(UINT id);
