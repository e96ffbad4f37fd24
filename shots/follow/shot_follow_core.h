// ShotFollowCore: keeps the document's shot list in step with its directory
// while shots arrive, are removed or are written again, and can keep the
// newest shot on display ("follow newest"). Plain C++: the owner waits for
// the watch's descriptor to become readable and calls ReadChanges, and calls
// OnTimer at NextWake; ShotDirectoryFollower does both on Qt's event loop.
//
// How it sees changes: the kernel's notification on the directory
// (ShotDirectoryWatch); where that sees nothing of what other machines
// write (a network file system, FUSE), where the kernel refuses, or when
// told to poll, a listing compared with the list once a second. Each change
// touches only the names concerned (ShotListPatcher), so one new shot costs
// the same in a directory of 5000 as in one of 5.
//
// A file still being written is not shown: ShotSettlePolicy decides when it
// is whole. A shot already listed that changes again is taken again the same
// way, and reloaded if it is on display.
//
// What the user sees: the shot on display stays, at its new position; the
// status box shows the new count and first and last shot numbers. When the
// shot on display is removed, the shot that now holds its place (the last
// one at the end) is shown, as a step there would show it; when none is
// left, nothing is. When the list was empty, the first shot that arrives is
// shown as an open would show it.
//
// The directory itself: removed, renamed or replaced, it is gone; the shots
// leave the list (so the view says the directory is gone), and the follower
// looks once a second for a directory of that name, whose shots then arrive
// as new ones. A listing that fails for another reason (permissions, a
// network error) keeps the list, marks the directory unreadable and is
// tried again a second later.
//
// Follow newest: while on, every change that brings a newer last shot
// shows that shot. Any move the follower did not make itself (first,
// previous, next, last, a typed shot number, a play tick) turns it off.
// The follower learns of those moves, and of a new scan, as one of the
// document's views: it is told of every UpdateAllViews.
//
// Stall alarm: while following newest, ShotStallPolicy watches the
// arrivals; when the writer seems to have stopped, and again when the next
// shot clears it, the follower says so through SetStallChanged (the live
// display, the control socket).
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/framework/document.h"
#include "shots/follow/shot_directory_watch.h"
#include "shots/shot_list_document.h"
#include "shots/follow/shot_list_patcher.h"
#include "shots/follow/shot_settle_policy.h"
#include "shots/follow/shot_stall_policy.h"

class ShotFollowCore : public DocumentView {
public:
    using Clock = ShotSettlePolicy::Clock;
    using TimePoint = ShotSettlePolicy::TimePoint;

    static constexpr int SETTLE_MS = 300;
    static constexpr int WRITER_SETTLE_MS = 5000;
    static constexpr int POLL_MS = 1000;

    // now: the clock every decision is taken by.
    explicit ShotFollowCore(CKESTRELDoc& document, std::function<TimePoint()> now = &Clock::now);
    ~ShotFollowCore() override;
    ShotFollowCore(const ShotFollowCore&) = delete;
    ShotFollowCore& operator=(const ShotFollowCore&) = delete;

    bool FollowNewest() const { return m_followNewest; }
    // Turning it on shows the newest shot at once.
    void SetFollowNewest(bool on);
    void ToggleFollowNewest() { SetFollowNewest(!m_followNewest); }
    // Told whenever follow newest turns on or off (a checkable button's look).
    void SetFollowNewestChanged(std::function<void(bool)> changed) { m_followNewestChanged = std::move(changed); }

    // Told when a stall starts (true, the silence so far) and when it ends
    // (false): by the next arrival, or when following stops.
    using StallChanged = std::function<void(bool stalled, ShotStallPolicy::Duration silence)>;
    void SetStallChanged(StallChanged changed) { m_stallChanged = std::move(changed); }
    const ShotStallPolicy& Stall() const { return m_stall; }
    // The silence, while following newest and stalled now.
    std::optional<ShotStallPolicy::Duration> StallNow() const;
    TimePoint Now() const { return m_now(); }

    void SetSettleTimes(int settleMs, int writerSettleMs);
    // Lists the directory once a second instead of asking the kernel, on
    // any file system. Takes effect at the next directory followed.
    void SetForcePolling(bool on) { m_forcePolling = on; }

    // Takes the document's list as it is now; call after a scan that did not
    // end in UpdateAllViews. Starts watching the document's directory.
    void Resync();

    // DocumentView: a scan or a move by someone else.
    void OnUpdate(DocumentView* sender, long hint, void* hintObject) override;

    const std::string& WatchedDirectory() const { return m_directory; }
    bool UsesKernelNotification() const { return m_watch.IsRunning(); }
    bool Polls() const { return m_nextPoll.has_value(); }
    const ShotListPatcher& Patcher() const { return m_patcher; }
    std::size_t PendingCount() const { return m_policy.WaitingCount(); }

    // The kernel's descriptor to wait on, or -1 when there is none.
    int WatchDescriptor() const { return m_watch.IsRunning() ? m_watch.Descriptor() : -1; }
    // When OnTimer has something to do: a waiting file to look at, or a
    // listing due. None when nothing waits.
    std::optional<TimePoint> NextWake() const;
    // Told after anything that may change WatchDescriptor or NextWake.
    void SetScheduleChanged(std::function<void()> changed) { m_scheduleChanged = std::move(changed); }
    // Told after shots arrived, left or moved without a repaint.
    void SetListChanged(std::function<void()> changed) { m_listChanged = std::move(changed); }

    // Reads what the kernel has queued and applies it.
    void ReadChanges();
    // Compares a full listing with the list and applies the difference.
    void CatchUp();
    // Looks at the waiting files, and lists the directory when that is due.
    void OnTimer();

private:
    // The document is about to list directory: the watch starts first.
    void BeforeScan(const std::string& directory);
    // CatchUp with a listing taken after the watch started.
    void CatchUp(const std::vector<DirectoryEntry>& listing);
    // Every shot leaves; the directory is looked for once a second.
    void DirectoryGone();
    // Once a second while gone: back when a directory has its name again.
    void LookForDirectory();
    void SetListState(ListState state);
    void StartWatching(const std::string& directory);
    void StopWatching();
    // Carries out the policy's answer for one name.
    void Carry(const std::string& name, ShotSettlePolicy::Decision decision, const FileSnapshot& now,
               std::vector<ShotFileState>& changes);
    void Touch(const std::string& name, ShotSettlePolicy::Event event, std::vector<ShotFileState>& changes);
    void ApplyChanges(const std::vector<ShotFileState>& changes, const std::vector<ShotRename>& renames);
    void ShowShot(const ShotRecord* record);
    void WriteStatus();
    bool ListRebuilt() const;
    void Remember();
    void Notify(bool on);
    void ScheduleChanged();
    // The stall alarm: (re)started while following newest, fed with the
    // shots newer than any seen, checked at its time.
    void StartStallWatch();
    void StopStallWatch();
    void NoteArrivals();
    void CheckStall();

    CKESTRELDoc& m_doc;
    std::function<TimePoint()> m_now;
    ShotListPatcher m_patcher;
    ShotSettlePolicy m_policy;
    ShotDirectoryWatch m_watch;
    std::string m_directory;
    std::optional<TimePoint> m_nextPoll;  // set while polling or while the directory is gone
    bool m_forcePolling = false;
    bool m_directoryGone = false;
    std::uint64_t m_watchedScan = 0;       // the scan BeforeScan saw start, until Resync takes it
    bool m_watchStartedBeforeScan = false;  // ...and whether the watch started for it

    bool m_followNewest = false;
    std::function<void(bool)> m_followNewestChanged;
    std::function<void()> m_scheduleChanged;
    std::function<void()> m_listChanged;
    ShotStallPolicy m_stall;
    StallChanged m_stallChanged;
    bool m_stallReported = false;
    std::int64_t m_newestTime = 0;  // the newest last-write time the watch has seen

    // What the follower last saw, to tell its own changes from others'.
    bool m_inOwnUpdate = false;
    std::uint64_t m_seenListVersion = 0;
    std::string m_seenDirectory;
    std::int32_t m_seenPos = 0;
    const CDibImage* m_seenImage = nullptr;
};
