// CKestrel's zoom, fit and overlay: what the zoom keys, the fit key, the
// overlay key and the mouse change in how the view shows the shot.
#include <QPainter>
#include <QScrollBar>

#include "shots/qt/player_view.h"
#include "shots/view/shot_overlay.h"
#include "shots/qt/view_pointer.h"

bool CKestrel::HasPicture() const
{
    const CDibImage* image = GetDocument()->m_pImage.get();
    return image && !image->IsEmpty() && image->Width() > 0 && image->Height() > 0;
}

void CKestrel::ZoomSteps(int steps, QPoint at)
{
    if (!HasPicture()) return;
    const CDibImage& image = *GetDocument()->m_pImage;
    const QSize client = GetClientRect().size();
    double factor = m_geometry.ShownZoom({image.Width(), image.Height()}, {client.width(), client.height()},
                                         GetDocument()->m_bFitToScreen != 0);
    for (; steps > 0; --steps) factor = ViewGeometry::StepIn(factor);
    for (; steps < 0; ++steps) factor = ViewGeometry::StepOut(factor);
    ZoomTo(factor, at);
}

void CKestrel::OnZoomIn()
{
    const QSize client = GetClientRect().size();
    ZoomSteps(1, QPoint(client.width() / 2, client.height() / 2));
}

void CKestrel::OnZoomOut()
{
    const QSize client = GetClientRect().size();
    ZoomSteps(-1, QPoint(client.width() / 2, client.height() / 2));
}

void CKestrel::OnZoomOwnSize() { ZoomTo(1.0); }

void CKestrel::OnUpdateZoom(CCmdUI& ui)
{
    if (!HasPicture()) ui.Enable(false);
}

void CKestrel::ZoomTo(double factor, std::optional<QPoint> anchor)
{
    CKESTRELDoc* document = GetDocument();
    if (!HasPicture()) {
        m_geometry.SetZoom(factor);
        document->m_bFitToScreen = 0;
        Invalidate();
        return;
    }
    const ViewSize image{document->m_pImage->Width(), document->m_pImage->Height()};
    const QSize clientBefore = GetClientRect().size();
    const ViewLayout before =
        m_geometry.Layout(image, {clientBefore.width(), clientBefore.height()}, document->m_bFitToScreen != 0);
    const QPoint scroll = GetScrollPosition();
    const QPoint at = anchor.value_or(QPoint(clientBefore.width() / 2, clientBefore.height() / 2));

    m_geometry.SetZoom(factor);
    document->m_bFitToScreen = 0;
    // The new size may bring or take scroll bars, and with them client area.
    ViewLayout after;
    QSize client = clientBefore;
    for (int pass = 0; pass < 2; ++pass) {
        after = m_geometry.Layout(image, {client.width(), client.height()}, false);
        SetScrollSizes(QSize(after.total.width, after.total.height));
        client = GetClientRect().size();
    }
    const ViewPoint kept = ViewGeometry::ScrollKeeping(before, {scroll.x(), scroll.y()}, after, {at.x(), at.y()},
                                                       image, {client.width(), client.height()});
    horizontalScrollBar()->setValue(kept.x);
    verticalScrollBar()->setValue(kept.y);
    Invalidate();
}

void CKestrel::OnFitMode()
{
    m_geometry.SetFit(m_geometry.Fit() == FitMode::Stretch ? FitMode::Aspect : FitMode::Stretch);
    // With fit off the key shows the fit it chose.
    if (!GetDocument()->m_bFitToScreen) {
        OnFitToScreen();
        return;
    }
    Invalidate();
}

void CKestrel::OnOverlay()
{
    m_bOverlay = !m_bOverlay;
    Invalidate();
}

std::vector<std::string> CKestrel::OverlayLines() const
{
    if (m_pCompare && HasPicture()) return CompareOverlayLines();
    const CKESTRELDoc* document = GetDocument();
    std::optional<PixelReadout> readout;
    std::string zoom;
    if (HasPicture()) {
        const CDibImage& image = *document->m_pImage;
        const ViewSize size{image.Width(), image.Height()};
        zoom = ZoomText(m_lastLayout, size, document->m_bFitToScreen != 0, m_geometry.Fit());
        if (m_pointer) {
            const QPoint at = *m_pointer + GetScrollPosition();
            if (const auto pixel = ViewGeometry::PixelAt(m_lastLayout, size, {at.x(), at.y()})) {
                readout = ReadPixel(image, *pixel);
            }
        }
    }
    return ::OverlayLines(FactsOfShotOnDisplay(*document), zoom, readout);
}

void CKestrel::SetPointer(std::optional<QPoint> at)
{
    m_pointer = at;
    if (m_bOverlay) InvalidateOverlay();
}

void CKestrel::InvalidateOverlay()
{
    // Where it was and where it goes now: the readout changed, or the
    // pointer came near and the box moves to another corner.
    viewport()->update(m_overlayBox);
    viewport()->update(OverlayBox(*viewport(), OverlayLines(), m_pointer));
}

void CKestrel::paintEvent(QPaintEvent* event)
{
    ScrollView::paintEvent(event);
    m_overlayBox = {};
    QPainter painter(viewport());
    PaintViewMessage(painter);
    if (m_bOverlay) {
        const std::vector<std::string> lines = OverlayLines();
        m_overlayBox = OverlayBox(*viewport(), lines, m_pointer);
        PaintOverlay(painter, m_overlayBox, lines);
    }
    if (m_bHud) PaintHud(painter);
    PaintStateMessage(painter);
}
