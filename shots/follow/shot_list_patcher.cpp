#include "shots/follow/shot_list_patcher.h"

#include <algorithm>
#include <unordered_set>

namespace {

// First record later than time (records are ascending by time).
std::size_t UpperBoundByTime(const std::vector<std::unique_ptr<ShotRecord>>& shots, std::int64_t time)
{
    const auto at = std::upper_bound(shots.begin(), shots.end(), time,
                                     [](std::int64_t t, const std::unique_ptr<ShotRecord>& record) {
                                         return t < record->lastWriteTime;
                                     });
    return std::size_t(at - shots.begin());
}

std::size_t LowerBoundByTime(const std::vector<std::unique_ptr<ShotRecord>>& shots, std::int64_t time)
{
    const auto at = std::lower_bound(shots.begin(), shots.end(), time,
                                     [](const std::unique_ptr<ShotRecord>& record, std::int64_t t) {
                                         return record->lastWriteTime < t;
                                     });
    return std::size_t(at - shots.begin());
}

}  // namespace

ShotListPatcher::ShotListPatcher(CKESTRELDoc& document) : m_doc(document) {}

void ShotListPatcher::Reset(const std::vector<DirectoryEntry>& beyondCapacity)
{
    m_listed.Build(m_doc.Shots());
    m_listedVersion = m_doc.ListVersion();
    m_beyondTimes.clear();
    m_beyond.clear();
    for (const DirectoryEntry& entry : beyondCapacity) {
        if (m_listed.Find(entry.name) || !m_beyondTimes.emplace(entry.name, entry.lastWriteTime).second) continue;
        m_beyond.insert({entry.lastWriteTime, entry.name});
    }
}

const RecordNameIndex& ShotListPatcher::Listed() const
{
    if (m_listedVersion != m_doc.ListVersion()) {
        m_listed.Build(m_doc.Shots());
        m_listedVersion = m_doc.ListVersion();
    }
    return m_listed;
}

std::optional<ShotListPatcher::Known> ShotListPatcher::Lookup(const std::string& name) const
{
    if (const ShotRecord* record = Listed().Find(name)) return Known{record->lastWriteTime, true};
    const auto beyond = m_beyondTimes.find(name);
    if (beyond != m_beyondTimes.end()) return Known{beyond->second, false};
    return std::nullopt;
}

std::size_t ShotListPatcher::KnownCount() const { return Listed().Size() + m_beyondTimes.size(); }

std::ptrdiff_t ShotListPatcher::FindListed(const std::string& name, std::int64_t lastWriteTime) const
{
    const auto& shots = m_doc.Shots();
    const std::string& directory = m_doc.m_strDirectory;
    for (std::size_t i = LowerBoundByTime(shots, lastWriteTime);
         i < shots.size() && shots[i]->lastWriteTime == lastWriteTime; ++i) {
        if (shots[i]->name == name && *shots[i]->directory == directory) {
            return std::ptrdiff_t(i);
        }
    }
    return -1;
}

std::string ShotListPatcher::NameOf(const ShotRecord& record) const
{
    if (*record.directory == m_doc.m_strDirectory) return record.name;
    const std::string path = record.Path();
    return path.substr(std::min(m_doc.m_strDirectory.size(), path.size()));
}

void ShotListPatcher::PutListed(std::unique_ptr<ShotRecord> record)
{
    // Callers make room first: the document refuses a record past MAX_SHOTS.
    // The index catches up with others' changes before this one.
    Listed();
    const ShotRecord* put = record.get();
    const std::size_t at = UpperBoundByTime(m_doc.Shots(), record->lastWriteTime);
    if (m_doc.InsertShot(at, std::move(record))) m_listed.Insert(put);
    m_listedVersion = m_doc.ListVersion();
}

void ShotListPatcher::InsertListed(const std::string& name, std::int64_t lastWriteTime)
{
    PutListed(std::make_unique<ShotRecord>(m_doc.SharedDirectory(), name, lastWriteTime));
}

std::unique_ptr<ShotRecord> ShotListPatcher::TakeListed(std::size_t index)
{
    Listed();  // as in PutListed
    std::unique_ptr<ShotRecord> record = m_doc.RemoveShot(index);
    if (record) m_listed.Erase(record->name);
    m_listedVersion = m_doc.ListVersion();
    return record;
}

void ShotListPatcher::RemoveListed(std::size_t index) { TakeListed(index); }

void ShotListPatcher::Rebalance(const ShotRecord* displayed)
{
    const auto& shots = m_doc.Shots();
    while (shots.size() < std::size_t(m_doc.MaxShots()) && !m_beyond.empty()) {
        const auto oldest = *m_beyond.begin();
        m_beyond.erase(m_beyond.begin());
        m_beyondTimes.erase(oldest.second);
        InsertListed(oldest.second, oldest.first);
    }
    // The list keeps the oldest files: a listed shot newer than one kept
    // aside trades places with it, unless it is the one on display.
    while (!m_beyond.empty() && !shots.empty()) {
        std::size_t index = shots.size() - 1;
        if (shots[index].get() == displayed) {
            if (index == 0) break;
            --index;
        }
        const ShotRecord* newest = shots[index].get();
        if (newest == displayed || newest->lastWriteTime <= m_beyond.begin()->first) break;
        const std::string name = NameOf(*newest);
        const std::int64_t time = newest->lastWriteTime;
        RemoveListed(index);
        const auto oldest = *m_beyond.begin();
        m_beyond.erase(m_beyond.begin());
        m_beyondTimes.erase(oldest.second);
        m_beyond.insert({time, name});
        m_beyondTimes[name] = time;
        InsertListed(oldest.second, oldest.first);
    }
}

void ShotListPatcher::FollowDisplayed(const ShotRecord* displayed)
{
    if (!m_doc.MoveCursorTo(displayed)) m_doc.SetCursor(m_doc.m_nShotPos);
}

bool ShotListPatcher::ApplyRename(const ShotRename& rename, ShotListPatchResult& result, const ShotRecord* displayed)
{
    const std::optional<Known> from = Lookup(rename.from);
    if (!from || !from->listed || Lookup(rename.to)) return false;
    const std::ptrdiff_t index = FindListed(rename.from, from->lastWriteTime);
    if (index < 0) return false;

    std::unique_ptr<ShotRecord> record = TakeListed(std::size_t(index));
    record->directory = m_doc.SharedDirectory();
    record->name = rename.to;
    record->lastWriteTime = rename.lastWriteTime;
    if (record.get() == displayed) result.displayedRenamed = true;
    PutListed(std::move(record));
    ++result.renamed;
    result.listChanged = true;
    return true;
}

void ShotListPatcher::ApplyOne(const ShotFileState& change, ShotListPatchResult& result, const ShotRecord*& displayed)
{
    const std::optional<Known> known = Lookup(change.name);

    if (!change.present) {
        if (!known) return;
        if (known->listed) {
            const std::ptrdiff_t index = FindListed(change.name, known->lastWriteTime);
            if (index >= 0) {
                if (&m_doc.Shot(std::size_t(index)) == displayed) {
                    result.displayedRemoved = true;
                    result.displayedIndex = std::size_t(index);
                    displayed = nullptr;
                }
                RemoveListed(std::size_t(index));
            }
            m_listed.Erase(change.name);
        } else {
            m_beyond.erase({known->lastWriteTime, change.name});
            m_beyondTimes.erase(change.name);
        }
        ++result.removed;
        result.listChanged = true;
        return;
    }

    if (!known) {
        if (m_doc.ShotCount() < std::size_t(m_doc.MaxShots())) {
            InsertListed(change.name, change.lastWriteTime);
        } else {
            m_beyond.insert({change.lastWriteTime, change.name});
            m_beyondTimes[change.name] = change.lastWriteTime;
        }
        ++result.added;
        result.listChanged = true;
        return;
    }

    // A known file written again.
    ++result.rewritten;
    if (!known->listed) {
        m_beyond.erase({known->lastWriteTime, change.name});
        m_beyond.insert({change.lastWriteTime, change.name});
        m_beyondTimes[change.name] = change.lastWriteTime;
        return;
    }
    const std::ptrdiff_t index = FindListed(change.name, known->lastWriteTime);
    if (index < 0) return;
    if (&m_doc.Shot(std::size_t(index)) == displayed) result.displayedRewritten = true;
    if (change.lastWriteTime != known->lastWriteTime) {
        std::unique_ptr<ShotRecord> record = TakeListed(std::size_t(index));
        record->lastWriteTime = change.lastWriteTime;
        PutListed(std::move(record));
        result.listChanged = true;
    }
}

ShotListPatchResult ShotListPatcher::Apply(const std::vector<ShotFileState>& changes,
                                           const std::vector<ShotRename>& renames)
{
    ShotListPatchResult result;
    const ShotRecord* displayed = Displayed();
    for (const ShotRename& rename : renames) {
        if (!ApplyRename(rename, result, displayed)) {
            // Not a plain rename of a listed shot: take both names as they are.
            ApplyOne(ShotFileState{rename.from, false, 0}, result, displayed);
            ApplyOne(ShotFileState{rename.to, true, rename.lastWriteTime}, result, displayed);
        }
    }
    for (const ShotFileState& change : changes) ApplyOne(change, result, displayed);
    Rebalance(displayed);
    if (displayed) {
        FollowDisplayed(displayed);
    } else if (result.displayedRemoved) {
        // Before the place it had: LoadShot there shows the shot now in it.
        m_doc.SetCursor(std::int32_t(std::min(result.displayedIndex, m_doc.ShotCount())));
    }
    return result;
}

std::vector<ShotFileState> ShotListPatcher::Diff(const std::vector<DirectoryEntry>& listing) const
{
    std::vector<ShotFileState> changes;
    std::unordered_set<std::string_view> listed;
    listed.reserve(listing.size());
    for (const DirectoryEntry& entry : listing) {
        listed.insert(entry.name);
        const std::optional<Known> known = Lookup(entry.name);
        if (!known || known->lastWriteTime != entry.lastWriteTime) {
            changes.push_back(ShotFileState{entry.name, true, entry.lastWriteTime});
        }
    }
    Listed().ForEach([&](const ShotRecord& record) {
        if (!listed.count(record.name)) changes.push_back(ShotFileState{record.name, false, 0});
    });
    for (const auto& [name, time] : m_beyondTimes) {
        if (!listed.count(name)) changes.push_back(ShotFileState{name, false, 0});
    }
    return changes;
}

std::string ShotListPatcher::StatusText() const
{
    const std::int32_t count = std::int32_t(m_doc.ShotCount());
    if (count <= 0) return std::string();
    const std::int32_t position = std::clamp(m_doc.m_nShotPos, 0, count);
    return CKESTRELDoc::StatusText(position, count, m_doc.ShotNumber(0), m_doc.ShotNumber(std::size_t(count - 1)));
}
