#include "shots/qt/player_view.h"

#include <QPainter>
#include <QWidget>
#include <cstdio>

#include "app/framework/edit_box.h"
#include "app/framework/main_window.h"
#include "image/device_context.h"
#include "image/shot_placeholder.h"
#include "shots/cache/shot_cache.h"
#include "shots/list/shot_number_text.h"
#include "shots/qt/view_pointer.h"
#include "shots/view/view_message.h"

CKestrel::CKestrel(CKESTRELDoc* document, QWidget* parent) : ScrollView(document, parent), m_player(*document)
{
    m_player.SetHost({[this](int ms) { SetTimer(PLAY_TIMER_ID, UINT(ms)); }, [this] { return PaintPlayedShot(); },
                      [this](std::size_t index) {
                          // Ready when decoded ahead, or when nothing reads ahead.
                          const CKESTRELDoc* document = GetDocument();
                          const ShotCache* cache = document->ReadAhead();
                          return !cache || cache->Holds(document->Shot(index).Path());
                      },
                      [this] {
                          const ShotCache* cache = GetDocument()->ReadAhead();
                          return cache ? cache->AverageDecodeMs() : 0.0;
                      }});

    // Message map, in the order of the view's command table.
    OnCommand(ID_SHOT_PLAY, [this] { OnPlay(); });
    OnUpdateCommand(ID_SHOT_PLAY, [this](CCmdUI& ui) { OnUpdatePlay(ui); });
    OnCommand(ID_SHOT_STOP, [this] { OnStop(); });
    OnUpdateCommand(ID_SHOT_STOP, [this](CCmdUI& ui) { OnUpdateStop(ui); });
    OnCommand(ID_SHOT_FIRST, [this] { OnFirst(); });
    OnUpdateCommand(ID_SHOT_FIRST, [this](CCmdUI& ui) { OnUpdateFirst(ui); });
    OnCommand(ID_SHOT_NEXT, [this] { OnNext(); });
    OnUpdateCommand(ID_SHOT_NEXT, [this](CCmdUI& ui) { OnUpdateNext(ui); });
    OnCommand(ID_SHOT_PREVIOUS, [this] { OnPrevious(); });
    OnUpdateCommand(ID_SHOT_PREVIOUS, [this](CCmdUI& ui) { OnUpdatePrevious(ui); });
    OnCommand(ID_SHOT_LAST, [this] { OnLast(); });
    OnUpdateCommand(ID_SHOT_LAST, [this](CCmdUI& ui) { OnUpdateLast(ui); });
    OnUpdateCommand(ID_APP_ABOUT, [this](CCmdUI& ui) { OnUpdateAppAbout(ui); });
    OnUpdateCommand(ID_FILE_OPEN, [this](CCmdUI& ui) { OnUpdateFileOpen(ui); });
    OnUpdateCommand(ID_FILE_OPEN_FOLDER, [this](CCmdUI& ui) { DisableUnavailable(ui, ID_FILE_OPEN_FOLDER); });
    OnCommand(ID_FIT_TO_SCREEN, [this] { OnFitToScreen(); });
    OnUpdateCommand(ID_FIT_TO_SCREEN, [this](CCmdUI& ui) { OnUpdateFitToScreen(ui); });
    OnNotify(IDC_SHOT_NUMBER, EN_KILLFOCUS, [this] { OnShotNumberKillFocus(); });
    OnNotify(IDC_SHOT_NUMBER, EN_SETFOCUS, [this] { OnShotNumberSetFocus(); });
    OnCommand(ID_VIEW_ZOOM_IN, [this] { OnZoomIn(); });
    OnUpdateCommand(ID_VIEW_ZOOM_IN, [this](CCmdUI& ui) { OnUpdateZoom(ui); });
    OnCommand(ID_VIEW_ZOOM_OUT, [this] { OnZoomOut(); });
    OnUpdateCommand(ID_VIEW_ZOOM_OUT, [this](CCmdUI& ui) { OnUpdateZoom(ui); });
    OnCommand(ID_VIEW_ZOOM_OWN_SIZE, [this] { OnZoomOwnSize(); });
    OnUpdateCommand(ID_VIEW_ZOOM_OWN_SIZE, [this](CCmdUI& ui) { OnUpdateZoom(ui); });
    OnCommand(ID_VIEW_FIT_MODE, [this] { OnFitMode(); });
    OnCommand(ID_VIEW_OVERLAY, [this] { OnOverlay(); });

    m_pPointer = new ViewPointer(
        this, [this](int steps, QPoint at) { ZoomSteps(steps, at); },
        [this](std::optional<QPoint> at) { SetPointer(at); }, [this](int steps) { return WheelStep(steps); });
    RegisterReviewCommands();
    RegisterHudCommands();
    RegisterCompareCommands();
}

CKESTRELDoc* CKestrel::GetDocument() const { return static_cast<CKESTRELDoc*>(ScrollView::GetDocument()); }

void CKestrel::OnInitialUpdate()
{
    ScrollView::OnInitialUpdate();
    SetScrollSizes(QSize(INITIAL_SCROLL_WIDTH, INITIAL_SCROLL_HEIGHT));

    // The toolbar's boxes belong to the main window; the document writes them.
    const QWidget* main = GetMainWindow();
    CKESTRELDoc* document = GetDocument();
    document->m_pStatusBox = FindEditBox(main, IDC_SHOT_STATUS);
    document->m_pShotNumberBox = FindEditBox(main, IDC_SHOT_NUMBER);

    // Runs for the life of the view, playing or not; a restart replaces it.
    SetTimer(PLAY_TIMER_ID, UINT(m_player.IntervalMs()));
}

void CKestrel::OnDraw(HDC dc)
{
    const CKESTRELDoc* document = GetDocument();
    const QRect client = GetClientRect();
    // Whatever this paint shows has reached the screen once it returns.
    // (A play tick marks it itself, once the paint is on the screen.)
    struct PaintedMark {
        ShotPlayer& player;
        bool marked;
        ~PaintedMark()
        {
            if (marked) player.ShotPainted();
        }
    } painted{m_player, !m_bPlayRepaint};
    m_bPlayRepaint = false;
    if (m_pCompare && PaintCompareView(dc)) return;

    CDibImage* image = document->m_pImage.get();
    // Start from white: a shot with transparent pixels is blended over what
    // the buffer holds, which must not be the previous shot. A stretched
    // shot that blends nothing covers every pixel itself.
    const bool opaque = image && !image->IsEmpty() && image->Info().drawEnabled && !image->NeedsBlending();
    if (!(opaque && document->m_bFitToScreen && m_geometry.Fit() == FitMode::Stretch))
        dc->FillSolid(dc->GetClipBox(), BACKGROUND_COLOUR);

    if (!image || image->IsEmpty()) {
        // No shot, or one that failed to load: the white background alone,
        // or the placeholder that says why, the same one an export writes.
        const std::string message = ViewMessage(*document);
        const QRect device = GetDeviceClientRect();
        if (!message.empty()) {
            if (const std::unique_ptr<CDibImage> placeholder =
                    MakeShotPlaceholder(device.width(), device.height(), message)) {
                placeholder->Draw(dc, device.left(), device.top(), device.width(), device.height());
            }
        }
        m_lastLayout = {};
        SetScrollSizes(client.size());
        return;
    }

    // The context has device pixels: on a high-density screen the shot is
    // scaled once, straight to the screen's pixels.
    const ViewLayout layout = m_geometry.Layout({image->Width(), image->Height()},
                                                {client.width(), client.height()}, document->m_bFitToScreen != 0);
    m_lastLayout = layout;
    if (!layout.ownSize && !(document->m_bFitToScreen && m_geometry.Fit() == FitMode::Stretch)) {
        // Aspect-true fit or a zoom: white around the shot, scroll bars
        // where it is larger than the client area.
        SetScrollSizes(QSize(layout.total.width, layout.total.height));
        image->Draw(dc, ToDevicePixels(layout.picture.x), ToDevicePixels(layout.picture.y),
                    ToDevicePixels(layout.picture.width), ToDevicePixels(layout.picture.height));
        return;
    }

    if (document->m_bFitToScreen) {
        // Both axes stretched to the client area; proportions are not kept.
        SetScrollSizes(client.size());
        const QRect device = GetDeviceClientRect();
        image->Draw(dc, device.left(), device.top(), device.width(), device.height());
        return;
    }

    const int width = image->Width();
    const int height = image->Height();
    if (unsigned(height) < unsigned(client.height()) || unsigned(width) < unsigned(client.width())) {
        SetScrollSizes(QSize(width, height));
        ResizeParentToFit(true);
    }
    SetScrollSizes(QSize(width, height));
    image->Draw(dc, 0, 0, ToDevicePixels(width), ToDevicePixels(height));
}

bool CKestrel::OnEraseBkgnd(HDC)
{
    // Erased by OnDraw itself, so a shot is painted without flicker.
    return true;
}

void CKestrel::OnTimer(UINT id)
{
    if (id == STATE_MESSAGE_TIMER_ID) {
        ClearStateMessage();
        return;
    }
    m_player.Tick();
    ScrollView::OnTimer(id);
}

void CKestrel::OnDestroy()
{
    KillTimer(PLAY_TIMER_ID);
    ScrollView::OnDestroy();
}

void CKestrel::OnPlay() { m_player.Play(); }
void CKestrel::OnStop() { m_player.Stop(); }
void CKestrel::OnFirst() { m_player.First(); }
void CKestrel::OnNext() { m_player.Next(); }
void CKestrel::OnPrevious() { m_player.Previous(); }
void CKestrel::OnLast() { m_player.Last(); }

void CKestrel::OnFitToScreen()
{
    CKESTRELDoc* document = GetDocument();
    if (document->m_bFitToScreen) {
        // Off: the next paint's shrink rule decides the frame's size.
        document->m_bFitToScreen = 0;
    } else {
        document->m_bFitToScreen = 1;
        SetScrollSizes(QSize(FIT_ENLARGE_SIZE, FIT_ENLARGE_SIZE));
        ResizeParentToFit(false);
    }
    UpdateDocumentViews();
}

bool CKestrel::WheelStep(int steps)
{
    // As many steps as the wheel turned, each only where Next or Previous may run.
    bool stepped = false;
    for (; steps > 0 && m_player.Available(ID_SHOT_NEXT); --steps, stepped = true) OnNext();
    for (; steps < 0 && m_player.Available(ID_SHOT_PREVIOUS); ++steps, stepped = true) OnPrevious();
    return stepped;
}

void CKestrel::SetContextMenuHandler(std::function<void(QPoint)> handler) { m_pPointer->SetContextMenu(std::move(handler)); }

void CKestrel::DisableUnavailable(CCmdUI& ui, UINT id) const
{
    if (!m_player.Available(id)) ui.Enable(false);
}

void CKestrel::OnUpdatePlay(CCmdUI& ui) { DisableUnavailable(ui, ID_SHOT_PLAY); }
void CKestrel::OnUpdateStop(CCmdUI& ui) { DisableUnavailable(ui, ID_SHOT_STOP); }
void CKestrel::OnUpdateFirst(CCmdUI& ui) { DisableUnavailable(ui, ID_SHOT_FIRST); }
void CKestrel::OnUpdateNext(CCmdUI& ui) { DisableUnavailable(ui, ID_SHOT_NEXT); }
void CKestrel::OnUpdatePrevious(CCmdUI& ui) { DisableUnavailable(ui, ID_SHOT_PREVIOUS); }
void CKestrel::OnUpdateLast(CCmdUI& ui) { DisableUnavailable(ui, ID_SHOT_LAST); }
void CKestrel::OnUpdateAppAbout(CCmdUI& ui) { DisableUnavailable(ui, ID_APP_ABOUT); }
void CKestrel::OnUpdateFileOpen(CCmdUI& ui) { DisableUnavailable(ui, ID_FILE_OPEN); }

void CKestrel::OnUpdateFitToScreen(CCmdUI&)
{
    // Always available; the check-box button keeps the look its clicks give it.
}

bool CKestrel::ShotNumberBoxEditable() const { return m_player.ShotNumberEditable(); }

void CKestrel::OnShotNumberSetFocus()
{
    if (!ShotNumberBoxEditable()) {
        if (QWidget* main = GetMainWindow()) main->setFocus(Qt::OtherFocusReason);
    }
}

void CKestrel::OnShotNumberKillFocus()
{
    CKESTRELDoc* document = GetDocument();
    if (document->m_nShotCount == 0) return;

    const std::string typed = document->m_pShotNumberBox ? document->m_pShotNumberBox->GetWindowText() : "";
    if (m_player.GoToNumber(ParseLikeAtoi(typed))) return;

    // Unknown number: put back the shown shot's number, without leading zeros.
    std::string shown;
    if (const std::int64_t index = document->DisplayedIndex(); index >= 0) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", document->ShotNumber(std::size_t(index)));
        shown = text;
    }
    if (document->m_pShotNumberBox) document->m_pShotNumberBox->SetWindowText(shown);
}

void CKestrel::PaintViewMessage(QPainter& painter) const
{
    // Without a picture, OnDraw has drawn the placeholder with the message.
    const std::string message = ViewMessage(*GetDocument());
    if (message.empty() || !HasPicture()) return;
    // Over a shot (a directory that cannot be read keeps its list): a strip
    // along the top, so the shot stays in sight.
    const QString text = QString::fromLocal8Bit(message.c_str());
    QRect area = viewport()->rect();
    area.setHeight(painter.fontMetrics().height() + 8);
    painter.fillRect(area, QColor(0x80, 0x80, 0x80));
    painter.setPen(Qt::white);
    painter.drawText(area.adjusted(8, 0, -8, 0), Qt::AlignCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(text, Qt::ElideMiddle, area.width() - 16));
}

void CKestrel::UpdateDocumentViews() { GetDocument()->UpdateAllViews(nullptr, 0, nullptr); }
