// Playing keeps one timer: each tick shows the next shot, puts it on the
// screen at once, and sets the timer to the moment the shot after it is due,
// as the pacer reckons it from the start of the run. A tick that comes late
// still shows the next shot (none is skipped) and the next is due on time.
#include "shots/playback/shot_player.h"

#include <cmath>

#include <algorithm>

#include "app/commands/command_ids.h"

ShotPlayer::ShotPlayer(CKESTRELDoc& document, PlayPacer::Clock clock) : m_doc(document), m_pacer(std::move(clock)) {}

void ShotPlayer::SetIntervalMs(int ms) { m_nPlayInterval = std::clamp(ms, PLAY_INTERVAL_MIN_MS, PLAY_INTERVAL_MAX_MS); }

void ShotPlayer::ChangeIntervalMs(int ms)
{
    SetIntervalMs(ms);
    m_pacer.ChangeInterval(m_nPlayInterval);
    if (Playing()) SetTimer(std::max(1, m_pacer.MillisecondsToNext()));
}

void ShotPlayer::SetTimer(int ms)
{
    if (m_host.setTimer) m_host.setTimer(ms);
}

void ShotPlayer::Changed() { m_doc.UpdateAllViews(nullptr, 0, nullptr); }

void ShotPlayer::Play()
{
    // Nothing loads now: the next tick shows the next shot.
    m_bPlaying = 1;
    StartPacing();
    if (m_playingChanged) m_playingChanged();
}

void ShotPlayer::Stop()
{
    // The shot and the cursor stay, so playing resumes from here.
    const bool was = Playing();
    m_bPlaying = 0;
    StopPacing();
    if (was && m_playingChanged) m_playingChanged();
}

void ShotPlayer::First()
{
    if (StepInRange(ID_SHOT_FIRST)) return;
    m_doc.LoadFirstShot();
    Changed();
}

void ShotPlayer::Next()
{
    if (StepInRange(ID_SHOT_NEXT)) return;
    m_doc.LoadShot();
    Changed();
}

void ShotPlayer::Previous()
{
    if (StepInRange(ID_SHOT_PREVIOUS)) return;
    m_doc.LoadPreviousShot();
    Changed();
}

void ShotPlayer::Last()
{
    if (StepInRange(ID_SHOT_LAST)) return;
    m_doc.LoadLastShot();
    Changed();
}

void ShotPlayer::Reverse()
{
    m_order.reverse = !m_order.reverse;
    m_doc.SetReadAheadReverse(m_order.reverse);
}

void ShotPlayer::CycleLoopMode() { m_order.loop = PlayOrder::NextLoopMode(m_order.loop); }

void ShotPlayer::SetIn()
{
    if (m_doc.DisplayedShot()) m_order.SetIn(m_doc, std::size_t(m_doc.DisplayedIndex()));
}

void ShotPlayer::SetOut()
{
    if (m_doc.DisplayedShot()) m_order.SetOut(m_doc, std::size_t(m_doc.DisplayedIndex()));
}

void ShotPlayer::ClearRange() { m_order.ClearRange(); }

void ShotPlayer::Faster()
{
    m_nPlayInterval = std::max(PLAY_INTERVAL_MIN_MS, m_nPlayInterval / 2);
    m_pacer.ChangeInterval(m_nPlayInterval);
    if (Playing()) SetTimer(std::max(1, m_pacer.MillisecondsToNext()));
}

void ShotPlayer::Slower()
{
    m_nPlayInterval = std::min(PLAY_INTERVAL_MAX_MS, m_nPlayInterval * 2);
    m_pacer.ChangeInterval(m_nPlayInterval);
    if (Playing()) SetTimer(std::max(1, m_pacer.MillisecondsToNext()));
}

bool ShotPlayer::GoToNumber(int number)
{
    const std::ptrdiff_t index = m_doc.EarliestIndexOfNumber(number);
    if (index < 0) return false;
    m_doc.LoadShotAt(std::size_t(index));
    Changed();
    return true;
}

bool ShotPlayer::ShowShotAt(std::size_t index)
{
    if (Playing() || m_doc.ShotCount() == 0) return false;
    std::int64_t target = std::int64_t(std::min(index, m_doc.ShotCount() - 1));
    if (m_order.HasRange(m_doc)) target = std::clamp(target, RangeFirst(), RangeLast());
    m_doc.LoadShotAt(std::size_t(target));
    Changed();
    return true;
}

bool ShotPlayer::Available(UINT id) const
{
    const bool listed = m_doc.m_nShotCount != 0;
    const std::int32_t position = m_doc.m_nShotPos;
    switch (id) {
    case ID_SHOT_PLAY:
        return !Playing() && listed;
    case ID_SHOT_STOP:
        return Playing();
    case ID_SHOT_FIRST:
    case ID_SHOT_PREVIOUS:
        return !Playing() && position > 1 && !OutOfRange(id);
    case ID_SHOT_NEXT:
        return !Playing() && position != m_doc.m_nShotCount && listed && !OutOfRange(id);
    case ID_SHOT_LAST:
        return !Playing() && position != m_doc.m_nShotCount && !OutOfRange(id);
    case ID_APP_ABOUT:
    case ID_FILE_OPEN:
    case ID_FILE_OPEN_FOLDER:
        return !Playing();
    case ID_SHOT_REVERSE:
    case ID_SHOT_LOOP_MODE:
    case ID_SHOT_DROP:
        return listed;
    case ID_SHOT_SET_IN:
    case ID_SHOT_SET_OUT:
        return m_doc.DisplayedShot() != nullptr;
    case ID_SHOT_CLEAR_RANGE:
        return m_order.HasRange(m_doc);
    case ID_SHOT_FASTER:
        return Playing() && m_nPlayInterval > PLAY_INTERVAL_MIN_MS;
    case ID_SHOT_SLOWER:
        return Playing() && m_nPlayInterval < PLAY_INTERVAL_MAX_MS;
    default:
        return true;
    }
}

void ShotPlayer::Tick()
{
    if (Playing() && m_doc.m_nShotCount > 0) PlayNextShot();
}

void ShotPlayer::StartPacing()
{
    m_clockAt = -1;
    m_pacer.Start(m_nPlayInterval);
    // A full interval before the first shot of the run.
    SetTimer(m_nPlayInterval);
}

void ShotPlayer::StopPacing()
{
    m_pacer.Stop();
    SetTimer(m_nPlayInterval);
}

void ShotPlayer::PlayDueShot()
{
    const std::int64_t due = m_pacer.SlotsDue();
    std::int64_t at = m_clockAt >= 0 ? m_clockAt : m_doc.DisplayedIndex();
    for (std::int64_t step = 0; step < due; ++step) {
        const std::optional<std::int64_t> next = m_order.NextWhilePlaying(m_doc, at);
        if (!next) {
            Stop();
            return;
        }
        at = *next;
    }
    m_clockAt = at;
    m_doc.SetReadAheadReverse(m_order.reverse);
    const bool ready = at == m_doc.DisplayedIndex() || !m_host.ready || m_host.ready(std::size_t(at));
    m_pacer.SlotsSkipped(ready ? due - 1 : due);
    if (ready) {
        m_doc.LoadShotAt(std::size_t(at));
        m_pacer.ShotLoaded();
    }
    // The read-ahead aims past the clock by twice what a decode takes (one
    // decode may be under way when a new one is wanted), so the shots it
    // reads are ready when their time comes rather than after.
    const double decodeMs = m_host.decodeMs ? m_host.decodeMs() : 0;
    const auto lead = std::int64_t(std::ceil(2 * decodeMs / m_nPlayInterval));
    std::int64_t aim = at;
    PlayOrder ahead = m_order;  // turning round at an end must not turn the player
    for (std::int64_t step = 0; step < lead; ++step) {
        const std::optional<std::int64_t> next = ahead.NextWhilePlaying(m_doc, aim);
        if (!next) break;
        aim = *next;
    }
    m_doc.WantAheadOf(std::size_t(aim));
    if (ready) {
        Changed();
        if (m_host.showNow && m_host.showNow()) m_pacer.ShotPainted();
    }
    if (m_pacer.Running()) SetTimer(std::max(1, m_pacer.MillisecondsToNext()));
}

void ShotPlayer::PlayNextShot()
{
    m_pacer.TickStarted();
    if (m_pacer.Drop()) {
        PlayDueShot();
        return;
    }
    if (m_order.IsDefault(m_doc)) {
        m_doc.LoadShot();
    } else {
        const std::optional<std::int64_t> next = m_order.NextWhilePlaying(m_doc, m_doc.DisplayedIndex());
        if (!next) {
            // Playing once has reached the end.
            Stop();
            return;
        }
        // Ping-pong may have turned round: the read-ahead turns with it.
        m_doc.SetReadAheadReverse(m_order.reverse);
        m_doc.LoadShotAt(std::size_t(*next));
    }
    m_pacer.ShotLoaded();
    Changed();
    // Shown now, so no tick can load another before this one is seen.
    if (m_host.showNow && m_host.showNow()) m_pacer.ShotPainted();
    if (m_pacer.Running()) SetTimer(std::max(1, m_pacer.MillisecondsToNext()));
}

bool ShotPlayer::StepInRange(UINT id)
{
    if (!m_order.HasRange(m_doc)) return false;
    const std::int64_t first = RangeFirst();
    const std::int64_t last = RangeLast();
    const std::int64_t shown = m_doc.DisplayedIndex();
    std::int64_t target = first;
    if (id == ID_SHOT_LAST) target = last;
    if (id == ID_SHOT_NEXT) target = shown < first ? first : std::min(shown + 1, last);
    if (id == ID_SHOT_PREVIOUS) target = shown > last ? last : std::max(shown - 1, first);
    m_doc.LoadShotAt(std::size_t(target));
    Changed();
    return true;
}

bool ShotPlayer::OutOfRange(UINT id) const
{
    if (!m_order.HasRange(m_doc)) return false;
    const std::int64_t shown = m_doc.DisplayedIndex();
    const bool towardsStart = id == ID_SHOT_FIRST || id == ID_SHOT_PREVIOUS;
    return towardsStart ? shown <= RangeFirst() : shown >= RangeLast();
}
