// The short message the view shows for a moment after a key changes a state
// that nothing else on screen shows: direction, loop mode, interval, in and
// out points, following newest, fit and zoom.
#pragma once

#include <optional>
#include <string>

#include "app/framework/framework_ids.h"
#include "shots/playback/playback_options.h"
#include "shots/view/view_geometry.h"

// The state as it is after the command ran.
struct StateFacts {
    bool reverse = false;
    LoopMode loop = LoopMode::Wrap;
    int intervalMs = 0;
    std::optional<int> displayedNumber;  // the shot number on display
    bool followNewest = false;
    bool drop = false;
    bool fitOn = true;
    FitMode fitMode = FitMode::Stretch;
    double zoom = 1.0;
};

// What to say after command id ran; empty for a command whose state shows
// anyway (or has none).
std::string StateMessage(UINT id, const StateFacts& facts);
