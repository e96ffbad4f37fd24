// The mouse on the player view, and the overlay box it paints.
//
// ViewPointer watches the view's viewport: a drag with the left button pans
// (the scroll bars follow the hand), Ctrl with the wheel asks for a zoom
// step at the pointer, the plain wheel scrolls as any scrolling view does
// or, where there is nothing to scroll, asks for steps through the shots; a
// right-click asks for the context menu, and every move or leave is
// reported, for the overlay's readout.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAbstractScrollArea;
class QPainter;
class QWidget;

class ViewPointer : public QObject {
public:
    // steps > 0 zooms in, < 0 out, at a point of the viewport.
    using ZoomAt = std::function<void(int steps, QPoint at)>;
    using Moved = std::function<void(std::optional<QPoint> at)>;
    // steps > 0 towards later shots (the wheel turned down); true when taken.
    using Step = std::function<bool(int steps)>;

    ViewPointer(QAbstractScrollArea* view, ZoomAt zoom, Moved moved, Step step);

    // Opens the context menu at a global position.
    void SetContextMenu(std::function<void(QPoint)> menu) { m_menu = std::move(menu); }

    bool Dragging() const { return m_dragging; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractScrollArea* m_view;
    ZoomAt m_zoom;
    Moved m_moved;
    Step m_step;
    std::function<void(QPoint)> m_menu;
    bool m_dragging = false;
    QPoint m_dragFrom;
    QPoint m_scrollFrom;
    int m_wheelRest = 0;  // wheel angle not yet turned into a step
    // Whole notches turned so far, the rest kept for the next turn.
    int WheelNotches(int angle);
};

// The overlay box for lines, placed in a corner of the viewport that leaves
// the pointer's pixel free; empty when no corner does.
QRect OverlayBox(const QWidget& viewport, const std::vector<std::string>& lines, std::optional<QPoint> pointer);
void PaintOverlay(QPainter& painter, const QRect& box, const std::vector<std::string>& lines);
