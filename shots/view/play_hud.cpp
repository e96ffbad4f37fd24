#include "shots/view/play_hud.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string Format(const char* format, auto... values)
{
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

bool Overlap(const ViewRect& a, const ViewRect& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

}  // namespace

std::vector<HudLine> HudLines(const HudFacts& facts)
{
    std::vector<HudLine> lines;
    lines.push_back({facts.playing ? "playing" : "stopped"});
    lines.push_back({Format("interval %d ms, %.1f shots/s achieved", facts.intervalMs, facts.rate)});
    // As --print-play-stats puts it.
    lines.push_back({Format("%lld shots shown, %lld late, worst %lld ms late", static_cast<long long>(facts.shown),
                            static_cast<long long>(facts.late), static_cast<long long>(facts.worstLateMs))});
    if (!facts.cacheBar.empty()) {
        lines.push_back({Format("cache %zu behind, %zu ahead", facts.decodedBehind, facts.decodedAhead)});
    }
    if (facts.follow.following) {
        const double silence = double(facts.follow.silenceMs) / 1000;
        if (facts.follow.arrived) {
            lines.push_back({Format("following: %.1f shots/s, last %.1f s ago", facts.follow.arrivalsPerSecond, silence)});
        } else {
            lines.push_back({Format("following: no new shot yet (%.1f s)", silence)});
        }
        if (facts.follow.stallMs) {
            lines.push_back({Format("no new shot for %lld s", static_cast<long long>(*facts.follow.stallMs / 1000)), true});
        }
    }
    return lines;
}

HudCache CacheAround(std::int64_t displayed, std::size_t count, bool reverse, std::size_t behind,
                     std::size_t countAhead, std::size_t barAhead, const std::function<bool(std::size_t)>& decoded)
{
    HudCache cache;
    if (displayed < 0 || std::size_t(displayed) >= count) return cache;
    const std::int64_t step = reverse ? -1 : 1;
    const auto at = [&](std::int64_t offset) -> std::optional<std::size_t> {
        const std::int64_t index = displayed + step * offset;
        if (index < 0 || index >= std::int64_t(count)) return std::nullopt;
        return std::size_t(index);
    };
    for (std::int64_t k = -std::int64_t(behind); k <= std::int64_t(std::max(countAhead, barAhead)); ++k) {
        const std::optional<std::size_t> index = at(k);
        const bool inBar = k <= std::int64_t(barAhead);
        if (k == 0) {
            cache.bar.push_back(HudCacheCell::OnDisplay);
            continue;
        }
        const bool held = index && decoded(*index);
        if (held && k < 0) ++cache.behind;
        if (held && k > 0 && k <= std::int64_t(countAhead)) ++cache.ahead;
        if (inBar) cache.bar.push_back(held ? HudCacheCell::Decoded : HudCacheCell::Missing);
    }
    return cache;
}

void PlayRateMeter::Sample(TimePoint now, std::int64_t shown)
{
    if (!m_samples.empty() && shown < m_samples.back().second) m_samples.clear();
    m_samples.emplace_back(now, shown);
    // Keep one sample at or before the span's start, to measure across it.
    while (m_samples.size() > 2 && m_samples[1].first + RATE_SPAN <= now) m_samples.pop_front();
}

double PlayRateMeter::Rate() const
{
    if (m_samples.size() < 2) return 0;
    const double seconds = std::chrono::duration<double>(m_samples.back().first - m_samples.front().first).count();
    if (seconds <= 0) return 0;
    return double(m_samples.back().second - m_samples.front().second) / seconds;
}

ViewRect PlaceHud(ViewSize box, ViewSize client, std::optional<ViewRect> avoid, int margin)
{
    // The overlay's order turned round: bottom right first.
    const std::array<ViewRect, 4> corners = CornerRects(box, client, margin);
    for (auto corner = corners.rbegin(); corner != corners.rend(); ++corner) {
        if (!avoid || !Overlap(*corner, *avoid)) return *corner;
    }
    return corners.back();
}
