// CKestrel's state message: a line for a moment in the bottom right corner
// after a key changed a state nothing else shows (state_message.h).
#include <QPainter>

#include "shots/qt/player_view.h"
#include "shots/view/state_message.h"

namespace {

constexpr int kMessageMargin = 8;
constexpr int kMessagePadding = 6;

}  // namespace

void CKestrel::ShowStateAfter(UINT id)
{
    const CKESTRELDoc* document = GetDocument();
    StateFacts facts;
    facts.reverse = m_player.Order().reverse;
    facts.loop = m_player.Order().loop;
    facts.intervalMs = m_player.IntervalMs();
    if (const std::int64_t index = document->DisplayedIndex(); index >= 0)
        facts.displayedNumber = document->ShotNumber(std::size_t(index));
    facts.followNewest = m_followFacts && m_followFacts().following;
    facts.drop = m_player.Dropping();
    facts.fitOn = document->m_bFitToScreen != 0;
    facts.fitMode = m_geometry.Fit();
    facts.zoom = m_geometry.Zoom();
    const std::string message = StateMessage(id, facts);
    if (message.empty()) return;
    m_stateMessage = message;
    SetTimer(STATE_MESSAGE_TIMER_ID, STATE_MESSAGE_MS);
    viewport()->update();
}

void CKestrel::ClearStateMessage()
{
    KillTimer(STATE_MESSAGE_TIMER_ID);
    m_stateMessage.clear();
    viewport()->update();
}

void CKestrel::PaintStateMessage(QPainter& painter) const
{
    if (m_stateMessage.empty()) return;
    const QString text = QString::fromUtf8(m_stateMessage.c_str());
    const QFontMetrics metrics(painter.font());
    const ViewSize box{metrics.horizontalAdvance(text) + 2 * kMessagePadding, metrics.height() + 2 * kMessagePadding};
    const ViewRect at = CornerRects(box, {viewport()->width(), viewport()->height()}, kMessageMargin)[3];
    const QRect rect(at.x, at.y, at.width, at.height);
    painter.fillRect(rect, QColor(0, 0, 0, 190));
    painter.setPen(QColor(0xf0, 0xf0, 0xf0));
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
}
