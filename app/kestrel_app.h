// CKESTRELApp: the application. InitInstance starts it up:
//
//  1. the command line's show-splash flag goes to the splash window;
//  2. the splash filter goes in front of all input (PreTranslateMessage);
//  3. settings under "Local AppWizard-Generated Applications" / "KESTREL",
//     with a recent-file list of 4 entries;
//  4. the document, the main frame (whose creation shows the splash) and the
//     view, then the new-document step (the view's initial update hands the
//     toolbar boxes to the document and starts the play timer);
//  5. with a PATH, its shots open as the open command opens them, and
//     --shot N jumps as the shot-number box does;
//  6. the main window shows maximized under "ORVANE, INC. - KESTREL", a
//     title that changes only with sequences (--group prefix), which add
//     " - " and the prefix of the sequence on display;
//  7. the help path is fixed from the directory current at this moment; the
//     installed HTML manual stands in when that file does not exist.
//
// The application is the last target of the command route: about and new
// document. Every open, from the open command or the command line, puts the
// file at the front of the recent-file list.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <utility>

#include "app/command_line.h"
#include "app/framework/command_target.h"
#include "app/framework/file_open_dialog.h"
#include "app/recent_file_list.h"
#include "shots/view/play_hud.h"

class CKESTRELDoc;
class CKestrel;
class CompareControl;
class CMainFrame;
class CTimelineStrip;
class ShotDirectoryFollower;

class CKESTRELApp : public CommandTarget {
public:
    static constexpr const char* REGISTRY_KEY = "Local AppWizard-Generated Applications";
    static constexpr const char* APP_TITLE = "KESTREL";
    static constexpr const char* MAIN_WINDOW_TITLE = "ORVANE, INC. - KESTREL";
    static constexpr int RECENT_FILE_COUNT = 4;

    CKESTRELApp();
    // Closes the main window: the view, the frame, then the document.
    ~CKESTRELApp() override;

    // False ends the application (the frame could not be made).
    bool InitInstance(const CCommandLineInfo& info);

    // Lists the shots of path (a GIF file's directory, or a directory) as the
    // open command does, and adds path to the recent files.
    // A path that cannot be opened or whose directory cannot be listed is
    // said in a message box instead, and false returned.
    bool OpenShots(const QString& path);
    // The same for a path as bytes (a name need not be UTF-8).
    bool OpenShotPath(const std::string& path);
    // G and Shift+G: the next (step 1) or previous sequence, and the title.
    void StepSequence(int step);
    QString WindowTitle() const;
    // Types number into the shot-number box and leaves it, as the user does.
    void JumpToShot(int number);

    // Opens the help file, or the HTML manual when there is no help file;
    // the request's context does not matter.
    void WinHelp();
    void OnAppAbout();
    void OnFileNew();
    // Open Folder: a directory chosen as such, its shots listed as Open lists them.
    void OnFileOpenFolder();

    // The shot-number box's text, a tab, and the status box's text.
    QString StatusLine() const;
    // Direction, loop mode and the in and out points of the command line.
    // False, with StartError() saying why, when --in or --out names no shot
    // or the out point comes before the in point.
    bool ApplyPlayback(const PlaybackOptions& options);
    // Why InitInstance refused to start, when the command line asked for
    // what the shots cannot give; empty otherwise.
    const QString& StartError() const { return m_strStartError; }
    // Plays, as the play command; false when it is not available.
    bool StartPlaying();
    // "played: N shots shown, M late, worst W ms late"
    QString PlayStatsLine() const;
    // "stall: no new shot for T s" while following newest and stalled;
    // empty otherwise.
    QString StallLine() const;
    // "compare: ..." with its line end while comparing with a run B
    // (--compare, Ctrl+B); empty otherwise.
    QString CompareLine() const;
    CompareControl* Comparing() const { return m_pCompare.get(); }
    // What the live play display shows of following newest.
    HudFollow FollowFacts() const;
    // Waits, at most timeoutMs, until the timeline (when shown) has every
    // visible thumbnail; false when it has not.
    bool WaitForTimeline(int timeoutMs);
    // Saves the main window as PNG; false when it cannot be written.
    bool SaveScreenshot(const QString& file) const;

    CMainFrame* MainFrame() const { return m_pMainFrame; }
    CKESTRELDoc* Document() const { return m_pDocument.get(); }
    CKestrel* View() const { return m_pView; }
    CTimelineStrip* Timeline() const { return m_pTimeline; }
    ShotDirectoryFollower* Follower() const { return m_pFollower.get(); }
    const CRecentFileList& RecentFiles() const { return m_recentFiles; }
    const std::string& HelpPath() const { return m_szHelpPath; }
    const std::string& ManualPath() const { return m_strManualPath; }
    // Where the HTML manual is looked for (tests put theirs).
    void SetManualPath(std::string path) { m_strManualPath = std::move(path); }

private:
    class InputFilter;

    void LoadStdProfileSettings();
    void UpdateTitle();
    void AddToRecentFileList(const QString& path);

    std::unique_ptr<InputFilter> m_pInputFilter;
    std::unique_ptr<CKESTRELDoc> m_pDocument;
    std::unique_ptr<ShotDirectoryFollower> m_pFollower;  // keeps the list in step with the directory
    std::unique_ptr<CompareControl> m_pCompare;          // run B; goes before the view
    CMainFrame* m_pMainFrame = nullptr;
    CKestrel* m_pView = nullptr;
    CTimelineStrip* m_pTimeline = nullptr;  // in the frame's dock
    CRecentFileList m_recentFiles{RECENT_FILE_COUNT};
    std::string m_szHelpPath;
    std::string m_strManualPath;
    FileOpenDialog m_previousDialog;
    bool m_dialogInstalled = false;
    QString m_strStartError;
};
