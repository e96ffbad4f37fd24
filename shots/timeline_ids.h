// Id and text ("prompt\ntooltip") of the timeline's command: key T shows and
// hides the strip of thumbnails along the bottom of the main window.
#pragma once

#include "shots/shot_ids.h"

constexpr UINT ID_VIEW_TIMELINE = 32807;

inline constexpr const char* TIMELINE_TEXT = "Timeline (On/Off)\nTimeline (On/Off)";
