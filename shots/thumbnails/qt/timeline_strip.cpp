#include "shots/thumbnails/qt/timeline_strip.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QThread>
#include <QWheelEvent>
#include <algorithm>
#include <climits>

#include "shots/qt/player_view.h"
#include "shots/shot_list_document.h"
#include "shots/list/shot_number_text.h"
#include "shots/thumbnails/timeline_marks.h"

namespace {

const QColor BACKGROUND(0x30, 0x30, 0x30);
const QColor CURRENT(0x3d, 0x7e, 0xdb);
const QColor EMPTY_FRAME(0x70, 0x70, 0x70);
const QColor PLACEHOLDER(0x90, 0x90, 0x90);
const QColor NUMBER(0xe0, 0xe0, 0xe0);
const QColor RANGE_END(0x3c, 0xc8, 0x50);
const QColor DROP(0xe0, 0x40, 0x40);
const QColor REPEATED(0xf0, 0xa0, 0x30);
constexpr int MARK_WIDTH = 3;

}  // namespace

CTimelineStrip::CTimelineStrip(CKESTRELDoc* document, CKestrel* view, ThumbnailMaker::Options options,
                               QWidget* parent)
    : QAbstractScrollArea(parent), m_pDocument(document), m_pView(view),
      m_maker(std::make_unique<ThumbnailMaker>(std::move(options)))
{
    setObjectName(QStringLiteral("timelineStrip"));
    setFocusPolicy(Qt::NoFocus);  // the keys stay the view's
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(false);
    // Until the strip shows, nothing is made.
    m_maker->SetActive(false);
    // Runs on the worker: one repaint waits in the queue at a time.
    m_maker->SetReadyCallback([this] {
        if (!m_repaintPosted.exchange(true)) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_repaintPosted = false;
                    viewport()->update();
                },
                Qt::QueuedConnection);
        }
    });
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { SyncRange(); });
    }
    m_pDocument->AddView(this);
    SyncList();
}

CTimelineStrip::~CTimelineStrip()
{
    m_pDocument->RemoveView(this);
    // The worker stops before anything its callback reaches goes away.
    m_maker.reset();
}

void CTimelineStrip::OnUpdate(DocumentView*, long, void*)
{
    SyncList();
    const std::ptrdiff_t current = std::ptrdiff_t(m_pDocument->DisplayedIndex());
    if (current != m_current) {
        m_current = current;
        if (current >= 0) EnsureVisible(std::size_t(current));
    }
    viewport()->update();
}

void CTimelineStrip::SyncList()
{
    const auto& shots = m_pDocument->Shots();
    bool same = shots.size() == m_listed.size();
    for (std::size_t i = 0; same && i < shots.size(); ++i) {
        same = m_listed[i].first == shots[i].get() && m_listed[i].second == shots[i]->lastWriteTime;
    }
    if (same) return;
    m_listed.resize(shots.size());
    std::vector<ThumbnailMaker::Shot> list(shots.size());
    for (std::size_t i = 0; i < shots.size(); ++i) {
        m_listed[i] = {shots[i].get(), shots[i]->lastWriteTime};
        list[i] = {shots[i]->path, shots[i]->lastWriteTime};
    }
    m_maker->SetShots(std::move(list));
    m_numberingMarks = NumberingMarks(*m_pDocument);
    UpdateScrollRange();
    UpdateVisible();
}

void CTimelineStrip::SyncRange()
{
    if (!m_pView) return;
    const PlayOrder& order = m_pView->m_player.Order();
    std::pair<std::int64_t, std::int64_t> range{-1, -1};
    if (order.HasRange(*m_pDocument)) range = {order.First(*m_pDocument), order.Last(*m_pDocument)};
    if (range == m_range) return;
    m_range = range;
    viewport()->update();
}

std::uint8_t CTimelineStrip::MarksAt(std::size_t index) const
{
    std::uint8_t marks = index < m_numberingMarks.size() ? m_numberingMarks[index] : 0;
    if (m_pView && index < m_pDocument->ShotCount()) marks |= RangeMarks(*m_pDocument, m_pView->m_player.Order(), index);
    return marks;
}

std::ptrdiff_t CTimelineStrip::IndexAt(QPoint point) const
{
    if (point.y() < 0 || point.y() >= CELL_HEIGHT) return -1;
    const std::int64_t x = std::int64_t(horizontalScrollBar()->value()) + point.x();
    if (x < 0) return -1;
    const std::int64_t index = x / CELL_WIDTH;
    return index < std::int64_t(m_pDocument->ShotCount()) ? std::ptrdiff_t(index) : -1;
}

QRect CTimelineStrip::CellRect(std::size_t index) const
{
    const std::int64_t left = std::int64_t(index) * CELL_WIDTH - horizontalScrollBar()->value();
    return QRect(int(std::clamp<std::int64_t>(left, INT_MIN / 2, INT_MAX / 2)), 0, CELL_WIDTH, CELL_HEIGHT);
}

std::pair<std::size_t, std::size_t> CTimelineStrip::VisibleRange() const
{
    const std::size_t count = m_pDocument->ShotCount();
    const std::size_t left = std::size_t(std::max(0, horizontalScrollBar()->value()));
    const std::size_t right = left + std::size_t(std::max(0, viewport()->width()));
    const std::size_t first = std::min(count, left / CELL_WIDTH);
    const std::size_t end = std::min(count, (right + CELL_WIDTH - 1) / CELL_WIDTH);
    return {first, std::max(first, end)};
}

void CTimelineStrip::UpdateScrollRange()
{
    // The total width stays within the scroll bar's int range.
    const std::int64_t total = std::int64_t(m_pDocument->ShotCount()) * CELL_WIDTH;
    const std::int64_t page = viewport()->width();
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, int(std::clamp<std::int64_t>(total - page, 0, INT_MAX)));
    bar->setPageStep(int(std::max<std::int64_t>(page, 1)));
    bar->setSingleStep(CELL_WIDTH / 2);
}

void CTimelineStrip::UpdateVisible()
{
    const auto [first, end] = VisibleRange();
    m_maker->SetVisible(first, end);
}

void CTimelineStrip::EnsureVisible(std::size_t index)
{
    QScrollBar* bar = horizontalScrollBar();
    const std::int64_t left = std::int64_t(index) * CELL_WIDTH;
    const std::int64_t right = left + CELL_WIDTH;
    const std::int64_t width = viewport()->width();
    std::int64_t value = bar->value();
    if (left < value) value = left;
    if (right > value + width) value = right - width;
    bar->setValue(int(std::clamp<std::int64_t>(value, 0, INT_MAX)));
    UpdateVisible();
}

bool CTimelineStrip::VisibleThumbnailsReady() const { return !isVisible() || m_maker->VisibleReady(); }

bool CTimelineStrip::WaitForVisibleThumbnails(int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    QCoreApplication::processEvents();
    UpdateVisible();
    while (!VisibleThumbnailsReady() && waited.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    // The repaint the last thumbnail asked for.
    QCoreApplication::processEvents();
    return VisibleThumbnailsReady();
}

QSize CTimelineStrip::sizeHint() const
{
    const int bar = horizontalScrollBar()->sizeHint().height();
    return QSize(CELL_WIDTH * 4, CELL_HEIGHT + bar + 2 * frameWidth());
}

void CTimelineStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), BACKGROUND);
    const auto [first, end] = VisibleRange();
    for (std::size_t i = first; i < end; ++i) PaintCell(painter, i);
}

void CTimelineStrip::PaintCell(QPainter& painter, std::size_t index)
{
    const QRect cell = CellRect(index);
    if (std::ptrdiff_t(index) == m_current) painter.fillRect(cell, CURRENT);
    const QRect box(cell.left() + CELL_MARGIN, cell.top() + CELL_MARGIN, THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT);

    const std::shared_ptr<const Thumbnail> thumbnail = m_maker->Get(index);
    if (!thumbnail) {
        painter.setPen(EMPTY_FRAME);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    } else if (thumbnail->failed || thumbnail->pixels.empty()) {
        painter.fillRect(box, PLACEHOLDER);
    } else {
        // The pixels stay the thumbnail's; the picture only looks at them.
        const QImage picture(reinterpret_cast<const uchar*>(thumbnail->pixels.data()), thumbnail->width,
                             thumbnail->height, thumbnail->width * 4, QImage::Format_RGB32);
        const QPoint at(box.left() + (THUMBNAIL_WIDTH - thumbnail->width) / 2,
                        box.top() + (THUMBNAIL_HEIGHT - thumbnail->height) / 2);
        painter.drawImage(at, picture);
    }

    const std::uint8_t marks = MarksAt(index);
    const QRect numberBox(cell.left(), box.bottom() + 1, CELL_WIDTH, NUMBER_HEIGHT);
    const QString number = index < m_pDocument->ShotCount()
                               ? QString::fromStdString(ShotNumberText(m_pDocument->Shot(index).path))
                               : QString();
    painter.setPen((marks & MARK_REPEATED) ? REPEATED : NUMBER);
    painter.drawText(numberBox, Qt::AlignCenter, number);
    if (marks & MARK_REPEATED) {
        painter.fillRect(QRect(numberBox.left() + CELL_MARGIN, numberBox.bottom() - 1, THUMBNAIL_WIDTH, 2), REPEATED);
    }
    if (marks & MARK_DROP) painter.fillRect(QRect(cell.left(), cell.top(), MARK_WIDTH, CELL_HEIGHT), DROP);
    if (marks & MARK_IN) painter.fillRect(QRect(cell.left(), cell.top(), MARK_WIDTH, CELL_HEIGHT), RANGE_END);
    if (marks & MARK_OUT) {
        painter.fillRect(QRect(cell.right() - MARK_WIDTH + 1, cell.top(), MARK_WIDTH, CELL_HEIGHT), RANGE_END);
    }
}

void CTimelineStrip::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
    UpdateVisible();
}

void CTimelineStrip::scrollContentsBy(int, int)
{
    UpdateVisible();
    viewport()->update();
}

void CTimelineStrip::wheelEvent(QWheelEvent* event)
{
    // Up and down move along the strip, as its only direction.
    const QPoint delta = event->angleDelta();
    const int steps = delta.x() != 0 ? delta.x() : delta.y();
    QScrollBar* bar = horizontalScrollBar();
    bar->setValue(bar->value() - steps * CELL_WIDTH / 120);
    event->accept();
}

void CTimelineStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    ShowShotUnder(event->position().toPoint());
    m_dragging = true;
    event->accept();
}

void CTimelineStrip::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) return QAbstractScrollArea::mouseMoveEvent(event);
    ShowShotUnder(event->position().toPoint());
    event->accept();
}

void CTimelineStrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseReleaseEvent(event);
    m_dragging = false;
    event->accept();
}

void CTimelineStrip::ShowShotUnder(QPoint point)
{
    std::ptrdiff_t index = IndexAt(point);
    if (m_dragging && m_pDocument->ShotCount() > 0) {
        // Dragging goes by the pointer's place along the strip alone; past
        // an edge it reaches the next shot beyond it, which scrolls in.
        const std::int64_t x = std::int64_t(horizontalScrollBar()->value()) + point.x();
        const std::int64_t last = std::int64_t(m_pDocument->ShotCount()) - 1;
        index = std::ptrdiff_t(std::clamp<std::int64_t>(x < 0 ? -1 : x / CELL_WIDTH, 0, last));
    }
    if (index < 0 || index == m_current || !m_pView) return;
    m_pView->ShowShotAt(std::size_t(index));
}

void CTimelineStrip::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    UpdateScrollRange();
    UpdateVisible();
    m_maker->SetActive(true);
}

void CTimelineStrip::hideEvent(QHideEvent* event)
{
    QAbstractScrollArea::hideEvent(event);
    m_maker->SetActive(false);
}
