// The playback options of the command line, without Qt:
//
//   --max-shots N      listing limit (1 to 1000000; 5000 by default)
//   --play             start playing once the first shot is painted
//   --exit-after MS    quit MS milliseconds after playing starts (or after
//                      the first paint when not playing)
//   --print-play-stats print "played: N shots shown, M late, worst W ms late"
//   --reverse          play backwards
//   --loop MODE        wrap (default), pingpong or once
//   --in N, --out N    in and out points, as shot numbers
//   --cache-mb N       memory for the shots decoded ahead, in MiB (0 to
//                      65536; 256 by default; 0: none are)
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class LoopMode { Wrap, PingPong, Once };

struct PlaybackOptions {
    int maxShots = 5000;
    bool play = false;
    std::optional<int> exitAfterMs;
    bool printPlayStats = false;
    bool reverse = false;
    LoopMode loop = LoopMode::Wrap;
    std::optional<int> inShot;
    std::optional<int> outShot;
    int cacheMb = 256;
};

// Whether name (without "=value") is one of the options above.
bool IsPlaybackOption(std::string_view name);
// Whether the option takes a value.
bool PlaybackOptionTakesValue(std::string_view name);
// Applies name (and value, for those taking one). False with a one-line
// reason when the value is out of range; options are then left unchanged.
bool ApplyPlaybackOption(std::string_view name, std::string_view value, PlaybackOptions& options,
                         std::string& reason);

// Decimal digits only, from low to high.
bool ParseBoundedNumber(std::string_view text, int low, int high, int& value);

const char* LoopModeName(LoopMode mode);
