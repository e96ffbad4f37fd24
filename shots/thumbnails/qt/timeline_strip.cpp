#include "shots/thumbnails/qt/timeline_strip.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QThread>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "shots/qt/player_view.h"
#include "shots/shot_list_document.h"
#include "shots/list/shot_number_text.h"
#include "shots/list/arrival_intervals.h"
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
const QColor INTERVAL_BACKGROUND(0x26, 0x26, 0x26);
const QColor INTERVAL_BAR(0x6a, 0x9a, 0xd0);
const QColor INTERVAL_MEDIAN(0xf0, 0xd0, 0x40);
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
    if (m_listVersion == m_pDocument->ListVersion()) return;
    m_listVersion = m_pDocument->ListVersion();
    m_thumbnailWindow.reset();
    m_numberingMarks = NumberingMarks(*m_pDocument);
    m_numbers.resize(shots.size());
    for (std::size_t i = 0; i < shots.size(); ++i) m_numbers[i] = m_pDocument->ShotNumber(i);
    {
        // Gone before the summary's own copy is made.
        std::vector<std::int64_t> times(shots.size());
        for (std::size_t i = 0; i < shots.size(); ++i) times[i] = shots[i]->lastWriteTime;
        m_intervals = ArrivalIntervals(times);
    }
    // Three medians fill a bar; without a pace, the largest does.
    const IntervalStats stats = SummarizeIntervals(m_intervals);
    m_intervalMedian = stats.median;
    m_intervalScale = m_intervalMedian > 0 ? (m_intervalMedian > INT64_MAX / 3 ? INT64_MAX : 3 * m_intervalMedian)
                                           : std::max<std::int64_t>(1, stats.largest);
    BuildLayout();
}

void CTimelineStrip::BuildLayout()
{
    m_layout.Build(m_numbers, m_bPlaceholders, {CELL_WIDTH, PLACEHOLDER_WIDTH, CELL_WIDTH});
    UpdateScrollRange();
    UpdateVisible();
}

void CTimelineStrip::SetPlaceholders(bool on)
{
    if (on == m_bPlaceholders) return;
    m_bPlaceholders = on;
    BuildLayout();
    // The cells moved: the shot on display stays in view.
    if (m_current >= 0) EnsureVisible(std::size_t(m_current));
    viewport()->update();
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
    const std::optional<std::size_t> cell = m_layout.CellAtX(x);
    if (!cell) return -1;
    const TimelineLayout::Cell at = m_layout.CellAt(*cell);
    if (at.kind != TimelineLayout::Kind::Shot || at.shot >= m_pDocument->ShotCount()) return -1;
    return std::ptrdiff_t(at.shot);
}

QRect CTimelineStrip::LayoutCellRect(std::size_t cell) const
{
    const TimelineLayout::Cell at = m_layout.CellAt(cell);
    const std::int64_t left = at.left - horizontalScrollBar()->value();
    return QRect(int(std::clamp<std::int64_t>(left, INT_MIN / 2, INT_MAX / 2)), 0, at.width, CELL_HEIGHT);
}

QRect CTimelineStrip::CellRect(std::size_t index) const
{
    if (index >= m_numbers.size()) {
        // Past the end: where a further shot would go.
        const std::int64_t left = m_layout.TotalWidth() + std::int64_t(index - m_numbers.size()) * CELL_WIDTH -
                                  horizontalScrollBar()->value();
        return QRect(int(std::clamp<std::int64_t>(left, INT_MIN / 2, INT_MAX / 2)), 0, CELL_WIDTH, CELL_HEIGHT);
    }
    return LayoutCellRect(m_layout.CellOfShot(index));
}

QRect CTimelineStrip::IntervalRect(std::size_t index) const
{
    const QRect cell = CellRect(index);
    if (index == 0 || index > m_intervals.size()) return {};
    // In floating point: file times may lie centuries apart.
    const double share = std::min(1.0, double(m_intervals[index - 1]) / double(m_intervalScale));
    const int height = int(std::ceil(share * (INTERVAL_HEIGHT - 2)));
    const int bottom = CELL_HEIGHT + INTERVAL_HEIGHT - 1;
    return QRect(cell.left() + CELL_MARGIN, bottom - height + 1, CELL_WIDTH - 2 * CELL_MARGIN, height);
}

std::pair<std::size_t, std::size_t> CTimelineStrip::VisibleRange() const
{
    const std::int64_t left = std::max(0, horizontalScrollBar()->value());
    const auto [firstCell, endCell] = m_layout.CellsBetween(left, left + std::max(0, viewport()->width()));
    if (firstCell >= endCell) return {0, 0};
    // The shots whose cells show; a gap at either end shows none of its own.
    std::size_t first = m_layout.ShotNear(firstCell);
    const TimelineLayout::Cell last = m_layout.CellAt(endCell - 1);
    std::size_t end = last.kind == TimelineLayout::Kind::Shot ? last.shot + 1 : m_layout.ShotNear(endCell - 1);
    end = std::min(end, m_pDocument->ShotCount());
    first = std::min(first, end);
    return {first, end};
}

void CTimelineStrip::UpdateScrollRange()
{
    // The total width stays within the scroll bar's int range.
    const std::int64_t total = m_layout.TotalWidth();
    const std::int64_t page = viewport()->width();
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, int(std::clamp<std::int64_t>(total - page, 0, INT_MAX)));
    bar->setPageStep(int(std::max<std::int64_t>(page, 1)));
    bar->setSingleStep(CELL_WIDTH / 2);
}

void CTimelineStrip::UpdateVisible()
{
    const auto [first, end] = VisibleRange();
    // The thumbnails are made from copies of the records around the visible
    // range, not of a whole long list: taken again when the list changes or
    // the view nears their ends.
    const std::size_t count = m_pDocument->ShotCount();
    const std::size_t margin = THUMBNAIL_WINDOW_SHOTS / 2;
    const bool inside = m_thumbnailWindow && m_thumbnailWindow->first <= (first > margin ? first - margin : 0) &&
                        std::min(count, end + margin) <= m_thumbnailWindow->second;
    if (!inside) {
        const std::size_t start = first > THUMBNAIL_WINDOW_SHOTS ? first - THUMBNAIL_WINDOW_SHOTS : 0;
        const std::size_t stop = std::min(count, end + THUMBNAIL_WINDOW_SHOTS);
        std::vector<ThumbnailMaker::Shot> shots;
        shots.reserve(stop - start);
        for (std::size_t i = start; i < stop; ++i) shots.push_back(m_pDocument->Shot(i));
        m_maker->SetShots(std::move(shots), start, count);
        m_thumbnailWindow = {start, stop};
    }
    m_maker->SetVisible(first, end);
}

void CTimelineStrip::EnsureVisible(std::size_t index)
{
    if (index >= m_numbers.size()) return;
    QScrollBar* bar = horizontalScrollBar();
    const std::int64_t left = m_layout.CellAt(m_layout.CellOfShot(index)).left;
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
    return QSize(CELL_WIDTH * 4, CELL_HEIGHT + INTERVAL_HEIGHT + bar + 2 * frameWidth());
}

void CTimelineStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), BACKGROUND);
    const std::int64_t left = std::max(0, horizontalScrollBar()->value());
    const auto [firstCell, endCell] = m_layout.CellsBetween(left, left + viewport()->width());
    for (std::size_t c = firstCell; c < endCell; ++c) {
        const TimelineLayout::Cell cell = m_layout.CellAt(c);
        if (cell.kind == TimelineLayout::Kind::Shot) {
            if (cell.shot < m_pDocument->ShotCount()) PaintCell(painter, cell.shot);
        } else {
            PaintPlaceholder(painter, cell);
        }
    }
    PaintIntervals(painter, firstCell, endCell);
}

void CTimelineStrip::PaintPlaceholder(QPainter& painter, const TimelineLayout::Cell& cell)
{
    const std::int64_t left = cell.left - horizontalScrollBar()->value();
    const QRect box(int(left) + 1, CELL_MARGIN, cell.width - 2, CELL_HEIGHT - 2 * CELL_MARGIN);
    painter.fillRect(box, QBrush(PLACEHOLDER, Qt::BDiagPattern));
    painter.setPen(PLACEHOLDER);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setPen(NUMBER);
    if (cell.kind == TimelineLayout::Kind::Folded) {
        painter.drawText(box, Qt::AlignCenter, QStringLiteral("%1-%2").arg(cell.first).arg(cell.last));
        return;
    }
    // The number reads upwards along the narrow cell.
    painter.save();
    painter.translate(box.center().x() + 1, box.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-box.height() / 2, -box.width() / 2, box.height(), box.width()), Qt::AlignCenter,
                     QString::number(cell.first));
    painter.restore();
}

void CTimelineStrip::PaintIntervals(QPainter& painter, std::size_t firstCell, std::size_t endCell)
{
    const int top = CELL_HEIGHT;
    painter.fillRect(QRect(0, top, viewport()->width(), INTERVAL_HEIGHT), INTERVAL_BACKGROUND);
    if (m_intervals.empty()) return;
    for (std::size_t c = firstCell; c < endCell; ++c) {
        const TimelineLayout::Cell cell = m_layout.CellAt(c);
        if (cell.kind != TimelineLayout::Kind::Shot || cell.shot == 0) continue;
        const bool tall = m_intervals[cell.shot - 1] >= m_intervalScale;
        painter.fillRect(IntervalRect(cell.shot), tall ? DROP : INTERVAL_BAR);
    }
    // The median: a third of the way up when there is a pace.
    const int bottom = top + INTERVAL_HEIGHT - 1;
    const int y = bottom - int(double(m_intervalMedian) / double(m_intervalScale) * (INTERVAL_HEIGHT - 2));
    painter.fillRect(QRect(0, y, viewport()->width(), 1), INTERVAL_MEDIAN);
}

bool CTimelineStrip::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = ToolTipAt(help->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, viewport());
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

QString CTimelineStrip::ToolTipAt(QPoint point) const
{
    const std::int64_t x = std::int64_t(horizontalScrollBar()->value()) + point.x();
    const std::optional<std::size_t> cell = m_layout.CellAtX(x);
    if (!cell || point.y() < 0) return {};
    const TimelineLayout::Cell at = m_layout.CellAt(*cell);
    if (at.kind == TimelineLayout::Kind::Missing) return QStringLiteral("missing %1").arg(at.first);
    if (at.kind == TimelineLayout::Kind::Folded) return QStringLiteral("missing %1-%2").arg(at.first).arg(at.last);
    if (point.y() < CELL_HEIGHT || at.shot == 0 || at.shot > m_intervals.size()) return {};
    // 100-nanosecond units, shown to the millisecond.
    return QStringLiteral("%1 ms").arg((m_intervals[at.shot - 1] + 5000) / 10000);
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
                               ? QString::fromStdString(ShotNumberText(m_pDocument->Shot(index).Path()))
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
        // A placeholder gives the shot after its gap.
        const std::int64_t x = std::int64_t(horizontalScrollBar()->value()) + point.x();
        const std::int64_t last = std::int64_t(m_pDocument->ShotCount()) - 1;
        if (x < 0) {
            index = 0;
        } else if (x >= m_layout.TotalWidth()) {
            index = std::ptrdiff_t(last);
        } else {
            index = std::ptrdiff_t(std::min<std::int64_t>(std::int64_t(m_layout.ShotNear(*m_layout.CellAtX(x))), last));
        }
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
