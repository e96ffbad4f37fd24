// CKestrel's live play display: key H switches it, a quarter-second timer
// refreshes it while it is on, and each paint draws it in a corner the
// overlay leaves free. What it says comes from play_hud.h.
#include <QPainter>
#include <QTimer>
#include <chrono>

#include "shots/cache/shot_cache.h"
#include "app/commands/command_ids.h"
#include "shots/qt/player_view.h"

namespace {

constexpr int kHudRefreshMs = 250;
constexpr int kHudMargin = 8;
constexpr int kHudPadding = 6;
constexpr std::size_t kBarAhead = 28;  // cells after the shot on display
constexpr int kBarCell = 5;            // pixels a cell, and one between
constexpr int kBarHeight = 8;

const QColor HUD_BACKGROUND(0, 0, 0, 190);
const QColor HUD_TEXT(0xf0, 0xf0, 0xf0);
const QColor HUD_ALARM(0xff, 0x4a, 0x4a);
const QColor BAR_DECODED(0x3c, 0xc8, 0x50);
const QColor BAR_MISSING(0x60, 0x60, 0x60);
const QColor BAR_DISPLAYED(0x3d, 0x7e, 0xdb);

struct HudPicture {
    std::vector<HudLine> lines;
    std::vector<HudCacheCell> bar;
};

QSize HudSize(const QFontMetrics& metrics, const HudPicture& hud)
{
    int width = int(hud.bar.size()) * (kBarCell + 1);
    for (const HudLine& line : hud.lines) {
        width = std::max(width, metrics.horizontalAdvance(QString::fromUtf8(line.text.c_str())));
    }
    const int bar = hud.bar.empty() ? 0 : kBarHeight + 4;
    return {width + 2 * kHudPadding, int(hud.lines.size()) * metrics.lineSpacing() + bar + 2 * kHudPadding};
}

QRect HudRect(const QWidget& viewport, QSize size, const QRect& overlay)
{
    std::optional<ViewRect> avoid;
    if (!overlay.isEmpty()) avoid = ViewRect{overlay.x(), overlay.y(), overlay.width(), overlay.height()};
    const ViewRect placed =
        PlaceHud({size.width(), size.height()}, {viewport.width(), viewport.height()}, avoid, kHudMargin);
    return {placed.x, placed.y, placed.width, placed.height};
}

}  // namespace

void CKestrel::RegisterHudCommands()
{
    OnCommand(ID_VIEW_HUD, [this] { OnHud(); });
    m_pHudTimer = new QTimer(this);
    m_pHudTimer->setInterval(kHudRefreshMs);
    connect(m_pHudTimer, &QTimer::timeout, this, [this] {
        // Where it was and where it goes now.
        viewport()->update(m_hudBox);
        const HudFacts facts = GatherHudFacts();
        const QSize size = HudSize(QFontMetrics(viewport()->font()), {::HudLines(facts), facts.cacheBar});
        viewport()->update(HudRect(*viewport(), size, m_overlayBox));
    });
}

void CKestrel::OnHud() { SetHud(!m_bHud); }

void CKestrel::SetHud(bool on)
{
    m_bHud = on;
    if (on) {
        m_rateMeter.Reset();
        m_pHudTimer->start();
    } else {
        m_pHudTimer->stop();
        m_hudBox = {};
    }
    viewport()->update();
}

HudFacts CKestrel::GatherHudFacts()
{
    const CKESTRELDoc* document = GetDocument();
    const PlayPacer& pacer = m_player.Pacer();
    HudFacts facts;
    facts.playing = m_player.Playing();
    facts.intervalMs = m_player.IntervalMs();
    facts.shown = pacer.Shown();
    facts.late = pacer.Late();
    facts.worstLateMs = pacer.WorstLateMs();
    m_rateMeter.Sample(std::chrono::steady_clock::now(), facts.shown);
    facts.rate = m_rateMeter.Rate();
    if (const ShotCache* cache = document->ReadAhead()) {
        const HudCache around = CacheAround(
            document->DisplayedIndex(), document->ShotCount(), document->ReadAheadReverse(),
            CKESTRELDoc::READ_BEHIND_SHOTS, CKESTRELDoc::READ_AHEAD_SHOTS, kBarAhead,
            [&](std::size_t index) { return cache->Holds(document->Shot(index).Path()); });
        facts.decodedBehind = around.behind;
        facts.decodedAhead = around.ahead;
        facts.cacheBar = around.bar;
    }
    if (m_followFacts) facts.follow = m_followFacts();
    return facts;
}

void CKestrel::PaintHud(QPainter& painter)
{
    if (!m_bHud) {
        m_hudBox = {};
        return;
    }
    const HudFacts facts = GatherHudFacts();
    const HudPicture hud{::HudLines(facts), facts.cacheBar};
    const QFontMetrics metrics(painter.font());
    m_hudBox = HudRect(*viewport(), HudSize(metrics, hud), m_overlayBox);

    painter.fillRect(m_hudBox, HUD_BACKGROUND);
    int y = m_hudBox.top() + kHudPadding;
    for (const HudLine& line : hud.lines) {
        painter.setPen(line.alarm ? HUD_ALARM : HUD_TEXT);
        painter.drawText(m_hudBox.left() + kHudPadding, y + metrics.ascent(), QString::fromUtf8(line.text.c_str()));
        y += metrics.lineSpacing();
    }
    int x = m_hudBox.left() + kHudPadding;
    for (const HudCacheCell cell : hud.bar) {
        const QColor colour = cell == HudCacheCell::OnDisplay ? BAR_DISPLAYED
                              : cell == HudCacheCell::Decoded ? BAR_DECODED
                                                              : BAR_MISSING;
        painter.fillRect(QRect(x, y + 4, kBarCell, kBarHeight), colour);
        x += kBarCell + 1;
    }
}
