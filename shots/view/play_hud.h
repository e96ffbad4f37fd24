// The live play display of the player view (key H, --hud): whether it plays,
// the interval and the rate achieved, the pacer's counts, a bar of the shots
// decoded around the cursor, and while following newest the arrivals and
// the stall alarm. Plain C++: the facts in, lines of text and the bar out,
// and where the box goes; the view paints them.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shots/view/view_geometry.h"

// What following newest looks like now (ShotStallPolicy's answers).
struct HudFollow {
    bool following = false;
    double arrivalsPerSecond = 0;
    bool arrived = false;                   // a shot arrived since following began
    std::int64_t silenceMs = 0;             // since the last arrival, or since following began
    std::optional<std::int64_t> stallMs;    // set while stalled: the silence
};

// One cell of the cache bar, in the playing direction.
enum class HudCacheCell : std::uint8_t { Missing, Decoded, OnDisplay };

struct HudFacts {
    bool playing = false;
    int intervalMs = 1000;
    double rate = 0;                        // shots a second, lately
    std::int64_t shown = 0;
    std::int64_t late = 0;
    std::int64_t worstLateMs = 0;
    std::size_t decodedBehind = 0;
    std::size_t decodedAhead = 0;
    std::vector<HudCacheCell> cacheBar;     // empty without a read-ahead
    HudFollow follow;
};

struct HudLine {
    std::string text;
    bool alarm = false;                     // drawn in red
    bool operator==(const HudLine&) const = default;
};

std::vector<HudLine> HudLines(const HudFacts& facts);

// The cache around the shot on display: behind shots before it and ahead
// after it in the playing direction (towards the first shot when reverse),
// counted up to countAhead; the bar shows barAhead of them.
struct HudCache {
    std::size_t behind = 0;
    std::size_t ahead = 0;
    std::vector<HudCacheCell> bar;
};
HudCache CacheAround(std::int64_t displayed, std::size_t count, bool reverse, std::size_t behind,
                     std::size_t countAhead, std::size_t barAhead, const std::function<bool(std::size_t)>& decoded);

// Shots shown a second over the last RATE_SPAN, from samples of the pacer's
// count; a count that goes down starts again.
class PlayRateMeter {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::milliseconds RATE_SPAN{2000};

    void Sample(TimePoint now, std::int64_t shown);
    void Reset() { m_samples.clear(); }
    double Rate() const;

private:
    std::deque<std::pair<TimePoint, std::int64_t>> m_samples;
};

// The live display's box in client, margin pixels in from the edges: the
// first of the bottom right, bottom left, top right and top left corners
// that does not overlap avoid (the overlay); the bottom right when all do.
ViewRect PlaceHud(ViewSize box, ViewSize client, std::optional<ViewRect> avoid, int margin);
