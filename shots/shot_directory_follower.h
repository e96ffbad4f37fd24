// ShotDirectoryFollower: keeps the document's shot list in step with its
// directory while shots arrive, are removed or are written again, and can
// keep the newest shot on display ("follow newest").
//
// How it sees changes: the kernel's notification on the directory
// (ShotDirectoryWatch); without it, a listing compared with the list once a
// second. Each change touches only the names concerned (ShotListPatcher), so
// one new shot costs the same in a directory of 5000 as in one of 5.
//
// A file still being written is not shown: a file closed by its writer (or
// moved in) is taken as soon as its GIF structure is complete; otherwise it
// is taken once its size and time have not changed for SETTLE_MS, or for
// WRITER_SETTLE_MS while a writer still holds it open. A shot already
// listed that changes again is taken again the same way, and reloaded if it
// is on display.
//
// What the user sees: the shot on display stays, at its new position; the
// status box shows the new count and first and last shot numbers. A removed
// shot on display stays until the user moves. When the list was empty, the
// first shot that arrives is shown as an open would show it.
//
// Follow newest: while on, every change that brings a newer last shot
// shows that shot. Any move the follower did not make itself (first,
// previous, next, last, a typed shot number, a play tick) turns it off.
// The follower learns of those moves, and of a new scan, as one of the
// document's views: it is told of every UpdateAllViews.
#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/framework/document.h"
#include "shots/shot_directory_watch.h"
#include "shots/shot_list_document.h"
#include "shots/shot_list_patcher.h"

class QSocketNotifier;
class QTimer;

// The follow-newest toggle (key F), with its string-table text.
constexpr UINT ID_FOLLOW_NEWEST = 32781;
inline constexpr const char* FOLLOW_NEWEST_TEXT = "Follow Newest (On/Off)\nFollow Newest (On/Off)";

class ShotDirectoryFollower : public QObject, public DocumentView {
public:
    static constexpr int SETTLE_MS = 300;
    static constexpr int WRITER_SETTLE_MS = 5000;
    static constexpr int SETTLE_CHECK_MS = 50;
    static constexpr int POLL_MS = 1000;

    explicit ShotDirectoryFollower(CKESTRELDoc& document, QObject* parent = nullptr);
    ~ShotDirectoryFollower() override;

    bool FollowNewest() const { return m_followNewest; }
    // Turning it on shows the newest shot at once.
    void SetFollowNewest(bool on);
    void ToggleFollowNewest() { SetFollowNewest(!m_followNewest); }
    // Told whenever follow newest turns on or off (a checkable button's look).
    void SetFollowNewestChanged(std::function<void(bool)> changed) { m_followNewestChanged = std::move(changed); }

    void SetSettleTimes(int settleMs, int writerSettleMs);

    // Takes the document's list as it is now; call after a scan that did not
    // end in UpdateAllViews. Starts watching the document's directory.
    void Resync();

    // DocumentView: a scan or a move by someone else.
    void OnUpdate(DocumentView* sender, long hint, void* hintObject) override;

    const std::string& WatchedDirectory() const { return m_directory; }
    bool UsesKernelNotification() const { return m_watch.IsRunning(); }
    const ShotListPatcher& Patcher() const { return m_patcher; }
    std::size_t PendingCount() const { return m_pending.size(); }

    // Reads what the kernel has queued and applies it; the event loop calls
    // this by itself when the watch becomes readable.
    void ReadChanges();
    // Compares a full listing with the list and applies the difference.
    void CatchUp();

private:
    using Clock = std::chrono::steady_clock;

    struct Pending {
        long long size = -1;
        std::int64_t lastWriteTime = 0;
        Clock::time_point lastChange;
        bool writerOpen = false;  // written to since its writer last closed it
        bool structureChecked = false;
    };

    void StartWatching(const std::string& directory);
    void StopWatching();
    // Decides for one touched name: now, later (pending) or not at all.
    void Consider(const std::string& name, bool closedAfterWrite, bool written, std::vector<ShotFileState>& changes);
    void CheckPending();
    void ApplyChanges(const std::vector<ShotFileState>& changes, const std::vector<ShotRename>& renames);
    void ShowShot(const ShotRecord* record);
    void WriteStatus();
    bool ListRebuilt() const;
    void Remember();
    void Notify(bool on);

    CKESTRELDoc& m_doc;
    ShotListPatcher m_patcher;
    ShotDirectoryWatch m_watch;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer* m_settleTimer;
    QTimer* m_pollTimer;
    std::string m_directory;
    std::map<std::string, Pending> m_pending;
    std::chrono::milliseconds m_settle{SETTLE_MS};
    std::chrono::milliseconds m_writerSettle{WRITER_SETTLE_MS};

    bool m_followNewest = false;
    std::function<void(bool)> m_followNewestChanged;

    // What the follower last saw, to tell its own changes from others'.
    bool m_inOwnUpdate = false;
    std::vector<const ShotRecord*> m_seenList;
    std::string m_seenDirectory;
    std::int32_t m_seenPos = 0;
    const CDibImage* m_seenImage = nullptr;
};
