// CMainFrame: the main window. No menu bar; one dockable toolbar holding the
// buttons and the two boxes; the accelerator keys; the view in the middle.
//
// OnCreate builds it all in this order: toolbar and its items, the box font,
// the shot-number slot, the status slot, the Fit check-box button, the
// boxes' fonts and margins, docking, and at last the splash window. The help
// commands (help, help finder, default help, context help) all end in the
// application's help, set with SetHelpHandler.
//
// The Fit button looks pressed exactly when the document's fit switch is on.
//
// F11 turns full screen on and off (the toolbar stays), Escape leaves it. A
// GIF file or folder dropped on the window opens as the open command opens
// it, through the open handler, and only while open may run.
#pragma once

#include <QFont>
#include <functional>
#include <memory>

#include "app/framework/frame_window.h"
#include "app/shot_toolbar.h"

class CKESTRELDoc;
class QDockWidget;
class QMenu;

class CMainFrame : public FrameWindow {
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // False when the toolbar cannot be made; the frame is then unusable.
    bool OnCreate();

    void SetHelpHandler(std::function<void()> help) { m_help = std::move(help); }
    void SetOpenHandler(std::function<void(const QString&)> open) { m_open = std::move(open); }

    // Space: play, or stop while playing.
    void OnPlayOrStop();
    // Gives the Fit button the look of the document's fit switch.
    void SyncFitButton();
    // Docks the timeline strip along the bottom, shown or hidden; key T
    // shows and hides it.
    void AddTimeline(QWidget* strip, bool shown);
    // The width the whole toolbar needs across the frame's top; 0 when it
    // is docked at a side or floats.
    int ToolBarWidth() const;
    QDockWidget* Timeline() const { return m_pTimeline; }

    CShotToolBar* m_wndToolBar = nullptr;
    std::unique_ptr<QFont> m_pBoxFont;

protected:
    // No context menu for hiding the toolbar: it could not be brought back.
    QMenu* createPopupMenu() override { return nullptr; }
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnHelp();
    void OnFullScreen();
    void OnTimeline();
    CKESTRELDoc* ShotDocument() const;
    bool AcceptsDrop(QDropEvent* event);

    std::function<void()> m_help;
    std::function<void(const QString&)> m_open;
    QDockWidget* m_pTimeline = nullptr;  // owned by the widget tree
};
