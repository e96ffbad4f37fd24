#include "shots/follow/shot_follow_core.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <unordered_set>

#include "shots/list/directory_listing.h"
#include "shots/list/file_status.h"
#include "shots/list/shot_completeness.h"
#include "shots/list/shot_number_text.h"

namespace {

// The document's own listing: the names it lists (its types, its sequence).
std::vector<DirectoryEntry> ListShots(const CKESTRELDoc& doc, const std::string& directory, int* error = nullptr)
{
    return ListDirectoryMatching(directory, [&doc](std::string_view name) { return doc.ListsName(name); }, error);
}

}  // namespace

ShotFollowCore::ShotFollowCore(CKESTRELDoc& document, std::function<TimePoint()> now)
    : m_doc(document), m_now(std::move(now)), m_patcher(document)
{
    m_policy.SetSettleTimes(std::chrono::milliseconds(SETTLE_MS), std::chrono::milliseconds(WRITER_SETTLE_MS));
    m_doc.AddView(this);
    m_doc.SetBeforeScan([this](const std::string& directory) { BeforeScan(directory); });
    Resync();
}

ShotFollowCore::~ShotFollowCore()
{
    m_doc.SetBeforeScan(nullptr);
    m_doc.RemoveView(this);
    StopWatching();
}

void ShotFollowCore::SetSettleTimes(int settleMs, int writerSettleMs)
{
    m_policy.SetSettleTimes(std::chrono::milliseconds(settleMs), std::chrono::milliseconds(writerSettleMs));
}

void ShotFollowCore::Notify(bool on)
{
    if (on) {
        StartStallWatch();
    } else {
        StopStallWatch();
    }
    if (m_followNewestChanged) m_followNewestChanged(on);
}

void ShotFollowCore::ScheduleChanged()
{
    if (m_scheduleChanged) m_scheduleChanged();
}

std::optional<ShotFollowCore::TimePoint> ShotFollowCore::NextWake() const
{
    std::optional<TimePoint> next = m_policy.NextCheck();
    if (m_nextPoll && (!next || *m_nextPoll < *next)) next = m_nextPoll;
    const std::optional<TimePoint> stall = m_stallReported ? std::nullopt : m_stall.StallsAt();
    if (stall && (!next || *stall < *next)) next = stall;
    return next;
}

void ShotFollowCore::SetFollowNewest(bool on)
{
    if (on == m_followNewest) return;
    m_followNewest = on;
    Notify(on);
    const auto& shots = m_doc.Shots();
    if (on && !shots.empty()) {
        const ShotRecord* newest = shots.back().get();
        if (newest != m_patcher.Displayed()) ShowShot(newest);
    }
}

void ShotFollowCore::StopWatching()
{
    m_watch.Stop();
    m_nextPoll.reset();
    m_policy.Clear();
    m_directory.clear();
}

void ShotFollowCore::StartWatching(const std::string& directory)
{
    StopWatching();
    m_directory = directory;
    // The kernel sees nothing that other machines write to a network file
    // system, nor what a FUSE server changes by itself: list once a second
    // there, and where the kernel refuses (watch limit reached, say).
    const auto ours = [this](std::string_view name) { return m_doc.ListsName(name); };
    if (m_forcePolling || IsRemoteFileSystem(directory) || !m_watch.Start(directory, ours)) {
        m_watch.Stop();
        m_nextPoll = m_now() + std::chrono::milliseconds(POLL_MS);
    }
}

void ShotFollowCore::BeforeScan(const std::string& directory)
{
    // Watching before the scan lists, the scan's own listing is the one to
    // start from: nothing can change unseen between the two, and a directory
    // of a million shots is not listed twice.
    m_watchStartedBeforeScan = directory != m_directory || (!m_watch.IsRunning() && !m_nextPoll);
    if (m_watchStartedBeforeScan) StartWatching(directory);
    m_watchedScan = m_doc.ScanCount();
}

void ShotFollowCore::Resync()
{
    const std::string directory = m_doc.m_strDirectory;
    if (directory.empty()) {
        StopWatching();
        m_patcher.Reset();
        Remember();
        ScheduleChanged();
        return;
    }

    // Once only: a later change to the list is not the scan's.
    const bool watching = directory == m_directory && (m_watch.IsRunning() || m_nextPoll);
    const bool watchedScan = m_watchedScan != 0 && m_watchedScan == m_doc.ScanCount() && watching;
    m_watchedScan = 0;
    const bool newDirectory = watchedScan ? m_watchStartedBeforeScan : !watching;
    if (newDirectory && !watchedScan) StartWatching(directory);
    m_policy.Clear();

    // A full list leaves files out; they come in as listed shots leave.
    // Without the scan's own, a listing taken after the watch started tells
    // them, and what changed since the scan.
    std::optional<std::vector<DirectoryEntry>> listing;
    std::vector<DirectoryEntry> beyond;
    if (watchedScan) {
        beyond = m_doc.BeyondCapacity();
    } else if (m_doc.ShotCount() >= std::size_t(m_doc.MaxShots())) {
        listing = ListShots(m_doc, directory);
        std::unordered_set<std::string_view> listed;
        listed.reserve(m_doc.ShotCount());
        for (const auto& record : m_doc.Shots()) listed.insert(record->name);
        for (const DirectoryEntry& entry : *listing) {
            if (!listed.count(entry.name)) beyond.push_back(entry);
        }
    }
    m_patcher.Reset(beyond);
    Remember();

    // What changed between the scan and the start of the watch.
    if (newDirectory && !watchedScan) CatchUp(listing ? *listing : ListShots(m_doc, m_directory));
    if (m_followNewest && m_doc.ShotCount() && m_patcher.Displayed() != m_doc.Shots().back().get()) {
        ShowShot(m_doc.Shots().back().get());
    }
    if (m_followNewest && newDirectory) StartStallWatch();
    ScheduleChanged();
}

void ShotFollowCore::Remember()
{
    m_seenDirectory = m_doc.m_strDirectory;
    m_seenListVersion = m_doc.ListVersion();
    m_seenPos = m_doc.m_nShotPos;
    m_seenImage = m_doc.m_pImage.get();
}

bool ShotFollowCore::ListRebuilt() const
{
    return m_doc.m_strDirectory != m_seenDirectory || m_doc.ListVersion() != m_seenListVersion;
}

void ShotFollowCore::OnUpdate(DocumentView*, long, void*)
{
    if (m_inOwnUpdate) return;
    if (ListRebuilt()) {
        Resync();
        return;
    }
    if (m_doc.m_nShotPos != m_seenPos || m_doc.m_pImage.get() != m_seenImage) {
        // Someone else moved the display.
        if (m_followNewest) {
            m_followNewest = false;
            Notify(false);
        }
        Remember();
    }
}

void ShotFollowCore::ReadChanges()
{
    const ShotDirectoryWatch::Batch batch = m_watch.Read();
    if (batch.directoryGone) {
        // Whatever the batch says of its files, none is left.
        DirectoryGone();
        return;
    }
    if (batch.lost) {
        CatchUp();
        return;
    }

    std::vector<ShotFileState> changes;
    std::vector<ShotRename> renames;
    std::unordered_set<std::string> done;
    for (const ShotDirectoryWatch::Rename& rename : batch.renames) {
        const FileSnapshot now = SnapshotAsListed(m_directory + rename.to);
        if (!now.present) continue;
        renames.push_back(ShotRename{rename.from, rename.to, now.lastWriteTime});
        m_policy.Forget(rename.from);
        m_policy.Forget(rename.to);
        done.insert(rename.from);
        done.insert(rename.to);
    }
    for (const ShotDirectoryWatch::Touched& touched : batch.touched) {
        if (!done.count(touched.name)) {
            Touch(touched.name, ShotSettlePolicy::Event{touched.closedAfterWrite, touched.written}, changes);
        }
    }
    ApplyChanges(changes, renames);
    ScheduleChanged();
}

void ShotFollowCore::CatchUp()
{
    if (m_directory.empty() || m_directoryGone) return;
    int error = 0;
    std::vector<DirectoryEntry> listing = ListShots(m_doc, m_directory, &error);
    if (error == ENOENT || error == ENOTDIR) {
        DirectoryGone();
        return;
    }
    if (error != 0) {
        // Not an empty directory: the list stays until it can be read again.
        SetListState(ListState::Unreadable);
        return;
    }
    SetListState(ListState::Listed);
    CatchUp(listing);
}

void ShotFollowCore::SetListState(ListState state)
{
    if (m_doc.GetListState() == state) return;
    m_doc.SetListState(state);
    m_inOwnUpdate = true;
    m_doc.UpdateAllViews(nullptr, 0, nullptr);
    m_inOwnUpdate = false;
}

void ShotFollowCore::DirectoryGone()
{
    const std::string directory = m_directory;
    m_watch.Stop();
    m_policy.Clear();
    // Every name the follower knows, gone, as an empty listing would say.
    ApplyChanges(m_patcher.Diff({}), {});
    if (m_doc.ShotCount() == 0) m_doc.ClearDisplay();
    m_directory = directory;
    m_directoryGone = true;
    m_nextPoll = m_now() + std::chrono::milliseconds(POLL_MS);
    SetListState(ListState::Gone);
    Remember();
    ScheduleChanged();
}

void ShotFollowCore::LookForDirectory()
{
    struct stat status {};
    if (::stat(m_directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return;
    m_directoryGone = false;
    const std::string directory = m_directory;
    m_directory.clear();
    StartWatching(directory);
    SetListState(ListState::Listed);
    CatchUp();
}

void ShotFollowCore::CatchUp(const std::vector<DirectoryEntry>& listing)
{
    if (m_directory.empty()) return;
    std::vector<ShotFileState> changes;
    for (const ShotFileState& change : m_patcher.Diff(listing)) {
        if (!change.present) {
            m_policy.Forget(change.name);
            changes.push_back(change);
        } else if (!m_policy.IsWaiting(change.name)) {
            Touch(change.name, ShotSettlePolicy::Event{true, false}, changes);
        }
    }
    ApplyChanges(changes, {});
    ScheduleChanged();
}

void ShotFollowCore::OnTimer()
{
    const TimePoint now = m_now();
    std::vector<ShotFileState> changes;
    for (const std::string& name : m_policy.Waiting()) {
        const FileSnapshot snapshot = SnapshotAsListed(m_directory + name);
        Carry(name, m_policy.Check(name, snapshot, now), snapshot, changes);
    }
    ApplyChanges(changes, {});
    if (m_nextPoll && now >= *m_nextPoll) {
        m_nextPoll = now + std::chrono::milliseconds(POLL_MS);
        if (m_directoryGone) {
            LookForDirectory();
        } else {
            CatchUp();
        }
    }
    CheckStall();
    ScheduleChanged();
}

void ShotFollowCore::Touch(const std::string& name, ShotSettlePolicy::Event event, std::vector<ShotFileState>& changes)
{
    const FileSnapshot snapshot = SnapshotAsListed(m_directory + name);
    Carry(name, m_policy.Touched(name, snapshot, event, m_patcher.KnownTime(name), m_now()), snapshot, changes);
}

void ShotFollowCore::Carry(const std::string& name, ShotSettlePolicy::Decision decision, const FileSnapshot& now,
                           std::vector<ShotFileState>& changes)
{
    if (decision.action == ShotSettlePolicy::Action::CheckStructure) {
        const bool complete = CheckShotFileCompleteness(m_directory + name) == ShotCompleteness::Complete;
        decision = m_policy.StructureChecked(name, complete, m_now());
    }
    switch (decision.action) {
    case ShotSettlePolicy::Action::Take:
        changes.push_back(ShotFileState{name, true, now.lastWriteTime});
        break;
    case ShotSettlePolicy::Action::Remove:
        changes.push_back(ShotFileState{name, false, 0});
        break;
    default:
        break;
    }
}

void ShotFollowCore::ApplyChanges(const std::vector<ShotFileState>& changes, const std::vector<ShotRename>& renames)
{
    if (changes.empty() && renames.empty()) return;
    if (ListRebuilt()) Resync();  // a scan the follower was not told of

    const ShotRecord* displayed = m_patcher.Displayed();
    const ShotListPatchResult result = m_patcher.Apply(changes, renames);
    NoteArrivals();

    const ShotRecord* show = nullptr;
    const auto& shots = m_doc.Shots();
    if (m_followNewest && !shots.empty()) {
        const ShotRecord* newest = shots.back().get();
        if (newest != displayed || result.displayedRewritten || result.displayedRemoved) show = newest;
    }
    if (!show && !displayed && !shots.empty()) {
        show = shots.front().get();  // the list was empty: show the first, as an open does
    }
    if (!show && result.displayedRewritten && !result.displayedRemoved) show = displayed;
    if (!show && result.displayedRemoved) {
        // As if stepped to: the shot that now holds its place, the last at
        // the end; with none left, nothing.
        if (shots.empty()) {
            m_doc.ClearDisplay();
            Remember();
            m_inOwnUpdate = true;
            m_doc.UpdateAllViews(nullptr, 0, nullptr);
            m_inOwnUpdate = false;
            Remember();
            return;
        }
        show = shots[std::min(result.displayedIndex, shots.size() - 1)].get();
    }

    if (show) {
        ShowShot(show);
        return;
    }
    if (result.displayedRenamed && displayed) m_doc.WriteShotNumberBox(ShotNumberText(displayed->Path()));
    if (result.listChanged) WriteStatus();
    Remember();
    if (result.listChanged && m_listChanged) m_listChanged();
}

void ShotFollowCore::ShowShot(const ShotRecord* record)
{
    const std::ptrdiff_t index = m_patcher.IndexOf(record);
    if (index < 0) return;
    m_doc.LoadShotAt(std::size_t(index));
    Remember();
    m_inOwnUpdate = true;
    m_doc.UpdateAllViews(nullptr, 0, nullptr);
    m_inOwnUpdate = false;
    Remember();
}

void ShotFollowCore::WriteStatus() { m_doc.WriteStatusBox(m_patcher.StatusText()); }

void ShotFollowCore::StartStallWatch()
{
    // The newest shots' times seed the pace.
    const auto& shots = m_doc.Shots();
    std::vector<std::int64_t> times;
    const std::size_t from = shots.size() > ShotStallPolicy::WINDOW + 1 ? shots.size() - ShotStallPolicy::WINDOW - 1 : 0;
    m_newestTime = 0;
    for (std::size_t i = from; i < shots.size(); ++i) {
        times.push_back(shots[i]->lastWriteTime);
        m_newestTime = std::max(m_newestTime, shots[i]->lastWriteTime);
    }
    const bool wasReported = m_stallReported;
    m_stallReported = false;
    m_stall.Start(m_now(), times);
    if (wasReported && m_stallChanged) m_stallChanged(false, ShotStallPolicy::Duration(0));
    ScheduleChanged();
}

void ShotFollowCore::StopStallWatch()
{
    m_stall.Stop();
    if (m_stallReported) {
        m_stallReported = false;
        if (m_stallChanged) m_stallChanged(false, ShotStallPolicy::Duration(0));
    }
}

void ShotFollowCore::NoteArrivals()
{
    if (!m_stall.Running()) return;
    // The list is in time order: the new shots are at its end.
    const auto& shots = m_doc.Shots();
    std::size_t first = shots.size();
    while (first > 0 && shots[first - 1]->lastWriteTime > m_newestTime) --first;
    if (first == shots.size()) return;
    const TimePoint now = m_now();
    for (std::size_t i = first; i < shots.size(); ++i) m_stall.Arrived(now, shots[i]->lastWriteTime);
    m_newestTime = shots.back()->lastWriteTime;
    if (m_stallReported) {
        m_stallReported = false;
        if (m_stallChanged) m_stallChanged(false, ShotStallPolicy::Duration(0));
    }
}

void ShotFollowCore::CheckStall()
{
    const TimePoint now = m_now();
    if (m_stallReported || !m_stall.Stalled(now)) return;
    m_stallReported = true;
    if (m_stallChanged) m_stallChanged(true, m_stall.Silence(now));
}

std::optional<ShotStallPolicy::Duration> ShotFollowCore::StallNow() const
{
    const TimePoint now = m_now();
    if (!m_stall.Stalled(now)) return std::nullopt;
    return m_stall.Silence(now);
}
