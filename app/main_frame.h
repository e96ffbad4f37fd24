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
    // The recent files the Open button's drop-down offers, newest first;
    // choosing one opens it through the open handler.
    void SetRecentFiles(std::function<QStringList()> files) { m_recentFiles = std::move(files); }
    // The Open button's drop-down of recent files (filled as it opens).
    QMenu* RecentFilesMenu() const { return m_pRecentMenu; }

    // After a command of the table ran from its action (a key, a button, the
    // context menu): the view says the state it changed.
    void SetAfterCommand(std::function<void(UINT)> after) { m_afterCommand = std::move(after); }
    // The context menu of every command, at a global position (command_menu.h).
    void ShowCommandMenu(QPoint at);
    // A digit typed in view goes to the shot-number box, which takes the
    // focus as a click gives it, so a number can be typed at once.
    void SendDigitsToShotNumber(QWidget* view);

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
    std::function<QStringList()> m_recentFiles;
    QMenu* m_pRecentMenu = nullptr;
    void FillRecentFilesMenu();
    std::function<void(UINT)> m_afterCommand;
    class DigitForwarder;
    QDockWidget* m_pTimeline = nullptr;  // owned by the widget tree
};
