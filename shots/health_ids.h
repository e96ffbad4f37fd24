// Ids and texts ("prompt\ntooltip") of the run-health commands: Shift+T
// switches the timeline's placeholders for missing numbers, H the live play
// display.
#pragma once

#include "shots/shot_ids.h"

constexpr UINT ID_VIEW_PLACEHOLDERS = 32840;
constexpr UINT ID_VIEW_HUD = 32841;

inline constexpr CommandText kHealthCommandTexts[] = {
    {ID_VIEW_PLACEHOLDERS, "Missing Numbers in the Timeline (On/Off)\nMissing Numbers (On/Off)"},
    {ID_VIEW_HUD, "Live Play Display (On/Off)\nLive Play Display (On/Off)"},
};
