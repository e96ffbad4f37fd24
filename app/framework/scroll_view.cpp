#include "app/framework/scroll_view.h"

#include <QMetaObject>
#include <QPaintEngine>
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
    // A maximised or full-screen window keeps the state its user chose.
    if (frame->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;

    // The visible area as it would be without scroll bars, and the size the
    // view wants: the total, or in shrink-only mode never more than now.
    const QSize client = maximumViewportSize();
    QSize wanted = m_totalSize;
    if (shrinkOnly) {
        if (client.width() <= wanted.width()) wanted.setWidth(client.width());
        if (client.height() <= wanted.height()) wanted.setHeight(client.height());
    }
    QSize frameSize = frame->size() + (wanted - client);
    if (m_frameWidthFloor) frameSize.setWidth(std::max(frameSize.width(), m_frameWidthFloor()));

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

// The window's own pixels under the viewport, when the window is painted
// into plain memory that the context can write the way it writes its back
// buffer (32-bit words, no other transform than a whole-pixel shift), and
// the viewport's area lies inside it: painting there saves copying a whole
// back buffer onto the window at every shot. Null otherwise.
static QImage* WindowPixels(QPainter& painter, const QSize& deviceSize, QPoint& offset)
{
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster) return nullptr;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return nullptr;
    auto* image = static_cast<QImage*>(device);
    // The context writes opaque 0xAARRGGBB words, which all three hold alike.
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return nullptr;
    if (!image->isDetached()) return nullptr;
    const QTransform transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate) return nullptr;
    const qreal dx = transform.dx(), dy = transform.dy();
    if (dx != qRound(dx) || dy != qRound(dy)) return nullptr;
    offset = QPoint(qRound(dx), qRound(dy));
    if (!QRect(QPoint(0, 0), image->size()).contains(QRect(offset, deviceSize))) return nullptr;
    return image;
}

void ScrollView::paintEvent(QPaintEvent* event)
{
    const QSize size = viewport()->size();
    if (size.isEmpty()) return;
    const qreal ratio = DevicePixelRatio();
    const QSize deviceSize = GetDeviceClientRect().size();

    const QRect dirty = event->rect() & QRect(QPoint(0, 0), size);
    if (dirty.isEmpty()) return;
    // The same area in device pixels, widened to whole ones.
    const QRect deviceDirty =
        QRectF(dirty.x() * ratio, dirty.y() * ratio, dirty.width() * ratio, dirty.height() * ratio).toAlignedRect() &
        QRect(QPoint(0, 0), deviceSize);

    QPainter painter(viewport());
    QPoint windowOffset;
    QImage* window = ratio == 1.0 ? WindowPixels(painter, deviceSize, windowOffset) : nullptr;
    std::uint32_t* pixels = nullptr;
    int pitch = 0;
    if (window) {
        pitch = int(window->bytesPerLine());
        pixels = reinterpret_cast<std::uint32_t*>(window->bits() + std::ptrdiff_t(windowOffset.y()) * pitch) +
                 windowOffset.x();
    } else {
        if (m_backBuffer.size() != deviceSize) m_backBuffer = QImage(deviceSize, QImage::Format_RGB32);
        if (m_backBuffer.isNull()) return;  // no memory for the buffer: leave the area as it is
        m_backBuffer.setDevicePixelRatio(ratio);
        pitch = int(m_backBuffer.bytesPerLine());
        pixels = reinterpret_cast<std::uint32_t*>(m_backBuffer.bits());
    }

    DeviceContext dc(pixels, deviceSize.width(), deviceSize.height(), pitch);
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
    if (!window) painter.drawImage(QPointF(deviceDirty.topLeft()) / ratio, m_backBuffer, QRectF(deviceDirty));
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
