// The command table's keys as key sequences. Each key becomes its command
// and takes the command route like a toolbar click, so a key whose command
// is disabled (or has no handler) does nothing.
#pragma once

#include <QKeySequence>
#include <QList>
#include <string_view>

#include "app/commands/command_table.h"

// A portable key text ("Ctrl+O", "[", "Shift+Del") as a key sequence;
// empty when Qt does not know the text.
QKeySequence KeyOfText(std::string_view key);

// The keys of row, in the table's order: the first is the one shown.
QList<QKeySequence> CommandKeys(const CommandRow& row);
