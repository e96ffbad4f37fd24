// The player view's review commands and its playing on time.
//
// Playing keeps the view's one timer: each tick shows the next shot, paints
// it at once, and sets the timer to the moment the shot after it is due, as
// the pacer reckons it from the start of the run. A tick that comes late
// still shows the next shot (none is skipped) and the next is due on time.
#include <QWidget>
#include <algorithm>

#include "shots/play_interval.h"
#include "shots/qt/player_view.h"
#include "shots/review_ids.h"

void CKestrel::RegisterReviewCommands()
{
    const auto listed = [this](CCmdUI& ui) {
        if (GetDocument()->m_nShotCount == 0) ui.Enable(false);
    };
    const auto displayed = [this](CCmdUI& ui) {
        if (!GetDocument()->DisplayedShot()) ui.Enable(false);
    };
    OnCommand(ID_SHOT_REVERSE, [this] { OnReverse(); });
    OnUpdateCommand(ID_SHOT_REVERSE, listed);
    OnCommand(ID_SHOT_LOOP_MODE, [this] { OnLoopMode(); });
    OnUpdateCommand(ID_SHOT_LOOP_MODE, listed);
    OnCommand(ID_SHOT_SET_IN, [this] { OnSetIn(); });
    OnUpdateCommand(ID_SHOT_SET_IN, displayed);
    OnCommand(ID_SHOT_SET_OUT, [this] { OnSetOut(); });
    OnUpdateCommand(ID_SHOT_SET_OUT, displayed);
    OnCommand(ID_SHOT_CLEAR_RANGE, [this] { OnClearRange(); });
    OnUpdateCommand(ID_SHOT_CLEAR_RANGE, [this](CCmdUI& ui) {
        if (!m_order.HasRange(*GetDocument())) ui.Enable(false);
    });
    OnCommand(ID_SHOT_FASTER, [this] { OnFaster(); });
    OnUpdateCommand(ID_SHOT_FASTER, [this](CCmdUI& ui) {
        if (!m_bPlaying || m_nPlayInterval <= UINT(PLAY_INTERVAL_MIN_MS)) ui.Enable(false);
    });
    OnCommand(ID_SHOT_SLOWER, [this] { OnSlower(); });
    OnUpdateCommand(ID_SHOT_SLOWER, [this](CCmdUI& ui) {
        if (!m_bPlaying || m_nPlayInterval >= UINT(PLAY_INTERVAL_MAX_MS)) ui.Enable(false);
    });
}

void CKestrel::OnReverse()
{
    m_order.reverse = !m_order.reverse;
    GetDocument()->SetReadAheadReverse(m_order.reverse);
}

void CKestrel::OnLoopMode() { m_order.loop = PlayOrder::NextLoopMode(m_order.loop); }

void CKestrel::OnSetIn()
{
    const CKESTRELDoc* document = GetDocument();
    if (document->DisplayedShot()) m_order.SetIn(*document, std::size_t(document->m_nShotPos - 1));
}

void CKestrel::OnSetOut()
{
    const CKESTRELDoc* document = GetDocument();
    if (document->DisplayedShot()) m_order.SetOut(*document, std::size_t(document->m_nShotPos - 1));
}

void CKestrel::OnClearRange() { m_order.ClearRange(); }

void CKestrel::OnFaster()
{
    m_nPlayInterval = UINT(std::max<int>(PLAY_INTERVAL_MIN_MS, int(m_nPlayInterval) / 2));
    m_pacer.ChangeInterval(int(m_nPlayInterval));
    if (m_bPlaying) SetTimer(PLAY_TIMER_ID, UINT(std::max(1, m_pacer.MillisecondsToNext())));
}

void CKestrel::OnSlower()
{
    m_nPlayInterval = UINT(std::min<int>(PLAY_INTERVAL_MAX_MS, int(m_nPlayInterval) * 2));
    m_pacer.ChangeInterval(int(m_nPlayInterval));
    if (m_bPlaying) SetTimer(PLAY_TIMER_ID, UINT(std::max(1, m_pacer.MillisecondsToNext())));
}

void CKestrel::StartPacing()
{
    m_pacer.Start(int(m_nPlayInterval));
    // A full interval before the first shot of the run.
    SetTimer(PLAY_TIMER_ID, m_nPlayInterval);
}

void CKestrel::StopPacing()
{
    m_pacer.Stop();
    SetTimer(PLAY_TIMER_ID, m_nPlayInterval);
}

void CKestrel::PlayNextShot()
{
    CKESTRELDoc* document = GetDocument();
    if (m_order.IsDefault(*document)) {
        document->LoadShot();
    } else {
        const std::optional<std::int64_t> next = m_order.NextWhilePlaying(*document, document->m_nShotPos - 1);
        if (!next) {
            // Playing once has reached the end.
            OnStop();
            return;
        }
        // Ping-pong may have turned round: the read-ahead turns with it.
        document->SetReadAheadReverse(m_order.reverse);
        document->LoadShotAt(std::size_t(*next));
    }
    m_pacer.ShotLoaded();
    UpdateDocumentViews();
    // Painted now, so no tick can load another before this one is seen; it
    // has reached the screen once the repaint returns.
    if (isVisible() && viewport()) {
        m_bPlayRepaint = true;
        viewport()->repaint();
        // Not painted after all (no exposed window): the next paint marks it.
        if (!m_bPlayRepaint) m_pacer.ShotPainted();
        m_bPlayRepaint = false;
    }
    if (m_pacer.Running()) SetTimer(PLAY_TIMER_ID, UINT(std::max(1, m_pacer.MillisecondsToNext())));
}

bool CKestrel::StepInRange(UINT id)
{
    CKESTRELDoc* document = GetDocument();
    if (!m_order.HasRange(*document)) return false;
    const std::int64_t first = RangeFirst();
    const std::int64_t last = RangeLast();
    const std::int64_t shown = document->m_nShotPos - 1;
    std::int64_t target = first;
    if (id == ID_SHOT_LAST) target = last;
    if (id == ID_SHOT_NEXT) target = shown < first ? first : std::min(shown + 1, last);
    if (id == ID_SHOT_PREVIOUS) target = shown > last ? last : std::max(shown - 1, first);
    document->LoadShotAt(std::size_t(target));
    UpdateDocumentViews();
    return true;
}

bool CKestrel::ShowShotAt(std::size_t index)
{
    CKESTRELDoc* document = GetDocument();
    if (m_bPlaying || document->ShotCount() == 0) return false;
    std::int64_t target = std::int64_t(std::min(index, document->ShotCount() - 1));
    if (m_order.HasRange(*document)) target = std::clamp(target, RangeFirst(), RangeLast());
    document->LoadShotAt(std::size_t(target));
    UpdateDocumentViews();
    return true;
}

void CKestrel::DisableOutOfRange(CCmdUI& ui, UINT id)
{
    const CKESTRELDoc* document = GetDocument();
    if (!m_order.HasRange(*document)) return;
    const std::int64_t shown = document->m_nShotPos - 1;
    const bool towardsStart = id == ID_SHOT_FIRST || id == ID_SHOT_PREVIOUS;
    if (towardsStart ? shown <= RangeFirst() : shown >= RangeLast()) ui.Enable(false);
}
