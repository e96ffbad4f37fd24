// CKestrel comparing with a second run: the compare paint, the keys C (the
// next mode) and X (the other run in flip mode), the wipe line that follows
// a left-button drag, and the overlay's lines for B. What is shown where is
// compare/'s; this only forwards and paints.
#include <QEvent>
#include <QMouseEvent>
#include <QObject>

#include "compare/shot_compare.h"
#include "shots/qt/player_view.h"
#include "shots/view/shot_overlay.h"

namespace {

// In wipe mode a left-button drag on the viewport moves the wipe line
// instead of panning. Installed after the view's pointer, so it sees the
// mouse first.
class WipeDrag : public QObject {
public:
    explicit WipeDrag(CKestrel* view) : QObject(view), m_view(view) { view->viewport()->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        // Only the mouse: the viewport's other events come while the view
        // is being destroyed too, when it must not be asked anything.
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseMove &&
            type != QEvent::MouseButtonRelease)
            return false;
        ShotCompare* compare = m_view->Compare();
        if (!compare || compare->Mode() != CompareMode::Wipe) {
            m_dragging = false;
            return false;
        }
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
            m_dragging = true;
            MoveTo(*compare, static_cast<QMouseEvent*>(event)->position().toPoint().x());
            return true;
        case QEvent::MouseMove:
            if (!m_dragging) return false;
            MoveTo(*compare, static_cast<QMouseEvent*>(event)->position().toPoint().x());
            return true;
        case QEvent::MouseButtonRelease:
            if (!m_dragging || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
            m_dragging = false;
            return true;
        default:
            return false;
        }
    }

private:
    void MoveTo(ShotCompare& compare, int x)
    {
        compare.SetWipePercent(WipePercentAt(x, m_view->viewport()->width()));
        m_view->viewport()->update();
    }

    CKestrel* m_view;
    bool m_dragging = false;
};

ViewSize SizeOf(const CDibImage* image)
{
    return image ? ViewSize{image->Width(), image->Height()} : ViewSize{1, 1};
}

}  // namespace

void CKestrel::RegisterCompareCommands()
{
    OnCommand(ID_COMPARE_MODE, [this] {
        if (!m_pCompare) return;
        m_pCompare->CycleMode();
        Invalidate();
    });
    OnUpdateCommand(ID_COMPARE_MODE, [this](CCmdUI& ui) {
        if (!m_pCompare) ui.Enable(false);
    });
    OnCommand(ID_COMPARE_SWAP, [this] {
        if (!m_pCompare || m_pCompare->Mode() != CompareMode::Flip) return;
        m_pCompare->SwapFlip();
        Invalidate();
    });
    OnUpdateCommand(ID_COMPARE_SWAP, [this](CCmdUI& ui) {
        if (!m_pCompare || m_pCompare->Mode() != CompareMode::Flip) ui.Enable(false);
    });
    new WipeDrag(this);
}

void CKestrel::SetCompare(ShotCompare* compare)
{
    m_pCompare = compare;
    m_compareLayout = {};
    m_compareBuffers = {};
    Invalidate();
}

bool CKestrel::PaintCompareView(HDC dc)
{
    CKESTRELDoc* document = GetDocument();
    m_pCompare->Sync(*document);
    const CDibImage* a = document->m_pImage.get();
    if (!a || document->DisplayedIndex() < 0) return false;
    const CDibImage* b = m_pCompare->PictureB(a);

    const QRect client = GetClientRect();
    const QPoint scroll = GetScrollPosition();
    CompareScene scene;
    scene.mode = m_pCompare->Mode();
    scene.flipShowsB = m_pCompare->FlipShowsB();
    scene.wipePercent = m_pCompare->WipePercent();
    m_compareLayout = LayoutCompare(m_geometry, SizeOf(a), SizeOf(b), {client.width(), client.height()},
                                    document->m_bFitToScreen != 0, {scroll.x(), scroll.y()}, scene);
    m_lastLayout = m_compareLayout.a;
    SetScrollSizes(QSize(m_compareLayout.total.width, m_compareLayout.total.height));

    ComparePaint paint;
    paint.a = a;
    paint.b = b;
    paint.mode = scene.mode;
    paint.diffGain = m_pCompare->DiffGain();
    // The context counts device pixels.
    paint.layout = ScaleLayout(m_compareLayout, DevicePixelRatio());
    PaintCompare(dc, paint, m_compareBuffers);
    return true;
}

std::vector<std::string> CKestrel::CompareOverlayLines() const
{
    const CKESTRELDoc* document = GetDocument();
    const CDibImage& a = *document->m_pImage;
    const ViewSize sizeA = SizeOf(&a);
    m_pCompare->Sync(*document);
    const CDibImage* b = m_pCompare->Paired() ? m_pCompare->PictureB(&a) : nullptr;
    std::optional<PixelReadout> readoutA;
    std::optional<PixelReadout> readoutB;
    if (m_pointer) {
        const QPoint scroll = GetScrollPosition();
        const ComparePixels pixels = ComparePixelsAt(m_compareLayout, sizeA, SizeOf(b), {m_pointer->x(), m_pointer->y()},
                                                     {scroll.x(), scroll.y()});
        if (pixels.a) readoutA = ReadPixel(a, *pixels.a);
        if (b && !b->IsEmpty() && pixels.b) readoutB = ReadPixel(*b, *pixels.b);
    }
    const std::string zoom = ZoomText(m_compareLayout.a, sizeA, document->m_bFitToScreen != 0, m_geometry.Fit());
    std::vector<std::string> lines = ::OverlayLines(FactsOfShotOnDisplay(*document), zoom, readoutA);
    const std::vector<std::string> more = m_pCompare->OverlayLines(&a, readoutB);
    lines.insert(lines.end(), more.begin(), more.end());
    lines.push_back(std::string("compare ") + CompareModeName(m_pCompare->Mode()));
    return lines;
}
