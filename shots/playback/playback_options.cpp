#include "shots/playback/playback_options.h"

const char* LoopModeName(LoopMode mode)
{
    switch (mode) {
    case LoopMode::PingPong:
        return "pingpong";
    case LoopMode::Once:
        return "once";
    case LoopMode::Wrap:
        break;
    }
    return "wrap";
}
