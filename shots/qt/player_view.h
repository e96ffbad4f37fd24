// CKestrel: the player view. Paints the document's current shot fitted to
// the window or at its own size with scroll bars, and forwards the shot
// commands, the shot-number box and its play timer's ticks to its player
// (shots/playback/shot_player.h), which owns what playing is and decides
// which commands may run.
//
// Its own state is how it shows the shot (zoom, fit stretched or
// aspect-true, the overlay: view_geometry.h, shot_overlay.h); list, cursor,
// image and the fit switch belong to the document.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/framework/scroll_view.h"
#include "shots/playback/shot_player.h"
#include "app/commands/command_ids.h"
#include "shots/shot_list_document.h"
#include "shots/view/play_hud.h"
#include "shots/view/view_geometry.h"
#include "compare/compare_paint.h"

class QPainter;
class ShotCompare;
class QTimer;
class ViewPointer;

class CKestrel : public ScrollView {
public:
    static constexpr UINT PLAY_TIMER_ID = 1;
    // The state message's timer, and how long the message stays.
    static constexpr UINT STATE_MESSAGE_TIMER_ID = 2;
    static constexpr UINT STATE_MESSAGE_MS = 1500;
    static constexpr UINT PLAY_INTERVAL_MS = 1000;
    static constexpr int INITIAL_SCROLL_WIDTH = 1280;
    static constexpr int INITIAL_SCROLL_HEIGHT = 1024;
    // Set when fit is switched on, so the frame grows as far as it can.
    static constexpr int FIT_ENLARGE_SIZE = 32768;
    static constexpr COLORREF BACKGROUND_COLOUR = 0xFFFFFF;

    explicit CKestrel(CKESTRELDoc* document, QWidget* parent = nullptr);

    CKESTRELDoc* GetDocument() const;

    void OnInitialUpdate() override;
    void OnDraw(HDC dc) override;
    bool OnEraseBkgnd(HDC dc) override;
    void OnTimer(UINT id) override;
    void OnDestroy() override;

    // Commands.
    void OnPlay();
    void OnStop();
    void OnFirst();
    void OnNext();
    void OnPrevious();
    void OnLast();
    void OnFitToScreen();

    // Availability (update handlers: they only ever disable).
    void OnUpdatePlay(CCmdUI& ui);
    void OnUpdateStop(CCmdUI& ui);
    void OnUpdateFirst(CCmdUI& ui);
    void OnUpdateNext(CCmdUI& ui);
    void OnUpdatePrevious(CCmdUI& ui);
    void OnUpdateLast(CCmdUI& ui);
    void OnUpdateAppAbout(CCmdUI& ui);
    void OnUpdateFileOpen(CCmdUI& ui);
    void OnUpdateFitToScreen(CCmdUI& ui);

    // The shot-number box (control IDC_SHOT_NUMBER). It can be edited only
    // while stopped with shots listed; a number given any other way (the
    // command line) follows the same rule.
    bool ShotNumberBoxEditable() const;
    void OnShotNumberSetFocus();
    void OnShotNumberKillFocus();

    // Zoom, fit and the overlay.
    void OnZoomIn();
    void OnZoomOut();
    void OnZoomOwnSize();
    void OnFitMode();
    void OnOverlay();
    void OnUpdateZoom(CCmdUI& ui);
    // Zooms to factor (fit goes off), keeping the picture point under anchor
    // (viewport coordinates; the centre when none) where it is.
    void ZoomTo(double factor, std::optional<QPoint> anchor = std::nullopt);
    // steps zoom steps in (> 0) or out (< 0) from what shows, at a viewport point.
    void ZoomSteps(int steps, QPoint at);
    // The overlay's lines as painted now; the pointer in viewport coordinates.
    std::vector<std::string> OverlayLines() const;
    void SetPointer(std::optional<QPoint> at);
    const ViewLayout& LastLayout() const { return m_lastLayout; }

    // Playing: the switch, the interval (the command line may choose
    // another), the order and the pacer.
    ShotPlayer m_player;
    ViewGeometry m_geometry;
    bool m_bOverlay = false;

    // A shot chosen on the timeline (a click, or the pointer while
    // dragging), shown as the moves show shots: only while stopped with
    // shots listed; inside an in-out range a shot beyond it gives the
    // range's nearer end. False when nothing was shown.
    bool ShowShotAt(std::size_t index) { return m_player.ShowShotAt(index); }
    // The first or last shot of the in-out range; whole list without one.
    std::int64_t RangeFirst() const { return m_player.RangeFirst(); }
    std::int64_t RangeLast() const { return m_player.RangeLast(); }

    // The live play display (player_hud.cpp): key H, --hud. Its follow
    // facts come from whoever follows the directory; none without.
    void OnHud();
    void SetHud(bool on);
    bool HudOn() const { return m_bHud; }
    void SetFollowFacts(std::function<HudFollow()> facts) { m_followFacts = std::move(facts); }
    // The facts and lines as the display would show them now.
    HudFacts GatherHudFacts();
    std::vector<HudLine> HudLinesNow() { return ::HudLines(GatherHudFacts()); }
    // Where the display was last painted (viewport coordinates).
    QRect HudBox() const { return m_hudBox; }

    // Comparing with run B (player_compare.cpp): the view paints A and B
    // as compare tells, B following A's shot on display; null, the single
    // view as before. compare belongs to whoever opened it.
    void SetCompare(ShotCompare* compare);
    ShotCompare* Compare() const { return m_pCompare; }
    const CompareLayout& LastCompareLayout() const { return m_compareLayout; }

    // The state message (player_state_message.cpp): after command id ran
    // from a key, a click or the menu, says the state it changed, if any,
    // for STATE_MESSAGE_MS.
    void ShowStateAfter(UINT id);
    const std::string& StateMessageNow() const { return m_stateMessage; }

    // What a right-click in the view opens (the frame's command menu), at a
    // global position.
    void SetContextMenuHandler(std::function<void(QPoint)> handler);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateDocumentViews();
    bool HasPicture() const;
    void InvalidateOverlay();

    ViewPointer* m_pPointer = nullptr;  // owned by the widget tree
    ViewLayout m_lastLayout;            // of the last paint
    std::optional<QPoint> m_pointer;
    QRect m_overlayBox;                 // where the overlay was last painted
    bool m_bPlayRepaint = false;        // a play tick's repaint to come; its paint clears it
    void RegisterReviewCommands();
    void RegisterHudCommands();
    void PaintHud(QPainter& painter);
    bool m_bHud = false;
    std::function<HudFollow()> m_followFacts;
    PlayRateMeter m_rateMeter;
    QTimer* m_pHudTimer = nullptr;      // refreshes the display while it is on
    QRect m_hudBox;
    // Disables command id when the player says it may not run now.
    void DisableUnavailable(CCmdUI& ui, UINT id) const;
    // Paints the shot a play tick loaded at once; true when it reached the
    // screen.
    bool PaintPlayedShot();
    // The line the view says without a picture, or over a shot whose
    // directory cannot be read (view_message.h).
    void PaintViewMessage(QPainter& painter) const;

    // Comparing (player_compare.cpp).
    void RegisterCompareCommands();
    // Paints A and B; false when A shows no shot, for the single view's paint.
    bool PaintCompareView(HDC dc);
    // The overlay's lines with B's added.
    std::vector<std::string> CompareOverlayLines() const;
    ShotCompare* m_pCompare = nullptr;
    CompareBuffers m_compareBuffers;
    CompareLayout m_compareLayout;      // of the last compare paint
    void PaintStateMessage(QPainter& painter) const;
    void ClearStateMessage();
    std::string m_stateMessage;
    // The mouse wheel without Ctrl where nothing scrolls: steps down
    // (later shots) or up; false when no step was available.
    bool WheelStep(int steps);
};
