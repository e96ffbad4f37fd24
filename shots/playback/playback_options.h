// The playback settings the command line gives (its option table reads
// them in app/options/):
//
//   maxShots        listing limit
//   play            start playing once the first shot is painted
//   exitAfterMs     quit that long after playing starts (or after the first
//                   paint when not playing)
//   printPlayStats  print "played: N shots shown, M late, worst W ms late"
//   reverse, loop   direction and loop mode
//   inShot, outShot in and out points, as shot numbers
//   cacheMb         memory for the shots decoded ahead, in MiB (0: none are)
#pragma once

#include <optional>

enum class LoopMode { Wrap, PingPong, Once };

struct PlaybackOptions {
    int maxShots = 5000;
    bool play = false;
    std::optional<int> exitAfterMs;
    bool printPlayStats = false;
    bool reverse = false;
    bool drop = false;  // --drop: skip shots not ready in time
    LoopMode loop = LoopMode::Wrap;
    std::optional<int> inShot;
    std::optional<int> outShot;
    int cacheMb = 256;
};

// "wrap", "pingpong", "once": the words of --loop.
const char* LoopModeName(LoopMode mode);
