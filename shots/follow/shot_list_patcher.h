// ShotListPatcher: keeps a document's shot list in step with its directory
// one file at a time, without listing the directory again.
//
// It is told, for a file name, what is on disk now (present with a
// last-write time, or gone) and makes the list say the same:
// - a new name is inserted at its place by time, after any shots of the
//   same time (a full scan may order equal times differently);
// - a known name with a new time moves to its new place; with the same time
//   it only counts as rewritten;
// - a gone name leaves the list; when it was the shot on display, the
//   result says so and where it stood, and the cursor stands before that
//   place, so the owner can show the shot that now holds it, as a step
//   there would;
// - a rename seen as one event pair keeps the record, with its new path and
//   shot number.
// The shot on display keeps its place: the cursor follows it to its new
// position.
//
// Capacity: the document lists the oldest MaxShots() files of a larger
// directory. The patcher keeps the newer ones aside and moves them in as
// listed shots leave, except that it never pushes the shot on display out.
//
// Cost of one change: a binary search by time and a shift of the record and
// number tables, no directory listing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "shots/list/directory_listing.h"
#include "shots/record_name_index.h"
#include "shots/shot_list_document.h"

// One name of the followed directory, as it is on disk now.
struct ShotFileState {
    std::string name;
    bool present = false;
    std::int64_t lastWriteTime = 0;
};

struct ShotRename {
    std::string from;
    std::string to;
    std::int64_t lastWriteTime = 0;  // of the file under its new name
};

struct ShotListPatchResult {
    int added = 0;
    int removed = 0;
    int rewritten = 0;
    int renamed = 0;
    bool listChanged = false;         // count, order or numbers changed
    bool displayedRewritten = false;  // the shot on display has new content
    bool displayedRenamed = false;    // the shot on display has a new name
    bool displayedRemoved = false;    // the shot on display left the list...
    std::size_t displayedIndex = 0;   // ...from this index
};

class ShotListPatcher {
public:
    explicit ShotListPatcher(CKESTRELDoc& document);

    // Takes the document's list, as a scan just made it, as the truth.
    // beyondCapacity: the files a full directory could not list (may be
    // empty; only needed when the list holds MaxShots() shots).
    void Reset(const std::vector<DirectoryEntry>& beyondCapacity = {});

    ShotListPatchResult Apply(const std::vector<ShotFileState>& changes,
                              const std::vector<ShotRename>& renames = {});

    // The changes that turn what the patcher knows into listing (a full
    // listing, for a catch-up after lost events).
    std::vector<ShotFileState> Diff(const std::vector<DirectoryEntry>& listing) const;

    // The record on display: the one at the cursor, or null before any load.
    const ShotRecord* Displayed() const { return m_doc.DisplayedShot(); }
    // Index of record in the document's list, or -1.
    std::ptrdiff_t IndexOf(const ShotRecord* record) const { return m_doc.IndexOf(record); }

    // The status line for the list as it stands, in the document's formats.
    std::string StatusText() const;

    bool Knows(const std::string& name) const { return Lookup(name).has_value(); }
    // Last-write time of a file the patcher knows, or -1.
    std::int64_t KnownTime(const std::string& name) const
    {
        const std::optional<Known> known = Lookup(name);
        return known ? known->lastWriteTime : -1;
    }
    std::size_t KnownCount() const;
    std::size_t BeyondCapacityCount() const { return m_beyond.size(); }

private:
    struct Known {
        std::int64_t lastWriteTime;
        bool listed;  // in the document's list (else kept beyond capacity)
    };
    std::optional<Known> Lookup(const std::string& name) const;
    // The index, rebuilt when someone else changed the list.
    const RecordNameIndex& Listed() const;

    // displayed turns null when the change removes the shot on display.
    void ApplyOne(const ShotFileState& change, ShotListPatchResult& result, const ShotRecord*& displayed);
    bool ApplyRename(const ShotRename& rename, ShotListPatchResult& result, const ShotRecord* displayed);
    void InsertListed(const std::string& name, std::int64_t lastWriteTime);
    std::unique_ptr<ShotRecord> TakeListed(std::size_t index);
    void PutListed(std::unique_ptr<ShotRecord> record);
    void RemoveListed(std::size_t index);
    void Rebalance(const ShotRecord* displayed);
    std::ptrdiff_t FindListed(const std::string& name, std::int64_t lastWriteTime) const;
    void FollowDisplayed(const ShotRecord* displayed);
    std::string NameOf(const ShotRecord& record) const;

    CKESTRELDoc& m_doc;
    // Every file present: the listed ones by their records, the others
    // apart, by name and in time order.
    mutable RecordNameIndex m_listed;
    mutable std::uint64_t m_listedVersion = 0;  // the document's list the index was made for
    std::unordered_map<std::string, std::int64_t> m_beyondTimes;
    std::set<std::pair<std::int64_t, std::string>> m_beyond;
};
