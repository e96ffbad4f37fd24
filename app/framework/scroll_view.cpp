#include "app/framework/scroll_view.h"

#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "image/device_context.h"

ScrollView::ScrollView(CDocument* document, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_pDocument(document),
      m_timers([this](UINT id) { DispatchTimer(id); })
{
    setFrameShape(QFrame::NoFrame);
    // Every pixel comes from the back buffer; Qt must not clear the area first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    if (m_pDocument) m_pDocument->AddView(this);
}

ScrollView::~ScrollView()
{
    m_timers.KillAll();
    if (m_pDocument) m_pDocument->RemoveView(this);
}

void ScrollView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

void ScrollView::OnUpdate(DocumentView*, long, void*) { Invalidate(); }

void ScrollView::Invalidate() { viewport()->update(); }

void ScrollView::SetScrollSizes(QSize total)
{
    m_totalSize = total.expandedTo(QSize(0, 0));
    // Integer steps: a page is a tenth of the total, a line a tenth of a
    // page (QSize's own division would round 12.8 up to 13).
    m_pageSize = QSize(m_totalSize.width() / 10, m_totalSize.height() / 10);
    m_lineSize = QSize(m_pageSize.width() / 10, m_pageSize.height() / 10);
    if (m_inPaint) {
        m_barsPending = true;
        ScheduleAfterPaint();
    } else {
        UpdateBars();
    }
}

QPoint ScrollView::GetScrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

QRect ScrollView::GetClientRect() const { return QRect(QPoint(0, 0), viewport()->size()); }

qreal ScrollView::DevicePixelRatio() const { return viewport()->devicePixelRatioF(); }

int ScrollView::ToDevicePixels(int logical) const
{
    const double device = std::round(double(logical) * DevicePixelRatio());
    return int(std::clamp(device, double(INT_MIN), double(INT_MAX)));
}

QRect ScrollView::GetDeviceClientRect() const
{
    const QSize size = viewport()->size();
    return QRect(0, 0, ToDevicePixels(size.width()), ToDevicePixels(size.height()));
}

void ScrollView::ResizeParentToFit(bool shrinkOnly)
{
    if (m_inPaint) {
        m_pendingParentResize = shrinkOnly;
        ScheduleAfterPaint();
    } else {
        ResizeParentNow(shrinkOnly);
    }
}

void ScrollView::ResizeParentNow(bool shrinkOnly)
{
    QWidget* frame = window();
    if (!frame || frame == this) return;

    // The visible area as it would be without scroll bars, and the size the
    // view wants: the total, or in shrink-only mode never more than now.
    const QSize client = maximumViewportSize();
    QSize wanted = m_totalSize;
    if (shrinkOnly) {
        if (client.width() <= wanted.width()) wanted.setWidth(client.width());
        if (client.height() <= wanted.height()) wanted.setHeight(client.height());
    }
    QSize frameSize = frame->size() + (wanted - client);

    // A window cannot grow past the screen (less its own decorations).
    if (const QScreen* screen = frame->screen()) {
        const QSize decorations = frame->frameGeometry().size() - frame->size();
        frameSize = frameSize.boundedTo(screen->availableGeometry().size() - decorations);
    }
    frameSize = frameSize.expandedTo(QSize(1, 1));
    if (frameSize != frame->size()) frame->resize(frameSize);
}

void ScrollView::DispatchTimer(UINT id) { OnTimer(id); }

bool ScrollView::OnEraseBkgnd(HDC dc)
{
    const QColor colour = palette().color(QPalette::Base);
    dc->FillSolid(dc->GetClipBox(), RGB(BYTE(colour.red()), BYTE(colour.green()), BYTE(colour.blue())));
    return true;
}

void ScrollView::OnTimer(UINT) {}

void ScrollView::OnDestroy()
{
    if (m_destroyed) return;
    m_destroyed = true;
    m_timers.KillAll();
}

void ScrollView::paintEvent(QPaintEvent* event)
{
    const QSize size = viewport()->size();
    if (size.isEmpty()) return;
    const qreal ratio = DevicePixelRatio();
    const QSize deviceSize = GetDeviceClientRect().size();
    if (m_backBuffer.size() != deviceSize) m_backBuffer = QImage(deviceSize, QImage::Format_RGB32);
    if (m_backBuffer.isNull()) return;  // no memory for the buffer: leave the area as it is
    m_backBuffer.setDevicePixelRatio(ratio);

    const QRect dirty = event->rect() & QRect(QPoint(0, 0), size);
    if (dirty.isEmpty()) return;
    // The same area in device pixels, widened to whole ones.
    const QRect deviceDirty =
        QRectF(dirty.x() * ratio, dirty.y() * ratio, dirty.width() * ratio, dirty.height() * ratio).toAlignedRect() &
        QRect(QPoint(0, 0), deviceSize);

    DeviceContext dc(reinterpret_cast<std::uint32_t*>(m_backBuffer.bits()), deviceSize.width(),
                     deviceSize.height(), int(m_backBuffer.bytesPerLine()));
    const QPoint scroll = GetScrollPosition();
    const QPoint origin(ToDevicePixels(scroll.x()), ToDevicePixels(scroll.y()));
    dc.SetLogicalOrigin(origin.x(), origin.y());
    const QRect logical = deviceDirty.translated(origin);
    dc.SetClipRect({logical.left(), logical.top(), logical.left() + logical.width(),
                    logical.top() + logical.height()});

    m_inPaint = true;
    OnEraseBkgnd(&dc);
    OnDraw(&dc);
    m_inPaint = false;

    // The buffer's ratio makes this a copy of device pixels, not a scaling.
    QPainter painter(viewport());
    painter.drawImage(QPointF(deviceDirty.topLeft()) / ratio, m_backBuffer, QRectF(deviceDirty));
}

void ScrollView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateBars();
}

void ScrollView::UpdateBars()
{
    const QSize visible = viewport()->size();
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, m_totalSize.width() - visible.width()));
    horizontal->setPageStep(std::max(1, m_pageSize.width()));
    horizontal->setSingleStep(std::max(1, m_lineSize.width()));
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, m_totalSize.height() - visible.height()));
    vertical->setPageStep(std::max(1, m_pageSize.height()));
    vertical->setSingleStep(std::max(1, m_lineSize.height()));
}

void ScrollView::ScheduleAfterPaint()
{
    if (m_afterPaintScheduled) return;
    m_afterPaintScheduled = true;
    QMetaObject::invokeMethod(this, [this] { ApplyAfterPaint(); }, Qt::QueuedConnection);
}

void ScrollView::ApplyAfterPaint()
{
    m_afterPaintScheduled = false;
    if (m_pendingParentResize) {
        const bool shrinkOnly = *m_pendingParentResize;
        m_pendingParentResize.reset();
        ResizeParentNow(shrinkOnly);
    }
    if (m_barsPending) {
        m_barsPending = false;
        UpdateBars();
    }
}
