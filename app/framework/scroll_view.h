// ScrollView: a document's view in a frame's client area, with scroll bars
// measured in pixels, window timers and painting through a DeviceContext.
//
// Painting. Each paint hands OnDraw a DeviceContext over the view's back
// buffer (a 32-bit image the size of the visible area). The context's logical
// origin is the scroll position, so OnDraw draws in document coordinates, and
// its clip box is the part that needs painting. The back buffer is not
// cleared between paints: OnEraseBkgnd runs first, and a view that answers
// true there paints every pixel itself.
//
// High-density screens. The back buffer has the screen's own pixels: at a
// device pixel ratio of 2 it is twice as wide and high as the visible area,
// the context's origin is the scroll position times 2, and the buffer goes to
// the screen without being scaled again. A view that draws at its own size
// scales by DevicePixelRatio() itself (GetDeviceClientRect gives the area);
// at a ratio of 1 device and logical pixels are the same. Scroll sizes and
// positions stay in logical pixels.
//
// Scrolling. SetScrollSizes(total) sets the scrollable size (page steps a
// tenth of it, line steps a tenth of a page); a scroll bar shows when the
// total exceeds the visible area in its direction. ResizeParentToFit resizes
// the top-level window so the visible area gets the total size: with
// shrinkOnly it only shrinks, in the directions where the total is smaller;
// without it the window grows as far as the screen allows. Both may be
// called from OnDraw; there they take effect on the widgets right after the
// paint, as a window cannot change its geometry in the middle of its own
// paint.
//
// Timers. SetTimer(id, ms) / KillTimer(id); each tick calls OnTimer(id).
//
// Commands. A view is the first CommandTarget of the main window's route and
// registers its handlers like any target. OnUpdate (from the document's
// UpdateAllViews) invalidates the whole view.
//
// Lifetime. The document must outlive its views. OnDestroy runs when the
// frame that hosts the view is destroyed (FrameWindow calls it), before the
// view's widgets go away.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QSize>
#include <functional>
#include <optional>

#include "app/framework/command_target.h"
#include "app/framework/document.h"
#include "app/framework/window_timers.h"
#include "image/dib_image.h"

class ScrollView : public QAbstractScrollArea, public CommandTarget, public DocumentView {
public:
    explicit ScrollView(CDocument* document, QWidget* parent = nullptr);
    ~ScrollView() override;

    CDocument* GetDocument() const { return m_pDocument; }

    // The framework's initial update: runs once all of document, frame and
    // view exist, and again after each new-document step. The base repaints.
    virtual void OnInitialUpdate();
    void OnUpdate(DocumentView* sender, long hint, void* hintObject) override;
    void Invalidate();

    // Scrolling, one unit per pixel.
    void SetScrollSizes(QSize total);
    QSize GetTotalSize() const { return m_totalSize; }
    QSize GetPageSize() const { return m_pageSize; }
    QSize GetLineSize() const { return m_lineSize; }
    QPoint GetScrollPosition() const;
    void ResizeParentToFit(bool shrinkOnly = true);
    // The narrowest the frame may be made by fitting it to the view (the
    // frame's toolbar, whole); none by default. The user may still make it
    // narrower.
    void SetFrameWidthFloor(std::function<int()> floor) { m_frameWidthFloor = std::move(floor); }
    // The visible area in client coordinates: (0, 0) to its width and height.
    QRect GetClientRect() const;
    // Device pixels per logical pixel, and the visible area in device pixels.
    qreal DevicePixelRatio() const;
    QRect GetDeviceClientRect() const;
    // A logical length in device pixels, held within the int range.
    int ToDevicePixels(int logical) const;

    void SetTimer(UINT id, UINT milliseconds) { m_timers.SetTimer(id, milliseconds); }
    void KillTimer(UINT id) { m_timers.KillTimer(id); }
    const WindowTimers& Timers() const { return m_timers; }

    // Runs the tick handler as a timer of this id would; tests drive a
    // view's timer through this instead of waiting for it.
    void DispatchTimer(UINT id);

    virtual void OnDraw(HDC dc) = 0;
    // Default: fills the clip box with the window colour and answers true.
    virtual bool OnEraseBkgnd(HDC dc);
    virtual void OnTimer(UINT id);
    virtual void OnDestroy();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateBars();
    void ResizeParentNow(bool shrinkOnly);
    void ScheduleAfterPaint();
    void ApplyAfterPaint();

    CDocument* m_pDocument;
    WindowTimers m_timers;
    QImage m_backBuffer;
    QSize m_totalSize{0, 0};
    QSize m_pageSize{0, 0};
    QSize m_lineSize{0, 0};
    bool m_inPaint = false;
    bool m_afterPaintScheduled = false;
    bool m_barsPending = false;
    std::optional<bool> m_pendingParentResize;  // shrinkOnly of the pending request
    bool m_destroyed = false;
    std::function<int()> m_frameWidthFloor;
};
