// The accelerator keys of the main window: each key becomes its command and
// takes the command route like a toolbar click, so a key whose command is
// disabled (or has no handler) does nothing.
#pragma once

#include <QKeySequence>
#include <vector>

#include "app/framework/command_ids.h"

struct Accelerator {
    QKeySequence key;
    UINT id;
};

// The classic table: file, edit and pane keys.
const std::vector<Accelerator>& MainFrameAccelerators();

// Keys a viewer user expects: Right and Left (next, previous), Home and End
// (first, last), F (follow newest on and off), Ctrl+Plus, Ctrl+Minus and
// Ctrl+0 (zoom), A (stretched or aspect-true fit), I (overlay), F11 and
// Escape (full screen), T (the timeline). Space (play, or stop while playing) is not a single
// command and is handled by the frame.
const std::vector<Accelerator>& ViewerKeys();
