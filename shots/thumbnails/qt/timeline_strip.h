// CTimelineStrip: a strip of thumbnails of every shot, in the list's order,
// each with its shot number under it, for the dock along the bottom of the
// main window.
//
// The current shot is highlighted and kept in view. A click shows the shot
// under the pointer, and dragging along the strip shows each shot the
// pointer passes: both through the view's ShowShotAt, which obeys the same
// rules as the other moves. Marks: the in and out points (green bars at the
// range's ends), a number lower than the one before (a red bar before the
// shot), a number used more than once (the number in orange, underlined).
//
// Between the first and last numbers of each run of numbering (a run ends
// where the number goes down) each missing number has a narrow hatched
// placeholder cell with its number, at its place (key Shift+T switches them;
// timeline_layout.h). Under the cells, the interval strip draws the time
// between consecutive shots' last-write times as bars, with the median as a
// line; hovering over a bar shows the interval in ms. A bar reaches the top
// at three times the median, where a follower would call the writer stalled.
//
// Only the visible cells are painted; thumbnails come from a ThumbnailMaker
// told which cells are visible, and a cell whose thumbnail is not ready yet
// shows an empty frame. As one of the document's views, the strip learns of
// every change of the list (a scan, the follower) and of every move.
#pragma once

#include <QAbstractScrollArea>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/framework/document.h"
#include "shots/thumbnails/thumbnail_maker.h"
#include "shots/thumbnails/timeline_layout.h"

class CKESTRELDoc;
class CKestrel;
struct ShotRecord;

class CTimelineStrip : public QAbstractScrollArea, public DocumentView {
public:
    static constexpr int CELL_MARGIN = 4;
    static constexpr int NUMBER_HEIGHT = 16;
    static constexpr int CELL_WIDTH = THUMBNAIL_WIDTH + 2 * CELL_MARGIN;
    static constexpr int CELL_HEIGHT = THUMBNAIL_HEIGHT + NUMBER_HEIGHT + 2 * CELL_MARGIN;
    static constexpr int PLACEHOLDER_WIDTH = 18;
    static constexpr int INTERVAL_HEIGHT = 28;

    CTimelineStrip(CKESTRELDoc* document, CKestrel* view, ThumbnailMaker::Options options = {},
                   QWidget* parent = nullptr);
    ~CTimelineStrip() override;

    void OnUpdate(DocumentView* sender, long hint, void* hintObject) override;

    // The shot whose cell holds point (viewport coordinates), or -1.
    std::ptrdiff_t IndexAt(QPoint point) const;
    // The cell of shot index in viewport coordinates.
    QRect CellRect(std::size_t index) const;
    // The shots first to end - 1 have a cell on screen.
    std::pair<std::size_t, std::size_t> VisibleRange() const;
    // TimelineMark flags of shot index.
    std::uint8_t MarksAt(std::size_t index) const;
    // Placeholders for missing numbers: on by default.
    bool Placeholders() const { return m_bPlaceholders; }
    void SetPlaceholders(bool on);
    const TimelineLayout& Layout() const { return m_layout; }
    // The cell of layout cell number cell in viewport coordinates.
    QRect LayoutCellRect(std::size_t cell) const;
    // The bar of the interval that ends at shot index (from 1).
    QRect IntervalRect(std::size_t index) const;
    // The tooltip at point: an interval in ms, or a missing number.
    QString ToolTipAt(QPoint point) const;
    // The shot highlighted, or -1.
    std::ptrdiff_t CurrentIndex() const { return m_current; }

    // Every visible cell has its thumbnail (true while hidden).
    bool VisibleThumbnailsReady() const;
    // Runs the event loop until they are, at most timeoutMs; the result
    // is VisibleThumbnailsReady().
    bool WaitForVisibleThumbnails(int timeoutMs);
    ThumbnailMaker& Maker() { return *m_maker; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Takes the document's list when it changed: thumbnails, numbers, marks.
    void SyncList();
    // Scrolls so that shot index is wholly visible.
    void EnsureVisible(std::size_t index);
    void UpdateScrollRange();
    void UpdateVisible();
    // The range's ends changed without a repaint notice (keys [ ] \).
    void SyncRange();
    void ShowShotUnder(QPoint point);
    void PaintCell(class QPainter& painter, std::size_t index);
    void PaintPlaceholder(class QPainter& painter, const TimelineLayout::Cell& cell);
    void PaintIntervals(class QPainter& painter, std::size_t firstCell, std::size_t endCell);
    void BuildLayout();

    CKESTRELDoc* m_pDocument;  // outlives the strip
    QPointer<CKestrel> m_pView;  // a sibling in the main window, which may go first
    std::unique_ptr<ThumbnailMaker> m_maker;
    std::atomic<bool> m_repaintPosted{false};

    // The list as last taken, to see whether it changed.
    std::optional<std::uint64_t> m_listVersion;  // of the document's list last taken
    // The shots the thumbnails are made from: this many either side of the
    // visible ones, more than the memory budget holds thumbnails for.
    static constexpr std::size_t THUMBNAIL_WINDOW_SHOTS = 8192;
    std::optional<std::pair<std::size_t, std::size_t>> m_thumbnailWindow;  // first, end
    std::vector<std::uint8_t> m_numberingMarks;
    std::vector<int> m_numbers;
    TimelineLayout m_layout;
    bool m_bPlaceholders = true;
    std::vector<std::int64_t> m_intervals;  // 100-nanosecond units; m_intervals[i - 1] ends at shot i
    std::int64_t m_intervalMedian = 0;
    std::int64_t m_intervalScale = 1;       // a full bar
    std::ptrdiff_t m_current = -1;
    std::pair<std::int64_t, std::int64_t> m_range{-1, -1};  // in and out, -1 without a range
    bool m_dragging = false;
};
