#include "shots/shot_directory_follower.h"

#include <sys/stat.h>

#include <QSocketNotifier>
#include <QTimer>
#include <unordered_set>

#include "shots/directory_listing.h"
#include "shots/gif_completeness.h"
#include "shots/shot_number_text.h"

namespace {

const char* const kExtension = ".GIF";

// The entry as a listing would see it: through a link, or the link itself
// when it leads nowhere.
bool StatEntry(const std::string& path, struct stat& status)
{
    return stat(path.c_str(), &status) == 0 || lstat(path.c_str(), &status) == 0;
}

std::int64_t FileTime(const struct stat& status)
{
    return kFileTimeUnixEpoch + std::int64_t(status.st_mtim.tv_sec) * 10000000 + status.st_mtim.tv_nsec / 100;
}

}  // namespace

ShotDirectoryFollower::ShotDirectoryFollower(CKESTRELDoc& document, QObject* parent)
    : QObject(parent), m_doc(document), m_patcher(document), m_settleTimer(new QTimer(this)),
      m_pollTimer(new QTimer(this))
{
    m_settleTimer->setInterval(SETTLE_CHECK_MS);
    connect(m_settleTimer, &QTimer::timeout, this, [this] { CheckPending(); });
    m_pollTimer->setInterval(POLL_MS);
    connect(m_pollTimer, &QTimer::timeout, this, [this] { CatchUp(); });
    m_doc.AddView(this);
    Resync();
}

ShotDirectoryFollower::~ShotDirectoryFollower()
{
    m_doc.RemoveView(this);
    StopWatching();
}

void ShotDirectoryFollower::SetSettleTimes(int settleMs, int writerSettleMs)
{
    m_settle = std::chrono::milliseconds(settleMs);
    m_writerSettle = std::chrono::milliseconds(writerSettleMs);
}

void ShotDirectoryFollower::Notify(bool on)
{
    if (m_followNewestChanged) m_followNewestChanged(on);
}

void ShotDirectoryFollower::SetFollowNewest(bool on)
{
    if (on == m_followNewest) return;
    m_followNewest = on;
    Notify(on);
    if (on && !m_doc.m_shots.empty()) {
        const ShotRecord* newest = m_doc.m_shots.back().get();
        if (newest == m_patcher.Ghost() && m_doc.m_shots.size() > 1) newest = m_doc.m_shots[m_doc.m_shots.size() - 2].get();
        if (newest != m_patcher.Displayed()) ShowShot(newest);
    }
}

void ShotDirectoryFollower::StopWatching()
{
    m_notifier.reset();
    m_watch.Stop();
    m_pollTimer->stop();
    m_settleTimer->stop();
    m_pending.clear();
    m_directory.clear();
}

void ShotDirectoryFollower::StartWatching(const std::string& directory)
{
    StopWatching();
    m_directory = directory;
    if (m_watch.Start(directory, kExtension)) {
        m_notifier = std::make_unique<QSocketNotifier>(m_watch.Descriptor(), QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { ReadChanges(); });
    } else {
        // No kernel notification (watch limit reached, say): list once a second.
        m_pollTimer->start();
    }
}

void ShotDirectoryFollower::Resync()
{
    const std::string directory = m_doc.m_strDirectory;
    if (directory.empty()) {
        StopWatching();
        m_patcher.Reset();
        Remember();
        return;
    }

    const bool newDirectory = directory != m_directory || (!m_watch.IsRunning() && !m_pollTimer->isActive());
    if (newDirectory) StartWatching(directory);
    m_pending.clear();

    // A full list leaves files out; they come in as listed shots leave.
    std::vector<DirectoryEntry> beyond;
    if (m_doc.m_shots.size() >= std::size_t(CKESTRELDoc::MAX_SHOTS)) {
        std::unordered_set<std::string> listed;
        for (const auto& record : m_doc.m_shots) listed.insert(record->path.substr(directory.size()));
        for (DirectoryEntry& entry : ListDirectoryByExtension(directory, kExtension)) {
            if (!listed.count(entry.name)) beyond.push_back(std::move(entry));
        }
    }
    m_patcher.Reset(beyond);
    Remember();

    // What changed between the scan and the start of the watch.
    if (newDirectory) CatchUp();
    if (m_followNewest && !m_doc.m_shots.empty() && m_patcher.Displayed() != m_doc.m_shots.back().get()) {
        ShowShot(m_doc.m_shots.back().get());
    }
}

void ShotDirectoryFollower::Remember()
{
    m_seenDirectory = m_doc.m_strDirectory;
    m_seenList.clear();
    m_seenList.reserve(m_doc.m_shots.size());
    for (const auto& record : m_doc.m_shots) m_seenList.push_back(record.get());
    m_seenPos = m_doc.m_nShotPos;
    m_seenImage = m_doc.m_pImage.get();
}

bool ShotDirectoryFollower::ListRebuilt() const
{
    if (m_doc.m_strDirectory != m_seenDirectory || m_doc.m_shots.size() != m_seenList.size()) return true;
    for (std::size_t i = 0; i < m_seenList.size(); ++i) {
        if (m_doc.m_shots[i].get() != m_seenList[i]) return true;
    }
    return false;
}

void ShotDirectoryFollower::OnUpdate(DocumentView*, long, void*)
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
        if (m_patcher.DropGhostIfLeft()) WriteStatus();
        Remember();
    }
}

void ShotDirectoryFollower::ReadChanges()
{
    const ShotDirectoryWatch::Batch batch = m_watch.Read();
    if (batch.directoryGone) {
        // The list stays as it is; there is nothing left to follow.
        const std::string directory = m_directory;
        StopWatching();
        m_directory = directory;
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
        struct stat status {};
        if (!StatEntry(m_directory + rename.to, status)) continue;
        renames.push_back(ShotRename{rename.from, rename.to, FileTime(status)});
        m_pending.erase(rename.from);
        m_pending.erase(rename.to);
        done.insert(rename.from);
        done.insert(rename.to);
    }
    for (const ShotDirectoryWatch::Touched& touched : batch.touched) {
        if (!done.count(touched.name)) Consider(touched.name, touched.closedAfterWrite, touched.written, changes);
    }
    ApplyChanges(changes, renames);
}

void ShotDirectoryFollower::CatchUp()
{
    if (m_directory.empty()) return;
    std::vector<ShotFileState> changes;
    for (const ShotFileState& change : m_patcher.Diff(ListDirectoryByExtension(m_directory, kExtension))) {
        if (!change.present) {
            m_pending.erase(change.name);
            changes.push_back(change);
        } else if (!m_pending.count(change.name)) {
            Consider(change.name, true, false, changes);
        }
    }
    ApplyChanges(changes, {});
}

void ShotDirectoryFollower::Consider(const std::string& name, bool closedAfterWrite, bool written,
                                     std::vector<ShotFileState>& changes)
{
    const std::string path = m_directory + name;
    struct stat status {};
    if (!StatEntry(path, status)) {
        m_pending.erase(name);
        changes.push_back(ShotFileState{name, false, 0});
        return;
    }
    const std::int64_t time = FileTime(status);
    if (!S_ISREG(status.st_mode)) {
        // Listed like any entry (a directory named *.gif fails to load).
        m_pending.erase(name);
        changes.push_back(ShotFileState{name, true, time});
        return;
    }
    // Attributes alone (a change of mode, say) change nothing that is shown.
    if (!closedAfterWrite && !written && !m_pending.count(name) && m_patcher.KnownTime(name) == time) return;

    Pending& pending = m_pending[name];
    if (pending.size != status.st_size || pending.lastWriteTime != time) {
        pending.size = status.st_size;
        pending.lastWriteTime = time;
        pending.lastChange = Clock::now();
        pending.structureChecked = false;
    }
    if (written) pending.writerOpen = true;
    if (closedAfterWrite) {
        pending.writerOpen = false;
        if (CheckGifFileCompleteness(path) == GifCompleteness::Complete) {
            m_pending.erase(name);
            changes.push_back(ShotFileState{name, true, time});
            return;
        }
        pending.structureChecked = true;
    }
    if (!m_settleTimer->isActive()) m_settleTimer->start();
}

void ShotDirectoryFollower::CheckPending()
{
    const Clock::time_point now = Clock::now();
    std::vector<ShotFileState> changes;
    for (auto entry = m_pending.begin(); entry != m_pending.end();) {
        const std::string& name = entry->first;
        Pending& pending = entry->second;
        const std::string path = m_directory + name;
        struct stat status {};
        if (!StatEntry(path, status)) {
            changes.push_back(ShotFileState{name, false, 0});
            entry = m_pending.erase(entry);
            continue;
        }
        const std::int64_t time = FileTime(status);
        if (pending.size != status.st_size || pending.lastWriteTime != time) {
            pending.size = status.st_size;
            pending.lastWriteTime = time;
            pending.lastChange = now;
            pending.structureChecked = false;
            ++entry;
            continue;
        }
        const auto quiet = now - pending.lastChange;
        bool take = false;
        if (quiet >= m_settle) {
            if (!pending.writerOpen) {
                take = true;
            } else if (quiet >= m_writerSettle) {
                take = true;  // a writer that holds it open this long is not writing any more
            } else if (!pending.structureChecked) {
                // The writer may have finished and not yet closed it.
                pending.structureChecked = true;
                take = CheckGifFileCompleteness(path) == GifCompleteness::Complete;
            }
        }
        if (take) {
            changes.push_back(ShotFileState{name, true, time});
            entry = m_pending.erase(entry);
        } else {
            ++entry;
        }
    }
    if (m_pending.empty()) m_settleTimer->stop();
    ApplyChanges(changes, {});
}

void ShotDirectoryFollower::ApplyChanges(const std::vector<ShotFileState>& changes,
                                         const std::vector<ShotRename>& renames)
{
    if (changes.empty() && renames.empty()) return;
    if (ListRebuilt()) Resync();  // a scan the follower was not told of

    const ShotRecord* displayed = m_patcher.Displayed();
    const ShotListPatchResult result = m_patcher.Apply(changes, renames);

    const ShotRecord* show = nullptr;
    if (m_followNewest && !m_doc.m_shots.empty()) {
        const ShotRecord* newest = m_doc.m_shots.back().get();
        if (newest != m_patcher.Ghost() && (newest != displayed || result.displayedRewritten)) show = newest;
    }
    if (!show && !displayed && !m_doc.m_shots.empty()) {
        show = m_doc.m_shots.front().get();  // the list was empty: show the first, as an open does
    }
    if (!show && result.displayedRewritten) show = displayed;

    if (show) {
        ShowShot(show);
        return;
    }
    if (result.displayedRenamed && displayed && m_doc.m_pShotNumberBox) {
        m_doc.m_pShotNumberBox->SetWindowText(ShotNumberText(displayed->path));
    }
    if (result.listChanged) WriteStatus();
    Remember();
}

void ShotDirectoryFollower::ShowShot(const ShotRecord* record)
{
    if (record != m_patcher.Ghost()) m_patcher.DropGhost();
    const std::ptrdiff_t index = m_patcher.IndexOf(record);
    if (index < 0) return;
    m_doc.m_nShotPos = std::int32_t(index);
    m_doc.LoadShot();
    if (m_patcher.Ghost()) WriteStatus();
    Remember();
    m_inOwnUpdate = true;
    m_doc.UpdateAllViews(nullptr, 0, nullptr);
    m_inOwnUpdate = false;
    Remember();
}

void ShotDirectoryFollower::WriteStatus()
{
    if (m_doc.m_pStatusBox) m_doc.m_pStatusBox->SetWindowText(m_patcher.StatusText());
}
