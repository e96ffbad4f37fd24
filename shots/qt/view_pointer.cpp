#include "shots/qt/view_pointer.h"

#include <QAbstractScrollArea>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "shots/view/shot_overlay.h"

namespace {

constexpr int kOverlayMargin = 8;   // from the viewport's edges
constexpr int kOverlayPadding = 6;  // around the text
constexpr int kWheelStep = 120;     // one notch of a classic wheel

}  // namespace

ViewPointer::ViewPointer(QAbstractScrollArea* view, ZoomAt zoom, Moved moved, Step step)
    : QObject(view), m_view(view), m_zoom(std::move(zoom)), m_moved(std::move(moved)), m_step(std::move(step))
{
    view->viewport()->setMouseTracking(true);
    view->viewport()->installEventFilter(this);
}

bool ViewPointer::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        m_dragging = true;
        m_dragFrom = mouse->position().toPoint();
        m_scrollFrom = {m_view->horizontalScrollBar()->value(), m_view->verticalScrollBar()->value()};
        m_view->viewport()->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        if (m_dragging && (mouse->buttons() & Qt::LeftButton)) {
            const QPoint moved = at - m_dragFrom;
            m_view->horizontalScrollBar()->setValue(m_scrollFrom.x() - moved.x());
            m_view->verticalScrollBar()->setValue(m_scrollFrom.y() - moved.y());
        }
        if (m_moved) m_moved(at);
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton || !m_dragging) return false;
        m_dragging = false;
        m_view->viewport()->unsetCursor();
        return true;
    case QEvent::Leave:
        if (m_moved) m_moved(std::nullopt);
        return false;
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier)) {
            // Where nothing scrolls the wheel steps through the shots.
            const bool scrolls = m_view->horizontalScrollBar()->maximum() > 0 || m_view->verticalScrollBar()->maximum() > 0;
            if (scrolls || !m_step || wheel->modifiers() != Qt::NoModifier) return false;  // the view scrolls
            const int notches = WheelNotches(wheel->angleDelta().y());
            if (notches != 0) m_step(-notches);
            wheel->accept();
            return true;
        }
        const int steps = WheelNotches(wheel->angleDelta().y());
        if (steps != 0 && m_zoom) m_zoom(steps, wheel->position().toPoint());
        wheel->accept();
        return true;
    }
    case QEvent::ContextMenu:
        if (!m_menu) return false;
        m_menu(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    default:
        return false;
    }
}

int ViewPointer::WheelNotches(int angle)
{
    m_wheelRest += angle;
    const int notches = m_wheelRest / kWheelStep;
    m_wheelRest -= notches * kWheelStep;
    return notches;
}

QRect OverlayBox(const QWidget& viewport, const std::vector<std::string>& lines, std::optional<QPoint> pointer)
{
    const QFontMetrics metrics(viewport.font());
    int width = 0;
    for (const std::string& line : lines) {
        width = std::max(width, metrics.horizontalAdvance(QString::fromUtf8(line.c_str())));
    }
    const ViewSize box{width + 2 * kOverlayPadding, int(lines.size()) * metrics.lineSpacing() + 2 * kOverlayPadding};
    std::optional<ViewPoint> at;
    if (pointer) at = ViewPoint{pointer->x(), pointer->y()};
    const std::optional<ViewRect> placed =
        PlaceOverlay(box, {viewport.width(), viewport.height()}, at, kOverlayMargin);
    if (!placed) return {};
    return {placed->x, placed->y, placed->width, placed->height};
}

void PaintOverlay(QPainter& painter, const QRect& box, const std::vector<std::string>& lines)
{
    if (box.isEmpty()) return;
    painter.fillRect(box, QColor(255, 255, 255, 225));
    painter.setPen(QColor(0, 0, 0));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    const QFontMetrics metrics(painter.font());
    int y = box.top() + kOverlayPadding + metrics.ascent();
    for (const std::string& line : lines) {
        painter.drawText(box.left() + kOverlayPadding, y, QString::fromUtf8(line.c_str()));
        y += metrics.lineSpacing();
    }
}
