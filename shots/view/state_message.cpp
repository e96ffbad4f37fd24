#include "shots/view/state_message.h"

#include <cmath>
#include <cstdio>

#include "app/commands/command_ids.h"

namespace {

std::string OnOff(bool on) { return on ? "on" : "off"; }

std::string ZoomText(double zoom)
{
    char text[32];
    std::snprintf(text, sizeof text, "Zoom: %g %%", std::round(zoom * 10000) / 100);
    return text;
}

}  // namespace

std::string StateMessage(UINT id, const StateFacts& facts)
{
    switch (id) {
    case ID_SHOT_REVERSE:
        return facts.reverse ? "Playing backwards" : "Playing forwards";
    case ID_SHOT_LOOP_MODE:
        switch (facts.loop) {
        case LoopMode::Wrap: return "Loop: wrap";
        case LoopMode::PingPong: return "Loop: ping-pong";
        case LoopMode::Once: return "Loop: once";
        }
        return {};
    case ID_SHOT_FASTER:
    case ID_SHOT_SLOWER:
        return "Interval: " + std::to_string(facts.intervalMs) + " ms";
    case ID_SHOT_SET_IN:
    case ID_SHOT_SET_OUT:
        if (!facts.displayedNumber) return {};
        return std::string(id == ID_SHOT_SET_IN ? "In point: shot " : "Out point: shot ") +
               std::to_string(*facts.displayedNumber);
    case ID_SHOT_CLEAR_RANGE:
        return "In and out points cleared";
    case ID_SHOT_DROP:
        return "Drop late shots: " + OnOff(facts.drop);
    case ID_FOLLOW_NEWEST:
        return "Follow newest: " + OnOff(facts.followNewest);
    case ID_FIT_TO_SCREEN:
        return facts.fitOn ? "Fit: on" : ZoomText(facts.zoom);
    case ID_VIEW_FIT_MODE:
        return facts.fitMode == FitMode::Aspect ? "Fit: aspect-true" : "Fit: stretched";
    case ID_VIEW_ZOOM_IN:
    case ID_VIEW_ZOOM_OUT:
    case ID_VIEW_ZOOM_OWN_SIZE:
        return ZoomText(facts.zoom);
    default:
        return {};
    }
}
